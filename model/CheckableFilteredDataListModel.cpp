#include "model/CheckableFilteredDataListModel.h"

#include "model/Data.h"
#include "model/DataListModel.h"
#include "model/Locality.h"
#include "model/ModelManager.h"
#include "model/Project.h"

namespace kiv {

namespace {

// Ids of the current project's localities and their point data.
QSet<QString> checkableKeys()
{
    QSet<QString> keys;
    const ModelManager* manager = ModelManager::instance();
    const std::shared_ptr<Project> project = manager ? manager->currentProject() : nullptr;
    if (!project)
        return keys;
    for (const std::shared_ptr<Locality>& locality : project->localities()) {
        keys.insert(locality->qId());
        for (const std::shared_ptr<Data>& data : locality->data())
            keys.insert(QString::fromStdString(data->id()));
    }
    return keys;
}

} // namespace

CheckableFilteredDataListModel::CheckableFilteredDataListModel(QObject* parent)
    : FilteredDataListModel(parent)
{
}

QString CheckableFilteredDataListModel::keyOf(const QModelIndex& index) const
{
    const QString dataId = index.data(DataListModel::DataId).toString();
    return dataId.isEmpty() ? index.data(DataListModel::LocalityId).toString() : dataId;
}

QVariant CheckableFilteredDataListModel::data(const QModelIndex& index, int role) const
{
    if (role != CheckedRole)
        return FilteredDataListModel::data(index, role);
    return dataSource() && index.isValid() && m_checked.contains(keyOf(index));
}

QHash<int, QByteArray> CheckableFilteredDataListModel::roleNames() const
{
    QHash<int, QByteArray> names = FilteredDataListModel::roleNames();
    names.insert(CheckedRole, "checked");
    return names;
}

void CheckableFilteredDataListModel::toggle(int row)
{
    if (!dataSource())
        return;
    const QModelIndex at = index(row, 0);
    const QString key = keyOf(at);
    if (key.isEmpty())
        return;
    if (!m_checked.remove(key))
        m_checked.insert(key);
    emit dataChanged(at, at, {CheckedRole});
    emit checkedItemsChanged();
}

void CheckableFilteredDataListModel::replaceChecked(QSet<QString> checked)
{
    beginResetModel();
    m_checked = std::move(checked);
    endResetModel();
    emit checkedItemsChanged();
}

void CheckableFilteredDataListModel::setSelectedItemsFromList(const QList<QString>& keys)
{
    replaceChecked(QSet<QString>(keys.begin(), keys.end()));
}

void CheckableFilteredDataListModel::selectAll()
{
    replaceChecked(checkableKeys());
}

void CheckableFilteredDataListModel::selectNone()
{
    replaceChecked(QSet<QString>());
}

void CheckableFilteredDataListModel::invertSelection()
{
    replaceChecked(checkableKeys().subtract(m_checked));
}

} // namespace kiv
