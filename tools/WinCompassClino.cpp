#include "tools/WinCompassClino.h"

#include "tools/QuatSensorEvents.h"

namespace kiv {

namespace {

constexpr float QuaternionSensitivity = 0.01f;
constexpr unsigned ReportIntervalMs = 16;

} // namespace

WinCompassClino::WinCompassClino(QObject* parent)
    : WinCompassClino(platform::createSensorManager(), platform::currentDisplayMode, parent)
{
}

WinCompassClino::WinCompassClino(std::shared_ptr<platform::SensorManager> sensorManager,
                                 platform::DisplayModeReader readDisplayMode, QObject* parent)
    : QuaternionCompassClino(parent)
    , m_latestQuaternion(std::make_shared<Eigen::Quaterniond>(Eigen::Quaterniond::Identity()))
    , m_sensorManager(std::move(sensorManager))
    , m_displayMode(std::move(readDisplayMode))
{
    connect(this, &WinCompassClino::newData, this, &WinCompassClino::compute, Qt::QueuedConnection);
    if (const std::optional<platform::DisplayMode> mode = displayMode())
        m_primaryOrientation = platform::primaryOrientationFor(*mode);
    findOrientationSensor();
}

WinCompassClino::~WinCompassClino()
{
    removeSink();
    m_orientationSensor.reset();
    m_sensorManager.reset();
}

std::optional<platform::DisplayMode> WinCompassClino::displayMode() const
{
    return m_displayMode ? m_displayMode() : std::nullopt;
}

void WinCompassClino::findOrientationSensor()
{
    if (!m_sensorManager)
        return;
    for (const std::shared_ptr<platform::Sensor>& sensor : m_sensorManager->orientationSensors()) {
        if (!sensor || sensor->type() != platform::SensorType::AggregatedDeviceOrientation)
            continue;
        if (!m_orientationSensor)
            m_orientationSensor = sensor;
        setHasRequiredSensors(true);
    }
}

bool WinCompassClino::startUpdates()
{
    if (!enabled())
        return false;
    if (deviceUpdating())
        return true;
    if (!m_orientationSensor)
        return false;
    // A sensor that refuses the settings still delivers at its own pace.
    m_orientationSensor->configure(QuaternionSensitivity, ReportIntervalMs);
    m_sink = std::make_shared<QuatSensorEvents>(this);
    if (!m_orientationSensor->setEventSink(m_sink)) {
        m_sink->detach();
        m_sink.reset();
        return false;
    }
    setDeviceUpdating(true);
    return true;
}

void WinCompassClino::stopUpdates()
{
    if (!deviceUpdating())
        return;
    removeSink();
    QuaternionCompassClino::stopUpdates();
}

void WinCompassClino::removeSink()
{
    if (!m_sink)
        return;
    if (m_orientationSensor)
        m_orientationSensor->setEventSink(nullptr);
    m_sink->detach();
    m_sink.reset();
}

void WinCompassClino::compute(double w, double x, double y, double z)
{
    // A sample queued before a stop arrives after it.
    if (!deviceUpdating() || !(emitBearingUpdates() || emitPlaneUpdates() || emitLineUpdates()))
        return;
    if (const std::optional<platform::DisplayMode> mode = displayMode()) {
        if (const std::optional<platform::ScreenState> state = platform::screenStateFor(*mode, m_primaryOrientation)) {
            m_currentOrientation = state->currentOrientation;
            m_screenRotation = state->screenRotation;
        }
    }
    *m_latestQuaternion = Eigen::Quaterniond(w, x, y, z);
    computeFromQuaternion(*m_latestQuaternion);
}

} // namespace kiv
