#pragma once

#include "analysis/ChanceModel.h"
#include "analysis/FollowTally.h"
#include "analysis/ResultTable.h"

#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace corvinel {

struct SearchResult;

// One value of a ranking beside chance. With T tallied values (P tally
// positions times M matched draws) and O the value's count:
struct ChanceRow
{
    int value = 0;
    QString text; // the ranking's 结果 text
    std::int64_t count = 0; // O
    double expected = 0; // E: P times the sum over the matched draws of q_d(value)
    std::optional<double> expectedPct; // 100 E / T
    std::optional<double> rangePct; // share of the value in the whole range, percent
    std::optional<double> lift; // O / E; none when E = 0
    // Wilson 95 % interval of O / T, percent; in group mode on the effective
    // size T * 19 / (20 - P) that the positions drawn without replacement give.
    std::optional<double> ciLowPct;
    std::optional<double> ciHighPct;
    // Exact two-sided test of O: against the binomial of T trials with E / T
    // in direct mode; in group mode against the sum over the matched draws of
    // the hypergeometric count of the value among one draw's P positions.
    std::optional<double> pValue;
    std::optional<double> qValue; // Benjamini-Hochberg over the values with E > 0
};

// How the whole-ranking p value was found.
enum class ChanceMethod
{
    ChiSquare, // the chi-square approximation: every E >= 5
    Exact, // every outcome of the null model enumerated
    MonteCarlo, // kMonteCarloRuns rankings simulated under the null model
};

enum class ChanceVerdict
{
    Significant, // whole-ranking p < 0.05
    NotSignificant,
    TooFew, // no p: too few matched draws to tell anything
};

// A whole ranking beside chance. With no matched draw (M = 0) every count and
// expectation is 0 and every proportion, test and the chi-square figures are
// empty; df and the chi-square p value are also empty when fewer than two
// values have E > 0.
//
// The whole-ranking p value is the chance under the null model (the draws
// random, each matched draw giving its values as the search counts them) of
// a Pearson statistic at least as large as the one seen. It is the
// chi-square tail when every E is at least 5 (in group mode of X² × 19 /
// (20 − P): a draw's P positions are a sample without replacement from 20
// numbers, which shrinks every count's covariance by (20 − P) / 19);
// otherwise exact or by Monte Carlo. It is empty (verdict TooFew) with fewer
// than kMinimumMatched matched draws or when no value could reach p < 0.05
// even at its most extreme count.
struct ChanceFigures
{
    static constexpr int kMinimumMatched = 5;
    static constexpr int kMonteCarloRuns = 10000;

    std::int64_t matched = 0; // M
    std::int64_t tallied = 0; // T
    int tallyPositions = 0; // P
    bool group = false; // group mode: P positions of one draw per match
    std::optional<double> chiSquare; // sum over the values with E > 0 of (O - E)^2 / E
    std::optional<int> df; // their number - 1
    std::optional<double> chiSquareAdjusted; // group mode: X² × 19 / (20 − P)
    std::optional<double> pValue; // whole ranking, as above
    ChanceMethod method = ChanceMethod::ChiSquare;
    ChanceVerdict verdict = ChanceVerdict::TooFew;
    // The smallest lift of one value (its rate over the chance rate, the
    // others scaled down alike) that the test would find significant half
    // the time at this sample size; empty when no lift would.
    std::optional<double> detectableLift;
    std::vector<ChanceRow> rows; // in ranking order
};

// The figures for a ranking (values and counts in ranking order), the stored
// issue numbers of the matched draws, the tally positions per draw and the
// range tally. One pass over the matched draws (their zodiac years, for the
// zodiac kind) and one over the ranking's values.
// In group mode each matched draw gives its first P positions (without
// replacement); in direct mode one position.
ChanceFigures chanceFigures(const std::vector<TallyEntry>& ranking, const std::vector<std::int64_t>& matchedIssues,
                            int tallyPositions, const RangeTally& range, const ChanceModel& model, int zodiacBase,
                            bool group = false);
// The same for a search's result.
ChanceFigures chanceFigures(const SearchResult& result, const SearchOptions& options);

// The verdict under a ranking: "未发现与随机不同（样本 40 期；χ²=14.2，自由度 19，
// p=0.77）", with the lift the test would have found half the time, or
// "与随机有显著差异（p=0.003），但随机数据中每 20 次检索约有 1 次如此", naming the
// smallest q value when it is below 0.05, or "样本太少，无法判断". The whole-
// ranking test decides at 0.05.
QString chanceVerdict(const ChanceFigures& f);
// What the verdict rests on, for a tool tip or a note under it.
QString chanceExplanation(const ChanceFigures& f);
// The searches of one session beside chance: "本次已检索 K 次，…" for K > 1
// (the verdicts random data would call significant among them), else empty.
QString searchCountNote(int searches);
// The key of a method and a verdict in the command line's JSON.
QString chanceMethodKey(ChanceMethod m);
QString chanceVerdictKey(ChanceVerdict v);

// The figures as a grid ("统计检验"): 结果, 出现次数, 随机期望, 提升, 95%区间,
// p值, q值, one row per value in ranking order; an empty figure is an empty
// cell.
ResultTable chanceTable(const ChanceFigures& f);
// The tool tip of one ranking row or bar: expected count, lift, interval,
// p and q.
QString chanceTip(const ChanceRow& row);

// A p or q value as the verdict writes it: two decimals from 0.1, three below,
// "<0.001" below 0.001, never rounded across 0.05.
QString formatPValue(double p);

} // namespace corvinel
