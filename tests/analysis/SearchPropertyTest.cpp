// The in-memory engine against the literal statements: random histories
// (including rows whose stored lag columns, lists and marks are stale or odd)
// and random sequences of searches must give the same grids and leave the
// same database behind.
#include "support/AnalysisTestSupport.h"
#include "analysis/LiteralSearch.h"
#include "analysis/SearchEngine.h"

#include <QDir>

using namespace corvinel;
using namespace corvinel::testing;

namespace {

int pick(std::mt19937& rng, int low, int high)
{
    return std::uniform_int_distribution<int>(low, high)(rng);
}

bool chance(std::mt19937& rng, int percent)
{
    return pick(rng, 1, 100) <= percent;
}

// Overwrites a few cells of the columns the searches refresh or mark, so that
// a search has to rewrite them exactly as the statements would.
void scramble(TestHistory& h, std::mt19937& rng)
{
    const auto& cols = schema::lishiColumns();
    const auto snap = h.store.snapshot();
    if (snap.isEmpty())
        return;
    Transaction t(h.store.db());
    const int edits = pick(rng, 0, 12);
    for (int i = 0; i < edits; ++i) {
        const std::string& c = cols[static_cast<std::size_t>(pick(rng, 2, static_cast<int>(cols.size()) - 1))];
        const bool own = c.size() == 3 && c[0] == 'L';
        if (own)
            continue; // the draws themselves stay as encoded
        const std::int64_t sqqh = snap.row(pick(rng, 0, snap.recordCount() - 1)).sqqh;
        Statement st = h.store.db().prepare("UPDATE lishi SET \"" + c + "\" = ?1 WHERE SQQH = ?2");
        if (c.rfind("txt", 0) == 0) {
            static const char* texts[] = { "", "1X0", "05 ", "1X05 2X05 ", "1X1 1X1 2X1 ", "x", "2X0 1X05 1X5 3X01 " };
            st.bindUtf8(1, texts[pick(rng, 0, 6)]);
        } else {
            st.bind(1, pick(rng, -1, 21));
        }
        st.bind(2, sqqh);
        ASSERT_TRUE(st.exec());
    }
    ASSERT_TRUE(t.commit());
    h.store.markChanged();
}

SearchOptions randomOptions(std::mt19937& rng, const HistorySnapshot& snap)
{
    SearchOptions o;
    o.kind = pick(rng, 0, 5);
    o.resultKind = pick(rng, 0, 5);
    o.freePosition = chance(rng, 50);
    o.previousIssue = chance(rng, 50);
    o.lookBack = pick(rng, 1, 9);
    o.group = chance(rng, 50);
    o.resultPosition = chance(rng, 90) ? pick(rng, 1, 8) : pick(rng, 0, 9);
    o.combinationSize = chance(rng, 90) ? pick(rng, 1, 6) : (chance(rng, 50) ? 0 : 7);
    o.zodiacBase = pick(rng, 0, 1);
    o.segmentBase = pick(rng, 0, 1);
    const int ticks = pick(rng, 0, 8);
    for (int p = 1; p <= 8; ++p) {
        o.positions[p] = pick(rng, 1, 8) <= ticks;
        const int how = pick(rng, 1, 10);
        if (how <= 7 && !snap.isEmpty()) {
            const auto& row = snap.row(pick(rng, 0, snap.recordCount() - 1));
            o.pattern[p] = row.value(chance(rng, 70) ? p : pick(rng, 1, 8), o.kind);
        } else if (how <= 9) {
            o.pattern[p] = pick(rng, -1, 21);
        } else {
            o.pattern[p] = 0;
        }
    }
    if (snap.isEmpty() || chance(rng, 15)) {
        o.rangeFrom = "20000000000";
        o.rangeTo = "20999999999";
    } else {
        std::int64_t a = snap.row(pick(rng, 0, snap.recordCount() - 1)).sqqh;
        std::int64_t b = snap.row(pick(rng, 0, snap.recordCount() - 1)).sqqh;
        if ((a > b) != chance(rng, 10)) // now and then the lower bound above the upper
            std::swap(a, b);
        o.rangeFrom = "20" + QString::number(a);
        o.rangeTo = "20" + QString::number(b);
    }
    if (chance(rng, 3))
        o.rangeTo = "abc";
    return o;
}

std::string describe(const SearchOptions& o, bool combination)
{
    std::string s = combination ? "combo" : "follow";
    s += " kind=" + std::to_string(o.kind) + (o.freePosition ? " free" : " fixed")
        + (o.previousIssue ? " prev" : " back=" + std::to_string(o.lookBack)) + " pattern=";
    for (int p = 1; p <= 8; ++p)
        s += (o.positions[p] ? "*" : "") + std::to_string(o.pattern[p]) + ",";
    s += " size=" + std::to_string(o.combinationSize) + " result=" + std::to_string(o.resultKind) + "@"
        + std::to_string(o.resultPosition) + (o.group ? "g" : "d") + " range=" + o.rangeFrom.toStdString() + ".."
        + o.rangeTo.toStdString();
    return s;
}

} // namespace

