#include "Database/CommandManager.h"
#include "app/MainView.h"
#include "map/GLRender.h"
#include "map/MapViewController.h"
#include "model/AddLineCommand.h"
#include "model/LineData2D.h"
#include "model/Locality.h"
#include "model/ModelManager.h"
#include "model/Project.h"
#include "tools/LineTool.h"
#include "support/ProjectFixture.h"

#include <QMutexLocker>
#include <QTemporaryDir>
#include <QtTest>

using namespace kiv;

namespace {
const QColor Red(255, 0, 0);
} // namespace

// The line being drawn as the map scene shows it.
class TestLineToolGL : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    std::unique_ptr<test::ProjectFixture> fixture;
    std::unique_ptr<MainView> view;
    std::unique_ptr<MapViewController> controller;
    std::unique_ptr<LineTool> tool;
    QImage frame;

    static bool isWhite(const QColor& c) { return c.red() > 250 && c.green() > 250 && c.blue() > 250; }
    static bool isRed(const QColor& c) { return c.red() > 250 && c.green() < 5 && c.blue() < 5; }

    // Pixels off the line's own band around a point: the vertex handles.
    int pixelsAround(const QPointF& at) const
    {
        int count = 0;
        for (int dy = -20; dy <= 20; ++dy) {
            for (int dx = -20; dx <= 20; ++dx) {
                if (std::abs(dy) > 4 && !isWhite(frame.pixelColor(int(at.x()) + dx, int(at.y()) + dy)))
                    ++count;
            }
        }
        return count;
    }

private slots:
    void initTestCase()
    {
        fixture = std::make_unique<test::ProjectFixture>();
        QVERIFY(fixture->isValid());
        fixture->project->addRockUnit(1, QStringLiteral("Red"), Red, 0);
        ModelManager::instance()->setCurrentRockUnit(1);
        const QString page = QDir(dir.path()).filePath("page.qml");
        QFile file(page);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("import QtQuick 2.15\nItem { anchors.fill: parent }\n");
        file.close();
        view = std::make_unique<MainView>();
        view->setSource(QUrl::fromLocalFile(page));
        view->resize(400, 300);
        view->show();
        QVERIFY(QTest::qWaitForWindowExposed(view.get()));
        ApplicationManager::instance()->setMainView(view.get());
        controller = std::make_unique<MapViewController>();
        controller->setSize(QSizeF(400, 300));
        controller->viewDidLoad();
        GLRender* scene = controller->scene();
        frame = view->grabWindow();
        {
            QMutexLocker lock(&scene->sceneMutex());
            scene->gridLayer()->setVisible(false);
        }
        double x = 0.0, y = 0.0;
        scene->geographicSRS()->transform2D(8.0, 46.0, scene->mapSRS(), x, y);
        scene->cameraManipulator().setPosition(osg::Vec3d(x, y, 0.0));
        scene->cameraManipulator().setAltitude(5000.0);
        scene->updateCamera();
        tool = std::make_unique<LineTool>();
        tool->setMapView(controller.get());
        tool->setActive(true);
        tool->setLineThickness(6.0);
        frame = view->grabWindow();
        QVERIFY(isWhite(frame.pixelColor(200, 150)));
    }

    void cleanupTestCase()
    {
        tool.reset();
        controller.reset();
        ApplicationManager::instance()->setMainView(nullptr);
        view.reset();
        fixture.reset();
    }

    void strokeIsShownUntilReleased()
    {
        tool->mousePressed(100, 150, Qt::LeftButton);
        for (const int x : {100, 200, 300})
            tool->mouseMoved(x, 150, Qt::LeftButton);
        frame = view->grabWindow();
        QVERIFY(isRed(frame.pixelColor(150, 150)));
        QVERIFY(isRed(frame.pixelColor(250, 150)));
        QVERIFY(isWhite(frame.pixelColor(250, 170)));
        QVERIFY(isWhite(frame.pixelColor(350, 150)));
        tool->mouseReleased(300, 150, Qt::LeftButton, false);
        frame = view->grabWindow();
        QVERIFY(isWhite(frame.pixelColor(150, 150)));
    }

    void draggedVertexShowsHandles()
    {
        auto line = LineData2D::create(test::idOf(0x77), fixture->locality->id(), 1, 0, false, QString());
        for (const int x : {100, 200, 300}) {
            double lon = 0.0, lat = 0.0;
            controller->scene()->screenToGeo(x, 220, lon, lat);
            line->addPoint(lat, lon);
        }
        auto command = std::make_shared<AddLineCommand>(false);
        command->setLinePointer(line);
        QVERIFY(CommandManager::instance()->execute(command));
        controller->setSelectedItemId(QString::fromStdString(line->id()));
        tool->setEditModeEnabled(true);
        tool->mousePressed(200, 220, Qt::LeftButton);
        tool->mouseMoved(200, 260, Qt::LeftButton);
        QCOMPARE(tool->dragState(), LineTool::DragState::VertexDragging);
        frame = view->grabWindow();
        QVERIFY(pixelsAround(QPointF(100, 220)) > 0);
        QVERIFY(!isWhite(frame.pixelColor(150, 240)));
        tool->mouseReleased(200, 260, Qt::LeftButton, false);
        frame = view->grabWindow();
        QCOMPARE(pixelsAround(QPointF(100, 220)), 0);
        tool->setEditModeEnabled(false);
    }
};

QTEST_MAIN(TestLineToolGL)
#include "tst_linetool_gl.moc"
