#include "geo/ImageLayer.h"
#include "geo/Map.h"
#include "geo/MapNode.h"
#include "geo/drivers/GDALOptions.h"
#include "support/GeoTestData.h"
#include "support/MessageLog.h"
#include "support/SceneFixture.h"

#include <QGuiApplication>
#include <QMutexLocker>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <vector>

using namespace kiv;

class TestGLRenderGL : public QObject, private test::SceneFixture
{
    Q_OBJECT

private:
    QTemporaryDir dir;
    QString redPath;
    QString bluePath;

    osg::ref_ptr<geo::ImageLayer> addTiff(const QString& path, unsigned index)
    {
        geo::Drivers::GDALOptions options;
        options.setUrl(path);
        osg::ref_ptr<geo::ImageLayer> layer = new geo::ImageLayer(QStringLiteral("GeoTiff"), options);
        QMutexLocker lock(&scene->sceneMutex());
        scene->map()->insertImageLayer(layer.get(), index);
        return layer;
    }

private slots:
    void initTestCase()
    {
        test::recordLogLines();
        QVERIFY(dir.isValid());
        redPath = dir.filePath(QStringLiteral("red.tif"));
        bluePath = dir.filePath(QStringLiteral("blue.tif"));
        QVERIFY(test::writeRaster(redPath, test::colouredRaster(10.0, 40.0, 20.0, 50.0, Qt::red)));
        QVERIFY(test::writeRaster(bluePath, test::colouredRaster(12.0, 42.0, 18.0, 48.0, Qt::blue)));
        createManager();
        QVERIFY(showScene(dir.path(), 400, 300));
        // About 30 degrees of longitude across, centred on the red raster.
        scene->cameraManipulator().setPosition(worldOf(15.0, 45.0));
        scene->cameraManipulator().setAltitude(2.2e6);
    }

    void cleanupTestCase()
    {
        destroyAll();
    }

    void cleanup()
    {
        QMutexLocker lock(&scene->sceneMutex());
        for (const auto& layer : scene->map()->getImageLayers())
            if (layer != scene->gridLayer())
                scene->map()->removeImageLayer(layer.get());
    }

    void whiteBackgroundAndGrid()
    {
        QVERIFY(settle());
        const unsigned level = scene->mapNode()->getLevel();
        QVERIFY(level > 0);
        const double half = geo::SpatialReference::MercatorHalfExtent;
        const double tile = 2.0 * half / double(1u << level);
        // The tile boundary nearest the middle of the window, and the middle
        // of the tile beside it.
        const osg::Vec3d centre = scene->screenToWorld(200.0, 150.0);
        const double boundary = std::round((centre.x() + half) / tile) * tile - half;
        const int lineX = int(std::lround(scene->worldToScreenXY(boundary, 0.0).x()));
        QVERIFY(lineX > 1 && lineX < 398);
        const int clearX = lineX + 15 < 398 ? lineX + 15 : lineX - 15;
        // A row near the top (above the rasters), clear of horizontal lines.
        const double top = scene->screenToWorld(0.0, 0.0).y();
        const double topLine = std::floor((top + half) / tile) * tile - half;
        const double lineY = scene->worldToScreenXY(0.0, topLine).y();
        const int row = std::abs(lineY - 5.0) > 3.0 ? 5 : 12;
        int darkest = 255;
        for (int x = lineX - 1; x <= lineX + 1; ++x)
            darkest = std::min(darkest, frame.pixelColor(x, row).red());
        // The grid's grey at alpha 50 over white.
        QVERIFY2(darkest < 245 && darkest > 200, qPrintable(QString::number(darkest)));
        QVERIFY(colourIs(frame.pixelColor(clearX, row), Qt::white, 0));
    }

    // No time at all: every frame builds one item, and the redraw timer
    // brings the frames for the rest, with no input or tile asking for them.
    // Hundreds of items need more frames than any ticks already queued.
    void frameBudgetLeavesItemsToLaterFrames_data()
    {
        QTest::addColumn<int>("count");
        QTest::newRow("three items") << 3;
        QTest::newRow("three hundred items") << 300;
    }

    void frameBudgetLeavesItemsToLaterFrames()
    {
        QFETCH(int, count);
        QVERIFY(settle());
        QTRY_VERIFY(!scene->isRedrawTimerActive());
        scene->setItemBuildBudget(0);
        std::vector<std::shared_ptr<test::CountingRenderItem>> items(static_cast<size_t>(count));
        for (auto& item : items) {
            item = std::make_shared<test::CountingRenderItem>();
            scene->addRenderItem(item);
        }
        const auto built = [&items] {
            return int(std::count_if(items.begin(), items.end(), [](const auto& item) { return !item->isDirty(); }));
        };
        view->grabWindow();
        QCOMPARE(built(), 1);
        QVERIFY(scene->itemsPending());
        QTRY_COMPARE_WITH_TIMEOUT(built(), count, 40000);
        QTRY_VERIFY(!scene->itemsPending());
        for (const auto& item : items) {
            QCOMPARE(item->builds, 1);
            scene->removeRenderItem(item);
        }
        scene->setItemBuildBudget(GLRender::DefaultItemBuildBudget);
    }

