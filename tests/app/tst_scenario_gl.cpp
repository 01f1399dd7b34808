#include "Database/Quarzel.pb.h"
#include "app/DialogController.h"
#include "app/MainView.h"
#include "map/MapViewController.h"
#include "model/Locality.h"
#include "model/ModelManager.h"
#include "model/Project.h"
#include "support/ImagePixels.h"
#include "support/MapPageStart.h"
#include "support/MessageLog.h"
#include "support/ScriptedLocationManager.h"
#include "support/TestStep.h"

#include <QQuickItem>
#include <QScopeGuard>
#include <QtTest>

#include <cmath>
#include <utility>

using namespace kiv;
using test::pixelsLike;

namespace {
const double Lon = 7.0;
const double Lat = 46.0;
const QColor Red(255, 0, 0);
const int MergedLocalities = 300;

// Planes and lineations stored in a project database, in storage order.
std::vector<QZProtoBuffers::Data> storedData(const QString& database)
{
    std::vector<QZProtoBuffers::Data> data;
    for (const std::string& bytes : test::tableMessages(database, "data")) {
        QZProtoBuffers::Data datum;
        if (datum.ParseFromString(bytes))
            data.push_back(datum);
    }
    return data;
}

int storedLocalities(const QString& database)
{
    return int(test::tableMessages(database, "localities").size());
}
} // namespace

// A user's afternoon with the whole program in this process: two stored
// projects, driven by taps and typing only.
class TestScenario : public QObject
{
    Q_OBJECT

    QTemporaryDir documents;
    std::unique_ptr<test::MapPageStart> page;

    QString alphaDatabase() const { return documents.filePath("alpha.qz/main.db"); }
    QQuickWindow* window() const { return page->window(); }
    QQuickItem* root() const { return page->application()->mainView()->rootObject(); }
    std::shared_ptr<DialogController> dialogs() const { return page->application()->dialogController(); }

    test::ProgramScreen screen() const { return page->screen(); }
    QQuickItem* shown(const QString& name) const { return screen().shown(name); }
    // The text of the item of that name on screen; empty while none is.
    QString shownText(const QString& name) const { return screen().shownProperty(name, "text").toString(); }
    // Where the item of that name shows; empty while it does not.
    QRectF shownRect(const QString& name) const
    {
        const QQuickItem* item = shown(name);
        return item ? item->mapRectToScene(item->boundingRect()) : QRectF();
    }
    QQuickItem* shownWith(const char* property, const QVariant& value, QQuickItem* under = nullptr) const
    {
        return screen().shownWith(property, value, under);
    }
    void tap(QQuickItem* item, qreal fx = 0.5, qreal fy = 0.5) { QVERIFY(screen().tapAtRest(item, fx, fy)); }
    void tapShown(const QString& name) { QVERIFY2(screen().tapShown(name), qPrintable(name)); }

    void type(const QString& name, const QString& text) { QVERIFY2(screen().type(name, text), qPrintable(name)); }

    // The thin tool bar's header widens it; only its screen edge shows.
    void widenToolBar()
    {
        QQuickItem* header = nullptr;
        QTRY_VERIFY((header = shown("headerButton")) != nullptr);
        TEST_STEP(tap(header, 20.0 / header->width()));
        QQuickItem* bar = root()->findChild<QQuickItem*>("toolBar");
        QVERIFY(bar);
        QTRY_COMPARE(bar->property("state").toString(), QString("WIDE"));
        // Its buttons take taps once the panel is fully out.
        QQuickItem* panel = bar->findChild<QQuickItem*>("panel");
        QVERIFY(panel);
        QTRY_COMPARE(panel->x(), 0.0);
    }

    void openTool(const QString& label)
    {
        TEST_STEP(widenToolBar());
        QQuickItem* bar = root()->findChild<QQuickItem*>("toolBar");
        QVERIFY(bar);
        QQuickItem* button = nullptr;
        QTRY_VERIFY((button = shownWith("label", label, bar)) != nullptr);
        TEST_STEP(tap(button));
        // The veil folds a bar that stays wide.
        if (bar->property("state").toString() == "WIDE")
            QTest::mouseClick(window(), Qt::LeftButton, {}, QPoint(window()->width() - 10, window()->height() / 2));
        QTRY_COMPARE(bar->property("state").toString(), QString("THIN"));
    }

