#pragma once

#include <cstddef>

namespace kiv {

// Smallest buffer that holds any zone text ("60X" and its terminator).
constexpr std::size_t UtmZoneTextSize = 4;

// WGS84 latitude/longitude in degrees to UTM northing/easting in metres in
// the given zone; the zone is used as given, even far from the point.
void latLongToUTM(double latitude, double longitude, int zone, double& northing, double& easting);

// As latLongToUTM, in the point's own zone (with the Norway and Svalbard
// exceptions). zoneText receives e.g. "32T" and must hold UtmZoneTextSize
// bytes. Non-finite input gives zone text "0Z" and NaN coordinates.
void latLongToUTMWithZone(double latitude, double longitude, double& northing, double& easting,
                          char* zoneText);

// Latitude band letter C..X (without I and O); 'Z' outside 80 S to 84 N.
char utmLatitudeBand(double latitude);

// Leading decimal number of a zone text such as "33X"; 0 when there is none.
int utmZoneNumber(const char* zoneText);

} // namespace kiv
