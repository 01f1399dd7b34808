#include "app/platform/LocationService.h"

namespace kiv::platform {

std::shared_ptr<LocationService> createLocationService()
{
    // No location service of the operating system is wired up on this platform.
    return nullptr;
}

} // namespace kiv::platform
