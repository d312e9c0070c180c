// Edge cases of the two searches and the follow tally, on small histories
// whose expected outcome is worked out by hand from the draws.
#include "support/AnalysisTestSupport.h"
#include "analysis/FollowTally.h"
#include "analysis/LiteralSearch.h"
#include "analysis/SearchEngine.h"
#include "analysis/SearchRules.h"

#include <map>
#include <set>

using namespace corvinel;
using namespace corvinel::testing;

namespace {

// A draw with the given numbers at the given positions, the other positions
// filled with the smallest numbers not used yet.
Nums drawWith(std::map<int, int> at)
{
    Nums n {};
    std::set<int> used;
    for (auto [p, v] : at)
        used.insert(v);
    int next = 1;
    for (int p = 1; p <= 8; ++p) {
        if (at.count(p)) {
            n[p - 1] = at[p];
            continue;
        }
        while (used.count(next))
            ++next;
        n[p - 1] = next;
        used.insert(next);
    }
    return n;
}

SearchOptions wholeRange()
{
    SearchOptions o;
    o.rangeFrom = "20000000000";
    o.rangeTo = "20999999999";
    return o;
}

SearchResult runAndWrite(SearchEngine& e, const SearchOptions& o, bool combination = false)
{
    SearchResult r = combination ? e.combination(o) : e.followPattern(o);
    EXPECT_TRUE(r.ok) << r.message.toStdString();
    QString err;
    if (r.ok) {
        EXPECT_TRUE(e.writeBack(r, &err)) << err.toStdString();
    }
    return r;
}

QStringList column(const ResultTable& t, int c)
{
    QStringList out;
    for (int r = 0; r < t.rowCount(); ++r)
        out << t.cell(r, c);
    return out;
}

} // namespace

TEST(FollowTally, PercentRoundsHalfUpOnTheExactQuotient)
{
    EXPECT_EQ(FollowTally::percentText(1, 64), "1.563%"); // 1.5625 exactly
    EXPECT_EQ(FollowTally::percentText(3, 8), "37.500%");
    EXPECT_EQ(FollowTally::percentText(2, 3), "66.667%");
    EXPECT_EQ(FollowTally::percentText(1, 3), "33.333%");
    EXPECT_EQ(FollowTally::percentText(0, 5), "0.000%");
    EXPECT_EQ(FollowTally::percentText(7, 7), "100.000%");
    EXPECT_EQ(FollowTally::percentText(1, 160000), "0.001%"); // 0.000625 rounds up
    EXPECT_EQ(FollowTally::percentText(1, 200001), "0.000%");
    EXPECT_EQ(FollowTally::percentText(3, 0), "");
}

TEST(FollowTally, DirectModeCountsOnlyTheResultPosition)
{
    TestHistory h;
    // Draw 1 precedes; draws 2..9 are the eight matched draws (no position
    // ticked). Tails at position 3: 7, 7, 7, 1, 2, 3, 4, 5.
    std::vector<Nums> d { drawWith({}) };
    for (int v : { 7, 17, 7, 1, 2, 13, 4, 15 })
        d.push_back(drawWith({ { 3, v } }));
    h.append(d);
    SearchEngine e(h.store);
    SearchOptions o = wholeRange();
    o.rangeFrom = "20161212002";
    o.resultKind = 3;
    o.resultPosition = 3;
    o.group = false;
    SearchResult r = runAndWrite(e, o);
    ASSERT_EQ(r.matches.rowCount(), 8);
    EXPECT_EQ(r.base, 8);
    ASSERT_EQ(r.ranking.rowCount(), 10);
    EXPECT_EQ(r.ranking.row(0), QStringList({ "1", "7", "3", "37.500%" }));
    // Equal counts keep ascending value order.
    EXPECT_EQ(column(r.ranking, 1), QStringList({ "7", "1", "2", "3", "4", "5", "0", "6", "8", "9" }));
    EXPECT_EQ(r.ranking.row(9), QStringList({ "10", "9", "0", "0.000%" }));
    // Carcu holds every tail in ascending order with its count.
    EXPECT_EQ(h.dump().back(), "Carcu 9 0");
    EXPECT_EQ(h.intColumn("intTh"), std::vector<std::int64_t>(9, 0));
}

