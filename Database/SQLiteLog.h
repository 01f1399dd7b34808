#pragma once

#include <mutex>
#include <string>
#include <vector>

namespace kiv {

class SQLiteDatabase;

// Errors and rollbacks of one connection. Appended under a mutex because
// worker threads may share a connection with the GUI thread.
class SQLiteLog
{
public:
    enum class Kind { Error, Information };

    struct Entry
    {
        Kind kind;
        std::string text;
    };

    explicit SQLiteLog(SQLiteDatabase* database);
    virtual ~SQLiteLog();

    SQLiteDatabase* database() const { return m_database; }

    void addError(const std::string& text);
    void addInformation(const std::string& text);

    std::vector<Entry> entries() const;
    // Text of the newest error entry, empty when there is none.
    std::string lastError() const;

private:
    void add(Kind kind, const std::string& text);

    SQLiteDatabase* m_database;
    mutable std::mutex m_mutex;
    std::vector<Entry> m_entries;
};

} // namespace kiv
