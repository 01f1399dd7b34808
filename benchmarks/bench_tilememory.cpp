// Peak memory and time per tile of the tile loaders fed files that claim
// huge pictures: a GeoTIFF of 100,000 x 100,000 pixels without overviews (8-
// and 16-bit) and an MBTiles package whose tile claims 23,000 x 23,000
// pixels. The goal: the process's peak resident size (VmHWM) stays within a
// few hundred MB. Then, for a real 8,000 x 8,000 RGB GeoTIFF without
// overviews, the time of its coarsest tile beside GDALWarp() (what gdalwarp
// does) in this process for the same tile.
#include "geo/ImageLayer.h"
#include "geo/Profile.h"
#include "geo/TileKey.h"
#include "geo/drivers/GDALOptions.h"
#include "geo/drivers/MBTilesTileSourceOptions.h"

#include <cpl_string.h>
#include <gdal.h>
#include <gdal_utils.h>
#include <ogr_srs_api.h>
#include <sqlite3.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

using namespace kiv::geo;

namespace {

long peakKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    return -1;
}

// A GeoTIFF in longitude and latitude, from (west, north) in square pixels.
GDALDatasetH createTiff(const QString& path, int size, int bands, GDALDataType type,
                        const char* const* options, double west, double north, double pixel)
{
    GDALAllRegister();
    GDALDatasetH ds = GDALCreate(GDALGetDriverByName("GTiff"), path.toUtf8().constData(), size,
                                 size, bands, type, const_cast<char**>(options));
    if (!ds)
        return nullptr;
    double gt[6] = {west, pixel, 0.0, north, 0.0, -pixel};
    GDALSetGeoTransform(ds, gt);
    OGRSpatialReferenceH srs = OSRNewSpatialReference(nullptr);
    OSRImportFromEPSG(srs, 4326);
    GDALSetSpatialRef(ds, srs);
    OSRDestroySpatialReference(srs);
    return ds;
}

bool writeHugeTiff(const QString& path, GDALDataType type)
{
    const char* options[] = {"SPARSE_OK=TRUE", "COMPRESS=DEFLATE", nullptr};
    GDALDatasetH ds = createTiff(path, 100000, 1, type, options, 5.0, 47.0, 1e-5);
    if (!ds)
        return false;
    GDALClose(ds);
    return true;
}

constexpr int LargeSize = 8000;

bool writeLargeTiff(const QString& path)
{
    // 40 degrees a side, so that the coarsest tile shows it over some pixels.
    const char* options[] = {"TILED=YES", nullptr};
    GDALDatasetH ds = createTiff(path, LargeSize, 3, GDT_Byte, options, -10.0, 60.0, 0.005);
    if (!ds)
        return false;
    std::vector<uchar> row(LargeSize);
    bool ok = true;
    for (int b = 1; b <= 3 && ok; ++b)
        for (int y = 0; y < LargeSize && ok; ++y) {
            for (int x = 0; x < LargeSize; ++x)
                row[size_t(x)] = uchar(x % 13 == 0 ? 10 : (x / 7 + y / 5 + b * 40) & 0xff);
            ok = GDALRasterIO(GDALGetRasterBand(ds, b), GF_Write, 0, y, LargeSize, 1, row.data(),
                              LargeSize, 1, GDT_Byte, 0, 0)
                == CE_None;
        }
    GDALClose(ds);
    return ok;
}

// The tile's picture is one grey PNG claiming side x side pixels.
bool writeBombPackage(const QString& path, int side)
{
    QImage picture(side, side, QImage::Format_Grayscale8);
    picture.fill(200);
    QByteArray png;
    QBuffer buffer(&png);
    if (!buffer.open(QIODevice::WriteOnly) || !picture.save(&buffer, "PNG"))
        return false;
    picture = QImage();
    sqlite3* db = nullptr;
    if (sqlite3_open(path.toUtf8().constData(), &db) != SQLITE_OK)
        return false;
    sqlite3_exec(db,
                 "CREATE TABLE metadata (name, value); CREATE TABLE tiles (zoom_level, tile_column, "
                 "tile_row, tile_data); INSERT INTO metadata VALUES ('minzoom', 0), ('maxzoom', 0);",
                 nullptr, nullptr, nullptr);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO tiles VALUES (0, 0, 0, ?1)", -1, &st, nullptr);
    sqlite3_bind_blob(st, 1, png.constData(), png.size(), SQLITE_TRANSIENT);
    const bool ok = sqlite3_step(st) == SQLITE_DONE;
    sqlite3_finalize(st);
    sqlite3_close(db);
    return ok;
}

void report(const char* what, const std::function<TileResult()>& load)
{
    QElapsedTimer timer;
    timer.start();
    const TileResult tile = load();
    const double ms = timer.nsecsElapsed() / 1e6;
    std::printf("%-28s %-8s %8.1f ms  VmHWM %6ld MiB\n", what,
                tile.isOk() ? "tile" : tile.isFailed() ? "refused" : "no data", ms, peakKiB() / 1024);
}

