#include "geo/ImageLayer.h"
#include "geo/Profile.h"
#include "geo/drivers/GDALOptions.h"
#include "support/GeoTestData.h"
#include "support/SampleData.h"
#include "support/TestPaths.h"

#include <QTcpServer>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <thread>

using namespace kiv::geo;
using namespace kiv::geo::Drivers;
using kiv::test::RasterSpec;

namespace {

QString worldFile(const std::array<double, 6>& gt)
{
    // A world file names the centre of the top-left pixel.
    QString text;
    for (double v : {gt[1], gt[4], gt[2], gt[5], gt[0] + gt[1] / 2, gt[3] + gt[5] / 2})
        text += QString::number(v, 'g', 17) + '\n';
    return text;
}

RasterSpec lonLatRaster(int bands, std::function<double(int, int, int)> fill)
{
    RasterSpec raster;
    raster.srs = "EPSG:4326";
    raster.gt = {5.0, 0.01, 0.0, 47.0, 0.0, -0.01};
    raster.bands = bands;
    raster.fill = std::move(fill);
    return raster;
}

// The rasters and gdalwarp's tiles come from GDAL's Python bindings.
QString script()
{
    return kiv::test::sourcePath(QStringLiteral("tests/geo/gdalwarp_tiles.py"));
}

kiv::test::ToolRun makeRaster(const QString& kind, const QString& path)
{
    return kiv::test::runTool(kiv::test::python3(), {script(), QStringLiteral("make"), kind, path});
}

// Bytes read by this process so far (/proc/self/io).
qint64 bytesRead()
{
    QFile io(QStringLiteral("/proc/self/io"));
    if (!io.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : io.readAll().split('\n'))
        if (line.startsWith("rchar:"))
            return line.mid(6).trimmed().toLongLong();
    return -1;
}

constexpr int TileBytes = 256 * 256 * 4;

// The largest difference of any channel between two RGBA tiles; colours
// count only where both are visible.
int largestDifference(const uchar* a, const uchar* b, QPoint* where)
{
    int worst = 0;
    for (int i = 0; i < TileBytes; i += 4) {
        int d = std::abs(a[i + 3] - b[i + 3]);
        if (a[i + 3] != 0 && b[i + 3] != 0)
            for (int c = 0; c < 3; ++c)
                d = std::max(d, std::abs(a[i + c] - b[i + c]));
        if (d > worst) {
            worst = d;
            *where = QPoint((i / 4) % 256, (i / 4) / 256);
        }
    }
    return worst;
}

using Rgba = QVector<int>;
using Probe = QPair<QPointF, Rgba>; // (lon, lat) and the expected colour
using ProbeList = QList<Probe>;

} // namespace

Q_DECLARE_METATYPE(RasterSpec)
Q_DECLARE_METATYPE(ProbeList)

class TestGDALTileSource : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir_;
    osg::ref_ptr<const Profile> mercator_ = Profile::create(QStringLiteral("spherical-mercator"));

    osg::ref_ptr<ImageLayer> openLayer(const QString& path)
    {
        GDALOptions options;
        options.setUrl(path);
        return new ImageLayer(QStringLiteral("GeoTiff"), options);
    }

