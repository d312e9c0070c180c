// --skip-gaps against a brute-force filter of the plain search's matched draws:
// a matched draw stays when no hole of the history (the gap list) lies
// between its reference draw and it, in both lag modes.
#include "support/AnalysisTestSupport.h"
#include "analysis/SearchEngine.h"
#include "store/IssueGaps.h"

#include <QDate>

#include <algorithm>
#include <set>

using namespace corvinel;
using namespace corvinel::testing;

namespace {

// Guangdong issues over a few days with dropped draws and a pause day.
std::vector<std::int64_t> holedIssues(std::mt19937& rng)
{
    std::vector<std::int64_t> out;
    QDate d(2025, 9, 1);
    for (int day = 0; day < 4; ++day) {
        if (day == 2)
            d = d.addDays(2); // a day without draws: a pause, not a hole
        const std::int64_t ymd = (d.year() % 100) * 10000 + d.month() * 100 + d.day();
        for (int s = 1; s <= 84; ++s)
            if (rng() % 100 >= 8)
                out.push_back(ymd * 100 + s);
        d = d.addDays(1);
    }
    return out;
}

} // namespace

TEST(SkipGaps, KeepsExactlyThePlainMatchesWithoutAHoleBeforeThem)
{
    std::mt19937 rng(2104);
    TestHistory h;
    const std::vector<std::int64_t> issues = holedIssues(rng);
    h.encoder.beginAppend(h.store.snapshot(), h.bases);
    {
        Transaction t(h.store.db());
        RowWriter w(h.store.db());
        for (std::int64_t issue : issues)
            ASSERT_TRUE(w.insert(h.encoder.encode(issue, randomDraw(rng), h.bases, false)));
        ASSERT_TRUE(t.commit());
        h.store.markChanged();
    }
    const GapReport holes = gaps::find(issues, 544, 84);
    ASSERT_GT(holes.gaps.size(), 5U);
    std::set<std::int64_t> holeAfter;
    for (const IssueGap& g : holes.gaps)
        holeAfter.insert(g.after);

    SearchEngine engine(h.store);
    int compared = 0;
    for (const bool previous : { true, false }) {
        for (int round = 0; round < 12; ++round) {
            SearchOptions o;
            o.rangeFrom = "20000000000";
            o.rangeTo = "20999999999";
            o.lotteryCode = 544;
            o.previousIssue = previous;
            o.lookBack = 1 + round % 4;
            o.freePosition = round % 2 == 0;
            o.kind = round % 3;
            o.positions[1 + round % 8] = true;
            o.pattern[1 + round % 8] = 1 + static_cast<int>(rng() % (o.kind == 0 ? 20 : 5));
            const SearchResult plain = engine.followPattern(o);
            ASSERT_TRUE(plain.ok) << plain.message.toStdString();
            o.skipGaps = true;
            const SearchResult skipped = engine.followPattern(o);
            ASSERT_TRUE(skipped.ok);

            const int shift = previous ? 1 : o.lookBack;
            std::vector<std::int64_t> want;
            for (std::int64_t m : plain.matchedIssues) {
                const auto at = std::lower_bound(issues.begin(), issues.end(), m) - issues.begin();
                bool hole = false;
                for (auto k = at - shift; k < at; ++k)
                    hole = hole || (k >= 0 && holeAfter.count(issues[static_cast<std::size_t>(k)]) > 0);
                if (!hole)
                    want.push_back(m);
            }
            EXPECT_EQ(skipped.matchedIssues, want) << "previous " << previous << " round " << round;
            EXPECT_EQ(plain.pairsAcrossGaps, static_cast<int>(plain.matchedIssues.size() - want.size()));
            EXPECT_EQ(skipped.pairsAcrossGaps, plain.pairsAcrossGaps);
            EXPECT_EQ(skipped.matches.rowCount(), static_cast<int>(want.size()));
            compared += plain.pairsAcrossGaps;
        }
    }
    EXPECT_GT(compared, 0); // some matched draws did span a hole
}
