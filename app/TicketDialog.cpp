#include "app/TicketDialog.h"

#include "app/BusyCursor.h"
#include "app/Dialogs.h"
#include "core/IssueNumber.h"
#include "session/PrizeTables.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace corvinel {

namespace {

// The first few refusals, then how many more.
constexpr int kRefusalsShown = 5;

QString percent(double rate)
{
    return QString::number(rate * 100, 'f', 1) + QStringLiteral(" %");
}

QString drawNumbers(const HistorySnapshot& history, std::int64_t sqqh)
{
    const std::optional<int> i = history.indexOf(sqqh);
    if (!i)
        return {};
    QStringList nums;
    for (int p = 1; p <= 8; ++p)
        nums << QStringLiteral("%1").arg(history.row(*i).value(p, 0), 2, 10, QLatin1Char('0'));
    return nums.join(u' ');
}

} // namespace

TicketDialog::TicketDialog(const Session& session, Dialogs& dialogs, QWidget* parent)
    : QDialog(parent)
    , m_session(session)
    , m_dialogs(dialogs)
{
    setObjectName(QStringLiteral("dlgTickets"));
    setWindowTitle(tr("投注与兑奖"));
    auto* layout = new QVBoxLayout(this);

    auto* playRow = new QHBoxLayout;
    playRow->addWidget(new QLabel(tr("玩法"), this));
    m_play = new QComboBox(this);
    m_play->setObjectName(QStringLiteral("cboPlay"));
    for (const PlayRule& r : playRules())
        m_play->addItem(QString::fromUtf8(r.name));
    m_play->setCurrentIndex(static_cast<int>(Play::AnyThree));
    m_play->setToolTip(tr("行首没有写玩法的投注按此玩法"));
    playRow->addWidget(m_play);
    playRow->addStretch();
    layout->addLayout(playRow);

    auto* help = new QLabel(tr("每行一张票：玩法名（可省略，按上面所选），再写号码 01–20，用空格或逗号隔开。"
                               "号码多于一注所需为复式；“胆码 | 拖码”为胆拖（任选二至五、选二连组、选三前组）。"),
                            this);
    help->setWordWrap(true);
    layout->addWidget(help);
    m_text = new QPlainTextEdit(this);
    m_text->setObjectName(QStringLiteral("txtTickets"));
    m_text->setPlaceholderText(tr("任选三 01 02 03\n任选五 01 02 03 04 05 06 07\n任选三 05 | 06 07 08 09"));
    layout->addWidget(m_text, 2);
    m_bets = new QLabel(this);
    m_bets->setObjectName(QStringLiteral("lblTicketBets"));
    m_bets->setWordWrap(true);
    layout->addWidget(m_bets);

    auto* rangeRow = new QHBoxLayout;
    rangeRow->addWidget(new QLabel(tr("对照开奖 起"), this));
    m_from = new QLineEdit(this);
    m_from->setObjectName(QStringLiteral("txtTicketFrom"));
    m_from->setPlaceholderText(tr("最后一期"));
    rangeRow->addWidget(m_from);
    rangeRow->addWidget(new QLabel(tr("止"), this));
    m_to = new QLineEdit(this);
    m_to->setObjectName(QStringLiteral("txtTicketTo"));
    m_to->setPlaceholderText(tr("最后一期"));
    rangeRow->addWidget(m_to);
    m_check = new QPushButton(tr("兑奖"), this);
    m_check->setObjectName(QStringLiteral("cmdCheckTickets"));
    rangeRow->addWidget(m_check);
    layout->addLayout(rangeRow);

    m_wins = new QTableWidget(0, 6, this);
    m_wins->setObjectName(QStringLiteral("grdTicketWins"));
    m_wins->setHorizontalHeaderLabels(
        { tr("行"), tr("投注"), tr("期号"), tr("开奖号码"), tr("中奖注数"), tr("奖金（元）") });
    m_wins->verticalHeader()->hide();
    m_wins->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_wins->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(m_wins, 3);
    m_totals = new QLabel(this);
    m_totals->setObjectName(QStringLiteral("lblTicketTotals"));
    m_totals->setWordWrap(true);
    layout->addWidget(m_totals);
    m_note = new QLabel(this);
    m_note->setObjectName(QStringLiteral("lblTicketNote"));
    m_note->setWordWrap(true);
    m_note->setStyleSheet(QStringLiteral("color: #a04000"));
    layout->addWidget(m_note);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_text, &QPlainTextEdit::textChanged, this, &TicketDialog::ticketsEdited);
    connect(m_play, &QComboBox::currentIndexChanged, this, &TicketDialog::ticketsEdited);
    connect(m_check, &QPushButton::clicked, this, [this] { check(); });
    ticketsEdited();
    m_note->setText(currentPrizeTableNote(m_session, currentPrizeTable(m_session).table));
    resize(760, 640);
}

