#include "tools/LocationTool.h"

#include "app/ApplicationManager.h"
#include "map/GLRender.h"
#include "map/MapViewController.h"
#include "tools/AbstractLocationManager.h"

#include <QLineF>

#include <cmath>

namespace kiv {

LocationTool::LocationTool(QObject* parent)
    : Tool(parent)
{
    if (ApplicationManager* app = ApplicationManager::instance())
        m_locationManager = app->locationManager();
}

bool LocationTool::mousePressed(double x, double y, Qt::MouseButtons)
{
    if (active())
        m_pressPosition = QPointF(x, y);
    return false;
}

bool LocationTool::mousePressAndHold(double x, double y, Qt::MouseButtons)
{
    if (!active() || !m_locationManager)
        return false;
    if (QLineF(m_pressPosition, QPointF(x, y)).length() > LongPressTolerance)
        return false;
    QPointF position;
    if (!positionAt(x, y, position))
        return false;
    m_locationManager->setUpdating(false);
    m_locationManager->setLastKnownCoordinate(position);
    emit longPressAccepted();
    return true;
}

bool LocationTool::positionAt(double x, double y, QPointF& position) const
{
    GLRender* scene = mapView() ? mapView()->scene() : nullptr;
    double longitude = 0.0;
    double latitude = 0.0;
    if (!scene || !scene->screenToGeo(x, y, longitude, latitude))
        return false;
    position = QPointF(longitude, latitude);
    // A point beside the globe converts to nonsense rather than failing.
    return std::isfinite(longitude) && std::isfinite(latitude)
           && AbstractLocationManager::isValidCoordinate(position);
}

void LocationTool::snapToCurrentLocation()
{
    if (!m_locationManager || !mapView())
        return;
    const QPointF coordinate = m_locationManager->lastKnownCoordinate();
    if (AbstractLocationManager::isValidCoordinate(coordinate))
        mapView()->snapToPosition(coordinate);
}

} // namespace kiv
