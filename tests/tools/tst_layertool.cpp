#include "app/DialogController.h"
#include "app/MainView.h"
#include "geo/ImageLayer.h"
#include "geo/Map.h"
#include "geo/MapNode.h"
#include "geo/Profile.h"
#include "map/GLRender.h"
#include "map/MapCameraManipulator.h"
#include "map/MapViewController.h"
#include "model/AddBaseMapCommand.h"
#include "model/MBTilesBounds.h"
#include "model/MapLayerListModel.h"
#include "model/Project.h"
#include "support/CameraAtRest.h"
#include "support/GeoTestData.h"
#include "support/ProjectFixture.h"
#include "tools/AddLayerTask.h"
#include "tools/LayerTool.h"

#include <gdal_utils.h>
#include <sqlite3.h>

#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>

using namespace kiv;

using LayerCall = std::function<void(LayerTool&, int count)>;
Q_DECLARE_METATYPE(LayerCall)

class TestLayerTool : public QObject
{
    Q_OBJECT

    QTemporaryDir sources;
    std::unique_ptr<test::ProjectFixture> fixture;
    std::shared_ptr<DialogController> dialogs;
    std::unique_ptr<MainView> view;
    std::unique_ptr<MapViewController> controller;
    std::unique_ptr<LayerTool> tool;
    QQmlEngine engine;
    std::unique_ptr<QObject> root;

    static test::DocumentsApplication* app()
    {
        return static_cast<test::DocumentsApplication*>(ApplicationManager::instance());
    }

    QUrl tiff(const QString& name, double west = 10.0, double south = 45.0)
    {
        const QString path = sources.filePath(name);
        if (!test::writeRaster(path, test::colouredRaster(west, south, west + 1.0, south + 1.0, Qt::red, 16)))
            return QUrl();
        return QUrl::fromLocalFile(path);
    }

    QString stored(const QString& name) const { return fixture->project->folder().absoluteFilePath(name); }
    std::vector<Project::BaseMap>& maps() { return fixture->project->baseMaps(); }
    QZProtoBuffers::Project record() const { return test::storedProjectRecord(fixture->databasePath()); }
    GLRender* scene() const { return controller->scene(); }
    int mapIndex(const QUrl& url) const { return scene()->map()->getIndexOfImageLayer(scene()->baseMapLayer(url)); }

    // Adds through the tool; answers the toasts it raised, icon and text.
    QStringList add(const QUrl& url)
    {
        const int before = dialogs->toasts().size();
        tool->addLayer(url, -1);
        QCoreApplication::processEvents();
        QStringList texts;
        for (const DialogController::Toast& toast : dialogs->toasts().mid(before))
            texts << toast.icon + QLatin1Char(' ') + toast.message;
        return texts;
    }

    static QString ok(const QString& text) { return DialogController::okGlyph + QLatin1Char(' ') + text; }
    static QString error(const QString& text) { return DialogController::errorGlyph + QLatin1Char(' ') + text; }

    void makeTool()
    {
        tool = std::make_unique<LayerTool>();
        tool->setMapView(controller.get());
        tool->setActive(true);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(sources.isValid());
        qRegisterMetaType<LayerTool::BaseLayer>();
    }

    void init()
    {
        fixture = std::make_unique<test::ProjectFixture>();
        QVERIFY(fixture->isValid());
        app()->countOnlineCalls = true;
        dialogs = app()->installDialogController();
        QQmlComponent component(&engine);
        component.setData("import QtQuick 2.0\nItem { property var calls: []\n"
                          "function modalWait(v) { calls.push(v); callsChanged() } }",
                          QUrl());
        root.reset(component.create());
        QVERIFY(root);
        dialogs->setRootItem(qobject_cast<QQuickItem*>(root.get()));
        view = std::make_unique<MainView>();
        view->resize(400, 300);
        app()->setMainView(view.get());
        controller = std::make_unique<MapViewController>();
        controller->viewDidLoad();
        makeTool();
    }

