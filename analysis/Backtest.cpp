#include "analysis/Backtest.h"

#include "analysis/ChanceModel.h"
#include "analysis/Distributions.h"
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

// Everything the steps read, built once from the mirror.
struct Prepared
{
    int records = 0;
    int words = 0;
    const std::vector<std::int64_t>* sqqh = nullptr;
    std::array<const std::vector<std::int32_t>*, kPositions + 1> ownSearch {};
    std::array<const std::vector<std::int32_t>*, kPositions + 1> ownResult {};

    // Free position: one set per token id, empty when no record holds it;
    // records whose occurrence tokens do not run 1..m for some value.
    std::vector<BitSet> tokens;
    std::vector<int> irregular;
    // Fixed position: records whose lagged value at p is v, made on demand.
    std::map<std::pair<int, int>, BitSet> lagged;

    // Tally: for each reported value, the bit planes of how often it stands
    // at the tally positions of a record.
    ValueRange reported {};
    std::vector<std::array<BitSet, 4>> planes;
    std::vector<std::array<bool, 4>> planeUsed;
    int usedPlanes = 0;
};

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

std::pair<double, double> Backtest::wilson(std::int64_t hits, std::int64_t trials, double z)
{
    const auto n = static_cast<double>(trials);
    const double p = static_cast<double>(hits) / n;
    const double z2 = z * z;
    const double denominator = 1 + z2 / n;
    const double centre = (p + z2 / (2 * n)) / denominator;
    const double half = z * std::sqrt(p * (1 - p) / n + z2 / (4 * n * n)) / denominator;
    return { std::max(0.0, centre - half), std::min(1.0, centre + half) };
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
        const auto [low, high] = wilson(s.hits, s.trials);
        s.ciLow = low;
        s.ciHigh = high;
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

BacktestResult Backtest::run(const BacktestOptions& opt, const Progress& progress)
{
    BacktestResult out;
    const SearchOptions& o = opt.search;
    if (!rules::validate(o, &out.message))
        return out;
    if (o.resultPosition < 1 || o.resultPosition > kPositions) {
        out.message = QStringLiteral("结果统计位须为第1位到第8位。");
        return out;
    }
    if (opt.top < 1) {
        out.message = QStringLiteral("前K结果的K须为不小于1的整数，而不是%1。").arg(opt.top);
        return out;
    }
    const auto from = issue::lastNineAsNumber(opt.from);
    const auto to = issue::lastNineAsNumber(opt.to);
    if (!from || !to) {
        out.message
            = QStringLiteral("验证起止期号“%1”不是有效的期号（后九位须为整数）。").arg(!from ? opt.from : opt.to);
        return out;
    }
    if (*from > *to) {
        out.message = QStringLiteral("起始期号%1在结束期号%2之后。").arg(opt.from, opt.to);
        return out;
    }
    const auto searchStart = issue::lastNineAsNumber(o.rangeFrom);
    if (!searchStart) {
        out.message
            = QStringLiteral("检索起止期数“%1”不是有效的期号（后九位须为整数），请改正后再检索。").arg(o.rangeFrom);
        return out;
    }

    // The columns the steps read: the result kind's own values, the search
    // kind's own values (the pattern, and the lagged values of fixed
    // position) and, in free position, the list the search matches.
    const bool nBack = !o.previousIssue;
    const int listIndex = opt.combination ? rules::combinationListIndex(o.kind) : rules::followListIndex(o.kind);
    std::vector<std::string> ints, texts;
    for (int p = 1; p <= kPositions; ++p) {
        ints.push_back(schema::valueColumn(p, o.resultKind));
        ints.push_back(schema::valueColumn(p, o.kind));
    }
    if (o.freePosition)
        texts.push_back(schema::listColumn(listIndex, false));
    if (!m_store.isOpen()) {
        out.message = QStringLiteral("历史数据库没有打开。");
        return out;
    }
    if (m_mirror.isLoaded() && m_version != m_store.dataVersion())
        m_mirror.clear();
    if (!m_mirror.ensure(m_store.db(), ints, texts, &out.message)) {
        m_mirror.clear();
        return out;
    }
    m_version = m_store.dataVersion();

    Prepared h;
    h.records = m_mirror.rowCount();
    h.words = wordCount(h.records);
    h.sqqh = &m_mirror.sqqh();
    const auto& sqqh = *h.sqqh;
    for (int p = 1; p <= kPositions; ++p) {
        h.ownSearch[p] = &m_mirror.ints(schema::valueColumn(p, o.kind));
        h.ownResult[p] = &m_mirror.ints(schema::valueColumn(p, o.resultKind));
    }

    // The verified draws: stored, in FROM..TO, with a draw before them.
    const int firstStep
        = std::max<int>(1, static_cast<int>(std::lower_bound(sqqh.begin(), sqqh.end(), *from) - sqqh.begin()));
    const int lastStep = static_cast<int>(std::upper_bound(sqqh.begin(), sqqh.end(), *to) - sqqh.begin()) - 1;
    if (firstStep > lastStep) {
        out.message
            = QStringLiteral("%1到%2之间没有可验证的期（须为已存储、且前面还有一期的期号）。").arg(opt.from, opt.to);
        return out;
    }
    const int lowIdx = static_cast<int>(std::lower_bound(sqqh.begin(), sqqh.end(), *searchStart) - sqqh.begin());
    const int shift = rules::lagShift(o);

    // Tally positions and the reported values.
    const int firstTally = o.group ? 1 : o.resultPosition;
    const int lastTally = o.resultPosition;
    out.trialsPerStep = lastTally - firstTally + 1;
    h.reported = FollowTally::reportedRange(o.resultKind, o.zodiacBase, o.segmentBase);
    const int valueCount = h.reported.high - h.reported.low + 1;
    h.planes.resize(static_cast<std::size_t>(valueCount));
    h.planeUsed.resize(static_cast<std::size_t>(valueCount));
    for (int r = 0; r < h.records; ++r) {
        std::array<int, 21> mult {}; // by value - low; at most 20 reported values
        for (int p = firstTally; p <= lastTally; ++p) {
            const int v = (*h.ownResult[p])[r];
            if (h.reported.contains(v))
                ++mult[static_cast<std::size_t>(v - h.reported.low)];
        }
        for (int v = 0; v < valueCount; ++v) {
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

    // Free position: the tokens of the list each record is matched on (the
    // list of the record N - 1 places earlier in N-back mode; for the
    // combination search its working copy).
    const ValueRange valid = counterRange(o.kind, o.zodiacBase, o.segmentBase);
    const TokenScanner scanner(o.kind, !opt.combination && o.kind == 0, valid);
    if (o.freePosition) {
        h.tokens.resize(kTokenIds);
        const auto& lists = m_mirror.texts(schema::listColumn(listIndex, false));
        const int listShift = nBack ? o.lookBack - 1 : 0;
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
    auto tokenSet = [&](int id) -> const BitSet* {
        const BitSet& s = h.tokens[static_cast<std::size_t>(id)];
        return s.empty() ? nullptr : &s;
    };
    auto laggedSet = [&](int p, int v) -> const BitSet* {
        auto [it, fresh] = h.lagged.try_emplace({ p, v });
        if (fresh) {
            it->second.assign(static_cast<std::size_t>(h.words), 0);
            const auto& own = *h.ownSearch[p];
            for (int r = 0; r < h.records; ++r)
                if ((r >= shift ? own[static_cast<std::size_t>(r - shift)] : 0) == v)
                    setBit(it->second, r);
        }
        return &it->second;
    };

    // q(v) of the result kind; only the zodiac kind's depends on the draw's year.
    const ChanceModel chance = ChanceModel::forResult(o);
    std::map<int, ChanceModel::Counts> countsByYear;
    auto chanceOf = [&](int value, std::int64_t issue) {
        const int year = chance.dependsOnYear() ? ChanceModel::drawYear(issue) : 0;
        auto it = countsByYear.find(year);
        if (it == countsByYear.end())
            it = countsByYear.emplace(year, chance.counts(year)).first;
        const int n = value >= 0 && value < static_cast<int>(it->second.size())
            ? it->second[static_cast<std::size_t>(value)]
            : 0;
        return static_cast<double>(n) / ChanceModel::kNumbers;
    };

    const auto combos = rules::combinations(o.combinationSize);
    const int total = lastStep - firstStep + 1;
    out.steps.reserve(static_cast<std::size_t>(total));
    BitSet matched(static_cast<std::size_t>(h.words), 0);

    // What one step's search marks: the records that hold all of `sets`
    // (follow-pattern search) or at least `need` of them (combination
    // search), and for irregular token lists the combinations one by one.
    std::vector<const BitSet*> sets;
    int need = 0;
    std::array<int, kPositions + 1> pattern {};
    std::array<int, 21> times {}; // free combination: how often each valid value is in the pattern

    auto exactCombination = [&](int r) {
        for (const auto& c : combos) {
            bool all = true;
            for (int p : c) {
                const int v = pattern[p];
                int n = 0; // the token carries how often v is in the combination
                for (int q : c)
                    n += pattern[q] == v ? 1 : 0;
                if (!valid.contains(v) || !testBit(h.tokens[static_cast<std::size_t>(scanner.id(n, v))], r)) {
                    all = false;
                    break;
                }
            }
            if (all)
                return true;
        }
        return false;
    };

    // Adds the marked records in lo..hi to a tally: their number and the
    // counts of the reported values at their tally positions.
    struct Tally
    {
        int hi = -1; // the tally covers lowIdx..hi
        std::int64_t matched = 0;
        std::vector<int> counts;
    };
    auto addRange = [&](int lo, int hi, Tally& t) {
        const auto w0 = static_cast<std::size_t>(lo >> 6);
        const auto w1 = static_cast<std::size_t>(hi >> 6);
        const std::size_t span = w1 - w0 + 1;
        for (std::size_t w = w0; w <= w1; ++w) {
            Word m = ~Word { 0 };
            if (!opt.combination) {
                for (const BitSet* s : sets)
                    m &= (*s)[w];
            } else {
                m = atLeast(need, sets, w);
            }
            matched[w] = m;
        }
        if (opt.combination && o.freePosition) {
            for (auto it = std::lower_bound(h.irregular.begin(), h.irregular.end(), lo);
                 it != h.irregular.end() && *it <= hi; ++it) {
                const Word bit = Word { 1 } << (*it & 63);
                Word& word = matched[static_cast<std::size_t>(*it >> 6)];
                word = exactCombination(*it) ? (word | bit) : (word & ~bit);
            }
        }
        matched[w0] &= ~Word { 0 } << (lo & 63);
        if ((hi & 63) != 63)
            matched[w1] &= (Word { 1 } << ((hi & 63) + 1)) - 1;
        const std::int64_t m = countBits(matched.data() + w0, nullptr, span);
        t.matched += m;
        // Record by record when few matched (a visit costs a few word
        // operations), else by the bit planes of the reported values.
        if (m * out.trialsPerStep * 4 <= static_cast<std::int64_t>(span) * h.usedPlanes) {
            for (std::size_t w = w0; w <= w1; ++w) {
                for (Word bits = matched[w]; bits != 0; bits &= bits - 1) {
                    const auto r = static_cast<std::size_t>(w * 64 + static_cast<std::size_t>(std::countr_zero(bits)));
                    for (int p = firstTally; p <= lastTally; ++p) {
                        const int v = (*h.ownResult[p])[r];
                        if (h.reported.contains(v))
                            ++t.counts[static_cast<std::size_t>(v - h.reported.low)];
                    }
                }
            }
            return;
        }
        for (int v = 0; v < valueCount; ++v) {
            for (int b = 0; b < 4; ++b) {
                if (!h.planeUsed[static_cast<std::size_t>(v)][static_cast<std::size_t>(b)])
                    continue;
                const BitSet& plane = h.planes[static_cast<std::size_t>(v)][static_cast<std::size_t>(b)];
                const std::int64_t n = countBits(matched.data() + w0, plane.data() + w0, span);
                t.counts[static_cast<std::size_t>(v)] += static_cast<int>(n << b);
            }
        }
    };

    // Steps whose searches mark the same records share one tally, brought
    // forward from the last such step: a pattern that comes back costs only
    // the draws since.
    std::unordered_map<std::string, Tally> tallies;
    std::string key;

    for (int i = firstStep; i <= lastStep; ++i) {
        const int done = i - firstStep;
        if (progress && done % 256 == 0 && !progress(done, total)) {
            out.cancelled = true;
            out.message = QStringLiteral("批量验证已取消。");
            out.steps.clear();
            return out;
        }
        BacktestStep step;
        step.sqqh = sqqh[static_cast<std::size_t>(i)];
        for (int p = firstTally; p <= lastTally; ++p)
            step.actual.push_back((*h.ownResult[p])[static_cast<std::size_t>(i)]);

        const int hi = i - 1; // the search range ends with the draw before t
        const int ref = i - shift; // the reference draw of the verification tab
        if (lowIdx > hi) {
            step.state = StepState::EmptyRange;
            out.steps.push_back(std::move(step));
            continue;
        }
        if (ref < 0) {
            step.state = StepState::NoReference;
            out.steps.push_back(std::move(step));
            continue;
        }
        for (int p = 1; p <= kPositions; ++p)
            pattern[p] = (*h.ownSearch[p])[static_cast<std::size_t>(ref)];

        bool none = false;
        sets.clear();
        times.fill(0);
        if (!opt.combination) {
            std::array<int, 21> counter {};
            for (int p = 1; p <= kPositions && !none; ++p) {
                if (!o.positions[p])
                    continue;
                const int v = pattern[p];
                const BitSet* s = nullptr;
                if (!o.freePosition) {
                    s = laggedSet(p, v);
                } else if (valid.contains(v)) {
                    s = tokenSet(scanner.id(o.kind == 0 ? 1 : ++counter[static_cast<std::size_t>(v)], v));
                }
                if (!s)
                    none = true; // a statement that cannot run or a token no record holds
                else
                    sets.push_back(s);
            }
            need = static_cast<int>(sets.size());
        } else if (combos.empty()) {
            none = true;
        } else {
            need = o.combinationSize;
            if (!o.freePosition) {
                for (int p = 1; p <= kPositions; ++p)
                    sets.push_back(laggedSet(p, pattern[p]));
            } else {
                // A record holds a combination's tokens when it holds every
                // value at least as often as the combination does: at least
                // `need` of the tokens (c, v), c = 1..(times v is in the pattern).
                for (int p = 1; p <= kPositions; ++p)
                    if (valid.contains(pattern[p]))
                        ++times[static_cast<std::size_t>(pattern[p])];
                for (int v = 0; v <= 20; ++v)
                    for (int c = 1; c <= times[static_cast<std::size_t>(v)]; ++c)
                        if (const BitSet* s = tokenSet(scanner.id(c, v)))
                            sets.push_back(s);
            }
        }
        if (none) {
            step.state = StepState::NoMatch;
            out.steps.push_back(std::move(step));
            continue;
        }
        std::sort(sets.begin(), sets.end());
        if (!opt.combination)
            sets.erase(std::unique(sets.begin(), sets.end()), sets.end());
        key.assign(reinterpret_cast<const char*>(sets.data()), sets.size() * sizeof(const BitSet*));
        key.append(reinterpret_cast<const char*>(times.data()), sizeof(times));
        key.push_back(static_cast<char>(need));
        auto [entry, fresh] = tallies.try_emplace(key);
        Tally& tally = entry->second;
        if (fresh) {
            tally.hi = lowIdx - 1;
            tally.counts.assign(static_cast<std::size_t>(valueCount), 0);
        }
        if (hi > tally.hi) {
            addRange(tally.hi + 1, hi, tally);
            tally.hi = hi;
        }
        step.matched = static_cast<int>(tally.matched);
        if (tally.matched == 0) {
            step.state = StepState::NoMatch;
            out.steps.push_back(std::move(step));
            continue;
        }

        // The ranking: count descending, then value ascending; its first K
        // rows with a count above 0.
        std::vector<TallyEntry> ranking;
        ranking.reserve(static_cast<std::size_t>(valueCount));
        for (int v = 0; v < valueCount; ++v)
            ranking.push_back({ h.reported.low + v, tally.counts[static_cast<std::size_t>(v)] });
        ranking = FollowTally::ranked(std::move(ranking));
        for (const TallyEntry& e : ranking) {
            if (static_cast<int>(step.top.size()) >= opt.top || e.count <= 0)
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
            step.chance += chanceOf(e.value, step.sqqh);
        out.steps.push_back(std::move(step));
    }
    if (progress && !progress(total, total)) {
        out.cancelled = true;
        out.message = QStringLiteral("批量验证已取消。");
        out.steps.clear();
        return out;
    }
    out.summary = summarize(out.steps, out.trialsPerStep);
    out.ok = true;
    return out;
}

QString Backtest::valueText(int value, int kind, int zodiacBase)
{
    return FollowTally::resultText(value, kind, zodiacBase);
}

} // namespace corvinel
