#include "Database/CommandManager.h"
#include "Database/Quarzel.pb.h"
#include "app/MainView.h"
#include "map/GLRender.h"
#include "map/MapViewController.h"
#include "model/AddLineCommand.h"
#include "model/LineData2D.h"
#include "model/Locality.h"
#include "model/ModelManager.h"
#include "model/Project.h"
#include "model/StratColumnModel.h"
#include "tools/LineTool.h"
#include "support/ProjectFixture.h"
#include "support/ToastApplication.h"

#include <QtTest>

#include <map>
#include <set>

using namespace kiv;

namespace {

constexpr int Width = 800;
constexpr int Height = 600;
constexpr int Granite = 1;
constexpr int Shale = 2;

// Screen positions of the stored lines' vertices in the test's camera.
const std::map<QString, QPointF> Places = {
    {"a0", {100, 300}}, {"a1", {200, 250}}, {"a2", {300, 300}}, {"b0", {500, 300}}, {"b1", {600, 250}},
    {"nearA0", {108, 300}}, {"far", {400, 500}}, {"far2", {700, 500}}, {"up", {200, 100}}, {"up2", {400, 150}}, {"low", {550, 450}}};

} // namespace

class TestLineTool : public QObject
{
    Q_OBJECT

    std::unique_ptr<test::ProjectFixture> fixture;
    std::unique_ptr<MainView> view;
    std::unique_ptr<MapViewController> controller;
    std::unique_ptr<LineTool> tool;
    std::shared_ptr<DialogController> dialogs;

    static test::DocumentsApplication* app()
    {
        return static_cast<test::DocumentsApplication*>(ApplicationManager::instance());
    }
    GLRender* scene() const { return controller->scene(); }

    void newController(bool withWindow)
    {
        tool.reset();
        controller.reset();
        app()->setMainView(withWindow ? view.get() : nullptr);
        controller = std::make_unique<MapViewController>();
        controller->setSize(QSizeF(Width, Height));
        controller->viewDidLoad();
        lookAt(20000.0);
        tool = std::make_unique<LineTool>();
        tool->setMapView(controller.get());
        tool->setActive(true);
    }

    void lookAt(double altitude)
    {
        double x = 0.0, y = 0.0;
        scene()->geographicSRS()->transform2D(7.0, 46.0, scene()->mapSRS(), x, y);
        scene()->cameraManipulator().setPosition(osg::Vec3d(x, y, 0.0));
        scene()->cameraManipulator().setAltitude(altitude);
        scene()->updateCamera();
    }

    LineData2D::Point geoOf(const QPointF& p) const
    {
        double lon = 0.0, lat = 0.0;
        scene()->screenToGeo(p.x(), p.y(), lon, lat);
        return {lat, lon};
    }

    // A stored line through the named places, as the program would store it.
    std::shared_ptr<LineData2D> storeLine(int n, const QStringList& places, int unit = Granite, bool filled = false)
    {
        auto line = LineData2D::create(test::idOf(n), fixture->locality->id(), unit, LineData2D::Solid, filled, "c");
        line->setThickness(3.0f);
        line->setOpacity(0.5f);
        for (const QString& place : places) {
            const auto [lat, lon] = geoOf(Places.at(place));
            line->addPoint(lat, lon);
        }
        auto command = std::make_shared<AddLineCommand>(false);
        command->setLinePointer(line);
        CommandManager::instance()->execute(command);
        CommandManager::instance()->clearStacks();
        return line;
    }

    std::map<std::string, std::shared_ptr<LineData2D>> rows() const
    {
        std::map<std::string, std::shared_ptr<LineData2D>> lines;
        for (const std::string& message : fixture->messages("linedata")) {
            QZProtoBuffers::LineData2D record;
            record.ParseFromString(message);
            auto line = LineData2D::fromProto(record);
            lines[line->id()] = line;
        }
        return lines;
    }

