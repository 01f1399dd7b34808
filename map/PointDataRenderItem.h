#pragma once

#include "map/IconRenderItem.h"

namespace kiv {

// A locality's planes and lineations, or its sightings, each drawn with its
// own symbol; more than one atlas holds are split into chunks.
class PointDataRenderItem : public IconRenderItem
{
public:
    PointDataRenderItem(std::shared_ptr<Locality> source, bool sightings);

    int collectElements() override;
    int cellAt(int index) const override { return index; }
    bool sightings() const { return m_sightings; }

private:
    bool m_sightings;
};

} // namespace kiv
