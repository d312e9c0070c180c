#include "cli/CliContext.h"
#include "core/IssueNumber.h"
#include "store/HistoryFolders.h"

namespace corvinel {

// info: where the data lives and where the history stands.
int runInfo(CliContext& ctx, const ParsedArgs& parsed)
{
    const QStringList& args = parsed.positional;
    if (!args.isEmpty())
        return ctx.usage(QStringLiteral("info takes no arguments"));
    Session& s = ctx.session();
    QTextStream& out = ctx.out();
    out << "data folder: " << s.dataRoot() << '\n';
    out << "database: " << s.store().databasePath() << '\n';
    out << "game: " << s.choices().lotteryCode << ' ' << gameName(s.choices().lotteryCode) << '\n';
    out << "draws per day: " << s.choices().drawsPerDay << '\n';
    out << "histories: " << history_folders::historiesLine(history_folders::listHistories(s.dataRoot())) << '\n';
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
        "Shows where the data lives (data folder and the game's database), the game and its draws per day, the\n"
        "histories the data folder holds (one per game), how many draws the game's history holds, and the issue\n"
        "numbers of the last stored draw and of the next draw.",
        {},
        runInfo,
    };
    return command;
}

} // namespace corvinel
