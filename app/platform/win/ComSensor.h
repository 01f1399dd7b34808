#pragma once

#include "app/platform/OrientationSensors.h"

#include <windows.h>
#include <sensorsapi.h>
#include "app/platform/win/ComRef.h"

#include <memory>
#include <mutex>

namespace kiv::platform::win {

// What the COM sinks know of the layer's sensor object: the object itself
// until it goes. A callback passes it on under the lock, so cutting the link
// waits for one in flight.
class SensorLink
{
public:
    explicit SensorLink(const Sensor* owner)
        : m_owner(owner)
    {
    }

    // Runs use(owner) unless the link was cut.
    template <typename Use>
    void whileAlive(Use use)
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        if (m_owner)
            use(m_owner);
    }
    void cut();

private:
    std::mutex m_mutex;
    const Sensor* m_owner;
};

// One sensor of the Windows Sensor API (ISensor). The properties go through
// the Portable Device key and value collections.
class ComSensor final : public Sensor
{
public:
    explicit ComSensor(ComRef<ISensor> sensor);
    // Cuts the sinks' link to this object and takes its sink off the sensor.
    ~ComSensor() override;

    SensorType type() const override { return m_type; }
    bool configure(float quaternionSensitivity, unsigned reportIntervalMs) override;
    bool setEventSink(std::shared_ptr<SensorEventSink> sink) override;

private:
    ComRef<ISensor> m_sensor;
    std::shared_ptr<SensorLink> m_link;
    SensorType m_type = SensorType::Other;
    bool m_sinkInstalled = false;
};

} // namespace kiv::platform::win
