#include "cli/CliContext.h"
#include "core/PausePoint.h"
#include "store/SqliteDb.h"
#include "analysis/ChanceStatistics.h"
#include "cli/Output.h"
#include "cli/SearchOptionSet.h"
#include "analysis/SearchRules.h"
#include "core/Kinds.h"
#include "session/SearchSetup.h"
#include "session/SessionSearch.h"
#include "export/WorkbookExport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonObject>

namespace corvinel {

namespace {

// --export-workbook: the matched draw list to "Jiansuo.xlsx" and the ranking
// to "Jieguo.xlsx" in the data folder, after the write-back.
const OptionDecl kExportWorkbook { "--export-workbook", nullptr,
                                   "also write the matches to Jiansuo.xlsx and the ranking to Jieguo.xlsx" };

// A result grid as the window shows it: row 0 its header, then the body.
CellSource gridOf(const ResultTable& t)
{
    CellSource source;
    source.rows = t.rowCount() + 1;
    source.columns = t.columnCount();
    source.text = [&t](int row, int column) { return row == 0 ? t.header.value(column) : t.cell(row - 1, column); };
    return source;
}

// A figure that may be empty: a JSON number, or null.
QJsonValue numberOrNull(const std::optional<double>& v)
{
    return v ? QJsonValue(*v) : QJsonValue(QJsonValue::Null);
}

// What was searched: the matched draws, the tallied values, the range, the
// pattern and its positions (combo: none ticked, and the combination size).
QJsonObject summaryJson(const SearchOptions& o, const ChanceFigures& f, bool combo)
{
    QJsonObject s;
    s.insert(QStringLiteral("matched"), static_cast<qint64>(f.matched));
    s.insert(QStringLiteral("tallied"), static_cast<qint64>(f.tallied));
    s.insert(QStringLiteral("from"), o.rangeFrom);
    s.insert(QStringLiteral("to"), o.rangeTo);
    QJsonArray pattern, positions;
    for (int p = 1; p <= kPositions; ++p) {
        pattern.append(o.pattern[p]);
        if (!combo && o.positions[p])
            positions.append(p);
    }
    s.insert(QStringLiteral("pattern"), pattern);
    s.insert(QStringLiteral("positions"), positions);
    if (combo)
        s.insert(QStringLiteral("size"), o.combinationSize);
    return s;
}

// "pairs across gaps: K" and whether they were left out; empty when none.
QString pairsAcrossGapsLine(const SearchResult& result, const SearchOptions& o)
{
    if (result.pairsAcrossGaps == 0)
        return {};
    return QStringLiteral("pairs across gaps: %1%2")
        .arg(result.pairsAcrossGaps)
        .arg(o.skipGaps ? QStringLiteral(" (left out: --skip-gaps)") : QString());
}

// The ranking beside chance, rows in ranking order.
QJsonObject chanceJson(const ChanceFigures& f)
{
    QJsonObject c;
    c.insert(QStringLiteral("model"), QStringLiteral("uniform"));
    c.insert(QStringLiteral("tallied"), static_cast<qint64>(f.tallied));
    c.insert(QStringLiteral("chi_square"), numberOrNull(f.chiSquare));
    c.insert(QStringLiteral("df"), f.df ? QJsonValue(*f.df) : QJsonValue(QJsonValue::Null));
    c.insert(QStringLiteral("p_value"), numberOrNull(f.pValue));
    // How the whole-ranking p was found (none without one), the verdict, the
    // group-mode statistic referred to chi-square and the smallest lift the
    // test finds half the time.
    c.insert(QStringLiteral("p_method"), f.pValue ? QJsonValue(chanceMethodKey(f.method)) : QJsonValue(QJsonValue::Null));
    c.insert(QStringLiteral("verdict"), chanceVerdictKey(f.verdict));
    c.insert(QStringLiteral("chi_square_adjusted"), numberOrNull(f.chiSquareAdjusted));
    c.insert(QStringLiteral("detectable_lift"), numberOrNull(f.detectableLift));
    QJsonArray rows;
    for (const ChanceRow& r : f.rows) {
        QJsonObject row;
        row.insert(QStringLiteral("value"), r.text);
        row.insert(QStringLiteral("count"), static_cast<qint64>(r.count));
        row.insert(QStringLiteral("expected"), r.expected);
        row.insert(QStringLiteral("expected_pct"), numberOrNull(r.expectedPct));
        row.insert(QStringLiteral("range_pct"), numberOrNull(r.rangePct));
        row.insert(QStringLiteral("lift"), numberOrNull(r.lift));
        row.insert(QStringLiteral("ci_low_pct"), numberOrNull(r.ciLowPct));
        row.insert(QStringLiteral("ci_high_pct"), numberOrNull(r.ciHighPct));
        row.insert(QStringLiteral("p_value"), numberOrNull(r.pValue));
        row.insert(QStringLiteral("q_value"), numberOrNull(r.qValue));
        rows.append(row);
    }
    c.insert(QStringLiteral("rows"), rows);
    return c;
}

int runSearchCommand(CliContext& ctx, const ParsedArgs& args, bool combo)
{
    if (!args.positional.isEmpty())
        return ctx.usage(QStringLiteral("unknown option %1").arg(args.positional.first()));
    Session& s = ctx.session();
    // The choices stored in the session (this run changes none of them),
    // overridden by the arguments.
    const SearchRead read = readSearchOptions(args, SearchChoices::of(s));
    if (!read.ok())
        return ctx.usage(read.error);
    // The pattern, the range and the search read one state of the history:
    // another program's import or deletion waits or comes after.
    std::optional<ReadTransaction> oneHistory(std::in_place, s.store().db());
    const SearchOptions options = searchOptions(s, read.choices, read.source);
    pausePoint("search-read");
    // The verification page's pattern needs the draw before the issue.
    if (read.source.from == PatternSource::From::Verification) {
        if (const auto r = rules::verificationRefusal(read.source.issue, s.choices().lotteryCode, s.choices().drawsPerDay, s.storedDraws(),
                                                      options.previousIssue, options.lookBack))
            return ctx.refuse(*r);
    }

    QElapsedTimer clock;
    clock.start();
    SessionSearch search(s);
    SearchResult result = combo ? search.combination(options) : search.followPattern(options);
    const qint64 searchMs = clock.restart();
    if (!result.ok)
        return ctx.refuse(result.message);
    // The write-back runs on its own connection: the read lock ends first.
    oneHistory.reset();
    QString error;
    // The write-back takes the window's road: the session's background
    // writer, on its own connection; this command waits for it.
    bool marksWritten = false;
    if (search.startWriteBack(
            result,
            [&](bool ok, const QString& e) {
                marksWritten = ok;
                error = e;
            },
            &error))
        s.waitForWrites();
    if (!marksWritten)
        return ctx.refuse(QStringLiteral("the search ran but its marks could not be written: %1").arg(error));

    const qint64 writeMs = clock.elapsed();
    // CORVINEL_TIMING=1: how long the search and its write-back took.
    if (qEnvironmentVariableIsSet("CORVINEL_TIMING"))
        ctx.err() << "search " << searchMs << " ms, write-back " << writeMs << " ms" << Qt::endl;

    const bool exportWorkbook = args.has(kExportWorkbook);
    QStringList written;
    if (exportWorkbook) {
        for (const auto& [file, table] : { std::pair { workbook::kMatchesFile, &result.matches },
                                           std::pair { workbook::kRankingFile, &result.ranking } }) {
            const ExportResult w = workbook::writeInto(s.dataFolder(), file, gridOf(*table));
            if (!w.ok)
                return ctx.refuse(w.error);
            written << QDir::toNativeSeparators(w.path);
        }
    }

    const ChanceFigures chance = chanceFigures(result, options);
    const OutputFormat format = args.get(kFormatOption).value_or(OutputFormat::Text);
    QTextStream& out = ctx.out();
    if (format == OutputFormat::Json) {
        // The keys in the order a QJsonObject keeps them (sorted); the two
        // tables are written straight as text.
        JsonObjectText doc;
        doc.add("chance", chanceJson(chance));
        doc.add("matches", result.matches);
        doc.add("ranking", result.ranking);
        QJsonObject summary = summaryJson(options, chance, combo);
        summary.insert(QStringLiteral("pairs_across_gaps"), result.pairsAcrossGaps);
        summary.insert(QStringLiteral("skip_gaps"), options.skipGaps);
        doc.add("summary", summary);
        if (exportWorkbook)
            doc.add("workbooks", QJsonArray::fromStringList(written));
        writeJson(out, doc.text());
        return kExitOk;
    }
    if (format == OutputFormat::Tsv) {
        writeTsv(out, result.matches);
        out << '\n';
        writeTsv(out, result.ranking);
    } else {
        out << "matched draws: " << result.matches.rowCount() << '\n';
        if (const QString gapsLine = pairsAcrossGapsLine(result, options); !gapsLine.isEmpty())
            out << gapsLine << '\n';
        writeText(out, result.matches);
        out << "\nranking (base " << result.base << ")\n";
        writeText(out, result.ranking);
        out << "\nbeside chance (uniform model, " << chance.tallied << " tallied values)\n";
        writeText(out, chanceTable(chance));
        out << chanceVerdict(chance) << '\n' << chanceExplanation(chance) << '\n';
    }
    for (const QString& path : written)
        out << "wrote " << path << '\n';
    out.flush();
    return kExitOk;
}

} // namespace

// search [options]: Command1, the follow-pattern search.
int runSearch(CliContext& ctx, const ParsedArgs& args)
{
    return runSearchCommand(ctx, args, false);
}

// combo [options]: Command2, the combination search.
int runCombo(CliContext& ctx, const ParsedArgs& args)
{
    return runSearchCommand(ctx, args, true);
}

namespace {

// The search set, then how the result is written.
std::vector<CommandOption> searchCommandDecl(bool combo)
{
    std::vector<CommandOption> o = searchCommandOptions(combo);
    o.push_back({ &kFormatOption });
    o.push_back({ &kExportWorkbook });
    return o;
}

} // namespace

const CommandDecl& searchCommand()
{
    static const CommandDecl command {
        "search",
        "search [OPTIONS]",
        "finds the draws that came after a draw like the last one and ranks their values",
        "The follow-pattern search: finds every draw in the range whose earlier draw (the one before it, or N\n"
        "back) matches the pattern (by default the values of the last draw) at the chosen positions, lists those\n"
        "draws and ranks how often each value occurs in them. The options apply to this run only; the stored\n"
        "settings stay as they are. A ranking describes past draws only; it does not predict the next one.",
        searchCommandDecl(false),
        runSearch,
        [](const QString& arg) {
            // combo's option, named where search meets it.
            const QLatin1String size(search_option::kSize.name);
            if (arg == size || arg.startsWith(size + u'='))
                return QStringLiteral("--size belongs to combo");
            return QStringLiteral("unknown option %1").arg(arg);
        },
    };
    return command;
}

const CommandDecl& comboCommand()
{
    static const CommandDecl command {
        "combo",
        "combo [OPTIONS]",
        "the same search over every set of N positions of the pattern",
        "The combination search: runs the follow-pattern search for every set of --size positions of the\n"
        "pattern and ranks how often each value occurs in the matched draws. The options apply to this run only.",
        searchCommandDecl(true),
        runCombo,
    };
    return command;
}

} // namespace corvinel
