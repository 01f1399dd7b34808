// The line tool's costs on the GUI and render threads: recording a 5,000-point
// stroke (each move copies the line for the frame), rebuilding the overlay
// of that stroke in one frame, and the snap search over 10,000 lines.

#include "MedianTiming.h"
#include "app/ApplicationManager.h"
#include "app/MainView.h"
#include "map/GLRender.h"
#include "map/MapViewController.h"
#include "model/LineData2D.h"
#include "model/Locality.h"
#include "model/ModelManager.h"
#include "model/Project.h"
#include "tools/LineTool.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

using namespace kiv;

namespace {

const int StrokePoints = 5000;
const int Lines = 10000;
const int Passes = 10;

std::string idOf(int n)
{
    return QStringLiteral("%1").arg(n, 32, 16, QLatin1Char('0')).toStdString();
}

void measure(const char* what, const std::function<void()>& step)
{
    measureMedian(what, Passes, step);
}

// A stroke left unfinished; a release with another button drops the previous one.
void stroke(LineTool& tool, int points)
{
    tool.mouseReleased(0, 0, Qt::RightButton, false);
    tool.mousePressed(10, 400, Qt::LeftButton);
    for (int i = 0; i < points; ++i)
        tool.mouseMoved(10 + 1260.0 * i / points, 400 + (i % 7), Qt::LeftButton);
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("KIV-benchmark"));
    QCoreApplication::setApplicationName(QStringLiteral("linetool"));
    qSetMessagePattern(QStringLiteral("%{if-warning}%{message}%{endif}"));
    QTemporaryDir documents;
    ApplicationManager app(&application);
    ModelManager* models = ModelManager::instance();
    const auto project = models->createProject(QStringLiteral("bench.qz"), QDir(documents.path()));
    if (!project) {
        std::fprintf(stderr, "could not create the project\n");
        return 1;
    }
    models->setCurrentProject(project);
    project->addRockUnit(1, QStringLiteral("Granite"), QColor(Qt::red), 0);
    models->setCurrentRockUnit(1);

    MainView view;
    view.resize(1280, 800);
    app.setMainView(&view);
    MapViewController controller;
    controller.setSize(QSizeF(1280, 800));
    controller.viewDidLoad();
    GLRender* scene = controller.scene();
    double x = 0.0, y = 0.0;
    scene->geographicSRS()->transform2D(7.0, 46.0, scene->mapSRS(), x, y);
    scene->cameraManipulator().setPosition(osg::Vec3d(x, y, 0.0));
    scene->cameraManipulator().setAltitude(20000.0);
    scene->updateCamera();

    const auto locality = project->createLocality(idOf(1));
    for (int i = 0; i < Lines; ++i) {
        const auto line = locality->addPolyline(idOf(100 + i), 1 + i % 2, 0, 1.0f, 1.0f, QString());
        line->addPoint(45.9 + 0.2 * (i % 100) / 100.0, 6.9 + 0.2 * (i / 100) / 100.0);
        line->addPoint(45.9 + 0.2 * (i % 100) / 100.0, 6.91 + 0.2 * (i / 100) / 100.0);
    }
    models->setCurrentLocality(locality);

    LineTool tool;
    tool.setMapView(&controller);
    tool.setActive(true);

    measure("record a 5,000-point stroke (5,000 moves)", [&] { stroke(tool, StrokePoints); });
    measure("overlay rebuild, 5,000 points", [&] {
        tool.mouseMoved(1270, 400, Qt::LeftButton);
        tool.frame(scene);
    });
    stroke(tool, 3);
    const QString selected = QString::fromStdString(idOf(100));
    std::size_t found = 0;
    measure("findSnapCandidates, 10,000 lines", [&] { found = tool.findSnapCandidates(selected).size(); });
    std::printf("(%zu candidates)\n", found);
    tool.setActive(false);
    app.setMainView(nullptr);
    return 0;
}
