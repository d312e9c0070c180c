// Writes off the caller's thread: each on its own connection, one at a time,
// the outcome reported by wait(), and the destructor finishing the last one.
#include "store/BackgroundWriter.h"
#include "store/HistoryStore.h"
#include "store/SqliteDb.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <atomic>
#include <chrono>
#include <thread>

using namespace corvinel;

namespace {

std::int64_t carcuRows(HistoryStore& store)
{
    Statement st = store.db().prepare("SELECT COUNT(*) FROM Carcu");
    return st.step() == SQLITE_ROW ? st.columnInt64(0) : -1;
}

// A write that takes a while and adds one row to Carcu.
BackgroundWriter::Job slowInsert(int value, std::atomic<int>* order, int* seenAt)
{
    return [value, order, seenAt](SqliteDb& db, QString* error) {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        Transaction t(db);
        Statement st = db.prepare("INSERT INTO Carcu (Nmb, \"Count\") VALUES (?1, 1)");
        st.bind(1, value);
        if (!t.isActive() || !st.exec() || !t.commit()) {
            *error = db.lastError();
            return false;
        }
        *seenAt = ++*order;
        return true;
    };
}

} // namespace

TEST(BackgroundWriter, WritesOneAtATimeOnItsOwnConnection)
{
    QTemporaryDir dir;
    HistoryStore store;
    ASSERT_TRUE(store.open(dir.path()));
    std::atomic<int> order { 0 };
    int first = 0, second = 0;
    std::atomic<bool> doneCalled { false };
    {
        BackgroundWriter writer;
        writer.start(store.databasePath(), slowInsert(1, &order, &first));
        EXPECT_TRUE(writer.isBusy());
        // The second write starts only after the first has ended.
        writer.start(store.databasePath(), slowInsert(2, &order, &second),
                     [&](bool ok, const QString&) { doneCalled = ok; });
        EXPECT_EQ(first, 1);
        EXPECT_TRUE(writer.wait());
        EXPECT_FALSE(writer.isBusy());
        EXPECT_EQ(second, 2);
        EXPECT_TRUE(doneCalled);
        EXPECT_EQ(carcuRows(store), 2);
        // The destructor finishes a write still running.
        writer.start(store.databasePath(), slowInsert(3, &order, &first));
    }
    EXPECT_EQ(carcuRows(store), 3);
}

TEST(BackgroundWriter, ReportsAFailedWriteOnce)
{
    QTemporaryDir dir;
    HistoryStore store;
    ASSERT_TRUE(store.open(dir.path()));
    BackgroundWriter writer;
    writer.start(store.databasePath(), [](SqliteDb& db, QString* error) {
        if (!db.exec("INSERT INTO no_such_table VALUES (1)")) {
            *error = db.lastError();
            return false;
        }
        return true;
    });
    QString error;
    EXPECT_FALSE(writer.wait(&error));
    EXPECT_TRUE(error.contains("no_such_table")) << error.toStdString();
    EXPECT_TRUE(writer.wait());

    // A file that cannot be opened is a failed write, not a crash.
    writer.start(dir.path() + "/missing/Tavrose.db", [](SqliteDb&, QString*) { return true; });
    EXPECT_FALSE(writer.wait(&error));
}
