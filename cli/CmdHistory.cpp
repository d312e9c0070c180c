#include "cli/CliContext.h"
#include "cli/Output.h"
#include "analysis/ResultTable.h"
#include "session/HistoryGrid.h"

namespace corvinel {

// history [--format text|tsv|json]: the cells of the history grid.
namespace {

constexpr const char* kOnlyFormat = "history takes only --format text|tsv|json";

} // namespace

int runHistory(CliContext& ctx, const ParsedArgs& args)
{
    if (!args.positional.isEmpty())
        return ctx.usage(QString::fromLatin1(kOnlyFormat));
    const OutputFormat format = args.get(kFormatOption).value_or(OutputFormat::Text);

    const HistorySnapshot& snap = ctx.session().snapshot();
    if (snap.readFailed())
        return ctx.refuse(snap.readError());
    ResultTable grid;
    grid.header = HistoryGrid::header();
    grid.lazyRows = HistoryGrid::rowCount(snap);
    grid.lazyCell = [&snap](int row, int column) { return HistoryGrid::cell(snap, row, column); };
    // Column 0 as wide as an issue number, the numbers right-aligned.
    TextLayout layout;
    layout.gap = QStringLiteral(" ");
    layout.first = { TextLayout::Align::Left, 14, false };
    layout.others = { TextLayout::Align::Right, 4, false };
    QTextStream& out = ctx.out();
    writeTable(out, format, grid, layout);
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
        { { &kFormatOption, "text (aligned columns, the default), tsv (tab-separated) or json", kOnlyFormat } },
        runHistory,
        [](const QString&) { return QString::fromLatin1(kOnlyFormat); }
    };
    return command;
}

} // namespace corvinel
