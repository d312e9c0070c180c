#include "store/DrawLineReader.h"
#include "acquire/TextImport.h"

#include <gtest/gtest.h>

#include <string>

using namespace corvinel;

namespace {

using Numbers = std::array<int, 8>;
const Numbers kExample = { 5, 13, 20, 1, 9, 14, 18, 11 };

DrawLineResult read(const std::string& text, std::int64_t running = 0)
{
    return readDrawLines(text, running);
}

} // namespace

TEST(DrawLineReader, IssueFieldWithAnySeparator)
{
    struct Case
    {
        const char* line;
        std::int64_t sqqh;
    };
    const Case cases[] = {
        { "160908052 05 13 20 01 09 14 18 11 ", 160908052 }, // the program's own form
        { "160908052,05,13,20,01,09,14,18,11", 160908052 }, // commas, nine-digit issue
        { "16090852,05,13,20,01,09,14,18,11", 16090852 }, // commas, eight-digit Guangdong issue
        { "16090852\t05\t13\t20\t01\t09\t14\t18\t11", 16090852 },
        { "160908052 0513200109141811", 160908052 }, // sixteen digits in a row
        { "160908052-05-13-20-01-09-14-18-11", 160908052 },
        { "  160908052 05 13 20 01 09 14 18 11\r", 160908052 }, // blanks and CR trimmed
        { "20160908052 05 13 20 01 09 14 18 11", 160908052 }, // display form, 11 digits
        { "2016090852,05,13,20,01,09,14,18,11", 16090852 }, // display form, 10 digits
        { "160908052 05 13 20 01 09 14 18 11 03 04", 160908052 }, // numbers after the eighth ignored
    };
    for (const Case& c : cases) {
        const DrawLineResult r = read(c.line, 7);
        ASSERT_EQ(r.draws.size(), 1u) << c.line;
        EXPECT_EQ(r.draws[0].sqqh, c.sqqh) << c.line;
        EXPECT_EQ(r.draws[0].numbers, kExample) << c.line;
        EXPECT_TRUE(r.skipped.empty()) << c.line;
        EXPECT_EQ(r.runningIssue, c.sqqh) << c.line;
    }
}

TEST(DrawLineReader, LinesWithoutIssueCountOnFromTheRunningNumber)
{
    // First line of the file: the last stored QQH + 1; then one more per line,
    // also across a line that carries its own issue.
    const DrawLineResult r = read("05 13 20 01 09 14 18 11\n"
                                  "0513200109141811\n"
                                  "161212010 05 13 20 01 09 14 18 11\n"
                                  "05,13,20,01,09,14,18,11\n",
                                  161212004);
    ASSERT_EQ(r.draws.size(), 4u);
    EXPECT_EQ(r.draws[0].sqqh, 161212005);
    EXPECT_EQ(r.draws[1].sqqh, 161212006);
    EXPECT_EQ(r.draws[2].sqqh, 161212010);
    EXPECT_EQ(r.draws[3].sqqh, 161212011);
    EXPECT_EQ(r.draws[1].numbers, kExample);
    EXPECT_EQ(r.draws[3].lineNumber, 4);
}

TEST(DrawLineReader, ByteOrderMarkAndEmptyLines)
{
    const std::string text = "\xEF\xBB\xBF"
                             "05 13 20 01 09 14 18 11\r\n"
                             "\r\n"
                             "   \n"
                             "\t\n"
                             "05 13 20 01 09 14 18 12\r\n";
    const DrawLineResult r = read(text, 100);
    ASSERT_EQ(r.draws.size(), 2u);
    EXPECT_TRUE(r.skipped.empty());
    // Empty lines neither count as skipped nor move the running number.
    EXPECT_EQ(r.draws[0].sqqh, 101);
    EXPECT_EQ(r.draws[1].sqqh, 102);
    EXPECT_EQ(r.draws[1].lineNumber, 5);
    EXPECT_EQ(r.lineCount, 5);
    // With the BOM the first line's issue field is still seen.
    const DrawLineResult r2 = read("\xEF\xBB\xBF"
                                   "160908052 05 13 20 01 09 14 18 11\n");
    ASSERT_EQ(r2.draws.size(), 1u);
    EXPECT_EQ(r2.draws[0].sqqh, 160908052);
}

