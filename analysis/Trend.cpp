#include "analysis/Trend.h"

#include "analysis/ChanceModel.h"
#include "analysis/DrawShape.h"
#include "analysis/Distributions.h"
#include "core/IssueNumber.h"
#include "core/Kinds.h"
#include "store/IssueGaps.h"
#include "core/ZodiacTables.h"

#include <algorithm>
#include <cmath>

namespace corvinel {

namespace {

int columnCountOf(int kind)
{
    switch (kind) {
    case 0:
        return 20;
    case 1:
        return 12;
    case 2:
        return 3;
    case 3:
    case 4:
        return 10;
    default:
        return 5;
    }
}

// The value a kind's first column stands for, in the model's values with
// zodiac and segment counted from 0 (the zodiac then gives the sign index).
int firstValue(int kind)
{
    return kind == kindIndex(Kind::Number) || kind == kindIndex(Kind::Sum) ? 1 : 0;
}

ChanceModel columnModel(int kind)
{
    return ChanceModel(kind, 0, 0);
}

// Column of each number 1..20 for one draw; only the zodiac changes with the
// draw's zodiac year, so the table is refilled when that year changes.
class ColumnMap
{
public:
    explicit ColumnMap(int kind)
        : m_kind(kind)
    {
        if (kind != kindIndex(Kind::Zodiac))
            fill(0);
    }

    const std::vector<int>& forIssue(std::int64_t sqqh)
    {
        // Dropping the last two digits leaves the date (and for a 3-digit
        // sequence a 0 or the sequence's hundreds), so the zodiac year is only
        // worked out again when that changes: once a day in issue order.
        if (m_kind == kindIndex(Kind::Zodiac) && sqqh / 100 != m_dayKey) {
            m_dayKey = sqqh / 100;
            const int y = ChanceModel::drawYear(sqqh);
            if (y != m_year)
                fill(y);
        }
        return m_columnOf;
    }

private:
    void fill(int zodiacYear)
    {
        m_year = zodiacYear;
        m_columnOf = trendColumnOfNumber(m_kind, zodiacYear);
    }

