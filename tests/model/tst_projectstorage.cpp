#include <QtTest>

#include "Database/ProjectSchema.h"
#include "Database/Quarzel.pb.h"
#include "Database/SQLiteDatabase.h"
#include "Database/SQLiteInsert.h"
#include "Database/SQLiteQuery.h"
#include "model/Data.h"
#include "model/LineData2D.h"
#include "model/Locality.h"
#include "model/ModelManager.h"
#include "model/Project.h"
#include "support/ApplicationIdentity.h"
#include "support/ProjectFixture.h"
#include "support/ScriptedLocationManager.h"
#include "tools/AbstractLocationManager.h"

#include <QCoreApplication>
#include <QProcess>
#include <QRandomGenerator>

#include <cstdio>
#include <memory>

using namespace kiv;
using kiv::test::idOf;

namespace {

QStringList s_warnings;

void keepWarnings(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type == QtWarningMsg)
        s_warnings << message;
}

class FixedLocation : public test::ScriptedLocationManager
{
public:
    explicit FixedLocation(QObject* parent) : ScriptedLocationManager(parent) { setLastKnownCoordinate({7.5, 46.5}); }
    void startDeclinationUpdates() override {}
};

class TestApplication : public test::DocumentsApplication
{
public:
    using DocumentsApplication::DocumentsApplication;
    void installLocation() { setSensors(new FixedLocation(this), nullptr); }
};

// Holds a write lock on the new project's file while its row is written.
class LockingModelManager : public ModelManager
{
protected:
    std::shared_ptr<Project> newProject(ProjectId id, const QString& name, const QDir& folder) override
    {
        SQLiteDatabase database;
        database.open(folder.absoluteFilePath("main.db").toStdString());
        ProjectSchema().createDB(&database);
        database.close();
        test::DatabaseLock lock(folder.absoluteFilePath("main.db"), "IMMEDIATE");
        return ModelManager::newProject(id, name, folder);
    }
};

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void execOn(const QString& path, const std::string& sql)
{
    SQLiteDatabase database;
    database.open(path.toStdString());
    database.exec(sql);
}

void setMessage(const QString& path, const std::string& table, const std::string& id, const std::string& bytes)
{
    SQLiteDatabase database;
    database.open(path.toStdString());
    std::string message = bytes;
    std::string key = id;
    SQLiteInsert update(&database);
    update.prepare("UPDATE " + table + " SET message=? WHERE dataId=?");
    update.bindBlob(&message);
    update.bindText(&key);
    update.execute();
}

QString sqliteMaster(const QString& path)
{
    SQLiteDatabase database;
    database.open(path.toStdString());
    std::string row;
    QStringList rows;
    SQLiteQuery query(&database);
    query.prepare("SELECT type || ' ' || name || ' ' || sql FROM sqlite_master ORDER BY name");
    query.bindText(&row);
    while (query.step())
        rows << QString::fromStdString(row);
    return rows.join('\n');
}

// Data ids are 0xL0D (locality L, datum D), line ids 0xL0F0N.
std::string dataId(int locality, int n) { return idOf(locality * 0x100 + n); }

// The child process: one start of the program on a documents folder, then
// the names of the projects it shows.
int startOnce(const QString& documents)
{
    test::setApplicationIdentity();
    test::DocumentsApplication application(documents);
    std::puts("ready");
    std::fflush(stdout);
    ModelManager::instance()->init(QDir(documents));
    for (int i = 0; i < ModelManager::instance()->projectCount(); ++i)
        std::printf("project: %s\n", qPrintable(ModelManager::instance()->projectAt(i)->name()));
    std::fflush(stdout);
    delete ModelManager::instance();
    ModelManager::instance() = nullptr;
    return 0;
}

} // namespace

