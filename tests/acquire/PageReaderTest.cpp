// The day-page reader and the address forming, on HTML strings.

#include "acquire/DrawPageReader.h"
#include "core/IssueNumber.h"
#include "acquire/UpdateUrl.h"

#include <gtest/gtest.h>

#include <QDate>

using namespace corvinel;
using namespace corvinel::update;

namespace {

const QDate kDay(2016, 9, 8);

QByteArray table(const QString& rows)
{
    return (QStringLiteral("<html><body><table id=\"draw_list\"><tr><th>期号</th><th>时间</th><th>号码</th></tr>")
            + rows + QStringLiteral("</table></body></html>"))
        .toUtf8();
}

} // namespace

TEST(UpdateUrl, FormsTheDayPageAddress)
{
    EXPECT_EQ(dayPageAddress(QStringLiteral("http://127.0.0.1:8080"), 556, kDay),
              QStringLiteral("http://127.0.0.1:8080/lottery/draw/list/556?d=2016-09-08"));
    EXPECT_EQ(dayPageAddress(QStringLiteral("https://kj.example.com/"), 544, QDate(2017, 1, 1)),
              QStringLiteral("https://kj.example.com/lottery/draw/list/544?d=2017-01-01"));
    EXPECT_EQ(dayPageUrl(QStringLiteral("https://kj.example.com/site"), 568, QDate(2016, 12, 31)).toString(),
              QStringLiteral("https://kj.example.com/site/lottery/draw/list/568?d=2016-12-31"));
}

TEST(UpdateUrl, RefusesUnusableBases)
{
    QString why;
    EXPECT_FALSE(isUsableBase(QString(), &why));
    EXPECT_FALSE(why.isEmpty());
    EXPECT_FALSE(isUsableBase(QStringLiteral("   ")));
    EXPECT_FALSE(isUsableBase(QStringLiteral("ftp://host")));
    EXPECT_FALSE(isUsableBase(QStringLiteral("kj.example.com")));
    EXPECT_FALSE(isUsableBase(QStringLiteral("http://host/?x=1")));
    EXPECT_FALSE(dayPageUrl(QStringLiteral("file:///etc"), 556, kDay).isValid());
    EXPECT_TRUE(isUsableBase(QStringLiteral("http://127.0.0.1:1234")));
}

TEST(DrawPageReader, ReadsIssueCellsByForm)
{
    const DrawPageReader g544(544, kDay);
    EXPECT_EQ(g544.pageDateNumber(), 160908);
    EXPECT_EQ(g544.issueSequence(QStringLiteral("2016090852")), 52);
    EXPECT_EQ(g544.issueSequence(QStringLiteral("16090852")), 52);
    EXPECT_EQ(g544.issueSequence(QStringLiteral("20160908052")), 52); // three-digit sequence written by the site
    EXPECT_EQ(g544.storedForm(52), 16090852);
    EXPECT_FALSE(g544.issueSequence(QStringLiteral("2016090752"))); // another day
    EXPECT_FALSE(g544.issueSequence(QStringLiteral("1916090852"))); // not the century
    EXPECT_FALSE(g544.issueSequence(QStringLiteral("2016090800"))); // sequence 0
    EXPECT_FALSE(g544.issueSequence(QStringLiteral("09:10")));
    EXPECT_FALSE(g544.issueSequence(QStringLiteral("85")));
    EXPECT_FALSE(g544.issueSequence(QStringLiteral("2016-09-08")));
    EXPECT_FALSE(g544.issueSequence(QStringLiteral("２０１６０９０８５２"))); // full-width digits

    const DrawPageReader hunan(556, kDay);
    EXPECT_EQ(hunan.issueSequence(QStringLiteral("20160908084")), 84);
    EXPECT_EQ(hunan.storedForm(84), 160908084);
    EXPECT_FALSE(hunan.issueSequence(QStringLiteral("201609080840"))); // 12 characters: over the limit

    // Code 566 allows 9 characters: the ten-character form is no issue cell.
    const DrawPageReader c566(566, kDay);
    EXPECT_EQ(DrawPageReader::cellTextLimit(566), 9);
    EXPECT_EQ(DrawPageReader::cellTextLimit(556), 11);
    EXPECT_EQ(c566.issueSequence(QStringLiteral("16090897")), 97);
    EXPECT_EQ(c566.issueSequence(QStringLiteral("160908097")), 97);
    EXPECT_FALSE(c566.issueSequence(QStringLiteral("2016090897")));
    EXPECT_EQ(c566.storedForm(97), 16090897);
}

