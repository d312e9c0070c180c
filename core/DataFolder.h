#pragma once

#include <QString>

namespace corvinel {

// The folder that holds the database, "lsbf.txt", the folder "历史号码" and
// every export: the per-user data location unless --data-dir names another.
// Created when missing. Returns an empty string when it cannot be created.
QString resolveDataFolder(const QString& overrideDir = {});

// Text of the "--data-dir DIR" / "--data-dir=DIR" argument, empty when absent.
QString dataDirArgument(const QStringList& arguments);

} // namespace corvinel
