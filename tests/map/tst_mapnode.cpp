#include "geo/Map.h"
#include "geo/MapNode.h"
#include "geo/TileTextureCache.h"
#include "support/ControlledTileSource.h"

#include <osg/Uniform>

#include <QtTest>

#include <cmath>
#include <set>

using namespace kiv;
using namespace kiv::geo;
using kiv::test::ControlledTiles;

namespace {

const double Half = SpatialReference::MercatorHalfExtent;

double unitsPerPixelAt(unsigned level)
{
    return 2.0 * Half / (256.0 * double(1u << level));
}

osg::ref_ptr<osg::Camera> cameraAt(double cx, double cy, double unitsPerPixel, int width = 512,
                                   int height = 512)
{
    osg::ref_ptr<osg::Camera> camera = new osg::Camera;
    camera->setViewport(0, 0, width, height);
    camera->setViewMatrixAsLookAt(osg::Vec3d(cx, cy, 1000.0), osg::Vec3d(cx, cy, 0.0),
                                  osg::Vec3d(0.0, 1.0, 0.0));
    const double hw = width * 0.5 * unitsPerPixel;
    const double hh = height * 0.5 * unitsPerPixel;
    camera->setProjectionMatrixAsOrtho(-hw, hw, -hh, hh, 1.0, 1e9);
    return camera;
}

// Updates until every wanted tile is drawn from its own texture.
bool settle(MapNode* node, const osg::Camera& camera)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 10000) {
        node->update(camera);
        if (node->isComplete())
            return true;
        QThread::msleep(2);
    }
    return false;
}

} // namespace

class TestMapNode : public QObject
{
    Q_OBJECT

private:
    osg::ref_ptr<Map> map;
    osg::ref_ptr<MapNode> node;

    void newNode(size_t maxTextures = 384)
    {
        node = nullptr;
        map = new Map;
        MapNodeOptions options;
        options.maxTextures = maxTextures;
        node = new MapNode(map.get(), nullptr, options);
    }

private slots:
    void init() { newNode(); }
    void cleanup() { ControlledTiles::release(); }

    void levelFor_data()
    {
        QTest::addColumn<double>("unitsPerPixel");
        QTest::addColumn<unsigned>("level");
        QTest::newRow("level 0") << unitsPerPixelAt(0) << 0u;
        QTest::newRow("level 5") << unitsPerPixelAt(5) << 5u;
        QTest::newRow("level 5, a little zoomed out") << unitsPerPixelAt(5) * 1.3 << 5u;
        QTest::newRow("level 5, zoomed out half way") << unitsPerPixelAt(5) * 1.5 << 4u;
        QTest::newRow("level 5, a little zoomed in") << unitsPerPixelAt(5) / 1.3 << 5u;
        QTest::newRow("level 17") << unitsPerPixelAt(17) << 17u;
        QTest::newRow("whole world small") << unitsPerPixelAt(0) * 64 << 0u;
        QTest::newRow("beyond the deepest level") << 1e-6 << Profile::MaxLevel;
        QTest::newRow("zero") << 0.0 << 0u;
        QTest::newRow("negative") << -1.0 << 0u;
    }

    void levelFor()
    {
        QFETCH(double, unitsPerPixel);
        QFETCH(unsigned, level);
        QCOMPARE(MapNode::levelFor(unitsPerPixel, 2.0 * Half), level);
    }

    void visibleExtent_data()
    {
        QTest::addColumn<double>("cx");
        QTest::addColumn<double>("cy");
        QTest::addColumn<double>("upp"); // negative: no viewport
        QTest::addColumn<bool>("visible");
        QTest::addColumn<QRectF>("expected");
        QTest::newRow("inside") << 1e6 << 2e6 << 100.0 << true << QRectF(1e6 - 25600, 2e6 - 25600, 51200, 51200);
        QTest::newRow("clipped east") << Half << 0.0 << 100.0 << true << QRectF(Half - 25600, -25600, 25600, 51200);
        QTest::newRow("whole world") << 0.0 << 0.0 << 1e6 << true << QRectF(-Half, -Half, 2 * Half, 2 * Half);
        QTest::newRow("outside") << 3 * Half << 0.0 << 100.0 << false << QRectF();
        QTest::newRow("no viewport") << 0.0 << 0.0 << -1.0 << false << QRectF();
    }

    void visibleExtent()
    {
        QFETCH(double, cx);
        QFETCH(double, cy);
        QFETCH(double, upp);
        QFETCH(bool, visible);
        QFETCH(QRectF, expected);
        osg::ref_ptr<osg::Camera> camera = cameraAt(cx, cy, std::abs(upp));
        if (upp < 0)
            camera->setViewport(nullptr);
        GeoExtent extent;
        double unitsPerPixel = 0.0;
        QCOMPARE(node->visibleExtent(*camera, extent, unitsPerPixel), visible);
        if (!visible) {
            map->addImageLayer(ControlledTiles::makeLayer("red", Qt::red).get());
            node->update(*camera);
            QVERIFY(node->getDrawnTiles().empty());
            return;
        }
        QVERIFY(std::abs(unitsPerPixel - upp) < 1e-6 * upp);
        QVERIFY(std::abs(extent.xMin() - expected.left()) < 1e-3);
        QVERIFY(std::abs(extent.yMin() - expected.top()) < 1e-3);
        QVERIFY(std::abs(extent.width() - expected.width()) < 1e-3);
        QVERIFY(std::abs(extent.height() - expected.height()) < 1e-3);
    }

