// Figures of the trend table over a generated history of 300,000 draws: the
// engine (one pass, N = 200) for the number kind and for the zodiac kind, in
// whole-draw and position scope, best of five; the baseline is the same table
// computed naively (each cell's omission by walking back from it), run in the
// same process, with the ratio. Then every shape kind (和值 ... 龙虎) over the
// last 100,000 and all 300,000 draws, the repeat kind beside its naive table.
// Then the load from the database: the issue
// numbers and the eight number columns against the full snapshot of every
// draw's own values, with the ratio. Target: engine at most 50 ms.
#include "analysis/DrawShape.h"
#include "analysis/Trend.h"
#include "store/DrawEncoder.h"
#include "store/DrawNumbers.h"
#include "store/HistoryStore.h"
#include "store/SqliteDb.h"
#include "core/ZodiacTables.h"

#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <vector>

using namespace corvinel;

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point t0)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
}

// 84 draws a day from 1 January 2013 (about ten years), 8 of 1..20 shuffled.
std::vector<DrawNumbers> makeHistory(int count)
{
    std::vector<DrawNumbers> out;
    out.reserve(static_cast<std::size_t>(count));
    std::mt19937 rng(20130101);
    std::array<int, 20> all {};
    for (int i = 0; i < 20; ++i)
        all[i] = i + 1;
    static constexpr std::array<int, 13> days = { 0, 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31 };
    int year = 2013, month = 1, day = 1, seq = 1;
    for (int i = 0; i < count; ++i) {
        std::shuffle(all.begin(), all.end(), rng);
        DrawNumbers d;
        d.sqqh = ((static_cast<std::int64_t>(year % 100) * 10000 + month * 100 + day) * 1000) + seq;
        for (int p = 0; p < 8; ++p)
            d.numbers[p] = static_cast<std::uint8_t>(all[p]);
        out.push_back(d);
        if (++seq > 84) {
            seq = 1;
            const bool leap = year % 4 == 0;
            if (++day > days[month] + (month == 2 && leap ? 1 : 0)) {
                day = 1;
                if (++month > 12) {
                    month = 1;
                    ++year;
                }
            }
        }
    }
    return out;
}

// Number kind, naive: every cell walks back to the value's last hit.
std::vector<int> naiveNumberCells(const std::vector<DrawNumbers>& h, int last, int position)
{
    const int total = static_cast<int>(h.size());
    const int rows = std::min(last, total);
    std::vector<int> cells;
    for (int i = total - rows; i < total; ++i) {
        for (int v = 1; v <= 20; ++v) {
            int j = i;
            for (; j >= 0; --j) {
                bool hit = false;
                for (int p = 0; p < 8; ++p)
                    if ((position == 0 || p == position - 1) && h[j].numbers[p] == v)
                        hit = true;
                if (hit)
                    break;
            }
            cells.push_back(i - j);
        }
    }
    return cells;
}

// Repeat kind, naive: each draw's count of numbers also in the draw before by
// comparing every pair, then every cell walks back to its last hit.
std::vector<int> naiveRepeatCells(const std::vector<DrawNumbers>& h, int last)
{
    const int total = static_cast<int>(h.size());
    const int rows = std::min(last, total);
    std::vector<int> repeats(h.size(), -1);
    for (int i = 1; i < total; ++i) {
        int same = 0;
        for (int a = 0; a < 8; ++a)
            for (int b = 0; b < 8; ++b)
                same += h[i].numbers[a] == h[i - 1].numbers[b];
        repeats[i] = same;
    }
    std::vector<int> cells;
    for (int i = total - rows; i < total; ++i) {
        for (int v = 0; v <= 8; ++v) {
            int j = i;
            while (j >= 0 && repeats[j] != v)
                --j;
            cells.push_back(i - j);
        }
    }
    return cells;
}

// Every shape kind over the last `last` of `history`, position 3 where the
// kind needs one, best of five; the repeat kind beside its naive table.
bool shapeFigures(const std::vector<DrawNumbers>& history, int last)
{
    bool within = true;
    std::printf("shape kinds: %zu draws, N = %d, best of 5\n", history.size(), last);
    for (int kind = kFirstShapeKind; kind < kTrendKindCount; ++kind) {
        TrendOptions o;
        o.last = last;
        o.kind = kind;
        o.position = trendScope(kind) == TrendScope::PositionOnly ? 3 : 0;
        double best = 1e18;
        TrendResult r;
        for (int run = 0; run < 5; ++run) {
            const auto t0 = Clock::now();
            r = computeTrend(history, o);
            best = std::min(best, msSince(t0));
        }
        if (!r.ok) {
            std::printf("  %s failed: %s\n", shapeKindInfo(kind).name, qPrintable(r.error));
            return false;
        }
        std::printf("  %-15s %-10s engine %7.2f ms", shapeKindInfo(kind).name,
                    o.position == 0 ? "whole draw" : "position 3", best);
        if (kind == shapeIndex(ShapeKind::Repeat)) {
            const auto t0 = Clock::now();
            const std::vector<int> naive = naiveRepeatCells(history, last);
            const double naiveMs = msSince(t0);
            std::printf("   naive walk-back %7.2f ms (naive/engine x%.2f)%s", naiveMs, naiveMs / best,
                        naive == r.table.cells ? "" : "   CELLS DIFFER");
            within = within && naive == r.table.cells;
        }
        std::printf("\n");
        within = within && best <= 50.0;
    }
    return within;
}

