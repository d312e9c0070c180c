#include "session/SettingRules.h"
#include "core/Settings.h"

#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace corvinel;

class SettingsTest : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    QString ini() const { return dir.filePath(QStringLiteral("s.ini")); }
    void putRaw(const QString& key, const QString& text)
    {
        QSettings raw(ini(), QSettings::IniFormat);
        raw.setValue(QStringLiteral("IniSetting/") + key, text);
    }
    QString readRaw(const QString& key)
    {
        QSettings raw(ini(), QSettings::IniFormat);
        return raw.value(QStringLiteral("IniSetting/") + key).toString();
    }
};

TEST_F(SettingsTest, AbsentKeysGiveTheirDefaults)
{
    Settings s(ini());
    EXPECT_EQ(s.read(Settings::bolZyw), true);
    EXPECT_EQ(s.read(Settings::bolSq), true);
    EXPECT_EQ(s.read(Settings::GsZl), 556);
    EXPECT_EQ(s.read(Settings::bolZuxuan), false);
    EXPECT_EQ(s.read(Settings::intConsqSort), 1);
    EXPECT_EQ(s.read(Settings::SxIni), 1);
    EXPECT_EQ(s.read(Settings::DsIni), 1);
    EXPECT_EQ(s.read(Settings::SxSetup), false);
    EXPECT_EQ(s.read(Settings::intPreQi), 2);
    EXPECT_EQ(s.read(Settings::intZhWSetup), 2);
    EXPECT_EQ(s.read(Settings::IniSerchDay), 6);
}

TEST_F(SettingsTest, BooleansAreWrittenTrueFalseAndIntegersAsDecimal)
{
    {
        Settings s(ini());
        s.write(Settings::bolZyw, false);
        s.write(Settings::bolZuxuan, true);
        s.write(Settings::GsZl, 568);
    }
    EXPECT_EQ(readRaw(QStringLiteral("bolZyw")), QStringLiteral("False"));
    EXPECT_EQ(readRaw(QStringLiteral("bolZuxuan")), QStringLiteral("True"));
    EXPECT_EQ(readRaw(QStringLiteral("GsZl")), QStringLiteral("568"));
    Settings again(ini());
    EXPECT_EQ(again.read(Settings::bolZyw), false);
    EXPECT_EQ(again.read(Settings::GsZl), 568);
}

TEST_F(SettingsTest, UnreadableValueIsAFailedRead)
{
    putRaw(QStringLiteral("bolSq"), QStringLiteral("yes"));
    putRaw(QStringLiteral("GsZl"), QStringLiteral("abc"));
    putRaw(QStringLiteral("intLei"), QStringLiteral("70000")); // no 16-bit integer
    putRaw(QStringLiteral("bolZuxuan"), QStringLiteral("2")); // a number counts, nonzero is true
    Settings s(ini());
    EXPECT_FALSE(s.read(Settings::bolSq).has_value());
    EXPECT_FALSE(s.read(Settings::GsZl).has_value());
    EXPECT_FALSE(s.read(Settings::intLei).has_value());
    EXPECT_EQ(s.read(Settings::bolZuxuan), true);
    // A NUL in the stored text (the ini escape "\0") ends Qt's integer
    // conversion early; such a text is unreadable, not the number before it.
    EXPECT_FALSE(Settings::toInt16(QString::fromUtf8("556\0x", 5)).has_value());
}

TEST(SettingRules, ValuesAreCheckedAndNormalised)
{
    EXPECT_EQ(checkSetting(QStringLiteral("bolZyw"), QStringLiteral("true")).text, QStringLiteral("True"));
    EXPECT_FALSE(checkSetting(QStringLiteral("bolZyw"), QStringLiteral("1x")).ok);
    EXPECT_TRUE(checkSetting(QStringLiteral("GsZl"), QStringLiteral("566")).ok);
    EXPECT_FALSE(checkSetting(QStringLiteral("GsZl"), QStringLiteral("555")).ok);
    EXPECT_FALSE(checkSetting(QStringLiteral("IniSerchDay"), QStringLiteral("1")).ok);
    EXPECT_FALSE(checkSetting(QStringLiteral("IniSerchDay"), QStringLiteral("17")).ok);
    EXPECT_TRUE(checkSetting(QStringLiteral("IniSerchDay"), QStringLiteral("16")).ok);
    EXPECT_FALSE(checkSetting(QStringLiteral("intPreQi"), QStringLiteral("0")).ok);
    EXPECT_FALSE(checkSetting(QStringLiteral("nope"), QStringLiteral("1")).ok);
    EXPECT_TRUE(checkSetting(QStringLiteral("UpdateBase"), QStringLiteral("https://example.org")).ok);
    EXPECT_FALSE(checkSetting(QStringLiteral("UpdateBase"), QStringLiteral("ftp://example.org")).ok);
    EXPECT_FALSE(checkSetting(QStringLiteral("UpdateBase"), QStringLiteral("not a url")).ok);
    EXPECT_FALSE(checkSetting(QStringLiteral("UpdateBase"), QStringLiteral("https://example.org/?x=1")).ok);
    EXPECT_EQ(settingDefault(QStringLiteral("SxSetup")), QStringLiteral("False"));
}
