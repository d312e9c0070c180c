#pragma once

#include "core/Kinds.h"

#include <QString>

#include <array>
#include <optional>

namespace corvinel {

// Everything a search reads from the window when its button is pressed.
// Slots and flags are indexed by position 1..8 (index 0 is unused), as the
// search pattern is.
struct SearchOptions
{
    std::array<int, kPositions + 1> pattern {};
    // Ticked positions (the follow-pattern search only; the combination search
    // tries every set of `combinationSize` positions instead).
    std::array<bool, kPositions + 1> positions {};

    int kind = 0; // search kind 0..5 (intLei)
    bool freePosition = true; // "自由位"; false: "固定位"
    bool previousIssue = true; // "上期"; false: N back ("前    期")
    int lookBack = 2; // N, 1..9 (intPreQi)

    QString rangeFrom; // Text3(0), display form
    QString rangeTo; // Text3(1)

    int resultKind = 0; // 0..5 (intXianshiLei)
    int resultPosition = 1; // 1..8 (intConsqSort)
    bool group = false; // "组选"; false: "直选" (bolZuxuan)

    int combinationSize = 2; // intZhWSetup; outside 1..6 marks nothing

    // "跳过缺期" / --skip-gaps: a draw matches only when every stored draw
    // from its reference draw to it follows the one before without a hole
    // (store/IssueGaps); the game says what a hole is. Off: the stored order.
    bool skipGaps = false;
    int lotteryCode = 544;

    int zodiacBase = 1; // SxIni
    int segmentBase = 1; // DsIni
    // The zodiac number table in force (value of each sign); empty: by order
    // from zodiacBase. Only the chance reference of a zodiac ranking reads it.
    std::optional<std::array<int, 12>> zodiacNumbers;

    int tickedCount() const
    {
        int n = 0;
        for (int p = 1; p <= kPositions; ++p)
            n += positions[p] ? 1 : 0;
        return n;
    }
};

} // namespace corvinel
