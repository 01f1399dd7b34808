#include <QtTest>

#include "Database/CommandManager.h"
#include "model/AddLocalityCommand.h"
#include "model/CheckableLocalityListModel.h"
#include "model/Locality.h"
#include "model/LocalityListModel.h"
#include "model/MapLayerListModel.h"
#include "model/ModelManager.h"
#include "model/Project.h"
#include "support/ProjectFixture.h"

#include <QAbstractItemModelTester>

using namespace kiv;
using kiv::test::idOf;

namespace {

QStringList names(const QAbstractItemModel& model, int role)
{
    QStringList values;
    for (int row = 0; row < model.rowCount(); ++row)
        values << model.index(row, 0).data(role).toString();
    return values;
}

void addLayer(Project& project, const QString& name, const QString& suffix = ".tif")
{
    project.addBaseMap("GeoTiff", name, QUrl::fromLocalFile("/maps/" + name + suffix), true, 0.5, QRectF());
}

} // namespace

class TestLayerLocalityLists : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<test::ProjectFixture> m_fixture;

    Project& project() { return *m_fixture->project; }

private slots:
    void init()
    {
        m_fixture = std::make_unique<test::ProjectFixture>();
        QVERIFY(m_fixture->isValid());
    }

    void cleanup() { m_fixture.reset(); }

    void layerCopiesWaitForUpdate()
    {
        addLayer(project(), "a");
        MapLayerListModel model(&project());
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QCOMPARE(model.rowCount(), 0);
        model.updateData();
        addLayer(project(), "b");
        QCOMPARE(model.rowCount(), 1);
        model.updateData();
        QCOMPARE(model.rowCount(), 2);
        const QModelIndex first = model.index(0, 0);
        QCOMPARE(first.data(MapLayerListModel::Type).toString(), QString("GeoTiff"));
        QCOMPARE(first.data(MapLayerListModel::Location).toString(), QString("file:///maps/a.tif"));
        QCOMPARE(first.data(MapLayerListModel::Active).toBool(), true);
        QCOMPARE(first.data(MapLayerListModel::Opacity).toDouble(), 0.5);
        QVERIFY(!first.data(Qt::DisplayRole).isValid());
        QVERIFY(!first.data(6).isValid());
        QCOMPARE(model.roleNames().value(MapLayerListModel::Name), QByteArray("name"));
        QCOMPARE(model.roleNames().value(Qt::DisplayRole), QByteArray("display"));
    }

    void moveLayer_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<QString>("order"); // empty: unchanged, no reset
        QTest::newRow("same place") << 2 << 2 << "";
        QTest::newRow("negative") << -1 << 0 << "";
        QTest::newRow("past the end") << 0 << 5 << "";
        QTest::newRow("just past the end") << 3 << 0 << "";
        QTest::newRow("third to first") << 2 << 0 << "cab";
        QTest::newRow("first to last") << 0 << 2 << "bca";
    }

    void moveLayer()
    {
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(QString, order);
        for (const char* name : {"a", "b", "c"})
            addLayer(project(), name);
        MapLayerListModel model(&project());
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.updateData();
        QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
        model.move(from, to);
        QCOMPARE(resets.count(), order.isEmpty() ? 0 : 1);
        const QString expected = order.isEmpty() ? "abc" : order;
        QCOMPARE(names(model, MapLayerListModel::Name).join(""), expected);
        QString stored;
        for (const Project::BaseMap& map : project().baseMaps())
            stored += map.name;
        QCOMPARE(stored, expected);
    }

    // The list tells layers of one name apart by their files; the records
    // keep their names.
    void layerNames_data()
    {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QStringList>("shown");
        QTest::newRow("distinct names") << QStringList{"base.tif", "other.mbtiles"} << QStringList{"base", "other"};
        QTest::newRow("one name, two kinds of file")
            << QStringList{"base.tif", "base.mbtiles", "c.tif"} << QStringList{"base.tif", "base.mbtiles", "c"};
        QTest::newRow("names differing in case") << QStringList{"Base.tif", "base.earth"}
                                                 << QStringList{"Base.tif", "base.earth"};
    }

    void layerNames()
    {
        QFETCH(QStringList, files);
        QFETCH(QStringList, shown);
        for (const QString& file : files)
            addLayer(project(), QFileInfo(file).completeBaseName(), "." + QFileInfo(file).suffix());
        MapLayerListModel model(&project());
        model.updateData();
        QCOMPARE(names(model, MapLayerListModel::Name), shown);
        QStringList stored;
        for (const Project::BaseMap& map : project().baseMaps())
            stored << map.name;
        for (int i = 0; i < files.size(); ++i)
            QCOMPARE(stored[i], QFileInfo(files[i]).completeBaseName());
    }

    void projectLocalityList()
    {
        LocalityListModel* model = project().localityListModel();
        QCOMPARE(project().localityListModel(), model);
        QCOMPARE(project().property("localityListModel").value<LocalityListModel*>(), model);
        QAbstractItemModelTester tester(model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        m_fixture->locality->setName("Alpha");
        QCOMPARE(model->index(0, 0).data(Qt::DisplayRole).toString(), QString("Alpha"));
        QCOMPARE(model->index(0, 0).data(LocalityListModel::Name).toString(), QString("Alpha"));
        QCOMPARE(model->index(0, 0).data(LocalityListModel::LocalityId).toString(), QString::fromStdString(idOf(0xa1)));
        QVERIFY(!model->index(0, 0).data(4).isValid());
        QVERIFY(!model->index(1, 0).isValid());

        QSignalSpy resets(model, &QAbstractItemModel::modelReset);
        auto add = std::make_shared<AddLocalityCommand>();
        add->setLocality("New", 46.0, 7.0, 0.0, -1.0, -1.0);
        QVERIFY(CommandManager::instance()->execute(add));
        QVERIFY(resets.count() > 0);
        const QModelIndex added = model->index(project().localityIndex(QString::fromStdString(add->localityId())), 0);
        QCOMPARE(added.data(LocalityListModel::Color).value<QColor>(), QColor("#000000"));

        resets.clear();
        ModelManager::instance()->closeCurrentProject();
        QCOMPARE(model->rowCount(), 0);
        ModelManager::instance()->setCurrentProject(m_fixture->project);
        QCOMPARE(model->rowCount(), project().numberOfLocalities());
        QCOMPARE(model->rowCount(), 2);
        QVERIFY(resets.count() >= 2);
    }

    void roleNames_data()
    {
        QTest::addColumn<bool>("checkable");
        QTest::newRow("locality list") << false;
        QTest::newRow("checkable locality list") << true;
    }

    void roleNames()
    {
        QFETCH(bool, checkable);
        std::unique_ptr<LocalityListModel> model = checkable ? std::make_unique<CheckableLocalityListModel>(&project())
                                                             : std::make_unique<LocalityListModel>(&project());
        const QHash<int, QByteArray> names = model->roleNames();
        QCOMPARE(names.value(1), QByteArray("localityId"));
        QCOMPARE(names.value(2), QByteArray("name"));
        QCOMPARE(names.value(3), QByteArray("color"));
        QCOMPARE(names.value(4) == "checked", checkable);
    }

    void checkableLocalities()
    {
        CheckableLocalityListModel model(&project());
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        const QString a = QString::fromStdString(idOf(0xa1));
        model.setSelectedItemsFromList({"y"});
        QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
        model.toggle("x");
        const QList<QString> both = model.getSelectedItemsAsList();
        QCOMPARE(QSet<QString>(both.begin(), both.end()), QSet<QString>({"x", "y"}));
        model.toggle("x");
        QCOMPARE(model.getSelectedItemsAsList(), QList<QString>({"y"}));
        QCOMPARE(resets.count(), 2);
        model.toggle("");
        QCOMPARE(resets.count(), 2);
        QCOMPARE(model.index(0, 0).data(CheckableLocalityListModel::CheckedRole).toBool(), false);
        model.selectAll();
        QCOMPARE(resets.count(), 2);
        QCOMPARE(model.getSelectedItemsAsList(), QList<QString>({a}));
        QCOMPARE(model.index(0, 0).data(CheckableLocalityListModel::CheckedRole).toBool(), true);
    }

    void selectAllOnAnEmptyProject()
    {
        QDir root = project().folder();
        root.cdUp();
        root.mkdir("empty.qz");
        const auto empty = ModelManager::instance()->createProject("Empty", QDir(root.absoluteFilePath("empty.qz")));
        CheckableLocalityListModel model(empty.get());
        model.setSelectedItemsFromList({"stale"});
        model.selectAll();
        QVERIFY(model.getSelectedItemsAsList().isEmpty());
        CheckableLocalityListModel withoutProject;
        withoutProject.selectAll();
        QCOMPARE(withoutProject.rowCount(), 0);
    }
};

QTEST_MAIN(TestLayerLocalityLists)
#include "tst_layerlocalitylists.moc"
