// Command1 and Command2 in the real main window, from each of the three tabs:
// both result grids and the chart show what the literal statements give on a
// copy of the same history; a refused range changes nothing.
#include "support/AnalysisTestSupport.h"
#include "app/GridModel.h"
#include "analysis/LiteralSearch.h"
#include "app/SearchController.h"
#include "session/Session.h"
#include "session/HistoryChanges.h"
#include "session/SessionSearch.h"
#include "core/Settings.h"
#include "core/IssueNumber.h"
#include "app/frmMain.h"

#include <QHorizontalBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QFontMetrics>
#include <QHeaderView>
#include <QLabel>
#include <QScrollBar>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTableView>
#include <QTest>

#include <memory>

using namespace corvinel;

class SearchWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void historyTabFollowPattern();
    void manualTabFollowPattern();
    void verificationTabCombination();
    void refusedRangeShowsAMessageOnly();
    void resultsReadAtBothScreenSizes_data();
    void resultsReadAtBothScreenSizes();

private:
    // The outcome the literal statements give for the window's current
    // options, on a copy of the database as it is now.
    SearchResult expected(bool combination);
    void click(const char* button) { m_window->findChild<QPushButton*>(button)->click(); }
    void tick(const QString& name) { m_window->findChild<QCheckBox*>(name)->setChecked(true); }
    void checkShown(const SearchResult& want);

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<frmMain> m_window;
};

void SearchWindowTest::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    const QString data = m_dir->filePath("data");
    QVERIFY(QDir().mkpath(data));
    {
        corvinel::testing::TestHistory h;
        std::mt19937 rng(42);
        std::vector<corvinel::testing::Nums> draws;
        draws.reserve(150);
        for (int i = 0; i < 150; ++i)
            draws.push_back(corvinel::testing::randomDraw(rng));
        h.append(draws);
        h.store.close();
        QVERIFY(QFile::copy(h.store.databasePath(), data + "/" + HistoryStore::kFileName));
    }
    const QString ini = m_dir->filePath("settings.ini");
    m_window = std::make_unique<frmMain>(std::make_unique<Session>(std::make_unique<Settings>(ini), data));
    m_window->dialogs().setAutomatic(true);
    m_window->show();
}

void SearchWindowTest::cleanup()
{
    m_window.reset();
    m_dir.reset();
}

SearchResult SearchWindowTest::expected(bool combination)
{
    const QString copy = m_dir->filePath("copy");
    QDir(copy).removeRecursively();
    QDir().mkpath(copy);
    QFile::copy(m_window->session().store().databasePath(), copy + "/" + HistoryStore::kFileName);
    HistoryStore store;
    store.open(copy);
    LiteralSearch literal(store.db());
    const SearchOptions o = SessionSearch::optionsFrom(m_window->session());
    return combination ? literal.combination(o) : literal.followPattern(o);
}

void SearchWindowTest::checkShown(const SearchResult& want)
{
    QVERIFY(want.ok);
    GridModel* matches = m_window->gridModel(2);
    GridModel* ranking = m_window->gridModel(3);
    QCOMPARE(matches->header(), want.matches.header);
    QCOMPARE(matches->rowCount(), want.matches.rowCount());
    for (int r = 0; r < want.matches.rowCount(); ++r)
        for (int c = 0; c < want.matches.columnCount(); ++c)
            QCOMPARE(matches->cell(r, c), want.matches.cell(r, c));
    QCOMPARE(ranking->header(), QStringList({ "序号", "结果", "出现次数", "百分比" }));
    QCOMPARE(ranking->rowCount(), want.ranking.rowCount());
    for (int r = 0; r < want.ranking.rowCount(); ++r)
        for (int c = 0; c < 4; ++c)
            QCOMPARE(ranking->cell(r, c), want.ranking.cell(r, c));
    // 1200, 680 and 2800 twips, wider only where the font needs it.
    const QFontMetrics fm = m_window->grid(2)->fontMetrics();
    int issueWidth = fm.horizontalAdvance(QStringLiteral("期号"));
    for (int r = 0; r < std::min(200, want.matches.rowCount()); ++r)
        issueWidth = std::max(issueWidth, fm.horizontalAdvance(want.matches.cell(r, 0)));
    QCOMPARE(m_window->grid(2)->columnWidth(0), std::max(80, issueWidth + 12));
    QVERIFY(m_window->grid(2)->columnWidth(1) >= 45);
    QVERIFY(m_window->grid(2)->columnWidth(9) >= 187);

    auto* view = m_window->findChild<QChartView*>("chartResult");
    QVERIFY(view);
    QVERIFY(view->isVisible());
    // Beside the ranking and the match count above it.
    QCOMPARE(view->parentWidget(), m_window->grid(3)->parentWidget()->parentWidget());
    // The bars and the marks of their expected counts.
    const auto series = view->chart()->series();
    QCOMPARE(series.size(), 2);
    auto* bars = qobject_cast<QHorizontalBarSeries*>(series.first());
    QVERIFY(bars);
    QCOMPARE(series.last()->name(), QStringLiteral("随机期望"));
    QCOMPARE(bars->barSets().size(), 1);
    QBarSet* set = bars->barSets().first();
    QCOMPARE(set->count(), want.ranking.rowCount());
    // The first of the ranking is the top bar, the last category.
    for (int r = 0; r < set->count(); ++r)
        QCOMPARE(static_cast<int>(set->at(set->count() - 1 - r)), want.ranking.cell(r, 2).toInt());
}

