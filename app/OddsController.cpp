#include "app/OddsController.h"

#include "app/OddsDialog.h"
#include "app/TicketDialog.h"

#include <QAction>
#include <QMenu>

namespace corvinel {

OddsController::OddsController(Session& session, Dialogs& dialogs, QWidget* parentWindow, QMenu* setupMenu)
    : m_session(session)
    , m_dialogs(dialogs)
    , m_parentWindow(parentWindow)
{
    setupMenu->addSeparator();
    m_oddsAction = setupMenu->addAction(tr("玩法与概率"));
    m_oddsAction->setObjectName(QStringLiteral("mnuOdds"));
    m_ticketsAction = setupMenu->addAction(tr("投注与兑奖"));
    m_ticketsAction->setObjectName(QStringLiteral("mnuTickets"));
    connect(m_oddsAction, &QAction::triggered, this, [this] { openOdds(); });
    connect(m_ticketsAction, &QAction::triggered, this, [this] { openTickets(); });
}

OddsDialog* OddsController::openOdds()
{
    // Opened afresh each time: the game or its prize file may have changed.
    if (m_odds)
        m_odds->close();
    m_odds = new OddsDialog(m_session, m_parentWindow);
    m_odds->setAttribute(Qt::WA_DeleteOnClose);
    m_odds->show();
    return m_odds;
}

TicketDialog* OddsController::openTickets()
{
    // The ticket dialog keeps what was typed while it stays open.
    if (!m_tickets) {
        m_tickets = new TicketDialog(m_session, m_dialogs, m_parentWindow);
        m_tickets->setAttribute(Qt::WA_DeleteOnClose);
    }
    m_tickets->show();
    m_tickets->raise();
    return m_tickets;
}

} // namespace corvinel
