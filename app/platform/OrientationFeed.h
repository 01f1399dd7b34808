#pragma once

#include "app/platform/OrientationSensors.h"

#include <memory>

namespace kiv::platform {

// The device's one aggregated orientation sensor and the sink that receives
// its reports. Qt-free, so the same steps run against the native service.
class OrientationFeed
{
public:
    static constexpr float QuaternionSensitivity = 0.01f;
    static constexpr unsigned ReportIntervalMs = 16;

    // Takes the first aggregated device orientation sensor the manager
    // offers; the others are let go. A null manager gives no sensor.
    explicit OrientationFeed(const std::shared_ptr<SensorManager>& manager);
    ~OrientationFeed();
    OrientationFeed(const OrientationFeed&) = delete;
    OrientationFeed& operator=(const OrientationFeed&) = delete;

    bool hasSensor() const { return bool(m_sensor); }
    bool running() const { return m_running; }

    // Asks for a quaternion sensitivity of 0.01 and a report every 16 ms (a
    // sensor that refuses keeps its own pace) and installs the sink. Running
    // already: the installed sink stays. False without a sensor or when the
    // sensor refuses the sink.
    bool start(const std::shared_ptr<SensorEventSink>& sink);
    // Takes the sink off the sensor.
    void stop();

private:
    std::shared_ptr<Sensor> m_sensor;
    bool m_running = false;
};

} // namespace kiv::platform
