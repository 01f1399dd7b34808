#include "tools/ViewTool.h"

#include "map/MapViewController.h"

#include <QDebug>

namespace kiv {

namespace {

// Hands the gesture to the map when there is one; without it the gesture
// falls through to the next tool.
template <typename Call>
bool forward(MapViewController* map, Call call)
{
    if (!map)
        return false;
    call(map);
    return true;
}

} // namespace

ViewTool::ViewTool(QObject* parent)
    : Tool(parent)
{
    qDebug() << "ViewTool::ViewTool";
}

bool ViewTool::mousePressed(double x, double y, Qt::MouseButtons buttons)
{
    return forward(mapView(), [&](MapViewController* map) { map->mousePressed(x, y, buttons); });
}

bool ViewTool::mouseReleased(double x, double y, Qt::MouseButtons buttons, bool longPress)
{
    return forward(mapView(), [&](MapViewController* map) { map->mouseReleased(x, y, buttons, longPress); });
}

bool ViewTool::mouseMoved(double x, double y, Qt::MouseButtons buttons)
{
    return forward(mapView(), [&](MapViewController* map) { map->mouseMoved(x, y, buttons); });
}

bool ViewTool::mouseDoubleClicked(double x, double y, Qt::MouseButtons buttons)
{
    return forward(mapView(), [&](MapViewController* map) { map->mouseDoubleClicked(x, y, buttons); });
}

bool ViewTool::mouseWheelSpun(double x, double y, QPointF angleDelta, QPointF pixelDelta)
{
    return forward(mapView(), [&](MapViewController* map) { map->mouseWheelSpun(x, y, angleDelta, pixelDelta); });
}

bool ViewTool::pinchStarted(QPointF center)
{
    return forward(mapView(), [&](MapViewController* map) { map->pinchStarted(center); });
}

bool ViewTool::pinchUpdated(QPointF center, float scale)
{
    return forward(mapView(), [&](MapViewController* map) { map->pinchUpdated(center, scale); });
}

bool ViewTool::pinchEnded()
{
    return forward(mapView(), [&](MapViewController* map) { map->pinchEnded(); });
}

} // namespace kiv
