// One paint of a 600 x 600 stereonet with 2,000 planes and 500 lineations, in
// both projections: dragging the temporary plane repaints all of it on every
// move. Runs offscreen (QT_QPA_PLATFORM=offscreen).
#include "MedianPaint.h"

#include "app/ApplicationManager.h"
#include "drawing/StereoNetItem.h"
#include "model/Data.h"
#include "model/Locality.h"
#include "model/ModelManager.h"
#include "model/Project.h"

#include <QGuiApplication>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <cstdio>

using namespace kiv;

namespace {

std::string idOf(int n)
{
    return QStringLiteral("%1").arg(n, 32, 16, QLatin1Char('0')).toStdString();
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    QTemporaryDir documents;
    ApplicationManager manager(nullptr);
    ModelManager::instance() = new ModelManager;
    const std::shared_ptr<Project> project =
        ModelManager::instance()->createProject(QStringLiteral("Bench"), QDir(documents.path()));
    if (!project) {
        std::fprintf(stderr, "no project\n");
        return 1;
    }
    ModelManager::instance()->setCurrentProject(project);
    const std::shared_ptr<Locality> locality = project->createLocality(idOf(1));
    project->addRockUnit(1, QStringLiteral("Granite"), QColor(Qt::darkRed), 0);

    QRandomGenerator random(7);
    QList<Data*> selection;
    for (int i = 0; i < 2500; ++i) {
        const float dip = float(random.bounded(90.0));
        const float azimuth = float(random.bounded(360.0));
        const auto datum = i < 2000
            ? locality->addPlane(idOf(100 + i), 0, 0, dip, azimuth, 1 + i % 2, 0, {})
            : locality->addLineation(idOf(100 + i), 0, 0, dip, azimuth, 1, 0, {});
        selection << datum.get();
    }

    StereoNetItem item;
    item.setSize(QSizeF(600, 600));
    item.setSelectedData(selection);
    item.setDrawTempPlane(true);
    for (const bool equalArea : {true, false}) {
        item.setEqualAreaScaling(equalArea);
        std::printf("%s: median paint %.1f ms (600 x 600, 2000 planes, 500 lineations)\n",
                    equalArea ? "equal-area" : "equal-angle", medianPaintMs(item, QSize(600, 600), 15));
    }
    delete ModelManager::instance();
    ModelManager::instance() = nullptr;
    return 0;
}