class TestProjectStorage : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_documents;
    std::unique_ptr<TestApplication> m_application;
    std::shared_ptr<DialogController> m_dialogs;

    QDir root() const { return QDir(m_documents->path()); }

    // A project of localities each with data and lines; data comments are
    // long enough to spread the data table over several pages.
    QString makeProject(const QString& folderName, const QString& name, int localities, int data, int lines)
    {
        const QString path = root().absoluteFilePath(folderName);
        QDir().mkpath(path);
        Project project(ProjectId(900), nullptr, name, QString(), QString(), QDir(path));
        project.database()->exec("BEGIN");
        for (int l = 1; l <= localities; ++l) {
            Locality locality(ProjectId(900), idOf(l));
            locality.setTimeStamp(100 + l);
            project.syncLocalityDetails(&locality);
            for (int d = 1; d <= data; ++d) {
                const QString marker = QStringLiteral("L%1D%2 ").arg(l).arg(d).repeated(12);
                project.syncDataDetails(Data::createPlane(dataId(l, d), locality.id(), 46, 7, 30, 90, 0, 1, marker));
            }
            for (int n = 1; n <= lines; ++n) {
                auto line = LineData2D::create(idOf(l * 0x10000 + 0xf00 + n), locality.id(), 0, 0, false, "line");
                line->addPoint(46, 7);
                project.syncLineDataDetails(line.get());
            }
        }
        project.database()->exec("COMMIT");
        return path + "/main.db";
    }

    QStringList toasts() const
    {
        QStringList messages;
        for (const DialogController::Toast& toast : m_dialogs->toasts())
            messages << toast.message;
        return messages;
    }

    void start()
    {
        s_warnings.clear();
        const QtMessageHandler testLog = qInstallMessageHandler(keepWarnings);
        ModelManager::instance()->init(root());
        qInstallMessageHandler(testLog);
    }

    bool warned(const std::string& text) const
    {
        return !s_warnings.filter(QString::fromStdString(text)).isEmpty();
    }

    int childStart(const QString& trial, QStringList* projects, int killAfterMs = -1)
    {
        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("XDG_CONFIG_HOME", trial + "/config");
        environment.insert("TMPDIR", trial + "/tmp");
        QDir().mkpath(trial + "/tmp");
        QDir().mkpath(trial + "/documents");
        child.setProcessEnvironment(environment);
        child.start(QCoreApplication::applicationFilePath(), {"--start-once", trial + "/documents"});
        if (!child.waitForStarted(10000))
            return -1;
        QElapsedTimer timer;
        // Keep what was read: the project lines may come with "ready".
        QByteArray output;
        while (!output.contains("ready") && child.state() == QProcess::Running) {
            child.waitForReadyRead(100);
            output += child.readAllStandardOutput();
        }
        timer.start();
        if (killAfterMs >= 0) {
            QThread::msleep(static_cast<unsigned long>(killAfterMs));
            child.kill();
        }
        // A start killed while Qt's settings lock file was still empty leaves
        // a lock that the next start waits out (30 s).
        child.waitForFinished(120000);
        const int elapsed = static_cast<int>(timer.elapsed());
        if (projects) {
            output += child.readAllStandardOutput();
            for (const QByteArray& line : output.split('\n')) {
                if (line.startsWith("project: "))
                    *projects << QString::fromUtf8(line.mid(9));
            }
        }
        return elapsed;
    }

