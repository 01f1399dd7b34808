#include "tools/QuatSensorEvents.h"

#include "tools/WinCompassClino.h"

namespace kiv {

using platform::Result;

QuatSensorEvents::QuatSensorEvents(WinCompassClino* owner)
    : m_owner(owner)
{
}

Result QuatSensorEvents::OnStateChanged(const platform::Sensor* sensor, int)
{
    return sensor ? Result::Success : Result::InvalidArgument;
}

Result QuatSensorEvents::OnDataUpdated(const platform::Sensor* sensor, const platform::SensorDataReport* report)
{
    if (!sensor || !report)
        return Result::InvalidArgument;
    if (report->quaternionRead != Result::Success)
        return report->quaternionRead;
    if (const std::optional<platform::DeviceQuaternion> q = platform::decodeQuaternion(report->quaternion)) {
        const std::lock_guard<std::mutex> lock(m_mutex);
        if (m_owner)
            emit m_owner->newData(q->w, q->x, q->y, q->z);
    }
    return Result::Success;
}

Result QuatSensorEvents::OnEvent(const platform::Sensor*, int)
{
    return Result::Success;
}

Result QuatSensorEvents::OnLeave(int)
{
    return Result::Success;
}

void QuatSensorEvents::detach()
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_owner = nullptr;
}

} // namespace kiv
