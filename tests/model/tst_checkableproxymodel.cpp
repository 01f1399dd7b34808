#include <QAbstractItemModelTester>
#include <QStandardItemModel>
#include <QtTest>

#include "model/CheckableProxyModel.h"
#include "model/LocalityListModel.h"
#include "model/Project.h"
#include "model/StratColumnModel.h"
#include "model/SymbolListModel.h"
#include "support/ProjectFixture.h"

using namespace kiv;

namespace {

constexpr int KeyRole = Qt::UserRole + 1;

void appendRow(QStandardItemModel& model, const QVariant& key)
{
    auto* item = new QStandardItem(key.toString());
    item->setData(key, KeyRole);
    model.appendRow(item);
}

bool checkedAt(const CheckableProxyModel& proxy, int row)
{
    return proxy.index(row, 0).data(CheckableProxyModel::CheckedRole).toBool();
}

} // namespace

class TestCheckableProxyModel : public QObject
{
    Q_OBJECT

private:
    QStandardItemModel m_source;
    std::unique_ptr<CheckableProxyModel> m_proxy;

    CheckableProxyModel& proxy() { return *m_proxy; }

private slots:
    void init()
    {
        m_source.clear();
        for (const char* key : {"a", "b", "c"})
            appendRow(m_source, QString::fromLatin1(key));
        m_proxy = std::make_unique<CheckableProxyModel>();
        QCOMPARE(proxy().keyRole(), int(Qt::DisplayRole));
        QSignalSpy keyRole(m_proxy.get(), &CheckableProxyModel::keyRoleChanged);
        proxy().setKeyRole(KeyRole);
        proxy().setKeyRole(KeyRole);
        QCOMPARE(keyRole.count(), 1);
        proxy().setSourceModel(&m_source);
    }

    void freshProxyChecksAllButListsNone()
    {
        QAbstractItemModelTester tester(m_proxy.get(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        QCOMPARE(proxy().roleNames().value(CheckableProxyModel::CheckedRole), QByteArray("checked"));
        for (int row = 0; row < 3; ++row)
            QVERIFY(checkedAt(proxy(), row));
        QCOMPARE(proxy().getSelectedItemsAsList(), QVariantList());
        QCOMPARE(proxy().getSelectedItemsAsList(true), (QVariantList{"a", "b", "c"}));
        QCOMPARE(proxy().index(1, 0).data(KeyRole).toString(), QString("b"));
    }

    void toggle()
    {
        QSignalSpy selected(m_proxy.get(), &CheckableProxyModel::selectedItemsChanged);
        QSignalSpy changed(m_proxy.get(), &QAbstractItemModel::dataChanged);
        proxy().toggle(0);
        QVERIFY(!checkedAt(proxy(), 0));
        QCOMPARE(selected.count(), 1);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.front().at(2).value<QVector<int>>(), QVector<int>{CheckableProxyModel::CheckedRole});
        proxy().toggle(0);
        QVERIFY(checkedAt(proxy(), 0));
        QCOMPARE(selected.count(), 2);
        QCOMPARE(proxy().getSelectedItemsAsList(), QVariantList{"a"});
    }

    void bulkSelections()
    {
        QSignalSpy selected(m_proxy.get(), &CheckableProxyModel::selectedItemsChanged);
        QSignalSpy reset(m_proxy.get(), &QAbstractItemModel::modelReset);
        proxy().invertSelection();
        for (int row = 0; row < 3; ++row)
            QVERIFY(!checkedAt(proxy(), row));
        proxy().invertSelection();
        QCOMPARE(proxy().getSelectedItemsAsList(), (QVariantList{"a", "b", "c"}));
        proxy().selectNone();
        QCOMPARE(proxy().getSelectedItemsAsList(), QVariantList());
        proxy().selectAll();
        QCOMPARE(proxy().getSelectedItemsAsList().size(), 3);
        QCOMPARE(selected.count(), 4);
        QCOMPARE(reset.count(), 4);
    }

    void setSelectedItemsKeepsOthers()
    {
        proxy().toggle(1);
        QSignalSpy selected(m_proxy.get(), &CheckableProxyModel::selectedItemsChanged);
        proxy().setSelectedItemsFromList({"a"});
        QVERIFY(!checkedAt(proxy(), 1));
        QCOMPARE(proxy().getSelectedItemsAsList(), QVariantList{"a"});
        QCOMPARE(selected.count(), 0);
    }

    void sourceChanges()
    {
        QAbstractItemModelTester tester(m_proxy.get(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        QSignalSpy selected(m_proxy.get(), &CheckableProxyModel::selectedItemsChanged);
        appendRow(m_source, QStringLiteral("d"));
        QCOMPARE(selected.count(), 1);
        QVERIFY(checkedAt(proxy(), 3));
        QCOMPARE(proxy().getSelectedItemsAsList(), QVariantList{"d"});
        m_source.appendRow(new QStandardItem(QStringLiteral("no key")));
        QVERIFY(!checkedAt(proxy(), 4));
        m_source.removeRow(4);
        m_source.removeRow(3);
        QVERIFY(proxy().getSelectedItemsAsList().contains("d"));
        proxy().resetInternalData();
        QCOMPARE(proxy().getSelectedItemsAsList(), (QVariantList{"a", "b", "c"}));
    }

    void secondSourceDropsTheFirst()
    {
        QStandardItemModel second;
        appendRow(second, 7);
        appendRow(second, 30);
        proxy().setSourceModel(&second);
        QSignalSpy selected(m_proxy.get(), &CheckableProxyModel::selectedItemsChanged);
        appendRow(m_source, QStringLiteral("d"));
        QCOMPARE(selected.count(), 0);
        // Numbers in numeric order, not by their text.
        QCOMPARE(proxy().getSelectedItemsAsList(true), (QVariantList{7, 30}));
    }

    void overProjectModels_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("localities") << "localities";
        QTest::newRow("strat column") << "strat column";
        QTest::newRow("symbols") << "symbols";
    }

    void overProjectModels()
    {
        QFETCH(QString, kind);
        test::ProjectFixture fixture;
        QVERIFY(fixture.isValid());
        Project& project = *fixture.project;
        project.addRockUnit(4, QStringLiteral("Sand"), Qt::red, 0);
        project.addRockUnit(6, QStringLiteral("Clay"), Qt::blue, 0);
        QAbstractItemModel* source = nullptr;
        int role = 0;
        if (kind == "localities") {
            source = project.localityListModel();
            role = LocalityListModel::LocalityId;
        } else if (kind == "strat column") {
            source = project.stratColumnModel();
            role = StratColumnModel::UnitId;
        } else {
            source = project.symbolListModel();
            role = SymbolListModel::SymbolId;
        }
        CheckableProxyModel over;
        over.setKeyRole(role);
        over.setSourceModel(source);
        QAbstractItemModelTester tester(&over, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QVERIFY(over.rowCount() > 0);
        const QVariant firstKey = source->index(0, 0).data(role);
        QVERIFY(!firstKey.isNull());
        over.toggle(0);
        QVERIFY(!checkedAt(over, 0));
        const QVariantList selected = over.getSelectedItemsAsList(true);
        QCOMPARE(selected.size(), over.rowCount() - 1);
        QVERIFY(!selected.contains(firstKey));
    }
};

QTEST_GUILESS_MAIN(TestCheckableProxyModel)

#include "tst_checkableproxymodel.moc"
