#include "analysis/Backtest.h"

#include "analysis/ChanceModel.h"
#include "analysis/Distributions.h"
#include "analysis/ReferenceDraw.h"
#include "analysis/SearchEngine.h"
#include "analysis/SearchRules.h"
#include "core/IssueNumber.h"
#include "store/HistoryStore.h"
#include "store/Schema.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <map>
#include <string>
#include <string_view>
#include <unordered_map>

namespace corvinel {

namespace {

using Word = std::uint64_t;
// One bit per record, in SQQH order.
using BitSet = std::vector<Word>;

constexpr int kMaxOccurrence = 8; // a value occurs at most at eight positions
constexpr int kTokenIds = kMaxOccurrence * 32;

int wordCount(int records)
{
    return (records + 63) / 64;
}

void setBit(BitSet& b, int r)
{
    b[static_cast<std::size_t>(r >> 6)] |= Word { 1 } << (r & 63);
}

bool testBit(const BitSet& b, int r)
{
    return !b.empty() && (b[static_cast<std::size_t>(r >> 6)] >> (r & 63) & 1) != 0;
}

// Population counts of whole word ranges: the bits set in a[0..n), or in
// a[i] & b[i] when b is given.
#if (defined(__GNUC__) || defined(__clang__)) && (defined(__x86_64__) || defined(__i386__))
// Builds for the baseline x86-64 have no popcount instruction and call a
// library routine per word; the counts run on the instruction wherever the
// processor has it, else on a bit-parallel sum.
std::int64_t countPortable(const Word* a, const Word* b, std::size_t n)
{
    std::int64_t total = 0;
    for (std::size_t i = 0; i < n; ++i) {
        Word x = b ? a[i] & b[i] : a[i];
        x = x - ((x >> 1) & 0x5555555555555555ULL);
        x = (x & 0x3333333333333333ULL) + ((x >> 2) & 0x3333333333333333ULL);
        x = (x + (x >> 4)) & 0x0F0F0F0F0F0F0F0FULL;
        total += static_cast<std::int64_t>((x * 0x0101010101010101ULL) >> 56);
    }
    return total;
}

__attribute__((target("popcnt"))) std::int64_t countInstruction(const Word* a, const Word* b, std::size_t n)
{
    std::int64_t total = 0;
    if (b) {
        for (std::size_t i = 0; i < n; ++i)
            total += __builtin_popcountll(a[i] & b[i]);
    } else {
        for (std::size_t i = 0; i < n; ++i)
            total += __builtin_popcountll(a[i]);
    }
    return total;
}

std::int64_t countBits(const Word* a, const Word* b, std::size_t n)
{
    static const bool instruction = __builtin_cpu_supports("popcnt");
    return instruction ? countInstruction(a, b, n) : countPortable(a, b, n);
}
#else
std::int64_t countBits(const Word* a, const Word* b, std::size_t n)
{
    std::int64_t total = 0;
    for (std::size_t i = 0; i < n; ++i)
        total += std::popcount(b ? a[i] & b[i] : a[i]);
    return total;
}
#endif

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// The search tokens that occur in a list text, found as the search finds
// them: anywhere in the text. Occurrence tokens "cXv" (c 1..8, v in the
// kind's counter range) and, for the follow-pattern search's plain number
// list, the two-digit numbers 01..20. Ids: (c - 1) * 32 + (v - low), or v - 1.
class TokenScanner
{
public:
    TokenScanner(int kind, bool plainNumbers, ValueRange valid)
        : m_twoDigits(twoDigitToken(kind))
        , m_plain(plainNumbers)
        , m_valid(valid)
    {
    }

    int id(int occurrence, int value) const
    {
        return m_plain ? value - 1 : (occurrence - 1) * 32 + (value - m_valid.low);
    }

