#include "session/SearchSetup.h"

#include "analysis/ReferenceDraw.h"
#include "core/IssueNumber.h"
#include "core/Kinds.h"
#include "session/Session.h"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace corvinel {

namespace {

// The values of `draw` for `kind`, over `pattern`.
void takeDraw(const std::optional<SnapshotRow>& draw, int kind, std::array<int, 9>& pattern)
{
    if (kind < 0 || kind >= kKindCount || !draw)
        return;
    for (int k = 1; k <= kPositions; ++k)
        pattern[static_cast<std::size_t>(k)] = draw->value(k, kind);
}

} // namespace

SearchChoices SearchChoices::of(const Session& s)
{
    SearchChoices c;
    const PatternPages& pages = s.patterns();
    const int tab = pages.manualMode ? Session::TabManual : pages.selectedTab;
    for (int p = 1; p <= kPositions; ++p)
        c.positions[static_cast<std::size_t>(p)] = pages.page(tab).ticked[static_cast<std::size_t>(p - 1)];
    const SessionChoices& o = s.choices();
    c.kind = o.searchKind;
    c.resultKind = o.resultKind;
    c.freePosition = o.freePosition;
    c.previousIssue = o.previousIssue;
    c.lookBack = o.lookBack;
    c.resultPosition = o.resultPosition;
    c.group = o.groupMode;
    c.combinationSize = o.combinationSize;
    c.rangeFrom = s.rangeStart();
    c.rangeTo = s.rangeEnd();
    c.skipGaps = s.skipGaps();
    return c;
}

SearchOptions searchOptions(const Session& s, const SearchChoices& c, const PatternSource& source)
{
    using From = PatternSource::From;
    std::array<int, 9> pattern = s.patterns().pattern;
    QString rangeTo = s.rangeEnd();
    if (source.from != From::Shown) {
        const StoredDraws& draws = s.storedDraws();
        takeDraw(findReferenceDraw(draws, std::nullopt, c.previousIssue, c.lookBack).row, c.kind, pattern);
        if (source.from == From::Typed) {
            for (int k = 1; k <= kPositions; ++k) {
                // Any whole number: one beyond int matches no draw.
                if (const auto v = issue::wholeNumber(source.typed[static_cast<std::size_t>(k)]))
                    pattern[static_cast<std::size_t>(k)] = static_cast<int>(
                        std::clamp<std::int64_t>(*v, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
            }
        } else if (source.from == From::Verification) {
            const auto predecessor = issue::verificationPredecessor(source.issue, s.choices().lotteryCode, s.choices().drawsPerDay);
            if (source.onlyBefore && predecessor)
                rangeTo = issue::displayForm(*predecessor);
            // The reference draw is the predecessor's (N - 1 back from it in
            // N-back mode); a predecessor not stored keeps the pattern.
            if (predecessor)
                takeDraw(findReferenceDraw(draws, *predecessor, c.previousIssue, c.lookBack).row, c.kind, pattern);
        }
    }

    SearchOptions o;
    for (int p = 1; p <= kPositions; ++p) {
        o.pattern[p] = pattern[static_cast<std::size_t>(p)];
        o.positions[p] = c.positions[static_cast<std::size_t>(p)];
    }
    o.kind = c.kind;
    o.freePosition = c.freePosition;
    o.previousIssue = c.previousIssue;
    o.lookBack = c.lookBack;
    o.rangeFrom = c.rangeFrom ? *c.rangeFrom
                              : (source.from == From::Shown ? s.rangeStart()
                                                            : s.automaticRangeStart(c.previousIssue, c.lookBack));
    o.rangeTo = c.rangeTo.value_or(rangeTo);
    o.resultKind = c.resultKind;
    o.resultPosition = c.resultPosition;
    o.group = c.group;
    o.combinationSize = c.combinationSize;
    o.skipGaps = c.skipGaps;
    o.lotteryCode = s.choices().lotteryCode;
    o.zodiacBase = s.choices().zodiacBase;
    o.segmentBase = s.choices().segmentBase;
    o.zodiacNumbers = s.zodiac().numbers();
    return o;
}

} // namespace corvinel
