#pragma once

#include <array>
#include <string_view>

namespace corvinel {

// The six attribute kinds a drawn number is classified by. The index is the
// value stored in the settings (intLei, intXianshiLei) and used everywhere.
enum class Kind : int
{
    Number = 0,
    Zodiac = 1,
    Head = 2,
    Tail = 3,
    Sum = 4,
    Segment = 5
};

inline constexpr int kKindCount = 6;
inline constexpr int kPositions = 8;

// Column letter of each kind: L<p><letter>, e.g. L3B is the zodiac at position 3.
inline constexpr std::array<std::string_view, kKindCount> kKindLetters = { "A", "B", "E", "F", "G", "H" };
// Suffix of each kind's occurrence list column (txtHisLst<suffix>).
inline constexpr std::array<std::string_view, kKindCount> kListSuffixes = { "Hm", "Sx", "Tou", "Wei", "He", "Ds" };
// Captions of the kind option buttons.
inline constexpr std::array<const char*, kKindCount> kKindCaptions = { "号码", "生肖", "头数", "尾数", "合数", "段数" };

inline constexpr int kindIndex(Kind k)
{
    return static_cast<int>(k);
}
inline constexpr std::string_view kindLetter(int kind)
{
    return kKindLetters[kind];
}

// Whether a token value of this kind is written with two digits (05) or plain (5).
inline constexpr bool twoDigitToken(int kind)
{
    return kind == 0 || kind == 1 || kind == 4;
}

// Counter range of each kind while a draw's occurrence lists are built (and in
// the free-position searches): number 1..20, zodiac base..base+11, head 0..2,
// tail 0..9, digit sum 1..10, segment base..base+4.
struct ValueRange
{
    int low;
    int high;
    constexpr bool contains(int v) const { return v >= low && v <= high; }
};

inline constexpr ValueRange counterRange(int kind, int zodiacBase, int segmentBase)
{
    switch (kind) {
    case 0:
        return { 1, 20 };
    case 1:
        return { zodiacBase, zodiacBase + 11 };
    case 2:
        return { 0, 2 };
    case 3:
        return { 0, 9 };
    case 4:
        return { 1, 10 };
    default:
        return { segmentBase, segmentBase + 4 };
    }
}

} // namespace corvinel
