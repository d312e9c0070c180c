// The plays: each win rule against the positions of the bet's numbers in every
// ordering of a few draws, the probabilities against exact counting over the
// places the bet's numbers can take, 复式 and 胆拖 expansion, ticket refusals,
// the prize table file, and the money batch verification against the plain
// one's hits.
#include "support/AnalysisTestSupport.h"
#include "analysis/Backtest.h"
#include "analysis/BacktestMoney.h"
#include "analysis/Distributions.h"
#include "analysis/Plays.h"
#include "analysis/Tickets.h"
#include "core/IssueNumber.h"

#include <QDir>

#include <algorithm>
#include <functional>
#include <numeric>
#include <set>

using namespace corvinel;
using namespace corvinel::testing;

namespace {

// The rule written from the places of the bet's numbers in the draw (-1 when
// not drawn), independently of betWins and DrawTable.
using Places = std::array<int, 21>;

// Where each number was drawn (0 = 1st), -1 when it was not.
Places placesOf(const Nums& draw)
{
    Places at {};
    at.fill(-1);
    for (int i = 0; i < 8; ++i)
        at[static_cast<std::size_t>(draw[static_cast<std::size_t>(i)])] = i;
    return at;
}

bool winsByPlaces(const Bet& bet, const Places& places)
{
    auto place = [&](int n) { return places[static_cast<std::size_t>(n)]; };
    std::array<int, 5> at {};
    for (int i = 0; i < bet.count; ++i)
        at[i] = place(bet.numbers[i]);
    auto allDrawn = [&] { return std::all_of(at.begin(), at.begin() + bet.count, [](int p) { return p >= 0; }); };
    switch (bet.play) {
    case Play::PickOneNumber:
        return at[0] == 0;
    case Play::PickOneRed:
        return place(19) == 0 || place(20) == 0;
    case Play::AnyTwo:
    case Play::AnyThree:
    case Play::AnyFour:
    case Play::AnyFive:
        return allDrawn();
    case Play::TwoAdjacentGroup:
        return allDrawn() && std::abs(at[0] - at[1]) == 1;
    case Play::TwoAdjacentDirect:
        return allDrawn() && at[1] - at[0] == 1;
    case Play::FrontThreeGroup:
        return allDrawn() && at[0] < 3 && at[1] < 3 && at[2] < 3;
    case Play::FrontThreeDirect:
        return at[0] == 0 && at[1] == 1 && at[2] == 2;
    }
    return false;
}

Ticket ticketOf(Play play, std::vector<int> numbers)
{
    Ticket t;
    t.play = play;
    t.numbers = std::move(numbers);
    return t;
}

} // namespace

TEST(Plays, WinRulesOverEveryOrderingOfAFewDraws)
{
    std::mt19937 rng(22);
    for (int round = 0; round < 2; ++round) {
        Nums base = randomDraw(rng);
        if (round == 1) // a draw with both red numbers
            base = { 19, 3, 20, 7, 11, 1, 18, 5 };
        std::sort(base.begin(), base.end());
        std::vector<Nums> orderings;
        Nums order = base;
        do
            orderings.push_back(order);
        while (std::next_permutation(order.begin(), order.end()));
        ASSERT_EQ(orderings.size(), 40320u);
        const DrawTable table(orderings);

        // Bets from the drawn numbers and one that is not drawn.
        std::vector<int> pool(base.begin(), base.end());
        for (int n = 1; pool.size() < 9; ++n) {
            if (std::find(base.begin(), base.end(), n) == base.end())
                pool.push_back(n);
        }
        for (const PlayRule& rule : playRules()) {
            std::vector<int> numbers;
            for (int n : pool) {
                if (n >= rule.lowest && n <= rule.highest)
                    numbers.push_back(n);
            }
            if (rule.play == Play::PickOneRed)
                numbers = { 19, 20 };
            const Ticket t = ticketOf(rule.play, numbers);
            const std::vector<Bet> bets = expandBets(t);
            std::vector<int> expected(orderings.size(), 0);
            std::int64_t total = 0;
            for (std::size_t d = 0; d < orderings.size(); ++d) {
                const Places places = placesOf(orderings[d]);
                for (const Bet& b : bets) {
                    const bool w = winsByPlaces(b, places);
                    ASSERT_EQ(betWins(b, orderings[d]), w) << rule.name;
                    expected[d] += w ? 1 : 0;
                }
                total += expected[d];
            }
            const DrawTable::Outcome o = table.check(t);
            EXPECT_EQ(o.wins, total) << rule.name;
            std::vector<int> got(orderings.size(), 0);
            for (const auto& [d, n] : o.winningDraws)
                got[static_cast<std::size_t>(d)] = n;
            EXPECT_EQ(got, expected) << rule.name;
            EXPECT_GT(total, 0) << rule.name;
        }
    }
}

