#include "analysis/Distributions.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

namespace corvinel::stats {

namespace {

constexpr double kLn2Pi = 1.837877066409345483560659472811; // log(2 pi)
constexpr double kInf = std::numeric_limits<double>::infinity();

// Stirling's error log(n!) - log(sqrt(2 pi n) (n / e)^n) for whole n. Below
// 16 it comes from log-gamma in extended precision (no cancellation worth
// the name there); above, from its asymptotic series.
double stirlingError(std::int64_t n)
{
    if (n <= 15) {
        if (n == 0)
            return 0;
        const long double v = static_cast<long double>(n);
        return static_cast<double>(std::lgamma(v + 1) - (v + 0.5L) * std::log(v) + v - 0.5L * kLn2Pi);
    }
    constexpr double s0 = 1.0 / 12, s1 = 1.0 / 360, s2 = 1.0 / 1260, s3 = 1.0 / 1680, s4 = 1.0 / 1188;
    const double v = static_cast<double>(n);
    const double vv = v * v;
    if (n > 500)
        return (s0 - s1 / vv) / v;
    if (n > 80)
        return (s0 - (s1 - s2 / vv) / vv) / v;
    if (n > 35)
        return (s0 - (s1 - (s2 - s3 / vv) / vv) / vv) / v;
    return (s0 - (s1 - (s2 - (s3 - s4 / vv) / vv) / vv) / vv) / v;
}

// Deviance term x log(x / np) + np - x, by its series where x is close to np
// (where the plain formula cancels).
double devianceTerm(double x, double np)
{
    if (std::fabs(x - np) < 0.1 * (x + np)) {
        double v = (x - np) / (x + np);
        double s = (x - np) * v;
        if (std::fabs(s) < std::numeric_limits<double>::min())
            return s;
        double ej = 2 * x * v;
        v *= v;
        for (int j = 1; j < 1000; ++j) {
            ej *= v;
            const double s1 = s + ej / (2 * j + 1);
            if (s1 == s)
                return s1;
            s = s1;
        }
    }
    return x * std::log(x / np) + np - x;
}

// Sum of the probabilities from x outwards (downwards when `down`), relative
// to P(X = x): the ratio of neighbouring terms is cheap, and on the side away
// from the mean every ratio is below 1, so the sum ends once a term no longer
// counts.
double relativeTailSum(std::int64_t x, std::int64_t n, double p, bool down)
{
    const double odds = (1 - p) / p; // q / p
    double term = 1;
    double sum = 1;
    if (down) {
        for (std::int64_t i = x; i >= 1; --i) {
            term *= static_cast<double>(i) / static_cast<double>(n - i + 1) * odds;
            sum += term;
            if (term < sum * 1e-17)
                break;
        }
    } else {
        for (std::int64_t i = x; i < n; ++i) {
            term *= static_cast<double>(n - i) / static_cast<double>(i + 1) / odds;
            sum += term;
            if (term < sum * 1e-17)
                break;
        }
    }
    return sum;
}

} // namespace

std::int64_t binomial(int n, int k)
{
    if (k < 0 || k > n)
        return 0;
    k = std::min(k, n - k);
    // r is C(n - k + i, i) after step i, so each division is exact.
    std::int64_t r = 1;
    for (int i = 1; i <= k; ++i)
        r = r * (n - k + i) / i;
    return r;
}

double logBinomialPmf(std::int64_t x, std::int64_t n, double p)
{
    if (x < 0 || x > n)
        return -kInf;
    const double q = 1 - p;
    if (p == 0)
        return x == 0 ? 0 : -kInf;
    if (q == 0)
        return x == n ? 0 : -kInf;
    const double nn = static_cast<double>(n);
    if (x == 0) {
        if (n == 0)
            return 0;
        return p < 0.1 ? -devianceTerm(nn, nn * q) - nn * p : nn * std::log(q);
    }
    if (x == n)
        return q < 0.1 ? -devianceTerm(nn, nn * p) - nn * q : nn * std::log(p);
    const double xx = static_cast<double>(x);
    const double lc = stirlingError(n) - stirlingError(x) - stirlingError(n - x) - devianceTerm(xx, nn * p)
        - devianceTerm(nn - xx, nn * q);
    const double lf = kLn2Pi + std::log(xx) + std::log1p(-xx / nn);
    return lc - 0.5 * lf;
}

double binomialLowerTail(std::int64_t x, std::int64_t n, double p)
{
    if (x < 0)
        return 0;
    if (x >= n)
        return 1;
    if (p <= 0)
        return 1;
    if (p >= 1)
        return 0;
    if (static_cast<double>(x) >= static_cast<double>(n) * p)
        return 1 - binomialUpperTail(x + 1, n, p);
    return std::exp(logBinomialPmf(x, n, p) + std::log(relativeTailSum(x, n, p, true)));
}

double binomialUpperTail(std::int64_t x, std::int64_t n, double p)
{
    if (x <= 0)
        return 1;
    if (x > n)
        return 0;
    if (p <= 0)
        return 0;
    if (p >= 1)
        return 1;
    if (static_cast<double>(x) <= static_cast<double>(n) * p)
        return 1 - binomialLowerTail(x - 1, n, p);
    return std::exp(logBinomialPmf(x, n, p) + std::log(relativeTailSum(x, n, p, false)));
}

double binomialTwoSidedP(std::int64_t x, std::int64_t n, double p)
{
    if (p <= 0)
        return x == 0 ? 1 : 0;
    if (p >= 1)
        return x == n ? 1 : 0;
    // Outcomes within a relative 1e-7 of P(X = x) count as equally likely,
    // so that rounding does not split ties (a symmetric p, for one).
    const double bound = logBinomialPmf(x, n, p) + std::log1p(1e-7);
    const double m = static_cast<double>(n) * p;
    const auto notMoreLikely = [&](std::int64_t i) { return logBinomialPmf(i, n, p) <= bound; };
    double total = 0;
    if (static_cast<double>(x) == m)
        return 1;
    if (static_cast<double>(x) < m) {
        // Above the mean the probabilities fall with i: the outcomes no more
        // likely than x there are the top ones, from the first that is.
        std::int64_t lo = static_cast<std::int64_t>(std::ceil(m));
        std::int64_t hi = n + 1;
        while (lo < hi) {
            const std::int64_t mid = lo + (hi - lo) / 2;
            if (notMoreLikely(mid))
                hi = mid;
            else
                lo = mid + 1;
        }
        total = binomialLowerTail(x, n, p) + (lo <= n ? binomialUpperTail(lo, n, p) : 0.0);
    } else {
        // Below the mean they rise with i: the bottom ones, up to the last.
        std::int64_t lo = -1;
        std::int64_t hi = static_cast<std::int64_t>(std::floor(m));
        while (lo < hi) {
            const std::int64_t mid = hi - (hi - lo) / 2;
            if (notMoreLikely(mid))
                lo = mid;
            else
                hi = mid - 1;
        }
        total = (lo >= 0 ? binomialLowerTail(lo, n, p) : 0.0) + binomialUpperTail(x, n, p);
    }
    return std::min(1.0, total);
}

Interval wilsonInterval(std::int64_t x, std::int64_t n, double z)
{
    const double nn = static_cast<double>(n);
    const double phat = static_cast<double>(x) / nn;
    const double z22n = z * z / (2 * nn);
    const double spread = z * std::sqrt(phat * (1 - phat) / nn + z22n / (2 * nn));
    const double denom = 1 + 2 * z22n;
    Interval i;
    i.low = x <= 0 ? 0.0 : std::max(0.0, (phat + z22n - spread) / denom);
    i.high = x >= n ? 1.0 : std::min(1.0, (phat + z22n + spread) / denom);
    return i;
}

std::vector<double> benjaminiHochberg(const std::vector<double>& p)
{
    const std::size_t n = p.size();
    std::vector<std::size_t> order(n);
    std::iota(order.begin(), order.end(), std::size_t { 0 });
    // Largest first; ties keep their input order (they end up equal anyway).
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return p[a] > p[b]; });
    std::vector<double> q(n);
    double running = kInf;
    for (std::size_t k = 0; k < n; ++k) {
        const double rank = static_cast<double>(n - k); // rank in ascending order
        running = std::min(running, static_cast<double>(n) / rank * p[order[k]]);
        q[order[k]] = std::min(1.0, running);
    }
    return q;
}

