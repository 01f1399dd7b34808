#include "Database/ProjectSchema.h"

#include "Database/SQLiteDatabase.h"
#include "Database/SQLiteException.h"

namespace kiv {

const char* const ProjectSchema::ProjectTable
    = "CREATE TABLE project ( projectId INTEGER PRIMARY KEY NOT NULL, message BLOB NOT NULL);";
const char* const ProjectSchema::LocalitiesTable
    = "CREATE TABLE localities ( localityId CHAR(32) PRIMARY KEY NOT NULL, message BLOB NOT NULL);";
const char* const ProjectSchema::DataTable
    = "CREATE TABLE data ( dataId CHAR(32) NOT NULL, localityId CHAR(32) NOT NULL REFERENCES "
      "localities(localityId) ON DELETE CASCADE, message BLOB NOT NULL, PRIMARY KEY (dataId, localityId));";
const char* const ProjectSchema::LineDataTable
    = "CREATE TABLE linedata ( dataId CHAR(32) NOT NULL, localityId CHAR(32) NOT NULL REFERENCES "
      "localities(localityId) ON DELETE CASCADE, message BLOB NOT NULL, PRIMARY KEY (dataId, localityId));";

// A locality's rows are read by localityId, which the (dataId, localityId)
// keys cannot serve.
const char* const ProjectSchema::DataLocalityIndex
    = "CREATE INDEX IF NOT EXISTS dataLocalityIndex ON data (localityId);";
const char* const ProjectSchema::LineDataLocalityIndex
    = "CREATE INDEX IF NOT EXISTS linedataLocalityIndex ON linedata (localityId);";

bool ProjectSchema::createDB(SQLiteDatabase* database)
{
    if (!database)
        return false;
    m_database = database;
    const std::pair<const char*, const char*> tables[] = {
        {"project", ProjectTable},
        {"localities", LocalitiesTable},
        {"data", DataTable},
        {"linedata", LineDataTable},
    };
    try {
        for (const auto& table : tables) {
            if (!tableExists(table.first))
                database->exec(table.second);
        }
    } catch (const SQLiteException& e) {
        std::string text = "ProjectSchema::createDB: SQLiteException: " + e.detail();
        const std::string sqliteText = database->errorMessage();
        if (!sqliteText.empty())
            text += " " + sqliteText;
        database->log().addError(text);
        return false;
    }
    createIndexes(database);
    return true;
}

void ProjectSchema::createIndexes(SQLiteDatabase* database)
{
    try {
        database->exec(DataLocalityIndex);
        database->exec(LineDataLocalityIndex);
    } catch (const SQLiteException& e) {
        database->log().addInformation("ProjectSchema::createDB: no locality index: " + e.detail());
    }
}

} // namespace kiv
