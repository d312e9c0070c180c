#pragma once

#include "core/Kinds.h"

#include <array>
#include <cstdint>
#include <optional>

namespace corvinel {

// One draw as the readers of the history see it: its issue number, QQH and
// its own per-position values (L<p><c>).
struct SnapshotRow
{
    std::int64_t sqqh = 0;
    std::int64_t qqh = 0;
    // values[p - 1][kind]
    std::array<std::array<std::int16_t, kKindCount>, kPositions> values {};

    int value(int position, int kind) const { return values[position - 1][kind]; }
};

// Questions about which draws are stored, in SQQH order. Answered either by
// the database itself (index queries on SQQH) or by a complete copy of the
// history; never by a partial one, so that every answer is about the whole
// stored history.
class StoredDraws
{
public:
    StoredDraws() = default;
    StoredDraws(const StoredDraws&) = default;
    StoredDraws(StoredDraws&&) = default;
    StoredDraws& operator=(const StoredDraws&) = default;
    StoredDraws& operator=(StoredDraws&&) = default;
    virtual ~StoredDraws() = default;

    virtual std::int64_t drawCount() const = 0;
    virtual std::optional<std::int64_t> firstIssue() const = 0;
    virtual std::optional<std::int64_t> lastIssue() const = 0;
    // Stored draws whose SQQH lies in [low, high] (0 when low > high).
    virtual std::int64_t countBetween(std::int64_t low, std::int64_t high) const = 0;
    virtual bool contains(std::int64_t sqqh) const { return countBetween(sqqh, sqqh) > 0; }
    // The stored draw `back` stored draws before the stored draw `sqqh`
    // (back 0: that draw). Nothing when `sqqh` is not stored, `back` is
    // negative or fewer than `back` draws precede it.
    virtual std::optional<SnapshotRow> drawBack(std::int64_t sqqh, int back) const = 0;
};

} // namespace corvinel
