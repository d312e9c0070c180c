#include "analysis/SearchEngine.h"

#include "analysis/ListLevels.h"
#include "analysis/SearchRules.h"
#include "analysis/SearchWriteBack.h"
#include "core/IssueNumber.h"
#include "store/HistoryStore.h"
#include "store/IssueGaps.h"
#include "store/Schema.h"

#include <algorithm>
#include <array>
#include <functional>
#include <map>

namespace corvinel {

namespace {

constexpr int kMasks = 256;

QString changedAfterSearch()
{
    return SearchEngine::historyChangedText();
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
    Columns(const HistoryMirror& mirror, const PendingWrite& w)
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
            return src >= 0 ? source(index)[src] : std::string_view();
        }
        if (!m_stored[index])
            m_stored[index] = &m_mirror.texts(schema::listColumn(index, true));
        return (*m_stored[index])[r];
    }

    // The refresh a write-back runs to give a column the contents list()
    // reads (the earlier list as refreshed, or the plain list itself).
    PendingWrite::TextRefresh refresh(int index, bool earlier) const
    {
        PendingWrite::TextRefresh t;
        const int shift = m_w.preListShift[index];
        const bool stored = earlier && shift < 0;
        t.source = m_mirror.sharedTexts(schema::listColumn(index, stored));
        t.shift = earlier && shift >= 0 ? shift : 0;
        return t;
    }

