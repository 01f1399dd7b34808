#include <QtTest>

#include "Database/AbstractCommandFactory.h"
#include "Database/CommandManager.h"
#include "Database/Quarzel.pb.h"
#include "Database/SQLiteDatabase.h"
#include "Database/SQLiteQuery.h"
#include "model/AddLineCommand.h"
#include "model/LineData2D.h"
#include "model/Locality.h"
#include "model/ModelManager.h"
#include "model/ModifyLineCommand.h"
#include "model/Project.h"
#include "model/RemoveLineCommand.h"
#include "support/CommandBytes.h"
#include "support/ProjectFixture.h"
#include "support/RecordRoundTrip.h"
#include "support/TestCommand.h"

#include <memory>

using namespace kiv;
using kiv::test::idOf;
using kiv::test::recordBytes;

namespace {

std::shared_ptr<LineData2D> makeLine(int n, const std::string& localityId = std::string())
{
    auto line = LineData2D::create(idOf(n), localityId, 2, LineData2D::Dashed, false, "fault");
    line->setTimeStamp(5000 + n);
    line->addPoint(46.0, 7.0);
    line->addPoint(46.5, 7.5);
    return line;
}

// Rows of the undo history, oldest first.
QList<QByteArray> undoRows()
{
    SQLiteDatabase database;
    database.open(CommandManager::databasePath().toStdString());
    QList<QByteArray> rows;
    std::string data;
    SQLiteQuery query(&database);
    query.prepare("SELECT data FROM undoStack ORDER BY ROWID");
    query.bindBlob(&data);
    while (query.step())
        rows << QByteArray::fromStdString(data);
    return rows;
}

} // namespace

class TestLineCommands : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<test::ProjectFixture> m_fixture;

    std::shared_ptr<LineData2D> addThrough(std::shared_ptr<LineData2D> line, bool flagged = false)
    {
        auto command = std::make_shared<AddLineCommand>(flagged);
        command->setLinePointer(line);
        return CommandManager::instance()->execute(command) ? line : nullptr;
    }

    std::size_t rowCount() const { return m_fixture->messages("linedata").size(); }