TEST(DrawPageReader, RecognisesNumbersCellsByFormAndLength)
{
    const DrawPageReader r(556, kDay);
    EXPECT_TRUE(r.isNumbersCell(QStringLiteral("01 05 07 09 11 13 15 20")));
    EXPECT_TRUE(r.isNumbersCell(QStringLiteral("01,05,07,09,11,13,15,20")));
    EXPECT_TRUE(r.isNumbersCell(QStringLiteral("01、05、07、09、11、13、15、20")));
    EXPECT_TRUE(r.isNumbersCell(QStringLiteral("01 05 07 09 11 13 15"))); // a bad one, but a numbers cell
    EXPECT_FALSE(r.isNumbersCell(QStringLiteral("2016-09-08 09:10")));
    EXPECT_FALSE(r.isNumbersCell(QStringLiteral("01 05 07 09"))); // 11 characters: not over the limit
    EXPECT_FALSE(r.isNumbersCell(QStringLiteral("等待开奖等待开奖等待开奖"))); // 12 characters but 36 bytes
    EXPECT_FALSE(r.isNumbersCell(QStringLiteral("0105070911131520")));
    EXPECT_EQ(characterCount(QStringLiteral("等待开奖")), 4);

    const DrawPageReader c566(566, kDay);
    EXPECT_TRUE(c566.isNumbersCell(QStringLiteral("01 02 03 04"))); // 11 > 9

    std::array<int, 8> n {};
    EXPECT_TRUE(DrawPageReader::readNumbers(QStringLiteral("05 13 20 01 09 14 18 11"), &n).isEmpty());
    EXPECT_EQ(n, (std::array<int, 8> { 5, 13, 20, 1, 9, 14, 18, 11 }));
    EXPECT_FALSE(DrawPageReader::readNumbers(QStringLiteral("05 13 20 01 09 14 18"), &n).isEmpty());
    EXPECT_FALSE(DrawPageReader::readNumbers(QStringLiteral("05 13 20 01 09 14 18 11 12"), &n).isEmpty());
    EXPECT_FALSE(DrawPageReader::readNumbers(QStringLiteral("05 13 21 01 09 14 18 11"), &n).isEmpty());
    EXPECT_FALSE(DrawPageReader::readNumbers(QStringLiteral("00 13 20 01 09 14 18 11"), &n).isEmpty());
    EXPECT_FALSE(DrawPageReader::readNumbers(QStringLiteral("05 13 20 05 09 14 18 11"), &n).isEmpty());
}