    // Whether a line runs through exactly these geographic points (stored
    // points are float offsets: a metre or so off).
    static bool runsThrough(const LineData2D& line, const std::vector<LineData2D::Point>& points)
    {
        if (line.pointCount() != int(points.size()))
            return false;
        for (int i = 0; i < line.pointCount(); ++i) {
            if (std::abs(line.latitudeAt(i) - points[size_t(i)].first) > 1e-5
                || std::abs(line.longitudeAt(i) - points[size_t(i)].second) > 1e-5)
                return false;
        }
        return true;
    }

    std::vector<LineData2D::Point> geoPath(const QStringList& labels, const std::map<QString, QPointF>& drawn) const
    {
        std::vector<LineData2D::Point> path;
        for (const QString& label : labels)
            path.push_back(geoOf(drawn.count(label) ? drawn.at(label) : Places.at(label)));
        return path;
    }

    void stroke(const QList<QPointF>& points, Qt::MouseButtons button = Qt::LeftButton)
    {
        tool->mousePressed(points.first().x(), points.first().y(), button);
        for (const QPointF& p : points)
            tool->mouseMoved(p.x(), p.y(), button);
        tool->mouseReleased(points.last().x(), points.last().y(), button, false);
    }

    QStringList toastTexts() const
    {
        QStringList texts;
        for (const auto& toast : dialogs->toasts())
            texts << QStringLiteral("%1 %2").arg(toast.message).arg(toast.duration);
        return texts;
    }

private slots:
    void init()
    {
        fixture = std::make_unique<test::ProjectFixture>();
        QVERIFY(fixture->isValid());
        dialogs = app()->installDialogController();
        fixture->project->addRockUnit(Granite, "Granite", QColor("#c03020"), 0);
        fixture->project->addRockUnit(Shale, "Shale", QColor("#2040c0"), 0);
        ModelManager::instance()->setCurrentRockUnit(Granite);
        view = std::make_unique<MainView>();
        view->resize(Width, Height);
        newController(true);
    }

    void cleanup()
    {
        tool.reset();
        controller.reset();
        app()->setMainView(nullptr);
        view.reset();
        dialogs.reset();
        fixture.reset();
    }

    void settingsAreClamped_data()
    {
        QTest::addColumn<QVariant>("opacity");
        QTest::addColumn<QVariant>("thickness");
        QTest::addColumn<QVariant>("style");
        QTest::addColumn<double>("wantOpacity");
        QTest::addColumn<double>("wantThickness");
        QTest::addColumn<int>("wantStyle");
        QTest::newRow("below range") << QVariant(0.05) << QVariant(50) << QVariant(7) << 0.2 << 30.0
                                     << int(Qt::SolidLine);
        QTest::newRow("at the bounds") << QVariant(0.2) << QVariant(1.0) << QVariant(3) << 0.2 << 1.0
                                       << int(Qt::DotLine);
        QTest::newRow("above range") << QVariant(1.5) << QVariant(0.5) << QVariant(2) << 1.0 << 1.0
                                     << int(Qt::DashLine);
        QTest::newRow("not numbers") << QVariant("x") << QVariant("y") << QVariant("z") << 1.0 << 2.0
                                     << int(Qt::SolidLine);
    }

    void settingsAreClamped()
    {
        QFETCH(QVariant, opacity);
        QFETCH(QVariant, thickness);
        QFETCH(QVariant, style);
        QSettings settings;
        settings.setValue("LineTool/Opacity", opacity);
        settings.setValue("LineTool/Thickness", thickness);
        settings.setValue("LineTool/Style", style);
        LineTool fresh;
        QTEST(fresh.opacity(), "wantOpacity");
        QTEST(fresh.lineThickness(), "wantThickness");
        QTEST(int(fresh.lineStyle()), "wantStyle");
    }

    void styleIsCodedAndSettingsWritten_data()
    {
        QTest::addColumn<int>("style");
        QTest::addColumn<int>("stored");
        QTest::newRow("dotted") << int(Qt::DotLine) << 1;
        QTest::newRow("dashed") << int(Qt::DashLine) << 2;
        QTest::newRow("solid") << int(Qt::SolidLine) << 0;
    }

