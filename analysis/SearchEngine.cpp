#include "SearchEngine.h"

#include "HistoryStore.h"
#include "Schema.h"
#include "SearchRules.h"
#include "SqliteDb.h"

#include <array>
#include <functional>

namespace corvinel {

// What a search leaves in lishi, described by where each refreshed value comes
// from, so that computing a search copies no column.
struct PendingWrite
{
    std::uint64_t version = 0;
    struct LagRefresh
    {
        int position;
        int kind;
        bool previous; // suffix "S"; otherwise "P"
        int shift;     // value of the record this many places earlier, 0 when none
    };
    std::vector<LagRefresh> lags;
    // Earlier lists (txtHisPreLst...) refreshed from the list of the record
    // this many places earlier (empty text when none); -1: left as stored.
    std::array<int, schema::kListCount> preListShift {-1, -1, -1, -1, -1, -1, -1};
    int workingCopyList = -1; // txtHisP6 from this list (-1: untouched)
    bool workingCopyEarlier = false;
    bool hasIntTh = false;
    std::vector<std::int32_t> intTh;
    bool hasBolOk = false;
    std::vector<std::int32_t> bolOk;
    std::vector<TallyEntry> carcu;
};

namespace {

constexpr int kMasks = 256;

// Views of the columns as the search's statements leave them.
class Columns
{
public:
    Columns(HistoryMirror& mirror, SqliteDb& db, const PendingWrite& w)
        : m_mirror(mirror)
        , m_db(db)
        , m_w(w)
    {
    }

