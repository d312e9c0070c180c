// The chance reference of a ranking: the model's value counts per kind and
// zodiac year, the expected counts of a search (also across a Spring
// Festival), the empty and degenerate cases, and the verdict text.
#include "support/AnalysisTestSupport.h"
#include "analysis/ChanceModel.h"
#include "analysis/ChanceStatistics.h"
#include "analysis/Distributions.h"
#include "analysis/SearchEngine.h"

#include <map>

using namespace corvinel;
using namespace corvinel::testing;

namespace {

SearchOptions wholeRange()
{
    SearchOptions o;
    o.rangeFrom = "20000000000";
    o.rangeTo = "20999999999";
    return o;
}

// The numbers 1..20 in three draws (the last one repeats 1..4 to fill up).
const std::vector<Nums> kAllNumbers
    = { { 1, 2, 3, 4, 5, 6, 7, 8 }, { 9, 10, 11, 12, 13, 14, 15, 16 }, { 17, 18, 19, 20, 1, 2, 3, 4 } };

} // namespace

TEST(ChanceModel, CountsOfEveryKindWorkedByHand)
{
    // Number: each once. Head: 1..9 -> 0, 10..19 -> 1, 20 -> 2. Tail: two
    // each. Digit sum: 1 {1,10}, 2 {2,11,20}, 3..9 {k,k+9}, 10 {19}.
    // Segment: four each from the base.
    const auto c = [](int kind, int segmentBase = 1) { return ChanceModel(kind, 1, segmentBase).counts(2016); };
    for (int v = 1; v <= 20; ++v)
        EXPECT_EQ(c(0)[v], 1);
    EXPECT_EQ(c(2)[0], 9);
    EXPECT_EQ(c(2)[1], 10);
    EXPECT_EQ(c(2)[2], 1);
    for (int v = 0; v <= 9; ++v)
        EXPECT_EQ(c(3)[v], 2);
    const int sums[] = { 0, 2, 3, 2, 2, 2, 2, 2, 2, 2, 1 };
    for (int v = 0; v <= 10; ++v)
        EXPECT_EQ(c(4)[v], sums[v]) << v;
    for (int v = 0; v <= 5; ++v) {
        EXPECT_EQ(c(5, 1)[v], v >= 1 ? 4 : 0);
        EXPECT_EQ(c(5, 0)[v], v <= 4 ? 4 : 0);
    }
    // Zodiac, by order from base 1. In 2016 (猴, sign 8) the signs 猴 羊 马 蛇
    // 龙 兔 虎 牛 own the groups 0..7 (two numbers each of 1..20), 鼠 猪 狗 鸡
    // the groups 8..11 (one each: 09, 10, 11, 12). In 2015 (羊, sign 7) 羊 ..
    // 鼠 own the groups 0..7, 猴 鸡 狗 猪 the groups 11..8.
    const ChanceModel z(1, 1, 1);
    const int in2016[] = { 0, 1, 2, 2, 2, 2, 2, 2, 2, 2, 1, 1, 1 };
    const int in2015[] = { 0, 2, 2, 2, 2, 2, 2, 2, 2, 1, 1, 1, 1 };
    for (int v = 0; v <= 12; ++v) {
        EXPECT_EQ(z.counts(2016)[v], in2016[v]) << v;
        EXPECT_EQ(z.counts(2015)[v], in2015[v]) << v;
        EXPECT_DOUBLE_EQ(z.probability(v, 2016), in2016[v] / 20.0);
    }
    // Base 0 moves the values down by one.
    EXPECT_EQ(ChanceModel(1, 0, 1).counts(2016)[0], 1);
    EXPECT_EQ(ChanceModel(1, 0, 1).counts(2016)[12], 0);
}

TEST(ChanceModel, AgreesWithTheDrawEncoderAcrossASpringFestival)
{
    // 2016's festival is on 8 February: draws up to that day belong to 2015.
    for (std::int64_t day : { 160207, 160208, 160209, 170128, 170129 }) {
        for (bool byAge : { false, true }) {
            ZodiacTables tables;
            if (byAge)
                tables.fillNumbersByAge(2016, 1);
            DrawEncoder enc(tables);
            const EncoderBases bases;
            std::array<std::array<int, 21>, kKindCount> seen {};
            for (std::size_t i = 0; i < kAllNumbers.size(); ++i) {
                const DrawRow row
                    = enc.encode(day * 1000 + 1 + static_cast<std::int64_t>(i), kAllNumbers[i], bases, false);
                for (int kind = 0; kind < kKindCount; ++kind)
                    for (int p = 0; p < kPositions; ++p)
                        if (i < 2 || p < 4) // the third draw's last four repeat 1..4
                            ++seen[kind][row.own[kind][p]];
            }
            const int year = ChanceModel::drawYear(day * 1000 + 1);
            // The festival day itself still belongs to the year before.
            EXPECT_EQ(year, day <= 160208 ? 2015 : (day <= 170128 ? 2016 : 2017)) << day;
            for (int kind = 0; kind < kKindCount; ++kind) {
                const ChanceModel m = byAge ? ChanceModel(kind, 1, tables.numbers()) : ChanceModel(kind, 1, 1);
                const ChanceModel::Counts c = m.counts(year);
                for (int v = 0; v <= 20; ++v)
                    EXPECT_EQ(c[v], seen[kind][v]) << "kind " << kind << " value " << v << " day " << day;
            }
        }
    }
    // Guangdong's two sequence digits read the same date.
    EXPECT_EQ(ChanceModel::drawYear(16020884), 2015);
    EXPECT_EQ(ChanceModel::drawYear(16020901), 2016);
}

