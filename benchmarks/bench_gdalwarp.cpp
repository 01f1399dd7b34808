// Times warping the tiles of one 1280 x 800 screen out of a 10,000 x 10,000
// UTM GeoTIFF at its native level and the one above: the engine beside an
// in-process GDALWarp() of the same tiles on one thread (the ratio should
// stay at most 1), then the engine on several threads sharing its pool.

#include "geo/ImageLayer.h"
#include "geo/Profile.h"
#include "geo/SpatialReference.h"
#include "geo/drivers/GDALOptions.h"
#include "geo/drivers/GDALTileSource.h"

#include <cpl_string.h>
#include <gdal.h>
#include <gdal_utils.h>
#include <ogr_srs_api.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

using namespace kiv::geo;

namespace {

constexpr int RasterSize = 10000;

bool writeRaster(const QString& path)
{
    GDALAllRegister();
    CPLStringList options;
    options.SetNameValue("TILED", "YES");
    GDALDatasetH ds = GDALCreate(GDALGetDriverByName("GTiff"), path.toUtf8().constData(),
                                 RasterSize, RasterSize, 3, GDT_Byte, options.List());
    if (!ds)
        return false;
    double gt[6] = {450000.0, 1.0, 0.0, 5300000.0, 0.0, -1.0};
    GDALSetGeoTransform(ds, gt);
    OGRSpatialReferenceH srs = OSRNewSpatialReference(nullptr);
    OSRImportFromEPSG(srs, 32632);
    GDALSetSpatialRef(ds, srs);
    OSRDestroySpatialReference(srs);
    std::vector<uchar> row(RasterSize);
    for (int b = 1; b <= 3; ++b) {
        GDALRasterBandH band = GDALGetRasterBand(ds, b);
        for (int y = 0; y < RasterSize; ++y) {
            for (int x = 0; x < RasterSize; ++x)
                row[x] = uchar((x / 7 + y / 5 + b * 40) & 0xff);
            if (GDALRasterIO(band, GF_Write, 0, y, RasterSize, 1, row.data(), RasterSize, 1,
                             GDT_Byte, 0, 0)
                != CE_None)
                return false;
        }
    }
    GDALClose(ds);
    return true;
}

// Keys of a 1280 x 800 pixel window centred on the raster.
std::vector<TileKey> screenKeys(const ImageLayer& layer, unsigned lod)
{
    const Profile* mercator = layer.getTileSource()->getProfile();
    osg::ref_ptr<const Profile> map = Profile::create(QStringLiteral("spherical-mercator"));
    const GeoExtent centre = mercator->getExtent().transform(map->getSRS());
    const double cx = 0.5 * (centre.xMin() + centre.xMax());
    const double cy = 0.5 * (centre.yMin() + centre.yMax());
    double tw = 0.0, th = 0.0;
    map->getTileDimensions(lod, tw, th);
    const double res = tw / Profile::TileSize;
    const GeoExtent screen(map->getSRS(), cx - 640 * res, cy - 400 * res, cx + 640 * res,
                           cy + 400 * res);
    std::vector<TileKey> keys;
    map->getIntersectingTiles(screen, lod, keys);
    return keys;
}

double runScreen(ImageLayer& layer, const std::vector<TileKey>& keys, int threads, int& ok)
{
    std::atomic<size_t> next{0};
    std::atomic<int> good{0};
    QElapsedTimer timer;
    timer.start();
    std::vector<std::thread> pool;
    for (int t = 0; t < threads; ++t)
        pool.emplace_back([&] {
            for (size_t i = next++; i < keys.size(); i = next++)
                if (layer.createImage(keys[i]).isOk())
                    ++good;
        });
    for (std::thread& t : pool)
        t.join();
    ok = good;
    return timer.nsecsElapsed() / 1e6;
}

// What gdalwarp -r bilinear -dstalpha does for each tile, into the same
// in-memory 256 x 256 RGBA destination the engine uses.
double runGdalWarp(GDALDatasetH src, const std::vector<TileKey>& keys, int& ok)
{
    const QByteArray wkt = SpatialReference::create(QStringLiteral("epsg:3857"))->getWKT().toUtf8();
    CPLStringList args;
    for (const char* arg : {"-r", "bilinear", "-dstalpha", "-et", "0.125", "-q"})
        args.AddString(arg);
    GDALWarpAppOptions* options = GDALWarpAppOptionsNew(args.List(), nullptr);
    GDALDriverH mem = GDALGetDriverByName("MEM");
    ok = 0;
    QElapsedTimer timer;
    timer.start();
    for (const TileKey& key : keys) {
        const GeoExtent e = key.getExtent();
        GDALDatasetH dst = GDALCreate(mem, "", Profile::TileSize, Profile::TileSize, 4, GDT_Byte, nullptr);
        double gt[6] = {e.xMin(), e.width() / Profile::TileSize, 0.0,
                        e.yMax(), 0.0, -e.height() / Profile::TileSize};
        GDALSetGeoTransform(dst, gt);
        GDALSetProjection(dst, wkt.constData());
        int usageError = FALSE;
        if (GDALWarp(nullptr, dst, 1, &src, options, &usageError))
            ++ok;
        GDALClose(dst);
    }
    const double ms = timer.nsecsElapsed() / 1e6;
    GDALWarpAppOptionsFree(options);
    return ms;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTemporaryDir dir;
    const QString path = dir.filePath("large.tif");

    QElapsedTimer timer;
    timer.start();
    if (!writeRaster(path)) {
        out << "cannot write " << path << Qt::endl;
        return 1;
    }
    out << "generated " << RasterSize << " x " << RasterSize << " RGB GeoTIFF in "
        << timer.elapsed() << " ms" << Qt::endl;

    Drivers::GDALOptions options;
    options.setUrl(path);
    osg::ref_ptr<ImageLayer> layer = new ImageLayer(QStringLiteral("bench"), options);
    timer.restart();
    if (!layer->getProfile()) {
        out << "cannot open: " << layer->getStatus().message() << Qt::endl;
        return 1;
    }
    const unsigned native = layer->getMaxLevel();
    out << "opened in " << timer.elapsed() << " ms; native level " << native << Qt::endl;

    GDALDatasetH src = GDALOpen(path.toUtf8().constData(), GA_ReadOnly);
    const int cores = std::max(1, QThread::idealThreadCount());
    for (unsigned lod : {native - 1, native}) {
        const std::vector<TileKey> keys = screenKeys(*layer, lod);
        // Alternate the two so that neither profits alone from a warm cache;
        // the best of ten rounds of each is compared.
        double engineBest = 1e300, gdalBest = 1e300;
        int engineOk = 0, gdalOk = 0;
        for (int round = 0; round < 11; ++round) {
            const double engine = runScreen(*layer, keys, 1, engineOk);
            const double gdal = runGdalWarp(src, keys, gdalOk);
            if (round == 0)
                continue; // warm-up
            engineBest = std::min(engineBest, engine);
            gdalBest = std::min(gdalBest, gdal);
        }
        out << QStringLiteral("level %1, %2 tiles, 1 thread: engine %3 ms (%4 with data), "
                              "GDALWarp %5 ms (%6 warped), engine / GDALWarp %7")
                   .arg(lod).arg(keys.size()).arg(engineBest, 0, 'f', 1).arg(engineOk)
                   .arg(gdalBest, 0, 'f', 1).arg(gdalOk).arg(engineBest / gdalBest, 0, 'f', 3)
            << Qt::endl;
        for (int round = 0; round < 3 && cores > 1; ++round) {
            int ok = 0;
            const double ms = runScreen(*layer, keys, cores, ok);
            out << QStringLiteral("level %1, %2 tiles (%3 with data), %4 threads, round %5: "
                                  "%6 ms per screen, %7 ms per tile")
                       .arg(lod).arg(keys.size()).arg(ok).arg(cores).arg(round + 1)
                       .arg(ms, 0, 'f', 1).arg(ms / keys.size(), 0, 'f', 2)
                << Qt::endl;
        }
    }
    GDALClose(src);
    return 0;
}
