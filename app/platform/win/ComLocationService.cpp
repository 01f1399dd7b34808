#include "app/platform/win/ComLocationService.h"

#include "app/platform/win/ComObject.h"
#include "app/platform/win/ComResult.h"

#include <cmath>

namespace kiv::platform {

namespace win {


namespace {

// The sink the Location API calls, on threads of its own: it turns each
// report into the layer's report for the layer's sink it wraps.
class LocationEvents final : public ComObject<ILocationEvents>
{
public:
    explicit LocationEvents(std::shared_ptr<LocationEventSink> sink)
        : m_sink(std::move(sink))
    {
    }

    HRESULT STDMETHODCALLTYPE OnLocationChanged(REFIID reportType, ILocationReport* report) override
    {
        if (!IsEqualIID(reportType, IID_ILatLongReport)) {
            LocationReport other;
            other.type = ReportType::Other;
            m_sink->OnLocationChanged(ReportType::Other, other);
            return S_OK;
        }
        ComRef<ILatLongReport> latLong;
        if (!report || FAILED(report->QueryInterface(IID_ILatLongReport, latLong.putVoid()))
            || !latLong)
            return S_OK;
        LocationReport converted;
        converted.latitude = read(latLong.get(), &ILatLongReport::GetLatitude);
        converted.longitude = read(latLong.get(), &ILatLongReport::GetLongitude);
        // A broken driver's position would move the user anywhere: not passed on.
        if (!within(converted.latitude, 90.0) || !within(converted.longitude, 180.0))
            return S_OK;
        converted.altitude = read(latLong.get(), &ILatLongReport::GetAltitude);
        if (converted.altitude && !std::isfinite(*converted.altitude))
            converted.altitude.reset();
        converted.errorRadius = read(latLong.get(), &ILatLongReport::GetErrorRadius);
        if (converted.errorRadius && !(std::isfinite(*converted.errorRadius) && *converted.errorRadius >= 0.0))
            converted.errorRadius.reset();
        m_sink->OnLocationChanged(ReportType::LatLong, converted);
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE OnStatusChanged(REFIID reportType, LOCATION_REPORT_STATUS newStatus) override
    {
        const ReportType type = IsEqualIID(reportType, IID_ILatLongReport) ? ReportType::LatLong : ReportType::Other;
        return toHresult(m_sink->OnStatusChanged(type, int(newStatus)));
    }

private:
    // A value the getter could not give stays absent: the layer's sink decides.
    static bool within(const std::optional<double>& degrees, double limit)
    {
        return !degrees || (std::isfinite(*degrees) && std::abs(*degrees) <= limit);
    }

    static std::optional<double> read(ILatLongReport* report, HRESULT (STDMETHODCALLTYPE ILatLongReport::*getter)(DOUBLE*))
    {
        DOUBLE value = 0.0;
        if (FAILED((report->*getter)(&value)))
            return std::nullopt;
        return value;
    }

    std::shared_ptr<LocationEventSink> m_sink;
};

} // namespace

ComLocationService::ComLocationService(ComRef<ILocation> location)
    : m_location(std::move(location))
{
}

bool ComLocationService::requestPermissions(ReportType type, bool modal)
{
    if (type != ReportType::LatLong)
        return false;
    IID reportTypes[] = {IID_ILatLongReport};
    return SUCCEEDED(m_location->RequestPermissions(nullptr, reportTypes, 1, modal ? TRUE : FALSE));
}

bool ComLocationService::registerForReport(std::shared_ptr<LocationEventSink> sink, ReportType type,
                                           unsigned intervalMs)
{
    if (!sink || type != ReportType::LatLong)
        return false;
    // The service takes its own reference; ours goes at the end of this call.
    const auto events = ComRef<ILocationEvents>::adopt(new LocationEvents(std::move(sink)));
    return SUCCEEDED(m_location->RegisterForReport(events.get(), IID_ILatLongReport, DWORD(intervalMs)));
}

bool ComLocationService::unregisterForReport(ReportType type)
{
    return type == ReportType::LatLong && SUCCEEDED(m_location->UnregisterForReport(IID_ILatLongReport));
}

bool ComLocationService::setDesiredAccuracy(ReportType type, LocationAccuracy accuracy)
{
    const LOCATION_DESIRED_ACCURACY desired = accuracy == LocationAccuracy::High ? LOCATION_DESIRED_ACCURACY_HIGH
                                                                                : LOCATION_DESIRED_ACCURACY_DEFAULT;
    return type == ReportType::LatLong && SUCCEEDED(m_location->SetDesiredAccuracy(IID_ILatLongReport, desired));
}

std::optional<unsigned> ComLocationService::reportInterval(ReportType type) const
{
    DWORD milliseconds = 0;
    if (type != ReportType::LatLong || FAILED(m_location->GetReportInterval(IID_ILatLongReport, &milliseconds)))
        return std::nullopt;
    return unsigned(milliseconds);
}

bool ComLocationService::setReportInterval(ReportType type, unsigned intervalMs)
{
    return type == ReportType::LatLong && SUCCEEDED(m_location->SetReportInterval(IID_ILatLongReport, DWORD(intervalMs)));
}

} // namespace win

std::shared_ptr<LocationService> createLocationService()
{
    win::ComRef<ILocation> location;
    if (FAILED(CoCreateInstance(CLSID_Location, nullptr, CLSCTX_ALL, IID_ILocation,
                                location.putVoid()))
        || !location)
        return nullptr;
    return std::make_shared<win::ComLocationService>(std::move(location));
}

} // namespace kiv::platform
