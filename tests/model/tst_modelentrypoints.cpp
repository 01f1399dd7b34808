#include "Database/ObjectTaskRunner.h"
#include "Database/Quarzel.pb.h"
#include "model/Data.h"
#include "model/ExportTask.h"
#include "model/Locality.h"
#include "model/ModelManager.h"
#include "model/Project.h"
#include "support/ProjectFixture.h"

#include <QSemaphore>
#include <QtTest>

using namespace kiv;
using kiv::test::idOf;

namespace {

class SharingApplication : public ApplicationManager
{
public:
    SharingApplication()
        : ApplicationManager(nullptr)
    {
    }
    bool shareFiles(const QStringList& files) override
    {
        shared << files;
        return true;
    }
    QList<QStringList> shared;
};

// The progress item's interface as the task runner uses it.
class ProgressItem : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool running MEMBER running)
public:
    bool running = false;
    bool completed = false;
    bool successful = false;
    Q_INVOKABLE void onCompleted(const QVariant& task)
    {
        completed = true;
        successful = task.value<QObject*>()->property("successful").toBool();
    }
signals:
    void cancelled();
};

} // namespace

class TestModelEntryPoints : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<test::ProjectFixture> m_fixture;
    std::unique_ptr<SharingApplication> m_application;
    std::unique_ptr<ObjectTaskRunner> m_runner;

    ModelManager& manager() { return *ModelManager::instance(); }
    QString folder() { return m_fixture->project->folder().absolutePath(); }

private slots:
    void init()
    {
        m_fixture = std::make_unique<test::ProjectFixture>();
        QVERIFY(m_fixture->isValid());
        m_application = std::make_unique<SharingApplication>();
        m_runner = std::make_unique<ObjectTaskRunner>();
    }

    void cleanup()
    {
        ExportTask::setExporter({});
        m_runner.reset();
        m_application.reset();
        m_fixture.reset();
    }

    void shareKMZWithoutExportFails()
    {
        QString expected = folder();
        expected.chop(3);
        QTest::ignoreMessage(QtWarningMsg, qPrintable("Path does not exist: " + expected + ".kmz"));
        QVERIFY(!manager().shareKMZ());
        QVERIFY(m_application->shared.isEmpty());
    }

    void sharesExportedFiles()
    {
        QString archive = folder();
        archive.chop(3);
        archive += ".kiv";
        QFile(archive).open(QIODevice::WriteOnly);
        QVERIFY(manager().shareKIV());
        QVERIFY(manager().shareCSV());
        QCOMPARE(m_application->shared.size(), 2);
        QCOMPARE(m_application->shared[0], QStringList({archive}));
        QStringList csv;
        for (const char* name : {"localities", "plane", "line", "image", "note", "polyline", "sighting", "stratcolumn"})
            csv << folder() + "/" + name + ".csv";
        QCOMPARE(m_application->shared[1], csv);
    }

    void onlyTheFolderEndingIsReplaced()
    {
        QTemporaryDir root;
        QVERIFY(QDir().mkpath(root.path() + "/x.qz_data/p.qz"));
        auto project = manager().createProject("P", QDir(root.path() + "/x.qz_data/p.qz"));
        QVERIFY(project);
        manager().setCurrentProject(project);
        const QString archive = root.path() + "/x.qz_data/p.kmz";
        QFile(archive).open(QIODevice::WriteOnly);
        QVERIFY(manager().shareKMZ());
        QCOMPARE(m_application->shared, QList<QStringList>({{archive}}));
    }

    void exportRunsOnlyForOwnProjects()
    {
        std::atomic<int> calls {0};
        QSemaphore release;
        ExportTask::setExporter([&](int kind, ExportTask&, Project&, bool) {
            ++calls;
            release.acquire();
            return kind == ExportTask::KMZ;
        });
        ProgressItem item;
        QVERIFY(!manager().exportProjectToKML(nullptr, &item));
        Project stranger;
        QVERIFY(!manager().exportProjectToKML(&stranger, &item));
        QVERIFY(manager().exportProjectToKML(m_fixture->project.get(), &item));
        QTRY_COMPARE(calls.load(), 1);
        QVERIFY(!item.completed);
        release.release();
        QTRY_VERIFY(item.completed);
        QVERIFY(item.successful);
        QCOMPARE(calls.load(), 1);
    }

    void importRefusesUnknownAndSelf()
    {
        QVERIFY(!manager().importIntoCurrentProject(99999, true, true));
        QVERIFY(!manager().importIntoCurrentProject(uint(m_fixture->project->projectId().value()), true, true));
    }

    void importMergesIntoTheCurrentProject()
    {
        QTemporaryDir root;
        QVERIFY(QDir().mkpath(root.path() + "/s.qz"));
        auto source = manager().createProject("South", QDir(root.path() + "/s.qz"));
        auto locality = source->createLocality(idOf(5));
        locality->setName("A");
        QVERIFY(source->syncLocalityDetails(locality.get()));
        manager().setCurrentProject(m_fixture->project);
        QSignalSpy changed(m_fixture->project.get(), &Project::localityListChanged);
        ProgressItem item;
        QVERIFY(manager().importIntoCurrentProject(uint(source->projectId().value()), false, false, &item));
        QTRY_VERIFY(item.completed);
        QVERIFY(item.successful);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(m_fixture->project->localities().front()->name(), QString("South: A"));
    }

    void addPlaneDataNeedsACurrentLocality()
    {
        const std::size_t rows = m_fixture->messages("data").size();
        manager().setCurrentLocality(std::shared_ptr<Locality>());
        manager().addPlaneData(46, 7, 30, 90, 0, 1, "x");
        QCOMPARE(m_fixture->messages("data").size(), rows);
        manager().setCurrentLocality(m_fixture->locality);
        manager().addPlaneData(46, 7, 30, 90, 0, 1, "x");
        const auto messages = m_fixture->messages("data");
        QCOMPARE(messages.size(), rows + 1);
        QCOMPARE(int(m_fixture->locality->data().size()), 1);
        QCOMPARE(m_fixture->locality->data().front()->dip(), 30.0f);
    }

    void deletePointDataInAnotherLocality()
    {
        auto other = m_fixture->addLocality(idOf(0xb2), 2000);
        auto datum = other->addPlane(idOf(7), 46, 7, 20, 10, 0, 1, "p");
        QVERIFY(m_fixture->project->syncDataDetails(datum));
        QCOMPARE(m_fixture->messages("data").size(), std::size_t(1));
        manager().deletePointData(QString::fromStdString(idOf(7)));
        QVERIFY(other->data().empty());
        QVERIFY(m_fixture->messages("data").empty());
    }
};

QTEST_MAIN(TestModelEntryPoints)

#include "tst_modelentrypoints.moc"
