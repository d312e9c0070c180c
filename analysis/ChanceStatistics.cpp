#include "analysis/ChanceStatistics.h"

#include "analysis/Distributions.h"
#include "analysis/SearchEngine.h"

#include <QCoreApplication>

#include <algorithm>
#include <cmath>
#include <map>
#include <numeric>
#include <random>
#include <utility>

namespace corvinel {

namespace {

// Matched draws per zodiac year, in one pass; the draws of one day share a
// year, so a run of them costs one look-up.
std::vector<std::pair<int, std::int64_t>> drawsPerYear(const std::vector<std::int64_t>& issues)
{
    std::vector<std::pair<int, std::int64_t>> out;
    std::int64_t lastDay = -1;
    std::size_t slot = 0;
    for (const std::int64_t sqqh : issues) {
        // Above seven digits the last two are the day's sequence only.
        const std::int64_t day = sqqh >= 10000000 ? sqqh / 100 : -2;
        if (day != lastDay || day < 0 || out.empty()) {
            const int year = ChanceModel::drawYear(sqqh);
            if (out.empty() || out[slot].first != year) {
                slot = out.size();
                for (std::size_t i = 0; i < out.size(); ++i)
                    if (out[i].first == year)
                        slot = i;
                if (slot == out.size())
                    out.emplace_back(year, 0);
            }
            lastDay = day;
        }
        ++out[slot].second;
    }
    return out;
}

} // namespace

namespace {

// The matched draws of one zodiac year (all of them for the other kinds):
// how many, how many of the numbers 1..20 have each value, and the value of
// each number.
struct YearDraws
{
    std::int64_t draws = 0;
    ChanceModel::Counts counts {};
    std::array<int, 21> valueOfNumber {};
};

std::vector<YearDraws> yearDraws(const std::vector<std::int64_t>& issues, const ChanceModel& model)
{
    std::vector<YearDraws> out;
    auto add = [&](int year, std::int64_t draws) {
        YearDraws y;
        y.draws = draws;
        y.counts = model.counts(year);
        for (int n = 1; n <= ChanceModel::kNumbers; ++n)
            y.valueOfNumber[static_cast<std::size_t>(n)] = model.valueOf(n, year);
        out.push_back(y);
    };
    if (model.dependsOnYear()) {
        for (const auto& [year, draws] : drawsPerYear(issues))
            add(year, draws);
    } else if (!issues.empty()) {
        add(0, static_cast<std::int64_t>(issues.size()));
    }
    return out;
}

int countOf(const ChanceModel::Counts& c, int value)
{
    return value >= 0 && value < static_cast<int>(c.size()) ? c[static_cast<std::size_t>(value)] : 0;
}

// Beyond this many possible counts a value's group-mode distribution is not
// convolved: its count is then the sum of hundreds of draws, and the normal
// law with the exact mean and variance stands in for it.
constexpr std::int64_t kExactSupport = 8000;

// A value's count in group mode: in each matched draw the number of its
// numbers among the P positions (hypergeometric), summed over the draws.
class GroupCounts
{
public:
    GroupCounts(const std::vector<YearDraws>& years, int positions)
        : m_years(years)
        , m_positions(positions)
    {
    }

    std::int64_t maximum(int value) const
    {
        std::int64_t m = 0;
        for (const YearDraws& y : m_years)
            m += y.draws * std::min(countOf(y.counts, value), m_positions);
        return m;
    }

