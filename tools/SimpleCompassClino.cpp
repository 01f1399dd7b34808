#include "tools/SimpleCompassClino.h"

#include "app/ApplicationManager.h"
#include "app/MainView.h"

#include <QDebug>
#include <QGuiApplication>
#include <QScreen>

namespace kiv {

namespace {

constexpr double RadiansPerDegree = 0.017453292519943295;
constexpr Qt::ScreenOrientations TrackedOrientations = Qt::PortraitOrientation
    | Qt::LandscapeOrientation | Qt::InvertedPortraitOrientation | Qt::InvertedLandscapeOrientation;

bool isZero(const std::array<double, 3>& reading)
{
    return reading[0] == 0.0 && reading[1] == 0.0 && reading[2] == 0.0;
}

template <typename Reading>
void store(const Reading* reading, std::array<double, 3>& into)
{
    into = {reading->x(), reading->y(), reading->z()};
}

// Desktop and offscreen screens leave their native orientation unset; their
// shape tells what the picture is turned against.
int naturalOrientation(const QScreen* screen)
{
    if (!screen)
        return Qt::PortraitOrientation;
    const Qt::ScreenOrientation native = screen->nativeOrientation();
    return native != Qt::PrimaryOrientation ? native : screen->primaryOrientation();
}

} // namespace

SimpleCompassClino::SimpleCompassClino(QObject* parent)
    : QuaternionCompassClino(parent)
{
    m_primaryOrientation = naturalOrientation(currentScreen());
    m_accelerometer = new QAccelerometer(this);
    m_accelerometer->addFilter(static_cast<QAccelerometerFilter*>(this));
    m_gyroscope = new QGyroscope(this);
    m_gyroscope->addFilter(static_cast<QGyroscopeFilter*>(this));
    m_magnetometer = new QMagnetometer(this);
    m_magnetometer->setReturnGeoValues(true);
    m_magnetometer->addFilter(static_cast<QMagnetometerFilter*>(this));
    probe();
}

SimpleCompassClino::~SimpleCompassClino() = default;

double SimpleCompassClino::screenRotationFor(int primaryOrientation, int orientation)
{
    const int d = primaryOrientation - orientation;
    if (d == 0)
        return 0.0;
    if (d % 3 == 0)
        return 180.0;
    const double rotation = d < 0 ? 90.0 : -90.0;
    return d % 7 == 0 ? -rotation : rotation;
}

QScreen* SimpleCompassClino::currentScreen()
{
    const ApplicationManager* application = ApplicationManager::instance();
    if (MainView* view = application ? application->mainView() : nullptr) {
        if (QScreen* screen = view->screen())
            return screen;
    }
    return QGuiApplication::primaryScreen();
}

void SimpleCompassClino::probe()
{
    m_hasAccelerometer = m_accelerometer->connectToBackend();
    m_hasGyroscope = m_gyroscope->connectToBackend();
    m_hasMagnetometer = m_magnetometer->connectToBackend();
    setHasRequiredSensors(m_hasAccelerometer && m_hasGyroscope && m_hasMagnetometer);
    qDebug() << "Has accelerometer:" << m_hasAccelerometer;
    qDebug() << "Has gyroscope:" << m_hasGyroscope;
    qDebug() << "Has magnetometer:" << m_hasMagnetometer;
}

bool SimpleCompassClino::filter(QAccelerometerReading* reading)
{
    if (!reading)
        return false;
    store(reading, m_accelerometerReading);
    return true;
}

bool SimpleCompassClino::filter(QMagnetometerReading* reading)
{
    if (!reading)
        return false;
    store(reading, m_magnetometerReading);
    return true;
}

bool SimpleCompassClino::filter(QGyroscopeReading* reading)
{
    if (!reading)
        return false;
    store(reading, m_gyroscopeReading);
    const quint64 timestamp = reading->timestamp();
    // A timestamp that does not advance gives no interval to integrate over.
    if (m_previousGyroscopeTimestamp != 0 && timestamp > m_previousGyroscopeTimestamp)
        compute(double(timestamp - m_previousGyroscopeTimestamp) * 1e-6);
    m_previousGyroscopeTimestamp = timestamp;
    return true;
}

void SimpleCompassClino::compute(double deltaT)
{
    if (!m_hasAccelerometer || !m_hasGyroscope || !m_hasMagnetometer)
        return;
    // The filter divides by the lengths of these.
    if (isZero(m_gyroscopeReading) || isZero(m_accelerometerReading) || isZero(m_magnetometerReading))
        return;
    m_fusion.deltaT = float(deltaT);
    const auto& g = m_gyroscopeReading;
    const auto& a = m_accelerometerReading;
    const auto& m = m_magnetometerReading;
    m_fusion.update(float(g[0] * RadiansPerDegree), float(g[1] * RadiansPerDegree),
                    float(g[2] * RadiansPerDegree), float(a[0]), float(a[1]), float(a[2]),
                    float(m[0]), float(m[1]), float(m[2]));
    if (emitBearingUpdates() || emitPlaneUpdates() || emitLineUpdates())
        computeFromQuaternion(m_fusion.output);
}

void SimpleCompassClino::computeFromQuaternion(const Eigen::Quaterniond& quaternion)
{
    const OrientationContext now = context();
    publish(fusionOrientationFromQuaternion(quaternion, now), now);
}

bool SimpleCompassClino::startSensors()
{
    if (!m_hasAccelerometer || !m_hasGyroscope || !m_hasMagnetometer)
        return false;
    const bool accelerometer = m_accelerometer->start();
    const bool magnetometer = m_magnetometer->start();
    m_previousGyroscopeTimestamp = 0;
    const bool gyroscope = m_gyroscope->start();
    if (accelerometer && magnetometer && gyroscope)
        return true;
    // The filter needs all three: a partial start would never move a reading.
    if (accelerometer)
        m_accelerometer->stop();
    if (magnetometer)
        m_magnetometer->stop();
    if (gyroscope)
        m_gyroscope->stop();
    return false;
}

void SimpleCompassClino::stopSensors()
{
    m_accelerometer->stop();
    m_gyroscope->stop();
    m_magnetometer->stop();
}

bool SimpleCompassClino::startUpdates()
{
    if (!enabled())
        return false;
    const bool started = startSensors();
    if (QScreen* screen = currentScreen()) {
        screen->setOrientationUpdateMask(TrackedOrientations);
        onOrientationChanged(screen->orientation());
        if (m_trackedScreen != screen) {
            if (m_trackedScreen)
                disconnect(m_trackedScreen, nullptr, this, nullptr);
            m_trackedScreen = screen;
            connect(screen, &QScreen::orientationChanged, this,
                    &SimpleCompassClino::onOrientationChanged);
        }
    }
    if (started) {
        m_fusion.reset();
        m_accelerometerReading = {};
        m_gyroscopeReading = {};
        m_magnetometerReading = {};
    }
    setDeviceUpdating(started);
    return started;
}

void SimpleCompassClino::stopUpdates()
{
    if (!deviceUpdating())
        return;
    stopSensors();
    if (m_trackedScreen)
        disconnect(m_trackedScreen, nullptr, this, nullptr);
    m_trackedScreen = nullptr;
    QuaternionCompassClino::stopUpdates();
}

void SimpleCompassClino::onOrientationChanged(Qt::ScreenOrientation orientation)
{
    m_currentOrientation = orientation;
    m_screenRotation = screenRotationFor(m_primaryOrientation, orientation);
}

} // namespace kiv
