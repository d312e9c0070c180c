#include "session/SessionBacktest.h"

#include "core/IssueNumber.h"
#include "session/Session.h"

#include <algorithm>

namespace corvinel {

SessionBacktest::SessionBacktest(Session& session)
    : m_backtest(session.store())
{
}

BacktestOptions SessionBacktest::options(const Session& session, const SearchChoices& choices, bool combination,
                                         const QString& from, const QString& to, int top)
{
    BacktestOptions b;
    // The pattern is taken per step; of the range only its start is read
    // (the choices' start, else the default that follows their lag).
    PatternSource source;
    source.from = PatternSource::From::ReferenceDraw;
    b.search = searchOptions(session, choices, source);
    b.search.zodiacNumbers = session.zodiac().numbers();
    b.combination = combination;
    b.from = from;
    b.to = to;
    b.top = top;
    return b;
}

std::pair<QString, QString> SessionBacktest::lastDraws(const Session& session, int count)
{
    const auto& rows = session.snapshot().rows();
    if (rows.empty() || count < 1)
        return {};
    const std::size_t first = rows.size() - std::min(rows.size(), static_cast<std::size_t>(count));
    return { issue::displayForm(rows[first].sqqh), issue::displayForm(rows.back().sqqh) };
}

BacktestResult SessionBacktest::run(const BacktestOptions& options, const Backtest::Progress& progress)
{
    return m_backtest.run(options, progress);
}

} // namespace corvinel