TEST(DrawLineReader, SkipRulesCountTheLineAndStillMoveTheRunningNumber)
{
    const std::string text = "161212001 05 13 20 01 09 14 18 11\n" // 1 ok
                             "161212002 05 13 20 01 09 14 18\n" // 2 seven numbers
                             "05 13 20 01 09 14 18 21\n" // 3 number 21 (issue 161212003)
                             "05 13 00 01 09 14 18 11\n" // 4 number 00 (161212004)
                             "05 13 20 01 09 14 18 05\n" // 5 05 twice (161212005)
                             "161212001 01 02 03 04 05 06 07 08\n" // 6 issue of line 1 again
                             "05 13 20 01 09 14 18 11\n" // 7 ok: 161212002
                             "abc\n" // 8 no numbers (161212003)
                             "161212004 05 13 20 01 09 14 18 11\n" // 9 ok: issue of a skipped line
                             "161212009\n"; // 10 issue only
    const DrawLineResult r = read(text, 0);
    ASSERT_EQ(r.draws.size(), 3u);
    EXPECT_EQ(r.draws[0].sqqh, 161212001);
    EXPECT_EQ(r.draws[1].sqqh, 161212002);
    EXPECT_EQ(r.draws[1].lineNumber, 7);
    EXPECT_EQ(r.draws[2].sqqh, 161212004);

    ASSERT_EQ(r.skipped.size(), 7u);
    const std::pair<int, SkipReason> expected[] = {
        { 2, SkipReason::TooFewNumbers },  { 3, SkipReason::NumberOutOfRange }, { 4, SkipReason::NumberOutOfRange },
        { 5, SkipReason::RepeatedNumber }, { 6, SkipReason::RepeatedIssue },    { 8, SkipReason::TooFewNumbers },
        { 10, SkipReason::TooFewNumbers },
    };
    for (std::size_t i = 0; i < r.skipped.size(); ++i) {
        EXPECT_EQ(r.skipped[i].lineNumber, expected[i].first) << i;
        EXPECT_EQ(r.skipped[i].reason, expected[i].second) << i;
    }
    EXPECT_EQ(r.skipped[0].detail, 7);
    EXPECT_EQ(r.skipped[1].detail, 21);
    EXPECT_EQ(r.skipped[1].sqqh, 161212003);
    EXPECT_EQ(r.skipped[3].detail, 5);
    EXPECT_EQ(r.runningIssue, 161212009);

    EXPECT_EQ(describeSkip(r.skipped[0]).toStdString(), "line 2: 7 numbers, 8 needed");
    EXPECT_EQ(describeSkip(r.skipped[1]).toStdString(), "line 3: number 21 is outside 01..20");
    EXPECT_EQ(skippedLineSummary(r.skipped, 3).toStdString(), "2, 3, 4 and 4 more");
    EXPECT_EQ(skippedLineSummary(r.skipped).toStdString(), "2, 3, 4, 5, 6, 8, 10");
}

TEST(DrawLineReader, OtherDigitRunsAreNoIssueField)
{
    // A run of 10 digits not starting with "20" and a short run are numbers.
    const DrawLineResult r = read("1609080520 13 01 07 14 18 11\n"
                                  "1 05 13 20 01 09 14 18 11\n",
                                  50);
    ASSERT_EQ(r.draws.size(), 2u);
    EXPECT_EQ(r.draws[0].sqqh, 51);
    EXPECT_EQ(r.draws[0].numbers, (Numbers { 16, 9, 8, 5, 20, 13, 1, 7 }));
    EXPECT_EQ(r.draws[1].sqqh, 52);
    EXPECT_EQ(r.draws[1].numbers, kExample);
}

TEST(DrawLineReader, NonPositiveRunningIssueIsSkipped)
{
    const DrawLineResult r = read("05 13 20 01 09 14 18 11\n", -1);
    EXPECT_TRUE(r.draws.empty());
    ASSERT_EQ(r.skipped.size(), 1u);
    EXPECT_EQ(r.skipped[0].reason, SkipReason::NoIssue);
}

TEST(DrawLineReader, ImportableFileNames)
{
    EXPECT_TRUE(isImportableFileName("/a/历史号码/draws.txt"));
    EXPECT_TRUE(isImportableFileName("/a/DRAWS.TXT"));
    EXPECT_TRUE(isImportableFileName("/a/draws.Txt"));
    EXPECT_FALSE(isImportableFileName("/a/draws.csv"));
    EXPECT_FALSE(isImportableFileName(""));
}
