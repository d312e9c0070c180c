// The Session members that keep one history per game: which database the
// session holds follows the selected game.
#include "session/Session.h"

#include "core/DataFolder.h"
#include "store/HistoryFolders.h"

namespace corvinel {

bool Session::openGameHistory()
{
    const int code = choices().lotteryCode;
    m_history->close();
    if (m_dataRoot.isEmpty())
        return false;
    const history_folders::Adoption adoption = history_folders::adoptRootHistory(m_dataRoot, code);
    if (!adoption.note.isEmpty())
        m_historyNote = adoption.note;
    const QString folder = gameHistoryFolder(m_dataRoot, code);
    if (folder.isEmpty())
        return false;
    m_dataFolder = folder;
    return m_history->open(m_dataFolder, [code](HistoryStore& store) { history_folders::recordGame(store, code); });
}

void Session::setSkipGaps(bool on)
{
    m_skipGaps = on;
    emit choicesChanged();
}

void Session::switchGameHistory()
{
    openGameHistory();
    // The run-long values of the encoder belong to the history they came
    // from: the new game's first appended draw starts from nothing, as at
    // start-up, and never from another game's draws.
    encoder().restoreState(DrawEncoder::State {});
    if (storedDraws().drawCount() == 0) {
        // Nothing stored: the boxes show the start-up texts, not the other
        // game's next issue.
        m_lastDrawQqh = 0;
        m_nextIssue = QStringLiteral("2007001");
        m_patterns.verificationIssue = QStringLiteral("20161212001");
    }
    reloadHistory();
}

} // namespace corvinel
