// The batch verification against single verification searches of the engine
// (and a few of the literal statements), step by step on small random
// histories; its unscored steps, K, refusals, the chance of a value and the
// summary figures; and that the database stays exactly as it was.
#include "support/AnalysisTestSupport.h"
#include "analysis/Backtest.h"
#include "analysis/Distributions.h"
#include "analysis/LiteralSearch.h"
#include "analysis/SearchEngine.h"
#include "analysis/SearchRules.h"
#include "core/IssueNumber.h"

#include <QCryptographicHash>

#include <cmath>
#include <map>

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

QByteArray fileHash(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

// Draws over three days around the Spring Festival of 2016 (8 February still
// belongs to the year of 羊, 9 February starts 猴), `perDay` draws a day.
void appendAroundSpringFestival(TestHistory& h, std::mt19937& rng, int perDay)
{
    for (std::int64_t day : { 160207, 160208, 160209 }) {
        std::vector<Nums> draws;
        for (int i = 0; i < perDay; ++i)
            draws.push_back(randomDraw(rng));
        h.append(draws, day * 1000 + 1);
    }
}

// Now and then a list text the encoder would not write, so that the tokens
// are found as the search finds them: anywhere in the text.
void scrambleLists(TestHistory& h, std::mt19937& rng)
{
    const auto snap = h.store.snapshot();
    // Some hold a second occurrence of a value without its first (kept by the
    // working copy, which drops the last four characters).
    static const char* texts[] = { "",
                                   "1X0",
                                   "05 ",
                                   "1X05 2X05 3X05 ",
                                   "1X1 1X1 2X1 ",
                                   "11X05 x21",
                                   "2X0 1X05 1X5 3X01 ",
                                   "0105 ",
                                   "2X05 1X07 1X03 1X01 1X02 ",
                                   "3X2 1X1 2X1 1X0 1X4 ",
                                   "2X10 2X05 1X01 1X02 1X03 ",
                                   "2X4 2X3 1X1 1X2 1X0 " };
    constexpr int kTexts = sizeof(texts) / sizeof(texts[0]);
    const int edits = pick(rng, 1, 12);
    for (int i = 0; i < edits; ++i) {
        const std::string column = schema::listColumn(pick(rng, 0, schema::kListCount - 1), false);
        h.setText(snap.row(pick(rng, 0, snap.recordCount() - 1)).sqqh, column, texts[pick(rng, 0, kTexts - 1)]);
    }
}

BacktestOptions randomOptions(std::mt19937& rng, const HistorySnapshot& snap)
{
    BacktestOptions b;
    SearchOptions& o = b.search;
    o.kind = pick(rng, 0, 5);
    o.resultKind = pick(rng, 0, 5);
    o.freePosition = chance(rng, 50);
    o.previousIssue = chance(rng, 50);
    o.lookBack = pick(rng, 1, 9);
    o.group = chance(rng, 50);
    o.resultPosition = pick(rng, 1, 8);
    o.combinationSize = chance(rng, 92) ? pick(rng, 1, 6) : 7;
    o.zodiacBase = pick(rng, 0, 1);
    o.segmentBase = pick(rng, 0, 1);
    const int ticks = pick(rng, 0, 4);
    for (int p = 1; p <= 8; ++p)
        o.positions[p] = pick(rng, 1, 8) <= ticks;
    b.combination = chance(rng, 45);
    b.top = chance(rng, 80) ? pick(rng, 1, 4) : pick(rng, 5, 25);
    const int n = snap.recordCount();
    // The start of every step's search range: as start-up sets it (first
    // draw + N), any stored draw, or below everything.
    const int how = pick(rng, 1, 3);
    if (how == 1)
        o.rangeFrom = issue::displayForm(snap.row(0).sqqh + rules::lagShift(o));
    else if (how == 2)
        o.rangeFrom = issue::displayForm(snap.row(pick(rng, 0, n - 1)).sqqh);
    else
        o.rangeFrom = "20000000000";
    const int a = chance(rng, 30) ? 0 : pick(rng, 0, n - 1);
    const int c = pick(rng, a, n - 1);
    b.from = issue::displayForm(snap.row(a).sqqh);
    b.to = issue::displayForm(snap.row(c).sqqh);
    return b;
}

std::string describe(const BacktestOptions& b)
{
    const SearchOptions& o = b.search;
    std::string s = b.combination ? "combo size=" + std::to_string(o.combinationSize) : "follow";
    s += " kind=" + std::to_string(o.kind) + (o.freePosition ? " free" : " fixed")
        + (o.previousIssue ? " prev" : " back=" + std::to_string(o.lookBack)) + " ticked=";
    for (int p = 1; p <= 8; ++p)
        s += o.positions[p] ? std::to_string(p) : "";
    s += " result=" + std::to_string(o.resultKind) + "@" + std::to_string(o.resultPosition) + (o.group ? "g" : "d")
        + " K=" + std::to_string(b.top) + " search from " + o.rangeFrom.toStdString() + " steps " + b.from.toStdString()
        + ".." + b.to.toStdString();
    return s;
}

// The verification tab's search for the draw at place i: the pattern of the
// draw `lag` places before it, the range up to the draw before it.
SearchOptions verificationSearch(const BacktestOptions& b, const HistorySnapshot& snap, int i)
{
    SearchOptions o = b.search;
    const int ref = i - rules::lagShift(o);
    for (int p = 1; p <= 8; ++p)
        o.pattern[p] = snap.row(ref).value(p, o.kind);
    o.rangeTo = issue::displayForm(snap.row(i - 1).sqqh);
    return o;
}

std::vector<TallyEntry> topOf(const std::vector<TallyEntry>& ranking, int k)
{
    std::vector<TallyEntry> out;
    for (const TallyEntry& e : ranking) {
        if (static_cast<int>(out.size()) == k || e.count == 0)
            break;
        out.push_back(e);
    }
    return out;
}

// q(v) of a draw's zodiac year found by coding: the zodiac value the
// encoder gives each number 1..20 on that date, counted.
std::map<int, int> zodiacCountsByEncoding(std::int64_t sqqh)
{
    ZodiacTables tables;
    DrawEncoder encoder(tables);
    const EncoderBases bases { 1, 1 };
    std::map<int, int> counts;
    for (int first = 1; first <= 20; first += 8) {
        Nums nums {};
        for (int k = 0; k < 8; ++k)
            nums[k] = (first - 1 + k) % 20 + 1;
        const DrawRow row = encoder.encode(sqqh, nums, bases, false);
        for (int k = 0; k < 8 && first + k <= 20; ++k)
            ++counts[row.own[1][k]];
    }
    return counts;
}

} // namespace

