// 批量验证 in the real main window: the defaults, the outcome window (its
// grid equals the batch run on a copy of the history, its summary line and
// chart), the export to Huice.xlsx on a double click, a refused range, and
// the three grids and the database left as they were.
#include "support/AnalysisTestSupport.h"
#include "app/BacktestController.h"
#include "app/BacktestWindow.h"
#include "app/GridModel.h"
#include "app/frmMain.h"
#include "core/IssueNumber.h"
#include "core/Settings.h"
#include "session/Session.h"
#include "session/SessionBacktest.h"

#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QCryptographicHash>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabBar>
#include <QTableView>
#include <QTest>
#include <QValueAxis>

#include <cmath>

#include <memory>

using namespace corvinel;

class BacktestWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void defaultsAndOutcome();
    void refusedRange();

private:
    QByteArray databaseHash();

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<frmMain> m_window;
};

void BacktestWindowTest::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    const QString data = m_dir->filePath("data");
    QVERIFY(QDir().mkpath(data));
    {
        corvinel::testing::TestHistory h;
        std::mt19937 rng(7);
        std::vector<corvinel::testing::Nums> draws;
        for (int i = 0; i < 250; ++i)
            draws.push_back(corvinel::testing::randomDraw(rng));
        h.append(draws, 161212001);
        h.store.close();
        QVERIFY(QFile::copy(h.store.databasePath(), data + "/" + HistoryStore::kFileName));
    }
    m_window = std::make_unique<frmMain>(
        std::make_unique<Session>(std::make_unique<Settings>(m_dir->filePath("settings.ini")), data));
    m_window->dialogs().setAutomatic(true);
    m_window->show();
}

void BacktestWindowTest::cleanup()
{
    m_window.reset();
    m_dir.reset();
}

QByteArray BacktestWindowTest::databaseHash()
{
    QFile f(m_window->session().store().databasePath());
    return f.open(QIODevice::ReadOnly) ? QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256)
                                       : QByteArray();
}