    template<class F> void scan(std::string_view s, F&& found) const
    {
        const std::size_t n = s.size();
        if (m_plain) {
            for (std::size_t j = 0; j + 1 < n; ++j) {
                if (isDigit(s[j]) && isDigit(s[j + 1])) {
                    const int v = (s[j] - '0') * 10 + (s[j + 1] - '0');
                    if (m_valid.contains(v))
                        found(id(1, v));
                }
            }
            return;
        }
        for (std::size_t j = 1; j < n; ++j) {
            if (s[j] != 'X')
                continue;
            const int c = s[j - 1] - '0';
            if (c < 1 || c > kMaxOccurrence)
                continue;
            int v = -1;
            if (m_twoDigits) {
                if (j + 2 < n && isDigit(s[j + 1]) && isDigit(s[j + 2]))
                    v = (s[j + 1] - '0') * 10 + (s[j + 2] - '0');
            } else if (j + 1 < n && isDigit(s[j + 1])) {
                v = s[j + 1] - '0';
            }
            if (v >= 0 && m_valid.contains(v))
                found(id(c, v));
        }
    }

private:
    bool m_twoDigits;
    bool m_plain;
    ValueRange m_valid;
};

// Bits of the records that hold at least `n` of the given sets, per word:
// a four-bit counter per record, bit-sliced (at most eight sets).
Word atLeast(int n, const std::vector<const BitSet*>& sets, std::size_t w)
{
    Word c0 = 0, c1 = 0, c2 = 0, c3 = 0;
    for (const BitSet* s : sets) {
        const Word x = (*s)[w];
        const Word t0 = c0 & x;
        c0 ^= x;
        const Word t1 = c1 & t0;
        c1 ^= t0;
        const Word t2 = c2 & t1;
        c2 ^= t1;
        c3 |= t2;
    }
    const Word c[4] = { c0, c1, c2, c3 };
    Word greater = 0, equal = ~Word { 0 };
    for (int b = 3; b >= 0; --b) {
        if (n >> b & 1) {
            equal &= c[b];
        } else {
            greater |= equal & c[b];
            equal &= ~c[b];
        }
    }
    return greater | equal;
}

// The refusals judged before the history is read: the search's own, the
// result position, K, and the three typed issue numbers (what they parse to).
struct Bounds
{
    std::int64_t from = 0; // first verified draw
    std::int64_t to = 0; // last verified draw
    std::int64_t searchStart = 0; // start of every step's search range
};

std::optional<Bounds> refusal(const BacktestOptions& opt, QString* message)
{
    const SearchOptions& o = opt.search;
    if (!rules::validate(o, message))
        return std::nullopt;
    if (o.resultPosition < 1 || o.resultPosition > kPositions) {
        *message = QStringLiteral("结果统计位须为第1位到第8位。");
        return std::nullopt;
    }
    if (opt.top < 1) {
        *message = QStringLiteral("前K结果的K须为不小于1的整数，而不是%1。").arg(opt.top);
        return std::nullopt;
    }
    const auto from = issue::lastNineAsNumber(opt.from);
    const auto to = issue::lastNineAsNumber(opt.to);
    if (!from || !to) {
        *message = QStringLiteral("验证起止期号“%1”不是有效的期号（后九位须为整数）。").arg(!from ? opt.from : opt.to);
        return std::nullopt;
    }
    if (*from > *to) {
        *message = QStringLiteral("起始期号%1在结束期号%2之后。").arg(opt.from, opt.to);
        return std::nullopt;
    }
    const auto searchStart = issue::lastNineAsNumber(o.rangeFrom);
    if (!searchStart) {
        *message
            = QStringLiteral("检索起止期数“%1”不是有效的期号（后九位须为整数），请改正后再检索。").arg(o.rangeFrom);
        return std::nullopt;
    }
    return Bounds { *from, *to, *searchStart };
}

// Where the batch lies in the history (record indices in SQQH order).
struct StepIndex
{
    int firstStep = 0; // the verified draws: stored, in FROM..TO, with a draw before them
    int lastStep = -1;
    int lowIdx = 0; // the first record of every step's search range
};

StepIndex stepIndex(const std::vector<std::int64_t>& sqqh, const Bounds& b)
{
    StepIndex x;
    x.firstStep
        = std::max<int>(1, static_cast<int>(std::lower_bound(sqqh.begin(), sqqh.end(), b.from) - sqqh.begin()));
    x.lastStep = static_cast<int>(std::upper_bound(sqqh.begin(), sqqh.end(), b.to) - sqqh.begin()) - 1;
    x.lowIdx = static_cast<int>(std::lower_bound(sqqh.begin(), sqqh.end(), b.searchStart) - sqqh.begin());
    return x;
}

// The list column a free-position search matches, by search.
int matchedList(const BacktestOptions& opt)
{
    return opt.combination ? rules::combinationListIndex(opt.search.kind) : rules::followListIndex(opt.search.kind);
}

// Everything the steps read, built once from the mirror.
struct Prepared
{
    int records = 0;
    int words = 0;
    const std::vector<std::int64_t>* sqqh = nullptr;
    const StoredIssues* issues = nullptr; // sqqh, asked as stored issues
    bool previousIssue = false;
    int lookBack = 1;
    std::array<const std::vector<std::int32_t>*, kPositions + 1> ownSearch {};
    std::array<const std::vector<std::int32_t>*, kPositions + 1> ownResult {};
    int shift = 0; // records between a verified draw and its reference draw
    // "跳过缺期": records whose stored draws back to their reference draw
    // follow each other without a hole; only they can be matched or verified.
    bool skipGaps = false;
    std::vector<bool> wholeRow;
    BitSet whole;

