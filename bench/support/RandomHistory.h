#pragma once

// The random histories of the benchmarks: draws of eight numbers taken
// uniformly without replacement from 01..20, stored through the draw encoder
// in one transaction, 84 draws a day from a given day on.
#include "core/ZodiacTables.h"
#include "store/DrawEncoder.h"
#include "store/HistoryStore.h"
#include "store/SqliteDb.h"

#include <QDate>

#include <algorithm>
#include <array>
#include <cstdint>
#include <numeric>

namespace corvinel::bench {

// One random draw in drawn order.
template<typename Rng> std::array<int, 8> randomDraw(Rng& rng)
{
    std::array<int, 20> all {};
    std::iota(all.begin(), all.end(), 1);
    std::shuffle(all.begin(), all.end(), rng);
    std::array<int, 8> nums {};
    std::copy_n(all.begin(), 8, nums.begin());
    return nums;
}

// Appends `draws` random draws to an open store; false when a write fails.
template<typename Rng> bool appendRandomHistory(HistoryStore& store, int draws, Rng& rng, QDate day)
{
    ZodiacTables tables;
    DrawEncoder enc(tables);
    const EncoderBases bases;
    enc.beginAppend(store.snapshot(), bases);
    Transaction t(store.db());
    RowWriter w(store.db());
    int seq = 1;
    for (int i = 0; i < draws; ++i) {
        const std::array<int, 8> nums = randomDraw(rng);
        const std::int64_t sqqh
            = (static_cast<std::int64_t>(day.year() % 100) * 10000 + day.month() * 100 + day.day()) * 1000 + seq;
        if (!w.insert(enc.encode(sqqh, nums, bases, false)))
            return false;
        if (++seq > 84) {
            seq = 1;
            day = day.addDays(1);
        }
    }
    return t.commit();
}

// The same into the database of `folder` (created when missing).
template<typename Rng> bool buildRandomHistory(const QString& folder, int draws, Rng& rng, QDate day)
{
    HistoryStore store;
    return store.open(folder) && appendRandomHistory(store, draws, rng, day);
}

} // namespace corvinel::bench