TEST(Backtest, StepsEqualSingleVerificationSearches)
{
    std::mt19937 rng(2025092850);
    int scored = 0, unscored = 0, combos = 0, follows = 0, irregular = 0;
    std::map<StepState, int> states;
    for (int c = 0; c < 60; ++c) {
        TestHistory h;
        h.bases = { pick(rng, 0, 1), pick(rng, 0, 1) };
        // Now and then a history of several words of records.
        appendAroundSpringFestival(h, rng, c % 6 == 5 ? pick(rng, 60, 84) : pick(rng, 3, 14));
        if (chance(rng, 40)) {
            scrambleLists(h, rng);
            ++irregular;
        }
        SearchEngine engine(h.store);
        Backtest batch(h.store);
        const HistorySnapshot snap = h.store.snapshot();
        for (int run = 0; run < 10; ++run) {
            const BacktestOptions b = randomOptions(rng, snap);
            const std::string what = "case " + std::to_string(c) + ": " + describe(b);
            const BacktestResult r = batch.run(b);
            const auto from = issue::lastNineAsNumber(b.from);
            const auto to = issue::lastNineAsNumber(b.to);
            std::vector<int> expectedSteps;
            for (int i = 1; i < snap.recordCount(); ++i)
                if (snap.row(i).sqqh >= *from && snap.row(i).sqqh <= *to)
                    expectedSteps.push_back(i);
            if (expectedSteps.empty()) {
                EXPECT_FALSE(r.ok) << what;
                continue;
            }
            ASSERT_TRUE(r.ok) << what << " " << r.message.toStdString();
            ASSERT_EQ(r.steps.size(), expectedSteps.size()) << what;
            (b.combination ? combos : follows)++;
            const int trials = b.search.group ? b.search.resultPosition : 1;
            ASSERT_EQ(r.trialsPerStep, trials);
            for (std::size_t s = 0; s < expectedSteps.size(); ++s) {
                const int i = expectedSteps[s];
                const BacktestStep& step = r.steps[s];
                const std::string at = what + " step " + std::to_string(snap.row(i).sqqh);
                ASSERT_EQ(step.sqqh, snap.row(i).sqqh) << at;
                ++states[step.state];
                std::vector<int> actual;
                const int first = b.search.group ? 1 : b.search.resultPosition;
                for (int p = first; p <= b.search.resultPosition; ++p)
                    actual.push_back(snap.row(i).value(p, b.search.resultKind));
                EXPECT_EQ(step.actual, actual) << at;
                if (i - rules::lagShift(b.search) < 0) {
                    // No reference draw: the tab would keep an older pattern.
                    EXPECT_FALSE(step.scored()) << at;
                    continue;
                }
                const SearchOptions o = verificationSearch(b, snap, i);
                const SearchResult single = b.combination ? engine.combination(o) : engine.followPattern(o);
                ASSERT_TRUE(single.ok) << at;
                ASSERT_EQ(step.matched, static_cast<int>(single.matchedIssues.size())) << at;
                if (single.matchedIssues.empty()) {
                    ++unscored;
                    EXPECT_FALSE(step.scored()) << at;
                    EXPECT_TRUE(step.top.empty()) << at;
                    bool anyInRange = false;
                    const auto low = issue::lastNineAsNumber(o.rangeFrom);
                    for (int r2 = 0; r2 < i; ++r2)
                        anyInRange = anyInRange || snap.row(r2).sqqh >= *low;
                    EXPECT_EQ(step.state, anyInRange ? StepState::NoMatch : StepState::EmptyRange) << at;
                    continue;
                }
                ++scored;
                ASSERT_TRUE(step.scored()) << at;
                const auto top = topOf(single.rankingOrder, b.top);
                ASSERT_EQ(step.top, top) << at;
                int hits = 0;
                for (int v : actual)
                    hits += std::any_of(top.begin(), top.end(), [v](const TallyEntry& e) { return e.value == v; });
                EXPECT_EQ(step.hits, hits) << at;
            }
        }
    }
    // The random cases reach every kind of step, in both searches.
    EXPECT_GT(scored, 1500);
    EXPECT_GT(unscored, 100);
    EXPECT_GT(states[StepState::EmptyRange], 10);
    EXPECT_GT(states[StepState::NoMatch], 10);
    EXPECT_GT(states[StepState::NoReference], 3);
    EXPECT_GT(combos, 50);
    EXPECT_GT(follows, 50);
    EXPECT_GT(irregular, 10);
}

