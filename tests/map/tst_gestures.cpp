#include "app/MainView.h"
#include "map/GLRender.h"
#include "map/MapCameraManipulator.h"
#include "map/MapViewController.h"
#include "map/ScaleBar.h"
#include "model/Data.h"
#include "model/Locality.h"
#include "model/Project.h"
#include "support/CameraAtRest.h"
#include "support/ProjectFixture.h"
#include "support/ScriptedLocationManager.h"

#include "tools/ViewTool.h"

#include <QtTest>

#include <cmath>

using namespace kiv;

using Path = QList<QPointF>;
Q_DECLARE_METATYPE(Path)

class TestGestures : public QObject
{
    Q_OBJECT

    std::unique_ptr<test::ProjectFixture> fixture;
    std::unique_ptr<MainView> view;
    std::unique_ptr<MapViewController> controller;

    static test::DocumentsApplication* app()
    {
        return static_cast<test::DocumentsApplication*>(ApplicationManager::instance());
    }
    MapCameraManipulator& camera() { return controller->scene()->cameraManipulator(); }

    // No frame is ever drawn: the controller's conversions must not need one.
    void makeController(const QSize& window)
    {
        controller.reset();
        view = std::make_unique<MainView>();
        view->resize(window);
        app()->setMainView(view.get());
        controller = std::make_unique<MapViewController>();
        controller->viewDidLoad();
        controller->setVisibleArea(QRectF(QPointF(0, 0), window));
        camera().setPosition(osg::Vec3d(0.0, 0.0, 0.0));
        camera().setAltitude(1000.0);
    }

    osg::Vec3d under(const QPointF& pos)
    {
        const auto seen = camera().cameraAt(camera().position(), camera().altitude());
        return controller->scene()->unproject(pos.x(), pos.y(), seen.get());
    }

    osg::Vec3d toMap(double longitude, double latitude)
    {
        double x = 0.0, y = 0.0;
        controller->scene()->geographicSRS()->transform2D(longitude, latitude, controller->scene()->mapSRS(), x, y);
        return osg::Vec3d(x, y, 0.0);
    }

    static bool near(const osg::Vec3d& a, const osg::Vec3d& b, double tolerance)
    {
        return std::abs(a.x() - b.x()) <= tolerance && std::abs(a.y() - b.y()) <= tolerance;
    }

    void fillPickList(int rows)
    {
        PickListModel* model = controller->pickListModel();
        model->beginResetModel();
        model->clearItems();
        for (int row = 0; row < rows; ++row)
            model->append(PickedItem());
        model->sortAndEndReset();
    }


private slots:
    void init()
    {
        fixture = std::make_unique<test::ProjectFixture>();
        QVERIFY(fixture->isValid());
        app()->countOnlineCalls = true;
        makeController(QSize(800, 600));
    }

    void cleanup()
    {
        controller.reset();
        app()->setMainView(nullptr);
        view.reset();
        fixture.reset();
    }

    void attributionFromTheOnlineTilesGroup_data()
    {
        QTest::addColumn<QStringList>("stored"); // attribution, attributionUrl, improveUrl
        QTest::addColumn<QStringList>("shown");
        QTest::newRow("nothing configured") << QStringList() << QStringList{"", "", ""};
        QTest::newRow("web pages") << QStringList{"\u00a9 Tiles", "https://127.0.0.1/about", "http://127.0.0.1/fix"}
                                   << QStringList{"\u00a9 Tiles", "https://127.0.0.1/about", "http://127.0.0.1/fix"};
        // Only a web page is opened from a link.
        QTest::newRow("other schemes") << QStringList{"Tiles", "file:///etc/passwd", "javascript:alert(1)"}
                                       << QStringList{"Tiles", "", ""};
        // A host is not enough: a share's file or an ftp download is no web page.
        QTest::newRow("file with a host, ftp") << QStringList{"Tiles", "file://server/share/setup.exe",
                                                              "ftp://127.0.0.1/setup.exe"}
                                               << QStringList{"Tiles", "", ""};
    }

    // As the README says: the group "OnlineTiles", not the QML settings group.
    void attributionFromTheOnlineTilesGroup()
    {
        QFETCH(QStringList, stored);
        QFETCH(QStringList, shown);
        QSettings settings;
        settings.remove(QStringLiteral("OnlineTiles"));
        const QStringList keys{"attribution", "attributionUrl", "improveUrl"};
        for (int i = 0; i < stored.size(); ++i)
            settings.setValue("OnlineTiles/" + keys.at(i), stored.at(i));
        settings.sync();
        makeController(QSize(800, 600));
        settings.remove(QStringLiteral("OnlineTiles"));
        QCOMPARE(controller->attributionText(), shown.at(0));
        QCOMPARE(controller->attributionUrl(), shown.at(1));
        QCOMPARE(controller->improveUrl(), shown.at(2));
    }

