#include "tools/QuaternionCompassClino.h"

#include "app/ApplicationManager.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace kiv {

const Eigen::Vector3d X(1.0, 0.0, 0.0);
const Eigen::Vector3d Y(0.0, 1.0, 0.0);
const Eigen::Vector3d Z(0.0, 0.0, 1.0);

namespace {

using Eigen::Matrix3d;
using Eigen::Vector3d;

constexpr double DegreesPerRadian = 57.29577951308232;
constexpr double NoReading = std::numeric_limits<double>::quiet_NaN();
// Below this dip the strike is too unstable to show; the bearing stands in.
constexpr double LevelDip = 2.0;

// Adds whole turns until the angle is not negative.
double wrapped(double degrees)
{
    if (degrees < 0.0 && std::isfinite(degrees))
        degrees += 360.0 * std::ceil(-degrees / 360.0);
    return degrees;
}

double wrappedTurn(double degrees)
{
    return std::fmod(wrapped(degrees), 360.0);
}

OrientationReadings unsetReadings()
{
    return {NoReading, NoReading, NoReading, NoReading, NoReading, NoReading, NoReading};
}

// Its horizontal part.
Vector3d horizontal(const Vector3d& v)
{
    return Z.cross(v).cross(Z);
}

// Dip, dip azimuth and plane symbol rotation of the screen's plane; the
// two forms differ only in where the dip azimuth counts from.
void planeReadings(const Matrix3d& rotation, double bearing, double azimuthOffset,
                   const OrientationContext& context, OrientationReadings& out)
{
    const Vector3d n = rotation * Z;
    const Vector3d s = Z.cross(n);
    double dip = angleBetweenDegrees(n, Z);
    if (n.z() < 0.0)
        dip = 180.0 - dip;
    double azimuth = angleBetweenDegrees(s, Y);
    if (s.x() < 0.0)
        azimuth = 360.0 - azimuth;
    if (n.z() < 0.0)
        azimuth += 180.0;
    azimuth = wrappedTurn(azimuth + azimuthOffset + context.projectDeclination);
    const Vector3d u = rotation.inverse() * s;
    double r = angleBetweenDegrees(u, Y);
    if (u.x() < 0.0)
        r = -r;
    out.dip = dip;
    const bool level = dip < LevelDip;
    out.planeSymbolRotation = level ? bearing : 90.0 - context.screenRotation + r;
    out.dipAzimuth = level ? bearing : azimuth;
}

bool isPortraitPrimary(int primary)
{
    // 0 is an unknown display orientation; devices default to portrait.
    return primary == Qt::PortraitOrientation || primary == Qt::PrimaryOrientation;
}

Vector3d baseLongAxis(int primary)
{
    switch (primary) {
    case Qt::LandscapeOrientation:
        return X;
    case Qt::InvertedPortraitOrientation:
        return -Y;
    case Qt::InvertedLandscapeOrientation:
        return -X;
    default:
        return Y;
    }
}

double baseLineRotation(int primary, int current)
{
    const bool portrait = isPortraitPrimary(primary);
    switch (current) {
    case Qt::PortraitOrientation:
        return portrait ? 180.0 : 0.0;
    case Qt::LandscapeOrientation:
        return portrait ? 90.0 : -90.0;
    case Qt::InvertedPortraitOrientation:
        return portrait ? 0.0 : 180.0;
    case Qt::InvertedLandscapeOrientation:
        return portrait ? -90.0 : 90.0;
    default:
        return 0.0;
    }
}

double flippedLineRotation(double rotation)
{
    if (rotation == 0.0)
        return 180.0;
    if (rotation == 180.0)
        return 0.0;
    return -rotation;
}

void baseLineReadings(const Matrix3d& rotation, const OrientationContext& context,
                      OrientationReadings& out)
{
    const Vector3d t = rotation * baseLongAxis(context.primaryOrientation);
    const Vector3d th = horizontal(t);
    double p = angleBetweenDegrees(th, Y);
    double lineRotation = baseLineRotation(context.primaryOrientation, context.currentOrientation);
    if (!(t.z() > 0.0)) {
        p -= 180.0;
        lineRotation = flippedLineRotation(lineRotation);
    }
    if (t.x() < 0.0)
        p = -p;
    out.plungeAzimuth = wrapped(context.projectDeclination + (p - 180.0));
    out.plunge = angleBetweenDegrees(t, th);
    out.lineSymbolRotation = lineRotation;
}

void fusionLineReadings(const Matrix3d& rotation, const OrientationContext& context,
                        OrientationReadings& out)
{
    Vector3d e = X;
    double lineRotation = 90.0;
    switch (context.primaryOrientation) {
    case Qt::PortraitOrientation:
        e = Y;
        lineRotation = -90.0;
        break;
    case Qt::InvertedPortraitOrientation:
        e = -Y;
        lineRotation = -90.0;
        break;
    case Qt::InvertedLandscapeOrientation:
        e = -X;
        break;
    default:
        break;
    }
    const Vector3d t = rotation * e;
    const Vector3d th = horizontal(t);
    double p = angleBetweenDegrees(th, Y);
    if (t.z() > 0.0) {
        p -= 180.0;
        lineRotation = -lineRotation;
    }
    if (t.x() < 0.0)
        p = -p;
    out.plungeAzimuth = wrappedTurn(context.projectDeclination + (p - 90.0));
    out.plunge = angleBetweenDegrees(t, th);
    out.lineSymbolRotation = lineRotation;
}

} // namespace

