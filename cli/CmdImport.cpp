#include "cli/CliContext.h"
#include "session/HistoryChanges.h"

namespace corvinel {

// import FILE: replaces the history by the draws of a text file (cmdRdLst
// without its dialogs). Nothing changes when the file cannot be read or holds
// no usable line.
int runImport(CliContext& ctx, const ParsedArgs& parsed)
{
    const QStringList& args = parsed.positional;
    if (args.size() != 1)
        return ctx.usage(QStringLiteral("import takes one argument: FILE"));
    Session& s = ctx.session();
    // A file of the other game's history is refused: its issues would be
    // stored with the wrong width. --game names the game to import it as.
    {
        DrawLineResult lines;
        ImportOutcome read;
        if (readImportFile(args[0], s.lastDrawQqh(), &lines, &read)) {
            if (const auto m = otherGameOfLines(lines, s.choices().lotteryCode))
                return ctx.refuse(gameMismatchText(*m, s.choices().lotteryCode)
                                  + QStringLiteral("没有读入；如确是该彩种的历史号码，请加 --game %1。")
                                        .arg(m->lotteryCodes.front()));
        }
    }
    const ImportOutcome out = HistoryChanges(s).importTextFile(args[0]);
    for (const SkippedLine& skip : out.skipped)
        (out.ok ? ctx.out() : ctx.err()) << "skipped " << describeSkip(skip) << '\n';
    if (!out.ok) {
        ctx.out().flush();
        return ctx.refuse(out.error);
    }
    ctx.out() << "imported " << out.imported << " draws, skipped " << out.skipped.size() << " lines\n";
    if (!out.skipped.empty())
        ctx.out() << "skipped lines: " << skippedLineSummary(out.skipped, 50) << '\n';
    reportMissingIssues(ctx);
    ctx.out().flush();
    return kExitOk;
}

const CommandDecl& importCommand()
{
    static const CommandDecl command {
        "import",
        "import FILE",
        "replaces the stored draws by the draws of a text file",
        "Reads a text file with one draw per line (an optional issue number, then eight numbers 01..20) and\n"
        "replaces the stored history by its draws. Lines that are no draw are skipped and listed. A file that\n"
        "cannot be read, or holds no draw at all, changes nothing.",
        {},
        runImport
    };
    return command;
}

} // namespace corvinel
