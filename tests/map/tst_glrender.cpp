#include "geo/GeoPoint.h"
#include "map/OSGKIVWindowingSystem.h"
#include "map/QtNotifyHandler.h"
#include "support/ControlledTileSource.h"
#include "support/SceneFixture.h"

#include <osgViewer/GraphicsWindow>

#include <QtTest>

#include <cmath>
#include <thread>

using namespace kiv;
using kiv::test::CountingRenderItem;

namespace {

const double Tan30 = std::tan(M_PI / 6.0);
const double Half = geo::SpatialReference::MercatorHalfExtent;

} // namespace

class TestGLRender : public QObject, private test::SceneFixture
{
    Q_OBJECT

    void lookAt(double lon, double lat, double altitude)
    {
        scene->cameraManipulator().setAltitude(altitude);
        scene->cameraManipulator().setPosition(worldOf(lon, lat));
        scene->updateCamera();
    }

private slots:
    void initTestCase() { createManager(); }
    void init() { newScene(400, 300); }
    void cleanupTestCase() { destroyAll(); }

    void constructionBeforeAnyFrame()
    {
        QVERIFY(!scene->isSetUp());
        QVERIFY(!scene->root());
        QCOMPARE(scene->cameraManipulator().altitude(), 30000.0);
        QVERIFY(scene->mapSRS()->isSphericalMercator());
        QVERIFY(scene->geographicSRS()->isGeographic());
        // The map and its grid exist at once, so layer operations need no frame.
        QCOMPARE(scene->map()->getNumImageLayers(), 1u);
        QCOMPARE(scene->map()->getImageLayerAt(0), scene->gridLayer());
        QCOMPARE(scene->gridLayer()->getName(), QStringLiteral("GridTiles"));
        QCOMPARE(scene->gridLayer()->getMaxLevel(), 19u);
        QCOMPARE(scene->map()->getMapOptions().cache()->rootPath(), manager->cachePath());
        QCOMPARE(scene->windowSize(), QSize(400, 300));
        QCOMPARE(scene->camera()->getViewport()->width(), 400.0);
        // The viewport follows the window; an unshown one gets no resize event of its own.
        view->resize(640, 480);
        QResizeEvent resize(QSize(640, 480), QSize(400, 300));
        QCoreApplication::sendEvent(view.get(), &resize);
        QCOMPARE(scene->camera()->getViewport()->width(), 640.0);
        QCOMPARE(scene->camera()->getViewport()->height(), 480.0);
    }

    void screenWorldGeoRoundTrip_data()
    {
        QTest::addColumn<double>("lon");
        QTest::addColumn<double>("lat");
        QTest::addColumn<double>("altitude");
        QTest::addColumn<double>("x");
        QTest::addColumn<double>("y");
        QTest::newRow("centre, city") << 8.5 << 47.3 << 30000.0 << 200.0 << 150.0;
        QTest::newRow("corner, street") << -71.06 << 42.36 << 50.0 << 0.0 << 0.0;
        QTest::newRow("far corner, region") << 151.2 << -33.9 << 2e5 << 400.0 << 300.0;
        QTest::newRow("off centre, deep zoom") << 8.5 << 47.3 << 10.0 << 37.5 << 261.25;
    }

