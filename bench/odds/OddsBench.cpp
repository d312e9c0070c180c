// Ticket checking: 1,000 bets against 100,000 random draws, as one ticket per
// play and as 1,000 single-bet tickets of mixed plays, through the whole road
// of the tickets command (the draws prepared from the history, every ticket
// checked, the totals); and the expansion of a 20-number 任选五 复式 ticket
// (15,504 bets).
//
// bench_odds [DRAWS [BETS]]
#include "analysis/Tickets.h"
#include "bench/support/RandomHistory.h"

#include <QCoreApplication>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <cstdlib>
#include <random>
#include <vector>

using namespace corvinel;

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point t0)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
}

HistorySnapshot randomSnapshot(int draws)
{
    std::mt19937 rng(static_cast<unsigned>(draws));
    std::vector<SnapshotRow> rows(static_cast<std::size_t>(draws));
    for (int i = 0; i < draws; ++i) {
        const std::array<int, 8> d = bench::randomDraw(rng);
        rows[static_cast<std::size_t>(i)].sqqh = 130101001 + i;
        for (int p = 1; p <= 8; ++p)
            rows[static_cast<std::size_t>(i)].values[p - 1][0] = static_cast<std::int16_t>(d[p - 1]);
    }
    return HistorySnapshot(std::move(rows));
}

void report(const char* what, const HistorySnapshot& history, const std::vector<Ticket>& tickets)
{
    std::int64_t bets = 0;
    for (const Ticket& t : tickets)
        bets += t.betCount();
    // Wall time and processor time: on a machine shared with other work the
    // wall time overstates what the check itself costs.
    double best = 1e300;
    double bestCpu = 1e300;
    TicketCheckResult r;
    for (int run = 0; run < 3; ++run) {
        const auto t0 = Clock::now();
        const std::clock_t c0 = std::clock();
        r = checkTickets(history, tickets, guangdongPrizes(), QStringLiteral("2000000000"));
        best = std::min(best, msSince(t0));
        bestCpu = std::min(bestCpu, 1000.0 * static_cast<double>(std::clock() - c0) / CLOCKS_PER_SEC);
    }
    std::printf("%-44s %6lld bets x %7zu draws: %7.1f ms wall, %7.1f ms cpu (best of 3; limit 500) %s; %lld winning "
                "bets, return %.3f (expected %.3f)\n",
                what, static_cast<long long>(bets), r.issues.size(), best, bestCpu, bestCpu <= 500 ? "ok" : "OVER",
                static_cast<long long>(r.totals.wins), r.totals.returnRate, r.totals.expectedReturn);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int draws = argc > 1 ? std::atoi(argv[1]) : 100000;
    const int betsWanted = argc > 2 ? std::atoi(argv[2]) : 1000;
    const HistorySnapshot history = randomSnapshot(draws);
    std::mt19937 rng(22);

    // 1,000 single bets, the plays in turn.
    std::vector<Ticket> singles;
    for (int i = 0; i < betsWanted; ++i) {
        const PlayRule& rule = playRules()[static_cast<std::size_t>(i % kPlayCount)];
        std::vector<int> pool;
        for (int n = rule.lowest; n <= rule.highest; ++n)
            pool.push_back(n);
        std::shuffle(pool.begin(), pool.end(), rng);
        Ticket t;
        t.line = i + 1;
        t.play = rule.play;
        t.numbers.assign(pool.begin(), pool.begin() + rule.pick);
        singles.push_back(t);
    }
    report("single-bet tickets, mixed plays", history, singles);

    // About 1,000 bets as 复式 tickets: 100 per play.
    std::vector<Ticket> multiples;
    for (const PlayRule& rule : playRules()) {
        for (int n = rule.pick; n <= rule.highest - rule.lowest + 1; ++n) {
            Ticket t;
            t.play = rule.play;
            for (int i = 0; i < n; ++i)
                t.numbers.push_back(rule.lowest + i);
            if (t.betCount() >= 100 || n == rule.highest - rule.lowest + 1) {
                multiples.push_back(t);
                break;
            }
        }
    }
    report("one 复式 ticket per play", history, multiples);

    Ticket big;
    big.play = Play::AnyFive;
    for (int n = 1; n <= 20; ++n)
        big.numbers.push_back(n);
    const auto t0 = Clock::now();
    const std::vector<Bet> bets = expandBets(big);
    std::printf("expanding 任选五 with 20 numbers: %zu bets in %.2f ms\n", bets.size(), msSince(t0));
    return 0;
}
