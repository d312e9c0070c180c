#pragma once

#include "store/DrawEncoder.h"
#include "store/StoredDraws.h"
#include "core/Kinds.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace corvinel {

class HistorySnapshot;
class HistoryStore;
class ZodiacTables;

// Progress of long work: rows done so far and the total. Returning false asks
// the work to stop; it then rolls back and changes nothing.
using ProgressFn = std::function<bool(std::int64_t done, std::int64_t total)>;

// A draw to be encoded: the stored issue number and the numbers in draw order.
struct PlainDraw
{
    std::int64_t sqqh = 0;
    std::array<int, kPositions> numbers {};

    friend bool operator==(const PlainDraw&, const PlainDraw&) = default;
};

// What a maintenance step did. `ok` false means the history is exactly as it
// was before the step; `error` says why.
struct MaintenanceOutcome
{
    bool ok = false;
    bool cancelled = false;
    int written = 0; // rows written by the step
    int deleted = 0; // rows removed by the step
    QString error;
    QString warning; // e.g. a compaction that failed after a committed change
    bool backupFailed = false; // the backup file of a deletion could not be written
};

// The writes of history maintenance. Every method is one transaction: it
// leaves either the old history or the new one. The encoder's run-long state
// (value arrays, lists, current zodiac year) is put back when a write fails,
// so a failed operation leaves no trace in the next appended row either.
class HistoryMaintenance
{
public:
    static constexpr const char* kBackupFileName = "lsbf.txt";

    HistoryMaintenance(HistoryStore& store, DrawEncoder& encoder, ZodiacTables& tables);

    // Replaces every row by `draws`, encoded as an append operation whose
    // previous lists come from the last row of `before` (the history as it
    // was). Refuses an empty list: a file without a usable line changes nothing.
    MaintenanceOutcome replaceAll(const std::vector<PlainDraw>& draws, const HistorySnapshot& before,
                                  const EncoderBases& bases, const ProgressFn& progress = {});

    // The rebuild: deletes every row and encodes `draws` again with the
    // rebuild variant of the encoder (earlier lists filled, both lists start
    // empty). An empty list leaves the history empty.
    MaintenanceOutcome rebuild(const std::vector<PlainDraw>& draws, const EncoderBases& bases,
                               const ProgressFn& progress = {});

    // Appends `draws` (in issue order, each after the last row of `current`,
    // the history as the caller saw it when it chose them) in one
    // transaction: the manual entry, the CLI's add and the online update.
    // The last row is read again inside the transaction; when it is not the
    // last row of `current`, another program changed the history since, and
    // nothing is stored (historyChangedText()). With `clearFirst` every row is
    // deleted first and the first draw has no predecessor. On failure `error`
    // holds the database's own text (may be empty); the callers word the
    // message.
    MaintenanceOutcome appendDraws(const std::vector<PlainDraw>& draws, const HistorySnapshot& current,
                                   const EncoderBases& bases, bool clearFirst = false);

    // The decision of an append, taken inside its write transaction from the
    // last stored row (read from lishi there; nullopt when the history is
    // empty): the draws to append, or nullopt with the refusal in `refusal`.
    // `clearFirst` may be set to empty the history first.
    using AppendDecision = std::function<std::optional<std::vector<PlainDraw>>(
        const std::optional<SnapshotRow>& last, bool* clearFirst, QString* refusal)>;
    // Every read-decide-write of an append under one BEGIN IMMEDIATE: no other
    // writer can change the history between the decision and the commit. A
    // draw whose issue is already stored refuses the whole append.
    MaintenanceOutcome appendDecided(const AppendDecision& decide, const EncoderBases& bases);

    // The deletions that keep a part of the history: inside one transaction
    // reads lishi (never its copy), keeps the rows `keep` chooses (the count
    // of leading rows), rebuilds them, writes the backup file `backupPath`
    // atomically from what was read, then commits. A failure at any step,
    // the backup file included, changes neither the history nor the file.
    using KeepCount = std::function<int(const HistorySnapshot& history)>;
    MaintenanceOutcome deleteKeeping(const KeepCount& keep, const QString& backupPath, const EncoderBases& bases,
                                     const ProgressFn& progress = {});

    // Compaction's repair: every row's own attribute values derived again
    // from its numbers by the encoder; rows that disagree are rewritten (the
    // copy follows through its trigger). Returns the number of rows repaired,
    // or -1 with `error`.
    int repairAttributes(const EncoderBases& bases, QString* error);

    static QString historyChangedText();

    // Delrec: deletes every row of lishi.
    MaintenanceOutcome deleteAll();

    // Deletes the row with the highest SQQH (nothing when the history is empty).
    MaintenanceOutcome deleteLastRow();

    // Backup text of the first `rowsToKeep` rows of `snapshot`: per row the
    // stored issue number, a blank, and L1A..L8A as two digits each followed
    // by a blank, then the line break.
    static QByteArray backupText(const HistorySnapshot& snapshot, int rowsToKeep);
    // Writes `text` to `path` atomically (the old file stays whole on failure).
    static bool writeFileAtomically(const QString& path, const QByteArray& text, QString* error);
    static QString backupPath(const QString& dataFolder);

private:
    MaintenanceOutcome writeAll(const std::vector<PlainDraw>& draws, const EncoderBases& bases, bool rebuild,
                                const ProgressFn& progress);
    // writeAll's work inside the caller's transaction.
    MaintenanceOutcome writeAllInside(const std::vector<PlainDraw>& draws, const EncoderBases& bases, bool rebuild,
                                      const ProgressFn& progress);

    HistoryStore& m_store;
    DrawEncoder& m_encoder;
    ZodiacTables& m_tables;
};

} // namespace corvinel
