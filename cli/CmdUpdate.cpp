#include "cli/CliContext.h"
#include "core/Clock.h"
#include "core/IssueNumber.h"
#include "core/PausePoint.h"
#include "acquire/OnlineUpdate.h"
#include "acquire/UpdateUrl.h"
#include "session/HistoryChanges.h"

#include <QDate>
#include <QDir>
#include <QEventLoop>

namespace corvinel {

namespace {

std::optional<QDate> dateValue(const OptionDecl&, const QString& text, QString* error)
{
    const QDate day = QDate::fromString(text, QStringLiteral("yyyy-MM-dd"));
    if (!day.isValid()) {
        *error = QStringLiteral("--today: not a date YYYY-MM-DD: %1").arg(text);
        return std::nullopt;
    }
    return day;
}

const Option<QString> kBase { "--base", "URL", "the results site for this run instead of the stored setting UpdateBase",
                              anyText, "--base needs a URL" };
const Option<QDate> kToday { "--today", "YYYY-MM-DD", "the date to take as today", dateValue,
                             "--today needs a date YYYY-MM-DD" };

} // namespace

// update [--base URL] [--today YYYY-MM-DD]: the online update (Command21)
// without its dialogs. --base overrides the stored UpdateBase for this run,
// --today fixes today's date. Progress goes to stderr, the outcome to stdout.
// Exit 0 when every day was loaded and applied, 1 when the update stopped at a
// day (the days before it are kept) or could not run.
int runUpdate(CliContext& ctx, const ParsedArgs& args)
{
    if (!args.positional.isEmpty())
        return ctx.usage(QStringLiteral("update [--base URL] [--today YYYY-MM-DD]: unknown argument %1")
                             .arg(args.positional.first()));
    const std::optional<QString> givenBase = args.get(kBase);
    QString base = givenBase.value_or(QString());
    const bool baseGiven = givenBase.has_value();
    const QDate today = args.get(kToday).value_or(QDate());

    Session& s = ctx.session();
    if (!baseGiven)
        base = s.choices().updateBase;
    if (base.trimmed().isEmpty())
        return ctx.refuse(QStringLiteral("no base address of the results site: pass --base URL or store one with "
                                         "'corvinel-cli settings UpdateBase URL'; nothing changed"));
    QString why;
    if (!update::isUsableBase(base, &why))
        return ctx.refuse(why + QStringLiteral("; nothing changed"));
    if (today.isValid())
        Clock::setToday(today);

    const update::UpdatePlan plan
        = update::planUpdate(s.store().snapshot(), s.choices().lotteryCode, s.choices().retentionDays, Clock::today());
    if (!plan.ok)
        return ctx.refuse(plan.error + QStringLiteral("; nothing changed"));

    // What the retention rule will delete, said before anything is fetched.
    if (const QString warning = update::retentionWarning(plan); !warning.isEmpty()) {
        ctx.out() << warning << '\n';
        ctx.out().flush();
    }

    update::OnlineUpdate online;
    QEventLoop loop;
    QObject::connect(&online, &update::OnlineUpdate::dayStarted, &loop, [&ctx](int index, int count, const QDate& day) {
        ctx.err() << "loading day " << index << " of " << count << ": " << day.toString(QStringLiteral("yyyy-MM-dd"))
                  << '\n';
        ctx.err().flush();
    });
    QObject::connect(&online, &update::OnlineUpdate::fetchFinished, &loop, &QEventLoop::quit);
    if (!online.start(base, plan))
        return ctx.refuse(online.error() + QStringLiteral("; nothing changed"));
    loop.exec();

    pausePoint("update-fetched");
    const update::UpdateResult r = HistoryChanges(s).applyOnlineUpdate(plan, online.loadedDays(), online.stop());
    if (!r.dbError.isEmpty())
        return ctx.refuse(QStringLiteral("writing the history failed: %1; nothing changed").arg(r.dbError));

    if (r.clearedHistory) {
        ctx.out() << "the stored history was older than " << plan.retentionDays << " days and was deleted first";
        if (!r.backupPath.isEmpty())
            ctx.out() << "; its " << r.deleted << " draws were saved to " << QDir::toNativeSeparators(r.backupPath);
        ctx.out() << '\n';
    }
    ctx.out() << "added " << r.added << " draws";
    if (r.added > 0)
        ctx.out() << ", last " << issue::displayForm(r.lastAdded);
    ctx.out() << ", " << r.daysLoaded << " of " << r.daysPlanned << " day pages loaded\n";
    if (r.filled > 0)
        ctx.out() << "filled " << r.filled << " missing issues\n";
    if (r.stillMissing > 0)
        ctx.out() << "the day pages do not list " << r.stillMissing << " missing issues; those holes stay\n";
    reportMissingIssues(ctx);
    ctx.out().flush();
    if (r.stop.isSet()) {
        ctx.err() << "update stopped at " << r.stop.day.toString(QStringLiteral("yyyy-MM-dd")) << ": " << r.stop.reason
                  << (r.committed ? "; the days before it were stored\n" : "; nothing changed\n");
        ctx.err().flush();
        return kExitRefused;
    }
    return kExitOk;
}

const CommandDecl& updateCommand()
{
    static const CommandDecl command {
        "update",
        "update [--base URL] [--today YYYY-MM-DD]",
        "loads the newest draws from the results site",
        "Loads the day pages of the results site for the days since the last stored draw (at most the retention\n"
        "days) and stores every new draw. Progress goes to stderr. Exit 1 when a day page could not be loaded:\n"
        "the draws of the days before it are kept.",
        { { &kBase }, { &kToday } },
        runUpdate,
        [](const QString& arg) {
            return QStringLiteral("update [--base URL] [--today YYYY-MM-DD]: unknown argument %1").arg(arg);
        }
    };
    return command;
}

} // namespace corvinel
