#pragma once

#include "geo/Bounds.h"
#include "geo/Profile.h"
#include "geo/TileKey.h"

#include <gdal.h>

#include <QColor>
#include <QPoint>
#include <QRectF>
#include <QString>

#include <array>
#include <functional>
#include <optional>

namespace kiv::test {

// A GeoTIFF to write: `fill` gives the value of band b at column x, row y.
struct RasterSpec
{
    QString srs; // the spatial reference written into the file
    bool georeferenced = true; // false: no transform and no reference inside
    std::array<double, 6> gt{};
    int size = 200;
    int bands = 1;
    GDALDataType type = GDT_Byte;
    std::function<double(int b, int x, int y)> fill;
    std::optional<double> noData;
    bool palette = false; // band 1 indexes clear, red, blue
};

bool writeRaster(const QString& path, const RasterSpec& raster);
// A square RGB raster in longitude/latitude filled with one colour.
RasterSpec colouredRaster(double west, double south, double east, double north,
                          const QColor& colour, int size = 128);
// WKT of a spatial reference given as "EPSG:n" (or anything OGR reads).
QString wktOf(const QString& init, bool esri = false);
bool writeText(const QString& path, const QString& text);

// A 256 x 256 tile of one colour, encoded as `format` ("PNG", "JPG").
QByteArray encodedTile(const QColor& colour, const char* format = "PNG");

// The key written "z/x/y".
geo::TileKey tileKey(const QString& zxy, const geo::Profile* profile);
// The tile of `profile` holding a longitude/latitude point at a level, and
// the point's pixel in that 256 x 256 tile.
geo::TileKey tileAt(const geo::Profile* profile, double lon, double lat, unsigned lod,
                    QPoint* pixel = nullptr);
// Whether bounds lie within `tolerance` of (west, south, width, height).
bool boundsNear(const geo::Bounds& bounds, const QRectF& expected, double tolerance);

} // namespace kiv::test
