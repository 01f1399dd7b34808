#include "map/GLRender.h"
#include "map/MapCameraGestures.h"
#include "map/MapCameraManipulator.h"
#include "map/SymbolTextures.h"
#include "model/LineData2D.h"
#include "model/Locality.h"
#include "support/CameraAtRest.h"
#include "support/ProjectFixture.h"

#include <QtTest>

#include <cmath>
#include <memory>

using namespace kiv;

using Path = QList<QPointF>;
Q_DECLARE_METATYPE(Path)
Q_DECLARE_METATYPE(osg::BoundingBoxd)

namespace {

const double Tan30 = std::tan(30.0 * M_PI / 180.0);
const QSizeF Window(800, 600);

// A straight-down view of the window with the scene's field of view, 1000 map
// units a degree and nothing placed beyond 85 degrees of latitude.
class FakeSurface : public MapCameraGestures::AbstractSurface
{
public:
    osg::Vec3d worldUnder(const QPointF& pos, const osg::Vec3d& position, double altitude) const override
    {
        const double k = 2.0 * altitude * Tan30 / Window.height();
        return osg::Vec3d(position.x() + (pos.x() - Window.width() / 2) * k,
                          position.y() - (pos.y() - Window.height() / 2) * k, 0.0);
    }
    bool toMap(double longitude, double latitude, osg::Vec3d& world) const override
    {
        if (!(std::abs(longitude) <= 180.0 && std::abs(latitude) <= 85.0))
            return false;
        world.set(longitude * 1000.0, latitude * 1000.0, 10.0);
        return true;
    }
    void followCamera() override { ++follows; }
    void requestFrame() override { ++frames; }
    void resetPickList() override { ++resets; }

    int follows = 0;
    int frames = 0;
    int resets = 0;
};

bool near(const osg::Vec3d& a, const osg::Vec3d& b, double tolerance)
{
    return std::abs(a.x() - b.x()) <= tolerance && std::abs(a.y() - b.y()) <= tolerance;
}

} // namespace

// Gestures and snaps over a camera without a window.
class TestMapCameraGestures : public QObject
{
    Q_OBJECT

    std::unique_ptr<GLRender> scene;
    FakeSurface surface;
    MapCameraGestures gestures;

    MapCameraManipulator& camera() { return scene->cameraManipulator(); }
    osg::Vec3d under(const QPointF& pos) { return surface.worldUnder(pos, camera().position(), camera().altitude()); }
    static double quarter() { return double(SymbolTextures::symbolSize() / 4); }

private slots:
    void init()
    {
        scene = std::make_unique<GLRender>(nullptr);
        surface = FakeSurface();
        gestures = MapCameraGestures();
        gestures.attach(&camera(), &surface);
        gestures.setVisibleArea(QRectF(QPointF(0, 0), Window));
        camera().setPosition(osg::Vec3d(0.0, 0.0, 0.0));
        camera().setAltitude(1000.0);
    }

    void cleanup() { scene.reset(); }

    void releasePicks_data()
    {
        QTest::addColumn<double>("distance");
        QTest::addColumn<bool>("longPress");
        QTest::addColumn<int>("symbolSize");
        QTest::addColumn<bool>("picks");
        QTest::newRow("tap") << 0.0 << false << 44 << true;
        QTest::newRow("just below a quarter symbol") << 10.99 << false << 44 << true;
        QTest::newRow("a quarter symbol") << 11.0 << false << 44 << false;
        QTest::newRow("a quarter of 47 px is 11") << 11.0 << false << 47 << false;
        QTest::newRow("held without moving") << 0.0 << true << 44 << false;
    }

    void releasePicks()
    {
        QFETCH(double, distance);
        QFETCH(bool, longPress);
        QFETCH(int, symbolSize);
        QFETCH(bool, picks);
        QCOMPARE(MapCameraGestures::releasePicks(distance, longPress, symbolSize), picks);
    }

    void drag_data()
    {
        QTest::addColumn<bool>("press");
        QTest::addColumn<Path>("path"); // pixels from the press
        QTest::addColumn<bool>("picks");
        const double q = quarter();
        QTest::newRow("tap") << true << Path() << true;
        QTest::newRow("just below a quarter symbol") << true << Path{{q - 0.01, 0}} << true;
        QTest::newRow("a quarter symbol in a row") << true << Path{{q - 5, 0}, {q, 0}} << false;
        QTest::newRow("there and back") << true << Path{{q / 2, 0}, {0, 0}} << false;
        QTest::newRow("no press") << false << Path{{3 * q, 0}} << true;
    }

