#include "map/LocalityBundles.h"

#include "map/AnnotationRenderItem.h"
#include "map/LineDataRenderItem.h"
#include "map/LinePointRenderItem.h"
#include "map/PointDataRenderItem.h"
#include "model/Data.h"
#include "model/LineData2D.h"
#include "model/Locality.h"
#include "model/Project.h"

#include <algorithm>

namespace kiv {

void LocalityBundles::build(const Project& project, const std::function<void(const LocalityRenderItems&)>& made)
{
    m_unitColours = unitColours(project);
    for (const std::shared_ptr<Locality>& locality : project.localities()) {
        LocalityRenderItems items;
        items.annotations = std::make_shared<AnnotationRenderItem>(locality);
        items.sightings = std::make_shared<PointDataRenderItem>(locality, true);
        items.pointData = std::make_shared<PointDataRenderItem>(locality, false);
        items.lines = std::make_shared<LineDataRenderItem>(locality);
        items.linePoints = std::make_shared<LinePointRenderItem>(locality);
        if (made)
            made(items);
        m_items[locality->id()] = items;
    }
}

void LocalityBundles::clear()
{
    m_unitColours.reset();
    m_items.clear();
}

LocalityRenderItems* LocalityBundles::find(const std::string& localityId)
{
    auto found = m_items.find(localityId);
    return found == m_items.end() ? nullptr : &found->second;
}

std::optional<std::vector<const LocalityRenderItems*>> LocalityBundles::recoloured(const Project& project)
{
    if (!m_unitColours)
        return std::nullopt;
    const std::map<int, QRgb> now = unitColours(project);
    const std::set<int> changed = changedUnits(*m_unitColours, now);
    m_unitColours = now;
    std::vector<const LocalityRenderItems*> stale;
    if (changed.empty())
        return stale;
    for (const std::shared_ptr<Locality>& locality : project.localities()) {
        const LocalityRenderItems* items = find(locality->id());
        if (items && drawsUnit(*locality, changed))
            stale.push_back(items);
    }
    return stale;
}

std::vector<std::shared_ptr<GLRenderItem>> LocalityBundles::members(const LocalityRenderItems& items)
{
    return {items.annotations, items.sightings, items.pointData, items.lines, items.linePoints};
}

std::map<int, QRgb> LocalityBundles::unitColours(const Project& project)
{
    std::map<int, QRgb> colours;
    for (const Project::RockUnit& unit : project.rockUnits())
        colours[unit.id] = unit.colour.rgba();
    return colours;
}

std::set<int> LocalityBundles::changedUnits(const std::map<int, QRgb>& before, const std::map<int, QRgb>& after)
{
    std::set<int> changed;
    for (const auto& [id, colour] : before) {
        const auto found = after.find(id);
        if (found == after.end() || found->second != colour)
            changed.insert(id);
    }
    for (const auto& entry : after) {
        if (!before.count(entry.first))
            changed.insert(entry.first);
    }
    return changed;
}

bool LocalityBundles::drawsUnit(const Locality& locality, const std::set<int>& units)
{
    const auto uses = [&units](const auto& object) { return units.count(object->unitId()) > 0; };
    return std::any_of(locality.data().begin(), locality.data().end(), uses)
        || std::any_of(locality.lines().begin(), locality.lines().end(), uses);
}

} // namespace kiv
