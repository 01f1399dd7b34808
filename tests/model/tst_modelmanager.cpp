#include <QtTest>

#include "Database/Quarzel.pb.h"
#include "app/ApplicationManager.h"
#include "model/Data.h"
#include "model/Index.h"
#include "model/Locality.h"
#include "model/ModelManager.h"
#include "model/Project.h"
#include "support/ApplicationIdentity.h"
#include "support/FileSizeLimit.h"
#include "support/ProjectFixture.h"
#include "support/ScriptedLocationManager.h"
#include "tools/ImageTool.h"

#include <memory>

using namespace kiv;
using kiv::test::idOf;

namespace {

// Counts declination requests instead of computing them.
class FakeLocationManager : public test::ScriptedLocationManager
{
public:
    int declinationRequests = 0;

    void startDeclinationUpdates() override { ++declinationRequests; }
    void report(double declination) { setDeclination(declination); }
};

// An application manager whose documents folder and sensors the test picks.
class TestApplication : public test::DocumentsApplication
{
public:
    using DocumentsApplication::DocumentsApplication;
    FakeLocationManager* installLocationManager()
    {
        auto* location = new FakeLocationManager;
        location->setParent(this);
        setSensors(location, nullptr);
        return location;
    }
};

QZProtoBuffers::Project storedRecord(const QString& folder)
{
    return test::storedProjectRecord(QDir(folder).absoluteFilePath("main.db"));
}

QStringList indexedPaths()
{
    QZProtoBuffers::Index record;
    const QByteArray bytes = QSettings().value(Index::Key).toByteArray();
    record.ParseFromArray(bytes.constData(), bytes.size());
    QStringList paths;
    for (const std::string& path : record.projectpath())
        paths << QString::fromStdString(path);
    return paths;
}

} // namespace

class TestModelManager : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_documents;
    std::unique_ptr<TestApplication> m_application;
    FakeLocationManager* m_location = nullptr;

    QDir root() const { return QDir(m_documents->path()); }

    // "name/" makes a folder in the documents folder, "name" an empty file.
    void makeEntries(const QStringList& entries)
    {
        for (const QString& entry : entries) {
            QFile file(root().absoluteFilePath(entry));
            QVERIFY(entry.endsWith('/') ? root().mkpath(entry) : file.open(QIODevice::WriteOnly));
        }
    }

    // A project folder in the documents folder with a stored project row.
    // Its localities have the ids firstLocality, firstLocality + 1, ...
    QString makeProject(const QString& folderName, const QString& name, qint64 stamp,
                        int localities = 0, float declination = 2.0f, int firstLocality = 1)
    {
        const QString path = root().absoluteFilePath(folderName);
        QDir().mkpath(path);
        Project project(ProjectId(900), nullptr, name, QString(), QString(), QDir(path));
        project.setTimeStamp(stamp);
        project.setDeclination(declination);
        project.save();
        for (int i = 1; i <= localities; ++i) {
            Locality locality(ProjectId(900), idOf(firstLocality + i - 1));
            locality.setTimeStamp(stamp + i);
            project.syncLocalityDetails(&locality);
        }
        return path;
    }

