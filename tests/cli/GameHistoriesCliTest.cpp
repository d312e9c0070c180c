// One history per game: two games side by side in one data folder, the
// adoption of an old root history (also after an interrupted one), and the
// one issue check of every road.
#include "support/CliRunner.h"
#include "support/HistoryTestSupport.h"

#include "store/HistoryStore.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace corvinel;
using namespace corvinel::testing;

namespace {

const QString kGuangdong = QStringLiteral("广东快乐十分");
const QString kHunan = QStringLiteral("湖南快乐十分");

class GameHistories : public ::testing::Test
{
protected:
    QTemporaryDir dir;

    QString data() const { return dir.filePath("data"); }
    CliRun cli(const QStringList& args) { return runCli(dir.filePath("config"), data(), args); }
    QString file(const QString& name, const QByteArray& bytes)
    {
        QString path = dir.filePath(name);
        EXPECT_TRUE(writeFile(path, bytes));
        return path;
    }
    std::int64_t rowsIn(const QString& folder)
    {
        HistoryStore store;
        return store.open(folder) ? store.rowCount() : -1;
    }
};

QByteArray lines(const QStringList& l)
{
    return (l.join(QStringLiteral("\n")) + QStringLiteral("\n")).toUtf8();
}

} // namespace

TEST_F(GameHistories, TwoGamesSideBySideAndNothingMixed)
{
    const QString gd = file("gd.txt", lines({ "2025092883 01 02 03 04 05 06 07 08", "2025092884 02 03 04 05 06 07 08 09" }));
    ASSERT_EQ(cli({ "--game", "544", "import", gd }).code, 0);
    // A Hunan draw goes to Hunan's history, never after 2025092884.
    CliRun r = cli({ "--game", "556", "add", "--issue", "20250929001", "01", "02", "03", "04", "05", "06", "07", "08" });
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(rowsIn(historyFolderIn(data(), kGuangdong)), 2);
    EXPECT_EQ(rowsIn(historyFolderIn(data(), kHunan)), 1);
    // Guangdong's next draw still follows its own last draw.
    r = cli({ "--game", "544", "add", "03", "04", "05", "06", "07", "08", "09", "10" });
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("stored 2025092901")) << r.out.toStdString();
    r = cli({ "--game", "544", "info" });
    EXPECT_TRUE(r.out.contains("database: " + historyFolderIn(data(), kGuangdong) + "/Tavrose.db"));
    EXPECT_TRUE(r.out.contains(QStringLiteral("histories: 544 广东快乐十分 3 draws, 556 湖南快乐十分 1 draws")))
        << r.out.toStdString();
    EXPECT_FALSE(QFile::exists(data() + "/Tavrose.db"));
}

