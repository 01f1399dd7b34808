#pragma once

#include "app/platform/OrientationSensors.h"

#include <mutex>

namespace kiv {

class WinCompassClino;

// Receives the orientation sensor's reports on the sensor's thread and passes
// each quaternion to its owner through the owner's queued newData signal.
// The sensor and the owner share the sink; the owner cuts the link before it
// goes, so a late report reaches nobody.
class QuatSensorEvents : public platform::SensorEventSink
{
public:
    explicit QuatSensorEvents(WinCompassClino* owner);

    platform::Result OnStateChanged(const platform::Sensor* sensor, int state) override;
    platform::Result OnDataUpdated(const platform::Sensor* sensor, const platform::SensorDataReport* report) override;
    platform::Result OnEvent(const platform::Sensor* sensor, int eventId) override;
    platform::Result OnLeave(int sensorId) override;

    // Waits for a report in flight, then passes nothing more.
    void detach();

private:
    std::mutex m_mutex;
    WinCompassClino* m_owner;
};

} // namespace kiv
