#include "core/IssueNumber.h"

#include <gtest/gtest.h>

#include <limits>

using namespace corvinel;
using namespace corvinel::issue;

TEST(DrawsPerDay, GuangdongTianjinHunanDraw84And566Draws97)
{
    EXPECT_EQ(drawsPerDay(kGuangdong), 84);
    EXPECT_EQ(drawsPerDay(kTianjin), 84);
    EXPECT_EQ(drawsPerDay(kHunan), 84);
    EXPECT_EQ(drawsPerDay(kCode566), 97);
    EXPECT_EQ(drawsPerDay(0), 84);
    EXPECT_EQ(sequenceDigits(kTianjin), 3);
    EXPECT_EQ(sequenceDigits(kHunan), 3);
    EXPECT_EQ(sequenceDigits(kGuangdong), 2);
    EXPECT_EQ(sequenceDigits(kCode566), 2);
}

struct NextCase
{
    std::int64_t last;
    int code;
    const char* next;
};

class NextIssue : public ::testing::TestWithParam<NextCase>
{
};

TEST_P(NextIssue, FollowsTheLastStoredDraw)
{
    const NextCase c = GetParam();
    const auto next = nextIssue(c.last, c.code, drawsPerDay(c.code));
    ASSERT_TRUE(next.has_value());
    EXPECT_EQ(next->toStdString(), c.next);
}

INSTANTIATE_TEST_SUITE_P(Examples, NextIssue,
                         ::testing::Values(NextCase { 161212083, kTianjin, "20161212084" }, // within the day
                                           NextCase { 161212084, kTianjin, "20161213001" }, // day ended
                                           NextCase { 161231084, kHunan, "20170101001" }, // year change
                                           NextCase { 160228084, kHunan, "20160229001" }, // leap day
                                           NextCase { 16090897, kCode566, "2016090901" }, // 97 a day
                                           NextCase { 16090884, kCode566, "2016090885" },
                                           // Guangdong: 84 a day, two-digit sequence
                                           NextCase { 16090852, kGuangdong, "2016090853" },
                                           NextCase { 16090808, kGuangdong, "2016090809" },
                                           NextCase { 16090884, kGuangdong, "2016090901" },
                                           NextCase { 16123184, kGuangdong, "2017010101" }));

TEST(NextIssue, DayEndWithoutReadableDateGivesNothing)
{
    // Sequence 84 but month 13: the day cannot be advanced.
    EXPECT_FALSE(nextIssue(161312084, kTianjin, 84).has_value());
    // The largest number has no successor (a damaged database row).
    EXPECT_FALSE(nextIssue(std::numeric_limits<std::int64_t>::max(), kTianjin, 84).has_value());
}

struct PredCase
{
    const char* text;
    int code;
    std::int64_t predecessor;
};

class Predecessor : public ::testing::TestWithParam<PredCase>
{
};

TEST_P(Predecessor, IsTheDrawBefore)
{
    const PredCase c = GetParam();
    const auto p = verificationPredecessor(QString::fromLatin1(c.text), c.code, drawsPerDay(c.code));
    ASSERT_TRUE(p.has_value()) << c.text;
    EXPECT_EQ(*p, c.predecessor);
}

INSTANTIATE_TEST_SUITE_P(
    Examples, Predecessor,
    ::testing::Values(PredCase { "20161212002", kTianjin, 161212001 }, PredCase { "20161212001", kTianjin, 161211084 },
                      PredCase { "20170101001", kTianjin, 161231084 }, PredCase { "20161212010", kTianjin, 161212009 },
                      PredCase { "20160301001", kHunan, 160229084 }, PredCase { "2016090853", kGuangdong, 16090852 },
                      PredCase { "2016090901", kGuangdong, 16090884 }, PredCase { "2017010101", kGuangdong, 16123184 },
                      PredCase { "2016090901", kCode566, 16090897 }));

