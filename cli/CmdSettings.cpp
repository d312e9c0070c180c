#include "cli/CliContext.h"
#include "session/SettingRules.h"

namespace corvinel {

// settings            every key with its stored value (or its default)
// settings KEY        one key
// settings KEY VALUE  writes a key after checking its value
int runSettings(CliContext& ctx, const QStringList& args)
{
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

} // namespace corvinel
