#include "app/DialogController.h"
#include "map/AnnotationRenderItem.h"
#include "map/GLRender.h"
#include "map/LineDataRenderItem.h"
#include "map/LinePointRenderItem.h"
#include "map/LocalityBundles.h"
#include "map/LocationRenderItem.h"
#include "map/MapViewController.h"
#include "map/OSGShaderManager.h"
#include "map/PointDataRenderItem.h"
#include "model/Locality.h"
#include "model/ModelManager.h"
#include "model/Project.h"
#include "tools/AbstractLocationManager.h"
#include "support/GeoTestData.h"
#include "support/ProjectFixture.h"
#include "support/ScriptedLocationManager.h"

#include <QtTest>

#include <map>
#include <set>
#include <utility>
#include <vector>

using namespace kiv;

Q_DECLARE_METATYPE(std::string)
using UnitColours = std::map<int, QRgb>;
Q_DECLARE_METATYPE(UnitColours)
Q_DECLARE_METATYPE(std::set<int>)

namespace {
const QString VertexFile = QStringLiteral(":/shaders/Resources/MapViewSymbol.vsh");
const QString FragmentFile = QStringLiteral(":/shaders/Resources/CurrentLocationSymbol.fsh");
} // namespace

class TestLocalityBundles : public QObject
{
    Q_OBJECT

    std::unique_ptr<test::ProjectFixture> fixture;
    std::unique_ptr<MapViewController> controller;

    static test::DocumentsApplication* app()
    {
        return static_cast<test::DocumentsApplication*>(ApplicationManager::instance());
    }

    int sceneItems() const { return controller->scene()->renderItems().size(); }

    static std::vector<std::pair<QString, GLRenderItem*>> named(const LocalityRenderItems& b)
    {
        return {{"annotations", b.annotations.get()}, {"pointData", b.pointData.get()},
                {"lines", b.lines.get()}, {"sightings", b.sightings.get()}, {"linePoints", b.linePoints.get()}};
    }

    std::set<GLRenderItem*> bundleItems() const
    {
        std::set<GLRenderItem*> items;
        for (const auto& entry : controller->localityItems()) {
            for (const auto& item : named(entry.second))
                items.insert(item.second);
        }
        return items;
    }

private slots:
    void initTestCase() { qRegisterMetaType<MapViewController::ViewFilter>(); }

    void init()
    {
        fixture = std::make_unique<test::ProjectFixture>();
        QVERIFY(fixture->isValid());
        fixture->addLocality(test::idOf(0xa2), 2000);
        fixture->addLocality(test::idOf(0xa3), 3000);
        // No probe leaves the machine: the online slots only count.
        app()->countOnlineCalls = true;
        controller = std::make_unique<MapViewController>();
        controller->viewDidLoad();
        app()->connectionTests.clear();
        app()->statusChecks.clear();
    }

    void cleanup()
    {
        controller.reset();
        fixture.reset();
    }

    void sceneHoldsWhatTheFilterAllows_data()
    {
        QTest::addColumn<int>("filter");
        QTest::addColumn<bool>("linePoints");
        QTest::addColumn<int>("items");
        QTest::newRow("all") << int(MapViewController::FilterAll) << false << 13;
        QTest::newRow("data") << int(MapViewController::FilterData) << false << 4;
        QTest::newRow("all with line points") << int(MapViewController::FilterAll) << true << 16;
        QTest::newRow("data with line points") << int(MapViewController::FilterData) << true << 4;
        QTest::newRow("none") << int(MapViewController::FilterNone) << true << 1;
    }

    void sceneHoldsWhatTheFilterAllows()
    {
        QFETCH(int, filter);
        QFETCH(bool, linePoints);
        QFETCH(int, items);
        controller->setViewFilter(MapViewController::ViewFilter(filter));
        controller->setShowLinePoints(linePoints);
        controller->viewDidAppear();
        QCOMPARE(sceneItems(), items);
        QCOMPARE(controller->localityItems().size(), size_t(3));
        QVERIFY(controller->scene()->renderItems().contains(controller->positionMarker()));
        // Showing the page again replaces the bundles rather than adding more.
        controller->viewDidAppear();
        QCOMPARE(sceneItems(), items);
    }

