#pragma once

#include <QObject>
#include <QPointF>
#include <QPointer>
#include <QVariantMap>

namespace kiv {

class AbstractLocationManager;
class MapViewController;

// Logic of the map's one temporary marker. The marker is locked to the
// device position (follows every fix), locked to a world position (stays on
// a geographic point while the map moves) or free (dragged in screen space;
// its world position is whatever lies under it).
class TemporaryItemController : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QObject* mapView READ mapView WRITE setMapView NOTIFY mapViewChanged)
    Q_PROPERTY(QPointF worldPosition READ worldPosition WRITE setWorldPosition NOTIFY worldPositionChanged)
    Q_PROPERTY(QPointF screenPosition READ screenPosition WRITE setScreenPosition NOTIFY screenPositionChanged)
    Q_PROPERTY(bool visible READ visible WRITE setVisible NOTIFY visibleChanged)
    Q_PROPERTY(bool lockedToGps READ lockedToGps WRITE setLockedToGps NOTIFY lockedToGpsChanged)
    Q_PROPERTY(bool lockedToWorldPosition READ lockedToWorldPosition WRITE setLockedToWorldPosition NOTIFY
                   lockedToWorldPositionChanged)
    // Where a save would put a datum now: "location" and "gps" (the place is
    // the position fix, with its accuracies). Read afresh at every access.
    Q_PROPERTY(QVariantMap savePlace READ savePlaceMap NOTIFY savePlaceChanged)

public:
    explicit TemporaryItemController(QObject* parent = nullptr);

    QObject* mapView() const;
    // x = longitude, y = latitude; (0, 0) when nothing can be said.
    QPointF worldPosition() const;
    QPointF screenPosition() const { return m_screenPosition; }
    bool visible() const { return m_visible; }
    bool lockedToGps() const { return m_lockedToGps; }
    bool lockedToWorldPosition() const { return m_lockedToWorldPosition; }

    struct Place
    {
        QPointF location;
        bool gps = true;
    };
    // The one answer to "where would a save go now", for every save and the
    // hint by its button: the point a shown marker stands on, else (no
    // marker on the map) the position the location bar holds, typed or stored.
    static Place savePlace(const TemporaryItemController* marker);
    QVariantMap savePlaceMap() const;

public slots:
    void setMapView(QObject* mapView);
    void setWorldPosition(QPointF worldPosition);
    void setScreenPosition(QPointF screenPosition);
    void setVisible(bool visible);
    void setLockedToGps(bool lockedToGps);
    void setLockedToWorldPosition(bool lockedToWorldPosition);
    void setVisibleAtWorldPosition(QPointF worldPosition);
    void activateAtScreenCenter();
    void onWorldPositionChanged(QPointF worldPosition);
    void onCameraPositionChanged();

signals:
    void mapViewChanged(QObject* mapView);
    void worldPositionChanged(QPointF worldPosition);
    void screenPositionChanged(QPointF screenPosition);
    void visibleChanged(bool visible);
    void lockedToGpsChanged(bool lockedToGps);
    void lockedToWorldPositionChanged(bool lockedToWorldPosition);
    void savePlaceChanged();

private:
    void followFix(QPointF fix);
    // Tells bindings the point under a marker that stays on screen.
    void announcePointUnder();
    // Locked to GPS and on a fix: its place is the fix, not the screen.
    bool standsOnFix() const;
    QPointF mapViewCentre() const;
    QPointF withinMapView(const QPointF& screen) const;
    bool placeOnMap(const QPointF& world, QPointF& screen) const;

    QPointer<MapViewController> m_mapView;
    QPointer<AbstractLocationManager> m_locationManager;
    QPointF m_worldPosition;
    QPointF m_screenPosition;
    bool m_visible = false;
    bool m_lockedToGps = true;
    bool m_lockedToWorldPosition = true;
    // Set while screen and world position are being reconciled: the screen
    // to world to screen round trip is not exact, so it must not feed back.
    bool m_reconciling = false;
};

} // namespace kiv
