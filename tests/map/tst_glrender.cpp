#include "app/ApplicationManager.h"
#include "app/MainView.h"
#include "geo/GeoPoint.h"
#include "map/GLRender.h"
#include "map/GLRenderItem.h"
#include "map/OSGKIVWindowingSystem.h"
#include "map/QtNotifyHandler.h"
#include "support/ControlledTileSource.h"

#include <osgViewer/GraphicsWindow>

#include <QGuiApplication>
#include <QtTest>

#include <cmath>
#include <memory>

using namespace kiv;

namespace {

const double Tan30 = std::tan(M_PI / 6.0);
const double Half = geo::SpatialReference::MercatorHalfExtent;

// Counts its builds; makes a fresh group each time.
class CountingItem : public GLRenderItem
{
public:
    void buildNode() override
    {
        ++builds;
        setNode(owner() ? new osg::Group : nullptr);
        setDirty(false);
    }
    int builds = 0;
};

} // namespace

class TestGLRender : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<ApplicationManager> manager;
    std::unique_ptr<MainView> view;
    std::unique_ptr<GLRender> scene;

    void newScene(int width, int height)
    {
        scene.reset();
        view = std::make_unique<MainView>();
        view->resize(width, height);
        scene = std::make_unique<GLRender>(view.get());
    }

    osg::Vec3d mercator(double lon, double lat) const
    {
        double x = 0.0, y = 0.0;
        scene->geographicSRS()->transform2D(lon, lat, scene->mapSRS(), x, y);
        return osg::Vec3d(x, y, 0.0);
    }