    int m_kind;
    int m_year = -1;
    std::int64_t m_dayKey = -1;
    std::vector<int> m_columnOf;
};

QString fixed(double v, int decimals)
{
    return QString::number(v, 'f', decimals);
}

} // namespace

QStringList trendColumns(int kind, int segmentBase)
{
    if (isShapeKind(kind))
        return shapeColumns(kind);
    QStringList out;
    if (kind == kindIndex(Kind::Zodiac)) {
        for (const QString& n : ZodiacTables::names())
            out << n;
        return out;
    }
    int first = 0;
    if (kind == kindIndex(Kind::Number) || kind == kindIndex(Kind::Sum))
        first = 1;
    else if (kind == kindIndex(Kind::Segment))
        first = segmentBase;
    for (int i = 0; i < columnCountOf(kind); ++i)
        out << QString::number(first + i);
    return out;
}

std::vector<int> trendColumnOfNumber(int kind, int zodiacYear)
{
    std::vector<int> col(21, -1);
    const ChanceModel model = columnModel(kind);
    for (int n = 1; n <= 20; ++n)
        col[n] = model.valueOf(n, zodiacYear) - firstValue(kind);
    return col;
}

const QStringList& trendSummaryCaptions()
{
    static const QStringList c = {
        QStringLiteral("出现次数"),     QStringLiteral("当前遗漏"),       QStringLiteral("最大遗漏"),
        QStringLiteral("平均遗漏"),     QStringLiteral("最大连出"),       QStringLiteral("随机出现率"),
        QStringLiteral("随机期望次数"), QStringLiteral("随机遗漏≥k概率"),
    };
    return c;
}

TrendResult computeTrend(std::span<const DrawNumbers> draws, const TrendOptions& options)
{
    TrendResult result;
    if (options.last < 1) {
        result.error = QStringLiteral("the number of draws must be at least 1 (got %1)").arg(options.last);
        return result;
    }
    if (options.position < 0 || options.position > kPositions) {
        result.error = QStringLiteral("the position must be 1..8 (got %1)").arg(options.position);
        return result;
    }
    if (options.kind < 0 || options.kind >= kTrendKindCount) {
        result.error = QStringLiteral("unknown kind %1").arg(options.kind);
        return result;
    }
    const TrendScope scope = trendScope(options.kind);
    if (scope == TrendScope::WholeDrawOnly && options.position != 0) {
        result.error = QStringLiteral("%1 is a value of the whole draw and takes no position")
                           .arg(QLatin1String(shapeKindInfo(options.kind).name));
        return result;
    }
    if (scope == TrendScope::PositionOnly && options.position == 0) {
        result.error = QStringLiteral("%1 needs a position 1..8").arg(QLatin1String(shapeKindInfo(options.kind).name));
        return result;
    }
    if (draws.empty()) {
        result.error = QStringLiteral("the history is empty");
        return result;
    }

    TrendTable& t = result.table;
    t.options = options;
    t.columns = trendColumns(options.kind, options.segmentBase);
    const int cols = t.columnCount();
    const auto total = static_cast<std::int64_t>(draws.size());
    const int rows = static_cast<int>(std::min<std::int64_t>(options.last, total));
    const std::int64_t firstRow = total - rows;
    t.issues.resize(static_cast<std::size_t>(rows));
    t.cells.resize(static_cast<std::size_t>(rows) * cols);

    // The omission of a column at draw i is i minus the index of its last hit
    // (-1 before the first), so the draws before the window only move the hit
    // columns' marks.
    std::vector<std::int64_t> lastHit(static_cast<std::size_t>(cols), -1);
    std::vector<int> run(static_cast<std::size_t>(cols), 0);
    t.hits.assign(static_cast<std::size_t>(cols), 0);
    t.maxOmission.assign(static_cast<std::size_t>(cols), 0);
    t.maxRun.assign(static_cast<std::size_t>(cols), 0);
    const bool shape = isShapeKind(options.kind);
    // A shape kind's draw hits at most one column; an attribute kind's
    // numbers hit theirs through the number -> column table.
    ColumnMap map(shape ? kindIndex(Kind::Number) : options.kind);
    const int firstPos = options.position == 0 ? 0 : options.position - 1;
    const int endPos = options.position == 0 ? kPositions : options.position;

    if (options.skipGaps)
        t.holeBefore.assign(static_cast<std::size_t>(rows), 0);
    const int perDay = issue::drawsPerDay(options.lotteryCode);
    for (std::int64_t i = 0; i < total; ++i) {
        const DrawNumbers& d = draws[static_cast<std::size_t>(i)];
        int hole = 0;
        if (options.skipGaps && i > 0) {
            const std::int64_t before = draws[static_cast<std::size_t>(i - 1)].sqqh;
            if (!gaps::consecutive(before, d.sqqh, options.lotteryCode, perDay)) {
                const GapReport g = gaps::find({ before, d.sqqh }, options.lotteryCode, perDay);
                hole = static_cast<int>(g.missing);
            }
            // Omissions count again from the draw after the hole.
            if (hole > 0)
                for (auto& h : lastHit)
                    h = std::max<std::int64_t>(h, i - 1);
        }
        if (shape) {
            const DrawNumbers* previous = i > 0 ? &draws[static_cast<std::size_t>(i - 1)] : nullptr;
            const int c = shapeColumn(options.kind, d, previous, options.position);
            if (c >= 0)
                lastHit[c] = i;
        } else {
            const std::vector<int>& columnOf = map.forIssue(d.sqqh);
            for (int p = firstPos; p < endPos; ++p) {
                const int n = d.numbers[p];
                if (n >= 1 && n <= 20)
                    lastHit[columnOf[n]] = i;
            }
        }
        if (i < firstRow)
            continue;
        const auto r = static_cast<std::size_t>(i - firstRow);
        t.issues[r] = d.sqqh;
        if (options.skipGaps)
            t.holeBefore[r] = hole;
        int* cell = &t.cells[r * cols];
        for (int c = 0; c < cols; ++c) {
            const auto omission = static_cast<int>(i - lastHit[c]);
            cell[c] = omission;
            if (omission == 0) {
                ++t.hits[c];
                t.maxRun[c] = std::max(t.maxRun[c], ++run[c]);
            } else {
                run[c] = 0;
                t.maxOmission[c] = std::max(t.maxOmission[c], omission);
            }
        }
    }

    // Chance rows: a shape kind's exact distribution, or the value counts of
    // the last row's zodiac year.
    t.chanceZodiacYear = ChanceModel::drawYear(draws.back().sqqh);
    ShapeChance shapeOdds;
    if (shape) {
        shapeOdds = shapeChance(options.kind);
        t.valueCount = shapeOdds.withValue;
        t.chanceOutcomes = shapeOdds.outcomes;
    } else {
        const ChanceModel::Counts counts = columnModel(options.kind).counts(t.chanceZodiacYear);
        for (int c = 0; c < cols; ++c)
            t.valueCount.push_back(counts[firstValue(options.kind) + c]);
    }
    const auto allDraws = static_cast<double>(stats::binomial(20, kPositions));
    for (int c = 0; c < cols; ++c) {
        t.current.push_back(t.cell(rows - 1, c));
        t.meanOmission.push_back(static_cast<double>(rows - t.hits[c]) / (t.hits[c] + 1));
        const int m = t.valueCount[c];
        double p = options.position == 0 ? 1.0 - static_cast<double>(stats::binomial(20 - m, kPositions)) / allDraws : m / 20.0;
        if (shape)
            p = shapeOdds.probability(c);
        t.chance.push_back(p);
        t.expectedHits.push_back(rows * p);
        t.chanceCurrentOrLonger.push_back(std::pow(1.0 - p, t.current.back()));
    }
    t.absenceQ = stats::benjaminiHochberg(t.chanceCurrentOrLonger);
    result.ok = true;
    return result;
}

QString trendAbsenceNote(const TrendTable& t)
{
    int low = 0;
    QStringList marked;
    for (int c = 0; c < t.columnCount(); ++c) {
        if (t.chanceCurrentOrLonger[static_cast<std::size_t>(c)] <= 0.05)
            ++low;
        if (static_cast<std::size_t>(c) < t.absenceQ.size() && t.absenceQ[static_cast<std::size_t>(c)] < 0.05)
            marked << t.columns[c];
    }
    QString s = QStringLiteral("遗漏概率≤0.05 的有 %1 个，纯随机时平均约 %2 个")
                    .arg(low)
                    .arg(QString::number(t.columnCount() * 0.05, 'f', t.columnCount() % 20 == 0 ? 0 : 2));
    if (marked.isEmpty())
        s += QStringLiteral("；按 Benjamini–Hochberg 校正后没有一个值的遗漏显著。");
    else
        s += QStringLiteral("；校正后 q<0.05（标 *）：%1。").arg(marked.join(QStringLiteral("、")));
    return s;
}

QString trendProbabilityText(double p)
{
    if (p > 0.0 && p < 0.00005)
        return QStringLiteral("<0.0001");
    return fixed(p, 4);
}

ResultTable trendGrid(const TrendTable& t)
{
    ResultTable g;
    g.header << QStringLiteral("期号") << t.columns;
    const int cols = t.columnCount();
    for (int r = 0; r < t.rowCount(); ++r) {
        g.cells.push_back(QStringLiteral("20") + QString::number(t.issues[r]));
        const int hole = static_cast<std::size_t>(r) < t.holeBefore.size() ? t.holeBefore[r] : 0;
        for (int c = 0; c < cols; ++c) {
            if (t.isHit(r, c))
                g.cells.push_back(t.columns[c]);
            else if (hole > 0)
                g.cells.push_back(QStringLiteral("缺%1").arg(hole)); // the omission stops at the hole
            else
                g.cells.push_back(QString::number(t.cell(r, c)));
        }
    }
    const QStringList& captions = trendSummaryCaptions();
    auto addRow = [&](int caption, auto text) {
        g.cells.push_back(captions[caption]);
        for (int c = 0; c < cols; ++c)
            g.cells.push_back(text(c));
    };
    addRow(0, [&](int c) { return QString::number(t.hits[c]); });
    addRow(1, [&](int c) { return QString::number(t.current[c]); });
    addRow(2, [&](int c) { return QString::number(t.maxOmission[c]); });
    addRow(3, [&](int c) { return fixed(t.meanOmission[c], 2); });
    addRow(4, [&](int c) { return QString::number(t.maxRun[c]); });
    addRow(5, [&](int c) { return trendProbabilityText(t.chance[c]); });
    addRow(6, [&](int c) { return fixed(t.expectedHits[c], 2); });
    addRow(7, [&](int c) {
        const bool marked = static_cast<std::size_t>(c) < t.absenceQ.size() && t.absenceQ[c] < 0.05;
        return trendProbabilityText(t.chanceCurrentOrLonger[c]) + (marked ? QStringLiteral("*") : QString());
    });
    return g;
}

} // namespace corvinel
