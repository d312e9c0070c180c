#include "cli/CliContext.h"
#include "store/HistoryMaintenance.h"
#include "acquire/TextImport.h"

namespace corvinel {

// import FILE: replaces the history by the draws of a text file (cmdRdLst
// without its dialogs). Nothing changes when the file cannot be read or holds
// no usable line.
int runImport(CliContext& ctx, const QStringList& args)
{
    if (args.size() != 1)
        return ctx.usage(QStringLiteral("import takes one argument: FILE"));
    Session& s = ctx.session();
    HistoryMaintenance maintenance(s.store(), s.encoder(), s.zodiac());
    const ImportOutcome out = importTextFile(args[0], s.lastDrawQqh, s.snapshot(), maintenance, s.bases());
    for (const SkippedLine& skip : out.skipped)
        (out.ok ? ctx.out() : ctx.err()) << "skipped " << describeSkip(skip) << '\n';
    if (!out.ok) {
        ctx.out().flush();
        return ctx.refuse(out.error);
    }
    s.reloadHistory();
    s.nextIssueDisplay();
    s.patternRefresh();
    ctx.out() << "imported " << out.imported << " draws, skipped " << out.skipped.size() << " lines\n";
    if (!out.skipped.empty())
        ctx.out() << "skipped lines: " << skippedLineSummary(out.skipped, 50) << '\n';
    ctx.out().flush();
    return kExitOk;
}

} // namespace corvinel
