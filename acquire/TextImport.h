#pragma once

#include "store/DrawLineReader.h"
#include "store/HistoryMaintenance.h"

#include <QString>

#include <cstdint>
#include <vector>

namespace corvinel {

class HistorySnapshot;

// What an import did. `ok` false: the history is exactly as it was.
struct ImportOutcome
{
    bool ok = false;
    bool cancelled = false;
    bool unreadable = false; // the file could not be opened or read
    bool noUsableLine = false; // the file was read but no line was a draw
    QString error;
    int imported = 0; // draws stored
    int lineCount = 0; // lines of the file
    std::vector<SkippedLine> skipped;
};

// The text import: reads and checks the whole file first, then replaces the
// history by its draws in one transaction. `runningIssue` is the QQH of the
// last stored draw (what lines without an issue field count on from);
// `before` is the history as it stands (its last row gives the first draw's
// previous lists). A file that cannot be read, or holds no usable line,
// changes nothing.
ImportOutcome importTextFile(const QString& path, std::int64_t runningIssue, const HistorySnapshot& before,
                             HistoryMaintenance& maintenance, const EncoderBases& bases,
                             const ProgressFn& progress = {});

// Whether the dialog's file name is one the import takes: its lower-cased
// name ends in "txt".
bool isImportableFileName(const QString& path);

} // namespace corvinel
