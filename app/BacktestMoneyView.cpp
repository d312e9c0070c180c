// The money part of the batch verification window, kept apart from the hit
// rate chart and grid it adds to.
#include "app/BacktestWindow.h"

#include <QChart>
#include <QChartView>
#include <QLabel>
#include <QLineSeries>
#include <QVBoxLayout>
#include <QValueAxis>

#include <algorithm>

namespace corvinel {

void BacktestWindow::showMoney(const BacktestResult& result, const BacktestMoney& money)
{
    if (!m_money) {
        m_money = new QLabel(this);
        m_money->setObjectName(QStringLiteral("lblBacktestMoney"));
        m_money->setWordWrap(true);
        if (auto* box = qobject_cast<QVBoxLayout*>(layout()))
            box->insertWidget(box->indexOf(m_summary) + 1, m_money);
    }
    m_money->setText(corvinel::moneyLine(money));

    // The same x as the hit rate: scored steps so far.
    QChart* chart = m_chart->chart();
    auto* staked = new QLineSeries;
    staked->setName(tr("累计投入（元）"));
    auto* won = new QLineSeries;
    won->setName(tr("累计返还（元）"));
    int x = 0;
    for (std::size_t i = 0; i < result.steps.size() && i < money.stakedAfter.size(); ++i) {
        if (!result.steps[i].scored())
            continue;
        ++x;
        staked->append(x, static_cast<double>(money.stakedAfter[i]));
        won->append(x, static_cast<double>(money.wonAfter[i]));
    }
    chart->addSeries(staked);
    chart->addSeries(won);
    auto* axisYuan = new QValueAxis;
    axisYuan->setTitleText(tr("元"));
    axisYuan->setLabelFormat(QStringLiteral("%d"));
    axisYuan->setRange(0, static_cast<double>(std::max<std::int64_t>({ 10, money.staked, money.won })) * 1.05);
    chart->addAxis(axisYuan, Qt::AlignRight);
    const QList<QAbstractAxis*> bottom = chart->axes(Qt::Horizontal);
    for (QLineSeries* s : { staked, won }) {
        if (!bottom.isEmpty())
            s->attachAxis(bottom.first());
        s->attachAxis(axisYuan);
    }
}

QString BacktestWindow::moneyLine() const
{
    return m_money ? m_money->text() : QString();
}

} // namespace corvinel