    // The path counts, not the distance from the press; the ground stays under the pointer.
    void drag()
    {
        QFETCH(bool, press);
        QFETCH(Path, path);
        QFETCH(bool, picks);
        const QPointF start(100, 100);
        const osg::Vec3d grabbed = under(start);
        const osg::Vec3d position = camera().position();
        if (press)
            gestures.press(start);
        QCOMPARE(surface.frames, press ? 1 : 0);
        for (const QPointF& offset : path)
            gestures.move(start + offset);
        const QPointF last = path.isEmpty() ? start : start + path.last();
        QCOMPARE(surface.resets, press ? path.size() : 0);
        QVERIFY(near(under(press ? last : start), grabbed, 1e-6));
        if (!press)
            QCOMPARE(camera().position(), position);
        QCOMPARE(gestures.release(false), picks);
        // Released: moving on is no drag.
        gestures.move(last + QPointF(50, 50));
        QCOMPARE(surface.resets, press ? path.size() : 0);
    }

    void pinchEndsThePress()
    {
        gestures.press({100, 100});
        gestures.pinchStart({100, 100});
        gestures.move({300, 100});
        QVERIFY(gestures.releasePicks(false));
        QCOMPARE(surface.resets, 0);
    }

    void clampAltitude_data()
    {
        QTest::addColumn<double>("altitude");
        QTest::addColumn<double>("expected");
        QTest::newRow("below the minimum") << 9.99 << 10.0;
        QTest::newRow("the minimum") << 10.0 << 10.0;
        QTest::newRow("inside") << 5000.0 << 5000.0;
        QTest::newRow("the maximum") << 20000.0 << 20000.0;
        QTest::newRow("above the maximum") << 20000.01 << 20000.0;
        QTest::newRow("NaN") << std::nan("") << 10.0;
    }

    void clampAltitude()
    {
        QFETCH(double, altitude);
        QFETCH(double, expected);
        QCOMPARE(MapCameraGestures::clampAltitude(altitude, 20000.0), expected);
    }

    void wheel_data()
    {
        QTest::addColumn<double>("start"); // 0: the maximum
        QTest::addColumn<Path>("deltas");
        QTest::addColumn<double>("target"); // 0: the maximum
        QTest::newRow("in") << 1000.0 << Path{{0, 120}} << 800.0;
        QTest::newRow("out") << 1000.0 << Path{{0, -120}} << 1250.0;
        QTest::newRow("horizontal only: out") << 1000.0 << Path{{120, 0}} << 1250.0;
        QTest::newRow("three in compound") << 1000.0 << Path{{0, 120}, {0, 120}, {0, 120}} << 512.0;
        QTest::newRow("in at 11 stops at 10") << 11.0 << Path{{0, 120}} << 10.0;
        QTest::newRow("out at the maximum") << 0.0 << Path{{0, -120}} << 0.0;
    }

    void wheel()
    {
        QFETCH(double, start);
        QFETCH(Path, deltas);
        QFETCH(double, target);
        camera().setAltitude(start > 0.0 ? start : camera().maximumAltitude());
        const QPointF pointer(620, 130);
        const osg::Vec3d before = under(pointer);
        for (const QPointF& delta : deltas)
            gestures.wheel(pointer, delta);
        QCOMPARE(camera().targetAltitude(), target > 0.0 ? target : camera().maximumAltitude());
        QCOMPARE(surface.resets, deltas.size());
        QVERIFY(test::cameraAtRest(camera()));
        QVERIFY(near(under(pointer), before, 1e-6 * camera().altitude()));
    }

