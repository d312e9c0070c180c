// Fuzz target: the settings reader. The bytes become the settings ini file
// (one scratch file, rewritten on every run); every key is read, the stored
// texts and the bytes themselves go through the setting rules, and a session
// starts up on those settings.

#include "FuzzSupport.h"
#include "core/IssueNumber.h"
#include "SessionSupport.h"
#include "session/SettingRules.h"
#include "core/Settings.h"

#include <QFile>

#include <chrono>
#include <filesystem>
#include <optional>

using namespace corvinel;

namespace {

// What each key may hold, as the settings dialogue and the CLI document it.
struct Range
{
    const char* key;
    const Settings::BoolKey* boolKey;
    const Settings::IntKey* intKey;
    int low;
    int high;
};

const Range kRanges[] = {
    { "bolZyw", &Settings::bolZyw, nullptr, 0, 1 },
    { "bolSq", &Settings::bolSq, nullptr, 0, 1 },
    { "GsZl", nullptr, &Settings::GsZl, 544, 568 },
    { "intLei", nullptr, &Settings::intLei, 0, 5 },
    { "bolZuxuan", &Settings::bolZuxuan, nullptr, 0, 1 },
    { "intConsqSort", nullptr, &Settings::intConsqSort, 1, 8 },
    { "intXianshiLei", nullptr, &Settings::intXianshiLei, 0, 5 },
    { "DsIni", nullptr, &Settings::DsIni, 0, 1 },
    { "SxIni", nullptr, &Settings::SxIni, 0, 1 },
    { "SxSetup", &Settings::SxSetup, nullptr, 0, 1 },
    { "bolZhpm", &Settings::bolZhpm, nullptr, 0, 1 },
    { "intPreQi", nullptr, &Settings::intPreQi, 1, 9 },
    { "intZhWSetup", nullptr, &Settings::intZhWSetup, 1, 6 },
    { "IniSerchDay", nullptr, &Settings::IniSerchDay, 2, 16 },
};

const Range* rangeOf(const QString& key)
{
    for (const Range& r : kRanges) {
        if (key == QLatin1String(r.key))
            return &r;
    }
    return nullptr;
}

bool isGameCode(int v)
{
    return v == issue::kGuangdong || v == issue::kHunan || v == issue::kCode566 || v == issue::kTianjin;
}

// An accepted value lies in its key's range, and its normalised text is
// accepted again unchanged.
void checkAccepted(const QString& key, const SettingCheck& c)
{
    const SettingCheck again = checkSetting(key, c.text);
    FUZZ_CHECK(again.ok);
    FUZZ_CHECK(again.text == c.text);
    if (key == QLatin1String(Settings::UpdateBase.name)) {
        FUZZ_CHECK(c.text == c.text.trimmed());
        FUZZ_CHECK(c.text.isEmpty() || c.text.startsWith(QLatin1String("http"), Qt::CaseInsensitive));
        return;
    }
    if (key == QLatin1String(Settings::txtTrendSize.name)) {
        FUZZ_CHECK(c.text == c.text.trimmed());
        return;
    }
    const Range* r = rangeOf(key);
    FUZZ_CHECK(r);
    if (r->boolKey) {
        FUZZ_CHECK(c.text == QLatin1String("True") || c.text == QLatin1String("False"));
        FUZZ_CHECK(Settings::toBool(c.text) == (c.text == QLatin1String("True")));
        return;
    }
    const std::optional<int> v = Settings::toInt16(c.text);
    FUZZ_CHECK(v);
    FUZZ_CHECK(*v >= r->low && *v <= r->high);
    if (key == QLatin1String("GsZl"))
        FUZZ_CHECK(isGameCode(*v));
    FUZZ_CHECK(c.text == QString::number(*v));
}

void checkRule(const QString& key, const QString& value)
{
    const SettingCheck c = checkSetting(key, value);
    if (c.ok)
        checkAccepted(key, c);
    else
        FUZZ_CHECK(!c.error.isEmpty());
}

void writeIni(const QString& path, const uint8_t* data, size_t size)
{
    {
        QFile f(path);
        FUZZ_CHECK(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        FUZZ_CHECK(f.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size))
                   == static_cast<qint64>(size));
    }
    // A new modification time on every run, so that QSettings' cache of the
    // file never hands out the previous run's contents.
    static auto stamp = std::filesystem::file_time_type::clock::now() - std::chrono::hours(24 * 365);
    stamp += std::chrono::seconds(1);
    std::filesystem::last_write_time(path.toStdString(), stamp);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const QString ini = fuzz::scratchDir().filePath(QStringLiteral("settings.ini"));
    static const QString data_ = fuzz::dataFolder();
    writeIni(ini, data, size);

