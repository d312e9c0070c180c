#include "session/UndoableDeletions.h"

#include "core/IssueNumber.h"
#include "session/Session.h"
#include "store/BackupRebuild.h"
#include "store/DeletionUndo.h"

#include <QCoreApplication>

namespace corvinel {

UndoableDeletions::UndoableDeletions(Session& session, QObject* parent)
    : QObject(parent)
    , m_session(session)
{
    // Any other change of the history ends the chance to undo: the backup
    // no longer continues the history that is stored.
    connect(&session, &Session::historyChanged, this, [this] {
        if (!m_changing)
            forget();
    });
}

void UndoableDeletions::forget()
{
    const bool was = canUndo();
    m_deleted = 0;
    m_deletedText.clear();
    if (was)
        emit undoAvailable(false);
}

template<typename Deletion> HistoryChange UndoableDeletions::run(int firstDeleted, Deletion deletion)
{
    Session& s = m_session;
    const HistorySnapshot before = s.store().snapshot();
    const int count = before.recordCount();
    // Nothing to delete (删除到选定期 at the last draw still rebuilds): no
    // undo backup, and the change itself ends an earlier undo.
    if (firstDeleted >= count)
        return deletion();
    QString error;
    if (!deletion_undo::writeUndoBackup(deletion_undo::undoPath(s.dataFolder()), before, &error)) {
        HistoryChange c;
        c.failedStep = HistoryChange::Step::Backup;
        c.error = error;
        return c;
    }
    m_changing = true;
    HistoryChange c = deletion();
    m_changing = false;
    if (!c.ok || c.deleted <= 0) {
        // The undo backup now holds this history, not the one an earlier
        // deletion removed draws from: that undo is gone too.
        forget();
        return c;
    }
    const QString first = issue::displayForm(before.row(std::max(0, firstDeleted)).sqqh);
    const QString last = issue::displayForm(before.row(count - 1).sqqh);
    m_deleted = c.deleted;
    m_deletedText = c.deleted == 1
        ? last
        : QCoreApplication::translate("corvinel::UndoableDeletions", "%1 期（%2–%3）").arg(c.deleted).arg(first, last);
    emit undoAvailable(true);
    return c;
}

HistoryChange UndoableDeletions::deleteLastDraw()
{
    const auto count = static_cast<int>(m_session.store().summary().count);
    return run(std::max(0, count - 1), [this] { return HistoryChanges(m_session).deleteLastDraw(); });
}

HistoryChange UndoableDeletions::deleteLastDraws(int n, const ProgressFn& progress)
{
    if (n <= 0)
        return HistoryChanges(m_session).deleteLastDraws(n, progress); // changes nothing
    const auto count = static_cast<int>(m_session.store().summary().count);
    return run(std::max(0, count - n),
               [this, n, &progress] { return HistoryChanges(m_session).deleteLastDraws(n, progress); });
}

HistoryChange UndoableDeletions::deleteDrawsAfter(std::int64_t t, const ProgressFn& progress)
{
    if (t <= 0)
        return HistoryChanges(m_session).deleteDrawsAfter(t, progress);
    const int kept = rowsUpTo(m_session.store().snapshot(), t);
    return run(kept, [this, t, &progress] { return HistoryChanges(m_session).deleteDrawsAfter(t, progress); });
}

HistoryChange UndoableDeletions::clear()
{
    return run(0, [this] { return HistoryChanges(m_session).clear(); });
}

HistoryChange UndoableDeletions::undo()
{
    HistoryChange c;
    if (!canUndo()) {
        c.error = QCoreApplication::translate("corvinel::UndoableDeletions", "没有可以撤销的删除");
        return c;
    }
    Session& s = m_session;
    HistoryMaintenance maintenance(s.store(), s.encoder(), s.zodiac());
    const MaintenanceOutcome out
        = deletion_undo::restore(deletion_undo::undoPath(s.dataFolder()), s.store().snapshot(), maintenance, s.bases());
    c.ok = out.ok;
    c.written = out.written;
    c.error = out.error;
    if (!out.ok) {
        c.failedStep = HistoryChange::Step::Store;
        return c;
    }
    m_changing = true;
    s.reloadHistory();
    m_changing = false;
    forget();
    return c;
}

} // namespace corvinel
