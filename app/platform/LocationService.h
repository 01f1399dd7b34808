#pragma once

#include "app/platform/PlatformResult.h"

#include <functional>
#include <memory>
#include <optional>

// The operating system's location service as the location manager needs it.
// Nothing here depends on Qt, so an adaptor over a native API can implement
// it directly.
namespace kiv::platform {

// Kinds of location report; the program only asks for latitude/longitude.
enum class ReportType { LatLong, Other };

enum class LocationAccuracy { Default = 0, High = 1 };

// Service state announced through LocationEventSink::OnStatusChanged.
enum LocationReportStatus {
    ReportNotSupported = 0,
    ReportError = 1,
    ReportAccessDenied = 2,
    ReportInitializing = 3,
    ReportRunning = 4,
};

// What a status change means for the user; None for the working states.
enum class LocationFailure { None, NotSupported, Unknown, AccessDenied };

LocationFailure failureForStatus(int status);

// One delivered report. A value is absent when the service failed to give it.
struct LocationReport
{
    ReportType type = ReportType::LatLong;
    std::optional<double> latitude;
    std::optional<double> longitude;
    std::optional<double> altitude;
    std::optional<double> errorRadius;
};

// Receives reports and status changes; called on any thread.
class LocationEventSink
{
public:
    virtual ~LocationEventSink() = default;
    virtual Result OnLocationChanged(ReportType reportType, const LocationReport& report) = 0;
    virtual Result OnStatusChanged(ReportType reportType, int newStatus) = 0;
};

// One connection to the location service. Every call answers whether it
// succeeded.
class LocationService
{
public:
    virtual ~LocationService() = default;
    // Asks the user for access without a parent window.
    virtual bool requestPermissions(ReportType type, bool modal) = 0;
    // The service holds the sink until the report type is unregistered.
    virtual bool registerForReport(std::shared_ptr<LocationEventSink> sink, ReportType type,
                                   unsigned intervalMs) = 0;
    virtual bool unregisterForReport(ReportType type) = 0;
    virtual bool setDesiredAccuracy(ReportType type, LocationAccuracy accuracy) = 0;
    // Absent when the service cannot tell.
    virtual std::optional<unsigned> reportInterval(ReportType type) const = 0;
    virtual bool setReportInterval(ReportType type, unsigned intervalMs) = 0;
};

// Makes the service; null when that fails.
using LocationServiceFactory = std::function<std::shared_ptr<LocationService>()>;

// The platform's own service; null where the program has none.
std::shared_ptr<LocationService> createLocationService();

} // namespace kiv::platform
