#include "store/BackupRebuild.h"
#include "store/DeletionUndo.h"
#include "support/HistoryTestSupport.h"
#include "acquire/TextImport.h"

#include <gtest/gtest.h>

using namespace corvinel;
using namespace corvinel::testing;

namespace {

// The own values of a stored row, as the encoder's Values array.
Values ownValues(const SnapshotRow& r)
{
    Values v {};
    for (int p = 0; p < kPositions; ++p)
        for (int k = 0; k < kKindCount; ++k)
            v[k][p] = r.values[p][k];
    return v;
}

// The S or P values of every row, [row][kind][p].
std::vector<Values> lagValues(SqliteDb& db, schema::Lag lag)
{
    std::vector<Values> out;
    std::string sql = "SELECT ";
    for (int p = 1; p <= kPositions; ++p)
        for (int k = 0; k < kKindCount; ++k)
            sql += (p == 1 && k == 0 ? "" : ", ") + schema::valueColumn(p, k, lag);
    sql += " FROM lishi ORDER BY SQQH";
    Statement st = db.prepare(sql);
    while (st.isValid() && st.step() == SQLITE_ROW) {
        Values v {};
        int c = 0;
        for (int p = 0; p < kPositions; ++p)
            for (int k = 0; k < kKindCount; ++k)
                v[k][p] = static_cast<std::int16_t>(st.columnInt(c++));
        out.push_back(v);
    }
    return out;
}

std::vector<Lists> listColumns(SqliteDb& db, bool earlier)
{
    std::vector<Lists> out;
    std::vector<std::vector<std::string>> cols;
    cols.reserve(schema::kListCount);
    for (int i = 0; i < schema::kListCount; ++i)
        cols.push_back(textColumn(db, schema::listColumn(i, earlier)));
    for (std::size_t r = 0; r < cols[0].size(); ++r) {
        Lists l;
        for (int i = 0; i < schema::kListCount; ++i)
            l[i] = cols[i][r];
        out.push_back(l);
    }
    return out;
}

bool allEmpty(const Lists& l)
{
    for (const std::string& s : l)
        if (!s.empty())
            return false;
    return true;
}

ImportOutcome importDraws(HistoryFixture& f, const std::vector<PlainDraw>& draws, const QString& name = "in.txt")
{
    const QString file = f.path(name);
    writeFile(file, drawFile(draws));
    return importTextFile(file, f.lastQqh(), f.store.snapshot(), *f.maintenance, f.bases);
}

} // namespace

TEST(TextImport, FirstImportOnEmptyHistoryStartsWithEmptyListsAndZeroLags)
{
    HistoryFixture f;
    const auto draws = makeDraws(5);
    const ImportOutcome out = importDraws(f, draws);
    ASSERT_TRUE(out.ok) << out.error.toStdString();
    EXPECT_EQ(out.imported, 5);
    EXPECT_EQ(storedDraws(f.store), draws);

    const auto lists = listColumns(f.store.db(), false);
    const auto pre = listColumns(f.store.db(), true);
    ASSERT_EQ(lists.size(), 5u);
    EXPECT_TRUE(allEmpty(lists[0]));
    const HistorySnapshot snap = f.store.snapshot();
    for (int i = 1; i < 5; ++i)
        EXPECT_EQ(lists[i], DrawEncoder::listsOf(ownValues(snap.row(i - 1)), f.bases)) << i;
    for (const Lists& l : pre)
        EXPECT_TRUE(allEmpty(l)); // an append never fills the earlier lists

    // A fresh run's value arrays are zero: the first row has zero S and P values,
    // the second zero P values.
    const auto s = lagValues(f.store.db(), schema::Lag::Previous);
    const auto p = lagValues(f.store.db(), schema::Lag::Earlier);
    EXPECT_EQ(s[0], Values {});
    EXPECT_EQ(p[0], Values {});
    EXPECT_EQ(p[1], Values {});
    EXPECT_EQ(s[1], ownValues(snap.row(0)));
    EXPECT_EQ(p[2], ownValues(snap.row(0)));
    EXPECT_EQ(intColumn(f.store.db(), "QQH")[4], draws[4].sqqh + 1);
}

