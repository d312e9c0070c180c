#include "store/DrawEncoder.h"
#include "store/HistoryStore.h"
#include "store/Schema.h"
#include "core/ZodiacTables.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <array>
#include <random>
#include <vector>

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <unistd.h>

using namespace corvinel;

namespace {

void appendDraws(HistoryStore& store, std::int64_t firstIssue, int count)
{
    ZodiacTables tables;
    DrawEncoder encoder(tables);
    encoder.beginAppend(store.snapshot(), {});
    Transaction t(store.db());
    RowWriter writer(store.db());
    for (int i = 0; i < count; ++i) {
        std::array<int, 8> nums {};
        for (int p = 0; p < 8; ++p)
            nums[p] = (i + p * 3) % 20 + 1;
        ASSERT_TRUE(writer.insert(encoder.encode(firstIssue + i, nums, {}, false))) << writer.lastError().toStdString();
    }
    ASSERT_TRUE(t.commit());
    store.markChanged();
}

QString integrity(const QString& path)
{
    SqliteDb db;
    if (!db.open(path, true, false))
        return db.lastError();
    Statement st = db.prepare("PRAGMA integrity_check");
    if (st.step() != SQLITE_ROW)
        return db.lastError();
    return st.columnText(0);
}

} // namespace

TEST(HistoryStore, CreatesBothTablesAndOpensEmpty)
{
    QTemporaryDir dir;
    HistoryStore store;
    ASSERT_TRUE(store.open(dir.path())) << store.lastError().toStdString();
    EXPECT_TRUE(QFile::exists(dir.filePath("Tavrose.db")));

    HistorySnapshot snap = store.snapshot();
    EXPECT_EQ(snap.recordCount(), 0);
    EXPECT_EQ(snap.last(), nullptr);
    EXPECT_FALSE(store.draws().lastIssue());
    EXPECT_FALSE(store.draws().drawBack(1, 0));
    std::int64_t v = 0;
    EXPECT_FALSE(HistorySnapshot::value(SnapshotRow {}, "XQQH", &v));

    // Every column of lishi exists under its name, and Carcu has Nmb/Count.
    Statement st = store.db().prepare("SELECT * FROM lishi");
    ASSERT_TRUE(st.isValid());
    ASSERT_EQ(st.columnCount(), static_cast<int>(schema::lishiColumns().size()));
    EXPECT_EQ(st.columnCount(), 2 + 144 + 14 + 3);
    EXPECT_EQ(st.columnName(0), "SQQH");
    EXPECT_EQ(st.columnName(2 + 144), "txtHisLst");
    EXPECT_TRUE(store.db().prepare("SELECT Nmb, Count FROM Carcu").isValid());
}

TEST(HistoryStore, SnapshotDoesNotSeeLaterRowsUntilRetaken)
{
    QTemporaryDir dir;
    HistoryStore store;
    ASSERT_TRUE(store.open(dir.path()));
    appendDraws(store, 161212001, 3);
    HistorySnapshot snap = store.snapshot();
    ASSERT_EQ(snap.recordCount(), 3);

    appendDraws(store, 161212004, 2);
    EXPECT_EQ(snap.recordCount(), 3);
    EXPECT_EQ(snap.last()->sqqh, 161212003);
    // The database answers for what is stored now.
    EXPECT_EQ(store.draws().lastIssue(), 161212005);

    HistorySnapshot fresh = store.snapshot();
    EXPECT_EQ(fresh.recordCount(), 5);
    EXPECT_EQ(fresh.last()->sqqh, 161212005);
    std::int64_t qqh = 0;
    ASSERT_TRUE(HistorySnapshot::value(*fresh.last(), "qqh", &qqh));
    EXPECT_EQ(qqh, 161212006);
}

TEST(HistoryStore, SnapshotIsOrderedByIssue)
{
    QTemporaryDir dir;
    HistoryStore store;
    ASSERT_TRUE(store.open(dir.path()));
    appendDraws(store, 161212050, 2);
    appendDraws(store, 161212010, 2); // appended later, sorts first
    HistorySnapshot snap = store.snapshot();
    ASSERT_EQ(snap.recordCount(), 4);
    EXPECT_EQ(snap.first()->sqqh, 161212010);
    EXPECT_EQ(snap.last()->sqqh, 161212051);
    EXPECT_EQ(snap.indexOf(161212050), 2);
    EXPECT_FALSE(snap.indexOf(161212012));
}

