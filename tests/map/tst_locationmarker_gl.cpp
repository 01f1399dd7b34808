#include "geo/ImageLayer.h"
#include "geo/Map.h"
#include "geo/drivers/GDALOptions.h"
#include "map/LocationRenderItem.h"
#include "support/GeoTestData.h"
#include "support/SceneFixture.h"
#include "support/ScriptedLocationManager.h"
#include "support/ToastApplication.h"

#include <QGuiApplication>
#include <QMutexLocker>
#include <QTemporaryDir>
#include <QtTest>

using namespace kiv;

// The current-position marker as drawn by the map scene.
class TestLocationMarkerGL : public QObject, private test::SceneFixture
{
    Q_OBJECT

    QTemporaryDir dir;
    test::ScriptedLocationManager* location = nullptr;
    std::shared_ptr<LocationRenderItem> marker;

    QPointF markerCentre() const
    {
        const QPointF fix = location->lastKnownCoordinate();
        return scene->worldToScreen(worldOf(fix.x(), fix.y()));
    }

    bool redrawn()
    {
        marker->setDirty();
        scene->update(false);
        QTest::qWait(50);
        return settle();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        auto app = std::make_unique<test::ToastApplication>(dir.path());
        location = new test::ScriptedLocationManager;
        app->installLocationManager(location);
        app->setLogicalToPhysicalMultiplier(1.0);
        manager = std::move(app);
        QVERIFY(showScene(dir.path(), 400, 300));
        marker = std::make_shared<LocationRenderItem>();
        scene->addRenderItem(marker);
    }

    void cleanupTestCase()
    {
        marker.reset();
        destroyAll();
    }

    void dotColourFollowsUpdating_data()
    {
        QTest::addColumn<bool>("updating");
        QTest::addColumn<QColor>("expected");
        QTest::newRow("stopped") << false << QColor(255, 64, 64);
        QTest::newRow("updating") << true << QColor(64, 64, 255);
    }

    void dotColourFollowsUpdating()
    {
        QFETCH(bool, updating);
        QFETCH(QColor, expected);
        location->stopUpdates(true);
        if (updating)
            location->startUpdates();
        location->setLastKnownCoordinate(QPointF(15.0, 45.0));
        scene->cameraManipulator().setPosition(worldOf(15.0, 45.0));
        scene->cameraManipulator().setAltitude(2.2e6);
        QVERIFY(redrawn());
        const QPointF centre = markerCentre();
        QVERIFY(colourIs(frame.pixelColor(int(centre.x()), int(centre.y())), expected, 4));
    }

    void haloCoversTheAccuracyOnTheGround()
    {
        const QString red = dir.filePath(QStringLiteral("red.tif"));
        QVERIFY(test::writeRaster(red, test::colouredRaster(14.0, 59.0, 16.0, 61.0, Qt::red)));
        geo::Drivers::GDALOptions options;
        options.setUrl(red);
        {
            QMutexLocker lock(&scene->sceneMutex());
            scene->map()->insertImageLayer(new geo::ImageLayer(QStringLiteral("GeoTiff"), options), 1);
        }
        location->startUpdates();
        location->setLastKnownCoordinate(QPointF(15.0, 60.0));
        location->setHorizontalAccuracy(100.0);
        scene->cameraManipulator().setPosition(worldOf(15.0, 60.0));
        scene->cameraManipulator().setAltitude(600.0);
        QVERIFY(redrawn());
        const QPointF centre = markerCentre();
        // 100 m at 60 degrees are 200 map units; the quad reaches half a marker further.
        const QPointF edge = scene->worldToScreen(worldOf(15.0, 60.0) + osg::Vec3d(200.0, 0.0, 0.0));
        const double reach = edge.x() - centre.x() + 8.0;
        QVERIFY2(reach > 40.0 && reach < 190.0, qPrintable(QString::number(reach)));
        const int y = int(centre.y());
        QVERIFY(colourIs(frame.pixelColor(int(centre.x() + 0.85 * reach), y), QColor(255, 128, 128), 6));
        QVERIFY(colourIs(frame.pixelColor(int(centre.x() + reach + 4.0), y), Qt::red, 4));
    }
};

QTEST_MAIN(TestLocationMarkerGL)
#include "tst_locationmarker_gl.moc"
