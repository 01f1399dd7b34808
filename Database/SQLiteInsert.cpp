#include "Database/SQLiteInsert.h"

#include "Database/SQLiteDatabase.h"

#include <sqlite3.h>

namespace kiv {

bool SQLiteInsert::execute()
{
    requireStatement();
    bindParameters(m_bindings, "Unknown column type given for binding during insertion.",
                   "Failed to bind column during insertion.");
    const int result = stepWithRetry("Timeout waiting for record to unlock during insertion.");
    switch (result) {
    case SQLITE_DONE:
        if (sqlite3_reset(statement()) != SQLITE_OK)
            raise("Error in reseting prepared insert SQL statement.");
        m_bindings.clear();
        return true;
    case SQLITE_ERROR:
        raise("Error in inserting row.");
    case SQLITE_MISUSE:
        raise("Misuse of SQL in inserting row.");
    default:
        raise("Unexpected result on row insertion." + database()->resultCodeName(result));
    }
}

} // namespace kiv
