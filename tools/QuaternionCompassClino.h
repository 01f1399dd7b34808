#pragma once

#include "tools/AbstractCompassClino.h"

#include <Eigen/Geometry>

namespace kiv {

// The world axes of the orientation geometry.
extern const Eigen::Vector3d X;
extern const Eigen::Vector3d Y;
extern const Eigen::Vector3d Z;

// Angle between two vectors in degrees, 0 to 180. The cosine is clamped so
// that rounding cannot turn two parallel vectors into NaN.
double angleBetweenDegrees(const Eigen::Vector3d& a, const Eigen::Vector3d& b);

// What one orientation sample is evaluated against. Orientations are the
// integer values of Qt::ScreenOrientation.
struct OrientationContext
{
    double projectDeclination = 0.0;
    double screenRotation = 0.0;
    int primaryOrientation = 0;
    int currentOrientation = 0;
    bool bearing = false;
    bool plane = false;
    bool line = false;
};

// Readings of one sample; those whose flag is off are left NaN.
struct OrientationReadings
{
    double bearing;
    double dip;
    double dipAzimuth;
    double planeSymbolRotation;
    double plunge;
    double plungeAzimuth;
    double lineSymbolRotation;
};

// World frame Y north, X east, Z up.
OrientationReadings orientationFromQuaternion(const Eigen::Quaterniond& quaternion,
                                              const OrientationContext& context);
// World frame of the fusion filter: X magnetic north, Y west, Z up.
OrientationReadings fusionOrientationFromQuaternion(const Eigen::Quaterniond& quaternion,
                                                    const OrientationContext& context);

// A source whose sensors deliver the device orientation as a quaternion. It
// pauses the sensors while the application is not active.
class QuaternionCompassClino : public AbstractCompassClino
{
    Q_OBJECT

public:
    explicit QuaternionCompassClino(QObject* parent = nullptr);
    ~QuaternionCompassClino() override;

public slots:
    virtual void computeFromQuaternion(const Eigen::Quaterniond& quaternion);
    void onApplicationStateChanged(Qt::ApplicationState state);

protected:
    // The emit flags, declination and screen state of this moment.
    OrientationContext context() const;
    // Calls the setters of the flagged readings in their fixed order.
    void publish(const OrientationReadings& readings, const OrientationContext& context);

    // Set by the concrete sources.
    int m_primaryOrientation = 0;
    int m_currentOrientation = 0;
    double m_screenRotation = 0.0;

private:
    bool m_resumeUpdates = false;
};

} // namespace kiv
