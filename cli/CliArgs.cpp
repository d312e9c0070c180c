#include "cli/CliArgs.h"

#include "core/Kinds.h"

#include <algorithm>

namespace corvinel {

namespace {

// "--help" is known to every command; its help line closes every list.
const OptionDecl kHelpOption { "--help", nullptr, "show this help and do nothing else" };

} // namespace

std::optional<QString> anyText(const OptionDecl&, const QString& text, QString*)
{
    return text;
}

bool ParsedArgs::has(const OptionDecl& option) const
{
    return last(option) != nullptr;
}

const ParsedArgs::Given* ParsedArgs::last(const OptionDecl& option) const
{
    for (auto it = options.rbegin(); it != options.rend(); ++it)
        if (it->is(option))
            return &*it;
    return nullptr;
}

bool parseArgs(const std::vector<CommandOption>& options, const QStringList& args, bool stopAtArgument, ParsedArgs* out,
               QString* error)
{
    for (int i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (!arg.startsWith(QLatin1String("--"))) {
            if (stopAtArgument) {
                out->positional = args.mid(i);
                break;
            }
            out->positional << arg;
            continue;
        }
        const qsizetype eq = arg.indexOf(u'=');
        const QString name = eq < 0 ? arg : arg.left(eq);
        if (name == QLatin1String(kHelpOption.name) && eq < 0) {
            out->help = true;
            continue;
        }
        const auto declared = std::find_if(options.begin(), options.end(), [&name](const CommandOption& o) {
            return name == QLatin1String(o.option->name);
        });
        if (declared == options.end()) {
            out->unknownOption = arg;
            *error = QStringLiteral("unknown option %1").arg(arg);
            return false;
        }
        ParsedArgs::Given given { declared->option, QString(), {} };
        if (!declared->option->valueName) {
            if (eq >= 0) {
                *error = QStringLiteral("%1 takes no value").arg(name);
                return false;
            }
        } else if (eq >= 0) {
            given.text = arg.mid(eq + 1);
        } else if (i + 1 < args.size()) {
            given.text = args[++i];
        } else {
            const char* missing = declared->missingValueText();
            *error = missing ? QString::fromUtf8(missing) : QStringLiteral("%1 needs a value").arg(name);
            return false;
        }
        out->options.push_back(std::move(given));
    }
    // The values, read once the whole line is known to be well formed: an
    // unknown option anywhere is reported before a refused value.
    for (ParsedArgs::Given& given : out->options) {
        if (!given.option->convert)
            continue;
        QString refused;
        given.value = given.option->convert(*given.option, given.text, &refused);
        if (!given.value.has_value() && out->refusedValue.isEmpty())
            out->refusedValue = refused;
    }
    return true;
}

void printOptions(QTextStream& out, const std::vector<CommandOption>& options)
{
    auto left = [](const CommandOption& o) {
        QString s = QString::fromLatin1(o.option->name);
        if (o.option->valueName)
            s += u' ' + QString::fromLatin1(o.option->valueName);
        return s;
    };
    int width = 0;
    for (const CommandOption& o : options)
        width = std::max(width, static_cast<int>(left(o).size()));
    for (const CommandOption& o : options)
        out << "  " << left(o).leftJustified(width) << "  " << QString::fromUtf8(o.helpText()) << '\n';
}

void printCommandHelp(QTextStream& out, const CommandDecl& command)
{
    out << "usage: corvinel-cli [--data-dir DIR] [--game CODE] " << command.synopsis << "\n\n"
        << QString::fromUtf8(command.description) << '\n';
    std::vector<CommandOption> options = command.options;
    options.push_back({ &kHelpOption });
    out << "\noptions:\n";
    printOptions(out, options);
    out.flush();
}

std::optional<int> kindOf(const QString& text)
{
    static const char* names[] = { "number", "zodiac", "head", "tail", "sum", "segment" };
    for (int k = 0; k < kKindCount; ++k)
        if (text == QLatin1String(names[k]) || text == QString::number(k))
            return k;
    return std::nullopt;
}

} // namespace corvinel
