#include "app/platform/DisplayMode.h"
#include "app/platform/LocationService.h"
#include "app/platform/OrientationSensors.h"

// Where the program runs without the Windows services: Qt Positioning and
// Qt Sensors serve instead (app/platform/win/ has the Windows answers).
namespace kiv::platform {

std::optional<DisplayMode> currentDisplayMode()
{
    return std::nullopt;
}

std::shared_ptr<LocationService> createLocationService()
{
    return nullptr;
}

std::shared_ptr<SensorManager> createSensorManager()
{
    return nullptr;
}

} // namespace kiv::platform