    void screenWorldGeoRoundTrip()
    {
        QFETCH(double, lon);
        QFETCH(double, lat);
        QFETCH(double, altitude);
        QFETCH(double, x);
        QFETCH(double, y);
        lookAt(lon, lat, altitude);
        const osg::Vec3d world = scene->screenToWorld(x, y);
        const QPointF back = scene->worldToScreen(world);
        QVERIFY2(std::abs(back.x() - x) < 1e-3 && std::abs(back.y() - y) < 1e-3,
                 qPrintable(QStringLiteral("%1, %2").arg(back.x()).arg(back.y())));
        QCOMPARE(scene->worldToScreenXY(world.x(), world.y()).x(), back.x());

        double gLon = 0.0, gLat = 0.0;
        QVERIFY(scene->screenToGeo(x, y, gLon, gLat));
        const geo::GeoPoint inMap = geo::GeoPoint(scene->geographicSRS(), gLon, gLat).transform(scene->mapSRS());
        QVERIFY(std::abs(inMap.x() - world.x()) < 1e-6 * Half);
        QVERIFY(std::abs(inMap.y() - world.y()) < 1e-6 * Half);

        // The window's middle is the camera's ground point.
        double cLon = 0.0, cLat = 0.0;
        QVERIFY(scene->screenToGeo(200.0, 150.0, cLon, cLat));
        QVERIFY(std::abs(cLon - lon) < 1e-7 && std::abs(cLat - lat) < 1e-7);

        // The visible rectangle keeps its odd field order: sizes, then the
        // top-left corner.
        double lon1, lat1, lon2, lat2;
        QVERIFY(scene->screenToGeo(0, 0, lon1, lat1) && scene->screenToGeo(400, 300, lon2, lat2));
        QVERIFY(lat1 > lat2 && lon1 < lon2);
        QCOMPARE(scene->visibleGeoRect(), QRectF(lon2 - lon1, lat1 - lat2, lon1, lat1));
    }

    void projectionAspect_data()
    {
        QTest::addColumn<int>("width"); // negative: a scene without window
        QTest::addColumn<int>("height");
        QTest::addColumn<double>("aspect");
        QTest::newRow("landscape") << 400 << 200 << 2.0;
        QTest::newRow("portrait") << 300 << 600 << 0.5;
        QTest::newRow("zero height") << 400 << 0 << 1.0;
        QTest::newRow("no window") << -1 << -1 << 1.0;
    }

    void projectionAspect()
    {
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(double, aspect);
        if (width < 0) {
            scene = std::make_unique<GLRender>(nullptr);
        } else {
            newScene(width, height);
            // Not every platform keeps a zero-height geometry; force it.
            view->setGeometry(QRect(0, 0, width, height));
        }
        osg::ref_ptr<osg::Camera> camera = new osg::Camera;
        scene->updateProjection(camera.get(), 1000.0);
        double left, right, bottom, top, zNear, zFar;
        QVERIFY(camera->getProjectionMatrixAsOrtho(left, right, bottom, top, zNear, zFar));
        const double h = 1000.0 * Tan30;
        QVERIFY(std::abs(top - h) < 1e-6 && std::abs(bottom + h) < 1e-6);
        QVERIFY(std::abs(right - h * aspect) < 1e-6 && std::abs(left + h * aspect) < 1e-6);
        // No scene graph yet: the default planes.
        QVERIFY(std::abs(zFar - 10000.0) < 1e-6 && std::abs(zNear - 1.0) < 1e-9);
        if (width < 0) {
            QCOMPARE(scene->windowSize(), QSize(0, 0));
            scene->updateCamera();
            QCOMPARE(scene->worldToScreenXY(0.0, 0.0), QPointF(0.0, 0.0));
        }
    }

    void altitudeClamped_data()
    {
        QTest::addColumn<double>("requested");
        QTest::addColumn<double>("expected"); // negative: the maximum
        QTest::newRow("below the minimum") << 5.0 << 10.0;
        QTest::newRow("the minimum") << 10.0 << 10.0;
        QTest::newRow("inside") << 12345.0 << 12345.0;
        QTest::newRow("above the maximum") << 1e12 << -1.0;
    }

    void altitudeClamped()
    {
        QFETCH(double, requested);
        QFETCH(double, expected);
        MapCameraManipulator& camera = scene->cameraManipulator();
        // 400 x 300: the world's width limits first.
        const double maximum = std::min(Half / Tan30, Half / (Tan30 * 400.0 / 300.0));
        QVERIFY(std::abs(camera.maximumAltitude() - maximum) < 1e-3);
        QSignalSpy changed(&camera, &MapCameraManipulator::altitudeChanged);
        QSignalSpy moved(&camera, &MapCameraManipulator::cameraPositionChanged);
        camera.setAltitude(requested);
        QCOMPARE(camera.altitude(), expected < 0 ? camera.maximumAltitude() : expected);
        QCOMPARE(changed.count(), 1);
        camera.setAltitude(requested);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(moved.count(), 2);
    }

