#include "session/PrizeTables.h"

namespace corvinel {

QString prizeTableFile(const Session& session)
{
    return prizeTablePath(session.dataFolder(), session.choices().lotteryCode);
}

PrizeTableRead currentPrizeTable(const Session& session)
{
    return readPrizeTable(prizeTableFile(session));
}

bool saveCurrentPrizeTable(const Session& session, const PrizeTable& table, QString* error)
{
    return writePrizeTable(prizeTableFile(session), table, error);
}

QString currentPrizeTableNote(const Session& session, const PrizeTable& table)
{
    return prizeTableNote(session.choices().lotteryCode, table);
}

} // namespace corvinel