    void cleanup()
    {
        tool.reset();
        controller.reset();
        app()->setMainView(nullptr);
        view.reset();
        dialogs.reset();
        root.reset();
        fixture.reset();
    }

    void addsAGeoTiffOnce()
    {
        QCOMPARE(add(tiff("a.tif")), QStringList {ok("Added new map layer a.tif")});
        QCOMPARE(root->property("calls").toList(), QVariantList({QString("Loading Layer..."), false}));
        QCOMPARE(maps().size(), size_t(1));
        const QRectF extent = maps()[0].extent;
        QVERIFY2(std::abs(extent.x() - 10) < 1e-9 && std::abs(extent.y() - 45) < 1e-9
                     && std::abs(extent.width() - 1) < 1e-9 && std::abs(extent.height() - 1) < 1e-9,
                 qPrintable(QStringLiteral("%1 %2 %3 %4").arg(extent.x()).arg(extent.y()).arg(extent.width()).arg(extent.height())));
        QVERIFY(QFileInfo::exists(stored("a.tif")));
        QCOMPARE(record().basemap_size(), 1);
        QVERIFY(scene()->baseMapLayer(maps()[0].location));
        QCOMPARE(qobject_cast<MapLayerListModel*>(tool->layerModel())->rowCount(), 1);

        // The snap brings the middle of the layer's box (in map units) under the camera.
        controller->setVisibleArea(QRectF(0, 0, 400, 300));
        tool->snapToLayerBounds(0);
        QVERIFY(test::cameraAtRest(scene()->cameraManipulator()));
        double west = 0.0, south = 0.0, east = 0.0, north = 0.0;
        QVERIFY(scene()->geographicSRS()->transform2D(10.0, 45.0, scene()->mapSRS(), west, south));
        QVERIFY(scene()->geographicSRS()->transform2D(11.0, 46.0, scene()->mapSRS(), east, north));
        const osg::Vec3d camera = scene()->cameraManipulator().position();
        QVERIFY(std::abs(camera.x() - (west + east) / 2) < 1.0 && std::abs(camera.y() - (south + north) / 2) < 1.0);

        QCOMPARE(add(tiff("a.tif")), QStringList {error("a.tif already exists in this project")});
        QCOMPARE(maps().size(), size_t(1));
        QCOMPARE(record().basemap_size(), 1);
    }

    void mbtilesKeepTheirStoredBounds()
    {
        // Fine enough that the package's one level is finer than a snap to
        // its bounds would show.
        const QUrl source = QUrl::fromLocalFile(sources.filePath("source.tif"));
        QVERIFY(test::writeRaster(source.toLocalFile(),
                                  test::colouredRaster(10.0, 45.0, 10.05, 45.05, Qt::red, 1024)));
        const QString package = sources.filePath("p.mbtiles");
        const char* options[] = {"-of", "MBTILES", nullptr};
        GDALTranslateOptions* translate = GDALTranslateOptionsNew(const_cast<char**>(options), nullptr);
        GDALDatasetH input = GDALOpen(source.toLocalFile().toUtf8().constData(), GA_ReadOnly);
        QVERIFY(input);
        GDALDatasetH output = GDALTranslate(package.toUtf8().constData(), input, translate, nullptr);
        GDALTranslateOptionsFree(translate);
        QVERIFY(output);
        GDALClose(output);
        GDALClose(input);

        QCOMPARE(add(QUrl::fromLocalFile(package)), QStringList {ok("Added new map layer p.mbtiles")});
        const QRectF kept = readMBTilesBounds(QUrl::fromLocalFile(stored("p.mbtiles")));
        QVERIFY(kept.width() > 0 && kept.height() > 0);
        QCOMPARE(maps()[0].extent, kept);

        // The snap lands on the level the package holds.
        controller->setVisibleArea(QRectF(0, 0, 400, 300));
        tool->snapToLayerBounds(0);
        QVERIFY(test::cameraAtRest(scene()->cameraManipulator()));
        scene()->updateCamera();
        double left = 0.0, right = 0.0, bottom = 0.0, top = 0.0, zNear = 0.0, zFar = 0.0;
        QVERIFY(scene()->camera()->getProjectionMatrixAsOrtho(left, right, bottom, top, zNear, zFar));
        const double unitsPerPixel = (right - left) / scene()->camera()->getViewport()->width();
        double tileWidth = 0.0, tileHeight = 0.0;
        scene()->map()->getProfile()->getTileDimensions(0, tileWidth, tileHeight);
        const geo::ImageLayer* layer = scene()->baseMapLayer(maps()[0].location);
        QCOMPARE(layer->getMaxLevel(), layer->getMinLevel());
        QCOMPARE(geo::MapNode::levelFor(unitsPerPixel, tileWidth), layer->getMinLevel());
    }