TEST(ChanceFigures, ZodiacExpectationUsesEachDrawsOwnYear)
{
    // Tianjin draws on 7 and 8 February 2016 (zodiac year 2015) and on 9 and
    // 10 February (2016); every draw in the range matches (no position
    // ticked). Group mode, result position 8: P = 8.
    TestHistory h;
    std::mt19937 rng(5);
    std::vector<std::int64_t> issues;
    for (std::int64_t day : { 160207, 160208, 160209, 160210 }) {
        std::vector<Nums> draws;
        for (int i = 0; i < (day == 160210 ? 5 : 3); ++i)
            draws.push_back(randomDraw(rng));
        h.append(draws, day * 1000 + 1);
    }
    SearchEngine e(h.store);
    SearchOptions o = wholeRange();
    o.rangeFrom = "20160207002"; // the first draw stays out of the range
    o.resultKind = 1;
    o.group = true;
    o.resultPosition = 8;
    const SearchResult r = e.followPattern(o);
    ASSERT_TRUE(r.ok);
    ASSERT_EQ(r.matchedIssues.size(), 13u); // 5 draws in 2015, 8 in 2016
    const ChanceFigures f = chanceFigures(r, o);
    EXPECT_EQ(f.matched, 13);
    EXPECT_EQ(f.tallied, 104);
    const int in2016[] = { 0, 1, 2, 2, 2, 2, 2, 2, 2, 2, 1, 1, 1 };
    const int in2015[] = { 0, 2, 2, 2, 2, 2, 2, 2, 2, 1, 1, 1, 1 };
    ASSERT_EQ(f.rows.size(), 12u);
    // The stored zodiac values of the matched draws, counted independently.
    std::map<int, std::int64_t> observed, inRange;
    for (int p = 1; p <= 8; ++p) {
        const auto col = h.intColumn("L" + std::to_string(p) + "B");
        const auto sqqh = h.intColumn("SQQH");
        for (std::size_t i = 0; i < col.size(); ++i)
            if (sqqh[i] >= 160207002) {
                ++observed[static_cast<int>(col[i])];
                ++inRange[static_cast<int>(col[i])];
            }
    }
    double chi = 0;
    for (const ChanceRow& row : f.rows) {
        const double e = 8.0 * (5 * in2015[row.value] + 8 * in2016[row.value]) / 20.0;
        EXPECT_DOUBLE_EQ(row.expected, e) << row.value;
        EXPECT_EQ(row.count, observed[row.value]);
        EXPECT_EQ(row.text, ZodiacTables::names()[row.value - 1]);
        EXPECT_DOUBLE_EQ(*row.expectedPct, 100 * e / 104);
        EXPECT_DOUBLE_EQ(*row.lift, static_cast<double>(row.count) / e);
        EXPECT_DOUBLE_EQ(*row.rangePct, 100.0 * static_cast<double>(inRange[row.value]) / 104);
        EXPECT_DOUBLE_EQ(*row.pValue, stats::binomialTwoSidedP(row.count, 104, e / 104));
        chi += (row.count - e) * (row.count - e) / e;
    }
    // 鼠 (value 1) owns two numbers in 2015 and one in 2016: 8 (5 * 2 + 8 * 1)
    // / 20 = 7.2; one year for all draws would give 5.2 or 10.4.
    const auto rat = std::find_if(f.rows.begin(), f.rows.end(), [](const ChanceRow& row) { return row.value == 1; });
    ASSERT_NE(rat, f.rows.end());
    EXPECT_DOUBLE_EQ(rat->expected, 7.2);
    EXPECT_NEAR(*f.chiSquare, chi, 1e-9);
    EXPECT_EQ(*f.df, 11);
    EXPECT_DOUBLE_EQ(*f.pValue, stats::chiSquareUpperTail(chi, 11));
    // Every value has E > 0: q is BH over all twelve p values.
    std::vector<double> ps;
    for (const ChanceRow& row : f.rows)
        ps.push_back(*row.pValue);
    const auto q = stats::benjaminiHochberg(ps);
    for (std::size_t i = 0; i < q.size(); ++i)
        EXPECT_DOUBLE_EQ(*f.rows[i].qValue, q[i]);
}