    void rasterLayer_data()
    {
        QTest::addColumn<double>("opacity");
        QTest::addColumn<bool>("visible");
        QTest::addColumn<QColor>("expected");
        QTest::newRow("opaque") << 1.0 << true << QColor(255, 0, 0);
        QTest::newRow("half") << 0.5 << true << QColor(255, 128, 128);
        QTest::newRow("invisible") << 1.0 << false << QColor(255, 255, 255);
    }

    void rasterLayer()
    {
        QFETCH(double, opacity);
        QFETCH(bool, visible);
        QFETCH(QColor, expected);
        osg::ref_ptr<geo::ImageLayer> red = addTiff(redPath, 2);
        red->setOpacity(float(opacity));
        red->setVisible(visible);
        QVERIFY(settle());
        // Inside the raster off the grid lines, in its corner, and just outside it.
        QVERIFY(colourAt(14.3, 44.3, expected));
        QVERIFY(colourAt(10.3, 49.7, expected));
        QVERIFY(colourAt(8.3, 44.3, Qt::white));
    }

    void upperLayerWins_data()
    {
        QTest::addColumn<bool>("blueOnTop");
        QTest::newRow("blue above red") << true;
        QTest::newRow("red above blue") << false;
    }

    void upperLayerWins()
    {
        QFETCH(bool, blueOnTop);
        osg::ref_ptr<geo::ImageLayer> red = addTiff(redPath, 2);
        osg::ref_ptr<geo::ImageLayer> blue = addTiff(bluePath, 3);
        if (!blueOnTop) {
            QMutexLocker lock(&scene->sceneMutex());
            scene->map()->moveImageLayer(blue.get(), 1);
        }
        QVERIFY(settle());
        QVERIFY(colourAt(14.3, 44.3, blueOnTop ? QColor(Qt::blue) : QColor(Qt::red)));
        // Only red where the blue raster does not reach.
        QVERIFY(colourAt(10.7, 40.7, Qt::red));
    }

    void dirtyItemsRebuiltInTheFrame()
    {
        auto item = std::make_shared<test::CountingRenderItem>();
        scene->addRenderItem(item);
        frame = view->grabWindow();
        QCOMPARE(item->builds, 1);
        osg::Group* group = scene->renderItemGroup();
        QCOMPARE(group->getNumChildren(), 1u);
        QCOMPARE(group->getChild(0), item->node());
        frame = view->grabWindow();
        QCOMPARE(item->builds, 1);
        item->setSelectedId("42");
        frame = view->grabWindow();
        QCOMPARE(item->builds, 2);
        QCOMPARE(group->getNumChildren(), 1u);
        QCOMPARE(group->getChild(0), item->node());
        scene->removeRenderItem(item);
        QCOMPARE(group->getNumChildren(), 0u);
        QCOMPARE(item->owner(), nullptr);
    }

    // After the layer tests, so that their shaders have been built too.
    void rendererReportedWithoutShaderErrors()
    {
        QVERIFY(settle());
        QTRY_VERIFY(!manager->glRenderer().isEmpty());
        QVERIFY(scene->isSetUp());
        QVERIFY(scene->maxTextureSize() > 0);
        const QStringList log = test::takeLines();
        for (const QString& line : log) {
            QVERIFY2(!line.contains(QLatin1String("FAILED"), Qt::CaseInsensitive), qPrintable(line));
            QVERIFY2(!line.contains(QLatin1String("error:"), Qt::CaseInsensitive), qPrintable(line));
        }
        QVERIFY(log.contains(QStringLiteral("GLRender::setupOSG")));
        QVERIFY(log.contains(QStringLiteral("GLRender::updateMapNode")));
    }

    // Last: the scene draws nothing afterwards.
    void clearedSceneDrawsNothing()
    {
        osg::ref_ptr<geo::ImageLayer> red = addTiff(redPath, 2);
        QVERIFY(settle());
        QVERIFY(colourAt(14.3, 44.3, Qt::red));
        scene->clearScene();
        frame = view->grabWindow();
        QVERIFY(colourAt(14.3, 44.3, Qt::white, 0));
        QCOMPARE(frame.pixelColor(0, 0), QColor(Qt::white));
    }
};

int main(int argc, char* argv[])
{
    // The map draws on the GUI thread, as in the program.
    qputenv("QSG_RENDER_LOOP", "basic");
    QGuiApplication app(argc, argv);
    TestGLRenderGL test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_glrender_gl.moc"
