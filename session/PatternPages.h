#pragma once

#include <QString>

#include <array>
#include <optional>

namespace corvinel {

// One page of the search pattern: the value of each position (index 0 is
// position 1) and whether the position is ticked for the search. A value
// the page has none for shows as an empty box.
struct PatternPage
{
    std::array<std::optional<int>, 8> values {};
    std::array<bool, 8> ticked {};

    bool operator==(const PatternPage&) const = default;
};

// The three pattern pages and the pattern in use.
struct PatternPages
{
    // Pages by tab: the reference draw's (Text2(1..8)), the typed one
    // (Text22) and the verification draw's (Text2(11..18)).
    enum Tab
    {
        TabHistory = 0,
        TabManual = 1,
        TabVerify = 2
    };

    int selectedTab = TabHistory;
    // The pattern comes from the typed page (tabs 2 and 3 of the original
    // order keep it set; only the reference-draw page clears it).
    bool manualMode = false;
    // The pattern the next search uses, positions 1..8.
    std::array<int, 9> pattern {};
    std::array<PatternPage, 3> pages;
    // The issue the verification page verifies, as typed.
    QString verificationIssue = QStringLiteral("20161212001");

    const PatternPage& page(int tab) const { return pages.at(static_cast<std::size_t>(tab)); }
    PatternPage& page(int tab) { return pages.at(static_cast<std::size_t>(tab)); }
};

} // namespace corvinel
