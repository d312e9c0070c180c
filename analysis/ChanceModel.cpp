#include "analysis/ChanceModel.h"

#include "core/Kinds.h"
#include "core/ZodiacTables.h"

namespace corvinel {

namespace {

std::array<int, 12> byOrder(int zodiacBase)
{
    std::array<int, 12> t {};
    for (int k = 0; k < 12; ++k)
        t[k] = zodiacBase + k;
    return t;
}

} // namespace

ChanceModel::ChanceModel(int kind, int zodiacBase, int segmentBase)
    : ChanceModel(kind, segmentBase, byOrder(zodiacBase))
{
}

ChanceModel::ChanceModel(int kind, int segmentBase, const std::array<int, 12>& zodiacNumbers)
    : m_kind(kind)
    , m_segmentBase(segmentBase)
    , m_zodiacNumbers(zodiacNumbers)
{
}

ChanceModel ChanceModel::forResult(const SearchOptions& o)
{
    if (o.zodiacNumbers)
        return ChanceModel(o.resultKind, o.segmentBase, *o.zodiacNumbers);
    return ChanceModel(o.resultKind, o.zodiacBase, o.segmentBase);
}

bool ChanceModel::dependsOnYear() const
{
    return m_kind == kindIndex(Kind::Zodiac);
}

int ChanceModel::valueOf(int n, int zodiacYear) const
{
    switch (m_kind) {
    case 0:
        return n;
    case 1: {
        ZodiacTables t;
        t.fillYearGroups(zodiacYear);
        return m_zodiacNumbers[t.signIndexOf(n)];
    }
    case 2:
        return n / 10;
    case 3:
        return n % 10;
    case 4:
        return n / 10 + n % 10;
    default:
        return (n - 1) / 4 + m_segmentBase;
    }
}

ChanceModel::Counts ChanceModel::counts(int zodiacYear) const
{
    Counts c {};
    // One set of year groups for all twenty numbers (valueOf would build it
    // for every number).
    ZodiacTables t;
    if (dependsOnYear())
        t.fillYearGroups(zodiacYear);
    for (int n = 1; n <= kNumbers; ++n) {
        const int v = dependsOnYear() ? m_zodiacNumbers[t.signIndexOf(n)] : valueOf(n, zodiacYear);
        if (v >= 0 && v < static_cast<int>(c.size()))
            ++c[v];
    }
    return c;
}

int ChanceModel::valueCount(int value, int zodiacYear) const
{
    if (value < 0 || value > 20)
        return 0;
    return counts(zodiacYear)[value];
}

int ChanceModel::drawYear(std::int64_t sqqh)
{
    return ZodiacTables::zodiacYearOfStored(sqqh);
}

} // namespace corvinel
