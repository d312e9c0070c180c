#pragma once

#include "store/HistorySnapshot.h"
#include "store/SqliteDb.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <optional>

namespace corvinel {

// What the history holds, without reading its rows: the number of draws and
// the last one.
struct HistorySummary
{
    std::int64_t count = 0;
    bool hasLast = false;
    std::int64_t lastSqqh = 0;
    std::int64_t lastQqh = 0;
};

// The history database "Tavrose.db" in the data folder: tables lishi and
// Carcu, opened at start-up and held for the run. Created with both tables when
// the file is missing.
class HistoryStore;

// StoredDraws answered by index queries on lishi's SQQH and the copy's rows.
class DatabaseDraws : public StoredDraws
{
public:
    explicit DatabaseDraws(HistoryStore& store)
        : m_store(store)
    {
    }

    std::int64_t drawCount() const override;
    std::optional<std::int64_t> firstIssue() const override;
    std::optional<std::int64_t> lastIssue() const override;
    std::int64_t countBetween(std::int64_t low, std::int64_t high) const override;
    std::optional<SnapshotRow> drawBack(std::int64_t sqqh, int back) const override;

private:
    std::optional<std::int64_t> edgeIssue(const char* sql) const;

    HistoryStore& m_store;
};

class HistoryStore
{
public:
    static constexpr const char* kFileName = "Tavrose.db";
    static constexpr const char* kCompactFileName = "TavroseTmp.db";

    HistoryStore() = default;
    HistoryStore(const HistoryStore&) = delete;
    HistoryStore& operator=(const HistoryStore&) = delete;

    // Opens (and when missing creates) the database in `dataFolder`.
    bool open(const QString& dataFolder);
    void close();
    bool isOpen() const { return m_db.isOpen(); }
    QString dataFolder() const { return m_folder; }
    QString databasePath() const;
    QString lastError() const { return m_error.isEmpty() ? m_db.lastError() : m_error; }

    SqliteDb& db() { return m_db; }

    // A fresh snapshot of lishi in SQQH order (empty when the database is not
    // open).
    HistorySnapshot snapshot();
    // The stored draws as the database answers for them: every question is
    // an index query on SQQH, so a command that shows no rows asks about the
    // whole history without reading it. Valid while the store lives.
    const StoredDraws& draws() const { return m_draws; }
    std::int64_t rowCount();
    // Count and last draw from the SQQH index: a few page reads at any size.
    HistorySummary summary();
    // Whether lishi holds the draw `sqqh` (an SQQH index lookup); nullopt
    // with the database's text in `error` when the query fails.
    std::optional<bool> containsIssue(std::int64_t sqqh, QString* error);

    // How much of each row the copy check reads.
    enum class CopyCheck
    {
        // The count and the first and last SQQH only (index lookups, about
        // 10 ms at 100,000 draws).
        Edges,
        // Also a checksum over every row's SQQH, QQH and all 48 own values
        // (about 0.3 s at 100,000 draws).
        Full
    };
    // Repair and compaction, in place: PRAGMA integrity_check (a damaged
    // file is refused), then `beforeVacuum` (e.g. the attribute repair; false
    // stops with its error), then VACUUM of the file itself. VACUUM holds the
    // file's exclusive lock from its first read to its commit and writes
    // through the rollback journal, so no other writer's commit can fall
    // between its read and its write, a kill leaves the old file whole, and
    // the file (its inode, owner and permissions) stays the same.
    // `copyCheck`: how the copy is compared with lishi before the VACUUM (in
    // full unless the caller has just written every copy row from lishi's).
    bool compact(const std::function<bool(QString*)>& beforeVacuum = {}, CopyCheck copyCheck = CopyCheck::Full);

    // A snapshot read from lishi itself, never from its copy: what the
    // deletions keep and what the backup files hold. readFailed() on any error.
    HistorySnapshot lishiSnapshot();
    // The last row of lishi (its own values from lishi); nullopt when lishi is
    // empty. False with `error` on a failed read.
    bool lastLishiRow(std::optional<SnapshotRow>* row, QString* error);

    // The check of the draw copy against lishi: row count, first and last
    // SQQH and a checksum over every row's SQQH, QQH and 48 own values, each
    // side read in one read transaction.
    struct CopyDigest
    {
        std::int64_t count = 0;
        std::int64_t first = 0;
        std::int64_t last = 0;
        std::uint64_t sum = 0;
        friend bool operator==(const CopyDigest&, const CopyDigest&) = default;
    };
    // Digests of lishi and of the copy; false with `error` when a read fails.
    bool drawCopyDigests(CopyDigest* lishi, CopyDigest* copy, QString* error, CopyCheck check = CopyCheck::Full);
    // Compares the copy with lishi and, when they disagree, rebuilds the copy
    // from lishi in one transaction (re-checked inside it); copyNotice() then
    // says what was found. A full comparison that agrees (or the rebuild)
    // stamps the file (schema::kCopyCheckedTable). False only when a read or
    // the rebuild failed.
    bool checkDrawCopy(CopyCheck check = CopyCheck::Full);
    // The check open() runs: in full up to `fullUpTo` draws, and above them
    // in full unless the file's change counter still matches the stamp of
    // the last full comparison (then by count and edges). openCheck() says
    // which ran.
    bool checkDrawCopyOnOpen(std::int64_t fullUpTo);
    CopyCheck openCheck() const { return m_openCheck; }
    static constexpr std::int64_t kFullCopyCheckAtOpen = 10000;
    QString copyNotice() const { return m_copyNotice; }
    // The identity of the open file (device and inode), to notice that it
    // was replaced by another file under the same name.
    QString openFileIdentity() const { return m_fileIdentity; }
    static QString fileIdentity(const QString& path);

    // Bumped after every committed change of lishi, so that caches of its
    // contents (the analysis tables) know when to reload.
    std::uint64_t dataVersion() const { return m_version; }
    void markChanged() { ++m_version; }

private:
    bool openFile(const QString& path);
    bool ensureDrawCopy();
    // Stamps the copy as checked at `counterChecked` if the file has not
    // changed since (no wait for the write lock).
    void stampCopyChecked(std::optional<std::uint32_t> counterChecked);

    SqliteDb m_db;
    QString m_folder;
    QString m_error;
    QString m_copyNotice;
    CopyCheck m_openCheck = CopyCheck::Full;
    std::optional<std::uint32_t> m_digestCounter; // the file's counter the last digests read
    QString m_fileIdentity;
    std::uint64_t m_version = 1;
    DatabaseDraws m_draws { *this };
};

} // namespace corvinel
