// The compact copy of the draws beside lishi: it must hold exactly the copied
// columns of lishi after every kind of write (through the encoder, plain SQL,
// deletions, rolled-back transactions, compaction), and a database written
// without it gets it on opening.
#include "store/DrawEncoder.h"
#include "store/HistoryMaintenance.h"
#include "store/HistoryStore.h"
#include "store/Schema.h"
#include "core/ZodiacTables.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <string>
#include <vector>

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
            nums[p] = (i * 7 + p * 3) % 20 + 1;
        ASSERT_TRUE(writer.insert(encoder.encode(firstIssue + i, nums, {}, false))) << writer.lastError().toStdString();
    }
    ASSERT_TRUE(t.commit());
    store.markChanged();
}

// The copied columns of every row of `table` in SQQH order, as text (the copy
// can also give its packed column: `extra`).
std::vector<std::string> rows(HistoryStore& store, const std::string& table, const std::string& extra = {})
{
    std::string sql = "SELECT ";
    bool first = true;
    for (const std::string& c : schema::drawCopyColumns()) {
        sql += (first ? "\"" : ", \"") + c + '"';
        first = false;
    }
    if (!extra.empty())
        sql += ", \"" + extra + '"';
    sql += " FROM " + table + " ORDER BY SQQH";
    std::vector<std::string> out;
    Statement st = store.db().prepare(sql);
    EXPECT_TRUE(st.isValid()) << store.lastError().toStdString();
    while (st.step() == SQLITE_ROW) {
        std::string row;
        for (int i = 0; i < st.columnCount(); ++i)
            row += std::string(st.columnUtf8(i)) + "|";
        out.push_back(row);
    }
    return out;
}

void expectInStep(HistoryStore& store, const char* when)
{
    const auto wide = rows(store, "lishi");
    EXPECT_EQ(rows(store, schema::kDrawCopyTable), wide) << when;
    // The snapshot (read from the packed values of the copy) shows what lishi holds.
    std::vector<std::string> shown;
    const HistorySnapshot snap = store.snapshot();
    for (const SnapshotRow& r : snap.rows()) {
        std::string row = std::to_string(r.sqqh) + "|" + std::to_string(r.qqh) + "|";
        for (int p = 1; p <= kPositions; ++p)
            for (int k = 0; k < kKindCount; ++k)
                row += std::to_string(r.value(p, k)) + "|";
        shown.push_back(row);
    }
    std::vector<std::string> expected;
    for (const std::string& w : wide) {
        // Drop the seven lists at the end of each row (each ends with '|').
        std::size_t cut = w.size();
        for (int i = 0; i <= schema::kListCount; ++i)
            cut = w.rfind('|', cut - 1);
        expected.push_back(w.substr(0, cut + 1));
    }
    EXPECT_EQ(shown, expected) << when;
}

} // namespace

