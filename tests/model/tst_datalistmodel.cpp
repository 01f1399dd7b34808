#include <QtTest>

#include "Database/CommandManager.h"
#include "Database/Quarzel.pb.h"
#include "model/AddDataCommand.h"
#include "model/AddLocalityCommand.h"
#include "model/CheckableFilteredDataListModel.h"
#include "model/Data.h"
#include "model/DataListModel.h"
#include "model/LineData2D.h"
#include "model/Locality.h"
#include "model/ModelManager.h"
#include "model/Project.h"
#include "support/ProjectFixture.h"

#include <QAbstractItemModelTester>

using namespace kiv;
using kiv::test::idOf;
using Roles = DataListModel::DataRoles;

namespace {

// Ids of the content that build() stores.
const std::string A = idOf(0xa1), B = idOf(0xb1);
const std::string Plane = idOf(1), Line1 = idOf(2), Lineation = idOf(3), Note = idOf(4);
const std::string Image = idOf(5), Line2 = idOf(6), Sighting = idOf(7), Line0 = idOf(8);

template <typename Item>
void stamp(Project& project, const std::shared_ptr<Item>& item, qint64 time)
{
    item->setTimeStamp(time);
    if constexpr (std::is_same_v<Item, Data>)
        project.syncDataDetails(item);
    else
        project.syncLineDataDetails(item.get());
}

void addLine(Project& project, Locality& locality, const std::string& id, int style, qint64 time)
{
    const auto line = locality.addPolyline(id, 0, style, 2.0f, 0.5f, "contact");
    line->addPoint(46.0, 7.0);
    line->addPoint(46.1, 7.1);
    stamp(project, line, time);
}

QSet<QString> asSet(const QList<QString>& list)
{
    return QSet<QString>(list.begin(), list.end());
}

QStringList column(const QAbstractItemModel& model, int role)
{
    QStringList values;
    for (int row = 0; row < model.rowCount(); ++row)
        values << model.index(row, 0).data(role).toString();
    return values;
}

QString q(const std::string& id)
{
    return QString::fromStdString(id);
}

// Every record of a table, in memory or stored, as sorted bytes.
std::vector<std::string> sorted(std::vector<std::string> records)
{
    std::sort(records.begin(), records.end());
    return records;
}

std::vector<std::string> memoryRecords(const Project& project, const std::string& table)
{
    std::vector<std::string> records;
    for (const auto& locality : project.localities()) {
        if (table == "localities")
            records.push_back(locality->toProto()->SerializeAsString());
        for (const auto& data : locality->data())
            if (table == "data")
                records.push_back(data->toProto()->SerializeAsString());
        for (const auto& line : locality->lines())
            if (table == "linedata")
                records.push_back(line->toProto()->SerializeAsString());
    }
    return sorted(records);
}

} // namespace

class TestDataListModel : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<test::ProjectFixture> m_fixture;

    Project& project() { return *m_fixture->project; }

    // A (older, current): note, lineation, line 1, plane; B: sighting, line 2,
    // line 0, image; each newest first.
    void build()
    {
        Locality& a = *m_fixture->locality;
        a.setName("Alpha");
        project().syncLocalityDetails(&a);
        stamp(project(), a.addPlane(Plane, 46.0, 7.0, 45.9f, 120.3f, 0, 1, "bed"), 2000);
        addLine(project(), a, Line1, LineData2D::Dotted, 2500);
        stamp(project(), a.addLineation(Lineation, 46.0, 7.0, 30.7f, 250.2f, 0, 9, "lin"), 3000);
        stamp(project(), a.addAnnotation(Note, 46.0, 7.0, "note"), 3500);
        const auto b = m_fixture->addLocality(B, 5000);
        stamp(project(), b->addImage(Image, 46.2, 7.2, 80.0f, "IMG_1.jpeg", "photo", "", ""), 6000);
        addLine(project(), *b, Line2, LineData2D::Dashed, 6500);
        addLine(project(), *b, Line0, LineData2D::Solid, 6600);
        stamp(project(), b->addSighting(Sighting, 46.2, 7.2, 10.0f, 0, 15, "peak"), 7000);
    }

    // The filtered model over a fresh source of the current project.
    template <typename Proxy = FilteredDataListModel>
    std::unique_ptr<Proxy> filtered(std::unique_ptr<DataListModel>& source)
    {
        source = std::make_unique<DataListModel>(m_fixture->project.get());
        source->updateData();
        auto proxy = std::make_unique<Proxy>();
        proxy->setSourceModel(source.get());
        return proxy;
    }

