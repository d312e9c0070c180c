#include "app/SearchController.h"

#include "app/BusyCursor.h"
#include "app/GridModel.h"
#include "session/SessionSearch.h"
#include "app/Twips.h"
#include "app/Dialogs.h"
#include "session/Session.h"

#include <cmath>

#include <QBarCategoryAxis>
#include <QGraphicsLayout>
#include <QHorizontalBarSeries>
#include <QBarSet>
#include <QBoxLayout>
#include <QCheckBox>
#include <QCursor>
#include <QScatterSeries>
#include <QToolTip>
#include <QChart>
#include <QChartView>
#include <QFont>
#include <QFontMetrics>
#include <QPushButton>
#include <QTableView>
#include <QScrollBar>
#include <QStatusBar>
#include <QHeaderView>
#include <QLegend>
#include <QLegendMarker>
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
    // A new answer is read from its first row.
    view->scrollToTop();
}

} // namespace

SearchController::SearchController(Session& session, Dialogs& dialogs, QWidget* parentWindow, const OptionPanel& options,
                                   const ResultPanel& results)
    : QObject(parentWindow)
    , m_session(session)
    , m_dialogs(dialogs)
    , m_parentWindow(parentWindow)
    , m_results(results)
    , m_search(std::make_unique<SessionSearch>(session))
{
    connect(options.command1, &QPushButton::clicked, this, &SearchController::command1Clicked);
    connect(options.command2, &QPushButton::clicked, this, &SearchController::command2Clicked);
    // The write-back runs off this thread: the status bar says so while it
    // writes; once it ends its completion runs here.
    connect(&session, &Session::writingChanged, this, [this](bool writing) {
        if (writing) {
            emit status(tr("正在写入检索标记……"));
        } else {
            emit status(QString());
            m_session.waitForWrites();
        }
    });

    // The results on screen are of the history as it was: a change of the
    // history (an import, an update, a deletion, a draw entered) clears them.
    connect(&session, &Session::historyChanged, this, &SearchController::clearResults);
}

