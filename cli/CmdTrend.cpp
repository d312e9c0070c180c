#include "cli/CliContext.h"
#include "core/IssueNumber.h"
#include "core/Kinds.h"
#include "session/TrendSource.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>

namespace corvinel {

// trend [--last N] [--kind K] [--position P] [--format text|tsv|json]: the
// trend table of the last N draws with its summary and chance rows.
namespace {

constexpr const char* kUsage = "trend takes --last N, --kind K, --position P and --format text|tsv|json";

// A whole number option; out-of-range values are left to the engine, which
// refuses them with its reason.
std::optional<int> numberOption(const ParsedArgs& args, const char* name, int fallback, QString* error)
{
    const std::optional<QString> text = args.value(name);
    if (!text)
        return fallback;
    const auto v = issue::wholeNumber(*text);
    if (!v || *v < -1000000000 || *v > 1000000000) {
        *error = QStringLiteral("%1 takes a whole number, not \"%2\"").arg(QLatin1String(name), *text);
        return std::nullopt;
    }
    return static_cast<int>(*v);
}

template<typename T, typename F> QJsonArray jsonArray(const std::vector<T>& values, F convert)
{
    QJsonArray a;
    for (const T& v : values)
        a.append(convert(v));
    return a;
}

QJsonObject toJson(const TrendTable& t)
{
    QJsonArray rows;
    for (int r = 0; r < t.rowCount(); ++r) {
        QJsonArray cells;
        for (int c = 0; c < t.columnCount(); ++c)
            cells.append(t.cell(r, c));
        QJsonObject row;
        row.insert(QStringLiteral("issue"), issue::displayForm(t.issues[r]));
        row.insert(QStringLiteral("cells"), cells);
        rows.append(row);
    }
    auto whole = [](int v) { return QJsonValue(v); };
    auto real = [](double v) { return QJsonValue(v); };
    // The mean omission is defined with two decimals.
    auto twoDecimals = [](double v) { return QJsonValue(std::round(v * 100.0) / 100.0); };
    QJsonObject summary;
    summary.insert(QStringLiteral("hits"), jsonArray(t.hits, whole));
    summary.insert(QStringLiteral("current"), jsonArray(t.current, whole));
    summary.insert(QStringLiteral("max"), jsonArray(t.maxOmission, whole));
    summary.insert(QStringLiteral("mean"), jsonArray(t.meanOmission, twoDecimals));
    summary.insert(QStringLiteral("max_run"), jsonArray(t.maxRun, whole));
    QJsonObject chance;
    chance.insert(QStringLiteral("p"), jsonArray(t.chance, real));
    chance.insert(QStringLiteral("expected_hits"), jsonArray(t.expectedHits, real));
    chance.insert(QStringLiteral("p_current_or_longer"), jsonArray(t.chanceCurrentOrLonger, real));
    chance.insert(QStringLiteral("q_current_or_longer"), jsonArray(t.absenceQ, real));
    QJsonObject o;
    o.insert(QStringLiteral("columns"), QJsonArray::fromStringList(t.columns));
    o.insert(QStringLiteral("rows"), rows);
    o.insert(QStringLiteral("summary"), summary);
    o.insert(QStringLiteral("chance"), chance);
    return o;
}

int runTrend(CliContext& ctx, const ParsedArgs& args)
{
    if (!args.positional.isEmpty())
        return ctx.usage(QString::fromLatin1(kUsage));
    const QString format = args.value("--format").value_or(QStringLiteral("text"));
    if (format != QLatin1String("text") && format != QLatin1String("tsv") && format != QLatin1String("json"))
        return ctx.usage(QStringLiteral("unknown format %1 (text, tsv or json)").arg(format));
    QString error;
    const std::optional<int> last = numberOption(args, "--last", 50, &error);
    if (!last)
        return ctx.usage(error);
    const std::optional<int> position = numberOption(args, "--position", 0, &error);
    if (!position)
        return ctx.usage(error);
    // Without --position the scope is the whole draw; given, it must name 1..8.
    if (args.has("--position") && (*position < 1 || *position > kPositions))
        return ctx.refuse(QStringLiteral("the position must be 1..8 (got %1)").arg(*position));
    int kind = 0;
    if (const std::optional<QString> k = args.value("--kind")) {
        const auto parsed = kindOf(*k);
        if (!parsed)
            return ctx.usage(
                QStringLiteral("unknown kind %1 (number, zodiac, head, tail, sum, segment or 0..5)").arg(*k));
        kind = *parsed;
    }

    TrendSource source(ctx.session());
    const TrendResult result = source.compute(*last, kind, *position);
    if (!result.ok)
        return ctx.refuse(result.error);

    QTextStream& out = ctx.out();
    if (format == QLatin1String("json")) {
        out << QString::fromUtf8(QJsonDocument(toJson(result.table)).toJson(QJsonDocument::Compact)) << '\n';
    } else {
        const ResultTable grid = trendGrid(result.table);
        const bool tsv = format == QLatin1String("tsv");
        // The text form: the first column as wide as its longest caption, the
        // others right-aligned to the widest cell of the chart.
        int width = 0;
        for (const QString& c : grid.allCells())
            width = std::max(width, static_cast<int>(c.size()));
        auto line = [&](const QStringList& cells) {
            for (int c = 0; c < cells.size(); ++c) {
                if (tsv)
                    out << (c ? "\t" : "") << cells[c];
                else if (c == 0)
                    out << cells[c].leftJustified(12);
                else
                    out << ' ' << cells[c].rightJustified(width);
            }
            out << '\n';
        };
        line(grid.header);
        for (int r = 0; r < grid.rowCount(); ++r)
            line(grid.row(r));
        if (!tsv) {
            out << trendAbsenceNote(result.table) << '\n';
            out << "Each draw is independent: a long absence does not make a value due.\n";
        }
    }
    out.flush();
    return kExitOk;
}

} // namespace

const CommandDecl& trendCommand()
{
    static const CommandDecl command {
        "trend",
        "trend [--last N] [--kind K] [--position P] [--format text|tsv|json]",
        "prints the trend chart: hits and omissions of the last N draws",
        "Prints the trend chart of the last N stored draws: one row per draw, one column per value of the kind; a "
        "cell is 0 where the draw holds the value, otherwise the value's omission (the draws since it last came, "
        "counted over the whole history). Below: hits, current, longest and mean omission, longest run of hits, "
        "and what chance alone gives (the chance of a hit, the expected hits, the chance of an absence at least as "
        "long as the current one). Each draw is independent: a long absence does not make a value due. Text and "
        "tsv show hits by the value, json by 0.",
        {
            { "--last", "N", "the number of draws shown (default 50)", kUsage },
            { "--kind", "K", "number (default), zodiac, head, tail, sum or segment (or 0..5)", kUsage },
            { "--position", "P", "one position 1..8 instead of the whole draw", kUsage },
            { "--format", "FORMAT", "text (aligned columns, the default), tsv (tab-separated) or json", kUsage },
        },
        runTrend,
        [](const QString&) { return QString::fromLatin1(kUsage); },
    };
    return command;
}

} // namespace corvinel