TEST(Backtest, StepsEqualTheLiteralStatements)
{
    // The statements carried out on a copy of the database, for every step
    // of a short batch per search: independent of the engine's own shortcuts.
    std::mt19937 rng(97);
    TestHistory source;
    appendAroundSpringFestival(source, rng, 6);
    const QString file = source.store.databasePath();
    TestHistory copy(file);
    LiteralSearch literal(copy.store.db());
    Backtest batch(source.store);
    const HistorySnapshot snap = source.store.snapshot();
    int compared = 0;
    for (int run = 0; run < 12; ++run) {
        BacktestOptions b = randomOptions(rng, snap);
        b.search.kind = run % 6;
        b.search.freePosition = run % 2 == 0;
        b.combination = run % 4 < 2;
        b.search.previousIssue = run % 3 != 0;
        b.from = issue::displayForm(snap.row(snap.recordCount() - 5).sqqh);
        b.to = issue::displayForm(snap.row(snap.recordCount() - 1).sqqh);
        const BacktestResult r = batch.run(b);
        ASSERT_TRUE(r.ok) << describe(b);
        for (std::size_t s = 0; s < r.steps.size(); ++s) {
            const int i = snap.recordCount() - 5 + static_cast<int>(s);
            const SearchOptions o = verificationSearch(b, snap, i);
            const SearchResult single = b.combination ? literal.combination(o) : literal.followPattern(o);
            ASSERT_TRUE(single.ok);
            EXPECT_EQ(r.steps[s].matched, static_cast<int>(single.matchedIssues.size())) << describe(b);
            EXPECT_EQ(r.steps[s].top, topOf(single.rankingOrder, b.top)) << describe(b);
            ++compared;
        }
    }
    EXPECT_EQ(compared, 12 * 5);
}

