#include "session/HistoryHoles.h"

#include "session/Session.h"

namespace corvinel {

GapReport historyGaps(Session& session)
{
    return gaps::ofHistory(session.store(), session.choices().lotteryCode, session.choices().drawsPerDay);
}

QString missingIssuesNote(Session& session)
{
    return gaps::summaryText(historyGaps(session));
}

} // namespace corvinel
