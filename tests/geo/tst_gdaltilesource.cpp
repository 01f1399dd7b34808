#include "geo/ImageLayer.h"
#include "geo/Profile.h"
#include "geo/drivers/GDALOptions.h"
#include "geo/drivers/GDALTileSource.h"

#include <cpl_conv.h>
#include <gdal.h>
#include <ogr_srs_api.h>

#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <functional>
#include <thread>

using namespace kiv::geo;
using namespace kiv::geo::Drivers;

namespace {

// Pixel value of band b at column x, row y.
using Fill = std::function<double(int b, int x, int y)>;

struct RasterSpec
{
    QString srs;            // empty: no spatial reference inside the file
    bool georeferenced = true;
    double gt[6];
    int size = 200;
    int bands = 1;
    GDALDataType type = GDT_Byte;
    Fill fill;
    std::optional<double> noData;
    bool palette = false;
};

QString esriWkt(const QString& init)
{
    OGRSpatialReferenceH srs = OSRNewSpatialReference(nullptr);
    OSRSetFromUserInput(srs, init.toUtf8().constData());
    OSRMorphToESRI(srs);
    char* wkt = nullptr;
    OSRExportToWkt(srs, &wkt);
    const QString text = QString::fromUtf8(wkt);
    CPLFree(wkt);
    OSRDestroySpatialReference(srs);
    return text;
}

bool writeRaster(const QString& path, const RasterSpec& spec)
{
    GDALAllRegister();
    GDALDriverH gtiff = GDALGetDriverByName("GTiff");
    GDALDatasetH ds = GDALCreate(gtiff, path.toUtf8().constData(), spec.size, spec.size,
                                 spec.bands, spec.type, nullptr);
    if (!ds)
        return false;
    if (spec.georeferenced) {
        double gt[6];
        std::copy(spec.gt, spec.gt + 6, gt);
        GDALSetGeoTransform(ds, gt);
        OGRSpatialReferenceH srs = OSRNewSpatialReference(nullptr);
        OSRSetFromUserInput(srs, spec.srs.toUtf8().constData());
        GDALSetSpatialRef(ds, srs);
        OSRDestroySpatialReference(srs);
    }
    std::vector<double> row(spec.size);
    for (int b = 1; b <= spec.bands; ++b) {
        GDALRasterBandH band = GDALGetRasterBand(ds, b);
        if (spec.noData)
            GDALSetRasterNoDataValue(band, *spec.noData);
        for (int y = 0; y < spec.size; ++y) {
            for (int x = 0; x < spec.size; ++x)
                row[x] = spec.fill(b - 1, x, y);
            if (GDALRasterIO(band, GF_Write, 0, y, spec.size, 1, row.data(), spec.size, 1,
                             GDT_Float64, 0, 0)
                != CE_None)
                return false;
        }
    }
    if (spec.palette) {
        GDALColorTableH table = GDALCreateColorTable(GPI_RGB);
        const GDALColorEntry red{255, 0, 0, 255}, blue{0, 0, 255, 255}, clear{0, 0, 0, 0};
        GDALSetColorEntry(table, 0, &clear);
        GDALSetColorEntry(table, 1, &red);
        GDALSetColorEntry(table, 2, &blue);
        GDALSetRasterColorTable(GDALGetRasterBand(ds, 1), table);
        GDALDestroyColorTable(table);
    }
    GDALClose(ds);
    return true;
}

bool writeText(const QString& path, const QString& text)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Text))
        return false;
    f.write(text.toUtf8());
    return true;
}

