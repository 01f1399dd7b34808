#include <QtTest>

#include "Database/AbstractCommandFactory.h"
#include "Database/CommandManager.h"
#include "Database/SQLiteDatabase.h"
#include "Database/SQLiteInsert.h"
#include "Database/SQLiteQuery.h"
#include "support/CommandBytes.h"
#include "support/TestCommand.h"

#include <algorithm>
#include <stdexcept>

using namespace kiv;

namespace {

std::shared_ptr<TestCommand> flagged(qint32 id)
{
    return std::make_shared<TestCommand>(id, true);
}

std::shared_ptr<TestCommand> unflagged(qint32 id)
{
    return std::make_shared<TestCommand>(id, false);
}

QStringList& journal()
{
    return TestCommand::journal();
}

} // namespace

class TestCommandManager : public QObject
{
    Q_OBJECT

private:
    SQLiteDatabase m_peek; // a second connection reading the history
    CommandManager* m_manager = nullptr;

    QStringList rows()
    {
        QStringList result;
        std::string data;
        SQLiteQuery query(&m_peek);
        query.prepare("SELECT data FROM undoStack ORDER BY ROWID");
        query.bindBlob(&data);
        while (query.step()) {
            if (data == "BEGIN_BATCH") {
                result << "marker";
            } else {
                auto command = std::dynamic_pointer_cast<TestCommand>(
                    AbstractCommand::fromBytes(QByteArray::fromStdString(data), QDataStream::Qt_5_0));
                result << (command ? QString::number(command->id()) : QString("?"));
            }
        }
        return result;
    }

    void runBatch(const QList<std::shared_ptr<TestCommand>>& commands, bool expected = true)
    {
        m_manager->beginContext();
        for (const auto& command : commands)
            QVERIFY(m_manager->execute(command));
        QCOMPARE(m_manager->executePending(), expected);
    }

    void insertRow(const std::string& bytes)
    {
        std::string data = bytes;
        SQLiteInsert insert(&m_peek);
        insert.prepare("INSERT INTO undoStack (data) VALUES (?)");
        insert.bindBlob(&data);
        insert.execute();
    }

private slots:
    void initTestCase()
    {
        m_manager = CommandManager::instance();
        QVERIFY(m_manager);
        QVERIFY(QFile::exists(QDir::tempPath() + "/commands.db"));
        QVERIFY(m_peek.open(CommandManager::databasePath().toStdString()));
    }

    void init()
    {
        m_manager->clearStacks();
        journal().clear();
    }

    void streamFormStartsWithName()
    {
        TestCommand command(7, true);
        const QByteArray bytes = test::commandBytes(command);
        // QString as byte length + UTF-16, then the qint32.
        const QString name = TestCommand::staticName();
        QCOMPARE(bytes.size(), 4 + name.size() * 2 + 4);
        QCOMPARE(bytes.left(4).toHex(), QByteArray("0000002c"));
        QCOMPARE(bytes.right(4).toHex(), QByteArray("00000007"));
    }

    void twoFlaggedCommandsUndoAsOneStep()
    {
        QSignalSpy spy(m_manager, &CommandManager::canUndoChanged);
        runBatch({ flagged(1), flagged(2) });
        QCOMPARE(rows(), QStringList({ "marker", "1", "2" }));
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.takeFirst().at(0).toBool(), true);
        QVERIFY(m_manager->canUndo());

