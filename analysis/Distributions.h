#pragma once

#include <cstdint>
#include <vector>

// The distributions behind the chance reference of a ranking. Each function
// matches the figure of the same name in R, the common reference for them.
namespace corvinel::stats {

// C(n, k), exact: the number of ways to choose k of n items (0 when k < 0 or
// k > n). Exact for every result below 2^62 (n up to 62 at any k).
std::int64_t binomial(int n, int k);

// The normal quantile of a two-sided 95 % interval.
inline constexpr double kWilsonZ = 1.959964;

// Natural logarithm of the binomial probability P(X = x), X ~ Bin(n, p),
// accurate to a few units in the last place also for n in the millions
// (saddle point form with Stirling's error terms, as R's dbinom). -infinity
// for an impossible outcome.
double logBinomialPmf(std::int64_t x, std::int64_t n, double p);

// P(X <= x) and P(X >= x) for X ~ Bin(n, p), summed outwards from x. Meant
// for the tail away from the mean, where the terms fall off; valid anywhere.
double binomialLowerTail(std::int64_t x, std::int64_t n, double p);
double binomialUpperTail(std::int64_t x, std::int64_t n, double p);

// Two-sided exact binomial test of x successes in n trials against p: the
// probability of every outcome no more likely than x (relative tolerance
// 1e-7), capped at 1. This is R's binom.test(x, n, p)$p.value.
double binomialTwoSidedP(std::int64_t x, std::int64_t n, double p);

// Wilson score interval of the proportion x / n with the normal quantile z
// (R's prop.test(x, n, correct = FALSE)$conf.int). n must be positive.
struct Interval
{
    double low = 0;
    double high = 0;
};
Interval wilsonInterval(std::int64_t x, std::int64_t n, double z = kWilsonZ);

// Benjamini-Hochberg adjusted p values, in the order of the input
// (R's p.adjust(p, "BH")): n / rank times p, the cumulative minimum taken
// from the largest p down, capped at 1.
std::vector<double> benjaminiHochberg(const std::vector<double>& p);

// Upper tail of the chi-square distribution, P(X > x) with df degrees of
// freedom (R's pchisq(x, df, lower.tail = FALSE)): the regularized upper
// incomplete gamma function Q(df / 2, x / 2).
double chiSquareUpperTail(double x, double df);

// The regularized upper incomplete gamma function Q(a, x), a > 0.
double gammaQ(double a, double x);

} // namespace corvinel::stats

namespace corvinel::stats {

// P(K = k) for K the marked items among `draws` taken without replacement
// from `population` items of which `marked` are marked (R's dhyper).
double hypergeometricPmf(int k, int population, int marked, int draws);

// The distribution of the sum of two independent counts given by their
// probabilities (index = count). Entries below 1e-300 of the largest are
// dropped from the ends (they cannot change a sum of the others).
std::vector<double> convolve(const std::vector<double>& a, const std::vector<double>& b);
// The sum of n independent copies of one count.
std::vector<double> convolutionPower(const std::vector<double>& pmf, std::int64_t n);

// Two-sided p value of the outcome x of a discrete distribution: the
// probability of every outcome no more likely than x (relative tolerance
// 1e-7), capped at 1; binomialTwoSidedP for any distribution.
double twoSidedP(const std::vector<double>& pmf, std::int64_t x);

// P(X > x) for the non-central chi-square distribution with df degrees of
// freedom and non-centrality lambda (R's pchisq(x, df, ncp, lower.tail =
// FALSE)): the Poisson mixture of central tails.
double nonCentralChiSquareUpperTail(double x, double df, double lambda);
// The x with chiSquareUpperTail(x, df) = upper (R's qchisq(upper, df,
// lower.tail = FALSE)), 0 < upper < 1.
double chiSquareUpperQuantile(double upper, double df);

} // namespace corvinel::stats