TEST(SearchProperty, EngineEqualsLiteralStatements)
{
    std::mt19937 rng(20161212);
    int searches = 0, withMatches = 0;
    for (int c = 0; c < 300; ++c) {
        TestHistory source;
        source.bases = { pick(rng, 0, 1), pick(rng, 0, 1) };
        const int batches = pick(rng, 1, 3);
        std::int64_t issue = 161212001;
        for (int b = 0; b < batches; ++b) {
            std::vector<Nums> draws;
            const int n = chance(rng, 10) ? pick(rng, 0, 3) : pick(rng, 4, 40);
            for (int i = 0; i < n; ++i)
                draws.push_back(randomDraw(rng));
            source.append(draws, issue, b == 0 && chance(rng, 30));
            issue += n;
        }
        scramble(source, rng);
        const QString file = source.store.databasePath();
        source.store.close();
        TestHistory fast(file), literal(file);
        SearchEngine engine(fast.store);
        LiteralSearch baseline(literal.store.db());
        const HistorySnapshot snap = fast.store.snapshot();
        const int runs = pick(rng, 1, 4);
        for (int r = 0; r < runs; ++r) {
            const SearchOptions o = randomOptions(rng, snap);
            const bool combination = chance(rng, 45);
            const std::string what
                = "case " + std::to_string(c) + " run " + std::to_string(r) + ": " + describe(o, combination);
            SearchResult a = combination ? engine.combination(o) : engine.followPattern(o);
            const SearchResult b = combination ? baseline.combination(o) : baseline.followPattern(o);
            ASSERT_EQ(a.ok, b.ok) << what << " " << a.message.toStdString() << " / " << b.message.toStdString();
            if (a.ok) {
                QString err;
                ASSERT_TRUE(engine.writeBack(a, &err)) << what << err.toStdString();
                ++searches;
                withMatches += a.matchedIssues.empty() ? 0 : 1;
            }
            ASSERT_EQ(a.matchedIssues, b.matchedIssues) << what;
            ASSERT_EQ(a.matches.header, b.matches.header) << what;
            ASSERT_EQ(a.matches.allCells(), b.matches.allCells()) << what;
            ASSERT_EQ(a.rankingOrder, b.rankingOrder) << what;
            ASSERT_EQ(a.ranking.allCells(), b.ranking.allCells()) << what;
            ASSERT_EQ(a.base, b.base) << what;
            ASSERT_EQ(a.tallyPositions, b.tallyPositions) << what;
            ASSERT_EQ(a.range.draws, b.range.draws) << what;
            ASSERT_EQ(a.range.tallied, b.range.tallied) << what;
            ASSERT_EQ(a.range.counts, b.range.counts) << what;
            const auto da = fast.dump(), db = literal.dump();
            ASSERT_EQ(da.size(), db.size()) << what;
            for (std::size_t i = 0; i < da.size(); ++i)
                ASSERT_EQ(da[i], db[i]) << what << " line " << i;
        }
    }
    // The random cases must reach the interesting part, not only empty results.
    EXPECT_GT(searches, 500);
    EXPECT_GT(withMatches, searches / 3);
}
