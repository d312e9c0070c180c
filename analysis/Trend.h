#pragma once

#include "analysis/ResultTable.h"
#include "store/DrawNumbers.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <span>
#include <vector>

namespace corvinel {

// What the trend chart shows: the last `last` stored draws, one kind, and
// either the whole draw (position 0) or the number at one position 1..8. The
// kinds are the six attribute kinds (0..5) and the shape kinds after them
// (ShapeKind, 6..16); each shape kind takes either no position or one.
struct TrendOptions
{
    int last = 50;
    int kind = 0;
    int position = 0;
    // Segment values are labelled from the segment base (setting DsIni).
    int segmentBase = 1;
    // "跳过缺期" / --skip-gaps: an omission does not run across a hole of the
    // history (store/IssueGaps for the game): the count starts again after
    // it, and the row after a hole shows the hole in its missed cells.
    bool skipGaps = false;
    int lotteryCode = 544;
};

// The trend table: one row per draw, one column per reported value of the
// kind. A cell is 0 where the draw hit the value and otherwise the value's
// omission, the number of consecutive draws up to and including this one
// without it, counted over the whole history (not only the rows shown).
struct TrendTable
{
    TrendOptions options;
    QStringList columns; // labels: the value, or the sign's name for zodiac
    std::vector<std::int64_t> issues; // stored issue number of each row
    std::vector<int> cells; // row-major, columns.size() per row
    // With skipGaps: the issues missing right before each row (0: none).
    std::vector<int> holeBefore;

    // Over the rows shown, per column.
    std::vector<int> hits; // 出现次数
    std::vector<int> current; // 当前遗漏: the last row's cell
    std::vector<int> maxOmission; // 最大遗漏
    std::vector<double> meanOmission; // 平均遗漏 = (rows - hits) / (hits + 1)
    std::vector<int> maxRun; // 最大连出: longest run of consecutive hits

    // What chance alone gives, per column: m is how many of the numbers 1..20
    // have the value (zodiac: in the zodiac year of the last row); p is the
    // chance that a draw hits the value (m / 20 at one position, 1 - C(20-m, 8)
    // / C(20, 8) for the whole draw); the expected hits over the rows shown;
    // and (1 - p)^k for the current omission k, the chance of an absence at
    // least that long. Draws are independent: none of these says a value is
    // more likely next time.
    // For a shape kind m counts the equally likely outcomes with the value
    // among `chanceOutcomes` of them (see shapeChance), and p = m / outcomes;
    // `chanceOutcomes` is 0 for the attribute kinds.
    int chanceZodiacYear = 0;
    std::vector<int> valueCount;
    std::int64_t chanceOutcomes = 0;
    std::vector<double> chance; // 随机出现率
    std::vector<double> expectedHits; // 随机期望次数
    std::vector<double> chanceCurrentOrLonger; // 随机遗漏≥k概率
    // Benjamini-Hochberg adjusted chanceCurrentOrLonger over the row: with
    // twenty columns about one absence probability is at most 0.05 by chance
    // alone, so only a q below 0.05 marks a column.
    std::vector<double> absenceQ;

    int rowCount() const { return static_cast<int>(issues.size()); }
    int columnCount() const { return static_cast<int>(columns.size()); }
    int cell(int row, int column) const { return cells[static_cast<std::size_t>(row) * columns.size() + column]; }
    bool isHit(int row, int column) const { return cell(row, column) == 0; }
};

struct TrendResult
{
    bool ok = false;
    QString error;
    TrendTable table;
};

// The trend of `draws` (stored issue number and numbers in draw order, in
// issue order) in one pass. Fails with a reason when `last` is below 1, the
// position is outside 0..8, the kind outside 0..16, a shape kind is given a
// scope it does not take (see trendScope) or there is no draw. When fewer
// draws than `last` exist, every draw is a row. Numbers outside 1..20 (stored
// as 0 by loadDrawNumbers) hit no value; a draw-level shape kind needs all
// eight (see shapeColumn).
TrendResult computeTrend(std::span<const DrawNumbers> draws, const TrendOptions& options);

// Column labels of a kind: 1..20, the twelve sign names 鼠..猪, head 0..2,
// tail 0..9, digit sum 1..10, segment base..base+4; a shape kind's columns.
QStringList trendColumns(int kind, int segmentBase);

// Column of each number 1..20 (index 0 unused, -1) for an attribute kind;
// zodiac in the given zodiac year, as the draw encoder codes it.
std::vector<int> trendColumnOfNumber(int kind, int zodiacYear);

// The caption of the summary and chance rows, in the order the grid shows them.
const QStringList& trendSummaryCaptions();

// The whole chart as text cells: the header "期号" and the value labels, a row
// per draw ("20" + issue number, then the cells: the value's label for a hit,
// the omission otherwise), then the summary and chance rows.
ResultTable trendGrid(const TrendTable& table);

// The note on the absence probabilities: how many are at most 0.05 beside
// how many chance alone gives (columns x 0.05), and the columns whose q is
// below 0.05 (marked "*" in the grid).
QString trendAbsenceNote(const TrendTable& table);

// Probability texts of the chance rows: four decimals, "<0.0001" for a
// positive value below that (a long absence has a tiny but real chance).
QString trendProbabilityText(double p);

} // namespace corvinel
