// Merging a project into another: a source of 20 localities with 500 data and
// 50 lines each (default), written to the target as the import task does,
// beside the floor: the same rows inserted by plain SQLite in one transaction.
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
#include <QtGlobal>

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

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

struct Row
{
    std::string table;
    std::string dataId;
    std::string localityId;
    std::string message;
};

// Every locality, data and line row of a project, as stored.
std::vector<Row> storedRows(sqlite3* database)
{
    std::vector<Row> rows;
    const char* const queries[] = {"SELECT 'localities', localityId, '', message FROM localities",
                                   "SELECT 'data', dataId, localityId, message FROM data",
                                   "SELECT 'linedata', dataId, localityId, message FROM linedata"};
    for (const char* sql : queries) {
        sqlite3_stmt* statement = nullptr;
        sqlite3_prepare_v2(database, sql, -1, &statement, nullptr);
        while (sqlite3_step(statement) == SQLITE_ROW) {
            auto text = [&](int column) {
                return std::string(static_cast<const char*>(sqlite3_column_blob(statement, column)),
                                   std::size_t(sqlite3_column_bytes(statement, column)));
            };
            rows.push_back({text(0), text(1), text(2), text(3)});
        }
        sqlite3_finalize(statement);
    }
    return rows;
}

// The rows inserted with one prepared statement per table in one transaction.
// Not inlined, so that callgrind can count each side apart.
Q_NEVER_INLINE void insertPlain(sqlite3* database, const std::vector<Row>& rows)
{
    sqlite3_exec(database, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt* localities = nullptr;
    sqlite3_stmt* data = nullptr;
    sqlite3_stmt* lines = nullptr;
    sqlite3_prepare_v2(database, "INSERT INTO localities (localityId, message) VALUES (?,?)", -1, &localities,
                       nullptr);
    sqlite3_prepare_v2(database, "INSERT INTO data (dataId, localityId, message) VALUES (?,?,?)", -1, &data,
                       nullptr);
    sqlite3_prepare_v2(database, "INSERT INTO linedata (dataId, localityId, message) VALUES (?,?,?)", -1, &lines,
                       nullptr);
    for (const Row& row : rows) {
        sqlite3_stmt* statement = row.table == "localities" ? localities : row.table == "data" ? data : lines;
        int column = 1;
        sqlite3_bind_text(statement, column++, row.dataId.data(), int(row.dataId.size()), SQLITE_STATIC);
        if (statement != localities)
            sqlite3_bind_text(statement, column++, row.localityId.data(), int(row.localityId.size()),
                              SQLITE_STATIC);
        sqlite3_bind_blob(statement, column, row.message.data(), int(row.message.size()), SQLITE_STATIC);
        sqlite3_step(statement);
        sqlite3_reset(statement);
    }
    sqlite3_finalize(localities);
    sqlite3_finalize(data);
    sqlite3_finalize(lines);
    sqlite3_exec(database, "COMMIT", nullptr, nullptr, nullptr);
}

double median(std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    const int localities = argc > 1 ? atoi(argv[1]) : 20;
    const int data = argc > 2 ? atoi(argv[2]) : 500;
    const int lines = argc > 3 ? atoi(argv[3]) : 50;
    const int passes = 5;
    QTemporaryDir root;
    const QDir folder(root.path());
    folder.mkdir(QStringLiteral("source.qz"));
    Project source(ProjectId(1), nullptr, QStringLiteral("Source"), QString(), QString(),
                   QDir(folder.filePath(QStringLiteral("source.qz"))));
    fill(source, localities, data, lines);

    // Each pass into fresh files: the disk's mood changes from second to
    // second, so both sides take turns and the medians are compared.
    std::vector<double> mergeTimes;
    std::vector<double> plainTimes;
    std::size_t rowCount = 0;
    bool merged = true;
    for (int pass = 0; pass < passes; ++pass) {
        const QString targetName = QStringLiteral("target%1.qz").arg(pass);
        const QString plainName = QStringLiteral("plain%1.qz").arg(pass);
        folder.mkdir(targetName);
        folder.mkdir(plainName);
        Project target(ProjectId(2), nullptr, QStringLiteral("Target"), QString(), QString(),
                       QDir(folder.filePath(targetName)));
        QElapsedTimer timer;
        timer.start();
        ProjectImporter importer(&target, nullptr);
        merged = importer.run(&source, true, true) && merged;
        mergeTimes.push_back(timer.nsecsElapsed() / 1e6);

        const std::vector<Row> rows = storedRows(target.database()->connection());
        rowCount = rows.size();
        Project plain(ProjectId(3), nullptr, QStringLiteral("Plain"), QString(), QString(),
                      QDir(folder.filePath(plainName)));
        timer.restart();
        insertPlain(plain.database()->connection(), rows);
        plainTimes.push_back(timer.nsecsElapsed() / 1e6);
    }
    const double mergeTime = median(mergeTimes);
    const double plainTime = median(plainTimes);
    std::printf("merge of %d localities x (%d data, %d lines), %zu rows: %s, median of %d %.0f ms\n", localities,
                data, lines, rowCount, merged ? "ok" : "FAILED", passes, mergeTime);
    std::printf("the same rows in one plain SQLite transaction: median %.0f ms (merge %.2fx; target at most 2x)\n",
                plainTime, plainTime > 0 ? mergeTime / plainTime : 0.0);
    return merged ? 0 : 1;
}
