#include "analysis/ReferenceDraw.h"

#include <algorithm>

namespace corvinel {

int ReferenceDraw::backFor(bool previousIssue, int lookBack)
{
    // A look-back below 1 cannot be set (the box takes 1..9); read as 1 it
    // keeps the reference on the anchor instead of after it.
    return previousIssue ? 0 : std::max(0, lookBack - 1);
}

ReferenceDraw findReferenceIssue(const StoredIssues& issues, std::optional<std::int64_t> anchor, bool previousIssue,
                                 int lookBack)
{
    ReferenceDraw r;
    r.back = ReferenceDraw::backFor(previousIssue, lookBack);
    if (!anchor) {
        anchor = issues.lastIssue();
        if (!anchor) {
            r.problem = ReferenceDraw::Problem::EmptyHistory;
            return r;
        }
    }
    r.anchor = *anchor;
    if (!issues.contains(*anchor)) {
        r.problem = ReferenceDraw::Problem::AnchorNotStored;
        return r;
    }
    r.issue = issues.issueBack(*anchor, r.back);
    if (!r.issue)
        r.problem = ReferenceDraw::Problem::TooFewBefore;
    return r;
}

ReferenceDraw findReferenceDraw(const StoredDraws& draws, std::optional<std::int64_t> anchor, bool previousIssue,
                                int lookBack)
{
    ReferenceDraw r = findReferenceIssue(draws, anchor, previousIssue, lookBack);
    if (r.issue) {
        r.row = draws.drawBack(*r.issue, 0);
        // The issue was just found stored; a row missing now means the
        // history changed between the two questions.
        if (!r.row) {
            r.issue.reset();
            r.problem = ReferenceDraw::Problem::AnchorNotStored;
        }
    }
    return r;
}

} // namespace corvinel
