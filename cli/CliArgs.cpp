#include "cli/CliArgs.h"

#include "core/Kinds.h"

#include <algorithm>

namespace corvinel {

bool ParsedArgs::has(const char* name) const
{
    return std::any_of(options.begin(), options.end(),
                       [name](const Given& g) { return g.name == QLatin1String(name); });
}

std::optional<QString> ParsedArgs::value(const char* name) const
{
    for (auto it = options.rbegin(); it != options.rend(); ++it)
        if (it->name == QLatin1String(name))
            return it->value;
    return std::nullopt;
}

bool parseArgs(const std::vector<OptionDecl>& options, const QStringList& args, bool stopAtArgument, ParsedArgs* out,
               QString* error)
{
    for (int i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (!arg.startsWith(QLatin1String("--"))) {
            if (stopAtArgument) {
                out->positional = args.mid(i);
                return true;
            }
            out->positional << arg;
            continue;
        }
        const qsizetype eq = arg.indexOf(u'=');
        const QString name = eq < 0 ? arg : arg.left(eq);
        if (name == QLatin1String("--help") && eq < 0) {
            out->help = true;
            continue;
        }
        const auto declared = std::find_if(options.begin(), options.end(),
                                           [&name](const OptionDecl& o) { return name == QLatin1String(o.name); });
        if (declared == options.end()) {
            out->unknownOption = arg;
            *error = QStringLiteral("unknown option %1").arg(arg);
            return false;
        }
        ParsedArgs::Given given { name, QString() };
        if (!declared->valueName) {
            if (eq >= 0) {
                *error = QStringLiteral("%1 takes no value").arg(name);
                return false;
            }
        } else if (eq >= 0) {
            given.value = arg.mid(eq + 1);
        } else if (i + 1 < args.size()) {
            given.value = args[++i];
        } else {
            *error = declared->missingValue ? QString::fromUtf8(declared->missingValue)
                                            : QStringLiteral("%1 needs a value").arg(name);
            return false;
        }
        out->options.push_back(std::move(given));
    }
    return true;
}

void printOptions(QTextStream& out, const std::vector<OptionDecl>& options)
{
    auto left = [](const OptionDecl& o) {
        QString s = QString::fromLatin1(o.name);
        if (o.valueName)
            s += u' ' + QString::fromLatin1(o.valueName);
        return s;
    };
    int width = 0;
    for (const OptionDecl& o : options)
        width = std::max(width, static_cast<int>(left(o).size()));
    for (const OptionDecl& o : options)
        out << "  " << left(o).leftJustified(width) << "  " << QString::fromUtf8(o.help) << '\n';
}

void printCommandHelp(QTextStream& out, const CommandDecl& command)
{
    out << "usage: corvinel-cli [--data-dir DIR] [--game CODE] " << command.synopsis << "\n\n"
        << QString::fromUtf8(command.description) << '\n';
    std::vector<OptionDecl> options = command.options;
    options.push_back({ "--help", nullptr, "show this help and do nothing else" });
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
