// corvinel-cli odds, tickets and backtest --play run as a child process: the
// odds JSON against the plays' exact figures, tickets against the stored
// draws counted again bet by bet, the refusals with their line numbers and
// exit codes, and the money of a batch against its own steps.
#include "support/CliRunner.h"
#include "support/HistoryTestSupport.h"
#include "analysis/Plays.h"
#include "analysis/Tickets.h"
#include "store/HistoryMaintenance.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

using namespace corvinel;
using namespace corvinel::testing;

namespace {

class OddsCli : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    std::vector<PlainDraw> draws;

    void SetUp() override
    {
        // Guangdong: two-digit sequence numbers, 84 a day.
        draws = makeDraws(300, QDate(2025, 9, 1), 84, 2);
        HistoryStore s;
        QDir().mkpath(dir.filePath("data"));
        ASSERT_TRUE(s.open(dir.filePath("data")));
        ZodiacTables tables;
        DrawEncoder encoder(tables);
        HistoryMaintenance m(s, encoder, tables);
        ASSERT_TRUE(m.rebuild(draws, EncoderBases {}).ok);
    }
    CliRun cli(const QStringList& args)
    {
        return runCli(dir.filePath("config"), dir.filePath("data"), QStringList { "--game", "544" } + args);
    }
    QString ticketFile(const QString& text)
    {
        QString path = dir.filePath("tickets.txt");
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(text.toUtf8());
        return path;
    }
    static QJsonObject json(const CliRun& r) { return QJsonDocument::fromJson(r.out.toUtf8()).object(); }
};

} // namespace

TEST_F(OddsCli, OddsAndTheNoteOfOtherGames)
{
    const CliRun r = cli({ "odds", "--format", "json" });
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    const QJsonObject o = json(r);
    EXPECT_EQ(o.value("game").toInt(), 544);
    const QJsonArray plays = o.value("plays").toArray();
    ASSERT_EQ(plays.size(), kPlayCount);
    for (int i = 0; i < kPlayCount; ++i) {
        const PlayRule& rule = playRules()[static_cast<std::size_t>(i)];
        const QJsonObject p = plays[i].toObject();
        EXPECT_EQ(p.value("play").toString(), QString::fromUtf8(rule.name));
        EXPECT_EQ(p.value("pick").toInt(), rule.pick);
        const double chance = static_cast<double>(rule.probability.num) / static_cast<double>(rule.probability.den);
        EXPECT_DOUBLE_EQ(p.value("probability").toDouble(), chance);
        EXPECT_NEAR(p.value("return").toDouble(), p.value("prize").toDouble() * chance / 2, 1e-12);
    }
    EXPECT_DOUBLE_EQ(plays[0].toObject().value("return").toDouble(), 0.625);
    const CliRun text = cli({ "odds" });
    EXPECT_TRUE(text.out.contains(QStringLiteral("1/20"))) << text.out.toStdString();
    EXPECT_FALSE(text.out.contains(QStringLiteral("广东快乐十分的奖金表")));
    const CliRun tianjin = runCli(dir.filePath("config"), dir.filePath("other"), { "--game", "568", "odds" });
    EXPECT_TRUE(tianjin.out.contains(QStringLiteral("广东快乐十分的奖金表"))) << tianjin.out.toStdString();
}

TEST_F(OddsCli, TicketsAgainstTheStoredDraws)
{
    const QString file = ticketFile(QStringLiteral("任选三 01 02 03 04 05\n\n选二连组 03 | 07 08 09\n"
                                                   "选三前直 04 09 11\n选一红投 19 20\n"));
    const CliRun r = cli({ "tickets", file, "--from", "2025090150", "--to", "2025090280", "--format", "json" });
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    const QJsonObject o = json(r);
    // Stored draws 50..84 of the first day and 1..80 of the second.
    const int drawCount = 35 + 80;
    EXPECT_EQ(o.value("draws").toInt(), drawCount);
    const TicketParse parsed = parseTickets(QStringLiteral("任选三 01 02 03 04 05\n\n选二连组 03 | 07 08 09\n"
                                                           "选三前直 04 09 11\n选一红投 19 20\n"));
    const QJsonArray tickets = o.value("tickets").toArray();
    ASSERT_EQ(tickets.size(), 4);
    const std::array<int, 4> lines { 1, 3, 4, 5 };
    const std::array<std::int64_t, 4> prizes { 24, 31, 8000, 5 };
    std::int64_t totalWon = 0;
    for (int i = 0; i < 4; ++i) {
        const QJsonObject t = tickets[i].toObject();
        EXPECT_EQ(t.value("line").toInt(), lines[static_cast<std::size_t>(i)]);
        const Ticket& ticket = parsed.tickets[static_cast<std::size_t>(i)];
        std::int64_t wins = 0;
        for (std::size_t d = 49; d < 49 + drawCount; ++d) {
            for (const Bet& b : expandBets(ticket))
                wins += betWins(b, draws[d].numbers) ? 1 : 0;
        }
        EXPECT_EQ(t.value("bets").toInteger(), ticket.betCount());
        EXPECT_EQ(t.value("cost").toInteger(), 2 * ticket.betCount() * drawCount);
        EXPECT_EQ(t.value("wins").toInteger(), wins) << i;
        EXPECT_EQ(t.value("won").toInteger(), wins * prizes[static_cast<std::size_t>(i)]);
        totalWon += wins * prizes[static_cast<std::size_t>(i)];
    }
    const QJsonObject s = o.value("summary").toObject();
    EXPECT_EQ(s.value("bets").toInteger(), 10 + 3 + 1 + 2);
    EXPECT_EQ(s.value("cost").toInteger(), 2 * 16 * drawCount);
    EXPECT_EQ(s.value("won").toInteger(), totalWon);
    EXPECT_NEAR(s.value("return").toDouble(), static_cast<double>(totalWon) / (2.0 * 16 * drawCount), 1e-12);
    const PrizeTable g = guangdongPrizes();
    const double expected = (10 * playOdds(Play::AnyThree, g).returnRate.value()
                             + 3 * playOdds(Play::TwoAdjacentGroup, g).returnRate.value()
                             + playOdds(Play::FrontThreeDirect, g).returnRate.value()
                             + 2 * playOdds(Play::PickOneRed, g).returnRate.value())
        / 16;
    EXPECT_NEAR(s.value("expected_return").toDouble(), expected, 1e-12);

    // Default: the last stored draw; --from alone runs to it.
    EXPECT_EQ(json(cli({ "tickets", file, "--format", "json" })).value("draws").toInt(), 1);
    EXPECT_EQ(json(cli({ "tickets", file, "--from", "2025090401", "--format", "json" })).value("draws").toInt(),
              300 - 3 * 84);
    const CliRun empty = cli({ "tickets", file, "--from", "2026010101" });
    EXPECT_EQ(empty.code, 1);
    EXPECT_TRUE(empty.out.isEmpty());
}

