#include "tools/CLocationEvents.h"

#include "tools/AbstractLocationManager.h"

#include <QDateTime>

namespace kiv {

using platform::ReportType;
using platform::Result;

CLocationEvents::CLocationEvents(AbstractLocationManager* owner)
    : m_owner(owner)
{
}

Result CLocationEvents::OnLocationChanged(ReportType reportType, const platform::LocationReport& report)
{
    if (reportType != ReportType::LatLong || report.type != ReportType::LatLong)
        return Result::Success;
    const QGeoPositionInfo info = positionFromReport(report);
    if (!info.isValid())
        return Result::Success;
    const std::lock_guard<std::mutex> lock(m_mutex);
    // Queued by the manager when this is not its thread, in delivery order.
    if (m_owner)
        m_owner->applyPositionInfo(info);
    return Result::Success;
}

Result CLocationEvents::OnStatusChanged(ReportType reportType, int newStatus)
{
    if (reportType != ReportType::LatLong)
        return Result::Success;
    const int error = positioningErrorFor(newStatus);
    if (error == AbstractLocationManager::NoError)
        return Result::Success;
    const std::lock_guard<std::mutex> lock(m_mutex);
    if (m_owner)
        m_owner->handlePositioningError(error);
    return Result::Success;
}

void CLocationEvents::detach()
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_owner = nullptr;
}

QGeoPositionInfo CLocationEvents::positionFromReport(const platform::LocationReport& report)
{
    // A missing latitude or longitude read as 0 would put the user on the
    // equator or the prime meridian.
    if (!report.latitude || !report.longitude)
        return {};
    const QGeoCoordinate coordinate(*report.latitude, *report.longitude, report.altitude.value_or(0.0));
    QGeoPositionInfo info(coordinate, QDateTime::currentDateTime());
    if (report.errorRadius) {
        // The service gives no separate altitude error.
        info.setAttribute(QGeoPositionInfo::HorizontalAccuracy, *report.errorRadius);
        info.setAttribute(QGeoPositionInfo::VerticalAccuracy, *report.errorRadius);
    }
    return info;
}

int CLocationEvents::positioningErrorFor(int status)
{
    switch (platform::failureForStatus(status)) {
    case platform::LocationFailure::NotSupported:
        return AbstractLocationManager::NotSupportedError;
    case platform::LocationFailure::Unknown:
        return AbstractLocationManager::UnknownError;
    case platform::LocationFailure::AccessDenied:
        return AbstractLocationManager::AccessError;
    case platform::LocationFailure::None:
        break;
    }
    return AbstractLocationManager::NoError;
}

} // namespace kiv
