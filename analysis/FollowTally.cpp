#include "FollowTally.h"

#include "ZodiacTables.h"

#include <algorithm>

namespace corvinel {

namespace {

// Counter range of the tally for each result kind; values outside it are not
// counted (they are still part of the base).
ValueRange tallyCounterRange(int kind)
{
    switch (kind) {
    case 0: return {1, 20};
    case 1: return {0, 12};
    case 2: return {0, 2};
    case 3: return {0, 9};
    case 4: return {1, 10};
    default: return {0, 10};
    }
}

QString valueText(int value, int kind, int zodiacBase)
{
    if (kind == kindIndex(Kind::Zodiac))
        return ZodiacTables::nameOfValue(value, zodiacBase);
    return QString::number(value);
}

} // namespace

FollowTally::FollowTally(const SearchOptions& options)
    : m_options(options)
    , m_counterRange(tallyCounterRange(options.resultKind))
    , m_table(emptyMatchesTable(options.previousIssue))
{
    if (options.group) {
        m_firstPosition = 1;
        m_tallyPositions = std::max(options.resultPosition, 0);
    } else {
        m_firstPosition = options.resultPosition;
        m_tallyPositions = 1;
    }
}

ResultTable FollowTally::emptyMatchesTable(bool previousIssue)
{
    ResultTable t;
    t.header << QStringLiteral("期号");
    t.widthsTwips.push_back(1200);
    for (int p = 1; p <= kPositions; ++p) {
        t.header << QStringLiteral("第%1位").arg(p);
        t.widthsTwips.push_back(680);
    }
    t.header << (previousIssue ? QStringLiteral("上期开奖") : QStringLiteral("前期开奖"));
    t.widthsTwips.push_back(2800);
    return t;
}

void FollowTally::addMatch(std::int64_t sqqh, const std::array<int, 8>& resultValues, std::string_view shownList)
{
    ++m_matches;
    auto& cells = m_table.cells;
    cells.push_back(QStringLiteral("20") + QString::number(sqqh));
    for (int p = 0; p < kPositions; ++p)
        cells.push_back(valueText(resultValues[p], m_options.resultKind, m_options.zodiacBase));
    cells.push_back(QString::fromUtf8(shownList.data(), static_cast<qsizetype>(shownList.size())));
    // Tally positions outside 1..8 name no column; such a step is skipped.
    const int last = m_options.resultPosition;
    for (int i = m_firstPosition; i <= last; ++i) {
        if (i < 1 || i > kPositions)
            continue;
        const int v = resultValues[i - 1];
        if (m_counterRange.contains(v))
            ++m_counters[v];
    }
}

ValueRange FollowTally::reportedRange(int resultKind, int zodiacBase, int segmentBase)
{
    switch (resultKind) {
    case 0: return {1, 20};
    case 1: return {zodiacBase, zodiacBase + 11};
    case 2: return {0, 2};
    case 3: return {0, 9};
    case 4: return {1, 10};
    default: return {segmentBase, segmentBase + 4};
    }
}

std::vector<TallyEntry> FollowTally::reportedCounts() const
{
    const ValueRange r = reportedRange(m_options.resultKind, m_options.zodiacBase, m_options.segmentBase);
    std::vector<TallyEntry> out;
    for (int v = r.low; v <= r.high; ++v) {
        const int count = m_counterRange.contains(v) ? m_counters[v] : 0;
        out.push_back({v, count});
    }
    return out;
}

std::vector<TallyEntry> FollowTally::ranked(std::vector<TallyEntry> ascending)
{
    std::stable_sort(ascending.begin(), ascending.end(),
                     [](const TallyEntry& a, const TallyEntry& b) { return a.count > b.count; });
    return ascending;
}

QString FollowTally::percentText(std::int64_t count, std::int64_t base)
{
    if (base <= 0)
        return {};
    // Thousandths of a percent, rounded half up (away from zero) on the exact
    // quotient; binary floating point would turn 1.5625 into 1.562.
    const bool negative = count < 0;
    const std::int64_t c = negative ? -count : count;
    const std::int64_t milli = (c * 100000 * 2 + base) / (2 * base);
    QString s = negative && milli != 0 ? QStringLiteral("-") : QString();
    s += QString::number(milli / 1000);
    s += QLatin1Char('.');
    s += QStringLiteral("%1").arg(milli % 1000, 3, 10, QLatin1Char('0'));
    s += QLatin1Char('%');
    return s;
}

ResultTable FollowTally::rankingTable(const std::vector<TallyEntry>& ranking, std::int64_t base, int resultKind,
                                      int zodiacBase)
{
    ResultTable t;
    t.header << QStringLiteral("序号") << QStringLiteral("结果") << QStringLiteral("出现次数")
             << QStringLiteral("百分比");
    t.widthsTwips = {480, 680, 800, 880};
    int row = 0;
    for (const TallyEntry& e : ranking) {
        t.cells.push_back(QString::number(++row));
        t.cells.push_back(valueText(e.value, resultKind, zodiacBase));
        t.cells.push_back(QString::number(e.count));
        t.cells.push_back(percentText(e.count, base));
    }
    return t;
}

} // namespace corvinel
