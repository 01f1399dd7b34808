#include "Database/Quarzel.pb.h"
#include "map/MapViewController.h"
#include "model/Locality.h"
#include "model/ModelManager.h"
#include "model/Project.h"
#include "support/ProjectFixture.h"
#include "support/ScriptedLocationManager.h"
#include "tools/ViewTool.h"

#include <QtTest>

using namespace kiv;

// The tool base on a project in a temporary folder, and the view tool's
// forwarding.
class TestToolBase : public QObject
{
    Q_OBJECT

    std::unique_ptr<test::ProjectFixture> fixture;
    std::unique_ptr<QTemporaryDir> folder;
    std::shared_ptr<Project> empty;

    static test::DocumentsApplication* app()
    {
        return static_cast<test::DocumentsApplication*>(ApplicationManager::instance());
    }

    QZProtoBuffers::Locality storedLocality() const
    {
        const auto rows = test::tableMessages(empty->folder().absoluteFilePath(QStringLiteral("main.db")),
                                              "localities");
        QZProtoBuffers::Locality record;
        if (rows.size() == 1)
            record.ParseFromString(rows.front());
        return record;
    }

private slots:
    void init()
    {
        folder = std::make_unique<QTemporaryDir>();
        fixture = std::make_unique<test::ProjectFixture>();
        QVERIFY(fixture->isValid());
        empty = test::makeCurrentEmptyProject(folder->path());
        QVERIFY(empty);
        QVERIFY(!ModelManager::instance()->currentLocality());
    }

    void cleanup()
    {
        app()->setSensors(nullptr, nullptr);
        empty.reset();
        fixture.reset();
        folder.reset();
    }

    void activationMakesTheToolCurrent()
    {
        ViewTool tool;
        QSignalSpy changes(&tool, &Tool::activeChanged);
        tool.setActive(true);
        tool.setActive(true);
        QCOMPARE(changes.count(), 1);
        QCOMPARE(changes.at(0).at(0).toBool(), true);
        QCOMPARE(app()->currentTool(), &tool);
        tool.setActive(false);
        QCOMPARE(app()->currentTool(), nullptr);
    }

    void deletingTheCurrentToolClearsIt()
    {
        ViewTool other;
        auto* tool = new ViewTool;
        tool->setActive(true);
        delete tool;
        QCOMPARE(app()->currentTool(), nullptr);
        // Another tool's destruction leaves the current one alone.
        other.setActive(true);
        delete new ViewTool;
        QCOMPARE(app()->currentTool(), &other);
    }

    void ensureLocalityMakesOneLocality_data()
    {
        QTest::addColumn<bool>("withManager");
        QTest::addColumn<bool>("gps");
        QTest::addColumn<double>("altitude");
        QTest::addColumn<double>("horizontal");
        QTest::addColumn<double>("vertical");
        QTest::newRow("placed by hand") << true << false << 123.0 << 0.0 << 0.0;
        QTest::newRow("gps") << true << true << 123.0 << 5.0 << 8.0;
        QTest::newRow("gps without a manager") << false << true << 0.0 << -1.0 << -1.0;
        QTest::newRow("by hand without a manager") << false << false << 0.0 << 0.0 << 0.0;
    }

    void ensureLocalityMakesOneLocality()
    {
        QFETCH(bool, withManager);
        QFETCH(bool, gps);
        QFETCH(double, altitude);
        QFETCH(double, horizontal);
        QFETCH(double, vertical);
        if (withManager) {
            auto* location = new test::ScriptedLocationManager(app());
            location->setAltitude(123.0);
            location->setHorizontalAccuracy(5.0);
            location->setVerticalAccuracy(8.0);
            app()->setSensors(location, nullptr);
        }
        QVERIFY(Tool::ensureLocality(7.0, 46.0, gps));
        QVERIFY(Tool::ensureLocality(8.0, 47.0, gps));
        QCOMPARE(empty->localities().size(), size_t(1));
        QCOMPARE(ModelManager::instance()->currentLocality(), empty->localities().front());
        const QZProtoBuffers::Locality stored = storedLocality();
        QCOMPARE(QString::fromStdString(stored.name()), QStringLiteral("Locality 1"));
        QCOMPARE(stored.position().latitude(), 46.0);
        QCOMPARE(stored.position().longitude(), 7.0);
        QCOMPARE(stored.position().altitude(), altitude);
        QCOMPARE(stored.position().horizontalaccuracy(), horizontal);
        QCOMPARE(stored.position().verticalaccuracy(), vertical);
    }

    void ensureLocalityTakesTheNewestLocality()
    {
        ModelManager::instance()->setCurrentProject(fixture->project);
        fixture->addLocality(test::idOf(0xb2), 2000);
        ModelManager::instance()->setCurrentLocality(nullptr);
        const size_t before = fixture->project->localities().size();
        QVERIFY(Tool::ensureLocality(7.0, 46.0, false));
        QCOMPARE(fixture->project->localities().size(), before);
        QCOMPARE(ModelManager::instance()->currentLocality(), fixture->project->localities().front());
    }

    void viewToolForwardsOnlyWithAMap()
    {
        ViewTool tool;
        const auto answers = [&tool] {
            return QVector<bool>{tool.mousePressed(1, 2, Qt::LeftButton),
                               tool.mouseMoved(3, 4, Qt::LeftButton),
                               tool.mouseReleased(3, 4, Qt::LeftButton, false),
                               tool.mouseDoubleClicked(3, 4, Qt::LeftButton),
                               tool.mouseWheelSpun(3, 4, QPointF(0, 120), QPointF()),
                               tool.pinchStarted(QPointF(5, 5)),
                               tool.pinchUpdated(QPointF(5, 5), 1.5f),
                               tool.pinchEnded()};
        };
        QCOMPARE(answers(), QVector<bool>(8, false));
        QVERIFY(!tool.mousePressAndHold(3, 4, Qt::LeftButton));

        MapViewController map;
        QSignalSpy mapChanges(&tool, &Tool::mapViewChanged);
        tool.setMapView(&map);
        tool.setMapView(&map);
        QCOMPARE(mapChanges.count(), 1);
        QCOMPARE(tool.mapView(), &map);
        QCOMPARE(answers(), QVector<bool>(8, true));
        // Press-and-hold stays the base's: it falls through to later tools.
        QVERIFY(!tool.mousePressAndHold(3, 4, Qt::LeftButton));
        QObject notAMap;
        tool.setMapView(&notAMap);
        QCOMPARE(tool.mapView(), nullptr);
    }
};

QTEST_MAIN(TestToolBase)

#include "tst_toolbase.moc"