    void styleIsCodedAndSettingsWritten()
    {
        QFETCH(int, style);
        QFETCH(int, stored);
        tool->setLineStyle(Qt::PenStyle(style));
        tool->setLineThickness(7.0);
        tool->setOpacity(0.6);
        stroke({{100, 100}, {150, 120}, {200, 100}});
        const auto lines = rows();
        QCOMPARE(lines.size(), size_t(1));
        const LineData2D& line = *lines.begin()->second;
        QCOMPARE(line.lineStyle(), stored);
        QCOMPARE(line.thickness(), 7.0f);
        QCOMPARE(line.opacity(), 0.6f);
        QCOMPARE(line.localityId(), fixture->locality->id());
        QCOMPARE(test::storedSetting("LineTool/Style").toInt(), style);
        QCOMPARE(test::storedSetting("LineTool/Thickness").toDouble(), 7.0);
        QCOMPARE(test::storedSetting("LineTool/Opacity").toDouble(), 0.6);
    }

    void freeHandTapDrawsNothing()
    {
        QVERIFY(tool->mousePressed(100, 100, Qt::LeftButton));
        QVERIFY(!tool->mouseReleased(100, 100, Qt::LeftButton, false));
        QVERIFY(rows().empty());
        QVERIFY(dialogs->toasts().isEmpty());
        ModelManager::instance()->setCurrentRockUnit(-1);
        QVERIFY(tool->mousePressed(100, 100, Qt::LeftButton));
        QVERIFY(tool->mouseMoved(150, 100, Qt::LeftButton));
        QVERIFY(tool->mouseReleased(150, 100, Qt::LeftButton, false));
        QCOMPARE(toastTexts(), QStringList{"Please add a Rock Unit before drawing 2000"});
        QVERIFY(rows().empty());
    }

    void strokeNeedsThreePoints_data()
    {
        QTest::addColumn<int>("points");
        QTest::addColumn<bool>("editing"); // the strat column is mid-edit
        QTest::addColumn<bool>("saved");
        QTest::newRow("2 points") << 2 << false << false;
        QTest::newRow("3 points") << 3 << false << true;
        QTest::newRow("3 points, strat column editing") << 3 << true << false;
    }

    void strokeNeedsThreePoints()
    {
        QFETCH(int, points);
        QFETCH(bool, editing);
        StratColumnModel* column = fixture->project->stratColumnModel();
        if (editing)
            column->startEdit();
        QList<QPointF> path;
        for (int i = 0; i < points; ++i)
            path << QPointF(100 + 50 * i, 400);
        stroke(path);
        QTEST(!rows().empty(), "saved");
        if (!editing)
            return;
        QCOMPARE(toastTexts(), QStringList{"Tap Done in the strat column to draw 2000"});
        // Points placed before the edit wait for its end, kept.
        column->cancelEdit();
        tool->setPenMode(LineTool::PointToPoint);
        for (const QPointF& at : path) {
            const auto [lat, lon] = geoOf(at);
            tool->addPickedPoint(at, QPointF(lon, lat));
        }
        column->startEdit();
        const auto [lat, lon] = geoOf(path.last());
        tool->savePickedPoints(path.last(), QPointF(lon, lat));
        QVERIFY(rows().empty());
        QCOMPARE(tool->numPoints(), points);
        column->cancelEdit();
        tool->savePickedPoints(path.last(), QPointF(lon, lat));
        QCOMPARE(rows().size(), size_t(1));
        QCOMPARE(rows().begin()->second->unitId(), Granite);
    }

