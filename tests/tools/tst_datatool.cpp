#include "map/MapViewController.h"
#include "model/FilteredDataListModel.h"
#include "model/Locality.h"
#include "model/Project.h"
#include "support/ProjectFixture.h"
#include "tools/DataTool.h"

#include <QSignalSpy>
#include <QtTest>

using namespace kiv;

using Filter = void (DataTool::*)();
Q_DECLARE_METATYPE(Filter)

class TestDataTool : public QObject
{
    Q_OBJECT

    std::unique_ptr<test::ProjectFixture> fixture;
    std::unique_ptr<MapViewController> controller;
    std::unique_ptr<DataTool> tool;

    QStringList localityRows() const
    {
        QStringList ids;
        const QAbstractItemModel* model = tool->dataModel();
        const int idRole = model->roleNames().key("localityId");
        for (int row = 0; row < model->rowCount(); ++row)
            ids << model->index(row, 0).data(idRole).toString();
        return ids;
    }

private slots:
    void init()
    {
        fixture = std::make_unique<test::ProjectFixture>();
        QVERIFY(fixture->isValid());
        controller = std::make_unique<MapViewController>();
        controller->setSize(QSizeF(800, 600));
        controller->viewDidLoad();
        tool = std::make_unique<DataTool>();
        tool->setMapView(controller.get());
    }

    void cleanup()
    {
        tool.reset();
        controller.reset();
        fixture.reset();
    }

    void modelsAreMadeOnce()
    {
        QSignalSpy changed(tool.get(), &DataTool::dataModelChanged);
        QVERIFY(!tool->dataModel());
        tool->setActive(true);
        QCOMPARE(changed.count(), 1);
        QObject* first = tool->dataModel();
        QVERIFY(first);
        QCOMPARE(changed.takeFirst().at(0).value<QObject*>(), first);
        QCOMPARE(localityRows(), QStringList{QString::fromStdString(fixture->locality->id())});

        tool->setActive(false);
        const std::string added = test::idOf(0xb2);
        fixture->addLocality(added, 2000);
        tool->setActive(true);
        QCOMPARE(changed.count(), 0);
        QCOMPARE(tool->dataModel(), first);
        QVERIFY(localityRows().contains(QString::fromStdString(added)));
    }

    void longPressStaysNearItsPress_data()
    {
        QTest::addColumn<bool>("active");
        QTest::addColumn<QPointF>("hold");
        QTest::addColumn<bool>("reported");
        QTest::newRow("10.0 px away") << true << QPointF(106, 108) << true;
        QTest::newRow("beyond 10 px") << true << QPointF(107, 108) << false;
        QTest::newRow("in place") << true << QPointF(100, 100) << true;
        QTest::newRow("inactive") << false << QPointF(100, 100) << false;
    }

    void longPressStaysNearItsPress()
    {
        QFETCH(bool, active);
        QFETCH(QPointF, hold);
        QFETCH(bool, reported);
        tool->setActive(active);
        QSignalSpy presses(tool.get(), &DataTool::longPress);
        QVERIFY(!tool->mousePressed(100, 100, Qt::LeftButton));
        QCOMPARE(tool->mousePressAndHold(hold.x(), hold.y(), Qt::LeftButton), reported);
        QCOMPARE(presses.count(), reported ? 1 : 0);
        if (reported)
            QCOMPARE(presses.at(0).at(0).toPointF(), hold);
        // A release that ends a long press stays away from the map's pick.
        QCOMPARE(tool->mouseReleased(hold.x(), hold.y(), Qt::LeftButton, true), active);
        QVERIFY(!tool->mouseReleased(hold.x(), hold.y(), Qt::LeftButton, false));
    }

    void filtersReachTheMap_data()
    {
        QTest::addColumn<Filter>("filter");
        QTest::addColumn<int>("mapFilter");
        QTest::newRow("lines") << Filter(&DataTool::showLinesOnly) << 4;
        QTest::newRow("notes") << Filter(&DataTool::showNotesOnly) << 1;
        QTest::newRow("point data") << Filter(&DataTool::showPointDataOnly) << 2;
        QTest::newRow("all") << Filter(&DataTool::showAll) << 7;
    }

    void filtersReachTheMap()
    {
        QFETCH(Filter, filter);
        QFETCH(int, mapFilter);
        // Before the first activation only the map follows.
        controller->setViewFilter(MapViewController::FilterNone);
        (tool.get()->*filter)();
        QCOMPARE(int(controller->viewFilter()), mapFilter);

        controller->setViewFilter(MapViewController::FilterNone);
        tool->setActive(true);
        (tool.get()->*filter)();
        QCOMPARE(int(controller->viewFilter()), mapFilter);
    }
};

QTEST_MAIN(TestDataTool)
#include "tst_datatool.moc"
