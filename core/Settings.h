#pragma once

#include <QString>

#include <memory>
#include <array>
#include <optional>
#include <variant>

class QSettings;

namespace corvinel {

// Each setting is declared once, here: its key in the file, its type, its
// default and the values it may hold. Readers, writers, the command
// line's `settings` command and the session's choices all go by these.
struct SettingBoolKey
{
    const char* name;
    bool def;
};
struct SettingIntKey
{
    const char* name;
    int def;
    int low;
    int high;
    // When set, the only values allowed (the game codes), instead of low..high.
    std::array<int, 4> only {};
    // A stored value outside the allowed ones reads as unreadable. Only where
    // another value would break something (the bases offset fixed-size
    // counters; a retention of 0 days would delete every draw); elsewhere a
    // stored value is taken as it is and simply selects no option.
    bool strict = false;

    constexpr bool allows(int v) const
    {
        if (only[0] != 0)
            return v == only[0] || v == only[1] || v == only[2] || v == only[3];
        return v >= low && v <= high;
    }
};
struct SettingTextKey
{
    const char* name;
};

// The persisted choices, under organization and application "Corvinel",
// group "IniSetting". Booleans are written "True"/"False", integers as decimal
// text. A read yields the stored value, the default when the key is absent, or
// nothing when the stored text cannot be converted (the caller then keeps the
// variable as it was).
class Settings
{
public:
    using BoolKey = SettingBoolKey;
    using IntKey = SettingIntKey;
    using TextKey = SettingTextKey;

    static constexpr BoolKey bolZyw { "bolZyw", true };
    static constexpr BoolKey bolSq { "bolSq", true };
    static constexpr IntKey GsZl { "GsZl", 556, 0, 0, { 544, 556, 566, 568 } };
    static constexpr IntKey intLei { "intLei", 0, 0, 5 };
    static constexpr BoolKey bolZuxuan { "bolZuxuan", false };
    static constexpr IntKey intConsqSort { "intConsqSort", 1, 1, 8 };
    static constexpr IntKey intXianshiLei { "intXianshiLei", 0, 0, 5 };
    static constexpr IntKey DsIni { "DsIni", 1, 0, 1, {}, true };
    static constexpr IntKey SxIni { "SxIni", 1, 0, 1, {}, true };
    static constexpr BoolKey SxSetup { "SxSetup", false };
    static constexpr BoolKey bolZhpm { "bolZhpm", false };
    static constexpr IntKey intPreQi { "intPreQi", 2, 1, 9 };
    static constexpr IntKey intZhWSetup { "intZhWSetup", 2, 1, 6 };
    static constexpr IntKey IniSerchDay { "IniSerchDay", 6, 2, 16, {}, true };
    // The trend window's size, "WxH".
    static constexpr TextKey txtTrendSize { "txtTrendSize" };
    // Base address of the results site used by the online update.
    static constexpr TextKey UpdateBase { "UpdateBase" };

    // One row of the table of every setting, in file order.
    using AnyKey = std::variant<const BoolKey*, const IntKey*, const TextKey*>;
    static constexpr std::array<AnyKey, 16> kTable
        = { &bolZyw,  &bolSq,    &GsZl,        &intLei,      &bolZuxuan,    &intConsqSort, &intXianshiLei, &DsIni,
            &SxIni,   &SxSetup,  &bolZhpm,     &intPreQi,    &intZhWSetup, &IniSerchDay,  &txtTrendSize,  &UpdateBase };
    static const char* nameOf(const AnyKey& key);
    // The table's row of a key name.
    static std::optional<AnyKey> find(const QString& name);

    // The user's settings store (QSettings "Corvinel"/"Corvinel").
    Settings();
    // A store in an ini file, for tests and --settings overrides.
    explicit Settings(const QString& iniFile);
    ~Settings();

    std::optional<bool> read(const BoolKey& key) const;
    // The stored number, whether or not the key allows it (see allowed()).
    std::optional<int> read(const IntKey& key) const;
    // The stored number when the key allows it; nothing when it is absent
    // and has no default, unreadable or out of the key's values.
    std::optional<int> allowed(const IntKey& key) const;
    QString readText(const TextKey& key, const QString& def = {}) const;
    // Raw stored text, or nothing when the key is absent.
    std::optional<QString> rawText(const QString& key) const;

    void write(const BoolKey& key, bool value);
    void write(const IntKey& key, int value);
    void writeText(const TextKey& key, const QString& value);
    void writeRaw(const QString& key, const QString& text);
    void sync();

    // Every known key name, in table order (UpdateBase last).
    static QStringList keyNames();

    // Text conversions of the settings store ("True"/"False" or a number).
    static std::optional<bool> toBool(const QString& text);
    static std::optional<int> toInt16(const QString& text);

private:
    std::unique_ptr<QSettings> m_store;
};

} // namespace corvinel
