#pragma once

#include "analysis/HistoryMirror.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace corvinel {

// A token a free-position search looks for in a list text: "cX" + value for
// the occurrence lists, the two-digit value for the number list (count 1).
struct ListToken
{
    int count = 1;
    int value = 0;
    std::string text;
};

// The lists of one list column, parsed once so that a search asks "does this
// text contain the token" with a bit test instead of a text search.
//
// A list as the encoder writes it (tokens "cXv " with the running count c of
// value v, or two-digit numbers "vv " in the number list) contains the token
// (c, v) exactly when v occurs at least c times in it, and its working copy
// (the text without its last four characters) holds all its tokens but the
// last. Texts are taken that way only where that is certain: values 0..9 for
// the plain kinds and 0..31 with two digits for the others, at most eight
// tokens, running counts. Any other text (changed by hand, or damaged) keeps
// the plain text search, so the answer is always the text's own.
class ListLevels
{
public:
    ListLevels(std::shared_ptr<const TextColumn> texts, int listIndex);

    // Bit i of masks[r] is set when row r's text (or its working copy)
    // contains tokens[i]. Row r reads the text of row r - shift; none (an empty
    // text) before the first row.
    void match(const std::vector<ListToken>& tokens, int shift, bool workingCopy,
               std::vector<std::uint8_t>& masks) const;

private:
    std::shared_ptr<const TextColumn> m_texts;
    // levels[r][c - 1]: bit v set when value v occurs at least c times.
    std::vector<std::array<std::uint32_t, 8>> m_levels;
    // The last token of row r as (count << 5 | value), kNone for none, kPlain
    // for a text that is not in the encoder's form.
    std::vector<std::uint16_t> m_last;
    static constexpr std::uint16_t kNone = 0xFFFF;
    static constexpr std::uint16_t kPlain = 0xFFFE;
};

} // namespace corvinel
