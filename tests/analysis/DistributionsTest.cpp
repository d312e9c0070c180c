// The distributions behind the chance reference, against published values,
// values computed independently at high precision, and brute force.
#include "analysis/Distributions.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

using namespace corvinel;

namespace {

// The relative difference of two p values (absolute near 0).
double relDiff(double a, double b)
{
    return std::fabs(a - b) / std::max(std::fabs(b), 1e-300);
}

// R's binom.test by brute force: every outcome's probability in long double
// from log-gamma, and the sum of those no more likely than x (relative 1e-7).
double bruteTwoSided(std::int64_t x, std::int64_t n, long double p)
{
    const auto logPmf = [&](std::int64_t i) {
        return std::lgamma(static_cast<long double>(n) + 1) - std::lgamma(static_cast<long double>(i) + 1)
            - std::lgamma(static_cast<long double>(n - i) + 1) + i * std::log(p) + (n - i) * std::log1p(-p);
    };
    const long double d = std::exp(logPmf(x));
    if (static_cast<long double>(x) == static_cast<long double>(n) * p)
        return 1;
    long double sum = 0;
    for (std::int64_t i = 0; i <= n; ++i) {
        const long double pi = std::exp(logPmf(i));
        if (pi <= d * (1 + 1e-7L))
            sum += pi;
    }
    return static_cast<double>(std::min(sum, 1.0L));
}

} // namespace

TEST(Binomial, TwoSidedMatchesReferenceValues)
{
    // binom.test(682, 925, p = 3/4) is the example of R's own help page,
    // printed there as p-value = 0.3825. All values below were computed with
    // mpmath 1.3.0 at 60 digits, following R's binom.test definition (sum of
    // the probabilities of all outcomes no more likely than x, relative
    // tolerance 1e-7; p given as the same double as here), every
    // probability from the exact recurrence of the binomial terms.
    struct Case
    {
        std::int64_t x, n;
        double p, expected;
    };
    const Case cases[] = {
        { 682, 925, 0.75, 0.38249155957485168 },      { 3, 10, 0.5, 0.34375 }, // 2 * 176 / 1024 exactly
        { 0, 20, 0.1, 0.25452997802490437 },          { 7, 20, 0.1, 0.0023860894089661174 },
        { 170, 400, 0.45, 0.33969348050593766 },      { 25, 160, 0.1, 0.024161772997710927 },
        { 9, 160, 0.1, 0.065030322877472831 },        { 4100, 80000, 0.05, 0.10475706328377291 },
        { 3890, 80000, 0.05, 0.074352874410959742 },  { 41000, 800000, 0.05, 3.1879232556546914e-7 },
        { 40212, 800000, 0.05, 0.27679882868351267 }, { 2, 8, 0.05, 0.057244650273437506 },
    };
    for (const Case& c : cases)
        EXPECT_LT(relDiff(stats::binomialTwoSidedP(c.x, c.n, c.p), c.expected), 1e-9)
            << c.x << " of " << c.n << " at " << c.p << ": " << stats::binomialTwoSidedP(c.x, c.n, c.p);
    // Degenerate p: the outcome is certain.
    EXPECT_EQ(stats::binomialTwoSidedP(0, 50, 0.0), 1.0);
    EXPECT_EQ(stats::binomialTwoSidedP(1, 50, 0.0), 0.0);
    EXPECT_EQ(stats::binomialTwoSidedP(50, 50, 1.0), 1.0);
    // x at the mean: nothing is less likely on either side in R's sense.
    EXPECT_EQ(stats::binomialTwoSidedP(10, 40, 0.25), 1.0);
}

TEST(Binomial, TwoSidedAgreesWithBruteForceSum)
{
    std::mt19937 rng(12);
    const double ps[] = { 0.05, 0.1, 0.15, 0.45, 0.5, 1.0 / 12, 1.0 / 20, 0.2, 0.03 };
    int checked = 0;
    for (int n : { 1, 2, 8, 9, 40, 160, 333, 1000, 2400 }) {
        for (double p : ps) {
            std::uniform_int_distribution<int> pick(0, n);
            for (int k = 0; k < 6; ++k) {
                // Both sides of the mean and near it.
                const int x = k < 4 ? pick(rng) : static_cast<int>(n * p) + (k == 4 ? 1 : 0);
                const double ours = stats::binomialTwoSidedP(x, n, p);
                const double brute = bruteTwoSided(x, n, p);
                if (brute > 1e-250) {
                    EXPECT_LT(relDiff(ours, brute), 1e-9) << x << " of " << n << " at " << p;
                    ++checked;
                }
            }
        }
    }
    EXPECT_GT(checked, 400);
}

