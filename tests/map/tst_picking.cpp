#include "Database/CommandManager.h"
#include "app/DialogController.h"
#include "app/MainView.h"
#include "map/GLRender.h"
#include "map/GLRenderItem.h"
#include "map/MapViewController.h"
#include "model/Data.h"
#include "model/LineData2D.h"
#include "model/Locality.h"
#include "model/Project.h"
#include "support/CameraAtRest.h"
#include "support/ProjectFixture.h"

#include <QtTest>

#include <cmath>

using namespace kiv;

namespace {
// The camera looks at this point from 1000 m in an 800 x 600 window.
constexpr double Lat = 46.0, Lon = 7.0;
const QString Degree(QChar(0x00B0));
} // namespace

class TestPicking : public QObject
{
    Q_OBJECT

    std::unique_ptr<test::ProjectFixture> fixture;
    std::unique_ptr<MainView> view;
    std::unique_ptr<MapViewController> controller;
    int next = 1;

    static test::DocumentsApplication* app()
    {
        return static_cast<test::DocumentsApplication*>(ApplicationManager::instance());
    }
    GLRender& scene() const { return *controller->scene(); }
    PickListModel& rows() const { return *controller->pickListModel(); }

    void lookAt(double lat, double lon, double altitude = 1000.0)
    {
        osg::Vec3d world;
        QVERIFY(GLRenderItem::toMap(&scene(), lon, lat, world));
        scene().cameraManipulator().setAltitude(altitude);
        scene().cameraManipulator().setPosition(world);
        scene().updateCamera();
    }
    // (latitude, longitude) of a window position.
    QPointF geoAt(double x, double y) const
    {
        double lon = 0.0, lat = 0.0;
        scene().screenToGeo(x, y, lon, lat);
        return QPointF(lat, lon);
    }
    std::string newId() { return test::idOf(0x100 + next++); }
    std::shared_ptr<Data> planeAt(const QPointF& p, float dip = 45.9f, float azimuth = 120.7f)
    {
        return fixture->locality->addPlane(newId(), p.x(), p.y(), dip, azimuth, 0, 1, QString());
    }
    std::shared_ptr<LineData2D> lineThrough(const QList<QPointF>& corners, bool filled)
    {
        auto line = filled ? fixture->locality->addPolygon(newId(), 0, 0, 1.0f, 1.0f, "edge")
                           : fixture->locality->addPolyline(newId(), 0, 0, 1.0f, 1.0f, "edge");
        for (const QPointF& corner : corners) {
            const QPointF p = geoAt(corner.x(), corner.y());
            line->addPoint(p.x(), p.y());
        }
        return line;
    }
    static bool closeTo(const QPointF& a, const QPointF& b) { return QLineF(a, b).length() < 1e-3; }
    int highlighted() const
    {
        int count = 0;
        for (const auto& item : scene().renderItems())
            count += item->selectedId().empty() ? 0 : 1;
        return count;
    }

private slots:
    void init()
    {
        fixture = std::make_unique<test::ProjectFixture>();
        QVERIFY(fixture->isValid());
        fixture->locality->setLatitude(Lat);
        fixture->locality->setLongitude(Lon);
        app()->countOnlineCalls = true;
        view = std::make_unique<MainView>();
        view->resize(800, 600);
        app()->setMainView(view.get());
        controller = std::make_unique<MapViewController>();
        controller->viewDidLoad();
        controller->viewDidAppear();
        lookAt(Lat, Lon);
    }

    void cleanup()
    {
        controller.reset();
        app()->setMainView(nullptr);
        view.reset();
        fixture.reset();
    }

