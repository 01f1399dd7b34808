// One saved plane in projects of 100 x 100 and 1,000 x 100 planes: from the
// add-data command's execute through the command manager, as the program
// saves a reading (undo history included), to the frame that shows it,
// beside a rebuild of one locality of 100 planes (its bundle marked dirty, to
// the frame that shows it), both through the map page's controller in the
// same run; then the save again with the notebook's data list model alive,
// which reloads the whole project on every save. Needs a display (run under
// xvfb-run with LIBGL_ALWAYS_SOFTWARE=1).
#include "MapBench.h"

#include "Database/CommandManager.h"
#include "app/ApplicationManager.h"
#include "map/AnnotationRenderItem.h"
#include "map/MapViewController.h"
#include "map/PointDataRenderItem.h"
#include "model/AddDataCommand.h"
#include "model/DataListModel.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace kiv;

namespace {

constexpr int Passes = 15;

double median(std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// The items with something to draw: the others stay dirty.
bool anyDirty(const LocalityRenderItems& items)
{
    return items.pointData->isDirty() || items.annotations->isDirty();
}

// Frames until the bundle is drawn; the time from `clock`'s start.
double frameShowing(MainView& view, const LocalityRenderItems& items, const QElapsedTimer& clock)
{
    do
        view.grabWindow();
    while (anyDirty(items));
    return double(clock.nsecsElapsed()) / 1e6;
}

void measure(MainView& view, const QString& folder, int localities)
{
    const std::shared_ptr<Project> project = bench::makeProject(folder);
    bench::addLocalities(*project, localities, 100, 0.5, 0.015);
    const std::shared_ptr<Locality> target = project->localities().front();
    project->syncLocalityDetails(target.get());
    ModelManager::instance()->setCurrentLocality(target);

    MapViewController controller;
    controller.viewDidLoad();
    controller.viewWillAppear();
    controller.viewDidAppear();
    GLRender& scene = *controller.scene();
    bench::lookAt(scene, target->longitude(), target->latitude(), 8000.0);
    do
        view.grabWindow();
    while (scene.itemsPending());
    const LocalityRenderItems& items = controller.localityItems().at(target->id());

    std::vector<double> executes, shown, rebuilds, withList;
    // One plane saved as the program saves it; false when the save failed.
    int saved = 0;
    auto save = [&](std::vector<double>* executeTimes, std::vector<double>& shownTimes) {
        auto command = std::make_shared<AddDataCommand>();
        command->setLocalityId(target->id());
        command->setPlaneData(target->latitude() + 0.0001 * saved, target->longitude(), 30.0f, float(10 * saved),
                              1, -1, QString());
        ++saved;
        QElapsedTimer clock;
        clock.start();
        if (!CommandManager::instance()->execute(command)) {
            std::printf("the add-data command failed\n");
            return false;
        }
        if (executeTimes)
            executeTimes->push_back(double(clock.nsecsElapsed()) / 1e6);
        shownTimes.push_back(frameShowing(view, items, clock));
        return true;
    };
    for (int i = 0; i < Passes; ++i) {
        if (!save(&executes, shown))
            return;
    }
    for (int i = 0; i < Passes; ++i) {
        QElapsedTimer clock;
        clock.start();
        controller.updatePointData(target->id());
        controller.updateAnnotations(target->id());
        controller.updateLines(target->id());
        items.sightings->setDirty();
        rebuilds.push_back(frameShowing(view, items, clock));
    }
    {
        // The notebook's list (no view) reloads the whole project on a save.
        DataListModel notebook(project.get());
        for (int i = 0; i < Passes; ++i) {
            if (!save(nullptr, withList))
                return;
        }
    }
    std::printf("%5d x 100 planes: add-data execute to frame %7.2f ms (execute alone %6.2f ms); "
                "one locality rebuilt to frame %7.2f ms; ratio %.2f\n",
                localities, median(shown), median(executes), median(rebuilds), median(shown) / median(rebuilds));
    std::printf("%5d x 100 planes: the same save with the notebook's data list model alive: %7.2f ms\n", localities,
                median(withList));
    controller.viewDidDisappear();
}

} // namespace

int main(int argc, char* argv[])
{
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    qputenv("QSG_RENDER_LOOP", "basic");
    QGuiApplication app(argc, argv);
    QTemporaryDir dir;
    // The undo history (commands.db) goes into the temporary folder too.
    qputenv("TMPDIR", dir.path().toLocal8Bit());
    bench::OfflineApplication manager(&app);
    MainView view;
    manager.setMainView(&view);
    bench::showEmptyPage(view, dir.path(), 1280, 800);
    std::printf("median of %d, frames at 1280 x 800 with readback\n", Passes);
    for (int localities : {100, 1000})
        measure(view, QDir(dir.path()).filePath(QString::number(localities)), localities);
    bench::dropModels();
    return 0;
}
