#pragma once

#include "core/Kinds.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
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

// Questions about which draws are stored, in SQQH order. Answered either by
// the database itself (index queries on SQQH) or by a complete copy of the
// history; never by a partial one, so that every answer is about the whole
// stored history.
class StoredIssues
{
public:
    StoredIssues() = default;
    StoredIssues(const StoredIssues&) = default;
    StoredIssues(StoredIssues&&) = default;
    StoredIssues& operator=(const StoredIssues&) = default;
    StoredIssues& operator=(StoredIssues&&) = default;
    virtual ~StoredIssues() = default;

    virtual std::int64_t drawCount() const = 0;
    virtual std::optional<std::int64_t> firstIssue() const = 0;
    virtual std::optional<std::int64_t> lastIssue() const = 0;
    // Stored draws whose SQQH lies in [low, high] (0 when low > high).
    virtual std::int64_t countBetween(std::int64_t low, std::int64_t high) const = 0;
    virtual bool contains(std::int64_t sqqh) const { return countBetween(sqqh, sqqh) > 0; }
    // The SQQH of the stored draw `back` stored draws before the stored draw
    // `sqqh` (back 0: that draw). Nothing when `sqqh` is not stored, `back`
    // is negative or fewer than `back` draws precede it.
    virtual std::optional<std::int64_t> issueBack(std::int64_t sqqh, int back) const = 0;
};

// The stored issues with their draws' values.
class StoredDraws : public StoredIssues
{
public:
    // The stored draw `back` stored draws before the stored draw `sqqh`, as
    // issueBack() counts.
    virtual std::optional<SnapshotRow> drawBack(std::int64_t sqqh, int back) const = 0;

    std::optional<std::int64_t> issueBack(std::int64_t sqqh, int back) const override
    {
        const std::optional<SnapshotRow> row = drawBack(sqqh, back);
        return row ? std::optional<std::int64_t>(row->sqqh) : std::nullopt;
    }
};

// A complete, ascending list of stored SQQHs, asked as StoredIssues. The list
// must outlive this view.
class IssueList : public StoredIssues
{
public:
    explicit IssueList(const std::vector<std::int64_t>& sqqh)
        : m_sqqh(sqqh)
    {
    }

    std::int64_t drawCount() const override { return static_cast<std::int64_t>(m_sqqh.size()); }
    std::optional<std::int64_t> firstIssue() const override
    {
        return m_sqqh.empty() ? std::nullopt : std::optional<std::int64_t>(m_sqqh.front());
    }
    std::optional<std::int64_t> lastIssue() const override
    {
        return m_sqqh.empty() ? std::nullopt : std::optional<std::int64_t>(m_sqqh.back());
    }
    std::int64_t countBetween(std::int64_t low, std::int64_t high) const override
    {
        if (low > high)
            return 0;
        return std::upper_bound(m_sqqh.begin(), m_sqqh.end(), high) - std::lower_bound(m_sqqh.begin(), m_sqqh.end(), low);
    }
    // The index of a stored SQQH in the list, or -1.
    int indexOf(std::int64_t sqqh) const
    {
        const auto it = std::lower_bound(m_sqqh.begin(), m_sqqh.end(), sqqh);
        return it != m_sqqh.end() && *it == sqqh ? static_cast<int>(it - m_sqqh.begin()) : -1;
    }
    std::optional<std::int64_t> issueBack(std::int64_t sqqh, int back) const override
    {
        const int i = indexOf(sqqh);
        if (i < 0 || back < 0 || back > i)
            return std::nullopt;
        return m_sqqh[static_cast<std::size_t>(i - back)];
    }

private:
    const std::vector<std::int64_t>& m_sqqh;
};

} // namespace corvinel
