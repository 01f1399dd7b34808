#include "geo/ImageLayer.h"
#include "geo/Map.h"
#include "geo/TileSourceRegistry.h"
#include "map/GridTileSource.h"
#include "support/GeoTestData.h"

#include <QDirIterator>
#include <QTemporaryDir>
#include <QtTest>

using namespace kiv;
using namespace kiv::geo;

class TestGridTileSource : public QObject
{
    Q_OBJECT

private:
    osg::ref_ptr<const Profile> profile_ = Profile::create(QStringLiteral("spherical-mercator"));

    static osg::ref_ptr<ImageLayer> gridLayer(const CachePolicy& policy = CachePolicy::DEFAULT)
    {
        Drivers::GridTileOptions grid;
        grid.setMaxDataLevel(19);
        ImageLayerOptions options(QStringLiteral("GridTiles"), grid);
        options.setCachePolicy(policy);
        return new ImageLayer(options);
    }

private slots:
    void registeredAtStart()
    {
        QVERIFY(TileSourceRegistry::instance()->hasDriver(QStringLiteral("gridtiles")));
        osg::ref_ptr<ImageLayer> layer = gridLayer();
        QVERIFY(layer->getProfile());
        QVERIFY(layer->getProfile()->isSphericalMercator());
        QCOMPARE(layer->getTileSource()->getExtension(), QStringLiteral("png"));
        QVERIFY(layer->getTileSource()->getCachePolicyHint() == CachePolicy::NO_CACHE);
        QCOMPARE(layer->getMaxLevel(), 19u);
    }

    void driverExtensions_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<bool>("handled");
        QTest::newRow("grid") << "tiles.osgearth_gridtiles" << true;
        QTest::newRow("upper case") << "TILES.OSGEARTH_GRIDTILES" << true;
        QTest::newRow("bare extension") << ".osgearth_gridtiles" << true;
        QTest::newRow("other driver") << "tiles.osgearth_xyz" << false;
        QTest::newRow("image file") << "grid.png" << false;
        QTest::newRow("no extension") << "gridtiles" << false;
    }

    void driverExtensions()
    {
        QFETCH(QString, fileName);
        QFETCH(bool, handled);
        const GridTileSourceDriver driver;
        QCOMPARE(driver.className(), QStringLiteral("Grid Tiles Driver"));
        const auto result = driver.readObject(fileName, TileSourceOptions());
        QCOMPARE(result.status == TileSourceDriver::ReadResult::FILE_LOADED, handled);
        QCOMPARE(result.source.valid(), handled);
        if (!handled)
            QCOMPARE(result.status, TileSourceDriver::ReadResult::FILE_NOT_HANDLED);
    }

    void sameImageForEveryKey_data()
    {
        QTest::addColumn<QString>("key");
        QTest::newRow("root") << "0/0/0";
        QTest::newRow("level 5") << "5/17/3";
        QTest::newRow("level 19 corner") << "19/524287/524287";
    }

    void sameImageForEveryKey()
    {
        QFETCH(QString, key);
        osg::ref_ptr<ImageLayer> layer = gridLayer();
        const TileResult first = layer->createImage(TileKey(0, 0, 0, profile_.get()));
        const TileResult other = layer->createImage(test::tileKey(key, profile_.get()));
        QVERIFY(first.isOk() && other.isOk());
        QCOMPARE(other.image().cacheKey(), first.image().cacheKey());
        QCOMPARE(other.image().constBits(), first.image().constBits());
    }

    void borderPixels()
    {
        osg::ref_ptr<ImageLayer> layer = gridLayer();
        const QImage tile = layer->createImage(TileKey(3, 1, 2, profile_.get())).image();
        QCOMPARE(tile.size(), QSize(256, 256));
        QCOMPARE(tile.format(), QImage::Format_RGBA8888);
        int border = 0;
        for (int y = 0; y < 256; ++y) {
            const uchar* row = tile.constScanLine(y);
            for (int x = 0; x < 256; ++x) {
                const uchar* p = row + 4 * x;
                const bool edge = x == 0 || y == 0 || x == 255 || y == 255;
                if (edge) {
                    ++border;
                    QVERIFY2(p[0] == 96 && p[1] == 96 && p[2] == 96 && p[3] == 50,
                             qPrintable(QStringLiteral("%1,%2: %3 %4 %5 %6")
                                            .arg(x).arg(y).arg(p[0]).arg(p[1]).arg(p[2]).arg(p[3])));
                } else if (p[3] != 0) {
                    QFAIL(qPrintable(QStringLiteral("inner pixel %1,%2 not transparent").arg(x).arg(y)));
                }
            }
        }
        QCOMPARE(border, 4 * 255);
    }

    void neverCached()
    {
        QTemporaryDir dir;
        MapOptions mapOptions;
        mapOptions.setCache(CacheOptions(QStringLiteral("filesystem"), dir.path()));
        osg::ref_ptr<Map> map = new Map(mapOptions);
        osg::ref_ptr<ImageLayer> layer = gridLayer(CachePolicy::DEFAULT);
        map->insertImageLayer(layer.get(), 1);
        QVERIFY(layer->getCachePolicy() == CachePolicy::NO_CACHE);
        for (unsigned lod = 0; lod < 4; ++lod)
            QVERIFY(layer->createImage(TileKey(lod, 0, 0, profile_.get())).isOk());
        QDirIterator it(dir.path(), QDir::Files | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
        QVERIFY(!it.hasNext());
        // Offline the grid is still drawn: it never depended on the cache.
        osg::ref_ptr<ImageLayer> offline = gridLayer(CachePolicy::CACHE_ONLY);
        map->insertImageLayer(offline.get(), 0);
        QVERIFY(offline->createImage(TileKey(2, 1, 1, profile_.get())).isOk());
    }
};

QTEST_GUILESS_MAIN(TestGridTileSource)
#include "tst_gridtilesource.moc"