TEST_F(GameHistories, AdoptsARootHistoryAndRepeatsAnInterruptedAdoption)
{
    // An old data folder: the history at the root, with its backup file,
    // an import folder and an export.
    const QString gd = file("gd.txt", lines({ "2025092883 01 02 03 04 05 06 07 08", "2025092884 02 03 04 05 06 07 08 09" }));
    ASSERT_EQ(cli({ "--game", "544", "import", gd }).code, 0);
    const QString gdFolder = historyFolderIn(data(), kGuangdong);
    ASSERT_TRUE(QFile::rename(gdFolder + "/Tavrose.db", data() + "/Tavrose.db"));
    ASSERT_TRUE(writeFile(data() + "/lsbf.txt", "backup\n"));
    ASSERT_TRUE(QDir().mkpath(data() + "/历史号码"));
    ASSERT_TRUE(writeFile(data() + "/历史号码/old.txt", "old\n"));
    // Interrupted: the export had already moved, and the game folder's
    // import folder holds a file of its own.
    ASSERT_TRUE(writeFile(gdFolder + "/lishi.xlsx", "moved\n"));
    ASSERT_TRUE(writeFile(gdFolder + "/历史号码/new.txt", "new\n"));
    ASSERT_TRUE(writeFile(data() + "/unrelated.txt", "mine\n"));

    // Started as Hunan: the history holds Guangdong's issue width, so it
    // goes to Guangdong's folder, and the run says where.
    CliRun r = cli({ "--game", "556", "info" });
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(gdFolder + "/Tavrose.db")) << r.err.toStdString();
    EXPECT_FALSE(QFile::exists(data() + "/Tavrose.db"));
    EXPECT_EQ(rowsIn(gdFolder), 2);
    EXPECT_EQ(readFile(gdFolder + "/lsbf.txt"), QByteArray("backup\n"));
    EXPECT_EQ(readFile(gdFolder + "/历史号码/old.txt"), QByteArray("old\n"));
    EXPECT_EQ(readFile(gdFolder + "/历史号码/new.txt"), QByteArray("new\n"));
    EXPECT_EQ(readFile(gdFolder + "/lishi.xlsx"), QByteArray("moved\n"));
    EXPECT_EQ(readFile(data() + "/unrelated.txt"), QByteArray("mine\n")); // not the history's
    EXPECT_TRUE(r.out.contains(QStringLiteral("histories: 544 广东快乐十分 2 draws, 556 湖南快乐十分 0 draws")));

    // A second root database never overwrites a game's history: both stay.
    ASSERT_TRUE(QFile::copy(gdFolder + "/Tavrose.db", data() + "/Tavrose.db"));
    r = cli({ "--game", "544", "info" });
    EXPECT_TRUE(QFile::exists(data() + "/Tavrose.db"));
    EXPECT_FALSE(r.err.isEmpty());
    EXPECT_EQ(rowsIn(gdFolder), 2);
}

TEST_F(GameHistories, OneCheckOnEveryRoadAndHolesReported)
{
    // Tianjin has 84 draws a day: 085 is refused on import as by add.
    const QString tj = file("tj.txt", lines({ "20250901083 01 02 03 04 05 06 07 08", "20250901085 02 03 04 05 06 07 08 09",
                                              "20250931001 02 03 04 05 06 07 08 09", "20250901084 03 04 05 06 07 08 09 10",
                                              "20250901084 04 05 06 07 08 09 10 11" }));
    CliRun r = cli({ "--game", "568", "import", tj });
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("imported 2 draws, skipped 3 lines")) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("line 2: 期号20250901085的期序号085超出天津快乐十分每天的期数（1到84）。")))
        << r.out.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("line 3: 期号20250931001中的日期20250931不是有效的日期。")));
    // The duplicate line names the issue as shown.
    EXPECT_TRUE(r.out.contains("line 5: issue 20250901084 already read from an earlier line")) << r.out.toStdString();
    r = cli({ "--game", "568", "add", "--issue", "20250901095", "01", "02", "03", "04", "05", "06", "07", "08" });
    EXPECT_EQ(r.code, 1);

    // The sample's shape with holes: every 50th line from line 7 left out.
    QStringList hd;
    int line = 0;
    for (int day = 1; day <= 3; ++day)
        for (int s = 1; s <= 84; ++s)
            if (++line < 7 || (line - 7) % 50 != 0)
                hd << QStringLiteral("202509%1%2 01 02 03 04 05 06 07 08")
                          .arg(day, 2, 10, QLatin1Char('0'))
                          .arg(s, 3, 10, QLatin1Char('0'));
    r = cli({ "--game", "556", "import", file("hn.txt", lines(hd)) });
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("missing issues: 5 in 5 gaps (20250901007, 20250901057, 20250902023, 20250902073, 20250903039)\n"))
        << r.out.toStdString();
    r = cli({ "--game", "556", "gaps", "--format", "json" });
    EXPECT_TRUE(r.out.startsWith(QStringLiteral("{\"missing\":5,\"gaps\":[{\"after\":\"20250901006\",\"before\":"
                                                "\"20250901008\",\"missing\":1},")))
        << r.out.toStdString();
    EXPECT_TRUE(r.out.trimmed().endsWith(QStringLiteral("],\"days_without_draws\":0}")));
}
