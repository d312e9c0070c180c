// A process killed in the middle of an import or a rebuild must leave the
// history exactly as it was before, in a database that passes its integrity
// check. The child is a forked copy of this test that runs the operation on
// its own connection and is killed (SIGKILL) once rows are being written.

#include "store/BackupRebuild.h"
#include "support/HistoryTestSupport.h"
#include "acquire/TextImport.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

using namespace corvinel;
using namespace corvinel::testing;

namespace {

enum class ChildWork
{
    Import,
    Rebuild
};

[[noreturn]] void runChild(const QString& folder, const QString& file, ChildWork work, int signalFd)
{
    HistoryStore store;
    if (!store.open(folder))
        _exit(3);
    // A tiny page cache makes SQLite write changed pages into the database
    // file before the commit, so the kill finds a half-changed file that only
    // the rollback journal can mend.
    store.db().exec("PRAGMA cache_size=20");
    ZodiacTables tables;
    DrawEncoder encoder(tables);
    HistoryMaintenance maintenance(store, encoder, tables);
    int calls = 0;
    auto progress = [&](std::int64_t, std::int64_t) {
        if (++calls == 3) {
            const char c = 'x';
            (void)!write(signalFd, &c, 1);
            for (;;)
                pause(); // wait here, mid-transaction, for the kill
        }
        return true;
    };
    if (work == ChildWork::Import) {
        const HistorySnapshot before = store.snapshot();
        importTextFile(file, before.last() ? before.last()->qqh : 0, before, maintenance, {}, progress);
    } else {
        deleteLastDraws(3, store, maintenance, 0, {}, progress);
    }
    _exit(4); // finished: the kill came too late
}

// Forks the child, waits until it is writing rows, kills it. True when the
// child was killed by the signal.
bool killChildMidWay(const QString& folder, const QString& file, ChildWork work)
{
    int fds[2];
    if (pipe(fds) != 0)
        return false;
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        runChild(folder, file, work, fds[1]);
    }
    close(fds[1]);
    char c = 0;
    const bool signalled = read(fds[0], &c, 1) == 1;
    close(fds[0]);
    kill(pid, SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);
    return signalled && WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
}

} // namespace

TEST(DataSafety, KilledImportLeavesThePreviousHistory)
{
    HistoryFixture f;
    const auto old = makeDraws(3000);
    writeFile(f.path("old.txt"), drawFile(old));
    ASSERT_TRUE(importTextFile(f.path("old.txt"), 0, f.store.snapshot(), *f.maintenance, f.bases).ok);
    const QString dbPath = f.store.databasePath();
    f.store.close();

    const auto big = makeDraws(20000, QDate(2018, 1, 1));
    writeFile(f.path("big.txt"), drawFile(big));
    ASSERT_TRUE(killChildMidWay(f.dir.path(), f.path("big.txt"), ChildWork::Import));
    // The kill came inside the transaction: a hot journal is left behind.
    EXPECT_TRUE(QFile::exists(dbPath + "-journal"));

    // Opening the store rolls the hot journal back.
    HistoryStore after;
    ASSERT_TRUE(after.open(f.dir.path())) << after.lastError().toStdString();
    EXPECT_EQ(storedDraws(after), old);
    EXPECT_EQ(integrityOf(dbPath), "ok");
}

TEST(DataSafety, KilledRebuildLeavesThePreviousHistory)
{
    HistoryFixture f;
    const auto old = makeDraws(12000);
    writeFile(f.path("old.txt"), drawFile(old));
    ASSERT_TRUE(importTextFile(f.path("old.txt"), 0, f.store.snapshot(), *f.maintenance, f.bases).ok);
    const QString dbPath = f.store.databasePath();
    f.store.close();

    ASSERT_TRUE(killChildMidWay(f.dir.path(), QString(), ChildWork::Rebuild));
    EXPECT_TRUE(QFile::exists(dbPath + "-journal"));

    HistoryStore after;
    ASSERT_TRUE(after.open(f.dir.path())) << after.lastError().toStdString();
    EXPECT_EQ(storedDraws(after), old);
    EXPECT_EQ(integrityOf(dbPath), "ok");
    // The backup file is written under the deletion's lock just before its
    // commit: a kill before the commit leaves it as it was (here: none), so
    // a deletion that did not happen changes no file.
    const QString backup = HistoryMaintenance::backupPath(f.dir.path());
    if (QFile::exists(backup)) {
        EXPECT_EQ(readFile(backup), drawFile(std::vector<PlainDraw>(old.begin(), old.end() - 3)));
    }
}
