// A file of the other game's history is told from its issue numbers before
// anything is stored, and the two-step import stores what the one-step import
// stores.

#include "support/HistoryTestSupport.h"

#include "acquire/TextImport.h"
#include "core/IssueNumber.h"
#include "store/DrawLineReader.h"
#include "store/HistorySnapshot.h"

#include <gtest/gtest.h>

using namespace corvinel;
using corvinel::testing::drawFile;
using corvinel::testing::makeDraws;

namespace {

DrawLineResult linesOf(const QByteArray& text)
{
    return readDrawLines(std::string_view(text.constData(), static_cast<std::size_t>(text.size())), 0);
}

// A Guangdong history: two-digit sequence numbers, 84 draws a day.
QByteArray guangdongFile(int count)
{
    return drawFile(makeDraws(count, QDate(2025, 9, 1), 84, 2));
}

QByteArray hunanFile(int count)
{
    return drawFile(makeDraws(count, QDate(2025, 9, 1), 84, 3));
}

} // namespace

TEST(ImportGame, IssueWidthsAreCounted)
{
    // Stored and display forms of both widths; lines without an issue field,
    // empty lines and skipped lines with an issue field.
    const QByteArray text = "25092901 01 02 03 04 05 06 07 08\n"
                            "2025092902 01 02 03 04 05 06 07 08\n"
                            "250929003 01 02 03 04 05 06 07 08\n"
                            "20250929004 01 02 03 04 05 06 07 08\n"
                            "01 02 03 04 05 06 07 08\n"
                            "\n"
                            "25092903 01 02 03\n";
    const DrawLineResult r = linesOf(text);
    EXPECT_EQ(r.twoDigitIssueLines, 3);
    EXPECT_EQ(r.threeDigitIssueLines, 2);
}

TEST(ImportGame, EveryIssueOfTheOtherWidth)
{
    const DrawLineResult gd = linesOf(guangdongFile(200));
    // The default game is Hunan: a Guangdong file is told, naming Guangdong.
    for (int code : { issue::kHunan, issue::kTianjin }) {
        const auto m = otherGameOfLines(gd, code);
        ASSERT_TRUE(m) << code;
        EXPECT_EQ(m->sequenceDigits, 2);
        EXPECT_EQ(m->lines, 200);
        EXPECT_EQ(m->menuCodes, std::vector<int>({ issue::kGuangdong }));
        EXPECT_EQ(m->lotteryCodes, std::vector<int>({ issue::kGuangdong, issue::kCode566 }));
        EXPECT_EQ(m->example, 25090101);
        const QString text = gameMismatchText(*m, code);
        EXPECT_TRUE(text.contains(QStringLiteral("2025090101"))) << text.toStdString();
        EXPECT_TRUE(text.contains(QStringLiteral("广东快乐十分"))) << text.toStdString();
        EXPECT_TRUE(text.contains(issue::gameName(code))) << text.toStdString();
    }
    EXPECT_FALSE(otherGameOfLines(gd, issue::kGuangdong));
    EXPECT_FALSE(otherGameOfLines(gd, issue::kCode566));

    // And the reverse.
    const DrawLineResult hn = linesOf(hunanFile(100));
    const auto m = otherGameOfLines(hn, issue::kGuangdong);
    ASSERT_TRUE(m);
    EXPECT_EQ(m->sequenceDigits, 3);
    EXPECT_EQ(m->menuCodes, std::vector<int>({ issue::kTianjin, issue::kHunan }));
    EXPECT_TRUE(gameMismatchText(*m, issue::kGuangdong).contains(QStringLiteral("天津快乐十分或湖南快乐十分")));
    EXPECT_FALSE(otherGameOfLines(hn, issue::kHunan));

    // One issue of the right width is enough to take the file as it is (it
    // is damaged rather than of another game); so is no issue field at all.
    QByteArray mixed = guangdongFile(50);
    mixed += "250929001 01 02 03 04 05 06 07 08\n";
    EXPECT_FALSE(otherGameOfLines(linesOf(mixed), issue::kHunan));
    EXPECT_FALSE(otherGameOfLines(linesOf("01 02 03 04 05 06 07 08\n02 03 04 05 06 07 08 09\n"), issue::kHunan));
    EXPECT_FALSE(otherGameOfLines(linesOf(""), issue::kHunan));
}

TEST(ImportGame, TwoStepImportStoresWhatTheFileHolds)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("gd.txt"));
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(guangdongFile(120));
    }
    HistoryStore store;
    ASSERT_TRUE(store.open(dir.path()));
    ZodiacTables tables;
    tables.fillNumbersByOrder(1);
    DrawEncoder encoder(tables);
    HistoryMaintenance maintenance(store, encoder, tables);

    DrawLineResult lines;
    ImportOutcome read;
    ASSERT_TRUE(readImportFile(path, 0, &lines, &read));
    EXPECT_EQ(store.rowCount(), 0); // reading stores nothing
    ASSERT_TRUE(otherGameOfLines(lines, issue::kHunan));
    const ImportOutcome out = importDrawLines(path, std::move(lines), store.snapshot(), maintenance, EncoderBases());
    ASSERT_TRUE(out.ok) << out.error.toStdString();
    EXPECT_EQ(out.imported, 120);
    const HistorySnapshot after = store.snapshot();
    const auto expected = makeDraws(120, QDate(2025, 9, 1), 84, 2);
    ASSERT_EQ(after.recordCount(), 120);
    for (int i = 0; i < 120; ++i) {
        EXPECT_EQ(after.row(i).sqqh, expected[static_cast<std::size_t>(i)].sqqh);
        for (int p = 1; p <= kPositions; ++p)
            EXPECT_EQ(after.row(i).value(p, 0), expected[static_cast<std::size_t>(i)].numbers[p - 1]);
    }

    // A file that cannot be read says so and changes nothing.
    ImportOutcome missing;
    EXPECT_FALSE(readImportFile(dir.filePath(QStringLiteral("missing.txt")), 0, &lines, &missing));
    EXPECT_TRUE(missing.unreadable);
    EXPECT_TRUE(missing.error.contains(QStringLiteral("missing.txt")));
    EXPECT_EQ(store.rowCount(), 120);
}
