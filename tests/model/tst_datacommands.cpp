#include <QtTest>

#include "Database/AbstractCommandFactory.h"
#include "Database/CommandManager.h"
#include "Database/Quarzel.pb.h"
#include "model/AddDataCommand.h"
#include "model/Data.h"
#include "model/Locality.h"
#include "model/ModelManager.h"
#include "model/ModifyDataCommand.h"
#include "model/Project.h"
#include "model/RemoveDataCommand.h"
#include "support/CommandBytes.h"
#include "support/ProjectFixture.h"
#include "support/RecordRoundTrip.h"
#include "support/TestCommand.h"

#include <memory>

using namespace kiv;
using kiv::test::idOf;
using kiv::test::recordBytes;

namespace {

using Record = QZProtoBuffers::Data;

std::vector<Record> records(const test::ProjectFixture& fixture)
{
    std::vector<Record> result;
    for (const std::string& message : fixture.messages("data")) {
        Record record;
        record.ParseFromString(message);
        result.push_back(record);
    }
    return result;
}

std::shared_ptr<AddDataCommand> planeCommand()
{
    auto command = std::make_shared<AddDataCommand>();
    command->setPlaneData(46.5, 7.25, 35.0f, 120.0f, 0, 1, QStringLiteral("bed"));
    return command;
}

// Fills an add command with one kind of datum.
void fillKind(AddDataCommand& command, int kind)
{
    switch (kind) {
    case Data::Plane: command.setPlaneData(1.0, 2.0, 35.0f, 120.0f, 3, 1, "bed"); break;
    case Data::Lineation: command.setLineationData(1.0, 2.0, 20.0f, 210.0f, 3, 14, "lineation"); break;
    case Data::Sighting: command.setSightingData(1.0, 2.0, 75.0f, 3, "sighting"); break;
    case Data::Annotation: command.setNoteData(1.0, 2.0, "note"); break;
    case Data::Image: command.setImageData(1.0, 2.0, 300.0f, "IMG_1.jpeg", "image"); break;
    default: break;
    }
}

} // namespace

class TestDataCommands : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<test::ProjectFixture> m_fixture;

    // A datum added through the command manager; empty when that failed.
    std::shared_ptr<Data> addThrough(const std::shared_ptr<AddDataCommand>& command)
    {
        if (!CommandManager::instance()->execute(command))
            return {};
        return m_fixture->project->dataById(command->dataId());
    }

