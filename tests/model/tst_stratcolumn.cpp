#include <QAbstractItemModelTester>
#include <QtTest>

#include "model/ModelManager.h"
#include "model/Project.h"
#include "model/StratColumnModel.h"
#include "support/ProjectFixture.h"

using namespace kiv;

namespace {

RockUnit unit(int id, const QString& name, const QString& colour = QStringLiteral("#123456"), int type = 0)
{
    return {id, name, QColor(colour), type};
}

QStringList namesOf(const StratColumnModel::Units& units)
{
    QStringList names;
    for (const RockUnit& u : units)
        names << u.name;
    return names;
}

QStringList coloursOf(const StratColumnModel::Units& units)
{
    QStringList colours;
    for (const RockUnit& u : units)
        colours << u.colour.name();
    return colours;
}

} // namespace

class TestStratColumn : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<test::ProjectFixture> m_fixture;
    QTemporaryDir m_files;

    Project& project() { return *m_fixture->project; }
    StratColumnModel& model() { return *project().stratColumnModel(); }

    void setUnits(const StratColumnModel::Units& units)
    {
        project().rockUnits() = units;
        for (const RockUnit& u : units)
            project().updateNextUnitId(u.id);
        model().updateData();
    }

    QStringList storedNames() const
    {
        const auto record = test::storedProjectRecord(m_fixture->databasePath());
        QStringList names;
        for (int i = 0; i < record.rockunit_size(); ++i)
            names << QString::fromStdString(record.rockunit(i).unitname());
        return names;
    }

    QUrl writeFile(const QByteArray& bytes)
    {
        QFile file(m_files.filePath(QStringLiteral("strat.csv")));
        file.open(QIODevice::WriteOnly | QIODevice::Truncate);
        file.write(bytes);
        return QUrl::fromLocalFile(file.fileName());
    }

