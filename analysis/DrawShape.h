#pragma once

#include "core/Kinds.h"
#include "store/DrawNumbers.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <vector>

namespace corvinel {

// The trend kinds that follow the six attribute kinds (0..5): the shape of the
// whole draw (整期形态) and the two-sided bets (两面). Their index is the trend
// kind index, so the attribute kinds keep 0..5.
enum class ShapeKind : int
{
    DrawSum = kKindCount, // 和值: the sum of the eight numbers, in six zones
    Span, // 跨度: largest - smallest
    Big, // 大小比: how many of the eight are 11..20
    Odd, // 奇偶比: how many are odd
    Repeat, // 重号: how many were in the previous stored draw
    Consecutive, // 连号: how many pairs n, n+1 are both drawn
    BigSmall, // 大小 of the number at a position
    OddEven, // 单双 of the number at a position
    TailBig, // 尾大小: units digit 5..9 or 0..4
    DigitSumParity, // 合数单双: parity of the digit sum
    DragonTiger, // 龙虎: the first number against the eighth
};

inline constexpr int kFirstShapeKind = kKindCount;
inline constexpr int kTrendKindCount = static_cast<int>(ShapeKind::DragonTiger) + 1;

inline constexpr int shapeIndex(ShapeKind k)
{
    return static_cast<int>(k);
}
inline constexpr bool isShapeKind(int kind)
{
    return kind >= kFirstShapeKind && kind < kTrendKindCount;
}

// Which scopes a trend kind can be shown for.
enum class TrendScope
{
    WholeOrPosition, // the attribute kinds
    WholeDrawOnly, // a value of the whole draw: no position
    PositionOnly, // a value of the number at one position: a position 1..8
};

// What the trend chart and the command line name a shape kind by.
struct ShapeKindInfo
{
    const char* name; // the command line's name (drawsum, span, ...)
    const char* caption; // the chart's caption (和值, 跨度, ...)
    TrendScope scope;
    bool twoSided; // grouped under 两面 (else 整期形态)
};

const ShapeKindInfo& shapeKindInfo(int kind);
TrendScope trendScope(int kind);
// A shape kind by its command line name.
std::optional<int> shapeKindOf(const QString& name);

// Column labels of a shape kind (ASCII hyphen in the sum zones).
QStringList shapeColumns(int kind);

// The column a draw hits for a shape kind, or -1 for none: the draw-level
// kinds need eight different numbers 1..20 (and `repeat` a previous draw of
// the same kind; the first stored draw has none), the position kinds a number
// 1..20 at `position` (1..8), 龙虎 numbers at positions 1 and 8.
int shapeColumn(int kind, const DrawNumbers& draw, const DrawNumbers* previous, int position);

// The exact chance of each column: `withValue[c]` of `outcomes` equally likely
// outcomes have the value of column c. The draw-level kinds count the
// C(20, 8) = 125,970 sets of eight (`repeat` the sets sharing k numbers with
// any one previous draw), the position kinds the 20 numbers, 龙虎 the 380
// ordered pairs of different numbers at positions 1 and 8.
struct ShapeChance
{
    std::vector<int> withValue;
    std::int64_t outcomes = 0;
    double probability(int column) const
    {
        return static_cast<double>(withValue[static_cast<std::size_t>(column)]) / static_cast<double>(outcomes);
    }
};
ShapeChance shapeChance(int kind);

} // namespace corvinel