    void limitsRecalculated_data()
    {
        QTest::addColumn<QRectF>("limits");
        QTest::addColumn<double>("maximum");
        QTest::addColumn<bool>("error");
        const double square = Half / Tan30;
        QTest::newRow("zero height uses aspect 1") << QRectF(0, 0, 400, 0) << square << false;
        QTest::newRow("square") << QRectF(10, 10, 300, 300) << square << false;
        QTest::newRow("wide") << QRectF(0, 0, 800, 200) << square / 4.0 << false;
        QTest::newRow("too wide for the world") << QRectF(0, 0, 1e12, 1) << 100.0 << true;
    }

    void limitsRecalculated()
    {
        QFETCH(QRectF, limits);
        QFETCH(double, maximum);
        QFETCH(bool, error);
        if (error)
            QTest::ignoreMessage(QtDebugMsg, "recalcLimits error");
        MapCameraManipulator& camera = scene->cameraManipulator();
        camera.setLimits(limits.x(), limits.y(), limits.width(), limits.height());
        QVERIFY2(std::abs(camera.maximumAltitude() - maximum) < 1e-3 * maximum,
                 qPrintable(QString::number(camera.maximumAltitude())));
        QVERIFY(std::abs(camera.worldMaximum().x() - Half) < 1.0);
        QVERIFY(std::abs(camera.worldMinimum().y() + Half) < 1e3);
    }

    void panningStopsAtTheEdge_data()
    {
        QTest::addColumn<double>("lon");
        QTest::addColumn<double>("lat");
        QTest::addColumn<int>("edges"); // 1 west, 2 east, 4 south, 8 north
        QTest::newRow("east") << 179.9 << 0.0 << 2;
        QTest::newRow("west") << -179.9 << 10.0 << 1;
        QTest::newRow("north") << 20.0 << 85.0 << 8;
        QTest::newRow("south-west") << -179.0 << -85.0 << 5;
        QTest::newRow("inside") << 20.0 << 40.0 << 0;
    }

    void panningStopsAtTheEdge()
    {
        QFETCH(double, lon);
        QFETCH(double, lat);
        QFETCH(int, edges);
        lookAt(lon, lat, 2e6);
        const osg::Vec3d lower = scene->screenToWorld(0.0, 300.0);
        const osg::Vec3d upper = scene->screenToWorld(400.0, 0.0);
        const osg::Vec3d min = scene->cameraManipulator().worldMinimum();
        const osg::Vec3d max = scene->cameraManipulator().worldMaximum();
        const double tolerance = 1e-3;
        QVERIFY(lower.x() >= min.x() - tolerance && lower.y() >= min.y() - tolerance);
        QVERIFY(upper.x() <= max.x() + tolerance && upper.y() <= max.y() + tolerance);
        QCOMPARE(std::abs(lower.x() - min.x()) < tolerance, bool(edges & 1));
        QCOMPARE(std::abs(upper.x() - max.x()) < tolerance, bool(edges & 2));
        QCOMPARE(std::abs(lower.y() - min.y()) < tolerance, bool(edges & 4));
        QCOMPARE(std::abs(upper.y() - max.y()) < tolerance, bool(edges & 8));
    }

