#pragma once

#include "Database/Schema.h"

namespace kiv {

// The tables of a project's main.db.
class ProjectSchema : public Schema
{
public:
    // Creates the tables that are missing; false when a statement failed
    // (tables made before the failure stay). Then adds the locality indexes
    // when missing; a file that cannot take them (read-only, locked) still
    // opens, only slower to load.
    bool createDB(SQLiteDatabase* database) override;

    static const char* const ProjectTable;
    static const char* const LocalitiesTable;
    static const char* const DataTable;
    static const char* const LineDataTable;
    static const char* const DataLocalityIndex;
    static const char* const LineDataLocalityIndex;

private:
    void createIndexes(SQLiteDatabase* database);
};

} // namespace kiv
