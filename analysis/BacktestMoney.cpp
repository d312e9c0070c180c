#include "analysis/BacktestMoney.h"

namespace corvinel {

std::optional<QString> moneyPlayRefusal(const BacktestOptions& options)
{
    const SearchOptions& o = options.search;
    if (options.combination || o.resultKind != 0 || o.resultPosition != 1 || o.group)
        return QStringLiteral("按选一数投计算金额只适用于：结果类型为号码、结果统计位为第1位、直选，且不是组合检索。");
    return std::nullopt;
}

BacktestMoney backtestMoney(const BacktestResult& result, const PrizeTable& prizes)
{
    const PlayRule& rule = playRule(Play::PickOneNumber);
    const std::int64_t prize = prizes.of(Play::PickOneNumber);
    BacktestMoney m;
    m.expectedReturn = playOdds(Play::PickOneNumber, prizes).returnRate.value();
    for (const BacktestStep& step : result.steps) {
        if (step.scored() && !step.actual.empty()) {
            for (const TallyEntry& e : step.top) {
                if (e.value < rule.lowest || e.value > rule.highest)
                    continue;
                m.staked += kBetPrice;
                if (e.value == step.actual.front())
                    m.won += prize;
            }
        }
        m.stakedAfter.push_back(m.staked);
        m.wonAfter.push_back(m.won);
    }
    if (m.staked > 0)
        m.returnRate = static_cast<double>(m.won) / static_cast<double>(m.staked);
    return m;
}

QString moneyLine(const BacktestMoney& money)
{
    const QString rate = money.returnRate ? QString::number(*money.returnRate * 100, 'f', 1) : QStringLiteral("-");
    return QStringLiteral("投入 %1 元，返还 %2 元，返奖率 %3 %（理论 %4 %）")
        .arg(money.staked)
        .arg(money.won)
        .arg(rate, QString::number(money.expectedReturn * 100, 'f', 1));
}

} // namespace corvinel