// Both answerers of "what is stored" (the complete copy and the database's
// index queries) against a brute-force walk over the stored issues, for
// ranges inside, across and outside a history with holes.
TEST(HistoryStore, StoredDrawQuestionsMatchBruteForce)
{
    QTemporaryDir dir;
    HistoryStore store;
    ASSERT_TRUE(store.open(dir.path()));
    std::mt19937 rng(20261209);
    std::vector<std::int64_t> issues;
    for (std::int64_t start : { 161212001LL, 161212030LL, 161213001LL, 161213060LL }) {
        const int n = 5 + static_cast<int>(rng() % 20);
        appendDraws(store, start, n);
        for (int i = 0; i < n; ++i)
            issues.push_back(start + i);
    }
    std::sort(issues.begin(), issues.end());
    const HistorySnapshot snap = store.snapshot();
    const std::array<const StoredDraws*, 2> answerers { &snap, &store.draws() };
    const std::int64_t lo = issues.front() - 50;
    const std::int64_t hi = issues.back() + 50;
    for (int trial = 0; trial < 300; ++trial) {
        std::int64_t a = lo + static_cast<std::int64_t>(rng() % static_cast<std::uint32_t>(hi - lo));
        std::int64_t b = lo + static_cast<std::int64_t>(rng() % static_cast<std::uint32_t>(hi - lo));
        if (trial % 7 == 0)
            b = a; // a one-draw range
        const auto expected = std::count_if(issues.begin(), issues.end(), [&](auto s) { return s >= a && s <= b; });
        const int back = static_cast<int>(rng() % 10);
        const auto at = std::find(issues.begin(), issues.end(), a);
        for (const StoredDraws* d : answerers) {
            EXPECT_EQ(d->countBetween(a, b), expected) << a << ".." << b;
            EXPECT_EQ(d->contains(a), at != issues.end()) << a;
            const auto row = d->drawBack(a, back);
            const bool exists = at != issues.end() && at - issues.begin() >= back;
            ASSERT_EQ(row.has_value(), exists) << a << " back " << back;
            if (exists) {
                EXPECT_EQ(row->sqqh, *(at - back)) << a << " back " << back;
            }
        }
    }
    for (const StoredDraws* d : answerers) {
        EXPECT_EQ(d->firstIssue(), issues.front());
        EXPECT_EQ(d->lastIssue(), issues.back());
        EXPECT_EQ(d->drawCount(), static_cast<std::int64_t>(issues.size()));
    }
}

TEST(HistoryStore, IssueNumbersAreUnique)
{
    QTemporaryDir dir;
    HistoryStore store;
    ASSERT_TRUE(store.open(dir.path()));
    appendDraws(store, 161212001, 1);
    ZodiacTables tables;
    DrawEncoder encoder(tables);
    RowWriter writer(store.db());
    EXPECT_FALSE(writer.insert(encoder.encode(161212001, { 1, 2, 3, 4, 5, 6, 7, 8 }, {}, false)));
    EXPECT_EQ(store.rowCount(), 1);
}

TEST(HistoryStore, CompactTwiceKeepsRowsAndReopens)
{
    QTemporaryDir dir;
    HistoryStore store;
    ASSERT_TRUE(store.open(dir.path()));
    appendDraws(store, 161212001, 50);
    ASSERT_TRUE(store.db().exec("DELETE FROM lishi WHERE SQQH > 161212040"));

    ASSERT_TRUE(store.compact()) << store.lastError().toStdString();
    ASSERT_TRUE(store.compact()) << store.lastError().toStdString();
    EXPECT_TRUE(store.isOpen());
    EXPECT_FALSE(QFile::exists(dir.filePath("TavroseTmp.db")));
    HistorySnapshot snap = store.snapshot();
    ASSERT_EQ(snap.recordCount(), 40);
    EXPECT_EQ(snap.last()->sqqh, 161212040);
    appendDraws(store, 161212041, 1);
    EXPECT_EQ(store.rowCount(), 41);
    EXPECT_EQ(integrity(dir.filePath("Tavrose.db")), "ok");
}

TEST(HistoryStore, CompactThatCannotWriteItsJournalKeepsTheFileOpen)
{
    QTemporaryDir dir;
    HistoryStore store;
    ASSERT_TRUE(store.open(dir.path()));
    appendDraws(store, 161212001, 10);

    // Compaction works in place through the rollback journal; a directory
    // squatting on the journal's name stops it (root ignores permissions).
    QDir(dir.path()).mkpath("Tavrose.db-journal/blocked");
    EXPECT_FALSE(store.compact());
    QDir(dir.filePath("Tavrose.db-journal")).removeRecursively();

    EXPECT_TRUE(store.isOpen());
    EXPECT_EQ(store.rowCount(), 10);
    appendDraws(store, 161212011, 1);
    EXPECT_EQ(store.snapshot().recordCount(), 11);
    EXPECT_EQ(integrity(dir.filePath("Tavrose.db")), "ok");
}

TEST(HistoryStore, CompactOnReadOnlyFolderKeepsWorking)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "permissions do not bind root; covered by the blocked-copy case";
    QTemporaryDir dir;
    HistoryStore store;
    ASSERT_TRUE(store.open(dir.path()));
    appendDraws(store, 161212001, 5);
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner);
    EXPECT_FALSE(store.compact());
    EXPECT_TRUE(store.isOpen());
    EXPECT_EQ(store.snapshot().recordCount(), 5);
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

TEST(HistoryStore, TransactionRollsBackUnlessCommitted)
{
    QTemporaryDir dir;
    HistoryStore store;
    ASSERT_TRUE(store.open(dir.path()));
    appendDraws(store, 161212001, 3);
    {
        Transaction t(store.db());
        ASSERT_TRUE(store.db().exec("DELETE FROM lishi"));
        EXPECT_EQ(store.rowCount(), 0);
    }
    EXPECT_EQ(store.rowCount(), 3);
}
