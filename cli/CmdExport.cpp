#include "cli/CliContext.h"
#include "session/HistoryGrid.h"
#include "export/HistoryTextExport.h"
#include "export/WorkbookExport.h"

#include <QDir>

namespace corvinel {

namespace {

// The history grid MSFlexGrid1 as the window shows it: row 0 its header, then
// one row per stored draw.
CellSource historyGrid(const HistorySnapshot& snapshot)
{
    CellSource source;
    source.rows = HistoryGrid::rowCount(snapshot) + 1;
    source.columns = HistoryGrid::kColumns;
    const QStringList header = HistoryGrid::header();
    source.text = [&snapshot, header](int row, int column) {
        return row == 0 ? header.value(column) : HistoryGrid::cell(snapshot, row - 1, column);
    };
    return source;
}

} // namespace

// export text | export workbook: the history grid to the text file
// "更新至<issue>期历史号码.txt" or to "lishi.xlsx" in the data folder. Prints
// the path written; opens nothing.
int runExport(CliContext& ctx, const ParsedArgs& parsed)
{
    const QStringList& args = parsed.positional;
    if (args.size() != 1 || (args[0] != QLatin1String("text") && args[0] != QLatin1String("workbook")))
        return ctx.usage(QStringLiteral("export takes one argument: text or workbook"));
    Session& s = ctx.session();
    const HistorySnapshot& snapshot = s.snapshot();
    // A history read only up to an error is never exported.
    if (snapshot.readFailed())
        return ctx.refuse(snapshot.readError());
    ExportResult result;
    if (args[0] == QLatin1String("text")) {
        std::optional<std::int64_t> last;
        if (const SnapshotRow* row = snapshot.last())
            last = row->sqqh;
        result = history_text::write(s.dataFolder(), last, historyGrid(snapshot));
    } else {
        result = workbook::writeInto(s.dataFolder(), workbook::kHistoryFile, historyGrid(snapshot));
    }
    if (!result.ok)
        return ctx.refuse(result.error);
    ctx.out() << QDir::toNativeSeparators(result.path) << '\n';
    ctx.out().flush();
    return kExitOk;
}

const CommandDecl& exportCommand()
{
    static const CommandDecl command {
        "export",
        "export text|workbook",
        "writes the history to a text file or to a workbook",
        "export text writes the history to \"更新至<issue>期历史号码.txt\", export workbook to \"lishi.xlsx\",\n"
        "both in the data folder; prints the path of the file written.",
        {},
        runExport
    };
    return command;
}

} // namespace corvinel