    // Each file is refused with the reason, before its record is added or,
    // when only the project's copy fails, by taking the record away again.
    void failedAddsLeaveTheProjectAsItWas_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("content"); // "<none>": no such file
        QTest::addColumn<QString>("message");
        QTest::newRow("not a raster") << "b.tif" << QByteArray("not a raster") << "b.tif could not be read.";
        QTest::newRow("no such file") << "c.tif" << QByteArray("<none>") << "c.tif could not be read.";
        QTest::newRow("empty file") << "d.tif" << QByteArray() << "d.tif could not be read.";
        QTest::newRow("no georeference") << "e.tif" << QByteArray("<raster>") << "e.tif has no georeference.";
        QTest::newRow("online layer, no tile host")
            << "f.earth"
            << QByteArray("<map><image name=\"Web\" driver=\"xyz\"><url>http://127.0.0.1:PORT/{z}/{x}/{y}.png"
                          "</url></image></map>")
            << "f.earth could not be read.";
        QTest::newRow("endless metadata view") << "g.mbtiles" << QByteArray("<view>") << "g.mbtiles could not be read.";
        // Read where it lies; the copy in the project names a raster that is not there.
        QTest::newRow("earth layer by a relative path")
            << "h.earth" << QByteArray("<relative>") << "Failed to add map layer from h.earth";
    }

    void failedAddsLeaveTheProjectAsItWas()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, content);
        QFETCH(QString, message);
        QTcpServer listener;
        QVERIFY(listener.listen(QHostAddress::LocalHost));
        const QString path = sources.filePath(name);
        if (content == "<raster>") {
            test::RasterSpec raster = test::colouredRaster(10.0, 45.0, 11.0, 46.0, Qt::red, 16);
            raster.georeferenced = false;
            QVERIFY(test::writeRaster(path, raster));
        } else if (content == "<view>") {
            sqlite3* db = nullptr;
            QCOMPARE(sqlite3_open(path.toUtf8().constData(), &db), SQLITE_OK);
            QCOMPARE(sqlite3_exec(db,
                                  "CREATE VIEW metadata AS WITH RECURSIVE r(n) AS (SELECT 1 UNION ALL "
                                  "SELECT n + 1 FROM r) SELECT 'minzoom' AS name, n AS value FROM r WHERE n < 0",
                                  nullptr, nullptr, nullptr),
                     SQLITE_OK);
            sqlite3_close(db);
        } else if (content == "<relative>") {
            QVERIFY(!tiff("h.tif").isEmpty());
            QVERIFY(test::writeText(path, "<map><image name=\"H\" driver=\"gdal\"><url>h.tif</url></image></map>"));
        } else if (content != "<none>") {
            QVERIFY(test::writeText(path, QString::fromUtf8(content).replace("PORT", QString::number(listener.serverPort()))));
        }
        QCOMPARE(add(QUrl::fromLocalFile(path)), QStringList {error(message)});
        QVERIFY(maps().empty());
        QCOMPARE(record().basemap_size(), 0);
        QVERIFY(!QFileInfo::exists(stored(name)));
        QCOMPARE(qobject_cast<MapLayerListModel*>(tool->layerModel())->rowCount(), 0);
        QCOMPARE(root->property("calls").toList(), QVariantList({QString("Loading Layer..."), false}));
        QTest::qWait(50);
        QVERIFY(!listener.hasPendingConnections());
    }

    void theTaskRefusesAFileAlreadyInTheProject()
    {
        const QUrl url = tiff("a.tif");
        auto command = std::make_shared<AddBaseMapCommand>();
        command->setUrl(url);
        AddLayerTask first(command, scene());
        QCOMPARE(first.objectName(), QString("AddLayer"));
        QVERIFY(!first.canCancel());
        first.work();
        QVERIFY(first.successful());
        QVERIFY(first.errorMessage().isEmpty());
        AddLayerTask second(command, scene());
        second.work();
        QVERIFY(!second.successful());
        QCOMPARE(second.errorMessage(), QString("a.tif already exists in this project"));
        QCOMPARE(maps().size(), size_t(1));
    }

    void callsOutsideTheListChangeNothing_data()
    {
        QTest::addColumn<LayerCall>("call");
        QTest::newRow("opacity at count") << LayerCall([](LayerTool& t, int n) { t.setLayerOpacity(n, 0.5); });
        QTest::newRow("opacity at -1") << LayerCall([](LayerTool& t, int) { t.setLayerOpacity(-1, 0.5); });
        QTest::newRow("preview at count") << LayerCall([](LayerTool& t, int n) { t.previewLayerOpacity(n, 0.5); });
        QTest::newRow("visible at count") << LayerCall([](LayerTool& t, int n) { t.setLayerVisible(n, false); });
        QTest::newRow("remove at count") << LayerCall([](LayerTool& t, int n) { t.removeLayer(n); });
        QTest::newRow("remove at -1") << LayerCall([](LayerTool& t, int) { t.removeLayer(-1); });
        QTest::newRow("move to count") << LayerCall([](LayerTool& t, int n) { t.moveLayer(0, n); });
        QTest::newRow("move onto itself") << LayerCall([](LayerTool& t, int) { t.moveLayer(1, 1); });
        QTest::newRow("move from -1") << LayerCall([](LayerTool& t, int) { t.moveLayer(-1, 0); });
        QTest::newRow("snap at count") << LayerCall([](LayerTool& t, int n) { t.snapToLayerBounds(n); });
        QTest::newRow("snap without width") << LayerCall([](LayerTool& t, int) { t.snapToLayerBounds(0); });
    }

    void callsOutsideTheListChangeNothing()
    {
        QFETCH(LayerCall, call);
        add(tiff("a.tif"));
        add(tiff("b.tif", 20.0, 30.0));
        maps()[0].extent.setWidth(0.0);
        const std::string before = record().SerializeAsString();
        const osg::Vec3d camera = scene()->cameraManipulator().position();
        const float opacity = scene()->baseMapLayer(maps()[1].location)->getOpacity();
        call(*tool, int(maps().size()));
        QCOMPARE(record().SerializeAsString(), before);
        QCOMPARE(maps()[0].location.fileName(), QString("b.tif"));
        QCOMPARE(scene()->cameraManipulator().position(), camera);
        QCOMPARE(scene()->baseMapLayer(maps()[1].location)->getOpacity(), opacity);
    }

    void layerChangesAreStoredAndShown()
    {
        add(tiff("a.tif"));
        add(tiff("b.tif", 20.0, 30.0));
        const QUrl b = maps()[0].location, a = maps()[1].location;
        QVERIFY(mapIndex(b) > mapIndex(a));

        QVERIFY(tool->setLayerOpacity(0, 0.5));
        QCOMPARE(record().basemap(0).opacity(), 0.5);
        QCOMPARE(scene()->baseMapLayer(b)->getOpacity(), 0.5f);
        {
            // A save that fails leaves the project and the map as stored, and says so.
            const test::DatabaseLock lock(fixture->databasePath(), "EXCLUSIVE");
            QVERIFY(lock.isLocked());
            QVERIFY(!tool->setLayerOpacity(0, 0.75));
        }
        QCOMPARE(record().basemap(0).opacity(), 0.5);
        QCOMPARE(maps()[0].opacity, 0.5);
        QCOMPARE(scene()->baseMapLayer(b)->getOpacity(), 0.5f);
        QCOMPARE(dialogs->toasts().back().message, QString("Failed to save project"));
        tool->previewLayerOpacity(0, 0.25);
        QCOMPARE(scene()->baseMapLayer(b)->getOpacity(), 0.25f);
        QCOMPARE(record().basemap(0).opacity(), 0.5);

        tool->setLayerVisible(0, false);
        QVERIFY(!record().basemap(0).active());
        QVERIFY(!scene()->baseMapLayer(b)->getVisible());

        tool->moveLayer(0, 1);
        QCOMPARE(maps()[0].location, a);
        QCOMPARE(QString::fromStdString(record().basemap(0).name()), QString("a"));
        QVERIFY(mapIndex(a) > mapIndex(b));
        auto* model = qobject_cast<MapLayerListModel*>(tool->layerModel());
        QCOMPARE(model->data(model->index(0, 0), MapLayerListModel::Name), QVariant("a"));

        tool->removeLayer(1);
        QCOMPARE(maps().size(), size_t(1));
        QCOMPARE(record().basemap_size(), 1);
        QVERIFY(!QFileInfo::exists(stored("b.tif")));
    }

    void baseLayerFollowsTheProject_data()
    {
        QTest::addColumn<int>("stored");
        QTest::addColumn<int>("expected");
        QTest::newRow("satellite") << 0 << int(LayerTool::Base_Satellite);
        QTest::newRow("road") << 1 << int(LayerTool::Base_Map);
        QTest::newRow("terrain") << 2 << int(LayerTool::Base_Terrain);
        QTest::newRow("custom") << 3 << int(LayerTool::Base_Custom);
        QTest::newRow("unknown") << 7 << int(LayerTool::Base_Terrain);
    }

    void baseLayerFollowsTheProject()
    {
        QFETCH(int, stored);
        QFETCH(int, expected);
        fixture->project->setBaseTileLayer(stored);
        fixture->project->setBaseMapUrl("http://127.0.0.1:1/{z}/{x}/{y}.png");
        makeTool();
        QCOMPARE(int(tool->baseLayer()), expected);
        QCOMPARE(tool->layerURL(), QString("http://127.0.0.1:1/{z}/{x}/{y}.png"));
    }

    void writingTheOnlineLayerSavesIt()
    {
        fixture->project->setBaseTileLayer(LayerTool::Base_Satellite);
        makeTool();
        QSignalSpy layers(tool.get(), &LayerTool::baseLayerChanged);
        QSignalSpy urls(tool.get(), &LayerTool::layerURLChanged);
        tool->setBaseLayer(LayerTool::Base_Map);
        QCOMPARE(record().basetiles(), QZProtoBuffers::Project::ROAD);
        QCOMPARE(scene()->onlineLayerKind(), 1);
        tool->setBaseLayer(LayerTool::Base_Map);
        QCOMPARE(layers.count(), 1);

        tool->setBaseLayer(LayerTool::Base_Satellite);
        const QString url = "http://127.0.0.1:1/{z}/{x}/{y}.png";
        tool->setLayerURL(url);
        QCOMPARE(tool->baseLayer(), LayerTool::Base_Custom);
        QCOMPARE(record().basetiles(), QZProtoBuffers::Project::CUSTOM);
        QCOMPARE(QString::fromStdString(record().basemapurl()), url);
        QCOMPARE(urls.count(), 1);

        // Already custom: the new address is saved too.
        tool->setLayerURL(url + "?2");
        QCOMPARE(QString::fromStdString(record().basemapurl()), url + "?2");
        QCOMPARE(layers.count(), 3);
        QCOMPARE(urls.count(), 2);
    }
};

QTEST_MAIN(TestLayerTool)
#include "tst_layertool.moc"
