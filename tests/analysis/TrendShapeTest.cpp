// The shape kinds of the trend chart (和值 … 龙虎): their values on hand-made
// draws at the edges, the whole table on generated histories against values
// worked out naively from sorted numbers and omissions walked back cell by
// cell, and every exact chance against a brute-force enumeration of the draws.
#include "support/HistoryTestSupport.h"
#include "analysis/DrawShape.h"
#include "analysis/Trend.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <map>
#include <random>

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

TrendResult trend(const std::vector<DrawNumbers>& draws, int last, ShapeKind kind, int position = 0)
{
    TrendOptions o;
    o.last = last;
    o.kind = shapeIndex(kind);
    o.position = position;
    return computeTrend(draws, o);
}

// The label each row hit, "" for none.
QStringList hitLabels(const TrendTable& t)
{
    QStringList out;
    for (int r = 0; r < t.rowCount(); ++r) {
        QString label;
        for (int c = 0; c < t.columnCount(); ++c)
            if (t.isHit(r, c))
                label = t.columns[c];
        out << label;
    }
    return out;
}

// --- the independent computation -------------------------------------------

// The label of a draw for a shape kind from the definitions, or "" for none.
QString naiveLabel(ShapeKind kind, const std::vector<int>& numbers, const std::vector<int>* previous, int position)
{
    const auto big = [](int n) { return n >= 11; };
    const auto odd = [](int n) { return n % 2 == 1; };
    std::vector<int> sorted = numbers;
    std::sort(sorted.begin(), sorted.end());
    switch (kind) {
    case ShapeKind::DrawSum: {
        int sum = 0;
        for (int n : numbers)
            sum += n;
        if (sum <= 70)
            return "36-70";
        if (sum <= 77)
            return "71-77";
        if (sum <= 83)
            return "78-83";
        if (sum <= 89)
            return "84-89";
        return sum <= 96 ? "90-96" : "97-132";
    }
    case ShapeKind::Span:
        return QString::number(sorted.back() - sorted.front());
    case ShapeKind::Big:
        return QString::number(std::count_if(numbers.begin(), numbers.end(), big));
    case ShapeKind::Odd:
        return QString::number(std::count_if(numbers.begin(), numbers.end(), odd));
    case ShapeKind::Repeat: {
        if (!previous)
            return {};
        int same = 0;
        for (int n : numbers)
            same += std::find(previous->begin(), previous->end(), n) != previous->end();
        return QString::number(same);
    }
    case ShapeKind::Consecutive: {
        int pairs = 0;
        for (std::size_t i = 0; i + 1 < sorted.size(); ++i)
            pairs += sorted[i + 1] == sorted[i] + 1;
        return QString::number(pairs);
    }
    case ShapeKind::BigSmall:
        return big(numbers[position - 1]) ? "大" : "小";
    case ShapeKind::OddEven:
        return odd(numbers[position - 1]) ? "单" : "双";
    case ShapeKind::TailBig:
        return numbers[position - 1] % 10 >= 5 ? "尾大" : "尾小";
    case ShapeKind::DigitSumParity: {
        const QString digits = QString::number(numbers[position - 1]);
        int digitSum = 0;
        for (QChar ch : digits)
            digitSum += ch.digitValue();
        return digitSum % 2 == 1 ? "合单" : "合双";
    }
    case ShapeKind::DragonTiger:
        return numbers.front() > numbers.back() ? "龙" : "虎";
    }
    return {};
}

std::vector<int> numbersOf(const DrawNumbers& d)
{
    return { d.numbers.begin(), d.numbers.end() };
}

// Every set of eight of 1..20, as sorted numbers.
const std::vector<std::vector<int>>& allSets()
{
    static const std::vector<std::vector<int>> all = [] {
        std::vector<std::vector<int>> v;
        for (std::uint32_t m = 0; m < (1u << 20); ++m) {
            if (std::popcount(m) != 8)
                continue;
            std::vector<int> set;
            for (int n = 1; n <= 20; ++n)
                if (m & (1u << (n - 1)))
                    set.push_back(n);
            v.push_back(set);
        }
        return v;
    }();
    return all;
}