double gammaQ(double a, double x)
{
    if (!(x > 0))
        return 1;
    const double logPrefix = -x + a * std::log(x) - std::lgamma(a);
    constexpr double eps = 1e-16;
    if (x < a + 1) {
        // Series of the lower function P; Q = 1 - P is not small here.
        double ap = a;
        double del = 1 / a;
        double sum = del;
        for (int i = 0; i < 100000; ++i) {
            ap += 1;
            del *= x / ap;
            sum += del;
            if (std::fabs(del) < std::fabs(sum) * eps)
                break;
        }
        return std::max(0.0, 1 - sum * std::exp(logPrefix));
    }
    // Continued fraction of Q (modified Lentz).
    constexpr double tiny = 1e-300;
    double b = x + 1 - a;
    double c = 1 / tiny;
    double d = 1 / b;
    double h = d;
    for (int i = 1; i < 100000; ++i) {
        const double an = -i * (i - a);
        b += 2;
        d = an * d + b;
        if (std::fabs(d) < tiny)
            d = tiny;
        c = b + an / c;
        if (std::fabs(c) < tiny)
            c = tiny;
        d = 1 / d;
        const double del = d * c;
        h *= del;
        if (std::fabs(del - 1) < eps)
            break;
    }
    return std::exp(logPrefix) * h;
}

double chiSquareUpperTail(double x, double df)
{
    return gammaQ(df / 2, x / 2);
}

} // namespace corvinel::stats

