#include "analysis/DrawShape.h"
#include "cli/CliContext.h"
#include "store/SqliteDb.h"
#include "cli/SearchOptionSet.h"
#include "cli/Output.h"
#include "core/IssueNumber.h"
#include "core/Kinds.h"
#include "session/TrendSource.h"

#include <QJsonArray>
#include <QJsonObject>

#include <algorithm>
#include <cmath>

namespace corvinel {

// trend [--last N] [--kind K] [--position P] [--format text|tsv|json]: the
// trend table of the last N draws with its summary and chance rows.
namespace {

constexpr const char* kUsage = "trend takes --last N, --kind K, --position P, --skip-gaps and --format text|tsv|json";
constexpr const char* kKindHelp
    = "number (default), zodiac, head, tail, sum or segment (or 0..5); the whole draw's drawsum, span, big, odd, "
      "repeat, consecutive or dragontiger (no --position); one position's bigsmall, oddeven, tailbig or "
      "digitsumparity (--position required)";

// A whole number option; out-of-range values are left to the engine, which
// refuses them with its reason.
std::optional<int> numberValue(const OptionDecl& self, const QString& text, QString* error)
{
    const auto v = issue::wholeNumber(text);
    if (!v || *v < -1000000000 || *v > 1000000000) {
        *error = QStringLiteral("%1 takes a whole number, not \"%2\"").arg(QLatin1String(self.name), text);
        return std::nullopt;
    }
    return static_cast<int>(*v);
}

// The attribute kinds as every command names them, then the shape kinds;
// whether a kind takes --position is the engine's rule (refused, exit 1).
std::optional<int> kindValue(const OptionDecl&, const QString& text, QString* error)
{
    std::optional<int> k = kindOf(text);
    if (!k)
        k = shapeKindOf(text);
    if (!k)
        *error = QStringLiteral("unknown kind %1 (%2)").arg(text, QString::fromUtf8(kKindHelp));
    return k;
}

const Option<int> kLast { "--last", "N", "the number of draws shown (default 50)", numberValue, kUsage };
const Option<int> kKind { "--kind", "K", kKindHelp, kindValue, kUsage };
const Option<int> kPosition { "--position", "P", "one position 1..8 instead of the whole draw (as the kind allows)",
                              numberValue, kUsage };

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
        if (static_cast<std::size_t>(r) < t.holeBefore.size() && t.holeBefore[r] > 0)
            row.insert(QStringLiteral("missing_before"), t.holeBefore[r]);
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
    const OutputFormat format = args.get(kFormatOption).value_or(OutputFormat::Text);
    const int last = args.get(kLast).value_or(50);
    const int position = args.get(kPosition).value_or(0);
    // Every draw the trend counts comes from one state of the history.
    const ReadTransaction oneHistory(ctx.session().store().db());
    // Without --position the scope is the whole draw; given, it must name 1..8.
    if (args.has(kPosition) && (position < 1 || position > kPositions))
        return ctx.refuse(QStringLiteral("the position must be 1..8 (got %1)").arg(position));
    const int kind = args.get(kKind).value_or(0);

    ctx.session().setSkipGaps(args.has(search_option::kSkipGaps));
    TrendSource source(ctx.session());
    const TrendResult result = source.compute(last, kind, position);
    if (!result.ok)
        return ctx.refuse(result.error);

    QTextStream& out = ctx.out();
    if (format == OutputFormat::Json) {
        writeJson(out, toJson(result.table));
        return kExitOk;
    }
    const ResultTable grid = trendGrid(result.table);
    // The text form: the first column as wide as its longest caption, the
    // others right-aligned to the widest cell of the chart.
    TextLayout layout;
    layout.measure = TextLayout::Measure::Characters;
    layout.gap = QStringLiteral(" ");
    layout.first = { TextLayout::Align::Left, 12, false };
    layout.others = { TextLayout::Align::Right, 0, false };
    for (const QString& c : grid.allCells())
        layout.others.width = std::max(layout.others.width, static_cast<int>(c.size()));
    writeTable(out, format, grid, layout);
    if (format == OutputFormat::Text) {
        out << trendAbsenceNote(result.table) << '\n';
        out << "Each draw is independent: a long absence does not make a value due.\n";
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
        "tsv show hits by the value, json by 0. The shape kinds chart one value per draw: of the whole draw "
        "(drawsum: the sum in six zones, span, big: how many are 11..20, odd, repeat: how many were in the "
        "previous draw, consecutive: pairs n, n+1, dragontiger: the 1st number against the 8th) or of the number "
        "at --position (bigsmall, oddeven, tailbig, digitsumparity); their chance row is each column's exact "
        "chance.",
        {
            { &kLast },
            { &kKind },
            { &kPosition },
            { &search_option::kSkipGaps, "an omission does not run across a missing issue: it starts again after the "
                                         "hole, and the row after it shows the hole (缺N) in its missed cells" },
            { &kFormatOption, "text (aligned columns, the default), tsv (tab-separated) or json", kUsage },
        },
        runTrend,
        [](const QString&) { return QString::fromLatin1(kUsage); },
    };
    return command;
}

} // namespace corvinel
