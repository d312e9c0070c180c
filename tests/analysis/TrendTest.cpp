// The trend table on hand-made histories (worked out by hand from the draws)
// and on generated ones against a brute-force computation: omissions by
// walking back from each cell, chance by enumerating all C(20, 8) draws.
#include "support/HistoryTestSupport.h"
#include "analysis/Distributions.h"
#include "analysis/Trend.h"
#include "store/DrawNumbers.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <map>

using namespace corvinel;
using namespace corvinel::testing;

namespace {

DrawNumbers draw(std::int64_t sqqh, std::array<int, 8> nums)
{
    DrawNumbers d;
    d.sqqh = sqqh;
    for (int p = 0; p < 8; ++p)
        d.numbers[p] = static_cast<std::uint8_t>(nums[p]);
    return d;
}

std::vector<DrawNumbers> fromPlain(const std::vector<PlainDraw>& plain)
{
    std::vector<DrawNumbers> out;
    for (const PlainDraw& p : plain)
        out.push_back(draw(p.sqqh, p.numbers));
    return out;
}

TrendTable trend(const std::vector<DrawNumbers>& draws, int last, int kind = 0, int position = 0)
{
    TrendOptions o;
    o.last = last;
    o.kind = kind;
    o.position = position;
    TrendResult r = computeTrend(draws, o);
    EXPECT_TRUE(r.ok) << r.error.toStdString();
    return r.table;
}

int column(const TrendTable& t, const QString& label)
{
    const auto i = t.columns.indexOf(label);
    EXPECT_GE(i, 0) << label.toStdString();
    return static_cast<int>(i);
}

// --- the independent computation -------------------------------------------

// Zodiac year of a stored issue with the festival dates written out for the
// years the tests use (2016: 8 February, 2017: 28 January).
int testZodiacYear(std::int64_t sqqh)
{
    std::int64_t v = sqqh;
    while (v >= 1000000)
        v /= 10;
    const int year = 2000 + static_cast<int>(v / 10000);
    const int monthDay = static_cast<int>(v % 10000);
    const std::map<int, int> festival = { { 2016, 208 }, { 2017, 128 } };
    const auto f = festival.find(year);
    if (f == festival.end())
        return year; // no generated date falls in another year's January/February
    return monthDay <= f->second ? year - 1 : year;
}

// Sign index of n: 1972 is a year of 鼠 (index 0) and each later year moves
// the signs one step, so the year's own sign owns 1, 13 and the sign before it
// 2, 14 and so on.
int signOf(int n, int zodiacYear)
{
    return (((zodiacYear - 1972) - (n - 1) % 12) % 12 + 12) % 12;
}

// Column of number n for a kind, from the definitions of the kinds.
int valueColumn(int kind, int n, int zodiacYear)
{
    switch (kind) {
    case 0:
        return n - 1;
    case 1:
        return signOf(n, zodiacYear);
    case 2:
        return n / 10;
    case 3:
        return n % 10;
    case 4:
        return (n / 10 + n % 10) - 1;
    default:
        return (n - 1) / 4;
    }
}

bool hits(const DrawNumbers& d, int kind, int position, int col)
{
    const int zy = testZodiacYear(d.sqqh);
    for (int p = 1; p <= 8; ++p) {
        if (position != 0 && p != position)
            continue;
        if (valueColumn(kind, d.numbers[p - 1], zy) == col)
            return true;
    }
    return false;
}

// All 8-number draws of 1..20 as bit masks.
const std::vector<std::uint32_t>& allDraws()
{
    static const std::vector<std::uint32_t> all = [] {
        std::vector<std::uint32_t> v;
        for (std::uint32_t m = 0; m < (1u << 20); ++m)
            if (std::popcount(m) == 8)
                v.push_back(m);
        return v;
    }();
    return all;
}

void expectMatchesBruteForce(const std::vector<DrawNumbers>& draws, int last, int kind, int position)
{
    SCOPED_TRACE(::testing::Message() << "last " << last << " kind " << kind << " position " << position);
    const TrendTable t = trend(draws, last, kind, position);
    const int total = static_cast<int>(draws.size());
    const int rows = std::min(last, total);
    ASSERT_EQ(t.rowCount(), rows);
    const int first = total - rows;
    for (int c = 0; c < t.columnCount(); ++c) {
        int hitCount = 0, maxOmission = 0, maxRun = 0, run = 0;
        for (int r = 0; r < rows; ++r) {
            const int i = first + r;
            ASSERT_EQ(t.issues[r], draws[i].sqqh);
            int j = i;
            while (j >= 0 && !hits(draws[j], kind, position, c))
                --j;
            const int omission = i - j;
            ASSERT_EQ(t.cell(r, c), omission) << "row " << r << " column " << c;
            hitCount += omission == 0;
            maxOmission = std::max(maxOmission, omission);
            run = omission == 0 ? run + 1 : 0;
            maxRun = std::max(maxRun, run);
        }
        EXPECT_EQ(t.hits[c], hitCount);
        EXPECT_EQ(t.current[c], t.cell(rows - 1, c));
        EXPECT_EQ(t.maxOmission[c], maxOmission);
        EXPECT_EQ(t.maxRun[c], maxRun);
        EXPECT_DOUBLE_EQ(t.meanOmission[c], double(rows - hitCount) / (hitCount + 1));

        // Chance: the numbers with this value in the last row's zodiac year,
        // then the share of all draws (or of the 20 numbers at one position)
        // that hit them.
        const int zy = testZodiacYear(draws.back().sqqh);
        std::uint32_t valueMask = 0;
        for (int n = 1; n <= 20; ++n)
            if (valueColumn(kind, n, zy) == c)
                valueMask |= 1u << (n - 1);
        double p = 0;
        if (position == 0) {
            int hit = 0;
            for (std::uint32_t d : allDraws())
                hit += (d & valueMask) != 0;
            p = double(hit) / double(allDraws().size());
        } else {
            p = std::popcount(valueMask) / 20.0;
        }
        EXPECT_NEAR(t.chance[c], p, 1e-12);
        EXPECT_NEAR(t.expectedHits[c], rows * p, 1e-9);
        double absent = 1;
        for (int k = 0; k < t.current[c]; ++k)
            absent *= 1 - p;
        EXPECT_NEAR(t.chanceCurrentOrLonger[c], absent, 1e-12);
    }
}

} // namespace

