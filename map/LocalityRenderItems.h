#pragma once

#include <memory>

namespace kiv {

class AnnotationRenderItem;
class LineDataRenderItem;
class LinePointRenderItem;
class PointDataRenderItem;

// The five render items that draw one locality on the map. Copies share the
// items.
struct LocalityRenderItems
{
    std::shared_ptr<AnnotationRenderItem> annotations;
    std::shared_ptr<PointDataRenderItem> pointData;
    std::shared_ptr<LineDataRenderItem> lines;
    std::shared_ptr<PointDataRenderItem> sightings;
    std::shared_ptr<LinePointRenderItem> linePoints;
};

} // namespace kiv
