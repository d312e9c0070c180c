#include "export/HistoryTextExport.h"
#include "export/WorkbookExport.h"
#include "support/WorkbookReader.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <random>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>
#include <unistd.h>

using namespace corvinel;

namespace {

QStringList historyHeader()
{
    QStringList h { QStringLiteral("期号") };
    for (int p = 1; p <= 8; ++p)
        h << QStringLiteral("第%1位").arg(p);
    return h;
}

QList<QStringList> threeDraws()
{
    return { historyHeader(),
             { "20161212001", "5", "13", "20", "1", "9", "14", "18", "11" },
             { "20161212002", "10", "2", "3", "4", "15", "16", "17", "19" },
             { "20161212003", "20", "19", "18", "17", "6", "7", "8", "12" } };
}

QByteArray readAll(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QStringList leftovers(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
}

// Caps the size of files this process writes, so that writes past `bytes` fail
// (also for root, whom folder permissions do not stop).
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &m_old);
        rlimit lim = m_old;
        lim.rlim_cur = bytes;
        m_ok = setrlimit(RLIMIT_FSIZE, &lim) == 0;
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }
    bool ok() const { return m_ok; }

private:
    rlimit m_old {};
    void (*m_oldHandler)(int) = nullptr;
    bool m_ok = false;
};

} // namespace

TEST(HistoryText, ThreeDrawsGiveThreeExactLines)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const ExportResult r = history_text::write(dir.path(), 161212003, CellSource::fromTable(threeDraws()));
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    EXPECT_EQ(r.path, dir.filePath(QStringLiteral("更新至161212003期历史号码.txt")));
    EXPECT_EQ(readAll(r.path),
              QByteArray("20161212001 05 13 20 01 09 14 18 11 \r\n"
                         "20161212002 10 02 03 04 15 16 17 19 \r\n"
                         "20161212003 20 19 18 17 06 07 08 12 \r\n"));
    EXPECT_EQ(leftovers(dir.path()), QStringList { QStringLiteral("更新至161212003期历史号码.txt") });
}

TEST(HistoryText, CellsFormattedLikeTheNumericFormat00)
{
    const struct
    {
        const char* in;
        const char* out;
    } cases[] = { { "5", "05" },      { "0", "00" },     { "20", "20" },
                  { "123", "123" },   { "-5", "-05" },   { " 7 ", "07" },
                  { "5.6", "06" },    { "abc", "abc" },  { "", "" },
                  { "1X05", "1X05" }, { "-4.6", "-05" }, { "-9223372036854775808", "-9223372036854775808" } };
    for (const auto& c : cases)
        EXPECT_EQ(history_text::formatCell(QString::fromUtf8(c.in)), QString::fromUtf8(c.out)) << c.in;
}

TEST(HistoryText, ShortRowsStillGiveEightFields)
{
    const QList<QStringList> grid { historyHeader(), { "20161212001", "5", "x" } };
    EXPECT_EQ(history_text::render(CellSource::fromTable(grid)), QByteArray("20161212001 05 x       \r\n"));
}

TEST(HistoryText, EmptyHistoryWritesNothing)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ExportResult r = history_text::write(dir.path(), std::nullopt, CellSource::fromTable({ historyHeader() }));
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.nothingToWrite);
    EXPECT_FALSE(r.error.isEmpty());
    r = history_text::write(dir.path(), 161212003, CellSource::fromTable({ historyHeader() }));
    EXPECT_TRUE(r.nothingToWrite);
    EXPECT_TRUE(leftovers(dir.path()).isEmpty());
}

