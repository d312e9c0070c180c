#include "analysis/ListLevels.h"

#include "analysis/SearchRules.h"
#include "core/Kinds.h"

namespace corvinel {

namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Parses one list in the encoder's form into occurrence levels and its last
// token; false when the text is in any other form.
bool parse(std::string_view s, bool numberList, bool twoDigits, std::array<std::uint32_t, 8>& levels,
           std::uint16_t& last)
{
    levels = {};
    last = 0xFFFF;
    std::array<int, 32> seen {};
    int tokens = 0;
    std::size_t i = 0;
    while (i < s.size()) {
        if (++tokens > 8)
            return false;
        int count = 1;
        if (!numberList) {
            // Running count, one digit, then "X".
            if (i + 2 > s.size() || !isDigit(s[i]) || s[i + 1] != 'X')
                return false;
            count = s[i] - '0';
            i += 2;
        }
        int value = 0;
        if (twoDigits) {
            if (i + 3 > s.size() || !isDigit(s[i]) || !isDigit(s[i + 1]) || s[i + 2] != ' ')
                return false;
            value = (s[i] - '0') * 10 + (s[i + 1] - '0');
            i += 3;
        } else {
            if (i + 2 > s.size() || !isDigit(s[i]) || s[i + 1] != ' ')
                return false;
            value = s[i] - '0';
            i += 2;
        }
        if (value > 31)
            return false;
        const int running = ++seen[static_cast<std::size_t>(value)];
        if (!numberList && count != running)
            return false;
        if (running <= 8)
            levels[static_cast<std::size_t>(running - 1)] |= 1u << value;
        last = static_cast<std::uint16_t>(running << 5 | value);
    }
    return true;
}

} // namespace

ListLevels::ListLevels(std::shared_ptr<const TextColumn> texts, int listIndex)
    : m_texts(std::move(texts))
{
    const TextColumn& column = *m_texts;
    const std::size_t n = column.size();
    m_levels.resize(n);
    m_last.resize(n);
    const bool numberList = listIndex == 0;
    const bool twoDigits = numberList || twoDigitToken(listIndex - 1);
    for (std::size_t r = 0; r < n; ++r)
        if (!parse(column[r], numberList, twoDigits, m_levels[r], m_last[r]))
            m_last[r] = kPlain;
}

void ListLevels::match(const std::vector<ListToken>& tokens, int shift, bool workingCopy,
                       std::vector<std::uint8_t>& masks) const
{
    const int n = static_cast<int>(masks.size());
    const int nTokens = static_cast<int>(tokens.size());
    // A token the encoder's form cannot hold (a count over 8 or a value
    // outside 0..31) is never found by the bit test; plain texts search for it.
    std::array<int, 8> level {};
    std::array<std::uint32_t, 8> bit {};
    std::array<std::uint16_t, 8> packed {};
    for (int i = 0; i < nTokens; ++i) {
        const ListToken& t = tokens[static_cast<std::size_t>(i)];
        const bool representable = t.count >= 1 && t.count <= 8 && t.value >= 0 && t.value <= 31;
        level[i] = representable ? t.count - 1 : 0;
        bit[i] = representable ? 1u << t.value : 0;
        packed[i] = representable ? static_cast<std::uint16_t>(t.count << 5 | t.value) : kNone;
    }
    for (int r = 0; r < n; ++r) {
        const int src = r - shift;
        if (src < 0) {
            masks[r] = 0;
            continue;
        }
        const std::uint16_t last = m_last[src];
        std::uint8_t m = 0;
        if (last == kPlain) {
            std::string_view s = (*m_texts)[src];
            if (workingCopy)
                s = rules::workingCopy(s);
            for (int i = 0; i < nTokens; ++i) {
                const std::string& t = tokens[static_cast<std::size_t>(i)].text;
                if (s.size() >= t.size() && s.find(t) != std::string_view::npos)
                    m |= static_cast<std::uint8_t>(1u << i);
            }
        } else {
            const auto& lv = m_levels[src];
            for (int i = 0; i < nTokens; ++i)
                if ((lv[level[i]] & bit[i]) && !(workingCopy && packed[i] == last))
                    m |= static_cast<std::uint8_t>(1u << i);
        }
        masks[r] = m;
    }
}

} // namespace corvinel