QString worldFile(const double* gt)
{
    // A world file names the centre of the top-left pixel.
    return QStringLiteral("%1\n%2\n%3\n%4\n%5\n%6\n")
        .arg(gt[1], 0, 'g', 17)
        .arg(gt[4], 0, 'g', 17)
        .arg(gt[2], 0, 'g', 17)
        .arg(gt[5], 0, 'g', 17)
        .arg(gt[0] + gt[1] / 2, 0, 'g', 17)
        .arg(gt[3] + gt[5] / 2, 0, 'g', 17);
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

    // The tile holding a point at a level, and the pixel of the point in it.
    TileKey keyAt(double lon, double lat, unsigned lod, QPoint& pixel) const
    {
        double mx = 0.0, my = 0.0;
        mercator_->getSRS()->getGeographicSRS()->transform2D(lon, lat, mercator_->getSRS(), mx, my);
        std::vector<TileKey> keys;
        mercator_->getIntersectingTiles(GeoExtent(mercator_->getSRS(), mx, my, mx, my), lod, keys);
        const GeoExtent e = keys.front().getExtent();
        pixel = QPoint(int((mx - e.xMin()) / e.width() * 256), int((e.yMax() - my) / e.height() * 256));
        return keys.front();
    }

private slots:
    void rasters_data()
    {
        QTest::addColumn<RasterSpec>("spec");
        QTest::addColumn<QString>("sidecars");
        QTest::addColumn<QRectF>("latLong"); // west, south, width, height
        QTest::addColumn<unsigned>("maxLevel");
        QTest::addColumn<ProbeList>("probes");

        const Rgba clear{-1, -1, -1, 0};
        RasterSpec rgb;
        rgb.srs = "EPSG:4326";
        rgb.gt[0] = 5.0; rgb.gt[1] = 0.01; rgb.gt[2] = 0.0;
        rgb.gt[3] = 47.0; rgb.gt[4] = 0.0; rgb.gt[5] = -0.01;
        rgb.bands = 3;
        rgb.fill = [](int b, int, int) { return b == 0 ? 200 : b == 1 ? 100 : 50; };
        QTest::newRow("wgs84 rgb") << rgb << "" << QRectF(5, 45, 2, 2) << 8u
                                   << ProbeList{{{6.0, 46.0}, {200, 100, 50, 255}},
                                                {{7.3, 46.0}, clear},
                                                {{6.0, 44.7}, clear}};

        RasterSpec utm;
        utm.srs = "EPSG:32632";
        utm.gt[0] = 500000; utm.gt[1] = 10; utm.gt[2] = 0;
        utm.gt[3] = 5200000; utm.gt[4] = 0; utm.gt[5] = -10;
        utm.size = 100;
        utm.fill = [](int, int, int) { return 120; };
        QTest::newRow("utm grey")
            << utm << "" << QRectF(9.0, 46.94453, 0.01314, 0.00900) << 14u
            << ProbeList{{{9.0065, 46.949}, {120, 120, 120, 255}}, {{8.995, 46.949}, clear}};

        RasterSpec prj = rgb;
        prj.georeferenced = false;
        prj.fill = [](int b, int, int) { return b == 0 ? 10 : b == 1 ? 220 : 30; };
        QTest::newRow("world file and prj")
            << prj << "tfw prj" << QRectF(5, 45, 2, 2) << 8u
            << ProbeList{{{6.5, 45.5}, {10, 220, 30, 255}}, {{4.5, 45.5}, clear}};

        RasterSpec aux = utm;
        aux.georeferenced = false;
        QTest::newRow("world file and aux.xml")
            << aux << "tfw aux" << QRectF(9.0, 46.94453, 0.01314, 0.00900) << 14u
            << ProbeList{{{9.0065, 46.949}, {120, 120, 120, 255}}};

        RasterSpec pal = rgb;
        pal.bands = 1;
        pal.palette = true;
        pal.fill = [](int, int x, int) { return x < 100 ? 1 : 2; };
        QTest::newRow("paletted") << pal << "" << QRectF(5, 45, 2, 2) << 8u
                                  << ProbeList{{{5.4, 46.0}, {255, 0, 0, 255}},
                                               {{6.6, 46.0}, {0, 0, 255, 255}}};

        RasterSpec grey16 = rgb;
        grey16.bands = 1;
        grey16.type = GDT_UInt16;
        grey16.fill = [](int, int x, int) { return x < 100 ? 1000 : 3000; };
        QTest::newRow("grey uint16 stretched")
            << grey16 << "" << QRectF(5, 45, 2, 2) << 8u
            << ProbeList{{{5.4, 46.0}, {0, 0, 0, 255}}, {{6.6, 46.0}, {255, 255, 255, 255}}};

        RasterSpec nodata = rgb;
        nodata.bands = 1;
        nodata.noData = 0.0;
        nodata.fill = [](int, int x, int) { return x < 100 ? 0 : 200; };
        QTest::newRow("nodata is transparent")
            << nodata << "" << QRectF(5, 45, 2, 2) << 8u
            << ProbeList{{{5.4, 46.0}, clear}, {{6.6, 46.0}, {200, 200, 200, 255}}};
    }

    void rasters()
    {
        QFETCH(RasterSpec, spec);
        QFETCH(QString, sidecars);
        QFETCH(QRectF, latLong);
        QFETCH(unsigned, maxLevel);
        QFETCH(ProbeList, probes);

        const QString base = dir_.filePath(QString::fromLatin1(QTest::currentDataTag()).replace(' ', '_'));
        QVERIFY(writeRaster(base + ".tif", spec));
        if (sidecars.contains("tfw"))
            QVERIFY(writeText(base + ".tfw", worldFile(spec.gt)));
        if (sidecars.contains("prj"))
            QVERIFY(writeText(base + ".prj", esriWkt(spec.srs)));
        if (sidecars.contains("aux")) {
            OGRSpatialReferenceH srs = OSRNewSpatialReference(nullptr);
            OSRSetFromUserInput(srs, spec.srs.toUtf8().constData());
            char* wkt = nullptr;
            OSRExportToWkt(srs, &wkt);
            QString text = QString::fromUtf8(wkt).toHtmlEscaped();
            CPLFree(wkt);
            OSRDestroySpatialReference(srs);
            QVERIFY(writeText(base + ".tif.aux.xml",
                              "<PAMDataset><SRS dataAxisToSRSAxisMapping=\"1,2\">" + text
                                  + "</SRS></PAMDataset>"));
        }

        osg::ref_ptr<ImageLayer> layer = openLayer(base + ".tif");
        QVERIFY2(layer->getProfile(), qPrintable(layer->getStatus().message()));
        const Bounds b = layer->getProfile()->getLatLongExtent().bounds();
        QVERIFY2(std::abs(b.xMin() - latLong.x()) < 1e-3, qPrintable(b.toString()));
        QVERIFY2(std::abs(b.yMin() - latLong.y()) < 1e-3, qPrintable(b.toString()));
        QVERIFY2(std::abs(b.width() - latLong.width()) < 1e-3, qPrintable(b.toString()));
        QVERIFY2(std::abs(b.height() - latLong.height()) < 1e-3, qPrintable(b.toString()));
        QCOMPARE(layer->getMaxLevel(), maxLevel);
        QVERIFY(layer->getCachePolicy() == CachePolicy::NO_CACHE);

        for (const Probe& probe : probes) {
            QPoint pixel;
            const TileKey key = keyAt(probe.first.x(), probe.first.y(), maxLevel, pixel);
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
    }

    void keyOutsideDataIsNoData()
    {
        RasterSpec spec;
        spec.srs = "EPSG:4326";
        spec.gt[0] = 5.0; spec.gt[1] = 0.01; spec.gt[2] = 0.0;
        spec.gt[3] = 47.0; spec.gt[4] = 0.0; spec.gt[5] = -0.01;
        spec.fill = [](int, int, int) { return 9; };
        const QString path = dir_.filePath("small.tif");
        QVERIFY(writeRaster(path, spec));
        osg::ref_ptr<ImageLayer> layer = openLayer(path);
        QVERIFY(layer->getProfile());
        QVERIFY(layer->createImage(TileKey(8, 0, 0, mercator_.get())).isNoData());
        QVERIFY(layer->createImage(TileKey(0, 0, 0, mercator_.get())).isOk());
    }

    void unusableRasters_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("create");
        QTest::newRow("missing file") << "missing.tif" << false;
        QTest::newRow("no georeferencing") << "plain.tif" << true;
    }

    void unusableRasters()
    {
        QFETCH(QString, name);
        QFETCH(bool, create);
        const QString path = dir_.filePath(name);
        if (create) {
            RasterSpec spec;
            spec.georeferenced = false;
            spec.fill = [](int, int, int) { return 1; };
            QVERIFY(writeRaster(path, spec));
        }
        osg::ref_ptr<ImageLayer> layer = openLayer(path);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("failed to open"));
        QVERIFY(!layer->getProfile());
        QVERIFY(layer->getStatus().isError());
        QVERIFY(layer->createImage(TileKey(0, 0, 0, mercator_.get())).isFailed());
    }

    // Dataset handles are pooled; many threads warping at once must agree.
    void concurrentTilesAgree()
    {
        RasterSpec spec;
        spec.srs = "EPSG:32632";
        spec.gt[0] = 400000; spec.gt[1] = 20; spec.gt[2] = 0;
        spec.gt[3] = 5300000; spec.gt[4] = 0; spec.gt[5] = -20;
        spec.size = 400;
        spec.bands = 3;
        spec.fill = [](int b, int x, int y) { return (x * 7 + y * 3 + b * 50) % 256; };
        const QString path = dir_.filePath("concurrent.tif");
        QVERIFY(writeRaster(path, spec));
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
            RasterSpec spec;
            spec.srs = "EPSG:4326";
            spec.gt[0] = 0.0; spec.gt[1] = 0.001; spec.gt[2] = 0.0;
            spec.gt[3] = 10.0; spec.gt[4] = 0.0; spec.gt[5] = -0.001;
            spec.size = 2000;
            spec.fill = [](int, int, int) { return 77; };
            QVERIFY(writeRaster(path, spec));
            GDALDatasetH ds = GDALOpen(path.toUtf8().constData(), GA_Update);
            int levels[] = {2, 4, 8, 16};
            QCOMPARE(GDALBuildOverviews(ds, "AVERAGE", 4, levels, 0, nullptr, nullptr, nullptr),
                     CE_None);
            GDALRasterBandH band = GDALGetRasterBand(ds, 1);
            for (int i = 0; i < GDALGetOverviewCount(band); ++i)
                QCOMPARE(GDALFillRaster(GDALGetOverview(band, i), 99, 0), CE_None);
            GDALClose(ds);
        }
        osg::ref_ptr<ImageLayer> layer = openLayer(path);
        QVERIFY(layer->getProfile());
        QPoint pixel;
        const TileKey key = keyAt(1.0, 9.0, lod, pixel);
        const TileResult r = layer->createImage(key);
        QVERIFY(r.isOk());
        const uchar* p = r.image().constScanLine(pixel.y()) + 4 * pixel.x();
        QCOMPARE(int(p[0]), value);
        QCOMPARE(int(p[3]), 255);
    }

    void cancelledBeforeStart()
    {
        const QString path = dir_.filePath("small.tif");
        osg::ref_ptr<ImageLayer> layer = openLayer(path);
        QVERIFY(layer->getProfile());
        ProgressCallback progress;
        progress.cancel();
        QVERIFY(layer->createImage(TileKey(0, 0, 0, mercator_.get()), &progress).isCancelled());
    }
};

QTEST_GUILESS_MAIN(TestGDALTileSource)
#include "tst_gdaltilesource.moc"
