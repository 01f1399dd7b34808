#include "Database/Quarzel.pb.h"
#include "map/MapViewController.h"
#include "model/ModelManager.h"
#include "model/Project.h"
#include "support/ProjectFixture.h"
#include "support/ScriptedLocationManager.h"
#include "tools/ClinoTool.h"
#include "tools/CompassTool.h"

#include <QtTest>

using namespace kiv;

namespace {
const QPointF Here(7.0, 46.0);
const QPointF Nowhere(999.0, 999.0);
constexpr int PlaneSymbol = 1;
constexpr int LineSymbol = 9;
constexpr int SightingSymbol = 15;
constexpr int Unit = 3;
} // namespace

// Saves of the clino and compass tools, read back from the project's main.db.
class TestClinoTool : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> folder;
    std::unique_ptr<test::ProjectFixture> fixture;
    std::shared_ptr<Project> empty;
    test::ScriptedLocationManager* location = nullptr;

    static test::DocumentsApplication* app()
    {
        return static_cast<test::DocumentsApplication*>(ApplicationManager::instance());
    }

    QString database() const { return empty->folder().absoluteFilePath(QStringLiteral("main.db")); }
    size_t rows(const char* table) const { return test::tableMessages(database(), table).size(); }

    QZProtoBuffers::Data onlyDatum() const
    {
        const auto stored = test::tableMessages(database(), "data");
        QZProtoBuffers::Data record;
        if (stored.size() == 1)
            record.ParseFromString(stored.front());
        return record;
    }

    static void use(int unit, int symbol)
    {
        ModelManager::instance()->setCurrentRockUnit(unit);
        ModelManager::instance()->setCurrentSymbol(symbol);
    }

    // The message of the clino tool's one answer; "" for success.
    static QString answer(QSignalSpy& spy)
    {
        if (spy.count() != 1)
            return QStringLiteral("%1 answers").arg(spy.count());
        return spy.at(0).at(0).toBool() ? QString() : spy.at(0).at(1).toString();
    }

    static QSignalSpy* answers(ClinoTool& tool)
    {
        return new QSignalSpy(&tool, QOverload<bool, QString>::of(&ClinoTool::saveSuccessful));
    }

