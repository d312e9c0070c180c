// The checks that stop a search which would answer nothing useful without a
// word: pattern values outside the search kind's range, combination sizes,
// ranges and the verification issue.

#include "support/AnalysisTestSupport.h"

#include "analysis/SearchEngine.h"
#include "analysis/SearchRules.h"
#include "core/IssueNumber.h"
#include "store/HistorySnapshot.h"

#include <gtest/gtest.h>

#include <random>

using namespace corvinel;
using corvinel::testing::Nums;
using corvinel::testing::TestHistory;

namespace {

HistorySnapshot snapshotOf(const std::vector<std::int64_t>& issues)
{
    std::vector<SnapshotRow> rows;
    for (std::int64_t s : issues) {
        SnapshotRow r;
        r.sqqh = s;
        r.qqh = s + 1;
        rows.push_back(r);
    }
    return HistorySnapshot(std::move(rows));
}

SearchOptions fixedAt(int position, int kind, int value)
{
    SearchOptions o;
    o.kind = kind;
    o.freePosition = false;
    o.positions[position] = true;
    o.pattern[position] = value;
    // From the second draw on: the first has no previous draw, and its lag
    // value 0 would match a pattern value 0 of any kind.
    o.rangeFrom = QStringLiteral("20161212002");
    o.rangeTo = QStringLiteral("20171212001");
    return o;
}

} // namespace

// The accepted values are exactly those a stored draw can show: over a
// history in which every value of every kind occurs at position 1, each value
// the check lets through is matched by the search, and each value it refuses
// would have matched nothing.
TEST(SearchRefusal, PatternRangeIsWhatDrawsCanShow)
{
    TestHistory h;
    h.tables.fillNumbersByOrder(1);
    std::vector<Nums> draws;
    std::mt19937 rng(7);
    for (int first = 1; first <= 20; ++first) { // every number first, twice over
        for (int round = 0; round < 2; ++round) {
            Nums n = corvinel::testing::randomDraw(rng);
            const auto at = std::find(n.begin(), n.end(), first);
            if (at != n.end())
                std::swap(*at, n[0]);
            else
                n[0] = first;
            draws.push_back(n);
        }
    }
    h.append(draws);
    const HistorySnapshot history = h.store.snapshot();
    SearchEngine engine(h.store);

    for (int kind = 0; kind < kKindCount; ++kind) {
        for (int value = -2; value <= 22; ++value) {
            const SearchOptions o = fixedAt(1, kind, value);
            const bool refused = rules::patternRefusal(o, false).has_value();
            const SearchResult r = engine.followPattern(o);
            ASSERT_TRUE(r.ok) << r.message.toStdString();
            if (refused)
                EXPECT_TRUE(r.matchedIssues.empty()) << "kind " << kind << " value " << value;
            else
                EXPECT_FALSE(r.matchedIssues.empty()) << "kind " << kind << " value " << value;
            EXPECT_EQ(refused, rules::searchRefusal(o, false, history).has_value());
        }
    }
}

TEST(SearchRefusal, PatternPositionsInUse)
{
    SearchOptions o;
    o.kind = 0;
    o.pattern = { 0, 5, 0, 0, 0, 0, 0, 0, 0 };
    o.positions[1] = true;
    // --pattern 5,0,0,0,0,0,0,0 --positions 1: the zeros stand in unused slots.
    EXPECT_FALSE(rules::patternRefusal(o, false));
    // The combination search uses all eight, ticked or not.
    const auto combo = rules::patternRefusal(o, true);
    ASSERT_TRUE(combo);
    EXPECT_TRUE(combo->contains(QStringLiteral("第2位的值0"))) << combo->toStdString();

    o.positions[3] = true;
    const auto follow = rules::patternRefusal(o, false);
    ASSERT_TRUE(follow);
    EXPECT_TRUE(follow->contains(QStringLiteral("第3位的值0超出号码的取值范围（1到20）"))) << follow->toStdString();

    // The bases move the zodiac and segment ranges.
    SearchOptions z = fixedAt(1, 1, 0);
    z.zodiacBase = 1;
    EXPECT_TRUE(rules::patternRefusal(z, false));
    z.zodiacBase = 0;
    EXPECT_FALSE(rules::patternRefusal(z, false));
    z.pattern[1] = 12;
    EXPECT_TRUE(rules::patternRefusal(z, false));
    SearchOptions s = fixedAt(1, 5, 5);
    s.segmentBase = 0;
    EXPECT_TRUE(rules::patternRefusal(s, false));
    s.segmentBase = 1;
    EXPECT_FALSE(rules::patternRefusal(s, false));
}

