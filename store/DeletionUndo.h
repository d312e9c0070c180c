#pragma once

#include "store/HistoryMaintenance.h"

#include <QString>

namespace corvinel {

class HistorySnapshot;

// The undo of a deletion. Before a deletion changes the history, the whole
// history as it stands is written to the undo backup (the backup text format
// of lsbf.txt, atomically). Undoing reads that file back and appends the
// draws the deletion removed, through the same append as the manual entry,
// in one transaction. It refuses, changing nothing, unless the history now
// is exactly the start of the file (the same issues with the same numbers),
// so a backup from before another change can never mix two histories.
namespace deletion_undo {

inline constexpr const char* kUndoFileName = "lsbf-undo.txt";

QString undoPath(const QString& dataFolder);

// Writes every row of `snapshot` to the undo backup.
bool writeUndoBackup(const QString& path, const HistorySnapshot& snapshot, QString* error);

// Appends the draws of the undo backup that follow `current`. `written` is
// the number of draws restored; on refusal `error` says why.
MaintenanceOutcome restore(const QString& path, const HistorySnapshot& current, HistoryMaintenance& maintenance,
                           const EncoderBases& bases);

} // namespace deletion_undo

} // namespace corvinel
