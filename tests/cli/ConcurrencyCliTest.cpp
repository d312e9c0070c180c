// Two corvinel-cli processes on one history. Each race is opened
// deterministically: one process is held at a named point (CORVINEL_PAUSE_AT)
// while the other runs, then let go. Nothing reported stored may be lost,
// no draw may go under a stale issue number, and a search answers from one
// history.

#include "support/CliRunner.h"
#include "support/HistoryTestSupport.h"

#include <QDeadlineTimer>
#include <QThread>

#include <gtest/gtest.h>

using namespace corvinel;
using namespace corvinel::testing;

namespace {

// A corvinel-cli run held at `point` until release().
class HeldCli
{
public:
    HeldCli(const QString& config, const QString& data, const QString& pauseDir, const char* point,
            const QStringList& args)
        : m_reached(pauseDir + '/' + point + ".reached")
        , m_go(pauseDir + '/' + point + ".go")
    {
        QFile::remove(m_reached);
        QFile::remove(m_go);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_CONFIG_HOME", config);
        env.insert("CORVINEL_PAUSE_AT", point);
        env.insert("CORVINEL_PAUSE_DIR", pauseDir);
        m_process.setProcessEnvironment(env);
        m_process.start(qEnvironmentVariable("CORVINEL_TEST_BINARY_DIR") + "/cli/corvinel-cli",
                        QStringList { "--data-dir", data } + args);
    }

    // Waits until the process stands at its point (false when it ended or
    // took longer than half a minute).
    bool waitUntilHeld()
    {
        const QDeadlineTimer deadline(30000);
        while (!QFile::exists(m_reached) && !deadline.hasExpired()) {
            if (m_process.state() == QProcess::NotRunning)
                return false;
            QThread::msleep(5);
        }
        return QFile::exists(m_reached);
    }

    void release() { writeFile(m_go, "go"); }

    CliRun finish()
    {
        release();
        if (!m_process.waitForFinished(60000))
            return {};
        return { m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1,
                 QString::fromUtf8(m_process.readAllStandardOutput()),
                 QString::fromUtf8(m_process.readAllStandardError()) };
    }

private:
    QString m_reached;
    QString m_go;
    QProcess m_process;
};

class ConcurrencyCli : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    std::vector<PlainDraw> draws = makeDraws(400);

    QString config() const { return dir.filePath("config"); }
    QString data() const { return dir.filePath("data"); }
    QString pauses() const { return dir.path(); }

    CliRun cli(const QStringList& args) { return runCli(config(), data(), args); }

    HeldCli held(const char* point, const QStringList& args)
    {
        return HeldCli(config(), data(), pauses(), point, args);
    }

    void SetUp() override
    {
        ASSERT_TRUE(writeFile(dir.filePath("old.txt"), drawFile(draws)));
        ASSERT_EQ(cli({ "import", dir.filePath("old.txt") }).code, 0);
    }

    std::vector<PlainDraw> stored()
    {
        HistoryStore store;
        EXPECT_TRUE(store.open(data() + "/湖南快乐十分"));
        return storedDraws(store);
    }
};

const QStringList kAdd = { "add", "01", "02", "03", "04", "05", "06", "07", "08" };

bool holdsAdded(const std::vector<PlainDraw>& history)
{
    return !history.empty() && history.back().numbers == std::array<int, kPositions> { 1, 2, 3, 4, 5, 6, 7, 8 };
}

} // namespace

TEST_F(ConcurrencyCli, AddWhileCompactionIsUnderwayIsKept)
{
    // Held between its integrity check and its VACUUM: where the copy-and-
    // rename compaction lost a commit.
    HeldCli compact = held("compact-checked", { "compact" });
    ASSERT_TRUE(compact.waitUntilHeld());
    const CliRun add = cli(kAdd);
    ASSERT_EQ(add.code, 0) << add.err.toStdString();
    const CliRun done = compact.finish();
    ASSERT_EQ(done.code, 0) << done.err.toStdString();
    EXPECT_EQ(stored().size(), draws.size() + 1);
    EXPECT_TRUE(holdsAdded(stored()));
    EXPECT_EQ(integrityOf(data() + "/湖南快乐十分/Tavrose.db"), "ok");

    // And the other way round: the add holds the write lock, the compaction
    // waits for it and keeps the draw.
    HeldCli add2 = held("append-decided", { "add", "02", "03", "04", "05", "06", "07", "08", "09" });
    ASSERT_TRUE(add2.waitUntilHeld());
    HeldCli compact2 = held("never", { "compact" });
    QThread::msleep(300);
    EXPECT_EQ(add2.finish().code, 0);
    const CliRun done2 = compact2.finish();
    EXPECT_EQ(done2.code, 0) << done2.err.toStdString();
    EXPECT_EQ(stored().size(), draws.size() + 2);
}

