#pragma once

#include <QString>

#include <memory>

struct sqlite3;

namespace kiv::geo::Drivers {

// An MBTiles package opened read-only and immutable (no journal is replayed,
// nothing is written beside it). Every query runs under a work bound: a
// statement still busy after it is interrupted, so a hostile schema cannot
// stall its reader. "metadata" and "tiles", where present, must be plain
// tables; a view there could cost any amount of work per row.
class MBTilesDatabase
{
public:
    // Null, with the reason in *error, when the file is no usable package.
    static std::unique_ptr<MBTilesDatabase> open(const QString& path, QString* error);
    ~MBTilesDatabase();
    MBTilesDatabase(const MBTilesDatabase&) = delete;
    MBTilesDatabase& operator=(const MBTilesDatabase&) = delete;

    sqlite3* handle() const { return db_; }
    // Grants the next query its bound of work; call before each statement.
    void armGuard() { remainingChecks_ = GuardChecks; }

    // Virtual machine steps between two checks, and checks per query.
    static constexpr int StepsPerCheck = 1000;
    static constexpr int GuardChecks = 20000;

private:
    explicit MBTilesDatabase(sqlite3* db);
    static int onProgress(void* self);
    QString checkSchema();

    sqlite3* db_;
    int remainingChecks_ = GuardChecks;
};

} // namespace kiv::geo::Drivers
