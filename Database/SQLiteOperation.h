#pragma once

#include <cstdint>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

struct sqlite3_stmt;

namespace kiv {

class SQLiteDatabase;

// A prepared statement whose values are bound by address: the caller's
// variables must stay valid until the statement has run.
class SQLiteOperation
{
public:
    enum ColumnType { Bool = 0, Int64 = 1, Int = 2, UInt = 3, Float = 4, Double = 5, Text = 6, Blob = 7, Null = 8 };

    explicit SQLiteOperation(SQLiteDatabase* database);
    virtual ~SQLiteOperation();

    SQLiteOperation(const SQLiteOperation&) = delete;
    SQLiteOperation& operator=(const SQLiteOperation&) = delete;

    virtual bool run() = 0;

    void prepare(const std::string& sql);
    void bind(ColumnType type, void* value);
    void finalize();

    // Typed forms of bind for numbers; texts and blobs say which they are.
    template <typename T>
    void bind(T* value)
    {
        bind(columnTypeOf<T>(), static_cast<void*>(value));
    }
    void bindText(std::string* value) { bind(Text, value); }
    void bindBlob(std::string* value) { bind(Blob, value); }
    void bindNull() { bind(Null, nullptr); }

    SQLiteDatabase* database() const { return m_database; }
    const std::string& sql() const { return m_sql; }
    sqlite3_stmt* statement() const { return m_statement; }

    template <typename T>
    static constexpr ColumnType columnTypeOf()
    {
        static_assert(std::is_arithmetic_v<T>, "bind texts and blobs with bindText or bindBlob");
        if constexpr (std::is_same_v<T, bool>)
            return Bool;
        else if constexpr (std::is_floating_point_v<T>)
            return sizeof(T) == sizeof(float) ? Float : Double;
        else if constexpr (sizeof(T) == 8)
            return Int64;
        else if constexpr (std::is_unsigned_v<T>)
            return UInt;
        else
            return Int;
    }

protected:
    using Binding = std::pair<ColumnType, void*>;

    // Binds values to parameters 1, 2, ... as the insert does. Without
    // copies, texts and blobs are read from the caller's variables when the
    // statement steps: the caller clears the bindings before they may go.
    void bindParameters(const std::vector<Binding>& values, const char* unknownTypeMessage,
                        const char* bindFailedMessage, bool copyTexts = true);
    // Logs and throws; withSQLiteText adds the connection's error text.
    [[noreturn]] void raise(const std::string& message, bool withSQLiteText = true);
    void requireStatement();
    // Steps until the result is not SQLITE_BUSY; throws timeoutMessage
    // at the 100th busy result.
    int stepWithRetry(const char* timeoutMessage);

    std::vector<Binding> m_bindings;

private:
    SQLiteDatabase* m_database;
    std::string m_sql;
    sqlite3_stmt* m_statement = nullptr;
};

} // namespace kiv