TEST(Predecessor, InvalidTextsGiveNothing)
{
    EXPECT_FALSE(verificationPredecessor(QStringLiteral("2016abc0002"), kTianjin, 84).has_value());
    EXPECT_FALSE(verificationPredecessor(QStringLiteral("20161332001"), kTianjin, 84).has_value()); // no such date
    EXPECT_FALSE(verificationPredecessor(QString(), kTianjin, 84).has_value());
}

TEST(Conversions, DisplayFormAndNumbers)
{
    EXPECT_EQ(displayForm(161212001), QStringLiteral("20161212001"));
    EXPECT_EQ(displayForm(16090852), QStringLiteral("2016090852"));
    EXPECT_EQ(lastNineAsNumber(QStringLiteral("20161212001")), 161212001);
    EXPECT_EQ(wholeNumber(QStringLiteral(" 12 ")), 12);
    EXPECT_FALSE(wholeNumber(QStringLiteral("1x")).has_value());
    EXPECT_FALSE(wholeNumber(QStringLiteral("")).has_value());
    // Qt's conversion stops at a NUL and reports success; the rest is junk.
    EXPECT_FALSE(wholeNumber(QString::fromUtf8("5\0junk", 6)).has_value());
    EXPECT_EQ(leadingValue(QStringLiteral("  7abc")), 7);
    EXPECT_EQ(leadingValue(QStringLiteral("_")), 0);
    EXPECT_EQ(leadingValue(QStringLiteral("-3")), -3);
}

// A stored number of the game: its width, a calendar date, a sequence number
// 1..draws per day.
TEST(IssueRefusal, WidthDateAndSequence)
{
    EXPECT_FALSE(issueRefusal(250929001, kHunan, 84));
    EXPECT_FALSE(issueRefusal(250929084, kTianjin, 84));
    EXPECT_FALSE(issueRefusal(25092984, kGuangdong, 84));
    EXPECT_FALSE(issueRefusal(25092997, kCode566, 97));

    const auto over = issueRefusal(250929085, kHunan, 84);
    ASSERT_TRUE(over);
    EXPECT_TRUE(over->contains(QStringLiteral("20250929085"))) << over->toStdString();
    EXPECT_TRUE(over->contains(QStringLiteral("1到84"))) << over->toStdString();
    EXPECT_TRUE(issueRefusal(25092985, kGuangdong, 84));
    EXPECT_TRUE(issueRefusal(25092998, kCode566, 97));
    EXPECT_TRUE(issueRefusal(250929000, kHunan, 84));
    EXPECT_TRUE(issueRefusal(25092900, kGuangdong, 84));

    // A Guangdong number for Hunan and the reverse: the width tells.
    const auto width = issueRefusal(25092901, kHunan, 84);
    ASSERT_TRUE(width);
    EXPECT_TRUE(width->contains(QStringLiteral("湖南快乐十分"))) << width->toStdString();
    EXPECT_TRUE(issueRefusal(250929001, kGuangdong, 84));

    EXPECT_TRUE(issueRefusal(250230001, kHunan, 84)); // 30 February
    EXPECT_TRUE(issueRefusal(251301001, kHunan, 84));
    EXPECT_TRUE(issueRefusal(0, kHunan, 84));
    EXPECT_TRUE(issueRefusal(-250929001, kHunan, 84));
}

TEST(IssueRefusal, GameNames)
{
    EXPECT_EQ(gameName(kGuangdong), QStringLiteral("广东快乐十分"));
    EXPECT_EQ(gameName(kTianjin), QStringLiteral("天津快乐十分"));
    EXPECT_EQ(gameName(kHunan), QStringLiteral("湖南快乐十分"));
    EXPECT_EQ(gameName(kCode566), QStringLiteral("代码566（每天97期）"));
    EXPECT_EQ(storedDigits(kGuangdong), 8);
    EXPECT_EQ(storedDigits(kHunan), 9);
}