TEST(TextImport, SecondImportReplacesAndContinuesFromTheLastStoredRow)
{
    HistoryFixture f;
    const auto first = makeDraws(10);
    ASSERT_TRUE(importDraws(f, first).ok);
    const HistorySnapshot before = f.store.snapshot();
    const SnapshotRow lastBefore = *before.last();
    const Values arraysBefore = f.encoder->previousValues();

    // The same file again: the rows are replaced, not doubled, and the first
    // row now carries the lists and values of the last draw stored before.
    const ImportOutcome out = importDraws(f, first, "again.txt");
    ASSERT_TRUE(out.ok) << out.error.toStdString();
    EXPECT_EQ(storedDraws(f.store), first);
    const auto lists = listColumns(f.store.db(), false);
    EXPECT_EQ(lists[0], DrawEncoder::listsOf(ownValues(lastBefore), f.bases));
    EXPECT_FALSE(allEmpty(lists[0]));
    EXPECT_EQ(lagValues(f.store.db(), schema::Lag::Previous)[0], arraysBefore);

    // Different draws replace the history entirely.
    const auto other = makeDraws(4, QDate(2017, 3, 1));
    ASSERT_TRUE(importDraws(f, other, "other.txt").ok);
    EXPECT_EQ(storedDraws(f.store), other);
}

TEST(TextImport, NothingChangesWithoutAUsableLineOrAReadableFile)
{
    HistoryFixture f;
    const auto draws = makeDraws(6);
    ASSERT_TRUE(importDraws(f, draws).ok);
    const DrawEncoder::State state = f.encoder->saveState();
    const std::uint64_t version = f.store.dataVersion();

    writeFile(f.path("junk.txt"), "hello\n05 06 07\n\n161212001 01 01 02 03 04 05 06 07\n");
    ImportOutcome out = importTextFile(f.path("junk.txt"), f.lastQqh(), f.store.snapshot(), *f.maintenance, f.bases);
    EXPECT_FALSE(out.ok);
    EXPECT_FALSE(out.error.isEmpty());
    EXPECT_EQ(out.skipped.size(), 3u);
    EXPECT_EQ(storedDraws(f.store), draws);

    out = importTextFile(f.path("missing.txt"), f.lastQqh(), f.store.snapshot(), *f.maintenance, f.bases);
    EXPECT_FALSE(out.ok);
    EXPECT_TRUE(out.error.contains("missing.txt"));
    EXPECT_EQ(storedDraws(f.store), draws);

    writeFile(f.path("empty.txt"), "");
    EXPECT_FALSE(importTextFile(f.path("empty.txt"), f.lastQqh(), f.store.snapshot(), *f.maintenance, f.bases).ok);
    EXPECT_EQ(storedDraws(f.store), draws);
    EXPECT_EQ(f.encoder->previousValues(), state.previous);
    EXPECT_EQ(f.store.dataVersion(), version);
}

TEST(TextImport, CancelledImportRollsBackTheRowsAndTheEncoder)
{
    HistoryFixture f;
    const auto draws = makeDraws(8);
    ASSERT_TRUE(importDraws(f, draws).ok);
    const DrawEncoder::State state = f.encoder->saveState();
    const int yearBefore = f.tables.currentZodiacYear();

    const auto big = makeDraws(5000, QDate(2018, 5, 1));
    writeFile(f.path("big.txt"), drawFile(big));
    int calls = 0;
    const ImportOutcome out = importTextFile(f.path("big.txt"), f.lastQqh(), f.store.snapshot(), *f.maintenance,
                                             f.bases, [&](std::int64_t done, std::int64_t total) {
                                                 ++calls;
                                                 EXPECT_EQ(total, 5000);
                                                 return done < 2048;
                                             });
    EXPECT_FALSE(out.ok);
    EXPECT_TRUE(out.cancelled);
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(storedDraws(f.store), draws);
    EXPECT_EQ(f.encoder->previousValues(), state.previous);
    EXPECT_EQ(f.encoder->earlierValues(), state.earlier);
    EXPECT_EQ(f.tables.currentZodiacYear(), yearBefore);
}

