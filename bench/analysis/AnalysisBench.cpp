// Figures of the two searches on generated histories of 1,000, 10,000 and
// 100,000 draws (or one size given): the in-memory engine from the click to
// filled grids, its database write-back, the statements carried out literally
// on SQLite as the baseline (with the ratio), and corvinel-cli info, search
// and combo end to end on a history fresh from its import. Every case checks
// that engine and baseline leave the same intTh/bolOk marks and tally.
// Each case also prints what the chance reference of its ranking adds to the
// search: the range tally inside the search's pass (the search timed with and
// without it) and the figures themselves (expected counts, tests, intervals).
// At the end each target is printed with its figure in this run and the
// figure the same measurement gave before the compact copy of the draws
// (recorded on this machine, Release build).
#include "store/DrawEncoder.h"
#include "store/HistoryStore.h"
#include "analysis/ChanceStatistics.h"
#include "analysis/LiteralSearch.h"
#include "analysis/SearchEngine.h"
#include "store/Schema.h"
#include "store/SqliteDb.h"
#include "core/ZodiacTables.h"
#include "bench/support/RandomHistory.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <algorithm>
#include <chrono>
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

std::vector<std::int64_t> column(SqliteDb& db, const char* sql)
{
    std::vector<std::int64_t> v;
    Statement st = db.prepare(sql);
    while (st.step() == SQLITE_ROW)
        v.push_back(st.columnInt64(0));
    return v;
}

struct Case
{
    std::string name;
    SearchOptions options;
    bool combination = false;
    // The literal statements take minutes on the largest history; there
    // they run for a representative subset of the cases only.
    bool baselineOnLargest = false;
};

SearchOptions baseOptions(const HistorySnapshot& snap, int kind)
{
    SearchOptions o;
    o.kind = kind;
    o.rangeFrom = "20000000000";
    o.rangeTo = "20999999999";
    o.resultKind = 0;
    o.resultPosition = 1;
    // Tab 1: the pattern of the latest draw, every position ticked.
    const SnapshotRow* last = snap.last();
    for (int p = 1; p <= kPositions; ++p) {
        o.pattern[p] = last ? last->value(p, kind) : 0;
        o.positions[p] = true;
    }
    return o;
}

const char* kKindNames[] = { "number", "zodiac", "head", "tail", "sum", "segment" };

int g_failures = 0;
double g_worstChanceMs = 0;
// The own value columns of every kind at positions 1..8, in SQQH order.
std::vector<std::int64_t> g_sqqh;
std::array<std::array<std::vector<std::int32_t>, kPositions>, kKindCount> g_ownColumns;

void loadOwnColumns(SqliteDb& db)
{
    g_sqqh = column(db, "SELECT SQQH FROM lishi ORDER BY SQQH");
    for (int kind = 0; kind < kKindCount; ++kind)
        for (int p = 1; p <= kPositions; ++p) {
            const std::string sql = "SELECT \"" + schema::valueColumn(p, kind) + "\" FROM lishi ORDER BY SQQH";
            const auto v = column(db, sql.c_str());
            g_ownColumns[kind][p - 1].assign(v.begin(), v.end());
        }
}

// Worst figures of this run, by target.
struct Worst
{
    double follow8 = 0; // follow search, eight positions, free or fixed
    double combo4 = 0; // combination search of size 4
    double anySearch = 0; // every search
    double firstLoad = 0; // first search, loading the history
    double cliInfo = 0;
    double cliSearch = 0;
    double cliCombo = 0;
    double updateFloor = 0; // plain one-column UPDATE of every record
};
Worst g_worst;

// The write every first search after an import must make: intTh of nearly
// every record changes. One plain UPDATE of that column of every record, on a
// copy of the same file with the program's settings, is the floor of any
// end-to-end search; the command-line figures are best read beside it.
double updateFloorMs(const QString& file)
{
    QTemporaryDir dir;
    const QString copy = dir.path() + "/floor.db";
    if (!QFile::copy(file, copy))
        return 0;
    sqlite3* db = nullptr;
    if (sqlite3_open(copy.toUtf8().constData(), &db) != SQLITE_OK) {
        sqlite3_close(db);
        return 0;
    }
    sqlite3_exec(db, "PRAGMA journal_mode=DELETE; PRAGMA synchronous=FULL", nullptr, nullptr, nullptr);
    sqlite3_exec(db, kCacheSizePragma, nullptr, nullptr, nullptr);
    const auto t0 = Clock::now();
    const bool ok = sqlite3_exec(db, "UPDATE lishi SET intTh = intTh + 1", nullptr, nullptr, nullptr) == SQLITE_OK;
    const double ms = msSince(t0);
    sqlite3_close(db);
    return ok ? ms : 0;
}

