#pragma once

#include <string>
#include <vector>

namespace corvinel::schema {

// Lag of a per-position column: this draw, the previous draw (suffix "S") or
// the earlier draw (suffix "P").
enum class Lag
{
    Own,
    Previous,
    Earlier
};

// "L" + position + kind letter (+ "S" / "P"), e.g. L3B, L3BS, L5GP. Generated
// from fixed tables only, never from input.
std::string valueColumn(int position, int kind, Lag lag = Lag::Own);

// The seven list columns: index 0 is the number list (txtHisLst), 1..6 the
// occurrence lists of kinds 0..5 by their suffix (Hm, Sx, Tou, Wei, He, Ds).
inline constexpr int kListCount = 7;
std::string listColumn(int listIndex, bool earlier);
// List index of a kind's occurrence list (kind 0..5 -> 1..6).
inline constexpr int occurrenceList(int kind)
{
    return kind + 1;
}

// Every column of lishi in table order.
const std::vector<std::string>& lishiColumns();

// DDL of both tables (and the unique index on SQQH).
const char* createSql();

} // namespace corvinel::schema