    // Free position: one set per token id, empty when no record holds it;
    // records whose occurrence tokens do not run 1..m for some value.
    std::vector<BitSet> tokens;
    std::vector<int> irregular;
    // Fixed position: records whose lagged value at p is v, made on demand.
    std::map<std::pair<int, int>, BitSet> lagged;

    // Tally positions and, for each reported value, the bit planes of how
    // often it stands at them in a record.
    int firstTally = 0;
    int lastTally = 0;
    ValueRange reported {};
    int valueCount = 0;
    std::vector<std::array<BitSet, 4>> planes;
    std::vector<std::array<bool, 4>> planeUsed;
    int usedPlanes = 0;

    int trials() const { return lastTally - firstTally + 1; }

    const BitSet* tokenSet(int id) const
    {
        const BitSet& s = tokens[static_cast<std::size_t>(id)];
        return s.empty() ? nullptr : &s;
    }

    const BitSet* laggedSet(int p, int v)
    {
        auto [it, fresh] = lagged.try_emplace({ p, v });
        if (fresh) {
            it->second.assign(static_cast<std::size_t>(words), 0);
            const auto& own = *ownSearch[p];
            for (int r = 0; r < records; ++r)
                if ((r >= shift ? own[static_cast<std::size_t>(r - shift)] : 0) == v)
                    setBit(it->second, r);
        }
        return &it->second;
    }
};

// The bit planes of the reported values at the tally positions.
void buildPlanes(Prepared& h)
{
    h.planes.resize(static_cast<std::size_t>(h.valueCount));
    h.planeUsed.resize(static_cast<std::size_t>(h.valueCount));
    for (int r = 0; r < h.records; ++r) {
        std::array<int, 21> mult {}; // by value - low; at most 20 reported values
        for (int p = h.firstTally; p <= h.lastTally; ++p) {
            const int v = (*h.ownResult[p])[r];
            if (h.reported.contains(v))
                ++mult[static_cast<std::size_t>(v - h.reported.low)];
        }
        for (int v = 0; v < h.valueCount; ++v) {
            for (int b = 0; b < 4; ++b) {
                if (!(mult[static_cast<std::size_t>(v)] >> b & 1))
                    continue;
                auto& plane = h.planes[static_cast<std::size_t>(v)][static_cast<std::size_t>(b)];
                if (plane.empty()) {
                    plane.assign(static_cast<std::size_t>(h.words), 0);
                    h.planeUsed[static_cast<std::size_t>(v)][static_cast<std::size_t>(b)] = true;
                    ++h.usedPlanes;
                }
                setBit(plane, r);
            }
        }
    }
}

// Free position: the tokens of the list each record is matched on (the list
// of the record N - 1 places earlier in N-back mode; for the combination
// search its working copy).
void buildTokens(Prepared& h, const TextColumn& lists, const TokenScanner& scanner, const BacktestOptions& opt)
{
    h.tokens.resize(kTokenIds);
    const int listShift = !opt.search.previousIssue ? opt.search.lookBack - 1 : 0;
    for (int r = listShift; r < h.records; ++r) {
        std::string_view text = lists[static_cast<std::size_t>(r - listShift)];
        if (opt.combination)
            text = rules::workingCopy(text);
        std::array<std::uint8_t, 32> counts {}; // occurrence numbers present, per value
        scanner.scan(text, [&](int id) {
            auto& set = h.tokens[static_cast<std::size_t>(id)];
            if (set.empty())
                set.assign(static_cast<std::size_t>(h.words), 0);
            setBit(set, r);
            counts[static_cast<std::size_t>(id % 32)] |= static_cast<std::uint8_t>(1u << (id / 32));
        });
        // The combination search counts on a value's tokens running 1..m;
        // records where they do not are matched one by one.
        if (opt.combination) {
            for (std::uint8_t c : counts) {
                if ((c & (c + 1)) != 0) {
                    h.irregular.push_back(r);
                    break;
                }
            }
        }
    }
}

// The matched records of a run of steps whose searches mark the same records,
// brought up to the draw before the latest of them: their number and the
// counts of the reported values at their tally positions.
struct Tally
{
    int hi = -1; // the tally covers lowIdx..hi
    std::int64_t matched = 0;
    std::vector<int> counts;
};

// The step query and its tally: what one step's search marks (the records
// that hold all of its sets for the follow-pattern search, at least `need`
// of them for the combination search, and for irregular token lists the
// combinations one by one), counted over the search range.
class StepSearch
{
public:
    StepSearch(Prepared& h, const BacktestOptions& opt, const TokenScanner& scanner, ValueRange valid, int lowIdx)
        : m_h(h)
        , m_opt(opt)
        , m_scanner(scanner)
        , m_valid(valid)
        , m_lowIdx(lowIdx)
        , m_combos(rules::combinations(opt.search.combinationSize))
        , m_matched(static_cast<std::size_t>(h.words), 0)
    {
    }