TEST(TextImport, FileOrderIsKeptAndSkippedLinesAreReported)
{
    HistoryFixture f;
    writeFile(f.path("mixed.txt"),
              "161212003 05 13 20 01 09 14 18 11\n"
              "161212001 01 02 03 04 05 06 07 08\n"
              "161212003 01 02 03 04 05 06 07 09\n"
              "161212002 01 02 03 04 05 06 07\n");
    const ImportOutcome out = importTextFile(f.path("mixed.txt"), 0, f.store.snapshot(), *f.maintenance, f.bases);
    ASSERT_TRUE(out.ok) << out.error.toStdString();
    EXPECT_EQ(out.imported, 2);
    ASSERT_EQ(out.skipped.size(), 2u);
    EXPECT_EQ(out.skipped[0].lineNumber, 3);
    EXPECT_EQ(out.skipped[1].lineNumber, 4);
    // The draw of line 2 was encoded after the one of line 1: its S values are
    // those of 161212003 although it sorts first.
    const auto s = lagValues(f.store.db(), schema::Lag::Previous);
    const HistorySnapshot snap = f.store.snapshot();
    ASSERT_EQ(snap.recordCount(), 2);
    EXPECT_EQ(snap.row(0).sqqh, 161212001);
    EXPECT_EQ(s[0], ownValues(snap.row(1)));
}

TEST(HistoryMaintenance, DeleteLastThreeAcrossADayBoundary)
{
    HistoryFixture f;
    // Tianjin: 161211080 .. 161211084, then 161212001, 161212002.
    const auto draws = makeDraws(7, QDate(2016, 12, 11), 84, 3, 80);
    ASSERT_EQ(draws[5].sqqh, 161212001);
    ASSERT_TRUE(importDraws(f, draws).ok);

    const MaintenanceOutcome out = deleteLastDraws(3, f.store, *f.maintenance, f.lastQqh(), f.bases);
    ASSERT_TRUE(out.ok) << out.error.toStdString();
    EXPECT_TRUE(out.warning.isEmpty()) << out.warning.toStdString();
    EXPECT_EQ(out.deleted, 3);
    EXPECT_EQ(storedDraws(f.store), std::vector<PlainDraw>(draws.begin(), draws.begin() + 4));
    const HistorySnapshot after = f.store.snapshot();
    EXPECT_EQ(after.last()->sqqh, 161211083);

    // The backup holds the kept draws in the program's own line form.
    const QByteArray backup = readFile(HistoryMaintenance::backupPath(f.dir.path()));
    EXPECT_EQ(backup, drawFile(std::vector<PlainDraw>(draws.begin(), draws.begin() + 4)));
    EXPECT_TRUE(backup.startsWith("161211080 "));
    EXPECT_EQ(integrityOf(f.store.databasePath()), "ok");
}

TEST(HistoryMaintenance, DeleteAtLeastAllDrawsEmptiesTheHistory)
{
    for (int n : { 5, 6, 100 }) {
        HistoryFixture f;
        ASSERT_TRUE(importDraws(f, makeDraws(5)).ok);
        const MaintenanceOutcome out = deleteLastDraws(n, f.store, *f.maintenance, f.lastQqh(), f.bases);
        ASSERT_TRUE(out.ok) << out.error.toStdString();
        EXPECT_EQ(f.store.rowCount(), 0) << n;
        EXPECT_EQ(readFile(HistoryMaintenance::backupPath(f.dir.path())), QByteArray());
    }
}

