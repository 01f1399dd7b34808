#include "map/TemporaryItemController.h"

#include "app/ApplicationManager.h"
#include "drawing/StoreIfChanged.h"
#include "map/GLRender.h"
#include "map/GLRenderItem.h"
#include "map/MapViewController.h"
#include "tools/AbstractLocationManager.h"

#include <algorithm>
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
    // Whatever moves the marker or changes what it stands for moves the place.
    connect(this, &TemporaryItemController::worldPositionChanged, this, &TemporaryItemController::savePlaceChanged);
    connect(this, &TemporaryItemController::visibleChanged, this, &TemporaryItemController::savePlaceChanged);
    connect(this, &TemporaryItemController::lockedToGpsChanged, this, &TemporaryItemController::savePlaceChanged);
    if (m_locationManager)
        connect(m_locationManager, &AbstractLocationManager::pendingCoordinateChanged, this,
                &TemporaryItemController::savePlaceChanged);
}

QObject* TemporaryItemController::mapView() const
{
    return m_mapView.data();
}

QPointF TemporaryItemController::worldPosition() const
{
    if (standsOnFix())
        return m_worldPosition;
    GLRender* scene = m_mapView ? m_mapView->scene() : nullptr;
    double longitude = 0.0, latitude = 0.0;
    if (!isNull(m_screenPosition) && scene
        && scene->screenToGeo(m_screenPosition.x(), m_screenPosition.y(), longitude, latitude))
        return QPointF(longitude, latitude);
    return QPointF();
}

TemporaryItemController::Place TemporaryItemController::savePlace(const TemporaryItemController* marker)
{
    if (marker && marker->visible())
        return {marker->worldPosition(), marker->standsOnFix()};
    const ApplicationManager* app = ApplicationManager::instance();
    const AbstractLocationManager* location = app ? app->locationManager() : nullptr;
    if (!location)
        return {QPointF(AbstractLocationManager::NoCoordinate, AbstractLocationManager::NoCoordinate), true};
    return {location->pendingCoordinate(), true};
}

QVariantMap TemporaryItemController::savePlaceMap() const
{
    const Place place = savePlace(this);
    return {{QStringLiteral("location"), place.location}, {QStringLiteral("gps"), place.gps}};
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
    // The announced point comes from this screen position: placing the
    // marker from it again would only add the round trip's error.
    if (!standsOnFix())
        announcePointUnder();
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
                       &TemporaryItemController::followFix);
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
                &TemporaryItemController::followFix, Qt::UniqueConnection);
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
    const bool onPoint = !isNull(m_worldPosition) && (m_lockedToGps || m_lockedToWorldPosition);
    if (m_visible && onPoint)
        onWorldPositionChanged(m_worldPosition);
    if (standsOnFix() || isNull(m_screenPosition))
        return;
    // A marker kept on the screen stays on the map a smaller window shows.
    const QPointF inView = withinMapView(m_screenPosition);
    if (!onPoint && inView != m_screenPosition) {
        setScreenPosition(inView);
        return;
    }
    // A marker read from the screen may now stand for another point: one left
    // where it is while the map moves under it, above all.
    announcePointUnder();
}

void TemporaryItemController::followFix(QPointF fix)
{
    if (AbstractLocationManager::isValidCoordinate(fix)) {
        setWorldPosition(fix);
        return;
    }
    // A fix that is gone no longer holds the marker: it stays where it is
    // and stands for the point under it.
    if (!m_lockedToGps || !AbstractLocationManager::isValidCoordinate(m_worldPosition))
        return;
    m_worldPosition = QPointF();
    announcePointUnder();
}

void TemporaryItemController::announcePointUnder()
{
    if (!m_mapView || m_reconciling)
        return;
    // The point under the marker as this camera shows it, not the last frame's.
    if (GLRender* scene = m_mapView->scene())
        scene->updateCamera();
    m_reconciling = true;
    emit worldPositionChanged(worldPosition());
    m_reconciling = false;
}

bool TemporaryItemController::standsOnFix() const
{
    return m_lockedToGps && AbstractLocationManager::isValidCoordinate(m_worldPosition);
}

QPointF TemporaryItemController::withinMapView(const QPointF& screen) const
{
    if (!m_mapView)
        return screen;
    const QRectF view(m_mapView->x(), m_mapView->y(), m_mapView->width(), m_mapView->height());
    return QPointF(std::clamp(screen.x(), view.left(), std::max(view.left(), view.right())),
                   std::clamp(screen.y(), view.top(), std::max(view.top(), view.bottom())));
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
