#include "app/BacktestWindow.h"

#include "app/ExportController.h"
#include "app/GridModel.h"
#include "core/IssueNumber.h"
#include "export/WorkbookExport.h"

#include <QAreaSeries>
#include <QChart>
#include <QChartView>
#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QHeaderView>
#include <QLabel>
#include <QLineSeries>
#include <QTableView>
#include <QVBoxLayout>
#include <QValueAxis>

#include <cmath>

namespace corvinel {

namespace {

QString unscoredText(StepState state)
{
    switch (state) {
    case StepState::EmptyRange:
        return QCoreApplication::translate("corvinel::BacktestWindow", "（此前无可检索的期）");
    case StepState::NoReference:
        return QCoreApplication::translate("corvinel::BacktestWindow", "（没有前N期）");
    case StepState::NoMatch:
        return QCoreApplication::translate("corvinel::BacktestWindow", "（无匹配）");
    default:
        return {};
    }
}

QString joined(const std::vector<int>& values, const SearchOptions& o)
{
    QStringList out;
    for (int v : values)
        out << Backtest::valueText(v, o.resultKind, o.zodiacBase);
    return out.join(u' ');
}

} // namespace

BacktestWindow::NiceAxis BacktestWindow::niceAxis(double max, bool whole)
{
    // Steps of 1, 2 or 5 times a power of ten, about five of them.
    const double raw = std::max(max, whole ? 1.0 : 0.01) / 5.0;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    double step = power;
    for (const double m : { 1.0, 2.0, 5.0, 10.0 }) {
        step = m * power;
        if (step >= raw)
            break;
    }
    if (whole)
        step = std::max(1.0, std::round(step));
    const int intervals = std::max(1, static_cast<int>(std::ceil(max / step - 1e-9)));
    return { step * intervals, step, intervals + 1 };
}

BacktestWindow::BacktestWindow(const BacktestResult& result, const SearchOptions& search, int top, QString dataFolder,
                               QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_dataFolder(std::move(dataFolder))
{
    setObjectName(QStringLiteral("frmBacktest"));
    setWindowTitle(tr("批量验证（前%1结果）").arg(top));
    setAttribute(Qt::WA_DeleteOnClose);
    auto* layout = new QVBoxLayout(this);

    m_chart = new QChartView(new QChart, this);
    m_chart->setObjectName(QStringLiteral("chtBacktest"));
    m_chart->setMinimumHeight(240);
    buildChart(result);
    // The chart takes twice the grid's share: at least half the window.
    layout->addWidget(m_chart, 4);

    m_summary = new QLabel(summaryText(result.summary), this);
    m_summary->setObjectName(QStringLiteral("lblBacktestSummary"));
    m_summary->setWordWrap(true);
    layout->addWidget(m_summary);
    auto* note = new QLabel(tr("随机期望：每期随机选出同样多个值时的命中次数。每期开奖相互独立，"
                               "过去的命中率不能说明下一期。"),
                            this);
    note->setWordWrap(true);
    layout->addWidget(note);

    m_model = new GridModel(this);
    const QStringList header = { tr("期号"), tr("前K结果"), tr("实际"), tr("命中"), tr("随机概率"), tr("匹配期数") };
    QList<QStringList> rows;
    rows.reserve(static_cast<qsizetype>(result.steps.size()));
    for (const BacktestStep& step : result.steps) {
        std::vector<int> topValues;
        for (const TallyEntry& e : step.top)
            topValues.push_back(e.value);
        rows.append({ issue::displayForm(step.sqqh),
                      step.scored() ? joined(topValues, search) : unscoredText(step.state), joined(step.actual, search),
                      step.scored() ? QString::number(step.hits) : QStringLiteral("-"),
                      step.scored() ? QString::number(step.chance, 'f', 3) : QString(),
                      step.state == StepState::NoReference || step.state == StepState::EmptyRange
                          ? QString()
                          : QString::number(step.matched) });
    }
    m_model->setTable(header, rows);
    m_grid = new QTableView(this);
    m_grid->setObjectName(QStringLiteral("grdBacktest"));
    m_grid->setModel(m_model);
    m_grid->verticalHeader()->hide();
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->viewport()->installEventFilter(this);
    m_grid->setToolTip(tr("双击导出到 Huice.xlsx"));
    layout->addWidget(m_grid, 2);

    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("lblBacktestStatus"));
    layout->addWidget(m_status);
    resize(760, 640);
}

QString BacktestWindow::summaryText(const BacktestSummary& s)
{
    if (s.trials == 0)
        return tr("%1 期中没有可评分的期（无匹配或此前无可检索的期）。").arg(s.steps);
    QString text = tr("命中 %1 次 / %2 次，随机期望 %3 次")
                       .arg(s.hits)
                       .arg(s.trials)
                       .arg(QString::number(s.expectedHits, 'f', 1));
    if (!s.pValue)
        return text + tr("：随机概率为0或1，无法检验");
    text += tr("，%1p=%2")
                .arg(s.pExact ? tr("精确 ") : QString())
                .arg(QString::number(*s.pValue, 'f', *s.pValue < 0.01 ? 3 : 2));
    // The same plain words as a search's verdict: a test that finds nothing
    // on a few hundred trials does not show the method is random, and one
    // "significant" run in twenty is what chance alone gives.
    if (*s.pValue < 0.05)
        return text + tr("：命中显著多于随机（单侧检验，p<0.05），但随机数据中每 20 次验证约有 1 次如此");
    return text + tr("：未发现命中多于随机（评分 %1 次）").arg(s.trials);
}

QString BacktestWindow::summaryLine() const
{
    return m_summary->text();
}

void BacktestWindow::buildChart(const BacktestResult& result)
{
    QChart* chart = m_chart->chart();
    chart->setTitle(tr("累计命中率与随机"));
    auto* hitRate = new QLineSeries;
    hitRate->setName(tr("累计命中率"));
    auto* chanceRate = new QLineSeries;
    chanceRate->setName(tr("随机"));
    auto* upper = new QLineSeries;
    auto* lower = new QLineSeries;
    // Over the scored steps so far: hits / trials, and the chance rate with
    // the band of 1.96 standard deviations of a random hit rate.
    double hits = 0, expected = 0, variance = 0, trials = 0;
    int x = 0;
    double top = 0.05;
    int scoredSteps = 0;
    for (const BacktestStep& step : result.steps)
        scoredSteps += step.scored() ? 1 : 0;
    // A long run is drawn through at most about 600 points (every k-th step
    // and the last): more than the chart has pixels across only makes the
    // area's outline too dense to paint its fill.
    const int every = std::max(1, (scoredSteps + 599) / 600);
    for (const BacktestStep& step : result.steps) {
        if (!step.scored())
            continue;
        ++x;
        trials += result.trialsPerStep;
        hits += step.hits;
        expected += step.chance * result.trialsPerStep;
        variance += result.trialsPerStep * step.chance * (1 - step.chance);
        const double band = 1.959964 * std::sqrt(variance) / trials;
        top = std::max({ top, hits / trials, expected / trials + band });
        if (x % every != 0 && x != scoredSteps && x != 1)
            continue;
        hitRate->append(x, hits / trials);
        chanceRate->append(x, expected / trials);
        upper->append(x, std::min(1.0, expected / trials + band));
        lower->append(x, std::max(0.0, expected / trials - band));
    }
    auto* area = new QAreaSeries(upper, lower);
    // The area series does not own its bounding lines; the chart owns the
    // area, and the area the lines.
    upper->setParent(area);
    lower->setParent(area);
    area->setName(tr("随机95%范围"));
    // A filled area with an outline of its own, so even a narrow band of a
    // long run stays visible under the two lines.
    area->setColor(QColor(120, 144, 196, 110));
    area->setBorderColor(QColor(90, 110, 160));
    chart->addSeries(area);
    chart->addSeries(chanceRate);
    chart->addSeries(hitRate);
    auto* axisX = new QValueAxis;
    axisX->setTitleText(tr("已评分期数"));
    axisX->setLabelFormat(QStringLiteral("%d"));
    const NiceAxis xTicks = niceAxis(std::max(1, x), true);
    axisX->setRange(0, xTicks.max);
    axisX->setTickCount(xTicks.ticks);
    auto* axisY = new QValueAxis;
    axisY->setTitleText(tr("命中率"));
    const NiceAxis yTicks = niceAxis(std::min(1.0, top * 1.1), false);
    axisY->setRange(0, yTicks.max);
    axisY->setTickCount(yTicks.ticks);
    axisY->setLabelFormat(yTicks.step < 0.1 ? QStringLiteral("%.2f") : QStringLiteral("%.1f"));
    chart->addAxis(axisX, Qt::AlignBottom);
    chart->addAxis(axisY, Qt::AlignLeft);
    for (QAbstractSeries* s : { static_cast<QAbstractSeries*>(area), static_cast<QAbstractSeries*>(chanceRate),
                                static_cast<QAbstractSeries*>(hitRate) }) {
        s->attachAxis(axisX);
        s->attachAxis(axisY);
    }
}

bool BacktestWindow::exportGrid(QString* message)
{
    CellSource source;
    source.rows = m_model->gridRows();
    source.columns = m_model->columnCount();
    const GridModel* model = m_model;
    source.text = [model](int row, int column) { return model->gridText(row, column); };
    const ExportResult r = workbook::writeInto(m_dataFolder, kWorkbookFile, source);
    if (!r.ok) {
        *message = tr("无法写入 %1：%2").arg(QDir::toNativeSeparators(r.path), r.error);
        m_status->setText(*message);
        return false;
    }
    *message = tr("已导出到 %1").arg(QDir::toNativeSeparators(r.path));
    m_status->setText(*message);
    if (!ExportController::openingDisabled())
        ExportController::openWithDesktop(r.path, ExportController::Opened::Spreadsheet);
    return true;
}

bool BacktestWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_grid->viewport() && event->type() == QEvent::MouseButtonDblClick) {
        QString message;
        exportGrid(&message);
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace corvinel
