#pragma once

#include <string>

namespace kiv {

class SQLiteDatabase;

// Base of database definitions: tests for tables and creates them.
class Schema
{
public:
    virtual ~Schema();

    virtual bool tableExists(const std::string& name);
    virtual bool createDB(SQLiteDatabase* database);
    virtual void log(const char* method, const char* message);

protected:
    SQLiteDatabase* m_database = nullptr;
};

} // namespace kiv
