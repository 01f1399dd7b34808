#include "Database/ObjectTaskRunner.h"
#include "app/ApplicationManagerWin.h"
#include "model/ExportTask.h"
#include "model/Locality.h"
#include "model/Project.h"
#include "support/ExportFixture.h"

#include <QtTest>

#include <atomic>

using namespace kiv;
using namespace kiv::test;

class TestExportTask : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<ApplicationManagerWin> m_application;
    std::unique_ptr<ObjectTaskRunner> m_runner;

private slots:
    void initTestCase()
    {
        m_application = std::make_unique<ApplicationManagerWin>(nullptr);
        m_runner = std::make_unique<ObjectTaskRunner>();
    }

    void cleanupTestCase()
    {
        m_runner.reset();
        m_application.reset();
    }

    void cleanup() { ExportTask::setExporter({}); }

    void runsTheExporterOfItsKind_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("convention");
        QTest::addColumn<bool>("result");
        QTest::addColumn<int>("calls");
        QTest::addColumn<bool>("strikeRHR");
        QTest::newRow("KMZ, strike, succeeds") << 2 << int(ApplicationManager::DipStrikeRHR) << true << 1 << true;
        QTest::newRow("KMZ, dip azimuth, fails") << 2 << int(ApplicationManager::DipAzimuth) << false << 1 << false;
        QTest::newRow("KMZ, dip azimuth, succeeds") << 2 << int(ApplicationManager::DipAzimuth) << true << 1 << false;
        QTest::newRow("CSV") << 0 << int(ApplicationManager::DipAzimuth) << true << 1 << false;
        QTest::newRow("kind 7") << 7 << int(ApplicationManager::DipAzimuth) << true << 0 << false;
    }

    void runsTheExporterOfItsKind()
    {
        QFETCH(int, kind);
        QFETCH(int, convention);
        QFETCH(bool, result);
        QFETCH(int, calls);
        QFETCH(bool, strikeRHR);
        ExportFixture fixture;
        m_application->setAngleConvention(ApplicationManager::AngleConvention(convention));
        std::atomic<int> called{0};
        std::atomic<bool> passedStrike{false};
        std::atomic<bool> onWorker{false};
        Project* expected = fixture.project.get();
        ExportTask::setExporter([&](int exportKind, ExportTask& task, Project& project, bool strike) {
            ++called;
            passedStrike = strike;
            onWorker = QThread::currentThread() != qApp->thread();
            return exportKind == kind && task.kind() == kind && &project == expected && result;
        });
        ExportTask task(kind, fixture.project);
        QCOMPARE(task.objectName(), QStringLiteral("Exporter"));
        QVERIFY(task.canCancel());
        m_runner->runAndWait(&task);
        QCOMPARE(called.load(), calls);
        QCOMPARE(task.successful(), result && calls == 1);
        QCOMPARE(passedStrike.load(), strikeRHR);
        QCOMPARE(onWorker.load(), calls == 1);
    }

    void realExporters_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("successful");
        QTest::addColumn<QString>("output");
        QTest::newRow("KMZ") << 2 << true << "project1.kmz";
        QTest::newRow("CSV") << 0 << true << "project1.qz/rock-units.csv";
        QTest::newRow("KIV") << 1 << true << "project1.kiv";
        QTest::newRow("no project") << -1 << false << "project1.kmz";
    }

    void realExporters()
    {
        QFETCH(int, kind);
        QFETCH(bool, successful);
        QFETCH(QString, output);
        ExportFixture fixture;
        fixture.addPlane(*fixture.addLocality(1), 2, 30, 10);
        ExportTask task(kind < 0 ? 2 : kind, kind < 0 ? nullptr : fixture.project);
        m_runner->runAndWait(&task);
        QCOMPARE(task.successful(), successful);
        QCOMPARE(QFileInfo::exists(fixture.parentFolder().absoluteFilePath(output)), successful);
    }
};

QTEST_MAIN(TestExportTask)
#include "tst_exporttask.moc"
