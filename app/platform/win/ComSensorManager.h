#pragma once

#include "app/platform/OrientationSensors.h"

#include <windows.h>
#include <sensorsapi.h>
#include "app/platform/win/ComRef.h"

namespace kiv::platform::win {

// The sensor manager over the Windows Sensor API (ISensorManager).
class ComSensorManager final : public SensorManager
{
public:
    // Sensors taken from one category at most.
    static constexpr ULONG MostSensors = 64;

    explicit ComSensorManager(ComRef<ISensorManager> manager);

    std::vector<std::shared_ptr<Sensor>> orientationSensors() override;

private:
    ComRef<ISensorManager> m_manager;
};

} // namespace kiv::platform::win
