#include "Database/CommandManager.h"
#include "Database/ObjectTaskRunner.h"
#include "Database/Task.h"
#include "model/AddBaseMapCommand.h"
#include "model/ModifyBaseMapCommand.h"
#include "model/Project.h"
#include "model/RemoveBaseMapCommand.h"
#include "support/ProjectFixture.h"

#include <QtTest>

using namespace kiv;

namespace {

QStringList s_log;

void captureLog(QtMsgType, const QMessageLogContext&, const QString& message)
{
    s_log << message;
}

bool runTool(const QString& program, const QStringList& arguments, QByteArray* output = nullptr)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        return false;
    if (output)
        *output = process.readAllStandardOutput();
    return true;
}

// A small raster in WGS84 as an ASCII grid, source of the test maps.
QString writeGrid(const QString& folder)
{
    const QString path = folder + "/grid.asc";
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write("ncols 4\nnrows 4\nxllcorner 7\nyllcorner 46\ncellsize 0.01\n"
               "1 2 3 4\n1 2 3 4\n1 2 3 4\n1 2 3 4\n");
    return path;
}

void touch(const QString& path, const QByteArray& content = "x")
{
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(content);
}

QByteArray corners(const QString& path)
{
    QByteArray info;
    runTool("gdalinfo", {path}, &info);
    return info.mid(info.indexOf("Upper Left"), info.indexOf("Center") - info.indexOf("Upper Left"));
}

class AddingTask : public Task
{
public:
    explicit AddingTask(const QUrl& url)
        : Task(QStringLiteral("Layer"), false)
        , m_url(url)
    {
    }
    void work() override
    {
        auto command = std::make_shared<AddBaseMapCommand>();
        command->setUrl(m_url);
        setSuccessful(CommandManager::instance()->execute(command));
    }

private:
    QUrl m_url;
};

} // namespace

class TestBaseMapCommands : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<test::ProjectFixture> m_fixture;
    QTemporaryDir m_sources;

    Project& project() { return *m_fixture->project; }
    QString projectFile(const QString& name) { return project().folder().absoluteFilePath(name); }

    static bool add(const QString& path, int index = -1)
    {
        auto command = std::make_shared<AddBaseMapCommand>();
        command->setUrl(QUrl::fromLocalFile(path));
        command->setIndex(index);
        return CommandManager::instance()->execute(command);
    }

    QStringList names()
    {
        QStringList result;
        for (const Project::BaseMap& map : project().baseMaps())
            result << map.name;
        return result;
    }

    QString makeTiff(const QString& folder)
    {
        const QString map = folder + "/Map.TIF";
        if (!runTool("gdal_translate", {"-q", "-ot", "Byte", "-a_srs", "EPSG:4326", "-co", "PROFILE=BASELINE",
                                        "-co", "TFW=YES", writeGrid(folder), map}))
            return {};
        QFile::remove(map + ".aux.xml");
        touch(folder + "/Map.prj", "GEOGCS[\"WGS 84\"]");
        return map;
    }