    void animation()
    {
        MapCameraManipulator& camera = scene->cameraManipulator();
        const osg::Vec3d start = worldOf(8.0, 47.0), target = worldOf(9.0, 47.5);
        camera.setPosition(start);
        camera.setAltitude(30000.0);
        QSignalSpy moved(&camera, &MapCameraManipulator::cameraPositionChanged);
        QElapsedTimer clock;
        clock.start();
        camera.animateTo(target, 5.0);
        QVERIFY(camera.isAnimating());
        QTRY_VERIFY(!camera.isAnimating());
        QVERIFY(clock.elapsed() >= 300);
        QVERIFY(moved.count() > 2);
        QVERIFY((camera.position() - target).length() < 1e-6);
        QCOMPARE(camera.altitude(), 10.0); // the end altitude is clamped like any other

        // Putting the camera somewhere, or cancelling, ends an animation for good.
        const osg::Vec3d put = worldOf(-3.0, 40.0);
        camera.animateTo(start, 50000.0);
        QTest::qWait(50);
        camera.setPosition(put);
        QVERIFY(!camera.isAnimating());
        QTest::qWait(400);
        QVERIFY((camera.position() - put).length() < 1e-6);
        camera.animateTo(start, 50000.0);
        camera.cancelAnim();
        QVERIFY(!camera.isAnimating());
    }

    void renderItems()
    {
        auto item = std::make_shared<CountingRenderItem>();
        QVERIFY(item->isDirty());
        item->setDirty(false);
        scene->addRenderItem(item);
        scene->addRenderItem(item);
        scene->addRenderItem(nullptr);
        QCOMPARE(scene->renderItems().size(), 1);
        QCOMPARE(item->owner(), scene.get());
        QVERIFY(item->isDirty());

        scene->removeRenderItem(std::make_shared<CountingRenderItem>());
        QCOMPARE(scene->renderItems().size(), 1);
        // Before the first frame there is no group to take the node from.
        scene->removeRenderItem(item);
        QVERIFY(scene->renderItems().isEmpty());
        QCOMPARE(item->owner(), nullptr);
        QCOMPARE(item->builds, 0);

        // Selecting marks the item dirty even when the id is unchanged.
        for (int i = 0; i < 2; ++i) {
            item->setDirty(false);
            item->setSelectedId("0123456789abcdef0123456789abcdef");
            QVERIFY(item->isDirty());
        }
        QCOMPARE(item->selectedId(), std::string("0123456789abcdef0123456789abcdef"));
    }

    void disabledSceneSetsNothingUp()
    {
        QSignalSpy enabled(scene.get(), &GLRender::enabledChanged);
        scene->setEnabled(false);
        scene->setEnabled(false);
        QCOMPARE(enabled.count(), 1);
        QCOMPARE(enabled.first().first().toBool(), false);
        scene->render();
        QVERIFY(!scene->isSetUp());
        QVERIFY(!scene->root());
        QVERIFY(!scene->mapNode());
        QVERIFY(!scene->graphicsWindow());
        QVERIFY(manager->glRenderer().isEmpty());
        // Enabled again, but no GL context is current: still nothing.
        scene->setEnabled(true);
        scene->render();
        QVERIFY(!scene->isSetUp());
    }

    void redrawTimer()
    {
        test::ControlledTiles::hold();
        osg::ref_ptr<geo::ImageLayer> layer = test::ControlledTiles::makeLayer("busy", Qt::red);
        QSignalSpy loading(scene.get(), &GLRender::loadingTilesChanged);
        QSignalSpy relayed(view.get(), &MainView::loadingTilesChanged);
        const auto tick = [this](int times) {
            for (int i = 0; i < times; ++i)
                scene->updateTimer();
        };

        tick(1);
        QVERIFY(!scene->isRedrawTimerActive());
        scene->tileLoader()->request(layer.get(), geo::TileKey(3, 2, 2, scene->map()->getProfile()), 1.0f);
        QCOMPARE(scene->tileLoader()->requestsInProgress(), 1);
        std::thread([this] { scene->updateTimer(); }).join(); // only its own thread starts it
        QVERIFY(!scene->isRedrawTimerActive());
        QTest::ignoreMessage(QtDebugMsg, "Starting Redraw Timer");
        scene->updateTimer(true);
        QVERIFY(scene->isRedrawTimerActive() && scene->loadingTiles());
        QCOMPARE(loading.count(), 1);
        QCOMPARE(loading.last().first().toBool(), true);
        QCOMPARE(relayed.count(), 1);
        tick(20); // busy ticks keep it going
        QVERIFY(scene->isRedrawTimerActive());

        test::ControlledTiles::release();
        size_t finished = 0;
        QTRY_VERIFY((finished += scene->tileLoader()->takeFinished().size()) == 1);
        QCOMPARE(scene->tileLoader()->requestsInProgress(), 0);
        tick(10);
        QVERIFY(scene->isRedrawTimerActive());
        QCOMPARE(loading.count(), 1);
        QTest::ignoreMessage(QtDebugMsg, "Stoping Redraw Timer");
        tick(1);
        QVERIFY(!scene->isRedrawTimerActive() && !scene->loadingTiles());
        QCOMPARE(loading.count(), 2);
        QCOMPARE(loading.last().first().toBool(), false);
        QCOMPARE(relayed.count(), 2);
        tick(5);
        QCOMPARE(loading.count(), 2);
    }

