#include "cli/CliArgs.h"
#include "cli/CliContext.h"

#include <QCoreApplication>

namespace {

using corvinel::CommandDecl;

const CommandDecl* const kCommands[] = {
    &corvinel::infoCommand(),    &corvinel::settingsCommand(),   &corvinel::importCommand(),
    &corvinel::historyCommand(), &corvinel::deleteLastCommand(), &corvinel::deleteAfterCommand(),
    &corvinel::clearCommand(),   &corvinel::addCommand(),        &corvinel::exportCommand(),
    &corvinel::updateCommand(),  &corvinel::searchCommand(),     &corvinel::comboCommand(),
    &corvinel::compactCommand(), &corvinel::trendCommand(),      &corvinel::backtestCommand(),
    &corvinel::oddsCommand(),    &corvinel::ticketsCommand(), &corvinel::gapsCommand(),
};

const CommandDecl* findCommand(const QString& name)
{
    for (const CommandDecl* c : kCommands)
        if (name == QLatin1String(c->name))
            return c;
    return nullptr;
}

void printUsage(QTextStream& s)
{
    s << "usage: corvinel-cli [--data-dir DIR] [--game 544|556|566|568] COMMAND [ARGS...]\n"
         "       corvinel-cli COMMAND --help    the options of one command\n\n"
         "options before the command:\n";
    corvinel::printOptions(s, corvinel::CliContext::globalOptions());
    s << "\ncommands:\n";
    for (const CommandDecl* c : kCommands)
        s << "  " << QString::fromLatin1(c->name).leftJustified(12) << ' ' << QString::fromUtf8(c->summary) << '\n';
    s << "\nexit status: 0 done, 1 refused (the reason on stderr, nothing changed), 2 usage error\n";
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
        // help COMMAND: that command's options.
        if (const CommandDecl* c = options.arguments.isEmpty() ? nullptr : findCommand(options.arguments.first())) {
            corvinel::printCommandHelp(out, *c);
            return corvinel::kExitOk;
        }
        printUsage(out);
        return corvinel::kExitOk;
    }
    if (options.command.isEmpty()) {
        printUsage(err);
        return corvinel::kExitUsage;
    }
    const CommandDecl* command = findCommand(options.command);
    if (!command) {
        err << "corvinel-cli: unknown command " << options.command << '\n';
        printUsage(err);
        return corvinel::kExitUsage;
    }
    corvinel::ParsedArgs args;
    if (!corvinel::parseArgs(command->options, options.arguments, false, &args, &error)) {
        if (command->unknownOption && !args.unknownOption.isEmpty())
            error = command->unknownOption(args.unknownOption);
        err << "corvinel-cli: " << error << '\n';
        err << "try: corvinel-cli " << command->name << " --help\n";
        return corvinel::kExitUsage;
    }
    if (args.help) {
        QTextStream out(stdout);
        corvinel::printCommandHelp(out, *command);
        return corvinel::kExitOk;
    }
    // A value an option refuses is a usage error before the data is opened.
    if (!args.refusedValue.isEmpty()) {
        err << "corvinel-cli: " << args.refusedValue << '\n';
        return corvinel::kExitUsage;
    }
    corvinel::CliContext ctx(options);
    if (!ctx.start())
        return corvinel::kExitRefused;
    return command->run(ctx, args);
}
