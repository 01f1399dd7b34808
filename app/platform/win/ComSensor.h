#pragma once

#include "app/platform/OrientationSensors.h"

#include <windows.h>
#include <sensorsapi.h>
#include "app/platform/win/ComRef.h"

namespace kiv::platform::win {

// One sensor of the Windows Sensor API (ISensor). The properties go through
// the Portable Device key and value collections.
class ComSensor final : public Sensor
{
public:
    explicit ComSensor(ComRef<ISensor> sensor);
    // Takes its sink off the sensor: the sink knows this object.
    ~ComSensor() override;

    SensorType type() const override { return m_type; }
    bool configure(float quaternionSensitivity, unsigned reportIntervalMs) override;
    bool setEventSink(std::shared_ptr<SensorEventSink> sink) override;

private:
    ComRef<ISensor> m_sensor;
    SensorType m_type = SensorType::Other;
    bool m_sinkInstalled = false;
};

} // namespace kiv::platform::win
