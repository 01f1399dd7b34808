#pragma once

#include "app/platform/LocationService.h"

#include <functional>
#include <mutex>
#include <thread>

namespace kiv::test {

// A location service whose calls succeed or fail as the test says, counting
// them, and which delivers to the registered sink on the test's thread or
// from a thread of its own.
class FakeLocationService : public platform::LocationService
{
public:
    bool permissionsSucceed = true;
    bool registerSucceeds = true;
    bool unregisterSucceeds = true;
    std::optional<unsigned> interval = 0u;

    int permissionRequests = 0;
    bool permissionModal = true;
    int registrations = 0;
    int unregistrations = 0;
    int accuracyRequests = 0;
    platform::LocationAccuracy accuracy = platform::LocationAccuracy::Default;

    bool requestPermissions(platform::ReportType, bool modal) override
    {
        ++permissionRequests;
        permissionModal = modal;
        return permissionsSucceed;
    }
    bool registerForReport(std::shared_ptr<platform::LocationEventSink> sink, platform::ReportType,
                           unsigned) override
    {
        ++registrations;
        if (!registerSucceeds)
            return false;
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_sink = std::move(sink);
        return true;
    }
    bool unregisterForReport(platform::ReportType) override
    {
        ++unregistrations;
        if (!unregisterSucceeds)
            return false;
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_sink.reset();
        return true;
    }
    bool setDesiredAccuracy(platform::ReportType, platform::LocationAccuracy wanted) override
    {
        ++accuracyRequests;
        accuracy = wanted;
        return true;
    }
    std::optional<unsigned> reportInterval(platform::ReportType) const override { return interval; }
    bool setReportInterval(platform::ReportType, unsigned milliseconds) override
    {
        interval = milliseconds;
        return true;
    }

    std::shared_ptr<platform::LocationEventSink> sink() const
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        return m_sink;
    }

    // Runs the delivery on a new thread with the sink registered now, held
    // as the service holds it during a callback.
    std::thread deliverFromThread(std::function<void(platform::LocationEventSink&)> delivery) const
    {
        return std::thread([held = sink(), delivery = std::move(delivery)] {
            if (held)
                delivery(*held);
        });
    }

private:
    mutable std::mutex m_mutex;
    std::shared_ptr<platform::LocationEventSink> m_sink;
};

} // namespace kiv::test