    double twoSidedP(int value, std::int64_t count)
    {
        bool single = true; // one number per value in every year: a binomial
        for (const YearDraws& y : m_years)
            single = single && countOf(y.counts, value) == 1;
        std::int64_t draws = 0;
        for (const YearDraws& y : m_years)
            draws += y.draws;
        if (single)
            return stats::binomialTwoSidedP(count, draws, static_cast<double>(m_positions) / ChanceModel::kNumbers);
        if (maximum(value) > kExactSupport)
            return normalP(value, count);
        const std::vector<double>& pmf = distribution(value);
        return stats::twoSidedP(pmf, count);
    }

private:
    const std::vector<double>& distribution(int value)
    {
        std::vector<std::pair<int, std::int64_t>> key;
        for (const YearDraws& y : m_years)
            key.emplace_back(countOf(y.counts, value), y.draws);
        auto [it, fresh] = m_cache.try_emplace(key);
        if (fresh) {
            std::vector<double> total { 1.0 };
            for (const auto& [c, draws] : key) {
                std::vector<double> one;
                for (int k = 0; k <= std::min(c, m_positions); ++k)
                    one.push_back(stats::hypergeometricPmf(k, ChanceModel::kNumbers, c, m_positions));
                total = stats::convolve(total, stats::convolutionPower(one, draws));
            }
            it->second = std::move(total);
        }
        return it->second;
    }

    double normalP(int value, std::int64_t count) const
    {
        double mean = 0;
        double variance = 0;
        for (const YearDraws& y : m_years) {
            const double q = countOf(y.counts, value) / double(ChanceModel::kNumbers);
            const auto n = static_cast<double>(y.draws);
            mean += n * m_positions * q;
            variance += n * m_positions * q * (1 - q) * (ChanceModel::kNumbers - m_positions)
                / (ChanceModel::kNumbers - 1.0);
        }
        const double gap = std::fabs(static_cast<double>(count) - mean) - 0.5;
        if (gap <= 0 || variance <= 0)
            return 1;
        return std::min(1.0, std::erfc(gap / std::sqrt(2 * variance)));
    }

