// corvinel-cli add and export, run as a child process.
#include "core/DataFolder.h"
#include "core/IssueNumber.h"
#include "store/HistoryStore.h"
#include "support/WorkbookReader.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace corvinel;

namespace {

struct CliRun
{
    int exitCode = -1;
    QString out;
    QString err;
};

class Cli : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }

    QString data() const { return m_dir.filePath(QStringLiteral("data")); }
    // The history of the game these runs use.
    QString history() const { return gameHistoryPath(data(), issue::kHunan); }

    CliRun run(const QStringList& args)
    {
        const QString exe = qEnvironmentVariable("CORVINEL_TEST_BINARY_DIR") + QStringLiteral("/cli/corvinel-cli");
        QProcess p;
        p.start(exe,
                QStringList { QStringLiteral("--data-dir"), data(), QStringLiteral("--game"), QStringLiteral("556") }
                    + args);
        CliRun r;
        if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit)
            return r;
        r.exitCode = p.exitCode();
        r.out = QString::fromUtf8(p.readAllStandardOutput());
        r.err = QString::fromUtf8(p.readAllStandardError());
        return r;
    }

    std::int64_t storedRows()
    {
        HistoryStore store;
        return store.open(history()) ? store.rowCount() : -1;
    }

    QTemporaryDir m_dir;
};

QStringList numbers(const char* text)
{
    return QString::fromLatin1(text).split(u' ');
}

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

TEST_F(Cli, AddStoresUnderTheNextIssueAndRefusesBadDraws)
{
    // An empty history has no next issue number until one is given.
    CliRun r = run(QStringList { "add" } + numbers("05 13 20 01 09 14 18 11"));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_FALSE(r.err.isEmpty());
    EXPECT_EQ(storedRows(), 0);

    r = run(QStringList { "add", "--issue", "20161212084" } + numbers("05 13 20 01 09 14 18 11"));
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("stored 20161212084: 05 13 20 01 09 14 18 11")) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains("next draw issue number: 20161213001")) << r.out.toStdString();

    r = run(QStringList { "add" } + numbers("2 4 6 8 10 12 16 19"));
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("stored 20161213001: 02 04 06 08 10 12 16 19")) << r.out.toStdString();
    EXPECT_EQ(storedRows(), 2);

    const struct
    {
        const char* draw;
        int exitCode;
        const char* mentions;
    } refused[] = {
        { "02 04 06 08 10 12 16 02", 1, "重复" },       { "02 04 06 08 10 12 16 21", 1, "21" },
        { "00 04 06 08 10 12 16 19", 1, "01 到 20" },   { "02 04 06 08 x 12 16 19", 1, "第 5 个" },
        { "02 04 06 08 10 12 16", 2, "eight numbers" },
    };
    for (const auto& c : refused) {
        r = run(QStringList { "add" } + numbers(c.draw));
        EXPECT_EQ(r.exitCode, c.exitCode) << c.draw;
        EXPECT_TRUE(r.err.contains(QString::fromUtf8(c.mentions))) << r.err.toStdString();
        EXPECT_TRUE(r.out.isEmpty());
    }
    // The issue number that is already stored.
    r = run(QStringList { "add", "--issue=20161213001" } + numbers("01 02 03 04 05 06 07 08"));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(storedRows(), 2);
}

