#include "session/SettingRules.h"

#include "core/IssueNumber.h"
#include "core/Settings.h"
#include "acquire/UpdateUrl.h"

#include <array>

namespace corvinel {

namespace {

struct Rule
{
    const char* key;
    bool isBool;
    int def;
    int low;
    int high;
};

constexpr std::array<Rule, 14> kRules = { {
    { "bolZyw", true, 1, 0, 1 },
    { "bolSq", true, 1, 0, 1 },
    { "GsZl", false, 556, 0, 0 }, // one of the game codes
    { "intLei", false, 0, 0, 5 },
    { "bolZuxuan", true, 0, 0, 1 },
    { "intConsqSort", false, 1, 1, 8 },
    { "intXianshiLei", false, 0, 0, 5 },
    { "DsIni", false, 1, 0, 1 },
    { "SxIni", false, 1, 0, 1 },
    { "SxSetup", true, 0, 0, 1 },
    { "bolZhpm", true, 0, 0, 1 },
    { "intPreQi", false, 2, 1, 9 },
    { "intZhWSetup", false, 2, 1, 6 },
    { "IniSerchDay", false, 6, 2, 16 },
} };

const Rule* ruleOf(const QString& key)
{
    for (const Rule& r : kRules) {
        if (key == QLatin1String(r.key))
            return &r;
    }
    return nullptr;
}

} // namespace

bool isKnownSetting(const QString& key)
{
    return ruleOf(key) || key == QLatin1String(Settings::UpdateBase);
}

QString settingDefault(const QString& key)
{
    const Rule* r = ruleOf(key);
    if (!r)
        return {};
    if (r->isBool)
        return r->def ? QStringLiteral("True") : QStringLiteral("False");
    return QString::number(r->def);
}

SettingCheck checkSetting(const QString& key, const QString& value)
{
    if (key == QLatin1String(Settings::UpdateBase)) {
        const QString a = value.trimmed();
        if (a.isEmpty())
            return { true, a, {} };
        QString why;
        if (!update::isUsableBase(a, &why))
            return { false, {}, QStringLiteral("UpdateBase: %1").arg(why) };
        return { true, a, {} };
    }
    const Rule* r = ruleOf(key);
    if (!r)
        return { false, {}, QStringLiteral("unknown setting: %1").arg(key) };
    if (r->isBool) {
        const QString t = value.trimmed();
        if (t.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
            return { true, QStringLiteral("True"), {} };
        if (t.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
            return { true, QStringLiteral("False"), {} };
        return { false, {}, QStringLiteral("%1: expected True or False, got \"%2\"").arg(key, value) };
    }
    const auto v = issue::wholeNumber(value);
    if (!v)
        return { false, {}, QStringLiteral("%1: not a whole number: \"%2\"").arg(key, value) };
    if (key == QLatin1String("GsZl")) {
        if (*v != issue::kGuangdong && *v != issue::kHunan && *v != issue::kCode566 && *v != issue::kTianjin)
            return { false, {}, QStringLiteral("GsZl: expected 544, 556, 566 or 568, got %1").arg(*v) };
    } else if (*v < r->low || *v > r->high) {
        return { false, {}, QStringLiteral("%1: expected %2..%3, got %4").arg(key).arg(r->low).arg(r->high).arg(*v) };
    }
    return { true, QString::number(*v), {} };
}

} // namespace corvinel