    void pinch_data()
    {
        QTest::addColumn<float>("scale");
        QTest::addColumn<double>("altitude"); // 0: the maximum
        QTest::addColumn<bool>("applies");
        QTest::newRow("twice") << 2.0f << 500.0 << true;
        QTest::newRow("half") << 0.5f << 2000.0 << true;
        QTest::newRow("below the minimum") << 1000.0f << 10.0 << true;
        QTest::newRow("above the maximum") << 1e-9f << 0.0 << true;
        QTest::newRow("zero") << 0.0f << 1000.0 << false;
        QTest::newRow("negative") << -2.0f << 1000.0 << false;
        QTest::newRow("NaN") << std::nanf("") << 1000.0 << false;
        QTest::newRow("infinite") << std::numeric_limits<float>::infinity() << 1000.0 << false;
    }

    void pinch()
    {
        QFETCH(float, scale);
        QFETCH(double, altitude);
        QFETCH(bool, applies);
        const osg::Vec3d start = under({300, 200});
        gestures.pinchStart({300, 200});
        gestures.pinchUpdate({350, 260}, scale);
        QCOMPARE(camera().altitude(), altitude > 0.0 ? altitude : camera().maximumAltitude());
        QCOMPARE(surface.resets, applies ? 1 : 0);
        QCOMPARE(surface.follows, applies ? 1 : 0);
        if (applies)
            QVERIFY(near(under({350, 260}), start, 1e-6 * camera().altitude()));
        else
            QCOMPARE(camera().position(), osg::Vec3d(0.0, 0.0, 0.0));
        gestures.pinchEnd();
    }

    void doubleTap_data()
    {
        QTest::addColumn<int>("hits");
        QTest::addColumn<double>("start");
        QTest::addColumn<double>("altitude");
        QTest::newRow("no hit") << 0 << 1000.0 << 500.0;
        QTest::newRow("one hit") << 1 << 1000.0 << 500.0;
        QTest::newRow("two hits choose") << 2 << 1000.0 << 1000.0;
        QTest::newRow("stops at the minimum") << 0 << 15.0 << 10.0;
    }

    void doubleTap()
    {
        QFETCH(int, hits);
        QFETCH(double, start);
        QFETCH(double, altitude);
        camera().setAltitude(start);
        const osg::Vec3d tapped = under({600, 450});
        gestures.doubleTap({600, 450}, hits);
        QVERIFY(test::cameraAtRest(camera()));
        QCOMPARE(camera().altitude(), altitude);
        QCOMPARE(surface.resets, hits < 2 ? 1 : 0);
        QVERIFY(near(under({400, 300}), hits < 2 ? tapped : osg::Vec3d(), 1e-6));
    }

    void snapToBounds_data()
    {
        QTest::addColumn<osg::BoundingBoxd>("box");
        QTest::addColumn<QRectF>("free");
        QTest::addColumn<double>("altitude"); // 0: no snap; -1: the maximum
        const QRectF whole(QPointF(0, 0), Window);
        const QRectF right(200, 0, 600, 600);
        QTest::newRow("a point: the minimum") << osg::BoundingBoxd(50, 50, 10, 50, 50, 10) << whole << 10.0;
        // 1300 wide with the margin, no height: the width decides.
        QTest::newRow("a flat box") << osg::BoundingBoxd(-500, 0, 10, 500, 0, 10) << whole
                                    << 650.0 / (Tan30 * 4.0 / 3.0);
        QTest::newRow("a tall box") << osg::BoundingBoxd(0, 0, 10, 100, 1000, 10) << whole << 650.0 / Tan30;
        QTest::newRow("a square box, a square free area")
            << osg::BoundingBoxd(0, 0, 10, 1000, 1000, 10) << right << 650.0 / Tan30;
        QTest::newRow("larger than the world") << osg::BoundingBoxd(-1e9, -1e9, 10, 1e9, 1e9, 10) << whole << -1.0;
        QTest::newRow("an empty box") << osg::BoundingBoxd() << whole << 0.0;
    }

    // The box with its margin fits the free area, its centre in the area's centre.
    void snapToBounds()
    {
        QFETCH(osg::BoundingBoxd, box);
        QFETCH(QRectF, free);
        QFETCH(double, altitude);
        gestures.setVisibleArea(free);
        gestures.snapToBounds(box);
        QCOMPARE(camera().isAnimating(), altitude != 0.0);
        QCOMPARE(surface.resets, altitude != 0.0 ? 1 : 0);
        if (altitude == 0.0)
            return;
        QCOMPARE(camera().targetAltitude(), altitude > 0.0 ? altitude : camera().maximumAltitude());
        QVERIFY(test::cameraAtRest(camera()));
        if (altitude > 0.0)
            QVERIFY(near(under(free.center()), box.center(), 1e-6 * altitude));
    }

