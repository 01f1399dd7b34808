#include "geo/MapNode.h"
#include "support/ApplicationIdentity.h"
#include "support/GeoTestData.h"
#include "support/LocalHttpServer.h"
#include "support/SceneFixture.h"

#include <QGuiApplication>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

using namespace kiv;

namespace {

const QColor Orange(255, 128, 0);

QUrl rasterUrl(const QTemporaryDir& dir, const QString& name, double west, double south, double east,
               double north, const QColor& colour)
{
    const QString path = dir.filePath(name);
    return test::writeRaster(path, test::colouredRaster(west, south, east, north, colour)) ? QUrl::fromLocalFile(path)
                                                                                        : QUrl();
}

} // namespace

class TestBaseLayersGL : public QObject, private test::SceneFixture
{
    Q_OBJECT

    QTemporaryDir dir;
    QUrl red;
    QUrl blue;

    // By default about 30 degrees of longitude across.
    void lookAt(double lon, double lat, double altitude = 2.2e6)
    {
        scene->cameraManipulator().setPosition(worldOf(lon, lat));
        scene->cameraManipulator().setAltitude(altitude);
    }

    // The altitude at which the map draws tiles of a level.
    double altitudeForLevel(unsigned level) const
    {
        const double unitsPerPixel = 2.0 * geo::SpatialReference::MercatorHalfExtent / 256.0 / double(1u << level);
        return unitsPerPixel * view->height() / (2.0 * std::tan(M_PI / 6.0));
    }

    // Whether no pixel of the frame is near `colour` and nearly all are white.
    bool onlyGridOnWhite(const QColor& absent) const
    {
        int white = 0;
        for (int y = 0; y < frame.height(); ++y)
            for (int x = 0; x < frame.width(); ++x) {
                const QColor c = frame.pixelColor(x, y);
                if (std::abs(c.red() - absent.red()) < 30 && std::abs(c.green() - absent.green()) < 30
                    && std::abs(c.blue() - absent.blue()) < 30)
                    return false;
                white += c == Qt::white;
            }
        return white > frame.width() * frame.height() * 95 / 100;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        test::setApplicationIdentity();
        QSettings().clear();
        red = rasterUrl(dir, "red.tif", 10.0, 40.0, 20.0, 50.0, Qt::red);
        blue = rasterUrl(dir, "blue.tif", 12.0, 42.0, 18.0, 48.0, Qt::blue);
        QVERIFY(red.isValid() && blue.isValid());
        createManager();
        QVERIFY(showScene(dir.path(), 400, 300));
        scene->setOnlineMap(2);
    }

    void init() { lookAt(15.0, 45.0); }
    void cleanup() { scene->clearMapLayers(); }
    void cleanupTestCase() { destroyAll(); }

    void projectOrderWithOpacityAndVisibility_data()
    {
        QTest::addColumn<int>("blueIndex");
        QTest::addColumn<double>("blueOpacity");
        QTest::addColumn<bool>("blueVisible");
        QTest::addColumn<QColor>("expected");
        QTest::newRow("blue above") << 1 << 1.0 << true << QColor(Qt::blue);
        QTest::newRow("blue below") << 0 << 1.0 << true << QColor(Qt::red);
        QTest::newRow("blue above, half") << 1 << 0.5 << true << QColor(128, 0, 128);
        QTest::newRow("blue above, hidden") << 1 << 1.0 << false << QColor(Qt::red);
    }

    void projectOrderWithOpacityAndVisibility()
    {
        QFETCH(int, blueIndex);
        QFETCH(double, blueOpacity);
        QFETCH(bool, blueVisible);
        QFETCH(QColor, expected);
        // Both added on top first, then placed as the project orders them.
        scene->addImageLayer(blue, 0, 1.0, true);
        scene->addImageLayer(red, 1, 1.0, true);
        scene->addImageLayer(red, 1 - blueIndex, 1.0, true);
        scene->addImageLayer(blue, blueIndex, blueOpacity, blueVisible);
        QVERIFY(settle());
        QVERIFY(colourAt(14.3, 44.3, expected));
        QVERIFY(colourAt(10.7, 40.7, Qt::red));
    }