    void boundCoversTheWorld()
    {
        const osg::BoundingSphere bound = node->getBound();
        QVERIFY(bound.valid());
        QVERIFY(std::abs(bound.radius() - Half * std::sqrt(2.0)) < 1.0);
    }

    void parentStandsInWhileLoading()
    {
        map->addImageLayer(ControlledTiles::makeLayer("red", Qt::red).get());
        // A point off every tile boundary, at level 6.
        const double cx = 1234567.0, cy = -2345678.0;
        osg::ref_ptr<osg::Camera> camera = cameraAt(cx, cy, unitsPerPixelAt(6));
        node->update(*camera);
        QCOMPARE(node->getLevel(), 6u);
        QVERIFY(!node->isComplete());
        QVERIFY(node->getDrawnTiles().empty()); // nothing loaded yet, nothing above
        QVERIFY(settle(node.get(), *camera));
        const size_t onScreen = node->getDrawnTiles().size();
        QVERIFY(onScreen >= 4 && onScreen <= 9);
        for (const auto& tile : node->getDrawnTiles()) {
            QCOMPARE(tile.key.getLOD(), 6u);
            QVERIFY(tile.key == tile.textureKey);
        }

        ControlledTiles::hold();
        osg::ref_ptr<osg::Camera> closer = cameraAt(cx, cy, unitsPerPixelAt(7));
        node->update(*closer);
        QCOMPARE(node->getLevel(), 7u);
        QVERIFY(!node->isComplete());
        QVERIFY(!node->getDrawnTiles().empty());
        for (const auto& tile : node->getDrawnTiles()) {
            QCOMPARE(tile.key.getLOD(), 7u);
            QVERIFY(tile.textureKey == tile.key.createParentKey());
        }
        QVERIFY(node->getTileLoader()->requestsInProgress() > 0);
        ControlledTiles::release();
        QVERIFY(settle(node.get(), *closer));
        for (const auto& tile : node->getDrawnTiles())
            QVERIFY(tile.key == tile.textureKey);
    }

    void emptyTilesAreRemembered()
    {
        map->addImageLayer(ControlledTiles::makeLayer("empty", Qt::red, 19, true).get());
        osg::ref_ptr<osg::Camera> camera = cameraAt(1e6, 1e6, unitsPerPixelAt(8));
        QVERIFY(settle(node.get(), *camera));
        QVERIFY(node->getDrawnTiles().empty());
        const int served = ControlledTiles::served();
        for (int i = 0; i < 5; ++i)
            node->update(*camera);
        QCOMPARE(ControlledTiles::served(), served);
        QCOMPARE(node->getTileLoader()->requestsInProgress(), 0);
    }

    void layerLevelsCapTheDrawnLevel()
    {
        map->addImageLayer(ControlledTiles::makeLayer("coarse", Qt::red, 2).get());
        osg::ref_ptr<osg::Camera> camera = cameraAt(1e6, 1e6, unitsPerPixelAt(9));
        QVERIFY(settle(node.get(), *camera));
        QCOMPARE(node->getLevel(), 9u);
        QCOMPARE(node->getDrawnTiles().size(), size_t(1));
        QCOMPARE(node->getDrawnTiles().front().key.getLOD(), 2u);
    }

    void layersBottomToTop_data()
    {
        QTest::addColumn<float>("middleOpacity");
        QTest::addColumn<bool>("middleVisible");
        QTest::addColumn<QStringList>("drawn");
        QTest::newRow("all shown") << 0.5f << true << QStringList{"bottom", "middle", "top"};
        QTest::newRow("middle invisible") << 1.0f << false << QStringList{"bottom", "top"};
        QTest::newRow("middle transparent") << 0.0f << true << QStringList{"bottom", "top"};
    }

    void layersBottomToTop()
    {
        QFETCH(float, middleOpacity);
        QFETCH(bool, middleVisible);
        QFETCH(QStringList, drawn);
        map->addImageLayer(ControlledTiles::makeLayer("top", Qt::red).get());
        map->insertImageLayer(ControlledTiles::makeLayer("bottom", Qt::blue).get(), 0);
        osg::ref_ptr<ImageLayer> middle = ControlledTiles::makeLayer("middle", Qt::green);
        map->insertImageLayer(middle.get(), 1);
        middle->setOpacity(middleOpacity);
        middle->setVisible(middleVisible);
        osg::ref_ptr<osg::Camera> camera = cameraAt(1e6, 1e6, unitsPerPixelAt(4));
        QVERIFY(settle(node.get(), *camera));
        osg::Group* terrain = node->getTerrainEngine();
        QStringList names;
        for (unsigned i = 0; i < terrain->getNumChildren(); ++i)
            names << QString::fromStdString(terrain->getChild(i)->getName());
        QCOMPARE(names, drawn);
        if (middleVisible && middleOpacity > 0.0f) {
            float opacity = -1.0f;
            QVERIFY(terrain->getChild(1)->getStateSet()->getUniform("layerOpacity")->get(opacity));
            QCOMPARE(opacity, middleOpacity);
        }
    }

