#include <QtTest>

#include "Database/SQLiteDatabase.h"
#include "model/Data.h"
#include "model/LineData2D.h"
#include "model/Locality.h"
#include "model/ModelManager.h"
#include "model/Project.h"
#include "support/ApplicationIdentity.h"
#include "support/ProjectFixture.h"

#include <memory>

using namespace kiv;
using kiv::test::idOf;
using kiv::test::resetModelManager;

namespace {

void writeFile(const QString& path, int bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(bytes, 'x'));
}

} // namespace

class TestProject : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::shared_ptr<Project> m_project;

    QDir folder() const { return QDir(m_dir->path()); }

    // A stored locality with the given time stamp.
    std::shared_ptr<Locality> addStoredLocality(int n, qint64 stamp)
    {
        auto locality = std::make_shared<Locality>(m_project->projectId(), idOf(n));
        locality->setTimeStamp(stamp);
        m_project->addLocality(locality);
        m_project->syncLocalityDetails(locality.get());
        return locality;
    }

private slots:
    void initTestCase() { test::setApplicationIdentity(); }

    void init()
    {
        resetModelManager();
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        m_project = ModelManager::instance()->createProject(QStringLiteral("P"), folder());
        QVERIFY(m_project);
    }

    void cleanup()
    {
        m_project.reset();
        resetModelManager();
    }

    void localityNames_data()
    {
        QTest::addColumn<QString>("baseName");
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("expected");
        QTest::newRow("default") << "Locality #" << 3 << "Locality 3";
        QTest::newRow("twice") << "Site #-#" << 12 << "Site 12-12";
        QTest::newRow("no hash") << "Stop" << 4 << "Stop";
    }

    void localityNames()
    {
        QFETCH(QString, baseName);
        QFETCH(int, number);
        QFETCH(QString, expected);
        m_project->setLocalityBaseName(baseName);
        QCOMPARE(m_project->localityName(number), expected);
    }

    void unitLookUps_data()
    {
        QTest::addColumn<int>("id");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("colour");
        QTest::addColumn<int>("type");
        QTest::addColumn<bool>("has");
        QTest::newRow("no unit") << 0 << "No unit" << "#000000" << 0 << false;
        QTest::newRow("line without unit") << -1 << "No unit" << "#000000" << 0 << false;
        QTest::newRow("removed") << 7 << "Unit removed (7)" << "#000000" << 0 << false;
        QTest::newRow("known") << 3 << "Granite" << "#ff0000" << 2 << true;
    }

    void unitLookUps()
    {
        QFETCH(int, id);
        QFETCH(QString, name);
        QFETCH(QString, colour);
        QFETCH(int, type);
        QFETCH(bool, has);
        m_project->addRockUnit(3, QStringLiteral("Granite"), QColor(Qt::red), 2);
        QCOMPARE(m_project->unitName(id), name);
        QCOMPARE(m_project->unitColor(id).name(), colour);
        QCOMPARE(m_project->unitType(id), type);
        QCOMPARE(m_project->unitField(id), type);
        QCOMPARE(m_project->hasRockUnit(id), has);
    }

    void nextUnitIdPassesEveryUnit_data()
    {
        QTest::addColumn<QList<int>>("units");
        QTest::addColumn<int>("expected");
        QTest::newRow("none") << QList<int>{} << 1;
        QTest::newRow("only unit 1") << QList<int>{1} << 2;
        QTest::newRow("ascending") << QList<int>{1, 2} << 3;
        QTest::newRow("out of order") << QList<int>{8, 2} << 9;
    }

    void nextUnitIdPassesEveryUnit()
    {
        QFETCH(QList<int>, units);
        QFETCH(int, expected);
        for (int id : units)
            m_project->addRockUnit(id, QStringLiteral("U"), QColor(Qt::red), 0);
        QCOMPARE(m_project->nextUnitId(), expected);
        // Below the next id nothing changes and the id comes back.
        QCOMPARE(m_project->updateNextUnitId(expected - 1), expected - 1);
        QCOMPARE(m_project->nextUnitId(), expected);
        QCOMPARE(m_project->updateNextUnitId(expected + 4), expected + 5);
        QCOMPARE(m_project->nextUnitId(), expected + 5);
    }

    void defaultSymbols()
    {
        const auto& symbols = m_project->symbols();
        QCOMPARE(int(symbols.size()), 16);
        QList<int> locked;
        for (std::size_t i = 0; i < symbols.size(); ++i) {
            QCOMPARE(symbols[i].id, int(i));
            if (symbols[i].locked)
                locked << symbols[i].id;
        }
        QCOMPARE(locked, (QList<int>{0, 1, 9, 15}));
        QCOMPARE(m_project->getDefaultSightingId(), 15);
        QVERIFY(!m_project->symbolIsPlane(9));
        // Unknown symbols answer the fallbacks.
        QVERIFY(m_project->symbolIsPlane(99));
        QCOMPARE(m_project->symbolName(99), QString());
        // The symbols are in the row written at creation.
        m_project->save();
        Project reopened(ProjectId(77), nullptr, folder());
        QCOMPARE(int(reopened.symbols().size()), 16);
        QCOMPARE(reopened.symbolName(15), QStringLiteral("Bearing"));
    }


    void localityWithoutColourGetsGrey()
    {
        auto plain = m_project->createLocality(idOf(1));
        QCOMPARE(plain->colour(), QColor(QStringLiteral("#555555")));
        auto coloured = std::make_shared<Locality>(m_project->projectId(), idOf(2));
        coloured->setColour(Qt::green);
        m_project->addLocality(coloured);
        QCOMPARE(coloured->colour(), QColor(Qt::green));
    }

    void removingALocality_data()
    {
        QTest::addColumn<QList<int>>("stored"); // time stamp n * 100 each
        QTest::addColumn<int>("removed");
        QTest::addColumn<int>("current");
        QTest::addColumn<int>("expectedCurrent"); // 0: none
        QTest::newRow("current newest") << QList<int>{1, 3, 2} << 3 << 3 << 2;
        QTest::newRow("current oldest") << QList<int>{1, 3, 2} << 1 << 1 << 3;
        QTest::newRow("other") << QList<int>{1, 3, 2} << 2 << 3 << 3;
        QTest::newRow("the last one") << QList<int>{1} << 1 << 1 << 0;
    }

    void removingALocality()
    {
        QFETCH(QList<int>, stored);
        QFETCH(int, removed);
        QFETCH(int, current);
        QFETCH(int, expectedCurrent);
        ModelManager* manager = ModelManager::instance();
        QSignalSpy counted(m_project.get(), &Project::numberOfLocalitiesChanged);
        for (int n : stored)
            addStoredLocality(n, n * 100);
        QCOMPARE(counted.count(), stored.size());
        QCOMPARE(counted.last().at(0).toInt(), stored.size());
        counted.clear();
        manager->setCurrentLocality(m_project->locality(idOf(current)));
        QSignalSpy changed(manager, &ModelManager::currentLocalityChanged);
        QVERIFY(m_project->removeLocality(idOf(removed)));
        QCOMPARE(m_project->numberOfLocalities(), stored.size() - 1);
        QCOMPARE(counted.count(), 1);
        QCOMPARE(changed.count(), removed == current ? 1 : 0);
        if (expectedCurrent) {
            QCOMPARE(manager->currentLocality()->id(), idOf(expectedCurrent));
            QCOMPARE(QSettings().value("currentLocality").toString().toStdString(), idOf(expectedCurrent));
        } else {
            QVERIFY(!manager->currentLocality());
            QVERIFY(!QSettings().contains("currentLocality"));
        }
        QVERIFY(!m_project->removeLocality(idOf(removed)));
    }

    void baseMapMoves_data()
    {
        QTest::addColumn<QString>("operation");
        QTest::addColumn<int>("a");
        QTest::addColumn<int>("b");
        QTest::addColumn<QString>("expected");
        QTest::newRow("move front to back") << "move" << 0 << 2 << "BCA";
        QTest::newRow("move back to front") << "move" << 2 << 0 << "CAB";
        QTest::newRow("move in place") << "move" << 1 << 1 << "ABC";
        QTest::newRow("move from past end") << "move" << 3 << 0 << "ABC";
        QTest::newRow("move to past end") << "move" << 0 << 3 << "ABC";
        QTest::newRow("move negative") << "move" << -1 << 0 << "ABC";
        QTest::newRow("remove middle") << "remove" << 1 << 0 << "AC";
        QTest::newRow("remove past end") << "remove" << 3 << 0 << "ABC";
        QTest::newRow("remove negative") << "remove" << -1 << 0 << "ABC";
    }

    void baseMapMoves()
    {
        QFETCH(QString, operation);
        QFETCH(int, a);
        QFETCH(int, b);
        QFETCH(QString, expected);
        for (const char* name : {"A", "B", "C"})
            m_project->addBaseMap("GeoTiff", name, QUrl(), true, 1.0, QRectF());
        if (operation == "move")
            m_project->moveBaseMap(a, b);
        else
            m_project->removeBaseMap(a);
        QString order;
        for (const auto& map : m_project->baseMaps())
            order += map.name;
        QCOMPARE(order, expected);
    }


    void timeString()
    {
        // Tests run with TZ=UTC.
        m_project->setTimeStamp(86400 * 3 + 3600 * 13 + 60 * 7);
        QCOMPARE(m_project->timeString(), QStringLiteral("Sun 4 Jan 1970 13:07"));
    }

    // Localities read only for the count are dropped again; content that
    // was loaded before stays.
    void projectSize()
    {
        auto loaded = addStoredLocality(1, 100);
        auto image = loaded->addImage(idOf(2), 0, 0, 0, QStringLiteral("a.jpg"), QString(), QString(), QString());
        QVERIFY(m_project->syncDataDetails(image));
        auto unloaded = addStoredLocality(3, 200);
        QVERIFY(m_project->syncDataDetails(Data::createAnnotation(idOf(4), unloaded->id(), 0, 0, "m")));
        writeFile(folder().absoluteFilePath(QStringLiteral("images/a.jpg")), 1000);
        writeFile(folder().absoluteFilePath(QStringLiteral("map.tif")), 300);
        m_project->addBaseMap("GeoTiff", "Map", QUrl::fromLocalFile(folder().absoluteFilePath("map.tif")), true, 1.0,
                              QRectF());
        m_project->addBaseMap("XYZ", "Online", QUrl("https://tiles.example/"), true, 1.0, QRectF());
        const qulonglong database = qulonglong(QFileInfo(folder().absoluteFilePath("main.db")).size());
        QCOMPARE(m_project->projectSize(), database + 1000 + 300);
        QCOMPARE(m_project->numberOfLocalities(), 2);
        QCOMPARE(int(loaded->data().size()), 1);
        QVERIFY(unloaded->data().empty());

        m_project->clearLocalities();
        QCOMPARE(m_project->projectSize(), database + 1000 + 300);
        QCOMPARE(m_project->numberOfLocalities(), 0);
    }

    void unreadableProjectTableClosesTheProject()
    {
        QTemporaryDir dir;
        {
            SQLiteDatabase db;
            QVERIFY(db.open(QDir(dir.path()).absoluteFilePath("main.db").toStdString()));
            db.exec("CREATE TABLE project (something TEXT)");
        }
        Project project(ProjectId(5), nullptr, QDir(dir.path()));
        QVERIFY(!project.isOpen());
    }
};

QTEST_GUILESS_MAIN(TestProject)
#include "tst_project.moc"