TEST(FollowTally, GroupModeCountsPositionsOneToResultPosition)
{
    TestHistory h;
    h.append({ drawWith({}), drawWith({ { 1, 5 }, { 2, 6 }, { 3, 7 } }), drawWith({ { 1, 5 }, { 2, 15 }, { 3, 8 } }),
               drawWith({ { 1, 9 }, { 2, 10 }, { 3, 5 } }) });
    SearchEngine e(h.store);
    SearchOptions o = wholeRange();
    o.rangeFrom = "20161212002";
    o.resultKind = 0;
    o.resultPosition = 3;
    o.group = true;
    SearchResult r = runAndWrite(e, o);
    EXPECT_EQ(r.matches.rowCount(), 3);
    EXPECT_EQ(r.base, 9); // P x M = 3 x 3
    EXPECT_EQ(r.ranking.row(0), QStringList({ "1", "5", "3", "33.333%" }));
    // Every tallied value is a reported number, so the counts add up to T.
    int total = 0;
    for (const auto& entry : r.rankingOrder)
        total += entry.count;
    EXPECT_EQ(total, 9);
    EXPECT_EQ(r.ranking.rowCount(), 20);
}

TEST(FollowTally, ZodiacResultShowsNamesFromTheBase)
{
    TestHistory h;
    h.append({ drawWith({}), drawWith({}), drawWith({}) });
    SearchEngine e(h.store);
    SearchOptions o = wholeRange();
    o.resultKind = 1;
    o.zodiacBase = 1;
    SearchResult r = runAndWrite(e, o);
    ASSERT_EQ(r.ranking.rowCount(), 12);
    QStringList names;
    for (const auto& n : ZodiacTables::names())
        names << n;
    QStringList shown = column(r.ranking, 1);
    shown.sort();
    names.sort();
    EXPECT_EQ(shown, names);
    std::vector<std::string> carcu;
    for (const auto& line : h.dump())
        if (line.rfind("Carcu", 0) == 0)
            carcu.push_back(line.substr(6, line.find(' ', 6) - 6));
    EXPECT_EQ(carcu, std::vector<std::string>({ "1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11", "12" }));
    // The matched draw list shows names too: zodiac value v is name v - 1.
    const HistorySnapshot stored = h.store.snapshot();
    const int v = stored.first()->value(1, 1);
    EXPECT_EQ(r.matches.cell(0, 1), ZodiacTables::names()[v - 1]);
    EXPECT_EQ(r.matches.header.size(), 10);
    EXPECT_EQ(r.matches.header[9], "上期开奖");
    EXPECT_EQ(r.matches.widthsTwips, std::vector<int>({ 1200, 680, 680, 680, 680, 680, 680, 680, 680, 2800 }));
}

TEST(FollowTally, RangeBoundsAndRefusedRange)
{
    TestHistory h;
    h.append({ drawWith({}), drawWith({}), drawWith({}), drawWith({}) });
    SearchEngine e(h.store);
    SearchOptions o = wholeRange();
    o.rangeFrom = "20161212003";
    o.rangeTo = "20161212002";
    SearchResult r = runAndWrite(e, o);
    EXPECT_EQ(r.matches.rowCount(), 0);
    for (int i = 0; i < r.ranking.rowCount(); ++i) {
        EXPECT_EQ(r.ranking.cell(i, 2), "0");
        EXPECT_EQ(r.ranking.cell(i, 3), "");
    }
    // Only the last nine characters count.
    o.rangeFrom = "xyz20161212003";
    o.rangeTo = "99161212003";
    r = runAndWrite(e, o);
    EXPECT_EQ(r.matchedIssues, std::vector<std::int64_t>({ 161212003 }));
    // Not a number: a message and no search, nothing written.
    const auto before = h.dump();
    o.rangeTo = "2016121200x";
    r = e.followPattern(o);
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(r.message.isEmpty());
    EXPECT_FALSE(r.pending);
    EXPECT_FALSE(e.combination(o).ok);
    EXPECT_FALSE(LiteralSearch(h.store.db()).followPattern(o).ok);
    EXPECT_EQ(h.dump(), before);
}

