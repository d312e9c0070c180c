#include "store/HistorySnapshot.h"

#include <cctype>
#include <string>

namespace corvinel {

bool HistorySnapshot::moveFirst()
{
    if (m_rows.empty())
        return false;
    m_pos = 0;
    return true;
}

bool HistorySnapshot::moveLast()
{
    if (m_rows.empty())
        return false;
    m_pos = recordCount() - 1;
    return true;
}

bool HistorySnapshot::movePrevious()
{
    if (bof())
        return false;
    --m_pos;
    return true;
}

void HistorySnapshot::moveBack(int count)
{
    for (int i = 0; i < count; ++i) {
        if (!movePrevious())
            break;
    }
}

bool HistorySnapshot::value(std::string_view column, std::int64_t* out) const
{
    if (!hasCurrent())
        return false;
    auto upper = [](std::string_view s) {
        std::string u(s);
        for (char& c : u)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        return u;
    };
    const std::string c = upper(column);
    const SnapshotRow& r = current();
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
