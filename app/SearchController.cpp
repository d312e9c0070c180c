#include "app/SearchController.h"

#include "app/BusyCursor.h"
#include "app/GridModel.h"
#include "session/SessionSearch.h"
#include "app/Twips.h"
#include "app/frmMain.h"

#include <QBarCategoryAxis>
#include <QGraphicsLayout>
#include <QHorizontalBarSeries>
#include <QBarSet>
#include <QBoxLayout>
#include <QChart>
#include <QChartView>
#include <QFont>
#include <QFontMetrics>
#include <QPushButton>
#include <QTableView>
#include <QScrollBar>
#include <QHeaderView>
#include <QLabel>
#include <QValueAxis>

namespace corvinel {

namespace {

void fill(GridModel* model, QTableView* view, const ResultTable& table)
{
    // The grid is filled in one step from a complete table: the user never
    // sees it half filled.
    auto cells = std::make_shared<ResultTable>(table);
    view->setUpdatesEnabled(false);
    model->setProvider(cells->header, cells->rowCount(),
                       [cells](int row, int column) { return cells->cell(row, column); });
    // The grid's widths in twips, widened where the font needs more room for
    // the header or the first rows' texts, so that nothing is cut off.
    const QFontMetrics fm = view->fontMetrics();
    const int sampleRows = std::min(cells->rowCount(), 200);
    for (int c = 0; c < static_cast<int>(cells->widthsTwips.size()); ++c) {
        int content = fm.horizontalAdvance(cells->header.value(c));
        for (int r = 0; r < sampleRows; ++r)
            content = std::max(content, fm.horizontalAdvance(cells->cell(r, c)));
        view->setColumnWidth(c, std::max(twipsToPixels(cells->widthsTwips[c]), content + 12));
    }
    view->setUpdatesEnabled(true);
}

} // namespace

SearchController::SearchController(frmMain* window, const OptionPanel& options, const ResultPanel& results)
    : QObject(window)
    , m_window(window)
    , m_results(results)
    , m_search(std::make_unique<SessionSearch>(window->session()))
{
    connect(options.command1, &QPushButton::clicked, this, &SearchController::command1Clicked);
    connect(options.command2, &QPushButton::clicked, this, &SearchController::command2Clicked);

    QWidget* ranking = results.ranking;
    // Above the ranking: how many draws matched and the percentage base.
    {
        const int at = results.row->indexOf(ranking);
        auto* box = new QWidget(ranking->parentWidget());
        box->setObjectName(QStringLiteral("rankingBox"));
        auto* column = new QVBoxLayout(box);
        column->setContentsMargins(0, 0, 0, 0);
        m_matchCount = new QLabel(box);
        m_matchCount->setObjectName(QStringLiteral("labelMatchCount"));
        results.row->removeWidget(results.ranking);
        column->addWidget(m_matchCount);
        column->addWidget(results.ranking, 1);
        results.row->insertWidget(at, box, 2);
        ranking = box; // the chart goes beside it
    }
    auto* chart = new QChart;
    chart->legend()->hide();
    // Every pixel of height goes to the bars: up to twenty labels must fit.
    chart->setMargins(QMargins(2, 2, 2, 2));
    chart->layout()->setContentsMargins(0, 0, 0, 0);
    chart->setBackgroundRoundness(0);
    // Given to the constructor, the view owns the chart. (A view made without
    // one makes its own, and setChart() would then release, not delete, it.)
    m_chart = new QChartView(chart, ranking->parentWidget());
    m_chart->setObjectName(QStringLiteral("chartResult"));
    m_chart->setRenderHint(QPainter::Antialiasing);
    m_chart->setMinimumWidth(220);
    results.row->insertWidget(results.row->indexOf(ranking) + 1, m_chart, 2);
}

SearchController::~SearchController() = default;

void SearchController::command1Clicked()
{
    run(false);
}

void SearchController::command2Clicked()
{
    run(true);
}

void SearchController::run(bool combination)
{
    BusyCursor busy;
    SearchResult result = combination ? m_search->combination() : m_search->followPattern();
    if (!result.ok) {
        m_window->dialogs().message(QStringLiteral("输入有误"), result.message, QMessageBox::Ok, QMessageBox::Warning);
        return;
    }
    showResult(result);
    // The answer is on screen first; the marks follow at once, inside this
    // handler, so no other database operation can start before they are in.
    m_results.matches->viewport()->repaint();
    m_results.ranking->viewport()->repaint();
    m_chart->repaint();
    QString error;
    if (!m_search->writeBack(result, &error))
        m_window->dialogs().message(QStringLiteral("检索"),
                                    QStringLiteral("检索结果已显示，但检索标记未能写入历史数据库：%1").arg(error),
                                    QMessageBox::Ok, QMessageBox::Warning);
}

void SearchController::showResult(const SearchResult& result)
{
    fill(m_results.matchesModel, m_results.matches, result.matches);
    fill(m_results.rankingModel, m_results.ranking, result.ranking);
    // The ranking has four narrow columns: keep all of them in view beside
    // the chart instead of behind a horizontal scroll bar.
    QTableView* ranking = m_results.ranking;
    int rankingWidth = ranking->verticalHeader()->isVisible() ? ranking->verticalHeader()->width() : 0;
    for (int c = 0; c < ranking->model()->columnCount(); ++c)
        rankingWidth += ranking->columnWidth(c);
    ranking->setMinimumWidth(rankingWidth + ranking->verticalScrollBar()->sizeHint().width()
                             + 2 * ranking->frameWidth());
    showChart(result);
    m_matchCount->setText(tr("匹配 %1 期，基数 %2").arg(result.matchedIssues.size()).arg(result.base));
}

void SearchController::showChart(const SearchResult& result)
{
    QChart* chart = m_chart->chart();
    chart->removeAllSeries();
    // removeAxis() only hands the axis back to us; it is ours to delete.
    for (QAbstractAxis* axis : chart->axes()) {
        chart->removeAxis(axis);
        delete axis;
    }
    // Horizontal bars, the first of the ranking at the top, so that the chart
    // reads like the grid beside it (categories run from the bottom up).
    auto* set = new QBarSet(QStringLiteral("出现次数"));
    QStringList categories;
    int top = 0;
    for (int r = result.ranking.rowCount() - 1; r >= 0; --r) {
        const TallyEntry& e = result.rankingOrder[static_cast<std::size_t>(r)];
        *set << e.count;
        top = std::max(top, e.count);
        // The label the ranking grid shows; a value without a name keeps its number.
        QString label = result.ranking.cell(r, 1);
        if (label.isEmpty())
            label = QString::number(e.value);
        categories << label;
    }
    auto* series = new QHorizontalBarSeries;
    series->append(set);
    series->setBarWidth(0.8);
    chart->addSeries(series);
    auto* y = new QBarCategoryAxis;
    y->append(categories);
    QFont small = y->labelsFont();
    small.setPointSizeF(std::max(6.0, small.pointSizeF() * 0.75));
    y->setLabelsFont(small);
    y->setTruncateLabels(false);
    chart->addAxis(y, Qt::AlignLeft);
    series->attachAxis(y);
    // Whole counts only: a tick every `step` counts, at most about six of
    // them, so small counts do not repeat a rounded label.
    auto* x = new QValueAxis;
    const int step = std::max(1, (std::max(top, 1) + 4) / 5);
    const int end = ((std::max(top, 1) + step - 1) / step) * step;
    x->setRange(0, end);
    x->setTickType(QValueAxis::TicksDynamic);
    x->setTickAnchor(0);
    x->setTickInterval(step);
    x->setMinorTickCount(0);
    x->setLabelFormat(QStringLiteral("%d"));
    x->setLabelsFont(small);
    chart->addAxis(x, Qt::AlignBottom);
    series->attachAxis(x);
}

} // namespace corvinel
