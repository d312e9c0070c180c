#pragma once

#include "store/HistoryMaintenance.h"

#include <QString>

#include <cstdint>
#include <optional>

namespace corvinel {

class HistorySnapshot;
class HistoryStore;

// Dqzd, the rebuild from the backup text file: reads the whole backup first
// (a backup that cannot be read changes nothing), then deletes every row and
// encodes every draw of the file again, all in one transaction.
MaintenanceOutcome rebuildFromBackup(const QString& backupPath, std::int64_t runningIssue,
                                     HistoryMaintenance& maintenance, const EncoderBases& bases,
                                     const ProgressFn& progress = {});

// Number of leading rows of `snapshot` whose SQQH is not greater than `t`.
int rowsUpTo(const HistorySnapshot& snapshot, std::int64_t t);

// The backup of the rows to keep: all but the last `n` (mnuEszhzd), or those
// up to and including issue `t` (mnuDlzd). Written atomically.
bool writeBackupWithoutLast(const QString& backupPath, const HistorySnapshot& snapshot, int n, QString* error);
bool writeBackupUpTo(const QString& backupPath, const HistorySnapshot& snapshot, std::int64_t t, QString* error);

// The answer to "删除最后指定数量期历史": a whole number, nothing when the
// answer is empty or not a number.
std::optional<int> deleteCountAnswer(const QString& answer);
// The answer to "删除到选定期": the stored form of a display-form issue ("20",
// then digits, as long as the game's display form); nothing otherwise.
std::optional<std::int64_t> deleteAfterAnswer(const QString& answer, int lotteryCode);

// The whole commands without a window (the CLI and the tests): backup,
// rebuild, compaction. n <= 0 or t <= 0 does nothing and leaves the backup
// file as it was. A failing compaction after a committed rebuild is a warning.
MaintenanceOutcome deleteLastDraws(int n, HistoryStore& store, HistoryMaintenance& maintenance,
                                   std::int64_t runningIssue, const EncoderBases& bases,
                                   const ProgressFn& progress = {});
MaintenanceOutcome deleteDrawsAfter(std::int64_t t, HistoryStore& store, HistoryMaintenance& maintenance,
                                    std::int64_t runningIssue, const EncoderBases& bases,
                                    const ProgressFn& progress = {});
// Command3: deletes the last draw and compacts.
MaintenanceOutcome deleteLastDraw(HistoryStore& store, HistoryMaintenance& maintenance);

} // namespace corvinel
