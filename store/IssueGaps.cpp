#include "store/IssueGaps.h"

#include "core/IssueNumber.h"
#include "store/HistoryStore.h"
#include "store/SqliteDb.h"

#include <sqlite3.h>

#include <QDate>
#include <QStringList>

#include <algorithm>

namespace corvinel::gaps {

namespace {

std::int64_t sequenceModulus(int lotteryCode)
{
    return issue::sequenceDigits(lotteryCode) == 3 ? 1000 : 100;
}

struct Parts
{
    std::int64_t day = 0; // YYMMDD
    int sequence = 0;
};

Parts split(std::int64_t stored, int lotteryCode)
{
    const std::int64_t m = sequenceModulus(lotteryCode);
    return { stored / m, static_cast<int>(stored % m) };
}

QDate dateOf(std::int64_t yymmdd)
{
    return QDate(2000 + static_cast<int>(yymmdd / 10000), static_cast<int>(yymmdd / 100 % 100),
                 static_cast<int>(yymmdd % 100));
}

} // namespace

bool consecutive(std::int64_t r, std::int64_t f, int lotteryCode, int drawsPerDay)
{
    const Parts a = split(r, lotteryCode);
    const Parts b = split(f, lotteryCode);
    if (a.day == b.day)
        return b.sequence == a.sequence + 1;
    return b.day > a.day && a.sequence == drawsPerDay && b.sequence == 1;
}

GapReport find(const std::vector<std::int64_t>& issues, int lotteryCode, int drawsPerDay)
{
    GapReport report;
    if (issues.empty())
        return report;
    const std::int64_t m = sequenceModulus(lotteryCode);
    int daysWithDraws = 0; // distinct readable days strictly inside the span
    std::int64_t lastDay = -1;
    const std::int64_t firstDay = issues.front() / m;
    const std::int64_t finalDay = issues.back() / m;
    for (std::size_t i = 0; i < issues.size(); ++i) {
        const std::int64_t day = issues[i] / m;
        if (day != lastDay) {
            if (day != firstDay && day != finalDay)
                ++daysWithDraws;
            lastDay = day;
        }
        if (i == 0)
            continue;
        const std::int64_t r = issues[i - 1];
        const std::int64_t f = issues[i];
        if (consecutive(r, f, lotteryCode, drawsPerDay))
            continue;
        const Parts a = split(r, lotteryCode);
        const Parts b = split(f, lotteryCode);
        IssueGap g;
        g.after = r;
        g.before = f;
        if (a.day == b.day) {
            g.missing = b.sequence - a.sequence - 1;
            g.firstMissing = r + 1;
        } else {
            // A sequence beyond the day's draws (a damaged row) leaves
            // nothing missing after it on its day.
            const int restOfDay = std::max(0, drawsPerDay - a.sequence);
            g.missing = restOfDay + std::max(0, b.sequence - 1);
            g.firstMissing = restOfDay > 0 ? r + 1 : b.day * m + 1;
        }
        g.lastMissing = b.sequence > 1 ? f - 1 : a.day * m + drawsPerDay;
        if (g.missing <= 0)
            continue;
        report.missing += g.missing;
        report.gaps.push_back(g);
    }
    const QDate first = dateOf(firstDay);
    const QDate last = dateOf(finalDay);
    if (first.isValid() && last.isValid() && last > first)
        report.daysWithoutDraws = std::max<int>(0, static_cast<int>(first.daysTo(last)) - 1 - daysWithDraws);
    return report;
}

std::vector<std::int64_t> storedIssues(HistoryStore& store)
{
    std::vector<std::int64_t> out;
    if (!store.isOpen())
        return out;
    Statement st = store.db().prepare("SELECT SQQH FROM lishi ORDER BY SQQH");
    if (!st.isValid())
        return out;
    while (st.step() == SQLITE_ROW)
        out.push_back(st.columnInt64(0));
    return out;
}

GapReport ofHistory(HistoryStore& store, int lotteryCode, int drawsPerDay)
{
    return find(storedIssues(store), lotteryCode, drawsPerDay);
}

QString missingText(const IssueGap& gap)
{
    if (gap.missing == 1)
        return issue::displayForm(gap.firstMissing);
    return issue::displayForm(gap.firstMissing) + QStringLiteral("–") + issue::displayForm(gap.lastMissing);
}

namespace {

QString firstGaps(const GapReport& report, int shown)
{
    QStringList parts;
    const int n = std::min<int>(shown, static_cast<int>(report.gaps.size()));
    for (int i = 0; i < n; ++i)
        parts << missingText(report.gaps[static_cast<std::size_t>(i)]);
    if (static_cast<int>(report.gaps.size()) > n)
        parts << QStringLiteral("...");
    return parts.join(QStringLiteral(", "));
}

} // namespace

QString summaryLine(const GapReport& report, int shown)
{
    if (report.missing <= 0)
        return {};
    return QStringLiteral("missing issues: %1 in %2 gaps (%3)")
        .arg(report.missing)
        .arg(report.gaps.size())
        .arg(firstGaps(report, shown));
}

QString summaryText(const GapReport& report, int shown)
{
    if (report.missing <= 0)
        return {};
    return QStringLiteral("缺%1期，共%2处（%3）").arg(report.missing).arg(report.gaps.size()).arg(firstGaps(report, shown));
}

} // namespace corvinel::gaps
