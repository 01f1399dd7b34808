#include <QtTest>

#include "Database/Quarzel.pb.h"
#include "model/Data.h"
#include "model/LineData2D.h"
#include "model/Locality.h"
#include "model/ModelManager.h"
#include "model/Project.h"
#include "support/ProjectFixture.h"

#include <memory>

using namespace kiv;
using kiv::test::idOf;
using kiv::test::resetModelManager;

class TestLocality : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::shared_ptr<Project> m_project;

    // A locality of a registered project, written to its database.
    std::shared_ptr<Locality> storedLocality()
    {
        auto locality = m_project->createLocality(idOf(1000));
        [&] { QVERIFY(m_project->syncLocalityDetails(locality.get())); }();
        return locality;
    }

private slots:
    void init()
    {
        resetModelManager();
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        m_project = ModelManager::instance()->createProject(QStringLiteral("P"), QDir(m_dir->path()));
        QVERIFY(m_project);
    }

    void cleanup()
    {
        m_project.reset();
        resetModelManager();
    }

    void listsAreNewestFirst_data()
    {
        QTest::addColumn<QList<int>>("stamps");
        QTest::addColumn<QList<int>>("expected");
        QTest::newRow("mixed") << QList<int>{10, 30, 20} << QList<int>{30, 20, 10};
        QTest::newRow("ascending") << QList<int>{1, 2, 3} << QList<int>{3, 2, 1};
        QTest::newRow("one") << QList<int>{5} << QList<int>{5};
    }

    void listsAreNewestFirst()
    {
        QFETCH(QList<int>, stamps);
        QFETCH(QList<int>, expected);
        Locality locality(m_project->projectId(), idOf(1));
        for (int i = 0; i < stamps.size(); ++i) {
            auto data = Data::createAnnotation(idOf(i), locality.id(), 0, 0, QString());
            data->setTimeStamp(stamps[i]);
            locality.addData(data);
            auto line = LineData2D::create(idOf(i), locality.id(), -1, 0, false, QString());
            line->setTimeStamp(stamps[i]);
            locality.addLine(line);
        }
        QList<int> dataOrder;
        QList<int> lineOrder;
        for (const auto& data : locality.data())
            dataOrder << int(data->timeStamp());
        for (const auto& line : locality.lines())
            lineOrder << int(line->timeStamp());
        QCOMPARE(dataOrder, expected);
        QCOMPARE(lineOrder, expected);
    }

    void countsFollowAddAndRemove_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QList<int>>("counts"); // sighting plane lineation polyline polygon annotation image
        QTest::newRow("plane") << "plane" << QList<int>{0, 1, 0, 0, 0, 0, 0};
        QTest::newRow("lineation") << "lineation" << QList<int>{0, 0, 1, 0, 0, 0, 0};
        QTest::newRow("sighting") << "sighting" << QList<int>{1, 0, 0, 0, 0, 0, 0};
        QTest::newRow("annotation") << "annotation" << QList<int>{0, 0, 0, 0, 0, 1, 0};
        QTest::newRow("image") << "image" << QList<int>{0, 0, 0, 0, 0, 0, 1};
        QTest::newRow("polyline") << "polyline" << QList<int>{0, 0, 0, 1, 0, 0, 0};
        QTest::newRow("polygon") << "polygon" << QList<int>{0, 0, 0, 0, 1, 0, 0};
    }

    void countsFollowAddAndRemove()
    {
        QFETCH(QString, kind);
        QFETCH(QList<int>, counts);
        auto locality = storedLocality();
        const std::string id = idOf(7);
        bool isLine = false;
        if (kind == "plane")
            locality->addPlane(id, 1, 2, 30, 40, 0, 1, QString());
        else if (kind == "lineation")
            locality->addLineation(id, 1, 2, 30, 40, 0, 9, QString());
        else if (kind == "sighting")
            locality->addSighting(id, 1, 2, 40, 0, 15, QString());
        else if (kind == "annotation")
            locality->addAnnotation(id, 1, 2, QStringLiteral("n"));
        else if (kind == "image")
            locality->addImage(id, 1, 2, 40, QStringLiteral("a.jpg"), QString(), QString(), QString());
        else
            isLine = true;
        if (kind == "polyline")
            locality->addPolyline(id, -1, 0, 1, 1, QString());
        else if (kind == "polygon")
            locality->addPolygon(id, -1, 0, 1, 1, QString());

        auto current = [&] {
            return QList<int>{locality->sightingCount(), locality->planeCount(),  locality->lineationCount(),
                              locality->polylineCount(), locality->polygonCount(), locality->annotationCount(),
                              locality->imageCount()};
        };
        QCOMPARE(current(), counts);
        QVERIFY(isLine ? m_project->syncLineDataDetails(locality->lineAt(0).get())
                       : m_project->syncDataDetails(locality->dataAt(0)));
        QVERIFY(isLine ? locality->removeLine(id) : locality->removeData(id));
        QCOMPARE(current(), (QList<int>{0, 0, 0, 0, 0, 0, 0}));
        QVERIFY(locality->data().empty() && locality->lines().empty());
        // The row went with it.
        Locality reloaded(m_project->projectId(), locality->id());
        QVERIFY(m_project->loadLocalityContent(reloaded));
        QVERIFY(reloaded.data().empty() && reloaded.lines().empty());
    }

    void badRemovalsChangeNothing_data()
    {
        QTest::addColumn<int>("dataIndex");
        QTest::addColumn<int>("lineIndex");
        QTest::addColumn<bool>("withProject");
        QTest::newRow("index equal to count") << 1 << 1 << true;
        QTest::newRow("negative index") << -1 << -1 << true;
        QTest::newRow("no project") << 0 << 0 << false;
    }

    void badRemovalsChangeNothing()
    {
        QFETCH(int, dataIndex);
        QFETCH(int, lineIndex);
        QFETCH(bool, withProject);
        const ProjectId projectId = withProject ? m_project->projectId() : ProjectId(4242);
        Locality locality(projectId, idOf(1));
        locality.addPlane(idOf(2), 0, 0, 10, 20, 0, 1, QString());
        locality.addPolygon(idOf(3), -1, 0, 1, 1, QString());
        QVERIFY(!locality.removeDataAt(dataIndex));
        QVERIFY(!locality.removeLineAt(lineIndex));
        QVERIFY(!locality.removeData(withProject ? idOf(99) : idOf(2)));
        QCOMPARE(int(locality.data().size()), 1);
        QCOMPARE(int(locality.lines().size()), 1);
        QCOMPARE(locality.planeCount(), 1);
        QCOMPARE(locality.polygonCount(), 1);
    }


    void addingRaisesTheProjectsNextUnitId_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("unitId");
        QTest::addColumn<int>("expected");
        QTest::newRow("plane") << "plane" << 6 << 7;
        QTest::newRow("sighting") << "sighting" << 7 << 8;
        QTest::newRow("lineation") << "lineation" << 7 << 8;
        QTest::newRow("line") << "line" << 4 << 5;
        QTest::newRow("line without unit") << "line" << -1 << 1;
        QTest::newRow("note carries no unit") << "note" << 9 << 1;
    }

    void addingRaisesTheProjectsNextUnitId()
    {
        QFETCH(QString, kind);
        QFETCH(int, unitId);
        QFETCH(int, expected);
        Locality locality(m_project->projectId(), idOf(1));
        if (kind == "plane") {
            locality.addPlane(idOf(2), 0, 0, 10, 20, unitId, 1, QString());
        } else if (kind == "sighting") {
            locality.addSighting(idOf(2), 0, 0, 20, unitId, 15, QString());
        } else if (kind == "lineation") {
            locality.addLineation(idOf(2), 0, 0, 10, 20, unitId, 1, QString());
        } else if (kind == "line") {
            locality.addPolyline(idOf(2), unitId, 0, 1, 1, QString());
        } else {
            auto note = Data::createAnnotation(idOf(2), locality.id(), 0, 0, QString());
            note->setUnitId(unitId);
            locality.addData(note);
        }
        QCOMPARE(m_project->nextUnitId(), expected);
    }

    void recordRoundTrip_data()
    {
        QTest::addColumn<QString>("colour");
        QTest::addColumn<bool>("hasVisible");
        QTest::addColumn<bool>("visible");
        QTest::addColumn<QString>("expectedColour"); // empty: invalid
        QTest::newRow("green") << "#00ff00" << true << false << "#00ff00";
        QTest::newRow("no visible field") << "#123456" << false << false << "#123456";
        QTest::newRow("name") << "red" << true << true << "#ff0000";
        QTest::newRow("bad colour") << "555555" << true << true << "";
    }

    void recordRoundTrip()
    {
        QFETCH(QString, colour);
        QFETCH(bool, hasVisible);
        QFETCH(bool, visible);
        QFETCH(QString, expectedColour);
        QZProtoBuffers::Locality record;
        record.set_localityid(idOf(5));
        record.set_name("Gorge");
        record.set_description("Outcrop");
        record.set_timestamp(1234);
        record.set_colour(colour.toStdString());
        if (hasVisible)
            record.set_visible(visible);
        record.mutable_position()->set_latitude(46.5);
        record.mutable_position()->set_longitude(7.5);
        auto locality = Locality::fromProto(m_project->projectId(), record);
        QVERIFY(locality);
        QCOMPARE(locality->name(), QStringLiteral("Gorge"));
        QCOMPARE(locality->description(), QStringLiteral("Outcrop"));
        QCOMPARE(locality->timeStamp(), qint64(1234));
        QCOMPARE(locality->latitude(), 46.5);
        QCOMPARE(locality->isVisible(), hasVisible ? visible : true);
        QCOMPARE(locality->colour().isValid(), !expectedColour.isEmpty());
        if (!expectedColour.isEmpty()) {
            QCOMPARE(locality->colour().name(), expectedColour);
            QCOMPARE(locality->toProto()->colour(), expectedColour.toStdString());
        }
        const auto written = locality->toProto();
        QCOMPARE(written->localityid(), idOf(5));
        QVERIFY(written->has_visible());
        QCOMPARE(written->position().longitude(), 7.5);
    }

};

QTEST_GUILESS_MAIN(TestLocality)
#include "tst_locality.moc"
