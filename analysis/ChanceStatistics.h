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
    std::optional<double> ciLowPct; // Wilson 95 % interval of O / T, percent
    std::optional<double> ciHighPct;
    std::optional<double> pValue; // exact two-sided binomial test, O of T against E / T
    std::optional<double> qValue; // Benjamini-Hochberg over the values with E > 0
};

// A whole ranking beside chance. With no matched draw (M = 0) every count and
// expectation is 0 and every proportion, test and the chi-square figures are
// empty; df and the chi-square p value are also empty when fewer than two
// values have E > 0.
struct ChanceFigures
{
    std::int64_t matched = 0; // M
    std::int64_t tallied = 0; // T
    int tallyPositions = 0; // P
    bool group = false; // group mode: P positions of one draw per match
    std::optional<double> chiSquare; // sum over the values with E > 0 of (O - E)^2 / E
    std::optional<int> df; // their number - 1
    std::optional<double> pValue; // chi-square upper tail
    std::vector<ChanceRow> rows; // in ranking order
};

// The figures for a ranking (values and counts in ranking order), the stored
// issue numbers of the matched draws, the tally positions per draw and the
// range tally. One pass over the matched draws (their zodiac years, for the
// zodiac kind) and one over the ranking's values.
ChanceFigures chanceFigures(const std::vector<TallyEntry>& ranking, const std::vector<std::int64_t>& matchedIssues,
                            int tallyPositions, const RangeTally& range, const ChanceModel& model, int zodiacBase);
// The same for a search's result.
ChanceFigures chanceFigures(const SearchResult& result, const SearchOptions& options);

// The verdict under a ranking: "与随机相比无显著差异（χ²=14.2，自由度 19，p=0.77）"
// or "与随机有显著差异（p=0.003）", naming the smallest q value when it is below
// 0.05. The chi-square test decides at 0.05.
QString chanceVerdict(const ChanceFigures& f);
// What the verdict rests on, for a tool tip or a note under it (says that the
// tests are slightly conservative in group mode).
QString chanceExplanation(const ChanceFigures& f);

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