bool writeHistory(HistoryStore& store, const std::vector<DrawNumbers>& history)
{
    ZodiacTables tables;
    DrawEncoder enc(tables);
    const EncoderBases bases;
    enc.beginAppend(store.snapshot(), bases);
    Transaction t(store.db());
    RowWriter w(store.db());
    for (const DrawNumbers& d : history) {
        std::array<int, kPositions> nums {};
        std::copy(d.numbers.begin(), d.numbers.end(), nums.begin());
        if (!w.insert(enc.encode(d.sqqh, nums, bases, false)))
            return false;
    }
    return t.commit();
}

void loadFigures(const std::vector<DrawNumbers>& history, bool* ok)
{
    QTemporaryDir dir;
    HistoryStore store;
    if (!store.open(dir.path()) || !writeHistory(store, history)) {
        std::printf("  could not write the history: %s\n", qPrintable(store.lastError()));
        *ok = false;
        return;
    }
    double numbersMs = 1e18, snapshotMs = 1e18;
    std::vector<DrawNumbers> loaded;
    for (int run = 0; run < 3; ++run) {
        QString error;
        auto t0 = Clock::now();
        if (!loadDrawNumbers(store.db(), &loaded, &error)) {
            std::printf("  load failed: %s\n", qPrintable(error));
            *ok = false;
            return;
        }
        numbersMs = std::min(numbersMs, msSince(t0));
        t0 = Clock::now();
        const HistorySnapshot snap = store.snapshot();
        snapshotMs = std::min(snapshotMs, msSince(t0));
        if (snap.recordCount() != static_cast<int>(loaded.size()))
            *ok = false;
    }
    if (loaded.size() != history.size())
        *ok = false;
    std::printf("  load: SQQH + L1A..L8A %7.1f ms   full snapshot (baseline) %7.1f ms (x%.1f)%s\n", numbersMs,
                snapshotMs, snapshotMs / numbersMs, loaded.size() == history.size() ? "" : "   ROWS DIFFER");
}

} // namespace

int main()
{
    const int draws = 300000;
    const int last = 200;
    const std::vector<DrawNumbers> history = makeHistory(draws);
    std::printf("trend: %d draws, N = %d, best of 5\n", draws, last);
    bool within = true;
    for (int kind : { 0, 1 }) {
        for (int position : { 0, 3 }) {
            TrendOptions o;
            o.last = last;
            o.kind = kind;
            o.position = position;
            double best = 1e18;
            TrendResult r;
            for (int run = 0; run < 5; ++run) {
                const auto t0 = Clock::now();
                r = computeTrend(history, o);
                best = std::min(best, msSince(t0));
            }
            if (!r.ok) {
                std::printf("  failed: %s\n", qPrintable(r.error));
                return 1;
            }
            std::printf("  %-7s %-10s engine %7.2f ms", kind == 0 ? "number" : "zodiac",
                        position == 0 ? "whole draw" : "position 3", best);
            if (kind == 0) {
                const auto t0 = Clock::now();
                const std::vector<int> naive = naiveNumberCells(history, last, position);
                const double naiveMs = msSince(t0);
                std::printf("   naive walk-back %7.2f ms (naive/engine x%.2f)%s", naiveMs, naiveMs / best,
                            naive == r.table.cells ? "" : "   CELLS DIFFER");
                if (naive != r.table.cells)
                    within = false;
            }
            std::printf("\n");
            within = within && best <= 50.0;
        }
    }
    for (const int count : { 100000, draws }) {
        const std::vector<DrawNumbers> part(history.end() - count, history.end());
        within = shapeFigures(part, last) && within;
    }
    bool loadOk = true;
    loadFigures(history, &loadOk);
    std::printf("target: engine <= 50 ms: %s\n", within ? "met" : "NOT MET");
    within = within && loadOk;
    return within ? 0 : 1;
}