private slots:
    void init()
    {
        m_fixture = std::make_unique<test::ProjectFixture>();
        QVERIFY(m_fixture->isValid());
    }

    void cleanup() { m_fixture.reset(); }

    void flaggedAddIsUndoable()
    {
        auto& project = *m_fixture->project;
        QSignalSpy added(&project, &Project::dataAdded);
        QSignalSpy changed(&project, &Project::dataListChanged);
        const auto line = addThrough(makeLine(1), true);
        QVERIFY(line);
        QCOMPARE(line->localityId(), m_fixture->locality->id());
        QCOMPARE(m_fixture->locality->lineById(idOf(1)), line);
        QCOMPARE(rowCount(), std::size_t(1));
        QCOMPARE(m_fixture->messages("linedata").front(), recordBytes(*line));
        QCOMPARE(added.count(), 1);
        QCOMPARE(changed.count(), 1);

        const QList<QByteArray> rows = undoRows();
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows.at(0), QByteArray("BEGIN_BATCH"));
        // Name, byte count, record.
        QDataStream stream(rows.at(1));
        QString name;
        qint32 size = 0;
        stream >> name >> size;
        QCOMPARE(name, QString("class kiv::AddLineCommand"));
        QCOMPARE(size, rows.at(1).size() - 4 - 2 * name.size() - 4);
        QCOMPARE(rows.at(1).right(size).toStdString(), recordBytes(*line));

        CommandManager::instance()->undo();
        QCOMPARE(rowCount(), std::size_t(0));
        QVERIFY(m_fixture->locality->lines().empty());
        QVERIFY(undoRows().isEmpty());
    }

    void failedAddChangesNothing_data() { test::addFailedAddRows({{"no line", "noLine"}}); }

    void failedAddChangesNothing()
    {
        QFETCH(QString, situation);
        QVERIFY(addThrough(makeLine(1)));
        auto line = makeLine(2);
        if (situation == "noLine")
            line.reset();
        else if (situation == "noLocality")
            ModelManager::instance()->setCurrentLocality(nullptr);
        else if (situation == "unknownLocality")
            line->setLocalityId(idOf(0xbad));
        else if (situation == "duplicate")
            line->setId(idOf(1));
        auto lock = m_fixture->lockFor(situation);
        QVERIFY(!lock || lock->isLocked());
        const std::string localityBefore = line ? line->localityId() : std::string();
        QSignalSpy changed(m_fixture->project.get(), &Project::dataListChanged);

        auto command = std::make_shared<AddLineCommand>(true);
        command->setLinePointer(line);
        QVERIFY(!CommandManager::instance()->execute(command));
        lock.reset();
        QCOMPARE(m_fixture->locality->lines().size(), std::size_t(1));
        QCOMPARE(m_fixture->locality->polylineCount(), 1);
        QCOMPARE(rowCount(), std::size_t(1));
        QCOMPARE(changed.count(), 0);
        if (line)
            QCOMPARE(line->localityId(), localityBefore);
        QVERIFY(!CommandManager::instance()->canUndo());
    }

    void addLandsInTheNamedLocality()
    {
        const auto other = m_fixture->addLocality(idOf(0xa2), 2000);
        QVERIFY(addThrough(makeLine(1, other->id())));
        QCOMPARE(other->lines().size(), std::size_t(1));
        QVERIFY(m_fixture->locality->lines().empty());
    }

    void rolledBackBatchRemovesAddedLine()
    {
        CommandManager* manager = CommandManager::instance();
        manager->beginContext();
        auto add = std::make_shared<AddLineCommand>(true);
        add->setLinePointer(makeLine(1));
        manager->execute(add);
        manager->execute(std::make_shared<TestCommand>(1, true, true));
        QVERIFY(!manager->executePending());
        QVERIFY(m_fixture->locality->lines().empty());
        QCOMPARE(rowCount(), std::size_t(0));
        QVERIFY(!manager->canUndo());
    }

    void removeAndUndo()
    {
        const auto line = addThrough(makeLine(1));
        QVERIFY(line);
        auto remove = std::make_shared<RemoveLineCommand>(true);
        remove->setLineById(QString::fromStdString(idOf(1)));
        QCOMPARE(remove->line(), line);
        QVERIFY(CommandManager::instance()->execute(remove));
        QVERIFY(m_fixture->locality->lines().empty());
        QCOMPARE(rowCount(), std::size_t(0));

        CommandManager::instance()->undo();
        QCOMPARE(rowCount(), std::size_t(1));
        const auto back = m_fixture->project->lineById(idOf(1));
        QVERIFY(back);
        QCOMPARE(recordBytes(*back), recordBytes(*line));
    }

    void undoUnderALockCanBeTriedAgain()
    {
        QVERIFY(addThrough(makeLine(1), true));
        QVERIFY(addThrough(makeLine(2), true));
        const QList<QByteArray> history = undoRows();
        auto lock = m_fixture->lockFor("EXCLUSIVE");
        QVERIFY(lock->isLocked());
        QSignalSpy undoable(CommandManager::instance(), &CommandManager::canUndoChanged);
        CommandManager::instance()->undo();
        lock.reset();
        QCOMPARE(m_fixture->locality->lines().size(), std::size_t(2));
        QCOMPARE(rowCount(), std::size_t(2));
        QCOMPARE(undoRows(), history);
        QVERIFY(CommandManager::instance()->canUndo());
        QCOMPARE(undoable.count(), 0);

        CommandManager::instance()->undo();
        QCOMPARE(m_fixture->locality->lines().size(), std::size_t(1));
        QCOMPARE(rowCount(), std::size_t(1));
        QCOMPARE(undoRows(), history.mid(0, 2));
    }

    void modifySwapsWithTheCallersCopy()
    {
        const auto line = addThrough(makeLine(1));
        QVERIFY(line);
        const std::string original = recordBytes(*line);
        auto edited = std::make_shared<LineData2D>(*line);
        edited->addPoint(47.0, 8.0);
        edited->setComment("extended");
        edited->setFilled(true);
        const std::string changed = recordBytes(*edited);

        auto modify = std::make_shared<ModifyLineCommand>(true);
        modify->setLine(edited);
        QVERIFY(CommandManager::instance()->execute(modify));
        QCOMPARE(recordBytes(*line), changed);
        QCOMPARE(recordBytes(*edited), original);
        QCOMPARE(m_fixture->messages("linedata").front(), changed);

        CommandManager::instance()->undo();
        QCOMPARE(recordBytes(*m_fixture->project->lineById(idOf(1))), original);
        QCOMPARE(m_fixture->messages("linedata").front(), original);
    }

    void failedChangeKeepsTheLine_data() { test::addFailedChangeRows(); }

    void failedChangeKeepsTheLine()
    {
        QFETCH(bool, remove);
        QFETCH(QString, situation);
        const auto line = addThrough(makeLine(1));
        QVERIFY(line);
        const std::string original = recordBytes(*line);
        auto edited = situation == "unknown" ? makeLine(9, line->localityId()) : std::make_shared<LineData2D>(*line);
        edited->setComment("edited");
        const std::string wanted = recordBytes(*edited);
        std::shared_ptr<EditLineCommand> command;
        if (remove)
            command = std::make_shared<RemoveLineCommand>(true);
        else
            command = std::make_shared<ModifyLineCommand>(true);
        command->setLine(edited);
        auto lock = m_fixture->lockFor(situation);
        QVERIFY(!lock || lock->isLocked());
        QVERIFY(!CommandManager::instance()->execute(command));
        lock.reset();
        QCOMPARE(m_fixture->locality->lineById(idOf(1)), line);
        QCOMPARE(m_fixture->locality->polylineCount(), 1);
        QCOMPARE(recordBytes(*line), original);
        QCOMPARE(recordBytes(*edited), wanted);
        QCOMPARE(m_fixture->messages("linedata"), std::vector<std::string>{original});
    }

    // Every line command comes from its factory under its class key, out of
    // the undo history, and streams as name, byte count and record.
    void factoryAndStream_data()
    {
        QTest::addColumn<QString>("key");
        QTest::newRow("add") << "class kiv::AddLineCommand";
        QTest::newRow("remove") << "class kiv::RemoveLineCommand";
        QTest::newRow("modify") << "class kiv::ModifyLineCommand";
    }

    void factoryAndStream()
    {
        QFETCH(QString, key);
        const auto command = std::dynamic_pointer_cast<EditLineCommand>(AbstractCommandFactory::create(key.toStdString()));
        QVERIFY(command);
        QVERIFY(!command->saveToUndoStack());
        bool ok = true;
        test::commandBytes(*command, &ok);
        QVERIFY(!ok); // no line yet
        const auto line = makeLine(4, idOf(0xa1));
        command->setLine(line);
        const QByteArray bytes = test::commandBytes(*command, &ok);
        QVERIFY(ok);
        const auto back = std::dynamic_pointer_cast<EditLineCommand>(AbstractCommand::fromBytes(bytes, QDataStream::Qt_5_0));
        QVERIFY(back);
        QCOMPARE(back->name(), key);
        QVERIFY(back->line());
        QCOMPARE(recordBytes(*back->line()), recordBytes(*line));
    }

    void damagedStreamsAreRefused_data()
    {
        QTest::addColumn<QByteArray>("tail");
        QByteArray record = QByteArray::fromStdString(recordBytes(*makeLine(4, idOf(0xa1))));
        auto counted = [](qint32 count, const QByteArray& bytes) {
            QByteArray out;
            QDataStream stream(&out, QIODevice::WriteOnly);
            stream << count;
            return out + bytes;
        };
        QTest::newRow("negative count") << counted(-1, record);
        QTest::newRow("count beyond the row") << counted(record.size() + 1, record);
        QTest::newRow("huge count") << counted(0x7fffffff, record);
        QTest::newRow("truncated count") << QByteArray::fromHex("0000");
        QTest::newRow("not a record") << counted(3, QByteArray::fromHex("ffffff"));
        QTest::newRow("incomplete record") << counted(0, QByteArray());
    }

    void damagedStreamsAreRefused()
    {
        QFETCH(QByteArray, tail);
        QByteArray bytes;
        {
            QDataStream stream(&bytes, QIODevice::WriteOnly);
            stream << AddLineCommand::staticName();
        }
        bytes += tail;
        QVERIFY(!AbstractCommand::fromBytes(bytes, QDataStream::Qt_5_0));
        AddLineCommand command;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        QDataStream stream(&buffer);
        QVERIFY(!command.unserialize(stream));
        QVERIFY(!command.line());
    }
};

QTEST_GUILESS_MAIN(TestLineCommands)
#include "tst_linecommands.moc"