TEST(Backtest, LeavesTheDatabaseAsItWas)
{
    std::mt19937 rng(5);
    TestHistory h;
    appendAroundSpringFestival(h, rng, 20);
    // A search has left its marks and Carcu: the batch must not touch them.
    SearchEngine engine(h.store);
    SearchOptions o;
    o.rangeFrom = "20000000000";
    o.rangeTo = "20999999999";
    o.positions[1] = true;
    SearchResult marked = engine.combination(o);
    QString error;
    ASSERT_TRUE(engine.writeBack(marked, &error)) << error.toStdString();
    const auto before = h.dump();
    const QByteArray hashBefore = fileHash(h.store.databasePath());
    const std::uint64_t version = h.store.dataVersion();

    Backtest batch(h.store);
    const HistorySnapshot snap = h.store.snapshot();
    for (int run = 0; run < 20; ++run) {
        const BacktestOptions b = randomOptions(rng, snap);
        (void)batch.run(b);
    }
    BacktestOptions cancelled = randomOptions(rng, snap);
    cancelled.from = "20000000000";
    cancelled.to = "20999999999";
    const BacktestResult c = batch.run(cancelled, [](int, int) { return false; });
    EXPECT_FALSE(c.ok);
    EXPECT_TRUE(c.cancelled);
    EXPECT_TRUE(c.steps.empty());

    EXPECT_EQ(h.dump(), before);
    EXPECT_EQ(fileHash(h.store.databasePath()), hashBefore);
    EXPECT_EQ(h.store.dataVersion(), version);
}

