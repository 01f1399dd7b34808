// Start-up load of a large project against reading and parsing the same rows
// straight from SQLite, peak memory, and the load of one locality holding
// 5k, 10k and 20k data (which should grow linearly).
// Usage: bench_projectload [localities planes lines]
// (defaults 1000 100000 10000; lines have 20 points each)

#include "Database/Quarzel.pb.h"
#include "Database/SQLiteDatabase.h"
#include "Database/SQLiteQuery.h"
#include "model/Data.h"
#include "model/LineData2D.h"
#include "model/Locality.h"
#include "model/ModelManager.h"
#include "model/Project.h"
#include "PeakMemory.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <cstdio>
#include <ctime>
#include <memory>
#include <string>

using namespace kiv;

namespace {

// Wall time and this thread's CPU time: on a busy machine the CPU times
// give the steadier ratio.
struct Timing
{
    double wallMs = 0;
    double cpuMs = 0;
    long minorFaults = 0;
};

double threadCpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

// First touches of new heap pages: most of what a load costs above the raw
// read on machines where a page fault is slow.
long minorFaults()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_minflt;
}

class Stopwatch
{
public:
    Stopwatch() : m_cpu(threadCpuMs()), m_faults(minorFaults()) { m_wall.start(); }
    Timing elapsed() const
    {
        return {m_wall.nsecsElapsed() / 1e6, threadCpuMs() - m_cpu, minorFaults() - m_faults};
    }

private:
    QElapsedTimer m_wall;
    double m_cpu;
    long m_faults;
};

std::string idOf(const char* kind, int n)
{
    return QStringLiteral("%1%2").arg(QLatin1String(kind)).arg(n, 30, 16, QLatin1Char('0')).toStdString();
}

// A project in folder with the given content, written in one transaction.
void makeProject(const QString& folder, int localities, int planes, int lines)
{
    Project project(ProjectId(1), nullptr, QStringLiteral("Bench"), QString(), QString(), QDir(folder));
    project.database()->exec("BEGIN");
    qint64 stamp = 1000000;
    for (int l = 0; l < localities; ++l) {
        Locality locality(ProjectId(1), idOf("l", l));
        locality.setTimeStamp(++stamp);
        project.syncLocalityDetails(&locality);
        for (int d = l; d < planes; d += localities) {
            auto plane = Data::createPlane(idOf("d", d), locality.id(), 46.0 + d * 1e-5, 7.0, 30.0f,
                                           float(d % 360), 1, 1, QStringLiteral("bedding"));
            plane->setTimeStamp(++stamp);
            project.syncDataDetails(plane);
        }
        for (int n = l; n < lines; n += localities) {
            auto line = LineData2D::create(idOf("p", n), locality.id(), 1, 0, false, QString());
            for (int p = 0; p < 20; ++p)
                line->addPoint(46.0 + p * 1e-4, 7.0 + n * 1e-5);
            line->setTimeStamp(++stamp);
            project.syncLineDataDetails(line.get());
        }
    }
    project.database()->exec("COMMIT");
    project.close();
}

// Reads every row of the three tables and parses it: the floor for a load.
Timing rawRead(const QString& databasePath, int* rows)
{
    const Stopwatch timer;
    SQLiteDatabase database;
    database.open(databasePath.toStdString());
    std::string message;
    *rows = 0;
    auto readAll = [&](const char* table, auto record) {
        SQLiteQuery query(&database);
        query.prepare(std::string("SELECT message FROM ") + table);
        query.bindBlob(&message);
        while (query.step()) {
            record.ParseFromString(message);
            ++*rows;
        }
    };
    readAll("localities", QZProtoBuffers::Locality());
    readAll("data", QZProtoBuffers::Data());
    readAll("linedata", QZProtoBuffers::LineData2D());
    database.close();
    return timer.elapsed();
}

// The program's start-up on a documents folder holding the project.
Timing startUp(const QString& documents, int* data)
{
    delete ModelManager::instance();
    ModelManager::instance() = new ModelManager;
    const Stopwatch timer;
    ModelManager::instance()->init(QDir(documents));
    const Timing time = timer.elapsed();
    *data = 0;
    if (const auto project = ModelManager::instance()->currentProject()) {
        for (const auto& locality : project->localities())
            *data += int(locality->data().size() + locality->lines().size());
    }
    delete ModelManager::instance();
    ModelManager::instance() = nullptr;
    return time;
}

// Loading the content of one locality holding count data.
double oneLocalityMs(const QString& root, int count)
{
    const QString folder = root + QStringLiteral("/one%1.qz").arg(count);
    QDir().mkpath(folder);
    makeProject(folder, 1, count, 0);
    Project project(ProjectId(2), nullptr, QDir(folder));
    QElapsedTimer timer;
    timer.start();
    project.load(true);
    const double ms = timer.nsecsElapsed() / 1e6;
    project.close();
    return ms;
}

} // namespace

int main(int argc, char** argv)
{
    QTemporaryDir scratch;
    // Settings and the undo history stay inside the scratch folder.
    qputenv("XDG_CONFIG_HOME", (scratch.path() + "/config").toUtf8());
    qputenv("TMPDIR", scratch.path().toUtf8());
    QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("KIV-bench"));
    QCoreApplication::setApplicationName(QStringLiteral("bench_projectload"));
    const QStringList args = app.arguments();
    const int localities = args.size() > 1 ? args[1].toInt() : 1000;
    const int planes = args.size() > 2 ? args[2].toInt() : 100000;
    const int lines = args.size() > 3 ? args[3].toInt() : 10000;

    const QString documents = scratch.path() + QStringLiteral("/documents");
    const QString folder = documents + QStringLiteral("/project1.qz");
    QDir().mkpath(folder);
    QElapsedTimer making;
    making.start();
    makeProject(folder, localities, planes, lines);
    const QString databasePath = folder + QStringLiteral("/main.db");
    std::printf("project: %d localities, %d planes, %d lines of 20 points; main.db %.1f MB, made in %.1f s\n",
                localities, planes, lines, QFileInfo(databasePath).size() / 1e6, making.elapsed() / 1000.0);

    int loaded = 0;
    const Timing load = startUp(documents, &loaded);
    int rows = 0;
    const Timing raw = rawRead(databasePath, &rows);
    std::printf("start-up load:      %9.1f ms, %.1f ms CPU, %ld page faults (%d data and lines)\n", load.wallMs,
                load.cpuMs, load.minorFaults, loaded);
    std::printf("raw read and parse: %9.1f ms, %.1f ms CPU, %ld page faults (%d rows)\n", raw.wallMs, raw.cpuMs,
                raw.minorFaults, rows);
    std::printf("ratio:              %9.2f, %.2f CPU (target at most 3)\n", load.wallMs / raw.wallMs,
                load.cpuMs / raw.cpuMs);
    std::printf("peak memory:        %9ld kB (VmHWM)\n", peakKilobytes());

    for (const int count : {5000, 10000, 20000})
        std::printf("one locality, %5d data: %8.1f ms\n", count, oneLocalityMs(scratch.path(), count));
    return 0;
}
