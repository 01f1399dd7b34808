#include "export/GeoListText.h"

#include "export/UTM.h"

#include <QColor>

namespace kiv {

std::array<float, 3> colorToRgbF(const QColor& color)
{
    return {static_cast<float>(color.redF()), static_cast<float>(color.greenF()),
            static_cast<float>(color.blueF())};
}

std::string writeUTMCoordinateSystem(double latitude, double longitude)
{
    double northing = 0.0;
    double easting = 0.0;
    char zone[UtmZoneTextSize] = {};
    latLongToUTMWithZone(latitude, longitude, northing, easting, zone);
    const int zoneNumber = utmZoneNumber(zone);
    // The readers of this format expect the three-digit exponent of the
    // runtime it was first written with.
    const char* const falseNorthing = latitude >= 0.0 ? "0" : "1e+007";
    return std::string("<CoordinateSystem wkt=\"PROJCS[&quot;WGS_1984_UTM_Zone_") + zone
           + "&quot;,GEOGCS[&quot;GCS_WGS_1984&quot;,DATUM[&quot;D_WGS_1984&quot;,SPHEROID[&quot;"
             "WGS_1984&quot;,6378137,298.257223563]],PRIMEM[&quot;Greenwich&quot;,0],UNIT[&quot;"
             "Degree&quot;,0.017453292519943295]],PROJECTION[&quot;Transverse_Mercator&quot;],"
             "PARAMETER[&quot;latitude_of_origin&quot;,0],PARAMETER[&quot;central_meridian&quot;,"
           + std::to_string(6 * zoneNumber - 183)
           + "],PARAMETER[&quot;scale_factor&quot;,0.9996],PARAMETER[&quot;false_easting&quot;,"
             "500000],PARAMETER[&quot;false_northing&quot;,"
           + falseNorthing + "],UNIT[&quot;Meter&quot;,1]]\" />";
}

} // namespace kiv
