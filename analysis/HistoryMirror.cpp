#include "HistoryMirror.h"

#include "Schema.h"
#include "SqliteDb.h"

#include <sqlite3.h>

namespace corvinel {

namespace {

std::string quoted(const std::string& name)
{
    return '"' + name + '"';
}

} // namespace

void HistoryMirror::clear()
{
    m_loaded = false;
    m_rowids.clear();
    m_sqqh.clear();
    m_own.clear();
    m_lists.clear();
    m_intColumns.clear();
    m_textColumns.clear();
}

bool HistoryMirror::load(SqliteDb& db, QString* error)
{
    clear();
    std::int64_t count = 0;
    {
        Statement st = db.prepare("SELECT count(*) FROM lishi");
        if (!st.isValid() || st.step() != SQLITE_ROW) {
            *error = db.lastError();
            return false;
        }
        count = st.columnInt64(0);
    }
    std::string sql = "SELECT rowid, SQQH";
    for (int p = 1; p <= kPositions; ++p)
        for (int k = 0; k < kKindCount; ++k)
            sql += ", " + quoted(schema::valueColumn(p, k));
    for (int i = 0; i < schema::kListCount; ++i)
        sql += ", " + quoted(schema::listColumn(i, false));
    sql += " FROM lishi ORDER BY SQQH";
    Statement st = db.prepare(sql);
    if (!st.isValid()) {
        *error = db.lastError();
        return false;
    }
    const auto n = static_cast<std::size_t>(count);
    m_rowids.reserve(n);
    m_sqqh.reserve(n);
    m_own.assign(kPositions * kKindCount, {});
    for (auto& c : m_own)
        c.reserve(n);
    m_lists.assign(schema::kListCount, {});
    for (auto& c : m_lists)
        c.reserve(n);
    sqlite3_stmt* h = st.handle();
    int rc;
    while ((rc = st.step()) == SQLITE_ROW) {
        m_rowids.push_back(sqlite3_column_int64(h, 0));
        m_sqqh.push_back(sqlite3_column_int64(h, 1));
        int col = 2;
        for (auto& c : m_own)
            c.push_back(sqlite3_column_int(h, col++));
        for (auto& c : m_lists) {
            const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(h, col));
            const int bytes = sqlite3_column_bytes(h, col);
            c.emplace_back(p ? p : "", static_cast<std::size_t>(bytes));
            ++col;
        }
    }
    if (rc != SQLITE_DONE) {
        *error = db.lastError();
        clear();
        return false;
    }
    m_loaded = true;
    return true;
}

std::vector<std::int32_t>* HistoryMirror::intColumn(SqliteDb& db, const std::string& name, QString* error)
{
    auto it = m_intColumns.find(name);
    if (it != m_intColumns.end())
        return &it->second;
    Statement st = db.prepare("SELECT " + quoted(name) + " FROM lishi ORDER BY SQQH");
    if (!st.isValid()) {
        *error = db.lastError();
        return nullptr;
    }
    std::vector<std::int32_t> values;
    values.reserve(m_sqqh.size());
    int rc;
    while ((rc = st.step()) == SQLITE_ROW)
        values.push_back(st.columnInt(0));
    if (rc != SQLITE_DONE || values.size() != m_sqqh.size()) {
        *error = rc != SQLITE_DONE ? db.lastError() : QStringLiteral("the history changed while it was read");
        return nullptr;
    }
    return &m_intColumns.emplace(name, std::move(values)).first->second;
}

std::vector<std::string>* HistoryMirror::textColumn(SqliteDb& db, const std::string& name, QString* error)
{
    auto it = m_textColumns.find(name);
    if (it != m_textColumns.end())
        return &it->second;
    Statement st = db.prepare("SELECT " + quoted(name) + " FROM lishi ORDER BY SQQH");
    if (!st.isValid()) {
        *error = db.lastError();
        return nullptr;
    }
    std::vector<std::string> values;
    values.reserve(m_sqqh.size());
    int rc;
    while ((rc = st.step()) == SQLITE_ROW)
        values.emplace_back(st.columnUtf8(0));
    if (rc != SQLITE_DONE || values.size() != m_sqqh.size()) {
        *error = rc != SQLITE_DONE ? db.lastError() : QStringLiteral("the history changed while it was read");
        return nullptr;
    }
    return &m_textColumns.emplace(name, std::move(values)).first->second;
}

} // namespace corvinel