TEST(Backtest, UnscoredStepsAndK)
{
    TestHistory h;
    // Ten draws, all the same numbers except the last; the first draws have
    // nothing before them to search.
    std::vector<Nums> draws(10, Nums { 1, 2, 3, 4, 5, 6, 7, 8 });
    draws[9] = { 9, 10, 11, 12, 13, 14, 15, 16 };
    h.append(draws, 161212001);
    Backtest batch(h.store);
    BacktestOptions b;
    b.search.kind = 0;
    b.search.resultKind = 0;
    b.search.freePosition = false;
    b.search.positions[1] = true; // the first number 01 follows itself
    b.search.rangeFrom = "20161212002"; // as start-up sets it: the first draw + 1
    b.search.resultPosition = 3;
    b.search.group = true;
    b.top = 30; // more than the values that ever occur
    b.from = "20161212001";
    b.to = "20161212010";
    const BacktestResult r = batch.run(b);
    ASSERT_TRUE(r.ok) << r.message.toStdString();
    ASSERT_EQ(r.steps.size(), 9u); // the first draw has no draw before it
    // 002: the search range 002..001 holds no draw.
    EXPECT_EQ(r.steps[0].state, StepState::EmptyRange);
    EXPECT_TRUE(r.steps[0].top.empty());
    // 003..010: draws 002..(t-1) follow a 01 at position 1 and hold 1, 2, 3
    // at positions 1..3; only those three values occurred, so K = 30 gives 3.
    for (int s = 1; s < 9; ++s) {
        ASSERT_TRUE(r.steps[s].scored()) << s;
        EXPECT_EQ(r.steps[s].matched, s);
        const std::vector<TallyEntry> top = { { 1, s }, { 2, s }, { 3, s } };
        EXPECT_EQ(r.steps[s].top, top);
        EXPECT_DOUBLE_EQ(r.steps[s].chance, 3.0 / 20);
    }
    EXPECT_EQ(r.steps[7].hits, 3);
    EXPECT_EQ(r.steps[8].hits, 0); // 010 holds 9, 10, 11
    EXPECT_EQ(r.steps[8].actual, (std::vector<int> { 9, 10, 11 }));
    EXPECT_EQ(r.summary.steps, 9);
    EXPECT_EQ(r.summary.scoredSteps, 8);
    EXPECT_EQ(r.summary.trials, 24);
    EXPECT_EQ(r.summary.hits, 21);
    EXPECT_NEAR(r.summary.expectedHits, 24 * 0.15, 1e-12);

    // N back 3: the pattern of 008 is that of 005; 002 and 003 have no draw
    // three places before them, 004's reference is 001.
    b.search.previousIssue = false;
    b.search.lookBack = 3;
    b.search.rangeFrom = "20000000000";
    b.to = "20161212004";
    const BacktestResult back = batch.run(b);
    ASSERT_TRUE(back.ok);
    ASSERT_EQ(back.steps.size(), 3u);
    EXPECT_EQ(back.steps[0].state, StepState::NoReference);
    EXPECT_EQ(back.steps[1].state, StepState::NoReference);
    // 004 searches 001..003: 001 and 002 have no draw three back (lagged 0),
    // 003 neither; none follows a 01.
    EXPECT_EQ(back.steps[2].state, StepState::NoMatch);
    EXPECT_EQ(back.summary.scoredSteps, 0);
    EXPECT_FALSE(back.summary.hitRate.has_value());
    EXPECT_FALSE(back.summary.z.has_value());

    // A pattern that never occurred before: no matched draw.
    b.search.previousIssue = true;
    b.search.positions[1] = false;
    b.search.positions[2] = true;
    b.from = "20161212010";
    b.to = "20161212010";
    b.search.freePosition = true;
    b.search.kind = 3; // tail
    const BacktestResult tail = batch.run(b);
    ASSERT_TRUE(tail.ok);
    EXPECT_TRUE(tail.steps[0].scored()); // 1X2: every earlier draw has tail 2
    b.top = 1;
    b.search.positions.fill(true);
    b.combination = true;
    b.search.combinationSize = 7; // marks nothing
    const BacktestResult none = batch.run(b);
    ASSERT_TRUE(none.ok);
    EXPECT_EQ(none.steps[0].state, StepState::NoMatch);
}

TEST(Backtest, TokenListsTheEncoderWouldNotWrite)
{
    // Tail lists where a record holds 2X3 without 1X3: the combination of
    // the two positions with tail 3 finds it, though no single 3 would.
    TestHistory h;
    std::vector<Nums> draws(6, Nums { 7, 17, 1, 2, 4, 5, 6, 8 });
    draws[4] = { 3, 13, 1, 2, 4, 5, 6, 8 }; // the reference draw of 006: tails 3, 3, 1, 2, 4, 5, 6, 8
    h.append(draws, 161212001);
    const std::string tails = schema::listColumn(schema::occurrenceList(kindIndex(Kind::Tail)), false);
    for (std::int64_t sqqh = 161212001; sqqh <= 161212006; ++sqqh)
        h.setText(sqqh, tails, "1X7 2X7 1X9 1X0 1X9 1X0 1X9 1X0 ");
    h.setText(161212003, tails, "2X3 1X7 1X9 1X0 1X9 1X0 1X9 1X0 ");
    Backtest batch(h.store);
    BacktestOptions b;
    b.combination = true;
    b.search.combinationSize = 2;
    b.search.kind = kindIndex(Kind::Tail);
    b.search.rangeFrom = "20000000000";
    b.from = "20161212006";
    b.to = "20161212006";
    const BacktestResult r = batch.run(b);
    ASSERT_TRUE(r.ok);
    ASSERT_EQ(r.steps.size(), 1u);
    EXPECT_EQ(r.steps[0].matched, 1);
    SearchEngine engine(h.store);
    const SearchResult single = engine.combination(verificationSearch(b, h.store.snapshot(), 5));
    EXPECT_EQ(single.matchedIssues, (std::vector<std::int64_t> { 161212003 }));
}