    void freeHandStrokeIsOneUndoableLine()
    {
        QList<QPointF> points;
        for (int i = 0; i < 20; ++i)
            points << QPointF(100 + 20 * i, 300 + ((i % 2) ? 30 : -30));
        stroke(points);
        const auto lines = rows();
        QCOMPARE(lines.size(), size_t(1));
        const LineData2D& line = *lines.begin()->second;
        QCOMPARE(line.unitId(), Granite);
        const auto [lat0, lon0] = geoOf(points.first());
        const auto [lat1, lon1] = geoOf(points.last());
        QVERIFY(std::abs(line.latitudeAt(0) - lat0) < 1e-5 && std::abs(line.longitudeAt(0) - lon0) < 1e-5);
        const int last = line.pointCount() - 1;
        QVERIFY(std::abs(line.latitudeAt(last) - lat1) < 1e-5 && std::abs(line.longitudeAt(last) - lon1) < 1e-5);
        QVERIFY(app()->canUndo());
        CommandManager::instance()->undo();
        QVERIFY(rows().empty());
        QCOMPARE(tool->dragState(), LineTool::DragState::Idle);
        QVERIFY(!tool->pickedLine());
    }

    void activationEmptiesTheUndoHistory()
    {
        stroke({{100, 100}, {150, 120}, {200, 100}});
        QVERIFY(app()->canUndo());
        tool->setActive(false);
        tool->setActive(true);
        QVERIFY(!app()->canUndo());
    }

    void pointToPoint()
    {
        tool->setPenMode(LineTool::PointToPoint);
        QCOMPARE(tool->dragState(), LineTool::DragState::ReticuleIdle);
        QVERIFY(!tool->mousePressed(100, 100, Qt::LeftButton));
        const QPointF at(400, 300);
        const auto [lat, lon] = geoOf(at);
        tool->addPickedPoint(at, QPointF(lon, lat));
        QCOMPARE(tool->x(1), 400.0);
        QCOMPARE(tool->x(2), 0.0);
        QCOMPARE(tool->numPoints(), 1);
        QSignalSpy counted(tool.get(), &LineTool::numPointsChanged);
        tool->savePickedPoints(at, QPointF(lon, lat));
        QVERIFY(rows().empty());
        QCOMPARE(tool->numPoints(), 0);
        QCOMPARE(counted.last().first().toInt(), 0);

        tool->addPickedPoint(at, QPointF(lon, lat));
        tool->trackPickedPoint(QPointF(500, 300), QPointF(lon + 0.01, lat));
        QCOMPARE(tool->numPoints(), 2);
        tool->setPenMode(LineTool::VirtualStylus);
        QCOMPARE(tool->numPoints(), 0);
        QVERIFY(!tool->pickedLine());
    }

    void vertexMenu_data()
    {
        QTest::addColumn<QStringList>("line");
        QTest::addColumn<bool>("filled");
        QTest::addColumn<QString>("vertex");
        QTest::addColumn<int>("menus");
        QTest::addColumn<bool>("split");
        QTest::newRow("2-point line") << QStringList{"a0", "a1"} << false << "a0" << 0 << false;
        QTest::newRow("end vertex") << QStringList{"a0", "a1", "a2", "b0"} << false << "a0" << 1 << false;
        QTest::newRow("inner vertex") << QStringList{"a0", "a1", "a2", "b0"} << false << "a1" << 1 << true;
        QTest::newRow("last inner vertex") << QStringList{"a0", "a1", "a2", "b0"} << false << "a2" << 1 << true;
        QTest::newRow("filled") << QStringList{"a0", "a1", "a2", "b0"} << true << "a1" << 1 << false;
        // A stroke's first two points often lie within one reach.
        QTest::newRow("inner vertex beside the end") << QStringList{"a0", "nearA0", "a1", "a2"} << false << "nearA0"
                                                     << 1 << true;
        // The held end, with the next vertex still in reach after it: the nearest wins.
        QTest::newRow("end vertex, the next in reach") << QStringList{"a0", "nearA0", "a1", "a2"} << false << "a0"
                                                       << 1 << false;
    }

