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

bool AbstractProjectListModel::insertRowThrough(int row, const std::function<bool()>& store)
{
    m_rowsBefore = rowCount();
    m_storing = true;
    if (!store()) {
        m_storing = false;
        return false;
    }
    beginInsertRows(QModelIndex(), row, row);
    m_storing = false;
    endInsertRows();
    return true;
}

} // namespace kiv
