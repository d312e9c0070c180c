#include "app/HistoryController.h"

#include "store/BackupRebuild.h"
#include "app/BusyCursor.h"
#include "core/IssueNumber.h"
#include "acquire/TextImport.h"
#include "session/HistoryHoles.h"
#include "app/WindowPanels.h"
#include "session/HistoryChanges.h"
#include "app/Dialogs.h"
#include "session/Session.h"
#include "session/UndoableDeletions.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QStatusBar>
#include <QProgressDialog>
#include <QPushButton>
#include <QStringList>
#include <QTableView>
#include <QItemSelectionModel>

namespace corvinel {

namespace {

// "第 2、5、9 行" with at most `max` numbers, then how many more.
QString skippedLines(const std::vector<SkippedLine>& skipped, int max = 10)
{
    QStringList parts;
    const int shown = std::min<int>(max, static_cast<int>(skipped.size()));
    for (int i = 0; i < shown; ++i)
        parts << QString::number(skipped[i].lineNumber);
    QString s
        = QCoreApplication::translate("corvinel::HistoryController", "第 %1 行").arg(parts.join(QStringLiteral("、")));
    if (static_cast<int>(skipped.size()) > shown)
        s += QCoreApplication::translate("corvinel::HistoryController", "，另有 %1 行").arg(skipped.size() - shown);
    return s;
}

} // namespace

HistoryController::HistoryController(Session& session, Dialogs& dialogs, QWidget* parentWindow, const HistoryPanel& panel,
                                     const HistoryMenu& menu)
    : QObject(parentWindow)
    , m_session(session)
    , m_dialogs(dialogs)
    , m_parentWindow(parentWindow)
    , m_firstEntryBox(panel.maskEdBox1[1])
    , m_grid(panel.grid)
{
    setObjectName(QStringLiteral("HistoryController"));
    connect(panel.cmdRdLst, &QPushButton::clicked, this, &HistoryController::cmdRdLst_Click);
    connect(panel.command3, &QPushButton::clicked, this, &HistoryController::Command3_Click);
    connect(menu.mnuErase, &QAction::triggered, this, &HistoryController::mnuErase_Click);
    connect(menu.mnuClear, &QAction::triggered, this, &HistoryController::mnuClear_Click);
    connect(menu.mnuDlzd, &QAction::triggered, this, &HistoryController::mnuDlzd_Click);
    connect(menu.mnuEszhzd, &QAction::triggered, this, &HistoryController::mnuEszhzd_Click);

    // Every deletion can be undone once, until the history changes again:
    // from the history menu and from a button beside the status message.
    m_deletions = new UndoableDeletions(session, this);
    m_undoAction = menu.menu->addAction(tr("撤销删除(&U)"));
    m_undoAction->setObjectName(QStringLiteral("mnuUndoDelete"));
    m_undoAction->setEnabled(false);
    connect(m_undoAction, &QAction::triggered, this, &HistoryController::undoDeletion);
    m_undoButton = new QPushButton(tr("撤销删除"), parentWindow);
    m_undoButton->setObjectName(QStringLiteral("cmdUndoDelete"));
    m_undoButton->hide();
    if (auto* window = qobject_cast<QMainWindow*>(parentWindow))
        window->statusBar()->addPermanentWidget(m_undoButton); // a message would hide a normal one
    connect(m_undoButton, &QPushButton::clicked, this, &HistoryController::undoDeletion);
    connect(m_deletions, &UndoableDeletions::undoAvailable, this, [this](bool available) {
        m_undoAction->setEnabled(available);
        m_undoAction->setText(available ? tr("撤销删除 %1(&U)").arg(m_deletions->deletedText()) : tr("撤销删除(&U)"));
        m_undoButton->setVisible(available);
    });
}

QString HistoryController::deleteLastQuestion(const QString& issue)
{
    return tr("删除最后一期 %1？").arg(issue);
}

void HistoryController::undoDeletion()
{
    const QString what = m_deletions->deletedText();
    HistoryChange out;
    {
        BusyCursor busy;
        out = m_deletions->undo();
    }
    if (!out.ok) {
        m_dialogs.message(undoTitle(), tr("撤销删除失败，历史号码未改变。\n%1").arg(out.error), QMessageBox::Ok,
                          QMessageBox::Warning);
        return;
    }
    emit status(tr("已撤销删除：恢复 %1，共 %2 期").arg(what).arg(m_session.snapshot().recordCount()));
}

HistoryController::~HistoryController() = default;

namespace {

// The lines refused as no issue of the game, each with its reason (the issue
// in display form); the first few.
QString refusedIssueLines(const std::vector<SkippedLine>& skipped, int max = 5)
{
    QString text;
    int shown = 0;
    for (const SkippedLine& s : skipped) {
        if (s.reason != SkipReason::NotOfTheGame)
            continue;
        if (shown == max) {
            text += QCoreApplication::translate("corvinel::HistoryController", "\n……");
            break;
        }
        text += QCoreApplication::translate("corvinel::HistoryController", "\n第 %1 行：%2").arg(s.lineNumber).arg(s.why);
        ++shown;
    }
    return text;
}

} // namespace

QString HistoryController::importQuestion()
{
    return tr(
        "确实要读入最新历史号码吗？点击'确认'读入,点击'取消'放弃该操作。确要读入请保证安装目录下存在历史号码的文本"
        "文件。读取时可能要花费一段时间,请耐心等候！");
}

QString HistoryController::deleteCountPrompt()
{
    return tr("请输入需要删除最后多少期历史号码（例如输入3，那么就将删除最后的3期历史号码）");
}

QString HistoryController::deleteAfterPrompt()
{
    return tr("请输入需要删除到的期数，例如‘2016090852’");
}

std::function<bool(std::int64_t, std::int64_t)> HistoryController::progressFor(const QString& label)
{
    m_progress = std::make_unique<QProgressDialog>(label, tr("取消"), 0, 100, m_parentWindow);
    m_progress->setObjectName(QStringLiteral("historyProgress"));
    m_progress->setWindowTitle(tr("请稍候"));
    m_progress->setWindowModality(Qt::WindowModal);
    m_progress->setMinimumDuration(400); // only when the work takes longer than a moment
    m_progress->setAutoClose(false);
    m_progress->setAutoReset(false);
    m_progress->setValue(0);
    QProgressDialog* dialog = m_progress.get();
    return [dialog](std::int64_t done, std::int64_t total) {
        if (total > 0)
            dialog->setValue(static_cast<int>(done * 100 / total));
        return !dialog->wasCanceled();
    };
}

void HistoryController::endProgress()
{
    m_progress.reset();
}

bool HistoryController::reportOutcome(const HistoryChange& outcome, const QString& title, const QString& what)
{
    if (outcome.ok)
        return true;
    const QString text = outcome.cancelled ? tr("%1已取消，历史号码未改变。").arg(what)
                                           : tr("%1失败，历史号码未改变。\n%2").arg(what, outcome.error);
    m_dialogs.message(title, text, QMessageBox::Ok,
                                outcome.cancelled ? QMessageBox::Information : QMessageBox::Warning);
    return false;
}

bool HistoryController::confirmGame(const QString& file)
{
    DrawLineResult lines;
    ImportOutcome read;
    if (!readImportFile(file, m_session.lastDrawQqh(), &lines, &read))
        return true; // the import itself reports the file it cannot read
    const auto mismatch = otherGameOfLines(lines, m_session.choices().lotteryCode);
    if (!mismatch)
        return true;
    // The menu index of a game (mnuKL10): 0 Guangdong, 1 Tianjin, 2 Hunan.
    const std::vector<int>& games = mismatch->menuCodes;
    QString text = gameMismatchText(*mismatch, m_session.choices().lotteryCode) + QLatin1Char('\n');
    QMessageBox::StandardButtons buttons = QMessageBox::Yes | QMessageBox::Cancel;
    if (games.size() == 1) {
        text += tr("点击“是”切换到%1后读入，点击“取消”不读入。").arg(issue::gameName(games[0]));
    } else {
        text += tr("点击“是”切换到%1，点击“否”切换到%2，然后读入；点击“取消”不读入。")
                    .arg(issue::gameName(games[0]), issue::gameName(games[1]));
        buttons |= QMessageBox::No;
    }
    const auto answer = m_dialogs.message(tr("彩种不符"), text, buttons, QMessageBox::Question);
    int chosen = 0;
    if (answer == QMessageBox::Yes)
        chosen = games[0];
    else if (answer == QMessageBox::No && games.size() > 1)
        chosen = games[1];
    else
        return false;
    m_session.setGame(chosen);
    return true;
}

void HistoryController::cmdRdLst_Click()
{
    Dialogs& dialogs = m_dialogs;
    if (dialogs.message(importQuestionTitle(), importQuestion(), QMessageBox::Ok | QMessageBox::Cancel,
                        QMessageBox::Question)
        == QMessageBox::Cancel)
        return;

    const QString folder = QDir(m_session.dataFolder()).filePath(QStringLiteral("历史号码"));
    QDir().mkpath(folder);
    const QString file = dialogs.openFile(tr("读取历史号文本"), folder, importFilter());
    if (!isImportableFileName(file)) {
        // A cancelled dialog imports nothing; another kind of file is refused
        // before anything is touched.
        if (!file.isEmpty())
            dialogs.message(importQuestionTitle(), tr("只能读入文本文件（*.txt）：\n%1\n历史号码未改变。").arg(file),
                            QMessageBox::Ok, QMessageBox::Warning);
        HistoryChanges(m_session).importDeclined();
        return;
    }

    if (!confirmGame(file)) {
        HistoryChanges(m_session).importDeclined();
        return;
    }

    ImportOutcome out;
    {
        BusyCursor busy;
        auto progress = progressFor(tr("正在读入历史号码……"));
        out = HistoryChanges(m_session).importTextFile(file, progress);
        endProgress();
    }

    if (out.ok) {
        QString text = tr("已读入 %1 期历史号码。").arg(out.imported);
        if (!out.skipped.empty())
            text += tr("\n跳过 %1 行不合格式的行：%2。").arg(out.skipped.size()).arg(skippedLines(out.skipped));
        text += refusedIssueLines(out.skipped);
        const QString holes = missingIssuesNote(m_session);
        if (!holes.isEmpty()) {
            text += tr("\n历史号码%1。").arg(holes);
            emit status(holes);
        }
        dialogs.message(importQuestionTitle(), text, QMessageBox::Ok, QMessageBox::Information);
        return;
    }
    QString text;
    if (out.cancelled)
        text = tr("读入已取消，历史号码未改变。");
    else if (out.noUsableLine)
        text = tr("文件中没有可用的历史号码行，历史号码未改变。");
    else
        text = tr("读入失败，历史号码未改变。\n%1").arg(out.error);
    if (!out.skipped.empty())
        text += tr("\n跳过 %1 行：%2。").arg(out.skipped.size()).arg(skippedLines(out.skipped));
    dialogs.message(importQuestionTitle(), text, QMessageBox::Ok, QMessageBox::Warning);
}

void HistoryController::Command3_Click()
{
    const SnapshotRow* last = m_session.snapshot().last();
    if (!last) {
        emit status(tr("没有历史号码，无可删除。"));
        return;
    }
    if (m_dialogs.message(tr("删除最后历史"), deleteLastQuestion(issue::displayForm(last->sqqh)),
                          QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Question)
        != QMessageBox::Ok)
        return;
    {
        BusyCursor busy;
        const HistoryChange out = m_deletions->deleteLastDraw();
        if (!out.ok) {
            reportOutcome(out, tr("删除最后历史"), tr("删除最后一期"));
            return;
        }
        reportCompaction(out);
        reportDeleted(out);
    }
    m_firstEntryBox->setFocus();
}

void HistoryController::reportCompaction(const HistoryChange& change)
{
    if (!change.compactError.isEmpty())
        m_dialogs.message(tr("压缩数据库"),
                                    tr("历史号码已改变，但压缩数据库失败：\n%1").arg(change.compactError),
                                    QMessageBox::Ok, QMessageBox::Warning);
}

void HistoryController::reportDeletion(const HistoryChange& change)
{
    if (change.failedStep == HistoryChange::Step::Backup)
        reportOutcome(change, deleteTitle(), tr("写入备份文件"));
    else if (reportOutcome(change, deleteTitle(), tr("重建历史号码"))) {
        reportCompaction(change);
        reportDeleted(change);
    }
}

void HistoryController::reportDeleted(const HistoryChange& change)
{
    if (change.deleted <= 0) {
        emit status(tr("没有删除任何一期，剩余 %1 期").arg(m_session.snapshot().recordCount()));
        return;
    }
    emit status(tr("已删除 %1，剩余 %2 期，可撤销删除")
                    .arg(m_deletions->deletedText())
                    .arg(m_session.snapshot().recordCount()));
}

void HistoryController::mnuEszhzd_Click()
{
    const auto answer = m_dialogs.input(deleteTitle(), deleteCountPrompt(), QStringLiteral("1"));
    const std::optional<int> n = answer ? deleteCountAnswer(*answer) : std::nullopt;
    if (!n || *n <= 0)
        return; // nothing deleted, the backup file left as it was

    HistoryChange out;
    {
        BusyCursor busy;
        auto progress = progressFor(tr("正在重建历史号码……"));
        out = m_deletions->deleteLastDraws(*n, progress);
        endProgress();
    }
    reportDeletion(out);
}

void HistoryController::mnuDlzd_Click()
{
    // The issue of the selected history row, else the last stored draw.
    QString def = m_session.lastDrawQqh() > 0 ? issue::displayForm(m_session.lastDrawQqh() - 1) : QStringLiteral("20");
    const QModelIndex selected = m_grid->selectionModel() ? m_grid->selectionModel()->currentIndex() : QModelIndex();
    if (selected.isValid() && selected.row() < m_session.snapshot().recordCount())
        def = issue::displayForm(m_session.snapshot().row(selected.row()).sqqh);
    const auto answer = m_dialogs.input(deleteTitle(), deleteAfterPrompt(), def);
    if (!answer || answer->trimmed().isEmpty())
        return;
    const auto t = deleteAfterAnswer(*answer, m_session.choices().lotteryCode);
    if (!t || *t <= 0) {
        const int length = 2 + 6 + issue::sequenceDigits(m_session.choices().lotteryCode);
        m_dialogs.message(deleteTitle(),
                                    tr("“%1”不是期号。请输入以“20”开头的 %2 位期号，例如‘%3’。历史号码未改变。")
                                        .arg(answer->trimmed())
                                        .arg(length)
                                        .arg(def.size() == length ? def
                                                 : length == 11   ? QStringLiteral("20161212001")
                                                                  : QStringLiteral("2016090852")),
                                    QMessageBox::Ok, QMessageBox::Warning);
        return;
    }

    HistoryChange out;
    {
        BusyCursor busy;
        auto progress = progressFor(tr("正在重建历史号码……"));
        out = m_deletions->deleteDrawsAfter(*t, progress);
        endProgress();
    }
    reportDeletion(out);
}

void HistoryController::mnuClear_Click()
{
    if (m_dialogs.message(clearTitle(), clearQuestion(), QMessageBox::Ok | QMessageBox::Cancel,
                                    QMessageBox::Question)
        == QMessageBox::Cancel)
        return;
    const HistoryChange out = m_deletions->clear();
    if (reportOutcome(out, clearTitle(), tr("清空历史号码")))
        reportDeleted(out);
}

} // namespace corvinel