private slots:
    void rasters_data()
    {
        QTest::addColumn<RasterSpec>("raster");
        QTest::addColumn<QString>("sidecars");
        QTest::addColumn<QRectF>("latLong"); // west, south, width, height
        QTest::addColumn<unsigned>("maxLevel");
        QTest::addColumn<ProbeList>("probes");

        const Rgba clear{-1, -1, -1, 0};
        const QRectF lonLatBounds(5, 45, 2, 2);
        const RasterSpec rgb = lonLatRaster(3, [](int b, int, int) { return b == 0 ? 200 : b == 1 ? 100 : 50; });
        QTest::newRow("wgs84 rgb") << rgb << "" << lonLatBounds << 8u
                                   << ProbeList{{{6.0, 46.0}, {200, 100, 50, 255}},
                                                {{7.3, 46.0}, clear},
                                                {{6.0, 44.7}, clear}};

        RasterSpec utm;
        utm.srs = "EPSG:32632";
        utm.gt = {500000, 10, 0, 5200000, 0, -10};
        utm.size = 100;
        utm.fill = [](int, int, int) { return 120; };
        const QRectF utmBounds(9.0, 46.94453, 0.01314, 0.00900);
        QTest::newRow("utm grey") << utm << "" << utmBounds << 14u
                                  << ProbeList{{{9.0065, 46.949}, {120, 120, 120, 255}}, {{8.995, 46.949}, clear}};

        // Pixels exactly level 12's, on its tile grid: the native level is 12,
        // not one finer from rounding noise.
        RasterSpec aligned;
        aligned.srs = "EPSG:3857";
        const double level12 = 38.21851414258813;
        aligned.gt = {890338.5054657348, level12, 0, 5899715.591163045, 0, -level12};
        aligned.fill = [](int, int, int) { return 90; };
        QTest::newRow("mercator aligned to level 12")
            << aligned << "" << QRectF(7.998047, 46.692783, 0.068665, 0.047077) << 12u
            << ProbeList{{{8.0324, 46.7163}, {90, 90, 90, 255}}, {{7.99, 46.7163}, clear}};

        RasterSpec prj = lonLatRaster(3, [](int b, int, int) { return b == 0 ? 10 : b == 1 ? 220 : 30; });
        prj.georeferenced = false;
        QTest::newRow("world file and prj") << prj << "tfw prj" << lonLatBounds << 8u
                                            << ProbeList{{{6.5, 45.5}, {10, 220, 30, 255}}, {{4.5, 45.5}, clear}};

        RasterSpec aux = utm;
        aux.georeferenced = false;
        QTest::newRow("world file and aux.xml") << aux << "tfw aux" << utmBounds << 14u
                                                << ProbeList{{{9.0065, 46.949}, {120, 120, 120, 255}}};

        RasterSpec pal = lonLatRaster(1, [](int, int x, int) { return x < 100 ? 1 : 2; });
        pal.palette = true;
        QTest::newRow("paletted") << pal << "" << lonLatBounds << 8u
                                  << ProbeList{{{5.4, 46.0}, {255, 0, 0, 255}}, {{6.6, 46.0}, {0, 0, 255, 255}}};

        RasterSpec grey16 = lonLatRaster(1, [](int, int x, int) { return x < 100 ? 1000 : 3000; });
        grey16.type = GDT_UInt16;
        QTest::newRow("grey uint16 stretched")
            << grey16 << "" << lonLatBounds << 8u
            << ProbeList{{{5.4, 46.0}, {0, 0, 0, 255}}, {{6.6, 46.0}, {255, 255, 255, 255}}};

        RasterSpec nodata = lonLatRaster(1, [](int, int x, int) { return x < 100 ? 0 : 200; });
        nodata.noData = 0.0;
        QTest::newRow("nodata is transparent")
            << nodata << "" << lonLatBounds << 8u
            << ProbeList{{{5.4, 46.0}, clear}, {{6.6, 46.0}, {200, 200, 200, 255}}};
    }

    void rasters()
    {
        QFETCH(RasterSpec, raster);
        QFETCH(QString, sidecars);
        QFETCH(QRectF, latLong);
        QFETCH(unsigned, maxLevel);
        QFETCH(ProbeList, probes);

        const QString base = dir_.filePath(QString::fromLatin1(QTest::currentDataTag()).replace(' ', '_'));
        QVERIFY(kiv::test::writeRaster(base + ".tif", raster));
        if (sidecars.contains("tfw"))
            QVERIFY(kiv::test::writeText(base + ".tfw", worldFile(raster.gt)));
        if (sidecars.contains("prj"))
            QVERIFY(kiv::test::writeText(base + ".prj", kiv::test::wktOf(raster.srs, true)));
        if (sidecars.contains("aux"))
            QVERIFY(kiv::test::writeText(base + ".tif.aux.xml",
                                         "<PAMDataset><SRS dataAxisToSRSAxisMapping=\"1,2\">"
                                             + kiv::test::wktOf(raster.srs).toHtmlEscaped() + "</SRS></PAMDataset>"));

        osg::ref_ptr<ImageLayer> layer = openLayer(base + ".tif");
        QVERIFY2(layer->getProfile(), qPrintable(layer->getStatus().message()));
        const Bounds b = layer->getProfile()->getLatLongExtent().bounds();
        QVERIFY2(kiv::test::boundsNear(b, latLong, 1e-3), qPrintable(b.toString()));
        QCOMPARE(layer->getMaxLevel(), maxLevel);
        QVERIFY(layer->getCachePolicy() == CachePolicy::NO_CACHE);

        for (const Probe& probe : probes) {
            QPoint pixel;
            const TileKey key = kiv::test::tileAt(mercator_.get(), probe.first.x(), probe.first.y(), maxLevel, &pixel);
            const TileResult r = layer->createImage(key);
            const Rgba want = probe.second;
            if (want[3] == 0 && !r.isOk()) {
                QVERIFY(r.isNoData());
                continue;
            }
            QVERIFY2(r.isOk(), qPrintable(key.str() + " " + r.error()));
            QCOMPARE(r.image().size(), QSize(256, 256));
            QCOMPARE(r.image().format(), QImage::Format_RGBA8888);
            const uchar* p = r.image().constScanLine(pixel.y()) + 4 * pixel.x();
            const QString where = QStringLiteral("%1 at %2,%3: %4 %5 %6 %7")
                                      .arg(key.str()).arg(pixel.x()).arg(pixel.y())
                                      .arg(p[0]).arg(p[1]).arg(p[2]).arg(p[3]);
            QVERIFY2(p[3] == want[3], qPrintable(where));
            for (int c = 0; c < 3 && want[3] != 0; ++c)
                QVERIFY2(std::abs(p[c] - want[c]) <= 1, qPrintable(where));
        }
        // Far from the data there is none, a tile 64 times coarser still shows
        // it, and a cancelled request is not started.
        const QPointF first = probes.front().first;
        const TileKey coarse = kiv::test::tileAt(mercator_.get(), first.x(), first.y(), maxLevel - 6);
        QVERIFY(layer->createImage(TileKey(8, 0, 0, mercator_.get())).isNoData());
        QVERIFY(layer->createImage(coarse).isOk());
        ProgressCallback cancelled;
        cancelled.cancel();
        QVERIFY(layer->createImage(coarse, &cancelled).isCancelled());
    }

    void unusableRasters_data()
    {
        QTest::addColumn<QString>("content"); // "raster": a GeoTIFF without georeference
        QTest::addColumn<int>("status");
        QTest::newRow("missing file") << "" << int(Status::ResourceUnavailable);
        QTest::newRow("no georeferencing") << "raster" << int(Status::NoGeoreference);
        QTest::newRow("empty file") << "<empty>" << int(Status::ResourceUnavailable);
        // GDAL would fetch the source the moment the file is opened.
        QTest::newRow("vrt named tif")
            << "<VRTDataset rasterXSize=\"256\" rasterYSize=\"256\"><SRS>EPSG:4326</SRS>"
               "<GeoTransform>5, 0.01, 0, 47, 0, -0.01</GeoTransform>"
               "<VRTRasterBand dataType=\"Byte\" band=\"1\"><SimpleSource><SourceFilename>"
               "/vsicurl/http://127.0.0.1:PORT/source.tif</SourceFilename><SourceBand>1</SourceBand>"
               "</SimpleSource></VRTRasterBand></VRTDataset>"
            << int(Status::ResourceUnavailable);
    }

    void unusableRasters()
    {
        QFETCH(QString, content);
        QFETCH(int, status);
        QTcpServer listener;
        QVERIFY(listener.listen(QHostAddress::LocalHost));
        const QString path = dir_.filePath(QString::fromLatin1(QTest::currentDataTag()).replace(' ', '_') + ".tif");
        if (content == QLatin1String("raster")) {
            RasterSpec raster = lonLatRaster(1, [](int, int, int) { return 1; });
            raster.georeferenced = false;
            QVERIFY(kiv::test::writeRaster(path, raster));
        } else if (!content.isEmpty()) {
            content.replace(QLatin1String("PORT"), QString::number(listener.serverPort()));
            QVERIFY(kiv::test::writeText(path, content == QLatin1String("<empty>") ? QString() : content));
        }
        osg::ref_ptr<ImageLayer> layer = openLayer(path);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("failed to open"));
        QVERIFY(!layer->getProfile());
        QCOMPARE(int(layer->getStatus().code()), status);
        QVERIFY(layer->createImage(TileKey(0, 0, 0, mercator_.get())).isFailed());
        QTest::qWait(50);
        QVERIFY(!listener.hasPendingConnections());
    }

    // A small file claiming a huge raster without overviews: a low-level tile
    // reads it decimated instead of whole (gigabytes before).
    void hugeRasterWithoutOverviews()
    {
        const QString path = dir_.filePath(QStringLiteral("huge.tif"));
        const char* options[] = {"SPARSE_OK=TRUE", "TILED=YES", nullptr};
        GDALDatasetH ds = GDALCreate(GDALGetDriverByName("GTiff"), path.toUtf8().constData(), 100000,
                                     100000, 1, GDT_Byte, const_cast<char**>(options));
        QVERIFY(ds);
        double gt[6] = {5.0, 1e-5, 0.0, 47.0, 0.0, -1e-5};
        GDALSetGeoTransform(ds, gt);
        GDALSetProjection(ds, kiv::test::wktOf(QStringLiteral("EPSG:4326")).toUtf8().constData());
        GDALClose(ds);
        osg::ref_ptr<ImageLayer> layer = openLayer(path);
        QVERIFY(layer->getProfile());
        const TileResult tile = layer->createImage(kiv::test::tileAt(mercator_.get(), 5.5, 46.5, 6));
        QVERIFY(!tile.isFailed());
    }

    // Dataset handles are pooled; many threads warping at once must agree.
    void concurrentTilesAgree()
    {
        RasterSpec raster;
        raster.srs = "EPSG:32632";
        raster.gt = {400000, 20, 0, 5300000, 0, -20};
        raster.size = 400;
        raster.bands = 3;
        raster.fill = [](int b, int x, int y) { return (x * 7 + y * 3 + b * 50) % 256; };
        const QString path = dir_.filePath("concurrent.tif");
        QVERIFY(kiv::test::writeRaster(path, raster));
        osg::ref_ptr<ImageLayer> layer = openLayer(path);
        QVERIFY(layer->getProfile());
        std::vector<TileKey> keys;
        mercator_->getIntersectingTiles(layer->getProfile()->getLatLongExtent(), 12, keys);
        QVERIFY(keys.size() > 1);
        constexpr int Rounds = 6;
        std::vector<QImage> images(keys.size() * Rounds);
        std::vector<std::thread> threads;
        for (int t = 0; t < Rounds; ++t)
            threads.emplace_back([&, t] {
                for (size_t i = 0; i < keys.size(); ++i)
                    images[t * keys.size() + i] = layer->createImage(keys[i]).image();
            });
        for (auto& t : threads)
            t.join();
        for (size_t i = 0; i < images.size(); ++i) {
            QVERIFY(!images[i].isNull());
            QCOMPARE(images[i], images[i % keys.size()]);
        }
    }

    // Overviews hold 99 where the full raster holds 77, so the colour tells
    // which one a tile was warped from.
    void overviewsServeLowLevels_data()
    {
        QTest::addColumn<unsigned>("lod");
        QTest::addColumn<int>("value");
        QTest::newRow("coarse level uses an overview") << 6u << 99;
        QTest::newRow("native level uses the raster") << 10u << 77;
    }

    void overviewsServeLowLevels()
    {
        QFETCH(unsigned, lod);
        QFETCH(int, value);
        const QString path = dir_.filePath("overviews.tif");
        if (!QFile::exists(path)) {
            RasterSpec raster = lonLatRaster(1, [](int, int, int) { return 77; });
            raster.gt = {0.0, 0.001, 0.0, 10.0, 0.0, -0.001};
            raster.size = 2000;
            QVERIFY(kiv::test::writeRaster(path, raster));
            GDALDatasetH ds = GDALOpen(path.toUtf8().constData(), GA_Update);
            int levels[] = {2, 4, 8, 16};
            QCOMPARE(GDALBuildOverviews(ds, "AVERAGE", 4, levels, 0, nullptr, nullptr, nullptr), CE_None);
            GDALRasterBandH band = GDALGetRasterBand(ds, 1);
            for (int i = 0; i < GDALGetOverviewCount(band); ++i)
                QCOMPARE(GDALFillRaster(GDALGetOverview(band, i), 99, 0), CE_None);
            GDALClose(ds);
        }
        osg::ref_ptr<ImageLayer> layer = openLayer(path);
        QVERIFY(layer->getProfile());
        QPoint pixel;
        const TileResult r = layer->createImage(kiv::test::tileAt(mercator_.get(), 1.0, 9.0, lod, &pixel));
        QVERIFY(r.isOk());
        const uchar* p = r.image().constScanLine(pixel.y()) + 4 * pixel.x();
        QCOMPARE(int(p[0]), value);
        QCOMPARE(int(p[3]), 255);
    }

    // Every tile at the raster's own level, one and two out and the coarsest
    // equals gdalwarp's for the same extent and size within one grey level.
    void matchesGdalWarp_data()
    {
        QTest::addColumn<QString>("kind");
        for (const char* kind : {"geographic", "utm", "mercator-aligned", "mercator-offset", "world-file-prj",
                                 "prj-only", "paletted", "grey-nodata", "rgb-nodata", "rgba", "global", "grey-16bit",
                                 "overviews", "mercator-aligned-overviews", "sparse", "sparse-nodata"})
            QTest::newRow(kind) << QString::fromLatin1(kind);
    }

    void matchesGdalWarp()
    {
        QFETCH(QString, kind);
        const QString path = dir_.filePath(kind + ".tif");
        const kiv::test::ToolRun made = makeRaster(kind, path);
        QVERIFY2(made.exitCode == 0, qPrintable(made.text()));
        osg::ref_ptr<ImageLayer> layer = openLayer(path);
        QVERIFY2(layer->getProfile(), qPrintable(layer->getStatus().message()));

        const unsigned native = layer->getMaxLevel();
        QVERIFY(native >= 2);
        std::vector<TileKey> keys;
        for (unsigned level : {native, native - 1, native - 2, 0u}) {
            std::vector<TileKey> atLevel;
            mercator_->getIntersectingTiles(layer->getProfile()->getLatLongExtent(), level, atLevel);
            QVERIFY(!atLevel.empty());
            keys.insert(keys.end(), atLevel.begin(), atLevel.end());
        }
        QByteArray extents;
        for (const TileKey& key : keys) {
            const GeoExtent e = key.getExtent();
            extents += QByteArray::number(e.xMin(), 'g', 17) + ' ' + QByteArray::number(e.yMin(), 'g', 17) + ' '
                + QByteArray::number(e.xMax(), 'g', 17) + ' ' + QByteArray::number(e.yMax(), 'g', 17) + '\n';
        }
        const kiv::test::ToolRun warped =
            kiv::test::runTool(kiv::test::python3(), {script(), QStringLiteral("warp"), path}, extents);
        QVERIFY2(warped.exitCode == 0, qPrintable(warped.errors));
        QCOMPARE(warped.output.size(), int(keys.size()) * TileBytes);

        int withData = 0;
        for (size_t i = 0; i < keys.size(); ++i) {
            const auto* reference = reinterpret_cast<const uchar*>(warped.output.constData()) + i * TileBytes;
            const TileResult r = layer->createImage(keys[i]);
            if (!r.isOk()) {
                QVERIFY2(r.isNoData(), qPrintable(keys[i].str() + " " + r.error()));
                for (int p = 3; p < TileBytes; p += 4)
                    QVERIFY2(reference[p] == 0, qPrintable(keys[i].str() + " is empty, gdalwarp's is not"));
                continue;
            }
            ++withData;
            QCOMPARE(r.image().format(), QImage::Format_RGBA8888);
            QCOMPARE(r.image().bytesPerLine(), 256 * 4);
            QPoint where;
            const int worst = largestDifference(r.image().constBits(), reference, &where);
            QVERIFY2(worst <= 1, qPrintable(QStringLiteral("%1 differs by %2 at %3,%4")
                                                .arg(keys[i].str()).arg(worst).arg(where.x()).arg(where.y())));
        }
        QVERIFY(withData >= 4);
    }

    // A tile zoomed out reads the overview gdalwarp reads, not the raster.
    void overviewsSpareReads()
    {
        qint64 read[2] = {0, 0};
        int i = 0;
        for (const char* name : {"overviews", "no-overviews"}) {
            const QString kind = QString::fromLatin1(name);
            const QString path = dir_.filePath(kind + "-reads.tif");
            const kiv::test::ToolRun made = makeRaster(kind, path);
            QVERIFY2(made.exitCode == 0, qPrintable(made.text()));
            osg::ref_ptr<ImageLayer> layer = openLayer(path);
            QVERIFY(layer->getProfile());
            const TileKey key = kiv::test::tileAt(mercator_.get(), 7.5, 45.6, layer->getMaxLevel() - 3);
            const qint64 before = bytesRead();
            const TileResult r = layer->createImage(key);
            read[i++] = bytesRead() - before;
            QVERIFY(r.isOk());
        }
        QVERIFY(read[0] > 0);
        QVERIFY2(read[0] * 5 < read[1], qPrintable(QStringLiteral("%1 / %2 bytes").arg(read[0]).arg(read[1])));
    }

    // A tile covering more source pixels than are warped whole is made from
    // an averaged read (nearest for paletted rasters): random noise comes out
    // an even grey, not speckled as nearest decimation would leave it, and a
    // palette shows only its own indices. In strips of one row it reads a
    // row per tile row, not every row as a whole warp would.
    void beyondTheBound_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<double>("largestSpread"); // standard deviation of the grey
        QTest::addColumn<double>("largestRead");   // bytes read, as a share of the file
        QTest::newRow("continuous: averaged") << "noise-9000" << 10.0 << 1.5;
        QTest::newRow("paletted: nearest") << "paletted-9000" << 1000.0 << 1.5;
        QTest::newRow("paletted 1 and 3: never 2") << "paletted-gap-9000" << 1000.0 << 1.5;
        QTest::newRow("strips: a row per tile row") << "striped-9000" << 1000.0 << 0.25;
    }

    void beyondTheBound()
    {
        QFETCH(QString, kind);
        QFETCH(double, largestSpread);
        QFETCH(double, largestRead);
        const QString path = dir_.filePath(kind + ".tif");
        // 81 MB each: gone with the row.
        const auto removeRaster = qScopeGuard([&] { QFile::remove(path); });
        const kiv::test::ToolRun made = makeRaster(kind, path);
        QVERIFY2(made.exitCode == 0, qPrintable(made.text()));
        osg::ref_ptr<ImageLayer> layer = openLayer(path);
        QVERIFY(layer->getProfile());
        // The whole 9,000 x 9,000 raster lies in this tile.
        const qint64 before = bytesRead();
        const TileResult r = layer->createImage(TileKey(8, 128, 90, mercator_.get()));
        const qint64 read = bytesRead() - before;
        QVERIFY(r.isOk());
        const double share = double(read) / QFileInfo(path).size();
        QVERIFY2(share <= largestRead, qPrintable(QStringLiteral("%1 bytes").arg(read)));
        double sum = 0.0, squares = 0.0;
        int n = 0;
        QSet<QRgb> colours;
        for (int y = 0; y < 256; ++y)
            for (int x = 0; x < 256; ++x) {
                const QRgb c = r.image().pixel(x, y);
                if (qAlpha(c) != 255)
                    continue;
                colours.insert(c);
                sum += qRed(c);
                squares += double(qRed(c)) * qRed(c);
                ++n;
            }
        QVERIFY(n > 30000);
        const double mean = sum / n, spread = std::sqrt(squares / n - mean * mean);
        QVERIFY2(std::abs(mean - 127.5) < 8.0, qPrintable(QString::number(mean)));
        QVERIFY2(spread < largestSpread, qPrintable(QString::number(spread)));
        if (kind.startsWith("paletted"))
            QCOMPARE(colours, (QSet<QRgb>{qRgb(0, 0, 0), qRgb(255, 255, 255)}));
    }
};

QTEST_GUILESS_MAIN(TestGDALTileSource)
#include "tst_gdaltilesource.moc"