    // Taps a row of the symbol dialog, scrolling to it.
    void chooseSymbol(const QString& name)
    {
        TEST_STEP(tapShown("symbolPicker"));
        QTRY_COMPARE(dialogs()->customDialogType(), QString("SymbolSelectionDialog.qml"));
        QQuickItem* list = nullptr;
        QTRY_VERIFY((list = shown("symbolList")) != nullptr);
        QQuickItem* row = nullptr;
        QTRY_VERIFY_WITH_TIMEOUT((row = shownWith("symbolName", name)) != nullptr
                                     || (list->setProperty("contentY", list->property("contentY").toReal() + 40), false),
                                 5000);
        QTest::qWait(50);
        TEST_STEP(tap(row));
        QTRY_VERIFY(!dialogs()->customDialogActive());
    }

    void segment(const QString& name, int index, int count)
    {
        QQuickItem* buttons = nullptr;
        QTRY_VERIFY((buttons = shown(name)) != nullptr);
        TEST_STEP(tap(buttons, (2 * index + 1) / (2.0 * count)));
    }

    std::shared_ptr<Project> storeProject(const QString& name, const QString& folder, const QColor& unit,
                                          int firstId)
    {
        std::shared_ptr<Project> project = page->storeProject(name, folder, {{1, name + " unit", unit}});
        if (!project)
            return project;
        auto locality = test::MapPageStart::storeLocality(*project, firstId, Lon, Lat + 0.01);
        if (!locality)
            return nullptr;
        project->syncDataDetails(locality->addPlane(test::idOf(firstId + 1), Lat, Lon, 30.0f, 120.0f, 1, 1, ""));
        return project;
    }

    // Localities of two planes each, far off the map's view, in one write.
    std::shared_ptr<Project> storeLargeProject(const QString& name, const QString& folder, int localities)
    {
        std::shared_ptr<Project> project = page->storeProject(name, folder, {{1, name + " unit", Red}});
        if (!project)
            return project;
        project->database()->exec("BEGIN");
        for (int n = 0; n < localities; ++n) {
            const int id = 0x10000 + 3 * n;
            auto locality = test::MapPageStart::storeLocality(*project, id, -60.0 + n * 0.01, -30.0);
            if (!locality)
                return nullptr;
            for (int d = 1; d <= 2; ++d)
                project->syncDataDetails(locality->addPlane(test::idOf(id + d), -30.0, -60.0 + n * 0.01,
                                                            10.0f * d, 45.0f * d, 1, 1, ""));
        }
        project->database()->exec("COMMIT");
        return project;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(documents.isValid());
        page = std::make_unique<test::MapPageStart>(documents.path());
        test::resetModelManager();
        QVERIFY(storeProject("Beta", "beta.qz", QColor(0, 0, 255), 0xe0));
        QVERIFY(storeLargeProject("Gamma", "gamma.qz", MergedLocalities));
        std::shared_ptr<Project> alpha = storeProject("Alpha", "alpha.qz", Red, 0xa0);
        QVERIFY(alpha);
        ModelManager::instance()->setCurrentProject(alpha);
        ModelManager::instance()->setCurrentLocality(0);
        alpha.reset();
        test::resetModelManager();
        QVERIFY(page->start(1280, 800));
        QVERIFY(page->lookAt(Lon, Lat, 3000.0));
    }

