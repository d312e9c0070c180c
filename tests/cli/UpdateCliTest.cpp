// corvinel-cli update as a child process against the local results site.

#include "support/CliRunner.h"
#include "support/TestSite.h"

#include "store/HistoryStore.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QTimer>

using namespace corvinel;
using namespace corvinel::sitetest;

namespace {

QCoreApplication& app()
{
    static int argc = 1;
    static char name[] = "test_update_cli";
    static char* argv[] = { name, nullptr };
    static QCoreApplication a(argc, argv);
    return a;
}

struct WithApp
{
    WithApp() { app(); }
};

struct CliRun
{
    int exitCode = -1;
    QString out;
    QString err;
};

class UpdateCliTest : public ::testing::Test, private WithApp
{
protected:
    // Runs the CLI while this process keeps serving the site.
    CliRun cli(const QStringList& args)
    {
        const QString bin = qEnvironmentVariable("CORVINEL_TEST_BINARY_DIR") + "/cli/corvinel-cli";
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_CONFIG_HOME", dir.filePath("config"));
        p.setProcessEnvironment(env);
        QEventLoop loop;
        QObject::connect(&p, &QProcess::finished, &loop, &QEventLoop::quit);
        QObject::connect(&p, &QProcess::errorOccurred, &loop, &QEventLoop::quit);
        QTimer::singleShot(60000, &loop, &QEventLoop::quit);
        p.start(bin, QStringList { "--data-dir", dir.filePath("data") } + args);
        loop.exec();
        if (p.state() != QProcess::NotRunning) {
            p.kill();
            p.waitForFinished();
            return {};
        }
        return { p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
                 QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError()) };
    }

    std::vector<std::int64_t> stored()
    {
        HistoryStore store;
        EXPECT_TRUE(store.open(corvinel::testing::historyFolderIn(dir.filePath("data"))));
        std::vector<std::int64_t> out;
        const HistorySnapshot snap = store.snapshot();
        for (const SnapshotRow& r : snap.rows())
            out.push_back(r.sqqh);
        return out;
    }

    void servePeriod(const QDate& today, int perDay)
    {
        for (int d = 6; d >= 0; --d)
            site.setPage(556, today.addDays(-d), dayPage(dayRows(today.addDays(-d), 1, perDay, 3)));
    }

    QTemporaryDir dir;
    TestSite site;
    const QDate today { 2016, 9, 8 };
};

} // namespace

TEST_F(UpdateCliTest, LoadsTheDaysAndThenNothingNew)
{
    servePeriod(today, 3);
    CliRun r = cli({ "update", "--base", site.base(), "--today", "2016-09-08" });
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("added 21 draws, last 20160908003, 7 of 7 day pages loaded")) << r.out.toStdString();
    EXPECT_TRUE(r.err.contains("loading day 7 of 7: 2016-09-08")) << r.err.toStdString();
    ASSERT_EQ(stored().size(), 21u);
    EXPECT_EQ(stored().back(), 160908003);

    // Later the same day: one page, the new draws only.
    site.setPage(556, today, dayPage(dayRows(today, 1, 5, 3)));
    site.clearRequests();
    r = cli({ "update", "--base=" + site.base(), "--today=2016-09-08" });
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("added 2 draws")) << r.out.toStdString();
    // Three draws of a game's 84 leave each earlier day with a hole: those
    // pages are asked again, still lack them, and the holes stay.
    EXPECT_TRUE(site.requests().contains("/lottery/draw/list/556?d=2016-09-08"));
    EXPECT_TRUE(r.out.contains("the day pages do not list 486 missing issues")) << r.out.toStdString();
    EXPECT_EQ(stored().back(), 160908005);
}

TEST_F(UpdateCliTest, StoredBaseAndFailures)
{
    servePeriod(today, 2);
    // No base anywhere: refused, nothing asked of any site.
    CliRun r = cli({ "update", "--today", "2016-09-08" });
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains("no base address")) << r.err.toStdString();
    EXPECT_TRUE(site.requests().isEmpty());

    // The stored UpdateBase is used; a failed day exits 1 and keeps the days before.
    ASSERT_EQ(cli({ "settings", "UpdateBase", site.base() }).exitCode, 0);
    site.setDay(556, today.addDays(-4), SiteResponse::answer(500, "down"));
    r = cli({ "update", "--today", "2016-09-08" });
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains("update stopped at 2016-09-04")) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("HTTP 500")) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("added 4 draws")) << r.out.toStdString();
    EXPECT_EQ(stored().size(), 4u);

    // Usage errors.
    EXPECT_EQ(cli({ "update", "--today", "2016-13-01" }).exitCode, 2);
    EXPECT_EQ(cli({ "update", "--base" }).exitCode, 2);
    EXPECT_EQ(cli({ "update", "extra" }).exitCode, 2);
    EXPECT_EQ(cli({ "update", "--base", "ftp://x", "--today", "2016-09-08" }).exitCode, 1);
    EXPECT_EQ(stored().size(), 4u);
}

TEST_F(UpdateCliTest, FillsTheHolesOfTheKeptDays)
{
    servePeriod(today, 84);
    ASSERT_EQ(cli({ "update", "--base", site.base(), "--today", "2016-09-08" }).exitCode, 0);
    ASSERT_EQ(stored().size(), 588u);
    // Holes: one on an early day, two across a day's end, one the page
    // will not list.
    const QString folder = corvinel::testing::historyFolderIn(dir.filePath("data"));
    {
        HistoryStore store;
        ASSERT_TRUE(store.open(folder));
        ASSERT_TRUE(store.db().exec("DELETE FROM lishi WHERE SQQH IN (160903003, 160905084, 160906001, 160907004)"));
    }
    site.setPage(556, today.addDays(-1), dayPage(dayRows(today.addDays(-1), 1, 3, 3) + dayRows(today.addDays(-1), 5, 84, 3)));
    site.clearRequests();
    CliRun r = cli({ "update", "--base", site.base(), "--today", "2016-09-08" });
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("filled 3 missing issues")) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains("the day pages do not list 1 missing issues")) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains("missing issues: 1 in 1 gaps (20160907004)")) << r.out.toStdString();
    EXPECT_EQ(stored().size(), 587u);
    EXPECT_TRUE(site.requests().contains("/lottery/draw/list/556?d=2016-09-03"));
}
