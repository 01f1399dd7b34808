#include <QtTest>

#include "Database/AbstractCommandFactory.h"
#include "Database/CommandManager.h"
#include "Database/Quarzel.pb.h"
#include "model/AddLocalityCommand.h"
#include "model/LineData2D.h"
#include "model/Locality.h"
#include "model/ModelManager.h"
#include "model/ModifyLocalityCommand.h"
#include "model/Project.h"
#include "model/RemoveLocalityCommand.h"
#include "support/CommandBytes.h"
#include "support/ProjectFixture.h"
#include "support/RecordRoundTrip.h"

#include <QRegularExpression>

using namespace kiv;
using kiv::test::idOf;
using kiv::test::recordBytes;

namespace {

using Record = QZProtoBuffers::Locality;

std::vector<Record> records(const test::ProjectFixture& fixture)
{
    std::vector<Record> result;
    for (const std::string& message : fixture.messages("localities")) {
        Record record;
        record.ParseFromString(message);
        result.push_back(record);
    }
    return result;
}

// Stores data and lines in the locality: planes first, then lines.
void fill(Project& project, Locality& locality, int data, int lines)
{
    for (int i = 0; i < data; ++i)
        project.syncDataDetails(locality.addPlane(idOf(0x100 + i), 46.0, 7.0, 30.0f, 90.0f, 0, 1, "bed"));
    for (int i = 0; i < lines; ++i) {
        const auto line = locality.addPolyline(idOf(0x200 + i), 0, 0, 1.0f, 1.0f, "contact");
        line->addPoint(46.0, 7.0);
        line->addPoint(46.1, 7.1);
        project.syncLineDataDetails(line.get());
    }
}

} // namespace

class TestLocalityCommands : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<test::ProjectFixture> m_fixture;
    QStringList m_announced;
    std::unique_ptr<QObject> m_listener;

    Project& project() { return *m_fixture->project; }

    void listen()
    {
        m_listener = std::make_unique<QObject>();
        m_announced.clear();
        connect(&project(), &Project::dataListChanged, m_listener.get(), [this] { m_announced << "data"; });
        connect(&project(), &Project::localityListChanged, m_listener.get(), [this] { m_announced << "localities"; });
    }

    std::shared_ptr<RemoveLocalityCommand> removeCommand(const std::shared_ptr<Locality>& locality)
    {
        auto command = std::make_shared<RemoveLocalityCommand>();
        command->setFromLocality(locality);
        return command;
    }

