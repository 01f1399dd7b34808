#include "geo/ImageLayer.h"
#include "geo/Profile.h"
#include "geo/drivers/GDALOptions.h"
#include "support/GeoTestData.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace kiv::geo;
using namespace kiv::geo::Drivers;

// GDAL opens a GeoTIFF's sidecars by itself, with whatever drivers are
// registered: a sidecar must never bring in another raster of the disk.
class TestGDALSidecars : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir_;

private slots:
    void overviewSidecarThatIsAVrt()
    {
        kiv::test::RasterSpec raster;
        raster.srs = "EPSG:4326";
        raster.gt = {0.0, 0.001, 0.0, 10.0, 0.0, -0.001};
        raster.size = 2000;
        raster.fill = [](int, int, int) { return 77; };
        const QString map = dir_.filePath("map.tif");
        QVERIFY(kiv::test::writeRaster(map, raster));
        // Another raster on the disk, of the size a coarse overview would have.
        raster.size = 125;
        raster.fill = [](int, int, int) { return 200; };
        const QString other = dir_.filePath("other.tif");
        QVERIFY(kiv::test::writeRaster(other, raster));
        QVERIFY(kiv::test::writeText(
            map + ".ovr",
            QStringLiteral("<VRTDataset rasterXSize=\"125\" rasterYSize=\"125\">"
                           "<VRTRasterBand dataType=\"Byte\" band=\"1\"><SimpleSource>"
                           "<SourceFilename relativeToVRT=\"0\">%1</SourceFilename><SourceBand>1</SourceBand>"
                           "</SimpleSource></VRTRasterBand></VRTDataset>")
                .arg(other)));

        GDALOptions options;
        options.setUrl(map);
        osg::ref_ptr<ImageLayer> layer = new ImageLayer(QStringLiteral("GeoTiff"), options);
        QVERIFY(layer->getProfile());
        osg::ref_ptr<const Profile> mercator = Profile::create(QStringLiteral("spherical-mercator"));
        // A level coarse enough to take the overview, were it opened.
        QPoint pixel;
        const TileResult tile = layer->createImage(kiv::test::tileAt(mercator.get(), 1.0, 9.0, 6, &pixel));
        QVERIFY(tile.isOk());
        const uchar* p = tile.image().constScanLine(pixel.y()) + 4 * pixel.x();
        QCOMPARE(int(p[0]), 77);
        QCOMPARE(int(p[3]), 255);
    }
};

QTEST_GUILESS_MAIN(TestGDALSidecars)
#include "tst_gdalsidecars.moc"
