#pragma once

#include "analysis/SearchOptions.h"

#include <array>
#include <cstdint>
#include <optional>

namespace corvinel {

// The chance model of a result kind. Every draw is eight different numbers
// from 1..20 in random order, independent of earlier draws, so the number at
// any one position is uniform on 1..20 and a value v of the kind has the
// probability q(v) = (how many of the numbers 1..20 have value v) / 20.
//
// Only the zodiac kind depends on the draw: its signs own other numbers in
// every zodiac year, so q follows the zodiac year of the draw's date; the
// zodiac number table (by order or by age) gives each sign its value. The
// other kinds read the segment base alone.
class ChanceModel
{
public:
    static constexpr int kNumbers = 20;
    // Value counts indexed by value 0..20 (every kind's values fit in it).
    using Counts = std::array<int, 21>;

    // By order: sign k has the value zodiacBase + k.
    ChanceModel(int kind, int zodiacBase, int segmentBase);
    ChanceModel(int kind, int segmentBase, const std::array<int, 12>& zodiacNumbers);
    // The model of a search's result kind (the search's bases and zodiac
    // number table).
    static ChanceModel forResult(const SearchOptions& o);

    int kind() const { return m_kind; }
    // Whether the counts depend on the draw's zodiac year.
    bool dependsOnYear() const;

    // How many of the numbers 1..20 have each value: in `zodiacYear` for
    // the zodiac kind (the year is not read for the other kinds). The counts
    // add up to 20.
    Counts counts(int zodiacYear) const;
    int valueCount(int value, int zodiacYear) const;
    double probability(int value, int zodiacYear) const
    {
        return static_cast<double>(valueCount(value, zodiacYear)) / kNumbers;
    }

    // The value of the number n (1..20) of the kind in a zodiac year, as the
    // draw encoder stores it.
    int valueOf(int n, int zodiacYear) const;

    // The zodiac year of a draw, from its stored issue number.
    static int drawYear(std::int64_t sqqh);

private:
    int m_kind = 0;
    int m_segmentBase = 1;
    std::array<int, 12> m_zodiacNumbers {};
};

} // namespace corvinel
