#pragma once

#include "core/Kinds.h"

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

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

// A read-only copy of lishi in SQQH order (issue numbers and own values only):
// the rows as they were when it was taken, with a current row moved by the
// readers. An empty snapshot is at BOF and EOF at once.
class HistorySnapshot
{
public:
    HistorySnapshot() = default;
    explicit HistorySnapshot(std::vector<SnapshotRow> rows)
        : m_rows(std::move(rows))
        , m_pos(m_rows.empty() ? -1 : 0)
    {
    }

    int recordCount() const { return static_cast<int>(m_rows.size()); }
    bool isEmpty() const { return m_rows.empty(); }
    bool bof() const { return m_rows.empty() || m_pos < 0; }
    bool eof() const { return m_rows.empty() || m_pos >= recordCount(); }
    bool hasCurrent() const { return !bof() && !eof(); }

    // Each move fails (returns false, position unchanged) where there is no
    // row to move to: in an empty snapshot, or from BOF backwards. Readers
    // rely on that to skip a step instead of reading past the rows.
    bool moveFirst();
    bool moveLast();
    bool movePrevious();
    // Moves back `count` rows one at a time, stopping at BOF.
    void moveBack(int count);

    // Row access only on a snapshot that outlives the call: a row of a
    // temporary (store.snapshot().last()) would dangle at the end of the line.
    const SnapshotRow& current() const& { return m_rows[m_pos]; }
    const SnapshotRow& row(int i) const& { return m_rows[i]; }
    const std::vector<SnapshotRow>& rows() const& { return m_rows; }
    const SnapshotRow* first() const& { return m_rows.empty() ? nullptr : &m_rows.front(); }
    const SnapshotRow* last() const& { return m_rows.empty() ? nullptr : &m_rows.back(); }
    const SnapshotRow& current() && = delete;
    const SnapshotRow& row(int) && = delete;
    const std::vector<SnapshotRow>& rows() && = delete;
    const SnapshotRow* first() && = delete;
    const SnapshotRow* last() && = delete;

    // Column of the current row by name (SQQH, QQH, L<p><c>, any case). False
    // when there is no current row or no such column.
    bool value(std::string_view column, std::int64_t* out) const;

private:
    std::vector<SnapshotRow> m_rows;
    int m_pos = -1;
};

} // namespace corvinel
