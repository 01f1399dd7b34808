#include <QtTest>

#include "Database/CommandManager.h"
#include "support/TestCommand.h"

using namespace kiv;

// An undo history that cannot be opened: edits roll back, and no batch is
// ever left open (after which every later edit would queue forever).
class TestCommandManagerBroken : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // A folder where the database file should be.
        QVERIFY(QDir().mkpath(CommandManager::databasePath()));
    }

    void everyBatchRollsBackAndCloses()
    {
        CommandManager* manager = CommandManager::instance();
        QVERIFY(!manager->canUndo());
        for (int i = 1; i <= 2; ++i) {
            TestCommand::journal().clear();
            QTest::ignoreMessage(QtDebugMsg, QRegularExpression("Rolling back:"));
            QVERIFY(!manager->execute(std::make_shared<TestCommand>(i, true)));
            QVERIFY(TestCommand::journal().isEmpty());
        }
        manager->undo();
        manager->clearStacks();
        QVERIFY(!manager->canUndo());
    }
};

QTEST_GUILESS_MAIN(TestCommandManagerBroken)
#include "tst_commandmanagerbroken.moc"
