#include "model/MapLayerListModel.h"

#include <algorithm>

namespace kiv {

MapLayerListModel::MapLayerListModel(Project* project, QObject* parent)
    : AbstractFlatListModel(parent)
    , m_project(project)
{
}

QHash<int, QByteArray> MapLayerListModel::roleNames() const
{
    QHash<int, QByteArray> names = AbstractFlatListModel::roleNames();
    names.insert(Type, "type");
    names.insert(Name, "name");
    names.insert(Location, "location");
    names.insert(Active, "active");
    names.insert(Opacity, "opacity");
    return names;
}

QVariant MapLayerListModel::rowData(int row, int role) const
{
    const Project::BaseMap& map = *m_rows[static_cast<std::size_t>(row)];
    switch (role) {
    case Type:
        return map.type;
    case Name:
        return shownName(map);
    case Location:
        return map.location.toString();
    case Active:
        return map.active;
    case Opacity:
        return map.opacity;
    default:
        return QVariant();
    }
}

QString MapLayerListModel::shownName(const Project::BaseMap& map) const
{
    const bool shared = std::any_of(m_rows.begin(), m_rows.end(), [&map](const auto& other) {
        return other.get() != &map && other->name.compare(map.name, Qt::CaseInsensitive) == 0;
    });
    const QString file = map.location.fileName();
    return shared && !file.isEmpty() ? file : map.name;
}

void MapLayerListModel::fillRows()
{
    m_rows.clear();
    if (!m_project)
        return;
    for (const Project::BaseMap& map : m_project->baseMaps())
        m_rows.push_back(std::make_shared<Project::BaseMap>(map));
}

void MapLayerListModel::updateData()
{
    beginResetModel();
    fillRows();
    endResetModel();
}

void MapLayerListModel::move(int from, int to)
{
    if (!m_project || from == to)
        return;
    const int size = static_cast<int>(m_project->baseMaps().size());
    if (from < 0 || to < 0 || from >= size || to >= size)
        return;
    beginResetModel();
    m_project->moveBaseMap(from, to);
    fillRows();
    endResetModel();
}

} // namespace kiv