private slots:
    void init()
    {
        folder = std::make_unique<QTemporaryDir>();
        fixture = std::make_unique<test::ProjectFixture>();
        QVERIFY(fixture->isValid());
        location = new test::ScriptedLocationManager(app());
        location->setAltitude(123.0);
        location->setHorizontalAccuracy(5.0);
        location->setVerticalAccuracy(8.0);
        app()->setSensors(location, nullptr);
        empty = test::makeCurrentEmptyProject(folder->path());
        QVERIFY(empty);
        use(Unit, PlaneSymbol);
    }

    void cleanup()
    {
        app()->setSensors(nullptr, nullptr);
        empty.reset();
        fixture.reset();
        folder.reset();
    }

    void orientationRefusals_data()
    {
        QTest::addColumn<QString>("dip");
        QTest::addColumn<QString>("azimuth");
        QTest::addColumn<QPointF>("position");
        QTest::addColumn<int>("unit");
        QTest::addColumn<int>("symbol");
        QTest::addColumn<QString>("message");
        const QString orientation = QStringLiteral("Save failed: invalid orientation");
        QTest::newRow("letters, nowhere") << "abc" << "120" << Nowhere << Unit << PlaneSymbol << orientation;
        QTest::newRow("nan dip") << "nan" << "120" << Here << Unit << PlaneSymbol << orientation;
        QTest::newRow("infinite azimuth") << "30" << "inf" << Here << Unit << PlaneSymbol << orientation;
        QTest::newRow("dip above 90") << "95" << "120" << Here << Unit << PlaneSymbol << orientation;
        QTest::newRow("negative dip") << "-0.5" << "120" << Here << Unit << PlaneSymbol << orientation;
        QTest::newRow("nowhere") << "30" << "120" << Nowhere << Unit << PlaneSymbol
                                 << "Save failed: invalid location";
        QTest::newRow("no unit") << "30" << "120" << Here << -1 << PlaneSymbol << "Save failed: invalid horizon";
        QTest::newRow("sighting symbol") << "30" << "120" << Here << Unit << SightingSymbol
                                         << "Save failed: invalid symbol";
    }

    void orientationRefusals()
    {
        QFETCH(QString, dip);
        QFETCH(QString, azimuth);
        QFETCH(QPointF, position);
        QFETCH(int, unit);
        QFETCH(int, symbol);
        QFETCH(QString, message);
        use(unit, symbol);
        ClinoTool tool;
        std::unique_ptr<QSignalSpy> spy(answers(tool));
        tool.saveOrientation(dip, azimuth, QString(), position, false);
        QCOMPARE(answer(*spy), message);
        QVERIFY(empty->localities().empty());
        QCOMPARE(rows("localities"), size_t(0));
        QCOMPARE(rows("data"), size_t(0));
    }

    void orientationSaves_data()
    {
        QTest::addColumn<int>("symbol");
        QTest::addColumn<QString>("dip");
        QTest::addColumn<QString>("azimuth");
        QTest::addColumn<float>("storedAzimuth");
        QTest::newRow("plane") << PlaneSymbol << "30" << "120" << 120.0f;
        QTest::newRow("plane, azimuth 400") << PlaneSymbol << "30" << "400" << 40.0f;
        QTest::newRow("plane, azimuth 360") << PlaneSymbol << "0" << "360" << 0.0f;
        QTest::newRow("line, dip 90, azimuth -10") << LineSymbol << "90" << "-10" << 350.0f;
    }

    void orientationSaves()
    {
        QFETCH(int, symbol);
        QFETCH(QString, dip);
        QFETCH(QString, azimuth);
        QFETCH(float, storedAzimuth);
        use(Unit, symbol);
        ClinoTool tool;
        std::unique_ptr<QSignalSpy> spy(answers(tool));
        tool.saveOrientation(dip, azimuth, QStringLiteral("note"), Here, false);
        QCOMPARE(answer(*spy), QString());
        QCOMPARE(rows("localities"), size_t(1));
        const QZProtoBuffers::Data datum = onlyDatum();
        const bool plane = symbol == PlaneSymbol;
        QCOMPARE(datum.datatype(), plane ? QZProtoBuffers::Data::PLANE : QZProtoBuffers::Data::LINE);
        QCOMPARE(plane ? datum.dip() : datum.plunge(), dip.toFloat());
        QCOMPARE(plane ? datum.dip_azimuth() : datum.plunge_azimuth(), storedAzimuth);
        QCOMPARE(int(datum.unitid()), Unit);
        QCOMPARE(int(datum.symbolid()), symbol);
        QCOMPARE(datum.position().latitude(), 46.0);
        QCOMPARE(datum.position().longitude(), 7.0);
        QCOMPARE(QString::fromStdString(datum.comment()), QStringLiteral("note"));
    }

    void sightings_data()
    {
        QTest::addColumn<QString>("heading");
        QTest::addColumn<bool>("withUnit");
        QTest::addColumn<int>("unit");
        QTest::addColumn<bool>("gps");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("storedUnit");
        QTest::newRow("no unit wanted, none current") << "45" << false << -1 << false << "" << 0;
        QTest::newRow("unit wanted") << "45" << true << Unit << false << "" << Unit;
        QTest::newRow("gps") << "45" << false << Unit << true << "" << 0;
        QTest::newRow("unit wanted, none current") << "45" << true << -1 << false
                                                   << "Save failed: invalid horizon" << 0;
        QTest::newRow("letters") << "abc" << false << Unit << false << "Save failed: invalid heading" << 0;
    }

    void sightings()
    {
        QFETCH(QString, heading);
        QFETCH(bool, withUnit);
        QFETCH(int, unit);
        QFETCH(bool, gps);
        QFETCH(QString, message);
        QFETCH(int, storedUnit);
        use(unit, PlaneSymbol);
        ClinoTool tool;
        std::unique_ptr<QSignalSpy> spy(answers(tool));
        tool.saveSighting(heading, QString(), withUnit, Here, gps);
        QCOMPARE(answer(*spy), message);
        QCOMPARE(rows("data"), size_t(message.isEmpty() ? 1 : 0));
        if (!message.isEmpty())
            return;
        const QZProtoBuffers::Data datum = onlyDatum();
        QCOMPARE(datum.datatype(), QZProtoBuffers::Data::SIGHTING);
        QCOMPARE(int(datum.unitid()), storedUnit);
        QCOMPARE(datum.dip_azimuth(), 45.0f);
        // A hand-placed position is exact; the altitude is the manager's either way.
        QCOMPARE(datum.position().altitude(), 123.0);
        QCOMPARE(datum.position().horizontalaccuracy(), gps ? 5.0 : 0.0);
        QCOMPARE(datum.position().verticalaccuracy(), gps ? 8.0 : 0.0);
    }

    void compassSaves_data()
    {
        QTest::addColumn<QString>("heading");
        QTest::addColumn<QPointF>("position");
        QTest::addColumn<bool>("withUnit");
        QTest::addColumn<QString>("warning");
        QTest::newRow("saved") << "400" << Here << false << "";
        QTest::newRow("letters") << "abc" << Here << false << "Data parse error!";
        QTest::newRow("nowhere") << "45" << Nowhere << false << "Invalid location!";
        QTest::newRow("unit wanted, none current") << "45" << Here << true << "Save failed: invalid horizon";
    }

    void compassSaves()
    {
        QFETCH(QString, heading);
        QFETCH(QPointF, position);
        QFETCH(bool, withUnit);
        QFETCH(QString, warning);
        use(-1, PlaneSymbol);
        CompassTool tool;
        if (!warning.isEmpty())
            QTest::ignoreMessage(QtWarningMsg, qPrintable(warning));
        QCOMPARE(tool.save(heading, QString(), withUnit, position, false), warning.isEmpty());
        QCOMPARE(rows("data"), size_t(warning.isEmpty() ? 1 : 0));
        if (warning.isEmpty())
            QCOMPARE(onlyDatum().dip_azimuth(), 40.0f);
    }

    void saveShowsTheData_data()
    {
        QTest::addColumn<int>("filter");
        QTest::addColumn<int>("after");
        QTest::newRow("lines") << int(MapViewController::FilterLines) << int(MapViewController::FilterAll);
        QTest::newRow("annotations") << int(MapViewController::FilterAnnotations) << int(MapViewController::FilterAll);
        QTest::newRow("data") << int(MapViewController::FilterData) << int(MapViewController::FilterData);
        QTest::newRow("all") << int(MapViewController::FilterAll) << int(MapViewController::FilterAll);
    }

    void saveShowsTheData()
    {
        QFETCH(int, filter);
        QFETCH(int, after);
        // No probe leaves the machine.
        app()->countOnlineCalls = true;
        MapViewController map;
        map.viewDidLoad();
        map.setViewFilter(MapViewController::ViewFilter(filter));
        QCOMPARE(int(map.viewFilter()), filter);
        ClinoTool tool;
        tool.setMapView(&map);
        tool.saveSighting(QStringLiteral("45"), QString(), false, Here, false);
        QCOMPARE(int(map.viewFilter()), after);
        map.setViewFilter(MapViewController::ViewFilter(filter));
        tool.saveOrientation(QStringLiteral("30"), QStringLiteral("120"), QString(), Here, false);
        QCOMPARE(int(map.viewFilter()), after);
        QCOMPARE(rows("data"), size_t(2));
    }

    void longPress_data()
    {
        QTest::addColumn<bool>("active");
        QTest::addColumn<QPointF>("hold");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("10 pixels away") << true << QPointF(10, 0) << true;
        QTest::newRow("10.5 pixels away") << true << QPointF(10.5, 0) << false;
        QTest::newRow("inactive") << false << QPointF(0, 0) << false;
    }

    void longPress()
    {
        QFETCH(bool, active);
        QFETCH(QPointF, hold);
        QFETCH(bool, accepted);
        ClinoTool clino;
        CompassTool compass;
        QSignalSpy clinoPresses(&clino, &ClinoTool::longPress);
        QSignalSpy compassPresses(&compass, &CompassTool::longPress);
        clino.setActive(active);
        compass.setActive(active);
        // The press goes on to the other tools.
        QVERIFY(!clino.mousePressed(0, 0, Qt::LeftButton));
        QVERIFY(!compass.mousePressed(0, 0, Qt::LeftButton));
        QCOMPARE(clino.mousePressAndHold(hold.x(), hold.y(), Qt::LeftButton), accepted);
        QCOMPARE(compass.mousePressAndHold(hold.x(), hold.y(), Qt::LeftButton), accepted);
        QCOMPARE(clinoPresses.count(), accepted ? 1 : 0);
        QCOMPARE(compassPresses.count(), accepted ? 1 : 0);
        if (accepted)
            QCOMPARE(clinoPresses.at(0).at(0).toPointF(), hold);
    }

    void lockedDatabaseSavesNothing_data()
    {
        QTest::addColumn<bool>("withLocality");
        QTest::newRow("locality to make") << false;
        QTest::newRow("current locality") << true;
    }

    void lockedDatabaseSavesNothing()
    {
        QFETCH(bool, withLocality);
        if (withLocality) {
            empty = fixture->project;
            ModelManager::instance()->setCurrentProject(empty);
            use(Unit, PlaneSymbol);
        }
        const size_t localities = rows("localities");
        const size_t data = rows("data");
        auto lock = std::make_unique<test::DatabaseLock>(database(), QStringLiteral("EXCLUSIVE"));
        QVERIFY(lock->isLocked());
        ClinoTool clino;
        std::unique_ptr<QSignalSpy> spy(answers(clino));
        clino.saveOrientation(QStringLiteral("30"), QStringLiteral("120"), QString(), Here, false);
        clino.saveSighting(QStringLiteral("45"), QString(), false, Here, false);
        QCOMPARE(spy->count(), 2);
        for (const QList<QVariant>& result : *spy) {
            QCOMPARE(result.at(0).toBool(), false);
            QCOMPARE(result.at(1).toString(), QStringLiteral("Could not save data."));
        }
        CompassTool compass;
        QTest::ignoreMessage(QtWarningMsg, "Could not save data.");
        QVERIFY(!compass.save(QStringLiteral("45"), QString(), false, Here, false));
        lock.reset();
        QCOMPARE(rows("localities"), localities);
        QCOMPARE(rows("data"), data);
    }
};

QTEST_MAIN(TestClinoTool)

#include "tst_clinotool.moc"
