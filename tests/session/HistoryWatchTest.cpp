// The session follows the history file: another program's import (here the
// real corvinel-cli) is read again with the words that say so, a change that
// leaves the draws as they were is no news, and a file put in place of the
// open one is reopened.
#include "session/HistoryChanges.h"
#include "session/HistoryWatch.h"
#include "session/Session.h"
#include "support/CliRunner.h"
#include "support/HistoryTestSupport.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace corvinel;
using namespace corvinel::testing;

TEST(HistoryWatch, ReloadsAfterAnotherProgramsImportAndReopensAReplacedFile)
{
    QTemporaryDir dir;
    const QString data = dir.filePath("data");
    QDir().mkpath(data);
    auto s = std::make_unique<Session>(std::make_unique<Settings>(dir.filePath("s.ini")), data);
    s->startUp();
    const auto first = makeDraws(10);
    ASSERT_TRUE(writeFile(dir.filePath("a.txt"), drawFile(first)));
    ASSERT_TRUE(HistoryChanges(*s).importTextFile(dir.filePath("a.txt")).ok);
    HistoryWatch watch(*s);
    EXPECT_TRUE(watch.followFile().isEmpty());

    // corvinel-cli imports another history while the session holds the file.
    const auto second = makeDraws(25, QDate(2017, 5, 1));
    ASSERT_TRUE(writeFile(dir.filePath("b.txt"), drawFile(second)));
    const CliRun r = runCli(dir.filePath("config"), data, { "import", dir.filePath("b.txt") });
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(watch.followFile(), QStringLiteral("历史号码已被其他程序更改，已重新读入"));
    ASSERT_EQ(s->snapshot().recordCount(), 25);
    EXPECT_EQ(s->snapshot().last()->sqqh, second.back().sqqh);
    EXPECT_TRUE(watch.followFile().isEmpty());

    // Another connection's commit that leaves every draw as it was.
    {
        SqliteDb other;
        ASSERT_TRUE(other.open(data + "/湖南快乐十分/Tavrose.db"));
        ASSERT_TRUE(other.exec("UPDATE lishi SET intTh = 1"));
    }
    EXPECT_TRUE(watch.followFile().isEmpty());

    // A different file moved into the open one's place.
    const QString elsewhere = dir.filePath("other");
    QDir().mkpath(elsewhere);
    ASSERT_EQ(runCli(dir.filePath("config"), elsewhere, { "import", dir.filePath("a.txt") }).code, 0);
    ASSERT_TRUE(QFile::remove(data + "/湖南快乐十分/Tavrose.db"));
    ASSERT_TRUE(QFile::rename(elsewhere + "/湖南快乐十分/Tavrose.db", data + "/湖南快乐十分/Tavrose.db"));
    EXPECT_EQ(watch.followFile(), QStringLiteral("历史号码已被其他程序更改，已重新读入"));
    EXPECT_EQ(s->snapshot().recordCount(), 10);
    // The reopened file takes the session's next draw.
    ASSERT_TRUE(HistoryChanges(*s).addDraw(first.back().sqqh + 1, { 1, 2, 3, 4, 5, 6, 7, 8 }).ok);
    EXPECT_EQ(runCli(dir.filePath("config"), data, { "info" }).out.contains("draws stored: 11"), true);
}
