#include "cli/CliContext.h"
#include "session/HistoryGrid.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace corvinel {

// history [--format text|tsv|json]: the cells of the history grid.
namespace {

constexpr const char* kOnlyFormat = "history takes only --format text|tsv|json";

} // namespace

int runHistory(CliContext& ctx, const ParsedArgs& args)
{
    if (!args.positional.isEmpty())
        return ctx.usage(QString::fromLatin1(kOnlyFormat));
    const QString format = args.value("--format").value_or(QStringLiteral("text"));
    if (format != QLatin1String("text") && format != QLatin1String("tsv") && format != QLatin1String("json"))
        return ctx.usage(QStringLiteral("unknown format %1 (text, tsv or json)").arg(format));

    const HistorySnapshot& snap = ctx.session().snapshot();
    const QStringList header = HistoryGrid::header();
    const int rows = HistoryGrid::rowCount(snap);
    QTextStream& out = ctx.out();

    if (format == QLatin1String("json")) {
        QJsonArray rowArray;
        for (int r = 0; r < rows; ++r) {
            QJsonArray cells;
            for (int c = 0; c < HistoryGrid::kColumns; ++c)
                cells.append(HistoryGrid::cell(snap, r, c));
            rowArray.append(cells);
        }
        QJsonObject o;
        o.insert(QStringLiteral("header"), QJsonArray::fromStringList(header));
        o.insert(QStringLiteral("rows"), rowArray);
        out << QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact)) << '\n';
    } else if (format == QLatin1String("tsv")) {
        out << header.join(QLatin1Char('\t')) << '\n';
        for (int r = 0; r < rows; ++r) {
            for (int c = 0; c < HistoryGrid::kColumns; ++c) {
                if (c)
                    out << '\t';
                out << HistoryGrid::cell(snap, r, c);
            }
            out << '\n';
        }
    } else {
        // Column 0 as wide as an issue number, the numbers right-aligned.
        out << header[0].leftJustified(12);
        for (int c = 1; c < HistoryGrid::kColumns; ++c)
            out << ' ' << header[c];
        out << '\n';
        for (int r = 0; r < rows; ++r) {
            out << HistoryGrid::cell(snap, r, 0).leftJustified(14);
            for (int c = 1; c < HistoryGrid::kColumns; ++c)
                out << ' ' << HistoryGrid::cell(snap, r, c).rightJustified(4);
            out << '\n';
        }
    }
    out.flush();
    return kExitOk;
}

const CommandDecl& historyCommand()
{
    static const CommandDecl command {
        "history",
        "history [--format text|tsv|json]",
        "prints every stored draw, as the history grid shows them",
        "Prints the history grid: one line per stored draw, its issue number and its eight numbers.",
        { { "--format", "FORMAT", "text (aligned columns, the default), tsv (tab-separated) or json", kOnlyFormat } },
        runHistory,
        [](const QString&) { return QString::fromLatin1(kOnlyFormat); }
    };
    return command;
}

} // namespace corvinel