TEST(Binomial, TailsAndPmfAgreeWithDirectSums)
{
    for (auto [n, p] : { std::pair<int, double> { 50, 0.3 }, { 800, 0.05 }, { 3000, 0.45 } }) {
        std::vector<long double> pmf(static_cast<std::size_t>(n) + 1);
        for (int x = 0; x <= n; ++x)
            pmf[x] = std::exp(
                std::lgamma(static_cast<long double>(n) + 1) - std::lgamma(static_cast<long double>(x) + 1)
                - std::lgamma(static_cast<long double>(n - x) + 1) + x * std::log(static_cast<long double>(p))
                + (n - x) * std::log1p(-static_cast<long double>(p)));
        // Both tails summed from their own far end, so neither cancels.
        std::vector<long double> lower(pmf.size()), upper(pmf.size());
        long double acc = 0;
        for (int x = 0; x <= n; ++x)
            lower[x] = acc += pmf[x];
        acc = 0;
        for (int x = n; x >= 0; --x)
            upper[x] = acc += pmf[x];
        for (int x = 0; x <= n; ++x) {
            if (pmf[x] > 1e-200L) {
                EXPECT_LT(relDiff(std::exp(stats::logBinomialPmf(x, n, p)), static_cast<double>(pmf[x])), 1e-11);
            }
            if (lower[x] > 1e-200L) {
                EXPECT_LT(relDiff(stats::binomialLowerTail(x, n, p), static_cast<double>(lower[x])), 1e-10)
                    << x << " of " << n;
            }
            if (upper[x] > 1e-200L) {
                EXPECT_LT(relDiff(stats::binomialUpperTail(x, n, p), static_cast<double>(upper[x])), 1e-10)
                    << x << " of " << n;
            }
        }
    }
}

TEST(ChiSquare, UpperTailMatchesReferenceValues)
{
    // pchisq(x, df, lower.tail = FALSE): mpmath 1.3.0 at 60 digits,
    // gammainc(df/2, x/2, inf, regularized=True). 30.14353 and 3.841459 are
    // the 0.05 critical values of 19 and 1 degrees of freedom in the printed
    // tables.
    struct Case
    {
        double x, df, expected;
    };
    const Case cases[] = {
        { 14.2, 19, 0.77190996056563865 },     { 30.14353, 19, 0.049999965529377223 },
        { 3.841459, 1, 0.049999994653195766 }, { 5.0, 11, 0.93116661047069913 },
        { 40.0, 4, 4.3284226071209714e-8 },    { 0.5, 2, 0.77880078307140487 },
        { 100.0, 11, 1.7858382448801679e-16 }, { 7.3, 9, 0.6059162118046403 },
    };
    for (const Case& c : cases)
        EXPECT_LT(relDiff(stats::chiSquareUpperTail(c.x, c.df), c.expected), 1e-10) << c.x << " df " << c.df;
    // Closed forms: two degrees of freedom exp(-x/2), one erfc(sqrt(x/2)).
    for (double x : { 0.01, 0.7, 2.0, 9.5, 31.0, 80.0 }) {
        EXPECT_LT(relDiff(stats::chiSquareUpperTail(x, 2), std::exp(-x / 2)), 1e-12) << x;
        EXPECT_LT(relDiff(stats::chiSquareUpperTail(x, 1), std::erfc(std::sqrt(x / 2))), 1e-11) << x;
    }
    EXPECT_EQ(stats::chiSquareUpperTail(0, 5), 1.0);
}