    // The clino panel saves what the chosen symbol is: a line symbol a
    // lineation, a plane symbol a plane.
    void clinoSavesTheChosenSymbolsKind()
    {
        TEST_STEP(openTool("Clino"));
        // The panel opens in compass mode: its small clino switches over.
        TEST_STEP(tapShown("clinoButton"));
        QTRY_VERIFY(shown("compassButton"));
        QVERIFY(!shown("clinoButton"));

        TEST_STEP(chooseSymbol("Lineation"));
        QCOMPARE(ModelManager::instance()->currentSymbol(), 9);
        QTRY_COMPARE(shownText("pickerName"), QString("Lineation"));
        QCOMPARE(shownText("dipLabel"), QString("plunge"));
        TEST_STEP(type("dipField", "25"));
        TEST_STEP(type("azimuthField", "100"));
        TEST_STEP(tapShown("saveButton"));
        QTRY_COMPARE(storedData(alphaDatabase()).size(), size_t(2));
        const QZProtoBuffers::Data line = storedData(alphaDatabase()).back();
        QCOMPARE(line.datatype(), QZProtoBuffers::Data::LINE);
        QCOMPARE(line.plunge(), 25.0f);
        QCOMPARE(line.plunge_azimuth(), 100.0f);
        QCOMPARE(ModelManager::instance()->currentProject()->symbolType(int(line.symbolid())), Project::Line);
        QCOMPARE(int(Project::Line), 8);

        TEST_STEP(chooseSymbol("Joint"));
        QCOMPARE(shownText("dipLabel"), QString("dip"));
        TEST_STEP(type("dipField", "40"));
        TEST_STEP(type("azimuthField", "200"));
        TEST_STEP(tapShown("saveButton"));
        QTRY_COMPARE(storedData(alphaDatabase()).size(), size_t(3));
        const QZProtoBuffers::Data plane = storedData(alphaDatabase()).back();
        QCOMPARE(plane.datatype(), QZProtoBuffers::Data::PLANE);
        QCOMPARE(plane.dip(), 40.0f);
        QCOMPARE(plane.dip_azimuth(), 200.0f);

        // The strat column names its units in every state and leaves the
        // fields and Save where they were.
        QQuickItem* strat = shown("stratColumn");
        QVERIFY(strat);
        QTRY_COMPARE(shownText("unitNameLabel"), QString("Alpha unit"));
        const QRectF save = shownRect("saveButton");
        QVERIFY(!save.isEmpty());
        TEST_STEP(tap(strat, 0.5, 0.05));
        QTRY_COMPARE(strat->property("state").toString(), QString("EXPANDED"));
        for (const char* state : {"EXPANDED", "EDITING"}) {
            if (QString(state) == "EDITING")
                TEST_STEP(tap(shownWith("label", QString("Edit"), strat)));
            QTRY_COMPARE(strat->property("state").toString(), QString(state));
            QQuickItem* name = nullptr;
            QTRY_VERIFY((name = shown("unitNameField")) != nullptr);
            QCOMPARE(name->property("text").toString(), QString("Alpha unit"));
            const QRectF column = strat->mapRectToScene(strat->boundingRect());
            QVERIFY(column.width() > 2 * strat->property("collapsedWidth").toReal());
            QVERIFY(!column.intersects(save));
            QCOMPARE(shownRect("saveButton"), save);
            QVERIFY(column.contains(name->mapRectToScene(name->boundingRect())));
        }
        TEST_STEP(tap(shownWith("label", QString("Done"), strat)));
        QTRY_COMPARE(strat->property("state").toString(), QString("DEFAULT"));

        TEST_STEP(tapShown("compassButton"));
        QTRY_VERIFY(shown("clinoButton"));
    }

