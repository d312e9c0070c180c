// corvinel-cli's history commands, run as child processes on a temporary
// data folder: exit codes, output, and the stored history afterwards.

#include "support/CliRunner.h"
#include "support/HistoryTestSupport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

using namespace corvinel;
using namespace corvinel::testing;

namespace {

class HistoryCli : public ::testing::Test
{
protected:
    QTemporaryDir dir;

    CliRun cli(const QStringList& args) { return runCli(dir.filePath("config"), dir.filePath("data"), args); }
    QJsonObject historyJson()
    {
        const CliRun r = cli({ "history", "--format", "json" });
        EXPECT_EQ(r.code, 0) << r.err.toStdString();
        return QJsonDocument::fromJson(r.out.toUtf8()).object();
    }
    int storedRows() { return historyJson().value("rows").toArray().size(); }
    QString file(const QString& name, const QByteArray& bytes)
    {
        QString path = dir.filePath(name);
        writeFile(path, bytes);
        return path;
    }
    std::vector<std::int64_t> dbColumn(const std::string& column)
    {
        HistoryStore store;
        store.open(historyFolderIn(dir.filePath("data")));
        return intColumn(store.db(), column);
    }
    std::vector<std::string> dbText(const std::string& column)
    {
        HistoryStore store;
        store.open(historyFolderIn(dir.filePath("data")));
        return textColumn(store.db(), column);
    }
};

} // namespace

TEST_F(HistoryCli, ImportReportsDrawsAndSkippedLinesAndHistoryShowsTheGrid)
{
    const auto draws = makeDraws(5, QDate(2016, 12, 12));
    QByteArray text = drawFile(std::vector<PlainDraw>(draws.begin(), draws.begin() + 2));
    text += "161212099 01 02 03\n";
    text += drawFile(std::vector<PlainDraw>(draws.begin() + 2, draws.end()));
    text += "junk\n";
    const CliRun r = cli({ "import", file("in.txt", text) });
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("imported 5 draws, skipped 2 lines")) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains("skipped lines: 3, 7")) << r.out.toStdString();

    const QJsonObject o = historyJson();
    const QJsonArray header = o.value("header").toArray();
    ASSERT_EQ(header.size(), 9);
    EXPECT_EQ(header[0].toString(), QStringLiteral("期号"));
    EXPECT_EQ(header[8].toString(), QStringLiteral("第8位"));
    const QJsonArray rows = o.value("rows").toArray();
    ASSERT_EQ(rows.size(), 5);
    const QJsonArray first = rows[0].toArray();
    ASSERT_EQ(first.size(), 9);
    EXPECT_EQ(first[0].toString(), "20" + QString::number(draws[0].sqqh));
    EXPECT_EQ(first[1].toString(), QString::number(draws[0].numbers[0])); // no leading zero

    const CliRun tsv = cli({ "history", "--format", "tsv" });
    ASSERT_EQ(tsv.code, 0);
    const QStringList lines = tsv.out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 6);
    EXPECT_EQ(lines[1].split('\t').size(), 9);
    EXPECT_EQ(lines[5].split('\t')[0], "20" + QString::number(draws[4].sqqh));
    const CliRun plain = cli({ "history" });
    ASSERT_EQ(plain.code, 0);
    EXPECT_EQ(plain.out.split('\n', Qt::SkipEmptyParts).size(), 6);
    EXPECT_EQ(cli({ "history", "--format", "xml" }).code, 2);
}

TEST_F(HistoryCli, FailedImportsExitOneAndChangeNothing)
{
    ASSERT_EQ(cli({ "import", file("a.txt", drawFile(makeDraws(4))) }).code, 0);
    CliRun r = cli({ "import", dir.filePath("missing.txt") });
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains("missing.txt"));
    r = cli({ "import", file("bad.txt", "01 02 03\nhello\n") });
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains("line 1")) << r.err.toStdString();
    EXPECT_EQ(storedRows(), 4);
    EXPECT_EQ(cli({ "import" }).code, 2);
}

TEST_F(HistoryCli, DeletionsAndClear)
{
    const auto draws = makeDraws(8, QDate(2016, 12, 11), 84, 3, 81); // 161211081 .. 161212004
    ASSERT_EQ(cli({ "import", file("d.txt", drawFile(draws)) }).code, 0);

    CliRun r = cli({ "delete-last" });
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("deleted 1 draws, 7 left")) << r.out.toStdString();
    r = cli({ "delete-last", "3" });
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("deleted 3 draws, 4 left")) << r.out.toStdString();
    EXPECT_EQ(historyJson().value("rows").toArray().last().toArray()[0].toString(), "20161211084");
    EXPECT_EQ(cli({ "delete-last", "x" }).code, 1);
    EXPECT_EQ(cli({ "delete-last", "0" }).code, 1);

    EXPECT_EQ(cli({ "delete-after", "161211082" }).code, 1); // stored form refused
    EXPECT_EQ(cli({ "delete-after", "2016121108" }).code, 1); // too short for Hunan
    EXPECT_EQ(storedRows(), 4);
    r = cli({ "delete-after", "20161211082" });
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("deleted 2 draws, 2 left")) << r.out.toStdString();

    EXPECT_EQ(cli({ "clear" }).code, 1);
    EXPECT_EQ(storedRows(), 2);
    r = cli({ "clear", "--yes" });
    ASSERT_EQ(r.code, 0);
    EXPECT_EQ(storedRows(), 0);
}

TEST_F(HistoryCli, EveryRunStartsWithZeroValueArrays)
{
    const auto draws = makeDraws(4);
    ASSERT_EQ(cli({ "import", file("a.txt", drawFile(draws)) }).code, 0);
    // A second import in a fresh run: the first row's lists come from the
    // last stored row, its S values from the run's (zero) arrays.
    const auto more = makeDraws(3, QDate(2016, 10, 1));
    ASSERT_EQ(cli({ "import", file("b.txt", drawFile(more)) }).code, 0);
    std::string lastNumbers;
    for (int n : draws.back().numbers)
        lastNumbers += (n < 10 ? "0" : "") + std::to_string(n) + " ";
    EXPECT_EQ(dbText("txtHisLst")[0], lastNumbers);
    EXPECT_EQ(dbColumn("L1AS")[0], 0);
    EXPECT_EQ(dbColumn("L1AS")[1], more[0].numbers[0]);

    // The rebuild in a fresh run: its first row's S and P values are zero.
    ASSERT_EQ(cli({ "delete-after", "20" + QString::number(more[1].sqqh) }).code, 0);
    EXPECT_EQ(dbColumn("L1AS")[0], 0);
    EXPECT_EQ(dbColumn("L8HP")[1], 0);
    EXPECT_EQ(dbColumn("L1AS")[1], more[0].numbers[0]);
    EXPECT_EQ(dbText("txtHisPreLst")[1], "");
}
