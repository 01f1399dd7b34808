#include "Database/SQLiteLog.h"

namespace kiv {

SQLiteLog::SQLiteLog(SQLiteDatabase* database)
    : m_database(database)
{
}

SQLiteLog::~SQLiteLog() = default;

void SQLiteLog::addError(const std::string& text)
{
    add(Kind::Error, text);
}

void SQLiteLog::addInformation(const std::string& text)
{
    add(Kind::Information, text);
}

void SQLiteLog::add(Kind kind, const std::string& text)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_entries.push_back({ kind, text });
}

std::vector<SQLiteLog::Entry> SQLiteLog::entries() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_entries;
}

std::string SQLiteLog::lastError() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    for (auto it = m_entries.rbegin(); it != m_entries.rend(); ++it) {
        if (it->kind == Kind::Error)
            return it->text;
    }
    return {};
}

} // namespace kiv
