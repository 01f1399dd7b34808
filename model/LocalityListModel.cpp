#include "model/LocalityListModel.h"

#include "model/Locality.h"
#include "model/Project.h"

#include <utility>

namespace kiv {

LocalityListModel::LocalityListModel(Project* project, QObject* parent)
    : AbstractFlatListModel(parent)
    , m_project(project)
{
    if (!m_project)
        return;
    m_connections.push_back(connect(m_project, &Project::localityListChanged, this, &LocalityListModel::onListChanged));
    // Closing and reopening a project changes the list without a list signal.
    m_connections.push_back(
        connect(m_project, &Project::numberOfLocalitiesChanged, this, &LocalityListModel::onListChanged));
    m_connections.push_back(connect(m_project, &Project::announcementEnded, this, [this] {
        if (std::exchange(m_stale, false))
            refresh();
    }));
    m_connections.push_back(connect(m_project, &QObject::destroyed, this, &LocalityListModel::refresh));
}

LocalityListModel::~LocalityListModel()
{
    for (const QMetaObject::Connection& connection : m_connections)
        disconnect(connection);
}

void LocalityListModel::onListChanged()
{
    if (m_project && m_project->isAnnouncing())
        m_stale = true;
    else
        refresh();
}

QHash<int, QByteArray> LocalityListModel::roleNames() const
{
    QHash<int, QByteArray> names = AbstractFlatListModel::roleNames();
    names.insert(LocalityId, "localityId");
    names.insert(Name, "name");
    names.insert(Color, "color");
    return names;
}

QColor LocalityListModel::colourOf(const Locality& locality)
{
    return locality.colour().isValid() ? locality.colour() : QColor(Qt::black);
}

Project* LocalityListModel::project() const
{
    return m_project;
}

int LocalityListModel::count() const
{
    return m_project ? m_project->numberOfLocalities() : 0;
}

std::shared_ptr<Locality> LocalityListModel::localityAt(int row) const
{
    return m_project ? m_project->localityAt(row) : nullptr;
}

QVariant LocalityListModel::rowData(int row, int role) const
{
    const std::shared_ptr<Locality> locality = localityAt(row);
    if (!locality)
        return QVariant();
    switch (role) {
    case Qt::DisplayRole:
    case Name:
        return locality->name();
    case LocalityId:
        return locality->qId();
    case Color:
        return colourOf(*locality);
    default:
        return QVariant();
    }
}

} // namespace kiv
