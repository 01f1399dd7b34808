// "Merge Project" in the whole program (main.qml loaded, the map page shown):
// a source of 3,000 data in 375 localities (planes, lineations and a
// photograph each, with "Import Images" on) merged through the import dialog
// into a project of 2 data and into one of 10,000 data, the notebook open.
// Reports the wall time until the dialog says so, the longest the GUI thread
// kept a 1 ms timer waiting, the peak resident memory growth, how often the
// progress moved, the resets of the project's locality list and the QML
// warnings logged; then the same merge at model level (the importer alone).
// Each case runs in a process of its own, with a scratch home.
// Needs a display (run under xvfb-run with LIBGL_ALWAYS_SOFTWARE=1).
// Usage: bench_projectmerge [target data] (one case, in the current home)
#include "PeakMemory.h"

#include "app/DialogController.h"
#include "model/Data.h"
#include "model/Locality.h"
#include "model/ModelManager.h"
#include "model/Project.h"
#include "model/ProjectImporter.h"
#include "support/MapPageStart.h"

#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPointer>
#include <QProcess>
#include <QQmlProperty>
#include <QQuickItem>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>

using namespace kiv;

namespace {

const int SourceLocalities = 375;
const int DataPerLocality = 8; // 5 planes, 2 lineations, 1 photograph
const long StopGrowthKb = 2L * 1024 * 1024;
const qint64 StopAfterNs = 180LL * 1000 * 1000 * 1000;

std::string idOf(const char* kind, int n)
{
    return QStringLiteral("%1%2").arg(QLatin1String(kind)).arg(n, 31, 16, QLatin1Char('0')).toStdString();
}

// A camera picture's size, as a field photograph is.
QByteArray photograph()
{
    QImage image(2048, 1536, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient gradient(0, 0, image.width(), image.height());
    gradient.setColorAt(0, QColor(120, 90, 60));
    gradient.setColorAt(1, QColor(200, 180, 150));
    painter.fillRect(image.rect(), gradient);
    painter.end();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPG", 85);
    return bytes;
}

// Localities lie in rows of `perRow`, 0.01 degrees apart.
std::shared_ptr<Locality> storeLocality(Project& project, const std::string& id, const QString& name, int n,
                                        QPointF corner, int perRow, qint64 timeStamp)
{
    const auto locality = project.createLocality(id);
    locality->setName(name);
    locality->setLatitude(corner.y() + 0.01 * (n / perRow));
    locality->setLongitude(corner.x() + 0.01 * (n % perRow));
    locality->setTimeStamp(timeStamp);
    project.syncLocalityDetails(locality.get());
    return locality;
}

bool fillSource(Project& project)
{
    const QDir images(project.folder().absoluteFilePath(QStringLiteral("images")));
    QDir().mkpath(images.absolutePath());
    const QByteArray photo = photograph();
    project.database()->exec("BEGIN");
    int next = 0;
    for (int l = 0; l < SourceLocalities; ++l) {
        const auto locality = storeLocality(project, idOf("l", ++next), QStringLiteral("S%1").arg(l), l,
                                            QPointF(7.0, 46.0), 20, 1600000000 + l * 100);
        const double lat = locality->latitude();
        const double lon = locality->longitude();
        for (int d = 0; d < DataPerLocality; ++d) {
            std::shared_ptr<Data> datum;
            if (d < 5) {
                datum = locality->addPlane(idOf("d", ++next), lat + d * 1e-4, lon, float(10 + d * 10),
                                           float((l * 7 + d * 40) % 360), 1, 1, QStringLiteral("bedding"));
            } else if (d < 7) {
                datum = locality->addLineation(idOf("d", ++next), lat, lon + d * 1e-4, float(d * 5),
                                               float((l * 11 + d * 30) % 360), 1, 9, QStringLiteral("fold axis"));
            } else {
                const QString name = QStringLiteral("photo%1.jpg").arg(l);
                QFile file(images.absoluteFilePath(name));
                if (!file.open(QIODevice::WriteOnly) || file.write(photo) != photo.size())
                    return false;
                datum = locality->addImage(idOf("d", ++next), lat, lon + 2e-4, 90.0f, name,
                                           QStringLiteral("outcrop"), QString(), QString());
            }
            datum->setTimeStamp(locality->timeStamp() + d + 1);
            project.syncDataDetails(datum);
        }
    }
    project.database()->exec("COMMIT");
    return true;
}

std::shared_ptr<Locality> fillTarget(Project& project, int data)
{
    const int localities = std::max(1, data / 100);
    std::shared_ptr<Locality> first;
    project.database()->exec("BEGIN");
    int next = 0;
    for (int l = 0; l < localities; ++l) {
        const auto locality = storeLocality(project, idOf("t", ++next), QStringLiteral("T%1").arg(l), l,
                                            QPointF(7.2, 46.2), 10, 1500000000 + l * 1000);
        const int count = data / localities + (l < data % localities ? 1 : 0);
        for (int d = 0; d < count; ++d) {
            const auto datum = locality->addPlane(idOf("t", ++next), locality->latitude() + (d / 10) * 1e-4,
                                                  locality->longitude() + (d % 10) * 1e-4, float(d % 90),
                                                  float(d % 360), 1, 1, QString());
            datum->setTimeStamp(locality->timeStamp() + d + 1);
            project.syncDataDetails(datum);
        }
        if (!first)
            first = locality;
    }
    project.database()->exec("COMMIT");
    return first;
}

int qmlWarnings = 0;
QtMessageHandler previousHandler = nullptr;

void countWarnings(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (type == QtWarningMsg && message.contains(QLatin1String("qrc:/qml/")))
        ++qmlWarnings;
    previousHandler(type, context, message);
}

// Runs the event loop until the condition holds or the time is out.
bool waitFor(const std::function<bool()>& condition, int milliseconds)
{
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > milliseconds)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

bool copyFolder(const QDir& from, const QString& to)
{
    if (!QDir().mkpath(to))
        return false;
    for (const QFileInfo& entry : from.entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QString destination = QDir(to).filePath(entry.fileName());
        if (entry.isDir() ? !copyFolder(QDir(entry.absoluteFilePath()), destination)
                          : !QFile::copy(entry.absoluteFilePath(), destination))
            return false;
    }
    return true;
}

int runCase(int targetData)
{
    QTemporaryDir scratch;
    // BENCH_PROJECTMERGE_DOCUMENTS: only write both projects there, for a walk of the program.
    const QString kept = qEnvironmentVariable("BENCH_PROJECTMERGE_DOCUMENTS");
    const QString documents = kept.isEmpty() ? scratch.filePath(QStringLiteral("documents")) : kept;
    QDir().mkpath(documents);
    test::MapPageStart page(documents);
    test::resetModelManager();
    std::shared_ptr<Project> source = page.createProject(QStringLiteral("Source"), QStringLiteral("source.qz"));
    std::shared_ptr<Project> target = page.createProject(QStringLiteral("Target"), QStringLiteral("target.qz"));
    if (!source || !target)
        return 1;
    for (Project* project : {source.get(), target.get()}) {
        project->addRockUnit(1, QStringLiteral("Limestone"), QColor(30, 120, 200), 0);
        project->save();
    }
    if (!fillSource(*source))
        return 1;
    std::shared_ptr<Locality> first = fillTarget(*target, targetData);
    if (!kept.isEmpty())
        return 0;
    source.reset();
    // The model-level merge starts from the same files.
    const QString copy = scratch.filePath(QStringLiteral("copy.qz"));
    if (!copyFolder(target->folder(), copy))
        return 1;
    test::MapPageStart::openOnStart(std::move(target), std::move(first));
    if (!page.start(1280, 800)) {
        std::fprintf(stderr, "the map page did not appear\n");
        return 1;
    }
    ModelManager* models = ModelManager::instance();
    std::shared_ptr<Project> current = models->currentProject();
    uint sourceId = 0;
    for (int i = 0; i < models->projectCount(); ++i) {
        if (models->projectAt(i)->name() == QLatin1String("Source"))
            sourceId = models->projectAt(i)->qmlId();
    }
    if (!current || sourceId == 0)
        return 1;
    // The notebook has been open, as in a day's work: its list follows the merge.
    if (!page.screen().openTool(QStringLiteral("Notebook"), QStringLiteral("dataTool"))) {
        std::fprintf(stderr, "the notebook did not open\n");
        return 1;
    }
    // Let the map settle so its start is not counted.
    waitFor([] { return false; }, 2000);

    const std::shared_ptr<DialogController> dialogs = page.application()->dialogController();
    dialogs->launchCustomDialog(QStringLiteral("ImportProjectDialog.qml"));
    QObject* dialog = nullptr;
    if (!waitFor([&] { return (dialog = dialogs->customDialog()) != nullptr; }, 10000))
        return 1;
    dialog->setProperty("projectId", sourceId);
    QObject* images = dialog->findChild<QObject*>(QStringLiteral("importImages"));
    // The dialog closes itself on success.
    const QPointer<QObject> progress = dialog->findChild<QObject*>(QStringLiteral("activityIndicator"));
    const QPointer<QObject> shown = dialog;
    if (!images || !progress)
        return 1;
    images->setProperty("checked", true);
    waitFor([] { return false; }, 300);

    int resets = 0;
    QObject::connect(current->localityListModel(), &QAbstractItemModel::modelReset, [&] { ++resets; });
    int progressSteps = 0;
    int lastProgress = -1;
    qint64 longestWait = 0;
    qint64 longestWaitEnded = 0;
    qint64 longestProgressGap = 0;
    qint64 lastProgressAt = 0;
    QElapsedTimer clock;
    qint64 lastTick = 0;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    ticker.setInterval(1);
    const long residentBefore = residentKilobytes();
    QElapsedTimer watch;
    watch.start();
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        // A runaway merge must not starve the machine: stopped where it stands.
        if (watch.elapsed() >= 200) {
            watch.restart();
            const long resident = residentKilobytes();
            if (resident - residentBefore > StopGrowthKb || now > StopAfterNs) {
                std::printf("3,000 data in 375 localities into %d data: STOPPED after %.0f ms at %d %%, "
                            "memory %ld -> %ld MB, longest GUI wait so far %.1f ms\n",
                            targetData, now / 1e6, lastProgress, residentBefore / 1024, resident / 1024,
                            longestWait / 1e6);
                std::fflush(stdout);
                std::_Exit(2);
            }
        }
        if (now - lastTick > longestWait) {
            longestWait = now - lastTick;
            longestWaitEnded = now;
        }
        lastTick = now;
        const int value = progress ? progress->property("progress").toInt() : 100;
        if (value != lastProgress) {
            ++progressSteps;
            lastProgress = value;
            longestProgressGap = std::max(longestProgressGap, now - lastProgressAt);
            lastProgressAt = now;
        }
    });
    const long peakBefore = peakKilobytes();
    qmlWarnings = 0;
    previousHandler = qInstallMessageHandler(countWarnings);
    clock.start();
    ticker.start();
    QMetaObject::invokeMethod(dialog, "startMerge");
    const bool ended = waitFor([&] { return !shown || !shown->property("busy").toBool(); }, 600000);
    const double wall = clock.nsecsElapsed() / 1e6;
    // The screens' refresh after the end counts too.
    waitFor([] { return false; }, 1000);
    ticker.stop();
    qInstallMessageHandler(previousHandler);
    const long peakAfter = peakKilobytes();
    std::printf("3,000 data in 375 localities into %d data: %s after %.0f ms; longest GUI wait %.1f ms "
                "(ending at %.0f ms); "
                "progress moved %d times (longest still %.0f ms); peak memory growth %ld MB (%ld -> %ld MB); "
                "locality list resets %d; QML warnings %d\n",
                targetData, ended ? qPrintable(dialogs->toastMessage()) : "no end", wall, longestWait / 1e6,
                longestWaitEnded / 1e6,
                progressSteps, longestProgressGap / 1e6, (peakAfter - std::max(residentBefore, 0L)) / 1024,
                residentBefore / 1024, peakAfter / 1024, resets, qmlWarnings);
    (void)peakBefore;

