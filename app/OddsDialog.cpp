#include "app/OddsDialog.h"

#include "session/PrizeTables.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace corvinel {

OddsDialog::OddsDialog(const Session& session, QWidget* parent)
    : QDialog(parent)
    , m_session(session)
{
    setObjectName(QStringLiteral("dlgOdds"));
    setWindowTitle(tr("玩法与概率"));
    auto* layout = new QVBoxLayout(this);
    auto* intro = new QLabel(tr("每注 2 元。返奖率 = 每注期望奖金 ÷ 2，是长期平均每投入 1 元返还的金额；"
                                "开奖相互独立，任何选号方法都不改变它。奖金一列可以修改。"),
                             this);
    intro->setWordWrap(true);
    layout->addWidget(intro);
    m_note = new QLabel(this);
    m_note->setObjectName(QStringLiteral("lblOddsNote"));
    m_note->setWordWrap(true);
    m_note->setStyleSheet(QStringLiteral("color: #a04000"));
    layout->addWidget(m_note);

    m_table = new QTableWidget(this);
    m_table->setObjectName(QStringLiteral("grdOdds"));
    m_table->verticalHeader()->hide();
    layout->addWidget(m_table, 1);

    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("lblOddsStatus"));
    m_status->setWordWrap(true);
    layout->addWidget(m_status);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    m_save = buttons->addButton(tr("保存奖金表"), QDialogButtonBox::ActionRole);
    m_save->setObjectName(QStringLiteral("cmdSavePrizes"));
    QPushButton* guangdong = buttons->addButton(tr("恢复广东奖金"), QDialogButtonBox::ResetRole);
    guangdong->setObjectName(QStringLiteral("cmdGuangdongPrizes"));
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_save, &QPushButton::clicked, this, [this] { save(); });
    connect(guangdong, &QPushButton::clicked, this, [this] {
        m_prizes = guangdongPrizes();
        fill();
        m_status->setText(tr("已换成广东的奖金，保存后生效。"));
    });
    connect(m_table, &QTableWidget::cellChanged, this, &OddsDialog::prizeEdited);

    const PrizeTableRead read = currentPrizeTable(session);
    m_prizes = read.table;
    if (!read.problems.isEmpty())
        m_status->setText(tr("奖金表文件中有未读入的行：%1").arg(read.problems.join(QStringLiteral("；"))));
    fill();
    resize(820, 420);
}

QString OddsDialog::noteText() const
{
    return m_note->text();
}

void OddsDialog::fill()
{
    m_filling = true;
    const ResultTable t = oddsTable(m_prizes);
    m_table->clear();
    m_table->setColumnCount(t.columnCount());
    m_table->setRowCount(t.rowCount());
    m_table->setHorizontalHeaderLabels(t.header);
    for (int r = 0; r < t.rowCount(); ++r) {
        for (int c = 0; c < t.columnCount(); ++c) {
            auto* item = new QTableWidgetItem(t.cell(r, c));
            if (c != kPrizeColumn)
                item->setFlags(item->flags() & ~Qt::ItemIsEditable);
            if (c > 0)
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            m_table->setItem(r, c, item);
        }
    }
    m_table->resizeColumnsToContents();
    m_note->setText(currentPrizeTableNote(m_session, m_prizes));
    m_note->setVisible(!m_note->text().isEmpty());
    m_filling = false;
}

void OddsDialog::prizeEdited(int row, int column)
{
    if (m_filling || column != kPrizeColumn || row < 0 || row >= kPlayCount)
        return;
    const Play play = playRules()[static_cast<std::size_t>(row)].play;
    bool ok = false;
    const qlonglong yuan = m_table->item(row, column)->text().trimmed().toLongLong(&ok);
    if (!ok || yuan < 0 || yuan > 100000000) {
        m_status->setText(tr("奖金应是一个不小于 0 的整数（元）。"));
    } else {
        m_prizes.set(play, yuan);
        m_prizes.fromFile = true; // the user's own table from now on
        m_status->setText(tr("已修改，保存后写入本彩种的奖金表。"));
    }
    // The row from the table again, so a refused text goes back to the prize.
    const ResultTable t = oddsTable(m_prizes);
    m_filling = true;
    for (int c = 0; c < t.columnCount(); ++c)
        m_table->item(row, c)->setText(t.cell(row, c));
    m_note->setText(currentPrizeTableNote(m_session, m_prizes));
    m_note->setVisible(!m_note->text().isEmpty());
    m_filling = false;
}

bool OddsDialog::save()
{
    QString error;
    if (!saveCurrentPrizeTable(m_session, m_prizes, &error)) {
        m_status->setText(error);
        return false;
    }
    m_prizes = currentPrizeTable(m_session).table;
    fill();
    m_status->setText(tr("已保存到 %1").arg(QDir::toNativeSeparators(prizeTableFile(m_session))));
    return true;
}

} // namespace corvinel
