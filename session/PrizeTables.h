#pragma once

#include "analysis/Plays.h"
#include "session/Session.h"

namespace corvinel {

// The prize table of the session's game: its file in the data folder, read
// fresh on every call (the user may edit the file while the program runs).
QString prizeTableFile(const Session& session);
PrizeTableRead currentPrizeTable(const Session& session);
// Saves the game's table; false with the reason in `error`.
bool saveCurrentPrizeTable(const Session& session, const PrizeTable& table, QString* error);
// The note shown beside the game's table (empty for Guangdong or a table the
// user has set).
QString currentPrizeTableNote(const Session& session, const PrizeTable& table);

} // namespace corvinel
