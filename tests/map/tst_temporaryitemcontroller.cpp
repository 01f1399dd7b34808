#include "app/MainView.h"
#include "map/GLRender.h"
#include "map/MapViewController.h"
#include "map/TemporaryItemController.h"
#include "model/ModelManager.h"
#include "support/ProjectFixture.h"
#include "support/ScriptedLocationManager.h"

#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <memory>

using namespace kiv;

namespace {

// Lets the test count who listens for fixes.
class LocationManager : public test::ScriptedLocationManager
{
public:
    using test::ScriptedLocationManager::ScriptedLocationManager;
    int fixReceivers() const { return receivers(SIGNAL(lastKnownCoordinateUpdated(QPointF))); }
};

const QPointF Centre(200.0, 150.0);
const QPointF Zurich(8.5, 47.3);

bool near(const QPointF& a, const QPointF& b, double tolerance)
{
    return std::abs(a.x() - b.x()) <= tolerance && std::abs(a.y() - b.y()) <= tolerance;
}

} // namespace

class TestTemporaryItemController : public QObject
{
    Q_OBJECT

    QTemporaryDir documents;
    std::unique_ptr<test::DocumentsApplication> app;
    LocationManager* location = nullptr;
    std::unique_ptr<MainView> view;
    std::unique_ptr<MapViewController> mapView;
    std::unique_ptr<TemporaryItemController> marker;

    GLRender* scene() const { return mapView->scene(); }

    QPointF projected(const QPointF& lonLat) const
    {
        double x = 0.0, y = 0.0;
        scene()->geographicSRS()->transform2D(lonLat.x(), lonLat.y(), scene()->mapSRS(), x, y);
        return scene()->worldToScreenXY(x, y);
    }

    QPointF geoUnder(const QPointF& screen) const
    {
        double lon = 0.0, lat = 0.0;
        scene()->screenToGeo(screen.x(), screen.y(), lon, lat);
        return QPointF(lon, lat);
    }

    void lookAt(const QPointF& lonLat)
    {
        double x = 0.0, y = 0.0;
        scene()->geographicSRS()->transform2D(lonLat.x(), lonLat.y(), scene()->mapSRS(), x, y);
        scene()->cameraManipulator().setPosition(osg::Vec3d(x, y, 0.0));
        scene()->updateCamera();
    }

    void freeAt(const QPointF& screen)
    {
        marker->setLockedToGps(false);
        marker->setLockedToWorldPosition(false);
        marker->setScreenPosition(screen);
    }

private slots:
    void initTestCase()
    {
        app = std::make_unique<test::DocumentsApplication>(documents.path());
        app->countOnlineCalls = true;
        location = new LocationManager(app.get());
        app->setSensors(location, nullptr);
        view = std::make_unique<MainView>();
        view->resize(400, 300);
        app->setMainView(view.get());
        mapView = std::make_unique<MapViewController>();
        mapView->setSize(QSizeF(400, 300));
        mapView->viewDidLoad();
    }

    void init()
    {
        lookAt(Zurich);
        scene()->cameraManipulator().setAltitude(30000.0);
        location->setLastKnownCoordinate(AbstractLocationManager::INVALID_COORDINATE);
        marker = std::make_unique<TemporaryItemController>();
        marker->setMapView(mapView.get());
    }

    void cleanup() { marker.reset(); }

    void cleanupTestCase()
    {
        mapView.reset();
        app->setMainView(nullptr);
        view.reset();
        app.reset();
        delete ModelManager::instance();
        ModelManager::instance() = nullptr;
    }

    void nullWorldPositionIsIgnored()
    {
        freeAt(QPointF(10, 20));
        QSignalSpy world(marker.get(), &TemporaryItemController::worldPositionChanged);
        QSignalSpy screen(marker.get(), &TemporaryItemController::screenPositionChanged);
        QSignalSpy locked(marker.get(), &TemporaryItemController::lockedToWorldPositionChanged);
        marker->setWorldPosition(QPointF(0.0, 0.0));
        QCOMPARE(world.count() + screen.count() + locked.count(), 0);
        QCOMPARE(marker->screenPosition(), QPointF(10, 20));
    }

    void sameWorldPositionOnlyReprojects()
    {
        marker->setLockedToGps(false);
        marker->setWorldPosition(Zurich);
        QVERIFY(marker->lockedToWorldPosition());
        QVERIFY(near(marker->screenPosition(), Centre, 0.01));
        // Hidden, the marker does not follow the camera by itself.
        lookAt(QPointF(8.52, 47.31));
        QSignalSpy world(marker.get(), &TemporaryItemController::worldPositionChanged);
        QSignalSpy screen(marker.get(), &TemporaryItemController::screenPositionChanged);
        marker->setWorldPosition(Zurich + QPointF(1e-13, -1e-13));
        QCOMPARE(world.count(), 0);
        QCOMPARE(screen.count(), 1);
        QVERIFY(near(marker->screenPosition(), projected(Zurich), 1e-6));
    }