TEST(Backtest, Refusals)
{
    TestHistory h;
    h.append({ Nums { 1, 2, 3, 4, 5, 6, 7, 8 }, Nums { 2, 3, 4, 5, 6, 7, 8, 9 } }, 161212001);
    Backtest batch(h.store);
    BacktestOptions b;
    b.search.rangeFrom = "20000000000";
    b.from = "20161212001";
    b.to = "20161212002";
    EXPECT_TRUE(batch.run(b).ok);
    for (int k : { 0, -1 }) {
        BacktestOptions bad = b;
        bad.top = k;
        const BacktestResult r = batch.run(bad);
        EXPECT_FALSE(r.ok);
        EXPECT_TRUE(r.message.contains(QString::number(k))) << r.message.toStdString();
    }
    BacktestOptions after = b;
    std::swap(after.from, after.to);
    EXPECT_FALSE(batch.run(after).ok);
    BacktestOptions onlyFirst = b; // the first draw has no draw before it
    onlyFirst.to = "20161212001";
    EXPECT_FALSE(batch.run(onlyFirst).ok);
    BacktestOptions nothing = b;
    nothing.from = "20170101001";
    nothing.to = "20170101084";
    const BacktestResult empty = batch.run(nothing);
    EXPECT_FALSE(empty.ok);
    EXPECT_FALSE(empty.message.isEmpty());
    BacktestOptions text = b;
    text.from = "2016121200x";
    EXPECT_FALSE(batch.run(text).ok);
    BacktestOptions position = b;
    position.search.resultPosition = 9;
    EXPECT_FALSE(batch.run(position).ok);
}

TEST(Backtest, ChanceOfScoredStepsAcrossTheSpringFestival)
{
    std::mt19937 rng(8);
    TestHistory h;
    appendAroundSpringFestival(h, rng, 12);
    Backtest batch(h.store);
    BacktestOptions b;
    b.search.kind = 1;
    b.search.resultKind = 1;
    b.search.positions[1] = true;
    b.search.rangeFrom = "20000000000";
    b.top = 4;
    b.from = "20160208001";
    b.to = "20160209012";
    const BacktestResult r = batch.run(b);
    ASSERT_TRUE(r.ok);
    int scored = 0;
    for (const BacktestStep& s : r.steps) {
        if (!s.scored())
            continue;
        ++scored;
        const auto counts = zodiacCountsByEncoding(s.sqqh);
        double expected = 0;
        for (const TallyEntry& e : s.top)
            expected += (counts.count(e.value) ? counts.at(e.value) : 0) / 20.0;
        EXPECT_NEAR(s.chance, expected, 1e-12) << s.sqqh;
    }
    EXPECT_GT(scored, 12);
}

