#pragma once

#include <QString>

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace corvinel {

class SqliteDb;

// New contents for some columns of some lishi records, as a search's
// write-back supplies them. Rows are the caller's own numbering of the
// records (its place in SQQH order); the statement asks for them by SQQH.
struct LishiRewrite
{
    std::vector<std::string> intColumns; // SET list, first the int columns,
    std::vector<std::string> textColumns; // then the text columns
    // Row of a record, -1 when the caller does not know it.
    std::function<int(std::int64_t sqqh)> rowOf;
    // Value of intColumns[column] / textColumns[column] at a row. A text
    // must stay valid until rewriteLishi() returns.
    std::function<std::int32_t(int column, int row)> intValue;
    std::function<std::string_view(int column, int row)> textValue;
};

// One UPDATE of lishi, inside the caller's transaction, that rewrites only the
// records where some column differs from its new value: SQLite compares the
// stored values in place, so the caller needs no copy of them and unchanged
// records are neither read back nor written. The values reach SQLite through
// an SQL function of this statement, never as SQL text. `changedRows`
// receives the number of records rewritten. False with the reason on failure;
// `unknownRecord` is set when the table holds a record `rowOf` does not know
// (the history changed since the caller read it).
bool rewriteLishi(SqliteDb& db, const LishiRewrite& rewrite, std::int64_t* changedRows, bool* unknownRecord,
                  QString* error);

// Replaces the contents of Carcu (value, count) inside the caller's
// transaction.
bool replaceCarcu(SqliteDb& db, const std::vector<std::pair<int, int>>& rows, QString* error);

// A search's write-back in one transaction: rewriteLishi, then replaceCarcu;
// either both are stored or neither.
bool writeSearchResults(SqliteDb& db, const LishiRewrite& rewrite, const std::vector<std::pair<int, int>>& carcu,
                        std::int64_t* changedRows, bool* unknownRecord, QString* error);

} // namespace corvinel