    // Name of the column list(index, earlier, ...) reads.
    std::string sourceName(int index, bool earlier) const
    {
        return schema::listColumn(index, earlier && m_w.preListShift[index] < 0);
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
    const TextColumn& source(int index)
    {
        if (!m_source[index])
            m_source[index] = &m_mirror.texts(schema::listColumn(index, false));
        return *m_source[index];
    }

    const HistoryMirror& m_mirror;
    const PendingWrite& m_w;
    std::array<const TextColumn*, schema::kListCount> m_source {};
    std::array<const TextColumn*, schema::kListCount> m_stored {};
};

// Element masks for free position: bit i when the list (or its working copy)
// holds token i. The parsed lists are kept per column for later searches.
void matchList(std::map<std::string, std::shared_ptr<const ListLevels>>& cache, const Columns& cols, int listIndex,
               bool earlier, bool workingCopy, const std::vector<ListToken>& tokens, std::vector<std::uint8_t>& masks)
{
    const PendingWrite::TextRefresh source = cols.refresh(listIndex, earlier);
    auto& levels = cache[cols.sourceName(listIndex, earlier)];
    if (!levels)
        levels = std::make_shared<const ListLevels>(source.source, listIndex);
    levels->match(tokens, source.shift, workingCopy, masks);
}

inline std::int32_t lagValue(const IntColumn& own, int shift, int r)
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

int tokenBit(std::vector<ListToken>& tokens, int count, int kind, int value)
{
    std::string text
        = kind == 0 && count == 0 ? rules::valueToken(0, value) : rules::occurrenceToken(count, kind, value);
    for (std::size_t i = 0; i < tokens.size(); ++i)
        if (tokens[i].text == text)
            return static_cast<int>(i);
    tokens.push_back({ count == 0 ? 1 : count, value, std::move(text) });
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
    m_levels.clear();
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

std::vector<bool> chainsWithoutHoles(const std::vector<std::int64_t>& sqqh, int shift, int lotteryCode)
{
    const int perDay = issue::drawsPerDay(lotteryCode);
    const std::size_t n = sqqh.size();
    // breaks[i]: holes among the pairs (0,1) .. (i-1,i).
    std::vector<int> breaks(n, 0);
    for (std::size_t i = 1; i < n; ++i)
        breaks[i] = breaks[i - 1] + (gaps::consecutive(sqqh[i - 1], sqqh[i], lotteryCode, perDay) ? 0 : 1);
    // A row without `shift` draws before it has no reference draw: no hole
    // lies between them.
    std::vector<bool> out(n, true);
    const auto k = static_cast<std::size_t>(std::max(shift, 0));
    for (std::size_t r = k; r < n; ++r)
        out[r] = breaks[r] == breaks[r - k];
    return out;
}

namespace {

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
    const std::vector<bool> whole = chainsWithoutHoles(sqqh, rules::lagShift(o), o.lotteryCode);
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
        if (!whole[static_cast<std::size_t>(r)]) {
            ++out.pairsAcrossGaps;
            if (o.skipGaps)
                continue;
        }
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
    if (!ensureColumns(ints, texts, error))
        return false;
    w.version = m_version;
    w.sqqh = m_mirror.sharedSqqh();
    return true;
}

void SearchEngine::addRefreshes(const SearchOptions& o, const std::vector<int>& lagPositions, PendingWrite& w) const
{
    const int shift = rules::lagShift(o);
    const schema::Lag lag = o.previousIssue ? schema::Lag::Previous : schema::Lag::Earlier;
    for (int p : lagPositions)
        w.lags.push_back({ schema::valueColumn(p, o.kind, lag), m_mirror.sharedInts(ownColumn(p, o.kind)), shift });
    Columns cols(m_mirror, w);
    if (w.workingCopyList >= 0) {
        PendingWrite::TextRefresh t = cols.refresh(w.workingCopyList, w.workingCopyEarlier);
        t.column = "txtHisP6";
        t.workingCopy = true;
        w.texts.push_back(std::move(t));
    }
    for (int i = 0; i < schema::kListCount; ++i) {
        if (w.preListShift[i] < 0)
            continue;
        PendingWrite::TextRefresh t = cols.refresh(i, true);
        t.column = schema::listColumn(i, true);
        w.texts.push_back(std::move(t));
    }
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
    std::vector<int> lagPositions;
    if (!o.freePosition)
        for (int p = 1; p <= kPositions; ++p)
            if (o.positions[p])
                lagPositions.push_back(p);
    w->hasIntTh = true;
    if (!loadSearchColumns(o, listIndex, *w, &out.message))
        return out;
    addRefreshes(o, lagPositions, *w);
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
        std::vector<ListToken> tokens;
        for (int p = 1; p <= kPositions; ++p) {
            if (!o.positions[p])
                continue;
            ++elementCount;
            const int v = o.pattern[p];
            if (!valid.contains(v)) {
                statements.push_back(-1); // its counter step and its statement fail
                continue;
            }
            // The number kind looks for the plain two-digit number.
            statements.push_back(tokenBit(tokens, o.kind == 0 ? 0 : ++counter[v], o.kind, v));
        }
        if (!tokens.empty())
            matchList(m_levels, cols, listIndex, nBack, false, tokens, masks);
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
    std::vector<int> lagPositions;
    if (!o.freePosition) {
        for (int p = 1; p <= kPositions; ++p)
            lagPositions.push_back(p);
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
    addRefreshes(o, lagPositions, *w);
    const int n = m_mirror.rowCount();
    Columns cols(m_mirror, *w);

    w->bolOk.assign(static_cast<std::size_t>(n), 0);
    if (!combos.empty()) {
        std::vector<std::uint8_t> masks(static_cast<std::size_t>(n), 0);
        // Per combination, the element bit of each of its statements.
        std::vector<std::vector<int>> statements;
        if (o.freePosition) {
            const ValueRange valid = counterRange(o.kind, o.zodiacBase, o.segmentBase);
            std::vector<ListToken> tokens;
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
                    st.push_back(tokenBit(tokens, count, o.kind, v));
                }
                statements.push_back(std::move(st));
            }
            if (!tokens.empty())
                matchList(m_levels, cols, listIndex, nBack, true, tokens, masks);
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

QString SearchEngine::historyChangedText()
{
    return QStringLiteral("检索之后历史号码已改变，检索标记没有写入");
}

std::shared_ptr<const PendingWrite> SearchEngine::takePending(SearchResult& result, QString* error)
{
    if (!result.pending) {
        *error = QStringLiteral("没有要写入的检索标记");
        return nullptr;
    }
    std::shared_ptr<const PendingWrite> w = std::move(result.pending);
    if (!m_mirror.isLoaded() || w->version != m_version || m_version != m_store.dataVersion()) {
        *error = changedAfterSearch();
        return nullptr;
    }
    return w;
}

bool SearchEngine::writeBack(SearchResult& result, QString* error)
{
    m_lastWrittenRows = 0;
    const std::shared_ptr<const PendingWrite> w = takePending(result, error);
    if (!w)
        return false;
    bool historyChanged = false;
    if (!writeSearchBack(m_store.db(), *w, &m_lastWrittenRows, &historyChanged, error)) {
        if (historyChanged)
            *error = changedAfterSearch();
        return false;
    }
    written(*w);
    return true;
}

void SearchEngine::written(const PendingWrite& w)
{
    // Only columns outside the copy of the draws were rewritten: the mirror
    // keeps everything else and stays current.
    for (const auto& c : w.targetColumns())
        m_levels.erase(c);
    m_mirror.forget(w.targetColumns());
    m_store.markChanged();
    m_version = m_store.dataVersion();
}

} // namespace corvinel
