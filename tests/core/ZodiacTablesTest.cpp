#include "core/ZodiacTables.h"

#include <gtest/gtest.h>

using namespace corvinel;

namespace {
int signOf(const char* name)
{
    const auto& n = ZodiacTables::names();
    for (int k = 0; k < 12; ++k) {
        if (n[k] == QString::fromUtf8(name))
            return k;
    }
    return -1;
}
} // namespace

TEST(SpringFestival, TableHoldsTheFestivalDates)
{
    EXPECT_EQ(ZodiacTables::springFestival(2001), 124);
    EXPECT_EQ(ZodiacTables::springFestival(2013), 210);
    EXPECT_EQ(ZodiacTables::springFestival(2015), 219);
    EXPECT_EQ(ZodiacTables::springFestival(2016), 208);
    EXPECT_EQ(ZodiacTables::springFestival(2017), 128);
    EXPECT_EQ(ZodiacTables::springFestival(2026), 217);
    EXPECT_EQ(ZodiacTables::springFestival(2049), 202);
    EXPECT_EQ(ZodiacTables::springFestival(2000), 0);
    EXPECT_EQ(ZodiacTables::springFestival(2050), 0);
}

TEST(ZodiacYear, ExamplesOfTheIssueTexts)
{
    // Guangdong 2016-09-08: after the festival, zodiac year 2016.
    EXPECT_EQ(ZodiacTables::zodiacYearOfText(QStringLiteral("2016090853"), 2020), 2016);
    // Tianjin 2016-02-05: before the festival (208), still 2015.
    EXPECT_EQ(ZodiacTables::zodiacYearOfText(QStringLiteral("20160205003"), 2020), 2015);
    // On the festival day itself the previous year still holds.
    EXPECT_EQ(ZodiacTables::zodiacYearOfText(QStringLiteral("20160208001"), 2020), 2015);
    EXPECT_EQ(ZodiacTables::zodiacYearOfText(QStringLiteral("20160209001"), 2020), 2016);
    // Years after 2016 follow the table too.
    EXPECT_EQ(ZodiacTables::zodiacYearOfText(QStringLiteral("20170120001"), 2020), 2016);
    EXPECT_EQ(ZodiacTables::zodiacYearOfText(QStringLiteral("20170129001"), 2020), 2017);
    EXPECT_EQ(ZodiacTables::zodiacYearOfText(QStringLiteral("20260216001"), 2020), 2025);
    EXPECT_EQ(ZodiacTables::zodiacYearOfText(QStringLiteral("20260218001"), 2020), 2026);
    // Spaces are removed before reading.
    EXPECT_EQ(ZodiacTables::zodiacYearOfText(QStringLiteral("2016 0908 53"), 2020), 2016);
}

TEST(ZodiacYear, YearWithoutFestivalValueStartsOnFirstJanuary)
{
    EXPECT_EQ(ZodiacTables::zodiacYear(2060, 101), 2060);
    EXPECT_EQ(ZodiacTables::zodiacYear(1990, 101), 1990);
    // Outside the table's range the comparison is skipped.
    EXPECT_EQ(ZodiacTables::zodiacYear(3000, 101), 3000);
}

TEST(ZodiacYear, NonNumericYearIsTheCurrentYear)
{
    EXPECT_EQ(ZodiacTables::zodiacYearOfText(QStringLiteral("abcd0908001"), 2030), 2030);
    // 2030's festival is 203: a January date of the current year is still 2029.
    EXPECT_EQ(ZodiacTables::zodiacYearOfText(QStringLiteral("xxxx0115001"), 2030), 2029);
}

TEST(YearGroups, SignOfTheYearOwnsGroupZero)
{
    ZodiacTables t;
    t.fillYearGroups(2016); // 猴
    EXPECT_EQ(t.yearGroups()[signOf("猴")], QStringLiteral("01、13、25、37、49"));
    EXPECT_EQ(t.yearGroups()[signOf("羊")], QStringLiteral("02、14、26、38"));
    EXPECT_EQ(t.yearGroups()[signOf("鼠")], QStringLiteral("09、21、33、45"));
    EXPECT_EQ(t.signIndexOf(1), signOf("猴"));
    EXPECT_EQ(t.signIndexOf(13), signOf("猴"));
    EXPECT_EQ(t.signIndexOf(9), signOf("鼠"));
    EXPECT_EQ(t.signIndexOf(2), signOf("羊"));
}

TEST(ZodiacNumbers, ByOrderFollowsTheBase)
{
    ZodiacTables t;
    t.fillNumbersByOrder(0);
    for (int k = 0; k < 12; ++k)
        EXPECT_EQ(t.numbers()[k], k);
    t.fillNumbersByOrder(1);
    for (int k = 0; k < 12; ++k)
        EXPECT_EQ(t.numbers()[k], k + 1);
}

TEST(ZodiacNumbers, ByAgeIn2016WithBaseOne)
{
    ZodiacTables t;
    t.fillNumbersByAge(2016, 1);
    EXPECT_EQ(t.numbers()[signOf("猴")], 1);
    EXPECT_EQ(t.numbers()[signOf("羊")], 2);
    EXPECT_EQ(t.numbers()[signOf("马")], 3);
    EXPECT_EQ(t.numbers()[signOf("鼠")], 9);
    EXPECT_EQ(t.numbers()[signOf("鸡")], 12);
    t.fillNumbersByAge(2016, 0);
    EXPECT_EQ(t.numbers()[signOf("猴")], 0);
    EXPECT_EQ(t.numbers()[signOf("鸡")], 11);
}

TEST(ZodiacNames, ValueWithoutNameIsEmpty)
{
    EXPECT_EQ(ZodiacTables::nameOfValue(1, 1), QStringLiteral("鼠"));
    EXPECT_EQ(ZodiacTables::nameOfValue(0, 0), QStringLiteral("鼠"));
    EXPECT_EQ(ZodiacTables::nameOfValue(12, 1), QStringLiteral("猪"));
    EXPECT_TRUE(ZodiacTables::nameOfValue(0, 1).isEmpty());
    EXPECT_TRUE(ZodiacTables::nameOfValue(13, 1).isEmpty());
    EXPECT_TRUE(ZodiacTables::nameOfValue(12, 0).isEmpty());
}
