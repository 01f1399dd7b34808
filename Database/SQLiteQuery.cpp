#include "Database/SQLiteQuery.h"

#include "Database/SQLiteDatabase.h"

#include <sqlite3.h>

#include <cstdint>
#include <limits>

namespace kiv {

void SQLiteQuery::bindParameter(ColumnType type, void* value)
{
    m_parameters.emplace_back(type, value);
}

bool SQLiteQuery::step()
{
    requireStatement();
    // Parameters go to a statement once, before its first step.
    if (!m_parameters.empty() && m_parametersBoundTo != statement()) {
        bindParameters(m_parameters, "Unknown column type given for binding during query.",
                       "Failed to bind column during query.");
        m_parametersBoundTo = statement();
    }
    const int result = stepWithRetry("Timeout waiting for record to unlock during selection query.");
    switch (result) {
    case SQLITE_ROW:
        readRow();
        return true;
    case SQLITE_DONE:
        return false;
    case SQLITE_ERROR:
        raise("Error in executing selection query.");
    case SQLITE_MISUSE:
        raise("Misuse of selection query.");
    default:
        raise("Unexpected result in selection query." + database()->resultCodeName(result));
    }
}

void SQLiteQuery::readRow()
{
    sqlite3_stmt* stmt = statement();
    int column = 0;
    for (const Binding& binding : m_bindings) {
        void* value = binding.second;
        const bool isNull = binding.first != Text && binding.first != Blob
            && sqlite3_column_type(stmt, column) == SQLITE_NULL;
        switch (binding.first) {
        case Bool:
            *static_cast<bool*>(value) = sqlite3_column_int(stmt, column) != 0;
            break;
        case Int64:
            *static_cast<std::int64_t*>(value) = isNull ? 2147483647 : sqlite3_column_int64(stmt, column);
            break;
        case Int:
            *static_cast<std::int32_t*>(value) = isNull ? 2147483647 : sqlite3_column_int(stmt, column);
            break;
        case UInt:
            *static_cast<std::uint32_t*>(value)
                = isNull ? 4294967295u : static_cast<std::uint32_t>(sqlite3_column_int(stmt, column));
            break;
        case Float:
            *static_cast<float*>(value) = isNull ? std::numeric_limits<float>::quiet_NaN()
                                                 : static_cast<float>(sqlite3_column_double(stmt, column));
            break;
        case Double:
            *static_cast<double*>(value)
                = isNull ? std::numeric_limits<double>::quiet_NaN() : sqlite3_column_double(stmt, column);
            break;
        case Text: {
            // Assigning in place keeps the string's buffer from row to row.
            auto* target = static_cast<std::string*>(value);
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, column));
            if (text)
                target->assign(text);
            else
                target->clear();
            break;
        }
        case Blob: {
            auto* target = static_cast<std::string*>(value);
            const auto* bytes = static_cast<const char*>(sqlite3_column_blob(stmt, column));
            const int size = sqlite3_column_bytes(stmt, column);
            if (bytes && size > 0)
                target->assign(bytes, size_t(size));
            else
                target->clear();
            break;
        }
        default:
            raise("Unknown column type given for binding during query.", false);
        }
        ++column;
    }
}

} // namespace kiv