TEST(DrawCopy, FollowsEveryWriteOfLishi)
{
    QTemporaryDir dir;
    HistoryStore store;
    ASSERT_TRUE(store.open(dir.path()));
    appendDraws(store, 161212001, 30);
    ASSERT_EQ(rows(store, schema::kDrawCopyTable).size(), 30u);
    expectInStep(store, "after appending");

    // Changes of copied columns by plain SQL, and of columns it does not copy.
    ASSERT_TRUE(store.db().exec("UPDATE lishi SET L3B = 11, txtHisLstSx = 'x' WHERE SQQH = 161212005"));
    ASSERT_TRUE(store.db().exec("UPDATE lishi SET intTh = 4, txtHisPreLst = '01 ' WHERE SQQH > 161212010"));
    ASSERT_TRUE(store.db().exec("UPDATE lishi SET SQQH = 161212099, QQH = 161212100 WHERE SQQH = 161212030"));
    // Values the packed text cannot hold: the snapshot reads the value columns.
    ASSERT_TRUE(store.db().exec("UPDATE lishi SET L2E = 300, L5H = -40, L8A = 0 WHERE SQQH = 161212007"));
    ASSERT_TRUE(store.db().exec("UPDATE lishi SET L1A = -32, L4G = 95 WHERE SQQH = 161212008"));
    expectInStep(store, "after updates");

    // A rolled-back append leaves neither table changed.
    {
        ZodiacTables tables;
        DrawEncoder encoder(tables);
        Transaction t(store.db());
        RowWriter writer(store.db());
        ASSERT_TRUE(writer.insert(encoder.encode(161213001, { 1, 2, 3, 4, 5, 6, 7, 8 }, {}, false)));
    }
    EXPECT_EQ(rows(store, schema::kDrawCopyTable).size(), 30u);
    expectInStep(store, "after a rollback");

    ASSERT_TRUE(store.db().exec("DELETE FROM lishi WHERE SQQH = (SELECT MAX(SQQH) FROM lishi)"));
    ASSERT_TRUE(store.db().exec("DELETE FROM lishi WHERE SQQH < 161212004"));
    expectInStep(store, "after deletions");
    EXPECT_EQ(rows(store, schema::kDrawCopyTable).size(), 26u);

    // Compaction keeps the copy and its triggers.
    ASSERT_TRUE(store.compact()) << store.lastError().toStdString();
    appendDraws(store, 161214001, 5);
    expectInStep(store, "after compaction and an append");

    // Clearing sets the delete trigger aside and puts it back.
    {
        Transaction t(store.db());
        ASSERT_TRUE(store.db().exec(schema::clearHistorySql().c_str()));
        ASSERT_TRUE(t.commit());
    }
    EXPECT_TRUE(rows(store, schema::kDrawCopyTable).empty());
    appendDraws(store, 161215001, 4);
    ASSERT_TRUE(store.db().exec("DELETE FROM lishi WHERE SQQH = 161215002"));
    expectInStep(store, "after clearing, appending and a deletion");
    ASSERT_TRUE(store.db().exec("DELETE FROM lishi"));
    EXPECT_TRUE(rows(store, schema::kDrawCopyTable).empty());
}

TEST(DrawCopy, BuiltOnOpeningADatabaseWithoutIt)
{
    QTemporaryDir dir;
    {
        HistoryStore store;
        ASSERT_TRUE(store.open(dir.path()));
        appendDraws(store, 170101001, 12);
        // As a database written before the copy existed.
        const std::string t = schema::kDrawCopyTable;
        ASSERT_TRUE(store.db().exec(("DROP TRIGGER " + t + "_insert; DROP TRIGGER " + t + "_delete; DROP TRIGGER " + t
                                     + "_update; DROP TABLE " + t)
                                        .c_str()));
        appendDraws(store, 170101013, 3);
    }
    HistoryStore store;
    ASSERT_TRUE(store.open(dir.path()));
    EXPECT_EQ(rows(store, schema::kDrawCopyTable).size(), 15u);
    expectInStep(store, "after opening");
    appendDraws(store, 170102001, 2);
    expectInStep(store, "after an append");

    const HistorySnapshot snap = store.snapshot();
    ASSERT_EQ(snap.recordCount(), 17);
    const HistorySummary s = store.summary();
    EXPECT_EQ(s.count, 17);
    EXPECT_TRUE(s.hasLast);
    EXPECT_EQ(s.lastSqqh, snap.last()->sqqh);
    EXPECT_EQ(s.lastQqh, snap.last()->qqh);
    EXPECT_EQ(s.lastSqqh, 170102002);
}

TEST(DrawCopy, SummaryOfAnEmptyHistory)
{
    QTemporaryDir dir;
    HistoryStore store;
    ASSERT_TRUE(store.open(dir.path()));
    const HistorySummary s = store.summary();
    EXPECT_EQ(s.count, 0);
    EXPECT_FALSE(s.hasLast);
}

namespace {

std::vector<PlainDraw> plainDraws(std::int64_t firstIssue, int count, int salt)
{
    std::vector<PlainDraw> out;
    for (int i = 0; i < count; ++i) {
        PlainDraw d;
        d.sqqh = firstIssue + i;
        for (int p = 0; p < 8; ++p)
            d.numbers[p] = (i * 11 + p * 3 + salt) % 20 + 1;
        out.push_back(d);
    }
    return out;
}

// The copy with its packed column, and the same copy rebuilt from lishi by
// the statement that fills it for an older database.
void expectCopyAsRebuilt(HistoryStore& store, const char* when)
{
    const std::string packed = schema::kPackedOwnColumn;
    const auto held = rows(store, schema::kDrawCopyTable, packed);
    ASSERT_TRUE(store.db().exec(schema::drawCopySql().c_str())) << when;
    EXPECT_EQ(held, rows(store, schema::kDrawCopyTable, packed)) << when;
    expectInStep(store, when);
}

} // namespace

