// corvinel-cli compact: the database's repair and compaction on its own, as
// a maintenance command. It must keep the history cell for cell, get past the
// copy a killed compaction leaves behind, and refuse a damaged file without
// touching it.

#include "support/CliRunner.h"
#include "support/HistoryTestSupport.h"
#include "acquire/TextImport.h"

#include <QFileInfo>

#include <gtest/gtest.h>

using namespace corvinel;
using namespace corvinel::testing;

namespace {

class CompactCli : public ::testing::Test
{
protected:
    QTemporaryDir dir;

    QString data() const { return dir.filePath("data"); }
    QString dbPath() const { return historyFolderIn(data()) + "/Tavrose.db"; }
    QString copyPath() const { return historyFolderIn(data()) + "/TavroseTmp.db"; }

    CliRun cli(const QStringList& args) { return runCli(dir.filePath("config"), data(), args); }

    // `count` draws imported, then the rows after the first `keep` deleted
    // without compaction, so the file has free pages.
    void storeHistory(int count, int keep)
    {
        const auto draws = makeDraws(count);
        ASSERT_TRUE(writeFile(dir.filePath("in.txt"), drawFile(draws)));
        ASSERT_EQ(cli({ "import", dir.filePath("in.txt") }).code, 0);
        if (keep < count) {
            SqliteDb db;
            ASSERT_TRUE(db.open(dbPath()));
            Statement del = db.prepare("DELETE FROM lishi WHERE SQQH > ?1");
            ASSERT_TRUE(del.bind(1, static_cast<std::int64_t>(draws[keep - 1].sqqh)) && del.exec());
        }
    }

    // Every column of every row, as text, in SQQH order.
    std::vector<std::vector<std::string>> allCells()
    {
        HistoryStore store;
        EXPECT_TRUE(store.open(historyFolderIn(data())));
        std::vector<std::vector<std::string>> out;
        for (const std::string& column : schema::lishiColumns())
            out.push_back(textColumn(store.db(), column));
        return out;
    }
};

} // namespace

TEST_F(CompactCli, ShrinksAFileWithFreePagesAndKeepsEveryCell)
{
    storeHistory(3000, 1000);
    const auto before = allCells();
    const qint64 sizeBefore = QFileInfo(dbPath()).size();

    const CliRun r = cli({ "compact" });
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("1000 draws")) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains(QString::number(sizeBefore))) << r.out.toStdString();
    EXPECT_LT(QFileInfo(dbPath()).size(), sizeBefore / 2);
    EXPECT_FALSE(QFile::exists(copyPath()));
    EXPECT_EQ(allCells(), before);
    EXPECT_EQ(integrityOf(dbPath()), "ok");

    // The compacted file takes the next draw like any other.
    ASSERT_EQ(cli({ "add", "01", "02", "03", "04", "05", "06", "07", "08" }).code, 0);
    EXPECT_EQ(allCells()[0].size(), 1001u);
}

TEST_F(CompactCli, CopyLeftByAKilledCompactionDoesNotGetInTheWay)
{
    storeHistory(500, 500);
    const auto before = allCells();
    // A compaction killed during VACUUM INTO leaves a partial copy.
    ASSERT_TRUE(writeFile(copyPath(), QByteArray("SQLite format 3") + QByteArray(5000, '\x5a')));

    const CliRun info = cli({ "info" });
    ASSERT_EQ(info.code, 0) << info.err.toStdString();
    EXPECT_TRUE(info.out.contains("draws stored: 500")) << info.out.toStdString();

    const CliRun r = cli({ "compact" });
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_FALSE(QFile::exists(copyPath()));
    EXPECT_EQ(allCells(), before);
    EXPECT_EQ(integrityOf(dbPath()), "ok");
}

TEST_F(CompactCli, DamagedDatabaseIsRefusedAndLeftByteForByte)
{
    storeHistory(3000, 3000);
    {
        // Cell offsets of lishi's root page point outside it: lishi itself is
        // damaged (a damaged page of the copy alone is repaired from lishi).
        qint64 pageSize = 0;
        qint64 root = 0;
        {
            SqliteDb db;
            ASSERT_TRUE(db.open(dbPath(), true, false));
            Statement st = db.prepare("SELECT (SELECT page_size FROM pragma_page_size), rootpage FROM sqlite_master "
                                      "WHERE name = 'lishi'");
            ASSERT_TRUE(st.isValid() && st.step() == SQLITE_ROW);
            pageSize = st.columnInt64(0);
            root = st.columnInt64(1);
        }
        QFile f(dbPath());
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_TRUE(f.seek((root - 1) * pageSize + 12));
        f.write(QByteArray(64, '\xff'));
    }
    const QByteArray damaged = readFile(dbPath());

    const CliRun r = cli({ "compact" });
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains("数据库完整性检查未通过")) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("the history was left as it was")) << r.err.toStdString();
    EXPECT_EQ(readFile(dbPath()), damaged);
    EXPECT_FALSE(QFile::exists(copyPath()));
}

TEST_F(CompactCli, TakesNoArguments)
{
    const CliRun r = cli({ "compact", "now" });
    EXPECT_EQ(r.code, 2);
    EXPECT_TRUE(r.err.contains("compact takes no arguments")) << r.err.toStdString();
}