// A draw is the first eight of a random order of the twenty numbers; the bet's
// numbers take every tuple of distinct places among the twenty with equal
// chance, the others fill the rest. Counting the tuples that win gives the
// exact chance.
TEST(Plays, ProbabilitiesByCountingPlaces)
{
    for (const PlayRule& rule : playRules()) {
        Bet bet;
        bet.play = rule.play;
        bet.count = rule.pick;
        // Numbers of the bet, and for 选一红投 the other red number too.
        std::vector<int> tracked;
        if (rule.play == Play::PickOneRed)
            tracked = { 19, 20 };
        else
            for (int i = 0; i < rule.pick; ++i)
                tracked.push_back(2 * i + 3);
        for (int i = 0; i < rule.pick; ++i)
            bet.numbers[i] = static_cast<std::uint8_t>(tracked[i]);
        const int k = static_cast<int>(tracked.size());
        std::int64_t wins = 0;
        std::int64_t total = 0;
        std::array<int, 5> places {};
        // Every ordered tuple of k distinct places out of 20.
        std::function<void(int)> walk = [&](int depth) {
            if (depth == k) {
                std::array<int, 20> seats {};
                for (int i = 0; i < k; ++i)
                    seats[places[i]] = tracked[i];
                int filler = 1;
                for (int& s : seats) {
                    if (s != 0)
                        continue;
                    while (std::find(tracked.begin(), tracked.end(), filler) != tracked.end())
                        ++filler;
                    s = filler++;
                }
                Nums draw {};
                std::copy_n(seats.begin(), 8, draw.begin());
                ++total;
                wins += betWins(bet, draw) ? 1 : 0;
                return;
            }
            for (int p = 0; p < 20; ++p) {
                if (std::find(places.begin(), places.begin() + depth, p) != places.begin() + depth)
                    continue;
                places[depth] = p;
                walk(depth + 1);
            }
        };
        walk(0);
        EXPECT_EQ(Fraction::of(wins, total), rule.probability) << rule.name;
    }
    EXPECT_EQ(playRule(Play::AnyFive).probability, Fraction::of(56, 15504));
    EXPECT_EQ(playRule(Play::TwoAdjacentGroup).probability, Fraction::of(14, 380));
    EXPECT_EQ(playRule(Play::FrontThreeGroup).probability, Fraction::of(6, 6840));
}

TEST(Plays, OddsOfTheGuangdongTable)
{
    const PrizeTable g = guangdongPrizes();
    EXPECT_EQ(playOdds(Play::PickOneNumber, g).returnRate, Fraction::of(5, 8));
    EXPECT_EQ(playOdds(Play::PickOneRed, g).returnRate, Fraction::of(1, 4));
    EXPECT_EQ(playOdds(Play::AnyThree, g).expectedPrize, Fraction::of(24 * 56, 1140));
    EXPECT_NEAR(playOdds(Play::AnyThree, g).returnRate.value(), 0.58947, 1e-5);
    for (const PlayRule& r : playRules()) {
        const double ret = playOdds(r.play, g).returnRate.value();
        if (r.play != Play::PickOneRed) {
            EXPECT_TRUE(ret > 0.56 && ret <= 0.625) << r.name << ' ' << ret;
        }
    }
}