private slots:
    void initTestCase() { test::setApplicationIdentity(); }

    void init()
    {
        QSettings().clear();
        m_documents = std::make_unique<QTemporaryDir>();
        QVERIFY(m_documents->isValid());
        m_application = std::make_unique<TestApplication>(m_documents->path());
        test::resetModelManager();
        m_location = m_application->installLocationManager();
    }

    void cleanup()
    {
        delete ModelManager::instance();
        ModelManager::instance() = nullptr;
        m_application.reset();
        m_location = nullptr;
    }

    void emptyRootCreatesTheFirstProject()
    {
        ModelManager* manager = ModelManager::instance();
        QSignalSpy files(m_application.get(), &ApplicationManager::fileSystemChanged);
        manager->init(root());
        const QString folder = root().absoluteFilePath("project1.qz");
        QVERIFY(QFileInfo::exists(folder + "/main.db"));
        QCOMPARE(manager->projectCount(), 1);
        QCOMPARE(manager->currentProject(), manager->projectAt(0));
        QCOMPARE(manager->currentProject()->name(), QStringLiteral("Project 1"));
        QCOMPARE(QSettings().value("currentProject").toString(), folder);
        // New pictures go to the current project's images folder.
        QVERIFY(ImageTool::uniqueImagePath("IMG_", ".jpeg").startsWith(folder + "/images/IMG_"));
        QCOMPARE(indexedPaths(), QStringList{folder});
        QCOMPARE(files.count(), 1);
        QCOMPARE(files.at(0).at(0).toStringList(), QStringList{folder + "/main.db"});
        // The first project is saved with its symbols.
        QCOMPARE(storedRecord(folder).symbols_size(), 16);
    }

    void startUpWithoutAnyUsableRoot()
    {
        QFile blocker(root().absoluteFilePath("file"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("no project could be opened or created"));
        ModelManager::instance()->init(QDir(root().absoluteFilePath("file")));
        QCOMPARE(ModelManager::instance()->projectCount(), 0);
        QVERIFY(!ModelManager::instance()->currentProject());
    }

    void indexComesBeforeTheScan_data()
    {
        QTest::addColumn<bool>("indexUsable");
        QTest::addColumn<QStringList>("expectedNames"); // newest first
        QTest::newRow("index opens") << true << QStringList{"Indexed"};
        QTest::newRow("stale index, scan") << false << QStringList{"Newer", "Older"};
    }

    void indexComesBeforeTheScan()
    {
        QFETCH(bool, indexUsable);
        QFETCH(QStringList, expectedNames);
        makeProject("a.qz", "Older", 100);
        makeProject("b.qz", "Newer", 200);
        makeProject("c.notqz", "Elsewhere", 300);
        QTemporaryDir outside;
        const QString indexed = QDir(outside.path()).absoluteFilePath("x");
        QDir().mkpath(indexed);
        if (indexUsable) {
            Project project(ProjectId(901), nullptr, "Indexed", QString(), QString(), QDir(indexed));
        }
        QZProtoBuffers::Index record;
        record.add_projectpath(indexed.toStdString());
        std::string bytes;
        record.SerializeToString(&bytes);
        QSettings().setValue(Index::Key, QByteArray(bytes.data(), int(bytes.size())));

        ModelManager* manager = ModelManager::instance();
        manager->init(root());
        QStringList names;
        for (int i = 0; i < manager->projectCount(); ++i)
            names << manager->projectAt(i)->name();
        QCOMPARE(names, expectedNames);
        QCOMPARE(manager->currentProject(), manager->projectAt(0));
    }

    void storedChoicesAreRestored_data()
    {
        QTest::addColumn<QString>("storedProject"); // folder name, empty: none
        QTest::addColumn<int>("storedLocality");    // 0: none
        QTest::addColumn<QString>("expectedProject");
        QTest::addColumn<int>("expectedLocality"); // -1: none
        QTest::newRow("nothing stored") << "" << 0 << "Newer" << 12;
        QTest::newRow("older project, its older locality") << "a.qz" << 1 << "Older" << 1;
        QTest::newRow("older project, its newest locality") << "a.qz" << 2 << "Older" << 2;
        QTest::newRow("locality gone: the newest") << "a.qz" << 7 << "Older" << 2;
        QTest::newRow("another project's locality: the newest") << "a.qz" << 11 << "Older" << 2;
        QTest::newRow("project gone") << "gone.qz" << 1 << "Newer" << 12;
        QTest::newRow("project gone, its locality stored") << "gone.qz" << 11 << "Newer" << 12;
    }

    void storedChoicesAreRestored()
    {
        QFETCH(QString, storedProject);
        QFETCH(int, storedLocality);
        QFETCH(QString, expectedProject);
        QFETCH(int, expectedLocality);
        makeProject("a.qz", "Older", 100, 2);
        makeProject("b.qz", "Newer", 200, 2, 2.0f, 11);
        if (!storedProject.isEmpty())
            QSettings().setValue("currentProject", root().absoluteFilePath(storedProject));
        if (storedLocality)
            QSettings().setValue("currentLocality", QString::fromStdString(idOf(storedLocality)));
        ModelManager* manager = ModelManager::instance();
        manager->init(root());
        QCOMPARE(manager->currentProject()->name(), expectedProject);
        if (expectedLocality < 0) {
            QVERIFY(!manager->currentLocality());
            QVERIFY(!QSettings().contains("currentLocality"));
            QCOMPARE(manager->currentProject()->numberOfLocalities(), 2);
        } else {
            QVERIFY(manager->currentLocality());
            QCOMPARE(manager->currentLocality()->id(), idOf(expectedLocality));
            QCOMPARE(QSettings().value("currentLocality").toString(), QString::fromStdString(idOf(expectedLocality)));
        }
        QCOMPARE(QSettings().value("currentProject").toString(), manager->currentProject()->folder().absolutePath());
    }

    // The locality current at the end is current again at the next start,
    // whichever project it was chosen in before.
    void restartRestoresTheLocalityOfTheProjectThatOpens_data()
    {
        QTest::addColumn<QStringList>("steps"); // "A", "B": switch; a number: pick that locality
        QTest::addColumn<QString>("expectedProject");
        QTest::addColumn<int>("expectedLocality"); // -1: none
        QTest::newRow("picked in A, switched to B") << QStringList{"A", "1", "B"} << "B" << 12;
        QTest::newRow("picked in A, then in B") << QStringList{"A", "1", "B", "11"} << "B" << 11;
        QTest::newRow("picked in B, switched to A and back")
            << QStringList{"11", "A", "1", "B"} << "B" << 12;
        QTest::newRow("the newest picked after a switch") << QStringList{"A", "1", "B", "12"} << "B" << 12;
        QTest::newRow("picked in A, switched to the empty C") << QStringList{"A", "1", "C"} << "C" << -1;
        QTest::newRow("from the empty C to A") << QStringList{"C", "A"} << "A" << 2;
    }

    void restartRestoresTheLocalityOfTheProjectThatOpens()
    {
        QFETCH(QStringList, steps);
        QFETCH(QString, expectedProject);
        QFETCH(int, expectedLocality);
        makeProject("a.qz", "A", 100, 2);
        makeProject("b.qz", "B", 200, 2, 2.0f, 11);
        makeProject("c.qz", "C", 50, 0);
        ModelManager* manager = ModelManager::instance();
        manager->init(root());
        for (const QString& step : steps) {
            bool number = false;
            const int locality = step.toInt(&number);
            if (number) {
                manager->setCurrentLocality(manager->currentProject()->locality(idOf(locality)));
                QVERIFY(manager->currentLocality());
                QCOMPARE(manager->currentLocality()->id(), idOf(locality));
                continue;
            }
            for (int i = 0; i < manager->projectCount(); ++i) {
                if (manager->projectAt(i)->name() == step)
                    manager->setCurrentProject(manager->projectAt(i));
            }
            QCOMPARE(manager->currentProject()->name(), step);
        }

        test::resetModelManager();
        manager = ModelManager::instance();
        manager->init(root());
        QCOMPARE(manager->currentProject()->name(), expectedProject);
        if (expectedLocality < 0) {
            QVERIFY(!manager->currentLocality());
        } else {
            QVERIFY(manager->currentLocality());
            QCOMPARE(manager->currentLocality()->id(), idOf(expectedLocality));
        }
    }

    void folderNumbering_data()
    {
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<bool>("startUp"); // init() on the root, else createProject()
        QTest::addColumn<QString>("expected"); // empty: the disk is full, nothing is made
        QTest::newRow("start: folder without main.db") << QStringList{"project1.qz/"} << true << "project2.qz";
        QTest::newRow("start: file in the way") << QStringList{"project1.qz", "project2.qz/"} << true << "project3.qz";
        QTest::newRow("empty") << QStringList{} << false << "project1.qz";
        QTest::newRow("after 1") << QStringList{"project1.qz/"} << false << "project2.qz";
        QTest::newRow("after 1 and 3") << QStringList{"project1.qz/", "project3.qz/"} << false << "project4.qz";
        QTest::newRow("after 1 and 7") << QStringList{"project1.qz/", "Project_7.qz/"} << false << "project8.qz";
        QTest::newRow("files count too") << QStringList{"project3.qz"} << false << "project4.qz";
        QTest::newRow("unanchored") << QStringList{"myproject12.qz/"} << false << "project13.qz";
        QTest::newRow("other names") << QStringList{"notes.qz/", "project2.txt/"} << false << "project1.qz";
        QTest::newRow("full disk") << QStringList{"project1.qz/"} << false << "";
    }

    void folderNumbering()
    {
        QFETCH(QStringList, entries);
        QFETCH(bool, startUp);
        QFETCH(QString, expected);
        makeEntries(entries);
        ModelManager* manager = ModelManager::instance();
        QSignalSpy list(manager, &ModelManager::projectListChanged);
        const QStringList before = root().entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
        std::unique_ptr<test::FileSizeLimit> full;
        if (expected.isEmpty())
            full = std::make_unique<test::FileSizeLimit>(0);
        if (startUp)
            manager->init(root());
        else
            QCOMPARE(manager->createProject() == -1, bool(full));
        if (full) {
            full.reset();
            QCOMPARE(manager->projectCount(), 0);
            QCOMPARE(root().entryList(QDir::AllEntries | QDir::NoDotAndDotDot), before);
            return;
        }
        QCOMPARE(manager->projectCount(), 1);
        const auto project = manager->projectAt(0);
        QCOMPARE(project->folder().dirName(), expected);
        QCOMPARE(project->name(), QStringLiteral("Project %1").arg(expected.mid(7, expected.size() - 10)));
        QCOMPARE(indexedPaths(), QStringList{project->folder().absolutePath()});
        // A created project waits to be chosen; the first one at start-up is current.
        QCOMPARE(manager->currentProject() == project, startUp);
        if (!startUp)
            QCOMPARE(list.count(), 1);
    }

    void switchingProjects()
    {
        makeProject("a.qz", "With", 100, 2);
        makeProject("b.qz", "Without", 200, 0);
        ModelManager* manager = ModelManager::instance();
        manager->init(root());
        QCOMPARE(manager->currentProject()->name(), QStringLiteral("Without"));
        QVERIFY(!manager->currentLocality());
        const auto with = manager->projectAt(1);
        QCOMPARE(with->numberOfLocalities(), 0); // only the current project is loaded

        QSignalSpy project(manager, &ModelManager::currentProjectChanged);
        QSignalSpy locality(manager, &ModelManager::currentLocalityChanged);
        QSignalSpy unit(manager, &ModelManager::currentRockUnitChanged);
        manager->setCurrentProject(with->qmlId());
        QCOMPARE(project.count(), 1);
        QCOMPARE(project.at(0).at(0).value<Project*>(), with.get());
        QCOMPARE(locality.count(), 1);
        QCOMPARE(locality.at(0).at(0).value<Locality*>(), manager->currentLocality().get());
        QCOMPARE(manager->currentLocality()->id(), idOf(2));
        QCOMPARE(manager->projectAt(0)->numberOfLocalities(), 0); // the closed one dropped its content

        // Switching to the current project announces nothing.
        const int announced = project.count() + locality.count() + unit.count();
        manager->setCurrentProject(with->qmlId());
        manager->setCurrentProject(with);
        QCOMPARE(project.count() + locality.count() + unit.count(), announced);

        manager->setCurrentProject(manager->projectAt(0));
        QCOMPARE(locality.count(), 2);
        QVERIFY(!locality.at(1).at(0).value<Locality*>());
        QVERIFY(!manager->currentLocality());
    }

    void currentRockUnit_data()
    {
        QTest::addColumn<int>("stored");
        QTest::addColumn<QList<int>>("units");
        QTest::addColumn<int>("expected");
        QTest::addColumn<QString>("colour");
        QTest::addColumn<QString>("name");
        QTest::newRow("stored 0, units 3 and 5") << 0 << QList<int>{3, 5} << 3 << "#030303" << "Unit 3";
        QTest::newRow("stored unit kept") << 5 << QList<int>{3, 5} << 5 << "#050505" << "Unit 5";
        QTest::newRow("stored unit missing") << 9 << QList<int>{3} << 3 << "#030303" << "Unit 3";
        QTest::newRow("no units") << 0 << QList<int>{} << -1 << "#000000" << "";
    }

    void currentRockUnit()
    {
        QFETCH(int, stored);
        QFETCH(QList<int>, units);
        QFETCH(int, expected);
        QFETCH(QString, colour);
        QFETCH(QString, name);
        const QString folder = makeProject("a.qz", "A", 100);
        {
            Project project(ProjectId(902), nullptr, QDir(folder));
            for (int id : units)
                project.addRockUnit(id, QStringLiteral("Unit %1").arg(id), QColor(id, id, id), 0);
            QVERIFY(project.save());
        }
        QSettings().setValue("currentRockUnit", stored);
        ModelManager* manager = ModelManager::instance();
        QSignalSpy colours(manager, &ModelManager::currentRockUnitColorChanged);
        manager->init(root());
        QCOMPARE(manager->currentRockUnit(), expected);
        QCOMPARE(manager->currentRockUnitColor().name(), colour);
        QCOMPARE(manager->currentRockUnitName(), name);
        QCOMPARE(colours.count(), 1);
        QCOMPARE(colours.at(0).at(0).value<QColor>().name(), colour);

        // A strat column change announces the unit's looks again.
        QSignalSpy names(manager, &ModelManager::currentRockUnitNameChanged);
        emit manager->currentProject()->stratColumnChanged();
        QCOMPARE(names.count(), 1);
        QCOMPARE(names.at(0).at(0).toString(), name);
    }

    void currentSymbol_data()
    {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<int>("expected");
        QTest::newRow("nothing stored") << QVariant() << 1;
        QTest::newRow("known symbol") << QVariant(11) << 11;
        QTest::newRow("unknown symbol") << QVariant(99) << 1;
    }

    void currentSymbol()
    {
        QFETCH(QVariant, stored);
        QFETCH(int, expected);
        ModelManager* manager = ModelManager::instance();
        manager->init(root());
        if (stored.isValid())
            QSettings().setValue("currentSymbol", stored);
        QCOMPARE(manager->currentSymbol(), expected);
        QSignalSpy changed(manager, &ModelManager::currentSymbolChanged);
        manager->setCurrentSymbol(expected);
        QCOMPARE(changed.count(), 0);
        manager->setCurrentSymbol(4);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(manager->currentSymbol(), 4);
    }

    void noCurrentProjectFallbacks()
    {
        ModelManager* manager = ModelManager::instance();
        QCOMPARE(manager->mostRecentImage(), QString());
        QCOMPARE(manager->currentRockUnitColor(), QColor(Qt::black));
        QCOMPARE(manager->currentRockUnitName(), QString());
        QCOMPARE(manager->rockUnitName(3), QString());
        QVERIFY(!manager->rockUnitColor(-1).isValid());
        QCOMPARE(manager->currentSymbol(), 1);
        manager->closeCurrentProject();
        manager->onDeclinationChanged(3.0);
    }

    void removingTheOnlyProjectIsRefused()
    {
        ModelManager* manager = ModelManager::instance();
        manager->init(root());
        QTest::ignoreMessage(QtWarningMsg, "Cannot delete the last project");
        QVERIFY(!manager->removeProjectById(manager->currentProject()->qmlId()));
        QCOMPARE(manager->projectCount(), 1);
        QVERIFY(QFileInfo::exists(root().absoluteFilePath("project1.qz/main.db")));
    }

    void removingTheCurrentProject()
    {
        const QString older = makeProject("a.qz", "Older", 100, 1);
        const QString newer = makeProject("b.qz", "Newer", 200, 1);
        ModelManager* manager = ModelManager::instance();
        manager->init(root());
        QCOMPARE(manager->currentProject()->name(), QStringLiteral("Newer"));
        m_location->setLastKnownCoordinate(QPointF(8.5, 47.25));
        QSignalSpy project(manager, &ModelManager::currentProjectChanged);
        QVERIFY(!manager->removeProjectById(4242));
        QVERIFY(manager->removeProjectById(manager->currentProject()->qmlId()));
        QVERIFY(!QFileInfo::exists(newer));
        QCOMPARE(manager->projectCount(), 1);
        QCOMPARE(manager->currentProject()->name(), QStringLiteral("Older"));
        QCOMPARE(manager->currentLocality()->id(), idOf(1));
        QCOMPARE(project.count(), 1);
        QCOMPARE(indexedPaths(), QStringList{older});
        QCOMPARE(project.at(0).at(0).value<Project*>(), manager->currentProject().get());
    }

    void externalProjects_data()
    {
        QTest::addColumn<bool>("sibling");
        QTest::newRow("elsewhere") << false;
        // ".../Documents2" starts with ".../Documents" and is still outside.
        QTest::newRow("sibling with the same prefix") << true;
    }

    void externalProjects()
    {
        QFETCH(bool, sibling);
        makeProject("a.qz", "Home", 100);
        QTemporaryDir elsewhere;
        const QString outside = sibling ? root().absolutePath() + "2" : elsewhere.path();
        const QString external = QDir(outside).absoluteFilePath("field.qz");
        QVERIFY(QDir().mkpath(external));
        const auto removeSibling = qScopeGuard([&] {
            if (sibling)
                QDir(outside).removeRecursively();
        });
        {
            Project project(ProjectId(903), nullptr, "Away", QString(), QString(), QDir(external));
            project.setTimeStamp(50);
            project.save();
        }
        ModelManager* manager = ModelManager::instance();
        manager->init(root());
        const auto current = manager->currentProject();
        QVERIFY(manager->loadExternalProject(QUrl::fromLocalFile(external)));
        QCOMPARE(manager->projectCount(), 2);
        QCOMPARE(manager->currentProject(), current);
        QCOMPARE(indexedPaths(), (QStringList{root().absoluteFilePath("a.qz"), external}));
        // The same folder again, also spelled differently.
        QVERIFY(!manager->loadExternalProject(QUrl::fromLocalFile(external)));
        QVERIFY(!manager->loadExternalProject(QUrl::fromLocalFile(outside + "/./field.qz/")));
        QCOMPARE(manager->projectCount(), 2);

        QVERIFY(manager->removeProjectById(manager->projectAt(1)->qmlId()));
        QVERIFY(QFileInfo::exists(external + "/main.db"));
        QCOMPARE(indexedPaths(), QStringList{root().absoluteFilePath("a.qz")});
    }

    void externalFoldersThatCannotBeOpened_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("not a local file") << "http";
        QTest::newRow("missing folder") << "missing";
        QTest::newRow("no main.db") << "empty";
        QTest::newRow("damaged main.db") << "junk";
    }

    void externalFoldersThatCannotBeOpened()
    {
        QFETCH(QString, kind);
        ModelManager* manager = ModelManager::instance();
        manager->init(root());
        const QStringList indexBefore = indexedPaths();
        QTemporaryDir outside;
        const QString folder = QDir(outside.path()).absoluteFilePath("p.qz");
        QUrl url = QUrl::fromLocalFile(folder);
        if (kind == "http")
            url = QUrl("http://127.0.0.1/p.qz");
        if (kind == "empty" || kind == "junk")
            QDir().mkpath(folder);
        if (kind == "junk") {
            QFile file(folder + "/main.db");
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(QByteArray(2048, 'j'));
        }
        QVERIFY(!manager->loadExternalProject(url));
        QCOMPARE(manager->projectCount(), 1);
        QCOMPARE(indexedPaths(), indexBefore);
    }

    void declinationIsFilledOnce()
    {
        const QString folder = makeProject("a.qz", "A", 100, 0, 999.0f);
        ModelManager* manager = ModelManager::instance();
        manager->init(root());
        QCOMPARE(m_location->declinationRequests, 1);
        QVERIFY(!storedRecord(folder).has_declination());
        m_location->report(999.0);
        QCOMPARE(manager->currentProject()->declination(), 999.0f);
        m_location->report(4.5);
        QCOMPARE(manager->currentProject()->declination(), 4.5f);
        const auto record = storedRecord(folder);
        QVERIFY(record.has_declination());
        QCOMPARE(record.declination(), 4.5f);
        m_location->report(7.0);
        QCOMPARE(manager->currentProject()->declination(), 4.5f);
    }

    void knownDeclinationAsksNothing()
    {
        makeProject("a.qz", "A", 100, 0, 1.0f);
        ModelManager::instance()->init(root());
        QCOMPARE(m_location->declinationRequests, 0);
    }

    void withoutLocationManager()
    {
        m_application = std::make_unique<TestApplication>(m_documents->path());
        makeProject("a.qz", "A", 100, 0, 999.0f);
        makeProject("b.qz", "B", 200, 0, 999.0f);
        ModelManager* manager = ModelManager::instance();
        manager->init(root());
        manager->setCurrentProject(manager->projectAt(1));
        QCOMPARE(manager->currentProject()->name(), QStringLiteral("A"));
    }

    // The position is stored, the altitude is not: after a restart it is
    // the manager's own.
    void closingStoresAKnownPosition_data()
    {
        QTest::addColumn<QPointF>("reported");
        QTest::addColumn<double>("latitude");
        QTest::addColumn<double>("longitude");
        QTest::addColumn<double>("altitude");
        QTest::newRow("known") << QPointF(8.5, 47.25) << 47.25 << 8.5 << 0.0;
        QTest::newRow("none") << QPointF(999, 999) << 46.0 << 7.0 << 0.0;
        QTest::newRow("null point") << QPointF(0, 0) << 46.0 << 7.0 << 0.0;
    }

    void closingStoresAKnownPosition()
    {
        QFETCH(QPointF, reported);
        QFETCH(double, latitude);
        QFETCH(double, longitude);
        QFETCH(double, altitude);
        const QString folder = makeProject("a.qz", "A", 100);
        {
            Project project(ProjectId(904), nullptr, QDir(folder));
            project.setLastLatitude(46.0);
            project.setLastLongitude(7.0);
            QVERIFY(project.save());
        }
        ModelManager* manager = ModelManager::instance();
        manager->init(root());
        m_location->setLastKnownCoordinate(reported);
        m_location->setAltitude(250.5);
        manager->closeCurrentProject();
        QVERIFY(!manager->currentProject());
        const auto record = storedRecord(folder);
        QCOMPARE(record.lastlatitude(), latitude);
        QCOMPARE(record.lastlongitude(), longitude);

        // As after a restart.
        m_location->setAltitude(0.0);
        m_location->setLastKnownCoordinate(QPointF(1, 2));
        manager->init(root());
        QCOMPARE(m_location->lastKnownCoordinate(), QPointF(longitude, latitude));
        QCOMPARE(m_location->altitude(), altitude);
    }

    void mostRecentImage()
    {
        makeProject("a.qz", "A", 100, 2);
        ModelManager* manager = ModelManager::instance();
        manager->init(root());
        const auto project = manager->currentProject();
        const auto older = project->locality(idOf(1));
        const auto newer = project->locality(idOf(2));
        auto add = [](const std::shared_ptr<Locality>& locality, int n, const QString& path, qint64 stamp) {
            auto data = Data::createImage(idOf(n), locality->id(), 0, 0, 0, path, QString(), QString(), QString());
            data->setTimeStamp(stamp);
            locality->addData(data);
        };
        add(older, 10, "IMG_old.jpeg", 500);
        QSignalSpy changed(manager, &ModelManager::mostRecentImageChanged);
        emit project->dataListChanged();
        QCOMPARE(changed.count(), 1);
        const QString images = project->folder().absolutePath() + "/images/";
        QCOMPARE(manager->mostRecentImage(), QUrl::fromLocalFile(images + "IMG_old.jpeg").toString());
        add(newer, 11, "STEREONET_1.png", 900);
        add(newer, 12, "MAP_1.png", 800);
        add(newer, 13, "IMG_new.jpeg", 700);
        add(newer, 14, "stereonet_lower.png", 100);
        QCOMPARE(manager->mostRecentImage(), QUrl::fromLocalFile(images + "IMG_new.jpeg").toString());
    }

    void projectSizeOfTheCurrentProject()
    {
        makeProject("a.qz", "A", 100, 1);
        ModelManager* manager = ModelManager::instance();
        manager->init(root());
        const auto project = manager->currentProject();
        QCOMPARE(project->numberOfLocalities(), 1);
        project->projectSize();
        QCOMPARE(project->numberOfLocalities(), 1);
        // Another project's localities are read for the count and dropped.
        const QString other = makeProject("b.qz", "B", 50, 2);
        QVERIFY(manager->loadExternalProject(QUrl::fromLocalFile(other)));
        const auto second = manager->projectAt(1);
        second->projectSize();
        QCOMPARE(second->numberOfLocalities(), 0);
    }
};

QTEST_GUILESS_MAIN(TestModelManager)
#include "tst_modelmanager.moc"
