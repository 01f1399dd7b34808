#include "Database/Schema.h"

#include "Database/SQLiteDatabase.h"
#include "Database/SQLiteException.h"
#include "Database/SQLiteQuery.h"

#include <cstdio>

namespace kiv {

Schema::~Schema() = default;

bool Schema::tableExists(const std::string& name)
{
    std::string table = name;
    SQLiteQuery query(m_database);
    query.prepare("SELECT name FROM sqlite_master WHERE type='table' AND name=?");
    query.bindTextParameter(&table);
    return query.step();
}

bool Schema::createDB(SQLiteDatabase* database)
{
    m_database = database;
    if (!database)
        throw SQLiteException("Undefined database schema", nullptr, "Undefined database schema");
    database->raise("Undefined database schema", false);
}

void Schema::log(const char* method, const char* message)
{
    std::printf("Schema::%s - %s\n", method, message);
    std::fflush(stdout);
}

} // namespace kiv
