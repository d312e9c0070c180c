#include "analysis/FollowTally.h"

#include "core/IssueNumber.h"
#include "core/ZodiacTables.h"

#include <algorithm>

namespace corvinel {

namespace {

// Counter range of the tally for each result kind; values outside it are not
// counted (they are still part of the base).
ValueRange tallyCounterRange(int kind)
{
    switch (kind) {
    case 0:
        return { 1, 20 };
    case 1:
        return { 0, 12 };
    case 2:
        return { 0, 2 };
    case 3:
        return { 0, 9 };
    case 4:
        return { 1, 10 };
    default:
        return { 0, 10 };
    }
}

} // namespace

QString FollowTally::resultText(int value, int resultKind, int zodiacBase)
{
    if (resultKind == kindIndex(Kind::Zodiac))
        return ZodiacTables::nameOfValue(value, zodiacBase);
    return QString::number(value);
}

FollowTally::FollowTally(const SearchOptions& options)
    : m_options(options)
    , m_counterRange(tallyCounterRange(options.resultKind))
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
    m_rows->sqqh.push_back(sqqh);
    m_rows->values.push_back(resultValues);
    m_rows->lists.append(shownList.data(), shownList.size());
    m_rows->listEnd.push_back(m_rows->lists.size());
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

void FollowTally::addRangeDraw(const std::array<int, 8>& resultValues)
{
    ++m_range.draws;
    m_range.tallied += m_tallyPositions;
    const int last = std::min(m_options.resultPosition, kPositions);
    for (int i = std::max(m_firstPosition, 1); i <= last; ++i) {
        const int v = resultValues[i - 1];
        if (v >= 0 && v <= 20)
            ++m_range.counts[v];
    }
}

ResultTable FollowTally::matchesTable() const
{
    ResultTable t = emptyMatchesTable(m_options.previousIssue);
    t.lazyRows = m_matches;
    const std::shared_ptr<const Rows> rows = m_rows;
    const int kind = m_options.resultKind;
    const int zodiacBase = m_options.zodiacBase;
    t.lazyCell = [rows, kind, zodiacBase](int r, int c) -> QString {
        if (c == 0)
            return issue::displayForm(rows->sqqh[r]);
        if (c <= kPositions)
            return resultText(rows->values[r][c - 1], kind, zodiacBase);
        const std::size_t begin = r == 0 ? 0 : rows->listEnd[r - 1];
        return QString::fromUtf8(rows->lists.data() + begin, static_cast<qsizetype>(rows->listEnd[r] - begin));
    };
    return t;
}

ValueRange FollowTally::reportedRange(int resultKind, int zodiacBase, int segmentBase)
{
    // The reported values are the values a draw can hold, the same ranges its
    // occurrence lists count.
    return counterRange(resultKind, zodiacBase, segmentBase);
}

std::vector<TallyEntry> FollowTally::reportedCounts() const
{
    const ValueRange r = reportedRange(m_options.resultKind, m_options.zodiacBase, m_options.segmentBase);
    std::vector<TallyEntry> out;
    for (int v = r.low; v <= r.high; ++v) {
        const int count = m_counterRange.contains(v) ? m_counters[v] : 0;
        out.push_back({ v, count });
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
    t.widthsTwips = { 480, 680, 800, 880 };
    int row = 0;
    for (const TallyEntry& e : ranking) {
        t.cells.push_back(QString::number(++row));
        t.cells.push_back(resultText(e.value, resultKind, zodiacBase));
        t.cells.push_back(QString::number(e.count));
        t.cells.push_back(percentText(e.count, base));
    }
    return t;
}

} // namespace corvinel
