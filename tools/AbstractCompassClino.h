#pragma once

#include <QMetaObject>
#include <QObject>

namespace kiv {

class Project;

// The orientation source behind the compass and clinometer: the device
// orientation as a bearing, a plane, a line and the on-screen rotations of
// their symbols, corrected by the current project's declination.
class AbstractCompassClino : public QObject
{
    Q_OBJECT
    Q_PROPERTY(double bearing READ bearing WRITE setBearing NOTIFY bearingChanged)
    Q_PROPERTY(double dipAzimuth READ dipAzimuth WRITE setDipAzimuth NOTIFY dipAzimuthChanged)
    Q_PROPERTY(double dip READ dip WRITE setDip NOTIFY dipChanged)
    Q_PROPERTY(double plungeAzimuth READ plungeAzimuth WRITE setPlungeAzimuth NOTIFY
                   plungeAzimuthChanged)
    Q_PROPERTY(double plunge READ plunge WRITE setPlunge NOTIFY plungeChanged)
    Q_PROPERTY(double planeSymbolRotation READ planeSymbolRotation WRITE setPlaneSymbolRotation
                   NOTIFY planeSymbolRotationChanged)
    Q_PROPERTY(double lineSymbolRotation READ lineSymbolRotation WRITE setLineSymbolRotation
                   NOTIFY lineSymbolRotationChanged)
    Q_PROPERTY(bool deviceUpdating READ deviceUpdating NOTIFY deviceUpdatingChanged)
    Q_PROPERTY(bool enabled READ enabled NOTIFY enabledChanged)
    Q_PROPERTY(bool hasRequiredSensors READ hasRequiredSensors NOTIFY hasRequiredSensorsChanged)
    Q_PROPERTY(bool emitBearingUpdates READ emitBearingUpdates WRITE setEmitBearingUpdates NOTIFY
                   emitBearingUpdatesChanged)
    Q_PROPERTY(bool emitPlaneUpdates READ emitPlaneUpdates WRITE setEmitPlaneUpdates NOTIFY
                   emitPlaneUpdatesChanged)
    Q_PROPERTY(bool emitLineUpdates READ emitLineUpdates WRITE setEmitLineUpdates NOTIFY
                   emitLineUpdatesChanged)

public:
    // Follows the model manager's current project and the application
    // manager's enable switch.
    explicit AbstractCompassClino(QObject* parent = nullptr);
    ~AbstractCompassClino() override;

    double bearing() const { return m_bearing; }
    double dipAzimuth() const { return m_dipAzimuth; }
    double dip() const { return m_dip; }
    double plungeAzimuth() const { return m_plungeAzimuth; }
    double plunge() const { return m_plunge; }
    double planeSymbolRotation() const { return m_planeSymbolRotation; }
    double lineSymbolRotation() const { return m_lineSymbolRotation; }
    bool deviceUpdating() const { return m_deviceUpdating; }
    // The application manager's effective compassClinoEnabled.
    bool enabled() const;
    // True when the device has the orientation sensors this source needs.
    bool hasRequiredSensors() const { return m_hasRequiredSensors; }
    bool emitBearingUpdates() const { return m_emitBearingUpdates; }
    bool emitPlaneUpdates() const { return m_emitPlaneUpdates; }
    bool emitLineUpdates() const { return m_emitLineUpdates; }
    float projectDeclination() const { return m_projectDeclination; }

public slots:
    virtual void setBearing(double v);
    virtual void setDip(double v);
    virtual void setDipAzimuth(double v);
    virtual void setPlunge(double v);
    virtual void setPlungeAzimuth(double v);
    virtual void setPlaneSymbolRotation(double v);
    virtual void setLineSymbolRotation(double v);
    void setEmitBearingUpdates(bool v);
    void setEmitPlaneUpdates(bool v);
    void setEmitLineUpdates(bool v);
    // Whether the sensors now deliver.
    virtual bool startUpdates() = 0;
    virtual void stopUpdates();
    void onCompassClinoEnabledChanged(bool enabled);
    void onCurrentProjectChanged(kiv::Project* project);
    void onProjectDeclinationChanged(float projectDeclination);

signals:
    void bearingChanged(double bearing);
    void dipAzimuthChanged(double azimuth);
    void dipChanged(double dip);
    void plungeAzimuthChanged(double azimuth);
    void plungeChanged(double plunge);
    void planeSymbolRotationChanged(double planeSymbolRotation);
    void lineSymbolRotationChanged(double lineSymbolRotation);
    void deviceUpdatingChanged(bool deviceUpdating);
    void enabledChanged(bool enabled);
    void hasRequiredSensorsChanged(bool hasRequiredSensors);
    void emitBearingUpdatesChanged(bool emitBearingUpdates);
    void emitPlaneUpdatesChanged(bool emitPlaneUpdates);
    void emitLineUpdatesChanged(bool emitLineUpdates);
    void projectDeclinationChanged(float projectDeclination);

protected:
    void setHasRequiredSensors(bool hasRequiredSensors);
    void setDeviceUpdating(bool deviceUpdating);

private:
    double m_bearing = 0.0;
    double m_dipAzimuth = 0.0;
    double m_dip = 0.0;
    double m_plunge = 0.0;
    double m_plungeAzimuth = 0.0;
    double m_planeSymbolRotation = 0.0;
    double m_lineSymbolRotation = 90.0;
    bool m_deviceUpdating = false;
    bool m_hasRequiredSensors = false;
    bool m_emitBearingUpdates = false;
    bool m_emitPlaneUpdates = false;
    bool m_emitLineUpdates = false;
    float m_projectDeclination = 0.0f;
    QMetaObject::Connection m_declinationConnection;
};

} // namespace kiv
