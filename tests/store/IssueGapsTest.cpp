// The hole rule against a brute-force enumeration of every issue number.
#include "store/IssueGaps.h"
#include "core/IssueNumber.h"

#include <QDate>

#include <gtest/gtest.h>

#include <random>
#include <set>

using namespace corvinel;

namespace {

std::int64_t stored(const QDate& d, int seq, int code)
{
    const std::int64_t m = issue::sequenceDigits(code) == 3 ? 1000 : 100;
    return ((d.year() % 100) * 10000 + d.month() * 100 + d.day()) * m + seq;
}

// Every issue of every day from the first stored draw's day to the last's;
// the missing ones are those strictly between the first and last stored draw,
// on a day that holds a stored draw, and not stored. A gap is a run of them.
GapReport bruteForce(const std::vector<std::int64_t>& issues, const std::vector<QDate>& days, int code, int perDay)
{
    GapReport r;
    const std::set<std::int64_t> have(issues.begin(), issues.end());
    std::set<QDate> stored_days;
    const std::int64_t m = issue::sequenceDigits(code) == 3 ? 1000 : 100;
    for (std::size_t i = 0; i < issues.size(); ++i)
        stored_days.insert(days[i]);
    std::int64_t prevStored = 0;
    IssueGap open;
    for (QDate d = days.front(); d <= days.back(); d = d.addDays(1)) {
        if (!stored_days.count(d)) {
            r.daysWithoutDraws += (d != days.front() && d != days.back()) ? 1 : 0;
            continue;
        }
        for (int s = 1; s <= perDay; ++s) {
            const std::int64_t x = stored(d, s, code);
            if (x < issues.front() || x > issues.back())
                continue;
            if (have.count(x)) {
                if (open.missing > 0) {
                    open.after = prevStored;
                    open.before = x;
                    r.gaps.push_back(open);
                    r.missing += open.missing;
                }
                open = IssueGap();
                prevStored = x;
            } else {
                if (open.missing == 0)
                    open.firstMissing = x;
                open.lastMissing = x;
                ++open.missing;
            }
        }
    }
    (void)m;
    return r;
}

} // namespace

TEST(IssueGaps, RuleMatchesEnumerationOfEveryIssue)
{
    std::mt19937 rng(21);
    for (const int code : { issue::kGuangdong, issue::kHunan, issue::kCode566 }) {
        const int perDay = issue::drawsPerDay(code);
        for (int round = 0; round < 60; ++round) {
            std::vector<std::int64_t> issues;
            std::vector<QDate> days;
            QDate d(2025, 12, 28); // runs across a year's end
            const int dayCount = 1 + static_cast<int>(rng() % 6);
            const int dropPercent = static_cast<int>(rng() % 4) * 10; // 0, 10, 20, 30
            for (int k = 0; k < dayCount; ++k) {
                const int pause = rng() % 4 == 0 ? 1 + static_cast<int>(rng() % 3) : 0; // whole days without draws
                d = d.addDays(1 + pause);
                for (int s = 1; s <= perDay; ++s) {
                    if (static_cast<int>(rng() % 100) < dropPercent)
                        continue;
                    issues.push_back(stored(d, s, code));
                    days.push_back(d);
                }
            }
            if (issues.empty())
                continue;
            const GapReport got = gaps::find(issues, code, perDay);
            const GapReport want = bruteForce(issues, days, code, perDay);
            ASSERT_EQ(got.missing, want.missing) << code << " round " << round;
            ASSERT_EQ(got.daysWithoutDraws, want.daysWithoutDraws) << code << " round " << round;
            ASSERT_EQ(got.gaps.size(), want.gaps.size()) << code << " round " << round;
            for (std::size_t i = 0; i < got.gaps.size(); ++i) {
                EXPECT_EQ(got.gaps[i].after, want.gaps[i].after);
                EXPECT_EQ(got.gaps[i].before, want.gaps[i].before);
                EXPECT_EQ(got.gaps[i].missing, want.gaps[i].missing);
                EXPECT_EQ(got.gaps[i].firstMissing, want.gaps[i].firstMissing);
                EXPECT_EQ(got.gaps[i].lastMissing, want.gaps[i].lastMissing);
            }
        }
    }
}

TEST(IssueGaps, NamedCases)
{
    const int p = 84;
    // Same day, across days, across a pause, sequence P to 1.
    EXPECT_TRUE(gaps::consecutive(25090101, 25090102, issue::kGuangdong, p));
    EXPECT_FALSE(gaps::consecutive(25090101, 25090103, issue::kGuangdong, p));
    EXPECT_TRUE(gaps::consecutive(25090184, 25090201, issue::kGuangdong, p));
    EXPECT_TRUE(gaps::consecutive(250901084, 250905001, issue::kHunan, p)); // a pause of three days
    EXPECT_FALSE(gaps::consecutive(250901083, 250902001, issue::kHunan, p));
    const GapReport r = gaps::find({ 25090182, 25090202 }, issue::kGuangdong, p);
    ASSERT_EQ(r.gaps.size(), 1U);
    EXPECT_EQ(r.missing, 3); // 83, 84 and the next day's 01
    EXPECT_EQ(gaps::summaryLine(r), QStringLiteral("missing issues: 3 in 1 gaps (2025090183–2025090201)"));
}