TEST(Backtest, SummaryFigures)
{
    // Normal upper tail against a printed table (e.g. any statistics
    // textbook's z table): 0.5 at 0, 0.025 at 1.959964, 0.05 at 1.644854,
    // 0.01 at 2.326348, 0.15866 at 1.
    EXPECT_NEAR(Backtest::normalUpperTail(0), 0.5, 1e-12);
    EXPECT_NEAR(Backtest::normalUpperTail(1.959964), 0.025, 1e-7);
    EXPECT_NEAR(Backtest::normalUpperTail(1.644854), 0.05, 1e-7);
    EXPECT_NEAR(Backtest::normalUpperTail(2.326348), 0.01, 1e-7);
    EXPECT_NEAR(Backtest::normalUpperTail(1), 0.158655, 1e-6);
    EXPECT_NEAR(Backtest::normalUpperTail(-1), 0.841345, 1e-6);

    // Wilson bounds: closed forms at 0 and n hits, and in general the two
    // roots of (h/n - p)^2 = z^2 p (1 - p) / n.
    const double z = 1.959964;
    auto [l0, h0] = stats::wilsonInterval(0, 10);
    EXPECT_NEAR(l0, 0, 1e-12);
    EXPECT_NEAR(h0, z * z / (10 + z * z), 1e-12);
    auto [ln, hn] = stats::wilsonInterval(10, 10);
    EXPECT_NEAR(ln, 10 / (10 + z * z), 1e-12);
    EXPECT_NEAR(hn, 1, 1e-12);
    for (auto [hits, n] : { std::pair { 61, 200 }, std::pair { 1, 3 }, std::pair { 500, 1000 } }) {
        const auto [lo, hi] = stats::wilsonInterval(hits, n);
        const double ph = static_cast<double>(hits) / n;
        for (double p : { lo, hi })
            EXPECT_NEAR((ph - p) * (ph - p), z * z * p * (1 - p) / n, 1e-12) << hits << "/" << n;
        EXPECT_LT(lo, ph);
        EXPECT_GT(hi, ph);
    }

    // Steps by hand: two scored steps of P = 2 with chance 0.25 and 0.5, one
    // unscored. Trials 4, expected 2 × 0.25 + 2 × 0.5 = 1.5, variance
    // (2 × 0.1875 + 2 × 0.25) × 18 / 19 = 0.875 × 18 / 19 (two positions of
    // one draw are drawn without replacement).
    std::vector<BacktestStep> steps(3);
    steps[0].state = StepState::Scored;
    steps[0].chance = 0.25;
    steps[0].hits = 1;
    steps[1].state = StepState::NoMatch;
    steps[1].hits = 0;
    steps[2].state = StepState::Scored;
    steps[2].chance = 0.5;
    steps[2].hits = 2;
    const BacktestSummary s = Backtest::summarize(steps, 2);
    EXPECT_EQ(s.steps, 3);
    EXPECT_EQ(s.scoredSteps, 2);
    EXPECT_EQ(s.trials, 4);
    EXPECT_EQ(s.hits, 3);
    EXPECT_DOUBLE_EQ(*s.hitRate, 0.75);
    EXPECT_DOUBLE_EQ(s.expectedHits, 1.5);
    EXPECT_DOUBLE_EQ(*s.chanceRate, 0.375);
    EXPECT_DOUBLE_EQ(s.variance, 0.875 * 18 / 19);
    EXPECT_NEAR(*s.z, 1.5 / std::sqrt(0.875 * 18 / 19), 1e-12);
    // 1.5 expected hits: the exact P(hits >= 3), from the two steps' laws
    // (5 and 10 of 20 numbers, two drawn): P(h1 + h2 >= 3).
    const double a[3] = { 105.0 / 190, 75.0 / 190, 10.0 / 190 };
    const double b[3] = { 45.0 / 190, 100.0 / 190, 45.0 / 190 };
    double upper = 0;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            if (i + j >= 3)
                upper += a[i] * b[j];
    EXPECT_TRUE(s.pExact);
    EXPECT_NEAR(*s.pValue, upper, 1e-12);
    // Direct mode with many expected hits keeps the normal tail.
    std::vector<BacktestStep> many(400);
    for (BacktestStep& step : many) {
        step.state = StepState::Scored;
        step.chance = 0.15;
        step.hits = 0;
    }
    many[0].hits = 1;
    const BacktestSummary d = Backtest::summarize(many, 1);
    EXPECT_FALSE(d.pExact);
    EXPECT_NEAR(d.variance, 400 * 0.15 * 0.85, 1e-9);
    EXPECT_NEAR(*d.pValue, 0.5 * std::erfc(*d.z / std::sqrt(2.0)), 1e-15);
    const auto [lo, hi] = stats::wilsonInterval(3, 4);
    EXPECT_DOUBLE_EQ(*s.ciLow, lo);
    EXPECT_DOUBLE_EQ(*s.ciHigh, hi);

    // Chance 0 everywhere: no variance, no z.
    steps[0].chance = 0;
    steps[2].chance = 0;
    EXPECT_FALSE(Backtest::summarize(steps, 2).z.has_value());
    EXPECT_FALSE(Backtest::summarize({}, 2).hitRate.has_value());
}