TEST(ChanceFigures, EveryKindInDirectModeAgainstACountedHistory)
{
    TestHistory h;
    h.bases.segmentBase = 0;
    std::mt19937 rng(9);
    std::vector<Nums> draws;
    for (int i = 0; i < 300; ++i)
        draws.push_back(randomDraw(rng));
    h.append(draws, 161212001);
    SearchEngine e(h.store);
    for (int kind = 0; kind < kKindCount; ++kind) {
        SearchOptions o = wholeRange();
        o.kind = 3;
        o.pattern[2] = 4;
        o.positions[2] = true; // tail 4 at the previous draw's position 2
        o.freePosition = false;
        o.resultKind = kind;
        o.resultPosition = 5;
        o.group = false;
        o.segmentBase = 0;
        const SearchResult r = e.followPattern(o);
        ASSERT_TRUE(r.ok);
        const ChanceFigures f = chanceFigures(r, o);
        const auto m = static_cast<std::int64_t>(r.matchedIssues.size());
        ASSERT_GT(m, 10);
        EXPECT_EQ(f.tallied, m);
        const ChanceModel model(kind, 1, 0);
        // The range tally is the whole history at position 5.
        const auto col = h.intColumn("L5" + std::string(kindLetter(kind)));
        std::int64_t observedTotal = 0;
        for (const ChanceRow& row : f.rows) {
            EXPECT_DOUBLE_EQ(row.expected, static_cast<double>(m) * model.counts(2016)[row.value] / 20.0);
            EXPECT_DOUBLE_EQ(*row.rangePct,
                             100.0 * static_cast<double>(std::count(col.begin(), col.end(), row.value))
                                 / static_cast<double>(col.size()));
            const stats::Interval ci = stats::wilsonInterval(row.count, m);
            EXPECT_DOUBLE_EQ(*row.ciLowPct, 100 * ci.low);
            EXPECT_DOUBLE_EQ(*row.ciHighPct, 100 * ci.high);
            observedTotal += row.count;
        }
        EXPECT_EQ(observedTotal, m) << kind; // every tallied value is reported
        EXPECT_EQ(*f.df, static_cast<int>(f.rows.size()) - 1);
    }
}

TEST(ChanceFigures, NoMatchedDrawLeavesEveryFigureEmpty)
{
    TestHistory h;
    std::mt19937 rng(3);
    h.append({ randomDraw(rng), randomDraw(rng), randomDraw(rng) });
    SearchEngine e(h.store);
    for (bool emptyRange : { true, false }) {
        SearchOptions o = wholeRange();
        if (emptyRange)
            o.rangeFrom = "20999999999";
        else {
            o.kind = 0;
            o.pattern[1] = 21; // no draw holds number 21
            o.positions[1] = true;
            o.freePosition = false;
        }
        const SearchResult r = e.followPattern(o);
        ASSERT_TRUE(r.ok);
        const ChanceFigures f = chanceFigures(r, o);
        EXPECT_EQ(f.matched, 0);
        EXPECT_EQ(f.tallied, 0);
        EXPECT_FALSE(f.chiSquare || f.df || f.pValue);
        ASSERT_EQ(f.rows.size(), 20u);
        for (const ChanceRow& row : f.rows) {
            EXPECT_EQ(row.count, 0);
            EXPECT_EQ(row.expected, 0.0);
            EXPECT_FALSE(row.expectedPct || row.lift || row.ciLowPct || row.ciHighPct || row.pValue || row.qValue);
            // The range's own rate needs draws in the range, not matches.
            EXPECT_EQ(row.rangePct.has_value(), !emptyRange);
        }
        EXPECT_EQ(chanceVerdict(f), "没有匹配的开奖，无法与随机比较");
    }
}

