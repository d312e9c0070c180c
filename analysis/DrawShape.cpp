#include "analysis/DrawShape.h"

#include "analysis/Distributions.h"

#include <array>
#include <bit>
#include <cstdint>

namespace corvinel {

namespace {

constexpr int kNumbers = 20;

const std::array<ShapeKindInfo, kTrendKindCount - kFirstShapeKind>& shapeKinds()
{
    static const std::array<ShapeKindInfo, kTrendKindCount - kFirstShapeKind> kinds = { {
        { "drawsum", "和值", TrendScope::WholeDrawOnly, false },
        { "span", "跨度", TrendScope::WholeDrawOnly, false },
        { "big", "大小比", TrendScope::WholeDrawOnly, false },
        { "odd", "奇偶比", TrendScope::WholeDrawOnly, false },
        { "repeat", "重号", TrendScope::WholeDrawOnly, false },
        { "consecutive", "连号", TrendScope::WholeDrawOnly, false },
        { "bigsmall", "大小", TrendScope::PositionOnly, true },
        { "oddeven", "单双", TrendScope::PositionOnly, true },
        { "tailbig", "尾大小", TrendScope::PositionOnly, true },
        { "digitsumparity", "合数单双", TrendScope::PositionOnly, true },
        { "dragontiger", "龙虎", TrendScope::WholeDrawOnly, true },
    } };
    return kinds;
}

// The sum zones: the middle four are narrow because the sums crowd around
// their mean 84.
constexpr std::array<int, 7> kSumZoneStarts = { 36, 71, 78, 84, 90, 97, 133 };

// The zone of every sum 0..132 (-1 below 36), looked up once per draw.
constexpr std::array<std::int8_t, 133> kSumZone = [] {
    std::array<std::int8_t, 133> zone {};
    for (int sum = 0; sum < static_cast<int>(zone.size()); ++sum) {
        zone[static_cast<std::size_t>(sum)] = -1;
        for (std::size_t z = 0; z + 1 < kSumZoneStarts.size(); ++z)
            if (sum >= kSumZoneStarts[z] && sum < kSumZoneStarts[z + 1])
                zone[static_cast<std::size_t>(sum)] = static_cast<std::int8_t>(z);
    }
    return zone;
}();

int sumZone(int sum)
{
    return sum >= 0 && sum < static_cast<int>(kSumZone.size()) ? kSumZone[static_cast<std::size_t>(sum)] : -1;
}

// Number n is bit n - 1.
constexpr std::uint32_t kBigNumbers = 0xFFC00u; // 11..20
constexpr std::uint32_t kOddNumbers = 0x55555u; // 1, 3, ..., 19

// For k = 0..4 the numbers 1..20 whose binary form has bit k.
constexpr std::array<std::uint32_t, 5> kNumbersWithBit = [] {
    std::array<std::uint32_t, 5> masks {};
    for (int n = 1; n <= kNumbers; ++n)
        for (std::size_t k = 0; k < masks.size(); ++k)
            if ((n >> k) & 1)
                masks[k] |= 1u << (n - 1);
    return masks;
}();

// The column of a set of eight numbers for a draw-level kind other than
// `repeat`; the draws and the enumeration of all sets both go through it.
int setColumn(int kind, std::uint32_t set)
{
    switch (static_cast<ShapeKind>(kind)) {
    case ShapeKind::DrawSum: {
        // The sum of the numbers bit by bit of their binary form: 2^k times
        // how many of them have bit k (no loop over the numbers).
        int sum = 0;
        for (std::size_t k = 0; k < kNumbersWithBit.size(); ++k)
            sum += std::popcount(set & kNumbersWithBit[k]) << k;
        return sumZone(sum);
    }
    case ShapeKind::Span:
        return (31 - std::countl_zero(set)) - std::countr_zero(set) - (kPositions - 1);
    case ShapeKind::Big:
        return std::popcount(set & kBigNumbers);
    case ShapeKind::Odd:
        return std::popcount(set & kOddNumbers);
    case ShapeKind::Consecutive:
        return std::popcount(set & (set >> 1));
    default:
        return -1;
    }
}

// The column of a number 1..20 for a position kind.
int numberColumn(int kind, int n)
{
    switch (static_cast<ShapeKind>(kind)) {
    case ShapeKind::BigSmall:
        return n >= 11 ? 0 : 1;
    case ShapeKind::OddEven:
        return n % 2 == 1 ? 0 : 1;
    case ShapeKind::TailBig:
        return n % 10 >= 5 ? 0 : 1;
    case ShapeKind::DigitSumParity:
        return (n / 10 + n % 10) % 2 == 1 ? 0 : 1;
    default:
        return -1;
    }
}

// The set of a draw's numbers, or 0 unless they are eight different numbers 1..20.
std::uint32_t drawSet(const DrawNumbers& d)
{
    std::uint32_t set = 0;
    for (const std::uint8_t n : d.numbers) {
        if (n < 1 || n > kNumbers)
            return 0;
        set |= 1u << (n - 1);
    }
    return std::popcount(set) == kPositions ? set : 0;
}

bool validNumber(int n)
{
    return n >= 1 && n <= kNumbers;
}

// Every set of eight of 1..20 once, in increasing bit order (the next larger
// number with as many bits, Gosper's step).
template<typename F> void forEachSet(F visit)
{
    const std::uint32_t last = ((1u << kPositions) - 1) << (kNumbers - kPositions);
    for (std::uint32_t set = (1u << kPositions) - 1;;) {
        visit(set);
        if (set == last)
            break;
        const std::uint32_t low = set & (~set + 1);
        const std::uint32_t ripple = set + low;
        set = ripple | (((set ^ ripple) >> 2) / low);
    }
}

} // namespace

const ShapeKindInfo& shapeKindInfo(int kind)
{
    return shapeKinds()[static_cast<std::size_t>(kind - kFirstShapeKind)];
}

TrendScope trendScope(int kind)
{
    return isShapeKind(kind) ? shapeKindInfo(kind).scope : TrendScope::WholeOrPosition;
}

std::optional<int> shapeKindOf(const QString& name)
{
    for (int k = kFirstShapeKind; k < kTrendKindCount; ++k)
        if (name == QLatin1String(shapeKindInfo(k).name))
            return k;
    return std::nullopt;
}

QStringList shapeColumns(int kind)
{
    auto range = [](int low, int high) {
        QStringList out;
        for (int v = low; v <= high; ++v)
            out << QString::number(v);
        return out;
    };
    switch (static_cast<ShapeKind>(kind)) {
    case ShapeKind::DrawSum: {
        QStringList out;
        for (std::size_t z = 0; z + 1 < kSumZoneStarts.size(); ++z)
            out << QStringLiteral("%1-%2").arg(kSumZoneStarts[z]).arg(kSumZoneStarts[z + 1] - 1);
        return out;
    }
    case ShapeKind::Span:
        return range(kPositions - 1, kNumbers - 1);
    case ShapeKind::Big:
    case ShapeKind::Odd:
    case ShapeKind::Repeat:
        return range(0, kPositions);
    case ShapeKind::Consecutive:
        return range(0, kPositions - 1);
    case ShapeKind::BigSmall:
        return { QStringLiteral("大"), QStringLiteral("小") };
    case ShapeKind::OddEven:
        return { QStringLiteral("单"), QStringLiteral("双") };
    case ShapeKind::TailBig:
        return { QStringLiteral("尾大"), QStringLiteral("尾小") };
    case ShapeKind::DigitSumParity:
        return { QStringLiteral("合单"), QStringLiteral("合双") };
    case ShapeKind::DragonTiger:
        return { QStringLiteral("龙"), QStringLiteral("虎") };
    }
    return {};
}

int shapeColumn(int kind, const DrawNumbers& draw, const DrawNumbers* previous, int position)
{
    switch (trendScope(kind)) {
    case TrendScope::PositionOnly: {
        if (position < 1 || position > kPositions)
            return -1;
        const int n = draw.numbers[static_cast<std::size_t>(position - 1)];
        return validNumber(n) ? numberColumn(kind, n) : -1;
    }
    case TrendScope::WholeDrawOnly:
        break;
    case TrendScope::WholeOrPosition:
        return -1;
    }
    if (kind == shapeIndex(ShapeKind::DragonTiger)) {
        const int first = draw.numbers[0];
        const int eighth = draw.numbers[kPositions - 1];
        if (!validNumber(first) || !validNumber(eighth))
            return -1;
        return first > eighth ? 0 : 1;
    }
    const std::uint32_t set = drawSet(draw);
    if (set == 0)
        return -1;
    if (kind != shapeIndex(ShapeKind::Repeat))
        return setColumn(kind, set);
    const std::uint32_t before = previous ? drawSet(*previous) : 0;
    return before == 0 ? -1 : std::popcount(set & before);
}

ShapeChance shapeChance(int kind)
{
    ShapeChance c;
    c.withValue.assign(static_cast<std::size_t>(shapeColumns(kind).size()), 0);
    switch (static_cast<ShapeKind>(kind)) {
    case ShapeKind::Repeat:
        // Hypergeometric: k of the previous draw's eight, 8 - k of the other 12.
        c.outcomes = stats::binomial(kNumbers, kPositions);
        for (int k = 0; k <= kPositions; ++k)
            c.withValue[static_cast<std::size_t>(k)]
                = static_cast<int>(stats::binomial(kPositions, k) * stats::binomial(kNumbers - kPositions, kPositions - k));
        return c;
    case ShapeKind::DragonTiger:
        // The numbers at positions 1 and 8 are an ordered pair of different
        // numbers, each pair equally likely; half have the larger first.
        c.outcomes = kNumbers * (kNumbers - 1);
        c.withValue = { kNumbers * (kNumbers - 1) / 2, kNumbers * (kNumbers - 1) / 2 };
        return c;
    default:
        break;
    }
    if (trendScope(kind) == TrendScope::PositionOnly) {
        c.outcomes = kNumbers;
        for (int n = 1; n <= kNumbers; ++n)
            ++c.withValue[static_cast<std::size_t>(numberColumn(kind, n))];
        return c;
    }
    // The draw-level kinds: all C(20, 8) sets once per kind, computed on first
    // use (a few milliseconds) and kept.
    static const std::array<std::vector<int>, kTrendKindCount - kFirstShapeKind> counted = [] {
        std::array<std::vector<int>, kTrendKindCount - kFirstShapeKind> all;
        const std::array<ShapeKind, 5> setKinds
            = { ShapeKind::DrawSum, ShapeKind::Span, ShapeKind::Big, ShapeKind::Odd, ShapeKind::Consecutive };
        for (const ShapeKind k : setKinds)
            all[static_cast<std::size_t>(shapeIndex(k) - kFirstShapeKind)].assign(
                static_cast<std::size_t>(shapeColumns(shapeIndex(k)).size()), 0);
        forEachSet([&](std::uint32_t set) {
            for (const ShapeKind k : setKinds)
                ++all[static_cast<std::size_t>(shapeIndex(k) - kFirstShapeKind)]
                     [static_cast<std::size_t>(setColumn(shapeIndex(k), set))];
        });
        return all;
    }();
    c.outcomes = stats::binomial(kNumbers, kPositions);
    c.withValue = counted[static_cast<std::size_t>(kind - kFirstShapeKind)];
    return c;
}

} // namespace corvinel