TEST(FollowPattern, FreeZodiacTokensCountRepeatedValues)
{
    TestHistory h;
    h.append({ drawWith({}), drawWith({}), drawWith({}), drawWith({}), drawWith({}) });
    // The lists of the previous draw, as stored in each record.
    h.setText(161212001, "txtHisLstSx", "");
    h.setText(161212002, "txtHisLstSx", "1X05 1X03 2X05 1X07 1X01 1X02 1X04 1X06 "); // 05 twice and 07
    h.setText(161212003, "txtHisLstSx", "1X05 1X07 1X03 1X01 1X02 1X04 1X06 1X08 "); // 05 once
    h.setText(161212004, "txtHisLstSx", "1X05 2X05 3X05 1X01 1X02 1X04 1X06 1X08 "); // no 07
    h.setText(161212005, "txtHisLstSx", "1X07 1X05 2X05 1X01 1X02 1X04 1X06 1X08 ");
    SearchEngine e(h.store);
    SearchOptions o = wholeRange();
    o.kind = 1;
    o.pattern = { 0, 5, 3, 5, 9, 7, 1, 1, 1 };
    o.positions[1] = o.positions[3] = o.positions[5] = true; // 05, 05, 07 -> 1X05, 2X05, 1X07
    SearchResult r = runAndWrite(e, o);
    EXPECT_EQ(r.matchedIssues, std::vector<std::int64_t>({ 161212002, 161212005 }));
    EXPECT_EQ(h.intColumn("intTh"), std::vector<std::int64_t>({ 0, 3, 2, 2, 3 }));
}

TEST(FollowPattern, NumberKindUsesThePlainListAndTheCombinationTheTokenList)
{
    TestHistory h;
    h.append({ drawWith({}), drawWith({}), drawWith({}) });
    h.setText(161212002, "txtHisLst", "01 05 07 09 11 13 15 20 ");
    h.setText(161212002, "txtHisLstHm", "1X01 1X02 1X03 1X04 1X06 1X07 1X08 1X09 ");
    h.setText(161212003, "txtHisLst", "01 02 03 04 06 07 08 09 ");
    h.setText(161212003, "txtHisLstHm", "1X05 1X02 1X03 1X04 1X06 1X07 1X08 1X09 ");
    SearchEngine e(h.store);
    SearchOptions o = wholeRange();
    o.kind = 0;
    o.pattern = { 0, 5, 5, 5, 5, 5, 5, 5, 5 };
    o.positions[2] = true;
    EXPECT_EQ(runAndWrite(e, o).matchedIssues, std::vector<std::int64_t>({ 161212002 }));
    o.combinationSize = 1;
    EXPECT_EQ(runAndWrite(e, o, true).matchedIssues, std::vector<std::int64_t>({ 161212003 }));
}

TEST(FollowPattern, FixedPositionComparesTheExactPosition)
{
    TestHistory h;
    // Tail 5 at position 3 in draws 1 and 3; draw 2 has tail 5 at position 4.
    h.append({ drawWith({ { 3, 15 } }), drawWith({ { 4, 5 } }), drawWith({ { 3, 5 } }), drawWith({}) });
    SearchEngine e(h.store);
    SearchOptions o = wholeRange();
    o.kind = 3;
    o.freePosition = false;
    o.pattern = { 0, 9, 9, 5, 9, 9, 9, 9, 9 };
    o.positions[3] = true;
    SearchResult r = runAndWrite(e, o);
    EXPECT_EQ(r.matchedIssues, std::vector<std::int64_t>({ 161212002, 161212004 }));
    EXPECT_EQ(h.intColumn("L3FS"), std::vector<std::int64_t>({ 0, 5, 3, 5 }));
}

