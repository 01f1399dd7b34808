#include "map/TemporaryItemController.h"

#include "app/ApplicationManager.h"
#include "drawing/StoreIfChanged.h"
#include "map/GLRender.h"
#include "map/GLRenderItem.h"
#include "map/MapViewController.h"
#include "tools/AbstractLocationManager.h"

#include <cmath>

namespace kiv {

namespace {

constexpr double SamePointTolerance = 1e-12;

bool samePoint(const QPointF& a, const QPointF& b)
{
    return std::abs(a.x() - b.x()) <= SamePointTolerance && std::abs(a.y() - b.y()) <= SamePointTolerance;
}

bool isNull(const QPointF& p)
{
    return p.x() == 0.0 && p.y() == 0.0;
}

} // namespace

TemporaryItemController::TemporaryItemController(QObject* parent)
    : QObject(parent)
{
    if (ApplicationManager* app = ApplicationManager::instance())
        m_locationManager = app->locationManager();
    connect(this, &TemporaryItemController::worldPositionChanged, this,
            &TemporaryItemController::onWorldPositionChanged);
}

QObject* TemporaryItemController::mapView() const
{
    return m_mapView.data();
}

QPointF TemporaryItemController::worldPosition() const
{
    if (m_lockedToGps && AbstractLocationManager::isValidCoordinate(m_worldPosition))
        return m_worldPosition;
    GLRender* scene = m_mapView ? m_mapView->scene() : nullptr;
    double longitude = 0.0, latitude = 0.0;
    if (!isNull(m_screenPosition) && scene
        && scene->screenToGeo(m_screenPosition.x(), m_screenPosition.y(), longitude, latitude))
        return QPointF(longitude, latitude);
    return QPointF();
}

void TemporaryItemController::setMapView(QObject* mapView)
{
    if (mapView == m_mapView.data())
        return;
    if (m_mapView)
        disconnect(m_mapView, nullptr, this, nullptr);
    m_mapView = qobject_cast<MapViewController*>(mapView);
    emit mapViewChanged(mapView);
    if (m_mapView)
        connect(m_mapView, &MapViewController::cameraPositionChanged, this,
                &TemporaryItemController::onCameraPositionChanged);
}

void TemporaryItemController::setWorldPosition(QPointF worldPosition)
{
    if (isNull(worldPosition))
        return;
    setLockedToWorldPosition(true);
    if (samePoint(worldPosition, m_worldPosition)) {
        onWorldPositionChanged(m_worldPosition);
        return;
    }
    m_worldPosition = worldPosition;
    emit worldPositionChanged(worldPosition);
}

void TemporaryItemController::setScreenPosition(QPointF screenPosition)
{
    if (samePoint(screenPosition, m_screenPosition))
        return;
    m_screenPosition = screenPosition;
    const bool keepsWorldPosition =
        m_lockedToGps && AbstractLocationManager::isValidCoordinate(m_worldPosition);
    if (!keepsWorldPosition && m_mapView && !m_reconciling) {
        // The announced point comes from this screen position: placing the
        // marker from it again would only add the round trip's error.
        m_reconciling = true;
        emit worldPositionChanged(worldPosition());
        m_reconciling = false;
    }
    emit screenPositionChanged(screenPosition);
}

void TemporaryItemController::setVisible(bool visible)
{
    if (storeIfChanged(m_visible, visible))
        emit visibleChanged(visible);
}

void TemporaryItemController::setLockedToGps(bool lockedToGps)
{
    if (storeIfChanged(m_lockedToGps, lockedToGps))
        emit lockedToGpsChanged(lockedToGps);
    if (!lockedToGps) {
        if (m_locationManager)
            disconnect(m_locationManager, &AbstractLocationManager::lastKnownCoordinateUpdated, this,
                       &TemporaryItemController::setWorldPosition);
        return;
    }
    const QPointF fix = m_locationManager ? m_locationManager->lastKnownCoordinate() : QPointF();
    if (AbstractLocationManager::isValidCoordinate(fix)) {
        setWorldPosition(fix);
    } else {
        // Without a fix the marker stands for the point under it, not for
        // an earlier position it no longer shows.
        m_worldPosition = QPointF();
        if (m_mapView)
            setScreenPosition(mapViewCentre());
    }
    // Every tool activation locks again: one connection, however often.
    if (m_locationManager)
        connect(m_locationManager, &AbstractLocationManager::lastKnownCoordinateUpdated, this,
                &TemporaryItemController::setWorldPosition, Qt::UniqueConnection);
}

void TemporaryItemController::setLockedToWorldPosition(bool lockedToWorldPosition)
{
    if (storeIfChanged(m_lockedToWorldPosition, lockedToWorldPosition))
        emit lockedToWorldPositionChanged(lockedToWorldPosition);
}

void TemporaryItemController::setVisibleAtWorldPosition(QPointF worldPosition)
{
    setLockedToGps(true);
    m_worldPosition = QPointF();
    setWorldPosition(worldPosition);
}

void TemporaryItemController::activateAtScreenCenter()
{
    setLockedToGps(false);
    if (m_mapView)
        setScreenPosition(mapViewCentre());
}

void TemporaryItemController::onWorldPositionChanged(QPointF worldPosition)
{
    GLRender* scene = m_mapView ? m_mapView->scene() : nullptr;
    if (!scene || m_reconciling)
        return;
    scene->updateCamera();
    QPointF screen;
    if (!placeOnMap(worldPosition, screen))
        screen = mapViewCentre();
    m_reconciling = true;
    setScreenPosition(screen);
    m_reconciling = false;
    scene->update(true);
}

void TemporaryItemController::onCameraPositionChanged()
{
    if (m_visible && !isNull(m_worldPosition) && (m_lockedToGps || m_lockedToWorldPosition))
        onWorldPositionChanged(m_worldPosition);
}

QPointF TemporaryItemController::mapViewCentre() const
{
    return QPointF(m_mapView->x() + m_mapView->width() * 0.5, m_mapView->y() + m_mapView->height() * 0.5);
}

bool TemporaryItemController::placeOnMap(const QPointF& world, QPointF& screen) const
{
    const GLRender* scene = m_mapView->scene();
    osg::Vec3d map;
    if (!GLRenderItem::toMap(scene, world.x(), world.y(), map))
        return false;
    screen = scene->worldToScreen(map);
    return std::isfinite(screen.x()) && std::isfinite(screen.y());
}

} // namespace kiv
