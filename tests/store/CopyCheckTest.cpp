// The draw copy is derived from lishi and checked on opening: a row missing
// from it, an extra row and a wrong packed value are each found and repaired
// before anything reads the copy, and a deletion keeps the right draws
// whatever the copy holds. A damaged file is an error, never a shorter
// history, and compaction re-derives the attributes from the numbers.
#include "store/BackupRebuild.h"
#include "store/DrawEncoder.h"
#include "store/HistoryMaintenance.h"
#include "store/HistoryStore.h"
#include "core/ZodiacTables.h"
#include "support/HistoryTestSupport.h"

#include <QFile>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <gtest/gtest.h>

using namespace corvinel;
using namespace corvinel::testing;

namespace {

class CopyCheck : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    ZodiacTables tables;
    DrawEncoder encoder { tables };
    std::vector<PlainDraw> draws = makeDraws(600);

    void SetUp() override
    {
        HistoryStore store;
        ASSERT_TRUE(store.open(dir.path()));
        HistoryMaintenance m(store, encoder, tables);
        ASSERT_TRUE(m.replaceAll(draws, store.snapshot(), {}).ok);
    }

    // Runs `sql` on the file with a plain connection, as a user of the
    // sqlite3 shell would (the copy's own rows have no triggers).
    void tamper(const char* sql)
    {
        SqliteDb db;
        ASSERT_TRUE(db.open(dir.filePath("Tavrose.db")));
        ASSERT_TRUE(db.exec(sql)) << db.lastError().toStdString();
    }

    // Opens the store and checks that the copy was found wrong, repaired,
    // and agrees with lishi afterwards.
    void expectRepairedOnOpen(HistoryStore& store)
    {
        ASSERT_TRUE(store.open(dir.path()));
        expectRepaired(store);
        EXPECT_EQ(storedDraws(store), draws);
    }

    // The last check found the copy wrong and rebuilt it: it agrees now.
    static void expectRepaired(HistoryStore& store)
    {
        EXPECT_TRUE(store.copyNotice().contains("已由历史号码重建")) << store.copyNotice().toStdString();
        HistoryStore::CopyDigest lishi;
        HistoryStore::CopyDigest copy;
        QString error;
        ASSERT_TRUE(store.drawCopyDigests(&lishi, &copy, &error));
        EXPECT_EQ(lishi, copy);
    }
};

} // namespace

TEST_F(CopyCheck, AnAgreeingCopyIsLeftAlone)
{
    HistoryStore store;
    ASSERT_TRUE(store.open(dir.path()));
    EXPECT_TRUE(store.copyNotice().isEmpty()) << store.copyNotice().toStdString();
}

TEST_F(CopyCheck, EachDisagreementIsFoundAndRepairedBeforeADeletion)
{
    const char* damage[] = {
        "DELETE FROM lishi_draws WHERE SQQH = (SELECT SQQH FROM lishi_draws ORDER BY SQQH LIMIT 1 OFFSET 300)",
        "DELETE FROM lishi_draws",
        "CREATE TEMP TABLE t AS SELECT * FROM lishi_draws ORDER BY SQQH DESC LIMIT 1; UPDATE t SET SQQH = SQQH + 1; "
        "INSERT INTO lishi_draws SELECT * FROM t",
        // One value byte of one row, inside the range a packed value may take.
        "UPDATE lishi_draws SET vals = substr(vals, 1, 9) || char(unicode(substr(vals, 10, 1)) + 1) || "
        "substr(vals, 11) WHERE SQQH = (SELECT MAX(SQQH) FROM lishi_draws)",
    };
    for (const char* sql : damage) {
        SCOPED_TRACE(sql);
        tamper(sql);
        HistoryStore store;
        expectRepairedOnOpen(store);
        // The deletion reads lishi: exactly the last 51 go, whatever the copy said.
        HistoryMaintenance m(store, encoder, tables);
        tamper("DELETE FROM lishi_draws");
        const MaintenanceOutcome o = deleteLastDraws(51, store, m, 0, {});
        ASSERT_TRUE(o.ok) << o.error.toStdString();
        EXPECT_EQ(o.deleted, 51);
        EXPECT_EQ(storedDraws(store), std::vector<PlainDraw>(draws.begin(), draws.end() - 51));
        EXPECT_EQ(readFile(HistoryMaintenance::backupPath(dir.path())),
                  drawFile(std::vector<PlainDraw>(draws.begin(), draws.end() - 51)));
        // Back to the whole history for the next case.
        ASSERT_TRUE(m.replaceAll(draws, store.snapshot(), {}).ok);
    }
}

