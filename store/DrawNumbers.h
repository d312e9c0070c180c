#pragma once

#include "core/Kinds.h"

#include <QString>

#include <array>
#include <cstdint>
#include <vector>

namespace corvinel {

class SqliteDb;

// A stored draw reduced to what the number-based analyses need: its issue
// number and its eight numbers in draw order. Small, so that a history of
// hundreds of thousands of draws loads and scans quickly.
struct DrawNumbers
{
    std::int64_t sqqh = 0;
    std::array<std::uint8_t, kPositions> numbers {};
};

// The issue numbers and the eight number columns (L1A..L8A) of lishi in SQQH
// order, and nothing else. False with the reason in `error` when the query
// fails; `out` then holds what was read before the failure.
bool loadDrawNumbers(SqliteDb& db, std::vector<DrawNumbers>* out, QString* error);

// The stored form's date: 2000 + its first two digits as the year, its digits
// 3..6 as month * 100 + day (the form is YYMMDD followed by the sequence). The
// encoder codes the zodiac with the zodiac year of this date.
int issueYear(std::int64_t sqqh);
int issueMonthDay(std::int64_t sqqh);

} // namespace corvinel
