#include "cli/CliContext.h"
#include "core/IssueNumber.h"
#include "core/Kinds.h"
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

std::optional<int> kindOf(const QString& text)
{
    static const char* names[] = { "number", "zodiac", "head", "tail", "sum", "segment" };
    for (int k = 0; k < kKindCount; ++k)
        if (text == QLatin1String(names[k]) || text == QString::number(k))
            return k;
    return std::nullopt;
}

// Parses the arguments; a usage error leaves `error` set.
std::optional<SearchArgs> parse(const QStringList& args, bool combo, QString* error)
{
    SearchArgs a;
    for (int i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        QString name = arg, value;
        bool inlineValue = false;
        if (arg.startsWith(QLatin1String("--")) && arg.contains(u'=')) {
            name = arg.left(arg.indexOf(u'='));
            value = arg.mid(arg.indexOf(u'=') + 1);
            inlineValue = true;
        }
        static const QStringList valued
            = { "--kind",       "--result-kind", "--positions", "--back", "--pattern", "--verify",
                "--result-pos", "--from",        "--to",        "--size", "--format" };
        static const QStringList flags
            = { "--free", "--fixed", "--prev", "--group", "--direct", "--only-before", "--export-workbook" };
        if (valued.contains(name)) {
            if (!inlineValue) {
                if (i + 1 >= args.size()) {
                    *error = QStringLiteral("%1 needs a value").arg(name);
                    return std::nullopt;
                }
                value = args[++i];
            }
        } else if (flags.contains(name)) {
            if (inlineValue) {
                *error = QStringLiteral("%1 takes no value").arg(name);
                return std::nullopt;
            }
        } else {
            *error = QStringLiteral("unknown option %1").arg(arg);
            return std::nullopt;
        }

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
            if (!combo) {
                *error = QStringLiteral("--size belongs to combo");
                return std::nullopt;
            }
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

// The choices as the user would make them in the window after start-up:
// first the option groups (the stored settings stay as they are: this run
// only), then the tab, then the range boxes.
void apply(Session& s, const SearchArgs& a)
{
    if (a.kind)
        s.searchKind = *a.kind;
    if (a.resultKind) {
        s.resultKind = *a.resultKind;
        s.resultKindLetter = QString::fromLatin1(kindLetter(*a.resultKind).data(), 1);
    }
    if (a.free)
        s.bolZyw = *a.free;
    if (a.previous)
        s.bolSq = *a.previous;
    if (a.back) {
        s.lookBack = *a.back;
        s.maskEdBox2 = QString::number(*a.back);
    }
    if (a.resultPosition)
        s.consqSort = *a.resultPosition;
    if (a.group)
        s.bolZuxuan = *a.group;
    if (a.size) {
        s.zhWSetup = *a.size;
        s.combo1 = QString::number(*a.size);
    }
    // What start-up derives from these choices: the default range start and
    // the pattern of the reference draw.
    s.defaultRangeStart();
    s.patternRefresh();

    const std::array<bool, 9> ticked = a.positions.value_or(std::array<bool, 9> {});
    if (a.pattern) {
        s.selectTab(Session::TabManual);
        for (int k = 1; k <= kPositions; ++k) {
            const int e = Session::manualElementOfPosition(k);
            s.manualBoxLostFocus(e, (*a.pattern)[static_cast<std::size_t>(k)]);
            s.check11[static_cast<std::size_t>(e)] = ticked[static_cast<std::size_t>(k)];
        }
    } else if (a.verify) {
        s.text4 = *a.verify;
        s.selectTab(Session::TabVerify);
        if (a.onlyBefore)
            s.check4Clicked(true);
        for (int k = 1; k <= kPositions; ++k)
            s.check1[10 + static_cast<std::size_t>(k)] = ticked[static_cast<std::size_t>(k)];
    } else {
        for (int k = 1; k <= kPositions; ++k)
            s.check1[static_cast<std::size_t>(k)] = ticked[static_cast<std::size_t>(k)];
    }
    if (a.from)
        s.text3[0] = *a.from;
    if (a.to)
        s.text3[1] = *a.to;
}

QJsonObject tableJson(const ResultTable& t)
{
    QJsonArray rows;
    for (int r = 0; r < t.rowCount(); ++r)
        rows.append(QJsonArray::fromStringList(t.row(r)));
    QJsonObject o;
    o.insert(QStringLiteral("header"), QJsonArray::fromStringList(t.header));
    o.insert(QStringLiteral("rows"), rows);
    return o;
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

int runSearchCommand(CliContext& ctx, const QStringList& args, bool combo)
{
    QString error;
    const auto a = parse(args, combo, &error);
    if (!a)
        return ctx.usage(error);
    Session& s = ctx.session();
    apply(s, *a);

    QElapsedTimer clock;
    clock.start();
    SessionSearch search(s);
    SearchResult result = combo ? search.combination() : search.followPattern();
    const qint64 searchMs = clock.restart();
    if (!result.ok)
        return ctx.refuse(result.message);
    if (!search.writeBack(result, &error))
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

    QTextStream& out = ctx.out();
    if (a->format == QLatin1String("json")) {
        QJsonObject o;
        o.insert(QStringLiteral("matches"), tableJson(result.matches));
        o.insert(QStringLiteral("ranking"), tableJson(result.ranking));
        if (a->exportWorkbook)
            o.insert(QStringLiteral("workbooks"), QJsonArray::fromStringList(written));
        out << QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact)) << '\n';
    } else if (a->format == QLatin1String("tsv")) {
        printTsv(out, result.matches);
        out << '\n';
        printTsv(out, result.ranking);
    } else {
        printText(out, QStringLiteral("matched draws: %1").arg(result.matches.rowCount()), result.matches);
        out << '\n';
        printText(out, QStringLiteral("ranking (base %1)").arg(result.base), result.ranking);
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
int runSearch(CliContext& ctx, const QStringList& args)
{
    return runSearchCommand(ctx, args, false);
}

// combo [options]: Command2, the combination search.
int runCombo(CliContext& ctx, const QStringList& args)
{
    return runSearchCommand(ctx, args, true);
}

} // namespace corvinel
