#include <QtTest>

#include "Database/AbstractCommandFactory.h"
#include "Database/CommandManager.h"
#include "Database/Quarzel.pb.h"
#include "model/ModelManager.h"
#include "model/ModifyProjectCommand.h"
#include "model/ModifyStratColumnCommand.h"
#include "model/Project.h"
#include "support/CommandBytes.h"
#include "support/ProjectFixture.h"

using namespace kiv;

namespace {

using Units = ModifyStratColumnCommand::Units;

const Units SomeUnits = {
    {7, "Limestone", QColor("#aabbcc"), 0},
    {9, "Thrust", QColor("#102030"), 1},
};

} // namespace

class TestProjectCommands : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<test::ProjectFixture> m_fixture;

    Project& project() { return *m_fixture->project; }
    std::string storedBytes() const { return test::storedProjectRecord(m_fixture->databasePath()).SerializeAsString(); }

    std::shared_ptr<ModifyProjectCommand> northCommand()
    {
        auto command = std::make_shared<ModifyProjectCommand>();
        command->setFromProject(&project());
        command->setProjectName("North");
        command->setDeclination(3.25f);
        return command;
    }

private slots:
    void init()
    {
        m_fixture = std::make_unique<test::ProjectFixture>();
        QVERIFY(m_fixture->isValid());
        project().setLastLatitude(46.123456789012);
        project().setLastLongitude(7.987654321098);
        project().setRegion("Alps");
        project().addRockUnit(2, "Shale", QColor("#445566"), 2);
        QVERIFY(project().save());
    }

    void cleanup() { m_fixture.reset(); }

    void projectSwapTwiceRestoresTheRecord()
    {
        const std::string before = storedBytes();
        const auto command = northCommand();
        QSignalSpy declination(&project(), &Project::declinationChanged);
        QVERIFY(CommandManager::instance()->execute(command));
        auto record = test::storedProjectRecord(m_fixture->databasePath());
        QCOMPARE(record.name(), std::string("North"));
        QCOMPARE(record.declination(), 3.25f);
        QCOMPARE(record.region(), std::string("Alps"));
        QCOMPARE(command->projectName(), QString("Test"));
        QCOMPARE(command->declination(), 2.5f);
        QVERIFY(CommandManager::instance()->execute(command));
        QCOMPARE(storedBytes(), before);
        QCOMPARE(project().lastLatitude(), 46.123456789012);
        QCOMPARE(project().lastLongitude(), 7.987654321098);
        QCOMPARE(declination.count(), 2);
    }

    void projectCommandForUnlistedProjectFails()
    {
        const std::string before = storedBytes();
        const auto command = northCommand();
        command->setProjectId(ProjectId(project().projectId().value() + 100));
        QVERIFY(!CommandManager::instance()->execute(command));
        QCOMPARE(project().name(), QString("Test"));
        QCOMPARE(storedBytes(), before);
    }

    // After a failed save memory holds what the row holds.
    void failedSaveKeepsMemory_data()
    {
        QTest::addColumn<bool>("strat");
        QTest::newRow("project") << false;
        QTest::newRow("strat column") << true;
    }

    void failedSaveKeepsMemory()
    {
        QFETCH(bool, strat);
        std::shared_ptr<AbstractCommand> command = northCommand();
        if (strat) {
            auto units = std::make_shared<ModifyStratColumnCommand>();
            units->setUnits(SomeUnits);
            command = units;
        }
        const std::string before = storedBytes();
        {
            const auto locked = m_fixture->lockFor("EXCLUSIVE");
            QVERIFY(!CommandManager::instance()->execute(command));
        }
        QCOMPARE(storedBytes(), before);
        QVERIFY(project().save());
        QCOMPARE(storedBytes(), before);
    }

    void stratColumnSwapTwiceRestoresUnits()
    {
        const std::string before = storedBytes();
        auto command = std::make_shared<ModifyStratColumnCommand>();
        command->setFromModel({});
        QSignalSpy changed(&project(), &Project::stratColumnChanged);
        QVERIFY(CommandManager::instance()->execute(command));
        QCOMPARE(test::storedProjectRecord(m_fixture->databasePath()).rockunit_size(), 0);
        QVERIFY(project().rockUnits().empty());
        QVERIFY(CommandManager::instance()->execute(command));
        QCOMPARE(storedBytes(), before);
        const auto record = test::storedProjectRecord(m_fixture->databasePath());
        QCOMPARE(record.rockunit_size(), 1);
        QCOMPARE(record.rockunit(0).unitid(), 2u);
        QCOMPARE(record.rockunit(0).unitname(), std::string("Shale"));
        QCOMPARE(record.rockunit(0).colour(), std::string("#445566"));
        QCOMPARE(int(record.rockunit(0).unittype()), 2);
        QCOMPARE(changed.count(), 2);
    }

    void currentUnitAfterSwap_data()
    {
        QTest::addColumn<int>("currentUnit");
        QTest::addColumn<int>("stored");
        QTest::newRow("-1 leaves it") << -1 << 2;
        QTest::newRow("5 sets it") << 5 << 5;
    }

    void currentUnitAfterSwap()
    {
        QFETCH(int, currentUnit);
        QFETCH(int, stored);
        ModelManager* manager = ModelManager::instance();
        manager->setCurrentRockUnit(2);
        QSignalSpy unit(manager, &ModelManager::currentRockUnitChanged);
        auto command = std::make_shared<ModifyStratColumnCommand>();
        command->setUnits(SomeUnits);
        command->setCurrentUnit(currentUnit);
        QVERIFY(CommandManager::instance()->execute(command));
        QCOMPARE(QSettings().value("currentRockUnit").toInt(), stored);
        QCOMPARE(manager->currentRockUnit(), stored);
        QCOMPARE(unit.count(), currentUnit == -1 ? 0 : 1);
        if (currentUnit != -1)
            QCOMPARE(unit.front().front().toInt(), currentUnit);
        // Units that came in whole still count for new ids.
        QCOMPARE(project().nextUnitId(), 10);
    }

    void factoryAndStream_data()
    {
        QTest::addColumn<QString>("key");
        QTest::newRow("project") << "class kiv::ModifyProjectCommand";
        QTest::newRow("strat column") << "class kiv::ModifyStratColumnCommand";
    }

    void factoryAndStream()
    {
        QFETCH(QString, key);
        const auto command = AbstractCommandFactory::create(key.toStdString());
        QVERIFY(command);
        QCOMPARE(command->name(), key);
        QVERIFY(!command->saveToUndoStack());
        if (auto project = std::dynamic_pointer_cast<ModifyProjectCommand>(command)) {
            project->setProjectId(ProjectId(0xfffffffe));
            project->setProjectName("North");
            project->setLastLatitude(46.123456789012);
        } else {
            const auto strat = std::dynamic_pointer_cast<ModifyStratColumnCommand>(command);
            QVERIFY(strat);
            strat->setUnits(SomeUnits);
            strat->setCurrentUnit(9);
        }
        const QByteArray bytes = test::commandBytes(*command);
        const auto back = AbstractCommand::fromBytes(bytes, QDataStream::Qt_5_0);
        QVERIFY(back);
        QCOMPARE(back->name(), key);
        QCOMPARE(test::commandBytes(*back), bytes);
        QVERIFY(!AbstractCommand::fromBytes(bytes.left(bytes.size() - 3), QDataStream::Qt_5_0));
    }

    void stratColumnStreamLayout()
    {
        ModifyStratColumnCommand command;
        command.setUnits({SomeUnits.back()});
        command.setCurrentUnit(-1);
        const QByteArray bytes = test::commandBytes(command);
        const int nameBytes = 4 + 2 * ModifyStratColumnCommand::staticName().size();
        QCOMPARE(bytes.mid(nameBytes, 16), QByteArray::fromHex("ffffffff00000001" "0000000000000009"));
        QCOMPARE(bytes.right(1), QByteArray::fromHex("01"));

        // A count far beyond the units present gives no command.
        QByteArray damaged = bytes;
        damaged.replace(nameBytes + 4, 4, QByteArray::fromHex("7fffffff"));
        QVERIFY(!AbstractCommand::fromBytes(damaged, QDataStream::Qt_5_0));
    }
};

QTEST_GUILESS_MAIN(TestProjectCommands)
#include "tst_projectcommands.moc"
