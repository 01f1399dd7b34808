#include "tools/WinCompassClino.h"

#include "tools/QuatSensorEvents.h"

namespace kiv {

WinCompassClino::WinCompassClino(QObject* parent)
    : WinCompassClino(platform::createSensorManager(), platform::currentDisplayMode, parent)
{
}

WinCompassClino::WinCompassClino(std::shared_ptr<platform::SensorManager> sensorManager,
                                 platform::DisplayModeReader readDisplayMode, QObject* parent)
    : QuaternionCompassClino(parent)
    , m_latestQuaternion(std::make_shared<Eigen::Quaterniond>(Eigen::Quaterniond::Identity()))
    , m_feed(std::make_unique<platform::OrientationFeed>(sensorManager))
    , m_displayMode(std::move(readDisplayMode))
{
    connect(this, &WinCompassClino::newData, this, &WinCompassClino::compute, Qt::QueuedConnection);
    if (const std::optional<platform::DisplayMode> mode = displayMode())
        m_primaryOrientation = platform::primaryOrientationFor(*mode);
    // The sensor manager itself is not kept: the feed holds the sensor.
    setHasRequiredSensors(m_feed->hasSensor());
}

WinCompassClino::~WinCompassClino()
{
    removeSink();
    m_feed.reset();
}

std::optional<platform::DisplayMode> WinCompassClino::displayMode() const
{
    return m_displayMode ? m_displayMode() : std::nullopt;
}

bool WinCompassClino::startUpdates()
{
    if (!enabled())
        return false;
    if (deviceUpdating())
        return true;
    if (!m_feed->hasSensor())
        return false;
    auto sink = std::make_shared<QuatSensorEvents>(this);
    if (!m_feed->start(sink)) {
        sink->detach();
        return false;
    }
    m_sink = std::move(sink);
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
    m_feed->stop();
    if (!m_sink)
        return;
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
