#include "cli/CliContext.h"
#include "core/IssueNumber.h"
#include "session/HistoryChanges.h"
#include "store/BackupRebuild.h"

namespace corvinel {

namespace {

const OptionDecl kYes { "--yes", nullptr, "confirms that every draw is to be deleted" };

// `compactWhat` opens the warning when the change went through but the
// compaction after it failed.
int finish(CliContext& ctx, const HistoryChange& out, const char* compactWhat)
{
    if (!out.ok) {
        if (out.failedStep == HistoryChange::Step::Backup)
            return ctx.refuse(out.error + QStringLiteral("; the history was left as it was"));
        return ctx.refuse(out.error);
    }
    if (!out.compactError.isEmpty())
        ctx.err() << "warning: " << compactWhat << ", but compacting the database failed: " << out.compactError << '\n';
    ctx.out() << "deleted " << out.deleted << " draws, " << ctx.session().snapshot().recordCount() << " left\n";
    ctx.err().flush();
    ctx.out().flush();
    return kExitOk;
}

} // namespace

// delete-last [N]: N = 1 deletes the last draw (Command3), N > 1 the last N
// draws through the backup file and the rebuild (mnuEszhzd).
int runDeleteLast(CliContext& ctx, const ParsedArgs& parsed)
{
    const QStringList& args = parsed.positional;
    if (args.size() > 1)
        return ctx.usage(QStringLiteral("delete-last takes at most one argument: N"));
    int n = 1;
    if (!args.isEmpty()) {
        const auto v = deleteCountAnswer(args[0]);
        if (!v || *v < 1)
            return ctx.refuse(
                QStringLiteral("N must be a whole number of at least 1, not \"%1\"; nothing deleted").arg(args[0]));
        n = *v;
    }
    // Deleting every draw is what clear does; it asks for the same --yes.
    if (ctx.session().snapshot().readFailed())
        return ctx.refuse(ctx.session().snapshot().readError() + QStringLiteral("; nothing deleted"));
    const int stored = ctx.session().snapshot().recordCount();
    if (stored > 0 && n >= stored && !parsed.has(kYes))
        return ctx.refuse(
            QStringLiteral("删除最后%1期将删除全部%2期历史号码；确要全部删除请加 --yes。").arg(n).arg(stored));
    HistoryChanges changes(ctx.session());
    if (n == 1)
        return finish(ctx, changes.deleteLastDraw(), "the last draw was deleted");
    return finish(ctx, changes.deleteLastDraws(n), "the history was changed");
}

// delete-after ISSUE: keeps the draws up to and including ISSUE (display
// form, e.g. 20161212001) and rebuilds them (mnuDlzd).
int runDeleteAfter(CliContext& ctx, const ParsedArgs& parsed)
{
    const QStringList& args = parsed.positional;
    if (args.size() != 1)
        return ctx.usage(QStringLiteral("delete-after takes one argument: ISSUE (display form)"));
    Session& s = ctx.session();
    const auto t = deleteAfterAnswer(args[0], s.choices().lotteryCode);
    if (!t || *t <= 0)
        return ctx.refuse(QStringLiteral("\"%1\" is not an issue number in display form (\"20\" and %2 digits in all); "
                                         "nothing deleted")
                              .arg(args[0])
                              .arg(2 + 6 + issue::sequenceDigits(s.choices().lotteryCode)));
    return finish(ctx, HistoryChanges(s).deleteDrawsAfter(*t), "the history was changed");
}

// clear --yes: deletes every draw (mnuClear answered with OK).
int runClear(CliContext& ctx, const ParsedArgs& args)
{
    if (!args.has(kYes) || !args.positional.isEmpty())
        return ctx.refuse(QStringLiteral("clear deletes every draw; confirm with: clear --yes"));
    const HistoryChange out = HistoryChanges(ctx.session()).clear();
    if (!out.ok)
        return ctx.refuse(out.error);
    ctx.out() << "deleted " << out.deleted << " draws, 0 left\n";
    ctx.out().flush();
    return kExitOk;
}

const CommandDecl& deleteLastCommand()
{
    static const CommandDecl command {
        "delete-last",
        "delete-last [N]",
        "deletes the last N stored draws (default 1)",
        "Deletes the newest N draws (1 when N is not given). For more than one draw the draws to keep are written\n"
        "to the backup file \"lsbf.txt\" and the history is rebuilt from it; then the database is compacted.\n"
        "A failure leaves the history as it was. Deleting every stored draw needs --yes, as clear does.",
        { { &kYes, "confirms that every draw is to be deleted when N covers them all" } },
        runDeleteLast
    };
    return command;
}

const CommandDecl& deleteAfterCommand()
{
    static const CommandDecl command {
        "delete-after",
        "delete-after ISSUE",
        "deletes every draw after the given issue number",
        "Keeps the draws up to and including ISSUE (as shown, e.g. 20161212001) and deletes the newer ones,\n"
        "through the backup file \"lsbf.txt\" and a rebuild; then the database is compacted.",
        {},
        runDeleteAfter
    };
    return command;
}

const CommandDecl& clearCommand()
{
    static const CommandDecl command { "clear",
                                       "clear --yes",
                                       "deletes every stored draw (asks for --yes)",
                                       "Deletes every stored draw. Nothing happens without --yes.",
                                       { { &kYes } },
                                       runClear };
    return command;
}

} // namespace corvinel
