#include "app/platform/LocationService.h"

namespace kiv::platform {

LocationFailure failureForStatus(int status)
{
    switch (status) {
    case ReportNotSupported:
        return LocationFailure::NotSupported;
    case ReportError:
        return LocationFailure::Unknown;
    case ReportAccessDenied:
        return LocationFailure::AccessDenied;
    default:
        return LocationFailure::None;
    }
}

} // namespace kiv::platform