TEST(HistoryText, ReplacesAnOldFileAndKeepsItWhenWritingFails)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(history_text::fileName(161212003));
    ASSERT_TRUE(writeFile(path, "old contents that are longer than the new ones ......................."));
    ExportResult r = history_text::write(dir.path(), 161212003, CellSource::fromTable(threeDraws()));
    ASSERT_TRUE(r.ok);
    const QByteArray good = readAll(path);
    EXPECT_TRUE(good.startsWith("20161212001 05 "));

    // A long history that cannot be written whole leaves the previous file.
    QList<QStringList> big { historyHeader() };
    for (int i = 0; i < 2000; ++i)
        big << QStringList { QString::number(20161212000LL + i), "1", "2", "3", "4", "5", "6", "7", "8" };
    {
        FileSizeLimit limit(4096);
        ASSERT_TRUE(limit.ok());
        r = history_text::write(dir.path(), 161212003, CellSource::fromTable(big));
    }
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(r.nothingToWrite);
    EXPECT_FALSE(r.error.isEmpty());
    EXPECT_EQ(readAll(path), good);
    EXPECT_EQ(leftovers(dir.path()).size(), 1);
}

TEST(Workbook, EveryCellReadsBackAtItsPlace)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QList<QStringList> grid = threeDraws();
    grid[2][4] = QStringLiteral("猴 & <x>"); // text that needs escaping
    const ExportResult r = workbook::writeInto(dir.path(), workbook::kHistoryFile, CellSource::fromTable(grid));
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    EXPECT_EQ(r.path, dir.filePath(QStringLiteral("lishi.xlsx")));

    const SheetContents sheet = readFirstSheet(r.path);
    ASSERT_TRUE(sheet.ok) << sheet.error.toStdString();
    EXPECT_EQ(sheet.sheetName, QStringLiteral("Sheet1"));
    EXPECT_EQ(sheet.rowElements, 4);
    EXPECT_EQ(sheet.cells.size(), 4 * 9);
    for (int row = 0; row < grid.size(); ++row)
        for (int col = 0; col < 9; ++col)
            EXPECT_EQ(sheet.cells.value({ row, col }), grid[row][col]) << row << "," << col;
    EXPECT_EQ(leftovers(dir.path()), QStringList { QStringLiteral("lishi.xlsx") });
}

// Numbers are stored as numbers (percentages as fractions in a percent
// format, leading zeros kept by the format), issue numbers and words as
// text, and every cell still reads as the grid showed it. Random texts of
// each shape, classified here by patterns of their own.
TEST(Workbook, NumbersAreNumbersAndReadAsShown)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    std::mt19937 rng(24);
    auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    QList<QStringList> grid { { "期号", "号码", "次数", "百分比", "随机期望", "说明" } };
    for (int r = 0; r < 60; ++r) {
        const int percentWhole = pick(101);
        grid.append({ QStringLiteral("2016%1%2").arg(1212 + pick(3)).arg(pick(84) + 1, 3, 10, QLatin1Char('0')),
                      QStringLiteral("%1").arg(pick(20) + 1, 2, 10, QLatin1Char('0')), QString::number(pick(5000)),
                      QString::number(percentWhole + pick(100) / 100.0, 'f', 2) + QLatin1Char('%'),
                      QString::number(pick(100000) / 1000.0, 'f', 1 + pick(3)),
                      pick(2) ? QStringLiteral("马") : QStringLiteral("-3") });
    }
    const ExportResult r = workbook::writeInto(dir.path(), workbook::kRankingFile, CellSource::fromTable(grid));
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    const SheetContents sheet = readFirstSheet(r.path);
    ASSERT_TRUE(sheet.ok) << sheet.error.toStdString();
    const QRegularExpression identifier(QStringLiteral("^\\d{8,}$"));
    const QRegularExpression percent(QStringLiteral("^-?\\d+(\\.\\d+)?%$"));
    const QRegularExpression number(QStringLiteral("^-?\\d+(\\.\\d+)?$"));
    int numbers = 0;
    for (int row = 0; row < grid.size(); ++row) {
        for (int col = 0; col < grid[row].size(); ++col) {
            const QString text = grid[row][col];
            const QPair<int, int> at { row, col };
            EXPECT_EQ(sheet.cells.value(at), text) << row << "," << col;
            const bool isPercent = percent.match(text).hasMatch();
            const bool isNumber = !identifier.match(text).hasMatch() && (isPercent || number.match(text).hasMatch());
            EXPECT_EQ(sheet.types.value(at), isNumber ? QStringLiteral("n") : QStringLiteral("s"))
                << text.toStdString();
            if (!isNumber)
                continue;
            ++numbers;
            const double value = QString(text).remove(QLatin1Char('%')).toDouble() / (isPercent ? 100.0 : 1.0);
            EXPECT_NEAR(sheet.numbers.value(at), value, 1e-12) << text.toStdString();
            if (isPercent) {
                EXPECT_TRUE(sheet.formats.value(at).endsWith(QLatin1Char('%'))) << text.toStdString();
            }
        }
    }
    EXPECT_GT(numbers, 60 * 4);
}

