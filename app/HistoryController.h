#pragma once

#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>

class QAction;
class QLineEdit;
class QProgressDialog;
class QPushButton;
class QTableView;

namespace corvinel {

class Dialogs;
class Session;
class Session;
struct HistoryMenu;
struct HistoryPanel;
struct HistoryChange;
class UndoableDeletions;

// The history commands of the main window: the text import (cmdRdLst), the
// deletion of the last draw (Command3, mnuErase), of the last N draws
// (mnuEszhzd), of the draws after a given issue (mnuDlzd) and of all draws
// (mnuClear). Each asks through the window's Dialogs, runs the store work with
// a busy cursor and, when it takes a while, a progress dialog that can cancel;
// the session's history changes run the store work and the refreshes. A failure leaves the
// history as it was and is said in a message box.
class HistoryController : public QObject
{
    Q_OBJECT

public:
    // Wired to cmdRdLst and Command3 of the panel and to the deletions of the
    // history menu.
    HistoryController(Session& session, Dialogs& dialogs, QWidget* parentWindow, const HistoryPanel& panel,
                      const HistoryMenu& menu);
    ~HistoryController() override;

    static QString importQuestion();
    static QString importQuestionTitle() { return QStringLiteral("读入历史"); }
    // Named in Chinese like every text of the window.
    static QString importFilter() { return QStringLiteral("文本文件(*.txt)"); }
    static QString deleteCountPrompt();
    static QString deleteAfterPrompt();
    static QString deleteTitle() { return QStringLiteral("删除期数"); }
    static QString clearTitle() { return QStringLiteral("确认清空"); }
    static QString clearQuestion() { return QStringLiteral("确定要清空所有的历史号码吗？"); }
    // "删除最后一期 2025092884？"
    static QString deleteLastQuestion(const QString& issue);
    static QString undoTitle() { return QStringLiteral("撤销删除"); }

    // 撤销删除: the history menu's item and the status bar's button, shown
    // while the last deletion can be undone.
    QAction* undoAction() const { return m_undoAction; }
    QPushButton* undoButton() const { return m_undoButton; }

public slots:
    void cmdRdLst_Click();
    void Command3_Click();
    void mnuErase_Click() { Command3_Click(); }
    void mnuEszhzd_Click();
    void mnuDlzd_Click();
    void mnuClear_Click();
    void undoDeletion();

signals:
    // A line for the window's status bar (empty: clear it).
    void status(const QString& text);

private:
    // Reports a failed change; true when the outcome was a success.
    bool reportOutcome(const HistoryChange& outcome, const QString& title, const QString& what);
    // Says so when the history changed but compacting the database failed.
    void reportCompaction(const HistoryChange& change);
    // The outcome of a deletion through the backup file and the rebuild.
    void reportDeletion(const HistoryChange& change);
    // "已删除 3 期，剩余 2349 期" in the status bar.
    void reportDeleted(const HistoryChange& change);
    std::function<bool(std::int64_t, std::int64_t)> progressFor(const QString& label);
    void endProgress();
    // A file of the other game's history: asks whether to switch to the game
    // it looks like. False when the user cancels.
    bool confirmGame(const QString& file);

    Session& m_session;
    Dialogs& m_dialogs;
    QWidget* m_parentWindow; // parent of the dialogs and windows it opens
    QLineEdit* m_firstEntryBox; // MaskEdBox1_1, focused after a deletion
    QTableView* m_grid; // MSFlexGrid1: its selected row is the default of 删除到选定期
    std::unique_ptr<QProgressDialog> m_progress;
    UndoableDeletions* m_deletions = nullptr; // child of this controller
    QAction* m_undoAction = nullptr;
    QPushButton* m_undoButton = nullptr;
};

} // namespace corvinel