// The exact chance of each column by counting outcomes: the sets of eight for
// the draw-level kinds (and for `repeat` against one fixed previous draw), the
// ordered pairs of positions 1 and 8 for 龙虎, the 20 numbers at a position.
std::vector<double> countChance(ShapeKind kind, const QStringList& columns)
{
    std::vector<long> count(static_cast<std::size_t>(columns.size()), 0);
    long outcomes = 0;
    auto add = [&](const QString& label) {
        const auto c = columns.indexOf(label);
        ASSERT_GE(c, 0) << label.toStdString();
        ++count[static_cast<std::size_t>(c)];
        ++outcomes;
    };
    const int position = trendScope(shapeIndex(kind)) == TrendScope::PositionOnly ? 3 : 0;
    if (kind == ShapeKind::DragonTiger) {
        for (int first = 1; first <= 20; ++first)
            for (int eighth = 1; eighth <= 20; ++eighth)
                if (first != eighth)
                    add(naiveLabel(kind, { first, 0, 0, 0, 0, 0, 0, eighth }, nullptr, 0));
    } else if (position != 0) {
        for (int n = 1; n <= 20; ++n)
            add(naiveLabel(kind, { 1, 2, n, 4, 5, 6, 7, 8 }, nullptr, position));
    } else {
        const std::vector<int> previous = { 2, 5, 7, 11, 13, 17, 19, 20 };
        for (const std::vector<int>& set : allSets())
            add(naiveLabel(kind, set, &previous, 0));
    }
    std::vector<double> p;
    for (long c : count)
        p.push_back(double(c) / double(outcomes));
    return p;
}

std::vector<double> bruteForceChance(ShapeKind kind, const QStringList& columns)
{
    static std::map<ShapeKind, std::vector<double>> known;
    auto [at, added] = known.try_emplace(kind);
    if (added)
        at->second = countChance(kind, columns);
    return at->second;
}

constexpr std::array<ShapeKind, 11> kAllShapes = {
    ShapeKind::DrawSum,  ShapeKind::Span,    ShapeKind::Big,     ShapeKind::Odd,
    ShapeKind::Repeat,   ShapeKind::Consecutive, ShapeKind::BigSmall, ShapeKind::OddEven,
    ShapeKind::TailBig,  ShapeKind::DigitSumParity, ShapeKind::DragonTiger,
};

void expectMatchesNaive(const std::vector<DrawNumbers>& draws, int last, ShapeKind kind, int position)
{
    SCOPED_TRACE(::testing::Message() << "last " << last << " kind " << shapeIndex(kind) << " position " << position);
    const TrendResult result = trend(draws, last, kind, position);
    ASSERT_TRUE(result.ok) << result.error.toStdString();
    const TrendTable& t = result.table;
    const int total = static_cast<int>(draws.size());
    const int rows = std::min(last, total);
    ASSERT_EQ(t.rowCount(), rows);
    std::vector<QString> labels;
    for (int i = 0; i < total; ++i) {
        const std::vector<int> previous = i > 0 ? numbersOf(draws[i - 1]) : std::vector<int>();
        labels.push_back(naiveLabel(kind, numbersOf(draws[i]), i > 0 ? &previous : nullptr, position));
    }
    const std::vector<double> p = bruteForceChance(kind, t.columns);
    for (int c = 0; c < t.columnCount(); ++c) {
        int hitCount = 0, maxOmission = 0, maxRun = 0, run = 0;
        for (int r = 0; r < rows; ++r) {
            const int i = total - rows + r;
            int j = i;
            while (j >= 0 && labels[j] != t.columns[c])
                --j;
            ASSERT_EQ(t.cell(r, c), i - j) << "row " << r << " column " << t.columns[c].toStdString();
            hitCount += i == j;
            maxOmission = std::max(maxOmission, i - j);
            run = i == j ? run + 1 : 0;
            maxRun = std::max(maxRun, run);
        }
        EXPECT_EQ(t.hits[c], hitCount);
        EXPECT_EQ(t.current[c], t.cell(rows - 1, c));
        EXPECT_EQ(t.maxOmission[c], maxOmission);
        EXPECT_EQ(t.maxRun[c], maxRun);
        EXPECT_DOUBLE_EQ(t.meanOmission[c], double(rows - hitCount) / (hitCount + 1));
        EXPECT_NEAR(t.chance[c], p[c], 1e-15) << t.columns[c].toStdString();
        EXPECT_NEAR(t.expectedHits[c], rows * p[c], 1e-9);
        EXPECT_NEAR(t.chanceCurrentOrLonger[c], std::pow(1 - p[c], t.current[c]), 1e-12);
    }
}

} // namespace

