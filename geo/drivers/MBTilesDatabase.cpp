#include "geo/drivers/MBTilesDatabase.h"

#include <sqlite3.h>

#include <QFileInfo>
#include <QUrl>

namespace kiv::geo::Drivers {

MBTilesDatabase::MBTilesDatabase(sqlite3* db) : db_(db)
{
    sqlite3_progress_handler(db_, StepsPerCheck, &MBTilesDatabase::onProgress, this);
    // Functions with side effects never run from the file's own schema.
    sqlite3_db_config(db_, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
    sqlite3_db_config(db_, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
}

MBTilesDatabase::~MBTilesDatabase()
{
    sqlite3_close(db_);
}

int MBTilesDatabase::onProgress(void* self)
{
    auto* database = static_cast<MBTilesDatabase*>(self);
    return --database->remainingChecks_ < 0 ? 1 : 0;
}

std::unique_ptr<MBTilesDatabase> MBTilesDatabase::open(const QString& path, QString* error)
{
    const QFileInfo info(path);
    if (!info.isFile()) {
        *error = QStringLiteral("No such file: ") + path;
        return nullptr;
    }
    const QByteArray uri = "file:" + QUrl::toPercentEncoding(info.absoluteFilePath(), "/")
        + "?mode=ro&immutable=1";
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(uri.constData(), &db,
                        SQLITE_OPEN_READONLY | SQLITE_OPEN_URI | SQLITE_OPEN_NOMUTEX, nullptr)
        != SQLITE_OK) {
        *error = QString::fromUtf8(sqlite3_errmsg(db));
        sqlite3_close(db);
        return nullptr;
    }
    std::unique_ptr<MBTilesDatabase> database(new MBTilesDatabase(db));
    *error = database->checkSchema();
    if (!error->isEmpty())
        return nullptr;
    return database;
}

QString MBTilesDatabase::checkSchema()
{
    armGuard();
    sqlite3_stmt* query = nullptr;
    if (sqlite3_prepare_v2(db_,
                           "SELECT lower(name), type FROM sqlite_master "
                           "WHERE lower(name) IN ('metadata', 'tiles')",
                           -1, &query, nullptr)
        != SQLITE_OK) {
        const QString message = QString::fromUtf8(sqlite3_errmsg(db_));
        sqlite3_finalize(query);
        return QStringLiteral("Not an SQLite database: ") + message;
    }
    QString refusal;
    int step;
    while ((step = sqlite3_step(query)) == SQLITE_ROW) {
        const auto* type = reinterpret_cast<const char*>(sqlite3_column_text(query, 1));
        if (!type || qstrcmp(type, "table") != 0) {
            refusal = QStringLiteral("\"%1\" is not a table")
                          .arg(QString::fromUtf8(
                              reinterpret_cast<const char*>(sqlite3_column_text(query, 0))));
            break;
        }
    }
    if (refusal.isEmpty() && step != SQLITE_DONE)
        refusal = QString::fromUtf8(sqlite3_errmsg(db_));
    sqlite3_finalize(query);
    return refusal;
}

} // namespace kiv::geo::Drivers