// --- hand-made histories ---------------------------------------------------

TEST(Trend, OmissionsCountFromBeforeTheWindow)
{
    // 20 only in the first draw, 19 never, 1 in every draw; the window holds
    // the last two of six draws.
    std::vector<DrawNumbers> h = {
        draw(161212001, { 20, 1, 2, 3, 4, 5, 6, 7 }), draw(161212002, { 1, 2, 3, 4, 5, 6, 7, 8 }),
        draw(161212003, { 1, 2, 3, 4, 5, 6, 7, 9 }),  draw(161212004, { 1, 2, 3, 4, 5, 6, 7, 10 }),
        draw(161212005, { 1, 2, 3, 4, 5, 6, 7, 11 }), draw(161212006, { 1, 2, 3, 4, 5, 6, 7, 12 }),
    };
    const TrendTable t = trend(h, 2);
    ASSERT_EQ(t.rowCount(), 2);
    EXPECT_EQ(t.issues, (std::vector<std::int64_t> { 161212005, 161212006 }));
    EXPECT_EQ(t.columns.size(), 20);
    EXPECT_EQ(t.cell(0, column(t, "20")), 4);
    EXPECT_EQ(t.cell(1, column(t, "20")), 5);
    EXPECT_EQ(t.cell(0, column(t, "19")), 5);
    EXPECT_EQ(t.cell(1, column(t, "19")), 6);
    EXPECT_EQ(t.cell(0, column(t, "11")), 0);
    EXPECT_EQ(t.cell(1, column(t, "11")), 1);
    EXPECT_EQ(t.cell(0, column(t, "8")), 3);
    EXPECT_EQ(t.maxOmission[column(t, "19")], 6);
    EXPECT_EQ(t.hits[column(t, "1")], 2);
    EXPECT_EQ(t.maxRun[column(t, "1")], 2);

    // More rows asked for than stored: every draw is a row and the formulas
    // use the rows shown.
    const TrendTable all = trend(h, 200);
    ASSERT_EQ(all.rowCount(), 6);
    EXPECT_EQ(all.cell(0, column(all, "20")), 0);
    EXPECT_EQ(all.cell(0, column(all, "19")), 1);
    EXPECT_DOUBLE_EQ(all.expectedHits[0], 6 * 0.4);
}

