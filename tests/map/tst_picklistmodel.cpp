#include "map/PickListModel.h"
#include "model/Locality.h"

#include <QAbstractItemModelTester>
#include <QtTest>

using namespace kiv;

class TestPickListModel : public QObject
{
    Q_OBJECT
private slots:
    void emptyModelKeepsRoleNames()
    {
        PickListModel model;
        QCOMPARE(model.rowCount(), 0);
        const auto names = model.roleNames();
        QCOMPARE(names.size(), 12);
        QCOMPARE(names.value(256), QByteArray("dataId"));
        QCOMPARE(names.value(267), QByteArray("imageUrl"));
        QVERIFY(!model.parent());
    }

    void resetSortsNearestFirst()
    {
        PickListModel model;
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
        model.beginResetModel();
        model.clearItems();
        for (double distance : {5.0, 2.0, 9.0}) {
            PickedItem item;
            item.distance = distance;
            item.label = QString::number(distance);
            if (distance == 2.0) {
                item.object = std::make_shared<Locality>(ProjectId(1), "loc-2");
                item.latitude = 46.5;
                item.longitude = 9.2;
            }
            model.append(item);
        }
        model.sortAndEndReset();
        QCOMPARE(resets.count(), 1);
        QCOMPARE(model.rowCount(), 3);
        QStringList labels;
        for (int row = 0; row < 3; ++row)
            labels << model.data(model.index(row), PickListModel::Label).toString();
        QCOMPARE(labels, QStringList({"2", "5", "9"}));
        QCOMPARE(model.data(model.index(0), PickListModel::DataId).toString(), QString("loc-2"));
        QCOMPARE(model.data(model.index(0), PickListModel::Latitude).toDouble(), 46.5);
        QCOMPARE(model.data(model.index(0), PickListModel::Longitude).toDouble(), 9.2);
        // a record without an object
        const QVariant noObject = model.data(model.index(1), PickListModel::DataId);
        QVERIFY(noObject.isValid());
        QCOMPARE(noObject.toString(), QString());
        QVERIFY(!model.data(model.index(0), Qt::DisplayRole).isValid());
        QVERIFY(!model.data(model.index(0), 268).isValid());
        const QModelIndex stale = model.index(2);
        model.beginResetModel();
        model.clearItems();
        model.sortAndEndReset();
        QVERIFY(!model.data(stale, PickListModel::Label).isValid());
    }
};

QTEST_GUILESS_MAIN(TestPickListModel)
#include "tst_picklistmodel.moc"