    void snapToLocality_data()
    {
        QTest::addColumn<QPointF>("own"); // longitude, latitude
        QTest::addColumn<Path>("data");
        QTest::addColumn<QPointF>("centre"); // map units
        QTest::addColumn<double>("halfWidth"); // of the box; -1: a position snap
        QTest::newRow("alone: the margin") << QPointF(8, 47) << Path() << QPointF(8000, 47000) << 50.0;
        // Its position is kept for a later free area, though nothing moves now.
        QTest::newRow("nothing placeable") << QPointF(999, 999) << Path{{999, 999}} << QPointF(0, 0) << -1.0;
        QTest::newRow("a datum: the box and a margin") << QPointF(8, 47) << Path{{8.2, 47}} << QPointF(8075, 47000)
                                                       << 125.0;
        QTest::newRow("an unknown datum position") << QPointF(8, 47) << Path{{999, 999}} << QPointF(8000, 47000)
                                                   << 50.0;
        QTest::newRow("unplaced itself: no margin") << QPointF(999, 999) << Path{{8, 47}} << QPointF(8000, 47000)
                                                    << 0.0;
        // The map does not wrap: both sides of the antimeridian take the world's width.
        QTest::newRow("across the antimeridian, a line point") << QPointF(179.9, 0) << Path{{179.9, 0}, {-179.9, 0}}
                                                               << QPointF(25, 0) << 179925.0;
    }

    void snapToLocality()
    {
        QFETCH(QPointF, own);
        QFETCH(Path, data);
        QFETCH(QPointF, centre);
        QFETCH(double, halfWidth);
        Locality locality(ProjectId(1), test::idOf(1));
        locality.setLongitude(own.x());
        locality.setLatitude(own.y());
        for (int i = 0; i < data.size(); ++i) {
            // Every other one a line point, which the box takes alike.
            if (i % 2 == 0)
                locality.addPlane(test::idOf(10 + i), data[i].y(), data[i].x(), 30.0f, 90.0f, 0, 1, QString());
            else
                locality.addPolyline(test::idOf(10 + i), 0, 0, 1.0f, 1.0f, QString())
                    ->addPoint(data[i].y(), data[i].x());
        }
        gestures.snapToLocality(locality);
        const MapCameraGestures::Snap& snap = gestures.snap();
        QCOMPARE(snap.mode, halfWidth >= 0.0 ? MapCameraGestures::SnapMode::Bounds
                                             : MapCameraGestures::SnapMode::Position);
        if (halfWidth >= 0.0) {
            QVERIFY(near(snap.bounds.center(), osg::Vec3d(centre.x(), centre.y(), 0.0), 1e-6));
            QVERIFY(std::abs(snap.bounds.xMax() - snap.bounds.center().x() - halfWidth) < 1e-6);
        } else {
            QCOMPARE(snap.position, own);
        }
        QVERIFY(test::cameraAtRest(camera()));
        QVERIFY(near(under({400, 300}), osg::Vec3d(centre.x(), centre.y(), 0.0), 1e-6 * camera().altitude()));
    }

    void resnapAfterANewFreeArea_data()
    {
        QTest::addColumn<QString>("snap");
        QTest::addColumn<bool>("resnaps");
        QTest::newRow("none") << "" << false;
        QTest::newRow("a position") << "position" << true;
        QTest::newRow("a box") << "box" << true;
        QTest::newRow("a position, then a drag") << "position drag" << false;
        QTest::newRow("a box, then a wheel step") << "box wheel" << false;
        QTest::newRow("a box, then a direct snap") << "box snap" << false;
        QTest::newRow("a position, then released") << "position release" << false;
    }

