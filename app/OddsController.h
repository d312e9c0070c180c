#pragma once

#include <QObject>
#include <QPointer>

class QAction;
class QMenu;
class QWidget;

namespace corvinel {

class Dialogs;
class OddsDialog;
class Session;
class TicketDialog;

// The two items of 软件设置(T) about money: 玩法与概率 (the odds table, its
// prizes editable) and 投注与兑奖 (tickets checked against the draws). Each
// opens its dialog, one at a time, beside the main window.
class OddsController : public QObject
{
    Q_OBJECT

public:
    OddsController(Session& session, Dialogs& dialogs, QWidget* parentWindow, QMenu* setupMenu);

    QAction* oddsAction() const { return m_oddsAction; }
    QAction* ticketsAction() const { return m_ticketsAction; }
    OddsDialog* openOdds();
    TicketDialog* openTickets();

private:
    Session& m_session;
    Dialogs& m_dialogs;
    QWidget* m_parentWindow;
    QAction* m_oddsAction = nullptr;
    QAction* m_ticketsAction = nullptr;
    QPointer<OddsDialog> m_odds;
    QPointer<TicketDialog> m_tickets;
};

} // namespace corvinel
