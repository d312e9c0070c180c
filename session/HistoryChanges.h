#pragma once

#include "acquire/ManualEntry.h"
#include "acquire/OnlineUpdate.h"
#include "acquire/TextImport.h"
#include "store/HistoryMaintenance.h"

#include <QString>

#include <cstdint>
#include <vector>

namespace corvinel {

class Session;

// What a history change did. `ok` false: the history is exactly as it was,
// `error` says why and `failedStep` which step stopped it. `compactError` is
// set when the history changed but compacting the database afterwards failed.
struct HistoryChange
{
    enum class Step
    {
        None,
        Backup, // writing the backup file of the draws to keep
        Store // the change of the history itself (rebuild, deletion)
    };

    bool ok = false;
    bool cancelled = false;
    int written = 0;
    int deleted = 0;
    Step failedStep = Step::None;
    QString error;
    QString compactError;
};

// Every change of the stored history, each as one use case: the store change,
// then Session::reloadHistory(), which refreshes the history copy, the next
// draw issue number and the search pattern and tells the front ends. Front ends ask, show progress (through
// `progress`, which may also cancel) and report the outcome; nothing else.
class HistoryChanges
{
public:
    explicit HistoryChanges(Session& session);

    // cmdRdLst: replaces the history by the draws of a text file.
    ImportOutcome importTextFile(const QString& path, const ProgressFn& progress = {});
    // cmdRdLst when no text file was chosen: only the next draw issue number
    // is shown again.
    void importDeclined();

    // Dqzd: deletes every draw and encodes the draws of the backup file again.
    HistoryChange rebuildFromBackup(const ProgressFn& progress = {});
    // Command3: deletes the last draw and compacts the database.
    HistoryChange deleteLastDraw();
    // mnuEszhzd: keeps all but the last `n` draws (backup file, rebuild,
    // compaction). n <= 0 changes nothing.
    HistoryChange deleteLastDraws(int n, const ProgressFn& progress = {});
    // mnuDlzd: keeps the draws up to and including stored issue `t`. t <= 0
    // changes nothing.
    HistoryChange deleteDrawsAfter(std::int64_t t, const ProgressFn& progress = {});
    // mnuClear: deletes every draw (no compaction, the next issue number stays).
    HistoryChange clear();

    // The manual entry: the issue typed (Text1) and the eight entry boxes.
    manual_entry::StoreOutcome enterDraw(const QString& issueText, const manual_entry::BoxTexts& boxes);
    // A checked draw under stored issue `sqqh` (the command line's add).
    manual_entry::StoreOutcome addDraw(std::int64_t sqqh, const manual_entry::Numbers& numbers);

    // The command line's add without an issue: the draw goes under the issue
    // after the last stored draw as read inside the write transaction.
    manual_entry::StoreOutcome addNextDraw(const manual_entry::Numbers& numbers);

    // Command21 once the day pages are loaded: stores their new draws.
    update::UpdateResult applyOnlineUpdate(const update::UpdatePlan& plan, const std::vector<update::LoadedDay>& days,
                                           const update::DayStop& stop);

private:
    // The refreshes and the compaction after a deletion that kept a part.
    HistoryChange afterDeletion(const MaintenanceOutcome& out);
    void afterDrawStored();
    HistoryMaintenance maintenance();

    Session& m_session;
};

} // namespace corvinel
