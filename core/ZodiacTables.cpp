#include "core/ZodiacTables.h"

#include "core/IssueNumber.h"

namespace corvinel {

namespace {

// Spring Festival dates 2001..2049 (month * 100 + day).
constexpr int kFirstFestivalYear = 2001;
constexpr std::array<int, 49> kFestival = {
    124, 212, 201, 122, 209, 129, 218, 207, 126, 214, // 2001-2010
    203, 123, 210, 131, 219, 208, 128, 216, 205, 125, // 2011-2020
    212, 201, 122, 210, 129, 217, 206, 126, 213, 203, // 2021-2030
    123, 211, 131, 219, 208, 128, 215, 204, 124, 212, // 2031-2040
    201, 122, 210, 130, 217, 206, 126, 214, 202, // 2041-2049
};

// Number group of sign k in a zodiac year: the years since 1972 + k (a year of
// sign k, 1972 being a year of 鼠), modulo 12. The remainder keeps the sign of
// the dividend, so a year before 1972 + k gives a negative result: no group,
// and the caller keeps the entry it had.
int groupOfSign(int zodiacYear, int k)
{
    return (zodiacYear - (1972 + k)) % 12;
}

// Sign index whose group holds the two-digit text of n: the first of 0..10,
// else 11.
int findSign(const std::array<QString, 12>& groups, int n)
{
    const QString two = QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
    for (int k = 0; k <= 10; ++k) {
        if (groups[k].contains(two))
            return k;
    }
    return 11;
}

} // namespace

const std::array<QString, 12>& ZodiacTables::names()
{
    static const std::array<QString, 12> n = {
        QStringLiteral("鼠"), QStringLiteral("牛"), QStringLiteral("虎"), QStringLiteral("兔"),
        QStringLiteral("龙"), QStringLiteral("蛇"), QStringLiteral("马"), QStringLiteral("羊"),
        QStringLiteral("猴"), QStringLiteral("鸡"), QStringLiteral("狗"), QStringLiteral("猪"),
    };
    return n;
}

const std::array<QString, 12>& ZodiacTables::numberGroups()
{
    static const std::array<QString, 12> g = {
        QStringLiteral("01、13、25、37、49"), QStringLiteral("02、14、26、38"), QStringLiteral("03、15、27、39"),
        QStringLiteral("04、16、28、40"),     QStringLiteral("05、17、29、41"), QStringLiteral("06、18、30、42"),
        QStringLiteral("07、19、31、43"),     QStringLiteral("08、20、32、44"), QStringLiteral("09、21、33、45"),
        QStringLiteral("10、22、34、46"),     QStringLiteral("11、23、35、47"), QStringLiteral("12、24、36、48"),
    };
    return g;
}

int ZodiacTables::springFestival(int year)
{
    const int i = year - kFirstFestivalYear;
    if (i < 0 || i >= static_cast<int>(kFestival.size()))
        return 0;
    return kFestival[i];
}

int ZodiacTables::zodiacYear(int year, int monthDay)
{
    if (year < 0 || year > 2096)
        return year;
    return springFestival(year) >= monthDay ? year - 1 : year;
}

int ZodiacTables::zodiacYearOfText(const QString& text, int currentYear)
{
    QString t = text;
    t.remove(u' ');
    int y = static_cast<int>(issue::leadingValue(t.left(4)));
    if (y == 0)
        y = currentYear;
    const int d = static_cast<int>(issue::leadingValue(t.mid(4, 4)));
    return zodiacYear(y, d);
}

int ZodiacTables::zodiacYearOfStored(std::int64_t sqqh)
{
    // The same reading as the draw encoder's: the first two of the digits are
    // the year, the next four the month and day, however long the sequence.
    int digitCount = 1;
    for (std::int64_t v = sqqh; v >= 10; v /= 10)
        ++digitCount;
    std::int64_t scale = 1;
    for (int i = 0; i < digitCount - 2; ++i)
        scale *= 10;
    const int year = 2000 + (digitCount >= 2 ? static_cast<int>(sqqh / scale) : 0);
    const int monthDay = digitCount >= 6 ? static_cast<int>(sqqh / (scale / 10000) % 10000) : 0;
    return zodiacYear(year, monthDay);
}

ZodiacTables::ZodiacTables()
{
    fillNumbersByOrder(1);
    updateSignCache();
}

void ZodiacTables::fillYearGroups(int zodiacYear)
{
    // The groups depend on the year alone, and only change when a year moves
    // them all (entries before 1972 + k keep their old text).
    if (zodiacYear == m_groupsYear)
        return;
    bool all = true;
    for (int k = 0; k < 12; ++k) {
        const int g = groupOfSign(zodiacYear, k);
        if (g >= 0)
            m_yearGroups[k] = numberGroups()[g];
        else
            all = false;
    }
    m_groupsYear = all ? zodiacYear : -1;
    updateSignCache();
}

void ZodiacTables::updateSignCache()
{
    for (int n = 0; n <= 20; ++n)
        m_signOf[n] = findSign(m_yearGroups, n);
}

void ZodiacTables::fillNumbersByOrder(int zodiacBase)
{
    for (int k = 0; k < 12; ++k)
        m_numbers[k] = zodiacBase + k;
}

void ZodiacTables::fillNumbersByAge(int zodiacYear, int zodiacBase)
{
    for (int k = 0; k < 12; ++k) {
        const int g = groupOfSign(zodiacYear, k);
        if (g >= 0)
            m_numbers[k] = g + zodiacBase;
    }
}

int ZodiacTables::signIndexOf(int n) const
{
    if (n >= 0 && n <= 20)
        return m_signOf[n];
    return findSign(m_yearGroups, n);
}

QString ZodiacTables::nameOfValue(int value, int zodiacBase)
{
    const int i = value - zodiacBase;
    if (i < 0 || i > 11)
        return {};
    return names()[i];
}

} // namespace corvinel
