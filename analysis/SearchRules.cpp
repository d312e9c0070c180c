#include "analysis/SearchRules.h"

#include "core/IssueNumber.h"

namespace corvinel::rules {

std::optional<RangeBounds> parseRange(const SearchOptions& o, QString* message)
{
    const auto low = issue::lastNineAsNumber(o.rangeFrom);
    const auto high = issue::lastNineAsNumber(o.rangeTo);
    if (!low || !high) {
        const QString bad = !low ? o.rangeFrom : o.rangeTo;
        *message = QStringLiteral("检索起止期数“%1”不是有效的期号（后九位须为整数），请改正后再检索。").arg(bad);
        return std::nullopt;
    }
    return RangeBounds { *low, *high };
}

bool validate(const SearchOptions& o, QString* message)
{
    if (o.kind < 0 || o.kind >= kKindCount || o.resultKind < 0 || o.resultKind >= kKindCount) {
        *message = QStringLiteral("搜索类型或结果类型无效。");
        return false;
    }
    if (!o.previousIssue && (o.lookBack < 1 || o.lookBack > 9)) {
        *message = QStringLiteral("前期数须为1到9之间的整数。");
        return false;
    }
    return true;
}

std::string valueToken(int kind, int value)
{
    std::string s = std::to_string(value < 0 ? -value : value);
    if (twoDigitToken(kind) && s.size() < 2)
        s.insert(s.begin(), '0');
    if (value < 0)
        s.insert(s.begin(), '-');
    return s;
}

std::string occurrenceToken(int count, int kind, int value)
{
    return std::to_string(count) + 'X' + valueToken(kind, value);
}

std::string_view workingCopy(std::string_view list)
{
    // Four characters, not bytes: step back over UTF-8 continuation bytes.
    std::size_t end = list.size();
    for (int removed = 0; removed < 4; ++removed) {
        if (end == 0)
            return {};
        --end;
        while (end > 0 && (static_cast<unsigned char>(list[end]) & 0xC0) == 0x80)
            --end;
    }
    return list.substr(0, end);
}

std::vector<std::vector<int>> combinations(int n)
{
    std::vector<std::vector<int>> out;
    if (n < 1 || n > 6)
        return out;
    std::vector<int> c(static_cast<std::size_t>(n));
    // p1 from 1; each next one from the previous + 1 up to 8 - (n - 1 - i).
    auto rec = [&](auto&& self, int i, int from) -> void {
        if (i == n) {
            out.push_back(c);
            return;
        }
        for (int p = from; p <= kPositions - (n - 1 - i); ++p) {
            c[static_cast<std::size_t>(i)] = p;
            self(self, i + 1, p + 1);
        }
    };
    rec(rec, 0, 1);
    return out;
}

} // namespace corvinel::rules
