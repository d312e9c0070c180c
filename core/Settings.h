#pragma once

#include <QString>

#include <memory>
#include <optional>

class QSettings;

namespace corvinel {

// The persisted choices, under organization and application "Corvinel",
// group "IniSetting". Booleans are written "True"/"False", integers as decimal
// text. A read yields the stored value, the default when the key is absent, or
// nothing when the stored text cannot be converted (the caller then keeps the
// variable as it was).
class Settings
{
public:
    struct BoolKey
    {
        const char* name;
        bool def;
    };
    struct IntKey
    {
        const char* name;
        int def;
    };

    static constexpr BoolKey bolZyw { "bolZyw", true };
    static constexpr BoolKey bolSq { "bolSq", true };
    static constexpr IntKey GsZl { "GsZl", 556 };
    static constexpr IntKey intLei { "intLei", 0 };
    static constexpr BoolKey bolZuxuan { "bolZuxuan", false };
    static constexpr IntKey intConsqSort { "intConsqSort", 1 };
    static constexpr IntKey intXianshiLei { "intXianshiLei", 0 };
    static constexpr IntKey DsIni { "DsIni", 1 };
    static constexpr IntKey SxIni { "SxIni", 1 };
    static constexpr BoolKey SxSetup { "SxSetup", false };
    static constexpr BoolKey bolZhpm { "bolZhpm", false };
    static constexpr IntKey intPreQi { "intPreQi", 2 };
    static constexpr IntKey intZhWSetup { "intZhWSetup", 2 };
    static constexpr IntKey IniSerchDay { "IniSerchDay", 6 };
    // Base address of the results site used by the online update.
    static constexpr const char* UpdateBase = "UpdateBase";

    // The user's settings store (QSettings "Corvinel"/"Corvinel").
    Settings();
    // A store in an ini file, for tests and --settings overrides.
    explicit Settings(const QString& iniFile);
    ~Settings();

    std::optional<bool> read(const BoolKey& key) const;
    std::optional<int> read(const IntKey& key) const;
    QString readText(const char* key, const QString& def = {}) const;
    // Raw stored text, or nothing when the key is absent.
    std::optional<QString> rawText(const QString& key) const;

    void write(const BoolKey& key, bool value);
    void write(const IntKey& key, int value);
    void writeText(const char* key, const QString& value);
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
