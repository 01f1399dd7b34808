#include "Database/SQLiteDatabase.h"
#include "Database/SQLiteQuery.h"
#include "app/DialogController.h"
#include "geo/drivers/XYZOptions.h"
#include "model/ModelManager.h"
#include "model/Project.h"
#include "support/ApplicationIdentity.h"
#include "support/GeoTestData.h"
#include "support/ProjectFixture.h"
#include "support/SceneFixture.h"

#include <QCryptographicHash>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

using namespace kiv;

namespace {

// Lets the test install a dialog controller and read its toasts.
class ToastingManager : public ApplicationManager
{
public:
    ToastingManager()
        : ApplicationManager(nullptr)
    {
        setDialogController(dialogs);
    }
    std::shared_ptr<DialogController> dialogs = std::make_shared<DialogController>();
};

QString onlineUrl(const geo::ImageLayer* layer)
{
    return geo::Drivers::XYZOptions(layer->getImageLayerOptions().driver()).url();
}

QRectF metadataBounds(const QString& mbtiles)
{
    SQLiteDatabase database;
    database.open(mbtiles.toStdString());
    std::string text;
    SQLiteQuery query(&database);
    query.prepare("SELECT value FROM metadata WHERE name = 'bounds'");
    query.bindText(&text);
    if (!query.step())
        return QRectF();
    const QStringList b = QString::fromStdString(text).split(QLatin1Char(','));
    return b.size() == 4 ? QRectF(b[0].toDouble(), b[1].toDouble(), b[2].toDouble() - b[0].toDouble(),
                                  b[3].toDouble() - b[1].toDouble())
                         : QRectF();
}

} // namespace

class TestBaseLayers : public QObject, private test::SceneFixture
{
    Q_OBJECT

    QTemporaryDir dir;
    std::shared_ptr<Project> project;
    ToastingManager* toasting = nullptr;

    QUrl fileUrl(const QString& name) const { return QUrl::fromLocalFile(dir.filePath(name)); }

    QString writeTiff(const QString& name, double west, double south, double east, double north)
    {
        const QString path = dir.filePath(name);
        return test::writeRaster(path, test::colouredRaster(west, south, east, north, Qt::red)) ? path
                                                                                                : QString();
    }