// A whole history is written with the copy's insert trigger set aside and the
// copy rows inserted directly: the copy must come out as the trigger would
// have made it, and the trigger must be back for the next append, also when
// the write is cancelled or fails half-way.
TEST(DrawCopy, WholeHistoryWritesFillTheCopyAndKeepTheTrigger)
{
    QTemporaryDir dir;
    HistoryStore store;
    ASSERT_TRUE(store.open(dir.path()));
    ZodiacTables tables;
    DrawEncoder encoder(tables);
    HistoryMaintenance maintenance(store, encoder, tables);

    // Issues across the 2016 Spring Festival (8 February): two zodiac years.
    ASSERT_TRUE(maintenance.replaceAll(plainDraws(160205001, 2600, 0), store.snapshot(), {}).ok);
    EXPECT_EQ(rows(store, schema::kDrawCopyTable).size(), 2600u);
    expectCopyAsRebuilt(store, "after a replacing write");
    appendDraws(store, 170101001, 3);
    expectInStep(store, "after an append through the trigger");

    ASSERT_TRUE(maintenance.rebuild(plainDraws(160301001, 1500, 5), {}).ok);
    expectCopyAsRebuilt(store, "after a rebuild");

    // Cancelled after the first progress step: nothing of it stays, and the
    // trigger (set aside inside the transaction) is back with the rollback.
    const auto before = rows(store, schema::kDrawCopyTable);
    int calls = 0;
    const MaintenanceOutcome cancelled = maintenance.replaceAll(
        plainDraws(180101001, 3000, 9), store.snapshot(), {}, [&](std::int64_t, std::int64_t) { return ++calls < 2; });
    EXPECT_FALSE(cancelled.ok);
    EXPECT_EQ(rows(store, schema::kDrawCopyTable), before);
    appendDraws(store, 190101001, 2);
    EXPECT_EQ(rows(store, schema::kDrawCopyTable).size(), before.size() + 2);
    expectInStep(store, "after a cancelled write and an append");

    // A draw that cannot be stored (its issue twice) fails the whole write.
    auto twice = plainDraws(200101001, 50, 3);
    twice.push_back(twice.front());
    const auto beforeFailure = rows(store, schema::kDrawCopyTable);
    EXPECT_FALSE(maintenance.replaceAll(twice, store.snapshot(), {}).ok);
    EXPECT_EQ(rows(store, schema::kDrawCopyTable), beforeFailure);
    appendDraws(store, 200201001, 1);
    EXPECT_EQ(rows(store, schema::kDrawCopyTable).size(), beforeFailure.size() + 1);
}

// New files get 16 KiB pages; an older file with SQLite's default 4 KiB pages
// gets them when it is compacted, with every row kept.
TEST(DrawCopy, PageSizeOfNewAndCompactedFiles)
{
    auto pageSize = [](HistoryStore& store) {
        Statement st = store.db().prepare("PRAGMA page_size");
        return st.isValid() && st.step() == SQLITE_ROW ? st.columnInt(0) : -1;
    };
    QTemporaryDir dir;
    {
        HistoryStore store;
        ASSERT_TRUE(store.open(dir.path()));
        EXPECT_EQ(pageSize(store), 16384);
    }
    QFile::remove(dir.filePath("Tavrose.db"));
    {
        sqlite3* raw = nullptr;
        ASSERT_EQ(sqlite3_open(dir.filePath("Tavrose.db").toUtf8().constData(), &raw), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(raw, "PRAGMA page_size=4096", nullptr, nullptr, nullptr), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(raw, schema::createSql(), nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(raw);
    }
    HistoryStore store;
    ASSERT_TRUE(store.open(dir.path()));
    EXPECT_EQ(pageSize(store), 4096);
    appendDraws(store, 161212001, 200);
    const auto before = rows(store, "lishi");
    ASSERT_TRUE(store.compact()) << store.lastError().toStdString();
    EXPECT_EQ(pageSize(store), 16384);
    EXPECT_EQ(rows(store, "lishi"), before);
    expectInStep(store, "after compacting a 4 KiB file");
}
