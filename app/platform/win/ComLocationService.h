#pragma once

#include "app/platform/LocationService.h"

#include <windows.h>
#include <locationapi.h>
#include "app/platform/win/ComRef.h"

namespace kiv::platform::win {

// The location service over the Windows Location API (ILocation). Only
// latitude/longitude reports are asked for; another report type is refused.
class ComLocationService final : public LocationService
{
public:
    explicit ComLocationService(ComRef<ILocation> location);

    bool requestPermissions(ReportType type, bool modal) override;
    bool registerForReport(std::shared_ptr<LocationEventSink> sink, ReportType type, unsigned intervalMs) override;
    bool unregisterForReport(ReportType type) override;
    bool setDesiredAccuracy(ReportType type, LocationAccuracy accuracy) override;
    std::optional<unsigned> reportInterval(ReportType type) const override;
    bool setReportInterval(ReportType type, unsigned intervalMs) override;

private:
    ComRef<ILocation> m_location;
};

} // namespace kiv::platform::win
