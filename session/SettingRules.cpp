#include "session/SettingRules.h"

#include "core/IssueNumber.h"
#include "core/Settings.h"
#include "acquire/UpdateUrl.h"

#include <QStringList>

#include <limits>
#include <variant>

namespace corvinel {

bool isKnownSetting(const QString& key)
{
    return Settings::find(key).has_value();
}

QString settingDefault(const QString& key)
{
    const auto k = Settings::find(key);
    if (!k)
        return {};
    if (const auto* b = std::get_if<const Settings::BoolKey*>(&*k))
        return (*b)->def ? QStringLiteral("True") : QStringLiteral("False");
    if (const auto* i = std::get_if<const Settings::IntKey*>(&*k))
        return QString::number((*i)->def);
    return {};
}

SettingCheck checkSetting(const QString& key, const QString& value)
{
    const auto k = Settings::find(key);
    if (!k)
        return { false, {}, QStringLiteral("unknown setting: %1").arg(key) };
    if (std::holds_alternative<const Settings::TextKey*>(*k)) {
        const QString a = value.trimmed();
        if (std::get<const Settings::TextKey*>(*k) != &Settings::UpdateBase)
            return { true, a, {} };
        if (a.isEmpty())
            return { true, a, {} };
        QString why;
        if (!update::isUsableBase(a, &why))
            return { false, {}, QStringLiteral("%1: %2").arg(key, why) };
        return { true, a, {} };
    }
    if (std::holds_alternative<const Settings::BoolKey*>(*k)) {
        const QString t = value.trimmed();
        if (t.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
            return { true, QStringLiteral("True"), {} };
        if (t.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
            return { true, QStringLiteral("False"), {} };
        return { false, {}, QStringLiteral("%1: expected True or False, got \"%2\"").arg(key, value) };
    }
    const Settings::IntKey& r = *std::get<const Settings::IntKey*>(*k);
    const auto v = issue::wholeNumber(value);
    if (!v)
        return { false, {}, QStringLiteral("%1: not a whole number: \"%2\"").arg(key, value) };
    const bool fits = *v >= std::numeric_limits<int>::min() && *v <= std::numeric_limits<int>::max()
                      && r.allows(static_cast<int>(*v));
    if (!fits && r.only[0] != 0) {
        QStringList codes;
        for (const int c : r.only)
            codes << QString::number(c);
        const QString last = codes.takeLast();
        return { false, {}, QStringLiteral("%1: expected %2 or %3, got %4").arg(key, codes.join(QStringLiteral(", ")), last).arg(*v) };
    }
    if (!fits)
        return { false, {}, QStringLiteral("%1: expected %2..%3, got %4").arg(key).arg(r.low).arg(r.high).arg(*v) };
    return { true, QString::number(*v), {} };
}

} // namespace corvinel
