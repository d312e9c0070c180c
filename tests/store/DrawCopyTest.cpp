// The compact copy of the draws beside lishi: it must hold exactly the copied
// columns of lishi after every kind of write (through the encoder, plain SQL,
// deletions, rolled-back transactions, compaction), and a database written
// without it gets it on opening.
#include "store/DrawEncoder.h"
#include "store/HistoryStore.h"
#include "store/Schema.h"
#include "core/ZodiacTables.h"

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

// The copied columns of every row of `table` in SQQH order, as text.
std::vector<std::string> rows(HistoryStore& store, const std::string& table)
{
    std::string sql = "SELECT ";
    bool first = true;
    for (const std::string& c : schema::drawCopyColumns()) {
        sql += (first ? "\"" : ", \"") + c + '"';
        first = false;
    }
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
