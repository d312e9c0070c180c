// The chance reference of a ranking: the model's value counts per kind and
// zodiac year, the expected counts of a search (also across a Spring
// Festival), the empty and degenerate cases, and the verdict text.
#include "support/AnalysisTestSupport.h"
#include "analysis/ChanceModel.h"
#include "analysis/ChanceStatistics.h"
#include "analysis/Distributions.h"
#include "analysis/SearchEngine.h"

#include <bit>
#include <map>

using namespace corvinel;
using namespace corvinel::testing;

namespace {

// The law of one draw's count of a value owning `owned` of the numbers 1..20
// among its first `positions` numbers, by enumerating every set of positions
// numbers (C(20, 8) = 125,970 for eight).
std::vector<double> countInOneDraw(int owned, int positions)
{
    std::vector<double> pmf(static_cast<std::size_t>(positions + 1), 0.0);
    double sets = 0;
    for (std::uint32_t mask = 0; mask < (1u << 20); ++mask) {
        if (std::popcount(mask) != positions)
            continue;
        ++pmf[static_cast<std::size_t>(std::popcount(mask & ((1u << owned) - 1)))];
        ++sets;
    }
    for (double& p : pmf)
        p /= sets;
    return pmf;
}

// The two-sided p of a group-mode count: draws one by one added to the law,
// then every outcome no more likely than the one seen.
double groupModeP(std::int64_t count, int positions, const std::vector<std::pair<int, int>>& ownedAndDraws)
{
    std::vector<double> law { 1.0 };
    for (const auto& [owned, draws] : ownedAndDraws) {
        const std::vector<double> one = countInOneDraw(owned, positions);
        for (int d = 0; d < draws; ++d) {
            std::vector<double> next(law.size() + one.size() - 1, 0.0);
            for (std::size_t i = 0; i < law.size(); ++i)
                for (std::size_t j = 0; j < one.size(); ++j)
                    next[i + j] += law[i] * one[j];
            law = next;
        }
    }
    double p = 0;
    for (const double x : law)
        if (x <= law[static_cast<std::size_t>(count)] * (1 + 1e-7))
            p += x;
    return std::min(1.0, p);
}

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
        // Group mode: the count is a sum over the draws of the value's
        // numbers among eight positions drawn without replacement.
        EXPECT_NEAR(*row.pValue, groupModeP(row.count, 8, { { in2015[row.value], 5 }, { in2016[row.value], 8 } }),
                    1e-9)
            << row.value;
        chi += (row.count - e) * (row.count - e) / e;
    }
    // 鼠 (value 1) owns two numbers in 2015 and one in 2016: 8 (5 * 2 + 8 * 1)
    // / 20 = 7.2; one year for all draws would give 5.2 or 10.4.
    const auto rat = std::find_if(f.rows.begin(), f.rows.end(), [](const ChanceRow& row) { return row.value == 1; });
    ASSERT_NE(rat, f.rows.end());
    EXPECT_DOUBLE_EQ(rat->expected, 7.2);
    EXPECT_NEAR(*f.chiSquare, chi, 1e-9);
    EXPECT_EQ(*f.df, 11);
    // Every E is at least 5.2: chi-square of X² × 19 / (20 − 8).
    EXPECT_EQ(f.method, ChanceMethod::ChiSquare);
    EXPECT_DOUBLE_EQ(*f.pValue, stats::chiSquareUpperTail(chi * 19 / 12, 11));
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
    f.detectableLift = 2.345;
    ChanceRow a;
    a.text = "7";
    a.qValue = 0.31;
    ChanceRow b;
    b.text = "12";
    b.qValue = 0.2;
    f.rows = { a, b };
    EXPECT_EQ(chanceVerdict(f), "未发现与随机不同（样本 40 期；χ²=14.2，自由度 19，p=0.77）：某个结果的出现率要达到随机的 "
                                "2.3 倍，此样本量下的检验才有一半把握发现");
    f.detectableLift.reset();
    EXPECT_EQ(chanceVerdict(f), "未发现与随机不同（样本 40 期；χ²=14.2，自由度 19，p=0.77）：此样本量下，单个结果再偏离也难以发现");
    const QString chance = QStringLiteral("，但随机数据中每 20 次检索约有 1 次如此");
    f.pValue = 0.0031;
    EXPECT_EQ(chanceVerdict(f), "与随机有显著差异（χ²=14.2，自由度 19，p=0.003）" + chance);
    f.rows[0].text = "猴";
    f.rows[0].qValue = 0.0123;
    EXPECT_EQ(chanceVerdict(f), "与随机有显著差异（χ²=14.2，自由度 19，p=0.003）" + chance + "；q 值最小的是 猴（q=0.012）");
    f.pValue = 0.00002;
    f.rows[0].qValue = 0.0004;
    f.method = ChanceMethod::MonteCarlo;
    EXPECT_EQ(chanceVerdict(f), "与随机有显著差异（χ²=14.2，自由度 19，蒙特卡罗 p<0.001）" + chance + "；q 值最小的是 猴（q<0.001）");
    f.method = ChanceMethod::Exact;
    f.pValue = 0.88;
    f.rows[0].qValue = 0.9;
    EXPECT_TRUE(chanceVerdict(f).startsWith("未发现与随机不同（样本 40 期；χ²=14.2，自由度 19，精确 p=0.88）"));
    f.pValue.reset(); // too few
    EXPECT_EQ(chanceVerdict(f), "样本太少，无法判断");
    EXPECT_EQ(formatPValue(0.0499), "0.0499"); // never reads as 0.050
    EXPECT_EQ(formatPValue(0.05), "0.050");
    EXPECT_EQ(formatPValue(1.0), "1.00");
    EXPECT_EQ(formatPValue(0.0734), "0.073");
    // Group mode no longer claims to be conservative: it says how it counts.
    f.group = true;
    f.tallyPositions = 8;
    EXPECT_FALSE(chanceExplanation(f).contains("保守"));
    EXPECT_TRUE(chanceExplanation(f).contains("19/(20−8)"));
    EXPECT_EQ(searchCountNote(1), "");
    EXPECT_EQ(searchCountNote(20), "本次已检索 20 次，纯随机时其中约 1.0 次也会显示显著差异");
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

