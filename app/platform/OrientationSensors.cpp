#include "app/platform/OrientationSensors.h"

#include <array>
#include <cmath>
#include <cstring>

namespace kiv::platform {

std::optional<DeviceQuaternion> decodeQuaternion(const SensorValue& value)
{
    constexpr std::size_t QuaternionBytes = 4 * sizeof(float);
    if (value.type != SensorValue::ByteVector || (value.bytes.size() & ~std::size_t(3)) != QuaternionBytes)
        return std::nullopt;
    std::array<float, 4> f {};
    std::memcpy(f.data(), value.bytes.data(), QuaternionBytes);
    // A broken driver's sample has no rotation to give: the compass keeps its last.
    double squaredLength = 0.0;
    for (const float c : f) {
        if (!std::isfinite(c))
            return std::nullopt;
        squaredLength += double(c) * c;
    }
    if (squaredLength == 0.0)
        return std::nullopt;
    return DeviceQuaternion {f[3], f[0], f[1], f[2]};
}

} // namespace kiv::platform
