#pragma once

#include "cli/CliArgs.h"
#include "session/Session.h"

#include <QString>
#include <QStringList>
#include <QTextStream>

#include <memory>
#include <optional>

namespace corvinel {

// Exit codes of corvinel-cli.
inline constexpr int kExitOk = 0;
inline constexpr int kExitRefused = 1; // refused input: message on stderr, nothing changed
inline constexpr int kExitUsage = 2;

// Options that come before the command.
struct CliOptions
{
    QString dataDir; // --data-dir DIR
    std::optional<int> game; // --game CODE, this run only
    QString command;
    QStringList arguments; // after the command
    bool help = false;
};

// One program run: the session on the chosen data folder and settings, with
// the start-up sequence run, plus the output streams.
class CliContext
{
public:
    // Parses the global options; on failure returns false with `error`.
    static bool parse(const QStringList& args, CliOptions* options, QString* error);
    // --data-dir and --game.
    static const std::vector<CommandOption>& globalOptions();

    explicit CliContext(CliOptions options);

    // Builds the session and runs its start-up sequence (the history's rows
    // are read only when the command asks for them); false (with a message on
    // stderr) when the data folder cannot be used.
    bool start();

    Session& session() { return *m_session; }
    QTextStream& out() { return m_out; }
    QTextStream& err() { return m_err; }

    // Prints a refusal and returns kExitRefused.
    int refuse(const QString& message);
    // Prints a usage message and returns kExitUsage.
    int usage(const QString& message);

private:
    CliOptions m_options;
    std::unique_ptr<Session> m_session;
    QTextStream m_out;
    QTextStream m_err;
};

// After a change of the history: "missing issues: N in M gaps (...)" on
// stdout when the history has holes, nothing otherwise.
void reportMissingIssues(CliContext& ctx);

// Name of a game for the listings.
QString gameName(int lotteryCode);

} // namespace corvinel