TEST(DrawPageReader, CellTextFromNestedMarkupAndEntities)
{
    const QByteArray html = table(QStringLiteral(
        "<tr><td>\n  <a href=\"/d/1\"><b>2016</b>0908<!-- c -->001</a>&nbsp;</td>"
        "<td>09:10<br>完成</td>"
        "<td><span class=\"ball\">01</span><span class=\"ball\">05</span><span>07</span><span>09</span>"
        "<span>11</span><span>13</span><span>15</span><span>20</span></td></tr>"
        "<tr><td>&#x20;2016090800&#50;&nbsp;&nbsp;</td><td>x&amp;y</td>"
        "<td><ul><li>02</li><li>04</li><li>06</li><li>08</li><li>10</li><li>12</li><li>14</li><li>16</li></ul>"
        "<script>var a = '01 02 03';</script></td></tr>"));
    const auto rows = drawListCells(html);
    ASSERT_TRUE(rows);
    ASSERT_EQ(rows->size(), 3u);
    EXPECT_EQ((*rows)[0], (QStringList { QStringLiteral("期号"), QStringLiteral("时间"), QStringLiteral("号码") }));
    EXPECT_EQ((*rows)[1][0], QStringLiteral("20160908001"));
    EXPECT_EQ((*rows)[1][1], QStringLiteral("09:10 完成"));
    // The inner text joins inline elements; the reader still finds the numbers.
    EXPECT_EQ((*rows)[1][2], QStringLiteral("0105070911131520"));
    EXPECT_EQ((*rows)[2][0], QStringLiteral("20160908002"));
    EXPECT_EQ((*rows)[2][1], QStringLiteral("x&y"));
    EXPECT_EQ((*rows)[2][2], QStringLiteral("02 04 06 08 10 12 14 16"));

    const DrawPage page = DrawPageReader(556, kDay).read(html);
    ASSERT_TRUE(page.hasTable);
    ASSERT_EQ(page.draws.size(), 2u);
    EXPECT_EQ(page.draws[0].sqqh, 160908001);
    EXPECT_TRUE(page.draws[0].usable());
    EXPECT_EQ(page.draws[0].numbers, (std::array<int, 8> { 1, 5, 7, 9, 11, 13, 15, 20 }));
    EXPECT_EQ(page.draws[1].sqqh, 160908002);
    EXPECT_EQ(page.draws[1].numbers, (std::array<int, 8> { 2, 4, 6, 8, 10, 12, 14, 16 }));
}

TEST(DrawPageReader, OtherCellsNeverShiftOrInventADraw)
{
    // Cells in any order, extra cells of every kind, a pending draw, a row of
    // another day, a row without an issue, rows newest first.
    const QByteArray html = table(QStringLiteral(
        "<tr><td>3</td><td>20160908003</td><td>2016-09-08 09:30</td><td>等待开奖</td><td>—</td></tr>"
        "<tr><td>2</td><td>09:20</td><td>03 04 05 06 07 08 09 10</td><td>20160908002</td><td>52</td></tr>"
        "<tr><td>1</td><td>20160907001</td><td>01 02 03 04 05 06 07 08</td></tr>"
        "<tr><td>合计</td><td>01 02 03 04 05 06 07 08</td></tr>"
        "<tr><td>20160908001</td><td>11 12 13 14 15 16 17 18</td><td>20160908099</td></tr>"));
    const DrawPage page = DrawPageReader(556, kDay).read(html);
    ASSERT_EQ(page.rowCount, 6);
    ASSERT_EQ(page.draws.size(), 3u);
    EXPECT_EQ(page.draws[0].sequence, 3);
    EXPECT_FALSE(page.draws[0].hasNumbers);
    EXPECT_EQ(page.draws[1].sequence, 2);
    EXPECT_EQ(page.draws[1].numbers, (std::array<int, 8> { 3, 4, 5, 6, 7, 8, 9, 10 }));
    EXPECT_EQ(page.draws[2].sequence, 1); // the first issue cell of the row counts
    EXPECT_EQ(page.draws[2].numbers, (std::array<int, 8> { 11, 12, 13, 14, 15, 16, 17, 18 }));
}