    std::string_view list(int index, bool earlier, int r, QString* error)
    {
        if (!earlier)
            return m_mirror.list(index)[r];
        const int shift = m_w.preListShift[index];
        if (shift >= 0) {
            const int src = r - shift;
            return src >= 0 ? std::string_view(m_mirror.list(index)[src]) : std::string_view();
        }
        if (!m_stored[index]) {
            m_stored[index] = m_mirror.textColumn(m_db, schema::listColumn(index, true), error);
            if (!m_stored[index])
                return {};
        }
        return (*m_stored[index])[r];
    }

private:
    HistoryMirror& m_mirror;
    SqliteDb& m_db;
    const PendingWrite& m_w;
    std::array<std::vector<std::string>*, schema::kListCount> m_stored {};
};

inline std::int32_t lagValue(const std::vector<std::int32_t>& own, int shift, int r)
{
    return r >= shift ? own[r - shift] : 0;
}

// Sum of the statements (bit indices; -1 a statement that cannot run) that
// raise a record whose satisfied elements form `mask`, for every mask.
std::array<std::uint8_t, kMasks> raisedBy(const std::vector<int>& statements)
{
    std::array<std::uint8_t, kMasks> t {};
    for (int m = 0; m < kMasks; ++m) {
        int s = 0;
        for (int b : statements)
            if (b >= 0 && (m >> b & 1))
                ++s;
        t[m] = static_cast<std::uint8_t>(s);
    }
    return t;
}

// Element masks for free position: bit i when the text holds token i.
void tokenMasks(std::vector<std::uint8_t>& masks, const std::vector<std::string>& tokens,
                const std::function<std::string_view(int)>& text)
{
    const int n = static_cast<int>(masks.size());
    for (int r = 0; r < n; ++r) {
        const std::string_view s = text(r);
        std::uint8_t m = 0;
        for (std::size_t i = 0; i < tokens.size(); ++i)
            if (s.size() >= tokens[i].size() && s.find(tokens[i]) != std::string_view::npos)
                m |= static_cast<std::uint8_t>(1u << i);
        masks[r] = m;
    }
}

int tokenBit(std::vector<std::string>& tokens, std::string token)
{
    for (std::size_t i = 0; i < tokens.size(); ++i)
        if (tokens[i] == token)
            return static_cast<int>(i);
    tokens.push_back(std::move(token));
    return static_cast<int>(tokens.size()) - 1;
}

} // namespace

SearchEngine::SearchEngine(HistoryStore& store)
    : m_store(store)
{
}

SearchEngine::~SearchEngine() = default;

void SearchEngine::invalidate()
{
    m_mirror.clear();
    m_version = 0;
}

bool SearchEngine::ensureLoaded(QString* error)
{
    if (!m_store.isOpen()) {
        *error = QStringLiteral("历史数据库没有打开。");
        return false;
    }
    if (m_mirror.isLoaded() && m_version == m_store.dataVersion())
        return true;
    m_version = 0;
    if (!m_mirror.load(m_store.db(), error))
        return false;
    m_version = m_store.dataVersion();
    return true;
}

namespace {

// The follow tally over the marked records, shared by both searches.
bool tally(const SearchOptions& o, const rules::RangeBounds& range, HistoryMirror& mirror, Columns& cols,
           const std::function<bool(int)>& matched, SearchResult& out, PendingWrite& w, QString* error)
{
    FollowTally t(o);
    const auto& sqqh = mirror.sqqh();
    const int n = mirror.rowCount();
    std::array<const std::vector<std::int32_t>*, kPositions> own {};
    for (int p = 1; p <= kPositions; ++p)
        own[p - 1] = &mirror.own(p, o.resultKind);
    for (int r = 0; r < n; ++r) {
        if (sqqh[r] < range.low || sqqh[r] > range.high || !matched(r))
            continue;
        std::array<int, 8> values {};
        for (int p = 0; p < kPositions; ++p)
            values[p] = (*own[p])[r];
        QString err;
        const std::string_view shown = cols.list(0, !o.previousIssue, r, &err);
        if (!err.isEmpty()) {
            *error = err;
            return false;
        }
        t.addMatch(sqqh[r], values, shown);
        out.matchedIssues.push_back(sqqh[r]);
    }
    w.carcu = t.reportedCounts();
    out.base = t.base();
    out.rankingOrder = FollowTally::ranked(w.carcu);
    out.ranking = FollowTally::rankingTable(out.rankingOrder, out.base, o.resultKind, o.zodiacBase);
    out.matches = std::move(t.matchesTable());
    return true;
}

} // namespace

SearchResult SearchEngine::followPattern(const SearchOptions& o)
{
    SearchResult out;
    if (!rules::validate(o, &out.message))
        return out;
    const auto range = rules::parseRange(o, &out.message);
    if (!range)
        return out;
    if (!ensureLoaded(&out.message))
        return out;

    auto w = std::make_shared<PendingWrite>();
    w->version = m_version;
    const int n = m_mirror.rowCount();
    const bool nBack = !o.previousIssue;
    const int shift = rules::lagShift(o);
    const int listIndex = rules::followListIndex(o.kind);
    Columns cols(m_mirror, m_store.db(), *w);

    if (o.freePosition && nBack) {
        w->preListShift[listIndex] = o.lookBack - 1;
        w->preListShift[0] = o.lookBack - 1;
    }

    // One statement per ticked position; each raises the records where its
    // element holds.
    std::vector<int> statements;
    std::vector<std::uint8_t> masks(static_cast<std::size_t>(n), 0);
    int elementCount = 0;
    if (o.freePosition) {
        const ValueRange range = counterRange(o.kind, o.zodiacBase, o.segmentBase);
        std::array<int, 21> counter {};
        std::vector<std::string> tokens;
        for (int p = 1; p <= kPositions; ++p) {
            if (!o.positions[p])
                continue;
            ++elementCount;
            const int v = o.pattern[p];
            if (!range.contains(v)) {
                statements.push_back(-1); // its counter step and its statement fail
                continue;
            }
            std::string token = o.kind == 0 ? rules::valueToken(0, v) : rules::occurrenceToken(++counter[v], o.kind, v);
            statements.push_back(tokenBit(tokens, std::move(token)));
        }
        if (!tokens.empty()) {
            QString err;
            tokenMasks(masks, tokens, [&](int r) { return cols.list(listIndex, nBack, r, &err); });
            if (!err.isEmpty()) {
                out.message = err;
                return out;
            }
        }
    } else {
        for (int p = 1; p <= kPositions; ++p) {
            if (!o.positions[p])
                continue;
            w->lags.push_back({p, o.kind, o.previousIssue, shift});
            if (nBack)
                w->preListShift[0] = o.lookBack - 1;
            ++elementCount;
            const int v = o.pattern[p];
            const auto& own = m_mirror.own(p, o.kind);
            const auto bit = static_cast<std::uint8_t>(1u << (p - 1));
            for (int r = 0; r < n; ++r)
                if (lagValue(own, shift, r) == v)
                    masks[r] |= bit;
            statements.push_back(p - 1);
        }
    }

    const auto raised = raisedBy(statements);
    w->hasIntTh = true;
    w->intTh.resize(static_cast<std::size_t>(n));
    for (int r = 0; r < n; ++r)
        w->intTh[r] = raised[masks[r]];

    const auto& intTh = w->intTh;
    if (!tally(o, *range, m_mirror, cols, [&](int r) { return intTh[r] == elementCount; }, out, *w,
               &out.message))
        return out;
    out.pending = std::move(w);
    out.ok = true;
    return out;
}

SearchResult SearchEngine::combination(const SearchOptions& o)
{
    SearchResult out;
    if (!rules::validate(o, &out.message))
        return out;
    const auto range = rules::parseRange(o, &out.message);
    if (!range)
        return out;
    if (!ensureLoaded(&out.message))
        return out;

    auto w = std::make_shared<PendingWrite>();
    w->version = m_version;
    const int n = m_mirror.rowCount();
    const bool nBack = !o.previousIssue;
    const int shift = rules::lagShift(o);
    const int listIndex = rules::combinationListIndex(o.kind);
    const int size = o.combinationSize;
    Columns cols(m_mirror, m_store.db(), *w);

    if (o.freePosition && nBack) {
        w->preListShift[listIndex] = o.lookBack - 1;
        w->preListShift[0] = o.lookBack - 1;
    }
    w->hasBolOk = true;
    w->bolOk.assign(static_cast<std::size_t>(n), 0);
    if (!o.freePosition) {
        for (int p = 1; p <= kPositions; ++p) {
            w->lags.push_back({p, o.kind, o.previousIssue, shift});
            if (nBack)
                w->preListShift[0] = o.lookBack - 1;
        }
    } else {
        w->workingCopyList = listIndex;
        w->workingCopyEarlier = nBack;
    }

    const auto combos = rules::combinations(size);
    if (!combos.empty()) {
        std::vector<std::uint8_t> masks(static_cast<std::size_t>(n), 0);
        // Per combination, the element bit of each of its statements.
        std::vector<std::vector<int>> statements;
        if (o.freePosition) {
            const ValueRange range = counterRange(o.kind, o.zodiacBase, o.segmentBase);
            std::vector<std::string> tokens;
            for (const auto& c : combos) {
                std::vector<int> st;
                for (int p : c) {
                    const int v = o.pattern[p];
                    if (!range.contains(v)) {
                        st.push_back(-1);
                        continue;
                    }
                    // The token carries how often v occurs in the whole combination.
                    int count = 0;
                    for (int q : c)
                        count += o.pattern[q] == v ? 1 : 0;
                    st.push_back(tokenBit(tokens, rules::occurrenceToken(count, o.kind, v)));
                }
                statements.push_back(std::move(st));
            }
            if (!tokens.empty()) {
                QString err;
                tokenMasks(masks, tokens,
                           [&](int r) { return rules::workingCopy(cols.list(listIndex, nBack, r, &err)); });
                if (!err.isEmpty()) {
                    out.message = err;
                    return out;
                }
            }
        } else {
            for (int p = 1; p <= kPositions; ++p) {
                const int v = o.pattern[p];
                const auto& own = m_mirror.own(p, o.kind);
                const auto bit = static_cast<std::uint8_t>(1u << (p - 1));
                for (int r = 0; r < n; ++r)
                    if (lagValue(own, shift, r) == v)
                        masks[r] |= bit;
            }
            for (const auto& c : combos) {
                std::vector<int> st;
                for (int p : c)
                    st.push_back(p - 1);
                statements.push_back(std::move(st));
            }
        }
        std::array<std::uint8_t, kMasks> marked {};
        std::array<std::uint8_t, kMasks> last {};
        for (const auto& st : statements) {
            last = raisedBy(st);
            for (int m = 0; m < kMasks; ++m)
                if (last[m] == size)
                    marked[m] = 1;
        }
        w->hasIntTh = true;
        w->intTh.resize(static_cast<std::size_t>(n));
        for (int r = 0; r < n; ++r) {
            w->intTh[r] = last[masks[r]];
            w->bolOk[r] = marked[masks[r]];
        }
    }

    const auto& bolOk = w->bolOk;
    if (!tally(o, *range, m_mirror, cols, [&](int r) { return bolOk[r] != 0; }, out, *w, &out.message))
        return out;
    out.pending = std::move(w);
    out.ok = true;
    return out;
}

bool SearchEngine::writeBack(SearchResult& result, QString* error)
{
    m_lastWrittenRows = 0;
    if (!result.pending) {
        *error = QStringLiteral("nothing to write");
        return false;
    }
    const std::shared_ptr<PendingWrite> w = std::move(result.pending);
    if (!m_mirror.isLoaded() || w->version != m_version || m_version != m_store.dataVersion()) {
        *error = QStringLiteral("the history changed after the search; its marks were not written");
        return false;
    }
    SqliteDb& db = m_store.db();
    const int n = m_mirror.rowCount();
    Columns cols(m_mirror, db, *w);

    struct IntTarget
    {
        std::string name;
        std::vector<std::int32_t>* stored;
        std::function<std::int32_t(int)> value;
    };
    struct TextTarget
    {
        std::string name;
        std::vector<std::string>* stored;
        std::function<std::string_view(int)> value;
    };
    std::vector<IntTarget> ints;
    std::vector<TextTarget> texts;
    QString err;

    for (const auto& lag : w->lags) {
        const std::string name
            = schema::valueColumn(lag.position, lag.kind, lag.previous ? schema::Lag::Previous : schema::Lag::Earlier);
        bool seen = false;
        for (const auto& t : ints)
            seen = seen || t.name == name;
        if (seen)
            continue;
        auto* stored = m_mirror.intColumn(db, name, error);
        if (!stored)
            return false;
        const auto* own = &m_mirror.own(lag.position, lag.kind);
        const int shift = lag.shift;
        ints.push_back({name, stored, [own, shift](int r) { return lagValue(*own, shift, r); }});
    }
    if (w->hasIntTh) {
        auto* stored = m_mirror.intColumn(db, "intTh", error);
        if (!stored)
            return false;
        ints.push_back({"intTh", stored, [&w](int r) { return w->intTh[r]; }});
    }
    if (w->hasBolOk) {
        auto* stored = m_mirror.intColumn(db, "bolOk", error);
        if (!stored)
            return false;
        ints.push_back({"bolOk", stored, [&w](int r) { return w->bolOk[r]; }});
    }
    // txtHisP6 first: it is derived from the lists below, never the other way.
    if (w->workingCopyList >= 0) {
        auto* stored = m_mirror.textColumn(db, "txtHisP6", error);
        if (!stored)
            return false;
        const int li = w->workingCopyList;
        const bool earlier = w->workingCopyEarlier;
        texts.push_back({"txtHisP6", stored, [&cols, &err, li, earlier](int r) {
                             return rules::workingCopy(cols.list(li, earlier, r, &err));
                         }});
    }
    for (int i = 0; i < schema::kListCount; ++i) {
        if (w->preListShift[i] < 0)
            continue;
        const std::string name = schema::listColumn(i, true);
        auto* stored = m_mirror.textColumn(db, name, error);
        if (!stored)
            return false;
        texts.push_back({name, stored, [&cols, &err, i](int r) { return cols.list(i, true, r, &err); }});
    }

    std::vector<int> changed;
    for (int r = 0; r < n; ++r) {
        bool differs = false;
        for (const auto& t : ints)
            differs = differs || (*t.stored)[r] != t.value(r);
        for (const auto& t : texts)
            differs = differs || (*t.stored)[r] != t.value(r);
        if (differs)
            changed.push_back(r);
    }
    if (!err.isEmpty()) {
        *error = err;
        return false;
    }

    Transaction tx(db);
    if (!tx.isActive()) {
        *error = db.lastError();
        return false;
    }
    if (!changed.empty() && (!ints.empty() || !texts.empty())) {
        std::string sql = "UPDATE lishi SET ";
        int param = 0;
        auto addColumn = [&](const std::string& name) {
            sql += param ? ", \"" : "\"";
            ++param;
            sql += name + "\" = ?" + std::to_string(param);
        };
        for (const auto& t : ints)
            addColumn(t.name);
        for (const auto& t : texts)
            addColumn(t.name);
        sql += " WHERE rowid = ?" + std::to_string(++param);
        Statement st = db.prepare(sql);
        if (!st.isValid()) {
            *error = db.lastError();
            return false;
        }
        const auto& rowids = m_mirror.rowids();
        for (int r : changed) {
            int i = 0;
            for (const auto& t : ints)
                st.bind(++i, static_cast<std::int64_t>(t.value(r)));
            for (const auto& t : texts) {
                // An empty view may carry no pointer, which SQLite would bind as NULL.
                const std::string_view v = t.value(r);
                st.bindUtf8(++i, v.empty() ? std::string_view("", 0) : v);
            }
            st.bind(++i, rowids[r]);
            if (!st.exec()) {
                *error = db.lastError();
                return false;
            }
        }
    }
    {
        Statement del = db.prepare("DELETE FROM Carcu");
        Statement ins = db.prepare("INSERT INTO Carcu (Nmb, \"Count\") VALUES (?1, ?2)");
        if (!del.isValid() || !ins.isValid() || !del.exec()) {
            *error = db.lastError();
            return false;
        }
        for (const TallyEntry& e : w->carcu) {
            ins.bind(1, e.value);
            ins.bind(2, e.count);
            if (!ins.exec()) {
                *error = db.lastError();
                return false;
            }
        }
    }
    if (!tx.commit()) {
        *error = db.lastError();
        return false;
    }

    // The database now holds the new values: bring the mirror along.
    for (int r : changed) {
        for (auto& t : ints)
            (*t.stored)[r] = t.value(r);
        for (auto& t : texts) {
            const std::string_view v = t.value(r);
            (*t.stored)[r].assign(v.data(), v.size());
        }
    }
    m_lastWrittenRows = static_cast<std::int64_t>(changed.size());
    m_store.markChanged();
    m_version = m_store.dataVersion();
    return true;
}

} // namespace corvinel