TEST(FollowPattern, FirstRecordHasZeroLag)
{
    TestHistory h;
    // Rebuild-style rows whose stored lags are not zero for the first record.
    h.append({ drawWith({ { 1, 12 } }), drawWith({ { 1, 3 } }), drawWith({ { 1, 14 } }) });
    h.append({ drawWith({ { 1, 15 } }), drawWith({ { 1, 16 } }) }, 161213001); // lags carried from the run before
    SearchEngine e(h.store);
    SearchOptions o = wholeRange();
    o.rangeFrom = "20161213001"; // only the second batch...
    o.kind = 2;
    o.freePosition = false;
    o.pattern = { 0, 0, 0, 0, 0, 0, 0, 0, 0 };
    o.positions[1] = true;
    // ...whose first record follows draw 3 (head 1): no match there.
    EXPECT_TRUE(runAndWrite(e, o).matchedIssues.empty());
    o.rangeFrom = "20161212001";
    // The first record of the history has lag 0, the third follows head 0.
    EXPECT_EQ(runAndWrite(e, o).matchedIssues, std::vector<std::int64_t>({ 161212001, 161212003 }));
    EXPECT_EQ(h.intColumn("L1ES"), std::vector<std::int64_t>({ 0, 1, 0, 1, 1 }));
    // N back: the first N records have lag 0.
    o.previousIssue = false;
    o.lookBack = 3;
    EXPECT_EQ(runAndWrite(e, o).matchedIssues,
              std::vector<std::int64_t>({ 161212001, 161212002, 161212003, 161213002 }));
    EXPECT_EQ(h.intColumn("L1EP"), std::vector<std::int64_t>({ 0, 0, 0, 1, 0 }));
    const auto pre = h.textColumn("txtHisPreLst");
    const auto lst = h.textColumn("txtHisLst");
    EXPECT_EQ(pre[0], "");
    EXPECT_EQ(pre[1], "");
    EXPECT_EQ(pre[2], lst[0]);
    EXPECT_EQ(pre[4], lst[2]);
}

TEST(FollowPattern, OneBackEqualsPreviousIssueMode)
{
    std::mt19937 rng(7);
    TestHistory h;
    std::vector<Nums> d;
    for (int i = 0; i < 80; ++i)
        d.push_back(randomDraw(rng));
    h.append(d);
    SearchEngine e(h.store);
    for (int kind = 0; kind < 6; ++kind) {
        for (bool free : { true, false }) {
            SearchOptions o = wholeRange();
            o.kind = kind;
            o.freePosition = free;
            const HistorySnapshot stored = h.store.snapshot();
            const SnapshotRow& last = *stored.last();
            for (int p = 1; p <= 8; ++p)
                o.pattern[p] = last.value(p, kind);
            o.positions[2] = true;
            o.positions[5] = free; // two fixed positions rarely agree at once
            const SearchResult prev = runAndWrite(e, o);
            o.previousIssue = false;
            o.lookBack = 1;
            const SearchResult back = runAndWrite(e, o);
            EXPECT_EQ(prev.matchedIssues, back.matchedIssues) << kind << free;
            EXPECT_FALSE(prev.matchedIssues.empty());
            EXPECT_EQ(prev.ranking.allCells(), back.ranking.allCells());
            EXPECT_EQ(back.matches.header[9], "前期开奖");
            // With N = 1 the shown earlier list is the previous draw's list.
            for (int r = 0; r < prev.matches.rowCount(); ++r)
                EXPECT_EQ(prev.matches.cell(r, 9), back.matches.cell(r, 9));
        }
    }
}

