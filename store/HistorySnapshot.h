#pragma once

#include "store/StoredDraws.h"

#include <QString>

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace corvinel {

// A complete, read-only copy of the stored draws in SQQH order (issue
// numbers and own values only), as they were when it was taken. It has no
// cursor: readers ask for rows by index or by issue number, so no reader
// leaves it where the next one does not expect it.
class HistorySnapshot : public StoredDraws
{
public:
    HistorySnapshot() = default;
    explicit HistorySnapshot(std::vector<SnapshotRow> rows)
        : m_rows(std::move(rows))
    {
    }

    // A read that stopped at an error (a damaged page, a busy file): the rows
    // are not the whole history, and no answer, export, backup or deletion may
    // come from them.
    static HistorySnapshot failedRead(QString error)
    {
        HistorySnapshot s;
        s.m_readError = std::move(error);
        return s;
    }
    bool readFailed() const { return !m_readError.isEmpty(); }
    const QString& readError() const { return m_readError; }

    int recordCount() const { return static_cast<int>(m_rows.size()); }
    bool isEmpty() const { return m_rows.empty(); }

    // Index of the stored draw `sqqh`, or nothing.
    std::optional<int> indexOf(std::int64_t sqqh) const;
    // Index of the first draw whose SQQH is at least `sqqh` (recordCount()
    // when there is none).
    int lowerBound(std::int64_t sqqh) const;

    // Row access only on a snapshot that outlives the call: a row of a
    // temporary (store.snapshot().last()) would dangle at the end of the line.
    const SnapshotRow& row(int i) const& { return m_rows[static_cast<std::size_t>(i)]; }
    const std::vector<SnapshotRow>& rows() const& { return m_rows; }
    const SnapshotRow* first() const& { return m_rows.empty() ? nullptr : &m_rows.front(); }
    const SnapshotRow* last() const& { return m_rows.empty() ? nullptr : &m_rows.back(); }
    const SnapshotRow& row(int) && = delete;
    const std::vector<SnapshotRow>& rows() && = delete;
    const SnapshotRow* first() && = delete;
    const SnapshotRow* last() && = delete;

    // Column of a row by name (SQQH, QQH, L<p><c>, any case). False when
    // there is no such column.
    static bool value(const SnapshotRow& row, std::string_view column, std::int64_t* out);

    std::int64_t drawCount() const override { return recordCount(); }
    std::optional<std::int64_t> firstIssue() const override;
    std::optional<std::int64_t> lastIssue() const override;
    std::int64_t countBetween(std::int64_t low, std::int64_t high) const override;
    std::optional<SnapshotRow> drawBack(std::int64_t sqqh, int back) const override;

private:
    std::vector<SnapshotRow> m_rows;
    QString m_readError;
};

} // namespace corvinel