TEST(Trend, SummaryRowsOfOneColumn)
{
    // Tail 9 (numbers 9 and 19) in draws 1, 2 and 4 of six: hit hit miss hit
    // miss miss.
    const std::array<int, 8> with9 = { 9, 1, 2, 3, 4, 5, 6, 7 };
    const std::array<int, 8> without = { 1, 2, 3, 4, 5, 6, 7, 8 };
    std::vector<DrawNumbers> h = {
        draw(170301001, with9), draw(170301002, with9),   draw(170301003, without),
        draw(170301004, with9), draw(170301005, without), draw(170301006, without),
    };
    const TrendTable t = trend(h, 6, 3);
    ASSERT_EQ(t.columns, QStringList({ "0", "1", "2", "3", "4", "5", "6", "7", "8", "9" }));
    const int c = column(t, "9");
    EXPECT_EQ(t.hits[c], 3);
    EXPECT_EQ(t.current[c], 2);
    EXPECT_EQ(t.maxOmission[c], 2);
    EXPECT_DOUBLE_EQ(t.meanOmission[c], 0.75);
    EXPECT_EQ(t.maxRun[c], 2);
    // Tail 9 has two numbers: 1 - C(18, 8) / C(20, 8) = 1 - 43758 / 125970.
    EXPECT_NEAR(t.chance[c], 1.0 - 43758.0 / 125970.0, 1e-12);
    EXPECT_NEAR(t.chanceCurrentOrLonger[c], std::pow(43758.0 / 125970.0, 2), 1e-12);
    // Tail 0 (10 and 20) never came: omission 1..6 and mean (6 - 0) / 1.
    const int zero = column(t, "0");
    EXPECT_EQ(t.hits[zero], 0);
    EXPECT_EQ(t.maxOmission[zero], 6);
    EXPECT_EQ(t.maxRun[zero], 0);
    EXPECT_DOUBLE_EQ(t.meanOmission[zero], 6.0);

    // The grid: hit cells show the value, the others the omission; the
    // summary and chance rows follow the draws.
    const ResultTable g = trendGrid(t);
    ASSERT_EQ(g.rowCount(), 6 + 8);
    EXPECT_EQ(g.header.first(), "期号");
    EXPECT_EQ(g.cell(0, 0), "20170301001");
    EXPECT_EQ(g.cell(0, 1 + c), "9");
    EXPECT_EQ(g.cell(2, 1 + c), "1");
    EXPECT_EQ(g.cell(6, 0), "出现次数");
    EXPECT_EQ(g.cell(6 + 3, 0), "平均遗漏");
    EXPECT_EQ(g.cell(6 + 3, 1 + c), "0.75");
    EXPECT_EQ(g.cell(6 + 3, 1 + zero), "6.00");
    EXPECT_EQ(g.cell(6 + 7, 0), "随机遗漏≥k概率");
    EXPECT_EQ(trendProbabilityText(0.4), "0.4000");
    EXPECT_EQ(trendProbabilityText(std::pow(0.6, 50)), "<0.0001");
    EXPECT_EQ(trendProbabilityText(1.0), "1.0000");
}

TEST(Trend, PositionScopeLooksAtOnePositionOnly)
{
    std::vector<DrawNumbers> h = {
        draw(161212001, { 1, 2, 3, 4, 5, 6, 7, 8 }),
        draw(161212002, { 3, 2, 1, 4, 5, 6, 7, 8 }),
        draw(161212003, { 8, 7, 6, 5, 4, 3, 2, 1 }),
    };
    const TrendTable whole = trend(h, 3);
    const TrendTable third = trend(h, 3, 0, 3);
    const int one = column(whole, "1");
    const int three = column(whole, "3");
    EXPECT_EQ(whole.hits[one], 3);
    EXPECT_EQ(third.cell(0, one), 1);
    EXPECT_EQ(third.cell(1, one), 0);
    EXPECT_EQ(third.cell(2, one), 1);
    EXPECT_EQ(third.cell(0, three), 0);
    EXPECT_EQ(third.cell(2, column(third, "6")), 0);
    // m / 20 at one position, 1 - C(19, 8) / C(20, 8) = 8 / 20 in the whole draw.
    EXPECT_DOUBLE_EQ(third.chance[one], 0.05);
    EXPECT_NEAR(whole.chance[one], 0.4, 1e-12);
    // Head 0 has nine numbers, head 2 only 20.
    const TrendTable head = trend(h, 3, 2, 1);
    EXPECT_EQ(head.valueCount, (std::vector<int> { 9, 10, 1 }));
    EXPECT_DOUBLE_EQ(head.chance[2], 0.05);
}