    void mbtilesColourWhereItsBoundsProject()
    {
        const QUrl green = rasterUrl(dir, "green.tif", 13.0, 43.0, 17.0, 47.0, Qt::green);
        const QUrl package = QUrl::fromLocalFile(dir.filePath("green.mbtiles"));
        QCOMPARE(QProcess::execute("gdal_translate", {"-q", "-of", "MBTILES", green.toLocalFile(),
                                                      package.toLocalFile()}),
                 0);
        scene->addMBTilesLayer(package, 0, 1.0, true);
        const geo::Bounds extent = scene->getLayerExtent(package);
        QVERIFY(extent.valid());
        // A package holds only the levels GDAL wrote.
        const unsigned level = scene->baseMapLayer(package)->getMaxLevel();
        lookAt(extent.center2d().x(), extent.center2d().y(), altitudeForLevel(level) * 1.2);
        QVERIFY(settle());
        QCOMPARE(scene->mapNode()->getLevel(), level);
        QVERIFY(colourAt(extent.center2d().x() - 0.3, extent.center2d().y() - 0.3, Qt::green));
        QVERIFY(colourAt(extent.xMin() + 0.2, extent.yMin() + 0.2, Qt::green, 12));
        QVERIFY(colourAt(extent.xMax() - 0.2, extent.yMax() - 0.2, Qt::green, 12));
        QVERIFY(colourAt(extent.xMin() - 0.3, extent.center2d().y() - 0.3, Qt::white));
    }

    // Last: leaves the online layer on cached tiles.
    void onlineTilesThenOfflineCache()
    {
        test::LocalHttpServer server;
        QVERIFY(server.start());
        test::LocalHttpServer::Reply tile;
        tile.body = test::encodedTile(Orange);
        server.setPrefixReply(QStringLiteral("/v4/sat.id/"), tile);
        QSettings settings;
        settings.beginGroup(QStringLiteral("OnlineTiles"));
        settings.setValue("endpoint", server.baseUrl());
        settings.setValue("satelliteMapId", "sat.id");
        settings.setValue("accessToken", "tok.en");
        settings.endGroup();

        scene->onOnlineStatusChanged(true);
        scene->setOnlineMap(0);
        QVERIFY(settle());
        QVERIFY(colourAt(14.3, 44.3, Orange));
        const QStringList targets = server.requestTargets();
        QVERIFY(!targets.isEmpty());
        const QRegularExpression layout(R"(^/v4/sat\.id/\d+/\d+/\d+\.png\?access_token=tok\.en$)");
        for (const QString& target : targets)
            QVERIFY2(layout.match(target).hasMatch(), qPrintable(target));

        scene->onOnlineStatusChanged(false);
        QVERIFY(settle());
        QVERIFY(colourAt(14.3, 44.3, Orange));
        server.stop();
        // A fresh layer, so the colour can only come from the tile cache.
        scene->onOnlineStatusChanged(false);
        QVERIFY(settle());
        QVERIFY(colourAt(14.3, 44.3, Orange));

        lookAt(-100.0, 30.0);
        QVERIFY(settle());
        QVERIFY(onlyGridOnWhite(Orange));
        bool gridDrawn = false;
        for (const geo::MapNode::DrawnTile& drawn : scene->mapNode()->getDrawnTiles()) {
            QVERIFY(drawn.layer != scene->onlineLayer());
            gridDrawn = gridDrawn || drawn.layer == scene->gridLayer();
        }
        QVERIFY(gridDrawn);
        QCOMPARE(server.requestTargets(), targets);
    }
};

int main(int argc, char* argv[])
{
    // The map draws on the GUI thread, as in the program.
    qputenv("QSG_RENDER_LOOP", "basic");
    QGuiApplication app(argc, argv);
    TestBaseLayersGL test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_baselayers_gl.moc"