    void linePointsFollowTheLinesFilter()
    {
        controller->setViewFilter(MapViewController::FilterData);
        controller->viewDidAppear();
        QSignalSpy shown(controller.get(), &MapViewController::showLinePointsChanged);
        controller->setShowLinePoints(true);
        controller->setShowLinePoints(true);
        QCOMPARE(shown.count(), 1);
        QCOMPARE(sceneItems(), 4);
        QSignalSpy filtered(controller.get(), &MapViewController::viewFilterChanged);
        controller->setViewFilter(MapViewController::FilterAll);
        controller->setViewFilter(MapViewController::FilterAll);
        QCOMPARE(filtered.count(), 1);
        QCOMPARE(sceneItems(), 16);
        controller->setShowLinePoints(false);
        QCOMPARE(sceneItems(), 13);
    }

    void newLocalityRecreatesEveryBundle()
    {
        controller->viewDidAppear();
        const std::set<GLRenderItem*> before = bundleItems();
        const auto keepAlive = controller->localityItems();
        fixture->addLocality(test::idOf(0xa4), 4000);
        emit fixture->project->localityListChanged();
        QCOMPARE(sceneItems(), 17);
        for (GLRenderItem* item : bundleItems())
            QVERIFY(!before.count(item));
    }

    void projectSwitchLeavesOnlyTheMarker()
    {
        controller->viewDidAppear();
        QTemporaryDir folder;
        const auto other = ModelManager::instance()->createProject("Other", QDir(folder.path()));
        QVERIFY(other);
        ModelManager::instance()->setCurrentProject(other);
        QCOMPARE(controller->scene()->renderItems(), {controller->positionMarker()});
        QVERIFY(controller->localityItems().empty());
    }

    void updatesMarkOnlyTheirLocality_data()
    {
        QTest::addColumn<QString>("slot");
        QTest::addColumn<std::string>("id");
        QTest::addColumn<QStringList>("dirty");
        const std::string id = test::idOf(0xa2);
        QTest::newRow("point data") << "updatePointData" << id << QStringList{"pointData"};
        QTest::newRow("annotations") << "updateAnnotations" << id << QStringList{"annotations"};
        QTest::newRow("lines") << "updateLines" << id << QStringList{"lines", "linePoints"};
        QTest::newRow("unknown id") << "updateLines" << test::idOf(0xff) << QStringList();
    }

    void updatesMarkOnlyTheirLocality()
    {
        QFETCH(QString, slot);
        QFETCH(std::string, id);
        QFETCH(QStringList, dirty);
        controller->viewDidAppear();
        for (GLRenderItem* item : bundleItems())
            item->setDirty(false);
        QVERIFY(QMetaObject::invokeMethod(controller.get(), slot.toLatin1().constData(), Q_ARG(std::string, id)));
        QStringList marked;
        for (const auto& entry : controller->localityItems()) {
            for (const auto& item : named(entry.second)) {
                if (item.second->isDirty())
                    marked << (entry.first == id ? item.first : QStringLiteral("other"));
            }
        }
        QCOMPARE(marked, dirty);
    }

    void positioningFollowsThePage()
    {
        test::ScriptedLocationManager location;
        app()->setSensors(&location, nullptr);
        controller = std::make_unique<MapViewController>();
        controller->viewDidLoad();
        controller->viewWillAppear();
        controller->viewDidAppear();
        QVERIFY(location.updating());
        controller->positionMarker()->setDirty(false);
        controller->viewDidDisappear();
        QVERIFY(!location.updating());
        QVERIFY(controller->positionMarker()->isDirty());
        QVERIFY(AbstractLocationManager::isGpsAutoEnabled());
        controller->viewWillAppear();
        QVERIFY(location.updating());
        controller.reset();
        app()->setSensors(nullptr, nullptr);
    }

