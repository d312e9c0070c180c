#include "store/BackupRebuild.h"
#include "cli/CliContext.h"
#include "store/HistoryMaintenance.h"
#include "core/IssueNumber.h"

namespace corvinel {

namespace {

int finish(CliContext& ctx, const MaintenanceOutcome& out)
{
    if (!out.ok)
        return ctx.refuse(out.error);
    Session& s = ctx.session();
    s.reloadHistory();
    s.nextIssueDisplay();
    s.patternRefresh();
    if (!out.warning.isEmpty())
        ctx.err() << "warning: " << out.warning << '\n';
    ctx.out() << "deleted " << out.deleted << " draws, " << s.snapshot().recordCount() << " left\n";
    ctx.err().flush();
    ctx.out().flush();
    return kExitOk;
}

} // namespace

// delete-last [N]: N = 1 deletes the last draw (Command3), N > 1 the last N
// draws through the backup file and the rebuild (mnuEszhzd).
int runDeleteLast(CliContext& ctx, const QStringList& args)
{
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
    Session& s = ctx.session();
    HistoryMaintenance maintenance(s.store(), s.encoder(), s.zodiac());
    if (n == 1)
        return finish(ctx, deleteLastDraw(s.store(), maintenance));
    return finish(ctx, deleteLastDraws(n, s.store(), maintenance, s.lastDrawQqh, s.bases()));
}

// delete-after ISSUE: keeps the draws up to and including ISSUE (display
// form, e.g. 20161212001) and rebuilds them (mnuDlzd).
int runDeleteAfter(CliContext& ctx, const QStringList& args)
{
    if (args.size() != 1)
        return ctx.usage(QStringLiteral("delete-after takes one argument: ISSUE (display form)"));
    Session& s = ctx.session();
    const auto t = deleteAfterAnswer(args[0], s.lotteryCode);
    if (!t || *t <= 0)
        return ctx.refuse(QStringLiteral("\"%1\" is not an issue number in display form (\"20\" and %2 digits in all); "
                                         "nothing deleted")
                              .arg(args[0])
                              .arg(2 + 6 + issue::sequenceDigits(s.lotteryCode)));
    HistoryMaintenance maintenance(s.store(), s.encoder(), s.zodiac());
    return finish(ctx, deleteDrawsAfter(*t, s.store(), maintenance, s.lastDrawQqh, s.bases()));
}

// clear --yes: deletes every draw (mnuClear answered with OK).
int runClear(CliContext& ctx, const QStringList& args)
{
    if (args != QStringList { QStringLiteral("--yes") })
        return ctx.refuse(QStringLiteral("clear deletes every draw; confirm with: clear --yes"));
    Session& s = ctx.session();
    HistoryMaintenance maintenance(s.store(), s.encoder(), s.zodiac());
    const MaintenanceOutcome out = maintenance.deleteAll();
    if (!out.ok)
        return ctx.refuse(out.error);
    s.reloadHistory();
    ctx.out() << "deleted " << out.deleted << " draws, 0 left\n";
    ctx.out().flush();
    return kExitOk;
}

} // namespace corvinel
