#include "app/platform/OrientationFeed.h"

namespace kiv::platform {

OrientationFeed::OrientationFeed(const std::shared_ptr<SensorManager>& manager)
{
    if (!manager)
        return;
    for (const std::shared_ptr<Sensor>& sensor : manager->orientationSensors()) {
        if (sensor && sensor->type() == SensorType::AggregatedDeviceOrientation) {
            m_sensor = sensor;
            return;
        }
    }
}

OrientationFeed::~OrientationFeed()
{
    stop();
}

bool OrientationFeed::start(const std::shared_ptr<SensorEventSink>& sink)
{
    if (m_running)
        return true;
    if (!m_sensor || !sink)
        return false;
    m_sensor->configure(QuaternionSensitivity, ReportIntervalMs);
    m_running = m_sensor->setEventSink(sink);
    return m_running;
}

void OrientationFeed::stop()
{
    if (!m_running)
        return;
    m_sensor->setEventSink(nullptr);
    m_running = false;
}

} // namespace kiv::platform
