#pragma once

#include "analysis/ReferenceDraw.h"
#include "analysis/SearchOptions.h"

#include <QString>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corvinel {
class StoredDraws;
}

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

// Refusals of inputs with which a search would run and answer nothing useful
// without a word. Each gives the message for the user (one line, the same in
// the window and on the command line) or nothing when the input is fine.
//
// A pattern value outside the search kind's value range (number 1..20,
// zodiac base..base+11, head 0..2, tail 0..9, digit sum 1..10, segment
// base..base+4) at a position the search uses: a ticked one for the
// follow-pattern search, any of the eight for the combination search.
// Unused slots may hold anything.
std::optional<QString> patternRefusal(const SearchOptions& o, bool combination);
// A combination size outside 1..6.
std::optional<QString> combinationSizeRefusal(int size);
// A range that cannot be read, whose start is after its end, or that holds
// no stored draw (bounds read as the search reads them: the last nine
// characters); also an empty history. `history` must answer for the whole
// stored history (the database or a complete copy).
std::optional<QString> rangeRefusal(const SearchOptions& o, const StoredDraws& history);
// Every check a search of `o` needs before it runs, in the order the user
// meets the inputs: the options, the combination size, the pattern, the range.
std::optional<QString> searchRefusal(const SearchOptions& o, bool combination, const StoredDraws& history);

// The verification page takes its pattern from the draw before the
// verification issue `text` (in N-back mode from lookBack - 1 draws before
// that one): refused when that issue is no issue number or the draw is not
// stored. The default text, the next issue after the last draw, is fine.
std::optional<QString> verificationRefusal(const QString& text, int lotteryCode, int drawsPerDay,
                                           const StoredDraws& history, bool previousIssue, int lookBack);

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

// Records from a matched draw back to the draw that holds the pattern: the
// draw before it, then the reference draw's distance from its anchor.
inline int lagShift(const SearchOptions& o)
{
    return 1 + ReferenceDraw::backFor(o.previousIssue, o.lookBack);
}

} // namespace corvinel::rules