    int mapIndex(const QUrl& url) const { return scene->map()->getIndexOfImageLayer(scene->baseMapLayer(url)); }

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        test::setApplicationIdentity();
        QSettings().clear();
        auto owned = std::make_unique<ToastingManager>();
        toasting = owned.get();
        manager = std::move(owned);
        test::resetModelManager();
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("test.qz")));
        project = ModelManager::instance()->createProject(QStringLiteral("Test"),
                                                          QDir(dir.filePath(QStringLiteral("test.qz"))));
        QVERIFY(project);
        ModelManager::instance()->setCurrentProject(project);
        QVERIFY(!writeTiff(QStringLiteral("topo.tif"), 10.0, 45.0, 11.0, 46.0).isEmpty());
    }

    void init() { newScene(400, 300); }

    void cleanupTestCase()
    {
        project.reset();
        destroyAll();
    }

    void baseMapsFollowTheProjectOrder()
    {
        scene->setOnlineMap(2);
        const QUrl a = fileUrl(QStringLiteral("a.tif")), b = fileUrl(QStringLiteral("b.tif")),
                   c = fileUrl(QStringLiteral("c.tif"));
        for (const QUrl& url : {a, b, c})
            QVERIFY(!writeTiff(url.fileName(), 10.0, 45.0, 11.0, 46.0).isEmpty());
        // The controller adds from the back of the list to the front.
        scene->addImageLayer(c, 0, 1.0, true);
        scene->addImageLayer(b, 1, 1.0, true);
        scene->addImageLayer(a, 2, 1.0, true);
        QCOMPARE(mapIndex(c), 2);
        QCOMPARE(mapIndex(b), 3);
        QCOMPARE(mapIndex(a), 4);

        geo::ImageLayer* layerA = scene->baseMapLayer(a);
        scene->addImageLayer(a, 0, 0.25, false);
        QCOMPARE(scene->baseMapLayer(a), layerA);
        QCOMPARE(mapIndex(a), 2);
        QCOMPARE(mapIndex(c), 3);
        QCOMPARE(layerA->getOpacity(), 0.25f);
        QVERIFY(!layerA->getVisible());
        QCOMPARE(scene->map()->getNumImageLayers(), 5u);

        scene->setLayerOpacity(a, 0.75f);
        scene->setLayerVisible(a, true);
        QCOMPARE(layerA->getOpacity(), 0.75f);
        QVERIFY(layerA->getVisible());

        scene->removeMapLayer(b);
        QVERIFY(!scene->baseMapLayer(b));
        QCOMPARE(scene->map()->getNumImageLayers(), 4u);
        scene->clearMapLayers();
        QCOMPARE(scene->map()->getNumImageLayers(), 2u);
        QCOMPARE(scene->map()->getImageLayerAt(0), scene->onlineLayer());
        QCOMPARE(scene->map()->getImageLayerAt(1), scene->gridLayer());
    }

    void layerExtent()
    {
        const QUrl tiff = fileUrl(QStringLiteral("topo.tif"));
        scene->addImageLayer(tiff, 0, 1.0, true);
        QVERIFY(test::boundsNear(scene->getLayerExtent(tiff), QRectF(10.0, 45.0, 1.0, 1.0), 1e-9));

        const QUrl mbtiles = fileUrl(QStringLiteral("topo.mbtiles"));
        QCOMPARE(QProcess::execute(QStringLiteral("gdal_translate"),
                                   {"-q", "-of", "MBTILES", tiff.toLocalFile(), mbtiles.toLocalFile()}),
                 0);
        const QRectF stored = metadataBounds(mbtiles.toLocalFile());
        QVERIFY(stored.width() > 0.9 && stored.width() < 1.1);
        scene->addMBTilesLayer(mbtiles, 1, 1.0, true);
        const geo::Bounds extent = scene->getLayerExtent(mbtiles);
        QVERIFY2(test::boundsNear(extent, stored, 1e-9), qPrintable(extent.toString()));

        QVERIFY(!scene->getLayerExtent(fileUrl(QStringLiteral("unknown.tif"))).valid());
        // A snap to an unknown layer keeps the altitude it frames.
        QCOMPARE(scene->coarsestAltitude(fileUrl(QStringLiteral("unknown.tif"))), HUGE_VAL);
    }

    void missingFileAddsNothing_data()
    {
        QTest::addColumn<bool>("mbtiles");
        QTest::newRow("GeoTIFF") << false;
        QTest::newRow("MBTiles") << true;
    }

    void missingFileAddsNothing()
    {
        QFETCH(bool, mbtiles);
        const QUrl url = fileUrl(QStringLiteral("gone.tif"));
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression(QStringLiteral("^Failed to locate maps: ")
                                                + QRegularExpression::escape(project->pathDisplayString())));
        if (mbtiles)
            scene->addMBTilesLayer(url, 0, 0.5, true);
        else
            scene->addImageLayer(url, 0, 0.5, true);
        QVERIFY(!scene->baseMapLayer(url));
        QCOMPARE(scene->map()->getNumImageLayers(), 1u);
    }

    void earthFile_data()
    {
        QTest::addColumn<QString>("content");
        QTest::addColumn<QString>("warning");
        QTest::addColumn<QString>("name");
        QTest::newRow("gdal image beside its raster")
            << R"(<map><image name="Topo" driver="gdal"><url>topo.tif</url></image></map>)" << QString()
            << "Topo";
        QTest::newRow("no image") << "<map><options/></map>"
                                  << "^No image layer" << QString();
        QTest::newRow("malformed") << "<map><image name=\"Topo\""
                                   << "^Caught exception when loading .earth file" << QString();
    }

    void earthFile()
    {
        QFETCH(QString, content);
        QFETCH(QString, warning);
        QFETCH(QString, name);
        const QUrl url = fileUrl(QStringLiteral("%1.earth").arg(QTest::currentDataTag()));
        QVERIFY(test::writeText(url.toLocalFile(), content));
        if (!warning.isEmpty())
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(warning));
        scene->addImageLayer(url, 0, 1.0, true);
        geo::ImageLayer* layer = scene->baseMapLayer(url);
        QCOMPARE(layer != nullptr, !name.isEmpty());
        QCOMPARE(scene->map()->getNumImageLayers(), name.isEmpty() ? 1u : 2u);
        if (layer) {
            QCOMPARE(layer->getName(), name);
            QVERIFY(test::boundsNear(scene->getLayerExtent(url), QRectF(10.0, 45.0, 1.0, 1.0), 1e-9));
        }
    }

    void onlineLayerKinds()
    {
        scene->setOnlineMap(0);
        geo::ImageLayer* first = scene->onlineLayer();
        QVERIFY(first);
        QCOMPARE(first->getName(), QStringLiteral("mapbox Satellite"));
        scene->setOnlineMap(0);
        QCOMPARE(scene->onlineLayer(), first);

        const QString custom = QStringLiteral("https://tiles.example.test/{z}/{x}/{y}.png");
        project->setBaseMapUrl(custom);
        osg::ref_ptr<geo::ImageLayer> previous;
        for (int call = 0; call < 2; ++call) {
            scene->setOnlineMap(3);
            QVERIFY(scene->onlineLayer() != previous.get());
            previous = scene->onlineLayer();
            QCOMPARE(previous->getName(), QStringLiteral("7b17856be53ada2dc4ab0c75ac36bdef"));
            QCOMPARE(onlineUrl(previous.get()), custom);
            QCOMPARE(scene->map()->getImageLayerAt(0), previous.get());
            QCOMPARE(scene->map()->getImageLayerAt(1), scene->gridLayer());
            QCOMPARE(scene->map()->getNumImageLayers(), 2u);
        }

        test::resetModelManager();
        scene->setOnlineMap(3);
        ModelManager::instance()->setCurrentProject(project);
        QVERIFY(scene->onlineLayer()->getName().isEmpty());
        QVERIFY(onlineUrl(scene->onlineLayer()).isEmpty());
        // A layer without an address opens no source: it asks for nothing.
        QVERIFY(!scene->onlineLayer()->getTileSource());
        QCOMPARE(scene->map()->getImageLayerAt(1), scene->gridLayer());
    }

    void connectivityChanges()
    {
        scene->setOnlineMap(1);
        toasting->dialogs->dismissToast();
        const int toastsBefore = toasting->dialogs->toasts().size();
        const QList<bool> reports{true, false, false, true};
        const QStringList expected{QString(), "Now using offline-cached basemap", QString(), "Now using online basemap"};
        QStringList seen;
        osg::ref_ptr<geo::ImageLayer> previous = scene->onlineLayer();
        for (bool online : reports) {
            const int before = toasting->dialogs->toasts().size();
            scene->onOnlineStatusChanged(online);
            const QList<DialogController::Toast>& toasts = toasting->dialogs->toasts();
            seen.append(toasts.size() > before ? toasts.last().message : QString());
            if (toasts.size() > before)
                QCOMPARE(toasts.last().duration, 2000);
            QVERIFY(scene->onlineLayer() != previous.get());
            previous = scene->onlineLayer();
            QCOMPARE(scene->onlineLayerKind(), 1);
            QCOMPARE(*previous->getImageLayerOptions().cachePolicy(), online ? geo::CachePolicy::DEFAULT : geo::CachePolicy::CACHE_ONLY);
            QCOMPARE(scene->map()->getNumImageLayers(), 2u);
        }
        QCOMPARE(seen, expected);
        QCOMPARE(toasting->dialogs->toasts().size(), toastsBefore + 2);
    }

    void builtInTileUrls_data()
    {
        QTest::addColumn<bool>("configured");
        QTest::addColumn<QByteArray>("hostOverride");
        QTest::addColumn<QStringList>("urls");
        const QString query = QStringLiteral("/{z}/{x}/{y}.png?access_token=tok.en");
        QTest::newRow("configured") << true << QByteArray()
                                    << QStringList{"http://127.0.0.1:1/v4/sat.id" + query,
                                                   "http://127.0.0.1:1/v4/street.id" + query,
                                                   "http://127.0.0.1:1/v4/terrain.id" + query};
        QTest::newRow("host override") << true << QByteArray("127.0.0.1:2")
                                       << QStringList{"http://127.0.0.1:2/v4/sat.id" + query,
                                                      "http://127.0.0.1:2/v4/street.id" + query,
                                                      "http://127.0.0.1:2/v4/terrain.id" + query};
        QTest::newRow("nothing configured") << false << QByteArray() << QStringList{"", "", ""};
    }

    void builtInTileUrls()
    {
        QFETCH(bool, configured);
        QFETCH(QByteArray, hostOverride);
        QFETCH(QStringList, urls);
        QSettings settings;
        settings.remove(QStringLiteral("OnlineTiles"));
        if (configured) {
            settings.beginGroup(QStringLiteral("OnlineTiles"));
            settings.setValue("endpoint", "http://127.0.0.1:1");
            settings.setValue("satelliteMapId", "sat.id");
            settings.setValue("streetMapId", "street.id");
            settings.setValue("terrainMapId", "terrain.id");
            settings.setValue("accessToken", "tok.en");
            settings.endGroup();
        }
        settings.sync();
        qputenv("QUARZEL_TILE_HOST", hostOverride);
        for (int kind = 0; kind < 3; ++kind) {
            scene->setOnlineMap(kind);
            QCOMPARE(onlineUrl(scene->onlineLayer()), urls.at(kind));
        }
        qunsetenv("QUARZEL_TILE_HOST");
        settings.remove(QStringLiteral("OnlineTiles"));
    }
};

QTEST_MAIN(TestBaseLayers)
#include "tst_baselayers.moc"
