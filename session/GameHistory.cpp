// The Session members that keep one history per game: which database the
// session holds follows the selected game.
#include "session/Session.h"

#include "core/DataFolder.h"
#include "store/HistoryFolders.h"

namespace corvinel {

bool Session::openGameHistory()
{
    waitForWrites();
    m_store.close();
    m_history.reset();
    if (m_dataRoot.isEmpty())
        return false;
    const history_folders::Adoption adoption = history_folders::adoptRootHistory(m_dataRoot, lotteryCode);
    if (!adoption.note.isEmpty())
        m_historyNote = adoption.note;
    const QString folder = gameHistoryFolder(m_dataRoot, lotteryCode);
    if (folder.isEmpty())
        return false;
    m_dataFolder = folder;
    if (!m_store.open(m_dataFolder))
        return false;
    history_folders::recordGame(m_store, lotteryCode);
    // Caches of the history's contents (the search's columns) key on the
    // version: another game's history is another content.
    m_store.markChanged();
    if (!m_rowsOnDemand)
        m_history = m_store.snapshot();
    return true;
}

void Session::switchGameHistory()
{
    openGameHistory();
    // The run-long values of the encoder belong to the history they came
    // from: the new game's first appended draw starts from nothing, as at
    // start-up, and never from another game's draws.
    m_encoder.restoreState(DrawEncoder::State {});
    if (storedDraws().drawCount() == 0) {
        // Nothing stored: the boxes show the start-up texts, not the other
        // game's next issue.
        lastDrawQqh = 0;
        nextIssueText = QStringLiteral("2007001");
        verificationIssueText = QStringLiteral("20161212001");
    }
    reloadHistory();
    nextIssueDisplay();
    patternRefresh();
}

} // namespace corvinel