    void vertexMenu()
    {
        QFETCH(QStringList, line);
        QFETCH(bool, filled);
        QFETCH(QString, vertex);
        storeLine(0x51, line, Granite, filled);
        controller->setSelectedItemId(QString::fromStdString(test::idOf(0x51)));
        tool->setEditModeEnabled(true);
        QSignalSpy menus(tool.get(), &LineTool::showDeleteLinePoint);
        const QPointF at = Places.at(vertex);
        QVERIFY(tool->mousePressed(at.x() + 2, at.y(), Qt::LeftButton));
        QCOMPARE(tool->dragState(), LineTool::DragState::VertexPressed);
        tool->mousePressAndHold(at.x() + 2, at.y(), Qt::LeftButton);
        QTEST(menus.count(), "menus");
        if (!menus.isEmpty()) {
            QTEST(menus.first().at(4).toBool(), "split");
            QCOMPARE(menus.first().at(3).toInt(), line.indexOf(vertex));
            QCOMPARE(menus.first().at(2).toString(), QString::fromStdString(test::idOf(0x51)));
        }
        QVERIFY(tool->mouseReleased(at.x() + 2, at.y(), Qt::LeftButton, true));
        QCOMPARE(tool->dragState(), LineTool::DragState::Idle);
    }

    void vertexDrag_data()
    {
        QTest::addColumn<double>("move");
        QTest::addColumn<bool>("moved");
        QTest::newRow("below the threshold") << 6.0 << false;
        QTest::newRow("past the threshold") << 40.0 << true;
    }

    void vertexDrag()
    {
        QFETCH(double, move);
        QFETCH(bool, moved);
        const auto stored = storeLine(0x52, {"a0", "a1", "a2"});
        const std::vector<LineData2D::Point> before = stored->points();
        controller->setSelectedItemId(QString::fromStdString(stored->id()));
        tool->setEditModeEnabled(true);
        QCOMPARE(tool->dragThreshold(), 0.4 * 16.0);
        const QPointF a1 = Places.at("a1");
        tool->mousePressed(a1.x(), a1.y(), Qt::LeftButton);
        tool->mouseMoved(a1.x(), a1.y() + move, Qt::LeftButton);
        QVERIFY(tool->mouseReleased(a1.x(), a1.y() + move, Qt::LeftButton, false));
        QCOMPARE(app()->canUndo(), moved);
        const auto storedRows = rows();
        const LineData2D& row = *storedRows.at(stored->id());
        QCOMPARE(runsThrough(row, before), !moved);
        if (!moved)
            return;
        QVERIFY(runsThrough(row, geoPath({"a0", "dragged", "a2"}, {{"dragged", a1 + QPointF(0, move)}})));
        CommandManager::instance()->undo();
        QVERIFY(runsThrough(*rows().at(stored->id()), before));
    }

    void holdOnASegmentInsertsAVertex_data()
    {
        QTest::addColumn<bool>("filled");
        QTest::addColumn<QStringList>("segment");
        QTest::addColumn<QStringList>("after");
        QTest::newRow("first segment") << false << QStringList{"a0", "a1"}
                                       << QStringList{"a0", "inserted", "a1", "a2"};
        QTest::newRow("closing edge of a filled line") << true << QStringList{"a2", "a0"}
                                                       << QStringList{"a0", "a1", "a2", "inserted"};
    }

    void holdOnASegmentInsertsAVertex()
    {
        QFETCH(bool, filled);
        QFETCH(QStringList, segment);
        QFETCH(QStringList, after);
        const auto stored = storeLine(0x53, {"a0", "a1", "a2"}, Granite, filled);
        controller->setSelectedItemId(QString::fromStdString(stored->id()));
        tool->setEditModeEnabled(true);
        const QPointF middle = (Places.at(segment[0]) + Places.at(segment[1])) / 2.0;
        tool->mousePressed(middle.x(), middle.y(), Qt::LeftButton);
        QVERIFY(tool->mousePressAndHold(middle.x(), middle.y(), Qt::LeftButton));
        QVERIFY(tool->mouseReleased(middle.x(), middle.y(), Qt::LeftButton, true));
        const auto storedRows = rows();
        QVERIFY(runsThrough(*storedRows.at(stored->id()), geoPath(after, {{"inserted", middle}})));
        CommandManager::instance()->undo();
        QCOMPARE(int(rows().at(stored->id())->pointCount()), 3);
    }