namespace corvinel::stats {

double hypergeometricPmf(int k, int population, int marked, int draws)
{
    if (k < 0 || k > marked || k > draws || draws - k > population - marked)
        return 0;
    const auto logChoose = [](int n, int r) {
        return std::lgamma(n + 1.0) - std::lgamma(r + 1.0) - std::lgamma(n - r + 1.0);
    };
    return std::exp(logChoose(marked, k) + logChoose(population - marked, draws - k)
                    - logChoose(population, draws));
}

namespace {

// Drops the negligible ends of a distribution whose index 0 stands for the
// count `offset`; returns the new offset.
std::int64_t trimmed(std::vector<double>& pmf, std::int64_t offset)
{
    if (pmf.empty())
        return offset;
    const double floor = *std::max_element(pmf.begin(), pmf.end()) * 1e-300;
    std::size_t lo = 0;
    while (lo + 1 < pmf.size() && pmf[lo] < floor)
        ++lo;
    std::size_t hi = pmf.size();
    while (hi > lo + 1 && pmf[hi - 1] < floor)
        --hi;
    pmf = std::vector<double>(pmf.begin() + static_cast<std::ptrdiff_t>(lo),
                              pmf.begin() + static_cast<std::ptrdiff_t>(hi));
    return offset + static_cast<std::int64_t>(lo);
}

// Convolution of two distributions that start at the counts oa and ob.
std::vector<double> convolveFrom(const std::vector<double>& a, std::int64_t oa, const std::vector<double>& b,
                                 std::int64_t ob, std::int64_t* offset)
{
    std::vector<double> c(a.size() + b.size() - 1, 0.0);
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i] == 0)
            continue;
        for (std::size_t j = 0; j < b.size(); ++j)
            c[i + j] += a[i] * b[j];
    }
    *offset = trimmed(c, oa + ob);
    return c;
}

std::vector<double> placed(std::vector<double> pmf, std::int64_t offset)
{
    pmf.insert(pmf.begin(), static_cast<std::size_t>(offset), 0.0);
    return pmf;
}

} // namespace

std::vector<double> convolve(const std::vector<double>& a, const std::vector<double>& b)
{
    if (a.empty() || b.empty())
        return {};
    std::vector<double> ta = a, tb = b;
    const std::int64_t oa = trimmed(ta, 0);
    const std::int64_t ob = trimmed(tb, 0);
    std::int64_t offset = 0;
    std::vector<double> c = convolveFrom(ta, oa, tb, ob, &offset);
    return placed(std::move(c), offset);
}

std::vector<double> convolutionPower(const std::vector<double>& pmf, std::int64_t n)
{
    std::vector<double> result { 1.0 };
    std::int64_t resultOffset = 0;
    std::vector<double> base = pmf;
    std::int64_t baseOffset = trimmed(base, 0);
    // Binary powering: the squares of the count, multiplied in for the bits
    // of n.
    while (n > 0) {
        if (n & 1)
            result = convolveFrom(result, resultOffset, base, baseOffset, &resultOffset);
        n >>= 1;
        if (n > 0)
            base = convolveFrom(base, baseOffset, base, baseOffset, &baseOffset);
    }
    return placed(std::move(result), resultOffset);
}

double twoSidedP(const std::vector<double>& pmf, std::int64_t x)
{
    if (x < 0 || x >= static_cast<std::int64_t>(pmf.size()))
        return 0;
    const double bound = pmf[static_cast<std::size_t>(x)] * (1 + 1e-7);
    double total = 0;
    for (const double p : pmf)
        if (p <= bound)
            total += p;
    return std::min(1.0, total);
}

double nonCentralChiSquareUpperTail(double x, double df, double lambda)
{
    if (lambda <= 0)
        return chiSquareUpperTail(x, df);
    // Sum outwards from the largest Poisson weight until the weights vanish.
    const double half = lambda / 2;
    const auto mode = static_cast<std::int64_t>(std::floor(half));
    const auto weight = [&](std::int64_t j) {
        return std::exp(-half + static_cast<double>(j) * std::log(half) - std::lgamma(static_cast<double>(j) + 1));
    };
    double total = 0;
    for (std::int64_t j = mode; j >= 0; --j) {
        const double w = weight(j);
        total += w * chiSquareUpperTail(x, df + 2.0 * static_cast<double>(j));
        if (w < 1e-17 && j < mode)
            break;
    }
    for (std::int64_t j = mode + 1;; ++j) {
        const double w = weight(j);
        total += w * chiSquareUpperTail(x, df + 2.0 * static_cast<double>(j));
        if (w < 1e-17)
            break;
    }
    return std::min(1.0, total);
}

double chiSquareUpperQuantile(double upper, double df)
{
    double lo = 0;
    double hi = df + 10;
    while (chiSquareUpperTail(hi, df) > upper)
        hi *= 2;
    for (int i = 0; i < 200 && hi - lo > 1e-12 * hi; ++i) {
        const double mid = (lo + hi) / 2;
        if (chiSquareUpperTail(mid, df) > upper)
            lo = mid;
        else
            hi = mid;
    }
    return (lo + hi) / 2;
}

} // namespace corvinel::stats