// --- hand-made draws at the edges -------------------------------------------

TEST(TrendShape, ValuesOfHandMadeDraws)
{
    const std::vector<DrawNumbers> h = {
        draw(161212001, { 1, 2, 3, 4, 5, 6, 7, 8 }), // the smallest sum and span, seven pairs
        draw(161212002, { 20, 19, 18, 17, 16, 15, 14, 13 }), // the largest sum, no repeat
        draw(161212003, { 20, 1, 3, 5, 7, 9, 11, 2 }), // span 19, one number again
    };
    struct Case
    {
        ShapeKind kind;
        int position;
        QStringList labels;
    };
    const std::vector<Case> cases = {
        { ShapeKind::DrawSum, 0, { "36-70", "97-132", "36-70" } },
        { ShapeKind::Span, 0, { "7", "7", "19" } },
        { ShapeKind::Big, 0, { "0", "8", "2" } },
        { ShapeKind::Odd, 0, { "4", "4", "6" } },
        // The first stored draw has no previous draw: no column is hit.
        { ShapeKind::Repeat, 0, { "", "0", "1" } },
        { ShapeKind::Consecutive, 0, { "7", "7", "2" } },
        { ShapeKind::DragonTiger, 0, { "虎", "龙", "龙" } },
        { ShapeKind::BigSmall, 1, { "小", "大", "大" } },
        { ShapeKind::OddEven, 5, { "单", "双", "单" } },
        { ShapeKind::TailBig, 5, { "尾大", "尾大", "尾大" } },
        { ShapeKind::TailBig, 1, { "尾小", "尾小", "尾小" } },
        { ShapeKind::DigitSumParity, 1, { "合单", "合双", "合双" } },
        { ShapeKind::DigitSumParity, 7, { "合单", "合单", "合双" } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(shapeKindInfo(shapeIndex(c.kind)).name);
        const TrendResult r = trend(h, 3, c.kind, c.position);
        ASSERT_TRUE(r.ok) << r.error.toStdString();
        EXPECT_EQ(hitLabels(r.table), c.labels);
    }
    const TrendTable repeat = trend(h, 3, ShapeKind::Repeat).table;
    EXPECT_EQ(repeat.cell(0, 0), 1);
    EXPECT_EQ(repeat.hits[0], 1);

    // A number the loader could not read (0) leaves the whole-draw kinds
    // without a value, and the next draw's repeat count too.
    std::vector<DrawNumbers> broken = h;
    broken[1].numbers[3] = 0;
    EXPECT_EQ(hitLabels(trend(broken, 3, ShapeKind::DrawSum).table), QStringList({ "36-70", "", "36-70" }));
    EXPECT_EQ(hitLabels(trend(broken, 3, ShapeKind::Repeat).table), QStringList({ "", "", "" }));
    EXPECT_EQ(hitLabels(trend(broken, 3, ShapeKind::OddEven, 4).table), QStringList({ "双", "", "单" }));
}

TEST(TrendShape, RefusesAScopeTheKindDoesNotTake)
{
    const std::vector<DrawNumbers> h = { draw(161212001, { 1, 2, 3, 4, 5, 6, 7, 8 }) };
    for (ShapeKind k : kAllShapes) {
        SCOPED_TRACE(shapeKindInfo(shapeIndex(k)).name);
        const bool needsPosition = trendScope(shapeIndex(k)) == TrendScope::PositionOnly;
        EXPECT_EQ(trend(h, 5, k, 0).ok, !needsPosition);
        EXPECT_EQ(trend(h, 5, k, 4).ok, needsPosition);
        EXPECT_EQ(shapeKindOf(QString::fromLatin1(shapeKindInfo(shapeIndex(k)).name)), shapeIndex(k));
    }
    EXPECT_TRUE(trend(h, 5, ShapeKind::DrawSum, 2).error.contains("no position"));
    EXPECT_TRUE(trend(h, 5, ShapeKind::BigSmall, 0).error.contains("needs a position"));
    TrendOptions o;
    o.kind = kTrendKindCount;
    EXPECT_FALSE(computeTrend(h, o).ok);
}

// --- generated histories and the exact chance --------------------------------

TEST(TrendShape, MatchesNaiveValuesAndBruteForceChance)
{
    std::vector<DrawNumbers> h;
    for (const PlainDraw& p : makeDraws(300, QDate(2016, 1, 28), 10))
        h.push_back(draw(p.sqqh, p.numbers));
    // Runs of overlapping draws, so that high repeat counts and long runs of
    // one value occur too: each takes six numbers of the draw before.
    std::mt19937 rng(7);
    for (int i = 0; i < 60; ++i) {
        std::array<int, 8> next {};
        std::copy_n(h.back().numbers.begin(), 6, next.begin());
        std::vector<int> rest;
        for (int n = 1; n <= 20; ++n)
            if (std::find(next.begin(), next.begin() + 6, n) == next.begin() + 6)
                rest.push_back(n);
        std::shuffle(rest.begin(), rest.end(), rng);
        next[6] = rest[0];
        next[7] = rest[1];
        std::shuffle(next.begin(), next.end(), rng);
        h.push_back(draw(h.back().sqqh + 1, next));
    }
    for (ShapeKind k : kAllShapes) {
        const bool position = trendScope(shapeIndex(k)) == TrendScope::PositionOnly;
        for (int p : position ? std::vector<int> { 1, 3, 8 } : std::vector<int> { 0 })
            for (int last : { 1, 50, 400 })
                expectMatchesNaive(h, last, k, p);
    }
}

TEST(TrendShape, ExactChanceOfEachKind)
{
    for (ShapeKind k : kAllShapes) {
        SCOPED_TRACE(shapeKindInfo(shapeIndex(k)).name);
        const ShapeChance c = shapeChance(shapeIndex(k));
        std::int64_t total = 0;
        for (int m : c.withValue)
            total += m;
        EXPECT_EQ(total, c.outcomes);
        const QStringList columns = shapeColumns(shapeIndex(k));
        ASSERT_EQ(c.withValue.size(), static_cast<std::size_t>(columns.size()));
        if (shapeKindInfo(shapeIndex(k)).twoSided) {
            // Every 两面 column and 龙/虎 is exactly one half.
            EXPECT_EQ(c.probability(0), 0.5);
            EXPECT_EQ(c.probability(1), 0.5);
        }
    }
    // Columns with a known count: one set has span 7 per start 1..13 (13);
    // seven adjacent pairs means eight in a row (13); sum 36 and 132 one set each.
    EXPECT_EQ(shapeChance(shapeIndex(ShapeKind::Span)).withValue.front(), 13);
    EXPECT_EQ(shapeChance(shapeIndex(ShapeKind::Consecutive)).withValue.back(), 13);
    EXPECT_EQ(shapeChance(shapeIndex(ShapeKind::Repeat)).withValue.back(), 1);
    EXPECT_EQ(shapeChance(shapeIndex(ShapeKind::Repeat)).outcomes, 125970);
}