    // Sets up the search whose pattern is the reference record `ref`; false
    // when it cannot mark any record.
    bool setUp(int ref);
    // The tally of the search set up last, over lowIdx..hi.
    const Tally& tallyThrough(int hi);

private:
    bool setUpFollow();
    bool setUpCombination();
    bool exactCombination(int r) const;
    void markRange(std::size_t w0, std::size_t w1, int lo, int hi);
    void addRange(int lo, int hi, Tally& t);

    Prepared& m_h;
    const BacktestOptions& m_opt;
    const TokenScanner& m_scanner;
    ValueRange m_valid;
    int m_lowIdx;
    std::vector<std::vector<int>> m_combos;
    BitSet m_matched;

    std::vector<const BitSet*> m_sets;
    int m_need = 0;
    std::array<int, kPositions + 1> m_pattern {};
    std::array<int, 21> m_times {}; // free combination: how often each valid value is in the pattern

    // Steps whose searches mark the same records share one tally, brought
    // forward from the last such step: a pattern that comes back costs only
    // the draws since.
    std::unordered_map<std::string, Tally> m_tallies;
    std::string m_key;
};

bool StepSearch::setUp(int ref)
{
    for (int p = 1; p <= kPositions; ++p)
        m_pattern[p] = (*m_h.ownSearch[p])[static_cast<std::size_t>(ref)];
    m_sets.clear();
    m_times.fill(0);
    if (!(m_opt.combination ? setUpCombination() : setUpFollow()))
        return false;
    std::sort(m_sets.begin(), m_sets.end());
    if (!m_opt.combination)
        m_sets.erase(std::unique(m_sets.begin(), m_sets.end()), m_sets.end());
    return true;
}

bool StepSearch::setUpFollow()
{
    const SearchOptions& o = m_opt.search;
    std::array<int, 21> counter {};
    for (int p = 1; p <= kPositions; ++p) {
        if (!o.positions[p])
            continue;
        const int v = m_pattern[p];
        const BitSet* s = nullptr;
        if (!o.freePosition)
            s = m_h.laggedSet(p, v);
        else if (m_valid.contains(v))
            s = m_h.tokenSet(m_scanner.id(o.kind == 0 ? 1 : ++counter[static_cast<std::size_t>(v)], v));
        if (!s)
            return false; // a statement that cannot run or a token no record holds
        m_sets.push_back(s);
    }
    m_need = static_cast<int>(m_sets.size());
    return true;
}

bool StepSearch::setUpCombination()
{
    if (m_combos.empty())
        return false;
    m_need = m_opt.search.combinationSize;
    if (!m_opt.search.freePosition) {
        for (int p = 1; p <= kPositions; ++p)
            m_sets.push_back(m_h.laggedSet(p, m_pattern[p]));
        return true;
    }
    // A record holds a combination's tokens when it holds every value at
    // least as often as the combination does: at least `need` of the tokens
    // (c, v), c = 1..(times v is in the pattern).
    for (int p = 1; p <= kPositions; ++p)
        if (m_valid.contains(m_pattern[p]))
            ++m_times[static_cast<std::size_t>(m_pattern[p])];
    for (int v = 0; v <= 20; ++v)
        for (int c = 1; c <= m_times[static_cast<std::size_t>(v)]; ++c)
            if (const BitSet* s = m_h.tokenSet(m_scanner.id(c, v)))
                m_sets.push_back(s);
    return true;
}

const Tally& StepSearch::tallyThrough(int hi)
{
    m_key.assign(reinterpret_cast<const char*>(m_sets.data()), m_sets.size() * sizeof(const BitSet*));
    m_key.append(reinterpret_cast<const char*>(m_times.data()), sizeof(m_times));
    m_key.push_back(static_cast<char>(m_need));
    auto [entry, fresh] = m_tallies.try_emplace(m_key);
    Tally& tally = entry->second;
    if (fresh) {
        tally.hi = m_lowIdx - 1;
        tally.counts.assign(static_cast<std::size_t>(m_h.valueCount), 0);
    }
    if (hi > tally.hi) {
        addRange(tally.hi + 1, hi, tally);
        tally.hi = hi;
    }
    return tally;
}

bool StepSearch::exactCombination(int r) const
{
    for (const auto& c : m_combos) {
        bool all = true;
        for (int p : c) {
            const int v = m_pattern[p];
            int n = 0; // the token carries how often v is in the combination
            for (int q : c)
                n += m_pattern[q] == v ? 1 : 0;
            if (!m_valid.contains(v) || !testBit(m_h.tokens[static_cast<std::size_t>(m_scanner.id(n, v))], r)) {
                all = false;
                break;
            }
        }
        if (all)
            return true;
    }
    return false;
}

// Leaves in m_matched[w0..w1] the marked records of lo..hi.
void StepSearch::markRange(std::size_t w0, std::size_t w1, int lo, int hi)
{
    for (std::size_t w = w0; w <= w1; ++w) {
        Word m = ~Word { 0 };
        if (!m_opt.combination) {
            for (const BitSet* s : m_sets)
                m &= (*s)[w];
        } else {
            m = atLeast(m_need, m_sets, w);
        }
        m_matched[w] = m;
    }
    if (m_opt.combination && m_opt.search.freePosition) {
        for (auto it = std::lower_bound(m_h.irregular.begin(), m_h.irregular.end(), lo);
             it != m_h.irregular.end() && *it <= hi; ++it) {
            const Word bit = Word { 1 } << (*it & 63);
            Word& word = m_matched[static_cast<std::size_t>(*it >> 6)];
            word = exactCombination(*it) ? (word | bit) : (word & ~bit);
        }
    }
    if (m_h.skipGaps)
        for (std::size_t w = w0; w <= w1; ++w)
            m_matched[w] &= m_h.whole[w];
    m_matched[w0] &= ~Word { 0 } << (lo & 63);
    if ((hi & 63) != 63)
        m_matched[w1] &= (Word { 1 } << ((hi & 63) + 1)) - 1;
}

// Adds the marked records in lo..hi to a tally.
void StepSearch::addRange(int lo, int hi, Tally& t)
{
    const auto w0 = static_cast<std::size_t>(lo >> 6);
    const auto w1 = static_cast<std::size_t>(hi >> 6);
    const std::size_t span = w1 - w0 + 1;
    markRange(w0, w1, lo, hi);
    const std::int64_t m = countBits(m_matched.data() + w0, nullptr, span);
    t.matched += m;
    // Record by record when few matched (a visit costs a few word
    // operations), else by the bit planes of the reported values.
    if (m * m_h.trials() * 4 <= static_cast<std::int64_t>(span) * m_h.usedPlanes) {
        for (std::size_t w = w0; w <= w1; ++w) {
            for (Word bits = m_matched[w]; bits != 0; bits &= bits - 1) {
                const auto r = static_cast<std::size_t>(w * 64 + static_cast<std::size_t>(std::countr_zero(bits)));
                for (int p = m_h.firstTally; p <= m_h.lastTally; ++p) {
                    const int v = (*m_h.ownResult[p])[r];
                    if (m_h.reported.contains(v))
                        ++t.counts[static_cast<std::size_t>(v - m_h.reported.low)];
                }
            }
        }
        return;
    }
    for (int v = 0; v < m_h.valueCount; ++v) {
        for (int b = 0; b < 4; ++b) {
            if (!m_h.planeUsed[static_cast<std::size_t>(v)][static_cast<std::size_t>(b)])
                continue;
            const BitSet& plane = m_h.planes[static_cast<std::size_t>(v)][static_cast<std::size_t>(b)];
            const std::int64_t n = countBits(m_matched.data() + w0, plane.data() + w0, span);
            t.counts[static_cast<std::size_t>(v)] += static_cast<int>(n << b);
        }
    }
}

// q(v) of the result kind; only the zodiac kind's depends on the draw's year,
// so the counts are made once per year.
class ChanceTable
{
public:
    explicit ChanceTable(const SearchOptions& o)
        : m_model(ChanceModel::forResult(o))
    {
    }