TEST_F(Cli, ExportTextAndWorkbookPrintThePathsWritten)
{
    CliRun r = run({ "export", "text" });
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_FALSE(r.err.isEmpty());
    EXPECT_TRUE(QDir(history()).entryList({ QStringLiteral("*.txt") }).isEmpty());

    ASSERT_EQ(run(QStringList { "add", "--issue", "20161212001" } + numbers("05 13 20 01 09 14 18 11")).exitCode, 0);
    ASSERT_EQ(run(QStringList { "add" } + numbers("10 02 03 04 15 16 17 19")).exitCode, 0);

    r = run({ "export", "text" });
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QString textPath = QDir(history()).filePath(QStringLiteral("更新至161212002期历史号码.txt"));
    EXPECT_EQ(r.out.trimmed(), QDir::toNativeSeparators(textPath));
    EXPECT_EQ(readAll(textPath),
              QByteArray("20161212001 05 13 20 01 09 14 18 11 \r\n"
                         "20161212002 10 02 03 04 15 16 17 19 \r\n"));

    r = run({ "export", "workbook" });
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QString xlsx = QDir(history()).filePath(QStringLiteral("lishi.xlsx"));
    EXPECT_EQ(r.out.trimmed(), QDir::toNativeSeparators(xlsx));
    const SheetContents sheet = readFirstSheet(xlsx);
    ASSERT_TRUE(sheet.ok) << sheet.error.toStdString();
    EXPECT_EQ(sheet.rowElements, 3);
    EXPECT_EQ(sheet.cells.value({ 0, 0 }), QStringLiteral("期号"));
    EXPECT_EQ(sheet.cells.value({ 1, 0 }), QStringLiteral("20161212001"));
    EXPECT_EQ(sheet.cells.value({ 1, 1 }), QStringLiteral("5"));
    EXPECT_EQ(sheet.cells.value({ 2, 8 }), QStringLiteral("19"));
    EXPECT_EQ(sheet.cells.size(), 27);

    EXPECT_EQ(run({ "export", "pdf" }).exitCode, 2);
}

TEST_F(Cli, SearchAndComboExportTheirGridsToWorkbooks)
{
    ASSERT_EQ(run(QStringList { "add", "--issue", "20161212001" } + numbers("05 13 20 01 09 14 18 11")).exitCode, 0);
    for (const char* draw : { "02 04 06 08 10 12 16 19", "05 13 20 01 09 14 18 11", "03 04 06 08 10 12 16 19" })
        ASSERT_EQ(run(QStringList { "add" } + numbers(draw)).exitCode, 0);

    for (const char* command : { "search", "combo" }) {
        QFile::remove(QDir(history()).filePath(QStringLiteral("Jiansuo.xlsx")));
        QFile::remove(QDir(history()).filePath(QStringLiteral("Jieguo.xlsx")));
        const CliRun r = run({ command, "--format", "json", "--export-workbook" });
        ASSERT_EQ(r.exitCode, 0) << command << r.err.toStdString();
        const QJsonObject o = QJsonDocument::fromJson(r.out.toUtf8()).object();
        const QJsonArray paths = o.value("workbooks").toArray();
        ASSERT_EQ(paths.size(), 2);
        const struct
        {
            const char* key;
            const char* file;
        } grids[] = { { "matches", "Jiansuo.xlsx" }, { "ranking", "Jieguo.xlsx" } };
        for (int g = 0; g < 2; ++g) {
            const QString path = QDir(history()).filePath(QString::fromLatin1(grids[g].file));
            EXPECT_EQ(paths[g].toString(), QDir::toNativeSeparators(path));
            const QJsonObject table = o.value(grids[g].key).toObject();
            QList<QStringList> expected {};
            QStringList header;
            for (const auto& v : table.value("header").toArray())
                header << v.toString();
            expected << header;
            for (const auto& row : table.value("rows").toArray()) {
                QStringList cells;
                for (const auto& v : row.toArray())
                    cells << v.toString();
                expected << cells;
            }
            ASSERT_FALSE(header.isEmpty());
            const SheetContents sheet = readFirstSheet(path);
            ASSERT_TRUE(sheet.ok) << sheet.error.toStdString();
            EXPECT_EQ(sheet.rowElements, expected.size()) << command << ' ' << grids[g].file;
            int nonEmpty = 0;
            for (int r = 0; r < expected.size(); ++r) {
                for (int c = 0; c < expected[r].size(); ++c) {
                    EXPECT_EQ(sheet.cells.value({ r, c }), expected[r][c]) << grids[g].file << ' ' << r << ',' << c;
                    nonEmpty += !expected[r][c].isEmpty();
                }
            }
            EXPECT_EQ(sheet.cells.size(), nonEmpty);
        }
    }

    // Text output names the files after the grids.
    const CliRun r = run({ "search", "--export-workbook" });
    ASSERT_EQ(r.exitCode, 0);
    EXPECT_TRUE(
        r.out.contains(QStringLiteral("wrote ") + QDir::toNativeSeparators(QDir(history()).filePath("Jieguo.xlsx"))));
}
