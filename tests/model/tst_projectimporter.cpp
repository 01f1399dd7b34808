#include "Database/ObjectTaskRunner.h"
#include "model/Data.h"
#include "model/ImporterTask.h"
#include "model/LineData2D.h"
#include "model/Locality.h"
#include "model/MergeJournal.h"
#include "model/ModelManager.h"
#include "model/Project.h"
#include "model/ProjectImporter.h"
#include "model/ProjectListModel.h"
#include "model/StratColumnModel.h"
#include "Database/SQLiteDatabase.h"
#include "support/FileSizeLimit.h"
#include "support/ProjectFixture.h"

#include <QtTest>

using namespace kiv;
using kiv::test::idOf;

namespace {

void touch(const QString& path)
{
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write("x");
}

// Records progress, cancels at one report and ends a file size limit at one.
class ProbeImporter : public ProjectImporter
{
public:
    using ProjectImporter::ProjectImporter;
    bool reportProgress(int percent) override
    {
        reports << percent;
        if (reports.size() == liftAt)
            limit.reset();
        return reports.size() == cancelAt;
    }
    // "taken": a file of the user's takes the name just before the move;
    // "unnoted": the journal cannot note the move.
    bool placeCopy(const QString& part, const QString& destination) override
    {
        std::unique_ptr<test::FileSizeLimit> full;
        if (blockPlacing == "taken") {
            touch(destination);
            taken << destination;
        } else if (blockPlacing == "unnoted") {
            const QFileInfoList journals = targetFolder.entryInfoList({".merge-*.journal"}, QDir::Files | QDir::Hidden);
            if (journals.size() == 1)
                full = std::make_unique<test::FileSizeLimit>(journals.first().size());
        }
        return ProjectImporter::placeCopy(part, destination);
    }
    QString blockPlacing;
    QDir targetFolder;
    QStringList taken;
    QList<int> reports;
    int cancelAt = -1;
    std::unique_ptr<test::FileSizeLimit> limit;
    int liftAt = -1;
};

QByteArray dump(const QString& database)
{
    QProcess process;
    process.start("sqlite3", {database, ".dump"});
    process.waitForFinished();
    return process.readAllStandardOutput();
}

QStringList listing(const QDir& folder)
{
    QStringList files;
    QDirIterator it(folder.absolutePath(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << it.next();
    files.sort();
    return files;
}

// Every file under folder with its bytes.
QMap<QString, QByteArray> contents(const QDir& folder)
{
    QMap<QString, QByteArray> files;
    for (const QString& path : listing(folder)) {
        QFile file(path);
        files.insert(path, file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("unreadable"));
    }
    return files;
}

// The strat column, symbols and base maps, one line each.
QStringList lists(const Project& project)
{
    QStringList lines;
    for (const Project::RockUnit& unit : project.rockUnits())
        lines << QString("unit %1 %2").arg(unit.id).arg(unit.name);
    for (const Project::Symbol& symbol : project.symbols())
        lines << QString("symbol %1 %2").arg(symbol.id).arg(symbol.name);
    for (const Project::BaseMap& map : project.baseMaps())
        lines << QString("map %1 %2").arg(map.name, map.location.toString());
    return lines;
}

const QRegularExpression Hex32(QStringLiteral("^[0-9a-f]{32}$"));

const char* const MergeUntilKilled = "--merge-until-killed";

// Run in a child process: merges the source folder's project into the
// target folder's, says "last" at the last step, after the photo is
// copied, and waits to be killed.
int mergeUntilKilled(const QString& target, const QString& source)
{
    class Stalling : public ProjectImporter
    {
    public:
        using ProjectImporter::ProjectImporter;
        bool reportProgress(int percent) override
        {
            if (percent >= 100) {
                std::puts("last");
                std::fflush(stdout);
                QThread::sleep(60);
            }
            return false;
        }
    };
    Project targetProject(ProjectId(1), nullptr, QDir(target));
    Project sourceProject(ProjectId(2), nullptr, QDir(source));
    Stalling importer(&targetProject, nullptr);
    return importer.run(&sourceProject, true, true) ? 0 : 1;
}

} // namespace

class TestProjectImporter : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<test::ProjectFixture> m_fixture;
    QTemporaryDir m_folder;
    std::shared_ptr<Project> m_source;

    Project& target() { return *m_fixture->project; }

    std::shared_ptr<Locality> sourceLocality(int n, const QString& name)
    {
        auto locality = m_source->createLocality(idOf(n));
        locality->setName(name);
        locality->setDescription("d");
        locality->setLatitude(46.5);
        locality->setLongitude(7.5);
        locality->setTimeStamp(1234 + n);
        m_source->syncLocalityDetails(locality.get());
        return locality;
    }

    void addDatum(Locality& locality, std::shared_ptr<Data> datum)
    {
        Q_UNUSED(locality);
        datum->setTimeStamp(99);
        m_source->syncDataDetails(datum);
    }

    // Two localities: planes, a sighting, a note, an image and lines.
    void fillSource()
    {
        auto a = sourceLocality(1, "A");
        addDatum(*a, a->addPlane(idOf(11), 46.1, 7.1, 30, 120, 0, 1, "p"));
        addDatum(*a, a->addAnnotation(idOf(12), 46.1, 7.1, "n"));
        addDatum(*a, a->addImage(idOf(13), 46.1, 7.1, 10, "IMG_1.jpeg", "i", QString(), QString()));
        auto line = a->addPolyline(idOf(14), -1, 0, 2, 1, "l");
        line->addPoint(46.1, 7.1);
        line->addPoint(46.2, 7.2);
        m_source->syncLineDataDetails(line.get());
        auto b = sourceLocality(2, "B");
        addDatum(*b, b->addPlane(idOf(21), 46.2, 7.2, 40, 200, 0, 1, "p"));
        addDatum(*b, b->addPlane(idOf(22), 46.2, 7.2, 50, 210, 0, 1, "p"));
        QDir().mkpath(m_source->folder().absoluteFilePath("images"));
        touch(m_source->folder().absoluteFilePath("images/IMG_1.jpeg"));
    }

    std::shared_ptr<Locality> imported(const QString& name)
    {
        for (const auto& locality : target().localities()) {
            if (locality->name() == name)
                return locality;
        }
        return nullptr;
    }

private slots:
    void init()
    {
        m_fixture = std::make_unique<test::ProjectFixture>();
        QVERIFY(m_fixture->isValid());
        const QDir root(m_folder.path());
        root.mkdir("north.qz");
        m_source = ModelManager::instance()->createProject("North", QDir(root.absoluteFilePath("north.qz")));
        QVERIFY(m_source);
    }

    void cleanup()
    {
        m_source.reset();
        m_fixture.reset();
        QDir(m_folder.path()).removeRecursively();
        QDir().mkpath(m_folder.path());
    }

    void mergesLocalitiesUnderNewIds()
    {
        fillSource();
        ProbeImporter importer(&target(), nullptr);
        QVERIFY(importer.run(m_source.get(), false, false));
        const auto a = imported("North: A");
        QVERIFY(a);
        QVERIFY(QRegularExpression("^d\n\nImported on [A-Z][a-z]{2} [A-Z][a-z]{2} [ 0-9]\\d \\d\\d:\\d\\d:\\d\\d \\d{4}\n$")
                    .match(a->description())
                    .hasMatch());
        QVERIFY(Hex32.match(QString::fromStdString(a->id())).hasMatch());
        QCOMPARE(a->latitude(), 46.5);
        QCOMPARE(a->timeStamp(), qint64(1235));
        // Images off: neither the image nor the note.
        QCOMPARE(int(a->data().size()), 1);
        QCOMPARE(a->data().front()->timeStamp(), qint64(99));
        QCOMPARE(a->lines().front()->unitId(), -1);
        QCOMPARE(a->lines().front()->pointCount(), 2);
        QCOMPARE(importer.reports.last(), 100);
        QCOMPARE(importer.reports.count(100), 1);
        QVERIFY(std::all_of(importer.reports.begin(), importer.reports.end(), [](int p) { return p <= 100; }));
        for (const std::string& row : m_fixture->messages("data")) {
            QZProtoBuffers::Data record;
            record.ParseFromString(row);
            QVERIFY(record.imagepath().empty());
        }
        QCOMPARE(a->thread(), target().thread());
    }

    // Each item arrives with its own time: the merged lists stay newest
    // first, in memory as after a reload, and a later datum goes in front.
    void mergedItemsStayNewestFirst()
    {
        auto a = sourceLocality(1, "A");
        const qint64 times[] = {300, 100, 200};
        for (int i = 0; i < 3; ++i) {
            auto datum = a->addPlane(idOf(30 + i), 46.1, 7.1, 30, 120, 0, 1, "p");
            datum->setTimeStamp(times[i]);
            m_source->syncDataDetails(datum);
            auto line = a->addPolyline(idOf(40 + i), -1, 0, 2, 1, "l");
            line->setTimeStamp(times[i]);
            line->addPoint(46.1, 7.1);
            m_source->syncLineDataDetails(line.get());
        }
        ProbeImporter importer(&target(), nullptr);
        QVERIFY(importer.run(m_source.get(), false, false));
        const auto merged = imported("North: A");
        QVERIFY(merged);
        QList<qint64> data, lines;
        for (const auto& datum : merged->data())
            data << datum->timeStamp();
        for (const auto& line : merged->lines())
            lines << line->timeStamp();
        QCOMPARE(data, QList<qint64>({300, 200, 100}));
        QCOMPARE(lines, QList<qint64>({300, 200, 100}));
        QCOMPARE(merged->dataById(merged->data().back()->id()), merged->data().back());

        auto later = Data::createPlane(idOf(50), merged->id(), 46.1, 7.1, 10, 10, 0, 1, "later");
        later->setTimeStamp(250);
        merged->addData(later);
        QCOMPARE(merged->dataAt(1), later);
    }

    void dateTextIsEnglishInAnyLocale()
    {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        const QString text = ProjectImporter::importDateText();
        QLocale::setDefault(QLocale::c());
        QVERIFY2(QRegularExpression("^(Mon|Tue|Wed|Thu|Fri|Sat|Sun) (Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) "
                                    "[ 1-3]\\d \\d\\d:\\d\\d:\\d\\d \\d{4}\n$")
                     .match(text)
                     .hasMatch(),
                 qPrintable(text));
    }

    void copiesImagesUnderNewNames()
    {
        fillSource();
        ProjectImporter importer(&target(), nullptr);
        QVERIFY(importer.run(m_source.get(), true, false));
        const auto a = imported("North: A");
        QCOMPARE(int(a->data().size()), 3);
        std::shared_ptr<Data> image;
        for (const auto& datum : a->data())
            if (datum->type() == Data::Image)
                image = datum;
        QVERIFY(image);
        QVERIFY(QRegularExpression("^[0-9a-f]{32}_IMG_1\\.jpeg$").match(image->imagePath()).hasMatch());
        QVERIFY(QFile::exists(target().folder().absoluteFilePath("images/" + image->imagePath())));
        QCOMPARE(target().folder().entryList({".merge-*"}, QDir::AllEntries | QDir::Hidden), QStringList());
    }

    void mapsSymbolsAndUnits_data()
    {
        QTest::addColumn<bool>("taken");
        QTest::addColumn<int>("arrivesAs");
        QTest::newRow("ids free") << false << 16;
        QTest::newRow("ids taken") << true << 17;
    }

    void mapsSymbolsAndUnits()
    {
        QFETCH(bool, taken);
        QFETCH(int, arrivesAs);
        if (taken) {
            target().addSymbol(16, "Taken", 3, Project::Plane, false);
            target().addRockUnit(2, "Basalt", Qt::black, 0);
        }
        target().addRockUnit(1, "Granite", Qt::red, 0);
        m_source->addSymbol(16, "Custom", 20, Project::SightingType, false);
        m_source->addRockUnit(1, "Granite", Qt::red, 0);
        m_source->addRockUnit(2, "Shale", Qt::gray, 0);
        QVERIFY(m_source->save());
        auto a = sourceLocality(1, "A");
        addDatum(*a, a->addPlane(idOf(11), 46.1, 7.1, 30, 120, 2, 16, "p"));
        addDatum(*a, a->addSighting(idOf(12), 46.1, 7.1, 30, 1, 16, "s"));
        const std::size_t symbols = target().symbols().size();
        ProjectImporter importer(&target(), nullptr);
        QVERIFY(importer.run(m_source.get(), false, false));
        QCOMPARE(target().symbols().size(), symbols + 1);
        QCOMPARE(target().symbols().back().id, arrivesAs);
        QCOMPARE(target().symbols().back().name, QString("Custom"));
        const int shale = target().rockUnits().back().id;
        QCOMPARE(target().rockUnits().back().name, QString("Shale"));
        QSet<int> unitIds;
        for (const Project::RockUnit& unit : target().rockUnits())
            unitIds.insert(unit.id);
        QCOMPARE(unitIds.size(), int(target().rockUnits().size()));
        const auto merged = imported("North: A");
        for (const auto& datum : merged->data()) {
            QCOMPARE(datum->symbolId(), arrivesAs);
            QCOMPARE(datum->unitId(), datum->type() == Data::Plane ? shale : 1);
        }
    }

    // New units from a merge each get an id of their own, and their data
    // stay under them; a unit added later gets a fresh id, also once a
    // merged unit without data is gone.
    void mergedUnitsGetIdsOfTheirOwn_data()
    {
        QTest::addColumn<bool>("addAfter");
        QTest::newRow("two new units get one id each") << false;
        QTest::newRow("a unit added after a merge gets a fresh id") << true;
    }

    void mergedUnitsGetIdsOfTheirOwn()
    {
        QFETCH(bool, addAfter);
        target().clearRockUnits();
        for (int id = 1; id <= 5; ++id)
            target().addRockUnit(id, QString("T%1").arg(id), Qt::red, 0);
        QVERIFY(target().save());
        m_source->addRockUnit(1, "Shale", Qt::gray, 0);
        m_source->addRockUnit(2, "Slate", Qt::blue, 0);
        QVERIFY(m_source->save());
        auto a = sourceLocality(1, "A");
        addDatum(*a, a->addPlane(idOf(11), 46.1, 7.1, 30, 120, 1, 1, "Shale"));
        // Data under the second unit would move the counter past it anyway.
        if (!addAfter) {
            addDatum(*a, a->addPlane(idOf(12), 46.1, 7.1, 40, 130, 2, 1, "Slate"));
            auto line = a->addPolyline(idOf(13), 2, 0, 2, 1, "Slate");
            line->addPoint(46.1, 7.1);
            m_source->syncLineDataDetails(line.get());
        }
        ProjectImporter importer(&target(), nullptr);
        QVERIFY(importer.run(m_source.get(), false, false));

        QMap<QString, int> ids;
        for (const Project::RockUnit& unit : target().rockUnits())
            ids[unit.name] = unit.id;
        QCOMPARE(ids.size(), 7);
        QVERIFY(ids["Shale"] > 5 && ids["Slate"] > 5);
        QVERIFY(ids["Shale"] != ids["Slate"]);
        const QZProtoBuffers::Project stored = test::storedProjectRecord(m_fixture->databasePath());
        QMap<QString, int> storedIds;
        for (const auto& unit : stored.rockunit())
            storedIds[QString::fromStdString(unit.unitname())] = int(unit.unitid());
        QCOMPARE(storedIds, ids);

        if (addAfter) {
            StratColumnModel* column = target().stratColumnModel();
            column->startEdit();
            QVERIFY(column->removeUnitById(ids["Slate"]) != -1);
            QVERIFY(column->save());
            const int added = target().addHorizon();
            QVERIFY(added > 0);
            QVERIFY2(!ids.values().contains(added), qPrintable(QString::number(added)));
            return;
        }
        const auto merged = imported("North: A");
        QVERIFY(merged);
        QCOMPARE(int(merged->data().size()), 2);
        for (const auto& datum : merged->data())
            QCOMPARE(datum->unitId(), ids[datum->comment()]);
        QCOMPARE(merged->lines().front()->unitId(), ids["Slate"]);
        int rows = 0;
        for (const std::string& row : m_fixture->messages("data")) {
            QZProtoBuffers::Data record;
            QVERIFY(record.ParseFromString(row));
            const QString comment = QString::fromStdString(record.comment());
            if (ids.contains(comment)) {
                QCOMPARE(int(record.unitid()), ids[comment]);
                ++rows;
            }
        }
        QCOMPARE(rows, 2);
        const std::vector<std::string> lines = m_fixture->messages("linedata");
        QCOMPARE(int(lines.size()), 1);
        QZProtoBuffers::LineData2D line;
        QVERIFY(line.ParseFromString(lines.front()));
        QCOMPARE(int(line.unitid()), ids["Slate"]);
    }

    void copiesMapsWithSidecarsAndSkipsKnownNames_data()
    {
        QTest::addColumn<int>("sidecarSize");
        QTest::addColumn<int>("room");
        QTest::newRow("sidecar copy fails midway") << 256 * 1024 << 64 * 1024;
        // Written at close only: a copy cut there is no copy either.
        QTest::newRow("sidecar copy fails at close") << 12 * 1024 << 8 * 1024;
    }

    void copiesMapsWithSidecarsAndSkipsKnownNames()
    {
        QFETCH(int, sidecarSize);
        QFETCH(int, room);
        const QString sourceFolder = m_source->folder().absolutePath();
        touch(sourceFolder + "/Other.tif");
        touch(sourceFolder + "/Other.tfw");
        touch(sourceFolder + "/Same.tif");
        // Too big for the room below: its copy fails.
        QFile prj(sourceFolder + "/Other.prj");
        QVERIFY(prj.open(QIODevice::WriteOnly));
        prj.write(QByteArray(sidecarSize, 'p'));
        prj.close();
        m_source->addBaseMap("GeoTiff", "Other", QUrl::fromLocalFile(sourceFolder + "/Other.tif"), true, 0.5, QRectF());
        m_source->addBaseMap("GeoTiff", "Same", QUrl::fromLocalFile(sourceFolder + "/Same.tif"), true, 1, QRectF());
        target().addBaseMap("GeoTiff", "Same", QUrl::fromLocalFile("/elsewhere/Same.tif"), true, 1, QRectF());
        ProbeImporter importer(&target(), nullptr);
        // Only while Other's files are copied: the database needs more.
        importer.limit = std::make_unique<test::FileSizeLimit>(room);
        importer.liftAt = 2;
        QVERIFY(importer.run(m_source.get(), false, true));
        QVERIFY(!importer.limit);
        QCOMPARE(target().baseMaps().size(), std::size_t(2));
        const Project::BaseMap& other = target().baseMaps().back();
        QCOMPARE(other.location, QUrl::fromLocalFile(target().folder().absoluteFilePath("Other.tif")));
        QCOMPARE(other.opacity, 0.5);
        QVERIFY(QFile::exists(target().folder().absoluteFilePath("Other.tfw")));
        QVERIFY(!QFile::exists(target().folder().absoluteFilePath("Other.prj")));
        QVERIFY(!QFile::exists(target().folder().absoluteFilePath("Same.tif")));
        QCOMPARE(target().folder().entryList({".merge-*"}, QDir::AllEntries | QDir::Hidden), QStringList());
    }

    void failureLeavesTheTargetAsItWas_data()
    {
        QTest::addColumn<bool>("lock");
        QTest::addColumn<int>("cancelAt");
        QTest::addColumn<bool>("inTask");
        QTest::addColumn<bool>("full");
        QTest::addColumn<QString>("blockPlacing");
        // Steps: the map, then A's four items, then B's two data.
        QTest::newRow("cancel in the second locality") << false << 6 << false << false << QString();
        QTest::newRow("failing write") << true << -1 << false << false << QString();
        QTest::newRow("task cancelled in the second locality") << false << 6 << true << false << QString();
        QTest::newRow("task with a failing write") << true << -1 << true << false << QString();
        QTest::newRow("photo copy fails midway") << false << -1 << false << true << QString();
        // A copy that never got its name is not the merge's: the user's
        // file there stays.
        QTest::newRow("a file takes a copy's name before the move") << false << -1 << false << false << "taken";
        QTest::newRow("the move of a copy cannot be noted") << false << -1 << false << false << "unnoted";
    }

    void failureLeavesTheTargetAsItWas()
    {
        QFETCH(bool, lock);
        QFETCH(int, cancelAt);
        QFETCH(bool, inTask);
        QFETCH(bool, full);
        QFETCH(QString, blockPlacing);
        fillSource();
        if (full) {
            QFile photo(m_source->folder().absoluteFilePath("images/IMG_1.jpeg"));
            QVERIFY(photo.open(QIODevice::WriteOnly));
            photo.write(QByteArray(256 * 1024, 'j'));
        }
        m_source->addRockUnit(4, "Shale", Qt::gray, 0);
        touch(m_source->folder().absoluteFilePath("Other.tif"));
        m_source->addBaseMap("GeoTiff", "Other", QUrl::fromLocalFile(m_source->folder().absoluteFilePath("Other.tif")),
                             true, 1, QRectF());
        m_source->addSymbol(30, "Custom", 3, Project::Plane, false);
        const QByteArray rows = dump(m_fixture->databasePath());
        const QStringList files = listing(target().folder());
        const QStringList before = lists(target());
        const int localities = target().numberOfLocalities();
        QSignalSpy strat(&target(), &Project::stratColumnChanged);
        QSignalSpy symbols(&target(), &Project::symbolsChanged);
        QSignalSpy maps(&target(), &Project::baseMapsChanged);
        if (inTask) {
            ObjectTaskRunner runner;
            ImporterTask task(m_fixture->project, m_source, true, true);
            int reports = 0;
            connect(&task, &Task::progressChanged, [&](Task*, int) {
                if (++reports == cancelAt)
                    task.cancel();
            });
            auto held = lock ? m_fixture->lockFor("EXCLUSIVE") : nullptr;
            runner.runAndWait(&task);
            held.reset();
            QVERIFY(!task.successful());
            task.onFinished();
        } else {
            ProbeImporter importer(&target(), nullptr);
            importer.cancelAt = cancelAt;
            importer.blockPlacing = blockPlacing;
            importer.targetFolder = target().folder();
            auto held = lock ? m_fixture->lockFor("EXCLUSIVE") : nullptr;
            std::unique_ptr<test::FileSizeLimit> limit;
            if (full)
                limit = std::make_unique<test::FileSizeLimit>(64 * 1024);
            QVERIFY(!importer.run(m_source.get(), true, true));
            QCOMPARE(importer.taken.size(), blockPlacing == "taken" ? 1 : 0);
            for (const QString& path : importer.taken) {
                QFile taken(path);
                QVERIFY(taken.open(QIODevice::ReadOnly));
                QCOMPARE(taken.readAll(), QByteArray("x"));
                taken.remove();
            }
        }
        QCOMPARE(dump(m_fixture->databasePath()), rows);
        QCOMPARE(listing(target().folder()), files);
        QCOMPARE(lists(target()), before);
        QCOMPARE(target().numberOfLocalities(), localities);
        QCOMPARE(strat.count() + symbols.count() + maps.count(), 0);
    }

    void killedMergeLeavesTheTargetAsItWas_data()
    {
        QTest::addColumn<QString>("database"); // what the first start after the kill finds at main.db
        QTest::newRow("database readable") << "readable";
        QTest::newRow("main.db unreadable at the first start") << "garbage";
        QTest::newRow("a folder where main.db goes at the first start") << "folder";
    }

    void killedMergeLeavesTheTargetAsItWas()
    {
        QFETCH(QString, database);
        fillSource();
        const QByteArray rows = dump(m_fixture->databasePath());
        const QStringList files = listing(target().folder());
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(),
                    {MergeUntilKilled, target().folder().absolutePath(), m_source->folder().absolutePath()});
        QVERIFY(child.waitForStarted());
        QByteArray said;
        while (!said.contains("last") && child.waitForReadyRead(20000))
            said += child.readAllStandardOutput();
        QVERIFY2(said.contains("last"), child.readAllStandardError());
        child.kill();
        QVERIFY(child.waitForFinished());
        QCOMPARE(dump(m_fixture->databasePath()), rows);
        Project reopened(ProjectId(7), nullptr, target().folder());
        QVERIFY(reopened.load(true));
        QCOMPARE(reopened.numberOfLocalities(), target().numberOfLocalities());
        if (database != "readable") {
            // Put aside with SQLite's journal, which would be rolled back into it.
            QDir folder = target().folder();
            for (const char* name : {"main.db", "main.db-journal"}) {
                QVERIFY(!folder.exists(name) || folder.rename(name, QString(name) + ".aside"));
            }
            QFile garbage(folder.filePath("main.db"));
            QVERIFY(database == "folder" ? folder.mkdir("main.db")
                                         : garbage.open(QIODevice::WriteOnly) && garbage.write(QByteArray(4096, 'g')) > 0);
            garbage.close();
            const QMap<QString, QByteArray> left = contents(folder);
            QCOMPARE(MergeJournal::removeLeftovers(folder), 0);
            QCOMPARE(contents(folder), left);
            QVERIFY(QFile::remove(folder.filePath("main.db")) || folder.rmdir("main.db"));
            for (const char* name : {"main.db", "main.db-journal"}) {
                QVERIFY(!folder.exists(QString(name) + ".aside") || folder.rename(QString(name) + ".aside", name));
            }
        }
        // The photo's copy, left for the next start, which removes it.
        QCOMPARE(MergeJournal::removeLeftovers(target().folder()), 1);
        QStringList after = listing(target().folder());
        // SQLite's own, never synced by the killed merge.
        after.removeAll(target().folder().absoluteFilePath("main.db-journal"));
        QCOMPARE(after, files);
    }