TEST_F(ConcurrencyCli, AddRacingDeleteLastTakesItsIssueAfterTheDeletion)
{
    // The add started (its issue number shown) before the deletion ran.
    HeldCli add = held("add-start", kAdd);
    ASSERT_TRUE(add.waitUntilHeld());
    ASSERT_EQ(cli({ "delete-last", "50" }).code, 0);
    const CliRun added = add.finish();
    ASSERT_EQ(added.code, 0) << added.err.toStdString();
    const auto after = stored();
    ASSERT_EQ(after.size(), draws.size() - 50 + 1);
    // Right after the last kept draw: no 50-issue gap.
    EXPECT_EQ(after[after.size() - 2].sqqh, draws[draws.size() - 51].sqqh);
    EXPECT_EQ(after.back().sqqh, draws[draws.size() - 50].sqqh);
    EXPECT_TRUE(holdsAdded(after));

    // The deletion holds the lock between its read and its commit; the add
    // waits and lands after it. The backup file holds what was kept then.
    const auto before = stored();
    HeldCli del = held("delete-read", { "delete-last", "50" });
    ASSERT_TRUE(del.waitUntilHeld());
    HeldCli add2 = held("never", { "add", "03", "04", "05", "06", "07", "08", "09", "10" });
    QThread::msleep(300);
    ASSERT_EQ(del.finish().code, 0);
    const CliRun added2 = add2.finish();
    ASSERT_EQ(added2.code, 0) << added2.err.toStdString();
    const auto last = stored();
    EXPECT_EQ(readFile(data() + "/湖南快乐十分/lsbf.txt"),
              drawFile(std::vector<PlainDraw>(before.begin(), before.end() - 50)));
    ASSERT_EQ(last.size(), before.size() - 50 + 1);
    EXPECT_EQ(last.back().sqqh, before[before.size() - 50].sqqh);
}

TEST_F(ConcurrencyCli, SearchRacingAnImportAnswersFromOneHistory)
{
    const QStringList search = { "search", "--format", "tsv" };
    const CliRun oldAnswer = cli(search);
    ASSERT_EQ(oldAnswer.code, 0) << oldAnswer.err.toStdString();
    const auto other = makeDraws(300, QDate(2017, 3, 1));
    ASSERT_TRUE(writeFile(dir.filePath("new.txt"), drawFile(other)));

    // The search has read its pattern and range; the import starts then.
    HeldCli held_search = held("search-read", search);
    ASSERT_TRUE(held_search.waitUntilHeld());
    HeldCli import = held("never", { "import", dir.filePath("new.txt") });
    QThread::msleep(300);
    const CliRun answer = held_search.finish();
    const CliRun imported = import.finish();
    EXPECT_EQ(imported.code, 0) << imported.err.toStdString();
    // Either the old history's answer or a refusal, never a mix.
    if (answer.code == 0) {
        EXPECT_EQ(answer.out, oldAnswer.out);
    } else {
        EXPECT_EQ(answer.code, 1);
    }
    EXPECT_EQ(stored(), other);
}

TEST_F(ConcurrencyCli, AWriterThatStaysBusyIsRefusedInPlainWords)
{
    HeldCli add = held("append-decided", kAdd);
    ASSERT_TRUE(add.waitUntilHeld());
    const CliRun second = cli({ "add", "02", "03", "04", "05", "06", "07", "08", "09" });
    EXPECT_EQ(second.code, 1);
    EXPECT_TRUE(second.err.contains("数据库正被另一个程序使用，请稍后再试")) << second.err.toStdString();
    EXPECT_FALSE(second.err.contains("readonly"));
    EXPECT_EQ(add.finish().code, 0);
    EXPECT_EQ(stored().size(), draws.size() + 1);
}