TEST(ChanceFigures, FewerThanTwoValuesWithExpectationHaveNoOverallTest)
{
    // A zodiac number table that gives every sign the value 1: values 2..12
    // cannot occur under the model.
    std::array<int, 12> allOne {};
    allOne.fill(1);
    const ChanceModel model(1, 1, allOne);
    const std::vector<TallyEntry> ranking = { { 1, 7 }, { 3, 1 }, { 2, 0 } };
    const std::vector<std::int64_t> issues(8, 161212001);
    RangeTally range;
    const ChanceFigures f = chanceFigures(ranking, issues, 1, range, model, 1);
    EXPECT_EQ(f.tallied, 8);
    ASSERT_EQ(f.rows.size(), 3u);
    EXPECT_DOUBLE_EQ(f.rows[0].expected, 8.0);
    EXPECT_DOUBLE_EQ(*f.rows[0].lift, 7.0 / 8);
    EXPECT_DOUBLE_EQ(*f.rows[0].qValue, *f.rows[0].pValue); // BH over one value
    EXPECT_DOUBLE_EQ(*f.rows[0].pValue, stats::binomialTwoSidedP(7, 8, 1.0));
    // E = 0: no lift, no q; an observed count is impossible (p 0), none is certain.
    EXPECT_FALSE(f.rows[1].lift || f.rows[1].qValue);
    EXPECT_EQ(*f.rows[1].pValue, 0.0);
    EXPECT_EQ(*f.rows[2].pValue, 1.0);
    EXPECT_FALSE(f.rows[0].rangePct); // an empty range tally
    EXPECT_DOUBLE_EQ(*f.chiSquare, 1.0 / 8);
    EXPECT_FALSE(f.df || f.pValue);
    // The one tested value is impossibly rare (p = q = 0), so it is named.
    EXPECT_EQ(chanceVerdict(f), "可与随机比较的结果不足两个，不做整体检验；q 值最小的是 鼠（q<0.001）");
}

TEST(ChanceVerdict, TextsAndNumberFormats)
{
    ChanceFigures f;
    f.matched = 40;
    f.tallied = 40;
    f.chiSquare = 14.2;
    f.df = 19;
    f.pValue = 0.7719;
    ChanceRow a;
    a.text = "7";
    a.qValue = 0.31;
    ChanceRow b;
    b.text = "12";
    b.qValue = 0.2;
    f.rows = { a, b };
    EXPECT_EQ(chanceVerdict(f), "与随机相比无显著差异（χ²=14.2，自由度 19，p=0.77）");
    f.pValue = 0.0031;
    EXPECT_EQ(chanceVerdict(f), "与随机有显著差异（p=0.003）");
    f.rows[0].text = "猴";
    f.rows[0].qValue = 0.0123;
    EXPECT_EQ(chanceVerdict(f), "与随机有显著差异（p=0.003）；q 值最小的是 猴（q=0.012）");
    f.pValue = 0.00002;
    f.rows[0].qValue = 0.0004;
    EXPECT_EQ(chanceVerdict(f), "与随机有显著差异（p<0.001）；q 值最小的是 猴（q<0.001）");
    EXPECT_EQ(formatPValue(0.0499), "0.0499"); // never reads as 0.050
    EXPECT_EQ(formatPValue(0.05), "0.050");
    EXPECT_EQ(formatPValue(1.0), "1.00");
    EXPECT_EQ(formatPValue(0.0734), "0.073");
    f.group = false;
    EXPECT_FALSE(chanceExplanation(f).contains("保守"));
    f.group = true;
    EXPECT_TRUE(chanceExplanation(f).contains("组选模式下同一期的各位置不放回抽取，检验略偏保守。"));
}

TEST(ChanceVerdict, TableAndTipLeaveEmptyFiguresEmpty)
{
    const ChanceModel model(3, 1, 1);
    RangeTally range;
    const ChanceFigures none = chanceFigures({ { 7, 0 }, { 1, 0 } }, {}, 1, range, model, 1);
    const ResultTable empty = chanceTable(none);
    EXPECT_EQ(empty.header, QStringList({ "结果", "出现次数", "随机期望", "提升", "95%区间", "p值", "q值" }));
    EXPECT_EQ(empty.row(0), QStringList({ "7", "0", "0.00", "", "", "", "" }));
    EXPECT_EQ(chanceTip(none.rows[0]), "7：出现 0 次，随机期望 0.00 次\n提升 —");

    // Tail 7 three times in ten direct-mode draws: E = 10 * 2 / 20 = 1.
    const ChanceFigures f
        = chanceFigures({ { 7, 3 }, { 1, 2 } }, std::vector<std::int64_t>(10, 161212001), 1, range, model, 1);
    const ResultTable t = chanceTable(f);
    const stats::Interval ci = stats::wilsonInterval(3, 10);
    EXPECT_EQ(t.row(0),
              QStringList({ "7", "3", "1.00", "3.00",
                            QString::number(100 * ci.low, 'f', 2) + "%–" + QString::number(100 * ci.high, 'f', 2) + "%",
                            QString::number(*f.rows[0].pValue, 'g', 3), QString::number(*f.rows[0].qValue, 'g', 3) }));
    const QString tip = chanceTip(f.rows[0]);
    EXPECT_TRUE(tip.startsWith("7：出现 3 次，随机期望 1.00 次（10.00%）\n提升 3.00\n95% 区间 ")) << tip.toStdString();
    EXPECT_TRUE(tip.contains("p=0.0")) << tip.toStdString();
}
