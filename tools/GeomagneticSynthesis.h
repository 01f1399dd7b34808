#pragma once

namespace kiv {

class MagneticCoefficients;

// The field of a spherical-harmonic model at a geodetic point, as the WMM
// technical report defines it: geocentric coordinates on the ellipsoid,
// summation in the geocentric frame, rotation to the geodetic frame.
class GeomagneticSynthesis
{
public:
    struct Ellipsoid
    {
        double a = 0.0;          // semi-major axis, km
        double b = 0.0;          // semi-minor axis, km
        double flattening = 0.0;
        double eps = 0.0;        // first eccentricity
        double epsSquared = 0.0;
        double re = 0.0;         // mean radius (reference radius of the model), km

        static Ellipsoid wgs84();
    };

    struct Spherical
    {
        double lambda = 0.0;     // longitude, degrees
        double phig = 0.0;       // geocentric latitude, degrees
        double sinPhig = 0.0;
        double cosPhig = 1.0;
        double r = 0.0;          // radius, km
    };

    // Field in the geodetic north-east-down frame (nT) and its yearly change.
    struct Elements
    {
        double x = 0.0, y = 0.0, z = 0.0;
        double h = 0.0, f = 0.0;
        double incl = 0.0, decl = 0.0; // degrees
        double xDot = 0.0, yDot = 0.0, zDot = 0.0;
        double hDot = 0.0, fDot = 0.0;
        double inclDot = 0.0, declDot = 0.0; // degrees per year
    };

    // Below this cos of the geocentric latitude the polar forms are used.
    static constexpr double PoleCosine = 1.0e-10;

    static Spherical geodeticToSpherical(const Ellipsoid& ellipsoid, double longitude,
                                         double latitude, double heightKm);

    // The model must already be adjusted to the date of the request.
    static Elements evaluate(const MagneticCoefficients& timedModel, const Ellipsoid& ellipsoid,
                             double longitude, double latitude, double heightKm);
};

} // namespace kiv
