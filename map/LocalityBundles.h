#pragma once

#include "map/LocalityRenderItems.h"

#include <QColor>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace kiv {

class GLRenderItem;
class Locality;
class Project;

// The render-item bundles of a project's localities, keyed by locality id, and
// the unit colours they were built with, so a column change can tell which
// bundles draw a recoloured unit.
class LocalityBundles
{
public:
    using Map = std::map<std::string, LocalityRenderItems>;

    // One fresh bundle per locality of the project, each handed to made as it
    // is built; remembers the project's unit colours.
    void build(const Project& project, const std::function<void(const LocalityRenderItems&)>& made);
    // Forgets every bundle and the colours.
    void clear();

    const Map& items() const { return m_items; }
    // Null for a locality without a bundle.
    LocalityRenderItems* find(const std::string& localityId);
    // The locality's bundle, an empty one added if it has none yet.
    LocalityRenderItems& entry(const std::string& localityId) { return m_items[localityId]; }

    // The bundles drawing a unit added, removed or recoloured since the last
    // build or call, and the colours taken as the new snapshot. Unset when no
    // snapshot is known: then every bundle may be stale.
    std::optional<std::vector<const LocalityRenderItems*>> recoloured(const Project& project);

    // The bundle's five items, null ones included.
    static std::vector<std::shared_ptr<GLRenderItem>> members(const LocalityRenderItems& items);
    static std::map<int, QRgb> unitColours(const Project& project);
    // Units added, removed or recoloured between two snapshots.
    static std::set<int> changedUnits(const std::map<int, QRgb>& before, const std::map<int, QRgb>& after);
    // Whether a datum or line of the locality belongs to one of the units.
    static bool drawsUnit(const Locality& locality, const std::set<int>& units);

private:
    Map m_items;
    // Unset when not known.
    std::optional<std::map<int, QRgb>> m_unitColours;
};

} // namespace kiv