        m_manager->undo();
        QCOMPARE(journal(), QStringList({ "x1", "x2", "u2", "u1" }));
        QVERIFY(rows().isEmpty());
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.takeFirst().at(0).toBool(), false);
    }

    void twoBatchesUndoOneAtATime()
    {
        runBatch({ flagged(1) });
        runBatch({ flagged(2), flagged(3) });
        QSignalSpy spy(m_manager, &CommandManager::canUndoChanged);
        m_manager->undo();
        QCOMPARE(rows(), QStringList({ "marker", "1" }));
        QCOMPARE(spy.count(), 0);
        m_manager->undo();
        QVERIFY(rows().isEmpty());
        QCOMPARE(spy.count(), 1);
        QCOMPARE(journal(), QStringList({ "x1", "x2", "x3", "u3", "u2", "u1" }));
    }

    void unflaggedCommandEmptiesHistory_data()
    {
        QTest::addColumn<bool>("historyBefore");
        QTest::addColumn<bool>("flaggedFirst");
        QTest::newRow("on a history") << true << false;
        QTest::newRow("on an empty history") << false << false;
        QTest::newRow("after a flagged one in its batch") << false << true;
    }

    void unflaggedCommandEmptiesHistory()
    {
        QFETCH(bool, historyBefore);
        QFETCH(bool, flaggedFirst);
        if (historyBefore)
            runBatch({ flagged(1) });
        QSignalSpy spy(m_manager, &CommandManager::canUndoChanged);
        if (flaggedFirst)
            runBatch({ flagged(2), unflagged(3) });
        else
            QVERIFY(m_manager->execute(unflagged(3)));
        QVERIFY(rows().isEmpty());
        QVERIFY(!m_manager->canUndo());
        QVERIFY(spy.count() >= 1);
        QCOMPARE(spy.last().at(0).toBool(), false);
    }

    // Every saved reading is an unflagged batch: on an empty history it must
    // commit nothing to the history file (each commit costs disk syncs).
    void batchStoringNothingWritesNothing_data()
    {
        QTest::addColumn<bool>("historyBefore");
        QTest::addColumn<bool>("flagged");
        QTest::addColumn<bool>("written");
        QTest::newRow("unflagged on an empty history") << false << false << false;
        QTest::newRow("unflagged on a history") << true << false << true;
        QTest::newRow("flagged") << false << true << true;
    }

    void batchStoringNothingWritesNothing()
    {
        QFETCH(bool, historyBefore);
        QFETCH(bool, flagged);
        QFETCH(bool, written);
        if (historyBefore)
            runBatch({ ::flagged(1) });
        // Changes when another connection commits to the file.
        auto version = [this] {
            std::int64_t value = -1;
            SQLiteQuery query(&m_peek);
            query.prepare("PRAGMA data_version");
            query.bind(&value);
            return query.step() ? value : -1;
        };
        const std::int64_t before = version();
        QVERIFY(before >= 0);
        QVERIFY(m_manager->execute(flagged ? ::flagged(2) : unflagged(2)));
        QCOMPARE(journal().last(), QString("x2"));
        QCOMPARE(version() != before, written);
        QCOMPARE(rows(), flagged ? QStringList({ "marker", "2" }) : QStringList());
    }

    void failingCommandRollsBackTheBatch()
    {
        runBatch({ flagged(1) });
        journal().clear();
        m_manager->beginContext();
        m_manager->execute(flagged(2));
        m_manager->execute(flagged(3));
        m_manager->execute(std::make_shared<TestCommand>(4, true, true));
        QTest::ignoreMessage(QtDebugMsg, QRegularExpression("Rolling back:.*Command failed, need to rollback"));
        QVERIFY(!m_manager->executePending());
        QCOMPARE(journal(), QStringList({ "x2", "x3", "x4", "u3", "u2" }));
        QCOMPARE(rows(), QStringList({ "marker", "1" }));

        // The batch is closed: the next command runs at once.
        journal().clear();
        QVERIFY(m_manager->execute(flagged(5)));
        QCOMPARE(journal(), QStringList({ "x5" }));
        QCOMPARE(rows(), QStringList({ "marker", "1", "marker", "5" }));
    }

    void storingFailureUndoesTheExecutedCommand()
    {
        QTest::ignoreMessage(QtDebugMsg, QRegularExpression("Rolling back:.*Command failed to save, need to rollback"));
        m_manager->beginContext();
        m_manager->execute(flagged(1));
        m_manager->execute(std::make_shared<TestCommand>(2, true, false, true));
        QVERIFY(!m_manager->executePending());
        QCOMPARE(journal(), QStringList({ "x1", "x2", "u2", "u1" }));
        QVERIFY(rows().isEmpty());
        QVERIFY(m_manager->execute(flagged(3))); // not queued into a stale batch
        QCOMPARE(rows(), QStringList({ "marker", "3" }));
    }

    void nothingToRun()
    {
        QVERIFY(m_manager->execute(nullptr));
        QVERIFY(m_manager->executePending());
        QVERIFY(journal().isEmpty());
        QVERIFY(rows().isEmpty());
    }

    void undoOnEmptyHistoryStillAnnounces()
    {
        QSignalSpy spy(m_manager, &CommandManager::canUndoChanged);
        m_manager->undo();
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.first().at(0).toBool(), false);
        QVERIFY(journal().isEmpty());
    }

    void damagedRowsAreSkipped_data()
    {
        QTest::addColumn<QByteArray>("damaged");
        TestCommand sample(9, true);
        const QByteArray whole = test::commandBytes(sample);
        QTest::newRow("truncated") << whole.left(whole.size() - 2);
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        QDataStream stream(&buffer);
        stream << QString("class kiv::NoSuchCommand") << qint32(9);
        QTest::newRow("unknown name") << buffer.data();
    }

    void damagedRowsAreSkipped()
    {
        QFETCH(QByteArray, damaged);
        TestCommand one(1, true);
        insertRow("BEGIN_BATCH");
        insertRow(test::commandBytes(one).toStdString());
        insertRow(damaged.toStdString());
        QTest::ignoreMessage(QtDebugMsg, QRegularExpression("Failed to unserialize command"));
        m_manager->undo();
        QCOMPARE(journal(), QStringList({ "u1" }));
        QVERIFY(rows().isEmpty());
    }

    void factoryErrors()
    {
        try {
            AbstractCommandFactory::create("class kiv::NoSuchCommand");
            QFAIL("no exception");
        } catch (const std::runtime_error& e) {
            QCOMPARE(QString(e.what()), QString("Abstract factory does not have the required product name "
                                                "class kiv::NoSuchCommand registered. Please contact Brackwater "
                                                "with a bug-report"));
        }
        try {
            TCommandFactory<TestCommand> twice;
            QFAIL("no exception");
        } catch (const std::runtime_error& e) {
            QCOMPARE(QString(e.what()), QString("Two products with name 'class kiv::TestCommand' are attempting to "
                                                "register with abstract factory 'AbstractCommandFactory'. Please "
                                                "contact Brackwater with a bug-report."));
        }
        QVERIFY(std::dynamic_pointer_cast<TestCommand>(AbstractCommandFactory::create("class kiv::TestCommand")));
        // Registered once, although a second factory tried to take the name.
        const std::vector<std::string>& names = AbstractCommandFactory::productNames();
        QCOMPARE(int(std::count(names.begin(), names.end(), std::string("class kiv::TestCommand"))), 1);
    }
};

QTEST_GUILESS_MAIN(TestCommandManager)
#include "tst_commandmanager.moc"
