#include "Database/SQLiteInsert.h"

#include "Database/SQLiteDatabase.h"

#include <sqlite3.h>

namespace kiv {

bool SQLiteInsert::execute()
{
    requireStatement();
    // The statement runs at once: texts and blobs need no copy. Every later
    // run binds again, and the cache clears a statement it takes back, so
    // none is read after its variable is gone.
    bindParameters(m_bindings, "Unknown column type given for binding during insertion.",
                   "Failed to bind column during insertion.", false);
    const int result = stepWithRetry("Timeout waiting for record to unlock during insertion.");
    switch (result) {
    case SQLITE_DONE:
        if (sqlite3_reset(statement()) != SQLITE_OK)
            raise("Error in reseting prepared insert SQL statement.");
        // A next run may bind fewer values.
        sqlite3_clear_bindings(statement());
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