    void unplaceablePositionsGoToTheCentre_data()
    {
        QTest::addColumn<bool>("byGps");
        QTest::addColumn<QPointF>("position");
        QTest::newRow("gps without fix") << true << QPointF(999.0, 999.0);
        QTest::newRow("gps outside range") << true << QPointF(10.0, 95.0);
        QTest::newRow("world invalid") << false << QPointF(999.0, 999.0);
        QTest::newRow("latitude past 90") << false << QPointF(10.0, 90.5);
        QTest::newRow("longitude past -180") << false << QPointF(-180.5, 10.0);
        QTest::newRow("pole") << false << QPointF(0.5, 90.0);
    }

    void unplaceablePositionsGoToTheCentre()
    {
        QFETCH(bool, byGps);
        QFETCH(QPointF, position);
        // An earlier placement that must not survive.
        marker->setLockedToGps(false);
        marker->setWorldPosition(QPointF(8.55, 47.33));
        QVERIFY(!near(marker->screenPosition(), Centre, 1.0));
        if (byGps) {
            location->setLastKnownCoordinate(position);
            marker->setLockedToGps(true);
            // No fix: the marker stands for the point under it.
            QVERIFY(near(marker->worldPosition(), geoUnder(Centre), 1e-12));
        } else {
            marker->setWorldPosition(position);
        }
        QCOMPARE(marker->screenPosition(), Centre);
    }

    void freeMarkerWithoutMapViewReadsNull()
    {
        marker->setMapView(nullptr);
        QSignalSpy world(marker.get(), &TemporaryItemController::worldPositionChanged);
        freeAt(QPointF(50, 60));
        QCOMPARE(marker->screenPosition(), QPointF(50, 60));
        QCOMPARE(marker->worldPosition(), QPointF());
        QCOMPARE(world.count(), 0);
    }

    void cameraChangesMoveOnlyLockedMarkers_data()
    {
        QTest::addColumn<bool>("lockedToGps");
        QTest::addColumn<bool>("lockedToWorld");
        QTest::addColumn<bool>("visible");
        QTest::addColumn<bool>("follows");
        QTest::newRow("world") << false << true << true << true;
        QTest::newRow("gps") << true << false << true << true;
        QTest::newRow("free") << false << false << true << false;
        QTest::newRow("hidden") << false << true << false << false;
    }

    void cameraChangesMoveOnlyLockedMarkers()
    {
        QFETCH(bool, lockedToGps);
        QFETCH(bool, lockedToWorld);
        QFETCH(bool, visible);
        QFETCH(bool, follows);
        const QPointF point(8.51, 47.29);
        location->setLastKnownCoordinate(point);
        marker->setLockedToGps(lockedToGps);
        marker->setWorldPosition(point);
        marker->setLockedToWorldPosition(lockedToWorld);
        marker->setVisible(visible);
        const QPointF before = marker->screenPosition();
        for (const QPointF& target : {QPointF(8.49, 47.3), QPointF(8.53, 47.28), QPointF(8.5, 47.31)}) {
            lookAt(target);
            if (follows)
                QVERIFY(near(marker->screenPosition(), projected(point), 0.01));
            else
                QCOMPARE(marker->screenPosition(), before);
        }
    }

    void freeScreenPositionReadsTheGeoPointUnderIt()
    {
        freeAt(QPointF(1, 1));
        QSignalSpy world(marker.get(), &TemporaryItemController::worldPositionChanged);
        QRandomGenerator random(40);
        for (int i = 0; i < 1000; ++i) {
            const QPointF p(random.bounded(400.0), random.bounded(300.0));
            marker->setScreenPosition(p);
            QCOMPARE(marker->screenPosition(), p);
            QCOMPARE(marker->worldPosition(), geoUnder(p));
            QCOMPARE(world.count(), i + 1);
            QCOMPARE(world.last().first().toPointF(), geoUnder(p));
        }
    }

