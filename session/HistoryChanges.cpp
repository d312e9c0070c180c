#include "session/HistoryChanges.h"

#include "session/Session.h"
#include "core/IssueNumber.h"
#include "store/BackupRebuild.h"

namespace corvinel {

namespace {

HistoryChange changeOf(const MaintenanceOutcome& out)
{
    HistoryChange c;
    c.ok = out.ok;
    c.cancelled = out.cancelled;
    c.written = out.written;
    c.deleted = out.deleted;
    c.error = out.error;
    if (!out.ok)
        c.failedStep = HistoryChange::Step::Store;
    return c;
}

HistoryChange nothingChanged()
{
    HistoryChange c;
    c.ok = true;
    return c;
}

} // namespace

HistoryChanges::HistoryChanges(Session& session)
    : m_session(session)
{
}

HistoryMaintenance HistoryChanges::maintenance()
{
    return { m_session.store(), m_session.encoder(), m_session.zodiac() };
}

ImportOutcome HistoryChanges::importTextFile(const QString& path, const ProgressFn& progress)
{
    Session& s = m_session;
    HistoryMaintenance m = maintenance();
    ImportOutcome out;
    DrawLineResult lines;
    if (readImportFile(path, s.lastDrawQqh, &lines, &out)) {
        // The same refusals as the manual entry and the update.
        refuseIssuesOutsideGame(&lines, s.lotteryCode, s.drawsPerDay);
        out = importDrawLines(path, std::move(lines), s.snapshot(), m, s.bases(), progress);
    }
    if (out.ok) {
        s.reloadHistory();
        s.nextIssueDisplay();
        s.patternRefresh();
    }
    // Shown once more whatever the outcome: the pattern refresh moved the
    // snapshot to the reference draw.
    s.nextIssueDisplay();
    s.notifyStateChanged();
    return out;
}

void HistoryChanges::importDeclined()
{
    m_session.nextIssueDisplay();
    m_session.notifyStateChanged();
}

HistoryChange HistoryChanges::rebuildFromBackup(const ProgressFn& progress)
{
    Session& s = m_session;
    HistoryMaintenance m = maintenance();
    HistoryChange c = changeOf(corvinel::rebuildFromBackup(HistoryMaintenance::backupPath(s.dataFolder()),
                                                           s.lastDrawQqh, m, s.bases(), progress));
    if (!c.ok)
        return c;
    s.reloadHistory();
    s.nextIssueDisplay();
    s.patternRefresh();
    s.notifyStateChanged();
    return c;
}

HistoryChange HistoryChanges::deleteLastDraw()
{
    Session& s = m_session;
    HistoryChange c = changeOf(maintenance().deleteLastRow());
    if (!c.ok)
        return c;
    s.reloadHistory();
    s.patternRefresh();
    if (c.deleted > 0 && !s.store().compact())
        c.compactError = s.store().lastError();
    s.reloadHistory();
    s.nextIssueDisplay();
    s.notifyStateChanged();
    return c;
}

HistoryChange HistoryChanges::rebuildThenCompact(bool backupWritten, const QString& backupError, int rowsBefore,
                                                 const ProgressFn& progress)
{
    if (!backupWritten) {
        HistoryChange failed;
        failed.failedStep = HistoryChange::Step::Backup;
        failed.error = backupError;
        return failed;
    }
    HistoryChange c = rebuildFromBackup(progress);
    if (!c.ok)
        return c;
    c.deleted = rowsBefore - c.written;
    if (!m_session.store().compact())
        c.compactError = m_session.store().lastError();
    return c;
}

HistoryChange HistoryChanges::deleteLastDraws(int n, const ProgressFn& progress)
{
    if (n <= 0)
        return nothingChanged(); // the backup file is left as it was
    const HistorySnapshot current = m_session.store().snapshot();
    QString error;
    const bool written
        = writeBackupWithoutLast(HistoryMaintenance::backupPath(m_session.dataFolder()), current, n, &error);
    return rebuildThenCompact(written, error, current.recordCount(), progress);
}

HistoryChange HistoryChanges::deleteDrawsAfter(std::int64_t t, const ProgressFn& progress)
{
    if (t <= 0)
        return nothingChanged();
    const HistorySnapshot current = m_session.store().snapshot();
    QString error;
    const bool written = writeBackupUpTo(HistoryMaintenance::backupPath(m_session.dataFolder()), current, t, &error);
    return rebuildThenCompact(written, error, current.recordCount(), progress);
}

HistoryChange HistoryChanges::clear()
{
    HistoryChange c = changeOf(maintenance().deleteAll());
    if (!c.ok)
        return c;
    m_session.reloadHistory();
    m_session.notifyStateChanged();
    return c;
}

void HistoryChanges::afterDrawStored()
{
    Session& s = m_session;
    // The new draw in the snapshot, and the pattern of tab 1 follows it.
    s.reloadHistory();
    s.patternRefresh();
    for (QString& box : s.entryTexts)
        box.clear();
    s.nextIssueDisplay();
    s.notifyStateChanged();
}

manual_entry::StoreOutcome HistoryChanges::enterDraw(const manual_entry::BoxTexts& boxes)
{
    Session& s = m_session;
    if (const auto sqqh = manual_entry::storedIssue(s.nextIssueText)) {
        if (const auto bad = issue::issueRefusal(*sqqh, s.lotteryCode, s.drawsPerDay)) {
            manual_entry::StoreOutcome refused;
            refused.sqqh = *sqqh;
            refused.error = *bad;
            return refused;
        }
    }
    manual_entry::StoreOutcome out
        = manual_entry::enter(s.store(), s.encoder(), s.zodiac(), s.snapshot(), s.bases(), s.nextIssueText, boxes);
    if (out.ok)
        afterDrawStored();
    return out;
}

manual_entry::StoreOutcome HistoryChanges::addDraw(std::int64_t sqqh, const manual_entry::Numbers& numbers)
{
    Session& s = m_session;
    if (const auto bad = issue::issueRefusal(sqqh, s.lotteryCode, s.drawsPerDay)) {
        manual_entry::StoreOutcome refused;
        refused.sqqh = sqqh;
        refused.error = *bad;
        return refused;
    }
    manual_entry::StoreOutcome out
        = manual_entry::storeDraw(s.store(), s.encoder(), s.zodiac(), s.snapshot(), s.bases(), sqqh, numbers);
    if (out.ok)
        afterDrawStored();
    return out;
}

update::UpdateResult HistoryChanges::applyOnlineUpdate(const update::UpdatePlan& plan,
                                                       const std::vector<update::LoadedDay>& days,
                                                       const update::DayStop& stop)
{
    Session& s = m_session;
    update::UpdateResult result = update::applyUpdate(s.store(), s.encoder(), s.zodiac(), s.bases(), plan, days, stop);
    if (result.committed) {
        // The history grid, the default range, the search pattern, the next
        // draw issue number.
        s.reloadHistory();
        s.patternRefresh();
        s.nextIssueDisplay();
        s.notifyStateChanged();
    }
    return result;
}

} // namespace corvinel
