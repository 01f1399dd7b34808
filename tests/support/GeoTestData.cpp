#include "support/GeoTestData.h"

#include "geo/GeoExtent.h"

#include <cpl_conv.h>
#include <ogr_srs_api.h>

#include <QBuffer>
#include <QFile>
#include <QImage>

#include <cmath>
#include <vector>

namespace kiv::test {

bool writeRaster(const QString& path, const RasterSpec& raster)
{
    GDALAllRegister();
    GDALDatasetH ds = GDALCreate(GDALGetDriverByName("GTiff"), path.toUtf8().constData(), raster.size,
                                 raster.size, raster.bands, raster.type, nullptr);
    if (!ds)
        return false;
    if (raster.georeferenced) {
        std::array<double, 6> gt = raster.gt;
        GDALSetGeoTransform(ds, gt.data());
        OGRSpatialReferenceH srs = OSRNewSpatialReference(nullptr);
        OSRSetFromUserInput(srs, raster.srs.toUtf8().constData());
        GDALSetSpatialRef(ds, srs);
        OSRDestroySpatialReference(srs);
    }
    bool ok = true;
    std::vector<double> row(raster.size);
    for (int b = 1; b <= raster.bands && ok; ++b) {
        GDALRasterBandH band = GDALGetRasterBand(ds, b);
        if (raster.noData)
            GDALSetRasterNoDataValue(band, *raster.noData);
        for (int y = 0; y < raster.size && ok; ++y) {
            for (int x = 0; x < raster.size; ++x)
                row[x] = raster.fill(b - 1, x, y);
            ok = GDALRasterIO(band, GF_Write, 0, y, raster.size, 1, row.data(), raster.size, 1,
                              GDT_Float64, 0, 0)
                == CE_None;
        }
    }
    if (raster.palette) {
        GDALColorTableH table = GDALCreateColorTable(GPI_RGB);
        const GDALColorEntry clear{0, 0, 0, 0}, red{255, 0, 0, 255}, blue{0, 0, 255, 255};
        GDALSetColorEntry(table, 0, &clear);
        GDALSetColorEntry(table, 1, &red);
        GDALSetColorEntry(table, 2, &blue);
        GDALSetRasterColorTable(GDALGetRasterBand(ds, 1), table);
        GDALDestroyColorTable(table);
    }
    GDALClose(ds);
    return ok;
}

RasterSpec colouredRaster(double west, double south, double east, double north,
                          const QColor& colour, int size)
{
    RasterSpec raster;
    raster.srs = QStringLiteral("EPSG:4326");
    raster.gt = {west, (east - west) / size, 0.0, north, 0.0, -(north - south) / size};
    raster.size = size;
    raster.bands = 3;
    const int values[3] = {colour.red(), colour.green(), colour.blue()};
    raster.fill = [values](int b, int, int) { return values[b]; };
    return raster;
}

QString wktOf(const QString& init, bool esri)
{
    OGRSpatialReferenceH srs = OSRNewSpatialReference(nullptr);
    OSRSetFromUserInput(srs, init.toUtf8().constData());
    if (esri)
        OSRMorphToESRI(srs);
    char* wkt = nullptr;
    OSRExportToWkt(srs, &wkt);
    const QString text = QString::fromUtf8(wkt);
    CPLFree(wkt);
    OSRDestroySpatialReference(srs);
    return text;
}

bool writeText(const QString& path, const QString& text)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Text) && file.write(text.toUtf8()) >= 0;
}

QByteArray encodedTile(const QColor& colour, const char* format)
{
    QImage image(256, 256, QImage::Format_RGBA8888);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

geo::TileKey tileKey(const QString& zxy, const geo::Profile* profile)
{
    const QStringList p = zxy.split(QLatin1Char('/'));
    return geo::TileKey(p.value(0).toUInt(), p.value(1).toUInt(), p.value(2).toUInt(), profile);
}

geo::TileKey tileAt(const geo::Profile* profile, double lon, double lat, unsigned lod, QPoint* pixel)
{
    double x = 0.0, y = 0.0;
    profile->getSRS()->getGeographicSRS()->transform2D(lon, lat, profile->getSRS(), x, y);
    std::vector<geo::TileKey> keys;
    profile->getIntersectingTiles(geo::GeoExtent(profile->getSRS(), x, y, x, y), lod, keys);
    if (keys.empty())
        return geo::TileKey();
    const geo::GeoExtent e = keys.front().getExtent();
    if (pixel)
        *pixel = QPoint(int((x - e.xMin()) / e.width() * 256), int((e.yMax() - y) / e.height() * 256));
    return keys.front();
}

bool boundsNear(const geo::Bounds& bounds, const QRectF& expected, double tolerance)
{
    return std::abs(bounds.xMin() - expected.x()) < tolerance
        && std::abs(bounds.yMin() - expected.y()) < tolerance
        && std::abs(bounds.width() - expected.width()) < tolerance
        && std::abs(bounds.height() - expected.height()) < tolerance;
}

} // namespace kiv::test