    const std::vector<YearDraws>& m_years;
    int m_positions;
    std::map<std::vector<std::pair<int, std::int64_t>>, std::vector<double>> m_cache;
};

// The Pearson statistic of counts against expectations.
double pearson(const std::vector<std::int64_t>& observed, const std::vector<double>& expected)
{
    double chi = 0;
    for (std::size_t i = 0; i < observed.size(); ++i) {
        const double d = static_cast<double>(observed[i]) - expected[i];
        chi += d * d / expected[i];
    }
    return chi;
}

// Direct mode with one set of probabilities c_v / 20 (one zodiac year): the
// counts are multinomial, and the statistic is (20 / (T L)) S - T with S =
// sum of (L / c_v) O_v² a whole number (L the least common multiple of the
// c_v). Its exact law by a pass over the values, each state the tallied
// values so far and S. Empty when the states would be too many.
std::optional<double> exactDirectP(const std::vector<int>& c, const std::vector<std::int64_t>& observed,
                                   std::int64_t tallied)
{
    std::int64_t lcm = 1;
    for (const int v : c)
        lcm = std::lcm(lcm, static_cast<std::int64_t>(v));
    std::int64_t maxWeight = 0;
    std::int64_t sObserved = 0;
    for (std::size_t i = 0; i < c.size(); ++i) {
        maxWeight = std::max(maxWeight, lcm / c[i]);
        sObserved += lcm / c[i] * observed[i] * observed[i];
    }
    const std::int64_t t = tallied;
    const std::int64_t sMax = maxWeight * t * t;
    // The work of the pass: values x states x counts per state.
    const double work = static_cast<double>(c.size()) * static_cast<double>(t + 1) * static_cast<double>(sMax + 1)
        * static_cast<double>(t + 1) / 6;
    if (t > 200 || work > 3e6)
        return std::nullopt;
    const auto width = static_cast<std::size_t>(sMax + 1);
    // weight[n * width + s]: the sum over the ways to tally n values so far
    // with statistic s of the product of q^o / o!.
    std::vector<double> weight(static_cast<std::size_t>(t + 1) * width, 0.0);
    weight[0] = 1;
    std::vector<double> term(static_cast<std::size_t>(t + 1));
    for (std::size_t i = 0; i < c.size(); ++i) {
        const double q = c[i] / double(ChanceModel::kNumbers);
        term[0] = 1;
        for (std::int64_t o = 1; o <= t; ++o)
            term[static_cast<std::size_t>(o)] = term[static_cast<std::size_t>(o - 1)] * q / static_cast<double>(o);
        const std::int64_t w = lcm / c[i];
        std::vector<double> next(weight.size(), 0.0);
        for (std::int64_t n = 0; n <= t; ++n) {
            // n tallied values reach at most maxWeight n².
            const std::int64_t reach = std::min(sMax, maxWeight * n * n);
            for (std::int64_t s = 0; s <= reach; ++s) {
                const double here = weight[static_cast<std::size_t>(n) * width + static_cast<std::size_t>(s)];
                if (here == 0)
                    continue;
                // The last value takes what is left.
                const std::int64_t from = i + 1 == c.size() ? t - n : 0;
                for (std::int64_t o = from; o <= t - n; ++o) {
                    const std::int64_t s2 = s + w * o * o;
                    if (s2 > sMax)
                        break;
                    next[static_cast<std::size_t>(n + o) * width + static_cast<std::size_t>(s2)]
                        += here * term[static_cast<std::size_t>(o)];
                }
            }
        }
        weight = std::move(next);
    }
    double factorial = 1;
    for (std::int64_t k = 2; k <= t; ++k)
        factorial *= static_cast<double>(k);
    double p = 0;
    for (std::int64_t s = sObserved; s <= sMax; ++s)
        p += weight[static_cast<std::size_t>(t) * width + static_cast<std::size_t>(s)];
    return std::min(1.0, p * factorial);
}

// The Monte Carlo p value: rankings simulated from random draws exactly as
// the search counts them (one position, or the first P positions of a draw
// in random order), with a fixed seed so that a run repeats.
double monteCarloP(double observedChi, const std::vector<int>& values, const std::vector<double>& expected,
                   const std::vector<YearDraws>& years, int positions, bool groupDraws)
{
    std::mt19937_64 rng(20261209);
    const auto below = [&rng](std::uint64_t n) { return static_cast<int>(((rng() >> 32) * n) >> 32); };
    std::array<int, 21> slot {}; // value -> index in `values`, or -1
    slot.fill(-1);
    for (std::size_t i = 0; i < values.size(); ++i)
        if (values[i] >= 0 && values[i] <= 20)
            slot[static_cast<std::size_t>(values[i])] = static_cast<int>(i);
    std::array<int, 20> numbers {};
    std::iota(numbers.begin(), numbers.end(), 1);
    std::vector<std::int64_t> counts(values.size());
    const double bound = observedChi - 1e-9 * (1 + observedChi);
    int atLeast = 0;
    for (int run = 0; run < ChanceFigures::kMonteCarloRuns; ++run) {
        std::fill(counts.begin(), counts.end(), 0);
        for (const YearDraws& y : years) {
            for (std::int64_t d = 0; d < y.draws; ++d) {
                if (groupDraws) {
                    for (int i = 0; i < positions; ++i) {
                        const int pick = i + below(static_cast<std::uint64_t>(20 - i));
                        std::swap(numbers[static_cast<std::size_t>(i)], numbers[static_cast<std::size_t>(pick)]);
                        const int s = slot[static_cast<std::size_t>(
                            y.valueOfNumber[static_cast<std::size_t>(numbers[static_cast<std::size_t>(i)])])];
                        if (s >= 0)
                            ++counts[static_cast<std::size_t>(s)];
                    }
                } else {
                    const int number = 1 + below(20);
                    const int s = slot[static_cast<std::size_t>(y.valueOfNumber[static_cast<std::size_t>(number)])];
                    if (s >= 0)
                        ++counts[static_cast<std::size_t>(s)];
                }
            }
        }
        if (pearson(counts, expected) >= bound)
            ++atLeast;
    }
    return (1.0 + atLeast) / (ChanceFigures::kMonteCarloRuns + 1.0);
}

// The lift of one value with the chance rate q (the others scaled down alike)
// that the chi-square test at 0.05 finds half the time in `effective`
// tallied values: the non-centrality lambda = effective (L - 1)² q / (1 - q)
// at which the test's power is one half.
std::optional<double> liftFoundHalfTheTime(int df, double q, double effective)
{
    if (df < 1 || effective <= 0 || q <= 0 || q >= 1)
        return std::nullopt;
    const double critical = stats::chiSquareUpperQuantile(0.05, df);
    double lo = 0;
    double hi = 1;
    while (stats::nonCentralChiSquareUpperTail(critical, df, hi) < 0.5)
        hi *= 2;
    for (int i = 0; i < 60; ++i) {
        const double mid = (lo + hi) / 2;
        (stats::nonCentralChiSquareUpperTail(critical, df, mid) < 0.5 ? lo : hi) = mid;
    }
    const double lift = 1 + std::sqrt(hi * (1 - q) / (q * effective));
    if (lift * q >= 1)
        return std::nullopt;
    return lift;
}

} // namespace

ChanceFigures chanceFigures(const std::vector<TallyEntry>& ranking, const std::vector<std::int64_t>& matchedIssues,
                            int tallyPositions, const RangeTally& range, const ChanceModel& model, int zodiacBase,
                            bool group)
{
    ChanceFigures f;
    f.group = group;
    f.matched = static_cast<std::int64_t>(matchedIssues.size());
    f.tallyPositions = tallyPositions;
    f.tallied = static_cast<std::int64_t>(tallyPositions) * f.matched;
    // The positions of one draw drawn without replacement; one position is a
    // single draw in either mode.
    const bool groupDraws = group && tallyPositions > 1;

    const std::vector<YearDraws> years = yearDraws(matchedIssues, model);
    // 20 times the expected count per tally position, summed over the draws:
    // whole numbers, so E is exact up to the one division.
    std::array<std::int64_t, 21> twentieths {};
    for (const YearDraws& y : years)
        for (std::size_t v = 0; v < y.counts.size(); ++v)
            twentieths[v] += y.draws * y.counts[v];
    GroupCounts groupCounts(years, tallyPositions);

    const bool any = f.tallied > 0;
    std::vector<double> testedP;
    std::vector<std::size_t> testedRows;
    std::vector<int> testedValues;
    std::vector<std::int64_t> testedCounts;
    std::vector<double> testedExpected;
    bool couldReject = false;
    const double design = groupDraws ? (ChanceModel::kNumbers - 1.0) / (ChanceModel::kNumbers - tallyPositions) : 1.0;
    f.rows.reserve(ranking.size());
    for (const TallyEntry& e : ranking) {
        ChanceRow row;
        row.value = e.value;
        row.text = FollowTally::resultText(e.value, model.kind(), zodiacBase);
        row.count = e.count;
        const std::int64_t w = e.value >= 0 && e.value <= 20 ? twentieths[e.value] : 0;
        row.expected = static_cast<double>(tallyPositions) * static_cast<double>(w) / ChanceModel::kNumbers;
        if (range.tallied > 0)
            row.rangePct = 100.0 * static_cast<double>(range.count(e.value)) / static_cast<double>(range.tallied);
        if (any) {
            const double t = static_cast<double>(f.tallied);
            row.expectedPct = 100.0 * row.expected / t;
            if (row.expected > 0)
                row.lift = static_cast<double>(row.count) / row.expected;
            if (!groupDraws) {
                const stats::Interval ci = stats::wilsonInterval(row.count, f.tallied);
                row.ciLowPct = 100.0 * ci.low;
                row.ciHighPct = 100.0 * ci.high;
                const double q = row.expected / t;
                row.pValue = stats::binomialTwoSidedP(row.count, f.tallied, q);
                if (row.expected > 0)
                    couldReject = couldReject || stats::binomialTwoSidedP(0, f.tallied, q) < 0.05
                        || stats::binomialTwoSidedP(f.tallied, f.tallied, q) < 0.05;
            } else {
                // The Wilson interval on the effective size: the same share of
                // a sample `design` times as large.
                const double n = t * design;
                const double phat = static_cast<double>(row.count) / t;
                const double z = stats::kWilsonZ;
                const double z22n = z * z / (2 * n);
                const double spread = z * std::sqrt(phat * (1 - phat) / n + z22n / (2 * n));
                const double denom = 1 + 2 * z22n;
                row.ciLowPct = row.count <= 0 ? 0.0 : 100.0 * std::max(0.0, (phat + z22n - spread) / denom);
                row.ciHighPct = row.count >= f.tallied ? 100.0 : 100.0 * std::min(1.0, (phat + z22n + spread) / denom);
                row.pValue = groupCounts.twoSidedP(e.value, row.count);
                if (row.expected > 0)
                    couldReject = couldReject || groupCounts.twoSidedP(e.value, 0) < 0.05
                        || groupCounts.twoSidedP(e.value, groupCounts.maximum(e.value)) < 0.05;
            }
            if (row.expected > 0) {
                testedP.push_back(*row.pValue);
                testedRows.push_back(f.rows.size());
                testedValues.push_back(e.value);
                testedCounts.push_back(row.count);
                testedExpected.push_back(row.expected);
            }
        }
        f.rows.push_back(std::move(row));
    }
    if (!any)
        return f;
    const std::vector<double> q = stats::benjaminiHochberg(testedP);
    for (std::size_t i = 0; i < q.size(); ++i)
        f.rows[testedRows[i]].qValue = q[i];
    const double chi = pearson(testedCounts, testedExpected);
    f.chiSquare = chi;
    if (testedRows.size() < 2)
        return f;
    f.df = static_cast<int>(testedRows.size()) - 1;
    if (groupDraws)
        f.chiSquareAdjusted = chi * (ChanceModel::kNumbers - 1.0) / (ChanceModel::kNumbers - tallyPositions);
    if (f.matched < ChanceFigures::kMinimumMatched || !couldReject)
        return f;

    const bool small = std::any_of(testedExpected.begin(), testedExpected.end(), [](double e) { return e < 5; });
    if (!small) {
        f.method = ChanceMethod::ChiSquare;
        f.pValue = stats::chiSquareUpperTail(groupDraws ? *f.chiSquareAdjusted : chi, *f.df);
    } else {
        std::optional<double> exact;
        if (!groupDraws && years.size() == 1) {
            std::vector<int> c;
            c.reserve(testedValues.size());
            for (const int v : testedValues)
                c.push_back(countOf(years.front().counts, v));
            exact = exactDirectP(c, testedCounts, f.tallied);
        }
        if (exact) {
            f.method = ChanceMethod::Exact;
            f.pValue = exact;
        } else {
            f.method = ChanceMethod::MonteCarlo;
            f.pValue = monteCarloP(chi, testedValues, testedExpected, years, tallyPositions, groupDraws);
        }
    }
    f.verdict = *f.pValue < 0.05 ? ChanceVerdict::Significant : ChanceVerdict::NotSignificant;
    f.detectableLift = liftFoundHalfTheTime(*f.df, 1.0 / static_cast<double>(testedRows.size()),
                                            static_cast<double>(f.tallied) * design);
    return f;
}

ChanceFigures chanceFigures(const SearchResult& result, const SearchOptions& options)
{
    return chanceFigures(result.rankingOrder, result.matchedIssues, result.tallyPositions, result.range,
                         ChanceModel::forResult(options), options.zodiacBase, options.group);
}

QString formatPValue(double p)
{
    if (p < 0.001)
        return QStringLiteral("<0.001");
    int decimals = p >= 0.1 ? 2 : 3;
    QString s = QString::number(p, 'f', decimals);
    // A p below 0.05 never reads as 0.050.
    while (p < 0.05 && s.toDouble() >= 0.05 && decimals < 6)
        s = QString::number(p, 'f', ++decimals);
    return s;
}

namespace {

QString pText(const QString& name, double p)
{
    const QString s = formatPValue(p);
    return name + (s.startsWith(QLatin1Char('<')) ? s : QLatin1Char('=') + s);
}

} // namespace

QString chanceVerdict(const ChanceFigures& f)
{
    if (f.tallied <= 0)
        return QCoreApplication::translate("corvinel::ChanceStatistics", "没有匹配的开奖，无法与随机比较");
    QString s;
    if (!f.df) {
        s = QCoreApplication::translate("corvinel::ChanceStatistics", "可与随机比较的结果不足两个，不做整体检验");
    } else if (!f.pValue) {
        s = QCoreApplication::translate("corvinel::ChanceStatistics", "样本太少，无法判断");
    } else {
        QString pName = QStringLiteral("p");
        if (f.method == ChanceMethod::Exact)
            pName = QCoreApplication::translate("corvinel::ChanceStatistics", "精确 p");
        else if (f.method == ChanceMethod::MonteCarlo)
            pName = QCoreApplication::translate("corvinel::ChanceStatistics", "蒙特卡罗 p");
        const QString test
            = QCoreApplication::translate("corvinel::ChanceStatistics", "χ²=%1，自由度 %2，%3")
                  .arg(QString::number(f.chiSquareAdjusted ? *f.chiSquareAdjusted : *f.chiSquare, 'f', 1))
                  .arg(*f.df)
                  .arg(pText(pName, *f.pValue));
        if (*f.pValue < 0.05) {
            s = QCoreApplication::translate("corvinel::ChanceStatistics",
                                            "与随机有显著差异（%1），但随机数据中每 20 次检索约有 1 次如此")
                    .arg(test);
        } else {
            s = QCoreApplication::translate("corvinel::ChanceStatistics", "未发现与随机不同（样本 %1 期；%2）")
                    .arg(f.matched)
                    .arg(test);
            if (f.detectableLift)
                s += QCoreApplication::translate(
                         "corvinel::ChanceStatistics",
                         "：某个结果的出现率要达到随机的 %1 倍，此样本量下的检验才有一半把握发现")
                         .arg(QString::number(*f.detectableLift, 'f', 1));
            else
                s += QCoreApplication::translate("corvinel::ChanceStatistics",
                                                 "：此样本量下，单个结果再偏离也难以发现");
        }
    }
    const ChanceRow* smallest = nullptr;
    for (const ChanceRow& r : f.rows)
        if (r.qValue && (!smallest || *r.qValue < *smallest->qValue))
            smallest = &r;
    if (smallest && *smallest->qValue < 0.05)
        s += QCoreApplication::translate("corvinel::ChanceStatistics", "；q 值最小的是 %1（%2）")
                 .arg(smallest->text, pText(QStringLiteral("q"), *smallest->qValue));
    return s;
}

QString searchCountNote(int searches)
{
    if (searches <= 1)
        return {};
    return QCoreApplication::translate("corvinel::ChanceStatistics",
                                       "本次已检索 %1 次，纯随机时其中约 %2 次也会显示显著差异")
        .arg(searches)
        .arg(QString::number(searches * 0.05, 'f', searches * 0.05 >= 10 ? 0 : 1));
}

QString chanceMethodKey(ChanceMethod m)
{
    switch (m) {
    case ChanceMethod::Exact:
        return QStringLiteral("exact");
    case ChanceMethod::MonteCarlo:
        return QStringLiteral("monte_carlo");
    default:
        return QStringLiteral("chi2");
    }
}

QString chanceVerdictKey(ChanceVerdict v)
{
    switch (v) {
    case ChanceVerdict::Significant:
        return QStringLiteral("significant");
    case ChanceVerdict::NotSignificant:
        return QStringLiteral("not_significant");
    default:
        return QStringLiteral("too_few");
    }
}

namespace {

QString orEmpty(const std::optional<double>& v, int decimals)
{
    return v ? QString::number(*v, 'f', decimals) : QString();
}

// p and q in the grid: three significant digits, small ones in exponent form.
QString probabilityText(const std::optional<double>& v)
{
    return v ? QString::number(*v, 'g', 3) : QString();
}

QString intervalText(const ChanceRow& row)
{
    if (!row.ciLowPct || !row.ciHighPct)
        return {};
    return QStringLiteral("%1%–%2%").arg(QString::number(*row.ciLowPct, 'f', 2),
                                         QString::number(*row.ciHighPct, 'f', 2));
}

} // namespace

ResultTable chanceTable(const ChanceFigures& f)
{
    ResultTable t;
    t.header << QStringLiteral("结果") << QStringLiteral("出现次数") << QStringLiteral("随机期望")
             << QStringLiteral("提升") << QStringLiteral("95%区间") << QStringLiteral("p值") << QStringLiteral("q值");
    t.widthsTwips = { 680, 800, 880, 640, 1500, 800, 800 };
    for (const ChanceRow& row : f.rows) {
        t.cells.push_back(row.text);
        t.cells.push_back(QString::number(row.count));
        t.cells.push_back(QString::number(row.expected, 'f', 2));
        t.cells.push_back(orEmpty(row.lift, 2));
        t.cells.push_back(intervalText(row));
        t.cells.push_back(probabilityText(row.pValue));
        t.cells.push_back(probabilityText(row.qValue));
    }
    return t;
}

QString chanceTip(const ChanceRow& row)
{
    QString s
        = QStringLiteral("%1：出现 %2 次，随机期望 %3 次").arg(row.text).arg(row.count).arg(row.expected, 0, 'f', 2);
    if (row.expectedPct)
        s += QStringLiteral("（%1%）").arg(*row.expectedPct, 0, 'f', 2);
    s += QStringLiteral("\n提升 %1").arg(row.lift ? QString::number(*row.lift, 'f', 2) : QStringLiteral("—"));
    if (row.ciLowPct)
        s += QStringLiteral("\n95% 区间 %1").arg(intervalText(row));
    if (row.pValue)
        s += QStringLiteral("\n%1").arg(pText(QStringLiteral("p"), *row.pValue));
    if (row.qValue)
        s += QStringLiteral("，%1").arg(pText(QStringLiteral("q"), *row.qValue));
    return s;
}

QString chanceExplanation(const ChanceFigures& f)
{
    QString s = QStringLiteral(
        "随机期望：每期八个号码从 01～20 中不重复随机抽取，每个位置上的号码在 01～20 中等可能"
        "（生肖按每期所在的生肖年份计算）。p 值为精确二项检验（双侧），q 值为 Benjamini–Hochberg 校正，"
        "整体为卡方检验，显著性水平 0.05；有随机期望小于 5 次的结果时，整体 p 值改为精确计算"
        "或蒙特卡罗模拟（%1 次，固定种子）。匹配不足 %2 期、或任何结果再极端也达不到显著时不作判断。"
        "未发现差异不等于证明了随机：样本少时检验只能发现很大的偏离。开奖是随机的，排名不预示下一期。")
                    .arg(ChanceFigures::kMonteCarloRuns)
                    .arg(ChanceFigures::kMinimumMatched);
    if (f.group && f.tallyPositions > 1)
        s += QStringLiteral("组选模式下同一期的 %1 个位置不放回抽取：单个结果的 p 值按逐期超几何分布的卷积计算，"
                            "区间按有效样本量计算，整体卡方统计量乘以 19/(20−%1)。")
                 .arg(f.tallyPositions);
    return s;
}

} // namespace corvinel