TEST(FollowPattern, SecondLookBackRewritesEveryColumnItReads)
{
    std::mt19937 rng(11);
    std::vector<Nums> d;
    for (int i = 0; i < 40; ++i)
        d.push_back(randomDraw(rng));
    for (bool free : { true, false }) {
        TestHistory a, b;
        a.append(d);
        b.append(d);
        SearchOptions o = wholeRange();
        o.kind = 4;
        o.freePosition = free;
        o.previousIssue = false;
        o.pattern = { 0, 5, 6, 7, 8, 9, 10, 2, 3 };
        for (int p = 1; p <= 8; ++p)
            o.positions[p] = p % 2 == 1;
        SearchEngine ea(a.store), eb(b.store);
        o.lookBack = 4;
        runAndWrite(ea, o);
        o.lookBack = 2;
        const SearchResult ra = runAndWrite(ea, o);
        const SearchResult rb = runAndWrite(eb, o);
        EXPECT_EQ(ra.matches.allCells(), rb.matches.allCells());
        EXPECT_EQ(a.dump(), b.dump()) << free;
    }
}

TEST(FollowPattern, NoPositionTickedTalliesTheWholeRange)
{
    TestHistory h;
    h.append({ drawWith({}), drawWith({}), drawWith({}) });
    SearchEngine e(h.store);
    for (bool free : { true, false }) {
        SearchOptions o = wholeRange();
        o.freePosition = free;
        EXPECT_EQ(runAndWrite(e, o).matches.rowCount(), 3);
    }
}

TEST(FollowPattern, ValueOutsideTheCounterRangeMatchesNothing)
{
    TestHistory h;
    std::mt19937 rng(3);
    std::vector<Nums> d;
    for (int i = 0; i < 30; ++i)
        d.push_back(randomDraw(rng));
    h.append(d);
    SearchEngine e(h.store);
    SearchOptions o = wholeRange();
    o.kind = 3; // tail 0..9
    o.pattern = { 0, 1, 12, 1, 1, 1, 1, 1, 1 };
    o.positions[1] = true;
    EXPECT_FALSE(runAndWrite(e, o).matchedIssues.empty());
    o.positions[2] = true; // 12 is no tail: the element never holds
    EXPECT_TRUE(runAndWrite(e, o).matchedIssues.empty());
    // In a combination only the sets containing position 2 fail.
    o.combinationSize = 1;
    const SearchResult c = runAndWrite(e, o, true);
    o.pattern[2] = 1;
    EXPECT_EQ(c.matchedIssues, runAndWrite(e, o, true).matchedIssues);
}

TEST(Combination, SizeOneInBothPositionModes)
{
    std::mt19937 rng(5);
    TestHistory h;
    std::vector<Nums> d;
    for (int i = 0; i < 60; ++i)
        d.push_back(randomDraw(rng));
    h.append(d);
    SearchEngine e(h.store);
    SearchOptions o = wholeRange();
    o.kind = 0;
    o.combinationSize = 1;
    o.pattern = { 0, 3, 17, 8, 20, 1, 11, 6, 14 };
    // Fixed: the previous draw agrees with the pattern at one position at least.
    o.freePosition = false;
    std::vector<std::int64_t> fixedExpected, freeExpected;
    for (std::size_t r = 1; r < d.size(); ++r) {
        bool any = false, anyFree = false;
        for (int p = 1; p <= 8; ++p) {
            any = any || d[r - 1][p - 1] == o.pattern[p];
            // Free: the previous draw's positions 1..7 hold one of the eight values.
            for (int q = 1; q <= 7; ++q)
                anyFree = anyFree || d[r - 1][q - 1] == o.pattern[p];
        }
        if (any)
            fixedExpected.push_back(161212001 + static_cast<std::int64_t>(r));
        if (anyFree)
            freeExpected.push_back(161212001 + static_cast<std::int64_t>(r));
    }
    EXPECT_EQ(runAndWrite(e, o, true).matchedIssues, fixedExpected);
    o.freePosition = true;
    EXPECT_EQ(runAndWrite(e, o, true).matchedIssues, freeExpected);
    // intTh is that of the last combination (position 8 alone).
    const auto intTh = h.intColumn("intTh");
    const auto p6 = h.textColumn("txtHisP6");
    for (std::size_t r = 0; r < d.size(); ++r)
        EXPECT_EQ(intTh[r], p6[r].find("1X14") != std::string::npos ? 1 : 0);
}

