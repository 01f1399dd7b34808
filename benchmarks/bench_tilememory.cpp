// Peak memory of the tile loaders fed files that claim huge pictures: a
// GeoTIFF of 100,000 x 100,000 pixels without overviews (8- and 16-bit) and
// an MBTiles package whose tile claims 23,000 x 23,000 pixels. The goal: the
// process's peak resident size (VmHWM) stays within a few hundred MB.
#include "geo/ImageLayer.h"
#include "geo/Profile.h"
#include "geo/TileKey.h"
#include "geo/drivers/GDALOptions.h"
#include "geo/drivers/MBTilesTileSourceOptions.h"

#include <gdal.h>
#include <ogr_srs_api.h>
#include <sqlite3.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QCoreApplication>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>

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

bool writeHugeTiff(const QString& path, GDALDataType type)
{
    GDALAllRegister();
    const char* options[] = {"SPARSE_OK=TRUE", "COMPRESS=DEFLATE", nullptr};
    GDALDatasetH ds = GDALCreate(GDALGetDriverByName("GTiff"), path.toUtf8().constData(), 100000,
                                 100000, 1, type, const_cast<char**>(options));
    if (!ds)
        return false;
    double gt[6] = {5.0, 1e-5, 0.0, 47.0, 0.0, -1e-5};
    GDALSetGeoTransform(ds, gt);
    OGRSpatialReferenceH srs = OSRNewSpatialReference(nullptr);
    OSRImportFromEPSG(srs, 4326);
    GDALSetSpatialRef(ds, srs);
    OSRDestroySpatialReference(srs);
    GDALClose(ds);
    return true;
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

void report(const char* what, const TileResult& tile)
{
    std::printf("%-28s %-8s VmHWM %6ld MiB\n", what, tile.isOk() ? "tile" : tile.isFailed() ? "refused" : "no data",
                peakKiB() / 1024);
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
            ? 0 : 1;
    }
    QTemporaryDir dir;
    if (QProcess::execute(app.applicationFilePath(), {QStringLiteral("--write"), dir.path()}) != 0)
        return 1;
    osg::ref_ptr<const Profile> mercator = Profile::create(QStringLiteral("spherical-mercator"));
    std::printf("%-28s %-8s VmHWM %6ld MiB\n", "start", "", peakKiB() / 1024);

    for (const char* name : {"8-bit", "16-bit"}) {
        Drivers::GDALOptions options;
        options.setUrl(dir.filePath(QStringLiteral("huge-%1.tif").arg(QLatin1String(name))));
        osg::ref_ptr<ImageLayer> layer = new ImageLayer(QStringLiteral("GeoTiff"), options);
        for (unsigned level : {4u, 8u, 12u})
            report(qPrintable(QStringLiteral("GeoTIFF %1 level %2").arg(QLatin1String(name)).arg(level)),
                   layer->createImage(TileKey(level, (1u << level) * 5153 / 10000, (1u << level) * 3537 / 10000,
                                              mercator.get())));
    }

    Drivers::MBTilesTileSourceOptions options;
    options.setFilename(dir.filePath(QStringLiteral("bomb.mbtiles")));
    osg::ref_ptr<ImageLayer> layer = new ImageLayer(QStringLiteral("MBTiles"), options);
    report("MBTiles 23000 px tile", layer->createImage(TileKey(0, 0, 0, mercator.get())));
    return 0;
}
