#include "session/HistoryChanges.h"

#include "session/Session.h"
#include "core/IssueNumber.h"
#include "store/BackupRebuild.h"

#include <algorithm>

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
        c.failedStep = out.backupFailed ? HistoryChange::Step::Backup : HistoryChange::Step::Store;
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
    if (readImportFile(path, s.lastDrawQqh(), &lines, &out)) {
        // The same refusals as the manual entry and the update.
        refuseIssuesOutsideGame(&lines, s.choices().lotteryCode, s.choices().drawsPerDay);
        out = importDrawLines(path, std::move(lines), s.snapshot(), m, s.bases(), progress);
    }
    if (out.ok)
        s.reloadHistory();
    else
        s.nextIssueDisplay(); // shown again whatever the outcome
    return out;
}

void HistoryChanges::importDeclined()
{
    m_session.nextIssueDisplay();
}

HistoryChange HistoryChanges::rebuildFromBackup(const ProgressFn& progress)
{
    Session& s = m_session;
    HistoryMaintenance m = maintenance();
    HistoryChange c = changeOf(corvinel::rebuildFromBackup(HistoryMaintenance::backupPath(s.dataFolder()),
                                                           s.lastDrawQqh(), m, s.bases(), progress));
    if (!c.ok)
        return c;
    s.reloadHistory();
    return c;
}

HistoryChange HistoryChanges::deleteLastDraw()
{
    Session& s = m_session;
    HistoryChange c = changeOf(maintenance().deleteLastRow());
    if (!c.ok)
        return c;
    if (c.deleted > 0 && !s.store().compact())
        c.compactError = s.store().lastError();
    s.reloadHistory();
    return c;
}

HistoryChange HistoryChanges::afterDeletion(const MaintenanceOutcome& out)
{
    HistoryChange c = changeOf(out);
    if (!c.ok)
        return c;
    Session& s = m_session;
    s.reloadHistory();
    // The deletion rebuilt lishi and wrote every copy row with it: counting
    // and the edges are check enough before this compaction.
    if (!s.store().compact({}, HistoryStore::CopyCheck::Edges))
        c.compactError = s.store().lastError();
    return c;
}

HistoryChange HistoryChanges::deleteLastDraws(int n, const ProgressFn& progress)
{
    if (n <= 0)
        return nothingChanged(); // the backup file is left as it was
    // What to keep is decided from lishi inside the deletion's transaction.
    return afterDeletion(
        maintenance().deleteKeeping([n](const HistorySnapshot& h) { return std::max(0, h.recordCount() - n); },
                                    HistoryMaintenance::backupPath(m_session.dataFolder()), m_session.bases(),
                                    progress));
}

HistoryChange HistoryChanges::deleteDrawsAfter(std::int64_t t, const ProgressFn& progress)
{
    if (t <= 0)
        return nothingChanged();
    return afterDeletion(maintenance().deleteKeeping([t](const HistorySnapshot& h) { return rowsUpTo(h, t); },
                                                     HistoryMaintenance::backupPath(m_session.dataFolder()),
                                                     m_session.bases(), progress));
}

HistoryChange HistoryChanges::clear()
{
    HistoryChange c = changeOf(maintenance().deleteAll());
    if (!c.ok)
        return c;
    m_session.reloadHistory();
    return c;
}

void HistoryChanges::afterDrawStored()
{
    Session& s = m_session;
    // The new draw in the snapshot, and the pattern of tab 1 follows it.
    s.reloadHistory();
}

manual_entry::StoreOutcome HistoryChanges::enterDraw(const QString& issueText, const manual_entry::BoxTexts& boxes)
{
    Session& s = m_session;
    if (const auto sqqh = manual_entry::storedIssue(s.nextIssue())) {
        if (const auto bad = issue::issueRefusal(*sqqh, s.choices().lotteryCode, s.choices().drawsPerDay)) {
            manual_entry::StoreOutcome refused;
            refused.sqqh = *sqqh;
            refused.error = *bad;
            return refused;
        }
    }
    manual_entry::StoreOutcome out
        = manual_entry::enter(s.store(), s.encoder(), s.zodiac(), s.snapshot(), s.bases(), issueText, boxes);
    if (out.ok)
        afterDrawStored();
    return out;
}

manual_entry::StoreOutcome HistoryChanges::addDraw(std::int64_t sqqh, const manual_entry::Numbers& numbers)
{
    Session& s = m_session;
    if (const auto bad = issue::issueRefusal(sqqh, s.choices().lotteryCode, s.choices().drawsPerDay)) {
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

manual_entry::StoreOutcome HistoryChanges::addNextDraw(const manual_entry::Numbers& numbers)
{
    Session& s = m_session;
    const int code = s.choices().lotteryCode;
    const int perDay = s.choices().drawsPerDay;
    manual_entry::StoreOutcome out = manual_entry::storeNextDraw(
        s.store(), s.encoder(), s.zodiac(), s.bases(),
        [code, perDay](std::int64_t last) -> std::optional<std::int64_t> {
            const std::optional<QString> next = issue::nextIssue(last, code, perDay);
            return next ? manual_entry::storedIssue(*next) : std::nullopt;
        },
        numbers);
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
    }
    return result;
}

} // namespace corvinel
