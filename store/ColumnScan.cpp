#include "store/ColumnScan.h"

namespace corvinel {

ColumnScan::ColumnScan(SqliteDb& db, const char* table, bool inKeyOrder, const std::vector<std::string>& ints,
                       const std::vector<std::string>& texts)
    : m_db(db)
    , m_ints(static_cast<int>(ints.size()))
{
    std::string sql = "SELECT SQQH";
    for (const auto& c : ints)
        sql += ", \"" + c + '"';
    for (const auto& c : texts)
        sql += ", \"" + c + '"';
    sql += " FROM ";
    sql += table;
    if (inKeyOrder)
        sql += " ORDER BY SQQH";
    m_statement = db.prepare(sql);
}

bool ColumnScan::next()
{
    const int rc = m_statement.step();
    if (rc == Statement::kRow)
        return true;
    m_failed = rc != Statement::kDone;
    return false;
}

std::int64_t ColumnScan::historyRows(SqliteDb& db)
{
    Statement count = db.prepare("SELECT COUNT(*) FROM lishi");
    if (count.isValid() && count.step() == Statement::kRow)
        return count.columnInt64(0);
    return -1;
}

} // namespace corvinel