private slots:
    void init()
    {
        m_fixture = std::make_unique<test::ProjectFixture>();
        QVERIFY(m_fixture->isValid());
        listen();
    }

    void cleanup()
    {
        m_listener.reset();
        m_fixture.reset();
    }

    void addWithoutCurrentProjectWritesNothing()
    {
        ModelManager::instance()->closeCurrentProject();
        auto command = std::make_shared<AddLocalityCommand>();
        command->setLocality("Locality 1", 46.1, 7.2, 500, 5, 8);
        QVERIFY(command->localityName().isEmpty());
        QVERIFY(!CommandManager::instance()->execute(command));
        QCOMPARE(records(*m_fixture).size(), std::size_t(1));
    }

    void addWritesTheNewLocality()
    {
        auto command = std::make_shared<AddLocalityCommand>();
        command->setLocality("Locality 1", 46.1, 7.2, 500, 5, 8);
        QVERIFY(CommandManager::instance()->execute(command));
        QCOMPARE(m_announced, QStringList {"localities"});
        QVERIFY(QRegularExpression("^[0-9a-f]{32}$").match(QString::fromStdString(command->localityId())).hasMatch());
        QCOMPARE(command->projectId(), project().projectId());
        QCOMPARE(project().numberOfLocalities(), 2);

        const auto rows = records(*m_fixture);
        QCOMPARE(rows.size(), std::size_t(2));
        const Record& row = rows.back();
        QCOMPARE(row.localityid(), command->localityId());
        QCOMPARE(row.name(), std::string("Locality 1"));
        QCOMPARE(row.position().latitude(), 46.1);
        QCOMPARE(row.position().longitude(), 7.2);
        QCOMPARE(row.position().altitude(), 500.0);
        QCOMPARE(row.position().horizontalaccuracy(), 5.0);
        QCOMPARE(row.position().verticalaccuracy(), 8.0);
        QCOMPARE(row.colour(), std::string("#000000"));
        QCOMPARE(qint64(row.timestamp()), command->timeStamp());
    }

    // A duplicate id, or a write that fails, leaves the list as it was.
    void failedAddLeavesTheList_data()
    {
        QTest::addColumn<bool>("duplicate");
        QTest::addColumn<QString>("lock");
        QTest::newRow("duplicate id") << true << "";
        QTest::newRow("locked for writing") << false << "IMMEDIATE";
        QTest::newRow("locked exclusively") << false << "EXCLUSIVE";
    }

    void failedAddLeavesTheList()
    {
        QFETCH(bool, duplicate);
        QFETCH(QString, lock);
        auto command = std::make_shared<AddLocalityCommand>();
        command->setLocality("Again", 1.0, 2.0, 0, -1, -1);
        if (duplicate)
            command->setLocalityId(m_fixture->locality->id());
        const auto locked = m_fixture->lockFor(lock);
        QVERIFY(!CommandManager::instance()->execute(command));
        QCOMPARE(project().numberOfLocalities(), 1);
        QCOMPARE(project().localities().front(), m_fixture->locality);
        QVERIFY(m_announced.isEmpty());
    }

    void removeDeletesContentAndLocality_data()
    {
        QTest::addColumn<int>("data");
        QTest::addColumn<int>("lines");
        QTest::addColumn<QStringList>("announced");
        QTest::newRow("three data, two lines") << 3 << 2 << QStringList {"data", "localities"};
        QTest::newRow("one line") << 0 << 1 << QStringList {"data", "localities"};
        QTest::newRow("empty") << 0 << 0 << QStringList {"localities"};
    }

    void removeDeletesContentAndLocality()
    {
        QFETCH(int, data);
        QFETCH(int, lines);
        QFETCH(QStringList, announced);
        const auto other = m_fixture->addLocality(idOf(0xb2), 500);
        fill(project(), *m_fixture->locality, data, lines);
        // Content that is only on disk is deleted too.
        m_fixture->locality->clear();
        QVERIFY(CommandManager::instance()->execute(removeCommand(m_fixture->locality)));
        QCOMPARE(m_announced, announced);
        QVERIFY(m_fixture->messages("data").empty());
        QVERIFY(m_fixture->messages("linedata").empty());
        QCOMPARE(records(*m_fixture).size(), std::size_t(1));
        QCOMPARE(project().localities().size(), std::size_t(1));
        QCOMPARE(project().localities().front(), other);
    }

    void failedRemoveKeepsEverything_data()
    {
        QTest::addColumn<QString>("lock");
        QTest::newRow("locked for writing") << "IMMEDIATE";
        QTest::newRow("locked exclusively") << "EXCLUSIVE";
    }

    void failedRemoveKeepsEverything()
    {
        QFETCH(QString, lock);
        fill(project(), *m_fixture->locality, 3, 2);
        auto locked = m_fixture->lockFor(lock);
        QVERIFY(!CommandManager::instance()->execute(removeCommand(m_fixture->locality)));
        QCOMPARE(project().localities().size(), std::size_t(1));
        QCOMPARE(m_fixture->locality->data().size(), std::size_t(3));
        QCOMPARE(m_fixture->locality->lines().size(), std::size_t(2));
        QCOMPARE(ModelManager::instance()->currentLocality(), m_fixture->locality);
        QVERIFY(m_announced.isEmpty());
        locked.reset();
        QCOMPARE(m_fixture->messages("data").size(), std::size_t(3));
        QCOMPARE(m_fixture->messages("linedata").size(), std::size_t(2));
        QCOMPARE(records(*m_fixture).size(), std::size_t(1));
    }

    void removingTheCurrentLocalityMovesCurrent()
    {
        const auto older = m_fixture->addLocality(idOf(0xb2), 500);
        const auto newest = m_fixture->addLocality(idOf(0xb3), 800);
        QSignalSpy current(ModelManager::instance(), &ModelManager::currentLocalityChanged);
        QVERIFY(CommandManager::instance()->execute(removeCommand(m_fixture->locality)));
        QCOMPARE(ModelManager::instance()->currentLocality(), newest);
        QCOMPARE(QSettings().value("currentLocality").toString(), QString::fromStdString(newest->id()));
        QVERIFY(CommandManager::instance()->execute(removeCommand(newest)));
        QCOMPARE(ModelManager::instance()->currentLocality(), older);
        QVERIFY(CommandManager::instance()->execute(removeCommand(older)));
        QVERIFY(!ModelManager::instance()->currentLocality());
        QVERIFY(!QSettings().contains("currentLocality"));
        QCOMPARE(current.count(), 3);
    }

    void modifyTwiceRestoresTheRecord()
    {
        const std::string before = recordBytes(*m_fixture->locality);
        auto command = std::make_shared<ModifyLocalityCommand>();
        command->setFromLocality(m_fixture->locality);
        command->setLocalityName("Ridge");
        command->setDescription("scree");
        command->setLatitude(46.123456789012);
        command->setColour(QColor("#336699"));
        QVERIFY(CommandManager::instance()->execute(command));
        QCOMPARE(m_fixture->locality->name(), QString("Ridge"));
        QCOMPARE(records(*m_fixture).front().colour(), std::string("#336699"));
        QCOMPARE(records(*m_fixture).front().position().latitude(), 46.123456789012);
        QCOMPARE(command->localityName(), QString());
        QVERIFY(CommandManager::instance()->execute(command));
        QCOMPARE(records(*m_fixture).front().SerializeAsString(), before);
        QCOMPARE(recordBytes(*m_fixture->locality), before);
        QCOMPARE(command->localityName(), QString("Ridge"));
        QCOMPARE(m_announced, (QStringList {"localities", "localities"}));
    }

    // A modify for a project no longer listed, or one whose write fails,
    // leaves memory equal to the row.
    void failedModifyKeepsTheLocality_data()
    {
        QTest::addColumn<QString>("situation");
        QTest::newRow("project removed") << "unknown";
        QTest::newRow("locked exclusively") << "EXCLUSIVE";
    }

    void failedModifyKeepsTheLocality()
    {
        QFETCH(QString, situation);
        const std::string before = recordBytes(*m_fixture->locality);
        auto command = std::make_shared<ModifyLocalityCommand>();
        command->setFromLocality(m_fixture->locality);
        command->setLocalityName("Ridge");
        command->setAltitude(1200.0);
        if (situation == "unknown")
            command->setProjectId(ProjectId(project().projectId().value() + 100));
        auto locked = m_fixture->lockFor(situation);
        QVERIFY(!CommandManager::instance()->execute(command));
        locked.reset();
        QCOMPARE(recordBytes(*m_fixture->locality), before);
        QCOMPARE(records(*m_fixture).front().SerializeAsString(), before);
        QCOMPARE(command->localityName(), QString("Ridge"));
    }

    // Each command comes from its factory and survives the undo history's
    // bytes; damaged bytes give no command.
    void factoryAndStream_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<bool>("full");
        QTest::newRow("add") << "class kiv::AddLocalityCommand" << false;
        QTest::newRow("remove") << "class kiv::RemoveLocalityCommand" << true;
        QTest::newRow("modify") << "class kiv::ModifyLocalityCommand" << true;
    }

    void factoryAndStream()
    {
        QFETCH(QString, key);
        QFETCH(bool, full);
        const auto command = std::dynamic_pointer_cast<EditLocalityCommand>(AbstractCommandFactory::create(key.toStdString()));
        QVERIFY(command);
        QCOMPARE(command->name(), key);
        QVERIFY(!command->saveToUndoStack());
        command->setLocalityId(idOf(7));
        command->setProjectId(ProjectId(0xfffffffe));
        command->setLatitude(-12.5);
        command->setLocalityName("Camp");
        command->setColour(QColor("#102030"));
        const QByteArray bytes = test::commandBytes(*command);
        const int nameBytes = 4 + 2 * key.size();
        // The project id as a 64-bit number whose upper half is zero.
        QCOMPARE(bytes.mid(nameBytes + 68, 8), QByteArray::fromHex("00000000fffffffe"));
        QCOMPARE(bytes.size() == nameBytes + 68 + 8, !full);

        const auto back = std::dynamic_pointer_cast<EditLocalityCommand>(AbstractCommand::fromBytes(bytes, QDataStream::Qt_5_0));
        QVERIFY(back);
        QCOMPARE(test::commandBytes(*back), bytes);
        QCOMPARE(back->localityId(), idOf(7));
        QCOMPARE(back->projectId(), ProjectId(0xfffffffe));
        if (full) {
            QCOMPARE(back->latitude(), -12.5);
            QCOMPARE(back->localityName(), QString("Camp"));
            QCOMPARE(back->colour(), QColor("#102030"));
        }
        QVERIFY(!AbstractCommand::fromBytes(bytes.left(bytes.size() - 3), QDataStream::Qt_5_0));
    }
};

QTEST_GUILESS_MAIN(TestLocalityCommands)
#include "tst_localitycommands.moc"
