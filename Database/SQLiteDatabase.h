#pragma once

#include "Database/SQLiteLog.h"

#include <mutex>
#include <string>
#include <unordered_map>

struct sqlite3;
struct sqlite3_stmt;

namespace kiv {

// One SQLite connection. No PRAGMA and no busy timeout are set: contention
// is handled by the retry loops of the statement classes.
class SQLiteDatabase
{
public:
    SQLiteDatabase();
    virtual ~SQLiteDatabase();

    SQLiteDatabase(const SQLiteDatabase&) = delete;
    SQLiteDatabase& operator=(const SQLiteDatabase&) = delete;

    // Opens or creates the file (UTF-8 path). Failure is logged, not thrown.
    bool open(const std::string& path);
    void close();
    bool isOpen() const { return m_connection != nullptr; }

    // Runs statements without parameters or results; throws SQLiteException.
    void exec(const std::string& sql);

    std::string resultCodeName(int code) const;

    sqlite3* connection() const { return m_connection; }
    const std::string& path() const { return m_path; }
    SQLiteLog& log() { return m_log; }
    const SQLiteLog& log() const { return m_log; }

    // A prepared statement for sql, kept from an earlier use when there is
    // one (parsing costs more than most single-row statements); null on
    // failure, with the error on the connection.
    sqlite3_stmt* takeStatement(const std::string& sql);
    // Resets the statement and keeps it for the next take of sql (or
    // finalizes it); the result is that of its last step.
    int returnStatement(const std::string& sql, sqlite3_stmt* statement);

    // SQLite's text for the last error on this connection, empty when closed.
    std::string errorMessage() const;

    // Logs message (with SQLite's error text when asked and open) and throws.
    [[noreturn]] void raise(const std::string& message, bool withSQLiteText = true);

private:
    void finalizeIdleStatements();

    sqlite3* m_connection = nullptr;
    // Commands run on the GUI thread and on task threads alike.
    std::mutex m_idleMutex;
    std::unordered_multimap<std::string, sqlite3_stmt*> m_idle;
    std::string m_path;
    SQLiteLog m_log;
};

} // namespace kiv
