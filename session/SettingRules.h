#pragma once

#include <QString>

#include <optional>

namespace corvinel {

// What a stored setting may hold, for front ends that write a key directly
// (corvinel-cli settings KEY VALUE): the same ranges the window's handlers
// allow, so a value written here is one the window could have written.
struct SettingCheck
{
    bool ok = false;
    QString text; // the text to store ("True"/"False", decimal, address)
    QString error; // why the value was refused
};

// Whether `key` is one of the program's settings.
bool isKnownSetting(const QString& key);
// The default of a key as stored text.
QString settingDefault(const QString& key);
// Checks and normalises `value` for `key`.
SettingCheck checkSetting(const QString& key, const QString& value);

} // namespace corvinel