private slots:
    void init()
    {
        m_fixture = std::make_unique<test::ProjectFixture>();
        QVERIFY(m_fixture->isValid());
    }

    void cleanup() { m_fixture.reset(); }

    void addEachKind_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("recordType");
        QTest::addColumn<float>("dip");
        QTest::addColumn<float>("azimuth");
        QTest::addColumn<int>("symbolId");
        QTest::addColumn<QString>("imagePath");
        QTest::newRow("plane") << int(Data::Plane) << int(Record::PLANE) << 35.0f << 120.0f << 1 << QString();
        QTest::newRow("lineation") << int(Data::Lineation) << int(Record::LINE) << 20.0f << 210.0f << 14 << QString();
        QTest::newRow("sighting") << int(Data::Sighting) << int(Record::SIGHTING) << 0.0f << 75.0f << -2 << QString();
        QTest::newRow("note") << int(Data::Annotation) << int(Record::NOTE) << 0.0f << 0.0f << 0 << QString();
        QTest::newRow("image") << int(Data::Image) << int(Record::IMAGE) << 0.0f << 300.0f << 0 << "IMG_1.jpeg";
    }

    void addEachKind()
    {
        QFETCH(int, kind);
        QFETCH(int, recordType);
        QFETCH(float, dip);
        QFETCH(float, azimuth);
        QFETCH(int, symbolId);
        QFETCH(QString, imagePath);
        auto command = std::make_shared<AddDataCommand>();
        fillKind(*command, kind);
        command->setAltitudeAndAccuracy(412.0, 4.0, 6.0);
        QSignalSpy added(m_fixture->project.get(), &Project::dataAdded);
        QSignalSpy changed(m_fixture->project.get(), &Project::dataListChanged);
        const qint64 before = QDateTime::currentSecsSinceEpoch();
        const std::shared_ptr<Data> data = addThrough(command);
        const qint64 after = QDateTime::currentSecsSinceEpoch();
        QVERIFY(data);
        QCOMPARE(added.count(), 1);
        QCOMPARE(changed.count(), 1);
        QVERIFY(!CommandManager::instance()->canUndo());
        QCOMPARE(m_fixture->locality->data().size(), std::size_t(1));
        QCOMPARE(command->localityId(), m_fixture->locality->id());

        QCOMPARE(data->type(), kind);
        if (symbolId == -2) // the project's default sighting symbol
            symbolId = m_fixture->project->getDefaultSightingId();
        if (kind != Data::Annotation && kind != Data::Image)
            QCOMPARE(data->symbolId(), symbolId);
        const float storedDip = kind == Data::Lineation ? data->plunge() : data->dip();
        const float storedAzimuth = kind == Data::Lineation ? data->plungeAzimuth() : data->azimuth();
        QCOMPARE(storedDip, dip);
        QCOMPARE(storedAzimuth, azimuth);
        QCOMPARE(data->imagePath(), imagePath);
        QCOMPARE(data->altitude(), 412.0);
        QCOMPARE(data->horizontalAccuracy(), 4.0);
        QCOMPARE(data->verticalAccuracy(), 6.0);
        QCOMPARE(data->declination(), 2.5f);

        const auto rows = records(*m_fixture);
        QCOMPARE(rows.size(), std::size_t(1));
        const Record& row = rows.front();
        QCOMPARE(int(row.datatype()), recordType);
        QCOMPARE(row.SerializeAsString(), recordBytes(*data));
        QVERIFY(qint64(row.timestamp()) >= before && qint64(row.timestamp()) <= after);
        QCOMPARE(row.dataid(), command->dataId());
        QCOMPARE(row.dataid().size(), std::size_t(32));
        QCOMPARE(row.localityid(), m_fixture->locality->id());
        if (kind == Data::Plane) {
            QCOMPARE(row.dip(), 35.0f);
            QCOMPARE(row.dip_azimuth(), 120.0f);
            QCOMPARE(row.symbolid(), 1u);
            QCOMPARE(row.declination(), 2.5f);
            QCOMPARE(row.comment(), std::string("bed"));
        }
    }

    void imageAnnouncesItsFiles()
    {
        QSignalSpy files(ApplicationManager::instance(), &ApplicationManager::fileSystemChanged);
        auto command = std::make_shared<AddDataCommand>();
        command->setSketchData(1.0, 2.0, 90.0f, "IMG_2.jpeg", "sketch", "SKETCH_2.png", "");
        QVERIFY(addThrough(command));
        QCOMPARE(files.count(), 1);
        const QString images = m_fixture->project->folder().absoluteFilePath("images/");
        QCOMPARE(files.first().first().toStringList(),
                 QStringList({images + "IMG_2.jpeg", images + "SKETCH_2.png"}));
    }

    void failedAddChangesNothing_data() { test::addFailedAddRows({{"no kind", "noKind"}}); }

    void failedAddChangesNothing()
    {
        QFETCH(QString, situation);
        const std::shared_ptr<Data> existing = addThrough(planeCommand());
        QVERIFY(existing);
        auto command = planeCommand();
        if (situation == "noLocality")
            ModelManager::instance()->setCurrentLocality(nullptr);
        else if (situation == "noKind")
            command->setType(Data::NoKind);
        else if (situation == "unknownLocality")
            command->setLocalityId(idOf(0xbad));
        else if (situation == "duplicate")
            command->setDataId(existing->id());
        auto lock = m_fixture->lockFor(situation);
        QVERIFY(!lock || lock->isLocked());
        QSignalSpy changed(m_fixture->project.get(), &Project::dataListChanged);

        QVERIFY(!CommandManager::instance()->execute(command));
        lock.reset();
        QCOMPARE(m_fixture->locality->data().size(), std::size_t(1));
        QCOMPARE(m_fixture->locality->planeCount(), 1);
        QCOMPARE(records(*m_fixture).size(), std::size_t(1));
        QCOMPARE(changed.count(), 0);
        QCOMPARE(m_fixture->project->dataById(existing->id()), existing);
    }

    void addLandsInTheNamedLocality()
    {
        const auto other = m_fixture->addLocality(idOf(0xa2), 2000);
        auto command = planeCommand();
        command->setLocalityId(other->id());
        QVERIFY(addThrough(command));
        QCOMPARE(other->data().size(), std::size_t(1));
        QVERIFY(m_fixture->locality->data().empty());
    }

    void withoutProjectTheSightingHasNoSymbolNorDeclination()
    {
        delete ModelManager::instance();
        ModelManager::instance() = new ModelManager;
        auto command = std::make_shared<AddDataCommand>();
        command->setSightingData(1.0, 2.0, 75.0f, 3, "far");
        QCOMPARE(command->symbolId(), 0);
        QCOMPARE(command->declination(), 999.0f);
        QVERIFY(!CommandManager::instance()->execute(command));
    }

    void removeIsUndone_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("filled through findData, undo") << "find";
        QTest::newRow("only the ids set, undo") << "ids";
        QTest::newRow("batch rolled back") << "batch";
    }

    void removeIsUndone()
    {
        QFETCH(QString, how);
        auto add = planeCommand();
        add->setAltitudeAndAccuracy(55.0, 3.0, 4.0);
        const std::shared_ptr<Data> data = addThrough(add);
        QVERIFY(data);
        data->setTimeStamp(1234); // an old datum
        QVERIFY(m_fixture->project->syncDataDetails(data));
        const std::string original = recordBytes(*data);

        auto remove = std::make_shared<RemoveDataCommand>();
        if (how == "ids") {
            remove->setDataId(data->id());
            remove->setLocalityId(data->localityId());
        } else {
            remove->findData(QString::fromStdString(data->id()));
        }
        CommandManager* manager = CommandManager::instance();
        if (how == "batch") {
            manager->beginContext();
            manager->execute(remove);
            manager->execute(std::make_shared<TestCommand>(1, false, true));
            QVERIFY(!manager->executePending());
        } else {
            QVERIFY(manager->execute(remove));
            QVERIFY(m_fixture->locality->data().empty());
            QVERIFY(records(*m_fixture).empty());
            QVERIFY(remove->undo(nullptr));
        }
        const std::shared_ptr<Data> back = m_fixture->project->dataById(data->id());
        QVERIFY(back);
        QCOMPARE(recordBytes(*back), original);
        QCOMPARE(records(*m_fixture).size(), std::size_t(1));
        QCOMPARE(records(*m_fixture).front().SerializeAsString(), original);
    }

    void modifySwapsAndRestores_data()
    {
        QTest::addColumn<int>("kind");
        QTest::newRow("plane") << int(Data::Plane);
        QTest::newRow("lineation") << int(Data::Lineation);
        QTest::newRow("sighting") << int(Data::Sighting);
        QTest::newRow("image") << int(Data::Image);
    }

    void modifySwapsAndRestores()
    {
        QFETCH(int, kind);
        auto add = std::make_shared<AddDataCommand>();
        fillKind(*add, kind);
        const std::shared_ptr<Data> data = addThrough(add);
        QVERIFY(data);
        const std::string original = recordBytes(*data);

        auto modify = std::make_shared<ModifyDataCommand>();
        modify->findData(QString::fromStdString(data->id()));
        modify->setDip(modify->dip() + 10.0f);
        modify->setAzimuth(modify->azimuth() + 10.0f);
        modify->setLatitude(-33.0);
        modify->setUnitId(8);
        modify->setComment("changed");
        QVERIFY(CommandManager::instance()->execute(modify));
        QCOMPARE(data->latitude(), -33.0);
        QCOMPARE(data->comment(), QString("changed"));
        QCOMPARE(data->type(), kind);
        QCOMPARE(records(*m_fixture).front().SerializeAsString(), recordBytes(*data));
        QVERIFY(recordBytes(*data) != original);

        QVERIFY(CommandManager::instance()->execute(modify));
        QCOMPARE(recordBytes(*data), original);
        QCOMPARE(records(*m_fixture).front().SerializeAsString(), original);
        QCOMPARE(modify->comment(), QString("changed"));
    }

    void modifyNoteFlipsToImageAndBack()
    {
        auto add = std::make_shared<AddDataCommand>();
        add->setNoteData(1.0, 2.0, "note");
        add->setAltitudeAndAccuracy(120.0, 1.0, 1.0);
        const std::shared_ptr<Data> data = addThrough(add);
        QVERIFY(data);

        auto modify = std::make_shared<ModifyDataCommand>();
        modify->findData(QString::fromStdString(data->id()));
        modify->setImagePath("IMG_9.jpeg");
        modify->setAltitude(999.0);
        modify->setDeclination(-4.0f);
        QVERIFY(CommandManager::instance()->execute(modify));
        QCOMPARE(data->type(), int(Data::Image));
        QCOMPARE(records(*m_fixture).front().datatype(), Record::IMAGE);
        QCOMPARE(records(*m_fixture).front().imagepath(), std::string("IMG_9.jpeg"));

        QVERIFY(CommandManager::instance()->execute(modify));
        QCOMPARE(data->type(), int(Data::Annotation));
        QVERIFY(data->imagePath().isEmpty());
        QCOMPARE(records(*m_fixture).front().datatype(), Record::NOTE);
        QCOMPARE(data->altitude(), 120.0);
        QCOMPARE(data->declination(), 2.5f);
        QCOMPARE(records(*m_fixture).front().declination(), 2.5f);
    }

    void failedChangeKeepsTheDatum_data() { test::addFailedChangeRows(); }

    void failedChangeKeepsTheDatum()
    {
        QFETCH(bool, remove);
        QFETCH(QString, situation);
        const std::shared_ptr<Data> data = addThrough(planeCommand());
        QVERIFY(data);
        const std::string original = recordBytes(*data);
        std::shared_ptr<EditDataCommand> command;
        if (remove)
            command = std::make_shared<RemoveDataCommand>();
        else
            command = std::make_shared<ModifyDataCommand>();
        command->findData(QString::fromStdString(data->id()));
        command->setComment("changed");
        command->setDip(80.0f);
        if (situation == "unknown")
            command->setDataId(idOf(0xdead));
        auto lock = m_fixture->lockFor(situation);
        QVERIFY(!lock || lock->isLocked());
        QVERIFY(!CommandManager::instance()->execute(command));
        lock.reset();
        QCOMPARE(m_fixture->project->dataById(data->id()), data);
        QCOMPARE(recordBytes(*data), original);
        QCOMPARE(m_fixture->locality->planeCount(), 1);
        QCOMPARE(records(*m_fixture).size(), std::size_t(1));
        QCOMPARE(records(*m_fixture).front().SerializeAsString(), original);
        if (remove || situation == "unknown")
            return;
        // The edit is kept and goes through once the database is free.
        QCOMPARE(command->comment(), QString("changed"));
        QCOMPARE(command->dip(), 80.0f);
        QVERIFY(CommandManager::instance()->execute(command));
        QCOMPARE(data->comment(), QString("changed"));
    }

    void addStreamIsNameAndIds()
    {
        const auto command = std::dynamic_pointer_cast<AddDataCommand>(
            AbstractCommandFactory::create("class kiv::AddDataCommand"));
        QVERIFY(command);
        QVERIFY(!command->saveToUndoStack());
        command->setDataId(idOf(1));
        command->setLocalityId(idOf(2));
        command->setComment("not stored");
        const QByteArray bytes = test::commandBytes(*command);
        QCOMPARE(bytes.size(), 190);
        const auto back = std::dynamic_pointer_cast<AddDataCommand>(AbstractCommand::fromBytes(bytes, QDataStream::Qt_5_0));
        QVERIFY(back);
        QCOMPARE(back->dataId(), idOf(1));
        QCOMPARE(back->localityId(), idOf(2));
        QVERIFY(back->comment().isEmpty());
    }

    void fullStreamRoundTrip_data()
    {
        QTest::addColumn<QString>("key");
        QTest::newRow("remove") << "class kiv::RemoveDataCommand";
        QTest::newRow("modify") << "class kiv::ModifyDataCommand";
    }

    void fullStreamRoundTrip()
    {
        QFETCH(QString, key);
        const auto command = std::dynamic_pointer_cast<EditDataCommand>(AbstractCommandFactory::create(key.toStdString()));
        QVERIFY(command);
        QVERIFY(!command->saveToUndoStack());
        command->setDataId(idOf(5));
        command->setLocalityId(idOf(6));
        command->setTimeStamp(1500000000);
        command->setVisible(false);
        command->setLatitude(-12.5);
        command->setLongitude(130.25);
        command->setAltitude(80.0);
        command->setHorizontalAccuracy(3.0);
        command->setVerticalAccuracy(5.0);
        command->setDeclination(4.5f);
        command->setType(Data::Image);
        command->setSymbolId(-1);
        command->setUnitId(7);
        command->setAzimuth(33.0f);
        command->setDip(12.0f);
        command->setImagePath("IMG_1.jpeg");
        command->setComment("all");
        command->setSketchPath("SKETCH_1.png");
        command->setBackgroundPath("BACKGROUND_1.jpeg");
        const QByteArray bytes = test::commandBytes(*command);
        const int nameBytes = 4 + 2 * key.size();
        // Symbol id: after name, two ids, stamp, flag, five doubles, declination and type.
        const int symbolAt = nameBytes + 2 * 68 + 8 + 1 + 5 * 8 + 8 + 4;
        QCOMPARE(bytes.mid(symbolAt, 8), QByteArray::fromHex("00000000ffffffff"));

        const auto back = std::dynamic_pointer_cast<EditDataCommand>(AbstractCommand::fromBytes(bytes, QDataStream::Qt_5_0));
        QVERIFY(back);
        QCOMPARE(back->name(), key);
        QCOMPARE(test::commandBytes(*back), bytes);
        QCOMPARE(back->symbolId(), -1);
        QCOMPARE(back->declination(), 4.5f);
        QCOMPARE(back->isVisible(), false);
        QCOMPARE(back->backgroundPath(), QString("BACKGROUND_1.jpeg"));

        QVERIFY(!AbstractCommand::fromBytes(bytes.left(bytes.size() - 3), QDataStream::Qt_5_0));
    }
};

QTEST_GUILESS_MAIN(TestDataCommands)
#include "tst_datacommands.moc"