    // The notebook's dial shows a datum turned as it was measured: the
    // strike line of a plane dipping to 120 runs from 30 to 210.
    void notebookDialTurnsWithTheDatum()
    {
        QVERIFY(page->lookAt(Lon, Lat, 3000.0));
        QVERIFY(page->tapOnMap(Lon, Lat));
        QTRY_VERIFY(page->mapView()->pointPicked());
        TEST_STEP(tapShown("infoButton"));
        QQuickItem* dial = nullptr;
        QTRY_VERIFY((dial = shown("dial")) != nullptr);
        QTRY_COMPARE(dial->property("planeSymbolRotation").toDouble(), 120.0);
        QCOMPARE(dial->property("iconColor").value<QColor>(), Red);
        const QPointF centre = dial->mapToScene(QPointF(dial->width() / 2, dial->height() / 2));
        const double reach = dial->width() * 0.22;
        const auto along = [&](double degrees) {
            const double a = qDegreesToRadians(degrees);
            return centre + QPointF(reach * std::sin(a), -reach * std::cos(a));
        };
        QTRY_VERIFY(pixelsLike(page->grab(), test::squareAround(along(30), 3), Red, 60) > 0);
        const QImage shot = page->grab();
        QVERIFY(pixelsLike(shot, test::squareAround(along(210), 3), Red, 60) > 0);
        QCOMPARE(pixelsLike(shot, test::squareAround(along(90), 3), Red, 60), 0);
        QCOMPARE(pixelsLike(shot, test::squareAround(along(270), 3), Red, 60), 0);
    }

