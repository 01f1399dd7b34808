#include "tools/SketchTool.h"

#include "map/GLRender.h"
#include "map/MapViewController.h"

namespace kiv {

SketchTool::SketchTool(QObject* parent)
    : Tool(parent)
{
}

SketchTool::~SketchTool() = default;

void SketchTool::setRasterSketcher(RasterSketcher* rasterSketcher)
{
    if (rasterSketcher == m_rasterSketcher)
        return;
    m_rasterSketcher = rasterSketcher;
    emit rasterSketcherChanged(rasterSketcher);
}

void SketchTool::setup(const QString& dataId)
{
    if (!m_rasterSketcher)
        return;
    if (dataId.isEmpty())
        m_rasterSketcher->setupNewSketch();
    else
        m_rasterSketcher->setupExistingImage(dataId);
}

void SketchTool::toolActivated()
{
    Tool::toolActivated();
    // The sketch covers the map: no frames are drawn behind it.
    setSceneEnabled(false);
}

void SketchTool::toolDeactivated()
{
    Tool::toolDeactivated();
    setSceneEnabled(true);
}

void SketchTool::setSceneEnabled(bool enabled)
{
    if (mapView() && mapView()->scene())
        mapView()->scene()->setEnabled(enabled);
}

} // namespace kiv
