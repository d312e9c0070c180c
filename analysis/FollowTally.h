#pragma once

#include "analysis/ResultTable.h"
#include "analysis/SearchOptions.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace corvinel {

// One reported value of the result kind and how often it followed the pattern
// (a row of Carcu).
struct TallyEntry
{
    int value = 0;
    int count = 0;
    bool operator==(const TallyEntry&) const = default;
};

// The values at the tally positions of every draw in the search range,
// matched or not: the history's own rate of each value.
struct RangeTally
{
    std::int64_t draws = 0;
    std::int64_t tallied = 0; // tally positions times draws
    std::array<std::int64_t, 21> counts {}; // by value; values outside 0..20 are not counted
    std::int64_t count(int value) const { return value >= 0 && value <= 20 ? counts[value] : 0; }
};

// The follow tally: the matched draws become the rows of the matched draw list
// (MSFlexGrid2), the values at the tally positions are counted, and the counts
// of the reported values become the ranking (MSFlexGrid3).
class FollowTally
{
public:
    explicit FollowTally(const SearchOptions& options);

    // One matched draw, in listing order: its issue number, its own values of
    // the result kind at positions 1..8, and the list shown in the last column
    // (txtHisLst in previous-issue mode, txtHisPreLst in N-back mode).
    void addMatch(std::int64_t sqqh, const std::array<int, 8>& resultValues, std::string_view shownList);

    // A draw of the search range (matched or not): its values at the tally
    // positions go into the range tally.
    void addRangeDraw(const std::array<int, 8>& resultValues);
    const RangeTally& rangeTally() const { return m_range; }

    // Percentage base T: the number of tally positions times the matched draws.
    std::int64_t base() const { return static_cast<std::int64_t>(m_tallyPositions) * m_matches; }
    // P: the result position in group mode, 1 in direct mode.
    int tallyPositions() const { return m_tallyPositions; }
    // The tally positions are firstPosition() .. the result position.
    int firstPosition() const { return m_firstPosition; }

    // The Carcu rows: every reported value in ascending order with its count.
    std::vector<TallyEntry> reportedCounts() const;

    // MSFlexGrid2: its cells are formatted when they are read.
    ResultTable matchesTable() const;

    // Ranking by count, highest first; equal counts keep ascending value order.
    static std::vector<TallyEntry> ranked(std::vector<TallyEntry> ascending);
    // MSFlexGrid3 from entries already in ranking order.
    static ResultTable rankingTable(const std::vector<TallyEntry>& ranking, std::int64_t base, int resultKind,
                                    int zodiacBase);
    // Count * 100 / base with the "0.000" pattern (half up on the exact value)
    // and "%"; empty when there is no base.
    static QString percentText(std::int64_t count, std::int64_t base);
    // Header of MSFlexGrid2 and its widths.
    static ResultTable emptyMatchesTable(bool previousIssue);
    // A value as the ranking's 结果 column shows it (the zodiac name for the
    // zodiac kind).
    static QString resultText(int value, int resultKind, int zodiacBase);
    // The values Carcu reports for a result kind.
    static ValueRange reportedRange(int resultKind, int zodiacBase, int segmentBase);

private:
    SearchOptions m_options;
    int m_firstPosition = 1;
    int m_tallyPositions = 1;
    int m_matches = 0;
    std::array<int, 21> m_counters {}; // indexed by value; the widest counter range is 0..20
    ValueRange m_counterRange {};
    RangeTally m_range;
    // The matched draws, kept compact until a cell is asked for.
    struct Rows
    {
        std::vector<std::int64_t> sqqh;
        std::vector<std::array<int, 8>> values;
        std::string lists; // the shown lists, one after the other
        std::vector<std::size_t> listEnd; // where each row's list ends in `lists`
    };
    std::shared_ptr<Rows> m_rows = std::make_shared<Rows>();
};

} // namespace corvinel
