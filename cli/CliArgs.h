#pragma once

#include <QString>
#include <QStringList>
#include <QTextStream>

#include <optional>
#include <vector>

namespace corvinel {

class CliContext;

// One option a command takes: "--name VALUE" (or "--name=VALUE") when it has
// a value name, otherwise a flag.
struct OptionDecl
{
    const char* name; // with its leading "--"
    const char* valueName; // nullptr: a flag
    const char* help; // one line
    const char* missingValue = nullptr; // the usage message when the value is missing ("NAME needs a value")
};

// The arguments of one command, as given: the options in their order (a later
// one may override an earlier one) and the other arguments.
struct ParsedArgs
{
    struct Given
    {
        QString name;
        QString value;
    };
    std::vector<Given> options;
    QStringList positional;
    bool help = false;
    QString unknownOption; // set when the parse failed on an unknown option

    bool has(const char* name) const;
    // The value of the last occurrence of `name`.
    std::optional<QString> value(const char* name) const;
};

// Parses `args`: a token beginning with "--" is an option, every other token
// an argument. With `stopAtArgument` the parse ends at the first argument,
// which with everything after it is left in `positional`. "--help" is always
// known. False with a usage message in `error` for an unknown option, a
// missing value or a value given to a flag.
bool parseArgs(const std::vector<OptionDecl>& options, const QStringList& args, bool stopAtArgument, ParsedArgs* out,
               QString* error);

// The value of a --kind option: number, zodiac, head, tail, sum, segment or
// its index 0..5.
std::optional<int> kindOf(const QString& text);

// A command of corvinel-cli and what it takes.
struct CommandDecl
{
    const char* name;
    const char* synopsis; // "delete-last [N]"
    const char* summary; // one line for the command list
    const char* description; // what `COMMAND --help` says about it
    std::vector<OptionDecl> options;
    int (*run)(CliContext& ctx, const ParsedArgs& args);
    // The usage message for an unknown option (default "unknown option ARG").
    QString (*unknownOption)(const QString& arg) = nullptr;
};

// `COMMAND --help`: synopsis, description, one line per option.
void printCommandHelp(QTextStream& out, const CommandDecl& command);
// The option lines of `options`, aligned.
void printOptions(QTextStream& out, const std::vector<OptionDecl>& options);

// The commands, declared next to their code.
const CommandDecl& infoCommand();
const CommandDecl& settingsCommand();
const CommandDecl& importCommand();
const CommandDecl& historyCommand();
const CommandDecl& deleteLastCommand();
const CommandDecl& deleteAfterCommand();
const CommandDecl& clearCommand();
const CommandDecl& addCommand();
const CommandDecl& exportCommand();
const CommandDecl& updateCommand();
const CommandDecl& searchCommand();
const CommandDecl& comboCommand();
const CommandDecl& compactCommand();
const CommandDecl& trendCommand();
const CommandDecl& backtestCommand();

} // namespace corvinel