    void splitLine()
    {
        const auto stored = storeLine(0x53, {"a0", "a1", "a2", "b0", "b1"});
        stored->setTimeStamp(1234);
        const QString id = QString::fromStdString(stored->id());
        tool->splitLine(id, 0);
        tool->splitLine(id, 4);
        tool->deletePointFromLine(id, 7);
        QCOMPARE(rows().size(), size_t(1));
        QVERIFY(!app()->canUndo());

        tool->splitLine(id, 2);
        const auto lines = rows();
        QCOMPARE(lines.size(), size_t(2));
        QVERIFY(runsThrough(*lines.at(stored->id()), geoPath({"a2", "b0", "b1"}, {})));
        const auto added = std::find_if(lines.begin(), lines.end(), [&](const auto& l) { return l.first != stored->id(); });
        const LineData2D& second = *added->second;
        QVERIFY(QRegularExpression("^[0-9a-f]{32}$").match(QString::fromStdString(second.id())).hasMatch());
        QVERIFY(runsThrough(second, geoPath({"a0", "a1", "a2"}, {})));
        QCOMPARE(second.localityId(), stored->localityId());
        QCOMPARE(second.unitId(), Granite);
        QCOMPARE(second.comment(), QString("c"));
        QCOMPARE(second.thickness(), 3.0f);
        QCOMPARE(second.opacity(), 0.5f);
        QCOMPARE(second.timeStamp(), qint64(1234));
        CommandManager::instance()->undo();
        QCOMPARE(rows().size(), size_t(1));
        QCOMPARE(rows().begin()->second->pointCount(), 5);
    }

    void deletePoint()
    {
        const auto two = storeLine(0x54, {"a0", "a1"});
        tool->deletePointFromLine(QString::fromStdString(two->id()), 0);
        QCOMPARE(rows().at(two->id())->pointCount(), 2);
        const auto three = storeLine(0x55, {"a0", "a1", "a2"});
        tool->deletePointFromLine(QString::fromStdString(three->id()), 1);
        QVERIFY(runsThrough(*rows().at(three->id()), geoPath({"a0", "a2"}, {})));
        CommandManager::instance()->undo();
        QCOMPARE(rows().at(three->id())->pointCount(), 3);
    }

    void saveAndJoin_data()
    {
        QTest::addColumn<QString>("selected");
        QTest::addColumn<QStringList>("drawn");
        QTest::addColumn<bool>("withB");
        QTest::addColumn<bool>("aFilled");
        QTest::addColumn<int>("aUnit");
        QTest::addColumn<QStringList>("kept");  // line id ("a"/"b"), then its path
        QTest::addColumn<int>("rowCount");
        QTest::addColumn<bool>("drawnLooks");
        const QStringList a{"a0", "a1", "a2"};
        QTest::newRow("nothing selected") << "" << QStringList{"a2", "far", "far2"} << false << false << Granite
                                          << (QStringList{"a"} + a) << 2 << false;
        QTest::newRow("code 1") << "a" << QStringList{"a2", "far", "far2"} << false << false << Granite
                                << QStringList{"a", "a0", "a1", "a2", "n1", "n2"} << 1 << true;
        QTest::newRow("code 0") << "a" << QStringList{"a0", "up", "up2"} << false << false << Granite
                                << QStringList{"a", "n2", "n1", "a0", "a1", "a2"} << 1 << true;
        QTest::newRow("code 2") << "a" << QStringList{"up", "up2", "a0"} << false << false << Granite
                                << QStringList{"a", "n0", "n1", "a0", "a1", "a2"} << 1 << true;
        QTest::newRow("code 3") << "a" << QStringList{"far", "far2", "a2"} << false << false << Granite
                                << QStringList{"a", "a0", "a1", "a2", "n1", "n0"} << 1 << true;
        QTest::newRow("join 1-2") << "a" << QStringList{"a2", "far", "b0"} << true << false << Granite
                                  << QStringList{"a", "a0", "a1", "a2", "n1", "n2", "b0", "b1"} << 1 << false;
        QTest::newRow("join 1-3") << "a" << QStringList{"a2", "far", "b1"} << true << false << Granite
                                  << QStringList{"a", "a0", "a1", "a2", "n1", "n2", "b1", "b0"} << 1 << false;
        QTest::newRow("join 0-2") << "a" << QStringList{"a0", "far", "b0"} << true << false << Granite
                                  << QStringList{"a", "b1", "b0", "n2", "n1", "a0", "a1", "a2"} << 1 << false;
        QTest::newRow("join 0-3") << "a" << QStringList{"a0", "far", "b1"} << true << false << Granite
                                  << QStringList{"a", "b0", "b1", "n2", "n1", "a0", "a1", "a2"} << 1 << false;
        QTest::newRow("join, B selected") << "b" << QStringList{"a2", "far", "b0"} << true << false << Granite
                                          << QStringList{"a", "a0", "a1", "a2", "n1", "n2", "b0", "b1"} << 1 << true;
        QTest::newRow("join kept B") << "a" << QStringList{"b1", "far", "a0"} << true << false << Granite
                                     << QStringList{"b", "b0", "b1", "n1", "n2", "a0", "a1", "a2"} << 1 << true;
        QTest::newRow("filled") << "a" << QStringList{"a2", "far", "far2"} << false << true << Granite
                                << (QStringList{"a"} + a) << 2 << false;
        QTest::newRow("other unit") << "a" << QStringList{"a2", "far", "far2"} << false << false << Shale
                                    << (QStringList{"a"} + a) << 2 << false;
    }

