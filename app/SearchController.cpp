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
#include <QStatusBar>
#include <QHeaderView>
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
    // The write-back runs off this thread: the status bar says so while it
    // writes; once it ends its completion runs here.
    connect(&window->session(), &Session::writingChanged, this, [this](bool writing) {
        if (writing) {
            m_window->statusBar()->showMessage(QStringLiteral("正在写入检索标记……"));
        } else {
            m_window->statusBar()->clearMessage();
            m_window->session().waitForWrites();
        }
    });

    QTableView* ranking = results.ranking;
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

SearchController::~SearchController()
{
    // Closing the window finishes a write-back first, with this controller
    // still there for its completion.
    m_window->session().waitForWrites();
}

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
    // The answer is on screen; the marks are written in the background, and
    // every later database operation of the window waits for them.
    auto failed = [this](const QString& error) {
        m_window->dialogs().message(QStringLiteral("检索"),
                                    QStringLiteral("检索结果已显示，但检索标记未能写入历史数据库：%1").arg(error),
                                    QMessageBox::Ok, QMessageBox::Warning);
    };
    QString error;
    if (!m_search->startWriteBack(
            result,
            [failed](bool ok, const QString& e) {
                if (!ok)
                    failed(e);
            },
            &error))
        failed(error);
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
    auto* x = new QValueAxis;
    x->setRange(0, std::max(top, 1));
    x->applyNiceNumbers();
    x->setLabelFormat(QStringLiteral("%d"));
    x->setLabelsFont(small);
    chart->addAxis(x, Qt::AlignBottom);
    series->attachAxis(x);
}

} // namespace corvinel
