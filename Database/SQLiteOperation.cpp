#include "Database/SQLiteOperation.h"

#include "Database/SQLiteDatabase.h"
#include "Database/SQLiteException.h"

#include <sqlite3.h>

namespace kiv {

namespace {
constexpr int busyAttempts = 100;
constexpr int busySleepMs = 10;
} // namespace

SQLiteOperation::SQLiteOperation(SQLiteDatabase* database)
    : m_database(database)
{
}

SQLiteOperation::~SQLiteOperation()
{
    finalize();
}

void SQLiteOperation::prepare(const std::string& sql)
{
    finalize();
    m_sql = sql;
    sqlite3* connection = m_database ? m_database->connection() : nullptr;
    if (!connection)
        raise("Failed to prepare SQL statement: " + sql, false);
    m_statement = m_database->takeStatement(sql);
    if (!m_statement)
        raise("Failed to prepare SQL statement: " + sql);
}

void SQLiteOperation::bind(ColumnType type, void* value)
{
    m_bindings.emplace_back(type, value);
}

void SQLiteOperation::finalize()
{
    if (!m_statement)
        return;
    const int result = m_database ? m_database->returnStatement(m_sql, m_statement) : sqlite3_finalize(m_statement);
    if (result != SQLITE_OK && m_database) {
        std::string text = "Failed to finalize prepared SQL statement.";
        if (m_database->isOpen())
            text += " " + m_database->errorMessage();
        m_database->log().addError(text);
    }
    m_statement = nullptr;
}

void SQLiteOperation::raise(const std::string& message, bool withSQLiteText)
{
    std::string detail = message;
    if (withSQLiteText && m_database && m_database->isOpen())
        detail += " " + m_database->errorMessage() + ".";
    detail += " For SQL command \"" + m_sql + "\"";
    if (m_database)
        m_database->log().addError(detail);
    throw SQLiteException(message, m_database, detail);
}

void SQLiteOperation::requireStatement()
{
    if (!m_statement)
        raise("No SQL statement has been prepared.", false);
}

void SQLiteOperation::bindParameters(const std::vector<Binding>& values, const char* unknownTypeMessage,
                                     const char* bindFailedMessage, bool copyTexts)
{
    const sqlite3_destructor_type keep = copyTexts ? SQLITE_TRANSIENT : SQLITE_STATIC;
    int index = 1;
    for (const Binding& binding : values) {
        int result = SQLITE_OK;
        void* value = binding.second;
        switch (binding.first) {
        case Bool:
            result = sqlite3_bind_int(m_statement, index, *static_cast<bool*>(value) ? 1 : 0);
            break;
        case Int64:
            result = sqlite3_bind_int64(m_statement, index, *static_cast<std::int64_t*>(value));
            break;
        case Int:
            result = sqlite3_bind_int(m_statement, index, *static_cast<std::int32_t*>(value));
            break;
        case UInt:
            result = sqlite3_bind_int(m_statement, index, static_cast<int>(*static_cast<std::uint32_t*>(value)));
            break;
        case Float:
            result = sqlite3_bind_double(m_statement, index, double(*static_cast<float*>(value)));
            break;
        case Double:
            result = sqlite3_bind_double(m_statement, index, *static_cast<double*>(value));
            break;
        case Text: {
            const auto* text = static_cast<std::string*>(value);
            result = sqlite3_bind_text(m_statement, index, text->data(), int(text->size()), keep);
            break;
        }
        case Blob: {
            const auto* bytes = static_cast<std::string*>(value);
            result = sqlite3_bind_blob(m_statement, index, bytes->data(), int(bytes->size()), keep);
            break;
        }
        case Null:
            result = sqlite3_bind_null(m_statement, index);
            break;
        default:
            raise(unknownTypeMessage, false);
        }
        if (result != SQLITE_OK)
            raise(bindFailedMessage);
        ++index;
    }
}

int SQLiteOperation::stepWithRetry(const char* timeoutMessage)
{
    for (int attempt = 1;; ++attempt) {
        const int result = sqlite3_step(m_statement);
        if (result != SQLITE_BUSY)
            return result;
        if (attempt >= busyAttempts)
            raise(timeoutMessage, false);
        sqlite3_sleep(busySleepMs);
    }
}

} // namespace kiv