void BacktestWindowTest::defaultsAndOutcome()
{
    BacktestController* c = m_window->backtest();
    QVERIFY(c);
    // The last 200 of 250 stored draws, K = 3.
    QCOMPARE(c->fromBox()->text(), QStringLiteral("20161212051"));
    QCOMPARE(c->toBox()->text(), QStringLiteral("20161212250"));
    QCOMPARE(c->topBox()->value(), 3);
    QCOMPARE(c->button()->text(), QStringLiteral("批量验证"));

    m_window->findChild<QTabBar*>("TabStrip1")->setCurrentIndex(2);
    QVERIFY(c->button()->isVisible());
    m_window->findChild<QCheckBox*>("Check1_11")->setChecked(true);
    m_window->findChild<QCheckBox*>("Check1_12")->setChecked(true);
    c->topBox()->setValue(4);
    const QByteArray before = databaseHash();
    const int matchesBefore = m_window->gridModel(2)->rowCount();
    const int rankingBefore = m_window->gridModel(3)->rowCount();

    QTest::mouseClick(c->button(), Qt::LeftButton);
    QTRY_VERIFY(c->lastWindow() != nullptr);
    BacktestWindow* w = c->lastWindow();

    // The same batch on a copy of the history.
    const QString copy = m_dir->filePath("copy");
    QVERIFY(QDir().mkpath(copy));
    QVERIFY(QFile::copy(m_window->session().store().databasePath(), copy + "/" + HistoryStore::kFileName));
    HistoryStore store;
    QVERIFY(store.open(copy));
    Backtest batch(store);
    Session& s = m_window->session();
    const BacktestOptions options
        = SessionBacktest::options(s, SearchChoices::of(s), false, "20161212051", "20161212250", 4);
    QVERIFY(options.search.positions[1] && options.search.positions[2]);
    const BacktestResult want = batch.run(options);
    QVERIFY(want.ok);
    QCOMPARE(want.steps.size(), std::size_t { 200 });

    GridModel* grid = w->model();
    QCOMPARE(grid->header(), QStringList({ "期号", "前K结果", "实际", "命中", "随机概率", "匹配期数" }));
    QCOMPARE(grid->rowCount(), 200);
    int scored = 0;
    for (int r = 0; r < 200; ++r) {
        const BacktestStep& step = want.steps[static_cast<std::size_t>(r)];
        QCOMPARE(grid->cell(r, 0), issue::displayForm(step.sqqh));
        if (step.state == StepState::Scored || step.state == StepState::NoMatch)
            QCOMPARE(grid->cell(r, 5), QString::number(step.matched));
        if (!step.scored()) {
            QCOMPARE(grid->cell(r, 3), QStringLiteral("-"));
            continue;
        }
        ++scored;
        QStringList top;
        for (const TallyEntry& e : step.top)
            top << QString::number(e.value);
        QCOMPARE(grid->cell(r, 1), top.join(u' '));
        QCOMPARE(grid->cell(r, 2), QString::number(step.actual.at(0)));
        QCOMPARE(grid->cell(r, 3), QString::number(step.hits));
        QCOMPARE(grid->cell(r, 4), QString::number(step.chance, 'f', 3));
    }
    QVERIFY(scored > 100);
    QCOMPARE(w->summaryLine(), BacktestWindow::summaryText(want.summary));
    QVERIFY(w->summaryLine().startsWith(
        QStringLiteral("命中 %1 次 / %2 次，随机期望").arg(want.summary.hits).arg(want.summary.trials)));
    QCOMPARE(w->chartView()->chart()->series().size(), 3);
    // The chart takes at least half the window; the axes tick on round
    // values (a multiple of 1, 2 or 5 times a power of ten, from 0).
    QTRY_VERIFY(w->isVisible());
    QVERIFY2(w->chartView()->height() * 2 >= w->height(),
             qPrintable(QStringLiteral("%1 of %2").arg(w->chartView()->height()).arg(w->height())));
    for (QAbstractAxis* axis : w->chartView()->chart()->axes()) {
        auto* values = qobject_cast<QValueAxis*>(axis);
        QVERIFY(values);
        QCOMPARE(values->min(), 0.0);
        const double step = values->max() / (values->tickCount() - 1);
        const double mantissa = step / std::pow(10.0, std::floor(std::log10(step) + 1e-9));
        QVERIFY2(std::abs(mantissa - 1) < 1e-6 || std::abs(mantissa - 2) < 1e-6 || std::abs(mantissa - 5) < 1e-6,
                 qPrintable(QString::number(step)));
    }
    for (const auto& [max, whole] :
         std::vector<std::pair<double, bool>> { { 0.47, false }, { 241, true }, { 3, true } }) {
        const BacktestWindow::NiceAxis a = BacktestWindow::niceAxis(max, whole);
        QVERIFY(a.max >= max && a.max < max * 2.5 + 1);
        QVERIFY(a.ticks >= 2 && a.ticks <= 11);
    }

    // A double click on the grid writes Huice.xlsx into the data folder.
    const QString book = s.dataFolder() + "/Huice.xlsx";
    QVERIFY(!QFile::exists(book));
    auto* view = w->findChild<QTableView*>("grdBacktest");
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(grid->index(0, 0)).center());
    QTRY_VERIFY(QFile::exists(book));

    // The three grids and the database as they were.
    QCOMPARE(m_window->gridModel(2)->rowCount(), matchesBefore);
    QCOMPARE(m_window->gridModel(3)->rowCount(), rankingBefore);
    QCOMPARE(databaseHash(), before);
}

void BacktestWindowTest::refusedRange()
{
    BacktestController* c = m_window->backtest();
    m_window->findChild<QTabBar*>("TabStrip1")->setCurrentIndex(2);
    c->fromBox()->setText("20161212200");
    c->toBox()->setText("20161212100");
    m_window->dialogs().clearShown();
    c->run();
    QCOMPARE(c->lastWindow(), nullptr);
    QCOMPARE(m_window->dialogs().shown().size(), 1);
    QCOMPARE(m_window->dialogs().shown().first().title, QStringLiteral("批量验证"));
    QVERIFY(m_window->dialogs().shown().first().text.contains(QStringLiteral("之后")));
}

QTEST_MAIN(BacktestWindowTest)
#include "BacktestWindowTest.moc"
