// Merging a project into another: a source of 20 localities with 500 data and
// 50 lines each (default), written to the target as the import task does.
// Usage: bench_projectimport [localities data lines]

#include "Database/SQLiteDatabase.h"
#include "model/Data.h"
#include "model/LineData2D.h"
#include "model/Locality.h"
#include "model/Project.h"
#include "model/ProjectImporter.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cstdio>

using namespace kiv;

namespace {

std::string idOf(const char* kind, int n)
{
    return QStringLiteral("%1%2").arg(QLatin1String(kind)).arg(n, 30, 16, QLatin1Char('0')).toStdString();
}

void fill(Project& project, int localities, int data, int lines)
{
    project.database()->exec("BEGIN");
    for (int l = 0; l < localities; ++l) {
        const auto locality = project.createLocality(idOf("l", l));
        locality->setName(QStringLiteral("L%1").arg(l));
        project.syncLocalityDetails(locality.get());
        for (int d = 0; d < data; ++d)
            project.syncDataDetails(locality->addPlane(idOf("d", l * data + d), 46.0 + d * 1e-5, 7.0, 30.0f,
                                                       float(d % 360), 1, 1, QStringLiteral("bedding")));
        for (int n = 0; n < lines; ++n) {
            const auto line = locality->addPolyline(idOf("p", l * lines + n), -1, 0, 2.0f, 1.0f, QString());
            for (int p = 0; p < 20; ++p)
                line->addPoint(46.0 + p * 1e-4, 7.0 + n * 1e-5);
            project.syncLineDataDetails(line.get());
        }
    }
    project.database()->exec("COMMIT");
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    const int localities = argc > 1 ? atoi(argv[1]) : 20;
    const int data = argc > 2 ? atoi(argv[2]) : 500;
    const int lines = argc > 3 ? atoi(argv[3]) : 50;
    QTemporaryDir root;
    QDir(root.path()).mkdir(QStringLiteral("source.qz"));
    QDir(root.path()).mkdir(QStringLiteral("target.qz"));
    Project source(ProjectId(1), nullptr, QStringLiteral("Source"), QString(), QString(),
                   QDir(root.filePath(QStringLiteral("source.qz"))));
    Project target(ProjectId(2), nullptr, QStringLiteral("Target"), QString(), QString(),
                   QDir(root.filePath(QStringLiteral("target.qz"))));
    fill(source, localities, data, lines);

    QElapsedTimer timer;
    timer.start();
    ProjectImporter importer(&target, nullptr);
    const bool merged = importer.run(&source, true, true);
    std::printf("merge of %d localities x (%d data, %d lines): %s in %lld ms\n", localities, data, lines,
                merged ? "ok" : "FAILED", static_cast<long long>(timer.elapsed()));
    return merged ? 0 : 1;
}
