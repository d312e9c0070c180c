#pragma once

#include "acquire/OnlineUpdate.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

class QAction;
class QProgressDialog;
class QWidget;

namespace corvinel {

class Dialogs;
class Session;
class Session;
struct HistoryMenu;
struct HistoryPanel;
struct OptionPanel;

// The online update of the main window (Command21): asks for confirmation,
// loads the day pages of the results site in the background with a progress
// dialog that can cancel, keeps the window responsive while the commands that
// would touch the history or read it half-changed are disabled, applies the
// loaded days in one transaction and ends with the window's refreshes and a
// message that says what was added or what went wrong.
class UpdateController : public QObject
{
    Q_OBJECT

public:
    // Wired to Command21 of the history panel; locks the commands of both
    // panels named by lockedCommands() and the history menu while it runs.
    UpdateController(Session& session, Dialogs& dialogs, QWidget* parentWindow, const HistoryPanel& history,
                     const OptionPanel& options, const HistoryMenu& menu);
    ~UpdateController() override;

    static QString confirmTitle() { return QStringLiteral("读入历史"); }
    static QString confirmText();
    static QString resultTitle() { return QStringLiteral("在线更新"); }
    static QString noBaseText();
    // Object names of the commands disabled while an update runs (the
    // history menu's actions are disabled too).
    static QStringList lockedCommands();

    bool isRunning() const { return m_update.isRunning() || m_applying; }
    update::OnlineUpdate& onlineUpdate() { return m_update; }

public slots:
    void Command21_Click();
    void cancel();

signals:
    // A line for the window's status bar (empty: clear it).
    void status(const QString& text);
    // The update has ended (applied or not) and the end message was shown.
    void finished();

private:
    void onDayStarted(int index, int count, const QDate& day);
    void onFetchFinished();
    void lockCommands(bool locked);
    void closeProgress();

    Session& m_session;
    Dialogs& m_dialogs;
    QWidget* m_parentWindow; // parent of the dialogs and windows it opens
    update::OnlineUpdate m_update;
    QPointer<QProgressDialog> m_progress; // owned by the window
    QList<QWidget*> m_lockable; // in the order of lockedCommands()
    QList<QAction*> m_lockableActions;
    QList<QPointer<QObject>> m_locked;
    bool m_applying = false;
};

} // namespace corvinel
