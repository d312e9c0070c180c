#pragma once

#include "analysis/Backtest.h"
#include "analysis/Plays.h"

#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace corvinel {

// The batch verification in money: at every scored step each of the top K
// values that is a 选一数投 number (01–18) is one 2-yuan bet, winning the
// play's prize when the draw's 1st number is that value.
struct BacktestMoney
{
    std::int64_t staked = 0;
    std::int64_t won = 0;
    std::optional<double> returnRate; // won / staked
    double expectedReturn = 0; // the play's return (0.625 with Guangdong's prize)
    // After each step of the result (unscored steps repeat the last figures).
    std::vector<std::int64_t> stakedAfter;
    std::vector<std::int64_t> wonAfter;
};

// Why a batch cannot be counted as 选一数投 bets: only the follow-pattern
// search with result kind number, result position 1 and direct mode.
std::optional<QString> moneyPlayRefusal(const BacktestOptions& options);

BacktestMoney backtestMoney(const BacktestResult& result, const PrizeTable& prizes);

// "投入 600 元，返还 350 元，返奖率 58.3 %（理论 62.5 %）"
QString moneyLine(const BacktestMoney& money);

} // namespace corvinel