TEST(Combination, WorkingCopyDropsTheLastFourCharacters)
{
    TestHistory h;
    h.append({ drawWith({ { 1, 5 }, { 2, 13 }, { 3, 20 }, { 4, 1 }, { 5, 9 }, { 6, 14 }, { 7, 18 }, { 8, 11 } }),
               drawWith({}), drawWith({ { 2, 11 } }) });
    SearchEngine e(h.store);
    SearchOptions o = wholeRange();
    o.combinationSize = 1;
    o.pattern = { 0, 11, 11, 11, 11, 11, 11, 11, 11 };
    // Draw 1 holds 11 only at position 8; draw 3 holds it at position 2.
    EXPECT_TRUE(runAndWrite(e, o, true).matchedIssues.empty());
    EXPECT_EQ(h.textColumn("txtHisP6")[1], "1X05 1X13 1X20 1X01 1X09 1X14 1X18 1");
    EXPECT_EQ(h.textColumn("txtHisP6")[0], ""); // the first record's empty list
    h.append({ drawWith({}) }, 161212004);
    EXPECT_EQ(runAndWrite(e, o, true).matchedIssues, std::vector<std::int64_t>({ 161212004 }));
    // Four-character tokens lose the whole last token.
    o.kind = 3;
    runAndWrite(e, o, true);
    EXPECT_EQ(h.textColumn("txtHisP6")[1], "1X5 1X3 1X0 1X1 1X9 1X4 1X8 ");
}

TEST(Combination, SizeOutsideOneToSixMarksNothing)
{
    std::mt19937 rng(9);
    TestHistory h;
    std::vector<Nums> d;
    for (int i = 0; i < 20; ++i)
        d.push_back(randomDraw(rng));
    h.append(d);
    SearchEngine e(h.store);
    SearchOptions o = wholeRange();
    o.combinationSize = 2;
    for (int p = 1; p <= 8; ++p)
        o.pattern[p] = d[10][p - 1];
    EXPECT_FALSE(runAndWrite(e, o, true).matchedIssues.empty());
    const auto intThBefore = h.intColumn("intTh");
    for (int size : { 0, 7 }) {
        o.combinationSize = size;
        const SearchResult r = runAndWrite(e, o, true);
        EXPECT_TRUE(r.matchedIssues.empty());
        EXPECT_EQ(h.intColumn("bolOk"), std::vector<std::int64_t>(d.size(), 0));
        EXPECT_EQ(h.intColumn("intTh"), intThBefore); // untouched
    }
}