TEST(Trend, ZodiacColumnsFollowTheSpringFestival)
{
    // 2016's festival is 8 February: draws of 7 and 8 February belong to
    // 2015 (羊), the 9th to 2016 (猴). 01 is the year's own sign: 羊 then 猴;
    // 08 is 鼠 in 2015 and 牛 in 2016.
    std::vector<DrawNumbers> h = {
        draw(160207001, { 1, 2, 3, 4, 5, 6, 7, 8 }),
        draw(160208001, { 1, 2, 3, 4, 5, 6, 7, 8 }),
        draw(160209001, { 1, 2, 3, 4, 5, 6, 7, 8 }),
    };
    const TrendTable t = trend(h, 3, 1);
    ASSERT_EQ(t.columns, QStringList({ "鼠", "牛", "虎", "兔", "龙", "蛇", "马", "羊", "猴", "鸡", "狗", "猪" }));
    const int rat = column(t, "鼠"), ox = column(t, "牛"), monkey = column(t, "猴"), goat = column(t, "羊");
    EXPECT_EQ(t.cell(0, rat), 0);
    EXPECT_EQ(t.cell(1, rat), 0);
    EXPECT_EQ(t.cell(2, rat), 1);
    EXPECT_EQ(t.cell(0, monkey), 1);
    EXPECT_EQ(t.cell(1, monkey), 2);
    EXPECT_EQ(t.cell(2, monkey), 0);
    EXPECT_EQ(t.cell(1, ox), 0);
    EXPECT_EQ(t.cell(2, goat), 0);
    EXPECT_EQ(t.cell(2, column(t, "鸡")), 3);

    // The chance rows count the numbers of each sign in the last row's year:
    // in 2016 猴 owns 01 and 13, 鼠 only 09; in 2015 鼠 owns 08 and 20.
    EXPECT_EQ(t.chanceZodiacYear, 2016);
    EXPECT_EQ(t.valueCount[monkey], 2);
    EXPECT_EQ(t.valueCount[rat], 1);
    EXPECT_NEAR(t.chance[rat], 0.4, 1e-12);
    std::vector<DrawNumbers> before(h.begin(), h.begin() + 2);
    const TrendTable t2015 = trend(before, 3, 1);
    EXPECT_EQ(t2015.chanceZodiacYear, 2015);
    EXPECT_EQ(t2015.valueCount[rat], 2);
    EXPECT_EQ(t2015.valueCount[monkey], 1);
    int total = 0;
    for (int m : t2015.valueCount)
        total += m;
    EXPECT_EQ(total, 20);
}

TEST(Trend, RefusesWhatItCannotShow)
{
    std::vector<DrawNumbers> h = { draw(161212001, { 1, 2, 3, 4, 5, 6, 7, 8 }) };
    TrendOptions o;
    o.last = 0;
    TrendResult r = computeTrend(h, o);
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.error.contains("at least 1"));
    o.last = 5;
    o.position = 9;
    r = computeTrend(h, o);
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.error.contains("1..8"));
    o.position = -1;
    EXPECT_FALSE(computeTrend(h, o).ok);
    o.position = 0;
    r = computeTrend({}, o);
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.error.contains("empty"));
    // A number outside 1..20 (kept as 0 by the loader) hits nothing.
    h.push_back(draw(161212002, { 0, 2, 3, 4, 5, 6, 7, 8 }));
    r = computeTrend(h, o);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.table.cell(1, 0), 1);
}

// --- generated histories against the brute force ---------------------------

