#include "export/UTM.h"

#include <QByteArray>

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace kiv {

namespace {

constexpr double SemiMajorAxis = 6378137.0;
constexpr double EccentricitySquared = 0.006694379983166804;
constexpr double SecondEccentricitySquared = 0.006739496735207596;
constexpr double ScaleFactor = 0.9996;
constexpr double FalseEasting = 500000.0;
constexpr double SouthernFalseNorthing = 10000000.0;
constexpr double DegreesToRadians = 0.017453292519943295;
constexpr double M1 = 0.9983242984545433;
constexpr double M2 = 0.0025146070578944673;
constexpr double M3 = 2.6390465888249263e-6;
constexpr double M4 = 3.418046075912556e-9;
constexpr double E58 = 0.39089081064204056;
constexpr double E330 = 2.224033922618507;

// Longitude into [-180, 180). A floor-based modulo: below -180 it still wraps
// into the range, and for [-180, 180) it is the same arithmetic as a plain
// (lon + 180) - 180.
double normalizedLongitude(double longitude)
{
    double shifted = std::fmod(longitude + 180.0, 360.0);
    if (shifted < 0.0)
        shifted += 360.0;
    if (shifted >= 360.0)
        shifted -= 360.0;
    return shifted - 180.0;
}

int standardZone(double latitude, double lonNormalized)
{
    int zone = int((lonNormalized + 180.0) / 6.0) + 1;
    if (zone > 60)
        zone = 60;

    if (latitude >= 56.0 && latitude < 64.0 && lonNormalized >= 3.0 && lonNormalized < 12.0)
        return 32;

    if (latitude >= 72.0 && latitude < 84.0) {
        if (lonNormalized >= 0.0 && lonNormalized < 9.0)
            return 31;
        if (lonNormalized >= 9.0 && lonNormalized < 21.0)
            return 33;
        if (lonNormalized >= 21.0 && lonNormalized < 33.0)
            return 35;
        if (lonNormalized >= 33.0 && lonNormalized < 42.0)
            return 37;
    }
    return zone;
}

void project(double latitude, double lonNormalized, int zone, double& northing, double& easting)
{
    const double phi = latitude * DegreesToRadians;
    // In double: a wild zone number must not overflow int arithmetic.
    const double centralMeridian = 6.0 * double(zone) - 183.0;

    const double sinPhi = std::sin(phi);
    const double cosPhi = std::cos(phi);
    const double tanPhi = std::tan(phi);

    const double n = SemiMajorAxis / std::sqrt(1.0 - EccentricitySquared * sinPhi * sinPhi);
    const double t = tanPhi * tanPhi;
    const double c = SecondEccentricitySquared * cosPhi * cosPhi;
    const double a = (lonNormalized * DegreesToRadians - centralMeridian * DegreesToRadians) * cosPhi;
    const double m = SemiMajorAxis
        * (M1 * phi - M2 * std::sin(2.0 * phi) + M3 * std::sin(4.0 * phi) - M4 * std::sin(6.0 * phi));

    const double a2 = a * a;
    const double a3 = a2 * a;
    const double a4 = a3 * a;
    const double a5 = a4 * a;
    const double a6 = a5 * a;

    easting = ScaleFactor * n
            * (a + (1.0 - t + c) * a3 / 6.0 + (5.0 - 18.0 * t + t * t + 72.0 * c - E58) * a5 / 120.0)
        + FalseEasting;

    northing = ScaleFactor
        * (m
           + n * tanPhi
               * (a2 / 2.0 + (5.0 - t + 9.0 * c + 4.0 * c * c) * a4 / 24.0
                  + (61.0 - 58.0 * t + t * t + 600.0 * c - E330) * a6 / 720.0));
    if (latitude < 0.0)
        northing += SouthernFalseNorthing;
}

// Bounded twice: formatted into a local buffer, then at most
// UtmZoneTextSize bytes (terminator included) into the caller's.
void writeZoneText(char* zoneText, int zone, char band)
{
    if (!zoneText)
        return;
    char text[16];
    std::snprintf(text, sizeof text, "%d%c", zone, band);
    qstrncpy(zoneText, text, UtmZoneTextSize);
}

} // namespace

void latLongToUTM(double latitude, double longitude, int zone, double& northing, double& easting)
{
    project(latitude, normalizedLongitude(longitude), zone, northing, easting);
}

void latLongToUTMWithZone(double latitude, double longitude, double& northing, double& easting,
                          char* zoneText)
{
    if (!std::isfinite(latitude) || !std::isfinite(longitude)) {
        northing = std::numeric_limits<double>::quiet_NaN();
        easting = std::numeric_limits<double>::quiet_NaN();
        writeZoneText(zoneText, 0, 'Z');
        return;
    }

    const double lonNormalized = normalizedLongitude(longitude);
    const int zone = standardZone(latitude, lonNormalized);
    project(latitude, lonNormalized, zone, northing, easting);
    writeZoneText(zoneText, zone, utmLatitudeBand(latitude));
}

char utmLatitudeBand(double latitude)
{
    if (latitude >= 72.0 && latitude <= 84.0)
        return 'X';
    static const struct
    {
        double south;
        char letter;
    } bands[] = {{64.0, 'W'},  {56.0, 'V'},  {48.0, 'U'},  {40.0, 'T'},  {32.0, 'S'},
                 {24.0, 'R'},  {16.0, 'Q'},  {8.0, 'P'},   {0.0, 'N'},   {-8.0, 'M'},
                 {-16.0, 'L'}, {-24.0, 'K'}, {-32.0, 'J'}, {-40.0, 'H'}, {-48.0, 'G'},
                 {-56.0, 'F'}, {-64.0, 'E'}, {-72.0, 'D'}, {-80.0, 'C'}};
    for (const auto& band : bands) {
        if (latitude >= band.south && latitude < band.south + 8.0)
            return band.letter;
    }
    return 'Z';
}

int utmZoneNumber(const char* zoneText)
{
    if (!zoneText)
        return 0;
    // strtol instead of sscanf: an out-of-range number must not be undefined.
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(zoneText, &end, 10);
    if (end == zoneText || errno == ERANGE || value > INT_MAX || value < INT_MIN)
        return 0;
    return int(value);
}

} // namespace kiv
