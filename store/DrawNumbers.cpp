#include "store/DrawNumbers.h"

#include "store/Schema.h"
#include "store/SqliteDb.h"

#include <string>

namespace corvinel {

namespace {

int digitCount(std::int64_t v)
{
    int n = 1;
    for (; v >= 10; v /= 10)
        ++n;
    return n;
}

std::int64_t powerOfTen(int e)
{
    std::int64_t s = 1;
    for (int i = 0; i < e; ++i)
        s *= 10;
    return s;
}

} // namespace

bool loadDrawNumbers(SqliteDb& db, std::vector<DrawNumbers>* out, QString* error)
{
    out->clear();
    if (!db.isOpen()) {
        *error = QStringLiteral("the history database is not open");
        return false;
    }
    std::string sql = "SELECT SQQH";
    for (int p = 1; p <= kPositions; ++p)
        sql += ", " + schema::valueColumn(p, kindIndex(Kind::Number));
    sql += " FROM lishi ORDER BY SQQH";
    Statement st = db.prepare(sql);
    if (!st.isValid()) {
        *error = db.lastError();
        return false;
    }
    int rc = 0;
    while ((rc = st.step()) == Statement::kRow) {
        DrawNumbers d;
        d.sqqh = st.columnInt64(0);
        for (int p = 0; p < kPositions; ++p) {
            // A stored number outside 1..20 cannot come from a valid draw;
            // it is kept as 0, which no analysis counts as a value.
            const int n = st.columnInt(p + 1);
            d.numbers[p] = static_cast<std::uint8_t>(n >= 1 && n <= 20 ? n : 0);
        }
        out->push_back(d);
    }
    if (rc != Statement::kDone) {
        *error = db.lastError();
        return false;
    }
    return true;
}

int issueYear(std::int64_t sqqh)
{
    const int digits = digitCount(sqqh);
    return 2000 + (digits >= 2 ? static_cast<int>(sqqh / powerOfTen(digits - 2)) : 0);
}

int issueMonthDay(std::int64_t sqqh)
{
    const int digits = digitCount(sqqh);
    return digits >= 6 ? static_cast<int>(sqqh / powerOfTen(digits - 6) % 10000) : 0;
}

} // namespace corvinel
