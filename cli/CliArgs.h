#pragma once

#include <QString>
#include <QStringList>
#include <QTextStream>

#include <any>
#include <optional>
#include <vector>

namespace corvinel {

class CliContext;

// One option: "--name VALUE" (or "--name=VALUE") when it has a value name,
// otherwise a flag. Each option is one object, declared once; a command lists
// the objects it takes and reads their values by the object, never by name.
struct OptionDecl
{
    const char* name; // with its leading "--"
    const char* valueName; // nullptr: a flag
    const char* help; // one line
    const char* missingValue = nullptr; // the usage message when the value is missing ("NAME needs a value")
    // The given text as the option's value; an empty std::any with the usage
    // message in `error` when the option refuses it. Set by Option<T>.
    std::any (*convert)(const OptionDecl& self, const QString& text, QString* error) = nullptr;
};

// An option whose value has a type: `parse` turns the given text into the
// value, or refuses it with the usage message in `error`.
template<typename T> struct Option : OptionDecl
{
    using Parse = std::optional<T> (*)(const OptionDecl& self, const QString& text, QString* error);

    constexpr Option(const char* name, const char* valueName, const char* help, Parse parse,
                     const char* missingValue = nullptr)
        : OptionDecl { name, valueName, help, missingValue, &Option::convertText }
        , parse(parse)
    {
    }

    Parse parse;

private:
    static std::any convertText(const OptionDecl& self, const QString& text, QString* error)
    {
        std::optional<T> v = static_cast<const Option&>(self).parse(self, text, error);
        return v ? std::any(std::move(*v)) : std::any();
    }
};

// The parser of an option that takes any text.
std::optional<QString> anyText(const OptionDecl& self, const QString& text, QString* error);

// An option as one command takes it: the command may word its help line or
// its missing-value message for its own use; the option stays the same object.
struct CommandOption
{
    const OptionDecl* option;
    const char* help = nullptr; // nullptr: the option's own
    const char* missingValue = nullptr; // nullptr: the option's own

    const char* helpText() const { return help ? help : option->help; }
    const char* missingValueText() const { return missingValue ? missingValue : option->missingValue; }
};

// The arguments of one command, as given: the options in their order (a later
// one may override an earlier one), each with its value as its option read
// it, and the other arguments.
struct ParsedArgs
{
    struct Given
    {
        const OptionDecl* option;
        QString text; // as given
        std::any value; // as the option read it; empty for a flag or a refused value

        bool is(const OptionDecl& o) const { return option == &o; }
        // The value of this occurrence of `o` (which must be the option given).
        template<typename T> const T& as(const Option<T>& o) const
        {
            Q_ASSERT(is(o));
            return *std::any_cast<T>(&value);
        }
    };
    std::vector<Given> options;
    QStringList positional;
    bool help = false;
    QString unknownOption; // set when the parse failed on an unknown option
    // The usage message of the first value an option refused, in the order
    // given; empty when every value was read.
    QString refusedValue;

    bool has(const OptionDecl& option) const;
    // The value of the last occurrence of `option`, unset when not given.
    template<typename T> std::optional<T> get(const Option<T>& option) const
    {
        if (const Given* g = last(option); g && g->value.has_value())
            return g->as(option);
        return std::nullopt;
    }

private:
    const Given* last(const OptionDecl& option) const;
};

// Parses `args`: a token beginning with "--" is an option, every other token
// an argument. With `stopAtArgument` the parse ends at the first argument,
// which with everything after it is left in `positional`. "--help" is always
// known. False with a usage message in `error` for an unknown option, a
// missing value or a value given to a flag. Then every given value is read by
// its option, in the order given; the first one refused leaves its message
// in `refusedValue` (the parse itself succeeds, so that --help still wins).
bool parseArgs(const std::vector<CommandOption>& options, const QStringList& args, bool stopAtArgument, ParsedArgs* out,
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
    std::vector<CommandOption> options;
    int (*run)(CliContext& ctx, const ParsedArgs& args);
    // The usage message for an unknown option (default "unknown option ARG").
    QString (*unknownOption)(const QString& arg) = nullptr;
};

// `COMMAND --help`: synopsis, description, one line per option.
void printCommandHelp(QTextStream& out, const CommandDecl& command);
// The option lines of `options`, aligned.
void printOptions(QTextStream& out, const std::vector<CommandOption>& options);

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
const CommandDecl& oddsCommand();
const CommandDecl& ticketsCommand();
const CommandDecl& gapsCommand();

} // namespace corvinel
