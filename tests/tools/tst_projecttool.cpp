#include "model/ModelManager.h"
#include "model/Project.h"
#include "tools/ProjectTool.h"
#include "support/ProjectFixture.h"

#include <QtTest>

using namespace kiv;

// Saving the project's own fields: the refusals in their order, what the
// stored record then holds, and a failed write.
class TestProjectTool : public QObject
{
    Q_OBJECT

    std::unique_ptr<test::ProjectFixture> fixture;
    std::unique_ptr<ProjectTool> tool;

    std::string storedBytes() const
    {
        return test::storedProjectRecord(fixture->databasePath()).SerializeAsString();
    }

private slots:
    void init()
    {
        fixture = std::make_unique<test::ProjectFixture>();
        QVERIFY(fixture->isValid());
        tool = std::make_unique<ProjectTool>();
    }

    void cleanup()
    {
        tool.reset();
        fixture.reset();
    }

    void refusals_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("declination");
        QTest::addColumn<QString>("baseName");
        QTest::addColumn<QStringList>("warnings");
        const QString both[] = {QStringLiteral("Invalid project name!"), QStringLiteral("Invalid localityBaseName!")};
        const QStringList parse{QStringLiteral("Unable to parse declination!")};
        QTest::newRow("both names empty") << "" << "1.5" << "" << QStringList{both[0], both[1]};
        QTest::newRow("empty name") << "" << "1.5" << "L #" << QStringList{both[0]};
        QTest::newRow("empty base name") << "P" << "1.5" << "" << QStringList{both[1]};
        QTest::newRow("declination before names") << "" << "abc" << "" << parse;
        QTest::newRow("letters") << "P" << "abc" << "L #" << parse;
        QTest::newRow("empty declination") << "P" << "" << "L #" << parse;
        QTest::newRow("nan") << "P" << "nan" << "L #" << parse;
        QTest::newRow("inf") << "P" << "inf" << "L #" << parse;
        QTest::newRow("500") << "P" << "500" << "L #" << parse;
        QTest::newRow("just above 180") << "P" << "180.001" << "L #" << parse;
        QTest::newRow("just below -180") << "P" << "-180.001" << "L #" << parse;
    }

    void refusals()
    {
        QFETCH(QString, name);
        QFETCH(QString, declination);
        QFETCH(QString, baseName);
        QFETCH(QStringList, warnings);
        const std::string before = storedBytes();
        for (const QString& warning : warnings)
            QTest::ignoreMessage(QtWarningMsg, qPrintable(warning));
        QSignalSpy saved(tool.get(), &ProjectTool::saveSuccessful);
        QVERIFY(!tool->save(name, declination, baseName, QStringLiteral("d")));
        QCOMPARE(saved.count(), 1);
        QCOMPARE(saved.at(0).at(0).toBool(), false);
        QCOMPARE(storedBytes(), before);
        QCOMPARE(fixture->project->name(), QStringLiteral("Test"));
        QCOMPARE(fixture->project->declination(), 2.5f);
    }

    void refusesWithoutProject()
    {
        ModelManager::instance()->closeCurrentProject();
        QVERIFY(!ModelManager::instance()->currentProject());
        QTest::ignoreMessage(QtWarningMsg, "No project!");
        QSignalSpy saved(tool.get(), &ProjectTool::saveSuccessful);
        QVERIFY(!tool->save(QStringLiteral("P"), QStringLiteral("1"), QStringLiteral("L #"), QString()));
        QCOMPARE(saved.count(), 1);
        QCOMPARE(saved.at(0).at(0).toBool(), false);
    }

    void saves_data()
    {
        QTest::addColumn<QString>("declination");
        QTest::addColumn<QString>("description");
        QTest::addColumn<bool>("stored"); // whether the record keeps a declination
        QTest::addColumn<float>("value");
        QTest::newRow("999 is none, null description") << "999" << QString() << false << 999.0f;
        QTest::newRow("negative") << "-12.25" << "notes" << true << -12.25f;
        QTest::newRow("upper bound") << "180" << "" << true << 180.0f;
        QTest::newRow("lower bound") << " -180 " << "" << true << -180.0f;
    }

    void saves()
    {
        QFETCH(QString, declination);
        QFETCH(QString, description);
        QFETCH(bool, stored);
        QFETCH(float, value);
        QSignalSpy saved(tool.get(), &ProjectTool::saveSuccessful);
        QVERIFY(tool->save(QStringLiteral("P"), declination, QStringLiteral("Loc #"), description));
        QCOMPARE(saved.count(), 1);
        QCOMPARE(saved.at(0).at(0).toBool(), true);

        const QZProtoBuffers::Project record = test::storedProjectRecord(fixture->databasePath());
        QCOMPARE(QString::fromStdString(record.name()), QStringLiteral("P"));
        QCOMPARE(QString::fromStdString(record.localitybasename()), QStringLiteral("Loc #"));
        QVERIFY(record.has_description());
        QCOMPARE(QString::fromStdString(record.description()), description.isNull() ? QString("") : description);
        QCOMPARE(record.has_declination(), stored);
        if (stored)
            QCOMPARE(record.declination(), value);

        // Read back into a fresh object from the stored row.
        Project reloaded;
        QVERIFY(fixture->project->loadProject(&reloaded));
        QCOMPARE(reloaded.declination(), value);
        QCOMPARE(fixture->project->declination(), value);
    }

    void failedWriteKeepsTheProject()
    {
        const std::string before = storedBytes();
        QSignalSpy saved(tool.get(), &ProjectTool::saveSuccessful);
        {
            const auto lock = fixture->lockFor(QStringLiteral("EXCLUSIVE"));
            QVERIFY(lock && lock->isLocked());
            QVERIFY(!tool->save(QStringLiteral("New"), QStringLiteral("3"), QStringLiteral("L #"),
                                QStringLiteral("d")));
        }
        QCOMPARE(saved.count(), 1);
        QCOMPARE(saved.at(0).at(0).toBool(), false);
        QCOMPARE(storedBytes(), before);
        QCOMPARE(fixture->project->name(), QStringLiteral("Test"));
        QCOMPARE(fixture->project->declination(), 2.5f);
    }
};

QTEST_GUILESS_MAIN(TestProjectTool)
#include "tst_projecttool.moc"