void SearchWindowTest::historyTabFollowPattern()
{
    // Tab 1: the latest draw's tails, positions 2 and 6, free position.
    m_window->findChild<QRadioButton*>("Option3_3")->click();
    tick("Check1_2");
    tick("Check1_6");
    const SearchResult want = expected(false);
    QVERIFY(!want.matchedIssues.empty());
    click("Command1");
    checkShown(want);
    // The marks are in the database: intTh equals the element count exactly
    // where a draw matched.
    Statement st = m_window->session().store().db().prepare("SELECT count(*) FROM lishi WHERE intTh = 2");
    QVERIFY(st.step() == SQLITE_ROW);
    QVERIFY(st.columnInt(0) >= static_cast<int>(want.matchedIssues.size()));
    QVERIFY(m_window->dialogs().shown().isEmpty());
}

void SearchWindowTest::manualTabFollowPattern()
{
    // Tab 2: typed values, fixed position, three back.
    const char* typed[8] = { "3", "7", "11", "15", "19", "2", "6", "10" };
    for (int k = 1; k <= 8; ++k) {
        auto* box = m_window->findChild<QLineEdit*>(QStringLiteral("Text22_%1").arg(k % 8));
        QTest::keyClicks(box, typed[k - 1]);
    }
    m_window->findChild<QTabBar*>("TabStrip1")->setCurrentIndex(1);
    QVERIFY(m_window->session().patterns().manualMode);
    QCOMPARE(m_window->session().patterns().pattern[3], 11);
    tick("Check11_1");
    m_window->findChild<QRadioButton*>("Option1_0")->click(); // 固定位
    m_window->session().setLookBackText("3");
    m_window->findChild<QRadioButton*>("Option1_2")->click(); // 前 N 期
    m_window->findChild<QRadioButton*>("Option2_5")->click(); // 组选
    m_window->findChild<QRadioButton*>("Option5_4")->click();
    const SearchResult want = expected(false);
    QVERIFY(!want.matchedIssues.empty());
    click("Command1");
    checkShown(want);
    QCOMPARE(m_window->gridModel(2)->header().last(), QStringLiteral("前期开奖"));
}

void SearchWindowTest::verificationTabCombination()
{
    // Tab 3: the pattern of the draw before the verification draw, zodiac
    // results, combinations of three positions.
    Session& s = m_window->session();
    const HistorySnapshot& snap = s.snapshot();
    s.typeVerificationIssue(issue::displayForm(snap.row(snap.recordCount() - 10).sqqh));
    m_window->findChild<QTabBar*>("TabStrip1")->setCurrentIndex(2);
    m_window->findChild<QRadioButton*>("Option4_1")->click();
    m_window->findChild<QRadioButton*>("Option3_5")->click();
    s.setCombinationSizeText("3");
    const SearchResult want = expected(true);
    QVERIFY(!want.matchedIssues.empty());
    click("Command2");
    checkShown(want);
    QCOMPARE(m_window->gridModel(3)->rowCount(), 12); // twelve zodiac names
    // The follow-pattern search on this tab takes the tab's own boxes.
    tick("Check1_12");
    tick("Check1_15");
    QVERIFY(!m_window->session().patterns().page(Session::TabHistory).ticked[1]);
    const SearchResult follow = expected(false);
    click("Command1");
    checkShown(follow);
}

void SearchWindowTest::refusedRangeShowsAMessageOnly()
{
    tick("Check1_1");
    click("Command1");
    const int rowsBefore = m_window->gridModel(2)->rowCount();
    QVERIFY(rowsBefore > 0);
    auto* from = m_window->findChild<QLineEdit*>("Text3_0");
    from->clear();
    QTest::keyClicks(from, "2016x");
    QCOMPARE(m_window->session().rangeStart(), QStringLiteral("2016x"));
    click("Command1");
    QCOMPARE(m_window->dialogs().shown().size(), 1);
    QCOMPARE(m_window->dialogs().shown().first().title, QStringLiteral("输入有误"));
    QCOMPARE(m_window->gridModel(2)->rowCount(), rowsBefore);
}

void SearchWindowTest::resultsReadAtBothScreenSizes_data()
{
    QTest::addColumn<QSize>("screen");
    QTest::newRow("1024x768") << QSize(1000, 700);
    QTest::newRow("1920x1080") << QSize(1900, 1000);
}

// Every column of the history and matched-draw grids is in view, a new search
// shows its first rows, and a change of the history clears the old answer.
void SearchWindowTest::resultsReadAtBothScreenSizes()
{
    QFETCH(QSize, screen);
    m_window->resize(screen);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    click("Command1");
    QCoreApplication::processEvents();
    for (int which : { 1, 2 }) {
        QTableView* grid = m_window->grid(which);
        const int last = grid->model()->columnCount() - 1;
        QVERIFY(last >= 8);
        // A stretched last column needs at least its header's width.
        int needed = grid->horizontalHeader()->stretchLastSection()
            ? grid->horizontalHeader()->sectionSizeHint(last)
            : grid->columnWidth(last);
        for (int c = 0; c < last; ++c)
            needed += grid->columnWidth(c);
        QVERIFY2(needed <= grid->viewport()->width(),
                 qPrintable(QStringLiteral("grid %1: columns need %2 px, %3 px shown")
                                .arg(which)
                                .arg(needed)
                                .arg(grid->viewport()->width())));
    }
    QTableView* matches = m_window->grid(2);
    matches->scrollToBottom();
    click("Command1");
    QCOMPARE(matches->verticalScrollBar()->value(), 0);

    QVERIFY(HistoryChanges(m_window->session()).deleteLastDraw().ok);
    QCOMPARE(m_window->gridModel(2)->rowCount(), 0);
    QCOMPARE(m_window->gridModel(3)->rowCount(), 0);
    QVERIFY(m_window->findChild<QLabel*>("labelMatchCount")->text().contains(QStringLiteral("历史号码已更改")));
    m_window->hide();
}

QTEST_MAIN(SearchWindowTest)
#include "SearchWindowTest.moc"
