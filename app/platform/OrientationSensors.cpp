#include "app/platform/OrientationSensors.h"

#include <array>
#include <cstring>

namespace kiv::platform {

std::optional<DeviceQuaternion> decodeQuaternion(const SensorValue& value)
{
    constexpr std::size_t QuaternionBytes = 4 * sizeof(float);
    if (value.type != SensorValue::ByteVector || (value.bytes.size() & ~std::size_t(3)) != QuaternionBytes)
        return std::nullopt;
    std::array<float, 4> f {};
    std::memcpy(f.data(), value.bytes.data(), QuaternionBytes);
    return DeviceQuaternion {f[3], f[0], f[1], f[2]};
}

} // namespace kiv::platform