TEST(Wilson, IntervalMatchesPublishedBoundsAndTheScoreTest)
{
    // Newcombe, Statistics in Medicine 17 (1998) 857-872, table II, score
    // method without continuity correction, four decimals (z = 1.96).
    struct Case
    {
        int x, n;
        double low, high;
    };
    const Case published[] = {
        { 81, 263, 0.2553, 0.3662 }, { 15, 148, 0.0624, 0.1605 }, { 0, 20, 0.0, 0.1611 }, { 1, 29, 0.0061, 0.1718 }
    };
    for (const Case& c : published) {
        const stats::Interval i = stats::wilsonInterval(c.x, c.n);
        EXPECT_NEAR(i.low, c.low, 0.00006) << c.x << "/" << c.n;
        EXPECT_NEAR(i.high, c.high, 0.00006) << c.x << "/" << c.n;
    }
    // The interval is the set of proportions p that the score test does not
    // reject: |x/n - p| <= z sqrt(p (1 - p) / n). Its ends by bisection.
    for (const auto& xn : { std::pair<int, int> { 3, 8 }, { 0, 5 }, { 5, 5 }, { 412, 8000 }, { 40212, 800000 } }) {
        const int x = xn.first;
        const int n = xn.second;
        const double phat = static_cast<double>(x) / n;
        const auto inside
            = [&](double p) { return std::fabs(phat - p) <= stats::kWilsonZ * std::sqrt(p * (1 - p) / n); };
        const auto edge = [&](double in, double out) {
            for (int k = 0; k < 200; ++k) {
                const double mid = (in + out) / 2;
                (inside(mid) ? in : out) = mid;
            }
            return in;
        };
        const stats::Interval i = stats::wilsonInterval(x, n);
        EXPECT_NEAR(i.low, x == 0 ? 0.0 : edge(phat, 0), 1e-12) << x << "/" << n;
        EXPECT_NEAR(i.high, x == n ? 1.0 : edge(phat, 1), 1e-12) << x << "/" << n;
    }
}

TEST(BenjaminiHochberg, MatchesHandWorkedValuesAndTheMinimumDefinition)
{
    // Worked by hand: sorted 0.01, 0.03, 0.04, 0.20 give 4p/rank 0.04, 0.06,
    // 0.0533, 0.20; the minimum from the top makes 0.06 into 0.0533.
    const std::vector<double> q = stats::benjaminiHochberg({ 0.04, 0.20, 0.01, 0.03 });
    ASSERT_EQ(q.size(), 4u);
    EXPECT_DOUBLE_EQ(q[0], 4 * 0.04 / 3);
    EXPECT_DOUBLE_EQ(q[1], 0.20);
    EXPECT_DOUBLE_EQ(q[2], 0.04);
    EXPECT_DOUBLE_EQ(q[3], 4 * 0.04 / 3);
    // p.adjust(c(0.01, 0.02, 0.03, 0.04, 0.05), "BH") is 0.05 five times.
    for (double v : stats::benjaminiHochberg({ 0.01, 0.02, 0.03, 0.04, 0.05 }))
        EXPECT_DOUBLE_EQ(v, 0.05);
    // The fifteen p values of Benjamini and Hochberg (1995), in a shuffled
    // order, against the definition q_i = min over p_j >= p_i of
    // min(1, m p_j / rank_j), computed without sorting.
    std::vector<double> p = { 0.0298, 0.0001, 0.3240, 0.0004, 0.0019, 0.6528, 0.0095, 0.0201,
                              0.7590, 0.0278, 0.0344, 1.0,    0.0459, 0.4262, 0.5719 };
    const std::vector<double> got = stats::benjaminiHochberg(p);
    const std::size_t m = p.size();
    for (std::size_t i = 0; i < m; ++i) {
        double best = 1;
        for (std::size_t j = 0; j < m; ++j) {
            if (p[j] < p[i])
                continue;
            std::size_t rank = 0; // ascending rank of p_j
            for (double v : p)
                rank += v <= p[j] ? 1 : 0;
            best = std::min(best, static_cast<double>(m) * p[j] / static_cast<double>(rank));
        }
        EXPECT_NEAR(got[i], best, 1e-15) << i;
    }
    // In the paper four hypotheses are rejected at 0.05: 0.0001 .. 0.0095.
    int rejected = 0;
    for (double v : got)
        rejected += v <= 0.05 ? 1 : 0;
    EXPECT_EQ(rejected, 4);
    EXPECT_TRUE(stats::benjaminiHochberg({}).empty());
}