    void shortDragsPick_data()
    {
        QTest::addColumn<Path>("path");
        QTest::addColumn<bool>("longPress");
        QTest::addColumn<bool>("picks");
        QTest::newRow("tap") << Path() << false << true;
        QTest::newRow("10 px") << Path{{106, 108}} << false << true;
        QTest::newRow("11 px, a quarter symbol") << Path{{111, 100}} << false << false;
        QTest::newRow("12 px") << Path{{112, 100}} << false << false;
        QTest::newRow("there and back, 12 px") << Path{{106, 100}, {100, 100}} << false << false;
        QTest::newRow("long press") << Path() << true << false;
    }

    // Whether the release picks; the hit itself is the picking's own test.
    void shortDragsPick()
    {
        QFETCH(Path, path);
        QFETCH(bool, longPress);
        QFETCH(bool, picks);
        controller->mousePressed(100, 100, Qt::LeftButton);
        for (const QPointF& point : path)
            controller->mouseMoved(point.x(), point.y(), Qt::LeftButton);
        QCOMPARE(controller->releasePicks(longPress), picks);
        controller->mouseReleased(path.isEmpty() ? 100 : path.last().x(), 100, Qt::LeftButton, longPress);
    }

    void dragKeepsTheGroundUnderThePointer_data()
    {
        QTest::addColumn<bool>("throughViewTool");
        QTest::newRow("controller") << false;
        QTest::newRow("view tool") << true;
    }

    void dragKeepsTheGroundUnderThePointer()
    {
        QFETCH(bool, throughViewTool);
        ViewTool tool;
        tool.setMapView(controller.get());
        const auto press = [&](double x, double y) {
            return throughViewTool ? tool.mousePressed(x, y, Qt::LeftButton)
                                   : (controller->mousePressed(x, y, Qt::LeftButton), true);
        };
        const auto move = [&](double x, double y, Qt::MouseButtons buttons) {
            return throughViewTool ? tool.mouseMoved(x, y, buttons) : (controller->mouseMoved(x, y, buttons), true);
        };
        const osg::Vec3d grabbed = under({400, 300});
        controller->setSelectedPickedItem(1);
        QVERIFY(press(400, 300));
        QVERIFY(move(430, 320, Qt::LeftButton));
        QVERIFY(move(450, 280, Qt::LeftButton));
        QVERIFY(near(under({450, 280}), grabbed, 1e-6));
        QCOMPARE(controller->selectedPickedItem(), -1);
        if (throughViewTool)
            QVERIFY(tool.mouseReleased(450, 280, Qt::LeftButton, false));
        else
            controller->mouseReleased(450, 280, Qt::LeftButton, false);
        const osg::Vec3d position = camera().position();
        QVERIFY(move(500, 500, Qt::NoButton));
        QCOMPARE(camera().position(), position);
    }

    void wheelSteps_data()
    {
        QTest::addColumn<double>("start"); // 0: the maximum
        QTest::addColumn<Path>("deltas");
        QTest::addColumn<double>("target"); // 0: the maximum
        QTest::newRow("three in") << 1000.0 << Path{{0, 120}, {0, 120}, {0, 120}} << 512.0;
        QTest::newRow("horizontal only: out") << 1000.0 << Path{{120, 0}} << 1250.0;
        QTest::newRow("out at the maximum") << 0.0 << Path{{0, -120}} << 0.0;
        QTest::newRow("in at 10, then out") << 10.0 << Path{{0, 120}, {0, -120}} << 12.5;
    }

    void wheelSteps()
    {
        QFETCH(double, start);
        QFETCH(Path, deltas);
        QFETCH(double, target);
        camera().setAltitude(start > 0.0 ? start : camera().maximumAltitude());
        controller->setSelectedPickedItem(0);
        for (const QPointF& delta : deltas)
            controller->mouseWheelSpun(400, 300, delta, QPointF());
        QCOMPARE(camera().targetAltitude(), target > 0.0 ? target : camera().maximumAltitude());
        QCOMPARE(controller->selectedPickedItem(), -1);
    }

    void wheelZoomsAboutThePointer_data()
    {
        QTest::addColumn<QPointF>("delta");
        QTest::newRow("in") << QPointF(0, 120);
        QTest::newRow("out") << QPointF(0, -120);
    }

    void wheelZoomsAboutThePointer()
    {
        QFETCH(QPointF, delta);
        const QPointF pointer(620, 130);
        const osg::Vec3d before = under(pointer);
        controller->mouseWheelSpun(pointer.x(), pointer.y(), delta, QPointF());
        QVERIFY(test::cameraAtRest(camera()));
        QVERIFY(camera().altitude() != 1000.0);
        QVERIFY(near(under(pointer), before, 1e-6 * camera().altitude()));
    }