private slots:
    void init()
    {
        m_fixture = std::make_unique<test::ProjectFixture>();
        QVERIFY(m_fixture->isValid());
        QVERIFY(m_sources.isValid());
        QDir(m_sources.path()).removeRecursively();
        QDir().mkpath(m_sources.path());
    }

    void cleanup() { m_fixture.reset(); }

    void addsTiffWithSidecarsAndRemovesOnlyTheMap()
    {
        const QString source = makeTiff(m_sources.path());
        QVERIFY(!source.isEmpty());
        QSignalSpy announced(ApplicationManager::instance(), &ApplicationManager::fileSystemChanged);
        QSignalSpy changed(&project(), &Project::baseMapsChanged);
        QVERIFY(add(source));

        QCOMPARE(announced.count(), 3);
        QStringList paths;
        for (const QList<QVariant>& call : announced)
            paths << call.at(0).toStringList();
        paths.sort();
        QCOMPARE(paths, QStringList({projectFile("Map.TIF"), projectFile("Map.prj"), projectFile("Map.tfw")}));
        QCOMPARE(changed.count(), 1);
        QCOMPARE(project().baseMaps().size(), std::size_t(1));
        const Project::BaseMap& map = project().baseMaps().front();
        QCOMPARE(map.name, QString("Map"));
        QCOMPARE(map.type, QString("GeoTiff"));
        QVERIFY(map.active);
        QCOMPARE(map.opacity, 1.0);
        QCOMPARE(map.location, QUrl::fromLocalFile(projectFile("Map.TIF")));
        QVERIFY(map.extent.isNull());
        const auto stored = test::storedProjectRecord(m_fixture->databasePath());
        QCOMPARE(stored.basemap_size(), 1);
        QCOMPARE(QString::fromStdString(stored.basemap(0).location()), map.location.toString());
        QCOMPARE(corners(projectFile("Map.TIF")), corners(source));

        auto remove = std::make_shared<RemoveBaseMapCommand>();
        remove->setBaseMap(map);
        QSignalSpy removed(&project(), &Project::baseMapRemoved);
        QVERIFY(CommandManager::instance()->execute(remove));
        QCOMPARE(removed.count(), 1);
        QVERIFY(project().baseMaps().empty());
        QVERIFY(!QFile::exists(projectFile("Map.TIF")));
        QVERIFY(QFile::exists(projectFile("Map.tfw")));
        QVERIFY(QFile::exists(projectFile("Map.prj")));
    }

    void registersMBTilesWithItsBounds()
    {
        const QString source = m_sources.path() + "/tiles.mbtiles";
        QVERIFY(runTool("gdal_translate",
                        {"-q", "-ot", "Byte", "-a_srs", "EPSG:4326", "-of", "MBTILES", writeGrid(m_sources.path()), source}));
        QVERIFY(runTool("sqlite3", {source, "UPDATE metadata SET value='-10,40,5,50' WHERE name='bounds'"}));
        QVERIFY(add(source));
        const Project::BaseMap& map = project().baseMaps().front();
        QCOMPARE(map.type, QString("MBTiles"));
        QCOMPARE(map.extent, QRectF(-10, 40, 15, 10));
    }

    void secondAddChangesNothing()
    {
        const QString source = m_sources.path() + "/a.tif";
        touch(source);
        QVERIFY(add(source));
        const std::string before = test::storedProjectRecord(m_fixture->databasePath()).SerializeAsString();
        s_log.clear();
        const QtMessageHandler previous = qInstallMessageHandler(captureLog);
        const bool added = add(source);
        qInstallMessageHandler(previous);
        QVERIFY(added);
        QVERIFY(s_log.filter("Rolling back:").isEmpty());
        QCOMPARE(test::storedProjectRecord(m_fixture->databasePath()).SerializeAsString(), before);
        QCOMPARE(project().baseMaps().size(), std::size_t(1));
    }

    void modifySwapsPlaceAndOpacity()
    {
        for (const char* name : {"1.tif", "2.tif", "3.tif"}) {
            touch(m_sources.path() + "/" + name);
            QVERIFY(add(m_sources.path() + "/" + name));
        }
        auto same = std::make_shared<ModifyBaseMapCommand>();
        same->setBaseMap(project().baseMaps()[0]);
        QTest::ignoreMessage(QtDebugMsg, QRegularExpression("Rolling back:"));
        QVERIFY(!CommandManager::instance()->execute(same));

        auto move = std::make_shared<ModifyBaseMapCommand>();
        move->setBaseMap(project().baseMaps()[2]);
        move->setIndex(0);
        QVERIFY(CommandManager::instance()->execute(move));
        QCOMPARE(names(), QStringList({"3", "1", "2"}));
        QCOMPARE(move->index(), 2);
        QVERIFY(CommandManager::instance()->execute(move));
        QCOMPARE(names(), QStringList({"1", "2", "3"}));

        auto outside = std::make_shared<ModifyBaseMapCommand>();
        outside->setBaseMap(project().baseMaps()[0]);
        outside->setIndex(5);
        QVERIFY(!outside->execute(nullptr));
        QCOMPARE(names(), QStringList({"1", "2", "3"}));
    }

    void copiesSourcesByTheirRules_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QStringList>("present");
        QTest::addColumn<QString>("map");
        QTest::addColumn<QStringList>("copied");
        QTest::addColumn<QStringList>("absent");
        QTest::newRow("earth with companion")
            << "earth" << QStringList({"a.earth", "a.xml"}) << "a.earth" << QStringList({"a.earth", "a.xml"})
            << QStringList();
        QTest::newRow("wildcard in the name")
            << "w" << QStringList({"M?p.tif", "M?p.prj", "Map.prj"}) << "M?p.tif" << QStringList({"M?p.tif", "M?p.prj"})
            << QStringList({"Map.prj"});
    }

    void copiesSourcesByTheirRules()
    {
        QFETCH(QString, folder);
        QFETCH(QStringList, present);
        QFETCH(QString, map);
        QFETCH(QStringList, copied);
        QFETCH(QStringList, absent);
        const QString dir = m_sources.path() + "/" + folder;
        QDir().mkpath(dir);
        for (const QString& name : present)
            touch(dir + "/" + name);
        QVERIFY(add(dir + "/" + map));
        for (const QString& name : copied)
            QVERIFY2(QFile::exists(projectFile(name)), qPrintable(name));
        for (const QString& name : absent)
            QVERIFY2(!QFile::exists(projectFile(name)), qPrintable(name));
        QCOMPARE(project().baseMaps().front().type, QString("GeoTiff"));
    }

    void sourceInsideTheProjectStays()
    {
        const QString inside = projectFile("own.tif");
        touch(inside, "keep me");
        QSignalSpy announced(ApplicationManager::instance(), &ApplicationManager::fileSystemChanged);
        QVERIFY(add(inside));
        QFile file(inside);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("keep me"));
        QCOMPARE(project().baseMaps().front().location, QUrl::fromLocalFile(inside));
        QCOMPARE(announced.count(), 0);
    }

    void failedAddRegistersNothing_data()
    {
        QTest::addColumn<bool>("locked");
        QTest::newRow("source is a folder") << false;
        QTest::newRow("project cannot be saved") << true;
    }

    void failedAddRegistersNothing()
    {
        QFETCH(bool, locked);
        const QString source = m_sources.path() + "/Broken.tif";
        if (locked)
            touch(source);
        else // a folder cannot be copied as a file
            QDir().mkpath(source);
        auto command = std::make_shared<AddBaseMapCommand>();
        command->setUrl(QUrl::fromLocalFile(source));
        {
            const auto lock = m_fixture->lockFor(locked ? "EXCLUSIVE" : "");
            QVERIFY(!command->execute(nullptr));
        }
        QVERIFY(project().baseMaps().empty());
        QCOMPARE(test::storedProjectRecord(m_fixture->databasePath()).basemap_size(), 0);
        QVERIFY(!QFileInfo::exists(projectFile("Broken.tif")));
    }

    void filesOfOthersStayUntouched_data()
    {
        QTest::addColumn<bool>("remove");
        QTest::addColumn<QString>("path");
        // Records kept from elsewhere may name any file.
        QTest::newRow("remove: outside the folder") << true << "%sources/user.tif";
        QTest::newRow("remove: through a link") << true << "%project/linked.tif";
        QTest::newRow("remove: the database") << true << "%project/main.db";
        QTest::newRow("add: named like the database") << false << "%sources/main.db";
        QTest::newRow("add: named like its journal") << false << "%sources/main.db-journal";
    }

    void filesOfOthersStayUntouched()
    {
        QFETCH(bool, remove);
        QFETCH(QString, path);
        const QString sources = m_sources.path();
        touch(sources + "/user.tif", "user");
        touch(sources + "/main.db", "not a project");
        touch(sources + "/main.db-journal", "junk");
        QFile::remove(projectFile("linked.tif"));
        QVERIFY(QFile::link(sources + "/user.tif", projectFile("linked.tif")));
        path.replace("%sources", sources).replace("%project", project().folder().absolutePath());
        const QUrl location = QUrl::fromLocalFile(path);
        const auto before = test::fileHashes(sources);
        const auto rows = test::tableMessages(m_fixture->databasePath(), "localities");
        if (remove) {
            project().addBaseMap("GeoTiff", "other", location, true, 1.0, QRectF());
            QVERIFY(project().save());
            auto command = std::make_shared<RemoveBaseMapCommand>();
            command->setUrl(location);
            QVERIFY(command->execute(nullptr));
        } else {
            QVERIFY(!add(path));
        }
        QVERIFY(project().baseMaps().empty());
        QCOMPARE(test::fileHashes(sources), before);
        QVERIFY(QFileInfo(projectFile("linked.tif")).isSymLink());
        QVERIFY(!QFile::exists(projectFile("main.db-journal")));
        QCOMPARE(test::tableMessages(m_fixture->databasePath(), "localities"), rows);
        QCOMPARE(test::storedProjectRecord(m_fixture->databasePath()).basemap_size(), 0);
    }

    void addFromTaskReachesGuiReceivers()
    {
        ObjectTaskRunner runner;
        const QString source = m_sources.path() + "/task.tif";
        touch(source);
        QObject receiver;
        QThread* seenOn = nullptr;
        connect(&project(), &Project::baseMapsChanged, &receiver, [&] { seenOn = QThread::currentThread(); });
        AddingTask task(QUrl::fromLocalFile(source));
        runner.runAndWait(&task);
        QVERIFY(task.successful());
        QCOMPARE(project().baseMaps().size(), std::size_t(1));
        QTRY_VERIFY(seenOn != nullptr);
        QCOMPARE(seenOn, QThread::currentThread());
        QCOMPARE(test::storedProjectRecord(m_fixture->databasePath()).basemap_size(), 1);
    }
};

QTEST_MAIN(TestBaseMapCommands)

#include "tst_basemapcommands.moc"
