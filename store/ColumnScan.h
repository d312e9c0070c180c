#pragma once

#include "store/SqliteDb.h"

#include <QString>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace corvinel {

// Reads SQQH and some columns of a history table (lishi or its draw copy)
// row by row, for callers that keep the history in memory: the SQL stays
// here, the caller sees only values.
class ColumnScan
{
public:
    // SELECT SQQH, ints..., texts... FROM table (ORDER BY SQQH when asked).
    ColumnScan(SqliteDb& db, const char* table, bool inKeyOrder, const std::vector<std::string>& ints,
               const std::vector<std::string>& texts);

    bool isValid() const { return m_statement.isValid(); }
    // Moves to the next row; false at the end or on an error (then failed()).
    bool next();
    bool failed() const { return m_failed; }
    QString lastError() const { return m_db.lastError(); }

    // The current row: its SQQH, then the columns in the order given,
    // ints counted from 0 and texts counted from 0. A text is valid until
    // the next call of next().
    std::int64_t key() const { return m_statement.columnInt64(0); }
    int intAt(int i) const { return m_statement.columnInt(1 + i); }
    std::string_view textAt(int i) const { return m_statement.columnUtf8(1 + m_ints + i); }

    // The number of rows of lishi, from its small SQQH index; -1 when the
    // count fails.
    static std::int64_t historyRows(SqliteDb& db);

private:
    SqliteDb& m_db;
    Statement m_statement;
    int m_ints = 0;
    bool m_failed = false;
};

} // namespace corvinel
