#pragma once

namespace kiv {

// The stored and passed-around value meaning "none": a declination that is
// not known, and either coordinate of a position that is not known, (999, 999).
// Stored files and QML callers rely on the number itself.
constexpr double NoValue = 999.0;
constexpr float NoValueF = static_cast<float>(NoValue);

} // namespace kiv
