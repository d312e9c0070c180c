#pragma once

#include "analysis/SearchOptions.h"

#include <QString>

#include <array>
#include <optional>

namespace corvinel {

class Session;

// The option choices of one search: the option groups, boxes and ticked
// positions of the window, or the command line's options.
struct SearchChoices
{
    int kind = 0; // search kind 0..5
    int resultKind = 0;
    bool freePosition = false; // "自由位"; false "固定位"
    bool previousIssue = false; // "上期"; false "前 N 期"
    int lookBack = 0; // the N of "前 N 期"
    int resultPosition = 0; // 1..8
    bool group = false; // "组选"; false "直选"
    int combinationSize = 0;
    std::array<bool, 9> positions {}; // ticked positions, 1..8
    // Unset: the default range, the whole stored history from the reference
    // draw's distance on (the window always gives its range boxes).
    std::optional<QString> rangeFrom;
    std::optional<QString> rangeTo;
    bool skipGaps = false; // "跳过缺期" / --skip-gaps

    // The choices as the session holds them: its options, its range boxes and
    // the ticked positions of the page in use (the manual page in manual
    // mode, otherwise tab 1's or the verification page's).
    static SearchChoices of(const Session& session);
};

// Where the search pattern comes from.
struct PatternSource
{
    enum class From
    {
        Shown, // the pattern as the session holds it (the window's boxes)
        ReferenceDraw, // the last draw, or the draw N - 1 back in N-back mode
        Typed, // typed values (the tab "手动输入号")
        Verification // the draw before a given issue (the tab "验证指定期")
    };
    From from = From::Shown;
    std::array<QString, 9> typed; // Typed: the texts of positions 1..8
    QString issue; // Verification: the issue number to verify, display form
    bool onlyBefore = false; // Verification: the range ends before that issue ("仅检索该期前")
};

// The options of a search, for the window's buttons and the command line
// alike: the pattern taken from `source` over the session's history, the
// choices, and the session's zodiac and segment bases. A value the source
// cannot give (no such draw, a typed text that is no number) keeps the
// pattern slot the session holds. Reads the session only.
SearchOptions searchOptions(const Session& session, const SearchChoices& choices, const PatternSource& source = {});

} // namespace corvinel
