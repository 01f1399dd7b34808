#include "tools/GeomagneticSynthesis.h"

#include "tools/LegendreFunctions.h"
#include "tools/MagneticCoefficients.h"

#include <cmath>
#include <vector>

namespace kiv {

namespace {

constexpr double Pi = 3.14159265358979323846;

double radians(double degrees)
{
    return degrees * Pi / 180.0;
}

double degrees(double radians)
{
    return radians * 180.0 / Pi;
}

struct Vector
{
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;
};

// Everything of the point that the summations share.
struct Point
{
    GeomagneticSynthesis::Spherical spherical;
    std::vector<double> radiusPower; // (re / r)^(n + 2)
    std::vector<double> cosMLambda;
    std::vector<double> sinMLambda;
    std::vector<double> p;
    std::vector<double> dp;
};

Point preparePoint(const GeomagneticSynthesis::Spherical& spherical, double re, int nMax)
{
    Point point;
    point.spherical = spherical;
    const double ratio = re / spherical.r;
    point.radiusPower.resize(std::size_t(nMax) + 1);
    point.radiusPower[0] = ratio * ratio;
    for (int n = 1; n <= nMax; ++n)
        point.radiusPower[n] = point.radiusPower[n - 1] * ratio;

    const double lambda = radians(spherical.lambda);
    point.cosMLambda.resize(std::size_t(nMax) + 1);
    point.sinMLambda.resize(std::size_t(nMax) + 1);
    for (int m = 0; m <= nMax; ++m) {
        point.cosMLambda[m] = std::cos(m * lambda);
        point.sinMLambda[m] = std::sin(m * lambda);
    }

    LegendreFunctions::compute(nMax, spherical.sinPhig, spherical.cosPhig, point.p, point.dp);
    return point;
}

// East component at a pole: only order 1 survives, with P(n, 1) / cos phi
// taken as its limit, P(n, 1) / cos phi being a polynomial in sin phi.
double polarEast(const Point& point, const std::vector<double>& g, const std::vector<double>& h,
                 int nMax)
{
    const double x = point.spherical.sinPhig;
    double previous = 0.0;
    double current = 1.0;
    double east = 0.0;
    for (int n = 1; n <= nMax; ++n) {
        if (n > 1) {
            const double a = double(2 * n - 1) / std::sqrt(double(n * n - 1));
            const double b = n > 2 ? std::sqrt(double((n - 1) * (n - 1) - 1) / double(n * n - 1)) : 0.0;
            const double next = a * x * current - b * previous;
            previous = current;
            current = next;
        }
        const int i = MagneticCoefficients::index(n, 1);
        east += point.radiusPower[n] * (g[i] * point.sinMLambda[1] - h[i] * point.cosMLambda[1]) * current;
    }
    return east;
}

// Field of one coefficient set in the geocentric north-east-down frame.
Vector summation(const Point& point, const std::vector<double>& g, const std::vector<double>& h,
                 int nMax)
{
    Vector field;
    for (int n = 1; n <= nMax; ++n) {
        for (int m = 0; m <= n; ++m) {
            const int i = MagneticCoefficients::index(n, m);
            const double cosTerm = g[i] * point.cosMLambda[m] + h[i] * point.sinMLambda[m];
            const double sinTerm = g[i] * point.sinMLambda[m] - h[i] * point.cosMLambda[m];
            field.x -= point.radiusPower[n] * cosTerm * point.dp[i];
            field.y += point.radiusPower[n] * m * sinTerm * point.p[i];
            field.z -= (n + 1) * point.radiusPower[n] * cosTerm * point.p[i];
        }
    }

    const double cosPhi = point.spherical.cosPhig;
    if (cosPhi > GeomagneticSynthesis::PoleCosine)
        field.y /= cosPhi;
    else
        field.y = polarEast(point, g, h, nMax);
    return field;
}

Vector toGeodetic(const Vector& spherical, double phigDegrees, double latitudeDegrees)
{
    const double psi = radians(phigDegrees - latitudeDegrees);
    Vector geodetic;
    geodetic.x = spherical.x * std::cos(psi) - spherical.z * std::sin(psi);
    geodetic.y = spherical.y;
    geodetic.z = spherical.x * std::sin(psi) + spherical.z * std::cos(psi);
    return geodetic;
}

GeomagneticSynthesis::Elements elements(const Vector& field, const Vector& change)
{
    GeomagneticSynthesis::Elements e;
    e.x = field.x;
    e.y = field.y;
    e.z = field.z;
    e.h = std::sqrt(field.x * field.x + field.y * field.y);
    e.f = std::sqrt(e.h * e.h + field.z * field.z);
    e.incl = degrees(std::atan2(field.z, e.h));
    e.decl = degrees(std::atan2(field.y, field.x));

    e.xDot = change.x;
    e.yDot = change.y;
    e.zDot = change.z;
    if (e.h > 0.0) {
        e.hDot = (field.x * change.x + field.y * change.y) / e.h;
        e.declDot = degrees((field.x * change.y - field.y * change.x) / (e.h * e.h));
    }
    if (e.f > 0.0) {
        e.fDot = (field.x * change.x + field.y * change.y + field.z * change.z) / e.f;
        e.inclDot = degrees((e.h * change.z - field.z * e.hDot) / (e.f * e.f));
    }
    return e;
}

} // namespace

GeomagneticSynthesis::Ellipsoid GeomagneticSynthesis::Ellipsoid::wgs84()
{
    Ellipsoid e;
    e.a = 6378.137;
    e.b = 6356.7523142;
    e.flattening = 1.0 / 298.257223563;
    e.epsSquared = 0.006694380004260592;
    e.eps = std::sqrt(e.epsSquared);
    e.re = 6371.2;
    return e;
}

GeomagneticSynthesis::Spherical GeomagneticSynthesis::geodeticToSpherical(const Ellipsoid& ellipsoid,
                                                                          double longitude,
                                                                          double latitude,
                                                                          double heightKm)
{
    const double phi = radians(latitude);
    const double sinLat = std::sin(phi);
    const double cosLat = std::cos(phi);
    // Radius of curvature in the prime vertical.
    const double rc = ellipsoid.a / std::sqrt(1.0 - ellipsoid.epsSquared * sinLat * sinLat);
    const double xp = (rc + heightKm) * cosLat;
    const double zp = (rc * (1.0 - ellipsoid.epsSquared) + heightKm) * sinLat;

    Spherical s;
    s.r = std::sqrt(xp * xp + zp * zp);
    s.sinPhig = zp / s.r;
    s.cosPhig = xp / s.r;
    s.phig = degrees(std::atan2(zp, xp));
    s.lambda = longitude;
    return s;
}

GeomagneticSynthesis::Elements GeomagneticSynthesis::evaluate(const MagneticCoefficients& timedModel,
                                                              const Ellipsoid& ellipsoid,
                                                              double longitude, double latitude,
                                                              double heightKm)
{
    const Spherical spherical = geodeticToSpherical(ellipsoid, longitude, latitude, heightKm);
    const Point point = preparePoint(spherical, ellipsoid.re, timedModel.nMax);

    const Vector field = summation(point, timedModel.mainG, timedModel.mainH, timedModel.nMax);
    const Vector change = summation(point, timedModel.secVarG, timedModel.secVarH, timedModel.nMax);
    return elements(toGeodetic(field, spherical.phig, latitude),
                    toGeodetic(change, spherical.phig, latitude));
}

} // namespace kiv
