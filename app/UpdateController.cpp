#include "app/UpdateController.h"

#include "core/Clock.h"
#include "acquire/UpdateUrl.h"
#include "app/WindowPanels.h"
#include "session/HistoryChanges.h"
#include "session/HistoryHoles.h"
#include "app/Dialogs.h"
#include "session/Session.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>

namespace corvinel {

UpdateController::UpdateController(Session& session, Dialogs& dialogs, QWidget* parentWindow, const HistoryPanel& history,
                                   const OptionPanel& options, const HistoryMenu& menu)
    : QObject(parentWindow)
    , m_session(session)
    , m_dialogs(dialogs)
    , m_parentWindow(parentWindow)
    , m_lockable { options.command1, options.command2, history.command3,
                   history.command4, history.cmdRdLst, history.command21 }
    , m_lockableActions { menu.mnuDcls, menu.mnuErase, menu.mnuClear, menu.mnuDlzd, menu.mnuEszhzd }
{
    setObjectName(QStringLiteral("UpdateController"));
    for (int k = 1; k <= 8; ++k)
        m_lockable << history.maskEdBox1[k];
    connect(history.command21, &QPushButton::clicked, this, &UpdateController::Command21_Click);
    connect(&m_update, &update::OnlineUpdate::dayStarted, this, &UpdateController::onDayStarted);
    connect(&m_update, &update::OnlineUpdate::fetchFinished, this, &UpdateController::onFetchFinished);
}

UpdateController::~UpdateController()
{
    if (isRunning())
        QApplication::restoreOverrideCursor();
}

QString UpdateController::confirmText()
{
    return tr(
        "确实要在线更新最新历史号码吗？更新可能要花费一段时间，网络不通或者我方服务器更新不及时可能都造成更新失败！");
}

QString UpdateController::noBaseText()
{
    return tr("没有设置在线更新网址，无法在线更新。\n请先在设置菜单中选择“在线更新网址(U)"
              "”，输入开奖网站的地址（以 http:// 或 "
              "https:// 开头）。历史号码没有改变。");
}

QStringList UpdateController::lockedCommands()
{
    QStringList names = { QStringLiteral("Command1"), QStringLiteral("Command2"), QStringLiteral("Command3"),
                          QStringLiteral("Command4"), QStringLiteral("cmdRdLst"), QStringLiteral("Command21") };
    for (int k = 1; k <= 8; ++k)
        names << QStringLiteral("MaskEdBox1_%1").arg(k);
    return names;
}

void UpdateController::Command21_Click()
{
    if (isRunning())
        return;
    Dialogs& dialogs = m_dialogs;

    // Without a site there is nothing to ask about.
    const QString base = m_session.choices().updateBase.trimmed();
    if (base.isEmpty()) {
        dialogs.message(resultTitle(), noBaseText(), QMessageBox::Ok, QMessageBox::Warning);
        return;
    }
    QString why;
    if (!update::isUsableBase(base, &why)) {
        dialogs.message(resultTitle(), why + tr("。历史号码没有改变。"), QMessageBox::Ok, QMessageBox::Warning);
        return;
    }
    // The plan first: the confirmation says what the retention rule deletes.
    const update::UpdatePlan plan = update::planUpdate(m_session.store().snapshot(), m_session.choices().lotteryCode,
                                                       m_session.choices().retentionDays, Clock::today());
    QString question = confirmText();
    if (const QString warning = update::retentionWarning(plan); !warning.isEmpty())
        question += QStringLiteral("\n\n") + warning;
    if (dialogs.message(confirmTitle(), question, QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Question)
        != QMessageBox::Ok)
        return;
    if (!plan.ok) {
        dialogs.message(resultTitle(), plan.error + tr("。历史号码没有改变。"), QMessageBox::Ok, QMessageBox::Warning);
        return;
    }

    lockCommands(true);
    QApplication::setOverrideCursor(Qt::BusyCursor);
    m_progress = new QProgressDialog(QString(), tr("取消"), 0, plan.dayCount(), m_parentWindow);
    m_progress->setObjectName(QStringLiteral("updateProgress"));
    m_progress->setWindowTitle(resultTitle());
    // Not modal: the window keeps repainting and answering while pages load;
    // the commands that would interfere are disabled instead.
    m_progress->setWindowModality(Qt::NonModal);
    m_progress->setMinimumDuration(0);
    m_progress->setAutoClose(false);
    m_progress->setAutoReset(false);
    connect(m_progress, &QProgressDialog::canceled, this, &UpdateController::cancel);

    if (!m_update.start(base, plan)) {
        closeProgress();
        QApplication::restoreOverrideCursor();
        lockCommands(false);
        dialogs.message(resultTitle(), m_update.error() + tr("。历史号码没有改变。"), QMessageBox::Ok,
                        QMessageBox::Warning);
        return;
    }
}

void UpdateController::closeProgress()
{
    if (!m_progress)
        return;
    m_progress->hide();
    m_progress->deleteLater();
    m_progress = nullptr;
}

void UpdateController::cancel()
{
    if (!m_update.isRunning())
        return;
    if (m_progress)
        m_progress->setLabelText(tr("正在取消……"));
    m_update.cancel();
}

void UpdateController::onDayStarted(int index, int count, const QDate& day)
{
    if (!m_progress)
        return;
    m_progress->setLabelText(
        tr("正在载入第 %1 天（共 %2 天）：%3").arg(index).arg(count).arg(day.toString(QStringLiteral("yyyy-MM-dd"))));
    m_progress->setValue(index - 1);
}

void UpdateController::onFetchFinished()
{
    m_applying = true;
    if (m_progress) {
        m_progress->setLabelText(tr("正在保存历史号码……"));
        m_progress->setValue(m_progress->maximum());
    }
    const update::UpdateResult result
        = HistoryChanges(m_session).applyOnlineUpdate(m_update.plan(), m_update.loadedDays(), m_update.stop());
    closeProgress();
    QApplication::restoreOverrideCursor();
    lockCommands(false);
    m_applying = false;

    const bool ok = result.complete();
    if (const QString holes = missingIssuesNote(m_session); !holes.isEmpty())
        emit status(tr("历史号码%1").arg(holes));
    m_dialogs.message(resultTitle(), update::resultMessage(result), QMessageBox::Ok,
                                ok ? QMessageBox::Information : QMessageBox::Warning);
    emit finished();
}

void UpdateController::lockCommands(bool locked)
{
    if (locked) {
        m_locked.clear();
        for (QWidget* w : std::as_const(m_lockable)) {
            if (w->isEnabled()) {
                w->setEnabled(false);
                m_locked << w;
            }
        }
        for (QAction* a : std::as_const(m_lockableActions)) {
            if (a->isEnabled()) {
                a->setEnabled(false);
                m_locked << a;
            }
        }
        return;
    }
    for (const QPointer<QObject>& o : std::as_const(m_locked)) {
        if (auto* w = qobject_cast<QWidget*>(o.data()))
            w->setEnabled(true);
        else if (auto* a = qobject_cast<QAction*>(o.data()))
            a->setEnabled(true);
    }
    m_locked.clear();
}

} // namespace corvinel
