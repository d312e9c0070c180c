#pragma once

#include "store/HistorySnapshot.h"
#include "store/SqliteDb.h"

#include <QString>

#include <cstdint>
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
class HistoryStore
{
public:
    static constexpr const char* kFileName = "Tavrose.db";
    static constexpr const char* kCompactFileName = "TavroseTmp.db";

    HistoryStore() = default;

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
    // The first draw and the last `lastRows` draws only, in SQQH order: what
    // the start-up of a command that shows no rows reads (the next issue, the
    // reference draw, the default range), at the same cost at any size.
    HistorySnapshot edgeSnapshot(int lastRows);
    std::int64_t rowCount();
    // Count and last draw from the SQQH index: a few page reads at any size.
    HistorySummary summary();
    // Whether lishi holds the draw `sqqh` (an SQQH index lookup); nullopt
    // with the database's text in `error` when the query fails.
    std::optional<bool> containsIssue(std::int64_t sqqh, QString* error);

    // Repair and compaction: integrity check, VACUUM INTO the copy, atomic
    // replace of the main file, reopen. Any failing step keeps the existing
    // file open and returns false.
    bool compact();

    // Bumped after every committed change of lishi, so that caches of its
    // contents (the analysis tables) know when to reload.
    std::uint64_t dataVersion() const { return m_version; }
    void markChanged() { ++m_version; }

private:
    bool openFile(const QString& path);
    bool ensureDrawCopy();

    SqliteDb m_db;
    QString m_folder;
    QString m_error;
    std::uint64_t m_version = 1;
};

} // namespace corvinel
