#include "cli/CliContext.h"

#include <QCoreApplication>

namespace corvinel {
int runInfo(CliContext& ctx, const QStringList& args);
int runSettings(CliContext& ctx, const QStringList& args);
int runImport(CliContext& ctx, const QStringList& args);
int runHistory(CliContext& ctx, const QStringList& args);
int runDeleteLast(CliContext& ctx, const QStringList& args);
int runDeleteAfter(CliContext& ctx, const QStringList& args);
int runClear(CliContext& ctx, const QStringList& args);
int runAdd(CliContext& ctx, const QStringList& args);
int runExport(CliContext& ctx, const QStringList& args);
int runUpdate(CliContext& ctx, const QStringList& args);
int runSearch(CliContext& ctx, const QStringList& args);
int runCombo(CliContext& ctx, const QStringList& args);
int runCompact(CliContext& ctx, const QStringList& args);
} // namespace corvinel

namespace {

struct Command
{
    const char* name;
    int (*run)(corvinel::CliContext&, const QStringList&);
    const char* summary;
};

// One line per command.
const Command kCommands[] = {
    { "info", corvinel::runInfo, "data folder, game, draws per day, draws stored, next draw issue number" },
    { "settings", corvinel::runSettings, "settings [KEY [VALUE]]: read or write a stored setting" },
    { "import", corvinel::runImport, "import FILE: replace the history by the draws of a text file" },
    { "history", corvinel::runHistory, "history [--format text|tsv|json]: the history grid" },
    { "delete-last", corvinel::runDeleteLast, "delete-last [N]: delete the last N draws (default 1)" },
    { "delete-after", corvinel::runDeleteAfter, "delete-after ISSUE: delete every draw after ISSUE" },
    { "clear", corvinel::runClear, "clear --yes: delete every draw" },
    { "add", corvinel::runAdd, "add [--issue ISSUE] N1 ... N8: store the next draw (eight different numbers 01..20)" },
    { "export", corvinel::runExport, "export text|workbook: the history to its text file or to lishi.xlsx" },
    { "update", corvinel::runUpdate, "update [--base URL] [--today YYYY-MM-DD]: load new draws from the results site" },
    { "search", corvinel::runSearch,
      "search [--kind K] [--positions 1,3,8] [--free|--fixed] [--prev|--back N] ...: Command1" },
    { "combo", corvinel::runCombo, "combo [--size N] [--kind K] [--free|--fixed] [--prev|--back N] ...: Command2" },
    { "compact", corvinel::runCompact, "compact: check the database and compact it (as after a deletion)" },
};

void printUsage(QTextStream& s)
{
    s << "usage: corvinel-cli [--data-dir DIR] [--game 544|556|566|568] COMMAND [ARGS...]\n\ncommands:\n";
    for (const Command& c : kCommands)
        s << "  " << QString::fromLatin1(c.name).leftJustified(12) << ' ' << c.summary << '\n';
    s.flush();
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Corvinel"));
    QCoreApplication::setApplicationName(QStringLiteral("Corvinel"));

    corvinel::CliOptions options;
    QString error;
    QTextStream err(stderr);
    if (!corvinel::CliContext::parse(app.arguments().mid(1), &options, &error)) {
        err << "corvinel-cli: " << error << '\n';
        printUsage(err);
        return corvinel::kExitUsage;
    }
    if (options.help || options.command == QLatin1String("help")) {
        QTextStream out(stdout);
        printUsage(out);
        return corvinel::kExitOk;
    }
    if (options.command.isEmpty()) {
        printUsage(err);
        return corvinel::kExitUsage;
    }
    for (const Command& c : kCommands) {
        if (options.command == QLatin1String(c.name)) {
            corvinel::CliContext ctx(options);
            if (!ctx.start())
                return corvinel::kExitRefused;
            return c.run(ctx, options.arguments);
        }
    }
    err << "corvinel-cli: unknown command " << options.command << '\n';
    printUsage(err);
    return corvinel::kExitUsage;
}
