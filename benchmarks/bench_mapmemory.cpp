// Peak memory (VmHWM) of the start-up on a project of no data, 10k and 100k
// planes (localities of 100): the program's project load, then the map page
// shown and filled in frame by frame until every render item is built. Each
// size runs in a fresh process. Needs a display (run under xvfb-run with
// LIBGL_ALWAYS_SOFTWARE=1).
// Usage: bench_mapmemory [localities]  (one size, in this process)
#include "MapBench.h"
#include "PeakMemory.h"

#include "app/ApplicationManager.h"
#include "map/GLRenderItem.h"
#include "map/MapViewController.h"
#include "Database/SQLiteDatabase.h"
#include "model/Data.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

using namespace kiv;

namespace {

class DocumentsApplication : public bench::OfflineApplication
{
public:
    using OfflineApplication::OfflineApplication;
    QString documentPath() const override { return m_documents; }
    QString m_documents;
};

// The project on disk, written in one transaction, laid out as the other
// map benchmarks lay theirs out.
void writeProject(const QString& folder, int localities)
{
    QDir().mkpath(folder);
    Project project(ProjectId(1), nullptr, QStringLiteral("Bench"), QString(), QString(), QDir(folder));
    bench::addLocalities(project, localities, 100, 0.02, 0.015);
    project.database()->exec("BEGIN");
    qint64 stamp = 1000000;
    for (const auto& locality : project.localities()) {
        locality->setTimeStamp(++stamp);
        project.syncLocalityDetails(locality.get());
        for (const auto& data : locality->data()) {
            data->setTimeStamp(++stamp);
            project.syncDataDetails(data);
        }
    }
    project.database()->exec("COMMIT");
    project.close();
}

int runOne(int localities)
{
    QTemporaryDir scratch;
    const QString documents = scratch.path() + QStringLiteral("/documents");
    writeProject(documents + QStringLiteral("/project1.qz"), localities);
    DocumentsApplication manager(qGuiApp);
    manager.m_documents = documents;
    MainView view;
    manager.setMainView(&view);
    bench::showEmptyPage(view, scratch.path(), 1280, 800);
    const long before = peakKilobytes();

    QElapsedTimer clock;
    clock.start();
    ModelManager::instance() = new ModelManager;
    ModelManager::instance()->init(QDir(documents));
    int frames = 0;
    {
        MapViewController controller;
        controller.viewDidLoad();
        controller.viewWillAppear();
        controller.viewDidAppear();
        GLRender& scene = *controller.scene();
        // Until a frame no longer leaves items for the next one.
        do {
            view.grabWindow();
            ++frames;
        } while (scene.itemsPending() || frames < 3);
        std::printf("%7d planes: VmHWM %7ld kB at start (before the project %ld kB); %d frames, %.1f s\n",
                    localities * 100, peakKilobytes(), before, frames, clock.elapsed() / 1000.0);
        controller.viewDidDisappear();
    }
    bench::dropModels();
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    qputenv("QSG_RENDER_LOOP", "basic");
    // Settings and the undo history stay in a scratch folder.
    QTemporaryDir config;
    if (qEnvironmentVariableIsEmpty("BENCH_MAPMEMORY_CHILD")) {
        qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
        qputenv("BENCH_MAPMEMORY_CHILD", "1");
    }
    QGuiApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("KIV-bench"));
    QCoreApplication::setApplicationName(QStringLiteral("bench_mapmemory"));
    if (argc > 1)
        return runOne(QString::fromLocal8Bit(argv[1]).toInt());
    int status = 0;
    for (int localities : {0, 100, 1000}) {
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedChannels);
        child.start(QCoreApplication::applicationFilePath(), {QString::number(localities)});
        child.waitForFinished(-1);
        status |= child.exitCode();
    }
    return status;
}