TEST(HistoryMaintenance, NoCountOrNoIssueDeletesNothingAndKeepsTheBackup)
{
    HistoryFixture f;
    const auto draws = makeDraws(5);
    ASSERT_TRUE(importDraws(f, draws).ok);
    const QString backup = HistoryMaintenance::backupPath(f.dir.path());
    writeFile(backup, "earlier backup\n");
    EXPECT_TRUE(deleteLastDraws(0, f.store, *f.maintenance, f.lastQqh(), f.bases).ok);
    EXPECT_TRUE(deleteLastDraws(-2, f.store, *f.maintenance, f.lastQqh(), f.bases).ok);
    EXPECT_TRUE(deleteDrawsAfter(0, f.store, *f.maintenance, f.lastQqh(), f.bases).ok);
    EXPECT_EQ(storedDraws(f.store), draws);
    EXPECT_EQ(readFile(backup), QByteArray("earlier backup\n"));

    EXPECT_FALSE(deleteCountAnswer("").has_value());
    EXPECT_FALSE(deleteCountAnswer("abc").has_value());
    EXPECT_FALSE(deleteCountAnswer("3x").has_value());
    EXPECT_EQ(deleteCountAnswer(" 3 "), 3);
}

TEST(HistoryMaintenance, DeleteAfterTheLastIssueKeepsEveryDrawAndRebuilds)
{
    HistoryFixture f;
    const auto draws = makeDraws(10);
    ASSERT_TRUE(importDraws(f, draws).ok);
    const HistorySnapshot before = f.store.snapshot();
    // The encoder's arrays before the rebuild: the last and the second-to-last draw.
    const Values prev = f.encoder->previousValues();
    const Values earlier = f.encoder->earlierValues();
    ASSERT_EQ(prev, ownValues(before.row(9)));
    ASSERT_EQ(earlier, ownValues(before.row(8)));

    const MaintenanceOutcome out = deleteDrawsAfter(draws.back().sqqh, f.store, *f.maintenance, f.lastQqh(), f.bases);
    ASSERT_TRUE(out.ok) << out.error.toStdString();
    EXPECT_EQ(out.written, 10);
    EXPECT_EQ(out.deleted, 0);
    EXPECT_EQ(storedDraws(f.store), draws);

    SqliteDb& db = f.store.db();
    const auto lists = listColumns(db, false);
    const auto pre = listColumns(db, true);
    ASSERT_EQ(pre.size(), 10u);
    EXPECT_TRUE(allEmpty(lists[0]));
    EXPECT_TRUE(allEmpty(pre[0]));
    EXPECT_TRUE(allEmpty(pre[1]));
    for (int i = 2; i < 10; ++i) {
        // The lists of the draw two rows earlier.
        EXPECT_EQ(pre[i], DrawEncoder::listsOf(ownValues(before.row(i - 2)), f.bases)) << i;
        EXPECT_EQ(pre[i], lists[i - 1]) << i;
    }
    // The first rows take their lag values from the arrays as they stood.
    const auto s = lagValues(db, schema::Lag::Previous);
    const auto p = lagValues(db, schema::Lag::Earlier);
    EXPECT_EQ(s[0], prev);
    EXPECT_EQ(p[0], earlier);
    EXPECT_EQ(p[1], prev);
    EXPECT_EQ(s[1], ownValues(before.row(0)));
    EXPECT_EQ(f.encoder->previousValues(), ownValues(before.row(9)));
}