    void baseMapsGetTheirExtents()
    {
        const auto dialogs = app()->installDialogController();
        QTemporaryDir folder;
        const QString red = folder.filePath("red.tif");
        const QString blue = folder.filePath("blue.tif");
        QVERIFY(test::writeRaster(red, test::colouredRaster(10, 45, 11, 46, Qt::red)));
        QVERIFY(test::writeRaster(blue, test::colouredRaster(10, 45, 11, 46, Qt::blue)));
        Project& project = *fixture->project;
        project.addBaseMap("GeoTiff", "A", QUrl::fromLocalFile(red), true, 1.0, QRectF(0, 0, 0, 0));
        project.addBaseMap("GeoTiff", "B", QUrl::fromLocalFile(folder.filePath("none.tif")), true, 1.0, QRectF());
        project.addBaseMap("GeoTiff", "C", QUrl::fromLocalFile(blue), true, 0.5, QRectF(1, 2, 3, 4));
        const std::string stored = test::storedProjectRecord(fixture->databasePath()).SerializeAsString();
        controller->viewDidAppear();
        // The first base map lies above the last.
        const geo::Map* map = controller->scene()->map();
        QVERIFY(map->getIndexOfImageLayer(controller->scene()->baseMapLayer(QUrl::fromLocalFile(red)))
                > map->getIndexOfImageLayer(controller->scene()->baseMapLayer(QUrl::fromLocalFile(blue))));
        QCOMPARE(project.baseMaps()[0].extent, QRectF(10, 45, 1, 1));
        QCOMPARE(project.baseMaps()[2].extent, QRectF(1, 2, 3, 4));
        QCOMPARE(dialogs->toasts().size(), 1);
        QCOMPARE(dialogs->toasts()[0].message, QStringLiteral("Failed to load map layer B"));
        QCOMPARE(dialogs->toasts()[0].icon, QString(QChar(0xE8D0)));
        QCOMPARE(dialogs->toasts()[0].duration, 2000);
        QVERIFY(test::storedProjectRecord(fixture->databasePath()).SerializeAsString() == stored);
    }