TEST(Tickets, ExpansionCounts)
{
    for (const PlayRule& rule : playRules()) {
        for (int n = rule.pick; n <= rule.highest - rule.lowest + 1 && n <= 9; ++n) {
            std::vector<int> nums;
            for (int i = 0; i < n; ++i)
                nums.push_back(rule.highest - i);
            const Ticket t = ticketOf(rule.play, nums);
            const std::vector<Bet> bets = expandBets(t);
            std::int64_t expected = stats::binomial(n, rule.pick);
            if (rule.ordered && n > rule.pick) {
                for (int i = 2; i <= rule.pick; ++i)
                    expected *= i;
            }
            EXPECT_EQ(t.betCount(), expected) << rule.name << " n=" << n;
            ASSERT_EQ(static_cast<std::int64_t>(bets.size()), expected) << rule.name << " n=" << n;
            std::set<std::vector<int>> distinct;
            for (const Bet& b : bets) {
                std::vector<int> v(b.numbers.begin(), b.numbers.begin() + b.count);
                if (!rule.ordered)
                    std::sort(v.begin(), v.end());
                distinct.insert(v);
            }
            EXPECT_EQ(static_cast<std::int64_t>(distinct.size()), expected) << rule.name;
        }
    }
    std::vector<int> all(20);
    std::iota(all.begin(), all.end(), 1);
    EXPECT_EQ(expandBets(ticketOf(Play::AnyFive, all)).size(), 15504u);

    // 胆拖: every bet holds the bankers and pick - |B| drag numbers.
    for (Play play : { Play::AnyTwo, Play::AnyThree, Play::AnyFour, Play::AnyFive, Play::TwoAdjacentGroup,
                       Play::FrontThreeGroup }) {
        const int k = playRule(play).pick;
        for (int b = 1; b <= k - 1; ++b) {
            for (int d = k - b + 1; d <= 8; ++d) {
                Ticket t;
                t.play = play;
                for (int i = 0; i < b; ++i)
                    t.bankers.push_back(20 - i);
                for (int i = 0; i < d; ++i)
                    t.drag.push_back(1 + i);
                const std::vector<Bet> bets = expandBets(t);
                EXPECT_EQ(t.betCount(), stats::binomial(d, k - b));
                ASSERT_EQ(static_cast<std::int64_t>(bets.size()), stats::binomial(d, k - b));
                for (const Bet& bet : bets) {
                    for (int banker : t.bankers)
                        EXPECT_NE(std::find(bet.numbers.begin(), bet.numbers.begin() + k, banker),
                                  bet.numbers.begin() + k);
                }
            }
        }
    }
}

TEST(Tickets, ParsingAndRefusals)
{
    const QString text = QStringLiteral("任选三 01 02 03\n"
                                        "\n"
                                        "任选三 01,02,03,04\n" // 复式: 4 bets
                                        "任选三 05 06 | 07 08 09\n" // 胆拖: 3 bets
                                        "选三前直 010203\n" // one bet, run of digits
                                        "任选六 01 02 03 04 05 06\n"
                                        "任选二 01 21\n"
                                        "任选二 03 03\n"
                                        "选一数投 19\n"
                                        "选一红投 05\n"
                                        "任选四 01 02 03\n"
                                        "选二连直 01 | 02 03\n"
                                        "任选三 01 02 | 03\n"
                                        "任选三 | 01 02 03 04\n"
                                        "任选二 1 2\n"
                                        "01 02\n");
    const TicketParse p = parseTickets(text);
    ASSERT_EQ(p.tickets.size(), 4u);
    EXPECT_EQ(p.tickets[1].line, 3);
    EXPECT_EQ(p.tickets[1].betCount(), 4);
    EXPECT_EQ(p.tickets[2].betCount(), 3);
    EXPECT_EQ(p.tickets[3].numbers, (std::vector<int> { 1, 2, 3 }));
    EXPECT_EQ(p.bets(), 1 + 4 + 3 + 1);
    const std::vector<std::pair<int, QString>> expected {
        { 6, "未知玩法 任选六" },       { 7, "21 不在 01–20" },     { 8, "03 重复" },
        { 9, "不能投 19" },             { 10, "不能投 05" },         { 11, "每注 4 个号码，只有 3 个" },
        { 12, "选二连直不能胆拖" },     { 13, "合计应多于 3 个" },   { 14, "胆码应有 1 到 2 个" },
        { 15, "号码应写两位" },         { 16, "缺少玩法" },
    };
    ASSERT_EQ(p.refused.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(p.refused[i].line, expected[i].first);
        EXPECT_TRUE(p.refused[i].reason.contains(expected[i].second)) << p.refused[i].message().toStdString();
    }
    // The window's chosen play stands for a line without a name.
    const TicketParse d = parseTickets(QStringLiteral("01 02"), Play::AnyTwo);
    ASSERT_EQ(d.tickets.size(), 1u);
    EXPECT_EQ(d.tickets[0].play, Play::AnyTwo);
}