    // A save reads the place when it saves; the hint by its button follows
    // the place's signal. Both must agree with the marker on the map.
    void savePlaceIsWhereTheMarkerStands_data()
    {
        QTest::addColumn<QString>("placed");
        QTest::addColumn<bool>("visible");
        QTest::addColumn<bool>("gps");
        QTest::newRow("free, map moved") << "free" << true << false;
        QTest::newRow("gps without a fix, map moved") << "no fix" << true << false;
        QTest::newRow("gps on a fix, map moved") << "fix" << true << true;
        QTest::newRow("fix gone, map moved") << "fix gone" << true << false;
        QTest::newRow("on a world point, map moved") << "world" << true << false;
        QTest::newRow("hidden: the held position") << "fix" << false << true;
    }

    void savePlaceIsWhereTheMarkerStands()
    {
        QFETCH(QString, placed);
        QFETCH(bool, visible);
        QFETCH(bool, gps);
        const QPointF fix(8.51, 47.31);
        marker->setVisible(visible);
        QSignalSpy changed(marker.get(), &TemporaryItemController::savePlaceChanged);
        if (placed == "free") {
            freeAt(QPointF(120, 90));
        } else if (placed == "world") {
            marker->setLockedToGps(false);
            marker->setWorldPosition(fix);
        } else {
            location->setLastKnownCoordinate(placed == "no fix" ? AbstractLocationManager::INVALID_COORDINATE : fix);
            marker->setLockedToGps(true);
        }
        if (placed == "fix gone") {
            const QPointF shown = marker->screenPosition();
            const int before = changed.count();
            location->setLastKnownCoordinate(AbstractLocationManager::INVALID_COORDINATE);
            QVERIFY(changed.count() > before);
            // The marker stays; it now stands for the point under it.
            QCOMPARE(marker->screenPosition(), shown);
        }
        QVERIFY(changed.count() > 0);
        const int before = changed.count();
        lookAt(QPointF(8.47, 47.33));
        scene()->cameraManipulator().setAltitude(20000.0);
        lookAt(QPointF(8.48, 47.32));
        // On a fix the place stays the fix; read from the screen it moves.
        if (visible && !gps)
            QVERIFY(changed.count() > before);
        const TemporaryItemController::Place place = TemporaryItemController::savePlace(marker.get());
        const QVariantMap map = marker->savePlaceMap();
        QCOMPARE(map.value("location").toPointF(), place.location);
        QCOMPARE(place.gps, gps);
        QCOMPARE(map.value("gps").toBool(), gps);
        if (!visible)
            QCOMPARE(place.location, location->lastKnownCoordinate());
        else
            QVERIFY(near(place.location, geoUnder(marker->screenPosition()), 1e-9));
    }

    void gpsLockConnectsOnce()
    {
        marker->setLockedToGps(false);
        const int others = location->fixReceivers();
        const QPointF fix(8.51, 47.31);
        location->setLastKnownCoordinate(fix);
        for (int i = 0; i < 10; ++i)
            marker->setLockedToGps(true);
        QCOMPARE(location->fixReceivers(), others + 1);
        QCOMPARE(marker->worldPosition(), fix);

        // While locked, a screen position does not move the world position.
        QSignalSpy world(marker.get(), &TemporaryItemController::worldPositionChanged);
        marker->setScreenPosition(QPointF(30, 40));
        QCOMPARE(world.count(), 0);
        QCOMPARE(marker->worldPosition(), fix);

        const QPointF next(8.49, 47.29);
        location->setLastKnownCoordinate(next);
        QCOMPARE(world.count(), 1);
        QCOMPARE(marker->worldPosition(), next);
        QVERIFY(near(marker->screenPosition(), projected(next), 0.01));

        marker->setLockedToGps(false);
        QCOMPARE(location->fixReceivers(), others);
        location->setLastKnownCoordinate(fix);
        QCOMPARE(world.count(), 1);
    }

    void noLocationManagerConnectsNothing()
    {
        app->setSensors(nullptr, nullptr);
        TemporaryItemController alone;
        alone.setMapView(mapView.get());
        alone.setLockedToGps(false);
        alone.setScreenPosition(QPointF(5, 5));
        alone.setLockedToGps(true);
        app->setSensors(location, nullptr);
        QCOMPARE(alone.screenPosition(), Centre);
        location->setLastKnownCoordinate(Zurich + QPointF(0.01, 0.0));
        QCOMPARE(alone.screenPosition(), Centre);
    }

    void mapViewAnnouncedOnChange()
    {
        QSignalSpy changed(marker.get(), &TemporaryItemController::mapViewChanged);
        marker->setMapView(mapView.get());
        QCOMPARE(changed.count(), 0);
        QObject other;
        marker->setMapView(&other);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(marker->mapView(), nullptr);
    }
};

QTEST_MAIN(TestTemporaryItemController)
#include "tst_temporaryitemcontroller.moc"
