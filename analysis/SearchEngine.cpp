#include "analysis/SearchEngine.h"

#include "store/HistoryStore.h"
#include "store/Schema.h"
#include "analysis/SearchRules.h"
#include "store/LishiRewrite.h"
#include "store/SqliteDb.h"

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
        int shift; // value of the record this many places earlier, 0 when none
    };
    std::vector<LagRefresh> lags;
    // Earlier lists (txtHisPreLst...) refreshed from the list of the record
    // this many places earlier (empty text when none); -1: left as stored.
    std::array<int, schema::kListCount> preListShift { -1, -1, -1, -1, -1, -1, -1 };
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

QString changedAfterSearch()
{
    return QStringLiteral("检索之后历史号码已改变，检索标记没有写入");
}

std::string ownColumn(int p, int kind)
{
    return schema::valueColumn(p, kind);
}

// Views of the list columns as the search's statements leave them. The
// columns it reads are loaded into the mirror before it is used.
class Columns
{
public:
    Columns(HistoryMirror& mirror, const PendingWrite& w)
        : m_mirror(mirror)
        , m_w(w)
    {
    }

    std::string_view list(int index, bool earlier, int r)
    {
        if (!earlier)
            return source(index)[r];
        const int shift = m_w.preListShift[index];
        if (shift >= 0) {
            const int src = r - shift;
            return src >= 0 ? std::string_view(source(index)[src]) : std::string_view();
        }
        if (!m_stored[index])
            m_stored[index] = &m_mirror.texts(schema::listColumn(index, true));
        return (*m_stored[index])[r];
    }

    // The columns list(index, earlier, ...) reads.
    static void needs(const PendingWrite& w, int index, bool earlier, std::vector<std::string>& texts)
    {
        if (!earlier || w.preListShift[index] >= 0)
            texts.push_back(schema::listColumn(index, false));
        else
            texts.push_back(schema::listColumn(index, true));
    }

private:
    const std::vector<std::string>& source(int index)
    {
        if (!m_source[index])
            m_source[index] = &m_mirror.texts(schema::listColumn(index, false));
        return *m_source[index];
    }