private slots:
    void init()
    {
        m_fixture = std::make_unique<test::ProjectFixture>();
        QVERIFY(m_fixture->isValid());
    }

    void cleanup() { m_fixture.reset(); }

    void addUnitWhileEditing_data()
    {
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QString>("lastColour");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("colour");
        QTest::newRow("fourth") << QStringList{"A", "B", "C"} << "#ff0000" << "Unit 4" << "#663399";
        QTest::newRow("last has the colour") << QStringList{"A", "B", "C"} << "#663399" << "Unit 4" << "#be2b2f";
        QTest::newRow("4 and 5 taken") << QStringList{"Unit 4", "Unit 5", "C"} << "#ff0000" << "Unit 6" << "#20297d";
    }

    void addUnitWhileEditing()
    {
        QFETCH(QStringList, names);
        QFETCH(QString, lastColour);
        QFETCH(QString, name);
        QFETCH(QString, colour);
        // Imported lists number from 1 while the counter may lag behind.
        project().rockUnits() = {unit(1, names[0]), unit(2, names[1]), unit(9, names[2], lastColour)};
        model().startEdit();
        QSignalSpy inserted(&model(), &QAbstractItemModel::rowsInserted);
        const int id = model().addUnit();
        QCOMPARE(id, 10);
        QCOMPARE(inserted.count(), 1);
        QCOMPARE(model().rowCount(), 4);
        const QModelIndex last = model().index(3);
        QCOMPARE(last.data(StratColumnModel::UnitName).toString(), name);
        QCOMPARE(last.data(StratColumnModel::UnitColor).value<QColor>().name(), colour);
        QCOMPARE(last.data(StratColumnModel::UnitType).toString(), QString("U"));
        QVERIFY(model().isChanged());
        QCOMPARE(project().rockUnits().size(), std::size_t(3));
    }

    void addUnitWritesThroughOutsideEdit()
    {
        QCOMPARE(project().addHorizon(), -1); // no model yet
        setUnits({unit(1, "A"), unit(2, "B")});
        QSignalSpy inserted(&model(), &QAbstractItemModel::rowsInserted);
        QSignalSpy reset(&model(), &QAbstractItemModel::modelReset);
        QAbstractItemModelTester tester(&model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        // A screen rebuilt by the change sees the list as it was until the row is announced.
        int rowsWhileStoring = -1;
        connect(&project(), &Project::stratColumnChanged, this, [&] { rowsWhileStoring = model().rowCount(); });
        const int id = project().addHorizon();
        QCOMPARE(id, 3);
        QCOMPARE(rowsWhileStoring, 2);
        QCOMPARE(model().rowCount(), 3);
        QCOMPARE(inserted.count(), 1);
        QCOMPARE(reset.count(), 0);
        QCOMPARE(model().unitIdAt(2), 3);
        QCOMPARE(model().index(2).data().toString(), QString("Unit 3"));
        QCOMPARE(storedNames(), (QStringList{"A", "B", "Unit 3"}));
    }

    void addUnitFailingCommandShowsUnchangedList()
    {
        setUnits({unit(1, "A")});
        QSignalSpy reset(&model(), &QAbstractItemModel::modelReset);
        QSignalSpy inserted(&model(), &QAbstractItemModel::rowsInserted);
        QAbstractItemModelTester tester(&model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        {
            const auto lock = m_fixture->lockFor(QStringLiteral("EXCLUSIVE"));
            QCOMPARE(model().addUnit(), -1);
        }
        // No row was announced, so none is taken back.
        QCOMPARE(inserted.count(), 0);
        QCOMPARE(reset.count(), 0);
        QCOMPARE(model().rowCount(), 1);
        QCOMPARE(storedNames(), QStringList());
    }

    void notCurrentProjectRefusesWrites()
    {
        QDir root(m_files.path());
        root.mkdir(QStringLiteral("other.qz"));
        const auto other
            = ModelManager::instance()->createProject(QStringLiteral("Other"), QDir(root.filePath("other.qz")));
        QVERIFY(other);
        StratColumnModel* otherModel = other->stratColumnModel();
        QCOMPARE(otherModel->addUnit(), -1);
        otherModel->startEdit();
        QVERIFY(otherModel->importDefault());
        QVERIFY(!otherModel->save());
        QVERIFY(otherModel->isEditing());
        QVERIFY(other->rockUnits().empty());
        QVERIFY(project().rockUnits().empty());
    }

    void importDefault()
    {
        QVERIFY(!model().importDefault());
        model().startEdit();
        QSignalSpy reset(&model(), &QAbstractItemModel::modelReset);
        QVERIFY(model().importDefault());
        QCOMPARE(reset.count(), 1);
        QCOMPARE(model().rowCount(), 10);
        for (int row = 0; row < 10; ++row) {
            QCOMPARE(model().unitIdAt(row), row + 1);
            QCOMPARE(model().index(row).data().toString(), QString("Horizon_%1").arg(row + 1, 2, 10, QChar('0')));
        }
        QCOMPARE(model().index(0).data(StratColumnModel::UnitColor).value<QColor>(), QColor("#e6a748"));
        QCOMPARE(model().index(9).data(StratColumnModel::UnitColor).value<QColor>(), QColor("#f89a89"));
        QVERIFY(model().isChanged());
    }

    void validWorkingCopy_data()
    {
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QString>("message");
        QTest::newRow("case differs") << QStringList{"Sand", "sand"} << "";
        QTest::newRow("same name") << QStringList{"Sand", "Clay", "Sand"} << "Unit names must be unique";
        QTest::newRow("empty") << QStringList() << "Unit list must not be empty";
    }

    void validWorkingCopy()
    {
        QFETCH(QStringList, names);
        QFETCH(QString, message);
        StratColumnModel::Units units;
        for (const QString& name : names)
            units.push_back(unit(int(units.size()) + 1, name));
        setUnits(units);
        model().startEdit();
        QCOMPARE(model().validWorkingCopy(), message);
    }

    void removeUnitById_data()
    {
        QTest::addColumn<QList<int>>("ids");
        QTest::addColumn<int>("removed");
        QTest::addColumn<bool>("editing");
        QTest::addColumn<int>("result");
        QTest::newRow("middle") << QList<int>{11, 12, 13} << 12 << true << 13;
        QTest::newRow("last") << QList<int>{11, 12, 13} << 13 << true << 12;
        QTest::newRow("only") << QList<int>{11} << 11 << true << -1;
        QTest::newRow("unknown") << QList<int>{11} << 5 << true << -1;
        QTest::newRow("not editing") << QList<int>{11, 12} << 11 << false << -1;
    }

    void removeUnitById()
    {
        QFETCH(QList<int>, ids);
        QFETCH(int, removed);
        QFETCH(bool, editing);
        QFETCH(int, result);
        StratColumnModel::Units units;
        for (int id : ids)
            units.push_back(unit(id, QString::number(id)));
        setUnits(units);
        if (editing)
            model().startEdit();
        QCOMPARE(project().removeHorizonById(removed), result);
        const bool gone = editing && ids.contains(removed);
        QCOMPARE(model().rowCount(), ids.size() - (gone ? 1 : 0));
        QCOMPARE(project().rockUnits().size(), std::size_t(ids.size()));
    }

    void importFile_data()
    {
        const QByteArray head = "Created by Quarzel\r\n"
                                "Stratigraphy,Stratigraphy,Stratigraphy,Stratigraphy,Stratigraphy,Stratigraphy\r\n"
                                "Text,Color,Text,Real,Real,Integer\r\n"
                                "Horizon,Colour,Rock Type,Age,Thickness,horizonId\r\n"
                                "#0000FF,#0000CD,#00009B,#000069,,,\r\n"
                                "n/a,n/a,n/a,n/a,n/a,n/a\r\n"
                                "dimensionless,dimensionless,dimensionless,dimensionless,dimensionless,dimensionless\r\n";
        QByteArray thickness = head;
        thickness.replace("Rock Type,Age", "Rock Type,Thickness");
        QByteArray noMarker = head;
        noMarker.replace("Stratigraphy", "Strat");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("names"); // empty: refused
        QTest::addColumn<QStringList>("colours");
        QTest::addColumn<int>("unread"); // colours not understood
        const QStringList redGreen{"#ff0000", "#00ff00"};
        QTest::newRow("export layout") << head + "Sand,#ff0000,Default,0.,0.,7\r\nClay,#00ff00,Default,0.,0.,8\r\n"
                                       << QStringList{"Sand", "Clay"} << redGreen << 0;
        QTest::newRow("blank lines") << head + "Sand,#ff0000\r\n\r\n\nClay,#00ff00\n\r\nSilt,#0000ff"
                                     << QStringList{"Sand", "Clay", "Silt"} << redGreen + QStringList{"#0000ff"} << 0;
        QTest::newRow("one-cell line") << head + "Sand,#ff0000\r\nlonely\r\nClay,#00ff00\r\n"
                                       << QStringList{"Sand", "Clay"} << redGreen << 0;
        QTest::newRow("thickness header") << thickness + "Sand,#ff0000\r\n" << QStringList() << QStringList() << 0;
        QTest::newRow("no marker") << noMarker + "Sand,#ff0000\r\n" << QStringList() << QStringList() << 0;
        QTest::newRow("no units") << head << QStringList() << QStringList() << 0;
        QTest::newRow("NUL inside a name") << head + QByteArray("Sa\0nd,#ff0000\r\nClay,#00ff00\r\n", 29)
                                           << QStringList{"Sand", "Clay"} << redGreen << 0;
        QTest::newRow("latin-1") << head + "Gr\xe8s,#ff0000\r\n" << QStringList{QString::fromUtf8("Gr\xc3\xa8s")}
                                 << QStringList{"#ff0000"} << 0;
        // A colour not understood takes the column's default for its place.
        QTest::newRow("colours not understood")
            << head + "Sand,brownish\r\nClay, #00ff00 \r\nSilt,#12345\r\nMarl,red\r\n"
            << QStringList{"Sand", "Clay", "Silt", "Marl"}
            << QStringList{StratColumnModel::defaultColor(0).name(), "#00ff00", StratColumnModel::defaultColor(2).name(),
                           "#ff0000"}
            << 2;
        QTest::newRow("line over the bound skipped")
            << head + "Sand,#ff0000\r\n" + QByteArray(64 * 1024 + 1, 'x') + ",#000000\r\nClay,#00ff00\r\n"
            << QStringList{"Sand", "Clay"} << redGreen << 0;
    }

    void importFile()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, names);
        QFETCH(QStringList, colours);
        QFETCH(int, unread);
        setUnits({unit(1, "Old")});
        model().startEdit();
        QCOMPARE(model().importFile(writeFile(bytes)), !names.isEmpty());
        QCOMPARE(namesOf(model().workingCopy()), names.isEmpty() ? QStringList{"Old"} : names);
        QCOMPARE(coloursOf(model().workingCopy()), names.isEmpty() ? QStringList{"#123456"} : colours);
        QCOMPARE(model().isChanged(), !names.isEmpty());
        if (!names.isEmpty())
            QCOMPARE(model().unitIdAt(names.size() - 1), names.size());
        QCOMPARE(model().unreadColourCount(), unread);
    }

    void importFromProject()
    {
        QDir root(m_files.path());
        root.mkdir(QStringLiteral("source.qz"));
        const auto source
            = ModelManager::instance()->createProject(QStringLiteral("Source"), QDir(root.filePath("source.qz")));
        QVERIFY(source);
        const int sourceId = int(source->qmlId());
        setUnits({unit(1, "Old")});
        model().startEdit();
        QVERIFY(!model().importFromProject(sourceId));
        source->addRockUnit(40, QStringLiteral("Granite"), QColor("#aa0000"), 1);
        QVERIFY(!model().importFromProject(12345));
        QVERIFY(model().importFromProject(sourceId));
        QCOMPARE(model().unitIdAt(0), 40);
        QCOMPARE(model().index(0).data(StratColumnModel::UnitType).toString(), QString("F"));
        model().cancelEdit();
        QVERIFY(!model().importFromProject(sourceId));
    }

    void revertAndExternalChange()
    {
        setUnits({unit(1, "A"), unit(2, "B"), unit(3, "C")});
        model().startEdit();
        model().setUnitName(0, QStringLiteral("Z"));
        model().move(0, 2);
        model().move(0, 3); // past the end
        model().setUnitType(1, QStringLiteral("C"));
        QCOMPARE(namesOf(model().workingCopy()), (QStringList{"B", "C", "Z"}));
        model().revert();
        QCOMPARE(namesOf(model().workingCopy()), (QStringList{"A", "B", "C"}));
        QVERIFY(!model().isChanged());
        model().addUnit();
        project().rockUnits() = {unit(5, "Elsewhere")};
        QSignalSpy reset(&model(), &QAbstractItemModel::modelReset);
        emit project().stratColumnChanged();
        QCOMPARE(reset.count(), 1);
        QCOMPARE(namesOf(model().workingCopy()), QStringList{"Elsewhere"});
    }

    void save()
    {
        setUnits({unit(1, "A"), unit(2, "B")});
        ModelManager::instance()->setCurrentRockUnit(1);
        QAbstractItemModelTester tester(&model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        QSignalSpy editing(&model(), &StratColumnModel::editingChanged);
        model().startEdit();
        QCOMPARE(editing.count(), 1);
        QCOMPARE(editing.last().at(0).toBool(), true);
        QVERIFY(model().importDefault());
        model().setUnitColor(0, QColor("#010203"));
        QVERIFY(model().removeUnitById(1) == 2);
        QCOMPARE(model().unitColorById(2), QColor("#defd64"));
        const QStringList edited = namesOf(model().workingCopy());
        {
            const auto lock = m_fixture->lockFor(QStringLiteral("EXCLUSIVE"));
            QVERIFY(!model().save());
        }
        QVERIFY(model().isEditing());
        QCOMPARE(editing.count(), 1);
        QCOMPARE(namesOf(model().workingCopy()), edited);
        QCOMPARE(namesOf(project().rockUnits()), (QStringList{"A", "B"}));
        QVERIFY(model().save());
        QVERIFY(!model().isEditing());
        QCOMPARE(editing.count(), 2);
        QCOMPARE(editing.last().at(0).toBool(), false);
        // Ending no edit says nothing; a cancelled one says it ended.
        QVERIFY(model().save());
        model().cancelEdit();
        QCOMPARE(editing.count(), 2);
        model().startEdit();
        model().cancelEdit();
        QCOMPARE(editing.count(), 4);
        QCOMPARE(editing.last().at(0).toBool(), false);
        QCOMPARE(storedNames(), edited);
        QCOMPARE(ModelManager::instance()->currentRockUnit(), 2);
        QCOMPARE(model().unitNameById(2), QString("Horizon_02"));
        const int id = model().addUnit();
        for (int row = 0; row + 1 < model().rowCount(); ++row)
            QVERIFY(model().unitIdAt(row) != id);
    }
};

QTEST_GUILESS_MAIN(TestStratColumn)

#include "tst_stratcolumn.moc"
