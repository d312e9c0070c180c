// The ranking beside chance in the real main window: the verdict under the
// ranking, the chart's expectation marks, the tool tips of the ranking rows,
// and the table "统计检验" with its export to Jianyan.xlsx.
#include "support/AnalysisTestSupport.h"
#include "support/WorkbookReader.h"
#include "analysis/ChanceStatistics.h"
#include "analysis/LiteralSearch.h"
#include "app/ExportController.h"
#include "app/GridModel.h"
#include "app/frmMain.h"
#include "core/Settings.h"
#include "session/Session.h"
#include "session/SessionSearch.h"

#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QHorizontalBarSeries>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScatterSeries>
#include <QTableView>
#include <QTest>

#include <memory>

using namespace corvinel;

class ChanceWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void verdictMarksTipsAndTable();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<frmMain> m_window;
};

void ChanceWindowTest::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    const QString data = m_dir->filePath("data");
    QVERIFY(QDir().mkpath(data));
    {
        corvinel::testing::TestHistory h;
        std::mt19937 rng(7);
        std::vector<corvinel::testing::Nums> draws;
        for (int i = 0; i < 120; ++i)
            draws.push_back(corvinel::testing::randomDraw(rng));
        h.append(draws);
        h.store.close();
        QVERIFY(QFile::copy(h.store.databasePath(), data + "/" + HistoryStore::kFileName));
    }
    m_window = std::make_unique<frmMain>(
        std::make_unique<Session>(std::make_unique<Settings>(m_dir->filePath("settings.ini")), data));
    m_window->dialogs().setAutomatic(true);
    m_window->findChild<ExportController*>("ExportController")->setOpener([](const QString&, ExportController::Opened) {
        return true;
    });
    m_window->show();
}

void ChanceWindowTest::cleanup()
{
    m_window.reset();
    m_dir.reset();
}

void ChanceWindowTest::verdictMarksTipsAndTable()
{
    // Head as the result kind, direct mode: under chance a head is 0 for nine
    // of the numbers 1..20, 1 for ten and 2 for one (20).
    m_window->findChild<QRadioButton*>("Option4_2")->click();
    const SearchOptions o = SessionSearch::optionsFrom(m_window->session());
    QCOMPARE(o.resultKind, 2);
    QVERIFY(!o.group);
    SearchResult want;
    {
        const QString copy = m_dir->filePath("copy");
        QDir().mkpath(copy);
        QFile::copy(m_window->session().store().databasePath(), copy + "/" + HistoryStore::kFileName);
        HistoryStore store;
        store.open(copy);
        want = LiteralSearch(store.db()).followPattern(o);
    }
    QVERIFY(want.ok);
    const double m = static_cast<double>(want.matchedIssues.size());
    QVERIFY(m > 20);
    m_window->findChild<QPushButton*>("Command1")->click();

    // The verdict under the ranking, with the explanation as its tool tip.
    const ChanceFigures f = chanceFigures(want, o);
    auto* verdict = m_window->findChild<QLabel*>("lblChance");
    QVERIFY(verdict && verdict->isVisible());
    QCOMPARE(verdict->text(), chanceVerdict(f));
    QVERIFY(verdict->text().startsWith(QStringLiteral("与随机"))
            || verdict->text().startsWith(QStringLiteral("未发现与随机不同")));
    QVERIFY(verdict->toolTip().contains(QStringLiteral("随机期望")));
    // A second search: the line counts the searches of this session.
    QVERIFY(!verdict->text().contains(QStringLiteral("本次已检索")));
    m_window->findChild<QPushButton*>("Command1")->click();
    QCOMPARE(verdict->text(), chanceVerdict(f) + QStringLiteral("。") + searchCountNote(2));
    QVERIFY(verdict->text().contains(QStringLiteral("本次已检索 2 次")));

    // The chart: a mark at each bar's expected count, on the bar's line.
    auto* view = m_window->findChild<QChartView*>("chartResult");
    QHorizontalBarSeries* bars = nullptr;
    QScatterSeries* marks = nullptr;
    for (QAbstractSeries* s : view->chart()->series()) {
        if (auto* b = qobject_cast<QHorizontalBarSeries*>(s))
            bars = b;
        if (auto* sc = qobject_cast<QScatterSeries*>(s))
            marks = sc;
    }
    QVERIFY(bars && marks);
    QCOMPARE(marks->name(), QStringLiteral("随机期望"));
    QCOMPARE(marks->count(), 3);
    QCOMPARE(marks->attachedAxes().size(), 2);
    const double byHead[] = { 9, 10, 1 };
    GridModel* ranking = m_window->gridModel(3);
    for (int r = 0; r < 3; ++r) {
        const int head = ranking->cell(r, 1).toInt();
        // The first of the ranking is the top bar, the last category.
        const QPointF mark = marks->at(2 - r);
        QCOMPARE(mark.y(), 2.0 - r);
        QVERIFY(qAbs(mark.x() - m * byHead[head] / 20) < 1e-9);
        // Each ranking row has the figures as its tool tip.
        const QString tip = ranking->data(ranking->index(r, 1), Qt::ToolTipRole).toString();
        QCOMPARE(tip, chanceTip(f.rows[static_cast<std::size_t>(r)]));
        QVERIFY(tip.contains(QStringLiteral("随机期望 %1 次").arg(m * byHead[head] / 20, 0, 'f', 2)));
    }

    // The table "统计检验": hidden until chkChance is ticked; a double click
    // writes it to Jianyan.xlsx.
    auto* table = m_window->findChild<QTableView*>("gridChance");
    QVERIFY(table && !table->isVisible());
    m_window->findChild<QCheckBox*>("chkChance")->setChecked(true);
    QVERIFY(table->isVisible());
    const ResultTable wantTable = chanceTable(f);
    auto* model = qobject_cast<GridModel*>(table->model());
    QCOMPARE(model->header(), wantTable.header);
    QCOMPARE(model->rowCount(), 3);
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < wantTable.columnCount(); ++c)
            QCOMPARE(model->cell(r, c), wantTable.cell(r, c));
    QTest::mouseDClick(table->viewport(), Qt::LeftButton);
    const SheetContents sheet = readFirstSheet(m_window->session().dataFolder() + QStringLiteral("/Jianyan.xlsx"));
    QVERIFY2(sheet.ok, qPrintable(sheet.error));
    QCOMPARE(sheet.rowElements, 4);
    QCOMPARE(sheet.cells.value({ 0, 2 }), QStringLiteral("随机期望"));
    QCOMPARE(sheet.cells.value({ 1, 0 }), wantTable.cell(0, 0));
    m_window->findChild<QCheckBox*>("chkChance")->setChecked(false);
    QVERIFY(!table->isVisible());
}

QTEST_MAIN(ChanceWindowTest)
#include "ChanceWindowTest.moc"