TEST(HistoryMaintenance, DeleteAfterAGivenIssue)
{
    HistoryFixture f;
    const auto draws = makeDraws(8, QDate(2016, 9, 8), 84, 2, 50); // Guangdong-style 160908050 ..
    ASSERT_TRUE(importDraws(f, draws).ok);
    const auto t = deleteAfterAnswer("20" + QString::number(draws[4].sqqh), 566);
    ASSERT_TRUE(t.has_value());
    EXPECT_EQ(*t, draws[4].sqqh);
    ASSERT_TRUE(deleteDrawsAfter(*t, f.store, *f.maintenance, f.lastQqh(), f.bases).ok);
    EXPECT_EQ(storedDraws(f.store), std::vector<PlainDraw>(draws.begin(), draws.begin() + 5));

    // A display form of the game's length, "20" first, digits only.
    EXPECT_EQ(deleteAfterAnswer("2016090852", 544), 16090852);
    EXPECT_EQ(deleteAfterAnswer("20161212001", 556), 161212001);
    EXPECT_FALSE(deleteAfterAnswer("2016090852", 556).has_value());
    EXPECT_FALSE(deleteAfterAnswer("161212001", 568).has_value());
    EXPECT_FALSE(deleteAfterAnswer("16121200101", 568).has_value());
    EXPECT_FALSE(deleteAfterAnswer("2016121200x", 568).has_value());
    EXPECT_FALSE(deleteAfterAnswer("", 568).has_value());
}

TEST(HistoryMaintenance, RebuildFromAnUnreadableBackupChangesNothing)
{
    HistoryFixture f;
    const auto draws = makeDraws(4);
    ASSERT_TRUE(importDraws(f, draws).ok);
    const MaintenanceOutcome out = rebuildFromBackup(f.path("no-such-lsbf.txt"), f.lastQqh(), *f.maintenance, f.bases);
    EXPECT_FALSE(out.ok);
    EXPECT_FALSE(out.error.isEmpty());
    EXPECT_EQ(storedDraws(f.store), draws);
}

TEST(HistoryMaintenance, DeleteLastDrawKeepsTheValueArrays)
{
    HistoryFixture f;
    const auto draws = makeDraws(3);
    ASSERT_TRUE(importDraws(f, draws).ok);
    const Values lastEncoded = f.encoder->previousValues();
    const MaintenanceOutcome out = deleteLastDraw(f.store, *f.maintenance);
    ASSERT_TRUE(out.ok) << out.error.toStdString();
    EXPECT_EQ(out.deleted, 1);
    EXPECT_EQ(storedDraws(f.store), std::vector<PlainDraw>(draws.begin(), draws.begin() + 2));
    EXPECT_EQ(f.encoder->previousValues(), lastEncoded);

    // The next appended draw takes its S values from the arrays (the deleted
    // draw), its lists from the last stored row.
    const auto next = makeDraws(1, QDate(2016, 9, 9));
    ASSERT_TRUE(importDraws(f, next, "next.txt").ok);
    EXPECT_EQ(lagValues(f.store.db(), schema::Lag::Previous)[0], lastEncoded);

    // Deleting from an empty history does nothing.
    HistoryFixture empty;
    const MaintenanceOutcome none = deleteLastDraw(empty.store, *empty.maintenance);
    EXPECT_TRUE(none.ok);
    EXPECT_EQ(none.deleted, 0);
}

TEST(HistoryMaintenance, DeleteAllEmptiesTheTable)
{
    HistoryFixture f;
    ASSERT_TRUE(importDraws(f, makeDraws(12)).ok);
    const MaintenanceOutcome out = f.maintenance->deleteAll();
    ASSERT_TRUE(out.ok);
    EXPECT_EQ(out.deleted, 12);
    EXPECT_EQ(f.store.rowCount(), 0);
}

