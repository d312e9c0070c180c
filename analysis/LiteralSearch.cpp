#include "analysis/LiteralSearch.h"

#include "store/Schema.h"
#include "analysis/SearchRules.h"
#include "store/SqliteDb.h"

#include <deque>

namespace corvinel {

namespace {

std::string quoted(const std::string& name)
{
    return '"' + name + '"';
}

} // namespace

LiteralSearch::LiteralSearch(SqliteDb& db)
    : m_db(db)
{
}

bool LiteralSearch::exec(const std::string& sql)
{
    Statement st = m_db.prepare(sql);
    return st.isValid() && st.exec();
}

bool LiteralSearch::execBound(const std::string& sql, std::int64_t value)
{
    Statement st = m_db.prepare(sql);
    return st.isValid() && st.bind(1, value) && st.exec();
}

bool LiteralSearch::execBound(const std::string& sql, const std::string& text)
{
    Statement st = m_db.prepare(sql);
    return st.isValid() && st.bindUtf8(1, text) && st.exec();
}

// Walk in SQQH order: the record at place r receives the target list from the
// source of the record at place r - (N - 1), and txtHisPreLst likewise from
// txtHisLst; empty texts where there is no such record.
bool LiteralSearch::refreshEarlierLists(int targetList, int lookBack)
{
    const std::string src = schema::listColumn(targetList, false);
    const std::string tgt = schema::listColumn(targetList, true);
    const bool both = targetList != 0;
    Statement walk = m_db.prepare("SELECT rowid, " + quoted(src) + ", " + quoted(schema::listColumn(0, false))
                                  + " FROM lishi ORDER BY SQQH");
    Statement upd = m_db.prepare("UPDATE lishi SET " + quoted(tgt) + " = ?1"
                                 + (both ? ", " + quoted(schema::listColumn(0, true)) + " = ?2" : std::string())
                                 + " WHERE rowid = ?3");
    if (!walk.isValid() || !upd.isValid())
        return false;
    const std::size_t keep = static_cast<std::size_t>(lookBack - 1);
    std::deque<std::pair<std::string, std::string>> window; // the last N - 1 records' sources
    int rc;
    while ((rc = walk.step()) == Statement::kRow) {
        const std::int64_t rowid = walk.columnInt64(0);
        std::pair<std::string, std::string> cur { std::string(walk.columnUtf8(1)), std::string(walk.columnUtf8(2)) };
        window.push_back(std::move(cur));
        std::string list, numberList; // of the record N - 1 places earlier
        if (window.size() > keep) {
            list = window.front().first;
            numberList = window.front().second;
        }
        upd.bindUtf8(1, list);
        if (both)
            upd.bindUtf8(2, numberList);
        upd.bind(3, rowid);
        if (!upd.exec())
            return false;
        if (window.size() > keep)
            window.pop_front();
    }
    return rc == Statement::kDone;
}

// Walk in SQQH order refreshing L<p><k>S from the record one place earlier
// (0 for the first), or L<p><k>P from the record N places earlier (0 when
// none) together with txtHisPreLst from the record N - 1 places earlier.
bool LiteralSearch::refreshLag(int position, int kind, bool previousIssue, int lookBack)
{
    const std::string own = schema::valueColumn(position, kind);
    const std::string lag
        = schema::valueColumn(position, kind, previousIssue ? schema::Lag::Previous : schema::Lag::Earlier);
    Statement walk = m_db.prepare("SELECT rowid, " + quoted(own) + ", " + quoted(schema::listColumn(0, false))
                                  + " FROM lishi ORDER BY SQQH");
    Statement upd = m_db.prepare(previousIssue ? "UPDATE lishi SET " + quoted(lag) + " = ?1 WHERE rowid = ?3"
                                               : "UPDATE lishi SET " + quoted(lag) + " = ?1, "
                                         + quoted(schema::listColumn(0, true)) + " = ?2 WHERE rowid = ?3");
    if (!walk.isValid() || !upd.isValid())
        return false;
    const std::size_t n = static_cast<std::size_t>(previousIssue ? 1 : lookBack);
    std::deque<std::int64_t> values; // own values of the last n records
    std::deque<std::string> lists; // txtHisLst of the last n - 1 records and this one
    int rc;
    while ((rc = walk.step()) == Statement::kRow) {
        const std::int64_t rowid = walk.columnInt64(0);
        const std::int64_t lagValue = values.size() == n ? values.front() : 0;
        upd.bind(1, lagValue);
        if (!previousIssue) {
            lists.emplace_back(walk.columnUtf8(2));
            std::string shown = lists.size() == n ? lists.front() : std::string();
            upd.bindUtf8(2, shown);
            if (lists.size() == n)
                lists.pop_front();
        }
        upd.bind(3, rowid);
        if (!upd.exec())
            return false;
        values.push_back(walk.columnInt64(1));
        if (values.size() > n)
            values.pop_front();
    }
    return rc == Statement::kDone;
}

bool LiteralSearch::tally(const SearchOptions& o, const std::string& matchCondition, std::int64_t matchValue,
                          SearchResult& out)
{
    QString msg;
    const auto range = rules::parseRange(o, &msg);
    std::string sql = "SELECT SQQH";
    for (int p = 1; p <= kPositions; ++p)
        sql += ", " + quoted(schema::valueColumn(p, o.resultKind));
    sql += ", " + quoted(schema::listColumn(0, !o.previousIssue));
    sql += " FROM lishi WHERE SQQH >= ?1 AND SQQH <= ?2 AND " + matchCondition + " ORDER BY SQQH";
    Statement st = m_db.prepare(sql);
    if (!st.isValid())
        return false;
    st.bind(1, range->low);
    st.bind(2, range->high);
    st.bind(3, matchValue);
    FollowTally t(o);
    int rc;
    while ((rc = st.step()) == Statement::kRow) {
        std::array<int, 8> values {};
        for (int p = 0; p < kPositions; ++p)
            values[p] = st.columnInt(1 + p);
        const std::int64_t sqqh = st.columnInt64(0);
        t.addMatch(sqqh, values, st.columnUtf8(9));
        out.matchedIssues.push_back(sqqh);
    }
    if (rc != Statement::kDone)
        return false;
    // Every draw of the range, matched or not, for the chance reference.
    std::string rangeSql = "SELECT SQQH";
    for (int p = 1; p <= kPositions; ++p)
        rangeSql += ", " + quoted(schema::valueColumn(p, o.resultKind));
    rangeSql += " FROM lishi WHERE SQQH >= ?1 AND SQQH <= ?2 ORDER BY SQQH";
    Statement all = m_db.prepare(rangeSql);
    if (!all.isValid())
        return false;
    all.bind(1, range->low);
    all.bind(2, range->high);
    while ((rc = all.step()) == Statement::kRow) {
        std::array<int, 8> values {};
        for (int p = 0; p < kPositions; ++p)
            values[p] = all.columnInt(1 + p);
        t.addRangeDraw(values);
    }
    if (rc != Statement::kDone)
        return false;
    out.base = t.base();
    out.tallyPositions = t.tallyPositions();
    out.range = t.rangeTally();
    out.matches = t.matchesTable();
    if (!exec("DELETE FROM Carcu"))
        return false;
    Statement ins = m_db.prepare("INSERT INTO Carcu (Nmb, \"Count\") VALUES (?1, ?2)");
    for (const TallyEntry& e : t.reportedCounts()) {
        ins.bind(1, e.value);
        ins.bind(2, e.count);
        if (!ins.exec())
            return false;
    }
    // The ranking query; equal counts keep the order the rows were added in.
    Statement rank = m_db.prepare("SELECT Nmb, \"Count\" FROM Carcu ORDER BY \"Count\" DESC, rowid");
    while ((rc = rank.step()) == Statement::kRow)
        out.rankingOrder.push_back({ rank.columnInt(0), rank.columnInt(1) });
    if (rc != Statement::kDone)
        return false;
    out.ranking = FollowTally::rankingTable(out.rankingOrder, out.base, o.resultKind, o.zodiacBase);
    return true;
}

SearchResult LiteralSearch::followPattern(const SearchOptions& o)
{
    SearchResult out;
    if (!rules::validate(o, &out.message) || !rules::parseRange(o, &out.message))
        return out;
    Transaction tx(m_db);
    const bool nBack = !o.previousIssue;
    const int listIndex = rules::followListIndex(o.kind);
    const std::string listCol = schema::listColumn(listIndex, nBack);
    bool ok = tx.isActive();
    if (ok && o.freePosition && nBack)
        ok = refreshEarlierLists(listIndex, o.lookBack);
    ok = ok && exec("UPDATE lishi SET intTh = 0");
    int count = 0;
    if (o.freePosition) {
        const ValueRange range = counterRange(o.kind, o.zodiacBase, o.segmentBase);
        std::array<int, 21> counter {};
        for (int p = 1; ok && p <= kPositions; ++p) {
            if (!o.positions[p])
                continue;
            ++count;
            const int v = o.pattern[p];
            if (!range.contains(v))
                continue; // the counter step and the statement fail
            const std::string token
                = o.kind == 0 ? rules::valueToken(0, v) : rules::occurrenceToken(++counter[v], o.kind, v);
            ok = execBound("UPDATE lishi SET intTh = intTh + 1 WHERE instr(" + quoted(listCol) + ", ?1) > 0", token);
        }
    } else {
        for (int p = 1; ok && p <= kPositions; ++p) {
            if (!o.positions[p])
                continue;
            ok = refreshLag(p, o.kind, o.previousIssue, o.lookBack);
            ++count;
            const std::string lag
                = schema::valueColumn(p, o.kind, o.previousIssue ? schema::Lag::Previous : schema::Lag::Earlier);
            ok = ok && execBound("UPDATE lishi SET intTh = intTh + 1 WHERE " + quoted(lag) + " = ?1", o.pattern[p]);
        }
    }
    ok = ok && tally(o, "intTh = ?3", count, out);
    ok = ok && tx.commit();
    if (!ok) {
        out.message = m_db.lastError();
        return out;
    }
    out.ok = true;
    return out;
}

SearchResult LiteralSearch::combination(const SearchOptions& o)
{
    SearchResult out;
    if (!rules::validate(o, &out.message) || !rules::parseRange(o, &out.message))
        return out;
    Transaction tx(m_db);
    const bool nBack = !o.previousIssue;
    const int listIndex = rules::combinationListIndex(o.kind);
    const std::string listCol = schema::listColumn(listIndex, nBack);
    const int n = o.combinationSize;
    bool ok = tx.isActive();
    if (ok && o.freePosition && nBack)
        ok = refreshEarlierLists(listIndex, o.lookBack);
    ok = ok && exec("UPDATE lishi SET bolOk = 0");
    if (!o.freePosition)
        for (int p = 1; ok && p <= kPositions; ++p)
            ok = refreshLag(p, o.kind, o.previousIssue, o.lookBack);
    const auto combos = rules::combinations(n);
    if (o.freePosition) {
        ok = ok
            && exec("UPDATE lishi SET txtHisP6 = CASE WHEN length(" + quoted(listCol) + ") >= 4 THEN substr("
                    + quoted(listCol) + ", 1, length(" + quoted(listCol) + ") - 4) ELSE '' END");
        const ValueRange range = counterRange(o.kind, o.zodiacBase, o.segmentBase);
        for (const auto& c : combos) {
            if (!ok)
                break;
            std::array<int, 21> counter {};
            ok = exec("UPDATE lishi SET intTh = 0");
            for (int p : c)
                if (range.contains(o.pattern[p]))
                    ++counter[o.pattern[p]];
            for (int p : c) {
                const int v = o.pattern[p];
                if (!ok || !range.contains(v))
                    continue;
                ok = execBound("UPDATE lishi SET intTh = intTh + 1 WHERE instr(txtHisP6, ?1) > 0",
                               rules::occurrenceToken(counter[v], o.kind, v));
            }
            ok = ok && execBound("UPDATE lishi SET bolOk = 1 WHERE intTh = ?1", n);
        }
    } else {
        for (const auto& c : combos) {
            if (!ok)
                break;
            ok = exec("UPDATE lishi SET intTh = 0");
            std::array<bool, kPositions + 1> chosen {};
            for (int p : c)
                chosen[p] = true;
            for (int p = 1; ok && p <= kPositions; ++p) {
                if (!chosen[p])
                    continue;
                const std::string lag
                    = schema::valueColumn(p, o.kind, o.previousIssue ? schema::Lag::Previous : schema::Lag::Earlier);
                ok = execBound("UPDATE lishi SET intTh = intTh + 1 WHERE " + quoted(lag) + " = ?1", o.pattern[p]);
            }
            ok = ok && execBound("UPDATE lishi SET bolOk = 1 WHERE intTh = ?1", n);
        }
    }
    ok = ok && tally(o, "bolOk = ?3", 1, out);
    ok = ok && tx.commit();
    if (!ok) {
        out.message = m_db.lastError();
        return out;
    }
    out.ok = true;
    return out;
}

} // namespace corvinel