    // The project tool merges another project into the current one; the
    // screens refresh once when it ends, each list reset at most once, and
    // nothing is said in the QML log.
    void projectToolMergesTheOtherProject_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<int>("localities");
        QTest::newRow("one locality") << "Beta" << 1;
        QTest::newRow("a few hundred localities") << "Gamma" << MergedLocalities;
    }

    void projectToolMergesTheOtherProject()
    {
        QFETCH(QString, source);
        QFETCH(int, localities);
        const int before = storedLocalities(alphaDatabase());
        const size_t data = storedData(alphaDatabase()).size();
        const std::shared_ptr<Project> project = ModelManager::instance()->currentProject();
        QVERIFY(project);
        // Every list the screens show, made by now or when the stereonet opens.
        QList<QAbstractItemModel*> lists = root()->findChildren<QAbstractItemModel*>();
        lists << project->findChildren<QAbstractItemModel*>();
        std::vector<std::pair<QString, std::unique_ptr<QSignalSpy>>> resets;
        for (QAbstractItemModel* list : lists)
            resets.emplace_back(list->metaObject()->className(),
                                std::make_unique<QSignalSpy>(list, &QAbstractItemModel::modelReset));
        QSignalSpy localityResets(project->localityListModel(), &QAbstractItemModel::modelReset);
        test::recordLogLines();
        test::takeWarnings();
        // The tool stays open after the row before.
        if (!shown("mergeButton"))
            TEST_STEP(openTool("Project"));
        TEST_STEP(tapShown("mergeButton"));
        QQuickItem* row = nullptr;
        QQuickItem* picker = nullptr;
        QTRY_VERIFY((picker = shown("mergePicker")) != nullptr);
        QTRY_VERIFY((row = shownWith("text", source, picker)) != nullptr);
        TEST_STEP(tap(row));
        QTRY_COMPARE(dialogs()->customDialogType(), QString("ImportProjectDialog.qml"));
        QQuickItem* merge = nullptr;
        QTRY_VERIFY((merge = shownWith("text", QString("Merge"))) != nullptr);
        TEST_STEP(tap(merge));
        QTRY_COMPARE_WITH_TIMEOUT(dialogs()->toastMessage(), QString("Import Successful"), 60000);
        QTRY_VERIFY(!dialogs()->customDialogActive());
        QCOMPARE(storedLocalities(alphaDatabase()), before + localities);
        QCOMPARE(storedData(alphaDatabase()).size(), data + 2 * size_t(localities) - (source == "Beta" ? 1 : 0));
        QCOMPARE(project->numberOfLocalities(), before + localities);
        QCOMPARE(localityResets.count(), 1);
        for (const auto& [name, spy] : resets)
            QVERIFY2(spy->count() <= 1, qPrintable(name));
        QStringList qml;
        for (const QString& line : test::takeWarnings()) {
            if (line.contains("qrc:/qml"))
                qml << line;
        }
        QVERIFY2(qml.isEmpty(), qPrintable(qml.join('\n')));
        QQuickItem* done = nullptr;
        QTRY_VERIFY((done = shownWith("label", QString("Done"), picker)) != nullptr);
        TEST_STEP(tap(done));
        QTRY_VERIFY(!shown("mergePicker"));
    }

    // Home and back: the closed project's card is current, settings take
    // effect, a new project opens on the map, "Load Project" reopens the first.
    // An altitude typed before, its field still focused, is the one held.
    void homeSettingsAndSwitching()
    {
        const uint alphaId = ModelManager::instance()->currentProject()->qmlId();
        auto* manager = page->application();
        test::ScriptedLocationManager location;
        manager->setSensors(&location, manager->compassClino());
        const auto restore = qScopeGuard([&] { manager->setSensors(nullptr, manager->compassClino()); });
        location.setLastKnownCoordinate(QPointF(Lon, Lat));
        location.setAltitude(3333.0);
        QVERIFY(screen().type("altitudeInput", "5555", false));
        QCOMPARE(location.altitude(), 3333.0);
        TEST_STEP(widenToolBar());
        TEST_STEP(tapShown("projectsButton"));
        QQuickItem* grid = nullptr;
        QTRY_VERIFY_WITH_TIMEOUT((grid = shown("projectGrid")) != nullptr, 10000);
        QCOMPARE(root()->property("closedProjectId").toUInt(), alphaId);
        QTRY_VERIFY(grid->property("currentItem").value<QQuickItem*>());
        QCOMPARE(grid->property("currentItem").value<QQuickItem*>()->property("cardName").toString(),
                 QString("Alpha"));
        QVERIFY(!ModelManager::instance()->currentProject());

        TEST_STEP(tapShown("settingsButton"));
        QTRY_COMPARE(dialogs()->customDialogType(), QString("SettingsDialog.qml"));
        TEST_STEP(segment("angles", 1, 2));
        TEST_STEP(tapShown("dialogDoneButton"));
        QTRY_VERIFY(!dialogs()->customDialogActive());
        QCOMPARE(int(page->application()->angleConvention()), 1);

        TEST_STEP(tapShown("createButton"));
        QTRY_VERIFY_WITH_TIMEOUT(shown("mapView") && ModelManager::instance()->currentProject(), 20000);
        QVERIFY(ModelManager::instance()->currentProject()->qmlId() != alphaId);
        // Its empty strat column says what its "+" is for.
        TEST_STEP(openTool("Clino"));
        QTRY_COMPARE(shownText("emptyHint"), QString("Add a rock unit"));

        TEST_STEP(widenToolBar());
        TEST_STEP(tapShown("projectsButton"));
        QTRY_VERIFY_WITH_TIMEOUT(shown("projectGrid"), 10000);
        QQuickItem* card = nullptr;
        QTRY_VERIFY((card = shownWith("cardName", QString("Alpha"))) != nullptr);
        // A tap makes the card current; only the current card can be loaded.
        TEST_STEP(tap(card));
        QQuickItem* load = card->findChild<QQuickItem*>("loadButton");
        QVERIFY(load);
        QTRY_VERIFY(load->isVisible());
        TEST_STEP(tap(load));
        QTRY_VERIFY_WITH_TIMEOUT(ModelManager::instance()->currentProject()
                                     && ModelManager::instance()->currentProject()->qmlId() == alphaId,
                                 20000);
        QTRY_VERIFY_WITH_TIMEOUT(shown("mapView"), 20000);
        QCOMPARE(location.altitude(), 5555.0);
        QQuickItem* altitude = nullptr;
        QTRY_VERIFY((altitude = shown("altitudeInput")) != nullptr);
        QCOMPARE(altitude->property("text").toString(), QString("5555"));

        // Under the right-hand rule the clino panel asks for a strike.
        TEST_STEP(openTool("Clino"));
        TEST_STEP(tapShown("clinoButton"));
        QTRY_COMPARE(shownText("azimuthLabel"), QString("strike"));
    }
};

int main(int argc, char* argv[])
{
    // As the program runs on Linux: the map draws on the GUI thread.
    qputenv("QSG_RENDER_LOOP", "basic");
    QGuiApplication application(argc, argv);
    TestScenario test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_scenario_gl.moc"
