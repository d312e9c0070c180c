#include "cli/CliContext.h"
#include "core/IssueNumber.h"

namespace corvinel {

// info: where the data lives and where the history stands.
int runInfo(CliContext& ctx, const ParsedArgs& parsed)
{
    const QStringList& args = parsed.positional;
    if (!args.isEmpty())
        return ctx.usage(QStringLiteral("info takes no arguments"));
    Session& s = ctx.session();
    QTextStream& out = ctx.out();
    out << "data folder: " << s.dataFolder() << '\n';
    out << "database: " << s.store().databasePath() << '\n';
    out << "game: " << s.choices().lotteryCode << ' ' << gameName(s.choices().lotteryCode) << '\n';
    out << "draws per day: " << s.choices().drawsPerDay << '\n';
    // From the index: the session read only the first and last draws.
    const HistorySummary summary = s.store().summary();
    out << "draws stored: " << summary.count << '\n';
    if (summary.hasLast) {
        out << "last draw: " << issue::displayForm(summary.lastSqqh) << '\n';
        out << "next draw: " << s.nextIssue() << '\n';
    } else {
        out << "last draw: none\n";
        out << "next draw: none\n";
    }
    out.flush();
    return kExitOk;
}

const CommandDecl& infoCommand()
{
    static const CommandDecl command {
        "info",
        "info",
        "shows the data folder, the game, how many draws are stored and the next draw's issue number",
        "Shows where the data lives (data folder and database), the game and its draws per day, how many draws are\n"
        "stored, and the issue numbers of the last stored draw and of the next draw.",
        {},
        runInfo,
    };
    return command;
}

} // namespace corvinel
