#include <QtTest>

#include "model/NewestFirstList.h"

#include <memory>
#include <string>

using namespace kiv;

namespace {

struct Item
{
    std::string name;
    qint64 stamp;
    const std::string& id() const { return name; }
    qint64 timeStamp() const { return stamp; }
};

using List = NewestFirstList<Item>;

std::shared_ptr<Item> item(const std::string& id, qint64 stamp)
{
    return std::make_shared<Item>(Item{id, stamp});
}

QString order(const List& list)
{
    QStringList names;
    for (const auto& entry : list.items())
        names << QString::fromStdString(entry->id() + ':' + std::to_string(entry->timeStamp()));
    return names.join(' ');
}

} // namespace

class TestNewestFirstList : public QObject
{
    Q_OBJECT

private slots:
    // Whether items come one by one or in bulk, on an empty list or onto
    // one, the order is the same and the first item of an id is found.
    void addingKeepsOrderAndFirstOfAnId_data()
    {
        QTest::addColumn<bool>("bulk");
        QTest::newRow("one by one") << false;
        QTest::newRow("in bulk") << true;
    }

    void addingKeepsOrderAndFirstOfAnId()
    {
        QFETCH(bool, bulk);
        List list;
        list.add(item("a", 20));
        const List::Items more{item("b", 30), item("a", 10), item("c", 20), item("b", 5)};
        if (bulk) {
            list.addAll(more);
        } else {
            for (const auto& entry : more)
                list.add(entry);
        }
        QCOMPARE(order(list), QStringLiteral("b:30 a:20 c:20 a:10 b:5"));
        QCOMPARE(list.find("a")->timeStamp(), qint64(20));
        QCOMPARE(list.find("b")->timeStamp(), qint64(30));
        QVERIFY(list.contains("c"));
        QVERIFY(!list.contains("d"));
        QVERIFY(!list.find("d"));
        QCOMPARE(list.indexOf("c"), 2);

        // The indexed one goes: its twin takes its place; then nothing.
        list.erase(std::size_t(list.indexOf("b")));
        QCOMPARE(list.find("b")->timeStamp(), qint64(5));
        list.erase(std::size_t(list.indexOf("b")));
        QVERIFY(!list.contains("b"));
        QCOMPARE(order(list), QStringLiteral("a:20 c:20 a:10"));
    }

    // A bulk load onto an empty list, in the orders rows come back in.
    void bulkLoadIsNewestFirst_data()
    {
        QTest::addColumn<QList<int>>("stamps");
        QTest::addColumn<QString>("expected");
        QTest::newRow("oldest first") << QList<int>{1, 2, 3} << "2:3 1:2 0:1";
        QTest::newRow("oldest first, a tie") << QList<int>{1, 2, 2, 3} << "3:3 1:2 2:2 0:1";
        QTest::newRow("newest first, a tie") << QList<int>{3, 2, 2, 1} << "0:3 1:2 2:2 3:1";
        QTest::newRow("mixed") << QList<int>{2, 3, 1, 3} << "1:3 3:3 0:2 2:1";
        QTest::newRow("one") << QList<int>{7} << "0:7";
    }

    void bulkLoadIsNewestFirst()
    {
        QFETCH(QList<int>, stamps);
        QFETCH(QString, expected);
        List list;
        for (int n = 0; n < stamps.size(); ++n)
            list.appendPending(item(std::to_string(n), stamps[n]));
        list.addPending();
        QCOMPARE(order(list), expected);
    }

    void manyItemsAreAllFound()
    {
        List list;
        List::Items items;
        for (int n = 0; n < 3000; ++n)
            items.push_back(item("id" + std::to_string(n), n % 7));
        list.addAll(items);
        for (int n = 0; n < 3000; n += 3)
            list.add(item("new" + std::to_string(n), n));
        for (int n = 0; n < 3000; ++n) {
            QVERIFY(list.find("id" + std::to_string(n)) == items[std::size_t(n)]);
            QCOMPARE(list.contains("new" + std::to_string(n)), n % 3 == 0);
        }
        QCOMPARE(list.size(), std::size_t(4000));
    }
};

QTEST_GUILESS_MAIN(TestNewestFirstList)
#include "tst_newestfirstlist.moc"
