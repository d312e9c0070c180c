// corvinel-cli refuses the inputs with which it would otherwise answer nothing
// useful or store something wrong: exit 1, one line on stderr, nothing changed.

#include "support/CliRunner.h"
#include "support/HistoryTestSupport.h"

#include <gtest/gtest.h>

using namespace corvinel;
using namespace corvinel::testing;

namespace {

class RefusalCli : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        // 200 Hunan draws from 2025-09-01 001 to 2025-09-03 032.
        hunan = file("hunan.txt", drawFile(makeDraws(200, QDate(2025, 9, 1), 84, 3)));
        guangdong = file("guangdong.txt", drawFile(makeDraws(100, QDate(2025, 9, 1), 84, 2)));
        const CliRun r = cli({ "import", hunan });
        ASSERT_EQ(r.code, 0) << r.err.toStdString();
    }

    CliRun cli(const QStringList& args) { return runCli(dir.filePath("config"), dir.filePath("data"), args); }
    QString file(const QString& name, const QByteArray& bytes)
    {
        QString path = dir.filePath(name);
        writeFile(path, bytes);
        return path;
    }
    QString history()
    {
        const CliRun r = cli({ "history", "--format", "tsv" });
        EXPECT_EQ(r.code, 0) << r.err.toStdString();
        return r.out;
    }

    // Exit 1, the reason on one line of stderr (containing `reason`), nothing
    // on stdout, the history as it was.
    void expectRefused(const QStringList& args, const QString& reason)
    {
        const QString before = history();
        const CliRun r = cli(args);
        const QString line = args.join(u' ');
        EXPECT_EQ(r.code, 1) << line.toStdString() << "\n" << r.out.toStdString();
        EXPECT_TRUE(r.out.isEmpty()) << line.toStdString() << "\n" << r.out.toStdString();
        EXPECT_EQ(r.err.trimmed().count(u'\n'), 0) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(reason)) << line.toStdString() << "\n" << r.err.toStdString();
        EXPECT_EQ(history(), before) << line.toStdString();
    }

    QTemporaryDir dir;
    QString hunan;
    QString guangdong;
};

} // namespace

TEST_F(RefusalCli, PatternValuesAtThePositionsInUse)
{
    expectRefused({ "search", "--pattern", "25,0,0,0,0,0,0,0", "--positions", "1", "--fixed", "--prev" },
                  QStringLiteral("第1位的值25"));
    expectRefused({ "search", "--kind", "head", "--pattern", "1,3,0,0,0,0,0,0", "--positions", "1,2" },
                  QStringLiteral("第2位的值3超出头数的取值范围（0到2）"));
    // The combination search uses all eight values.
    expectRefused({ "combo", "--pattern", "5,0,0,0,0,0,0,0", "--size", "1" }, QStringLiteral("第2位的值0"));
    // Unused slots are fine.
    const CliRun ok = cli({ "search", "--pattern", "5,0,0,0,0,0,0,0", "--positions", "1", "--fixed", "--prev" });
    EXPECT_EQ(ok.code, 0) << ok.err.toStdString();
}

TEST_F(RefusalCli, CombinationSize)
{
    for (const char* size : { "0", "7", "-1" })
        expectRefused({ "combo", "--size", size }, QStringLiteral("组合位数%1").arg(QString::fromLatin1(size)));
    EXPECT_EQ(cli({ "combo", "--size", "6" }).code, 0);
}

TEST_F(RefusalCli, Ranges)
{
    expectRefused({ "search", "--from", "20250902001", "--to", "20250901001" }, QStringLiteral("在终止期"));
    expectRefused({ "search", "--from", "20250904001", "--to", "20250905001" },
                  QStringLiteral("之间没有已存的历史号码"));
    // Compared on the last nine characters: the stored form is the same range.
    EXPECT_EQ(cli({ "search", "--from", "250901002", "--to", "250903032" }).code, 0);
    EXPECT_EQ(cli({ "search", "--from", "20250903032", "--to", "20250903032" }).code, 0);
}

TEST_F(RefusalCli, VerificationIssueWithoutItsPreviousDraw)
{
    expectRefused({ "search", "--verify", "20250903040", "--positions", "1" }, QStringLiteral("20250903039"));
    // The next issue after the last draw, and any stored one, are fine.
    EXPECT_EQ(cli({ "search", "--verify", "20250903033", "--positions", "1" }).code, 0);
    EXPECT_EQ(cli({ "search", "--verify", "20250902001", "--positions", "1", "--only-before" }).code, 0);
}

TEST_F(RefusalCli, AddIssueBeyondTheDraysPerDay)
{
    expectRefused({ "add", "--issue", "20250903085", "01", "02", "03", "04", "05", "06", "07", "08" },
                  QStringLiteral("1到84"));
    // A Guangdong-width issue for Hunan.
    expectRefused({ "add", "--issue", "2025090333", "01", "02", "03", "04", "05", "06", "07", "08" },
                  QStringLiteral("湖南快乐十分"));
    const CliRun ok = cli({ "add", "--issue", "20250903084", "01", "02", "03", "04", "05", "06", "07", "08" });
    EXPECT_EQ(ok.code, 0) << ok.err.toStdString();
}

TEST_F(RefusalCli, DeletingEveryDrawNeedsYes)
{
    expectRefused({ "delete-last", "200" }, QStringLiteral("--yes"));
    expectRefused({ "delete-last", "500" }, QStringLiteral("全部200期"));
    const CliRun some = cli({ "delete-last", "199" });
    EXPECT_EQ(some.code, 0) << some.err.toStdString();
    expectRefused({ "delete-last" }, QStringLiteral("--yes")); // the one left
    const CliRun all = cli({ "delete-last", "--yes" });
    EXPECT_EQ(all.code, 0) << all.err.toStdString();
    EXPECT_TRUE(all.out.contains("0 left")) << all.out.toStdString();
}

TEST_F(RefusalCli, HistoryOfTheOtherGame)
{
    // The default game is Hunan: a Guangdong file is refused, naming it.
    expectRefused({ "import", guangdong }, QStringLiteral("广东快乐十分"));
    expectRefused({ "--game", "568", "import", guangdong }, QStringLiteral("--game 544"));
    // --game naming a game of that width imports it.
    const CliRun gd = cli({ "--game", "544", "import", guangdong });
    EXPECT_EQ(gd.code, 0) << gd.err.toStdString();
    EXPECT_TRUE(gd.out.contains("imported 100 draws")) << gd.out.toStdString();
    // And the reverse.
    expectRefused({ "--game", "544", "import", hunan }, QStringLiteral("天津快乐十分或湖南快乐十分"));
    EXPECT_EQ(cli({ "--game", "568", "import", hunan }).code, 0);
}
