#pragma once

#include "store/DrawEncoder.h"
#include "core/Kinds.h"

#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>

namespace corvinel {

class HistorySnapshot;
class HistoryStore;
class ZodiacTables;

namespace manual_entry {

using BoxTexts = std::array<QString, kPositions>;
using Numbers = std::array<int, kPositions>;

// Title of the message that refuses an entry.
inline constexpr const char* kRefusalTitle = "输入有误";

// Whether character place `place` (0 or 1) of a masked box text holds a digit.
// The text may carry the prompt character "_" (or a blank) for an untyped
// place, or be shorter than two characters.
bool placeHasDigit(const QString& boxText, int place);
// Both places hold digits.
bool isComplete(const QString& boxText);
// The box's number read from the left: "05" -> 5, "5_" -> 5, "__" -> 0.
int boxValue(const QString& boxText);

// The check of the eight boxes once box 8 is complete. A draw is eight
// different numbers from 01 to 20: every box complete, every value within
// 1..20, no value twice. `box` is 1..8 (the first box at fault) and `message`
// names it and the reason; 0 and empty when the draw is accepted.
struct Check
{
    bool ok = false;
    int box = 0;
    QString message;
    Numbers numbers {};
};
Check checkBoxes(const BoxTexts& boxes);
Check checkNumbers(const Numbers& numbers);

// The stored form of the next draw issue number shown in Text1: the text
// without its leading "20". Empty unless the rest is a calendar date YYMMDD
// followed by a sequence number of two or three digits: the start-up text
// "2007001" of an empty history, for one, is no issue number to store a draw
// under (the user types the real one into Text1 first).
std::optional<std::int64_t> storedIssue(const QString& text1);

// The outcome of storing one entry; on failure nothing was stored and the
// encoder is as it was.
struct StoreOutcome
{
    bool ok = false;
    std::int64_t sqqh = 0;
    QString error;
};

// Stores the draw as the newest draw record: the start of an append operation
// from the last row of `current` (the history as it stands), the encoding of
// the one draw, and its insertion in one transaction. A number already in the
// history is refused before anything is encoded.
StoreOutcome storeDraw(HistoryStore& store, DrawEncoder& encoder, ZodiacTables& tables, const HistorySnapshot& current,
                       const EncoderBases& bases, std::int64_t sqqh, const Numbers& numbers);

// The draw under the issue that follows the last stored draw, that issue
// taken inside the write transaction (`nextOf` gives it from the last stored
// issue; nullopt refuses): another program's draws or deletions between the
// start of the command and its write cannot leave it under a stale number.
// An empty history is refused: it has no next issue.
StoreOutcome storeNextDraw(HistoryStore& store, DrawEncoder& encoder, ZodiacTables& tables, const EncoderBases& bases,
                           const std::function<std::optional<std::int64_t>(std::int64_t last)>& nextOf,
                           const Numbers& numbers);

// The whole entry from the texts: checks Text1 and the boxes, then stores.
StoreOutcome enter(HistoryStore& store, DrawEncoder& encoder, ZodiacTables& tables, const HistorySnapshot& current,
                   const EncoderBases& bases, const QString& text1, const BoxTexts& boxes);

} // namespace manual_entry
} // namespace corvinel
