#pragma once

#include "Database/SQLiteOperation.h"

namespace kiv {

// A statement that returns rows: the n-th binding receives result column n.
// Parameters (the statement's '?') are bound separately and sent on the
// first step, so that no caller pastes values into SQL text.
class SQLiteQuery : public SQLiteOperation
{
public:
    using SQLiteOperation::SQLiteOperation;

    bool run() override { return step(); }
    bool step();

    void bindParameter(ColumnType type, void* value);
    template <typename T>
    void bindParameter(T* value)
    {
        bindParameter(columnTypeOf<T>(), static_cast<void*>(value));
    }
    void bindTextParameter(std::string* value) { bindParameter(Text, value); }

private:
    void readRow();

    std::vector<Binding> m_parameters;
    const void* m_parametersBoundTo = nullptr;
};

} // namespace kiv