    // A journal the start finds unfinished noted no copy yet: it goes. The
    // user's files with like names stay.
    void unfinishedMergeJournals_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("removed");
        const QString named = ".merge-0123456789abcdef.journal";
        QTest::newRow("made empty by an earlier version") << named << QByteArray() << true;
        QTest::newRow("cut in its first line") << named << QByteArray("quarzel merge jo") << true;
        QTest::newRow("cut in its before line") << named << QByteArray("quarzel merge journal 1\nbefore 0a1b") << true;
        QTest::newRow("stopped before it took its name") << named + ".Ab12Cd" << QByteArray() << true;
        QTest::newRow("whole, before it took its name")
            << named + ".Ab12Cd" << QByteArray("quarzel merge journal 1\nbefore 0a1b\nlocality x\n") << true;
        QTest::newRow("a user's file named like a journal") << ".merge-notes.journal" << QByteArray() << false;
        QTest::newRow("a user's file at a journal's name") << named << QByteArray("my notes") << false;
        QTest::newRow("a user's file at a temporary name") << named + ".Ab12Cd" << QByteArray("quarzel notes") << false;
        QTest::newRow("a temporary name a letter short") << named + ".Ab12C" << QByteArray() << false;
    }

    void unfinishedMergeJournals()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, content);
        QFETCH(bool, removed);
        QFile file(target().folder().absoluteFilePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(content), qint64(content.size()));
        file.close();
        const QStringList files = listing(target().folder());
        QCOMPARE(MergeJournal::removeLeftovers(target().folder()), removed ? 1 : 0);
        QCOMPARE(file.exists(), !removed);
        QVERIFY(!file.exists() || (file.open(QIODevice::ReadOnly) && file.readAll() == content));
        QCOMPARE(listing(target().folder()).size(), files.size() - (removed ? 1 : 0));
    }

    void hostileNamesReachNothingOutside_data()
    {
        QTest::addColumn<QString>("map");
        QTest::addColumn<QString>("photo");
        QTest::addColumn<bool>("merges");
        // A journal beside the target's main.db would be replayed into it.
        QTest::newRow("map named like the journal") << "maps/main.db-journal" << QString() << true;
        QTest::newRow("map outside the project") << "../outside/secret.tif" << QString() << true;
        QTest::newRow("map through a link") << "linked.tif" << QString() << true;
        QTest::newRow("photo outside images") << QString() << "../../outside/secret.jpg" << true;
        QTest::newRow("photo through a link") << QString() << "linked.jpg" << true;
    }

    void hostileNamesReachNothingOutside()
    {
        QFETCH(QString, map);
        QFETCH(QString, photo);
        QFETCH(bool, merges);
        const QDir root(m_folder.path());
        QVERIFY(root.mkpath("outside"));
        QVERIFY(root.mkpath("north.qz/maps"));
        QVERIFY(root.mkpath("north.qz/images"));
        for (const char* name : {"outside/secret.tif", "outside/secret.jpg", "north.qz/maps/main.db-journal"}) {
            QFile file(root.filePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("secret");
        }
        QVERIFY(QFile::link(root.filePath("outside/secret.tif"), root.filePath("north.qz/linked.tif")));
        QVERIFY(QFile::link(root.filePath("outside/secret.jpg"), root.filePath("north.qz/images/linked.jpg")));
        const QDir sourceFolder = m_source->folder();
        if (!map.isEmpty())
            m_source->addBaseMap("GeoTiff", "Hostile", QUrl::fromLocalFile(QDir::cleanPath(sourceFolder.filePath(map))),
                                 true, 1, QRectF());
        auto a = sourceLocality(1, "A");
        if (!photo.isEmpty())
            addDatum(*a, a->addImage(idOf(13), 46.1, 7.1, 10, photo, "i", photo, QString()));
        const auto outside = test::fileHashes(root.filePath("outside"));
        const QByteArray rows = dump(m_fixture->databasePath());
        const QString targetFolder = target().folder().absolutePath();

        ProjectImporter importer(&target(), nullptr);
        QCOMPARE(importer.run(m_source.get(), true, true), merges);

        QCOMPARE(test::fileHashes(root.filePath("outside")), outside);
        QVERIFY(!QFile::exists(targetFolder + "/main.db-journal"));
        for (const QString& file : test::fileHashes(targetFolder).keys())
            QVERIFY2(!file.endsWith(".tif") && !file.endsWith(".jpg"), qPrintable(file));
        QCOMPARE(target().baseMaps().size(), std::size_t(0));
        if (!merges)
            QCOMPARE(dump(m_fixture->databasePath()), rows);
        Project reopened(ProjectId(7), nullptr, target().folder());
        QVERIFY(reopened.load(true));
        QCOMPARE(reopened.numberOfLocalities(), target().numberOfLocalities());
        for (const auto& locality : reopened.localities())
            QVERIFY(locality->data().empty());
    }

    void unreadableSourceMergesNothing_data()
    {
        QTest::addColumn<QString>("table"); // where the damaged row is
        QTest::addColumn<bool>("listedFirst"); // the merge picker counted the localities before
        QTest::newRow("damaged datum") << "data" << false;
        QTest::newRow("damaged locality, counted by the picker") << "localities" << true;
    }

    void unreadableSourceMergesNothing()
    {
        QFETCH(QString, table);
        QFETCH(bool, listedFirst);
        fillSource();
        const QString path = m_source->folder().absoluteFilePath("main.db");
        {
            SQLiteDatabase database;
            QVERIFY(database.open(path.toStdString()));
            if (table == "data")
                database.exec("INSERT INTO data (dataId, localityId, message) VALUES ('" + idOf(15) + "', '"
                              + idOf(1) + "', x'ffff')");
            else
                database.exec("INSERT INTO localities (localityId, message) VALUES ('" + idOf(3) + "', x'ffff')");
        }
        std::shared_ptr<Project> source;
        if (listedFirst) {
            // As the picker finds it: listed, its localities not yet read.
            source = m_source;
            source->clearLocalities();
            ProjectListModel list;
            list.setExcludeCurrentProject(true);
            QCOMPARE(list.rowCount(), 1);
            QCOMPARE(list.data(list.index(0), ProjectListModel::Name).toString(), QString("North"));
            QCOMPARE(list.data(list.index(0), ProjectListModel::NumLocalities).toInt(), 2);
        } else {
            m_source.reset();
            source = std::make_shared<Project>(ProjectId(8), ModelManager::instance(), QFileInfo(path).dir());
        }
        QVERIFY(source->isOpen());
        auto* application = static_cast<test::DocumentsApplication*>(ApplicationManager::instance());
        const auto dialogs = application->installDialogController();
        const QByteArray rows = dump(m_fixture->databasePath());
        const int localities = target().numberOfLocalities();
        ObjectTaskRunner runner;
        ImporterTask task(m_fixture->project, source, true, true);
        runner.runAndWait(&task);
        task.onFinished();
        QVERIFY(!task.successful());
        QCOMPARE(dialogs->toasts().size(), 1);
        QCOMPARE(dialogs->toasts().front().message, QString("Some records of North could not be read."));
        QCOMPARE(dump(m_fixture->databasePath()), rows);
        QCOMPARE(target().numberOfLocalities(), localities);
    }

    void refusesNullAndSelf()
    {
        ProjectImporter importer(&target(), nullptr);
        QVERIFY(!importer.run(nullptr, true, true));
        QVERIFY(!importer.run(&target(), true, true));
    }

    void taskSignalsTheTargetInOrder_data()
    {
        QTest::addColumn<bool>("maps");
        QTest::newRow("without maps") << false;
        QTest::newRow("with maps") << true;
    }

    // The target's lists change on its own thread, at the end, announced once.
    void taskSignalsTheTargetInOrder()
    {
        QFETCH(bool, maps);
        fillSource();
        touch(m_source->folder().absoluteFilePath("Other.tif"));
        m_source->addBaseMap("GeoTiff", "Other", QUrl::fromLocalFile(m_source->folder().absoluteFilePath("Other.tif")),
                             true, 1, QRectF());
        m_source->addRockUnit(4, "Shale", Qt::gray, 0);
        m_source->addSymbol(30, "Custom", 3, Project::Plane, false);
        QVERIFY(m_source->save());
        ObjectTaskRunner runner;
        {
            QStringList order;
            QObject receiver;
            for (auto [signal, name] : std::initializer_list<std::pair<void (Project::*)(), const char*>> {
                     {&Project::stratColumnChanged, "strat"},
                     {&Project::baseMapsChanged, "maps"},
                     {&Project::symbolsChanged, "symbols"},
                     {&Project::localityListChanged, "localities"},
                     {&Project::dataListChanged, "data"}})
                connect(&target(), signal, &receiver, [&order, name = QString(name)] { order << name; });
            ImporterTask task(m_fixture->project, m_source, false, maps);
            // The list shows the merged localities after one reset.
            QSignalSpy resets(target().localityListModel(), &QAbstractItemModel::modelReset);
            const int before = target().numberOfLocalities();
            const QStringList listsBefore = lists(target());
            int changedWhileWorking = 0;
            connect(&task, &Task::progressChanged,
                    [&](Task*, int) { changedWhileWorking += lists(target()) != listsBefore; });
            runner.runAndWait(&task);
            QVERIFY(task.successful());
            QCOMPARE(changedWhileWorking, 0);
            QCOMPARE(lists(target()), listsBefore);
            QCOMPARE(target().numberOfLocalities(), before);
            task.onFinished();
            QStringList added = lists(target());
            for (const QString& line : listsBefore)
                QVERIFY(added.removeOne(line));
            QStringList expectedAdded = {"unit 4 Shale", "symbol 30 Custom"};
            if (maps)
                expectedAdded << "map Other " + QUrl::fromLocalFile(target().folder().absoluteFilePath("Other.tif")).toString();
            QCOMPARE(added, expectedAdded);
            Project stored(ProjectId(7), nullptr, target().folder());
            QCOMPARE(lists(stored), lists(target()));
            QCOMPARE(resets.count(), 1);
            QCOMPARE(target().localityListModel()->rowCount(), target().numberOfLocalities());
            QVERIFY(target().numberOfLocalities() > before);
            QStringList expected = {"strat", "symbols", "localities", "data"};
            if (maps)
                expected.insert(1, "maps");
            QCOMPARE(order, expected);
            QCOMPARE(imported("North: A")->thread(), target().thread());
        }
    }
};

int main(int argc, char** argv)
{
    if (argc == 4 && qstrcmp(argv[1], MergeUntilKilled) == 0) {
        QCoreApplication application(argc, argv);
        return mergeUntilKilled(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
    }
    QTEST_MAIN_IMPL(TestProjectImporter)
}

#include "tst_projectimporter.moc"
