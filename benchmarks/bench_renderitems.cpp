// Build time of the icon item of a locality with 10,000 planes, and the
// frame time of the map with those symbols at 1280 x 800. Needs a display
// (run under xvfb-run with LIBGL_ALWAYS_SOFTWARE=1 for comparable numbers).
#include "app/ApplicationManager.h"
#include "app/MainView.h"
#include "map/GLRender.h"
#include "map/PointDataRenderItem.h"
#include "model/Locality.h"
#include "model/ModelManager.h"
#include "model/Project.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <numeric>
#include <vector>

using namespace kiv;

namespace {

void report(const char* what, std::vector<double> ms)
{
    if (ms.empty())
        return;
    std::sort(ms.begin(), ms.end());
    const double mean = std::accumulate(ms.begin(), ms.end(), 0.0) / double(ms.size());
    std::printf("%-34s runs %4zu  mean %8.3f ms  median %8.3f ms  p95 %8.3f ms\n", what, ms.size(), mean,
                ms[ms.size() / 2], ms[std::min(ms.size() - 1, ms.size() * 95 / 100)]);
}

} // namespace

int main(int argc, char* argv[])
{
    qputenv("QSG_RENDER_LOOP", "basic");
    QGuiApplication app(argc, argv);
    QTemporaryDir dir;
    ApplicationManager manager(&app);
    ModelManager::instance() = new ModelManager;
    QDir(dir.path()).mkdir(QStringLiteral("bench.qz"));
    const std::shared_ptr<Project> project =
        ModelManager::instance()->createProject(QStringLiteral("Bench"), QDir(dir.filePath(QStringLiteral("bench.qz"))));
    if (!project) {
        std::fprintf(stderr, "could not create the project\n");
        return 1;
    }
    project->addRockUnit(1, QStringLiteral("Limestone"), QColor(30, 120, 200), 0);
    ModelManager::instance()->setCurrentProject(project);
    const std::shared_ptr<Locality> locality = project->createLocality("benchlocality");
    locality->setLatitude(46.0);
    locality->setLongitude(8.0);
    // A 100 x 100 grid of planes over a few kilometres.
    for (int i = 0; i < 10000; ++i)
        locality->addPlane("plane" + std::to_string(i), 46.0 + 0.0003 * (i / 100), 8.0 + 0.0004 * (i % 100),
                           float(i % 90), float(i % 360), 1, -1, QString());

    const QString qml = dir.filePath(QStringLiteral("page.qml"));
    QFile page(qml);
    page.open(QIODevice::WriteOnly);
    page.write("import QtQuick 2.15\nItem { anchors.fill: parent }\n");
    page.close();
    MainView view;
    view.setSource(QUrl::fromLocalFile(qml));
    view.resize(1280, 800);
    GLRender scene(&view);
    double x = 0.0, y = 0.0;
    scene.geographicSRS()->transform2D(8.02, 46.015, scene.mapSRS(), x, y);
    scene.cameraManipulator().setPosition(osg::Vec3d(x, y, 0.0));
    scene.cameraManipulator().setAltitude(5000.0);
    view.show();

    auto item = std::make_shared<PointDataRenderItem>(locality, false);
    scene.addRenderItem(item);
    std::vector<double> builds;
    for (int i = 0; i < 5; ++i) {
        QElapsedTimer clock;
        clock.start();
        item->buildNode();
        builds.push_back(clock.nsecsElapsed() / 1e6);
    }
    report("item build (10,000 planes)", builds);

    std::vector<double> frames;
    for (int i = 0; i < 100; ++i) {
        QCoreApplication::processEvents();
        QElapsedTimer clock;
        clock.start();
        view.grabWindow();
        if (i >= 5)
            frames.push_back(clock.nsecsElapsed() / 1e6);
    }
    report("frame 1280 x 800 (with readback)", frames);
    scene.removeRenderItem(item);
    delete ModelManager::instance();
    ModelManager::instance() = nullptr;
    return 0;
}
