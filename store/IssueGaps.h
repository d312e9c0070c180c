#pragma once

#include <QString>

#include <cstdint>
#include <vector>

namespace corvinel {

class HistoryStore;

// The holes of a stored history. For a game with P draws a day, two stored
// draws r and f (f the next stored draw after r) are consecutive when f is
// r's day and r's sequence + 1, or r is the day's draw P and f the first draw
// of a later day: a whole day without draws is a pause of the lottery (the
// Spring Festival), not a hole. Between two stored draws that are not
// consecutive, the missing issues are the rest of r's day after r and the
// sequences of f's day before f (on one day: those strictly between).
struct IssueGap
{
    std::int64_t after = 0; // r, stored form
    std::int64_t before = 0; // f, stored form
    std::int64_t firstMissing = 0; // the first missing issue, stored form
    std::int64_t lastMissing = 0; // the last missing issue, stored form
    int missing = 0;
};

struct GapReport
{
    std::int64_t missing = 0;
    std::vector<IssueGap> gaps;
    // Calendar days strictly between the first and the last stored draw on
    // which nothing is stored.
    int daysWithoutDraws = 0;
};

namespace gaps {

// Whether stored draw `f` directly follows stored draw `r` under the rule above.
bool consecutive(std::int64_t r, std::int64_t f, int lotteryCode, int drawsPerDay);

// The holes of `issues` (stored forms in ascending order).
GapReport find(const std::vector<std::int64_t>& issues, int lotteryCode, int drawsPerDay);

// Every stored issue number in ascending order, read from the SQQH index
// (no row of the history is read). Empty when the store is not open.
std::vector<std::int64_t> storedIssues(HistoryStore& store);

// The holes of the whole stored history.
GapReport ofHistory(HistoryStore& store, int lotteryCode, int drawsPerDay);

// "2025090107" for one missing issue, "2025090107–2025090109" for a run.
QString missingText(const IssueGap& gap);

// "missing issues: N in M gaps (2025090107, 2025090207–2025090209, ...)",
// naming the first `shown` gaps; empty when nothing is missing.
QString summaryLine(const GapReport& report, int shown = 5);

// The same in the window's words: "缺N期，共M处（...）"; empty when nothing is missing.
QString summaryText(const GapReport& report, int shown = 5);

} // namespace gaps
} // namespace corvinel
