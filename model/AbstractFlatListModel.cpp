#include "model/AbstractFlatListModel.h"

namespace kiv {

AbstractFlatListModel::AbstractFlatListModel(QObject* parent)
    : QAbstractItemModel(parent)
{
}

QModelIndex AbstractFlatListModel::index(int row, int column, const QModelIndex& parent) const
{
    if (parent.isValid() || column != 0 || row < 0 || row >= count())
        return QModelIndex();
    return createIndex(row, column);
}

QModelIndex AbstractFlatListModel::parent(const QModelIndex&) const
{
    return QModelIndex();
}

int AbstractFlatListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : count();
}

int AbstractFlatListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : 1;
}

QVariant AbstractFlatListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.model() != this || index.column() != 0 || index.row() >= count())
        return QVariant();
    return rowData(index.row(), role);
}

QVariant AbstractFlatListModel::headerData(int, Qt::Orientation, int) const
{
    return QVariant();
}

Qt::ItemFlags AbstractFlatListModel::flags(const QModelIndex& index) const
{
    // The root is no item: views and proxies expect no flags there.
    return index.isValid() ? Qt::ItemIsEnabled : Qt::NoItemFlags;
}

void AbstractFlatListModel::refresh()
{
    beginResetModel();
    endResetModel();
}

} // namespace kiv
