#pragma once

#include "session/HistoryChanges.h"

#include <QObject>
#include <QString>

#include <cstdint>

namespace corvinel {

class Session;

// The deletions of the history (the last draw, the last N, those after an
// issue, all of them), each of which can be undone once until the history
// changes again. Before a deletion the whole history is written to the undo
// backup (store/DeletionUndo); a deletion whose backup cannot be written is
// not carried out. undo() appends the deleted draws again through the store's
// append, with the same refreshes as any other change of the history.
class UndoableDeletions : public QObject
{
    Q_OBJECT

public:
    explicit UndoableDeletions(Session& session, QObject* parent = nullptr);

    HistoryChange deleteLastDraw();
    HistoryChange deleteLastDraws(int n, const ProgressFn& progress = {});
    HistoryChange deleteDrawsAfter(std::int64_t t, const ProgressFn& progress = {});
    HistoryChange clear();

    bool canUndo() const { return m_deleted > 0; }
    // What the last deletion removed: "2025092884", or "3 期（2025092882–2025092884）".
    QString deletedText() const { return m_deletedText; }
    // Restores the draws of the last deletion; `written` is how many.
    HistoryChange undo();

signals:
    // Undo became possible or impossible.
    void undoAvailable(bool available);

private:
    // Runs `deletion` after writing the undo backup; `firstDeleted` is the
    // row index of the first draw it will remove.
    template<typename Deletion> HistoryChange run(int firstDeleted, Deletion deletion);
    void forget();

    Session& m_session;
    int m_deleted = 0;
    QString m_deletedText;
    bool m_changing = false; // our own change of the history is under way
};

} // namespace corvinel
