#include "map/PointDataRenderItem.h"

#include "map/GLRender.h"
#include "map/SymbolTextures.h"
#include "model/Data.h"
#include "model/Locality.h"

#include <algorithm>

namespace kiv {

PointDataRenderItem::PointDataRenderItem(std::shared_ptr<Locality> source, bool sightings)
    : IconRenderItem(std::move(source))
    , m_sightings(sightings)
{
}

int PointDataRenderItem::collectElements()
{
    elementList().clear();
    atlasList().clear();
    if (!source() || !owner())
        return 0;
    std::vector<std::shared_ptr<Data>> data;
    for (const auto& datum : source()->data()) {
        const bool wanted = m_sightings ? datum->type() == Data::Sighting
                                        : datum->type() == Data::Plane || datum->type() == Data::Lineation;
        if (wanted && isPlaceable(*datum))
            data.push_back(datum);
    }
    const int maxSize = owner()->maxTextureSize();
    const int capacity = SymbolTextures::capacity(maxSize);
    const int count = int(data.size());
    for (int first = 0; first < count; first += capacity) {
        auto atlas = std::make_shared<SymbolTextures>();
        atlas->buildData(data.begin() + first, data.begin() + std::min(count, first + capacity), maxSize);
        atlasList().push_back(atlas);
    }
    elementList().assign(data.begin(), data.end());
    return std::min(capacity, count);
}

} // namespace kiv
