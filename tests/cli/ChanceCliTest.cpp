// corvinel-cli search and combo beside chance: the JSON summary and chance
// keys recomputed independently from the matched draws the same output lists,
// across a Spring Festival, and the text section with its verdict.
#include "support/AnalysisTestSupport.h"
#include "support/CliRunner.h"
#include "analysis/Distributions.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cmath>
#include <map>

using namespace corvinel;
using namespace corvinel::testing;

namespace {

// Numbers of 1..20 per zodiac value (base 1, by order) in the zodiac years
// 2015 (羊) and 2016 (猴): the signs owning groups 0..7 have two numbers.
const int kIn2015[] = { 0, 2, 2, 2, 2, 2, 2, 2, 2, 1, 1, 1, 1 };
const int kIn2016[] = { 0, 1, 2, 2, 2, 2, 2, 2, 2, 2, 1, 1, 1 };

int zodiacValue(const QString& name)
{
    for (int k = 0; k < 12; ++k)
        if (ZodiacTables::names()[k] == name)
            return k + 1;
    return -1;
}

} // namespace

TEST(ChanceCli, JsonFiguresAgreeWithARecomputationFromTheMatchedDraws)
{
    // Forty draws a day from 6 to 10 February 2016; 2016's festival is on
    // the 8th, so the first three days are zodiac year 2015.
    TestHistory h;
    std::mt19937 rng(21);
    for (std::int64_t day = 160206; day <= 160210; ++day) {
        std::vector<Nums> draws;
        for (int i = 0; i < 40; ++i)
            draws.push_back(randomDraw(rng));
        h.append(draws, day * 1000 + 1);
    }
    QTemporaryDir config;
    const CliRun run = runCli(config.path(), h.dir.path(),
                              { "search", "--kind", "tail", "--positions", "3", "--fixed", "--result-kind", "zodiac",
                                "--group", "--result-pos", "3", "--from", "20160206010", "--format", "json" });
    ASSERT_EQ(run.code, 0) << run.err.toStdString();
    const QJsonObject o = QJsonDocument::fromJson(run.out.toUtf8()).object();
    const QJsonArray matches = o["matches"].toObject()["rows"].toArray();
    const QJsonObject summary = o["summary"].toObject();
    const QJsonObject chance = o["chance"].toObject();
    const int m = static_cast<int>(matches.size());
    ASSERT_GT(m, 10);

    // The summary.
    EXPECT_EQ(summary["matched"].toInt(), m);
    EXPECT_EQ(summary["tallied"].toInt(), 3 * m);
    EXPECT_EQ(summary["from"].toString(), "20160206010");
    EXPECT_EQ(summary["to"].toString(), "20160210040");
    EXPECT_EQ(summary["positions"].toArray(), QJsonArray({ 3 }));
    const HistorySnapshot snap = h.store.snapshot();
    QJsonArray pattern;
    for (int p = 1; p <= 8; ++p)
        pattern.append(snap.last()->value(p, 3));
    EXPECT_EQ(summary["pattern"].toArray(), pattern);
    EXPECT_FALSE(summary.contains("size"));

    // Counts and expectations from the listed draws: positions 1..3 of each,
    // the year from its issue number.
    std::map<int, int> observed;
    std::map<int, double> expected;
    for (const auto& r : matches) {
        const QJsonArray cells = r.toArray();
        const bool before = cells[0].toString().left(8).toInt() <= 20160208;
        for (int p = 1; p <= 3; ++p)
            ++observed[zodiacValue(cells[p].toString())];
        for (int v = 1; v <= 12; ++v)
            expected[v] += 3.0 * (before ? kIn2015[v] : kIn2016[v]) / 20;
    }
    // The range's own rate: every stored draw from the range start on.
    std::map<int, int> inRange;
    int rangeDraws = 0;
    const auto sqqh = h.intColumn("SQQH");
    for (int p = 1; p <= 3; ++p) {
        const auto col = h.intColumn("L" + std::to_string(p) + "B");
        for (std::size_t i = 0; i < col.size(); ++i)
            if (sqqh[i] >= 160206010) {
                ++inRange[static_cast<int>(col[i])];
                rangeDraws += p == 1 ? 1 : 0;
            }
    }
    EXPECT_EQ(chance["model"].toString(), "uniform");
    EXPECT_EQ(chance["tallied"].toInt(), 3 * m);
    const QJsonArray rows = chance["rows"].toArray();
    const QJsonArray ranking = o["ranking"].toObject()["rows"].toArray();
    ASSERT_EQ(rows.size(), 12);
    const double t = 3.0 * m;
    double chi = 0;
    std::vector<double> ps;
    for (int i = 0; i < 12; ++i) {
        const QJsonObject row = rows[i].toObject();
        // In ranking order, with the ranking's 结果 text.
        EXPECT_EQ(row["value"].toString(), ranking[i].toArray()[1].toString());
        const int v = zodiacValue(row["value"].toString());
        const double e = expected[v];
        EXPECT_EQ(row["count"].toInt(), observed[v]);
        EXPECT_NEAR(row["expected"].toDouble(), e, 1e-9);
        EXPECT_NEAR(row["expected_pct"].toDouble(), 100 * e / t, 1e-9);
        EXPECT_NEAR(row["lift"].toDouble(), observed[v] / e, 1e-9);
        EXPECT_NEAR(row["range_pct"].toDouble(), 100.0 * inRange[v] / (3.0 * rangeDraws), 1e-9);
        // Group mode, three positions of a draw drawn without replacement:
        // the interval on the effective size 3m × 19 / 17, the p value from
        // the law of the count summed draw by draw.
        const double n = t * 19 / 17;
        const double share = observed[v] / t;
        const double z = stats::kWilsonZ;
        const double centre = (share + z * z / (2 * n)) / (1 + z * z / n);
        const double half = z * std::sqrt(share * (1 - share) / n + z * z / (4 * n * n)) / (1 + z * z / n);
        EXPECT_NEAR(row["ci_low_pct"].toDouble(), 100 * std::max(0.0, centre - half), 1e-9);
        EXPECT_NEAR(row["ci_high_pct"].toDouble(), 100 * std::min(1.0, centre + half), 1e-9);
        std::vector<double> law { 1.0 };
        for (const auto& r : matches) {
            const bool before = r.toArray()[0].toString().left(8).toInt() <= 20160208;
            const int owned = before ? kIn2015[v] : kIn2016[v];
            std::vector<double> one(4, 0.0); // the value's numbers among three of 20
            for (int a = 0; a < 20; ++a)
                for (int b = a + 1; b < 20; ++b)
                    for (int c = b + 1; c < 20; ++c)
                        one[static_cast<std::size_t>((a < owned) + (b < owned) + (c < owned))] += 1.0 / 1140;
            std::vector<double> next(law.size() + 3, 0.0);
            for (std::size_t i = 0; i < law.size(); ++i)
                for (std::size_t j = 0; j < 4; ++j)
                    next[i + j] += law[i] * one[j];
            law = next;
        }
        double p = 0;
        for (const double x : law)
            p += x <= law[static_cast<std::size_t>(observed[v])] * (1 + 1e-7) ? x : 0.0;
        p = std::min(1.0, p);
        EXPECT_NEAR(row["p_value"].toDouble(), p, 1e-12 + 1e-9 * p);
        ps.push_back(p);
        chi += (observed[v] - e) * (observed[v] - e) / e;
    }
    const std::vector<double> q = stats::benjaminiHochberg(ps);
    for (int i = 0; i < 12; ++i)
        EXPECT_NEAR(rows[i].toObject()["q_value"].toDouble(), q[i], 1e-12 + 1e-9 * q[i]);
    EXPECT_NEAR(chance["chi_square"].toDouble(), chi, 1e-9);
    EXPECT_EQ(chance["df"].toInt(), 11);
    EXPECT_NEAR(chance["chi_square_adjusted"].toDouble(), chi * 19 / 17, 1e-9);
    double smallest = 1e300;
    for (const auto& [v, e] : expected)
        smallest = std::min(smallest, e);
    if (smallest >= 5) {
        EXPECT_EQ(chance["p_method"].toString(), "chi2");
        EXPECT_NEAR(chance["p_value"].toDouble(), stats::chiSquareUpperTail(chi * 19 / 17, 11), 1e-12);
    } else {
        EXPECT_EQ(chance["p_method"].toString(), "monte_carlo");
        EXPECT_GT(chance["p_value"].toDouble(), 0.0);
    }
    EXPECT_EQ(chance["verdict"].toString(),
              chance["p_value"].toDouble() < 0.05 ? "significant" : "not_significant");
}