    void resnapAfterANewFreeArea()
    {
        QFETCH(QString, snap);
        QFETCH(bool, resnaps);
        const osg::Vec3d target(8000, 47000, 10);
        if (snap.startsWith("position")) {
            gestures.holdPosition(QPointF(8, 47));
        } else if (snap.startsWith("box")) {
            const osg::BoundingBoxd box(target - osg::Vec3d(500, 200, 0), target + osg::Vec3d(500, 200, 0));
            gestures.holdBounds(box);
        }
        if (snap.endsWith("drag")) {
            gestures.press({100, 100});
            gestures.move({150, 100});
        } else if (snap.endsWith("wheel")) {
            gestures.wheel({100, 100}, QPointF(0, 120));
        } else if (snap.endsWith(" snap")) {
            gestures.snapToPosition(QPointF(8.1, 47.1));
        } else if (snap.endsWith("release")) {
            gestures.releaseSnap();
        }
        QVERIFY(test::cameraAtRest(camera()));
        const MapCameraGestures::Snap before = gestures.snap();
        const int resets = surface.resets;
        const QRectF free(300, 0, 500, 600);
        gestures.setVisibleArea(free);
        QCOMPARE(camera().isAnimating(), resnaps);
        QCOMPARE(surface.resets, resets + (resnaps ? 1 : 0));
        QCOMPARE(gestures.snap().mode, before.mode);
        QVERIFY(test::cameraAtRest(camera()));
        if (resnaps)
            QVERIFY(near(under(free.center()), target, 1e-6 * camera().altitude()));
    }

    void keepInView_data()
    {
        QTest::addColumn<QString>("held"); // "snap": a position snap runs; "box": a box snap is held
        QTest::addColumn<QPointF>("at"); // where the point shows
        QTest::addColumn<QRectF>("extent"); // around it
        QTest::addColumn<QPointF>("rests"); // where the point shows once the camera rests; empty: anywhere
        // Free area right of a panel, less a margin of 10: 210 to 790 across, 10 to 590 down.
        const QRectF balloon(-50, -80, 100, 90);
        QTest::newRow("inside") << "" << QPointF(500, 300) << balloon << QPointF(500, 300);
        QTest::newRow("on the margin") << "" << QPointF(260, 90) << balloon << QPointF(260, 90);
        QTest::newRow("under the panel") << "" << QPointF(100, 300) << balloon << QPointF(260, 300);
        QTest::newRow("just under the panel") << "" << QPointF(259, 300) << balloon << QPointF(260, 300);
        QTest::newRow("above the top") << "" << QPointF(500, 50) << balloon << QPointF(500, 90);
        QTest::newRow("beyond the right and the bottom") << "" << QPointF(780, 590) << balloon << QPointF(740, 580);
        QTest::newRow("wider than the free area: centred") << "" << QPointF(300, 300) << QRectF(-400, -10, 800, 20)
                                                           << QPointF(500, 300);
        // Judged where the snap ends, which already shows it.
        QTest::newRow("while a snap runs") << "snap" << QPointF() << balloon << QPointF(500, 300);
        // A balloon wider than the box's margin at its corner: both show, zoomed out.
        QTest::newRow("a held box") << "box" << QPointF() << QRectF(-200, -80, 400, 90) << QPointF();
    }

    // The least pan that shows the extent in the free area; snaps and hits stay.
    void keepInView()
    {
        QFETCH(QString, held);
        QFETCH(QPointF, at);
        QFETCH(QRectF, extent);
        QFETCH(QPointF, rests);
        const QRectF free(200, 0, 600, 600);
        gestures.setVisibleArea(free);
        osg::Vec3d world(8000, 47000, 10);
        const osg::BoundingBoxd box(world - osg::Vec3d(0, 1000, 0), world + osg::Vec3d(1000, 0, 0));
        if (held == "snap")
            gestures.holdPosition(QPointF(8, 47));
        else if (held == "box")
            gestures.holdBounds(box);
        else
            world = under(at);
        const int resets = surface.resets;
        gestures.keepInView(world, extent, 10.0);
        QCOMPARE(camera().isAnimating(), held.isEmpty() ? at != rests : true);
        QCOMPARE(surface.resets, resets);
        const MapCameraGestures::SnapMode mode = held == "snap"  ? MapCameraGestures::SnapMode::Position
                                                 : held == "box" ? MapCameraGestures::SnapMode::Bounds
                                                                 : MapCameraGestures::SnapMode::None;
        QCOMPARE(gestures.snap().mode, mode);
        QVERIFY(test::cameraAtRest(camera()));
        if (!rests.isNull())
            QVERIFY(near(under(rests), world, 1e-6 * camera().altitude()));
        if (held != "box")
            return;
        // The box with its snap's margin and the balloon around the point, all in the area less its margin.
        const QRectF area = free.adjusted(9.9, 9.9, -9.9, -9.9);
        const double k = 2.0 * camera().altitude() * Tan30 / Window.height();
        const auto shown = [&](const osg::Vec3d& point) {
            return QPointF(Window.width() / 2 + (point.x() - camera().position().x()) / k,
                           Window.height() / 2 - (point.y() - camera().position().y()) / k);
        };
        QVERIFY(area.contains(shown(box.center() - osg::Vec3d(650, 650, 0))));
        QVERIFY(area.contains(shown(box.center() + osg::Vec3d(650, 650, 0))));
        QVERIFY(area.contains(extent.translated(shown(world))));
        QVERIFY(camera().altitude() > MapCameraGestures::boundsAltitude(box, free, camera().maximumAltitude()));
    }