TEST(Workbook, SecondExportReplacesTheFirst)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ASSERT_TRUE(workbook::writeInto(dir.path(), workbook::kMatchesFile, CellSource::fromTable(threeDraws())).ok);
    const QList<QStringList> second { { "序号", "期号" }, { "1", "20161212009" } };
    const ExportResult r = workbook::writeInto(dir.path(), workbook::kMatchesFile, CellSource::fromTable(second));
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    const SheetContents sheet = readFirstSheet(r.path);
    ASSERT_TRUE(sheet.ok) << sheet.error.toStdString();
    EXPECT_EQ(sheet.rowElements, 2);
    EXPECT_EQ(sheet.cells.size(), 4);
    EXPECT_EQ(sheet.cells.value({ 1, 1 }), QStringLiteral("20161212009"));
    EXPECT_EQ(leftovers(dir.path()), QStringList { QStringLiteral("Jiansuo.xlsx") });
}

TEST(Workbook, HeaderOnlyGridGivesOneRow)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const ExportResult r = workbook::writeInto(dir.path(), workbook::kRankingFile,
                                               CellSource::fromTable({ { "号码", "次数", "百分比" } }));
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    const SheetContents sheet = readFirstSheet(r.path);
    ASSERT_TRUE(sheet.ok);
    EXPECT_EQ(sheet.rowElements, 1);
    EXPECT_EQ(sheet.cells.value({ 0, 2 }), QStringLiteral("百分比"));
    EXPECT_EQ(sheet.cells.size(), 3);
}

TEST(Workbook, UnwritableTargetGivesAnErrorAndKeepsTheOldFile)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());

    // A folder that is not there (here: a path below a plain file).
    ASSERT_TRUE(writeFile(dir.filePath("plain"), "x"));
    ExportResult r
        = workbook::writeInto(dir.filePath("plain"), workbook::kHistoryFile, CellSource::fromTable(threeDraws()));
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(r.error.isEmpty());

    const QString path = dir.filePath(QStringLiteral("lishi.xlsx"));
    ASSERT_TRUE(writeFile(path, "old workbook"));

    // A read-only folder (root is not stopped by folder permissions).
    if (geteuid() != 0) {
        QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        r = workbook::writeInto(dir.path(), workbook::kHistoryFile, CellSource::fromTable(threeDraws()));
        QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(readAll(path), QByteArray("old workbook"));
    }

    // A disk that fills up in the middle of the workbook.
    QList<QStringList> big { historyHeader() };
    for (int i = 0; i < 3000; ++i)
        big << QStringList { QString::number(20161212000LL + i), "1", "2", "3", "4", "5", "6", "7", "8" };
    {
        FileSizeLimit limit(1024);
        ASSERT_TRUE(limit.ok());
        r = workbook::writeInto(dir.path(), workbook::kHistoryFile, CellSource::fromTable(big));
    }
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(r.error.isEmpty());
    EXPECT_EQ(readAll(path), QByteArray("old workbook"));
    EXPECT_EQ(leftovers(dir.path()), (QStringList { QStringLiteral("lishi.xlsx"), QStringLiteral("plain") }));
}
