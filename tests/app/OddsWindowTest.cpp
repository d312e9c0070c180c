// 玩法与概率, 投注与兑奖 and the money of 批量验证 in the real main window: the
// menu items open the dialogs; the odds table and an edited prize saved to
// the game's file; tickets typed with the chosen play, their bets at once and
// their wins against a range counted again from the stored draws; a refused
// line; the money line of a 选一数投 batch.
#include "support/AnalysisTestSupport.h"
#include "analysis/BacktestMoney.h"
#include "analysis/Tickets.h"
#include "app/BacktestController.h"
#include "app/BacktestWindow.h"
#include "app/OddsController.h"
#include "app/OddsDialog.h"
#include "app/TicketDialog.h"
#include "app/frmMain.h"
#include "core/IssueNumber.h"
#include "core/Settings.h"
#include "session/PrizeTables.h"
#include "session/Session.h"

#include <QAction>
#include <QMenu>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTabBar>
#include <QTableWidget>
#include <QTest>

#include <memory>

using namespace corvinel;

class OddsWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void oddsTableAndPrizeEdit();
    void ticketsAgainstARange();
    void batchInMoney();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<frmMain> m_window;
};

void OddsWindowTest::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    const QString data = m_dir->filePath("data");
    QVERIFY(QDir().mkpath(data));
    {
        corvinel::testing::TestHistory h;
        std::mt19937 rng(22);
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

void OddsWindowTest::cleanup()
{
    m_window.reset();
    m_dir.reset();
}

void OddsWindowTest::oddsTableAndPrizeEdit()
{
    QAction* item = m_window->setupMenu()->findChild<QAction*>("mnuOdds");
    QVERIFY(item);
    QCOMPARE(item->text(), QStringLiteral("玩法与概率"));
    item->trigger();
    auto* dialog = m_window->findChild<OddsDialog*>("dlgOdds");
    QVERIFY(dialog);
    QTRY_VERIFY(dialog->isVisible());
    QTableWidget* t = dialog->table();
    QCOMPARE(t->rowCount(), 10);
    QCOMPARE(t->item(0, 0)->text(), QStringLiteral("选一数投"));
    QCOMPARE(t->item(0, 3)->text(), QStringLiteral("1/20"));
    QCOMPARE(t->item(0, 6)->text(), QStringLiteral("62.50 %"));
    // Until the game has its own table, another game than Guangdong is told
    // that these are Guangdong's prizes.
    QCOMPARE(dialog->noteText().isEmpty(), m_window->session().choices().lotteryCode == issue::kGuangdong);

    // 任选三 at 30 yuan: 30 x 14/285 per bet, half of it returned.
    t->item(5, OddsDialog::kPrizeColumn)->setText("30");
    QCOMPARE(t->item(5, 5)->text(), QStringLiteral("28/19 = 1.4737"));
    QCOMPARE(t->item(5, 6)->text(), QStringLiteral("73.68 %"));
    t->item(6, OddsDialog::kPrizeColumn)->setText("abc");
    QCOMPARE(t->item(6, OddsDialog::kPrizeColumn)->text(), QStringLiteral("1300"));
    QVERIFY(dialog->save());
    const PrizeTableRead saved = currentPrizeTable(m_window->session());
    QVERIFY(saved.table.fromFile);
    QCOMPARE(saved.table.of(Play::AnyThree), 30);
    QCOMPARE(saved.table.of(Play::FrontThreeGroup), 1300);
    QVERIFY(dialog->noteText().isEmpty());
}

void OddsWindowTest::ticketsAgainstARange()
{
    m_window->setupMenu()->findChild<QAction*>("mnuTickets")->trigger();
    auto* dialog = m_window->findChild<TicketDialog*>("dlgTickets");
    QVERIFY(dialog);
    dialog->playBox()->setCurrentText(QStringLiteral("任选二"));
    dialog->ticketBox()->setPlainText(QStringLiteral("01 02\n任选三 01 02 03 04\n选一数投 05 06"));
    // 1 + 4 + 2 bets, at once.
    QVERIFY(dialog->betsLine().startsWith(QStringLiteral("3 张票，共 7 注，每期 14 元")));
    dialog->fromBox()->setText("20161212101");
    dialog->toBox()->setText("20161212250");
    QVERIFY(dialog->check());

    // Counted again from the stored draws.
    const HistorySnapshot& h = m_window->session().snapshot();
    int rows = 0;
    std::int64_t won = 0;
    for (int i = 100; i < 250; ++i) {
        auto drawn = [&](int n) {
            for (int p = 1; p <= 8; ++p)
                if (h.row(i).value(p, 0) == n)
                    return true;
            return false;
        };
        const int two = drawn(1) && drawn(2) ? 1 : 0;
        int three = 0;
        for (int skip = 1; skip <= 4; ++skip) {
            bool all = true;
            for (int n = 1; n <= 4; ++n)
                all = all && (n == skip || drawn(n));
            three += all ? 1 : 0;
        }
        const int first = h.row(i).value(1, 0);
        const int one = first == 5 || first == 6 ? 1 : 0;
        rows += (two > 0) + (three > 0) + (one > 0);
        won += 8 * two + 24 * three + 25 * one;
    }
    QCOMPARE(dialog->winGrid()->rowCount(), rows);
    QVERIFY2(dialog->totalsLine().contains(QStringLiteral("投入 %1 元").arg(14 * 150)), qPrintable(dialog->totalsLine()));
    QVERIFY2(dialog->totalsLine().contains(QStringLiteral("返还 %1 元").arg(won)), qPrintable(dialog->totalsLine()));

    // A refused line: nothing checked, the line and reason in a message box.
    dialog->ticketBox()->setPlainText(QStringLiteral("任选三 01 02 03\n\n选一红投 05"));
    QVERIFY(dialog->betsLine().contains(QStringLiteral("第 3 行：")));
    m_window->dialogs().clearShown();
    QVERIFY(!dialog->check());
    QCOMPARE(m_window->dialogs().shown().size(), 1);
    QVERIFY(m_window->dialogs().shown().first().text.contains(QStringLiteral("第 3 行：选一红投只投 19–20")));
}

void OddsWindowTest::batchInMoney()
{
    Session& s = m_window->session();
    s.setResultKind(0);
    s.setResultPosition(1);
    s.setGroupMode(false);
    BacktestController* c = m_window->backtest();
    m_window->findChild<QTabBar*>("TabStrip1")->setCurrentIndex(2);
    m_window->findChild<QCheckBox*>("Check1_11")->setChecked(true);
    c->playBox()->setCurrentIndex(1);
    c->run();
    QTRY_VERIFY(c->lastWindow() != nullptr);
    const QString line = c->lastWindow()->moneyLine();
    QVERIFY2(line.startsWith(QStringLiteral("投入 ")) && line.endsWith(QStringLiteral("（理论 62.5 %）")), qPrintable(line));

    // Group mode is refused with the reason, and no window opens.
    c->lastWindow()->close();
    QTRY_VERIFY(c->lastWindow() == nullptr);
    s.setGroupMode(true);
    m_window->dialogs().clearShown();
    c->run();
    QCOMPARE(m_window->dialogs().shown().size(), 1);
    QVERIFY(m_window->dialogs().shown().first().text.contains(QStringLiteral("直选")));
    QVERIFY(c->lastWindow() == nullptr);
}

QTEST_MAIN(OddsWindowTest)
#include "OddsWindowTest.moc"