    const QStringList keys = Settings::keyNames();
    FUZZ_CHECK(keys.size() == static_cast<int>(std::size(kRanges)) + 2);
    FUZZ_CHECK(keys.back() == QLatin1String(Settings::UpdateBase.name));

    const QString fuzzedText = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    {
        const Settings settings(ini);
        for (const QString& key : keys) {
            FUZZ_CHECK(isKnownSetting(key));
            checkRule(key, fuzzedText);
            const std::optional<QString> raw = settings.rawText(key);
            if (raw)
                checkRule(key, *raw);
            if (key == QLatin1String(Settings::UpdateBase.name)) {
                FUZZ_CHECK(settings.readText(Settings::UpdateBase) == raw.value_or(QString()));
                continue;
            }
            if (key == QLatin1String(Settings::txtTrendSize.name)) {
                FUZZ_CHECK(checkSetting(key, fuzzedText).ok);
                continue;
            }
            const Range* r = rangeOf(key);
            FUZZ_CHECK(r);
            FUZZ_CHECK(checkSetting(key, settingDefault(key)).ok);
            // A stored text the rules accept is read as the value they name.
            const std::optional<SettingCheck> accepted
                = raw ? std::optional<SettingCheck>(checkSetting(key, *raw)) : std::nullopt;
            // A value read from the file comes from a text without NULs
            // (the number conversions would stop at one).
            if (raw && raw->contains(QChar(u'\0'))) {
                if (r->boolKey)
                    FUZZ_CHECK(!settings.read(*r->boolKey));
                else
                    FUZZ_CHECK(!settings.read(*r->intKey));
            }
            if (r->boolKey) {
                const std::optional<bool> v = settings.read(*r->boolKey);
                if (!raw)
                    FUZZ_CHECK(v == r->boolKey->def);
                if (accepted && accepted->ok)
                    FUZZ_CHECK(v == (accepted->text == QLatin1String("True")));
            } else {
                const std::optional<int> v = settings.read(*r->intKey);
                if (v)
                    FUZZ_CHECK(*v >= -32768 && *v <= 32767);
                if (!raw)
                    FUZZ_CHECK(v == r->intKey->def);
                if (accepted && accepted->ok)
                    FUZZ_CHECK(v == accepted->text.toInt());
            }
        }
    }

    // Start-up on these settings never fails; what it shows stays in the
    // ranges its handlers keep.
    Session s(std::make_unique<Settings>(ini), data_);
    s.startUp();
    FUZZ_CHECK(s.isStarted());
    FUZZ_CHECK(s.store().isOpen());
    FUZZ_CHECK(s.choices().drawsPerDay == issue::drawsPerDay(s.choices().lotteryCode));
    // A strict key's stored value outside its values is not taken.
    FUZZ_CHECK(Settings::DsIni.allows(s.choices().segmentBase) || s.choices().segmentBase == 0);
    FUZZ_CHECK(Settings::SxIni.allows(s.choices().zodiacBase) || s.choices().zodiacBase == 0);
    FUZZ_CHECK(Settings::IniSerchDay.allows(s.choices().retentionDays));
    FUZZ_CHECK(s.nextIssue().startsWith(QLatin1String("20")));
    // Each game has its own history: the 20 draws are the default game's;
    // any other game stored here starts on its own, empty history.
    FUZZ_CHECK(s.snapshot().rows().size() == (s.choices().lotteryCode == issue::kHunan ? 20U : 0U));
    return 0;
}
