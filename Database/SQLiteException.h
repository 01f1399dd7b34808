#pragma once

#include <stdexcept>
#include <string>

namespace kiv {

class SQLiteDatabase;

// Raised by the SQLite layer. what() is the short message; detail() is the
// full log entry, with SQLite's own error text and the statement.
class SQLiteException : public std::runtime_error
{
public:
    SQLiteException(const std::string& message, SQLiteDatabase* database, std::string detail);

    SQLiteDatabase* database() const { return m_database; }
    const std::string& detail() const { return m_detail; }

private:
    SQLiteDatabase* m_database;
    std::string m_detail;
};

} // namespace kiv
