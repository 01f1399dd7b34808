#include "model/CheckableLocalityListModel.h"

#include "model/Locality.h"
#include "model/Project.h"

namespace kiv {

CheckableLocalityListModel::CheckableLocalityListModel(Project* project, QObject* parent)
    : LocalityListModel(project, parent)
{
}

QHash<int, QByteArray> CheckableLocalityListModel::roleNames() const
{
    QHash<int, QByteArray> names = LocalityListModel::roleNames();
    names.insert(CheckedRole, "checked");
    return names;
}

QVariant CheckableLocalityListModel::rowData(int row, int role) const
{
    if (role != CheckedRole)
        return LocalityListModel::rowData(row, role);
    const std::shared_ptr<Locality> locality = localityAt(row);
    return locality ? QVariant(m_checked.contains(locality->qId())) : QVariant();
}

void CheckableLocalityListModel::toggle(const QString& localityId)
{
    if (localityId.isEmpty())
        return;
    beginResetModel();
    if (!m_checked.remove(localityId))
        m_checked.insert(localityId);
    endResetModel();
}

void CheckableLocalityListModel::selectAll()
{
    if (!project())
        return;
    m_checked.clear();
    for (const std::shared_ptr<Locality>& locality : project()->localities())
        m_checked.insert(locality->qId());
}

void CheckableLocalityListModel::setSelectedItemsFromList(const QList<QString>& selectedItems)
{
    beginResetModel();
    m_checked = QSet<QString>(selectedItems.begin(), selectedItems.end());
    endResetModel();
}

} // namespace kiv
