#include "store/HistorySnapshot.h"

#include <algorithm>
#include <cctype>
#include <limits>
#include <string>

namespace corvinel {

int HistorySnapshot::lowerBound(std::int64_t sqqh) const
{
    const auto it = std::lower_bound(m_rows.begin(), m_rows.end(), sqqh,
                                     [](const SnapshotRow& r, std::int64_t v) { return r.sqqh < v; });
    return static_cast<int>(it - m_rows.begin());
}

std::optional<int> HistorySnapshot::indexOf(std::int64_t sqqh) const
{
    const int i = lowerBound(sqqh);
    if (i < recordCount() && row(i).sqqh == sqqh)
        return i;
    return std::nullopt;
}

std::optional<std::int64_t> HistorySnapshot::firstIssue() const
{
    if (m_rows.empty())
        return std::nullopt;
    return m_rows.front().sqqh;
}

std::optional<std::int64_t> HistorySnapshot::lastIssue() const
{
    if (m_rows.empty())
        return std::nullopt;
    return m_rows.back().sqqh;
}

std::int64_t HistorySnapshot::countBetween(std::int64_t low, std::int64_t high) const
{
    if (low > high)
        return 0;
    // high + 1 cannot overflow for any issue number; guard the extreme anyway.
    const int end = high == std::numeric_limits<std::int64_t>::max() ? recordCount() : lowerBound(high + 1);
    return std::max(0, end - lowerBound(low));
}

std::optional<SnapshotRow> HistorySnapshot::drawBack(std::int64_t sqqh, int back) const
{
    const auto i = indexOf(sqqh);
    if (!i || back < 0 || *i < back)
        return std::nullopt;
    return row(*i - back);
}

bool HistorySnapshot::value(const SnapshotRow& r, std::string_view column, std::int64_t* out)
{
    std::string c(column);
    for (char& ch : c)
        ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    if (c == "SQQH") {
        *out = r.sqqh;
        return true;
    }
    if (c == "QQH") {
        *out = r.qqh;
        return true;
    }
    if (c.size() == 3 && c[0] == 'L' && c[1] >= '1' && c[1] <= '8') {
        for (int k = 0; k < kKindCount; ++k) {
            if (c[2] == kKindLetters[k][0]) {
                *out = r.value(c[1] - '0', k);
                return true;
            }
        }
    }
    return false;
}

} // namespace corvinel
