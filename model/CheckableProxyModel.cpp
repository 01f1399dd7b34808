#include "model/CheckableProxyModel.h"

namespace kiv {

namespace {

bool isNumber(const QVariant& v)
{
    switch (static_cast<int>(v.type())) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::Short:
    case QMetaType::UShort:
        return true;
    default:
        return false;
    }
}

bool isText(const QVariant& v)
{
    return v.type() == QVariant::String || v.type() == QVariant::ByteArray;
}

int kindOf(const QVariant& v)
{
    if (isNumber(v))
        return 1;
    if (isText(v))
        return 2;
    return 3 + v.userType();
}

} // namespace

bool VariantKeyLess::operator()(const QVariant& a, const QVariant& b) const
{
    const int kindA = kindOf(a);
    const int kindB = kindOf(b);
    if (kindA != kindB)
        return kindA < kindB;
    if (kindA == 1) {
        // Large integer ids stay exact when both sides are integers.
        if (a.type() != QVariant::Double && b.type() != QVariant::Double && a.type() != QVariant::ULongLong
            && b.type() != QVariant::ULongLong)
            return a.toLongLong() < b.toLongLong();
        return a.toDouble() < b.toDouble();
    }
    if (kindA == 2)
        return a.toString() < b.toString();
    // Other kinds of one type: by their text form, a stable order.
    return a.toString() < b.toString();
}

CheckableProxyModel::CheckableProxyModel(QObject* parent)
    : QSortFilterProxyModel(parent)
{
    connect(this, &QAbstractItemModel::modelAboutToBeReset, this, [this] { m_inReset = true; });
    connect(this, &QAbstractItemModel::modelReset, this, [this] { m_inReset = false; });
    connect(this, &QAbstractProxyModel::sourceModelChanged, this, &CheckableProxyModel::onSourceModelChanged);
}

CheckableProxyModel::~CheckableProxyModel() = default;

QVariant CheckableProxyModel::sourceKey(int sourceRow) const
{
    const QAbstractItemModel* source = sourceModel();
    if (!source)
        return {};
    return source->data(source->index(sourceRow, 0), m_keyRole);
}

QVariant CheckableProxyModel::data(const QModelIndex& index, int role) const
{
    if (role != CheckedRole)
        return QSortFilterProxyModel::data(index, role);
    if (!sourceModel() || !index.isValid())
        return false;
    const QVariant key = sourceKey(mapToSource(index).row());
    if (key.isNull())
        return false;
    const auto found = m_selection.find(key);
    return found == m_selection.end() ? true : found->second;
}

QHash<int, QByteArray> CheckableProxyModel::roleNames() const
{
    QHash<int, QByteArray> roles = QSortFilterProxyModel::roleNames();
    roles.insert(CheckedRole, "checked");
    return roles;
}

void CheckableProxyModel::setKeyRole(int keyRole)
{
    if (m_keyRole == keyRole)
        return;
    m_keyRole = keyRole;
    emit keyRoleChanged(m_keyRole);
}

void CheckableProxyModel::toggle(int row)
{
    if (!sourceModel() || row < 0 || row >= rowCount())
        return;
    const QModelIndex proxyIndex = index(row, 0);
    const QVariant key = sourceKey(mapToSource(proxyIndex).row());
    const auto found = m_selection.find(key);
    if (found == m_selection.end())
        m_selection.emplace(key, false);
    else
        found->second = !found->second;
    emit dataChanged(proxyIndex, proxyIndex, {CheckedRole});
    emit selectedItemsChanged();
}

template <typename State>
void CheckableProxyModel::storeEverySourceRow(State state)
{
    const QAbstractItemModel* source = sourceModel();
    if (!source)
        return;
    for (int row = 0; row < source->rowCount(); ++row) {
        const QVariant key = sourceKey(row);
        m_selection[key] = state(key);
    }
}

QVariantList CheckableProxyModel::keysStoredAs(bool checked) const
{
    QVariantList keys;
    for (const auto& entry : m_selection) {
        if (entry.second == checked)
            keys.append(entry.first);
    }
    return keys;
}

void CheckableProxyModel::selectAll()
{
    beginResetModel();
    storeEverySourceRow([](const QVariant&) { return true; });
    endResetModel();
    emit selectedItemsChanged();
}

void CheckableProxyModel::selectNone()
{
    beginResetModel();
    storeEverySourceRow([](const QVariant&) { return false; });
    endResetModel();
    emit selectedItemsChanged();
}

void CheckableProxyModel::invertSelection()
{
    beginResetModel();
    const QVariantList unchecked = keysStoredAs(false);
    storeEverySourceRow([&unchecked](const QVariant& key) { return unchecked.contains(key); });
    endResetModel();
    emit selectedItemsChanged();
}

void CheckableProxyModel::setSelectedItemsFromList(const QVariantList& selectedItems)
{
    beginResetModel();
    for (const QVariant& key : selectedItems)
        m_selection[key] = true;
    endResetModel();
}

QVariantList CheckableProxyModel::getSelectedItemsAsList(bool resetInternalData)
{
    if (resetInternalData)
        this->resetInternalData();
    return keysStoredAs(true);
}

QVariantList CheckableProxyModel::getSelectedItemsAsList()
{
    return getSelectedItemsAsList(false);
}

void CheckableProxyModel::resetInternalData()
{
    QSortFilterProxyModel::resetInternalData();
    if (m_inReset || !sourceModel())
        return;
    const QVariantList unchecked = keysStoredAs(false);
    m_selection.clear();
    storeEverySourceRow([&unchecked](const QVariant& key) { return !unchecked.contains(key); });
}

void CheckableProxyModel::onRowsInserted(const QModelIndex&, int first, int last)
{
    for (int row = first; row <= last; ++row)
        m_selection[sourceKey(row)] = true;
    emit selectedItemsChanged();
}

void CheckableProxyModel::onSourceModelChanged()
{
    disconnect(m_rowsInserted);
    if (QAbstractItemModel* source = sourceModel())
        m_rowsInserted = connect(source, &QAbstractItemModel::rowsInserted, this, &CheckableProxyModel::onRowsInserted);
}

} // namespace kiv
