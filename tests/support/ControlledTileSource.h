#pragma once

#include "geo/ImageLayer.h"

#include <QColor>

namespace kiv::test {

// Layers whose tiles are one colour (or have no data), made by the
// "controlledtiles" driver. While held, every tile request waits, so a test
// can see the loader busy for as long as it likes.
class ControlledTiles
{
public:
    static osg::ref_ptr<geo::ImageLayer> makeLayer(const QString& name, const QColor& colour,
                                                   unsigned maxLevel = 19, bool noData = false);
    static void hold();
    static void release();
    // Tile requests served since the start of the process.
    static int served();
};

} // namespace kiv::test
