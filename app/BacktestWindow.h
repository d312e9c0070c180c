#pragma once

#include "analysis/Backtest.h"
#include "analysis/BacktestMoney.h"

#include <QWidget>

class QChartView;
class QLabel;
class QTableView;

namespace corvinel {

class GridModel;

// The outcome of a batch verification in a window of its own: the
// cumulative hit rate against the chance rate with its 95 % band, the
// summary in words, and the steps in a grid (期号, 前K结果, 实际, 命中,
// 随机概率, 匹配期数) that a double click exports to "Huice.xlsx" in the data folder.
class BacktestWindow : public QWidget
{
    Q_OBJECT

public:
    static constexpr const char* kWorkbookFile = "Huice.xlsx";

    BacktestWindow(const BacktestResult& result, const SearchOptions& search, int top, QString dataFolder,
                   QWidget* parent = nullptr);

    // An axis from 0 to at least `max` with ticks on round values: steps of
    // 1, 2 or 5 times a power of ten (whole numbers when `whole`).
    struct NiceAxis
    {
        double max = 1;
        double step = 1;
        int ticks = 2;
    };
    static NiceAxis niceAxis(double max, bool whole);

    // The summary line, e.g. "命中 61 次 / 200 次，随机期望 58.4 次，p=0.37：未发现命中多于随机（评分 200 次）".
    static QString summaryText(const BacktestSummary& summary);

    GridModel* model() const { return m_model; }
    QChartView* chartView() const { return m_chart; }
    QString summaryLine() const;
    // A batch counted as 选一数投 bets: the money line under the summary and
    // the cumulative stake and prizes on the chart (right axis, yuan).
    void showMoney(const BacktestResult& result, const BacktestMoney& money);
    QString moneyLine() const;

    // Writes the grid to Huice.xlsx (as a double click does); the message
    // says where it went or why it failed.
    bool exportGrid(QString* message);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildChart(const BacktestResult& result);

    QString m_dataFolder;
    QChartView* m_chart = nullptr;
    QLabel* m_summary = nullptr;
    QLabel* m_status = nullptr;
    QLabel* m_money = nullptr;
    QTableView* m_grid = nullptr;
    GridModel* m_model = nullptr;
};

} // namespace corvinel
