#include "cli/CliContext.h"
#include "session/SettingRules.h"

namespace corvinel {

// settings            every key with its stored value (or its default)
// settings KEY        one key
// settings KEY VALUE  writes a key after checking its value
int runSettings(CliContext& ctx, const ParsedArgs& parsed)
{
    const QStringList& args = parsed.positional;
    if (args.size() > 2)
        return ctx.usage(QStringLiteral("usage: settings [KEY [VALUE]]"));
    Settings& store = ctx.session().settings();
    QTextStream& out = ctx.out();
    auto show = [&](const QString& key) {
        const auto raw = store.rawText(key);
        if (raw)
            out << key << '=' << *raw << '\n';
        else
            out << key << '=' << settingDefault(key) << " (default)\n";
    };
    if (args.isEmpty()) {
        for (const QString& key : Settings::keyNames())
            show(key);
        out.flush();
        return kExitOk;
    }
    const QString& key = args[0];
    if (!isKnownSetting(key))
        return ctx.refuse(QStringLiteral("unknown setting: %1 (known: %2)")
                              .arg(key, Settings::keyNames().join(QStringLiteral(", "))));
    if (args.size() == 1) {
        show(key);
        out.flush();
        return kExitOk;
    }
    const SettingCheck check = checkSetting(key, args[1]);
    if (!check.ok)
        return ctx.refuse(check.error);
    store.writeRaw(key, check.text);
    store.sync();
    show(key);
    out.flush();
    return kExitOk;
}

const CommandDecl& settingsCommand()
{
    static const CommandDecl command {
        "settings",
        "settings [KEY [VALUE]]",
        "lists the stored settings, shows one, or changes one",
        "Without KEY: every stored setting with its value (\"(default)\" marks one never stored).\n"
        "With KEY: that setting. With KEY VALUE: checks VALUE and stores it (e.g. settings GsZl 544 picks the\n"
        "Guangdong game); a value the setting cannot take is refused.",
        {},
        runSettings,
    };
    return command;
}

} // namespace corvinel