TEST(Trend, MatchesBruteForceForEveryKindAndScope)
{
    // 25 days of ten draws around 2016's Spring Festival, so the zodiac
    // columns change their numbers inside the history.
    const std::vector<DrawNumbers> h = fromPlain(makeDraws(250, QDate(2016, 1, 28), 10));
    for (int kind = 0; kind < 6; ++kind)
        for (int position = 0; position <= 8; ++position)
            for (int last : { 1, 30, 249, 400 })
                expectMatchesBruteForce(h, last, kind, position);
    // Ending before the festival, so the chance rows use 2015's signs.
    const std::vector<DrawNumbers> early(h.begin(), h.begin() + 95);
    for (int position : { 0, 5 })
        expectMatchesBruteForce(early, 50, 1, position);
}

// --- the store's loader ------------------------------------------------------

TEST(Trend, LoaderReadsTheNumbersInIssueOrder)
{
    HistoryFixture f;
    const std::vector<PlainDraw> plain = makeDraws(300, QDate(2017, 1, 25), 20, 2);
    ASSERT_TRUE(f.maintenance->rebuild(plain, f.bases).ok);
    std::vector<DrawNumbers> loaded;
    QString error;
    ASSERT_TRUE(loadDrawNumbers(f.store.db(), &loaded, &error)) << error.toStdString();
    ASSERT_EQ(loaded.size(), plain.size());
    for (std::size_t i = 0; i < plain.size(); ++i) {
        EXPECT_EQ(loaded[i].sqqh, plain[i].sqqh);
        for (int p = 0; p < 8; ++p)
            EXPECT_EQ(loaded[i].numbers[p], plain[i].numbers[p]);
    }

    // The zodiac columns agree with what the encoder stored (zodiac base 1,
    // by order, so L<p>B - 1 is the sign index).
    const HistorySnapshot snap = f.store.snapshot();
    for (int i = 0; i < snap.recordCount(); ++i) {
        const SnapshotRow& r = snap.row(i);
        const int zy = ZodiacTables::zodiacYearOfStored(r.sqqh);
        const std::vector<int> col = trendColumnOfNumber(1, zy);
        for (int p = 1; p <= 8; ++p)
            ASSERT_EQ(col[r.value(p, 0)], r.value(p, 1) - 1) << r.sqqh;
    }

    SqliteDb closed;
    EXPECT_FALSE(loadDrawNumbers(closed, &loaded, &error));
    EXPECT_FALSE(error.isEmpty());
}

TEST(Trend, AbsenceNoteCountsAndMarksByAdjustedQ)
{
    // A history where number 20 never comes at position 1 in 300 draws: its
    // absence probability there is 0.95^300, far below anything BH needs.
    std::vector<PlainDraw> plain = makeDraws(300, QDate(2016, 3, 1), 10);
    for (PlainDraw& d : plain)
        for (int p = 1; p < 8; ++p)
            if (d.numbers[0] == 20)
                std::swap(d.numbers[0], d.numbers[p]);
    const TrendTable t = trend(fromPlain(plain), 50, 0, 1);
    ASSERT_EQ(t.absenceQ.size(), 20u);
    const std::vector<double> q = stats::benjaminiHochberg(t.chanceCurrentOrLonger);
    int low = 0;
    QStringList marked;
    for (int c = 0; c < 20; ++c) {
        EXPECT_DOUBLE_EQ(t.absenceQ[c], q[c]);
        low += t.chanceCurrentOrLonger[c] <= 0.05 ? 1 : 0;
        if (q[c] < 0.05)
            marked << t.columns[c];
    }
    EXPECT_TRUE(marked.contains("20"));
    const QString note = trendAbsenceNote(t);
    EXPECT_TRUE(note.startsWith(QStringLiteral("遗漏概率≤0.05 的有 %1 个，纯随机时平均约 1 个").arg(low)));
    EXPECT_TRUE(note.contains(marked.join(QStringLiteral("、"))));
    // The grid marks exactly those columns.
    const ResultTable g = trendGrid(t);
    for (int c = 0; c < 20; ++c)
        EXPECT_EQ(g.cell(g.rowCount() - 1, c + 1).endsWith('*'), marked.contains(t.columns[c]));
}