    void saveAndJoin()
    {
        QFETCH(QString, selected);
        QFETCH(QStringList, drawn);
        QFETCH(bool, withB);
        QFETCH(bool, aFilled);
        QFETCH(int, aUnit);
        QFETCH(QStringList, kept);
        QFETCH(bool, drawnLooks);
        const auto lineA = storeLine(0xa, {"a0", "a1", "a2"}, aUnit, aFilled);
        const auto lineB = withB ? storeLine(0xb, {"b0", "b1"}) : nullptr;
        const auto before = rows();
        const std::map<QString, std::string> ids{{"a", test::idOf(0xa)}, {"b", test::idOf(0xb)}, {"", ""}};
        controller->setSelectedItemId(QString::fromStdString(ids.at(selected)));
        tool->setLineThickness(9.0);
        stroke({Places.at(drawn[0]), Places.at(drawn[1]), Places.at(drawn[2])});

        const auto lines = rows();
        QTEST(int(lines.size()), "rowCount");
        const std::string keptId = ids.at(kept.takeFirst());
        const LineData2D& line = *lines.at(keptId);
        const std::map<QString, QPointF> n{{"n0", Places.at(drawn[0])}, {"n1", Places.at(drawn[1])},
                                           {"n2", Places.at(drawn[2])}};
        QVERIFY(runsThrough(line, geoPath(kept, n)));
        QCOMPARE(line.thickness(), drawnLooks ? 9.0f : 3.0f);
        QCOMPARE(line.unitId(), before.at(keptId)->unitId());

        CommandManager::instance()->undo();
        const auto undone = rows();
        QCOMPARE(undone.size(), before.size());
        for (const auto& [id, original] : before)
            QVERIFY(runsThrough(*undone.at(id), original->points()));
    }

    void viewFilterAfterSave_data()
    {
        QTest::addColumn<int>("filter");
        QTest::addColumn<int>("after");
        QTest::newRow("data only") << int(MapViewController::FilterData) << int(MapViewController::FilterAll);
        QTest::newRow("lines only") << int(MapViewController::FilterLines) << int(MapViewController::FilterLines);
    }

    void viewFilterAfterSave()
    {
        QFETCH(int, filter);
        controller->setViewFilter(MapViewController::ViewFilter(filter));
        stroke({{100, 100}, {150, 120}, {200, 100}});
        QTEST(int(controller->viewFilter()), "after");
    }

