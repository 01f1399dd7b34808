#include <QAbstractItemModelTester>
#include <QtTest>

#include "Database/AbstractCommandFactory.h"
#include "Database/CommandManager.h"
#include "Database/Quarzel.pb.h"
#include "model/AddSymbolCommand.h"
#include "model/Data.h"
#include "model/FilteredSymbolListModel.h"
#include "model/Locality.h"
#include "model/ModelManager.h"
#include "model/ModifySymbolCommand.h"
#include "model/Project.h"
#include "model/RemoveSymbolCommand.h"
#include "model/SymbolListModel.h"
#include "support/CommandBytes.h"
#include "support/ProjectFixture.h"

using namespace kiv;
using kiv::test::idOf;

class TestSymbols : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<test::ProjectFixture> m_fixture;

    Project& project() { return *m_fixture->project; }
    SymbolListModel& model() { return *project().symbolListModel(); }
    QZProtoBuffers::Project stored() const { return test::storedProjectRecord(m_fixture->databasePath()); }

    // The symbol ids of the stored data, by data id.
    std::map<std::string, int> storedDataSymbols() const
    {
        std::map<std::string, int> result;
        for (const std::string& message : m_fixture->messages("data")) {
            QZProtoBuffers::Data record;
            record.ParseFromString(message);
            result[record.dataid()] = int(record.symbolid());
        }
        return result;
    }

    // Memory holds what the project row holds.
    void compareWithStored()
    {
        const auto record = stored();
        QCOMPARE(record.symbols_size(), int(project().symbols().size()));
        for (int i = 0; i < record.symbols_size(); ++i) {
            QCOMPARE(int(record.symbols(i).symbolid()), project().symbols()[std::size_t(i)].id);
            QCOMPARE(QString::fromStdString(record.symbols(i).name()), project().symbols()[std::size_t(i)].name);
            QCOMPARE(int(record.symbols(i).iconid()), project().symbols()[std::size_t(i)].iconId);
        }
    }

    std::shared_ptr<Data> addLineation(int n, int symbolId)
    {
        auto datum = m_fixture->locality->addLineation(idOf(n), 46.0, 7.0, 20.0f, 210.0f, 0, symbolId, "l");
        project().syncDataDetails(datum);
        return datum;
    }

