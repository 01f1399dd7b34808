#include "model/AbstractProjectListModel.h"

#include "model/Project.h"

namespace kiv {

AbstractProjectListModel::AbstractProjectListModel(Project* project, QObject* parent)
    : QAbstractListModel(parent)
    , m_project(project)
{
}

bool AbstractProjectListModel::isEditable() const
{
    return m_project && m_project->isCurrentProject();
}

bool AbstractProjectListModel::insertRowThrough(int row, const std::function<bool()>& add)
{
    beginInsertRows(QModelIndex(), row, row);
    const bool added = add();
    m_failedInsertRows = added ? 0 : 1;
    endInsertRows();
    if (!added) {
        beginResetModel();
        m_failedInsertRows = 0;
        endResetModel();
    }
    return added;
}

} // namespace kiv