    void shiftInto_data()
    {
        QTest::addColumn<QRectF>("rect");
        QTest::addColumn<QPointF>("shift");
        QTest::newRow("inside") << QRectF(10, 10, 20, 20) << QPointF(0, 0);
        QTest::newRow("the same") << QRectF(0, 0, 100, 50) << QPointF(0, 0);
        QTest::newRow("left and above") << QRectF(-5, -1, 20, 20) << QPointF(5, 1);
        QTest::newRow("right and below") << QRectF(90, 40, 20, 20) << QPointF(-10, -10);
        QTest::newRow("wider: centred") << QRectF(0, 10, 120, 10) << QPointF(-10, 0);
        QTest::newRow("taller: centred") << QRectF(10, 30, 10, 60) << QPointF(0, -35);
    }

    void shiftInto()
    {
        QFETCH(QRectF, rect);
        QFETCH(QPointF, shift);
        QCOMPARE(MapCameraGestures::shiftInto(rect, QRectF(0, 0, 100, 50)), shift);
    }

    void snapToWorld_data()
    {
        QTest::addColumn<Path>("candidates");
        QTest::addColumn<QPointF>("lands"); // map units
        QTest::newRow("the first") << Path{{10, 20}, {30, 40}} << QPointF(10000, 20000);
        QTest::newRow("the first placeable") << Path{{0, 89}, {30, 40}} << QPointF(30000, 40000);
        QTest::newRow("none placeable: the origin") << Path{{999, 999}} << QPointF(0, 0);
        QTest::newRow("no candidate: the origin") << Path() << QPointF(0, 0);
    }

    void snapToWorld()
    {
        QFETCH(Path, candidates);
        QFETCH(QPointF, lands);
        gestures.snapToPosition(QPointF(8, 47));
        gestures.snap().mode = MapCameraGestures::SnapMode::Position;
        gestures.snapToWorld(std::vector<QPointF>(candidates.begin(), candidates.end()));
        QVERIFY(!camera().isAnimating());
        QCOMPARE(camera().position(), osg::Vec3d(lands.x(), lands.y(), 0.0));
        QCOMPARE(camera().altitude(), camera().maximumAltitude());
        QCOMPARE(gestures.snap().mode, MapCameraGestures::SnapMode::None);
        QCOMPARE(surface.resets, 2);
    }

    // Before the scene is loaded only the pointer state is kept.
    void unattached()
    {
        MapCameraGestures loose;
        loose.press({100, 100});
        loose.move({100 + quarter(), 100});
        QVERIFY(!loose.releasePicks(false));
        loose.wheel({100, 100}, QPointF(0, 120));
        loose.pinchStart({100, 100});
        loose.pinchUpdate({100, 100}, 2.0f);
        loose.pinchEnd();
        loose.doubleTap({100, 100}, 0);
        loose.snapToPosition(QPointF(8, 47));
        loose.snapToBounds(osg::BoundingBoxd(0, 0, 0, 1, 1, 0));
        loose.snapToWorld({QPointF(8, 47)});
        loose.snap().mode = MapCameraGestures::SnapMode::Position;
        loose.setVisibleArea(QRectF(0, 0, 100, 100));
        QCOMPARE(loose.snap().mode, MapCameraGestures::SnapMode::Position);
    }
};

QTEST_MAIN(TestMapCameraGestures)
#include "tst_mapcameragestures.moc"
