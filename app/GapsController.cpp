#include "app/GapsController.h"

#include "app/GridModel.h"
#include "core/IssueNumber.h"
#include "session/HistoryHoles.h"
#include "session/Session.h"

#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QTableView>
#include <QVBoxLayout>

namespace corvinel {

GapsController::GapsController(Session& session, QWidget* window, QWidget* rangeFrame, QMenu* setupMenu)
    : QObject(window)
    , m_session(session)
    , m_window(window)
{
    if (rangeFrame) {
        m_skipGaps = new QCheckBox(tr("跳过缺期"), rangeFrame);
        m_skipGaps->setObjectName(QStringLiteral("chkSkipGaps"));
        m_skipGaps->setToolTip(tr("只统计与参照期之间没有缺期的期（检索、批量验证和走势图）"));
        m_skipGaps->setChecked(session.skipGaps());
        if (auto* grid = qobject_cast<QGridLayout*>(rangeFrame->layout()))
            grid->addWidget(m_skipGaps, grid->rowCount(), 0, 1, grid->columnCount());
        else if (rangeFrame->layout())
            rangeFrame->layout()->addWidget(m_skipGaps);
        connect(m_skipGaps, &QCheckBox::toggled, this, [this](bool on) { m_session.setSkipGaps(on); });
    }
    if (setupMenu) {
        QAction* item = setupMenu->addAction(tr("缺期检查"));
        item->setObjectName(QStringLiteral("mnuGaps"));
        connect(item, &QAction::triggered, this, &GapsController::showGaps);
    }
}

void GapsController::showGaps()
{
    const GapReport report = historyGaps(m_session);
    auto* dialog = new QDialog(m_window);
    dialog->setObjectName(QStringLiteral("dlgGaps"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowTitle(tr("缺期检查"));
    auto* column = new QVBoxLayout(dialog);
    auto* summary = new QLabel(dialog);
    summary->setObjectName(QStringLiteral("lblGaps"));
    summary->setText(tr("%1：缺 %2 期，共 %3 处；首末两期之间没有开奖的日子 %4 天。")
                         .arg(issue::gameName(m_session.choices().lotteryCode))
                         .arg(report.missing)
                         .arg(report.gaps.size())
                         .arg(report.daysWithoutDraws));
    column->addWidget(summary);
    auto* grid = new QTableView(dialog);
    grid->setObjectName(QStringLiteral("gridGaps"));
    auto* model = new GridModel(grid);
    QList<QStringList> rows;
    for (const IssueGap& g : report.gaps)
        rows << QStringList { issue::displayForm(g.after), issue::displayForm(g.before), QString::number(g.missing),
                              gaps::missingText(g) };
    model->setTable(QStringList { tr("之后"), tr("之前"), tr("缺期数"), tr("缺的期号") }, rows);
    grid->setModel(model);
    grid->verticalHeader()->hide();
    grid->resizeColumnsToContents();
    column->addWidget(grid, 1);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, dialog);
    connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::close);
    column->addWidget(buttons);
    dialog->resize(520, 420);
    dialog->show();
}

} // namespace corvinel