SearchController::~SearchController()
{
    // Closing the window finishes a write-back first, with this controller
    // still there for its completion.
    m_session.waitForWrites();
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
        m_dialogs.message(tr("输入有误"), result.message, QMessageBox::Ok, QMessageBox::Warning);
        return;
    }
    showResult(result);
    // The answer is on screen; the marks are written in the background, and
    // every later database operation of the window waits for them.
    auto failed = [this](const QString& error) {
        m_dialogs.message(tr("检索"), tr("检索结果已显示，但检索标记未能写入历史数据库：%1").arg(error),
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
    m_chance = m_search->chance(result);
    showChance(m_chance);
    showChart(result);
    m_results.matchCount->setText(tr("匹配 %1 期，基数 %2").arg(result.matchedIssues.size()).arg(result.base));
    if (result.pairsAcrossGaps > 0)
        m_results.matchCount->setText(
            m_results.matchCount->text()
            + (m_session.skipGaps() ? tr("；跨缺期的 %1 期未计入").arg(result.pairsAcrossGaps)
                                  : tr("；其中 %1 期与参照期之间有缺期").arg(result.pairsAcrossGaps)));
}

void SearchController::clearResults()
{
    if (m_results.matchesModel->rowCount() == 0 && m_results.rankingModel->rowCount() == 0)
        return;
    const ResultTable none;
    fill(m_results.matchesModel, m_results.matches, none);
    m_results.rankingModel->setTable({ QString(), QString(), QString(), QString() }, {});
    m_results.chanceModel->setProvider({}, 0, {});
    m_results.chanceVerdict->clear();
    QChart* chart = m_results.chart->chart();
    chart->removeAllSeries();
    for (QAbstractAxis* axis : chart->axes()) {
        chart->removeAxis(axis);
        delete axis;
    }
    m_results.matchCount->setText(tr("历史号码已更改，请重新检索"));
}

void SearchController::showChance(const ChanceFigures& chance)
{
    // Many searches in one session: some "significant" verdicts are chance.
    QString verdict = chanceVerdict(chance);
    const QString searches = searchCountNote(m_search->searchCount());
    if (!searches.isEmpty())
        verdict += QStringLiteral("。") + searches;
    m_results.chanceVerdict->setText(verdict);
    m_results.chanceVerdict->setToolTip(chanceExplanation(chance));
    fill(m_results.chanceModel, m_results.chanceGrid, chanceTable(chance));
    const auto rows = std::make_shared<std::vector<ChanceRow>>(chance.rows);
    m_results.rankingModel->setRowToolTip([rows](int r) {
        return r >= 0 && r < static_cast<int>(rows->size()) ? chanceTip((*rows)[static_cast<std::size_t>(r)])
                                                            : QString();
    });
}

void SearchController::showChart(const SearchResult& result)
{
    QChart* chart = m_results.chart->chart();
    chart->removeAllSeries();
    // removeAxis() only hands the axis back to us; it is ours to delete.
    for (QAbstractAxis* axis : chart->axes()) {
        chart->removeAxis(axis);
        delete axis;
    }
    // Horizontal bars, the first of the ranking at the top, so that the chart
    // reads like the grid beside it (categories run from the bottom up).
    auto* set = new QBarSet(tr("出现次数"));
    // Each bar's expected count under chance, a mark on the bar's line.
    auto* expected = new QScatterSeries;
    expected->setName(tr("随机期望"));
    expected->setMarkerShape(QScatterSeries::MarkerShapeRectangle);
    expected->setMarkerSize(7);
    expected->setColor(Qt::red);
    expected->setBorderColor(Qt::darkRed);
    QStringList categories;
    double top = 0;
    const int n = result.ranking.rowCount();
    for (int r = n - 1; r >= 0; --r) {
        const TallyEntry& e = result.rankingOrder[static_cast<std::size_t>(r)];
        *set << e.count;
        top = std::max(top, static_cast<double>(e.count));
        if (static_cast<std::size_t>(r) < m_chance.rows.size() && m_chance.tallied > 0) {
            const double mark = m_chance.rows[static_cast<std::size_t>(r)].expected;
            expected->append(mark, n - 1 - r);
            top = std::max(top, mark);
        }
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
    chart->addSeries(expected);
    // The legend names the marks only (the bars are the ranking itself).
    chart->legend()->setAlignment(Qt::AlignBottom);
    chart->legend()->setVisible(expected->count() > 0);
    for (QLegendMarker* marker : chart->legend()->markers(series))
        marker->setVisible(false);
    // The figures of a bar (or of its mark) as its tool tip; bars run from
    // the bottom up, the ranking from the top down.
    const auto tip = [this, n](bool shown, int bar) {
        const int r = n - 1 - bar;
        if (shown && r >= 0 && r < static_cast<int>(m_chance.rows.size()))
            QToolTip::showText(QCursor::pos(), chanceTip(m_chance.rows[static_cast<std::size_t>(r)]), m_results.chart);
        else
            QToolTip::hideText();
    };
    connect(series, &QHorizontalBarSeries::hovered, this, [tip](bool shown, int bar, QBarSet*) { tip(shown, bar); });
    connect(expected, &QScatterSeries::hovered, this,
            [tip](const QPointF& point, bool shown) { tip(shown, qRound(point.y())); });
    auto* y = new QBarCategoryAxis;
    y->append(categories);
    QFont small = y->labelsFont();
    small.setPointSizeF(std::max(6.0, small.pointSizeF() * 0.75));
    y->setLabelsFont(small);
    y->setTruncateLabels(false);
    chart->addAxis(y, Qt::AlignLeft);
    series->attachAxis(y);
    expected->attachAxis(y);
    // Whole counts only: a tick every `step` counts, at most about six of
    // them, so small counts do not repeat a rounded label. The expectation
    // marks may lie past the largest count.
    auto* x = new QValueAxis;
    const int reach = std::max(1, static_cast<int>(std::ceil(top)));
    const int step = std::max(1, (reach + 4) / 5);
    const int end = ((reach + step - 1) / step) * step;
    x->setRange(0, end);
    x->setTickType(QValueAxis::TicksDynamic);
    x->setTickAnchor(0);
    x->setTickInterval(step);
    x->setMinorTickCount(0);
    x->setLabelFormat(QStringLiteral("%d"));
    x->setLabelsFont(small);
    chart->addAxis(x, Qt::AlignBottom);
    series->attachAxis(x);
    expected->attachAxis(x);
}

} // namespace corvinel