private slots:
    void initTestCase()
    {
        manager = std::make_unique<ApplicationManager>(qobject_cast<QGuiApplication*>(qApp));
    }

    void init() { newScene(400, 300); }

    void cleanupTestCase()
    {
        scene.reset();
        view.reset();
        manager.reset();
    }

    void constructionBeforeAnyFrame()
    {
        QVERIFY(!scene->isSetUp());
        QVERIFY(!scene->root());
        QCOMPARE(scene->cameraManipulator().altitude(), 30000.0);
        QVERIFY(scene->mapSRS()->isSphericalMercator());
        QVERIFY(scene->geographicSRS()->isGeographic());
        // The map and its grid exist at once, so layer operations need no frame.
        QVERIFY(scene->map());
        QCOMPARE(scene->map()->getNumImageLayers(), 1u);
        QCOMPARE(scene->map()->getImageLayerAt(0), scene->gridLayer());
        QCOMPARE(scene->gridLayer()->getName(), QStringLiteral("GridTiles"));
        QCOMPARE(scene->gridLayer()->getMaxLevel(), 19u);
        QVERIFY(scene->map()->getMapOptions().cache());
        QCOMPARE(scene->map()->getMapOptions().cache()->rootPath(), manager->cachePath());
        const osg::Viewport* viewport = scene->camera()->getViewport();
        QVERIFY(viewport);
        QCOMPARE(viewport->width(), 400.0);
        QCOMPARE(viewport->height(), 300.0);
        QCOMPARE(scene->windowSize(), QSize(400, 300));
    }

    void resizeFollowsWindow()
    {
        view->resize(640, 480);
        // An unshown window gets no resize event of its own.
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
        scene->cameraManipulator().setAltitude(altitude);
        scene->cameraManipulator().setPosition(mercator(lon, lat));
        scene->updateCamera();

        const osg::Vec3d world = scene->screenToWorld(x, y);
        const QPointF back = scene->worldToScreen(world);
        QVERIFY2(std::abs(back.x() - x) < 1e-3 && std::abs(back.y() - y) < 1e-3,
                 qPrintable(QStringLiteral("%1, %2").arg(back.x()).arg(back.y())));
        QCOMPARE(scene->worldToScreenXY(world.x(), world.y()).x(), back.x());

        double gLon = 0.0, gLat = 0.0;
        QVERIFY(scene->screenToGeo(x, y, gLon, gLat));
        geo::GeoPoint point(scene->geographicSRS(), gLon, gLat);
        const geo::GeoPoint inMap = point.transform(scene->mapSRS());
        QVERIFY(std::abs(inMap.x() - world.x()) < 1e-6 * Half);
        QVERIFY(std::abs(inMap.y() - world.y()) < 1e-6 * Half);

        // The window's middle is the camera's ground point.
        double cLon = 0.0, cLat = 0.0;
        QVERIFY(scene->screenToGeo(200.0, 150.0, cLon, cLat));
        QVERIFY(std::abs(cLon - lon) < 1e-7 && std::abs(cLat - lat) < 1e-7);
    }

    void visibleGeoRectFieldOrder()
    {
        scene->cameraManipulator().setAltitude(30000.0);
        scene->cameraManipulator().setPosition(mercator(8.5, 47.3));
        scene->updateCamera();
        double lon1, lat1, lon2, lat2;
        QVERIFY(scene->screenToGeo(0, 0, lon1, lat1));
        QVERIFY(scene->screenToGeo(400, 300, lon2, lat2));
        const QRectF rect = scene->visibleGeoRect();
        QCOMPARE(rect.x(), std::abs(lon2 - lon1));
        QCOMPARE(rect.y(), std::abs(lat2 - lat1));
        QCOMPARE(rect.width(), lon1);
        QCOMPARE(rect.height(), lat1);
        QVERIFY(lat1 > lat2 && lon1 < lon2);
    }

    void projectionAspect_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<double>("aspect");
        QTest::newRow("landscape") << 400 << 200 << 2.0;
        QTest::newRow("portrait") << 300 << 600 << 0.5;
        QTest::newRow("zero height") << 400 << 0 << 1.0;
    }

    void projectionAspect()
    {
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(double, aspect);
        newScene(width, height);
        // Not every platform keeps a zero-height geometry; force it.
        view->setGeometry(QRect(0, 0, width, height));
        osg::ref_ptr<osg::Camera> camera = new osg::Camera;
        scene->updateProjection(camera.get(), 1000.0);
        double left, right, bottom, top, zNear, zFar;
        QVERIFY(camera->getProjectionMatrixAsOrtho(left, right, bottom, top, zNear, zFar));
        const double h = 1000.0 * Tan30;
        QVERIFY(std::abs(top - h) < 1e-6 && std::abs(bottom + h) < 1e-6);
        QVERIFY(std::abs(right - h * aspect) < 1e-6 && std::abs(left + h * aspect) < 1e-6);
        // No scene graph yet: the default far plane.
        QVERIFY(std::abs(zFar - 10000.0) < 1e-6);
        QVERIFY(std::abs(zNear - 1.0) < 1e-9);
    }

    void projectionWithoutWindow()
    {
        scene.reset();
        scene = std::make_unique<GLRender>(nullptr);
        osg::ref_ptr<osg::Camera> camera = new osg::Camera;
        scene->updateProjection(camera.get(), 10.0);
        double left, right, bottom, top, zNear, zFar;
        QVERIFY(camera->getProjectionMatrixAsOrtho(left, right, bottom, top, zNear, zFar));
        QVERIFY(std::abs(right - top) < 1e-9);
        QCOMPARE(scene->windowSize(), QSize(0, 0));
        scene->updateCamera();
        QCOMPARE(scene->worldToScreenXY(0.0, 0.0), QPointF(0.0, 0.0));
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
        MapCameraManipulator& camera = scene->cameraManipulator();
        camera.setAltitude(2e6);
        camera.setPosition(mercator(lon, lat));
        scene->updateCamera();
        const osg::Vec3d lower = scene->screenToWorld(0.0, 300.0);
        const osg::Vec3d upper = scene->screenToWorld(400.0, 0.0);
        const osg::Vec3d min = camera.worldMinimum();
        const osg::Vec3d max = camera.worldMaximum();
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
        const osg::Vec3d start = mercator(8.0, 47.0);
        const osg::Vec3d target = mercator(9.0, 47.5);
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
        // The end altitude is clamped like any other.
        QCOMPARE(camera.altitude(), 10.0);
    }

    void setPositionStopsAnimation()
    {
        MapCameraManipulator& camera = scene->cameraManipulator();
        camera.setPosition(mercator(8.0, 47.0));
        const osg::Vec3d put = mercator(-3.0, 40.0);
        camera.animateTo(mercator(9.0, 47.5), 50000.0);
        QTest::qWait(50);
        camera.setPosition(put);
        QVERIFY(!camera.isAnimating());
        QTest::qWait(400);
        QVERIFY((camera.position() - put).length() < 1e-6);
        camera.animateTo(mercator(9.0, 47.5), 50000.0);
        camera.cancelAnim();
        QVERIFY(!camera.isAnimating());
    }

    void renderItems()
    {
        auto item = std::make_shared<CountingItem>();
        auto other = std::make_shared<CountingItem>();
        QVERIFY(item->isDirty());
        item->setDirty(false);
        scene->addRenderItem(item);
        scene->addRenderItem(item);
        scene->addRenderItem(nullptr);
        QCOMPARE(scene->renderItems().size(), 1);
        QCOMPARE(item->owner(), scene.get());
        QVERIFY(item->isDirty());

        scene->removeRenderItem(other);
        QCOMPARE(scene->renderItems().size(), 1);
        // Before the first frame there is no group to take the node from.
        scene->removeRenderItem(item);
        QVERIFY(scene->renderItems().isEmpty());
        QCOMPARE(item->owner(), nullptr);
        QCOMPARE(item->builds, 0);
    }

    void itemNeverAdded()
    {
        CountingItem item;
        QVERIFY(item.isDirty());
        QVERIFY(!item.node());
        item.buildNode();
        QVERIFY(!item.node()); // no owner, nothing built
    }

    void selectedIdAlwaysMarksDirty()
    {
        CountingItem item;
        for (int i = 0; i < 2; ++i) {
            item.setDirty(false);
            item.setSelectedId("0123456789abcdef0123456789abcdef");
            QVERIFY(item.isDirty());
            QCOMPARE(item.selectedId(), std::string("0123456789abcdef0123456789abcdef"));
        }
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
        const geo::TileKey key(3, 2, 2, scene->map()->getProfile());
        QSignalSpy loading(scene.get(), &GLRender::loadingTilesChanged);
        QSignalSpy relayed(view.get(), &MainView::loadingTilesChanged);

        scene->updateTimer();
        QVERIFY(!scene->isRedrawTimerActive());
        scene->tileLoader()->request(layer.get(), key, 1.0f);
        QCOMPARE(scene->tileLoader()->requestsInProgress(), 1);
        QTest::ignoreMessage(QtDebugMsg, "Starting Redraw Timer");
        scene->updateTimer(true);
        QVERIFY(scene->isRedrawTimerActive());
        QVERIFY(scene->loadingTiles());
        QCOMPARE(loading.count(), 1);
        QCOMPARE(loading.last().first().toBool(), true);
        QCOMPARE(relayed.count(), 1);

        // Busy ticks keep it going.
        for (int i = 0; i < 20; ++i)
            scene->updateTimer();
        QVERIFY(scene->isRedrawTimerActive());

        test::ControlledTiles::release();
        size_t finished = 0;
        QTRY_VERIFY((finished += scene->tileLoader()->takeFinished().size()) == 1);
        QCOMPARE(scene->tileLoader()->requestsInProgress(), 0);
        for (int i = 0; i < 10; ++i)
            scene->updateTimer();
        QVERIFY(scene->isRedrawTimerActive());
        QCOMPARE(loading.count(), 1);
        QTest::ignoreMessage(QtDebugMsg, "Stoping Redraw Timer");
        scene->updateTimer();
        QVERIFY(!scene->isRedrawTimerActive());
        QVERIFY(!scene->loadingTiles());
        QCOMPARE(loading.count(), 2);
        QCOMPARE(loading.last().first().toBool(), false);
        QCOMPARE(relayed.count(), 2);
        for (int i = 0; i < 5; ++i)
            scene->updateTimer();
        QCOMPARE(loading.count(), 2);
    }

    void redrawTimerOnlyOnItsThread()
    {
        test::ControlledTiles::hold();
        osg::ref_ptr<geo::ImageLayer> layer = test::ControlledTiles::makeLayer("busy", Qt::red);
        scene->tileLoader()->request(layer.get(), geo::TileKey(2, 1, 1, scene->map()->getProfile()), 1.0f);
        std::thread other([this] { scene->updateTimer(); });
        other.join();
        QVERIFY(!scene->isRedrawTimerActive());
        test::ControlledTiles::release();
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
        QCOMPARE(system->getDisplaySettings(), nullptr);
        QVERIFY(!system->setScreenSettings(osg::GraphicsContext::ScreenIdentifier(),
                                           osg::GraphicsContext::ScreenSettings()));
        QCOMPARE(system->getNumScreens(), 0u);
        system->setGraphicsWindow(previous.get());
    }
};

QTEST_MAIN(TestGLRender)
#include "tst_glrender.moc"
