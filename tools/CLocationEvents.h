#pragma once

#include "app/platform/LocationService.h"

#include <QGeoPositionInfo>

#include <mutex>

namespace kiv {

class AbstractLocationManager;

// Receives the location service's reports on its threads and hands them to
// the one manager that made it. The service and the manager share the sink;
// the manager cuts the link before it goes, so a late callback forwards
// nothing.
class CLocationEvents : public platform::LocationEventSink
{
public:
    explicit CLocationEvents(AbstractLocationManager* owner);

    platform::Result OnLocationChanged(platform::ReportType reportType,
                                       const platform::LocationReport& report) override;
    platform::Result OnStatusChanged(platform::ReportType reportType, int newStatus) override;

    // Waits for a callback in flight, then forwards nothing more.
    void detach();

    // The fix a latitude/longitude report stands for; invalid without a
    // latitude or longitude.
    static QGeoPositionInfo positionFromReport(const platform::LocationReport& report);
    // The positioning error a status means; NoError for the running states.
    static int positioningErrorFor(int status);

private:
    std::mutex m_mutex;
    AbstractLocationManager* m_owner;
};

} // namespace kiv
