#include "tools/WinLocationManager.h"

#include "tools/CLocationEvents.h"

#include <algorithm>
#include <climits>

namespace kiv {

using platform::ReportType;

WinLocationManager::WinLocationManager(QObject* parent)
    : WinLocationManager(platform::createLocationService, parent)
{
}

WinLocationManager::WinLocationManager(const platform::LocationServiceFactory& createService, QObject* parent)
    : AbstractLocationManager(parent)
{
    m_location = createService ? createService() : nullptr;
    if (!m_location)
        return;
    if (!m_location->requestPermissions(ReportType::LatLong, false)) {
        m_location.reset();
        return;
    }
    m_sink = std::make_shared<CLocationEvents>(this);
}

WinLocationManager::~WinLocationManager()
{
    // Reports must stop before the sink loses its link, and the link must be
    // cut before this object goes.
    if (hasService() && m_updating)
        m_location->unregisterForReport(ReportType::LatLong);
    if (m_sink)
        m_sink->detach();
    m_sink.reset();
    m_location.reset();
}

bool WinLocationManager::updating() const
{
    return m_sink && m_updating;
}

int WinLocationManager::updateInterval() const
{
    if (!hasService())
        return 0;
    const std::optional<unsigned> interval = m_location->reportInterval(ReportType::LatLong);
    return interval ? int(std::min<unsigned>(*interval, unsigned(INT_MAX))) : 0;
}

void WinLocationManager::setUpdateInterval(int milliseconds)
{
    if (hasService())
        m_location->setReportInterval(ReportType::LatLong, unsigned(std::max(0, milliseconds)));
}

void WinLocationManager::requestUpdate(int)
{
}

void WinLocationManager::startUpdates()
{
    if (!m_sink)
        m_sink = std::make_shared<CLocationEvents>(this);
    if (!hasService()) {
        handlePositioningError(AccessError);
        return;
    }
    if (!m_updating && m_location->registerForReport(m_sink, ReportType::LatLong, 0)) {
        m_location->setDesiredAccuracy(ReportType::LatLong, platform::LocationAccuracy::High);
        m_updating = true;
        emit updatingChanged(true);
    }
    storeGpsAuto();
}

void WinLocationManager::stopUpdates(bool implicite)
{
    if (!hasService())
        return;
    if (m_updating && m_location->unregisterForReport(ReportType::LatLong)) {
        m_updating = false;
        emit updatingChanged(false);
    }
    if (!implicite)
        storeGpsAuto();
}

} // namespace kiv