    void notifyPrefixes_data()
    {
        QTest::addColumn<int>("severity");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("expected"); // null: dropped
        QTest::newRow("always") << int(osg::ALWAYS) << "a" << "FATAL: a";
        QTest::newRow("fatal") << int(osg::FATAL) << "b" << "FATAL: b";
        QTest::newRow("warn") << int(osg::WARN) << "c" << "WARNING: c";
        QTest::newRow("notice") << int(osg::NOTICE) << "d" << "INFO: d";
        QTest::newRow("info") << int(osg::INFO) << "e" << "INFO: e";
        QTest::newRow("debug") << int(osg::DEBUG_INFO) << "f" << "DEBUG: f";
        QTest::newRow("debug fp") << int(osg::DEBUG_FP) << "g" << "DEBUG: g";
        QTest::newRow("unknown") << 42 << "h" << "INFO: h";
        QTest::newRow("render bin warning")
            << int(osg::WARN) << "Warning: detected OpenGL error 'x' at after RenderBin::draw(..)"
            << QString();
        QTest::newRow("render bin notice")
            << int(osg::NOTICE) << "at after RenderBin::draw(..)" << "INFO: at after RenderBin::draw(..)";
        QTest::newRow("other case") << int(osg::WARN) << "AT AFTER RENDERBIN::DRAW(..)"
                                    << "WARNING: AT AFTER RENDERBIN::DRAW(..)";
    }

    void notifyPrefixes()
    {
        QFETCH(int, severity);
        QFETCH(QString, message);
        QFETCH(QString, expected);
        const QByteArray text = message.toUtf8();
        const QString line = QtNotifyHandler::format(osg::NotifySeverity(severity), text.constData());
        QCOMPARE(line.isNull(), expected.isNull());
        QCOMPARE(line, expected);
        if (!expected.isNull())
            QTest::ignoreMessage(QtDebugMsg, qPrintable(expected));
        osg::ref_ptr<QtNotifyHandler> handler = new QtNotifyHandler;
        handler->notify(osg::NotifySeverity(severity), text.constData());
    }

    void windowingSystemHandsOutTheEmbeddedWindow()
    {
        OSGKIVWindowingSystem* system = OSGKIVWindowingSystem::instance();
        QCOMPARE(osg::GraphicsContext::getWindowingSystemInterface(), system);
        osg::ref_ptr<osgViewer::GraphicsWindowEmbedded> window =
            new osgViewer::GraphicsWindowEmbedded(0, 0, 10, 10);
        osg::ref_ptr<osg::GraphicsContext> previous = system->graphicsWindow();
        system->setGraphicsWindow(window.get());
        osg::ref_ptr<osg::GraphicsContext::Traits> traits = new osg::GraphicsContext::Traits;
        traits->width = 999;
        QCOMPARE(system->createGraphicsContext(traits.get()), window.get());
        QCOMPARE(osg::GraphicsContext::createGraphicsContext(traits.get()), window.get());
        system->setGraphicsWindow(previous.get());
    }
};

QTEST_MAIN(TestGLRender)
#include "tst_glrender.moc"