private slots:
    void init()
    {
        m_fixture = std::make_unique<test::ProjectFixture>();
        QVERIFY(m_fixture->isValid());
    }

    void cleanup() { m_fixture.reset(); }

    void defaultSymbolsListFromBedding()
    {
        QCOMPARE(model().rowCount(), 15);
        const QModelIndex first = model().index(0);
        QCOMPARE(first.data(SymbolListModel::SymbolId).toInt(), 1);
        QCOMPARE(first.data(Qt::DisplayRole).toString(), QString("Bedding"));
        QCOMPARE(first.data(SymbolListModel::Locked).toBool(), true);
        QVERIFY(!model().index(15).data(SymbolListModel::Name).isValid());
        QCOMPARE(project().property("symbolListModel").value<SymbolListModel*>(), &model());
        QCOMPARE(model().roleNames().value(SymbolListModel::SymbolType), QByteArray("symbolType"));
        // A list without records has no rows rather than -1.
        project().symbols().clear();
        QCOMPARE(model().rowCount(), 0);
        QCOMPARE(SymbolListModel().rowCount(), 0);
    }

    void addSymbol_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("iconId");
        QTest::addColumn<bool>("added");
        QTest::addColumn<int>("storedType");
        QTest::newRow("listed name") << "Bedding" << 0 << false << 0;
        QTest::newRow("hidden first name") << "Symbol Undefined" << 0 << false << 0;
        QTest::newRow("plane icon 2") << "Schistosity" << 2 << true << int(QZProtoBuffers::Symbol::PLANE);
        QTest::newRow("last plane icon 12") << "Antiform" << 12 << true << int(QZProtoBuffers::Symbol::PLANE);
        QTest::newRow("first line icon 13") << "Crenulation" << 13 << true << int(QZProtoBuffers::Symbol::LINE);
        QTest::newRow("icon 20") << "Outcrop" << 20 << true << int(QZProtoBuffers::Symbol::SIGHTING);
    }

    void addSymbol()
    {
        QFETCH(QString, name);
        QFETCH(int, iconId);
        QFETCH(bool, added);
        QFETCH(int, storedType);
        QSignalSpy created(&model(), &SymbolListModel::symbolCreated);
        QSignalSpy current(ModelManager::instance(), &ModelManager::currentSymbolChanged);
        // A list made while the symbol is stored sees the list as it was, then
        // the new row once.
        std::unique_ptr<QSortFilterProxyModel> madeMeanwhile;
        connect(&project(), &Project::symbolsChanged, this, [&] {
            madeMeanwhile = std::make_unique<QSortFilterProxyModel>();
            madeMeanwhile->setSourceModel(&model());
            QCOMPARE(madeMeanwhile->rowCount(), 15);
        });
        QCOMPARE(model().addSymbol(name, iconId), added);
        QCOMPARE(madeMeanwhile ? madeMeanwhile->rowCount() : 15, model().rowCount());
        const auto record = stored();
        QCOMPARE(record.symbols_size(), added ? 17 : 16);
        QCOMPARE(created.count(), added ? 1 : 0);
        QCOMPARE(current.count(), added ? 1 : 0);
        if (!added)
            return;
        QCOMPARE(created.front().front().toInt(), 16);
        const auto& last = record.symbols(16);
        QCOMPARE(last.symbolid(), 16u);
        QCOMPARE(QString::fromStdString(last.name()), name);
        QCOMPARE(int(last.iconid()), iconId);
        QCOMPARE(int(last.symboltype()), storedType);
        QVERIFY(!last.islocked());
        QCOMPARE(model().rowCount(), 16);
        QCOMPARE(model().index(15).data(SymbolListModel::Name).toString(), name);
    }

    void newSymbolIdIsOnePastTheLargest_data()
    {
        QTest::addColumn<int>("largest");
        QTest::addColumn<bool>("listedFirst");
        QTest::newRow("16 listed last") << 16 << false;
        QTest::newRow("40 listed first") << 40 << true;
    }

    void newSymbolIdIsOnePastTheLargest()
    {
        QFETCH(int, largest);
        QFETCH(bool, listedFirst);
        auto& symbols = project().symbols();
        symbols.insert(listedFirst ? symbols.begin() : symbols.end(), {largest, "Extra", 3, Project::Plane, false});
        QVERIFY(model().addSymbol("Schistosity", 2));
        QCOMPARE(symbols.back().id, largest + 1);
    }

    void filterProxy()
    {
        QVERIFY(model().addSymbol("Outcrop", 20));
        FilteredSymbolListModel proxy;
        proxy.setSourceModel(&model());
        proxy.setFilterRole(SymbolListModel::SymbolType);
        QCOMPARE(proxy.rowCount(), 14);
        QCOMPARE(proxy.getIndexBySymbolId(16), -1);
        QVERIFY(proxy.getIndexBySymbolId(12) >= 0);
        QCOMPARE(proxy.data(proxy.index(proxy.getIndexByIconId(14), 0), SymbolListModel::Name).toString(),
                 QString("Mineral"));
        // Sorted by name.
        QCOMPARE(proxy.index(0, 0).data().toString(), QString("Bedding"));

        QSignalSpy lineChanged(&proxy, &FilteredSymbolListModel::filterLineSymbolsChanged);
        proxy.setFilterLineSymbols(true);
        proxy.setFilterLineSymbols(true);
        QCOMPARE(lineChanged.count(), 1);
        QCOMPARE(proxy.rowCount(), 8);
        QCOMPARE(proxy.getIndexByIconId(14), -1);
        QSignalSpy planeChanged(&proxy, &FilteredSymbolListModel::filterPlaneSymbolsChanged);
        proxy.setFilterPlaneSymbols(true);
        QCOMPARE(planeChanged.count(), 1);
        QCOMPARE(proxy.rowCount(), 0);

        // A source without the roles: nothing found, nothing added.
        QStringListModel names({"a"});
        FilteredSymbolListModel plain;
        plain.setSourceModel(&names);
        QCOMPARE(plain.getIndexBySymbolId(0), -1);
        QVERIFY(!plain.addSymbol("Schistosity", 2));
    }

    void removeGivesDataTheDefaultOfTheirKind_data()
    {
        QTest::addColumn<int>("iconId");
        QTest::addColumn<int>("replacement");
        QTest::newRow("plane") << 2 << 1;
        QTest::newRow("line") << 13 << 9;
        QTest::newRow("sighting") << 20 << 15;
    }

    void removeGivesDataTheDefaultOfTheirKind()
    {
        QFETCH(int, iconId);
        QFETCH(int, replacement);
        QVERIFY(model().addSymbol("Doomed", iconId));
        const auto first = addLineation(1, 16);
        const auto second = addLineation(2, 16);
        const auto other = addLineation(3, 11);
        auto command = std::make_shared<RemoveSymbolCommand>();
        command->setSymbolId(16);
        QVERIFY(CommandManager::instance()->execute(command));
        QCOMPARE(first->symbolId(), replacement);
        QCOMPARE(second->symbolId(), replacement);
        QCOMPARE(other->symbolId(), 11);
        QCOMPARE(storedDataSymbols(), (std::map<std::string, int>{{idOf(1), replacement}, {idOf(2), replacement},
                                                                   {idOf(3), 11}}));
        QCOMPARE(QSet<QString>(command->affectedDataIds().begin(), command->affectedDataIds().end()),
                 (QSet<QString>{QString::fromStdString(idOf(1)), QString::fromStdString(idOf(2))}));
        QVERIFY(!project().hasSymbol(16));
        compareWithStored();

        // Undo appends the symbol at the end and gives the data their symbol again.
        project().symbols().erase(project().symbols().begin() + 3);
        QVERIFY(project().save());
        QVERIFY(command->undo(nullptr));
        QCOMPARE(project().symbols().back().id, 16);
        QCOMPARE(project().symbols().back().name, QString("Doomed"));
        QCOMPARE(project().symbols().back().iconId, iconId);
        QCOMPARE(first->symbolId(), 16);
        QCOMPARE(storedDataSymbols(), (std::map<std::string, int>{{idOf(1), 16}, {idOf(2), 16}, {idOf(3), 11}}));
        compareWithStored();
    }

    void lockedSymbolsStay_data()
    {
        QTest::addColumn<int>("symbolId");
        QTest::newRow("Bedding") << 1;
        QTest::newRow("Lineation") << 9;
    }

    void lockedSymbolsStay()
    {
        QFETCH(int, symbolId);
        const auto datum = addLineation(1, symbolId);
        const std::string before = stored().SerializeAsString();
        QTest::ignoreMessage(QtWarningMsg, "Cannot delete locked symbols!");
        model().removeSymbol(symbolId);
        QVERIFY(project().hasSymbol(symbolId));
        QCOMPARE(datum->symbolId(), symbolId);
        QCOMPARE(stored().SerializeAsString(), before);
    }

    void modifySymbol_data()
    {
        QTest::addColumn<int>("symbolId");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("current");
        QTest::addColumn<bool>("modified");
        QTest::newRow("own name") << 2 << "Cleavage" << true << true;
        QTest::newRow("new name") << 2 << "Fracture" << true << true;
        QTest::newRow("another's name") << 2 << "Fault" << true << false;
        QTest::newRow("unknown symbol") << 40 << "Fracture" << true << false;
        QTest::newRow("project not current") << 2 << "Fracture" << false << false;
    }

    void modifySymbol()
    {
        QFETCH(int, symbolId);
        QFETCH(QString, name);
        QFETCH(bool, current);
        QFETCH(bool, modified);
        std::shared_ptr<Project> target = m_fixture->project;
        if (!current) {
            QTemporaryDir folder;
            target = ModelManager::instance()->createProject("Other", QDir(folder.path()));
            QVERIFY(target);
        }
        QSignalSpy reset(target->symbolListModel(), &QAbstractItemModel::modelReset);
        QCOMPARE(target->symbolListModel()->modifySymbol(symbolId, name, 4), modified);
        QCOMPARE(reset.count(), modified ? 1 : 0);
        QCOMPARE(target->symbolIconId(2), modified ? 4 : 2);
        QCOMPARE(target->symbolName(2), modified ? name : QString("Cleavage"));
        compareWithStored();
    }

    void failedWritesKeepStoredState()
    {
        addLineation(1, 10);
        const std::string before = stored().SerializeAsString();
        const auto data = storedDataSymbols();
        QSignalSpy created(&model(), &SymbolListModel::symbolCreated);
        {
            const auto lock = m_fixture->lockFor("EXCLUSIVE");
            QVERIFY(!model().addSymbol("Schistosity", 2));
            QVERIFY(!model().modifySymbol(10, "Slip", 14));
            model().removeSymbol(10);
        }
        QCOMPARE(created.count(), 0);
        QCOMPARE(model().rowCount(), 15);
        QCOMPARE(stored().SerializeAsString(), before);
        QCOMPARE(storedDataSymbols(), data);
        QCOMPARE(project().dataById(idOf(1))->symbolId(), 10);
        QCOMPARE(project().symbolName(10), QString("Slickenside"));
        compareWithStored();
    }

    void failedUndoKeepsStoredState()
    {
        addLineation(1, 10);
        auto command = std::make_shared<RemoveSymbolCommand>();
        command->setSymbolId(10);
        QVERIFY(CommandManager::instance()->execute(command));
        const std::string before = stored().SerializeAsString();
        {
            const auto lock = m_fixture->lockFor("EXCLUSIVE");
            QVERIFY(!command->undo(nullptr));
        }
        QVERIFY(!project().hasSymbol(10));
        QCOMPARE(project().dataById(idOf(1))->symbolId(), 9);
        QCOMPARE(stored().SerializeAsString(), before);
    }

    void modelTesterSeesNoFault()
    {
        FilteredSymbolListModel proxy;
        proxy.setFilterRole(SymbolListModel::SymbolType);
        proxy.setSourceModel(&model());
        QAbstractItemModelTester sourceTester(&model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        QAbstractItemModelTester proxyTester(&proxy, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QVERIFY(model().addSymbol("Schistosity", 2));
        QVERIFY(model().modifySymbol(16, "Slaty cleavage", 3));
        {
            const auto lock = m_fixture->lockFor("EXCLUSIVE");
            QVERIFY(!model().addSymbol("Crenulation", 13));
        }
        model().removeSymbol(16);
        QCOMPARE(model().rowCount(), 15);
        QCOMPARE(proxy.rowCount(), 14);
    }

    void factoriesAndStreams_data()
    {
        QTest::addColumn<QString>("key");
        QTest::newRow("add") << "class kiv::AddSymbolCommand";
        QTest::newRow("modify") << "class kiv::ModifySymbolCommand";
        QTest::newRow("remove") << "class kiv::RemoveSymbolCommand";
    }

    void factoriesAndStreams()
    {
        QFETCH(QString, key);
        if (key.contains("Remove")) {
            addLineation(1, 10);
            addLineation(2, 10);
        }
        const auto command = AbstractCommandFactory::create(key.toStdString());
        QVERIFY(command);
        QCOMPARE(command->name(), key);
        QVERIFY(!command->saveToUndoStack());
        if (auto add = std::dynamic_pointer_cast<AddSymbolCommand>(command))
            add->setSymbol("Schistosity", 2);
        else if (auto modify = std::dynamic_pointer_cast<ModifySymbolCommand>(command))
            modify->setSymbol(4, "Thrust", 6);
        else
            std::dynamic_pointer_cast<RemoveSymbolCommand>(command)->setSymbolId(10);
        QVERIFY(command->execute(nullptr));
        const QByteArray bytes = test::commandBytes(*command);
        const auto back = AbstractCommand::fromBytes(bytes, QDataStream::Qt_5_0);
        QVERIFY(back);
        QCOMPARE(test::commandBytes(*back), bytes);
        // Running the read-back undo restores the project.
        QVERIFY(back->undo(nullptr));
        QCOMPARE(int(project().symbols().size()), 16);
        QVERIFY(project().hasSymbol(10));
        compareWithStored();
    }

    void removeCutInsideItsIdList()
    {
        RemoveSymbolCommand command;
        addLineation(1, 10);
        addLineation(2, 10);
        command.setSymbolId(10);
        QVERIFY(command.execute(nullptr));
        const QByteArray bytes = test::commandBytes(command);
        const int idBytes = 4 + 2 * 32;
        for (const int cut : {3, idBytes}) {
            const auto back = std::dynamic_pointer_cast<RemoveSymbolCommand>(
                AbstractCommand::fromBytes(bytes.left(bytes.size() - cut), QDataStream::Qt_5_0));
            QVERIFY(back);
            QCOMPARE(back->affectedDataIds(), command.affectedDataIds().mid(0, 1));
            QCOMPARE(back->symbolName(), QString("Slickenside"));
        }
        // A cut before the list gives no command.
        QVERIFY(!AbstractCommand::fromBytes(bytes.left(bytes.size() - 2 * idBytes - 6), QDataStream::Qt_5_0));
    }
};

QTEST_GUILESS_MAIN(TestSymbols)
#include "tst_symbols.moc"