    void tapsHitStrictSquares_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<double>("scale");
        QTest::addColumn<QPointF>("tap");
        QTest::addColumn<int>("hits");
        QTest::addColumn<double>("distance");
        QTest::newRow("plane, edge") << "plane" << 1.0 << QPointF(423, 300) << 0 << 0.0;
        QTest::newRow("plane, inside") << "plane" << 1.0 << QPointF(422.5, 300) << 1 << 22.5;
        QTest::newRow("plane, scale 1.25, inside") << "plane" << 1.25 << QPointF(400, 327.5) << 1 << 27.5;
        QTest::newRow("plane, scale 1.25, edge") << "plane" << 1.25 << QPointF(400, 328) << 0 << 0.0;
        QTest::newRow("locality, raised") << "locality" << 1.0 << QPointF(400, 277) << 1 << 0.0;
        QTest::newRow("locality, below") << "locality" << 1.0 << QPointF(400, 301) << 0 << 0.0;
        QTest::newRow("note, shifted") << "note" << 1.0 << QPointF(414.95, 314.95) << 1 << 0.0;
        QTest::newRow("note, left of its square") << "note" << 1.0 << QPointF(391.9, 300) << 0 << 0.0;
        QTest::newRow("polygon, inside") << "polygon" << 1.0 << QPointF(400, 300) << 1 << 23.0;
        QTest::newRow("polygon, on edge") << "polygon" << 1.0 << QPointF(303, 300) << 1 << 3.0;
        QTest::newRow("polyline, beside") << "polyline" << 1.0 << QPointF(400, 300) << 0 << 0.0;
        QTest::newRow("polyline, near") << "polyline" << 1.0 << QPointF(400, 210) << 1 << 10.0;
    }

    void tapsHitStrictSquares()
    {
        QFETCH(QString, kind);
        QFETCH(double, scale);
        QFETCH(QPointF, tap);
        QFETCH(int, hits);
        QFETCH(double, distance);
        app()->setLogicalToPhysicalMultiplier(scale);
        const bool annotation = kind == "locality" || kind == "note";
        controller->setViewFilter(annotation ? MapViewController::FilterAnnotations
                                             : MapViewController::ViewFilter(MapViewController::FilterData
                                                                             | MapViewController::FilterLines));
        if (kind == "plane")
            planeAt(QPointF(Lat, Lon));
        else if (kind == "note")
            fixture->locality->addAnnotation(newId(), Lat, Lon, "n");
        else if (kind != "locality")
            lineThrough({{300, 200}, {500, 200}, {500, 400}, {300, 400}}, kind == "polygon");
        controller->pick(tap.x(), tap.y());
        QCOMPARE(rows().rowCount(), hits);
        QCOMPARE(controller->pointPicked(), hits > 0);
        if (hits)
            QVERIFY(std::abs(rows().item(0).distance - distance) < 1e-3);
    }

    void rowsCarryTextsWithoutDegrees_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<double>("first");
        QTest::addColumn<double>("second");
        QTest::addColumn<bool>("strike");
        QTest::addColumn<QString>("rowLabel");
        QTest::addColumn<QString>("calloutLabel");
        QTest::addColumn<int>("category");
        const QString d = Degree;
        QTest::newRow("plane") << int(Data::Plane) << 45.9 << 120.7 << false << "Dip: 45  Azimuth: 120"
                               << "Dip: 45" + d + "  Azimuth: 120" + d << 2;
        QTest::newRow("plane, strike 315") << int(Data::Plane) << 30.0 << 45.0 << true << "Dip: 30  Azimuth: 45"
                                           << "Dip: 30" + d + "  Strike: 315" + d << 2;
        QTest::newRow("plane, strike 30") << int(Data::Plane) << 30.0 << 120.0 << true << "Dip: 30  Azimuth: 120"
                                          << "Dip: 30" + d + "  Strike: 30" + d << 2;
        QTest::newRow("lineation") << int(Data::Lineation) << 30.7 << 250.2 << false << "Plunge: 30  Azimuth: 250"
                                   << "Plunge: 30" + d + "  Azimuth: 250" + d << 2;
        QTest::newRow("photograph") << int(Data::Image) << 87.9 << 0.0 << false << "Direction: 87"
                                    << "Direction: 87" + d << 1;
        QTest::newRow("photograph, -1") << int(Data::Image) << -1.0 << 0.0 << false << "Image" << "Image" << 1;
        QTest::newRow("photograph, 400") << int(Data::Image) << 400.0 << 0.0 << false << "Image" << "Image" << 1;
        QTest::newRow("sighting") << int(Data::Sighting) << 10.5 << 0.0 << false << "Azimuth: 10"
                                  << "Azimuth: 10" + d << 1;
        QTest::newRow("note") << int(Data::Annotation) << 0.0 << 0.0 << false << "first" << "first" << 1;
    }

    void rowsCarryTextsWithoutDegrees()
    {
        QFETCH(int, type);
        QFETCH(double, first);
        QFETCH(double, second);
        QFETCH(bool, strike);
        QFETCH(QString, rowLabel);
        QFETCH(QString, calloutLabel);
        QFETCH(int, category);
        app()->setAngleConvention(strike ? ApplicationManager::DipStrikeRHR : ApplicationManager::DipAzimuth);
        Locality& locality = *fixture->locality;
        if (type == Data::Plane)
            planeAt(QPointF(Lat, Lon), float(first), float(second));
        else if (type == Data::Lineation)
            locality.addLineation(newId(), Lat, Lon, float(first), float(second), 0, 9, QString());
        else if (type == Data::Image)
            locality.addImage(newId(), Lat, Lon, float(first), "IMG_1.jpg", QString(), QString(), QString());
        else if (type == Data::Sighting)
            locality.addSighting(newId(), Lat, Lon, float(first), 0, 15, QString());
        else
            locality.addAnnotation(newId(), Lat, Lon, "first\r\nsecond");
        controller->setViewFilter(MapViewController::ViewFilter(category));
        const QPointF tap = type == Data::Annotation ? QPointF(414.95, 314.95) : QPointF(400, 300);
        controller->pick(tap.x(), tap.y());
        QCOMPARE(rows().rowCount(), 1);
        QCOMPARE(rows().item(0).label, rowLabel);
        QCOMPARE(rows().item(0).type, category);
        QCOMPARE(controller->pickedPointLabel(), calloutLabel);
        QVERIFY(closeTo(controller->pickedScreenPos(), tap));
        QCOMPARE(controller->calloutOffset(), 23.0);
        QCOMPARE(controller->imagePicked(), type == Data::Image);
        QCOMPARE(controller->pickedImageUrl(),
                 type == Data::Image ? QStringLiteral("image://thumbnail/IMG_1.jpg") : QString());
        QCOMPARE(highlighted(), 1);
    }

    void filterLimitsWhatIsHit_data()
    {
        QTest::addColumn<int>("filter");
        QTest::addColumn<int>("hits");
        QTest::newRow("all") << int(MapViewController::FilterAll) << 3;
        QTest::newRow("lines") << int(MapViewController::FilterLines) << 1;
        QTest::newRow("none") << int(MapViewController::FilterNone) << 0;
    }

    void filterLimitsWhatIsHit()
    {
        QFETCH(int, filter);
        QFETCH(int, hits);
        planeAt(QPointF(Lat, Lon));
        lineThrough({{300, 290}, {500, 290}}, false);
        controller->setViewFilter(MapViewController::ViewFilter(filter));
        controller->pick(400, 290);
        QCOMPARE(rows().rowCount(), hits);
        for (int i = 0; i < hits; ++i)
            QVERIFY(filter & rows().item(i).type);
        QCOMPARE(controller->selectedPickedItem(), hits ? 0 : -1);
        QCOMPARE(controller->pointPicked(), hits > 0);
    }

    void hidingTheSelectedCategoryHidesTheCallout()
    {
        planeAt(QPointF(Lat, Lon));
        controller->pick(400, 300);
        QSignalSpy picked(controller.get(), &MapViewController::pointPickedChanged);
        controller->setViewFilter(
            MapViewController::ViewFilter(MapViewController::FilterAnnotations | MapViewController::FilterData));
        QVERIFY(controller->pointPicked());
        controller->setViewFilter(MapViewController::FilterAnnotations);
        QVERIFY(!controller->pointPicked());
        QCOMPARE(picked.count(), 1);
    }

    void repeatedTapsCycleThroughHits()
    {
        const auto near = planeAt(QPointF(Lat, Lon));
        const auto far = planeAt(geoAt(410, 300));
        QSignalSpy selected(controller.get(), &MapViewController::selectedPickedItemChanged);
        for (int tap = 0; tap < 3; ++tap) {
            controller->pick(402, 300);
            QCOMPARE(rows().rowCount(), 2);
            QCOMPARE(controller->selectedItemId(), controller->selectedPickedItemId());
        }
        QCOMPARE(selected.count(), 3);
        QCOMPARE(selected.at(0).first().toInt(), 0);
        QCOMPARE(selected.at(1).first().toInt(), 1);
        QCOMPARE(selected.at(2).first().toInt(), 0);
        QCOMPARE(controller->selectedItemId(), QString::fromStdString(near->id()));
        QVERIFY(rows().item(1).object == far);
        // A tap elsewhere picks anew.
        controller->pick(600, 300);
        QCOMPARE(rows().rowCount(), 0);
        QVERIFY(!controller->pointPicked());
    }

    void unplaceablePositionsAreNeverHit()
    {
        fixture->locality->setLatitude(999.0);
        fixture->locality->setLongitude(999.0);
        planeAt(QPointF(Lat, Lon));
        auto line = lineThrough({{300, 300}, {500, 300}}, false);
        line->insertPoint(1, 999.0, 999.0);
        for (const QPointF& tap : {QPointF(400, 277), QPointF(0, 0)}) {
            controller->pick(tap.x(), tap.y());
            for (int i = 0; i < rows().rowCount(); ++i) {
                const PickedItem& row = rows().item(i);
                QVERIFY(row.object != fixture->locality);
                QVERIFY(std::isfinite(row.worldX) && std::isfinite(row.screenX) && std::isfinite(row.distance));
            }
        }
        controller->pick(400, 300);
        QCOMPARE(rows().rowCount(), 2); // the plane, and the line across its skipped point
    }

    // Far from the map's origin and zoomed in fully, symbols still land where they are drawn.
    void zoomedInFarFromOriginStaysExact()
    {
        lookAt(-30.0, 150.0, 10.0);
        planeAt(geoAt(450, 320));
        controller->pick(472.5, 320);
        QCOMPARE(rows().rowCount(), 1);
        controller->pick(450, 343.5);
        QCOMPARE(rows().rowCount(), 0);
    }

    void highlightFollowsTheSelection()
    {
        planeAt(QPointF(Lat, Lon));
        const QPointF there = geoAt(600, 300);
        fixture->locality->addSighting(newId(), there.x(), there.y(), 10.0f, 0, 15, QString());
        for (const QPointF& tap : {QPointF(400, 300), QPointF(600, 300), QPointF(400, 300)}) {
            controller->pick(tap.x(), tap.y());
            QVERIFY(controller->pointPicked());
            QCOMPARE(highlighted(), 1);
        }
        controller->pick(200, 100);
        QCOMPARE(highlighted(), 0);
    }

    void selectionById_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<double>("scale");
        QTest::newRow("plane") << "plane" << 1.0;
        QTest::newRow("line, scale 1.5") << "line" << 1.5;
        QTest::newRow("plane off the map") << "unplaced" << 1.0;
        QTest::newRow("plane at NaN") << "unplaced, NaN" << 1.0;
        QTest::newRow("unknown id") << "unknown" << 1.0;
    }

    void selectionById()
    {
        QFETCH(QString, kind);
        QFETCH(double, scale);
        app()->setLogicalToPhysicalMultiplier(scale);
        fixture->locality->addSighting(newId(), Lat, Lon, 10.0f, 0, 15, QString());
        controller->pick(400, 300);
        QVERIFY(controller->pointPicked());
        std::string id = test::idOf(0xfff);
        if (kind == "plane")
            id = planeAt(geoAt(500, 400))->id();
        else if (kind == "unplaced")
            id = planeAt(QPointF(999.0, 999.0))->id();
        else if (kind == "unplaced, NaN")
            id = planeAt(QPointF(std::nan(""), Lon))->id();
        else if (kind == "line")
            id = lineThrough({{300, 100}, {500, 100}}, false)->id();
        const osg::Vec3d camera = scene().cameraManipulator().position();
        controller->setSelectedItemId(QString::fromStdString(id));
        QCOMPARE(rows().rowCount(), 0);
        QCOMPARE(highlighted(), 1);
        const bool unplaced = kind.startsWith("unplaced");
        QCOMPARE(controller->pointPicked(), !unplaced);
        if (kind == "unknown")
            QCOMPARE(controller->pickedPointLabel(), "Azimuth: 10" + Degree);
        if (unplaced) {
            QVERIFY(scene().cameraManipulator().position() == camera);
            QVERIFY(controller->pickedPointLabel().isEmpty());
        }
        if (kind == "plane") {
            QVERIFY(closeTo(controller->pickedScreenPos(), QPointF(500, 400)));
            // The camera then brings it to the middle of the free area.
            controller->setVisibleArea(QRectF(200, 0, 600, 600));
            QVERIFY(test::cameraAtRest(scene().cameraManipulator()));
            QVERIFY(closeTo(controller->pickedScreenPos(), QPointF(500, 300)));
        }
        if (kind == "line") // the nearest point of the line to its rectangle's centre
            QVERIFY(closeTo(controller->pickedScreenPos(), QPointF(400, 100)));
        // Selected by id, there is no picked row: clearing the id still clears it all.
        controller->setSelectedItemId(QString());
        QVERIFY(!controller->pointPicked());
        QCOMPARE(highlighted(), 0);
    }

    // A datum without a finite place moves neither the callout nor the camera to NaN.
    void nonFinitePlacesStayOffTheMap()
    {
        planeAt(QPointF(std::nan(""), Lon));
        fixture->locality->addSighting(newId(), Lat, std::nan(""), 10.0f, 0, 15, QString());
        controller->setSelectedItemId(fixture->locality->qId());
        QVERIFY(controller->pointPicked());
        QVERIFY(test::cameraAtRest(scene().cameraManipulator()));
        const osg::Vec3d camera = scene().cameraManipulator().position();
        QVERIFY(std::isfinite(camera.x()) && std::isfinite(camera.y()));
        const QPointF anchor = controller->pickedScreenPos();
        QVERIFY(std::isfinite(anchor.x()) && std::isfinite(anchor.y()));
    }

    // The controller publishes each change of the callout once, under its own signals.
    void calloutChangesReachQml()
    {
        fixture->locality->addImage(newId(), Lat, Lon, 87.9f, "IMG_1.jpg", QString(), QString(), QString());
        controller->setViewFilter(MapViewController::FilterAnnotations);
        MapViewController* c = controller.get();
        QSignalSpy screenPos(c, &MapViewController::pickedScreenPosChanged);
        QSignalSpy imageUrl(c, &MapViewController::pickedImageUrlChanged);
        QSignalSpy label(c, &MapViewController::pickedPointLabelChanged);
        QSignalSpy description(c, &MapViewController::pickedPointDescriptionChanged);
        QSignalSpy offset(c, &MapViewController::calloutOffsetChanged);
        QSignalSpy pointPicked(c, &MapViewController::pointPickedChanged);
        QSignalSpy imagePicked(c, &MapViewController::imagePickedChanged);
        QSignalSpy localityPicked(c, &MapViewController::localityPickedChanged);
        const auto counts = [&] {
            return QList<int>({int(screenPos.count()), int(imageUrl.count()), int(label.count()),
                               int(description.count()), int(offset.count()), int(pointPicked.count()),
                               int(imagePicked.count()), int(localityPicked.count())});
        };
        controller->pick(400, 300);
        QCOMPARE(counts(), QList<int>({1, 1, 1, 0, 1, 1, 1, 0}));
        QCOMPARE(label.at(0).at(0).toString(), "Direction: 87" + Degree);
        QCOMPARE(screenPos.at(0).at(0).toPointF(), controller->pickedScreenPos());
        // A tap on empty map clears it; refreshing with nothing selected then changes nothing.
        controller->pick(600, 100);
        controller->refreshCallout();
        QCOMPARE(counts(), QList<int>({1, 2, 2, 0, 1, 2, 2, 0}));
        QCOMPARE(pointPicked.at(1).at(0).toBool(), false);
        // A setter from QML goes through the same store-on-change rule.
        controller->setCalloutOffset(controller->calloutOffset());
        controller->setPickedPointDescription("d");
        QCOMPARE(counts(), QList<int>({1, 2, 2, 1, 1, 2, 2, 0}));
    }

    void refreshFollowsEditsAndDeletes()
    {
        controller->pick(400, 277);
        fixture->locality->setName("Renamed");
        controller->refreshCallout();
        QCOMPARE(controller->pickedPointLabel(), QStringLiteral("Renamed"));
        QVERIFY(closeTo(controller->pickedScreenPos(), QPointF(400, 277)));
        const auto plane = planeAt(QPointF(Lat, Lon), 30.0f, 120.0f);
        controller->pick(400, 300);
        plane->setDip(50.0f);
        controller->refreshCallout();
        QCOMPARE(controller->pickedPointLabel(), "Dip: 50" + Degree + "  Azimuth: 120" + Degree);
        QVERIFY(fixture->locality->removeData(plane->id()));
        controller->refreshCallout();
        QVERIFY(!controller->pointPicked());
        QVERIFY(controller->selectedItemId().isEmpty());
        QCOMPARE(highlighted(), 0);
    }

    void anchorShiftsAfterCameraChange_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QPointF>("shift");
        QTest::newRow("note") << "note" << QPointF(14.95, 14.95);
        QTest::newRow("locality") << "locality" << QPointF(0, -23);
        QTest::newRow("plane") << "plane" << QPointF(0, 0);
    }

    void anchorShiftsAfterCameraChange()
    {
        QFETCH(QString, kind);
        QFETCH(QPointF, shift);
        std::string id = fixture->locality->id();
        if (kind == "note")
            id = fixture->locality->addAnnotation(newId(), Lat, Lon, "n")->id();
        else if (kind == "plane")
            id = planeAt(QPointF(Lat, Lon))->id();
        controller->setSelectedItemId(QString::fromStdString(id));
        QVERIFY(controller->pointPicked());
        // Ten metres east at 1000 m: the point moves left on screen.
        const osg::Vec3d moved = scene().cameraManipulator().position() + osg::Vec3d(10.0, 0.0, 0.0);
        scene().cameraManipulator().setPosition(moved);
        const double moves = 10.0 * 300.0 / (1000.0 * std::tan(M_PI / 6.0));
        QVERIFY(closeTo(controller->pickedScreenPos(), QPointF(400 - moves, 300) + shift));
    }

    void deleteRemovesStoredRows_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("locked");
        QTest::newRow("plane") << "plane" << false;
        QTest::newRow("locality with its content") << "locality" << false;
        QTest::newRow("plane, database locked") << "plane" << true;
        QTest::newRow("locality, database locked") << "locality" << true;
    }

    void deleteRemovesStoredRows()
    {
        QFETCH(QString, kind);
        QFETCH(bool, locked);
        const auto dialogs = app()->installDialogController();
        Project& project = *fixture->project;
        project.syncLocalityDetails(fixture->locality.get());
        project.syncDataDetails(planeAt(QPointF(Lat, Lon)));
        auto line = lineThrough({{100, 100}, {150, 100}}, false);
        project.syncLineDataDetails(line.get());
        CommandManager::instance()->clearStacks();
        controller->setViewFilter(kind == "plane" ? MapViewController::FilterData
                                                  : MapViewController::FilterAnnotations);
        controller->pick(400, kind == "plane" ? 300 : 277);
        QCOMPARE(rows().rowCount(), 1);
        const auto localities = fixture->messages("localities").size();
        auto lock = fixture->lockFor(locked ? "EXCLUSIVE" : "");
        QTest::ignoreMessage(QtDebugMsg, "delete selected item here");
        if (locked)
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("could not delete"));
        controller->deleteSelectedItem();
        lock.reset();
        const size_t kept = locked ? 1 : 0;
        QCOMPARE(fixture->messages("data").size(), kept);
        QCOMPARE(fixture->messages("linedata").size(), kind == "plane" ? 1 : kept);
        QCOMPARE(fixture->messages("localities").size(), kind == "plane" || locked ? localities : localities - 1);
        QVERIFY(!controller->pointPicked());
        QVERIFY(controller->selectedItemId().isEmpty());
        QVERIFY(!CommandManager::instance()->canUndo());
        QCOMPARE(dialogs->toasts().size(), locked ? 1 : 0);
        if (locked)
            QCOMPARE(dialogs->toasts()[0].message, QStringLiteral("Could not delete the selected item."));
    }
};

QTEST_MAIN(TestPicking)
#include "tst_picking.moc"
