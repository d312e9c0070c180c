// Switching the game switches the history: each game's draws stay in its own
// history, and what the window shows (rows, next issue) follows the switch.
#include "session/HistoryChanges.h"
#include "session/Session.h"
#include "store/HistoryFolders.h"
#include "support/HistoryTestSupport.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace corvinel;

TEST(GameSwitch, EachGameKeepsItsOwnHistory)
{
    QTemporaryDir dir;
    const QString data = dir.filePath(QStringLiteral("data"));
    QDir().mkpath(data);
    Session s(std::make_unique<Settings>(dir.filePath(QStringLiteral("s.ini"))), data);
    s.startUp();
    s.setGame(544);
    ASSERT_TRUE(s.store().isOpen());
    const QString file = dir.filePath(QStringLiteral("gd.txt"));
    ASSERT_TRUE(corvinel::testing::writeFile(file, "2025092883 01 02 03 04 05 06 07 08\n2025092884 02 03 04 05 06 07 08 09\n"));
    ASSERT_TRUE(HistoryChanges(s).importTextFile(file).ok);
    EXPECT_EQ(s.nextIssue(), QStringLiteral("2025092901"));

    int shown = 0;
    QObject::connect(&s, &Session::historyChanged, [&shown] { ++shown; });
    s.setGame(556);
    EXPECT_GE(shown, 1); // the grid is told
    EXPECT_EQ(s.snapshot().recordCount(), 0); // a fresh history for Hunan
    EXPECT_EQ(s.nextIssue(), QStringLiteral("2007001"));
    EXPECT_TRUE(s.dataFolder().endsWith(QStringLiteral("湖南快乐十分")));
    // A Guangdong issue is no Hunan issue: refused, nothing stored.
    EXPECT_FALSE(HistoryChanges(s).addDraw(25092901, { 1, 2, 3, 4, 5, 6, 7, 8 }).ok);
    ASSERT_TRUE(HistoryChanges(s).addDraw(250929001, { 1, 2, 3, 4, 5, 6, 7, 8 }).ok);
    EXPECT_EQ(s.nextIssue(), QStringLiteral("20250929002"));
    EXPECT_EQ(history_folders::recordedGame(s.store()), 556);

    s.setGame(544);
    EXPECT_EQ(s.snapshot().recordCount(), 2);
    EXPECT_EQ(s.snapshot().last()->sqqh, 25092884);
    EXPECT_EQ(s.nextIssue(), QStringLiteral("2025092901"));
    EXPECT_EQ(history_folders::recordedGame(s.store()), 544);
    const auto histories = history_folders::listHistories(data);
    ASSERT_EQ(histories.size(), 2U);
    EXPECT_EQ(histories[0].draws, 2);
    EXPECT_EQ(histories[1].draws, 1);
}