TEST_F(OddsCli, RefusedLines)
{
    const QString file = ticketFile(QStringLiteral("任选三 01 02 03\n任选九 01\n\n选一数投 20\n任选二 01 02\n"));
    const CliRun r = cli({ "tickets", file, "--format", "json" });
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.out.isEmpty());
    EXPECT_TRUE(r.err.contains(QStringLiteral("第 2 行：未知玩法 任选九"))) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(QStringLiteral("第 4 行：选一数投只投 01–18，不能投 20"))) << r.err.toStdString();

    const CliRun skipped = cli({ "tickets", file, "--skip-refused", "--format", "json" });
    ASSERT_EQ(skipped.code, 0) << skipped.err.toStdString();
    EXPECT_TRUE(skipped.err.contains(QStringLiteral("第 2 行")));
    const QJsonArray tickets = json(skipped).value("tickets").toArray();
    ASSERT_EQ(tickets.size(), 2);
    EXPECT_EQ(tickets[0].toObject().value("line").toInt(), 1);
    EXPECT_EQ(tickets[1].toObject().value("line").toInt(), 5);
    EXPECT_EQ(cli({ "tickets", dir.filePath("missing.txt") }).code, 1);
    EXPECT_EQ(cli({ "tickets" }).code, 2);
}

TEST_F(OddsCli, BacktestInMoney)
{
    const QStringList batch { "backtest", "--free", "--positions", "1", "--prev", "--result-kind", "number",
                              "--result-pos", "1", "--direct", "--from", "2025090201", "--to", "2025090350",
                              "--top", "4", "--format", "json" };
    const CliRun r = cli(batch + QStringList { "--play", QStringLiteral("选一数投") });
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    const QJsonObject o = json(r);
    std::int64_t bets = 0;
    std::int64_t wins = 0;
    for (const auto& v : o.value("steps").toArray()) {
        const QJsonObject step = v.toObject();
        if (step.value("hits").isNull())
            continue;
        const int actual = step.value("actual").toArray().first().toString().toInt();
        for (const auto& top : step.value("top").toArray()) {
            const int value = top.toString().toInt();
            bets += value <= 18 ? 1 : 0;
            wins += value <= 18 && value == actual ? 1 : 0;
        }
    }
    const QJsonObject s = o.value("summary").toObject();
    EXPECT_GT(bets, 0);
    EXPECT_EQ(s.value("staked").toInteger(), 2 * bets);
    EXPECT_EQ(s.value("won").toInteger(), 25 * wins);
    EXPECT_DOUBLE_EQ(s.value("expected_return").toDouble(), 0.625);
    // Without --play the same batch has no money.
    const CliRun plain = cli(batch);
    EXPECT_FALSE(json(plain).value("summary").toObject().contains("staked"));

    QStringList text = batch;
    text.removeLast();
    text.removeLast();
    const CliRun t = cli(text + QStringList { "--play", QStringLiteral("选一数投") });
    EXPECT_TRUE(t.out.contains(QStringLiteral("投入 %1 元，返还 %2 元，返奖率").arg(2 * bets).arg(25 * wins)))
        << t.out.toStdString();
    EXPECT_TRUE(t.out.contains(QStringLiteral("（理论 62.5 %）")));

    QStringList group = batch;
    group[group.indexOf("--direct")] = "--group";
    EXPECT_EQ(cli(group + QStringList { "--play", QStringLiteral("选一数投") }).code, 1);
    EXPECT_EQ(cli(batch + QStringList { "--combo", "--size", "1", "--play", QStringLiteral("选一数投") }).code, 1);
    EXPECT_EQ(cli(batch + QStringList { "--play", QStringLiteral("任选三") }).code, 1);
}
