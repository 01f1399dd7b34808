// Times the KMZ, CSV and exchange (.kiv) exports of a generated project
// (100,000 data and 1,000 lines by default) next to ogr2ogr writing the same
// points and lines with LIBKML and the same points as CSV.
// Usage: bench_kmzexport [--csv-only] [data count] [line count] [folder to keep the output]
// --csv-only stops after the CSV comparison (the LIBKML run takes minutes).

#include "Database/SQLiteDatabase.h"
#include "Database/Task.h"
#include "app/ApplicationManagerWin.h"
#include "export/CSVExporter.h"
#include "export/KIVExporter.h"
#include "export/KMZExporter.h"
#include "model/Data.h"
#include "model/LineData2D.h"
#include "model/Locality.h"
#include "model/ModelManager.h"
#include "model/Project.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <cstdio>

using namespace kiv;

namespace {

class BenchTask : public Task
{
public:
    BenchTask()
        : Task(QStringLiteral("Exporter"), true)
    {
    }
    void work() override {}
};

std::string idOf(int n)
{
    return QStringLiteral("%1").arg(n, 32, 16, QLatin1Char('0')).toStdString();
}

// Writes the project and, for ogr2ogr, the same points and lines as CSV.
void generate(Project& project, int dataCount, int lineCount, const QString& pointsCsv,
              const QString& linesCsv)
{
    QRandomGenerator random(5);
    QFile points(pointsCsv);
    QFile lines(linesCsv);
    points.open(QIODevice::WriteOnly);
    lines.open(QIODevice::WriteOnly);
    points.write("name,lon,lat,description\n");
    lines.write("name,WKT\n");
    for (int unit = 1; unit <= 8; ++unit)
        project.addRockUnit(unit, QStringLiteral("Unit %1").arg(unit), QColor::fromHsv(unit * 40, 200, 200), 0);
    project.save();

    const int localityCount = 100;
    project.database()->exec("BEGIN");
    int next = 1;
    for (int l = 0; l < localityCount; ++l) {
        auto locality = project.createLocality(idOf(next++));
        locality->setName(QStringLiteral("Locality %1").arg(l));
        locality->setLatitude(45 + random.bounded(1.0));
        locality->setLongitude(9 + random.bounded(1.0));
        project.syncLocalityDetails(locality.get());
        for (int d = l; d < dataCount; d += localityCount) {
            const double lat = locality->latitude() + random.bounded(0.01);
            const double lon = locality->longitude() + random.bounded(0.01);
            const float dip = static_cast<float>(random.bounded(90.0));
            auto datum = locality->addPlane(idOf(next++), lat, lon, dip,
                                            static_cast<float>(random.bounded(360.0)),
                                            1 + random.bounded(8), random.bounded(13),
                                            QStringLiteral("Sample %1").arg(d));
            project.syncDataDetails(datum);
            locality->clear();
            points.write(QStringLiteral("%1,%2,%3,Sample %4\n").arg(dip, 0, 'f', 0).arg(lon, 0, 'f', 6)
                             .arg(lat, 0, 'f', 6).arg(d).toUtf8());
        }
        for (int i = l; i < lineCount; i += localityCount) {
            auto line = locality->addPolyline(idOf(next++), 1 + random.bounded(8), 0, 2.0f, 1.0f, QString());
            QString wkt = QStringLiteral("\"LINESTRING (");
            for (int p = 0; p < 20; ++p) {
                const double lat = locality->latitude() + p * 0.001;
                const double lon = locality->longitude() + random.bounded(0.01);
                line->addPoint(lat, lon);
                wkt += QStringLiteral("%1%2 %3").arg(p ? "," : "").arg(lon, 0, 'f', 6).arg(lat, 0, 'f', 6);
            }
            project.syncLineDataDetails(line.get());
            locality->clear();
            lines.write(QStringLiteral("Line %1,%2)\"\n").arg(i).arg(wkt).toUtf8());
        }
    }
    project.database()->exec("COMMIT");
}

// Runs ogr2ogr to its end; its exit code.
int ogr2ogr(const QStringList& arguments)
{
    QProcess process;
    process.start(QStringLiteral("ogr2ogr"), arguments);
    process.waitForFinished(-1);
    return process.exitCode();
}

int finish(std::shared_ptr<Project>& project, bool ok)
{
    project.reset();
    delete ModelManager::instance();
    ModelManager::instance() = nullptr;
    return ok ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    QGuiApplication app(argc, argv);
    QStringList args = app.arguments();
    const bool csvOnly = args.removeAll(QStringLiteral("--csv-only")) > 0;
    const int dataCount = args.size() > 1 ? args.at(1).toInt() : 100000;
    const int lineCount = args.size() > 2 ? args.at(2).toInt() : 1000;
    QTemporaryDir temp;
    const QString root = args.size() > 3 ? args.at(3) : temp.path();
    QDir(root).mkpath(QStringLiteral("project1.qz"));

    ApplicationManagerWin application(nullptr);
    ModelManager::instance() = new ModelManager;
    auto project = ModelManager::instance()->createProject(QStringLiteral("Bench"),
                                                           QDir(root + QStringLiteral("/project1.qz")));
    if (!project) {
        std::fprintf(stderr, "cannot create the project\n");
        return 1;
    }
    const QString pointsCsv = root + QStringLiteral("/points.csv");
    const QString linesCsv = root + QStringLiteral("/lines.csv");
    generate(*project, dataCount, lineCount, pointsCsv, linesCsv);

    BenchTask task;
    QElapsedTimer timer;
    // The exports that read the localities cold come first: the KMZ export
    // leaves their content loaded. Both CSV writers take turns, three rounds, so a busy machine slows
    // them alike; the CSV export drops what it loads, so every round reads cold.
    const QString ogrCsv = root + QStringLiteral("/ogr-points.csv");
    std::printf("%d data, %d lines\n", dataCount, lineCount);
    bool csvOk = true;
    for (int round = 0; round < 3; ++round) {
        timer.start();
        csvOk = CSVExporter().exportProject(*project) && csvOk;
        const qint64 csv = timer.elapsed();
        QFile::remove(ogrCsv);
        timer.restart();
        const int exitCode = ogr2ogr({"-f", "CSV", ogrCsv, pointsCsv, "-oo", "X_POSSIBLE_NAMES=lon", "-oo",
                                      "Y_POSSIBLE_NAMES=lat", "-lco", "GEOMETRY=AS_XY"});
        const qint64 ogrCsvTime = timer.elapsed();
        std::printf("CSVExporter:     %6lld ms  %s\n", static_cast<long long>(csv), csvOk ? "ok" : "FAILED");
        std::printf("ogr2ogr CSV:     %6lld ms  exit %d  points only\n", static_cast<long long>(ogrCsvTime),
                    exitCode);
    }
    if (csvOnly)
        return finish(project, csvOk);

    timer.restart();
    KIVExporter kivExporter(&task);
    const bool kivOk = kivExporter.exportProject(*project);
    const qint64 kiv = timer.elapsed();
    std::printf("KIVExporter:     %6lld ms  %s  %lld bytes\n", static_cast<long long>(kiv),
                kivOk ? "ok" : "FAILED",
                static_cast<long long>(QFileInfo(KIVExporter::archivePath(*project)).size()));

    KMZExporter exporter(&task);
    timer.restart();
    const bool ok = exporter.exportProject(*project, false);
    const qint64 ours = timer.elapsed();
    const QString archive = root + QStringLiteral("/project1.kmz");

    const QString ogrOut = root + QStringLiteral("/ogr.kmz");
    QFile::remove(ogrOut);
    timer.restart();
    const int pointsExit = ogr2ogr({"-f", "LIBKML", ogrOut, pointsCsv, "-oo", "X_POSSIBLE_NAMES=lon", "-oo",
                                    "Y_POSSIBLE_NAMES=lat", "-a_srs", "EPSG:4326"});
    const int linesExit = ogr2ogr({"-f", "LIBKML", "-append", ogrOut, linesCsv, "-a_srs", "EPSG:4326"});
    const qint64 theirs = timer.elapsed();

    std::printf("KMZExporter:     %6lld ms  %s  %lld bytes\n", static_cast<long long>(ours),
                ok ? "ok" : "FAILED", static_cast<long long>(QFileInfo(archive).size()));
    std::printf("ogr2ogr LIBKML:  %6lld ms  exit %d/%d  %lld bytes\n", static_cast<long long>(theirs),
                pointsExit, linesExit, static_cast<long long>(QFileInfo(ogrOut).size()));
    return finish(project, ok && csvOk && kivOk);
}