private slots:
    void initTestCase() { test::setApplicationIdentity(); }

    void init()
    {
        QSettings().clear();
        m_documents = std::make_unique<QTemporaryDir>();
        m_application = std::make_unique<TestApplication>(m_documents->path());
        m_dialogs = m_application->installDialogController();
        test::resetModelManager();
    }

    void cleanup()
    {
        delete ModelManager::instance();
        ModelManager::instance() = nullptr;
        m_application.reset();
        m_dialogs.reset();
    }

    void localityIndexesAreAddedToOldFiles()
    {
        const QString path = makeProject("old.qz", "Old", 1, 1, 0);
        execOn(path, "DROP INDEX dataLocalityIndex; DROP INDEX linedataLocalityIndex;");
        const QString before = sqliteMaster(path);
        {
            Project opened(ProjectId(1), nullptr, QFileInfo(path).dir());
            QVERIFY(opened.isOpen());
        }
        const QString after = sqliteMaster(path);
        for (const char* table : {ProjectSchema::ProjectTable, ProjectSchema::LocalitiesTable,
                                  ProjectSchema::DataTable, ProjectSchema::LineDataTable})
            QVERIFY(after.contains(QString(table).chopped(1)));
        QCOMPARE(after.split('\n').size(), before.split('\n').size() + 2);
        QVERIFY(after.contains("index dataLocalityIndex CREATE INDEX"));
        QVERIFY(after.contains("index linedataLocalityIndex CREATE INDEX"));
        const QByteArray bytes = fileBytes(path);
        {
            Project again(ProjectId(2), nullptr, QFileInfo(path).dir());
        }
        QCOMPARE(fileBytes(path), bytes);
    }

    void aDamagedPageCostsOnlyItsRows()
    {
        const QString path = makeProject("field.qz", "Field", 6, 30, 3);
        QByteArray bytes = fileBytes(path);
        const int pageSize = (uchar(bytes[16]) << 8) | uchar(bytes[17]);
        const int page = bytes.indexOf("L3D15 ") / pageSize;
        const QByteArray damaged = bytes.mid(page * pageSize, pageSize);
        QSet<int> hit;
        for (int l = 1; l <= 6; ++l) {
            if (damaged.contains(QStringLiteral("L%1D").arg(l).toLatin1()))
                hit << l;
        }
        bytes.replace(page * pageSize, pageSize, QByteArray(pageSize, 0x55));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        file.close();

        start();
        const auto project = ModelManager::instance()->currentProject();
        QVERIFY(project);
        QCOMPARE(project->numberOfLocalities(), 6);
        for (int l = 1; l <= 6; ++l) {
            const auto locality = project->locality(idOf(l));
            QCOMPARE(locality->lines().size(), std::size_t(3));
            if (hit.contains(l))
                QVERIFY2(warned(idOf(l)), qPrintable(s_warnings.join('\n')));
            else
                QCOMPARE(locality->data().size(), std::size_t(30));
        }
        QCOMPARE(toasts(), QStringList {"Some records of Field could not be read."});
    }

    void unreadableRecordsAreNamedAndKept_data()
    {
        QTest::addColumn<QString>("table");
        QTest::addColumn<QByteArray>("message");
        QZProtoBuffers::Data noKind;
        noKind.set_dataid(dataId(2, 2));
        noKind.set_localityid(idOf(2));
        QZProtoBuffers::LineData2D noLocality;
        noLocality.set_dataid(idOf(2 * 0x10000 + 0xf02));
        QTest::newRow("data not a message") << "data" << QByteArray("\xff\xff\xff\xff not protobuf");
        QTest::newRow("data without its kind") << "data" << QByteArray::fromStdString(noKind.SerializePartialAsString());
        QTest::newRow("line without its locality")
            << "linedata" << QByteArray::fromStdString(noLocality.SerializePartialAsString());
    }

    void unreadableRecordsAreNamedAndKept()
    {
        QFETCH(QString, table);
        QFETCH(QByteArray, message);
        const QString path = makeProject("field.qz", "Field", 2, 3, 3);
        const bool data = table == "data";
        const std::string id = data ? dataId(2, 2) : idOf(2 * 0x10000 + 0xf02);
        setMessage(path, table.toStdString(), id, message.toStdString());

        start();
        const auto locality = ModelManager::instance()->currentProject()->locality(idOf(2));
        QCOMPARE(locality->data().size(), std::size_t(data ? 2 : 3));
        QCOMPARE(locality->lines().size(), std::size_t(data ? 3 : 2));
        QCOMPARE(ModelManager::instance()->currentProject()->locality(idOf(1))->data().size(), std::size_t(3));
        QVERIFY2(warned(id), qPrintable(s_warnings.join('\n')));
        QCOMPARE(toasts(), QStringList {"Some records of Field could not be read."});
        cleanup();
        SQLiteDatabase database;
        database.open(path.toStdString());
        std::string bytes;
        std::string key = id;
        SQLiteQuery query(&database);
        query.prepare("SELECT message FROM " + table.toStdString() + " WHERE dataId=?");
        query.bindTextParameter(&key);
        query.bindBlob(&bytes);
        QVERIFY(query.step());
        QCOMPARE(QByteArray::fromStdString(bytes), message);
    }

    void foldersThatCannotBeOpenedAreLeftAlone_data()
    {
        QTest::addColumn<QString>("damage");
        QTest::addColumn<bool>("otherProject");
        for (const bool other : {true, false}) {
            QTest::addRow("project row cut, other project %d", other) << "cut" << other;
            QTest::addRow("not an SQLite file, other project %d", other) << "junk" << other;
        }
    }

    void foldersThatCannotBeOpenedAreLeftAlone()
    {
        QFETCH(QString, damage);
        QFETCH(bool, otherProject);
        const QString path = makeProject("project1.qz", "Damaged", 1, 1, 0);
        if (otherProject)
            makeProject("good.qz", "Good", 1, 1, 0);
        if (damage == "cut") {
            const QByteArray whole = QByteArray::fromStdString(
                test::storedProjectRecord(path).SerializeAsString());
            int cut = whole.size() / 2;
            QZProtoBuffers::Project probe;
            while (probe.ParseFromArray(whole.constData(), cut))
                ++cut;
            execOn(path, "DELETE FROM project");
            SQLiteDatabase database;
            database.open(path.toStdString());
            std::string half = whole.left(cut).toStdString();
            std::int32_t key = 1;
            SQLiteInsert insert(&database);
            insert.prepare("INSERT INTO project (projectId, message) VALUES (?, ?)");
            insert.bind(&key);
            insert.bindBlob(&half);
            insert.execute();
        } else {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(QByteArray(3000, 'j'));
        }
        const QByteArray bytes = fileBytes(path);

        start();
        QStringList names;
        for (int i = 0; i < ModelManager::instance()->projectCount(); ++i)
            names << ModelManager::instance()->projectAt(i)->name();
        QCOMPARE(names, QStringList {otherProject ? "Good" : "Project 2"});
        QVERIFY(toasts().contains("Could not open the project in project1.qz."));
        cleanup();
        QCOMPARE(fileBytes(path), bytes);
    }

    void aProjectWhoseRowCannotBeWrittenLeavesNoFolder()
    {
        delete ModelManager::instance();
        ModelManager::instance() = new LockingModelManager;
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("no project could be opened or created"));
        ModelManager::instance()->init(root());
        QCOMPARE(ModelManager::instance()->projectCount(), 0);
        QCOMPARE(root().entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList());
    }

    void aKilledFirstStartLeavesNoHalfProject()
    {
        QTemporaryDir trials;
        const int whole = childStart(trials.path() + "/whole", nullptr);
        QVERIFY(whole >= 0);
        for (int trial = 0; trial < 20; ++trial) {
            const QString folder = trials.path() + QStringLiteral("/%1").arg(trial);
            childStart(folder, nullptr, static_cast<int>(QRandomGenerator::global()->bounded(whole + 5)));
            QStringList projects;
            childStart(folder, &projects);
            QCOMPARE(projects, QStringList {"Project 1"});
            QVERIFY(QDir(folder + "/documents").entryList({"*.creating"}, QDir::Dirs).isEmpty());
        }
    }

    void aLockedDatabaseCostsOnlyWarnings()
    {
        m_application->installLocation();
        makeProject("a.qz", "A", 1, 1, 0);
        makeProject("b.qz", "B", 1, 1, 0);
        ModelManager* manager = ModelManager::instance();
        manager->init(root());
        const auto first = manager->currentProject();
        const auto second = manager->projectAt(0) == first ? manager->projectAt(1) : manager->projectAt(0);
        const QString firstPath = first->folder().absoluteFilePath("main.db");
        {
            test::DatabaseLock lock(firstPath, "EXCLUSIVE");
            QVERIFY(lock.isLocked());
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("declination of .* could not be stored"));
            manager->onDeclinationChanged(3.0);
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("last position of .* could not be stored"));
            manager->setCurrentProject(second);
            QCOMPARE(manager->currentProject(), second);
        }
        QVERIFY(first->save());
        QCOMPARE(test::storedProjectRecord(firstPath).declination(), 3.0f);
        test::DatabaseLock lock(second->folder().absoluteFilePath("main.db"), "EXCLUSIVE");
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("last position of .* could not be stored"));
        cleanup();
    }

    void anInsertIntoAFullDatabaseFails()
    {
        const QString path = makeProject("full.qz", "Full", 1, 1, 0);
        Project project(ProjectId(3), nullptr, QFileInfo(path).dir());
        project.database()->exec("PRAGMA max_page_count = 1");
        auto big = Data::createPlane(idOf(0xbeef), idOf(1), 46, 7, 30, 90, 0, 1, QString(20000, 'x'));
        QVERIFY(!project.syncDataDetails(big));
        project.database()->exec("PRAGMA max_page_count = 100000");
        QVERIFY(project.syncDataDetails(big));
    }
};

int main(int argc, char** argv)
{
    if (argc == 3 && qstrcmp(argv[1], "--start-once") == 0) {
        QCoreApplication app(argc, argv);
        return startOnce(QString::fromLocal8Bit(argv[2]));
    }
    QGuiApplication app(argc, argv);
    TestProjectStorage test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_projectstorage.moc"
