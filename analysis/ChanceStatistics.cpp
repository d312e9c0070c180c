#include "analysis/ChanceStatistics.h"

#include "analysis/Distributions.h"
#include "analysis/SearchEngine.h"

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

ChanceFigures chanceFigures(const std::vector<TallyEntry>& ranking, const std::vector<std::int64_t>& matchedIssues,
                            int tallyPositions, const RangeTally& range, const ChanceModel& model, int zodiacBase)
{
    ChanceFigures f;
    f.matched = static_cast<std::int64_t>(matchedIssues.size());
    f.tallyPositions = tallyPositions;
    f.tallied = static_cast<std::int64_t>(tallyPositions) * f.matched;

    // 20 times the expected count per tally position, summed over the draws:
    // whole numbers, so E is exact up to the one division.
    std::array<std::int64_t, 21> twentieths {};
    if (model.dependsOnYear()) {
        for (const auto& [year, draws] : drawsPerYear(matchedIssues)) {
            const ChanceModel::Counts c = model.counts(year);
            for (std::size_t v = 0; v < c.size(); ++v)
                twentieths[v] += draws * c[v];
        }
    } else {
        const ChanceModel::Counts c = model.counts(0);
        for (std::size_t v = 0; v < c.size(); ++v)
            twentieths[v] = f.matched * c[v];
    }

    const bool any = f.tallied > 0;
    std::vector<double> testedP;
    std::vector<std::size_t> testedRows;
    double chi = 0;
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
            const stats::Interval ci = stats::wilsonInterval(row.count, f.tallied);
            row.ciLowPct = 100.0 * ci.low;
            row.ciHighPct = 100.0 * ci.high;
            row.pValue = stats::binomialTwoSidedP(row.count, f.tallied, row.expected / t);
            if (row.expected > 0) {
                testedP.push_back(*row.pValue);
                testedRows.push_back(f.rows.size());
                const double d = static_cast<double>(row.count) - row.expected;
                chi += d * d / row.expected;
            }
        }
        f.rows.push_back(std::move(row));
    }
    if (!any)
        return f;
    const std::vector<double> q = stats::benjaminiHochberg(testedP);
    for (std::size_t i = 0; i < q.size(); ++i)
        f.rows[testedRows[i]].qValue = q[i];
    f.chiSquare = chi;
    if (testedRows.size() >= 2) {
        f.df = static_cast<int>(testedRows.size()) - 1;
        f.pValue = stats::chiSquareUpperTail(chi, *f.df);
    }
    return f;
}

ChanceFigures chanceFigures(const SearchResult& result, const SearchOptions& options)
{
    ChanceFigures f = chanceFigures(result.rankingOrder, result.matchedIssues, result.tallyPositions, result.range,
                                    ChanceModel::forResult(options), options.zodiacBase);
    f.group = options.group;
    return f;
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
        return QStringLiteral("没有匹配的开奖，无法与随机比较");
    QString s;
    if (!f.pValue) {
        s = QStringLiteral("可与随机比较的结果不足两个，不做整体检验");
    } else if (*f.pValue < 0.05) {
        s = QStringLiteral("与随机有显著差异（%1）").arg(pText(QStringLiteral("p"), *f.pValue));
    } else {
        s = QStringLiteral("与随机相比无显著差异（χ²=%1，自由度 %2，%3）")
                .arg(QString::number(*f.chiSquare, 'f', 1))
                .arg(*f.df)
                .arg(pText(QStringLiteral("p"), *f.pValue));
    }
    const ChanceRow* smallest = nullptr;
    for (const ChanceRow& r : f.rows)
        if (r.qValue && (!smallest || *r.qValue < *smallest->qValue))
            smallest = &r;
    if (smallest && *smallest->qValue < 0.05)
        s += QStringLiteral("；q 值最小的是 %1（%2）")
                 .arg(smallest->text, pText(QStringLiteral("q"), *smallest->qValue));
    return s;
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
        "整体为卡方检验，显著性水平 0.05。开奖是随机的，排名不预示下一期。");
    if (f.group)
        s += QStringLiteral("组选模式下同一期的各位置不放回抽取，检验略偏保守。");
    return s;
}

} // namespace corvinel
