#pragma once

namespace kiv::geo {

class GeoMath
{
public:
    static constexpr double EarthRadius = 6378137.0;

    // Great-circle distance (haversine) on a sphere; angles in radians.
    static double distance(double lat1Rad, double lon1Rad, double lat2Rad, double lon2Rad,
                           double radius = EarthRadius);
};

} // namespace kiv::geo
