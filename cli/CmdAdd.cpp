#include "cli/CliContext.h"
#include "core/IssueNumber.h"
#include "core/PausePoint.h"
#include "session/HistoryChanges.h"

namespace corvinel {

namespace {

const Option<QString> kIssue { "--issue", "ISSUE",
                               "the draw's issue number as shown (e.g. 20161212001) instead of the next one; an empty "
                               "history needs it",
                               anyText, "--issue needs the issue number, e.g. --issue 20161212001" };

} // namespace

// add [--issue ISSUE] N1 ... N8: stores the next draw under the next draw issue
// number (Text1), as the manual entry boxes do; --issue stands for a number
// typed into Text1 (display form, e.g. 20161212001), which an empty history
// needs. Refused (nothing stored) unless the eight numbers are different
// numbers from 01 to 20.
int runAdd(CliContext& ctx, const ParsedArgs& parsed)
{
    const QStringList& args = parsed.positional;
    const std::optional<QString> issueText = parsed.get(kIssue);
    if (args.size() != kPositions)
        return ctx.usage(
            QStringLiteral("add takes the eight numbers of the draw: add [--issue ISSUE] N1 N2 N3 N4 N5 N6 N7 N8"));
    manual_entry::Numbers numbers {};
    for (int i = 0; i < kPositions; ++i) {
        const auto v = issue::wholeNumber(args[i]);
        if (!v || *v < -99 || *v > 99)
            return ctx.refuse(QStringLiteral("第 %1 个号码“%2”不是 01 到 20 之间的号码。").arg(i + 1).arg(args[i]));
        numbers[i] = static_cast<int>(*v);
    }
    const manual_entry::Check check = manual_entry::checkNumbers(numbers);
    if (!check.ok)
        return ctx.refuse(check.message);

    Session& s = ctx.session();
    const QString typedIssue = issueText ? issueText->trimmed() : s.nextIssue();
    const auto sqqh = manual_entry::storedIssue(typedIssue);
    if (!sqqh)
        return ctx.refuse(QStringLiteral("下一期期号“%1”不是有效的期号，请用 --issue 给出年月日和期序号，例如 "
                                         "--issue 20161212001。")
                              .arg(typedIssue));
    // The window's Text1 always holds an issue of the game; a typed one may not.
    if (const auto bad = issue::issueRefusal(*sqqh, s.choices().lotteryCode, s.choices().drawsPerDay))
        return ctx.refuse(*bad);
    pausePoint("add-start");
    // Without --issue the number is the one after the last stored draw as it
    // is when the draw is written, whatever another program did meanwhile.
    const manual_entry::StoreOutcome outcome
        = issueText ? HistoryChanges(s).addDraw(*sqqh, numbers) : HistoryChanges(s).addNextDraw(numbers);
    if (!outcome.ok)
        return ctx.refuse(outcome.error);

    QString shown;
    for (int n : numbers)
        shown += QStringLiteral(" %1").arg(n, 2, 10, QLatin1Char('0'));
    ctx.out() << "stored " << issue::displayForm(outcome.sqqh) << ':' << shown << '\n';
    ctx.out() << "next draw issue number: " << s.nextIssue() << '\n';
    reportMissingIssues(ctx);
    ctx.out().flush();
    return kExitOk;
}

const CommandDecl& addCommand()
{
    static const CommandDecl command {
        "add",
        "add [--issue ISSUE] N1 N2 N3 N4 N5 N6 N7 N8",
        "stores a new draw: eight different numbers 01..20",
        "Stores the eight numbers as the newest draw, under the next draw's issue number (as the manual entry\n"
        "does), then shows the issue number of the draw after it. Refused unless the numbers are eight\n"
        "different numbers from 01 to 20.",
        { { &kIssue } },
        runAdd
    };
    return command;
}

} // namespace corvinel