TEST(ChanceCli, ComboSummaryNullsAndTextSection)
{
    TestHistory h;
    std::mt19937 rng(8);
    std::vector<Nums> draws;
    for (int i = 0; i < 30; ++i)
        draws.push_back(randomDraw(rng));
    h.append(draws);
    QTemporaryDir config;
    // A pattern no draw comes near (six of its eight fixed positions at
    // once): nothing matches, every figure but the range's own base rate is
    // null. (A range holding no draw is refused before any search.)
    const CliRun none = runCli(
        config.path(), h.dir.path(),
        { "combo", "--size", "6", "--fixed", "--pattern", "1,2,3,4,5,6,7,8", "--format", "json" });
    ASSERT_EQ(none.code, 0) << none.err.toStdString();
    const QJsonObject o = QJsonDocument::fromJson(none.out.toUtf8()).object();
    const QJsonObject summary = o["summary"].toObject();
    EXPECT_EQ(summary["matched"].toInt(-1), 0);
    EXPECT_EQ(summary["tallied"].toInt(-1), 0);
    EXPECT_EQ(summary["positions"].toArray(), QJsonArray());
    EXPECT_EQ(summary["size"].toInt(), 6);
    const QJsonObject chance = o["chance"].toObject();
    for (const char* key : { "chi_square", "df", "p_value", "p_method", "chi_square_adjusted", "detectable_lift" })
        EXPECT_TRUE(chance[key].isNull()) << key;
    EXPECT_EQ(chance["verdict"].toString(), "too_few");
    const QJsonArray rows = chance["rows"].toArray();
    ASSERT_EQ(rows.size(), 20);
    for (const auto& r : rows) {
        const QJsonObject row = r.toObject();
        EXPECT_EQ(row["count"].toInt(-1), 0);
        EXPECT_TRUE(row["expected"].isDouble());
        EXPECT_EQ(row["expected"].toDouble(-1), 0.0);
        for (const char* key : { "expected_pct", "lift", "ci_low_pct", "ci_high_pct", "p_value", "q_value" })
            EXPECT_TRUE(row[key].isNull()) << key;
        EXPECT_TRUE(row["range_pct"].isDouble());
    }

    const CliRun text = runCli(config.path(), h.dir.path(), { "search", "--group", "--result-pos", "2" });
    ASSERT_EQ(text.code, 0) << text.err.toStdString();
    const int section = text.out.indexOf("beside chance (uniform model, ");
    ASSERT_GT(section, text.out.indexOf("ranking (base "));
    EXPECT_TRUE(text.out.indexOf("结果  出现次数  随机期望  提升  95%区间", section) > section);
    EXPECT_TRUE(text.out.contains("与随机")) << text.out.toStdString();
    EXPECT_TRUE(text.out.contains("组选模式下同一期的 2 个位置不放回抽取"));
}
