#pragma once

#include <QString>

namespace corvinel {

// The data folder: the per-user data location unless --data-dir names
// another. It holds one folder per game that has a history (see
// gameHistoryFolder). Created when missing. Returns an empty string when it
// cannot be created.
QString resolveDataFolder(const QString& overrideDir = {});

// The folder of one game's history under the data folder, named after the
// game ("广东快乐十分"): it holds the game's database, "lsbf.txt", the folder
// "历史号码", the exports and the update's deletion backups. Created (with
// "历史号码") when missing; empty when it cannot be.
QString gameHistoryFolder(const QString& dataFolder, int lotteryCode);
// Its path, nothing created.
QString gameHistoryPath(const QString& dataFolder, int lotteryCode);

// Text of the "--data-dir DIR" / "--data-dir=DIR" argument, empty when absent.
QString dataDirArgument(const QStringList& arguments);

} // namespace corvinel
