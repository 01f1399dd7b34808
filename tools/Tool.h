#pragma once

#include <QObject>
#include <QPointF>

namespace kiv {

class GLRender;
class MapViewController;

// Base of the map tools: receives the map's gestures from the QML dispatcher.
// A true result means the gesture was consumed and goes to no further tool.
class Tool : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool active READ active WRITE setActive NOTIFY activeChanged)
    Q_PROPERTY(QObject* mapView READ mapViewObject WRITE setMapView NOTIFY mapViewChanged)

public:
    explicit Tool(QObject* parent = nullptr);
    ~Tool() override;

    bool active() const { return m_active; }
    void setActive(bool active);
    MapViewController* mapView() const { return m_mapView; }
    QObject* mapViewObject() const;

    // Makes sure the current project has a current locality before a datum is
    // saved. Returns whether one exists afterwards.
    static bool ensureLocality(double longitude, double latitude, bool isGpsLocation);

    // Altitude and accuracies stored with a new position: the location
    // manager's altitude; its accuracies for a GPS position, 0 for one placed
    // by hand. Without a manager: altitude 0, accuracies -1 (GPS) or 0.
    struct PositionQuality
    {
        double altitude = 0.0;
        double horizontalAccuracy = 0.0;
        double verticalAccuracy = 0.0;
    };
    static PositionQuality positionQuality(bool isGpsLocation);

public slots:
    virtual void toolActivated();
    virtual void toolDeactivated();
    virtual void setMapView(QObject* mapView);
    // Called on the render thread once per frame while this tool is current.
    virtual void frame(kiv::GLRender* render);
    virtual bool mousePressed(double x, double y, Qt::MouseButtons buttons);
    virtual bool mouseReleased(double x, double y, Qt::MouseButtons buttons, bool longPress);
    virtual bool mouseMoved(double x, double y, Qt::MouseButtons buttons);
    virtual bool mouseDoubleClicked(double x, double y, Qt::MouseButtons buttons);
    virtual bool mousePressAndHold(double x, double y, Qt::MouseButtons buttons);
    // The press under way was taken away (a layer took the screen): no
    // release follows. Every tool hears it.
    virtual void mouseCanceled();
    virtual bool mouseWheelSpun(double x, double y, QPointF angleDelta, QPointF pixelDelta);
    virtual bool pinchStarted(QPointF center);
    virtual bool pinchUpdated(QPointF center, float scale);
    virtual bool pinchEnded();

signals:
    void activeChanged(bool active);
    void mapViewChanged(QObject* mapView);

private:
    bool m_active = false;
    MapViewController* m_mapView = nullptr;
};

} // namespace kiv
