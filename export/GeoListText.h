#pragma once

#include <array>
#include <string>

class QColor;

namespace kiv {

// Red, green and blue from 0 to 1.
std::array<float, 3> colorToRgbF(const QColor& color);

// The GeoList CoordinateSystem element (without indentation or line end) of
// the UTM zone of a WGS84 position, its WKT escaped for an attribute.
std::string writeUTMCoordinateSystem(double latitude, double longitude);

} // namespace kiv