// Above kFullCopyCheckAtOpen draws the open compares in full only when the
// file's change counter moved without the stamp: after this program's own
// writes it counts and checks the edges; after another tool's write (the copy
// edited, or lishi edited with the triggers off) it compares in full and
// repairs.
TEST_F(CopyCheck, TheStampSparesTheFullComparisonOnlyAfterOwnWrites)
{
    HistoryStore store;
    ASSERT_TRUE(store.open(dir.path())); // in full (600 draws), and stamped
    ASSERT_TRUE(store.checkDrawCopyOnOpen(0));
    EXPECT_EQ(store.openCheck(), HistoryStore::CopyCheck::Edges);

    HistoryMaintenance m(store, encoder, tables);
    const std::vector<PlainDraw> more = makeDraws(601);
    ASSERT_TRUE(m.appendDraws({ more.back() }, store.snapshot(), {}).ok);
    ASSERT_TRUE(store.checkDrawCopyOnOpen(0));
    EXPECT_EQ(store.openCheck(), HistoryStore::CopyCheck::Edges);

    const auto expectFullAndRepaired = [&] {
        ASSERT_TRUE(store.checkDrawCopyOnOpen(0));
        EXPECT_EQ(store.openCheck(), HistoryStore::CopyCheck::Full);
        expectRepaired(store);
        // Repaired and stamped: the next open counts again.
        ASSERT_TRUE(store.checkDrawCopyOnOpen(0));
        EXPECT_EQ(store.openCheck(), HistoryStore::CopyCheck::Edges);
    };
    // Position 2's tail (byte 10) in the copy: the count and edges agree.
    tamper("UPDATE lishi_draws SET vals = substr(vals, 1, 9) || char(unicode(substr(vals, 10, 1)) + 1) || "
           "substr(vals, 11) WHERE SQQH = (SELECT MAX(SQQH) FROM lishi_draws)");
    expectFullAndRepaired();
    {
        // The sqlite3 shell's ".dbconfig enable_trigger off", then a number.
        SqliteDb db;
        ASSERT_TRUE(db.open(dir.filePath("Tavrose.db")));
        ASSERT_EQ(sqlite3_db_config(db.handle(), SQLITE_DBCONFIG_ENABLE_TRIGGER, 0, nullptr), SQLITE_OK);
        ASSERT_TRUE(db.exec("UPDATE lishi SET L3A = 21 - L3A WHERE SQQH = (SELECT MIN(SQQH) FROM lishi)"));
    }
    expectFullAndRepaired();
    const HistorySnapshot after = store.snapshot();
    EXPECT_EQ(after.row(0).value(3, 0), 21 - more.front().numbers[2]);
}

TEST_F(CopyCheck, ADamagedFileIsAnErrorAndNoDeletionOrBackupComesOfIt)
{
    ASSERT_TRUE(writeFile(HistoryMaintenance::backupPath(dir.path()), "before\n"));
    {
        // Ten pages spread over the middle half of the file overwritten (the
        // tables' pages interleave, so both lishi and its copy are hit).
        QFile f(dir.filePath("Tavrose.db"));
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        const qint64 pageSize = 16384;
        const qint64 pages = f.size() / pageSize;
        for (qint64 i = 0; i < 10; ++i) {
            const qint64 p = pages / 4 + i * (pages / 2) / 10;
            ASSERT_TRUE(f.seek(p * pageSize));
            f.write(QByteArray(static_cast<int>(pageSize), '\x5a'));
        }
    }
    HistoryStore store;
    ASSERT_TRUE(store.open(dir.path()));
    const HistorySnapshot snap = store.snapshot();
    EXPECT_TRUE(snap.readFailed());
    EXPECT_TRUE(snap.readError().contains("Tavrose.db")) << snap.readError().toStdString();
    EXPECT_TRUE(snap.readError().contains("lsbf.txt"));
    EXPECT_TRUE(store.lishiSnapshot().readFailed());

    HistoryMaintenance m(store, encoder, tables);
    const MaintenanceOutcome o = deleteLastDraws(2, store, m, 0, {});
    EXPECT_FALSE(o.ok);
    EXPECT_EQ(readFile(HistoryMaintenance::backupPath(dir.path())), QByteArray("before\n"));
    EXPECT_FALSE(store.compact());
    EXPECT_TRUE(store.lastError().contains("数据库完整性检查未通过")) << store.lastError().toStdString();
}

TEST_F(CopyCheck, CompactionRepairsAttributesThatDoNotFollowFromTheNumbers)
{
    // The zodiac and the tail of one draw's first number edited by hand.
    tamper("UPDATE lishi SET L1B = L1B + 1, L1F = 9 - L1F WHERE SQQH = (SELECT SQQH FROM lishi LIMIT 1 OFFSET 10)");
    HistoryStore store;
    ASSERT_TRUE(store.open(dir.path()));
    const HistorySnapshot before = store.lishiSnapshot();
    HistoryMaintenance m(store, encoder, tables);
    int repaired = -1;
    ASSERT_TRUE(store.compact([&](QString* error) {
        repaired = m.repairAttributes({}, error);
        return repaired >= 0;
    })) << store.lastError().toStdString();
    EXPECT_EQ(repaired, 1);
    // Every row now equals a fresh encoding of the same draws.
    QTemporaryDir fresh;
    HistoryStore reference;
    ASSERT_TRUE(reference.open(fresh.path()));
    HistoryMaintenance rm(reference, encoder, tables);
    ASSERT_TRUE(rm.rebuild(draws, {}).ok);
    const HistorySnapshot a = store.lishiSnapshot();
    const HistorySnapshot b = reference.lishiSnapshot();
    ASSERT_EQ(a.recordCount(), b.recordCount());
    for (int i = 0; i < a.recordCount(); ++i)
        EXPECT_EQ(a.row(i).values, b.row(i).values) << i;
    EXPECT_NE(before.row(10).values, a.row(10).values);
}

TEST_F(CopyCheck, ALeftoverCompactionCopyIsRemovedOnOpening)
{
    ASSERT_TRUE(writeFile(dir.filePath("TavroseTmp.db"), QByteArray(4096, 'x')));
    HistoryStore store;
    ASSERT_TRUE(store.open(dir.path()));
    EXPECT_FALSE(QFile::exists(dir.filePath("TavroseTmp.db")));
}