void runCase(const Case& c, HistoryStore& fastStore, SearchEngine& engine, const QString& baselineFile, int draws,
             bool withBaseline)
{
    // Best of three for the engine (the mirror is warm after the first run).
    double best = 1e18;
    SearchResult result;
    for (int i = 0; i < 3; ++i) {
        const auto t0 = Clock::now();
        SearchResult r = c.combination ? engine.combination(c.options) : engine.followPattern(c.options);
        const double ms = msSince(t0);
        if (ms < best) {
            best = ms;
        }
        result = std::move(r);
    }
    if (!result.ok) {
        std::printf("  %-40s FAILED: %s\n", c.name.c_str(), result.message.toUtf8().constData());
        ++g_failures;
        return;
    }
    {
        // What the chance reference adds: the range tally, the same loop as
        // the search's own pass over the range (the result kind's eight
        // columns read for every draw, the tally positions counted), and the
        // figures from the result. Both best of five: the search as a whole
        // varies by more than they cost.
        double rangeTally = 1e18;
        for (int i = 0; i < 5; ++i) {
            FollowTally t(c.options);
            const auto t0 = Clock::now();
            const auto& cols = g_ownColumns[c.options.resultKind];
            for (std::size_t r = 0; r < g_sqqh.size(); ++r) {
                std::array<int, 8> values {};
                for (int p = 0; p < kPositions; ++p)
                    values[p] = cols[p][r];
                t.addRangeDraw(values);
            }
            rangeTally = std::min(rangeTally, msSince(t0));
            if (t.rangeTally().draws != result.range.draws)
                ++g_failures;
        }
        double figures = 1e18;
        ChanceFigures f;
        for (int i = 0; i < 5; ++i) {
            const auto t0 = Clock::now();
            f = chanceFigures(result, c.options);
            figures = std::min(figures, msSince(t0));
        }
        std::printf("  %-40s chance: range tally %5.2f ms + figures %5.2f ms = %5.2f ms added (T %lld)%s\n", "",
                    rangeTally, figures, rangeTally + figures, static_cast<long long>(f.tallied),
                    rangeTally + figures > 5.0 ? "  OVER 5 ms" : "");
        g_worstChanceMs = std::max(g_worstChanceMs, rangeTally + figures);
    }
    QString err;
    const auto w0 = Clock::now();
    const bool written = engine.writeBack(result, &err);
    const double writeMs = msSince(w0);
    std::printf("  %-40s engine %8.1f ms  matched %6zu\n", c.name.c_str(), best, result.matchedIssues.size());
    g_worst.anySearch = std::max(g_worst.anySearch, best);
    if (!c.combination && c.options.tickedCount() == 8)
        g_worst.follow8 = std::max(g_worst.follow8, best);
    if (c.combination && c.options.combinationSize == 4)
        g_worst.combo4 = std::max(g_worst.combo4, best);
    std::printf("  %-40s write-back %8.1f ms (%lld rows changed)%s\n", "", writeMs,
                static_cast<long long>(engine.lastWrittenRows()), written ? "" : " FAILED");
    if (!written)
        ++g_failures;
    if (!withBaseline) {
        std::printf("  %-40s baseline not run for this case at this size\n", "");
        return;
    }
    HistoryStore base;
    base.open(QFileInfo(baselineFile).absolutePath());
    // Give the baseline a page cache that holds the whole table, so that it
    // is measured on its statements, not on spilling pages to disk.
    base.db().exec("PRAGMA cache_size = -1000000");
    LiteralSearch literal(base.db());
    const auto b0 = Clock::now();
    const SearchResult br = c.combination ? literal.combination(c.options) : literal.followPattern(c.options);
    const double baseMs = msSince(b0);
    const bool same = br.ok && br.matchedIssues == result.matchedIssues && br.rankingOrder == result.rankingOrder
        && br.ranking.allCells() == result.ranking.allCells()
        && column(base.db(), "SELECT intTh FROM lishi ORDER BY SQQH")
            == column(fastStore.db(), "SELECT intTh FROM lishi ORDER BY SQQH")
        && column(base.db(), "SELECT bolOk FROM lishi ORDER BY SQQH")
            == column(fastStore.db(), "SELECT bolOk FROM lishi ORDER BY SQQH");
    if (!same)
        ++g_failures;
    std::printf("  %-40s baseline %8.1f ms  ratio %7.1fx  marks and tally %s\n", "", baseMs, baseMs / best,
                same ? "identical" : "DIFFER");
    (void)draws;
}