TEST(PrizeTable, FileRoundTripAndProblems)
{
    QTemporaryDir dir;
    const QString path = prizeTablePath(dir.path(), 568);
    PrizeTableRead absent = readPrizeTable(path);
    EXPECT_EQ(absent.table, guangdongPrizes());
    EXPECT_FALSE(absent.table.fromFile);
    EXPECT_FALSE(prizeTableNote(568, absent.table).isEmpty());
    EXPECT_TRUE(prizeTableNote(544, absent.table).isEmpty());

    PrizeTable t = guangdongPrizes();
    t.set(Play::AnyThree, 26);
    QString error;
    ASSERT_TRUE(writePrizeTable(path, t, &error)) << error.toStdString();
    const PrizeTableRead back = readPrizeTable(path);
    EXPECT_EQ(back.table, t);
    EXPECT_TRUE(back.table.fromFile);
    EXPECT_TRUE(back.problems.isEmpty());
    EXPECT_TRUE(prizeTableNote(568, back.table).isEmpty());
    EXPECT_FALSE(QFile::exists(prizeTablePath(dir.path(), 544)));

    const PrizeTableRead bad = parsePrizeTable(QStringLiteral("任选二 9\n任选九 5\n任选三 abc\n"));
    EXPECT_EQ(bad.table.of(Play::AnyTwo), 9);
    EXPECT_EQ(bad.table.of(Play::AnyThree), 24);
    ASSERT_EQ(bad.problems.size(), 2);
    EXPECT_TRUE(bad.problems[0].startsWith(QStringLiteral("第 2 行")));
}

// With result kind number at position 1 and direct mode, a step hits when the
// draw's 1st number is among its top values; every top value 01–18 is a bet.
TEST(BacktestMoney, AgreesWithThePlainHits)
{
    std::mt19937 rng(2022);
    TestHistory h;
    std::vector<Nums> draws;
    for (int i = 0; i < 300; ++i)
        draws.push_back(randomDraw(rng));
    h.append(draws, 160101001);
    const HistorySnapshot snap = h.store.snapshot();
    Backtest batch(h.store);
    for (int top : { 1, 3, 20 }) {
        BacktestOptions b;
        b.search.kind = 0;
        b.search.positions[1] = true;
        b.search.freePosition = true;
        b.search.previousIssue = true;
        b.search.resultKind = 0;
        b.search.resultPosition = 1;
        b.search.rangeFrom = "20000000000";
        b.top = top;
        b.from = issue::displayForm(snap.row(50).sqqh);
        b.to = issue::displayForm(snap.row(299).sqqh);
        ASSERT_FALSE(moneyPlayRefusal(b));
        const BacktestResult r = batch.run(b);
        ASSERT_TRUE(r.ok) << r.message.toStdString();
        const BacktestMoney m = backtestMoney(r, guangdongPrizes());
        std::int64_t bets = 0;
        std::int64_t redHits = 0;
        for (const BacktestStep& s : r.steps) {
            if (!s.scored())
                continue;
            for (const TallyEntry& e : s.top)
                bets += e.value <= 18 ? 1 : 0;
            redHits += s.hits > 0 && s.actual.front() > 18 ? 1 : 0;
        }
        EXPECT_GT(r.summary.hits, 0);
        EXPECT_EQ(m.staked, 2 * bets);
        EXPECT_EQ(m.won, 25 * (r.summary.hits - redHits));
        EXPECT_EQ(m.stakedAfter.back(), m.staked);
        EXPECT_DOUBLE_EQ(m.expectedReturn, 0.625);
        EXPECT_TRUE(moneyLine(m).startsWith(QStringLiteral("投入 %1 元，返还 %2 元").arg(m.staked).arg(m.won)));
    }
    BacktestOptions group;
    group.search.group = true;
    EXPECT_TRUE(moneyPlayRefusal(group));
    BacktestOptions combo;
    combo.combination = true;
    EXPECT_TRUE(moneyPlayRefusal(combo));
}
