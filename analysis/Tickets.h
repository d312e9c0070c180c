#pragma once

#include "analysis/Plays.h"
#include "store/HistorySnapshot.h"

#include <QString>
#include <QStringView>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace corvinel {

// One line of a ticket file: a play and its numbers. Exactly `pick` numbers
// are one bet; more are a 复式 ticket (every choice of `pick` of them, for
// 直 plays every ordered choice); "PLAY B… | D…" is a 胆拖 ticket (every bet
// holds all bankers B and pick - |B| of the drag numbers D).
struct Ticket
{
    int line = 0; // 1-based line of the text, blank lines counted
    Play play = Play::PickOneNumber;
    std::vector<int> numbers; // as written; empty for a 胆拖 ticket
    std::vector<int> bankers; // 胆
    std::vector<int> drag; // 拖

    bool isBanker() const { return !bankers.empty(); }
    std::int64_t betCount() const;
    QString text() const; // "任选三 01 02 | 03 04 05"
};

struct RefusedTicket
{
    int line = 0;
    QString reason; // Chinese, one line
    QString message() const; // "第 3 行：reason"
};

struct TicketParse
{
    std::vector<Ticket> tickets;
    std::vector<RefusedTicket> refused;
    std::int64_t bets() const;
};

// Reads a ticket line. A line that starts with its numbers takes
// `defaultPlay` when one is given (the play chosen in the window). Numbers
// are two digits each, separated by anything that is not a digit, as the
// draw-line import reads them; "|" (or "｜") splits bankers from the drag.
// Nothing (and no reason) for a blank line.
std::optional<Ticket> parseTicketLine(QStringView line, int lineNumber, std::optional<Play> defaultPlay,
                                      QString* reason);
TicketParse parseTickets(const QString& text, std::optional<Play> defaultPlay = std::nullopt);

// One bet: its play and numbers (in the written order for 直 plays).
struct Bet
{
    Play play = Play::PickOneNumber;
    int count = 0;
    std::array<std::uint8_t, 5> numbers {};
};

// Every bet of a ticket, in a fixed order; `visit` returns false to stop.
void forEachBet(const Ticket& ticket, const std::function<bool(const Bet&)>& visit);
std::vector<Bet> expandBets(const Ticket& ticket);

// Whether a bet wins on a draw (the eight numbers in drawn order). The plain
// reading of each play's rule, for tests and single checks; `DrawTable`
// checks many at once.
bool betWins(const Bet& bet, const std::array<int, 8>& draw);

// The draws to check against, prepared for word-wide tests: the set of the
// eight numbers, the first number, the first three (as a set and in order)
// and the adjacent pairs (unordered and ordered) of each draw.
class DrawTable
{
public:
    DrawTable() = default;
    explicit DrawTable(const std::vector<std::array<int, 8>>& draws);

    int size() const { return static_cast<int>(m_keys.size()); }

    // A ticket against every draw: for each draw, how many of its bets won.
    struct Outcome
    {
        std::int64_t wins = 0; // winning bets over all draws
        std::vector<std::pair<int, int>> winningDraws; // (draw index, winning bets), in draw order
    };
    Outcome check(const Ticket& ticket) const;
    // Many tickets at once (faster than one by one), in their order.
    std::vector<Outcome> check(const std::vector<Ticket>& tickets) const;

private:
    struct Key
    {
        std::uint32_t numbers = 0; // bit n for number n
        std::uint32_t firstThree = 0;
        std::uint32_t firstThreeOrder = 0; // ((a * 21) + b) * 21 + c
        std::uint32_t first = 0; // bit of the 1st number
        std::array<std::uint64_t, 7> pairs {}; // bit (lo - 1) * 20 + (hi - 1) for adjacent lo < hi
        std::array<std::uint64_t, 7> orderedPairs {}; // bit (a - 1) * 20 + (b - 1) for a then b
    };
    std::vector<Key> m_keys;
};

// The totals of checked tickets; return and expected return as fractions of
// the cost.
struct TicketTotals
{
    std::int64_t bets = 0; // per draw
    std::int64_t cost = 0; // 2 x bets x draws
    std::int64_t wins = 0;
    std::int64_t won = 0;
    double returnRate = 0; // won / cost (0 without cost)
    double expectedReturn = 0; // the plays' returns weighted by their bets
};

// One ticket checked against the draws of a range.
struct CheckedTicket
{
    Ticket ticket;
    std::int64_t bets = 0; // per draw
    std::int64_t cost = 0; // 2 x bets x draws
    std::int64_t wins = 0;
    std::int64_t won = 0; // wins x the play's prize
    std::vector<std::pair<std::int64_t, int>> winningDraws; // (SQQH, winning bets)
};

struct TicketCheckResult
{
    bool ok = false;
    QString message; // why nothing was checked (for the user)
    std::vector<std::int64_t> issues; // SQQH of the draws checked, in order
    std::vector<CheckedTicket> tickets;
    TicketTotals totals;
};

// Checks tickets against the stored draws from `from` to `to` (display form
// as typed; both empty: the last stored draw; only `from`: up to the last
// draw; only `to`: from the first). Refused when the range holds no stored
// draw or an issue is not a number.
TicketCheckResult checkTickets(const HistorySnapshot& history, const std::vector<Ticket>& tickets,
                               const PrizeTable& prizes, const QString& from = {}, const QString& to = {});

} // namespace corvinel