TEST(DrawPageReader, TableLookup)
{
    // No draw_list element, random bytes, an empty document.
    EXPECT_FALSE(
        DrawPageReader(556, kDay).read("<html><table id=\"other\"><tr><td>20160908001</td></tr></table>").hasTable);
    QByteArray noise;
    for (int i = 0; i < 5000; ++i)
        noise += static_cast<char>((i * 7919 + 13) % 256);
    EXPECT_FALSE(DrawPageReader(556, kDay).read(noise).hasTable);
    EXPECT_FALSE(DrawPageReader(556, kDay).read(QByteArray()).hasTable);

    // A header-only table is a table without draws.
    const DrawPage header = DrawPageReader(556, kDay).read(table(QString()));
    EXPECT_TRUE(header.hasTable);
    EXPECT_EQ(header.rowCount, 1);
    EXPECT_TRUE(header.draws.empty());

    // draw_list on a wrapper; a table nested in a cell adds no rows.
    const QByteArray wrapped = "<div id=\"draw_list\"><table><thead><tr><th>期号</th></tr></thead><tbody>"
                               "<tr><td>20160908001</td><td><table><tr><td>20160908002</td><td>01 02 03 04 05 06 07 "
                               "08</td></tr></table></td>"
                               "<td>01 02 03 04 05 06 07 09</td></tr></tbody></table></div>";
    const DrawPage w = DrawPageReader(556, kDay).read(wrapped);
    ASSERT_EQ(w.rowCount, 2);
    ASSERT_EQ(w.draws.size(), 1u);
    EXPECT_EQ(w.draws[0].sequence, 1);
    EXPECT_EQ(w.draws[0].numbers[7], 9);
}

TEST(DrawPageReader, BadAndDuplicateDraws)
{
    const QByteArray html = table(QStringLiteral("<tr><td>20160908001</td><td>01 02 03 04 05 06 07</td></tr>"
                                                 "<tr><td>20160908002</td><td>01 02 03 04 05 06 07 21</td></tr>"
                                                 "<tr><td>20160908003</td><td>01 02 03 04 05 06 07 08</td></tr>"
                                                 "<tr><td>20160908003</td><td>01 02 03 04 05 06 07 08</td></tr>"
                                                 "<tr><td>20160908004</td><td>01 02 03 04 05 06 07 08</td></tr>"
                                                 "<tr><td>20160908004</td><td>01 02 03 04 05 06 07 09</td></tr>"));
    const DrawPage page = DrawPageReader(556, kDay).read(html);
    ASSERT_EQ(page.draws.size(), 4u);
    EXPECT_TRUE(page.draws[0].hasNumbers);
    EXPECT_FALSE(page.draws[0].usable());
    EXPECT_FALSE(page.draws[1].usable());
    EXPECT_TRUE(page.draws[2].usable()); // listed twice alike: one draw
    EXPECT_FALSE(page.draws[3].usable()); // listed twice with different numbers
}

TEST(DrawPageReader, DeeplyNestedPagesAreRefusedQuickly)
{
    // Ordinary sloppy markup keeps the estimate low: unclosed cells, list
    // items and paragraphs, formatting closed by the cell's end, void tags.
    QByteArray sloppy = "<html><body><div><table id=\"draw_list\">";
    for (int r = 0; r < 2000; ++r)
        sloppy += "<tr><td><b><font color=red>2016090800" + QByteArray::number(r % 9 + 1)
            + "</td><td><p>x<p>y<br><img src=a.png><li>z</td>";
    sloppy += "</table><!-- <div><div><div> --><script>var s = '<div><div>';</script></div></body></html>";
    EXPECT_LT(estimatedNestingDepth(sloppy), 20);
    EXPECT_TRUE(DrawPageReader(556, kDay).read(sloppy).hasTable);

    for (const char* tag : { "<div>", "<b>", "<span>", "<table><tr><td>" }) {
        SCOPED_TRACE(tag);
        QByteArray deep;
        for (int i = 0; i < 400000; ++i)
            deep += tag;
        EXPECT_GT(estimatedNestingDepth(deep), kMaxNesting);
        const DrawPage page = DrawPageReader(556, kDay).read(deep);
        EXPECT_FALSE(page.hasTable);
        EXPECT_TRUE(page.tooDeep);
    }
}