TEST(HistoryMaintenance, AFailingInsertRollsBackEverything)
{
    HistoryFixture f;
    const auto draws = makeDraws(20);
    ASSERT_TRUE(importDraws(f, draws).ok);
    const DrawEncoder::State state = f.encoder->saveState();

    // The 1,500th row repeats an issue: the unique index refuses it after
    // many rows of the same transaction were written.
    auto bad = makeDraws(3000, QDate(2018, 1, 1));
    bad[1500].sqqh = bad[10].sqqh;
    MaintenanceOutcome out = f.maintenance->replaceAll(bad, f.store.snapshot(), f.bases);
    EXPECT_FALSE(out.ok);
    EXPECT_TRUE(out.error.contains(QString::number(bad[10].sqqh))) << out.error.toStdString();
    EXPECT_EQ(storedDraws(f.store), draws);
    EXPECT_EQ(f.encoder->previousValues(), state.previous);
    EXPECT_EQ(f.encoder->previousLists(), state.prevLists);

    out = f.maintenance->rebuild(bad, f.bases);
    EXPECT_FALSE(out.ok);
    EXPECT_EQ(storedDraws(f.store), draws);
    EXPECT_EQ(f.encoder->earlierValues(), state.earlier);
    EXPECT_EQ(integrityOf(f.store.databasePath()), "ok");
}

TEST(TextImport, Utf16FilesFromNotepadAreRead)
{
    HistoryFixture f;
    const auto draws = makeDraws(3);
    const QString text = QString::fromLatin1(drawFile(draws));
    for (bool little : { true, false }) {
        QByteArray bytes = little ? QByteArray("\xFF\xFE") : QByteArray("\xFE\xFF");
        for (QChar c : text) {
            const char lo = char(c.unicode() & 0xFF), hi = char(c.unicode() >> 8);
            bytes += little ? lo : hi;
            bytes += little ? hi : lo;
        }
        writeFile(f.path("u16.txt"), bytes);
        const ImportOutcome out = importTextFile(f.path("u16.txt"), 0, f.store.snapshot(), *f.maintenance, f.bases);
        ASSERT_TRUE(out.ok) << out.error.toStdString();
        EXPECT_EQ(storedDraws(f.store), draws);
        f.maintenance->deleteAll();
    }
}

// The undo of a deletion restores the deleted draws only onto the history it
// was taken from; after any other change it refuses and changes nothing.
TEST(DeletionUndo, RestoresOntoItsOwnHistoryOnly)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    HistoryStore store;
    ASSERT_TRUE(store.open(dir.path()));
    ZodiacTables tables;
    DrawEncoder encoder(tables);
    HistoryMaintenance m(store, encoder, tables);
    const auto draws = makeDraws(12, QDate(2016, 12, 11), 84, 3, 80);
    ASSERT_TRUE(m.rebuild(draws, EncoderBases {}).ok);
    const QString undo = deletion_undo::undoPath(dir.path());
    QString error;
    ASSERT_TRUE(deletion_undo::writeUndoBackup(undo, store.snapshot(), &error)) << error.toStdString();

    // Nothing deleted yet: nothing to restore.
    EXPECT_FALSE(deletion_undo::restore(undo, store.snapshot(), m, EncoderBases {}).ok);
    ASSERT_TRUE(deleteLastDraws(5, store, m, 0, EncoderBases {}).ok);

    // A different draw in the place of a kept one: refused, nothing changes.
    std::vector<PlainDraw> changed(draws.begin(), draws.begin() + 7);
    changed[3].numbers[0] = changed[3].numbers[0] == 20 ? 19 : 20;
    ASSERT_TRUE(m.rebuild(changed, EncoderBases {}).ok);
    const MaintenanceOutcome refused = deletion_undo::restore(undo, store.snapshot(), m, EncoderBases {});
    EXPECT_FALSE(refused.ok);
    EXPECT_FALSE(refused.error.isEmpty());
    EXPECT_EQ(storedDraws(store), changed);

    // The history it came from: the five draws come back after the seven.
    ASSERT_TRUE(m.rebuild(std::vector<PlainDraw>(draws.begin(), draws.begin() + 7), EncoderBases {}).ok);
    const MaintenanceOutcome restored = deletion_undo::restore(undo, store.snapshot(), m, EncoderBases {});
    ASSERT_TRUE(restored.ok) << restored.error.toStdString();
    EXPECT_EQ(restored.written, 5);
    EXPECT_EQ(storedDraws(store), draws);
}
