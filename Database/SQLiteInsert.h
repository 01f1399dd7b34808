#pragma once

#include "Database/SQLiteOperation.h"

namespace kiv {

// A statement with parameters and no rows (INSERT, UPDATE, REPLACE, DELETE):
// the n-th binding supplies parameter n. Compiled once, executed many times.
class SQLiteInsert : public SQLiteOperation
{
public:
    using SQLiteOperation::SQLiteOperation;

    bool run() override { return execute(); }
    bool execute();
};

} // namespace kiv
