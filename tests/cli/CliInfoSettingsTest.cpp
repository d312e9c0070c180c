#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

struct CliRun
{
    int code = -1;
    QString out;
    QString err;
};

// Runs corvinel-cli as a child with its own settings and data folders.
class CliTest : public ::testing::Test
{
protected:
    QTemporaryDir home;

    CliRun cli(QStringList args, bool withDataDir = true)
    {
        if (withDataDir)
            args = QStringList { QStringLiteral("--data-dir"), home.filePath(QStringLiteral("data")) } + args;
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
        env.insert(QStringLiteral("XDG_DATA_HOME"), home.filePath(QStringLiteral("share")));
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(CORVINEL_CLI_PATH), args);
        if (!p.waitForFinished(30000))
            return {};
        return { p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()),
                 QString::fromUtf8(p.readAllStandardError()) };
    }
};

} // namespace

TEST_F(CliTest, InfoOnAnEmptyDataFolder)
{
    const CliRun r = cli({ QStringLiteral("info") });
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("data folder: ") + home.filePath(QStringLiteral("data"))));
    EXPECT_TRUE(r.out.contains(QStringLiteral("game: 556 湖南快乐十分")));
    EXPECT_TRUE(r.out.contains(QStringLiteral("draws per day: 84")));
    EXPECT_TRUE(r.out.contains(QStringLiteral("draws stored: 0")));
    EXPECT_TRUE(r.out.contains(QStringLiteral("next draw: none")));
    // The selected game's history lives in its own folder.
    EXPECT_TRUE(QFile::exists(home.filePath(QStringLiteral("data/湖南快乐十分/Tavrose.db"))));
    EXPECT_TRUE(r.out.contains(QStringLiteral("database: ") + home.filePath(QStringLiteral("data/湖南快乐十分/Tavrose.db"))));
    EXPECT_TRUE(r.out.contains(QStringLiteral("histories: 556 湖南快乐十分 0 draws")));
}

TEST_F(CliTest, GameOverrideHoldsForOneRunOnly)
{
    CliRun r = cli({ QStringLiteral("--game"), QStringLiteral("566"), QStringLiteral("info") });
    ASSERT_EQ(r.code, 0);
    EXPECT_TRUE(r.out.contains(QStringLiteral("draws per day: 97")));
    EXPECT_TRUE(r.out.contains(QStringLiteral("game: 566 代码566（每天97期）")));
    r = cli({ QStringLiteral("settings"), QStringLiteral("GsZl") });
    EXPECT_EQ(r.out.trimmed(), QStringLiteral("GsZl=556 (default)"));
    EXPECT_EQ(cli({ QStringLiteral("--game"), QStringLiteral("999"), QStringLiteral("info") }).code, 2);
}

TEST_F(CliTest, SettingsReadWriteAndRefuse)
{
    CliRun r = cli({ QStringLiteral("settings"), QStringLiteral("IniSerchDay"), QStringLiteral("16") });
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out.trimmed(), QStringLiteral("IniSerchDay=16"));

    r = cli({ QStringLiteral("settings"), QStringLiteral("IniSerchDay"), QStringLiteral("17") });
    EXPECT_EQ(r.code, 1);
    EXPECT_FALSE(r.err.isEmpty());
    r = cli({ QStringLiteral("settings"), QStringLiteral("IniSerchDay") });
    EXPECT_EQ(r.out.trimmed(), QStringLiteral("IniSerchDay=16")); // unchanged

    r = cli({ QStringLiteral("settings"), QStringLiteral("bolZuxuan"), QStringLiteral("true") });
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out.trimmed(), QStringLiteral("bolZuxuan=True"));
    EXPECT_EQ(cli({ QStringLiteral("settings"), QStringLiteral("bolZuxuan"), QStringLiteral("yes") }).code, 1);
    EXPECT_EQ(cli({ QStringLiteral("settings"), QStringLiteral("NoSuchKey") }).code, 1);

    r = cli({ QStringLiteral("settings") });
    EXPECT_EQ(r.code, 0);
    EXPECT_TRUE(r.out.contains(QStringLiteral("bolZuxuan=True\n")));
    EXPECT_TRUE(r.out.contains(QStringLiteral("UpdateBase=")));
    EXPECT_EQ(r.out.count(u'\n'), 16); // one line per key of the settings table

    // The window's settings are the same store: a game written here is read at the next start.
    EXPECT_EQ(cli({ QStringLiteral("settings"), QStringLiteral("GsZl"), QStringLiteral("544") }).code, 0);
    EXPECT_TRUE(cli({ QStringLiteral("info") }).out.contains(QStringLiteral("game: 544")));
}

TEST_F(CliTest, UsageErrors)
{
    EXPECT_EQ(cli({}, false).code, 2);
    EXPECT_EQ(cli({ QStringLiteral("frobnicate") }).code, 2);
    EXPECT_EQ(cli({ QStringLiteral("--data-dir") }, false).code, 2);
    EXPECT_EQ(cli({ QStringLiteral("--bogus"), QStringLiteral("info") }).code, 2);
    EXPECT_EQ(cli({ QStringLiteral("info"), QStringLiteral("extra") }).code, 2);
    EXPECT_EQ(cli({ QStringLiteral("settings"), QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c") }).code,
              2);
    EXPECT_EQ(cli({ QStringLiteral("--help") }, false).code, 0);
}
