#pragma once

#include "app/platform/DisplayMode.h"
#include "app/platform/OrientationSensors.h"

#include <functional>
#include <mutex>
#include <thread>

namespace kiv::test {

// A sensor whose calls succeed or fail as the test says, counting them.
class FakeSensor : public platform::Sensor
{
public:
    explicit FakeSensor(platform::SensorType sensorType = platform::SensorType::AggregatedDeviceOrientation)
        : m_type(sensorType)
    {
    }

    bool configureSucceeds = true;
    bool setSinkSucceeds = true;
    int configurations = 0;
    float sensitivity = 0.0f;
    unsigned intervalMs = 0;
    int sinkInstalls = 0;
    int sinkRemovals = 0;

    platform::SensorType type() const override { return m_type; }
    bool configure(float quaternionSensitivity, unsigned reportIntervalMs) override
    {
        ++configurations;
        sensitivity = quaternionSensitivity;
        intervalMs = reportIntervalMs;
        return configureSucceeds;
    }
    bool setEventSink(std::shared_ptr<platform::SensorEventSink> sink) override
    {
        ++(sink ? sinkInstalls : sinkRemovals);
        if (!setSinkSucceeds)
            return false;
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_sink = std::move(sink);
        return true;
    }

    std::shared_ptr<platform::SensorEventSink> sink() const
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        return m_sink;
    }

    // Runs the delivery on a new thread with the sink installed now.
    std::thread deliverFromThread(std::function<void(platform::SensorEventSink&, const platform::Sensor&)> delivery)
    {
        return std::thread([this, held = sink(), delivery = std::move(delivery)] {
            if (held)
                delivery(*held, *this);
        });
    }

private:
    platform::SensorType m_type;
    mutable std::mutex m_mutex;
    std::shared_ptr<platform::SensorEventSink> m_sink;
};

class FakeSensorManager : public platform::SensorManager
{
public:
    std::vector<std::shared_ptr<platform::Sensor>> sensors;
    int requests = 0;

    std::vector<std::shared_ptr<platform::Sensor>> orientationSensors() override
    {
        ++requests;
        return sensors;
    }
};

// A report carrying the quaternion as the sensor sends it: x, y, z, w as
// floats, followed by `padding` extra bytes.
inline platform::SensorDataReport quaternionReport(double x, double y, double z, double w, int padding = 0)
{
    const float values[4] = {float(x), float(y), float(z), float(w)};
    const auto* bytes = reinterpret_cast<const unsigned char*>(values);
    platform::SensorDataReport report;
    report.quaternion.type = platform::SensorValue::ByteVector;
    report.quaternion.bytes.assign(bytes, bytes + sizeof values);
    report.quaternion.bytes.resize(sizeof values + size_t(padding));
    return report;
}

} // namespace kiv::test
