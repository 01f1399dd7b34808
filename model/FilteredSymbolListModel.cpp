#include "model/FilteredSymbolListModel.h"

#include "model/Project.h"
#include "model/SymbolListModel.h"

namespace kiv {

FilteredSymbolListModel::FilteredSymbolListModel(QObject* parent)
    : QSortFilterProxyModel(parent)
{
    connect(this, &FilteredSymbolListModel::filterPlaneSymbolsChanged, this,
            &FilteredSymbolListModel::invalidateFilter);
    connect(this, &FilteredSymbolListModel::filterLineSymbolsChanged, this,
            &FilteredSymbolListModel::invalidateFilter);
    // Keeps the proxy sorted by its sort role as the source changes.
    sort(0, Qt::AscendingOrder);
}

FilteredSymbolListModel::~FilteredSymbolListModel() = default;

void FilteredSymbolListModel::setFilterPlaneSymbols(bool filter)
{
    if (m_filterPlaneSymbols == filter)
        return;
    m_filterPlaneSymbols = filter;
    emit filterPlaneSymbolsChanged(filter);
}

void FilteredSymbolListModel::setFilterLineSymbols(bool filter)
{
    if (m_filterLineSymbols == filter)
        return;
    m_filterLineSymbols = filter;
    emit filterLineSymbolsChanged(filter);
}

bool FilteredSymbolListModel::filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const
{
    const QAbstractItemModel* source = sourceModel();
    if (!source)
        return false;
    const QVariant type = source->data(source->index(sourceRow, 0, sourceParent), filterRole());
    if (!type.isValid())
        return false;
    switch (type.toInt()) {
    case Project::Plane:
        return !m_filterPlaneSymbols;
    case Project::Line:
        return !m_filterLineSymbols;
    default:
        return false;
    }
}

bool FilteredSymbolListModel::addSymbol(const QString& name, int iconId)
{
    auto* symbols = qobject_cast<SymbolListModel*>(sourceModel());
    return symbols && symbols->addSymbol(name, iconId);
}

int FilteredSymbolListModel::getIndexByIconId(int iconId) const
{
    return indexByRoleValue("iconId", iconId);
}

int FilteredSymbolListModel::getIndexBySymbolId(int symbolId) const
{
    return indexByRoleValue("symbolId", symbolId);
}

int FilteredSymbolListModel::indexByRoleValue(const QByteArray& roleName, int value) const
{
    const QList<int> roles = roleNames().keys(roleName);
    if (roles.isEmpty())
        return -1;
    const int role = roles.front();
    for (int row = 0; row < rowCount(); ++row) {
        const QVariant held = data(index(row, 0), role);
        if (held.isValid() && held.toInt() == value)
            return row;
    }
    return -1;
}

} // namespace kiv
