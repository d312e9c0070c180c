#pragma once

#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace corvinel {

class HistoryStore;

// One history per game: the data folder holds a folder per game
// (core/DataFolder's gameHistoryFolder), and each database records the game
// it belongs to in the table history_game.
namespace history_folders {

// The game a database records; nothing when it records none (a database
// written before histories were kept per game) or cannot be read.
std::optional<int> recordedGame(HistoryStore& store);
// Records `lotteryCode` as the database's game unless it records one already.
bool recordGame(HistoryStore& store, int lotteryCode);

// What start-up did with a history found at the data folder's root (where
// every history lived before they were kept per game).
struct Adoption
{
    bool found = false; // the root holds a "Tavrose.db"
    bool adopted = false; // it was moved into its game's folder
    int lotteryCode = 0; // the game it was taken for
    QString folder; // the game's folder
    QString note; // one line for the status bar or stderr; empty when nothing was found
};

// The game a root database holds: the one it records; else by the width of
// its issue numbers (8 stored digits: Guangdong or 566, 9: Tianjin or Hunan),
// `selectedCode` choosing between the games of that width when it is one of
// them; an empty history is the selected game's.
int gameOfDatabase(const QString& path, int selectedCode);

// Moves the root's "Tavrose.db" with its companions ("lsbf.txt", "历史号码",
// the exports and the update's deletion backups) into the folder of the game
// it holds, each by one rename, the database last: an interrupted adoption
// leaves the database at the root, and the next start moves what is left. A
// game folder that already holds a database is never overwritten: the root's
// files then stay where they are and the note says so.
Adoption adoptRootHistory(const QString& dataFolder, int selectedCode);

// A game's history in the data folder.
struct GameHistory
{
    int lotteryCode = 0;
    QString folder;
    std::int64_t draws = 0;
};
// The games whose folder holds a database, in the order 544, 568, 556, 566.
std::vector<GameHistory> listHistories(const QString& dataFolder);
// "544 广东快乐十分 2352 draws, 556 湖南快乐十分 0 draws" ("none" when empty).
QString historiesLine(const std::vector<GameHistory>& histories);

} // namespace history_folders
} // namespace corvinel
