#include "session/SearchSetup.h"

#include "core/IssueNumber.h"
#include "core/Kinds.h"
#include "session/Session.h"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace corvinel {

namespace {

// The values of the snapshot's current draw for `kind`, over `pattern`.
void takeCurrentDraw(const HistorySnapshot& snapshot, int kind, std::array<int, 9>& pattern)
{
    if (kind < 0 || kind >= kKindCount || !snapshot.hasCurrent())
        return;
    for (int k = 1; k <= kPositions; ++k)
        pattern[static_cast<std::size_t>(k)] = snapshot.current().value(k, kind);
}

// From the last draw back to the reference draw.
void moveToReference(HistorySnapshot& snapshot, const SearchChoices& c)
{
    if (!snapshot.moveLast())
        return;
    if (!c.previousIssue)
        snapshot.moveBack(c.lookBack - 1);
}

// The range start the session derives for these choices: the first draw
// plus the distance of the reference draw.
QString defaultRangeFrom(const Session& s, const SearchChoices& c)
{
    const SnapshotRow* first = s.snapshot().first();
    if (!first)
        return s.text3[0];
    const std::int64_t n = c.previousIssue ? 1 : issue::leadingValue(QString::number(c.lookBack));
    return issue::displayForm(first->sqqh + n);
}

} // namespace

SearchChoices SearchChoices::of(const Session& s)
{
    SearchChoices c;
    for (int p = 1; p <= kPositions; ++p) {
        const auto i = static_cast<std::size_t>(p);
        if (s.manualMode)
            c.positions[i] = s.check11[static_cast<std::size_t>(Session::manualElementOfPosition(p))];
        else if (s.selectedTab == Session::TabHistory)
            c.positions[i] = s.check1[i];
        else
            c.positions[i] = s.check1[10 + i];
    }
    c.kind = s.searchKind;
    c.resultKind = s.resultKind;
    c.freePosition = !s.option1Selected(0); // free unless "固定位" is selected
    c.previousIssue = s.bolSq;
    c.lookBack = s.lookBack;
    c.resultPosition = s.consqSort;
    c.group = s.bolZuxuan;
    c.combinationSize = s.zhWSetup;
    c.rangeFrom = s.text3[0];
    c.rangeTo = s.text3[1];
    return c;
}

SearchOptions searchOptions(const Session& s, const SearchChoices& c, const PatternSource& source)
{
    using From = PatternSource::From;
    std::array<int, 9> pattern = s.pattern;
    QString rangeTo = s.text3[1];
    if (source.from != From::Shown) {
        HistorySnapshot history = s.snapshot();
        moveToReference(history, c);
        takeCurrentDraw(history, c.kind, pattern);
        if (source.from == From::Typed) {
            for (int k = 1; k <= kPositions; ++k) {
                // Any whole number: one beyond int matches no draw.
                if (const auto v = issue::wholeNumber(source.typed[static_cast<std::size_t>(k)]))
                    pattern[static_cast<std::size_t>(k)] = static_cast<int>(
                        std::clamp<std::int64_t>(*v, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
            }
        } else if (source.from == From::Verification) {
            const auto predecessor = issue::verificationPredecessor(source.issue, s.lotteryCode, s.drawsPerDay);
            if (source.onlyBefore && predecessor)
                rangeTo = issue::displayForm(*predecessor);
            // The reference draw is the predecessor's (N - 1 back from it in
            // N-back mode); a predecessor not stored keeps the pattern.
            if (predecessor && history.moveLast()) {
                while (history.hasCurrent() && history.current().sqqh != *predecessor)
                    history.movePrevious();
                if (history.hasCurrent()) {
                    if (!c.previousIssue)
                        history.moveBack(c.lookBack - 1);
                    takeCurrentDraw(history, c.kind, pattern);
                }
            }
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
    o.rangeFrom = c.rangeFrom ? *c.rangeFrom : (source.from == From::Shown ? s.text3[0] : defaultRangeFrom(s, c));
    o.rangeTo = c.rangeTo.value_or(rangeTo);
    o.resultKind = c.resultKind;
    o.resultPosition = c.resultPosition;
    o.group = c.group;
    o.combinationSize = c.combinationSize;
    o.zodiacBase = s.sxIni;
    o.segmentBase = s.dsIni;
    return o;
}

} // namespace corvinel
