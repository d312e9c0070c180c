#pragma once

#include "analysis/Tickets.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTableWidget;

namespace corvinel {

class Dialogs;
class Session;

// 投注与兑奖: tickets typed or pasted one a line (a line without a play's name
// takes the play chosen above), their bets and cost shown as they are typed,
// checked against the last stored draw or a range of draws: each winning draw
// of each ticket, and the totals beside the plays' expected return.
class TicketDialog : public QDialog
{
    Q_OBJECT

public:
    TicketDialog(const Session& session, Dialogs& dialogs, QWidget* parent = nullptr);

    QComboBox* playBox() const { return m_play; }
    QPlainTextEdit* ticketBox() const { return m_text; }
    QLineEdit* fromBox() const { return m_from; }
    QLineEdit* toBox() const { return m_to; }
    QPushButton* checkButton() const { return m_check; }
    QTableWidget* winGrid() const { return m_wins; }
    QString betsLine() const;
    QString totalsLine() const;

    // The check button's action; false when refused (a message box says why).
    bool check();

private:
    void ticketsEdited();
    std::optional<Play> chosenPlay() const;

    const Session& m_session;
    Dialogs& m_dialogs;
    TicketParse m_parsed;
    QComboBox* m_play = nullptr;
    QPlainTextEdit* m_text = nullptr;
    QLabel* m_bets = nullptr;
    QLineEdit* m_from = nullptr;
    QLineEdit* m_to = nullptr;
    QPushButton* m_check = nullptr;
    QTableWidget* m_wins = nullptr;
    QLabel* m_totals = nullptr;
    QLabel* m_note = nullptr;
};

} // namespace corvinel
