#pragma once

#include "analysis/SearchOptions.h"

#include <QString>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corvinel::rules {

// Range bounds from the Text3 boxes: the last nine characters of each read as
// a whole number. Empty with a message for the user when one is not a number.
struct RangeBounds
{
    std::int64_t low = 0;
    std::int64_t high = 0;
};
std::optional<RangeBounds> parseRange(const SearchOptions& o, QString* message);

// Checks the options a search cannot run without (kinds, look-back count).
bool validate(const SearchOptions& o, QString* message);

// List index (schema::listColumn) that free position matches: the
// follow-pattern search compares the number kind with the plain number list,
// the combination search with the number token list.
inline int followListIndex(int kind)
{
    return kind == 0 ? 0 : kind + 1;
}
inline int combinationListIndex(int kind)
{
    return kind + 1;
}

// A value as it is written in a search token: two digits for number, zodiac
// and digit sum, plain decimal otherwise.
std::string valueToken(int kind, int value);
// Occurrence token: count, "X", the value.
std::string occurrenceToken(int count, int kind, int value);

// The working copy txtHisP6: the text without its last four characters, empty
// when it has fewer.
std::string_view workingCopy(std::string_view list);

// The sets of n positions out of 1..8 in lexicographic order (each a list of
// ascending positions); none when n is outside 1..6.
std::vector<std::vector<int>> combinations(int n);

inline int lagShift(const SearchOptions& o)
{
    return o.previousIssue ? 1 : o.lookBack;
}

} // namespace corvinel::rules
