#pragma once

#include "analysis/Backtest.h"
#include "session/SearchSetup.h"

#include <QString>

namespace corvinel {

class Session;

// The batch verification on the session's history (批量验证): the search as
// the choices set it up, run as the verification tab runs it for every
// stored draw of a range. The batch keeps the history it has read until the
// history changes, so a second run over other draws starts at once.
class SessionBacktest
{
public:
    explicit SessionBacktest(Session& session);

    // The options of a batch: the search of `choices` (with the session's
    // bases and zodiac number table; its range start is the start of every
    // step's search range), the verified draws from..to and K.
    static BacktestOptions options(const Session& session, const SearchChoices& choices, bool combination,
                                   const QString& from, const QString& to, int top);
    // The last `count` stored draws, as display forms (empty when none).
    static std::pair<QString, QString> lastDraws(const Session& session, int count = 200);

    BacktestResult run(const BacktestOptions& options, const Backtest::Progress& progress = {});

private:
    Backtest m_backtest;
};

} // namespace corvinel
