// Times warping the tiles of one 1280 x 800 screen out of a 10,000 x 10,000
// UTM GeoTIFF at the level nearest its native resolution, first on one
// thread, then on several threads sharing the source's dataset pool.

#include "geo/ImageLayer.h"
#include "geo/Profile.h"
#include "geo/drivers/GDALOptions.h"
#include "geo/drivers/GDALTileSource.h"

#include <cpl_string.h>
#include <gdal.h>
#include <ogr_srs_api.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>

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

    const int cores = std::max(1, QThread::idealThreadCount());
    for (unsigned lod : {native - 1, native}) {
        const std::vector<TileKey> keys = screenKeys(*layer, lod);
        for (int threads : {1, cores}) {
            for (int round = 0; round < 3; ++round) {
                int ok = 0;
                const double ms = runScreen(*layer, keys, threads, ok);
                out << QStringLiteral("level %1, %2 tiles (%3 with data), %4 thread(s), round %5: "
                                      "%6 ms per screen, %7 ms per tile")
                           .arg(lod).arg(keys.size()).arg(ok).arg(threads).arg(round + 1)
                           .arg(ms, 0, 'f', 1).arg(ms / keys.size(), 0, 'f', 2)
                    << Qt::endl;
            }
        }
    }
    return 0;
}
