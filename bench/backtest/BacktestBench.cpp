// Batch verification of the last 10,000 draws of a generated 100,000-draw
// history: the time from opening the database to the summary, for both
// searches and several option sets, against 10,000 single verification
// searches of the engine (a sample of them timed and scaled, as printed).
// The sampled steps are checked against the single searches.
#include "analysis/Backtest.h"
#include "analysis/SearchEngine.h"
#include "analysis/SearchRules.h"
#include "core/IssueNumber.h"
#include "core/ZodiacTables.h"
#include "store/DrawEncoder.h"
#include "store/HistoryStore.h"
#include "store/SqliteDb.h"
#include "bench/support/RandomHistory.h"

#include <QCoreApplication>
#include <QDate>
#include <QTemporaryDir>

#include <chrono>
#include <ctime>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

using namespace corvinel;

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point t0)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
}

// Processor time of this process: on a machine shared with other work the
// wall time of a run overstates what the run itself costs.
double cpuMs()
{
    return 1000.0 * static_cast<double>(std::clock()) / CLOCKS_PER_SEC;
}

struct Case
{
    std::string name;
    BacktestOptions options;
};

BacktestOptions base(int kind, bool free, bool previous, const std::vector<int>& positions)
{
    BacktestOptions b;
    b.search.kind = kind;
    b.search.freePosition = free;
    b.search.previousIssue = previous;
    b.search.lookBack = 3;
    b.search.rangeFrom = "20000000000";
    for (int p : positions)
        b.search.positions[p] = true;
    b.top = 3;
    return b;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    // bench_backtest [DRAWS [STEPS [SAMPLE [CASE-SUBSTRING]]]]
    const int draws = argc > 1 ? std::atoi(argv[1]) : 100000;
    const int steps = argc > 2 ? std::atoi(argv[2]) : 10000;
    const int sample = argc > 3 ? std::atoi(argv[3]) : 40;
    const std::string only = argc > 4 ? argv[4] : "";
    QTemporaryDir dir;
    auto g0 = Clock::now();
    std::mt19937 rng(static_cast<unsigned>(draws));
    if (!bench::buildRandomHistory(dir.path(), draws, rng, QDate(2013, 1, 1))) {
        std::printf("cannot build the history\n");
        return 1;
    }
    std::printf("%d draws generated in %.0f ms; %d steps (the last draws), K = 3\n\n", draws, msSince(g0), steps);

    std::vector<Case> cases;
    cases.push_back({ "search number free prev pos 1,2 direct 1", base(0, true, true, { 1, 2 }) });
    cases.push_back({ "search zodiac free back 3 pos 1-4 group 8", base(1, true, false, { 1, 2, 3, 4 }) });
    cases.push_back({ "search head free prev pos 1 group 8", base(2, true, true, { 1 }) });
    cases.push_back({ "search tail fixed prev pos 1-3 group 5", base(3, false, true, { 1, 2, 3 }) });
    cases.push_back({ "search number fixed back 3 pos 1 direct 1", base(0, false, false, { 1 }) });
    for (bool free : { true, false }) {
        for (int n : { 1, 2, 4 }) {
            Case c { std::string("combo ") + (free ? "number free" : "tail fixed") + " prev n=" + std::to_string(n),
                     base(free ? 0 : 3, free, true, {}) };
            c.options.combination = true;
            c.options.search.combinationSize = n;
            cases.push_back(c);
        }
    }
    for (Case& c : cases) {
        if (c.name.find("group 8") != std::string::npos) {
            c.options.search.group = true;
            c.options.search.resultPosition = 8;
        } else if (c.name.find("group 5") != std::string::npos) {
            c.options.search.group = true;
            c.options.search.resultPosition = 5;
        }
    }

    int failures = 0;
    double worst = 0;
    for (Case& c : cases) {
        if (c.name.find(only) == std::string::npos)
            continue;
        HistoryStore store;
        store.open(dir.path());
        const HistorySnapshot snap = store.snapshot();
        const int n = snap.recordCount();
        const int first = std::max(1, n - steps);
        c.options.from = issue::displayForm(snap.row(first).sqqh);
        c.options.to = issue::displayForm(snap.row(n - 1).sqqh);

        // End to end: a fresh batch reads the history from the database.
        const auto t0 = Clock::now();
        const double c0 = cpuMs();
        Backtest batch(store);
        const BacktestResult r = batch.run(c.options);
        const double ms = msSince(t0);
        const double cpu = cpuMs() - c0;
        worst = std::max(worst, ms);
        // Again on the history already in memory: the steps alone.
        const auto t1 = Clock::now();
        const BacktestResult again = batch.run(c.options);
        const double warmMs = msSince(t1);
        if (!r.ok || !again.ok) {
            std::printf("%-44s FAILED: %s\n", c.name.c_str(), qPrintable(r.message));
            ++failures;
            continue;
        }

        // Single verification searches of the engine for a sample of the
        // steps, evenly spread; the mirror is loaded before the clock runs.
        SearchEngine engine(store);
        const int count = static_cast<int>(r.steps.size());
        double singleMs = 0;
        int timed = 0, differ = 0;
        for (int s = 0; s <= sample; ++s) {
            const int k = static_cast<int>(static_cast<std::int64_t>(count - 1) * s / std::max(1, sample));
            const int i = first + k;
            SearchOptions o = c.options.search;
            const int ref = i - rules::lagShift(o);
            for (int p = 1; p <= kPositions; ++p)
                o.pattern[p] = snap.row(ref).value(p, o.kind);
            o.rangeTo = issue::displayForm(snap.row(i - 1).sqqh);
            const auto s0 = Clock::now();
            const SearchResult single = c.options.combination ? engine.combination(o) : engine.followPattern(o);
            const double one = msSince(s0);
            if (s > 0) { // the first search loads the mirror
                singleMs += one;
                ++timed;
            }
            std::vector<TallyEntry> top;
            for (const TallyEntry& e : single.rankingOrder)
                if (static_cast<int>(top.size()) < c.options.top && e.count > 0)
                    top.push_back(e);
            if (!single.ok || static_cast<int>(single.matchedIssues.size()) != r.steps[k].matched
                || top != r.steps[k].top)
                ++differ;
        }
        failures += differ > 0 ? 1 : 0;
        const double scaled = timed > 0 ? singleMs / timed * count : 0;
        const BacktestSummary& m = r.summary;
        std::printf("%-44s batch %7.1f ms (processor %7.1f ms; steps alone, history in memory, %7.1f ms)\n",
                    c.name.c_str(), ms, cpu, warmMs);
        std::printf("%-44s %d single verification searches of the engine ~%9.0f ms (%d timed, scaled), ratio "
                    "%.0fx\n",
                    "", count, scaled, timed, ms > 0 ? scaled / ms : 0.0);
        std::printf("%-44s scored %d, hit rate %.3f against chance %.3f, p %.2f; sampled steps %s\n", "", m.scoredSteps,
                    m.hitRate.value_or(0), m.chanceRate.value_or(0), m.pValue.value_or(1), differ ? "DIFFER" : "agree");
    }
    std::printf("\nslowest batch: %.1f ms for %d steps over %d draws (limit 2000 ms)\n", worst, steps, draws);
    std::printf("%s\n", failures ? "SOME CASES FAILED" : "all cases: sampled steps agree with single searches");
    return failures ? 1 : 0;
}