QString TicketDialog::betsLine() const
{
    return m_bets->text();
}

QString TicketDialog::totalsLine() const
{
    return m_totals->text();
}

std::optional<Play> TicketDialog::chosenPlay() const
{
    const int i = m_play->currentIndex();
    if (i < 0 || i >= kPlayCount)
        return std::nullopt;
    return playRules()[static_cast<std::size_t>(i)].play;
}

void TicketDialog::ticketsEdited()
{
    m_parsed = parseTickets(m_text->toPlainText(), chosenPlay());
    const std::int64_t bets = m_parsed.bets();
    QString text = tr("%1 张票，共 %2 注，每期 %3 元").arg(m_parsed.tickets.size()).arg(bets).arg(bets * kBetPrice);
    const auto refused = static_cast<int>(m_parsed.refused.size());
    for (int i = 0; i < std::min(refused, kRefusalsShown); ++i)
        text += u'\n' + m_parsed.refused[static_cast<std::size_t>(i)].message();
    if (refused > kRefusalsShown)
        text += u'\n' + tr("另有 %1 行不能兑奖").arg(refused - kRefusalsShown);
    m_bets->setText(text);
}

bool TicketDialog::check()
{
    ticketsEdited();
    if (!m_parsed.refused.empty()) {
        QStringList lines;
        for (const RefusedTicket& r : m_parsed.refused)
            lines << r.message();
        m_dialogs.message(tr("投注与兑奖"), tr("以下各行不能兑奖，请改正：\n%1").arg(lines.join(u'\n')),
                          QMessageBox::Ok, QMessageBox::Warning);
        return false;
    }
    if (m_parsed.tickets.empty()) {
        m_dialogs.message(tr("投注与兑奖"), tr("请先输入投注。"), QMessageBox::Ok, QMessageBox::Warning);
        return false;
    }
    const PrizeTableRead prizes = currentPrizeTable(m_session);
    const HistorySnapshot& history = m_session.snapshot();
    TicketCheckResult r;
    {
        BusyCursor busy;
        r = checkTickets(history, m_parsed.tickets, prizes.table, m_from->text(), m_to->text());
    }
    if (!r.ok) {
        m_dialogs.message(tr("投注与兑奖"), r.message, QMessageBox::Ok, QMessageBox::Warning);
        return false;
    }
    m_wins->setRowCount(0);
    for (const CheckedTicket& c : r.tickets) {
        for (const auto& [sqqh, wins] : c.winningDraws) {
            const int row = m_wins->rowCount();
            m_wins->insertRow(row);
            const QStringList cells { QString::number(c.ticket.line), c.ticket.text(), issue::displayForm(sqqh),
                                      drawNumbers(history, sqqh), QString::number(wins),
                                      QString::number(static_cast<std::int64_t>(wins) * prizes.table.of(c.ticket.play)) };
            for (int col = 0; col < static_cast<int>(cells.size()); ++col)
                m_wins->setItem(row, col, new QTableWidgetItem(cells[col]));
        }
    }
    m_wins->resizeColumnsToContents();
    const std::size_t draws = r.issues.size();
    m_totals->setText(tr("对照 %1 期（%2 至 %3）：%4 注 × %1 期，投入 %5 元，中奖 %6 注，返还 %7 元，返奖率 %8"
                         "（理论 %9）")
                          .arg(draws)
                          .arg(issue::displayForm(r.issues.front()), issue::displayForm(r.issues.back()))
                          .arg(r.totals.bets)
                          .arg(r.totals.cost)
                          .arg(r.totals.wins)
                          .arg(r.totals.won)
                          .arg(percent(r.totals.returnRate), percent(r.totals.expectedReturn)));
    m_note->setText(currentPrizeTableNote(m_session, prizes.table));
    return true;
}

} // namespace corvinel