    HistoryMirror& m_mirror;
    const PendingWrite& m_w;
    std::array<std::vector<std::string>*, schema::kListCount> m_source {};
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

bool SearchEngine::ensureColumns(const std::vector<std::string>& ints, const std::vector<std::string>& texts,
                                 QString* error)
{
    if (!m_store.isOpen()) {
        *error = QStringLiteral("历史数据库没有打开。");
        return false;
    }
    if (m_mirror.isLoaded() && m_version != m_store.dataVersion())
        invalidate();
    if (!m_mirror.ensure(m_store.db(), ints, texts, error)) {
        invalidate();
        return false;
    }
    m_version = m_store.dataVersion();
    return true;
}

namespace {

// The columns a write-back rewrites (with the sources of their new values):
// the search loads their stored contents in the same pass as its own columns.
void writeTargets(const PendingWrite& w, std::vector<std::string>& ints, std::vector<std::string>& texts)
{
    for (const auto& lag : w.lags)
        ints.push_back(
            schema::valueColumn(lag.position, lag.kind, lag.previous ? schema::Lag::Previous : schema::Lag::Earlier));
    if (w.hasIntTh)
        ints.emplace_back("intTh");
    if (w.hasBolOk)
        ints.emplace_back("bolOk");
    if (w.workingCopyList >= 0)
        texts.emplace_back("txtHisP6");
    for (int i = 0; i < schema::kListCount; ++i)
        if (w.preListShift[i] >= 0)
            texts.push_back(schema::listColumn(i, true));
}

// Own value columns of a kind at positions 1..8.
void ownColumns(int kind, std::vector<std::string>& out)
{
    for (int p = 1; p <= kPositions; ++p)
        out.push_back(ownColumn(p, kind));
}

// The follow tally over the marked records, shared by both searches; the same
// pass over the range tallies every draw of it for the chance reference.
void tally(const SearchOptions& o, const rules::RangeBounds& range, HistoryMirror& mirror, Columns& cols,
           const std::function<bool(int)>& matched, SearchResult& out, PendingWrite& w)
{
    FollowTally t(o);
    const auto& sqqh = mirror.sqqh();
    const int n = mirror.rowCount();
    std::array<const std::vector<std::int32_t>*, kPositions> own {};
    for (int p = 1; p <= kPositions; ++p)
        own[p - 1] = &mirror.ints(ownColumn(p, o.resultKind));
    for (int r = 0; r < n; ++r) {
        if (sqqh[r] < range.low || sqqh[r] > range.high)
            continue;
        std::array<int, 8> values {};
        for (int p = 0; p < kPositions; ++p)
            values[p] = (*own[p])[r];
        t.addRangeDraw(values);
        if (!matched(r))
            continue;
        t.addMatch(sqqh[r], values, cols.list(0, !o.previousIssue, r));
        out.matchedIssues.push_back(sqqh[r]);
    }
    w.carcu = t.reportedCounts();
    out.base = t.base();
    out.tallyPositions = t.tallyPositions();
    out.range = t.rangeTally();
    out.rankingOrder = FollowTally::ranked(w.carcu);
    out.ranking = FollowTally::rankingTable(out.rankingOrder, out.base, o.resultKind, o.zodiacBase);
    out.matches = t.matchesTable();
}

} // namespace

bool SearchEngine::loadSearchColumns(const SearchOptions& o, int listIndex, PendingWrite& w, QString* error)
{
    const bool nBack = !o.previousIssue;
    std::vector<std::string> ints, texts;
    ownColumns(o.resultKind, ints);
    if (!o.freePosition)
        ownColumns(o.kind, ints);
    else
        Columns::needs(w, listIndex, nBack, texts);
    Columns::needs(w, 0, nBack, texts);
    writeTargets(w, ints, texts);
    if (!ensureColumns(ints, texts, error))
        return false;
    w.version = m_version;
    return true;
}

SearchResult SearchEngine::followPattern(const SearchOptions& o)
{
    SearchResult out;
    if (!rules::validate(o, &out.message))
        return out;
    const auto range = rules::parseRange(o, &out.message);
    if (!range)
        return out;

    auto w = std::make_shared<PendingWrite>();
    const bool nBack = !o.previousIssue;
    const int shift = rules::lagShift(o);
    const int listIndex = rules::followListIndex(o.kind);
    if (o.freePosition && nBack) {
        w->preListShift[listIndex] = o.lookBack - 1;
        w->preListShift[0] = o.lookBack - 1;
    }
    if (!o.freePosition && nBack && o.tickedCount() > 0)
        w->preListShift[0] = o.lookBack - 1;
    if (!o.freePosition)
        for (int p = 1; p <= kPositions; ++p)
            if (o.positions[p])
                w->lags.push_back({ p, o.kind, o.previousIssue, shift });
    w->hasIntTh = true;
    if (!loadSearchColumns(o, listIndex, *w, &out.message))
        return out;
    const int n = m_mirror.rowCount();
    Columns cols(m_mirror, *w);

    // One statement per ticked position; each raises the records where its
    // element holds.
    std::vector<int> statements;
    std::vector<std::uint8_t> masks(static_cast<std::size_t>(n), 0);
    int elementCount = 0;
    if (o.freePosition) {
        const ValueRange valid = counterRange(o.kind, o.zodiacBase, o.segmentBase);
        std::array<int, 21> counter {};
        std::vector<std::string> tokens;
        for (int p = 1; p <= kPositions; ++p) {
            if (!o.positions[p])
                continue;
            ++elementCount;
            const int v = o.pattern[p];
            if (!valid.contains(v)) {
                statements.push_back(-1); // its counter step and its statement fail
                continue;
            }
            std::string token = o.kind == 0 ? rules::valueToken(0, v) : rules::occurrenceToken(++counter[v], o.kind, v);
            statements.push_back(tokenBit(tokens, std::move(token)));
        }
        if (!tokens.empty())
            tokenMasks(masks, tokens, [&](int r) { return cols.list(listIndex, nBack, r); });
    } else {
        for (int p = 1; p <= kPositions; ++p) {
            if (!o.positions[p])
                continue;
            ++elementCount;
            const int v = o.pattern[p];
            const auto& own = m_mirror.ints(ownColumn(p, o.kind));
            const auto bit = static_cast<std::uint8_t>(1u << (p - 1));
            for (int r = 0; r < n; ++r)
                if (lagValue(own, shift, r) == v)
                    masks[r] |= bit;
            statements.push_back(p - 1);
        }
    }

    const auto raised = raisedBy(statements);
    w->intTh.resize(static_cast<std::size_t>(n));
    for (int r = 0; r < n; ++r)
        w->intTh[r] = raised[masks[r]];

    const auto& intTh = w->intTh;
    tally(
        o, *range, m_mirror, cols, [&](int r) { return intTh[r] == elementCount; }, out, *w);
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

    auto w = std::make_shared<PendingWrite>();
    const bool nBack = !o.previousIssue;
    const int shift = rules::lagShift(o);
    const int listIndex = rules::combinationListIndex(o.kind);
    const int size = o.combinationSize;
    if (o.freePosition && nBack) {
        w->preListShift[listIndex] = o.lookBack - 1;
        w->preListShift[0] = o.lookBack - 1;
    }
    if (!o.freePosition) {
        for (int p = 1; p <= kPositions; ++p)
            w->lags.push_back({ p, o.kind, o.previousIssue, shift });
        if (nBack)
            w->preListShift[0] = o.lookBack - 1;
    } else {
        w->workingCopyList = listIndex;
        w->workingCopyEarlier = nBack;
    }

    const auto combos = rules::combinations(size);
    w->hasBolOk = true;
    w->hasIntTh = !combos.empty(); // outside 1..6 no combination resets intTh
    if (!loadSearchColumns(o, listIndex, *w, &out.message))
        return out;
    const int n = m_mirror.rowCount();
    Columns cols(m_mirror, *w);

    w->bolOk.assign(static_cast<std::size_t>(n), 0);
    if (!combos.empty()) {
        std::vector<std::uint8_t> masks(static_cast<std::size_t>(n), 0);
        // Per combination, the element bit of each of its statements.
        std::vector<std::vector<int>> statements;
        if (o.freePosition) {
            const ValueRange valid = counterRange(o.kind, o.zodiacBase, o.segmentBase);
            std::vector<std::string> tokens;
            for (const auto& c : combos) {
                std::vector<int> st;
                for (int p : c) {
                    const int v = o.pattern[p];
                    if (!valid.contains(v)) {
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
            if (!tokens.empty())
                tokenMasks(masks, tokens, [&](int r) { return rules::workingCopy(cols.list(listIndex, nBack, r)); });
        } else {
            for (int p = 1; p <= kPositions; ++p) {
                const int v = o.pattern[p];
                const auto& own = m_mirror.ints(ownColumn(p, o.kind));
                const auto bit = static_cast<std::uint8_t>(1u << (p - 1));
                for (int r = 0; r < n; ++r)
                    if (lagValue(own, shift, r) == v)
                        masks[r] |= bit;
            }
            for (const auto& c : combos) {
                std::vector<int> st;
                st.reserve(c.size());
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
        w->intTh.resize(static_cast<std::size_t>(n));
        for (int r = 0; r < n; ++r) {
            w->intTh[r] = last[masks[r]];
            w->bolOk[r] = marked[masks[r]];
        }
    }

    const auto& bolOk = w->bolOk;
    tally(
        o, *range, m_mirror, cols, [&](int r) { return bolOk[r] != 0; }, out, *w);
    out.pending = std::move(w);
    out.ok = true;
    return out;
}

bool SearchEngine::writeBack(SearchResult& result, QString* error)
{
    m_lastWrittenRows = 0;
    if (!result.pending) {
        *error = QStringLiteral("没有要写入的检索标记");
        return false;
    }
    const std::shared_ptr<PendingWrite> w = std::move(result.pending);
    if (!m_mirror.isLoaded() || w->version != m_version || m_version != m_store.dataVersion()) {
        *error = changedAfterSearch();
        return false;
    }

    // The columns the search rewrites, with their stored contents (txtHisP6
    // first: it is derived from the lists after it, never the other way).
    std::vector<std::string> intNames, textNames;
    writeTargets(*w, intNames, textNames);
    std::vector<std::string> sources;
    if (w->workingCopyList >= 0)
        Columns::needs(*w, w->workingCopyList, w->workingCopyEarlier, sources);
    for (int i = 0; i < schema::kListCount; ++i)
        if (w->preListShift[i] >= 0)
            sources.push_back(schema::listColumn(i, false));
    std::vector<std::string> allTexts = textNames;
    allTexts.insert(allTexts.end(), sources.begin(), sources.end());
    if (!ensureColumns(intNames, allTexts, error))
        return false;
    if (w->version != m_version) {
        *error = changedAfterSearch();
        return false;
    }

    const int n = m_mirror.rowCount();
    Columns cols(m_mirror, *w);
    // The new contents of the columns the search rewrites, computed on demand
    // from the mirror.
    std::vector<std::function<std::int32_t(int)>> newInts;
    std::vector<std::function<std::string_view(int)>> newTexts;
    std::vector<std::vector<std::int32_t>*> intStored;
    std::vector<std::vector<std::string>*> textStored;
    intStored.reserve(intNames.size());
    textStored.reserve(textNames.size());
    for (const auto& lag : w->lags) {
        const auto* own = &m_mirror.ints(ownColumn(lag.position, lag.kind));
        const int shift = lag.shift;
        newInts.emplace_back([own, shift](int r) { return lagValue(*own, shift, r); });
    }
    if (w->hasIntTh)
        newInts.emplace_back([&w](int r) { return w->intTh[r]; });
    if (w->hasBolOk)
        newInts.emplace_back([&w](int r) { return w->bolOk[r]; });
    if (w->workingCopyList >= 0) {
        const int li = w->workingCopyList;
        const bool earlier = w->workingCopyEarlier;
        newTexts.emplace_back([&cols, li, earlier](int r) { return rules::workingCopy(cols.list(li, earlier, r)); });
    }
    for (int i = 0; i < schema::kListCount; ++i)
        if (w->preListShift[i] >= 0)
            newTexts.emplace_back([&cols, i](int r) { return cols.list(i, true, r); });
    for (const auto& name : intNames)
        intStored.push_back(&m_mirror.ints(name));
    for (const auto& name : textNames)
        textStored.push_back(&m_mirror.texts(name));

    std::vector<char> changed(static_cast<std::size_t>(n), 0);
    std::int64_t changedRows = 0;
    for (int r = 0; r < n; ++r) {
        bool differs = false;
        for (std::size_t i = 0; i < newInts.size() && !differs; ++i)
            differs = (*intStored[i])[r] != newInts[i](r);
        for (std::size_t i = 0; i < newTexts.size() && !differs; ++i)
            differs = (*textStored[i])[r] != newTexts[i](r);
        changed[r] = differs ? 1 : 0;
        changedRows += differs ? 1 : 0;
    }

    SqliteDb& db = m_store.db();
    Transaction tx(db);
    if (!tx.isActive()) {
        *error = db.lastError();
        return false;
    }
    if (changedRows > 0) {
        LishiRewrite rewrite;
        rewrite.intColumns = intNames;
        rewrite.textColumns = textNames;
        // The statement visits the records in table order, normally SQQH
        // order: the same record as last time or the next one is tried first.
        int hint = 0;
        rewrite.rowOf = [this, &hint](std::int64_t sqqh) {
            const int r = m_mirror.indexOf(sqqh, hint);
            if (r >= 0)
                hint = r;
            return r;
        };
        rewrite.changed = [&changed](int r) { return changed[r] != 0; };
        rewrite.intValue = [&newInts](int i, int r) { return newInts[i](r); };
        rewrite.textValue = [&newTexts](int i, int r) { return newTexts[i](r); };
        bool unknownRecord = false;
        if (!rewriteLishi(db, rewrite, &unknownRecord, error)) {
            if (unknownRecord)
                *error = changedAfterSearch();
            return false;
        }
    }
    std::vector<std::pair<int, int>> carcu;
    carcu.reserve(w->carcu.size());
    for (const TallyEntry& e : w->carcu)
        carcu.emplace_back(e.value, e.count);
    if (!replaceCarcu(db, carcu, error))
        return false;
    if (!tx.commit()) {
        *error = db.lastError();
        return false;
    }

    // The database now holds the new values: bring the mirror along.
    for (int r = 0; r < n; ++r) {
        if (!changed[r])
            continue;
        for (std::size_t i = 0; i < newInts.size(); ++i)
            (*intStored[i])[r] = newInts[i](r);
        for (std::size_t i = 0; i < newTexts.size(); ++i) {
            const std::string_view v = newTexts[i](r);
            (*textStored[i])[r].assign(v.data(), v.size());
        }
    }
    m_lastWrittenRows = changedRows;
    m_store.markChanged();
    m_version = m_store.dataVersion();
    return true;
}

} // namespace corvinel
