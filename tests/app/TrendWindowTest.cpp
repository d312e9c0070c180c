// The trend window in the real main window: opened by its button and its
// menu item, choices of N, kind and scope, following an added draw and a
// deletion, and the workbook on a double click.

#include "support/HistoryTestSupport.h"
#include "analysis/DrawShape.h"
#include "analysis/Trend.h"
#include "app/TrendWindow.h"
#include "app/frmMain.h"
#include "session/HistoryChanges.h"
#include "session/Session.h"

#include <QAbstractItemModelTester>
#include <QAction>
#include <QComboBox>
#include <QHeaderView>
#include <QScreen>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTableView>
#include <QTest>

using namespace corvinel;
using namespace corvinel::testing;

class TrendWindowTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir* m_dir = nullptr;
    std::unique_ptr<frmMain> m_window;

    void openWindow(int draws)
    {
        if (draws > 0) {
            HistoryStore store;
            // The default game's history folder.
            QVERIFY(QDir().mkpath(m_dir->filePath(QStringLiteral("湖南快乐十分"))));
            QVERIFY(store.open(m_dir->filePath(QStringLiteral("湖南快乐十分"))));
            ZodiacTables tables;
            DrawEncoder encoder(tables);
            HistoryMaintenance m(store, encoder, tables);
            QVERIFY(m.rebuild(makeDraws(draws, QDate(2016, 12, 12)), EncoderBases {}).ok);
        }
        auto session
            = std::make_unique<Session>(std::make_unique<Settings>(m_dir->filePath("settings.ini")), m_dir->path());
        m_window = std::make_unique<frmMain>(std::move(session));
        m_window->dialogs().setAutomatic(true);
        m_window->show();
    }
    QString cell(TrendWindow* w, int row, int column)
    {
        return w->model()->data(w->model()->index(row, column)).toString();
    }