    void pinchKeepsTheStartPointUnderTheCentre()
    {
        const osg::Vec3d start = under({300, 200});
        controller->pinchStarted({300, 200});
        controller->pinchUpdated({350, 260}, 2.0f);
        QCOMPARE(camera().altitude(), 500.0);
        QVERIFY(near(under({350, 260}), start, 1e-6 * 500.0));
        controller->pinchUpdated({350, 260}, 0.0f);
        QCOMPARE(camera().altitude(), 500.0);
        controller->pinchEnded();
    }

    void doubleTapZoomsUnlessItChooses_data()
    {
        QTest::addColumn<int>("rows");
        QTest::addColumn<bool>("zooms");
        QTest::newRow("no row") << 0 << true;
        QTest::newRow("one row") << 1 << true;
        QTest::newRow("two rows") << 2 << false;
    }

    void doubleTapZoomsUnlessItChooses()
    {
        QFETCH(int, rows);
        QFETCH(bool, zooms);
        fillPickList(rows);
        const osg::Vec3d tapped = under({600, 450});
        const osg::Vec3d position = camera().position();
        controller->mouseDoubleClicked(600, 450, Qt::LeftButton);
        QCOMPARE(camera().isAnimating(), zooms);
        QVERIFY(test::cameraAtRest(camera()));
        QCOMPARE(camera().altitude(), zooms ? 500.0 : 1000.0);
        QVERIFY(near(under({400, 300}), zooms ? tapped : position, 1e-6));
    }

    void newFreeAreaResnapsUntilAGesture_data()
    {
        QTest::addColumn<QString>("gesture");
        QTest::addColumn<bool>("resnaps");
        QTest::newRow("none") << "" << true;
        QTest::newRow("none, a datum selected") << "datum" << true;
        QTest::newRow("drag") << "drag" << false;
        QTest::newRow("wheel") << "wheel" << false;
        QTest::newRow("pinch") << "pinch" << false;
        QTest::newRow("double tap") << "double tap" << false;
        QTest::newRow("direct snap") << "snap" << false;
    }

    void newFreeAreaResnapsUntilAGesture()
    {
        QFETCH(QString, gesture);
        QFETCH(bool, resnaps);
        fixture->locality->setLongitude(8.0);
        fixture->locality->setLatitude(47.0);
        const osg::Vec3d locality = toMap(8.0, 47.0);
        if (gesture == "datum") // snaps to the datum's position, not to a box
            controller->setSelectedItemId(QString::fromStdString(
                fixture->locality->addPlane(test::idOf(0x51), 47.0, 8.0, 30.0f, 90.0f, 0, 1, QString())->id()));
        else
            controller->snapToLocality(fixture->locality.get());
        QVERIFY(test::cameraAtRest(camera()));
        QVERIFY(near(under({400, 300}), locality, 1e-3));
        if (gesture == "drag") {
            controller->mousePressed(100, 100, Qt::LeftButton);
            controller->mouseMoved(150, 100, Qt::LeftButton);
        } else if (gesture == "wheel") {
            controller->mouseWheelSpun(100, 100, QPointF(0, 120), QPointF());
        } else if (gesture == "pinch") {
            controller->pinchStarted({100, 100});
            controller->pinchUpdated({100, 100}, 1.5f);
        } else if (gesture == "double tap") {
            controller->mouseDoubleClicked(100, 100, Qt::LeftButton);
        } else if (gesture == "snap") {
            controller->snapToPosition(QPointF(8.001, 47.001));
        }
        QVERIFY(test::cameraAtRest(camera()));
        controller->setVisibleArea(QRectF(300, 0, 500, 600));
        QCOMPARE(camera().isAnimating(), resnaps);
        QVERIFY(test::cameraAtRest(camera()));
        QCOMPARE(near(under({550, 300}), locality, 1e-3), resnaps);
        if (!resnaps)
            return;
        // The panel closes again: the same target, back in the middle.
        controller->setVisibleArea(QRectF(0, 0, 800, 600));
        QVERIFY(test::cameraAtRest(camera()));
        QVERIFY(near(under({400, 300}), locality, 1e-3));
    }

