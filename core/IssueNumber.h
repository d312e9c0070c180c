#pragma once

#include <QString>

#include <cstdint>
#include <optional>

namespace corvinel {

// Draw issue numbers. The stored form (column SQQH) is YYMMDD followed by the
// day's sequence number (3 digits for 568 and 556, 2 for the other codes); the
// display form is "20" followed by the stored digits.
namespace issue {

inline constexpr int kGuangdong = 544;
inline constexpr int kHunan = 556;
inline constexpr int kCode566 = 566;
inline constexpr int kTianjin = 568;

// Sequence number of the last draw of a day for a lottery code.
int drawsPerDay(int lotteryCode);
// 3 for Tianjin and Hunan, 2 for every other code.
int sequenceDigits(int lotteryCode);

QString displayForm(std::int64_t stored);

// The game's name as the game menu shows it ("广东快乐十分"); "代码566（每天97期）"
// for the code without a menu item. Also the name of the game's history folder.
QString gameName(int lotteryCode);

// Number of digits of a game's stored form: YYMMDD and the sequence number.
inline int storedDigits(int lotteryCode)
{
    return 6 + sequenceDigits(lotteryCode);
}

// Why the stored number `stored` cannot be a draw of the game: it has not the
// game's number of digits, its first six are no calendar date, or its sequence
// number is outside 1..drawsPerDay. Empty when it can. The text is a whole
// sentence for the user and names the issue in display form.
std::optional<QString> issueRefusal(std::int64_t stored, int lotteryCode, int drawsPerDay);

// Next draw issue number (display form) after the stored number `last`.
// Empty optional when `last` has no readable date although the day has ended,
// or when no number follows it.
std::optional<QString> nextIssue(std::int64_t last, int lotteryCode, int drawsPerDay);

// Stored form of the draw before the draw whose display form is `text`.
std::optional<std::int64_t> verificationPredecessor(const QString& text, int lotteryCode, int drawsPerDay);

// The stored form of a display-form text: its last nine characters as a whole
// number (the range boxes are read this way). Empty when that is not a number.
std::optional<std::int64_t> lastNineAsNumber(const QString& text);

// Strict whole number of a text (optional sign, digits, surrounding blanks).
std::optional<std::int64_t> wholeNumber(const QString& text);

// The leading number of a text (blanks skipped), 0 when none; whatever
// follows its digits is ignored, so a date text or a box with a suffix reads.
std::int64_t leadingValue(const QString& text);

} // namespace issue
} // namespace corvinel