private slots:
    void init()
    {
        m_dir = new QTemporaryDir;
        QVERIFY(m_dir->isValid());
    }
    void cleanup()
    {
        m_window.reset();
        delete m_dir;
    }

    void opensFromTheButtonAndFollowsTheHistory()
    {
        openWindow(60);
        QVERIFY(!m_window->trendWindow());
        m_window->findChild<QPushButton*>(QStringLiteral("cmdTrend"))->click();
        TrendWindow* w = m_window->trendWindow();
        QVERIFY(w);
        QVERIFY(w->isVisible());
        QAbstractItemModelTester tester(w->model(), QAbstractItemModelTester::FailureReportingMode::QtTest);

        // Default: 50 draws, numbers, whole draw; then the summary rows.
        QCOMPARE(w->model()->drawRows(), 50);
        QCOMPARE(w->model()->rowCount(), 50 + 8);
        QCOMPARE(w->model()->columnCount(), 21);
        QCOMPARE(cell(w, 50, 0), QStringLiteral("出现次数"));
        const std::vector<PlainDraw> draws = makeDraws(60, QDate(2016, 12, 12));
        QCOMPARE(cell(w, 49, 0), "20" + QString::number(draws.back().sqqh));
        // A hit shows the value and is filled; an omission is grey.
        const int hit = draws.back().numbers[0];
        QCOMPARE(cell(w, 49, hit), QString::number(hit));
        QVERIFY(w->model()->data(w->model()->index(49, hit), Qt::BackgroundRole).isValid());
        int missed = 1;
        while (std::find(draws.back().numbers.begin(), draws.back().numbers.end(), missed)
               != draws.back().numbers.end())
            ++missed;
        QVERIFY(!w->model()->data(w->model()->index(49, missed), Qt::BackgroundRole).isValid());
        QVERIFY(w->model()->data(w->model()->index(49, missed), Qt::ForegroundRole).isValid());
        QVERIFY(w->findChild<QLabel*>(QStringLiteral("lblTrendNote"))->text().contains(QStringLiteral("独立")));

        // An added draw becomes the last row at once; the chart keeps 50 rows.
        const manual_entry::StoreOutcome added
            = HistoryChanges(m_window->session()).addDraw(draws.back().sqqh + 1, { 20, 19, 18, 17, 16, 15, 14, 13 });
        QVERIFY2(added.ok, qPrintable(added.error));
        QCOMPARE(w->model()->drawRows(), 50);
        QCOMPARE(cell(w, 49, 0), "20" + QString::number(draws.back().sqqh + 1));
        QCOMPARE(cell(w, 49, 20), QStringLiteral("20"));
        QCOMPARE(w->model()->table().issues.back(), draws.back().sqqh + 1);
        // ... and goes again with its deletion.
        QVERIFY(HistoryChanges(m_window->session()).deleteLastDraw().ok);
        QCOMPARE(cell(w, 49, 0), "20" + QString::number(draws.back().sqqh));

        // The choices: 30 rows, zodiac by name, position 2.
        w->lastChoice()->setCurrentIndex(0);
        QCOMPARE(w->model()->drawRows(), 30);
        w->kindChoice()->setCurrentIndex(1);
        QCOMPARE(w->model()->columnCount(), 13);
        QCOMPARE(w->model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("鼠"));
        w->scopeChoice()->setCurrentIndex(2);
        QCOMPARE(w->model()->table().options.position, 2);
        std::vector<DrawNumbers> numbers;
        for (const PlainDraw& d : draws) {
            DrawNumbers n;
            n.sqqh = d.sqqh;
            for (int p = 0; p < 8; ++p)
                n.numbers[p] = static_cast<std::uint8_t>(d.numbers[p]);
            numbers.push_back(n);
        }
        const TrendResult expected = computeTrend(numbers, TrendOptions { 30, 1, 2, 1 });
        QVERIFY(expected.ok);
        QCOMPARE(w->model()->table().cells, expected.table.cells);

        // The shape kinds: a whole-draw value fixes the scope to 整期, a
        // position's 两面 moves it off 整期; the header's tool tip gives each
        // column's chance.
        const int sums = w->kindChoice()->findData(shapeIndex(ShapeKind::DrawSum));
        QVERIFY(sums > kKindCount);
        QCOMPARE(w->kindChoice()->itemText(sums - 1), QStringLiteral("整期形态"));
        w->kindChoice()->setCurrentIndex(sums);
        QCOMPARE(w->scopeChoice()->currentIndex(), 0);
        QVERIFY(!w->scopeChoice()->isEnabled());
        QCOMPARE(w->model()->columnCount(), 7);
        QCOMPARE(w->model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("36-70"));
        QVERIFY(w->model()->headerData(1, Qt::Horizontal, Qt::ToolTipRole).toString().contains("/125970"));
        w->kindChoice()->setCurrentIndex(w->kindChoice()->findData(shapeIndex(ShapeKind::BigSmall)));
        QVERIFY(w->scopeChoice()->isEnabled());
        QCOMPARE(w->model()->table().options.position, 1);
        QCOMPARE(w->model()->headerData(2, Qt::Horizontal, Qt::ToolTipRole).toString(),
                 QStringLiteral("小：随机出现率 50.0%（10/20）"));
        const TrendResult big = computeTrend(numbers, TrendOptions { 30, shapeIndex(ShapeKind::BigSmall), 1, 1 });
        QVERIFY(big.ok);
        QCOMPARE(w->model()->table().cells, big.table.cells);

        // A double click writes the workbook into the data folder.
        const QString path = QDir(m_dir->path()).filePath(QStringLiteral("湖南快乐十分/Zoushi.xlsx"));
        QVERIFY(!QFile::exists(path));
        QTest::mouseDClick(w->grid()->viewport(), Qt::LeftButton, {}, QPoint(5, 5));
        QVERIFY(QFile::exists(path));
        QVERIFY(w->status()->text().contains(QStringLiteral("Zoushi.xlsx")));
    }

    // At 1024x768 and 1920x1080: every chance figure and header fits its
    // column (nothing elided), the columns fill the width, and the newest
    // draw with the summary rows under it is in view after opening, after
    // a change of 期数 or 类型 and after a new draw. The size is remembered.
    void readsAtEveryScreenSize()
    {
        openWindow(250);
        m_window->openTrendWindow();
        TrendWindow* w = m_window->trendWindow();
        QVERIFY(w);
        const auto check = [&](const char* when) {
            QCoreApplication::processEvents();
            QTableView* view = w->grid();
            TrendModel* model = w->model();
            const QString where
                = QStringLiteral("%1 at %2x%3").arg(QLatin1String(when)).arg(w->width()).arg(w->height());
            const QFontMetrics fm = view->fontMetrics();
            const QFontMetrics header = view->horizontalHeader()->fontMetrics();
            int total = 0;
            for (int c = 0; c < model->columnCount(); ++c) {
                total += view->columnWidth(c);
                QVERIFY2(header.horizontalAdvance(model->headerData(c, Qt::Horizontal).toString()) + 6
                             <= view->columnWidth(c),
                         qPrintable(where));
                for (const int r : { TrendModel::kChanceRow, TrendModel::kAbsenceChanceRow }) {
                    const QString text = model->data(model->index(model->drawRows() + r, c)).toString();
                    QVERIFY2(c == 0 || text.endsWith(u'%') || text.endsWith(u'*'), qPrintable(text));
                    QVERIFY2(fm.horizontalAdvance(text) + 6 <= view->columnWidth(c), qPrintable(where + u' ' + text));
                }
            }
            QVERIFY2(total >= view->viewport()->width() - model->columnCount(), qPrintable(where));
            const int last = model->rowCount() - 1;
            const int newest = model->drawRows() - 1;
            QVERIFY2(view->rowViewportPosition(last) + view->rowHeight(last) <= view->viewport()->height(),
                     qPrintable(where));
            QVERIFY2(view->rowViewportPosition(newest) >= 0, qPrintable(where));
        };
        std::int64_t nextIssue = 161215001;
        for (const QSize size : { QSize(1024, 768), QSize(1920, 1080) }) {
            w->resize(size);
            w->refresh();
            check("open");
            w->lastChoice()->setCurrentIndex(3);
            QCOMPARE(w->model()->drawRows(), 200);
            check("200 draws");
            w->grid()->scrollToTop();
            w->kindChoice()->setCurrentIndex(1);
            check("zodiac");
            w->grid()->scrollToTop();
            QVERIFY(HistoryChanges(m_window->session()).addDraw(nextIssue++, { 1, 2, 3, 4, 5, 6, 7, 8 }).ok);
            check("new draw");
            w->kindChoice()->setCurrentIndex(0);
            QCOMPARE(m_window->session().settings().readText(Settings::txtTrendSize),
                     QStringLiteral("%1x%2").arg(size.width()).arg(size.height()));
        }
        // A new window opens at the remembered size.
        m_window.reset();
        openWindow(0);
        m_window->openTrendWindow();
        QCOMPARE(m_window->trendWindow()->size(),
                 QSize(1920, 1080).boundedTo(m_window->trendWindow()->screen()->availableSize()));
    }

    void opensFromTheMenuOnAnEmptyHistory()
    {
        openWindow(0);
        QAction* item = nullptr;
        for (QAction* a : m_window->setupMenu()->actions())
            if (a->objectName() == QLatin1String("mnuTrend"))
                item = a;
        QVERIFY(item);
        item->trigger();
        TrendWindow* w = m_window->trendWindow();
        QVERIFY(w);
        QCOMPARE(w->model()->rowCount(), 0);
        QVERIFY(!w->status()->text().isEmpty());
        // The first draw fills the chart; the window is reused when asked again.
        QVERIFY(HistoryChanges(m_window->session()).addDraw(161212001, { 1, 2, 3, 4, 5, 6, 7, 8 }).ok);
        QCOMPARE(w->model()->drawRows(), 1);
        QCOMPARE(cell(w, 0, 9), QStringLiteral("1"));
        item->trigger();
        QCOMPARE(m_window->trendWindow(), w);
    }
};

QTEST_MAIN(TrendWindowTest)
#include "TrendWindowTest.moc"
