#pragma once

#include "Database/Schema.h"

namespace kiv {

// The tables of a project's main.db.
class ProjectSchema : public Schema
{
public:
    // Creates the tables that are missing; false when a statement failed
    // (tables made before the failure stay).
    bool createDB(SQLiteDatabase* database) override;

    static const char* const ProjectTable;
    static const char* const LocalitiesTable;
    static const char* const DataTable;
    static const char* const LineDataTable;
};

} // namespace kiv