TEST(Combination, MarkMeansAtLeastOneCombinationAndIntThIsTheLast)
{
    std::mt19937 rng(13);
    TestHistory h;
    std::vector<Nums> d;
    for (int i = 0; i < 120; ++i)
        d.push_back(randomDraw(rng));
    h.append(d);
    SearchEngine e(h.store);
    SearchOptions o = wholeRange();
    o.freePosition = false;
    o.kind = 5;
    o.combinationSize = 3;
    const HistorySnapshot stored = h.store.snapshot();
    const SnapshotRow& last = *stored.last();
    for (int p = 1; p <= 8; ++p)
        o.pattern[p] = last.value(p, 5);
    const SearchResult r = runAndWrite(e, o, true);
    const auto snap = h.store.snapshot();
    const auto intTh = h.intColumn("intTh");
    std::vector<std::int64_t> expected;
    for (int i = 0; i < snap.recordCount(); ++i) {
        int agree = 0;
        for (int p = 1; p <= 8; ++p)
            agree += i > 0 && snap.row(i - 1).value(p, 5) == o.pattern[p];
        if (agree >= 3)
            expected.push_back(snap.row(i).sqqh);
        int lastAgree = 0; // the last combination is positions 6, 7, 8
        for (int p = 6; p <= 8; ++p)
            lastAgree += i > 0 && snap.row(i - 1).value(p, 5) == o.pattern[p];
        EXPECT_EQ(intTh[i], lastAgree);
    }
    EXPECT_EQ(r.matchedIssues, expected);
    EXPECT_EQ(rules::combinations(4).size(), 70u);
    EXPECT_EQ(rules::combinations(4).back(), std::vector<int>({ 5, 6, 7, 8 }));
}

TEST(SearchEngine, ReloadsAfterTheHistoryChangesAndRefusesAStaleWrite)
{
    TestHistory h;
    h.append({ drawWith({}), drawWith({}) });
    SearchEngine e(h.store);
    SearchOptions o = wholeRange();
    EXPECT_EQ(runAndWrite(e, o).matches.rowCount(), 2);
    SearchResult pending = e.followPattern(o);
    h.append({ drawWith({}) }, 161212003);
    QString err;
    EXPECT_FALSE(e.writeBack(pending, &err));
    EXPECT_FALSE(err.isEmpty());
    EXPECT_EQ(runAndWrite(e, o).matches.rowCount(), 3);
    // A repeated identical search writes no row.
    runAndWrite(e, o);
    EXPECT_EQ(e.lastWrittenRows(), 0);
}

TEST(FollowPattern, RefreshesOnlyTickedLagColumnsAndLeavesBolOk)
{
    std::mt19937 rng(21);
    TestHistory h;
    std::vector<Nums> d;
    for (int i = 0; i < 12; ++i)
        d.push_back(randomDraw(rng));
    h.append(d);
    // Stale values the refresh must overwrite, or leave, as the statements do.
    for (const char* column : { "L1BS", "L3BS", "L5BS" }) {
        Statement st = h.store.db().prepare(std::string("UPDATE lishi SET \"") + column + "\" = 77");
        ASSERT_TRUE(st.exec());
    }
    ASSERT_TRUE(h.store.db().exec("UPDATE lishi SET bolOk = 1"));
    h.store.markChanged();
    SearchEngine e(h.store);
    SearchOptions o = wholeRange();
    o.kind = 1;
    o.freePosition = false;
    o.positions[3] = true;
    runAndWrite(e, o);
    EXPECT_EQ(h.intColumn("L1BS"), std::vector<std::int64_t>(d.size(), 77)); // not ticked
    EXPECT_NE(h.intColumn("L3BS"), std::vector<std::int64_t>(d.size(), 77));
    EXPECT_EQ(h.intColumn("L3BS")[0], 0);
    EXPECT_EQ(h.intColumn("bolOk"), std::vector<std::int64_t>(d.size(), 1)); // the follow search has no mark
    // The combination search refreshes all eight positions before marking.
    o.combinationSize = 9;
    runAndWrite(e, o, true);
    const auto snap = h.store.snapshot();
    for (const char* column : { "L1BS", "L5BS" }) {
        const auto lag = h.intColumn(column);
        const int p = column[1] - '0';
        EXPECT_EQ(lag[0], 0);
        for (int r = 1; r < snap.recordCount(); ++r)
            EXPECT_EQ(lag[r], snap.row(r - 1).value(p, 1)) << column << " " << r;
    }
    EXPECT_EQ(h.intColumn("bolOk"), std::vector<std::int64_t>(d.size(), 0));
}
