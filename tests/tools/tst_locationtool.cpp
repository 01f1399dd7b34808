#include "app/DialogController.h"
#include "app/MainView.h"
#include "map/GLRender.h"
#include "map/MapCameraManipulator.h"
#include "map/MapViewController.h"
#include "support/CameraAtRest.h"
#include "support/ProjectFixture.h"
#include "support/ScriptedLocationManager.h"
#include "tools/LocationTool.h"

#include <QSettings>
#include <QtTest>

#include <cmath>
#include <limits>

using namespace kiv;

class TestLocationTool : public QObject
{
    Q_OBJECT

    std::unique_ptr<test::ProjectFixture> fixture;
    std::shared_ptr<DialogController> dialogs;
    std::unique_ptr<test::ScriptedLocationManager> location;
    std::unique_ptr<MainView> view;
    std::unique_ptr<MapViewController> controller;
    std::unique_ptr<LocationTool> tool;

    static test::DocumentsApplication* app()
    {
        return static_cast<test::DocumentsApplication*>(ApplicationManager::instance());
    }

    GLRender* scene() const { return controller->scene(); }

private slots:
    void init()
    {
        fixture = std::make_unique<test::ProjectFixture>();
        QVERIFY(fixture->isValid());
        app()->countOnlineCalls = true;
        dialogs = app()->installDialogController();
        location = std::make_unique<test::ScriptedLocationManager>();
        app()->setSensors(location.get(), nullptr);
        view = std::make_unique<MainView>();
        view->resize(400, 300);
        app()->setMainView(view.get());
        controller = std::make_unique<MapViewController>();
        controller->viewDidLoad();
        // What the first frame does: the conversions then see the map's camera.
        scene()->updateCamera();
        tool = std::make_unique<LocationTool>();
        tool->setMapView(controller.get());
        tool->setActive(true);
    }

    void cleanup()
    {
        tool.reset();
        controller.reset();
        app()->setMainView(nullptr);
        view.reset();
        app()->setSensors(nullptr, nullptr);
        location.reset();
        dialogs.reset();
        fixture.reset();
    }

    void longPressSetsThePosition_data()
    {
        QTest::addColumn<double>("x");
        QTest::addColumn<double>("y");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("10 px away") << 106.0 << 108.0 << true;
        QTest::newRow("beyond 10 px") << 107.0 << 108.0 << false;
        QTest::newRow("10 px along x") << 110.0 << 100.0 << true;
        QTest::newRow("11 px along x") << 111.0 << 100.0 << false;
    }

    void longPressSetsThePosition()
    {
        QFETCH(double, x);
        QFETCH(double, y);
        QFETCH(bool, accepted);
        QSignalSpy spy(tool.get(), &LocationTool::longPressAccepted);
        QVERIFY(!tool->mousePressed(100, 100, Qt::LeftButton));
        QCOMPARE(tool->mousePressAndHold(x, y, Qt::LeftButton), accepted);
        QCOMPARE(spy.count(), accepted ? 1 : 0);
        if (!accepted) {
            QCOMPARE(location->lastKnownCoordinate(), AbstractLocationManager::INVALID_COORDINATE);
            return;
        }
        double longitude = 0.0, latitude = 0.0;
        QVERIFY(scene()->screenToGeo(x, y, longitude, latitude));
        QCOMPARE(location->lastKnownCoordinate(), QPointF(longitude, latitude));
        QCOMPARE(location->horizontalAccuracy(), 0.0);
        QCOMPARE(location->verticalAccuracy(), 0.0);
        QVERIFY(!location->validGPSPosition());
    }

    void longPressStopsUpdates()
    {
        QSettings().setValue("GPSAuto", true);
        location->startUpdates();
        tool->mousePressed(100, 100, Qt::LeftButton);
        QVERIFY(tool->mousePressAndHold(100, 100, Qt::LeftButton));
        QVERIFY(!location->updating());
        QCOMPARE(QSettings().value("GPSAuto").toBool(), false);
        QCoreApplication::processEvents();
        QCOMPARE(dialogs->toasts().size(), 1);
        QCOMPARE(dialogs->toasts().first().message, QString("Location updates disabled."));
    }

    void refusedLongPressesChangeNothing_data()
    {
        QTest::addColumn<bool>("active");
        QTest::addColumn<double>("x");
        QTest::addColumn<double>("y");
        const double nan = std::numeric_limits<double>::quiet_NaN();
        QTest::newRow("inactive") << false << 100.0 << 100.0;
        QTest::newRow("not finite") << true << nan << nan;
        QTest::newRow("off the map") << true << -1e7 << 150.0;
    }

    void refusedLongPressesChangeNothing()
    {
        QFETCH(bool, active);
        QFETCH(double, x);
        QFETCH(double, y);
        location->startUpdates();
        tool->mousePressed(x, y, Qt::LeftButton);
        tool->setActive(active);
        QSignalSpy spy(tool.get(), &LocationTool::longPressAccepted);
        QVERIFY(!tool->mousePressAndHold(x, y, Qt::LeftButton));
        QCOMPARE(spy.count(), 0);
        QVERIFY(location->updating());
        QCOMPARE(location->lastKnownCoordinate(), AbstractLocationManager::INVALID_COORDINATE);
    }

    void snapsOnlyToAValidPosition()
    {
        const osg::Vec3d camera = scene()->cameraManipulator().position();
        location->setLastKnownCoordinate(AbstractLocationManager::INVALID_COORDINATE);
        tool->snapToCurrentLocation();
        QCOMPARE(scene()->cameraManipulator().position(), camera);

        tool->mapView()->setVisibleArea(QRectF(QPointF(0, 0), QSizeF(tool->mapView()->scene()->windowSize())));
        location->setLastKnownCoordinate(QPointF(8.0, 47.0));
        tool->snapToCurrentLocation();
        QVERIFY(test::cameraAtRest(scene()->cameraManipulator()));
        double x = 0.0, y = 0.0;
        QVERIFY(scene()->geographicSRS()->transform2D(8.0, 47.0, scene()->mapSRS(), x, y));
        const osg::Vec3d moved = scene()->cameraManipulator().position();
        QVERIFY2(std::abs(moved.x() - x) < 1.0 && std::abs(moved.y() - y) < 1.0,
                 qPrintable(QString("%1 %2 / %3 %4").arg(moved.x()).arg(moved.y()).arg(x).arg(y)));
    }
};

QTEST_MAIN(TestLocationTool)
#include "tst_locationtool.moc"