    void zoomKeepsDetail()
    {
        // One wiggly path on the ground, stroked at two zoom levels.
        std::vector<LineData2D::Point> ground;
        for (int i = 0; i < 40; ++i)
            ground.push_back(geoOf(QPointF(200 + 10 * i, 300 + ((i % 2) ? 1 : -1))));
        std::vector<int> kept;
        std::set<std::string> seen;
        for (const double altitude : {20000.0, 200000.0}) {
            lookAt(altitude);
            QList<QPointF> points;
            for (const auto& [lat, lon] : ground) {
                double x = 0.0, y = 0.0;
                scene()->geographicSRS()->transform2D(lon, lat, scene()->mapSRS(), x, y);
                points << scene()->worldToScreenXY(x, y);
            }
            stroke(points);
            for (const auto& [id, line] : rows()) {
                if (seen.insert(id).second)
                    kept.push_back(line->pointCount());
            }
        }
        QCOMPARE(rows().size(), size_t(2));
        QCOMPARE(kept.front(), 40);
        QCOMPARE(kept.back(), 2);
    }

    void noExtentKeepsEveryPoint()
    {
        newController(false);
        tool->setPenMode(LineTool::PointToPoint);
        // Points on one parallel: any reduction would keep only the ends.
        for (int i = 0; i < 10; ++i)
            tool->addPickedPoint(QPointF(i, i), QPointF(7.0 + 0.001 * i, 46.0));
        tool->savePickedPoints(QPointF(9, 9), QPointF(7.009, 46.0));
        const auto lines = rows();
        QCOMPARE(lines.size(), size_t(1));
        // Ten fixed points and the rubber-band end lying on the last of them.
        QCOMPARE(lines.begin()->second->pointCount(), 11);
    }

    void lockedDatabaseLeavesRows_data()
    {
        QTest::addColumn<QStringList>("drawn");
        QTest::newRow("add") << QStringList{"up", "far", "far2"};
        QTest::newRow("join") << QStringList{"a2", "far", "b0"};
    }

    void lockedDatabaseLeavesRows()
    {
        QFETCH(QStringList, drawn);
        const auto lineA = storeLine(0xa, {"a0", "a1", "a2"});
        storeLine(0xb, {"b0", "b1"});
        controller->setSelectedItemId(QString::fromStdString(lineA->id()));
        const std::vector<std::string> before = fixture->messages("linedata");
        {
            const auto lock = fixture->lockFor("EXCLUSIVE");
            QVERIFY(lock->isLocked());
            stroke({Places.at(drawn[0]), Places.at(drawn[1]), Places.at(drawn[2])});
        }
        QCOMPARE(toastTexts(), QStringList{"Could not save line. 4000"});
        QCOMPARE(fixture->messages("linedata"), before);
        QCOMPARE(fixture->project->lineById(lineA->id())->pointCount(), 3);
        QVERIFY(fixture->project->lineById(test::idOf(0xb)));
    }

    void frameDrawsTheSnapshot()
    {
        tool->mousePressed(100, 100, Qt::LeftButton);
        tool->frame(scene());
        QVERIFY(!tool->overlayNode());
        tool->mouseMoved(100, 100, Qt::LeftButton);
        tool->mouseMoved(200, 120, Qt::LeftButton);
        tool->frame(scene());
        const osg::ref_ptr<osg::Node> first = tool->overlayNode();
        QVERIFY(first);
        // Not marked dirty: the overlay stays as it was.
        tool->pickedLine()->addPoint(46.0, 7.0);
        tool->frame(scene());
        QCOMPARE(tool->overlayNode(), first);
        tool->mouseMoved(300, 100, Qt::LeftButton);
        tool->frame(scene());
        QVERIFY(tool->overlayNode() != first);
        tool->mouseReleased(300, 100, Qt::LeftButton, false);
        QVERIFY(!tool->overlayNode());
        tool->frame(scene());
        QVERIFY(!tool->overlayNode());
    }
};

QTEST_MAIN(TestLineTool)
#include "tst_linetool.moc"
