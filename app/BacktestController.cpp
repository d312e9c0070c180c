#include "app/BacktestController.h"

#include "app/BacktestWindow.h"
#include "app/BusyCursor.h"
#include "app/Dialogs.h"
#include "app/WindowPanels.h"
#include "analysis/BacktestMoney.h"
#include "session/PrizeTables.h"
#include "session/Session.h"
#include "session/SessionBacktest.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QSpinBox>

namespace corvinel {

BacktestController::BacktestController(Session& session, Dialogs& dialogs, QWidget* parentWindow,
                                       const PatternPanel& patterns)
    : m_session(session)
    , m_dialogs(dialogs)
    , m_parentWindow(parentWindow)
    , m_batch(std::make_unique<SessionBacktest>(session))
{
    QWidget* page = patterns.pages[Session::TabVerify].frame;
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(tr("批量验证 起"), page));
    m_from = new QLineEdit(page);
    m_from->setObjectName(QStringLiteral("txtBatchFrom"));
    m_to = new QLineEdit(page);
    m_to->setObjectName(QStringLiteral("txtBatchTo"));
    row->addWidget(m_from);
    row->addWidget(new QLabel(tr("止"), page));
    row->addWidget(m_to);
    row->addWidget(new QLabel(tr("前K"), page));
    m_top = new QSpinBox(page);
    m_top->setObjectName(QStringLiteral("spnBatchTop"));
    m_top->setRange(1, 20);
    m_top->setValue(kDefaultTop);
    row->addWidget(m_top);
    m_combination = new QCheckBox(tr("组合检索"), page);
    m_combination->setObjectName(QStringLiteral("chkBatchCombination"));
    m_combination->setToolTip(tr("验证组合检索（组合位数按“组合位数”），否则验证检索"));
    row->addWidget(m_combination);
    m_play = new QComboBox(page);
    m_play->setObjectName(QStringLiteral("cboBatchPlay"));
    m_play->addItems({ tr("不计金额"), playName(Play::PickOneNumber) });
    m_play->setToolTip(tr("选一数投：每期前K结果中 01–18 的每个号码按一注 2 元计，开奖第1位是它即中奖"));
    row->addWidget(m_play);
    m_button = new QPushButton(tr("批量验证"), page);
    m_button->setObjectName(QStringLiteral("cmdBatchVerify"));
    m_button->setToolTip(tr("对范围内每一期按本页“仅检索该期前”的方式检索，统计前K结果的命中并与随机比较"));
    row->addWidget(m_button);
    if (auto* grid = qobject_cast<QGridLayout*>(page->layout()))
        grid->addLayout(row, 2, 0, 1, grid->columnCount());

    connect(m_button, &QPushButton::clicked, this, &BacktestController::run);
    connect(&session, &Session::historyChanged, this, &BacktestController::defaultRange);
    defaultRange();
}

BacktestController::~BacktestController() = default;

BacktestWindow* BacktestController::lastWindow() const
{
    return m_last.data();
}

void BacktestController::defaultRange()
{
    const auto [from, to] = SessionBacktest::lastDraws(m_session, kDefaultDraws);
    m_from->setText(from);
    m_to->setText(to);
}

QString BacktestController::cancelledText(int done, int total)
{
    return tr("已取消：完成 %1/%2 步").arg(done).arg(total);
}

void BacktestController::run()
{
    Session& s = m_session;
    const BacktestOptions options
        = SessionBacktest::options(s, SearchChoices::of(s), m_combination->isChecked(), m_from->text().trimmed(),
                                   m_to->text().trimmed(), m_top->value());
    const bool money = m_play->currentIndex() == 1;
    if (money) {
        if (const std::optional<QString> refusal = moneyPlayRefusal(options)) {
            m_dialogs.message(tr("批量验证"), *refusal, QMessageBox::Ok, QMessageBox::Warning);
            return;
        }
    }
    QProgressDialog progress(tr("批量验证……"), tr("取消"), 0, 1, m_parentWindow);
    progress.setObjectName(QStringLiteral("dlgBatchProgress"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(400);
    BacktestResult result;
    int stepsDone = 0;
    int stepsTotal = 0;
    {
        BusyCursor busy;
        result = m_batch->run(options, [&progress, &stepsDone, &stepsTotal](int done, int total) {
            progress.setMaximum(total);
            progress.setValue(done);
            stepsDone = done;
            stepsTotal = total;
            return !progress.wasCanceled();
        });
    }
    progress.reset();
    if (result.cancelled) {
        emit status(cancelledText(stepsDone, stepsTotal));
        return;
    }
    if (!result.ok) {
        m_dialogs.message(tr("批量验证"), result.message, QMessageBox::Ok, QMessageBox::Warning);
        return;
    }
    auto* w = new BacktestWindow(result, options.search, options.top, s.dataFolder(), m_parentWindow);
    if (money)
        w->showMoney(result, backtestMoney(result, currentPrizeTable(s).table));
    w->show();
    m_last = w;
}

} // namespace corvinel
