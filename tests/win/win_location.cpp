// The location service over the Location API, against a location object
// registered with COM in place of the system's.

#include "ComFakes.h"
#include "WinCheck.h"

#include "app/platform/LocationService.h"

#include <locationapi.h>

#include <limits>
#include <mutex>
#include <thread>
#include <vector>

using namespace kiv;
using namespace kiv::wintest;
using platform::LocationReport;
using platform::ReportType;

namespace {

class FakeLatLongReport final : public Fake<ILatLongReport, ILocationReport>
{
public:
    HRESULT latitudeResult = S_OK;
    HRESULT altitudeResult = S_OK;
    HRESULT errorRadiusResult = S_OK;
    double latitude = 47.5;
    double longitude = 8.25;
    double altitude = 410.5;
    double errorRadius = 12.0;

    HRESULT STDMETHODCALLTYPE GetSensorID(SENSOR_ID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTimestamp(SYSTEMTIME*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetValue(REFPROPERTYKEY, PROPVARIANT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetLatitude(DOUBLE* value) override { return answer(latitudeResult, latitude, value); }
    HRESULT STDMETHODCALLTYPE GetLongitude(DOUBLE* value) override { return answer(S_OK, longitude, value); }
    HRESULT STDMETHODCALLTYPE GetErrorRadius(DOUBLE* value) override
    {
        return answer(errorRadiusResult, errorRadius, value);
    }
    HRESULT STDMETHODCALLTYPE GetAltitude(DOUBLE* value) override { return answer(altitudeResult, altitude, value); }
    HRESULT STDMETHODCALLTYPE GetAltitudeError(DOUBLE* value) override { return answer(S_OK, 30.0, value); }

private:
    static HRESULT answer(HRESULT result, double value, DOUBLE* out)
    {
        if (!out)
            return E_POINTER;
        // A failing getter leaves garbage behind, as a service might.
        *out = SUCCEEDED(result) ? value : -9999.0;
        return result;
    }
};

// A report that is not a latitude/longitude report.
class FakePlainReport final : public Fake<ILocationReport>
{
public:
    HRESULT STDMETHODCALLTYPE GetSensorID(SENSOR_ID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTimestamp(SYSTEMTIME*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetValue(REFPROPERTYKEY, PROPVARIANT*) override { return E_NOTIMPL; }
};

class FakeLocation final : public Fake<ILocation>
{
public:
    HRESULT permissionResult = S_OK;
    HRESULT registerResult = S_OK;
    int permissionCalls = 0;
    HWND permissionParent = HWND(1);
    ULONG permissionCount = 0;
    IID permissionType {};
    BOOL permissionModal = -1;
    IID registeredType {};
    DWORD registeredInterval = 12345;
    LOCATION_DESIRED_ACCURACY accuracy = LOCATION_DESIRED_ACCURACY(-1);
    DWORD interval = 1000;
    HRESULT intervalResult = S_OK;

    ComRef<ILocationEvents> sink() const
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        return m_sink;
    }

    // Calls the sink on a new thread, as the service does.
    std::thread deliver(std::function<void(ILocationEvents*)> delivery)
    {
        return std::thread([held = sink(), delivery = std::move(delivery)] {
            if (held)
                delivery(held.get());
        });
    }

    HRESULT STDMETHODCALLTYPE RegisterForReport(ILocationEvents* events, REFIID reportType, DWORD ms) override
    {
        registeredType = reportType;
        registeredInterval = ms;
        if (FAILED(registerResult))
            return registerResult;
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_sink = events;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE UnregisterForReport(REFIID reportType) override
    {
        if (!IsEqualIID(reportType, registeredType))
            return E_INVALIDARG;
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_sink.reset();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetReport(REFIID, ILocationReport**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetReportStatus(REFIID, LOCATION_REPORT_STATUS*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetReportInterval(REFIID, DWORD* ms) override
    {
        *ms = interval;
        return intervalResult;
    }
    HRESULT STDMETHODCALLTYPE SetReportInterval(REFIID, DWORD ms) override
    {
        interval = ms;
        return intervalResult;
    }
    HRESULT STDMETHODCALLTYPE GetDesiredAccuracy(REFIID, LOCATION_DESIRED_ACCURACY* desired) override
    {
        *desired = accuracy;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetDesiredAccuracy(REFIID, LOCATION_DESIRED_ACCURACY desired) override
    {
        accuracy = desired;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE RequestPermissions(HWND parent, IID types[], ULONG count, WINBOOL modal) override
    {
        ++permissionCalls;
        permissionParent = parent;
        permissionCount = count;
        permissionType = count ? types[0] : IID {};
        permissionModal = modal;
        return permissionResult;
    }

private:
    mutable std::mutex m_mutex;
    ComRef<ILocationEvents> m_sink;
};

// The layer's sink: records what arrives, and on which thread.
class RecordingSink final : public platform::LocationEventSink
{
public:
    struct Delivery
    {
        ReportType type;
        LocationReport report;
        DWORD thread;
    };

    platform::Result OnLocationChanged(ReportType reportType, const LocationReport& report) override
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_reports.push_back({reportType, report, GetCurrentThreadId()});
        return platform::Result::Success;
    }
    platform::Result OnStatusChanged(ReportType reportType, int newStatus) override
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_statuses.push_back({reportType, newStatus});
        return platform::Result::Success;
    }

    std::vector<Delivery> reports() const
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        return m_reports;
    }
    std::vector<std::pair<ReportType, int>> statuses() const
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        return m_statuses;
    }

private:
    mutable std::mutex m_mutex;
    std::vector<Delivery> m_reports;
    std::vector<std::pair<ReportType, int>> m_statuses;
};

// A location object registered as the system's, and the service made over it.
struct Fixture
{
    ComRef<FakeLocation> location = makeFake<FakeLocation>();
    ClassRegistration registration {CLSID_Location, handOut(location)};
    std::shared_ptr<platform::LocationService> service;

    Fixture()
    {
        CHECK(registration.registered());
        service = platform::createLocationService();
        CHECK(service != nullptr);
    }
};

// The same, with a recording sink registered for latitude/longitude reports.
struct ListeningFixture : Fixture
{
    std::shared_ptr<RecordingSink> sink = std::make_shared<RecordingSink>();

    ListeningFixture() { CHECK(service && service->registerForReport(sink, ReportType::LatLong, 0)); }
};

} // namespace

WIN_TEST(noLocationClassGivesNoService)
{
    Apartment com;
    CHECK(com.ready());
    CHECK(platform::createLocationService() == nullptr);
    CHECK_EQ(liveFakes().load(), 0);
}

WIN_TEST(permissions)
{
    Apartment com;
    struct
    {
        const char* name;
        HRESULT answer;
        bool modal;
        bool granted;
    } rows[] = {{"granted", S_OK, false, true},
                {"granted, modal", S_OK, true, true},
                {"refused", HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED), false, false},
                {"cancelled", HRESULT_FROM_WIN32(ERROR_CANCELLED), false, false}};
    forEachRowLeavesNoFakes(rows, [&](const auto& row) {
        Fixture f;
        if (!f.service)
            return;
        f.location->permissionResult = row.answer;
        CHECK_EQ(f.service->requestPermissions(ReportType::LatLong, row.modal), row.granted);
        CHECK(f.location->permissionParent == nullptr);
        CHECK_EQ(f.location->permissionCount, ULONG(1));
        CHECK(IsEqualIID(f.location->permissionType, IID_ILatLongReport));
        CHECK_EQ(f.location->permissionModal, row.modal ? TRUE : FALSE);
        // Only latitude/longitude reports are asked for.
        CHECK(!f.service->requestPermissions(ReportType::Other, row.modal));
        CHECK_EQ(f.location->permissionCalls, 1);
    });
}

WIN_TEST(registrationAndSettings)
{
    Apartment com;
    leavesNoFakes([&] {
        ListeningFixture f;
        CHECK(IsEqualIID(f.location->registeredType, IID_ILatLongReport));
        CHECK_EQ(f.location->registeredInterval, DWORD(0));
        CHECK(f.location->sink() != nullptr);
        // Held by the COM sink the service holds.
        CHECK_EQ(f.sink.use_count(), 2L);

        CHECK(f.service->setDesiredAccuracy(ReportType::LatLong, platform::LocationAccuracy::High));
        CHECK_EQ(int(f.location->accuracy), int(LOCATION_DESIRED_ACCURACY_HIGH));
        CHECK(f.service->setDesiredAccuracy(ReportType::LatLong, platform::LocationAccuracy::Default));
        CHECK_EQ(int(f.location->accuracy), int(LOCATION_DESIRED_ACCURACY_DEFAULT));

        CHECK(f.service->setReportInterval(ReportType::LatLong, 2500));
        CHECK_EQ(f.location->interval, DWORD(2500));
        CHECK(f.service->reportInterval(ReportType::LatLong) == std::optional<unsigned>(2500));
        f.location->intervalResult = E_FAIL;
        CHECK(!f.service->reportInterval(ReportType::LatLong).has_value());
        CHECK(!f.service->setReportInterval(ReportType::LatLong, 100));

        CHECK(f.service->unregisterForReport(ReportType::LatLong));
        CHECK(f.location->sink() == nullptr);
        CHECK_EQ(f.sink.use_count(), 1L);
        CHECK(!f.service->registerForReport(nullptr, ReportType::LatLong, 0));
    });
}

WIN_TEST(registrationRefused)
{
    Apartment com;
    leavesNoFakes([&] {
        Fixture f;
        f.location->registerResult = E_ACCESSDENIED;
        auto sink = std::make_shared<RecordingSink>();
        CHECK(!f.service->registerForReport(sink, ReportType::LatLong, 0));
        CHECK(f.location->sink() == nullptr);
        // The COM sink made for the call is gone with its reference.
        CHECK_EQ(sink.use_count(), 1L);
    });
}

WIN_TEST(reportsFromAnotherThread)
{
    Apartment com;
    enum Kind { Full, NoAltitude, NoErrorRadius, NoLatitude, OtherType, NotLatLong };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const std::optional<double> none;
    // Values the driver gives, and what the layer's sink is to see of them.
    struct Values
    {
        double latitude, longitude, altitude, errorRadius;
    };
    const Values usual {47.5, 8.25, 410.5, 12.0};
    struct
    {
        const char* name;
        Kind kind;
        Values given;
        bool passed;
        std::optional<double> latitude, longitude, altitude, errorRadius;
    } rows[] = {
        {"every value", Full, usual, true, 47.5, 8.25, 410.5, 12.0},
        {"altitude getter fails", NoAltitude, usual, true, 47.5, 8.25, none, 12.0},
        {"error radius getter fails", NoErrorRadius, usual, true, 47.5, 8.25, 410.5, none},
        {"latitude getter fails", NoLatitude, usual, true, none, 8.25, 410.5, 12.0},
        {"report of another type", OtherType, usual, true, none, none, none, none},
        {"report without latitude/longitude", NotLatLong, usual, false, none, none, none, none},
        {"latitude and longitude at their limits", Full, {90.0, -180.0, -420.0, 0.0}, true, 90.0, -180.0, -420.0, 0.0},
        {"latitude and longitude at the other limits", Full, {-90.0, 180.0, 0.0, 1e6}, true, -90.0, 180.0, 0.0, 1e6},
        {"latitude beyond the pole", Full, {90.000001, 8.25, 410.5, 12.0}, false, none, none, none, none},
        {"latitude beyond the south pole", Full, {-90.5, 8.25, 410.5, 12.0}, false, none, none, none, none},
        {"longitude beyond 180", Full, {47.5, 180.5, 410.5, 12.0}, false, none, none, none, none},
        {"longitude beyond -180", Full, {47.5, -181.0, 410.5, 12.0}, false, none, none, none, none},
        {"latitude not a number", Full, {nan, 8.25, 410.5, 12.0}, false, none, none, none, none},
        {"longitude infinite", Full, {47.5, -inf, 410.5, 12.0}, false, none, none, none, none},
        {"altitude not a number", Full, {47.5, 8.25, nan, 12.0}, true, 47.5, 8.25, none, 12.0},
        {"altitude infinite", Full, {47.5, 8.25, inf, 12.0}, true, 47.5, 8.25, none, 12.0},
        {"error radius negative", Full, {47.5, 8.25, 410.5, -0.5}, true, 47.5, 8.25, 410.5, none},
        {"error radius not a number", Full, {47.5, 8.25, 410.5, nan}, true, 47.5, 8.25, 410.5, none},
        {"error radius infinite", Full, {47.5, 8.25, 410.5, inf}, true, 47.5, 8.25, 410.5, none}};
    forEachRowLeavesNoFakes(rows, [&](const auto& row) {
        ListeningFixture f;
        ComRef<ILocationReport> report;
        if (row.kind == NotLatLong) {
            report = makeFake<FakePlainReport>();
        } else {
            const ComRef<FakeLatLongReport> latLong = makeFake<FakeLatLongReport>();
            if (row.kind == NoAltitude)
                latLong->altitudeResult = E_FAIL;
            if (row.kind == NoErrorRadius)
                latLong->errorRadiusResult = HRESULT_FROM_WIN32(ERROR_NO_DATA);
            if (row.kind == NoLatitude)
                latLong->latitudeResult = E_FAIL;
            latLong->latitude = row.given.latitude;
            latLong->longitude = row.given.longitude;
            latLong->altitude = row.given.altitude;
            latLong->errorRadius = row.given.errorRadius;
            report = latLong;
        }
        const IID type = row.kind == OtherType ? IID_ICivicAddressReport : IID_ILatLongReport;
        HRESULT answered = E_UNEXPECTED;
        f.location->deliver([&](ILocationEvents* events) {
            answered = events->OnLocationChanged(type, report.get());
        }).join();
        CHECK_EQ(answered, S_OK);
        const std::vector<RecordingSink::Delivery> got = f.sink->reports();
        if (CHECK_EQ(got.size(), size_t(row.passed ? 1 : 0)) && row.passed) {
            const RecordingSink::Delivery& d = got[0];
            const ReportType expected = row.kind == OtherType ? ReportType::Other : ReportType::LatLong;
            CHECK(d.thread != GetCurrentThreadId());
            CHECK(d.type == expected);
            CHECK(d.report.type == expected);
            CHECK(d.report.latitude == row.latitude);
            CHECK(d.report.longitude == row.longitude);
            CHECK(d.report.altitude == row.altitude);
            CHECK(d.report.errorRadius == row.errorRadius);
        }
        // The latitude/longitude interface asked of the report went back.
        report.reset();
        CHECK(f.service->unregisterForReport(ReportType::LatLong));
    });
}

WIN_TEST(statusTable)
{
    Apartment com;
    leavesNoFakes([&] {
        ListeningFixture f;
        const LOCATION_REPORT_STATUS sequence[] = {REPORT_NOT_SUPPORTED, REPORT_ERROR, REPORT_ACCESS_DENIED,
                                                   REPORT_INITIALIZING, REPORT_RUNNING};
        f.location->deliver([&](ILocationEvents* events) {
            for (const LOCATION_REPORT_STATUS status : sequence)
                CHECK_EQ(events->OnStatusChanged(IID_ILatLongReport, status), S_OK);
            events->OnStatusChanged(IID_ICivicAddressReport, REPORT_ERROR);
        }).join();
        const auto statuses = f.sink->statuses();
        if (CHECK_EQ(statuses.size(), size_t(6))) {
            const platform::LocationFailure expected[] = {
                platform::LocationFailure::NotSupported, platform::LocationFailure::Unknown,
                platform::LocationFailure::AccessDenied, platform::LocationFailure::None,
                platform::LocationFailure::None};
            for (size_t i = 0; i < 5; ++i) {
                Row named("status " + std::to_string(i));
                CHECK(statuses[i].first == ReportType::LatLong);
                CHECK_EQ(statuses[i].second, int(sequence[i]));
                CHECK(platform::failureForStatus(statuses[i].second) == expected[i]);
            }
            CHECK(statuses[5].first == ReportType::Other);
        }
        CHECK(f.service->unregisterForReport(ReportType::LatLong));
    });
}

WIN_TEST(sinkIdentity)
{
    Apartment com;
    leavesNoFakes([&] {
        ListeningFixture f;
        const ComRef<ILocationEvents> events = f.location->sink();
        if (CHECK(events != nullptr)) {
            ComRef<IUnknown> unknown;
            CHECK_EQ(events->QueryInterface(IID_IUnknown, unknown.putVoid()), S_OK);
            ComRef<ILocationEvents> again;
            CHECK_EQ(events->QueryInterface(IID_ILocationEvents, again.putVoid()), S_OK);
            void* none = reinterpret_cast<void*>(1);
            CHECK_EQ(events->QueryInterface(IID_ILocation, &none), E_NOINTERFACE);
            CHECK(none == nullptr);
            CHECK_EQ(events->QueryInterface(IID_ILocationEvents, nullptr), E_POINTER);
            // The service's reference, this test's, and the two asked for.
            CHECK_EQ(events->AddRef(), ULONG(5));
            CHECK_EQ(events->Release(), ULONG(4));
        }
        CHECK(f.service->unregisterForReport(ReportType::LatLong));
    });
}

int main(int argc, char** argv)
{
    return runAll(argc, argv);
}