// Before the compact copy (Release, this machine, the same cases): the worst
// engine time of each target and the command-line runs on a history fresh
// from its import.
struct Before
{
    int draws;
    Worst worst;
};
const Before kBefore[] = {
    { 100000, { 75.8, 120.8, 120.8, 380.9, 1018, 2853, 2994 } },
    { 300000, { 223.6, 265.1, 307.4, 914.3, 0, 10172, 15629 } },
};

void printTarget(const char* what, double limitMs, double nowMs, double beforeMs)
{
    if (nowMs <= 0)
        return;
    std::printf("  %-52s <= %6.0f ms  now %8.1f ms  before %8.1f ms  (%5.1fx)  %s\n", what, limitMs, nowMs, beforeMs,
                nowMs > 0 ? beforeMs / nowMs : 0.0, nowMs <= limitMs ? "ok" : "OVER");
}

void printTargets(int draws)
{
    Worst before {};
    for (const Before& b : kBefore)
        if (b.draws == draws)
            before = b.worst;
    std::printf("\n  targets at %d draws (worst case of this run; before: the same measurement before the change)\n",
                draws);
    if (draws == 100000) {
        printTarget("engine: follow search, 8 positions, free or fixed", 10, g_worst.follow8, before.follow8);
        printTarget("engine: combination search, size 4", 30, g_worst.combo4, before.combo4);
        printTarget("corvinel-cli info", 150, g_worst.cliInfo, before.cliInfo);
        printTarget("corvinel-cli search (first after the import included)", 700, g_worst.cliSearch, before.cliSearch);
        printTarget("corvinel-cli combo --size 4", 700, g_worst.cliCombo, before.cliCombo);
        if (g_worst.updateFloor > 0)
            std::printf("  %-52s           now %8.1f ms  (the write a first search cannot avoid)\n",
                        "floor: UPDATE lishi SET intTh = intTh + 1 (sqlite)", g_worst.updateFloor);
    } else {
        printTarget("engine: every search", 100, g_worst.anySearch, before.anySearch);
    }
    std::printf("  %-52s           now %8.1f ms  before %8.1f ms\n", "first search, loading the history",
                g_worst.firstLoad, before.firstLoad);
    g_worst = Worst {};
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    // bench_analysis [DRAWS [CASE-SUBSTRING]]
    std::vector<int> sizes = { 1000, 10000, 100000 };
    if (argc > 1)
        sizes = { std::atoi(argv[1]) };
    const std::string only = argc > 2 ? argv[2] : "";
    const bool baselines = !(argc > 3 && std::string(argv[3]) == "nobase");
    for (int draws : sizes) {
        QTemporaryDir fastDir, baseDir;
        // BENCH_KEEP=1 keeps the generated history for a look afterwards.
        if (qEnvironmentVariableIsSet("BENCH_KEEP")) {
            fastDir.setAutoRemove(false);
            std::printf("history kept in %s\n", qPrintable(fastDir.path()));
        }
        auto t0 = Clock::now();
        std::mt19937 rng(static_cast<unsigned>(draws));
        if (!bench::buildRandomHistory(fastDir.path(), draws, rng, QDate(2013, 1, 1))) {
            std::printf("cannot build the history\n");
            return 1;
        }
        std::printf("\n== %d draws (generated in %.0f ms)\n", draws, msSince(t0));
        const QString fastFile = fastDir.path() + "/" + HistoryStore::kFileName;
        const QString baseFile = baseDir.path() + "/" + HistoryStore::kFileName;
        QFile::copy(fastFile, baseFile);
        // The command-line runs start from the history as the import left it:
        // the first search rewrites intTh of nearly every record.
        QTemporaryDir cliDir;
        QFile::copy(fastFile, cliDir.path() + "/" + HistoryStore::kFileName);
        g_worst.updateFloor = updateFloorMs(fastFile);

        HistoryStore store;
        store.open(fastDir.path());
        SearchEngine engine(store);
        const HistorySnapshot snap = store.snapshot();
        loadOwnColumns(store.db());
        {
            const auto l0 = Clock::now();
            SearchOptions o = baseOptions(snap, 0);
            SearchResult r = engine.followPattern(o);
            g_worst.firstLoad = msSince(l0);
            std::printf("  first search, loading the history:       %8.1f ms\n", g_worst.firstLoad);
        }

        std::vector<Case> cases;
        for (int kind : { 0, 1, 3, 5 }) {
            for (bool free : { true, false }) {
                for (bool prev : { true, false }) {
                    Case c;
                    c.options = baseOptions(snap, kind);
                    c.options.freePosition = free;
                    c.options.previousIssue = prev;
                    c.options.lookBack = 3;
                    c.name = std::string("search ") + kKindNames[kind] + (free ? " free" : " fixed")
                        + (prev ? " prev" : " back 3") + " 8 pos";
                    c.baselineOnLargest
                        = (kind == 0 && free) || (kind == 1 && !free && prev) || (kind == 3 && !free && !prev);
                    cases.push_back(c);
                }
            }
        }
        // A pattern that matches often: two ticked head positions.
        {
            Case c;
            c.options = baseOptions(snap, 2);
            for (int p = 3; p <= 8; ++p)
                c.options.positions[p] = false;
            c.options.group = true;
            c.options.resultPosition = 8;
            c.name = "search head free prev 2 pos, group 8";
            c.baselineOnLargest = true;
            cases.push_back(c);
        }
        for (bool free : { true, false }) {
            for (int n = 1; n <= 6; ++n) {
                Case c;
                c.combination = true;
                c.options = baseOptions(snap, free ? 0 : 3);
                c.options.freePosition = free;
                c.options.combinationSize = n;
                c.name = std::string("combo ") + (free ? "number free" : "tail fixed") + " prev n=" + std::to_string(n);
                c.baselineOnLargest = n == 4;
                cases.push_back(c);
            }
        }
        {
            Case c;
            c.combination = true;
            c.options = baseOptions(snap, 1);
            c.options.previousIssue = false;
            c.options.combinationSize = 4;
            c.name = "combo zodiac free back 3 n=4";
            cases.push_back(c);
        }
        // The chance reference's heaviest case: every draw matched, a zodiac
        // result (a zodiac year per draw), group mode over eight positions.
        {
            Case c;
            c.options = baseOptions(snap, 0);
            for (int p = 1; p <= kPositions; ++p)
                c.options.positions[p] = false;
            c.options.resultKind = 1;
            c.options.group = true;
            c.options.resultPosition = 8;
            c.name = "search no position, zodiac group 8";
            cases.push_back(c);
        }
        g_worstChanceMs = 0;
        for (const Case& c : cases)
            if (c.name.find(only) != std::string::npos)
                runCase(c, store, engine, baseFile, draws, baselines && (draws < 100000 || c.baselineOnLargest));

        std::printf("  chance reference at %d draws: at most %.2f ms added to a search\n", draws, g_worstChanceMs);
#ifdef CORVINEL_CLI_PATH
        {
            QTemporaryDir home;
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert("XDG_CONFIG_HOME", home.path() + "/config");
            env.insert("XDG_DATA_HOME", home.path() + "/data");
            env.insert("HOME", home.path());
            env.insert("QT_QPA_PLATFORM", "offscreen");
            const QString data = cliDir.path();
            for (const QStringList& args :
                 { QStringList { "--data-dir", data, "info" },
                   QStringList { "--data-dir", data, "search", "--positions", "1,2,3,4,5,6,7,8", "--kind", "zodiac",
                                 "--format", "tsv" },
                   QStringList { "--data-dir", data, "search", "--positions", "1,2,3,4,5,6,7,8", "--fixed", "--back",
                                 "3", "--format", "json" },
                   QStringList { "--data-dir", data, "combo", "--size", "4", "--format", "json" } }) {
                QProcess p;
                p.setProcessEnvironment(env);
                const auto c0 = Clock::now();
                p.start(CORVINEL_CLI_PATH, args);
                p.waitForFinished(120000);
                const double ms = msSince(c0);
                std::printf("  corvinel-cli %-28s %8.1f ms (exit %d, %lld bytes)\n",
                            args.mid(2).join(' ').left(28).toUtf8().constData(), ms, p.exitCode(),
                            static_cast<long long>(p.readAllStandardOutput().size()));
                if (p.exitCode() != 0)
                    ++g_failures;
                double& worst = args[2] == "info" ? g_worst.cliInfo
                    : args[2] == "combo"          ? g_worst.cliCombo
                                                  : g_worst.cliSearch;
                worst = std::max(worst, ms);
            }
        }
#endif
        if (draws == 100000 || draws == 300000)
            printTargets(draws);
    }
    std::printf("\n%s\n", g_failures ? "SOME CASES FAILED" : "all cases: engine and baseline agree");
    return g_failures ? 1 : 0;
}