    double of(int value, std::int64_t issue)
    {
        const int year = m_model.dependsOnYear() ? ChanceModel::drawYear(issue) : 0;
        auto it = m_byYear.find(year);
        if (it == m_byYear.end())
            it = m_byYear.emplace(year, m_model.counts(year)).first;
        const int n = value >= 0 && value < static_cast<int>(it->second.size())
            ? it->second[static_cast<std::size_t>(value)]
            : 0;
        return static_cast<double>(n) / ChanceModel::kNumbers;
    }

private:
    ChanceModel m_model;
    std::map<int, ChanceModel::Counts> m_byYear;
};

// The scoring of a step with matched records: the ranking (count descending,
// then value ascending), its first K rows with a count above 0, the hits
// among the draw's values and the chance of the top values.
void score(BacktestStep& step, const Tally& tally, const Prepared& h, int top, ChanceTable& chance)
{
    std::vector<TallyEntry> ranking;
    ranking.reserve(static_cast<std::size_t>(h.valueCount));
    for (int v = 0; v < h.valueCount; ++v)
        ranking.push_back({ h.reported.low + v, tally.counts[static_cast<std::size_t>(v)] });
    ranking = FollowTally::ranked(std::move(ranking));
    for (const TallyEntry& e : ranking) {
        if (static_cast<int>(step.top.size()) >= top || e.count <= 0)
            break;
        step.top.push_back(e);
    }
    step.state = StepState::Scored;
    for (int v : step.actual)
        for (const TallyEntry& e : step.top)
            if (e.value == v) {
                ++step.hits;
                break;
            }
    for (const TallyEntry& e : step.top)
        step.chance += chance.of(e.value, step.sqqh);
}

// One verified draw, record i: the search over lowIdx..i - 1 with the
// pattern of the reference draw, scored against what record i held.
BacktestStep verify(int i, int lowIdx, const Prepared& h, StepSearch& search, ChanceTable& chance, int top)
{
    BacktestStep step;
    step.sqqh = (*h.sqqh)[static_cast<std::size_t>(i)];
    for (int p = h.firstTally; p <= h.lastTally; ++p)
        step.actual.push_back((*h.ownResult[p])[static_cast<std::size_t>(i)]);
    const int hi = i - 1; // the search range ends with the draw before t
    if (lowIdx > hi) {
        step.state = StepState::EmptyRange;
        return step;
    }
    // The reference draw as the verification tab finds it: anchored on the
    // stored draw before the verified one.
    const ReferenceDraw found
        = findReferenceIssue(*h.issues, (*h.sqqh)[static_cast<std::size_t>(hi)], h.previousIssue, h.lookBack);
    const auto refAt = found.issue ? std::lower_bound(h.sqqh->begin(), h.sqqh->end(), *found.issue) : h.sqqh->end();
    const int ref = static_cast<int>(refAt - h.sqqh->begin());
    if (!found.issue || (h.skipGaps && !h.wholeRow[static_cast<std::size_t>(i)])) {
        step.state = StepState::NoReference;
        return step;
    }
    if (!search.setUp(ref)) {
        step.state = StepState::NoMatch;
        return step;
    }
    const Tally& tally = search.tallyThrough(hi);
    step.matched = static_cast<int>(tally.matched);
    if (tally.matched == 0) {
        step.state = StepState::NoMatch;
        return step;
    }
    score(step, tally, h, top, chance);
    return step;
}

BacktestResult cancelled(BacktestResult out)
{
    out.cancelled = true;
    out.message = QStringLiteral("批量验证已取消。");
    out.steps.clear();
    return out;
}

} // namespace

Backtest::Backtest(HistoryStore& store)
    : m_store(store)
{
}

Backtest::~Backtest() = default;

double Backtest::normalUpperTail(double z)
{
    return 0.5 * std::erfc(z / std::sqrt(2.0));
}

BacktestSummary Backtest::summarize(const std::vector<BacktestStep>& steps, int trialsPerStep)
{
    BacktestSummary s;
    s.steps = static_cast<int>(steps.size());
    for (const BacktestStep& step : steps) {
        if (!step.scored())
            continue;
        ++s.scoredSteps;
        s.trials += trialsPerStep;
        s.hits += step.hits;
        s.expectedHits += step.chance * trialsPerStep;
        s.variance += trialsPerStep * step.chance * (1 - step.chance) * (ChanceModel::kNumbers - trialsPerStep)
            / (ChanceModel::kNumbers - 1.0);
    }
    if (s.trials > 0) {
        s.hitRate = static_cast<double>(s.hits) / static_cast<double>(s.trials);
        s.chanceRate = s.expectedHits / static_cast<double>(s.trials);
        const stats::Interval ci = stats::wilsonInterval(s.hits, s.trials);
        s.ciLow = ci.low;
        s.ciHigh = ci.high;
    }
    if (s.variance > 0) {
        s.z = (static_cast<double>(s.hits) - s.expectedHits) / std::sqrt(s.variance);
        s.pValue = normalUpperTail(*s.z);
    }
    // Few expected hits or misses: the normal tail is too rough, and the
    // exact law is a short convolution (a step's hits: P positions of one
    // draw, m = 20 x chance of the 20 numbers among the top values).
    const double misses = static_cast<double>(s.trials) - s.expectedHits;
    if (s.trials > 0 && (s.expectedHits < 5 || misses < 5) && s.trials <= 4000) {
        std::vector<double> law { 1.0 };
        for (const BacktestStep& step : steps) {
            if (!step.scored())
                continue;
            const int m = static_cast<int>(std::lround(step.chance * ChanceModel::kNumbers));
            std::vector<double> one;
            for (int k = 0; k <= trialsPerStep; ++k)
                one.push_back(stats::hypergeometricPmf(k, ChanceModel::kNumbers, m, trialsPerStep));
            law = stats::convolve(law, one);
        }
        double upper = 0;
        for (auto k = static_cast<std::size_t>(s.hits); k < law.size(); ++k)
            upper += law[k];
        s.pValue = std::min(1.0, upper);
        s.pExact = true;
    }
    return s;
}

bool Backtest::loadHistory(const BacktestOptions& opt, QString* message)
{
    // The columns the steps read: the result kind's own values, the search
    // kind's own values (the pattern, and the lagged values of fixed
    // position) and, in free position, the list the search matches.
    const SearchOptions& o = opt.search;
    std::vector<std::string> ints, texts;
    for (int p = 1; p <= kPositions; ++p) {
        ints.push_back(schema::valueColumn(p, o.resultKind));
        ints.push_back(schema::valueColumn(p, o.kind));
    }
    if (o.freePosition)
        texts.push_back(schema::listColumn(matchedList(opt), false));
    if (!m_store.isOpen()) {
        *message = QStringLiteral("历史数据库没有打开。");
        return false;
    }
    if (m_mirror.isLoaded() && m_version != m_store.dataVersion())
        m_mirror.clear();
    if (!m_mirror.ensure(m_store.db(), ints, texts, message)) {
        m_mirror.clear();
        return false;
    }
    m_version = m_store.dataVersion();
    return true;
}

BacktestResult Backtest::run(const BacktestOptions& opt, const Progress& progress)
{
    BacktestResult out;
    const std::optional<Bounds> bounds = refusal(opt, &out.message);
    if (!bounds || !loadHistory(opt, &out.message))
        return out;
    const StepIndex index = stepIndex(m_mirror.sqqh(), *bounds);
    if (index.firstStep > index.lastStep) {
        out.message
            = QStringLiteral("%1到%2之间没有可验证的期（须为已存储、且前面还有一期的期号）。").arg(opt.from, opt.to);
        return out;
    }

    const SearchOptions& o = opt.search;
    Prepared h;
    h.records = m_mirror.rowCount();
    h.words = wordCount(h.records);
    h.sqqh = &m_mirror.sqqh();
    const IssueList issues(m_mirror.sqqh());
    h.issues = &issues;
    h.previousIssue = o.previousIssue;
    h.lookBack = o.lookBack;
    h.shift = rules::lagShift(o);
    if (o.skipGaps) {
        h.skipGaps = true;
        h.wholeRow = chainsWithoutHoles(*h.sqqh, h.shift, o.lotteryCode);
        h.whole.assign(static_cast<std::size_t>(h.words), 0);
        for (int r = 0; r < h.records; ++r)
            if (h.wholeRow[static_cast<std::size_t>(r)])
                setBit(h.whole, r);
    }
    for (int p = 1; p <= kPositions; ++p) {
        h.ownSearch[p] = &m_mirror.ints(schema::valueColumn(p, o.kind));
        h.ownResult[p] = &m_mirror.ints(schema::valueColumn(p, o.resultKind));
    }
    h.firstTally = o.group ? 1 : o.resultPosition;
    h.lastTally = o.resultPosition;
    h.reported = FollowTally::reportedRange(o.resultKind, o.zodiacBase, o.segmentBase);
    h.valueCount = h.reported.high - h.reported.low + 1;
    out.trialsPerStep = h.trials();
    buildPlanes(h);
    const ValueRange valid = counterRange(o.kind, o.zodiacBase, o.segmentBase);
    const TokenScanner scanner(o.kind, !opt.combination && o.kind == 0, valid);
    if (o.freePosition)
        buildTokens(h, m_mirror.texts(schema::listColumn(matchedList(opt), false)), scanner, opt);

    StepSearch search(h, opt, scanner, valid, index.lowIdx);
    ChanceTable chance(o);
    const int total = index.lastStep - index.firstStep + 1;
    out.steps.reserve(static_cast<std::size_t>(total));
    for (int i = index.firstStep; i <= index.lastStep; ++i) {
        const int done = i - index.firstStep;
        if (progress && done % 256 == 0 && !progress(done, total))
            return cancelled(std::move(out));
        out.steps.push_back(verify(i, index.lowIdx, h, search, chance, opt.top));
    }
    if (progress && !progress(total, total))
        return cancelled(std::move(out));
    out.summary = summarize(out.steps, out.trialsPerStep);
    out.ok = true;
    return out;
}

QString Backtest::valueText(int value, int kind, int zodiacBase)
{
    return FollowTally::resultText(value, kind, zodiacBase);
}

} // namespace corvinel