    // The importer alone on fresh objects of the same files.
    {
        Project sourceCopy(ProjectId(9001), nullptr, QDir(QDir(documents).filePath(QStringLiteral("source.qz"))));
        Project targetCopy(ProjectId(9002), nullptr, QDir(copy));
        QElapsedTimer model;
        model.start();
        ProjectImporter importer(&targetCopy, nullptr);
        const bool merged = importer.run(&sourceCopy, true, false);
        const double modelWall = model.nsecsElapsed() / 1e6;
        std::printf("  model-level merge: %s in %.0f ms; whole program %.2fx (target at most 2x)\n",
                    merged ? "ok" : "FAILED", modelWall, modelWall > 0 ? wall / modelWall : 0.0);
    }
    return ended && dialogs->toastMessage() == QLatin1String("Import Successful") ? 0 : 1;
}

} // namespace

int main(int argc, char* argv[])
{
    qputenv("QSG_RENDER_LOOP", "basic");
    if (argc > 1) {
        QGuiApplication app(argc, argv);
        const int status = runCase(QString::fromLocal8Bit(argv[1]).toInt());
        std::fflush(stdout);
        // The program's singletons outlive this case; the process ends here.
        std::_Exit(status);
    }
    QCoreApplication app(argc, argv);
    int status = 0;
    for (int data : {2, 10000}) {
        // Settings, caches and the undo history of each case in a scratch home.
        QTemporaryDir home;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("HOME"), home.path());
        for (const char* name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "TMPDIR"}) {
            const QString folder = home.filePath(QString::fromLatin1(name));
            QDir().mkpath(folder);
            environment.insert(QString::fromLatin1(name), folder);
        }
        QProcess child;
        child.setProcessEnvironment(environment);
        child.setProcessChannelMode(QProcess::ForwardedChannels);
        child.start(QCoreApplication::applicationFilePath(), {QString::number(data)});
        child.waitForFinished(-1);
        status |= child.exitCode();
    }
    return status;
}