    void onlineModeReachesTheScene_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("changes");
        QTest::addColumn<QList<bool>>("connectionTests");
        QTest::addColumn<QList<bool>>("statusChecks");
        QTest::addColumn<bool>("followsProbe");
        QTest::newRow("offline") << 1 << 1 << QList<bool>{false, false} << QList<bool>() << false;
        QTest::newRow("online") << 0 << 1 << QList<bool>{false, false} << QList<bool>() << false;
        QTest::newRow("auto, unchanged") << 2 << 0 << QList<bool>{true, true} << QList<bool>{true, true} << true;
    }

    void onlineModeReachesTheScene()
    {
        QFETCH(int, mode);
        QFETCH(int, changes);
        QFETCH(QList<bool>, connectionTests);
        QFETCH(QList<bool>, statusChecks);
        QFETCH(bool, followsProbe);
        QCOMPARE(controller->online(), 2);
        QSignalSpy changed(controller.get(), &MapViewController::onlineChanged);
        controller->setOnline(mode);
        controller->setOnline(mode);
        QCOMPARE(changed.count(), changes);
        QCOMPARE(app()->connectionTests, connectionTests);
        QCOMPARE(app()->statusChecks, statusChecks);
        QCOMPARE(controller->scene()->isOnline(), mode == 0);
        emit app()->onlineStatusChanged(true);
        QCOMPARE(controller->scene()->isOnline(), mode == 0 || followsProbe);
    }

    void refreshDirtiesEverySceneItem_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<bool>("shown");
        QTest::addColumn<bool>("refreshed");
        QTest::newRow("data list, shown") << 0 << true << true;
        QTest::newRow("data list, page left") << 0 << false << false;
        QTest::newRow("F5") << int(Qt::Key_F5) << true << true;
        QTest::newRow("F4") << int(Qt::Key_F4) << true << false;
    }

    void refreshDirtiesEverySceneItem()
    {
        QFETCH(int, key);
        QFETCH(bool, shown);
        QFETCH(bool, refreshed);
        controller->viewDidAppear();
        if (!shown)
            controller->viewDidDisappear();
        for (const auto& item : controller->scene()->renderItems())
            item->setDirty(false);
        OSGShaderManager* shaders = OSGShaderManager::instance();
        const auto program = shaders->getProgram(VertexFile, FragmentFile, "Check");
        QVERIFY(program);
        if (key) {
            if (refreshed)
                QTest::ignoreMessage(QtDebugMsg, "Refresh View");
            controller->keyPressed(key, 0, 0, false, 1, QString());
        } else {
            emit fixture->project->dataListChanged();
        }
        for (const auto& item : controller->scene()->renderItems())
            QCOMPARE(item->isDirty(), refreshed);
        const bool reread = shaders->getProgram(VertexFile, FragmentFile, "Check") != program;
        QCOMPARE(reread, key && refreshed);
    }

    void changeRebuildsOnlyTheBundlesItTouches_data()
    {
        // Bundles: 1 the fixture's locality (a plane of unit 2), 2 locality
        // a2 (nothing), 4 locality a3 (a plane of unit 1).
        QTest::addColumn<int>("change");
        QTest::addColumn<int>("rebuilt");
        QTest::newRow("one locality's content") << 0 << 2;
        QTest::newRow("a unit recoloured") << 1 << 4;
        QTest::newRow("a unit removed") << 2 << 1;
        QTest::newRow("column saved unchanged") << 3 << 0;
        QTest::newRow("a unit recoloured back") << 4 << 4;
    }

    void changeRebuildsOnlyTheBundlesItTouches()
    {
        QFETCH(int, change);
        QFETCH(int, rebuilt);
        Project& project = *fixture->project;
        project.addRockUnit(1, QStringLiteral("Marl"), Qt::red, 0);
        project.addRockUnit(2, QStringLiteral("Chert"), Qt::blue, 0);
        fixture->locality->addPlane(test::idOf(0xb1), 46.0, 8.0, 10.0f, 20.0f, 2, -1, QString());
        project.locality(test::idOf(0xa3))->addPlane(test::idOf(0xb3), 46.0, 8.0, 10.0f, 20.0f, 1, -1, QString());
        controller->viewDidAppear();
        if (change == 4) {
            project.rockUnits().front().colour = Qt::green;
            emit project.stratColumnChanged();
            project.rockUnits().front().colour = Qt::red;
        }
        for (GLRenderItem* item : bundleItems())
            item->setDirty(false);
        controller->positionMarker()->setDirty(false);

        if (change == 0)
            project.announceLocalityContent(test::idOf(0xa2));
        if (change == 1)
            project.rockUnits().front().colour = Qt::green;
        if (change == 2)
            project.rockUnits().pop_back();
        if (change > 0)
            emit project.stratColumnChanged();

        const std::vector<std::string> ids = {fixture->locality->id(), test::idOf(0xa2), test::idOf(0xa3)};
        for (size_t i = 0; i < ids.size(); ++i) {
            for (const auto& [name, item] : named(controller->localityItems().at(ids[i])))
                QVERIFY2(item->isDirty() == bool(rebuilt & (1 << i)), qPrintable(name));
        }
        QVERIFY(!controller->positionMarker()->isDirty());
    }

    // The bundles alone, without a controller or a scene.
    void changedUnits_data()
    {
        using Colours = UnitColours;
        QTest::addColumn<Colours>("before");
        QTest::addColumn<Colours>("after");
        QTest::addColumn<std::set<int>>("changed");
        const QRgb red = QColor(Qt::red).rgba();
        const QRgb blue = QColor(Qt::blue).rgba();
        QTest::newRow("both empty") << Colours{} << Colours{} << std::set<int>{};
        QTest::newRow("unchanged") << Colours{{1, red}, {2, blue}} << Colours{{1, red}, {2, blue}} << std::set<int>{};
        QTest::newRow("recoloured") << Colours{{1, red}, {2, blue}} << Colours{{1, blue}, {2, blue}}
                                    << std::set<int>{1};
        QTest::newRow("alpha alone") << Colours{{1, red}} << Colours{{1, qRgba(255, 0, 0, 254)}}
                                     << std::set<int>{1};
        QTest::newRow("removed") << Colours{{1, red}, {2, blue}} << Colours{{1, red}} << std::set<int>{2};
        QTest::newRow("added") << Colours{{1, red}} << Colours{{1, red}, {3, blue}} << std::set<int>{3};
        QTest::newRow("all swapped") << Colours{{1, red}} << Colours{{2, red}} << std::set<int>{1, 2};
    }

    void changedUnits()
    {
        QFETCH(UnitColours, before);
        QFETCH(UnitColours, after);
        QFETCH(std::set<int>, changed);
        QCOMPARE(LocalityBundles::changedUnits(before, after), changed);
        QCOMPARE(LocalityBundles::changedUnits(after, before), changed);
    }

    void recolouredNeedsASnapshot()
    {
        Project& project = *fixture->project;
        project.addRockUnit(1, QStringLiteral("Marl"), Qt::red, 0);
        project.locality(test::idOf(0xa3))->addPlane(test::idOf(0xb3), 46.0, 8.0, 10.0f, 20.0f, 1, -1, QString());
        LocalityBundles bundles;
        // Never built: nothing tells which bundles are stale.
        QVERIFY(!bundles.recoloured(project));
        int made = 0;
        bundles.build(project, [&made](const LocalityRenderItems& items) {
            ++made;
            for (const auto& item : LocalityBundles::members(items))
                QVERIFY(item);
        });
        QCOMPARE(made, 3);
        QCOMPARE(bundles.items().size(), size_t(3));
        QVERIFY(bundles.find(test::idOf(0xa2)));
        QVERIFY(!bundles.find(test::idOf(0xee)));
        // Saved unchanged: a snapshot, and nothing stale.
        QVERIFY(bundles.recoloured(project));
        QVERIFY(bundles.recoloured(project)->empty());
        project.rockUnits().front().colour = Qt::green;
        const auto stale = bundles.recoloured(project);
        QVERIFY(stale);
        QCOMPARE(stale->size(), size_t(1));
        QCOMPARE(stale->front(), bundles.find(test::idOf(0xa3)));
        // The call took the new colours as its snapshot.
        QVERIFY(bundles.recoloured(project)->empty());
        bundles.clear();
        QVERIFY(bundles.items().empty());
        QVERIFY(!bundles.recoloured(project));
    }

    void firstAppearanceAnnouncedOnce_data()
    {
        QTest::addColumn<bool>("newBuild");
        QTest::addColumn<int>("remindDaysAgo");
        QTest::addColumn<int>("updateChecks");
        QTest::addColumn<int>("dialogs");
        QTest::newRow("no new build") << false << 3 << 1 << 0;
        QTest::newRow("new build, reminder due") << true << 3 << 0 << 1;
        QTest::newRow("new build, reminded today") << true << 0 << 0 << 0;
    }

    void firstAppearanceAnnouncedOnce()
    {
        QFETCH(bool, newBuild);
        QFETCH(int, remindDaysAgo);
        QFETCH(int, updateChecks);
        QFETCH(int, dialogs);
        QSettings().setValue("NewVersionRemindMeLaterTime", QDateTime::currentDateTime().addDays(-remindDaysAgo));
        app()->setNewBuildAvailable(newBuild);
        QSignalSpy appeared(app(), &ApplicationManager::appDidAppear);
        QSignalSpy dialog(controller.get(), &MapViewController::showNewBuildAvailableDialog);
        MapViewController second;
        second.viewDidLoad();
        controller->viewDidAppear();
        second.viewDidAppear();
        controller->viewDidAppear();
        QCOMPARE(appeared.count(), 1);
        QCOMPARE(app()->updateChecks, updateChecks);
        QCOMPARE(dialog.count(), dialogs);
        if (!newBuild) {
            // The check's answer arrives later and opens the dialog then.
            app()->setNewBuildAvailable(true);
            QCOMPARE(dialog.count(), 1);
        }
    }
};

QTEST_MAIN(TestLocalityBundles)
#include "tst_localitybundles.moc"
