#include "Database/SQLiteDatabase.h"

#include "Database/SQLiteException.h"

#include <sqlite3.h>

namespace kiv {

namespace {

const char* primaryCodeName(int code)
{
    static const char* const names[] = {
        nullptr, "SQLITE_ERROR", "SQLITE_INTERNAL", "SQLITE_PERM", "SQLITE_ABORT", "SQLITE_BUSY",
        "SQLITE_LOCKED", "SQLITE_NOMEM", "SQLITE_READONLY", "SQLITE_INTERRUPT", "SQLITE_IOERR",
        "SQLITE_CORRUPT", "SQLITE_NOTFOUND", "SQLITE_FULL", "SQLITE_CANTOPEN", "SQLITE_PROTOCOL",
        "SQLITE_EMPTY", "SQLITE_SCHEMA", "SQLITE_TOOBIG", "SQLITE_CONSTRAINT", "SQLITE_MISMATCH",
        "SQLITE_MISUSE", "SQLITE_NOLFS", "SQLITE_AUTH", "SQLITE_FORMAT", "SQLITE_RANGE", "SQLITE_NOTADB",
    };
    if (code >= 1 && code <= 26)
        return names[code];
    if (code == 100)
        return "SQLITE_ROW";
    if (code == 101)
        return "SQLITE_DONE";
    if (code == 262)
        return "SQLITE_LOCKED_SHAREDCACHE";
    // Extended I/O errors: 10 | (n << 8) for n = 1 .. 17.
    static const char* const ioErrors[] = {
        "SQLITE_IOERR_READ", "SQLITE_IOERR_SHORT_READ", "SQLITE_IOERR_WRITE", "SQLITE_IOERR_FSYNC",
        "SQLITE_IOERR_DIR_FSYNC", "SQLITE_IOERR_TRUNCATE", "SQLITE_IOERR_FSTAT", "SQLITE_IOERR_UNLOCK",
        "SQLITE_IOERR_RDLOCK", "SQLITE_IOERR_DELETE", "SQLITE_IOERR_BLOCKED", "SQLITE_IOERR_NOMEM",
        "SQLITE_IOERR_ACCESS", "SQLITE_IOERR_CHECKRESERVEDLOCK", "SQLITE_IOERR_LOCK", "SQLITE_IOERR_CLOSE",
        "SQLITE_IOERR_DIR_CLOSE",
    };
    if ((code & 0xff) == 10) {
        const int n = code >> 8;
        if (n >= 1 && n <= 17)
            return ioErrors[n - 1];
    }
    return nullptr;
}

} // namespace

SQLiteDatabase::SQLiteDatabase()
    : m_log(this)
{
}

SQLiteDatabase::~SQLiteDatabase()
{
    close();
}

bool SQLiteDatabase::open(const std::string& path)
{
    close();
    m_path = path;
    const int result = sqlite3_open_v2(path.c_str(), &m_connection, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (result == SQLITE_OK)
        return true;
    std::string text = "Failed to open database file '" + path + "'" + resultCodeName(result);
    if (m_connection)
        text += " " + errorMessage();
    m_log.addError(text);
    close();
    return false;
}

namespace {
// Enough for every statement text the program uses on one connection.
constexpr std::size_t idleStatementLimit = 64;
} // namespace

sqlite3_stmt* SQLiteDatabase::takeStatement(const std::string& sql)
{
    if (!m_connection)
        return nullptr;
    {
        const std::lock_guard<std::mutex> lock(m_idleMutex);
        const auto found = m_idle.find(sql);
        if (found != m_idle.end()) {
            sqlite3_stmt* statement = found->second;
            m_idle.erase(found);
            return statement;
        }
    }
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v3(m_connection, sql.c_str(), -1, SQLITE_PREPARE_PERSISTENT, &statement, nullptr)
        != SQLITE_OK) {
        sqlite3_finalize(statement);
        return nullptr;
    }
    return statement;
}

int SQLiteDatabase::returnStatement(const std::string& sql, sqlite3_stmt* statement)
{
    if (!m_connection || sqlite3_db_handle(statement) != m_connection)
        return sqlite3_finalize(statement);
    const int result = sqlite3_reset(statement);
    sqlite3_clear_bindings(statement);
    const std::lock_guard<std::mutex> lock(m_idleMutex);
    if (m_idle.size() < idleStatementLimit)
        m_idle.emplace(sql, statement);
    else
        sqlite3_finalize(statement);
    return result;
}

void SQLiteDatabase::finalizeIdleStatements()
{
    const std::lock_guard<std::mutex> lock(m_idleMutex);
    for (const auto& idle : m_idle)
        sqlite3_finalize(idle.second);
    m_idle.clear();
}

void SQLiteDatabase::close()
{
    if (!m_connection)
        return;
    finalizeIdleStatements();
    const int result = sqlite3_close(m_connection);
    if (result != SQLITE_OK) {
        m_log.addError("Failed to close database file '" + m_path + "'" + resultCodeName(result) + " "
                       + errorMessage());
        // Statements still alive: let SQLite close the file once they are
        // finalized instead of leaking the connection.
        sqlite3_close_v2(m_connection);
    }
    m_connection = nullptr;
}

void SQLiteDatabase::exec(const std::string& sql)
{
    if (!m_connection)
        raise("Failed to execute SQL statement \"" + sql + "\". " + resultCodeName(SQLITE_MISUSE), false);
    // One statement (a savepoint per written row) is kept prepared.
    if (sql.find(';') == std::string::npos) {
        if (sqlite3_stmt* statement = takeStatement(sql)) {
            int result = SQLITE_ROW;
            while (result == SQLITE_ROW)
                result = sqlite3_step(statement);
            // The text before the reset clears it.
            const std::string errorText = result == SQLITE_DONE ? std::string() : errorMessage();
            returnStatement(sql, statement);
            if (result == SQLITE_DONE)
                return;
            raise("Failed to execute SQL statement \"" + sql + "\". " + resultCodeName(result) + errorText, false);
        }
    }
    char* errorText = nullptr;
    const int result = sqlite3_exec(m_connection, sql.c_str(), nullptr, nullptr, &errorText);
    if (result == SQLITE_OK) {
        sqlite3_free(errorText);
        return;
    }
    std::string message = "Failed to execute SQL statement \"" + sql + "\". " + resultCodeName(result);
    if (errorText)
        message += errorText;
    sqlite3_free(errorText);
    raise(message, false);
}

std::string SQLiteDatabase::resultCodeName(int code) const
{
    std::string name;
    if (code == SQLITE_CANTOPEN)
        name = "SQLITE_CANTOPEN " + m_path;
    else if (const char* known = primaryCodeName(code))
        name = known;
    else
        name = std::to_string(code);
    return " Code: '" + name + "' ";
}

std::string SQLiteDatabase::errorMessage() const
{
    if (!m_connection)
        return {};
    const char* text = sqlite3_errmsg(m_connection);
    return text ? std::string(text) : std::string();
}

void SQLiteDatabase::raise(const std::string& message, bool withSQLiteText)
{
    std::string detail = message;
    if (withSQLiteText && m_connection)
        detail += " " + errorMessage();
    m_log.addError(detail);
    throw SQLiteException(message, this, detail);
}

} // namespace kiv
