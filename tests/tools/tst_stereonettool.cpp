#include "Database/CommandManager.h"
#include "map/MapViewController.h"
#include "model/AddDataCommand.h"
#include "model/CheckableFilteredDataListModel.h"
#include "model/Data.h"
#include "model/DataListModel.h"
#include "model/Locality.h"
#include "model/Project.h"
#include "tools/StereoNetTool.h"
#include "support/ProjectFixture.h"

#include <QImage>
#include <QtTest>

using namespace kiv;

namespace {

// Stands in for the stereonet item: records what it is asked to plot.
class RecordingNet : public QObject
{
    Q_OBJECT

public:
    QList<QStringList> calls;
    QStringList last() const { return calls.isEmpty() ? QStringList() : calls.last(); }

public slots:
    void setSelectedData(QList<kiv::Data*> data)
    {
        QStringList ids;
        for (const Data* datum : data)
            ids << QString::fromStdString(datum->id());
        ids.sort();
        calls << ids;
    }
};

} // namespace

class TestStereoNetTool : public QObject
{
    Q_OBJECT

    std::unique_ptr<test::ProjectFixture> fixture;
    std::unique_ptr<StereoNetTool> tool;
    std::unique_ptr<RecordingNet> net;

    QStringList addPlanes(int count)
    {
        const int symbol = fixture->project->symbols().back().id;
        for (int i = 0; i < count; ++i) {
            auto command = std::make_shared<AddDataCommand>();
            command->setPlaneData(46.0, 7.0, 10.0f * i, 30.0f * i, 0, symbol, QString());
            if (!CommandManager::instance()->execute(command))
                return {};
        }
        QStringList ids;
        for (const auto& data : fixture->locality->data())
            ids << QString::fromStdString(data->id());
        ids.sort();
        return ids;
    }

    CheckableFilteredDataListModel* model() const
    {
        return qobject_cast<CheckableFilteredDataListModel*>(tool->dataModel());
    }

    int rowOf(const QString& id) const
    {
        for (int row = 0; row < model()->rowCount(); ++row) {
            const QModelIndex index = model()->index(row, 0);
            if (index.data(DataListModel::DataId).toString() == id
                || index.data(DataListModel::LocalityId).toString() == id)
                return row;
        }
        return -1;
    }

    void reactivate()
    {
        tool->setActive(false);
        tool->setActive(true);
    }

private slots:
    void init()
    {
        fixture = std::make_unique<test::ProjectFixture>();
        QVERIFY(fixture->isValid());
        tool = std::make_unique<StereoNetTool>();
        net = std::make_unique<RecordingNet>();
        tool->setStereoNetItem(net.get());
    }

    void cleanup()
    {
        tool.reset();
        net.reset();
        fixture.reset();
    }

    void firstActivationPlotsCheckedDataOnly()
    {
        const QStringList planes = addPlanes(3);
        QCOMPARE(planes.size(), 3);
        QVERIFY(!tool->dataModel());
        QSignalSpy announced(tool.get(), &StereoNetTool::dataModelChanged);
        tool->setActive(true);
        QCOMPARE(announced.count(), 1);
        QVERIFY(model());
        // Every step of the filter reset resets the model; the item hears once.
        QCOMPARE(net->calls.size(), 1);
        // Localities are checked too, but their header rows never reach the plot.
        const int header = rowOf(fixture->locality->qId());
        QVERIFY(header >= 0);
        QVERIFY(model()->index(header, 0).data(CheckableFilteredDataListModel::CheckedRole).toBool());
        QCOMPARE(net->last(), planes);

        model()->toggle(rowOf(planes[1]));
        QCOMPARE(net->last(), (QStringList{planes[0], planes[2]}));
        model()->toggle(header);
        QCOMPARE(net->last(), (QStringList{planes[0], planes[2]}));
    }

    void filtersResetOnceOnFirstActivationWithData()
    {
        tool->setActive(true);
        QVERIFY(model());
        QCOMPARE(net->last(), QStringList());
        const QStringList planes = addPlanes(2);
        reactivate();
        QCOMPARE(net->last(), planes);
        // A later activation keeps the user's choice and shows what is new.
        model()->toggle(rowOf(planes[0]));
        const int calls = net->calls.size();
        reactivate();
        QCOMPARE(net->calls.size(), calls + 1);
        QCOMPARE(net->last(), QStringList{planes[1]});
        tool->setActive(false);
        QStringList expected = addPlanes(1);
        expected.removeOne(planes[0]);
        tool->setActive(true);
        QCOMPARE(net->last(), expected);
    }

    void itemSetLaterGetsTheSelection()
    {
        const QStringList planes = addPlanes(2);
        tool->setActive(true);
        RecordingNet other;
        tool->setStereoNetItem(&other);
        QCOMPARE(other.last(), planes);
        tool->setStereoNetItem(nullptr);
    }

    void saveAsNote_data()
    {
        QTest::addColumn<int>("filter");
        QTest::addColumn<int>("after");
        QTest::newRow("lines widen to all") << int(MapViewController::FilterLines) << int(MapViewController::FilterAll);
        QTest::newRow("data widen to all") << int(MapViewController::FilterData) << int(MapViewController::FilterAll);
        QTest::newRow("notes stay") << int(MapViewController::FilterAnnotations)
                                    << int(MapViewController::FilterAnnotations);
        QTest::newRow("all stays") << int(MapViewController::FilterAll) << int(MapViewController::FilterAll);
    }

    void saveAsNote()
    {
        QFETCH(int, filter);
        QFETCH(int, after);
        MapViewController map;
        map.viewDidLoad();
        map.setViewFilter(MapViewController::ViewFilter(filter));
        tool->setMapView(&map);
        QTemporaryDir folder;
        const QString picture = folder.filePath(QStringLiteral("net.png"));
        QImage image(8, 8, QImage::Format_RGB32);
        image.fill(Qt::white);
        QVERIFY(image.save(picture));

        const std::size_t before = fixture->locality->data().size();
        const bool saved = tool->saveAsNote(QUrl::fromLocalFile(picture), QStringLiteral("net"),
                                            QPointF(7.0, 46.0), false);
        QCOMPARE(int(map.viewFilter()), after);
        // The result is the image tool's: a true answer must come with the datum.
        QCOMPARE(saved, fixture->locality->data().size() == before + 1);
        for (const std::shared_ptr<Data>& added : fixture->locality->data()) {
            if (added->type() != Data::Image)
                continue;
            QCOMPARE(added->azimuth(), -1.0f);
            QVERIFY(QFileInfo::exists(fixture->project->folder().absoluteFilePath("images/" + added->imagePath())));
        }
        tool->setMapView(nullptr);
    }
};

QTEST_MAIN(TestStereoNetTool)
#include "tst_stereonettool.moc"