namespace {

using CountLaw = std::map<std::vector<int>, double>;

// The law of one matched draw's value counts, from every set of `positions`
// of the numbers 1..20 (one number in direct mode).
CountLaw oneDraw(const ChanceModel& model, int year, const std::vector<int>& values, int positions)
{
    CountLaw law;
    double sets = 0;
    for (std::uint32_t mask = 1; mask < (1u << 20); ++mask) {
        if (std::popcount(mask) != positions)
            continue;
        std::vector<int> c(values.size(), 0);
        for (int n = 1; n <= 20; ++n)
            if (mask >> (n - 1) & 1)
                for (std::size_t i = 0; i < values.size(); ++i)
                    c[i] += model.valueOf(n, year) == values[i] ? 1 : 0;
        law[c] += 1;
        ++sets;
    }
    for (auto& [c, p] : law)
        p /= sets;
    return law;
}

// P(X² >= the observed one) under the law of the counts summed over the
// draws, enumerated outcome by outcome.
double enumeratedP(const ChanceModel& model, const std::vector<int>& years, const std::vector<int>& values,
                   const std::vector<int>& observed, int positions)
{
    CountLaw total { { std::vector<int>(values.size(), 0), 1.0 } };
    for (const int year : years) {
        const CountLaw one = oneDraw(model, year, values, positions);
        CountLaw next;
        for (const auto& [a, pa] : total)
            for (const auto& [b, pb] : one) {
                std::vector<int> c = a;
                for (std::size_t i = 0; i < c.size(); ++i)
                    c[i] += b[i];
                next[c] += pa * pb;
            }
        total = std::move(next);
    }
    std::vector<double> e(values.size(), 0.0);
    for (const int year : years)
        for (std::size_t i = 0; i < values.size(); ++i)
            e[i] += positions * model.probability(values[i], year);
    auto chi = [&](const std::vector<int>& c) {
        double x = 0;
        for (std::size_t i = 0; i < c.size(); ++i)
            x += (c[i] - e[i]) * (c[i] - e[i]) / e[i];
        return x;
    };
    const double bound = chi(observed) - 1e-9;
    double p = 0;
    for (const auto& [c, pc] : total)
        if (chi(c) >= bound)
            p += pc;
    return p;
}

struct SmallCase
{
    int kind;
    int positions;
    bool group;
    std::vector<std::int64_t> issues;
};

} // namespace

