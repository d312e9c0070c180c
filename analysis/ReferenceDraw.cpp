#include "analysis/ReferenceDraw.h"

#include <algorithm>

namespace corvinel {

ReferenceDraw findReferenceDraw(const StoredDraws& draws, std::optional<std::int64_t> anchor, bool previousIssue,
                                int lookBack)
{
    ReferenceDraw r;
    // A look-back below 1 cannot be set (the box takes 1..9); read as 1 it
    // keeps the reference on the anchor instead of after it.
    r.back = previousIssue ? 0 : std::max(0, lookBack - 1);
    if (!anchor) {
        anchor = draws.lastIssue();
        if (!anchor) {
            r.problem = ReferenceDraw::Problem::EmptyHistory;
            return r;
        }
    }
    r.anchor = *anchor;
    if (!draws.contains(*anchor)) {
        r.problem = ReferenceDraw::Problem::AnchorNotStored;
        return r;
    }
    r.row = draws.drawBack(*anchor, r.back);
    if (!r.row)
        r.problem = ReferenceDraw::Problem::TooFewBefore;
    return r;
}

} // namespace corvinel