TEST(SearchRefusal, CombinationSize)
{
    for (int n = -1; n <= 8; ++n) {
        // The same sizes for which the enumeration has no combination.
        EXPECT_EQ(rules::combinationSizeRefusal(n).has_value(), rules::combinations(n).empty()) << n;
    }
    SearchOptions o = fixedAt(1, 0, 5);
    for (int p = 1; p <= 8; ++p)
        o.pattern[p] = p;
    o.combinationSize = 7;
    const HistorySnapshot h = snapshotOf({ 161212001, 161212002 });
    const auto r = rules::searchRefusal(o, true, h);
    ASSERT_TRUE(r);
    EXPECT_TRUE(r->contains(QStringLiteral("组合位数7"))) << r->toStdString();
    EXPECT_FALSE(rules::searchRefusal(o, false, h)); // the follow search ignores the size
}

// Against a brute-force count of the stored issues between the bounds.
TEST(SearchRefusal, RangeHoldsAStoredDraw)
{
    std::vector<std::int64_t> issues;
    for (std::int64_t day : { 161212, 161213, 161215 })
        for (int s = 1; s <= 84; s += 7)
            issues.push_back(day * 1000 + s);
    const HistorySnapshot h = snapshotOf(issues);
    std::mt19937 rng(3);
    std::uniform_int_distribution<std::int64_t> pick(161211080, 161216005);
    for (int i = 0; i < 2000; ++i) {
        SearchOptions o;
        const std::int64_t a = i % 3 == 0 ? issues[static_cast<std::size_t>(i) % issues.size()] : pick(rng);
        const std::int64_t b = i % 5 == 0 ? a : pick(rng);
        o.rangeFrom = issue::displayForm(a);
        o.rangeTo = issue::displayForm(b);
        int inside = 0;
        for (std::int64_t s : issues)
            inside += (s >= a && s <= b) ? 1 : 0;
        EXPECT_EQ(rules::rangeRefusal(o, h).has_value(), inside == 0) << a << " " << b;
    }

    SearchOptions o;
    o.rangeFrom = QStringLiteral("20161213001");
    o.rangeTo = QStringLiteral("20161212001");
    const auto reversed = rules::rangeRefusal(o, h);
    ASSERT_TRUE(reversed);
    EXPECT_TRUE(reversed->contains(QStringLiteral("在终止期20161212001之后"))) << reversed->toStdString();

    // Compared on the last nine characters, as the search reads the boxes:
    // a century prefix or none makes no difference.
    o.rangeFrom = QStringLiteral("161212001");
    o.rangeTo = QStringLiteral("xx161212001");
    EXPECT_FALSE(rules::rangeRefusal(o, h));
    // The start-up texts of a fresh folder against an imported history.
    o.rangeFrom = QStringLiteral("2013001");
    o.rangeTo = QStringLiteral("2013001");
    EXPECT_TRUE(rules::rangeRefusal(o, h));
    o.rangeFrom = QStringLiteral("20161212x01");
    EXPECT_TRUE(rules::rangeRefusal(o, h));
    // No history at all.
    o.rangeFrom = o.rangeTo = QStringLiteral("20161212001");
    EXPECT_TRUE(rules::rangeRefusal(o, HistorySnapshot()));
}

TEST(SearchRefusal, VerificationIssue)
{
    // Tianjin: 161211084 is the last draw of its day.
    const HistorySnapshot h = snapshotOf({ 161211083, 161211084, 161212001, 161212002 });
    const int code = issue::kTianjin;
    const int perDay = issue::drawsPerDay(code);
    // The default: the issue after the last draw.
    EXPECT_FALSE(rules::verificationRefusal(QStringLiteral("20161212003"), code, perDay, h, true, 2));
    // The first draw of a day verifies against the last draw of the day before.
    EXPECT_FALSE(rules::verificationRefusal(QStringLiteral("20161212001"), code, perDay, h, true, 2));
    EXPECT_FALSE(rules::verificationRefusal(QStringLiteral("20161212001"), code, perDay, h, false, 2));
    // Its predecessor 161211083 is stored, but three back from it is not.
    EXPECT_TRUE(rules::verificationRefusal(QStringLiteral("20161211084"), code, perDay, h, false, 2));
    EXPECT_FALSE(rules::verificationRefusal(QStringLiteral("20161211084"), code, perDay, h, true, 2));

    const auto missing = rules::verificationRefusal(QStringLiteral("20161212010"), code, perDay, h, true, 2);
    ASSERT_TRUE(missing);
    EXPECT_TRUE(missing->contains(QStringLiteral("20161212010"))) << missing->toStdString();
    EXPECT_TRUE(missing->contains(QStringLiteral("20161212009"))) << missing->toStdString();
    EXPECT_TRUE(rules::verificationRefusal(QStringLiteral("abc"), code, perDay, h, true, 2));
    EXPECT_TRUE(rules::verificationRefusal(QStringLiteral("20161212003"), code, perDay, HistorySnapshot(), true, 2));
}