    void texturesStayBounded()
    {
        newNode(8);
        map->addImageLayer(ControlledTiles::makeLayer("red", Qt::red).get());
        size_t largestScreen = 0;
        for (int step = 0; step < 12; ++step) {
            osg::ref_ptr<osg::Camera> camera =
                cameraAt(1e6 + step * 3e5, 1e6 - step * 2e5, unitsPerPixelAt(7));
            QVERIFY(settle(node.get(), *camera));
            largestScreen = std::max(largestScreen, node->getDrawnTiles().size());
            QVERIFY2(node->getTextureCache().size() <= std::max<size_t>(8, largestScreen),
                     qPrintable(QString::number(node->getTextureCache().size())));
        }
        // The tiles on screen are never the ones thrown out.
        osg::ref_ptr<osg::Camera> camera = cameraAt(1e6 + 11 * 3e5, 1e6 - 11 * 2e5, unitsPerPixelAt(7));
        node->update(*camera);
        QVERIFY(node->isComplete());
    }

    void removedLayerLeavesTheCache()
    {
        osg::ref_ptr<ImageLayer> red = ControlledTiles::makeLayer("red", Qt::red);
        osg::ref_ptr<ImageLayer> blue = ControlledTiles::makeLayer("blue", Qt::blue);
        map->addImageLayer(red.get());
        map->addImageLayer(blue.get());
        osg::ref_ptr<osg::Camera> camera = cameraAt(1e6, 1e6, unitsPerPixelAt(5));
        QVERIFY(settle(node.get(), *camera));
        const size_t both = node->getTextureCache().size();
        map->removeImageLayer(red.get());
        node->update(*camera);
        QCOMPARE(node->getTextureCache().size(), both / 2);
        for (const auto& tile : node->getDrawnTiles())
            QCOMPARE(tile.layer, blue.get());
    }

    void tileImageRowOrder_data()
    {
        QTest::addColumn<int>("format");
        QTest::newRow("rgba8888") << int(QImage::Format_RGBA8888);
        QTest::newRow("argb32 premultiplied") << int(QImage::Format_ARGB32_Premultiplied);
    }

    void tileImageRowOrder()
    {
        QFETCH(int, format);
        QImage tile(256, 256, QImage::Format(format));
        tile.fill(QColor(0, 0, 255));
        for (int x = 0; x < 256; ++x)
            tile.setPixelColor(x, 0, QColor(255, 0, 0, 128)); // the north row
        osg::ref_ptr<osg::Image> image = TileTextureCache::makeImage(tile);
        QVERIFY(image);
        QCOMPARE(image->s(), 256);
        QCOMPARE(image->t(), 256);
        QCOMPARE(image->getPixelFormat(), GLenum(GL_RGBA));
        QCOMPARE(image->getDataType(), GLenum(GL_UNSIGNED_BYTE));
        const unsigned char* north = image->data(10, 255);
        QCOMPARE(int(north[0]), 255);
        QCOMPARE(int(north[2]), 0);
        QVERIFY(std::abs(int(north[3]) - 128) <= 1);
        const unsigned char* south = image->data(10, 0);
        QCOMPARE(int(south[0]), 0);
        QCOMPARE(int(south[2]), 255);
        QCOMPARE(int(south[3]), 255);
        QVERIFY(!TileTextureCache::makeImage(QImage()));
    }

    void cacheEvictsLeastRecentlyUsed()
    {
        osg::ref_ptr<ImageLayer> layer = ControlledTiles::makeLayer("red", Qt::red);
        osg::ref_ptr<const Profile> profile = Profile::create(QStringLiteral("spherical-mercator"));
        TileTextureCache cache(2);
        const TileKey a(1, 0, 0, profile.get()), b(1, 1, 0, profile.get()), c(1, 0, 1, profile.get());
        osg::ref_ptr<osg::Texture2D> texture = new osg::Texture2D;
        cache.insert(layer.get(), a, texture.get(), 1);
        cache.insert(layer.get(), b, nullptr, 2);
        cache.touch(cache.find(layer.get(), a), 3);
        cache.insert(layer.get(), c, texture.get(), 3);
        cache.evict(3);
        QCOMPARE(cache.size(), size_t(2));
        QVERIFY(!cache.find(layer.get(), b));
        QVERIFY(cache.find(layer.get(), a));
        // Everything in use this frame stays, over the capacity.
        cache.insert(layer.get(), b, nullptr, 3);
        cache.evict(3);
        QCOMPARE(cache.size(), size_t(3));
        cache.retainLayers({});
        QCOMPARE(cache.size(), size_t(0));
    }
};

QTEST_GUILESS_MAIN(TestMapNode)
#include "tst_mapnode.moc"