TEST(ChanceFigures, SmallSamplesAgainstEnumeratedOutcomes)
{
    // Direct mode in one year (exact), across a Spring Festival and in group
    // mode (Monte Carlo): random rankings against every outcome enumerated.
    const std::vector<std::int64_t> oneYear(6, 161212001);
    const std::vector<std::int64_t> acrossFestival = { 160207001, 160207002, 160209001, 160209002, 160209003 };
    const std::vector<SmallCase> cases = {
        { 2, 1, false, oneYear }, // head: 3 values, 9, 10 and 1 numbers
        { 3, 1, false, std::vector<std::int64_t>(5, 161212001) }, // tail: 10 values
        { 1, 1, false, std::vector<std::int64_t>(5, 161212001) }, // zodiac in one year
        { 1, 1, false, acrossFestival },
        { 2, 2, true, oneYear },
        { 5, 3, true, std::vector<std::int64_t>(5, 161212001) }, // segment
    };
    std::mt19937 rng(17);
    for (const SmallCase& sc : cases) {
        const ChanceModel model(sc.kind, 1, 1);
        const ValueRange range = FollowTally::reportedRange(sc.kind, 1, 1);
        std::vector<int> years;
        for (const std::int64_t i : sc.issues)
            years.push_back(ChanceModel::drawYear(i));
        for (int trial = 0; trial < 3; ++trial) {
            // A ranking from random draws.
            std::map<int, int> counts;
            for (const int year : years) {
                std::array<int, 20> n {};
                std::iota(n.begin(), n.end(), 1);
                std::shuffle(n.begin(), n.end(), rng);
                for (int p = 0; p < sc.positions; ++p)
                    ++counts[model.valueOf(n[static_cast<std::size_t>(p)], year)];
            }
            std::vector<TallyEntry> ranking;
            std::vector<int> values, observed;
            for (int v = range.low; v <= range.high; ++v) {
                ranking.push_back({ v, counts[v] });
                values.push_back(v);
                observed.push_back(counts[v]);
            }
            RangeTally none;
            const ChanceFigures f = chanceFigures(ranking, sc.issues, sc.positions, none, model, 1, sc.group);
            ASSERT_TRUE(f.pValue) << sc.kind;
            const double p = enumeratedP(model, years, values, observed, sc.positions);
            const bool exact = !sc.group && sc.issues.front() / 100 == sc.issues.back() / 100;
            EXPECT_EQ(f.method, exact ? ChanceMethod::Exact : ChanceMethod::MonteCarlo) << sc.kind;
            // Monte Carlo: 10,000 runs, so within four standard errors.
            EXPECT_NEAR(*f.pValue, p, exact ? 1e-9 : 4 * std::sqrt(p * (1 - p) / 10000) + 2e-4)
                << sc.kind << " trial " << trial;
            EXPECT_EQ(f.verdict, *f.pValue < 0.05 ? ChanceVerdict::Significant : ChanceVerdict::NotSignificant);
            // The same ranking gives the same Monte Carlo p (fixed seed).
            EXPECT_EQ(*chanceFigures(ranking, sc.issues, sc.positions, none, model, 1, sc.group).pValue, *f.pValue);
        }
    }
}

TEST(ChanceFigures, TooFewMatchedDrawsGiveNoVerdict)
{
    const ChanceModel numbers(0, 1, 1);
    RangeTally none;
    std::vector<TallyEntry> ranking;
    for (int v = 1; v <= 20; ++v)
        ranking.push_back({ v, v == 7 ? 4 : 0 });
    // Four draws, all 7: striking, but below the minimum.
    const ChanceFigures four = chanceFigures(ranking, std::vector<std::int64_t>(4, 161212001), 1, none, numbers, 1);
    EXPECT_FALSE(four.pValue);
    EXPECT_EQ(four.verdict, ChanceVerdict::TooFew);
    EXPECT_TRUE(four.chiSquare && four.df); // the figures stay
    EXPECT_TRUE(chanceVerdict(four).startsWith("样本太少，无法判断；q 值最小的是 7"));
    ranking[6].count = 5;
    const ChanceFigures five = chanceFigures(ranking, std::vector<std::int64_t>(5, 161212001), 1, none, numbers, 1);
    ASSERT_TRUE(five.pValue);
    EXPECT_EQ(five.method, ChanceMethod::Exact);
    EXPECT_NEAR(*five.pValue, 20 * std::pow(0.05, 5), 1e-15); // all five the same number
    EXPECT_EQ(five.verdict, ChanceVerdict::Significant);

    // Head has 9, 10 and 1 numbers: five draws all head 2 do reach it.
    const ChanceModel head(2, 1, 1);
    const ChanceFigures h
        = chanceFigures({ { 2, 5 }, { 0, 0 }, { 1, 0 } }, std::vector<std::int64_t>(5, 161212001), 1, none, head, 1);
    EXPECT_TRUE(h.pValue);
}