double angleBetweenDegrees(const Eigen::Vector3d& a, const Eigen::Vector3d& b)
{
    // A zero vector stays NaN: its direction is unknown.
    const double cosine = (a / a.norm()).dot(b / b.norm());
    return std::acos(std::clamp(cosine, -1.0, 1.0)) * DegreesPerRadian;
}

OrientationReadings orientationFromQuaternion(const Eigen::Quaterniond& quaternion,
                                              const OrientationContext& context)
{
    OrientationReadings out = unsetReadings();
    const Matrix3d rotation = quaternion.toRotationMatrix();
    double bearing = NoReading;
    if (context.bearing || context.plane) {
        const Vector3d h = horizontal(rotation * Y);
        double beta = angleBetweenDegrees(h, Y);
        if (h.x() < 0.0)
            beta = -beta;
        bearing = wrappedTurn(context.screenRotation + wrapped(beta) + context.projectDeclination);
        if (context.bearing)
            out.bearing = bearing;
    }
    if (context.plane)
        planeReadings(rotation, bearing, 90.0, context, out);
    if (context.line)
        baseLineReadings(rotation, context, out);
    return out;
}

OrientationReadings fusionOrientationFromQuaternion(const Eigen::Quaterniond& quaternion,
                                                    const OrientationContext& context)
{
    OrientationReadings out = unsetReadings();
    const Matrix3d rotation = quaternion.toRotationMatrix();
    double bearing = NoReading;
    if (context.bearing || context.plane) {
        const Vector3d c = Z.cross(rotation * Y);
        double beta = angleBetweenDegrees(c, Y);
        if (c.x() < 0.0)
            beta = -beta;
        bearing = wrappedTurn(context.screenRotation + beta + context.projectDeclination);
        if (context.bearing)
            out.bearing = bearing;
    }
    if (context.plane)
        planeReadings(rotation, bearing, 0.0, context, out);
    if (context.line)
        fusionLineReadings(rotation, context, out);
    return out;
}

QuaternionCompassClino::QuaternionCompassClino(QObject* parent)
    : AbstractCompassClino(parent)
{
    if (ApplicationManager* application = ApplicationManager::instance()) {
        connect(application, &ApplicationManager::applicationStateChanged, this,
                &QuaternionCompassClino::onApplicationStateChanged);
    }
}

QuaternionCompassClino::~QuaternionCompassClino() = default;

void QuaternionCompassClino::computeFromQuaternion(const Eigen::Quaterniond& quaternion)
{
    const OrientationContext now = context();
    publish(orientationFromQuaternion(quaternion, now), now);
}

void QuaternionCompassClino::onApplicationStateChanged(Qt::ApplicationState state)
{
    switch (static_cast<int>(state)) {
    case Qt::ApplicationSuspended:
    case Qt::ApplicationHidden:
    case Qt::ApplicationInactive:
        // A second pause must not forget that the first one stopped updates.
        if (!m_resumeUpdates) {
            m_resumeUpdates = deviceUpdating();
            if (m_resumeUpdates)
                stopUpdates();
        }
        break;
    case Qt::ApplicationActive:
        if (m_resumeUpdates)
            startUpdates();
        m_resumeUpdates = false;
        break;
    default:
        break;
    }
}

OrientationContext QuaternionCompassClino::context() const
{
    OrientationContext now;
    now.projectDeclination = projectDeclination();
    now.screenRotation = m_screenRotation;
    now.primaryOrientation = m_primaryOrientation;
    now.currentOrientation = m_currentOrientation;
    now.bearing = emitBearingUpdates();
    now.plane = emitPlaneUpdates();
    now.line = emitLineUpdates();
    return now;
}

void QuaternionCompassClino::publish(const OrientationReadings& readings,
                                     const OrientationContext& context)
{
    if (context.bearing)
        setBearing(readings.bearing);
    if (context.plane) {
        setDip(readings.dip);
        setPlaneSymbolRotation(readings.planeSymbolRotation);
        setDipAzimuth(readings.dipAzimuth);
    }
    if (context.line) {
        setPlungeAzimuth(readings.plungeAzimuth);
        setPlunge(readings.plunge);
        setLineSymbolRotation(readings.lineSymbolRotation);
    }
}

} // namespace kiv
