#pragma once

#include "store/StoredDraws.h"

#include <cstdint>
#include <optional>

namespace corvinel {

// The draw whose values make a search pattern. The anchor is the stored
// draw the pattern is read relative to: the last stored draw, or the draw
// before a verification issue. In N-back mode ("前 N 期") the reference draw
// is N - 1 stored draws before the anchor, in "上期" mode the anchor itself.
struct ReferenceDraw
{
    enum class Problem
    {
        None,
        EmptyHistory, // no draw is stored
        AnchorNotStored, // the anchor issue is not a stored draw
        TooFewBefore // fewer than N - 1 stored draws precede the anchor
    };

    std::optional<std::int64_t> issue; // the reference draw's SQQH; set exactly when problem is None
    std::optional<SnapshotRow> row; // its values, when asked of StoredDraws
    Problem problem = Problem::None;
    std::int64_t anchor = 0; // the anchor's SQQH (0 on an empty history)
    int back = 0; // stored draws from the reference draw to the anchor

    // Stored draws from the reference draw to the anchor in the given mode.
    static int backFor(bool previousIssue, int lookBack);
};

// `anchor`: the SQQH of the anchor draw, or nothing for the last stored draw.
// The one rule every pattern source uses: the window's tabs, the search
// set-up of both front ends, the refusals and the batch verification.
ReferenceDraw findReferenceIssue(const StoredIssues& issues, std::optional<std::int64_t> anchor, bool previousIssue,
                                 int lookBack);
// The same, with the reference draw's values.
ReferenceDraw findReferenceDraw(const StoredDraws& draws, std::optional<std::int64_t> anchor, bool previousIssue,
                                int lookBack);

} // namespace corvinel