// What gdalwarp -r bilinear -dstalpha does for the tile, in this process,
// into the same in-memory 256 x 256 RGBA destination the engine uses.
bool gdalWarpTile(GDALDatasetH src, const TileKey& key)
{
    CPLStringList args;
    for (const char* arg : {"-r", "bilinear", "-dstalpha", "-q"})
        args.AddString(arg);
    GDALWarpAppOptions* options = GDALWarpAppOptionsNew(args.List(), nullptr);
    const GeoExtent e = key.getExtent();
    GDALDatasetH dst = GDALCreate(GDALGetDriverByName("MEM"), "", Profile::TileSize,
                                  Profile::TileSize, 4, GDT_Byte, nullptr);
    double gt[6] = {e.xMin(), e.width() / Profile::TileSize, 0.0,
                    e.yMax(), 0.0, -e.height() / Profile::TileSize};
    GDALSetGeoTransform(dst, gt);
    OGRSpatialReferenceH srs = OSRNewSpatialReference(nullptr);
    OSRImportFromEPSG(srs, 3857);
    GDALSetSpatialRef(dst, srs);
    OSRDestroySpatialReference(srs);
    int usageError = FALSE;
    const bool ok = GDALWarp(nullptr, dst, 1, &src, options, &usageError) != nullptr;
    GDALClose(dst);
    GDALWarpAppOptionsFree(options);
    return ok;
}

// The best of a few rounds each, alternated so that neither profits alone
// from a warm cache.
void compareWithGdalWarp(const QString& path, const Profile* mercator)
{
    Drivers::GDALOptions options;
    options.setUrl(path);
    osg::ref_ptr<ImageLayer> layer = new ImageLayer(QStringLiteral("GeoTiff"), options);
    if (!layer->getProfile()) {
        std::printf("cannot open %s\n", qPrintable(path));
        return;
    }
    GDALDatasetH src = GDALOpen(path.toUtf8().constData(), GA_ReadOnly);
    const GeoExtent e = layer->getProfile()->getExtent().transform(mercator->getSRS());
    const double cx = 0.5 * (e.xMin() + e.xMax()), cy = 0.5 * (e.yMin() + e.yMax());
    for (unsigned level : {0u, layer->getMaxLevel() - 4}) {
        std::vector<TileKey> keys;
        mercator->getIntersectingTiles(GeoExtent(mercator->getSRS(), cx, cy, cx, cy), level, keys);
        if (keys.empty())
            continue;
        double engineBest = 1e300, gdalBest = 1e300;
        bool engineOk = false, gdalOk = false;
        for (int round = 0; round < 3; ++round) {
            QElapsedTimer timer;
            timer.start();
            engineOk = layer->createImage(keys.front()).isOk();
            engineBest = std::min(engineBest, timer.nsecsElapsed() / 1e6);
            timer.restart();
            gdalOk = gdalWarpTile(src, keys.front());
            gdalBest = std::min(gdalBest, timer.nsecsElapsed() / 1e6);
        }
        std::printf("8000 x 8000 RGB level %-2u %s  engine %8.1f ms%s  GDALWarp %8.1f ms%s  VmHWM %6ld MiB\n",
                    level, level == 0 ? "(coarsest)" : "          ", engineBest,
                    engineOk ? "" : " (failed)", gdalBest, gdalOk ? "" : " (failed)", peakKiB() / 1024);
    }
    GDALClose(src);
}

} // namespace

// Writing the files takes memory of its own, so a child process writes them.
int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 3 && args.at(1) == QLatin1String("--write")) {
        const QDir dir(args.at(2));
        return writeBombPackage(dir.filePath(QStringLiteral("bomb.mbtiles")), 23000)
                && writeHugeTiff(dir.filePath(QStringLiteral("huge-8-bit.tif")), GDT_Byte)
                && writeHugeTiff(dir.filePath(QStringLiteral("huge-16-bit.tif")), GDT_UInt16)
                && writeLargeTiff(dir.filePath(QStringLiteral("large-rgb.tif")))
            ? 0 : 1;
    }
    QTemporaryDir dir;
    if (QProcess::execute(app.applicationFilePath(), {QStringLiteral("--write"), dir.path()}) != 0)
        return 1;
    osg::ref_ptr<const Profile> mercator = Profile::create(QStringLiteral("spherical-mercator"));
    std::printf("%-28s %-8s %11s  VmHWM %6ld MiB\n", "start", "", "", peakKiB() / 1024);

    for (const char* name : {"8-bit", "16-bit"}) {
        Drivers::GDALOptions options;
        options.setUrl(dir.filePath(QStringLiteral("huge-%1.tif").arg(QLatin1String(name))));
        osg::ref_ptr<ImageLayer> layer = new ImageLayer(QStringLiteral("GeoTiff"), options);
        // Opening reads the value range of non-byte rasters: timed apart from the tiles.
        report(qPrintable(QStringLiteral("GeoTIFF %1 open").arg(QLatin1String(name))), [&] {
            return layer->getProfile() ? TileResult::noData() : TileResult::failed(QStringLiteral("cannot open"));
        });
        for (unsigned level : {4u, 8u, 12u})
            report(qPrintable(QStringLiteral("GeoTIFF %1 level %2").arg(QLatin1String(name)).arg(level)), [&] {
                return layer->createImage(
                    TileKey(level, (1u << level) * 5153 / 10000, (1u << level) * 3537 / 10000, mercator.get()));
            });
    }

    Drivers::MBTilesTileSourceOptions options;
    options.setFilename(dir.filePath(QStringLiteral("bomb.mbtiles")));
    osg::ref_ptr<ImageLayer> layer = new ImageLayer(QStringLiteral("MBTiles"), options);
    report("MBTiles 23000 px tile", [&] { return layer->createImage(TileKey(0, 0, 0, mercator.get())); });

    compareWithGdalWarp(dir.filePath(QStringLiteral("large-rgb.tif")), mercator.get());
    return 0;
}
