#pragma once

#include <QString>

#include <array>
#include <cstdint>

namespace corvinel {

// Zodiac signs of the drawn numbers. Sign index k = 0..11 follows 鼠 牛 虎 兔 龙
// 蛇 马 羊 猴 鸡 狗 猪. The sign of the zodiac year owns number group 0
// ("01、13、25、37、49"), the sign of the year before owns group 1, and so on.
class ZodiacTables
{
public:
    static const std::array<QString, 12>& names();
    static const std::array<QString, 12>& numberGroups();

    // Spring Festival date of a year as month * 100 + day, 0 where unknown.
    static int springFestival(int year);
    // Zodiac year of the date (year, month * 100 + day).
    static int zodiacYear(int year, int monthDay);
    // Zodiac year of a display-form issue text (the next draw issue number):
    // year from its first four characters (the current calendar year when that
    // is 0), month and day from characters 5..8.
    static int zodiacYearOfText(const QString& text, int currentYear);
    // Zodiac year of a draw from its stored issue number: the year of the
    // century and the month and day lead it (YYMMDD, then the day's sequence).
    static int zodiacYearOfStored(std::int64_t sqqh);

    ZodiacTables();

    // Year zodiac groups for a zodiac year; entries whose remainder would be
    // negative (years before 1972 + k) stay as they were.
    void fillYearGroups(int zodiacYear);
    const std::array<QString, 12>& yearGroups() const { return m_yearGroups; }

    // Zodiac number table: by order (entry k = base + k) or by age relative to
    // the zodiac year (the year's sign gets base, the year before base + 1 ...).
    void fillNumbersByOrder(int zodiacBase);
    void fillNumbersByAge(int zodiacYear, int zodiacBase);
    const std::array<int, 12>& numbers() const { return m_numbers; }

    // Sign index of a drawn number for the current year groups: the first
    // index 0..10 whose group holds the two-digit text of n, else 11.
    int signIndexOf(int n) const;
    int zodiacValueOf(int n) const { return m_numbers[signIndexOf(n)]; }

    // Name shown for a stored zodiac value; empty when it has none.
    static QString nameOfValue(int value, int zodiacBase);

    int currentZodiacYear() const { return m_zodiacYear; }
    void setCurrentZodiacYear(int y) { m_zodiacYear = y; }

private:
    void updateSignCache();

    std::array<QString, 12> m_yearGroups;
    // Sign index of the numbers 0..20 for the current year groups; the encoder
    // asks for it eight times per draw.
    std::array<int, 21> m_signOf {};
    int m_groupsYear = -1;
    std::array<int, 12> m_numbers {};
    int m_zodiacYear = 0;
};

} // namespace corvinel
