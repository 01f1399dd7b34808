#pragma once

#include "app/platform/PlatformResult.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

// The operating system's fused device orientation sensor as the
// compass-clino source needs it. Qt-free, so an adaptor over a native sensor
// API can implement it directly.
namespace kiv::platform {

enum class SensorType { AggregatedDeviceOrientation, Other };

// A raw sensor value: its variant type tag and its bytes.
struct SensorValue
{
    static constexpr std::uint16_t ByteVector = 0x1011; // a vector of unsigned bytes

    std::uint16_t type = 0;
    std::vector<unsigned char> bytes;
};

// One data report; the quaternion read from it and how the read ended.
struct SensorDataReport
{
    Result quaternionRead = Result::Success;
    SensorValue quaternion;
};

struct DeviceQuaternion
{
    double w;
    double x;
    double y;
    double z;
};

// The quaternion of a raw value: a byte vector of 16 bytes (up to three
// trailing bytes are ignored) holding four finite floats x, y, z, w, not all
// zero. Absent for anything else.
std::optional<DeviceQuaternion> decodeQuaternion(const SensorValue& value);

class Sensor;

// Receives a sensor's events; called on any thread.
class SensorEventSink
{
public:
    virtual ~SensorEventSink() = default;
    virtual Result OnStateChanged(const Sensor* sensor, int state) = 0;
    virtual Result OnDataUpdated(const Sensor* sensor, const SensorDataReport* report) = 0;
    virtual Result OnEvent(const Sensor* sensor, int eventId) = 0;
    virtual Result OnLeave(int sensorId) = 0;
};

class Sensor
{
public:
    virtual ~Sensor() = default;
    virtual SensorType type() const = 0;
    // Change sensitivity of the quaternion and report interval in one go.
    virtual bool configure(float quaternionSensitivity, unsigned reportIntervalMs) = 0;
    // The sensor holds the sink until it is replaced; null removes it.
    virtual bool setEventSink(std::shared_ptr<SensorEventSink> sink) = 0;
};

class SensorManager
{
public:
    virtual ~SensorManager() = default;
    // The sensors of the orientation category once the user granted access
    // (a modal request); empty when there are none or access was refused.
    virtual std::vector<std::shared_ptr<Sensor>> orientationSensors() = 0;
};

// The platform's sensor manager; null where the program has none.
std::shared_ptr<SensorManager> createSensorManager();

} // namespace kiv::platform
