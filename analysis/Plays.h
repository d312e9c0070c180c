#pragma once

#include "analysis/ResultTable.h"

#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <optional>

namespace corvinel {

// The plays of a Happy Ten game, in the order every table lists them.
enum class Play
{
    PickOneNumber, // 选一数投
    PickOneRed, // 选一红投
    AnyTwo, // 任选二
    TwoAdjacentGroup, // 选二连组
    TwoAdjacentDirect, // 选二连直
    AnyThree, // 任选三
    FrontThreeGroup, // 选三前组
    FrontThreeDirect, // 选三前直
    AnyFour, // 任选四
    AnyFive, // 任选五
};

inline constexpr int kPlayCount = 10;
inline constexpr int kBetPrice = 2; // yuan

// An exact fraction, reduced, with a positive denominator.
struct Fraction
{
    std::int64_t num = 0;
    std::int64_t den = 1;

    static Fraction of(std::int64_t num, std::int64_t den);
    double value() const { return static_cast<double>(num) / static_cast<double>(den); }
    QString text() const; // "7/190", or "25" for a whole number
    bool operator==(const Fraction&) const = default;
};

// What a bet of a play is and how it is won.
struct PlayRule
{
    Play play = Play::PickOneNumber;
    const char* name = ""; // as tickets and tables name it (UTF-8)
    int pick = 1; // numbers in one bet
    bool ordered = false; // the numbers of a bet are in the order written (直)
    bool bankerAllowed = false; // takes a 胆拖 ticket
    int lowest = 1; // the numbers the play accepts
    int highest = 20;
    // Winning outcomes among all equally likely outcomes of the draw for one
    // bet: the exact chance that one bet wins.
    Fraction probability;
};

// The ten plays in table order.
const std::array<PlayRule, kPlayCount>& playRules();
const PlayRule& playRule(Play play);
std::optional<Play> playByName(QStringView name);
QString playName(Play play);

// The prize of a winning bet of each play, in whole yuan.
struct PrizeTable
{
    std::array<std::int64_t, kPlayCount> prize {};
    bool fromFile = false; // false: the Guangdong table as shipped

    std::int64_t of(Play play) const { return prize[static_cast<std::size_t>(play)]; }
    void set(Play play, std::int64_t yuan) { prize[static_cast<std::size_t>(play)] = yuan; }
    bool operator==(const PrizeTable& o) const { return prize == o.prize; }
};

// Guangdong's published table: 25, 5, 8, 31, 62, 24, 1300, 8000, 80, 320.
PrizeTable guangdongPrizes();

// The file of a game's prize table, in the data folder that holds its history.
QString prizeTablePath(const QString& dataFolder, int lotteryCode);

// A game's prize table read from its file: one line per play, "name prize";
// blank lines and lines starting with # are ignored, plays not named keep
// Guangdong's prize. No file: Guangdong's table. Lines that cannot be read
// are listed in `problems` ("第 3 行：…") and left out.
struct PrizeTableRead
{
    PrizeTable table;
    QStringList problems;
};
PrizeTableRead readPrizeTable(const QString& path);
PrizeTableRead parsePrizeTable(const QString& text);
QString prizeTableText(const PrizeTable& table);
// Writes the file atomically; false with the reason in `error`.
bool writePrizeTable(const QString& path, const PrizeTable& table, QString* error);

// The note shown beside a table the user has not set for a game whose own
// prizes may differ: empty for Guangdong (544) or a table read from a file.
QString prizeTableNote(int lotteryCode, const PrizeTable& table);

// One row of the odds table of a play.
struct PlayOdds
{
    Play play = Play::PickOneNumber;
    std::int64_t prize = 0;
    Fraction probability;
    Fraction expectedPrize; // prize x probability, per 2-yuan bet
    Fraction returnRate; // expected prize / 2
};
PlayOdds playOdds(Play play, const PrizeTable& table);

// The odds of every play as a table: 玩法, 注码数, 奖金（元）, 中奖概率 (the
// fraction), 概率 (decimal), 每注期望奖金（元） (fraction and decimal), 返奖率.
ResultTable oddsTable(const PrizeTable& table);

} // namespace corvinel
