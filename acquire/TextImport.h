#pragma once

#include "store/DrawLineReader.h"
#include "store/HistoryMaintenance.h"

#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace corvinel {

class HistorySnapshot;

// What an import did. `ok` false: the history is exactly as it was.
struct ImportOutcome
{
    bool ok = false;
    bool cancelled = false;
    bool unreadable = false; // the file could not be opened or read
    bool noUsableLine = false; // the file was read but no line was a draw
    QString error;
    int imported = 0; // draws stored
    int lineCount = 0; // lines of the file
    std::vector<SkippedLine> skipped;
};

// The text import: reads and checks the whole file first, then replaces the
// history by its draws in one transaction. `runningIssue` is the QQH of the
// last stored draw (what lines without an issue field count on from);
// `before` is the history as it stands (its last row gives the first draw's
// previous lists). A file that cannot be read, or holds no usable line,
// changes nothing.
ImportOutcome importTextFile(const QString& path, std::int64_t runningIssue, const HistorySnapshot& before,
                             HistoryMaintenance& maintenance, const EncoderBases& bases,
                             const ProgressFn& progress = {});

// The same in two steps, so that a front end can look at the lines (and ask
// about them) before the history is touched: reading never changes anything.
// False (with `out->error`, `out->unreadable`) when the file cannot be read.
bool readImportFile(const QString& path, std::int64_t runningIssue, DrawLineResult* lines, ImportOutcome* out);
ImportOutcome importDrawLines(const QString& path, DrawLineResult lines, const HistorySnapshot& before,
                              HistoryMaintenance& maintenance, const EncoderBases& bases,
                              const ProgressFn& progress = {});

// The one check of every road into the history, applied to the lines read:
// a line whose issue is not one of the game's (the other width, no calendar
// date, a sequence number beyond the game's draws a day) moves from the draws
// to the skipped lines (SkipReason::NotOfTheGame), in line order.
void refuseIssuesOutsideGame(DrawLineResult* lines, int lotteryCode, int drawsPerDay);

// A file of another game's history: every line that carries an issue number
// has the other width of daily sequence number (two digits for Guangdong,
// three for Tianjin and Hunan). Imported as it is, its issues would be stored
// with the wrong width and the next issue number would go wrong.
struct GameMismatch
{
    int sequenceDigits = 0; // the width the file's issue numbers have
    std::vector<int> lotteryCodes; // the games of that width, those of the game menu first
    std::vector<int> menuCodes; // those of them the game menu offers
    QString gameNames; // "广东快乐十分", "天津快乐十分或湖南快乐十分"
    std::int64_t example = 0; // the first such issue number (stored form)
    int lines = 0; // lines with an issue number
};
// Empty when the lines fit `lotteryCode` or carry no issue number at all.
std::optional<GameMismatch> otherGameOfLines(const DrawLineResult& lines, int lotteryCode);
// "文件中的期号（如2025092884）是2位期序号，像是广东快乐十分的历史号码；当前彩种是
// 湖南快乐十分（3位期序号）。"
QString gameMismatchText(const GameMismatch& mismatch, int lotteryCode);

// Whether the dialog's file name is one the import takes: its lower-cased
// name ends in "txt".
bool isImportableFileName(const QString& path);

} // namespace corvinel
