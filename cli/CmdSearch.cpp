#include "cli/CliContext.h"
#include "analysis/ChanceStatistics.h"
#include "cli/JsonText.h"
#include "cli/SearchSetupArgs.h"
#include "analysis/SearchRules.h"
#include "core/IssueNumber.h"
#include "core/Kinds.h"
#include "session/SearchSetup.h"
#include "session/SessionSearch.h"
#include "export/WorkbookExport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <array>
#include <optional>

namespace corvinel {

namespace {

// The choices of one search or combo run, as parsed (not yet applied).
struct SearchArgs
{
    std::optional<int> kind;
    std::optional<int> resultKind;
    std::optional<std::array<bool, 9>> positions;
    std::optional<bool> free;
    std::optional<bool> previous;
    std::optional<int> back;
    std::optional<std::array<QString, 9>> pattern; // typed texts of the manual boxes, 1..8
    std::optional<QString> verify;
    bool onlyBefore = false;
    std::optional<int> resultPosition;
    std::optional<bool> group;
    std::optional<QString> from;
    std::optional<QString> to;
    std::optional<int> size;
    QString format = QStringLiteral("text");
    // --export-workbook: the matched draw list to "Jiansuo.xlsx" and the
    // ranking to "Jieguo.xlsx" in the data folder, after the write-back.
    bool exportWorkbook = false;
};

// A result grid as the window shows it: row 0 its header, then the body.
CellSource gridOf(const ResultTable& t)
{
    CellSource source;
    source.rows = t.rowCount() + 1;
    source.columns = t.columnCount();
    source.text = [&t](int row, int column) { return row == 0 ? t.header.value(column) : t.cell(row - 1, column); };
    return source;
}

// Reads the declared options in the order given (a later one overrides an
// earlier one); a usage error leaves `error` set.
std::optional<SearchArgs> parse(const ParsedArgs& args, QString* error)
{
    SearchArgs a;
    if (!args.positional.isEmpty()) {
        *error = QStringLiteral("unknown option %1").arg(args.positional.first());
        return std::nullopt;
    }
    for (const ParsedArgs::Given& given : args.options) {
        const QString& name = given.name;
        const QString& value = given.value;
        if (name == QLatin1String("--kind") || name == QLatin1String("--result-kind")) {
            const auto k = kindOf(value);
            if (!k) {
                *error = QStringLiteral("%1: \"%2\" is not number, zodiac, head, tail, sum, segment or 0..5")
                             .arg(name, value);
                return std::nullopt;
            }
            (name == QLatin1String("--kind") ? a.kind : a.resultKind) = *k;
        } else if (name == QLatin1String("--positions")) {
            std::array<bool, 9> ticked {};
            if (value != QLatin1String("none")) {
                for (const QString& part : value.split(u',')) {
                    const auto p = issue::wholeNumber(part);
                    if (!p || *p < 1 || *p > 8) {
                        *error = QStringLiteral("--positions takes positions 1..8 separated by commas, or none");
                        return std::nullopt;
                    }
                    ticked[static_cast<std::size_t>(*p)] = true;
                }
            }
            a.positions = ticked;
        } else if (name == QLatin1String("--free") || name == QLatin1String("--fixed")) {
            a.free = name == QLatin1String("--free");
        } else if (name == QLatin1String("--prev")) {
            a.previous = true;
        } else if (name == QLatin1String("--back")) {
            const auto n = issue::wholeNumber(value);
            if (!n || *n < 1 || *n > 9) {
                *error = QStringLiteral("--back takes a look-back count 1..9, not \"%1\"").arg(value);
                return std::nullopt;
            }
            a.previous = false;
            a.back = static_cast<int>(*n);
        } else if (name == QLatin1String("--pattern")) {
            const QStringList parts = value.split(u',');
            if (parts.size() != 8) {
                *error = QStringLiteral("--pattern takes eight values separated by commas");
                return std::nullopt;
            }
            std::array<QString, 9> typed;
            for (int k = 1; k <= 8; ++k) {
                const QString t = parts[k - 1].trimmed();
                if (!issue::wholeNumber(t)) {
                    *error = QStringLiteral("--pattern: \"%1\" is not a whole number").arg(t);
                    return std::nullopt;
                }
                typed[static_cast<std::size_t>(k)] = t;
            }
            a.pattern = typed;
        } else if (name == QLatin1String("--verify")) {
            a.verify = value;
        } else if (name == QLatin1String("--only-before")) {
            a.onlyBefore = true;
        } else if (name == QLatin1String("--export-workbook")) {
            a.exportWorkbook = true;
        } else if (name == QLatin1String("--result-pos")) {
            const auto p = issue::wholeNumber(value);
            if (!p || *p < 1 || *p > 8) {
                *error = QStringLiteral("--result-pos takes a position 1..8, not \"%1\"").arg(value);
                return std::nullopt;
            }
            a.resultPosition = static_cast<int>(*p);
        } else if (name == QLatin1String("--group") || name == QLatin1String("--direct")) {
            a.group = name == QLatin1String("--group");
        } else if (name == QLatin1String("--from")) {
            a.from = value;
        } else if (name == QLatin1String("--to")) {
            a.to = value;
        } else if (name == QLatin1String("--size")) {
            const auto n = issue::wholeNumber(value);
            if (!n || *n < -32768 || *n > 32767) {
                *error = QStringLiteral("--size takes a whole number, not \"%1\"").arg(value);
                return std::nullopt;
            }
            a.size = static_cast<int>(*n);
        } else if (name == QLatin1String("--format")) {
            if (value != QLatin1String("text") && value != QLatin1String("tsv") && value != QLatin1String("json")) {
                *error = QStringLiteral("unknown format %1 (text, tsv or json)").arg(value);
                return std::nullopt;
            }
            a.format = value;
        }
    }
    if (a.pattern && a.verify) {
        *error = QStringLiteral("--pattern (the manual tab) and --verify (the verification tab) exclude each other");
        return std::nullopt;
    }
    if (a.onlyBefore && !a.verify) {
        *error = QStringLiteral("--only-before belongs to --verify");
        return std::nullopt;
    }
    return a;
}

// The options of this run: the choices stored in the session (this run
// changes none of them), overridden by the arguments; the pattern from the
// last draw, the typed values or the verification issue.
SearchOptions optionsOf(const Session& s, const SearchArgs& a)
{
    SearchChoices c = SearchChoices::of(s);
    c.positions = a.positions.value_or(std::array<bool, 9> {});
    c.rangeFrom = a.from;
    c.rangeTo = a.to;
    if (a.kind)
        c.kind = *a.kind;
    if (a.resultKind)
        c.resultKind = *a.resultKind;
    if (a.free)
        c.freePosition = *a.free;
    if (a.previous)
        c.previousIssue = *a.previous;
    if (a.back)
        c.lookBack = *a.back;
    if (a.resultPosition)
        c.resultPosition = *a.resultPosition;
    if (a.group)
        c.group = *a.group;
    if (a.size)
        c.combinationSize = *a.size;

    PatternSource source;
    source.from = PatternSource::From::ReferenceDraw;
    if (a.pattern) {
        source.from = PatternSource::From::Typed;
        source.typed = *a.pattern;
    } else if (a.verify) {
        source.from = PatternSource::From::Verification;
        source.issue = *a.verify;
        source.onlyBefore = a.onlyBefore;
    }
    return searchOptions(s, c, source);
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

void printTsv(QTextStream& out, const ResultTable& t)
{
    out << t.header.join(u'\t') << '\n';
    for (int r = 0; r < t.rowCount(); ++r)
        out << t.row(r).join(u'\t') << '\n';
}

// Columns a text takes on a terminal: Chinese characters take two.
int displayWidth(const QString& text)
{
    int w = 0;
    for (const QChar ch : text)
        w += ch.unicode() >= 0x2E80 ? 2 : 1;
    return w;
}

void printText(QTextStream& out, const QString& title, const ResultTable& t)
{
    out << title << '\n';
    const int columns = t.columnCount();
    std::vector<int> width(static_cast<std::size_t>(columns), 0);
    for (int c = 0; c < columns; ++c) {
        width[c] = displayWidth(t.header[c]);
        for (int r = 0; r < t.rowCount(); ++r)
            width[c] = std::max(width[c], displayWidth(t.cell(r, c)));
    }
    auto line = [&](const QStringList& cells) {
        QString text;
        for (int c = 0; c < columns; ++c) {
            text += cells[c];
            if (c + 1 < columns)
                text += QString(width[c] - displayWidth(cells[c]) + 2, u' ');
        }
        out << text << '\n';
    };
    line(t.header);
    for (int r = 0; r < t.rowCount(); ++r)
        line(t.row(r));
}

int runSearchCommand(CliContext& ctx, const ParsedArgs& args, bool combo)
{
    QString error;
    const auto a = parse(args, &error);
    if (!a)
        return ctx.usage(error);
    Session& s = ctx.session();
    const SearchOptions options = optionsOf(s, *a);
    // The verification page's pattern needs the draw before the issue.
    if (a->verify) {
        if (const auto r = rules::verificationRefusal(*a->verify, s.lotteryCode, s.drawsPerDay, s.snapshot(),
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

    QStringList written;
    if (a->exportWorkbook) {
        for (const auto& [file, table] : { std::pair { workbook::kMatchesFile, &result.matches },
                                           std::pair { workbook::kRankingFile, &result.ranking } }) {
            const ExportResult w = workbook::writeInto(s.dataFolder(), file, gridOf(*table));
            if (!w.ok)
                return ctx.refuse(w.error);
            written << QDir::toNativeSeparators(w.path);
        }
    }

    const ChanceFigures chance = chanceFigures(result, options);
    QTextStream& out = ctx.out();
    if (a->format == QLatin1String("json")) {
        // The keys in the order a QJsonObject keeps them (sorted); the two
        // tables are written straight as text.
        QByteArray doc = "{\"chance\":" + QJsonDocument(chanceJson(chance)).toJson(QJsonDocument::Compact);
        doc += ",\"matches\":";
        appendTableJson(doc, result.matches);
        doc += ",\"ranking\":";
        appendTableJson(doc, result.ranking);
        doc += ",\"summary\":" + QJsonDocument(summaryJson(options, chance, combo)).toJson(QJsonDocument::Compact);
        if (a->exportWorkbook)
            doc += ",\"workbooks\":"
                + QJsonDocument(QJsonArray::fromStringList(written)).toJson(QJsonDocument::Compact);
        doc += "}\n";
        out.flush();
        out.device()->write(doc);
    } else if (a->format == QLatin1String("tsv")) {
        printTsv(out, result.matches);
        out << '\n';
        printTsv(out, result.ranking);
    } else {
        printText(out, QStringLiteral("matched draws: %1").arg(result.matches.rowCount()), result.matches);
        out << '\n';
        printText(out, QStringLiteral("ranking (base %1)").arg(result.base), result.ranking);
        out << '\n';
        printText(out, QStringLiteral("beside chance (uniform model, %1 tallied values)").arg(chance.tallied),
                  chanceTable(chance));
        out << chanceVerdict(chance) << '\n' << chanceExplanation(chance) << '\n';
    }
    if (a->format != QLatin1String("json")) {
        for (const QString& path : written)
            out << "wrote " << path << '\n';
    }
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

// The options search and combo share; combo adds --size.
std::vector<OptionDecl> searchOptionDecls(bool combo)
{
    std::vector<OptionDecl> o = {
        { "--kind", "K", "what the pattern compares: number, zodiac, head, tail, sum or segment (or 0..5)" },
        { "--positions", "LIST",
          "the positions of the pattern that must match, e.g. 1,3,8 (none: every draw in the range matches)" },
        { "--fixed", nullptr, "a value must be at that very position of a draw" },
        { "--free", nullptr, "a value may be anywhere in the draw" },
        { "--prev", nullptr, "compare each draw with the draw just before it" },
        { "--back", "N", "compare each draw with the draw N (1..9) issues before it" },
        { "--pattern", "V1,...,V8", "typed values for positions 1..8 instead of the last draw's" },
        { "--verify", "ISSUE", "take the pattern from the draw before ISSUE, to check a past draw" },
        { "--only-before", nullptr, "with --verify: search only the draws before ISSUE" },
        { "--result-kind", "K", "what the ranking counts: number, zodiac, head, tail, sum or segment (or 0..5)" },
        { "--result-pos", "P", "the position 1..8 whose value the ranking counts" },
        { "--group", nullptr, "count the values of positions 1 up to the result position" },
        { "--direct", nullptr, "count only the value at the result position" },
        { "--from", "ISSUE", "the first draw of the range, as shown (e.g. 2025091501)" },
        { "--to", "ISSUE", "the last draw of the range, as shown" },
        { "--format", "FORMAT", "text (the default), tsv or json" },
        { "--export-workbook", nullptr, "also write the matches to Jiansuo.xlsx and the ranking to Jieguo.xlsx" },
    };
    if (combo)
        o.insert(o.begin() + 1, { "--size", "N", "how many positions of the pattern each combination takes (1..6)" });
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
        searchOptionDecls(false),
        runSearch,
        [](const QString& arg) {
            if (arg == QLatin1String("--size") || arg.startsWith(QLatin1String("--size=")))
                return QStringLiteral("--size belongs to combo");
            return QStringLiteral("unknown option %1").arg(arg);
        }
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
        searchOptionDecls(true),
        runCombo
    };
    return command;
}

} // namespace corvinel

namespace corvinel {

std::vector<OptionDecl> searchSetupOptions()
{
    static const QStringList others
        = { "--size", "--pattern", "--verify", "--only-before", "--from", "--to", "--format", "--export-workbook" };
    std::vector<OptionDecl> out;
    for (const OptionDecl& o : searchOptionDecls(true))
        if (!others.contains(QLatin1String(o.name)))
            out.push_back(o);
    return out;
}

std::optional<SearchOptions> searchSetupFrom(const Session& session, const ParsedArgs& args, QString* error)
{
    const auto a = parse(args, error);
    if (!a)
        return std::nullopt;
    return optionsOf(session, *a);
}

} // namespace corvinel