    void boundsFitTheFreeArea()
    {
        makeController(QSize(1280, 600));
        const QRectF free(200, 0, 1080, 600);
        controller->setVisibleArea(free);
        const osg::BoundingBoxd box(1.0e6 - 4000.0, 1.0e6 - 1000.0, 10.0, 1.0e6 + 4000.0, 1.0e6 + 1000.0, 10.0);
        controller->snapToBounds(box);
        QVERIFY(test::cameraAtRest(camera()));
        const osg::Vec3d lower = under(free.bottomLeft());
        const osg::Vec3d upper = under(free.topRight());
        QVERIFY2(lower.x() <= box.xMin() && upper.x() >= box.xMax(), qPrintable(QString::number(upper.x())));
        QVERIFY(lower.y() <= box.yMin() && upper.y() >= box.yMax());
        QVERIFY(near(under(free.center()), box.center(), 1e-3));
    }

    void worldSnapWithoutAFix_data()
    {
        QTest::addColumn<QPointF>("fix");
        QTest::addColumn<QPointF>("stored"); // (latitude, longitude) of the project
        QTest::addColumn<QPointF>("lands");  // (longitude, latitude)
        const QPointF none(Project::NoCoordinate, Project::NoCoordinate);
        QTest::newRow("stored last position") << none << QPointF(10, 0) << QPointF(0, 10);
        QTest::newRow("nothing stored") << none << none << QPointF(0, 0);
        QTest::newRow("a fix first") << QPointF(0, -20) << QPointF(10, 0) << QPointF(0, -20);
    }

    void worldSnapWithoutAFix()
    {
        QFETCH(QPointF, fix);
        QFETCH(QPointF, stored);
        QFETCH(QPointF, lands);
        test::ScriptedLocationManager location;
        location.setLastKnownCoordinate(fix);
        app()->setSensors(&location, nullptr);
        fixture->project->setLastLatitude(stored.x());
        fixture->project->setLastLongitude(stored.y());
        controller->snapToWorld();
        app()->setSensors(nullptr, nullptr);
        const osg::Vec3d position = camera().position();
        QVERIFY(std::isfinite(position.x()) && std::isfinite(position.y()));
        QVERIFY(near(position, toMap(lands.x(), lands.y()), 1e-6));
        QCOMPARE(camera().altitude(), camera().maximumAltitude());
    }

    void scaleBarRule_data()
    {
        QTest::addColumn<double>("metres");
        QTest::addColumn<bool>("imperial");
        QTest::addColumn<QString>("legend");
        QTest::addColumn<double>("width");
        QTest::newRow("1500 m") << 1500.0 << false << "1km" << 80.0;
        QTest::newRow("1000 m stays metres") << 1000.0 << false << "500m" << 60.0;
        QTest::newRow("999 m") << 999.0 << false << "500m" << 500.0 * 120.0 / 999.0;
        QTest::newRow("2 m") << 2.0 << false << "1m" << 60.0;
        QTest::newRow("2500 km") << 2.5e6 << false << "2000km" << 96.0;
        QTest::newRow("2000 m imperial") << 2000.0 << true << "1mi" << 120.0 / (2000.0 * 3.2808399 / 5280.0);
        QTest::newRow("1000 m imperial") << 1000.0 << true << "3000ft" << 3000.0 * 120.0 / 3280.8399;
    }

    void scaleBarRule()
    {
        QFETCH(double, metres);
        QFETCH(bool, imperial);
        QFETCH(QString, legend);
        QFETCH(double, width);
        const ScaleBar bar = ScaleBar::measure(metres, 120.0, imperial);
        QCOMPARE(bar.legend, legend);
        QCOMPARE(bar.width, width);
    }

    void scaleBarFollowsTheCamera()
    {
        controller->setScaleBarLeft(680);
        controller->setScaleBarRight(800);
        controller->setScaleBarY(300);
        QSignalSpy legends(controller.get(), &MapViewController::scaleLegendChanged);
        QSignalSpy widths(controller.get(), &MapViewController::scaleWidthChanged);
        // 120 px of a 600 px high view from 1000 m: 230.9 m at the equator.
        camera().setAltitude(1000.0);
        const double metres = 120.0 * 2.0 * 1000.0 * std::tan(M_PI / 6.0) / 600.0;
        QCOMPARE(legends.count(), 1);
        QCOMPARE(widths.count(), 1);
        QCOMPARE(controller->scaleLegend(), QStringLiteral("200m"));
        QVERIFY(std::abs(controller->scaleWidth() - 200.0 * 120.0 / metres) < 1e-3);
        app()->setUnitType(ApplicationManager::Imperial);
        QCOMPARE(controller->scaleLegend(), QStringLiteral("500ft"));
        app()->setUnitType(ApplicationManager::Metric);
        controller->setScaleBarRight(680);
        legends.clear();
        widths.clear();
        camera().setAltitude(2000.0);
        QCOMPARE(legends.count(), 0);
        QCOMPARE(widths.count(), 0);
        QCOMPARE(controller->scaleLegend(), QStringLiteral("200m"));
    }
};

QTEST_MAIN(TestGestures)
#include "tst_gestures.moc"