private slots:
    // The rows of the read-only role table share one project.
    static bool readOnly() { return QTest::currentTestFunction() == QLatin1String("roles"); }

    void init()
    {
        if (m_fixture && readOnly())
            return;
        m_fixture = std::make_unique<test::ProjectFixture>();
        QVERIFY(m_fixture->isValid());
        build();
    }

    void cleanup()
    {
        if (!readOnly())
            m_fixture.reset();
    }

    void cleanupTestCase() { m_fixture.reset(); }

    void currentLocalityFirstThenNewestFirst()
    {
        DataListModel model(&project());
        QCOMPARE(model.rowCount(), 0);
        model.updateData();
        QCOMPARE(column(model, Roles::DataId), QStringList({q(A), q(Note), q(Lineation), q(Line1), q(Plane), q(B),
                                                            q(Sighting), q(Line0), q(Line2), q(Image)}));
        QCOMPARE(model.index(0, 0).data(Roles::DataType).toString(), QString("Locality"));
        QCOMPARE(model.columnCount(), 1);
        QCOMPARE(model.flags(model.index(1, 0)), Qt::ItemIsEnabled);
        QVERIFY(!model.headerData(0, Qt::Horizontal).isValid());
        QVERIFY(!model.index(0, 1).isValid());
        QVERIFY(!model.index(0, 0, model.index(0, 0)).isValid());
    }

    // A change announced for one locality gives the rows a full fill gives.
    void oneLocalityRefillMatchesAFullFill_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QString>("announced"); // the locality named with the change
        QTest::newRow("datum added to the current locality") << "plane A" << q(A);
        QTest::newRow("datum added to the last locality") << "plane B" << q(B);
        QTest::newRow("oldest row of the last locality removed") << "remove image" << q(B);
        QTest::newRow("newest row of the current locality removed") << "remove note" << q(A);
        QTest::newRow("locality not listed") << "plane B" << q(idOf(0xc1));
        QTest::newRow("nothing named") << "plane B" << QString();
    }

    void oneLocalityRefillMatchesAFullFill()
    {
        QFETCH(QString, change);
        QFETCH(QString, announced);
        DataListModel model(&project());
        model.updateData();
        QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
        const std::shared_ptr<Locality> b = project().locality(B);
        if (change == "plane A")
            stamp(project(), m_fixture->locality->addPlane(idOf(9), 46.0, 7.0, 10.0f, 10.0f, 0, 1, "new"), 2800);
        else if (change == "plane B")
            stamp(project(), b->addPlane(idOf(9), 46.2, 7.2, 10.0f, 10.0f, 0, 1, "new"), 6550);
        else if (change == "remove image")
            QVERIFY(b->removeData(Image));
        else
            QVERIFY(m_fixture->locality->removeData(Note));
        project().announceLocalityContent(announced.toStdString());
        QCOMPARE(resets.count(), 1);
        DataListModel fresh(&project());
        fresh.updateData();
        QCOMPARE(column(model, Roles::DataId), column(fresh, Roles::DataId));
    }

    void roles_data()
    {
        QTest::addColumn<QString>("id"); // empty: the row past the end
        QTest::addColumn<int>("role");
        QTest::addColumn<QVariant>("expected"); // invalid: no value
        const QVariant none;
        QTest::newRow("lineation plunge") << q(Lineation) << int(Roles::Dip) << QVariant(30);
        QTest::newRow("lineation plunge azimuth") << q(Lineation) << int(Roles::Azimuth) << QVariant(250);
        QTest::newRow("plane dip cut") << q(Plane) << int(Roles::Dip) << QVariant(45);
        QTest::newRow("plane type") << q(Plane) << int(Roles::DataType) << QVariant("Plane");
        QTest::newRow("plane icon of its symbol") << q(Plane) << int(Roles::IconId) << QVariant(0);
        QTest::newRow("plane symbol name") << q(Plane) << int(Roles::SymbolName) << QVariant("Bedding");
        QTest::newRow("plane display") << q(Plane) << int(Qt::DisplayRole) << QVariant("Data: bed");
        QTest::newRow("plane locality name") << q(Plane) << int(Roles::LocalityName) << QVariant("Alpha");
        QTest::newRow("plane no unit") << q(Plane) << int(Roles::UnitName) << QVariant("No unit");
        QTest::newRow("plane never a time stamp") << q(Plane) << int(Roles::TimeStamp) << none;
        QTest::newRow("plane no line style") << q(Plane) << int(Roles::LineStyle) << none;
        QTest::newRow("stored solid") << q(Line0) << int(Roles::LineStyle) << QVariant(1);
        QTest::newRow("stored dotted") << q(Line1) << int(Roles::LineStyle) << QVariant(3);
        QTest::newRow("stored dashed") << q(Line2) << int(Roles::LineStyle) << QVariant(2);
        QTest::newRow("line display") << q(Line1) << int(Qt::DisplayRole) << QVariant("Line: contact");
        QTest::newRow("line type") << q(Line1) << int(Roles::DataType) << QVariant("Line");
        QTest::newRow("line no symbol") << q(Line1) << int(Roles::SymbolId) << none;
        QTest::newRow("line no position") << q(Line1) << int(Roles::Latitude) << none;
        QTest::newRow("note icon") << q(Note) << int(Roles::IconId) << QVariant(21);
        QTest::newRow("note no image") << q(Note) << int(Roles::ImageSource) << none;
        QTest::newRow("note type") << q(Note) << int(Roles::DataType) << QVariant("Annotation");
        QTest::newRow("image icon") << q(Image) << int(Roles::IconId) << QVariant(22);
        QTest::newRow("sighting type") << q(Sighting) << int(Roles::DataType) << QVariant("Sighting");
        QTest::newRow("locality icon") << q(A) << int(Roles::IconId) << QVariant(21);
        QTest::newRow("locality own id") << q(A) << int(Roles::LocalityId) << QVariant(q(A));
        QTest::newRow("locality not empty") << q(A) << int(Roles::Empty) << QVariant(false);
        QTest::newRow("locality no display") << q(A) << int(Qt::DisplayRole) << none;
        QTest::newRow("locality no unit") << q(A) << int(Roles::UnitName) << none;
        QTest::newRow("role 1") << q(Plane) << 1 << none;
        QTest::newRow("role 255") << q(Plane) << 255 << none;
        QTest::newRow("role 283") << q(Plane) << 283 << none;
        QTest::newRow("past the end") << QString() << int(Roles::DataType) << none;
    }

    void roles()
    {
        QFETCH(QString, id);
        QFETCH(int, role);
        QFETCH(QVariant, expected);
        DataListModel model(&project());
        model.updateData();
        const int row = id.isEmpty() ? model.rowCount() : model.rowOfId(id);
        QVERIFY(row >= 0);
        const QVariant value = model.data(model.index(row, 0), role);
        QCOMPARE(value.isValid(), expected.isValid());
        if (expected.isValid())
            QCOMPARE(value.toString(), expected.toString());
    }

    void imageSourceAndTime()
    {
        DataListModel model(&project());
        model.updateData();
        const QModelIndex image = model.index(model.rowOfId(q(Image)), 0);
        QCOMPARE(image.data(Roles::ImageSource).toUrl(),
                 QUrl::fromLocalFile(project().folder().absoluteFilePath("images/IMG_1.jpeg")));
        QCOMPARE(image.data(Roles::TimeString).toString(),
                 QDateTime::fromSecsSinceEpoch(6000).toString("ddd d MMM yyyy HH:mm:ss"));
    }

    void localityWithoutColourReadsBlack()
    {
        auto add = std::make_shared<AddLocalityCommand>();
        add->setLocality("New", 46.0, 7.0, 0.0, -1.0, -1.0);
        QVERIFY(CommandManager::instance()->execute(add));
        DataListModel model(&project());
        model.updateData();
        const QModelIndex row = model.index(model.rowOfId(q(add->localityId())), 0);
        QCOMPARE(row.data(Roles::LocalityColor).value<QColor>(), QColor("#000000"));
        QCOMPARE(row.data(Roles::UnitColor).value<QColor>(), QColor("#000000"));
        QCOMPARE(row.data(Roles::Empty).toBool(), true);
    }

    void filters()
    {
        std::unique_ptr<DataListModel> source;
        const auto proxy = filtered(source);
        // The source says goodbye when the test ends.
        QTest::ignoreMessage(QtDebugMsg, "DataListModel::~DataListModel");
        proxy->showLinesOnly();
        proxy->showNotesOnly();
        QCOMPARE(column(*proxy, Roles::DataType), QStringList({"Locality", "Annotation", "Locality", "Image"}));
        QCOMPARE(proxy->indexForId(q(Lineation)), -1);
        QCOMPARE(proxy->indexForId(q(Image)), 3);

        proxy->showAll();
        proxy->showAllStructuralSymbols();
        QVERIFY(!proxy->visibleSymbols().contains("15"));
        proxy->setFilterBySymbolType(true);
        QCOMPARE(column(*proxy, Roles::DataType), QStringList({"Locality", "Lineation", "Plane", "Locality"}));
        proxy->setVisibleSymbols({"", "15"});
        QCOMPARE(column(*proxy, Roles::DataType).filter("Line").size(), 3);
        QVERIFY(column(*proxy, Roles::DataType).contains("Sighting"));

        QSignalSpy localities(proxy.get(), &FilteredDataListModel::visibleLocalitiesChanged);
        proxy->setFilterByLocality(true);
        QCOMPARE(proxy->rowCount(), 0);
        proxy->showAllLocalities();
        QCOMPARE(localities.count(), 1);
        QCOMPARE(proxy->rowCount(), 6);
        proxy->setVisibleLocalities({q(B)});
        QCOMPARE(localities.count(), 2);
        QCOMPARE(asSet(column(*proxy, Roles::LocalityId)), QSet<QString>({q(B)}));
    }

    void saveAnnotationKeepsOutOfRangeValues()
    {
        std::unique_ptr<DataListModel> source;
        const auto proxy = filtered(source);
        const int row = proxy->indexForId(q(Image));
        QVERIFY(proxy->saveAnnotationData(row, q(Image), 95.0, 8.0, 360.0, "new"));
        const auto image = project().dataById(Image);
        QCOMPARE(image->latitude(), 46.2);
        QCOMPARE(image->longitude(), 8.0);
        QCOMPARE(image->azimuth(), 80.0f);
        QCOMPARE(image->comment(), QString("new"));
        QCOMPARE(memoryRecords(project(), "data"), sorted(m_fixture->messages("data")));
        QVERIFY(proxy->saveAnnotationData(proxy->indexForId(q(Image)), q(Image), -999, -999, 359.5, "x"));
        QCOMPARE(image->azimuth(), 359.5f);
        QCOMPARE(image->longitude(), 8.0);
        // A note has no viewing direction to take.
        const float noteAzimuth = project().dataById(Note)->azimuth();
        QVERIFY(proxy->saveAnnotationData(proxy->indexForId(q(Note)), q(Note), 46.0, 7.0, 100.0, "n"));
        QCOMPARE(project().dataById(Note)->azimuth(), noteAzimuth);
    }

    void localityLatitudeBoundary_data()
    {
        QTest::addColumn<double>("latitude");
        QTest::addColumn<bool>("taken");
        QTest::newRow("90") << 90.0 << true;
        QTest::newRow("90.000001") << 90.000001 << false;
    }

    void localityLatitudeBoundary()
    {
        QFETCH(double, latitude);
        QFETCH(bool, taken);
        std::unique_ptr<DataListModel> source;
        const auto proxy = filtered(source);
        const double before = project().locality(B)->latitude();
        QVERIFY(proxy->saveLocalityData(proxy->indexForId(q(B)), q(B), "Beta", "", latitude, 8.0, Qt::red));
        QCOMPARE(project().locality(B)->latitude(), taken ? latitude : before);
    }

    void savesAndDeletesThatFail_data()
    {
        QTest::addColumn<int>("operation");
        QTest::addColumn<bool>("wrongId");
        const char* names[] = {"point datum", "annotation", "sighting", "line", "locality", "delete datum",
                               "delete line", "delete locality"};
        for (int operation = 0; operation < 8; ++operation)
            QTest::addRow("%s, another id", names[operation]) << operation << true;
        // Each locked write waits out the busy retries: one per command kind.
        for (int operation : {0, 4, 5})
            QTest::addRow("%s, write fails", names[operation]) << operation << false;
    }

    void savesAndDeletesThatFail()
    {
        QFETCH(int, operation);
        QFETCH(bool, wrongId);
        std::unique_ptr<DataListModel> source;
        const auto proxy = filtered(source);
        const std::string ids[] = {Plane, Note, Sighting, Line1, B, Plane, Line1, B};
        const QString id = wrongId ? q(idOf(0xdead)) : q(ids[operation]);
        const int row = proxy->indexForId(q(ids[operation]));
        const std::vector<std::string> tables = {"localities", "data", "linedata"};
        std::vector<std::vector<std::string>> before;
        for (const auto& table : tables)
            before.push_back(sorted(m_fixture->messages(table)));
        auto lock = m_fixture->lockFor(wrongId ? "" : "EXCLUSIVE");
        bool done = true;
        switch (operation) {
        case 0: done = proxy->savePointData(row, id, 1.0, 2.0, 3, 0, "x"); break;
        case 1: done = proxy->saveAnnotationData(row, id, 1.0, 2.0, 3.0, "x"); break;
        case 2: done = proxy->saveSighting(row, id, 1.0, 2.0, 0, "x"); break;
        case 3: done = proxy->saveLineData(row, id, 3.0f, 1.0f, 2, 0, "x"); break;
        case 4: done = proxy->saveLocalityData(row, id, "x", "y", 1.0, 2.0, Qt::red); break;
        case 5: done = proxy->deletePointData(id); break;
        case 6: done = proxy->deleteLine(id); break;
        default: done = proxy->deleteLocality(id); break;
        }
        QVERIFY(!done);
        lock.reset();
        for (std::size_t t = 0; t < tables.size(); ++t) {
            QCOMPARE(sorted(m_fixture->messages(tables[t])), before[t]);
            QCOMPARE(memoryRecords(project(), tables[t]), before[t]);
        }
    }

    void savesAndDeletesThatWork()
    {
        std::unique_ptr<DataListModel> source;
        const auto proxy = filtered(source);
        QVERIFY(proxy->saveLineData(proxy->indexForId(q(Line1)), q(Line1), 3.0f, 0.25f, 3, 2, "fault"));
        const auto line = project().lineById(Line1);
        QCOMPARE(line->lineStyle(), int(LineData2D::Dotted));
        QCOMPARE(line->opacity(), 0.25f);
        QVERIFY(proxy->savePointData(proxy->indexForId(q(Plane)), q(Plane), 45.0, 181.0, 3, 2, "joint"));
        QCOMPARE(project().dataById(Plane)->symbolId(), 3);
        QCOMPARE(project().dataById(Plane)->longitude(), 7.0);
        QVERIFY(proxy->saveLocalityData(proxy->indexForId(q(B)), q(B), "Beta", "ridge", 47.0, 8.0, Qt::red));
        QCOMPARE(project().locality(B)->name(), QString("Beta"));
        QCOMPARE(column(*proxy, Roles::LocalityName).count("Beta"), 5);
        for (const char* table : {"localities", "data", "linedata"})
            QCOMPARE(memoryRecords(project(), table), sorted(m_fixture->messages(table)));

        QVERIFY(proxy->deleteLine(q(Line1)));
        QVERIFY(proxy->deletePointData(q(Note)));
        QVERIFY(proxy->deleteLocality(q(B)));
        QCOMPARE(column(*proxy, Roles::DataId), QStringList({q(A), q(Lineation), q(Plane)}));
    }

    void checks()
    {
        std::unique_ptr<DataListModel> source;
        const auto proxy = filtered<CheckableFilteredDataListModel>(source);
        QCOMPARE(proxy->roleNames().value(10), QByteArray("checked"));
        QSignalSpy changed(proxy.get(), &QAbstractItemModel::dataChanged);
        QSignalSpy checked(proxy.get(), &CheckableFilteredDataListModel::checkedItemsChanged);
        const int row = proxy->indexForId(q(B));
        proxy->toggle(row);
        QCOMPARE(proxy->getSelectedItemsAsList(), QList<QString>({q(B)}));
        QCOMPARE(proxy->index(row, 0).data(10).toBool(), true);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.at(0).at(2).value<QVector<int>>(), QVector<int>({10}));
        QCOMPARE(checked.count(), 1);
        proxy->toggle(proxy->rowCount());
        QCOMPARE(checked.count(), 1);

        proxy->selectAll();
        const QSet<QString> all = asSet(proxy->getSelectedItemsAsList());
        QCOMPARE(all, QSet<QString>({q(A), q(B), q(Plane), q(Lineation), q(Note), q(Image), q(Sighting)}));
        proxy->setSelectedItemsFromList({q(A), q(Plane), q(Line1), "gone"});
        proxy->invertSelection();
        proxy->invertSelection();
        QCOMPARE(asSet(proxy->getSelectedItemsAsList()), QSet<QString>({q(A), q(Plane)}));
        proxy->selectNone();
        QVERIFY(proxy->getSelectedItemsAsList().isEmpty());
        QCOMPARE(checked.count(), 6);
    }

    void followsTheCurrentProject_data()
    {
        QTest::addColumn<bool>("withProject");
        QTest::newRow("built with the old project") << true;
        QTest::newRow("made without a project") << false;
    }

    void followsTheCurrentProject()
    {
        QFETCH(bool, withProject);
        DataListModel model(withProject ? &project() : nullptr);
        model.updateData();
        if (!withProject) {
            QCOMPARE(model.rowCount(), 0);
            for (int role : model.roleNames().keys())
                QVERIFY(!model.data(model.index(0, 0), role).isValid());
        }
        QDir root = project().folder();
        root.cdUp();
        root.mkdir("other.qz");
        const auto other = ModelManager::instance()->createProject("Other", QDir(root.absoluteFilePath("other.qz")));
        ModelManager::instance()->setCurrentProject(other);
        auto locality = std::make_shared<AddLocalityCommand>();
        locality->setLocality("Gamma", 46.0, 7.0, 0.0, -1.0, -1.0);
        QVERIFY(CommandManager::instance()->execute(locality));
        ModelManager::instance()->setCurrentLocality(other->localityAt(0));
        const int before = model.rowCount();
        auto note = std::make_shared<AddDataCommand>();
        note->setNoteData(46.0, 7.0, "seen");
        QVERIFY(CommandManager::instance()->execute(note));
        QCOMPARE(model.rowCount(), before + 1);
        QCOMPARE(model.index(1, 0).data(Roles::Comment).toString(), QString("seen"));
    }

    void testerSeesNothingWrong()
    {
        std::unique_ptr<DataListModel> source;
        const auto filter = filtered(source);
        auto checkable = std::make_unique<CheckableFilteredDataListModel>();
        checkable->setSourceModel(source.get());
        using Mode = QAbstractItemModelTester::FailureReportingMode;
        QAbstractItemModelTester sourceTester(source.get(), Mode::QtTest);
        QAbstractItemModelTester filterTester(filter.get(), Mode::QtTest);
        QAbstractItemModelTester checkableTester(checkable.get(), Mode::QtTest);

        auto note = std::make_shared<AddDataCommand>();
        note->setNoteData(46.0, 7.0, "seen");
        QVERIFY(CommandManager::instance()->execute(note));
        QVERIFY(filter->saveSighting(filter->indexForId(q(Sighting)), q(Sighting), 1.0, 2.0, 0, "x"));
        filter->setFilterByUnit(true);
        filter->showAllUnits();
        filter->setFilterByUnit(false);
        filter->showPointDataOnly();
        checkable->selectAll();
        checkable->toggle(2);
        QVERIFY(filter->deleteLocality(q(B)));
        QVERIFY(filter->deletePointData(q(Note)));
        ModelManager::instance()->closeCurrentProject();
        QDir root = project().folder();
        root.cdUp();
        root.mkdir("other.qz");
        const auto other = ModelManager::instance()->createProject("Other", QDir(root.absoluteFilePath("other.qz")));
        ModelManager::instance()->setCurrentProject(other);
        QCOMPARE(source->rowCount(), 0);
    }
};

QTEST_MAIN(TestDataListModel)
#include "tst_datalistmodel.moc"
