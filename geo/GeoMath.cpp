#include "geo/GeoMath.h"

#include <algorithm>
#include <cmath>

namespace kiv::geo {

double GeoMath::distance(double lat1Rad, double lon1Rad, double lat2Rad, double lon2Rad,
                         double radius)
{
    const double sinLat = std::sin(0.5 * (lat2Rad - lat1Rad));
    const double sinLon = std::sin(0.5 * (lon2Rad - lon1Rad));
    const double h = sinLat * sinLat + std::cos(lat1Rad) * std::cos(lat2Rad) * sinLon * sinLon;
    // Rounding can push h a hair above 1 for antipodal points.
    return 2.0 * radius * std::asin(std::sqrt(std::clamp(h, 0.0, 1.0)));
}

} // namespace kiv::geo
