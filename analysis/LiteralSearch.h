#pragma once

#include "analysis/SearchEngine.h"

namespace corvinel {

class SqliteDb;

// The searches carried out statement by statement on the database: the
// row-by-row refresh walks, one full-table UPDATE per pattern element (instr()
// tests whether a list holds a token), one UPDATE set per combination, then
// the range query, Carcu and its ranking query. Slow by design; it is the reference the
// in-memory engine is checked and measured against. One transaction per run.
class LiteralSearch
{
public:
    explicit LiteralSearch(SqliteDb& db);

    SearchResult followPattern(const SearchOptions& options);
    SearchResult combination(const SearchOptions& options);

private:
    bool refreshEarlierLists(int targetList, int lookBack);
    bool refreshLag(int position, int kind, bool previousIssue, int lookBack);
    bool exec(const std::string& sql);
    bool execBound(const std::string& sql, std::int64_t value);
    bool execBound(const std::string& sql, const std::string& text);
    bool tally(const SearchOptions& o, const std::string& matchCondition, std::int64_t matchValue, SearchResult& out);

    SqliteDb& m_db;
};

} // namespace corvinel
