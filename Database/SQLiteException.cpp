#include "Database/SQLiteException.h"

#include <utility>

namespace kiv {

SQLiteException::SQLiteException(const std::string& message, SQLiteDatabase* database, std::string detail)
    : std::runtime_error(message)
    , m_database(database)
    , m_detail(std::move(detail))
{
}

} // namespace kiv
