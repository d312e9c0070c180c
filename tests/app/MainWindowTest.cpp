#include "store/DrawEncoder.h"
#include "app/GridModel.h"
#include "session/Session.h"
#include "store/SqliteDb.h"
#include "app/frmMain.h"

#include <QAbstractItemModelTester>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QDialog>
#include <QFileInfo>
#include <QFocusEvent>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSettings>
#include <QTabBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

using namespace corvinel;

// Catches the help pages instead of starting a browser.
class UrlCatcher : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl& url) { urls.append(url); }
};

class WindowTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<frmMain> m_window;

    QString dataFolder() const { return m_dir->path(); }

    frmMain& open(std::unique_ptr<Session> session = {})
    {
        m_window.reset();
        if (!session)
            session = std::make_unique<Session>(std::make_unique<Settings>(), dataFolder());
        m_window = std::make_unique<frmMain>(std::move(session));
        m_window->dialogs().setAutomatic(true);
        return *m_window;
    }

    template<typename T> T* child(const char* name)
    {
        T* w = m_window->findChild<T*>(QLatin1String(name));
        if (!w)
            qWarning("missing control %s", name);
        return w;
    }

    static QString storedSetting(const char* key)
    {
        QSettings s(QStringLiteral("Corvinel"), QStringLiteral("Corvinel"));
        return s.value(QStringLiteral("IniSetting/") + QLatin1String(key)).toString();
    }

    static void focusOut(QWidget* w)
    {
        QFocusEvent ev(QEvent::FocusOut, Qt::TabFocusReason);
        QCoreApplication::sendEvent(w, &ev);
    }

    // A started session on the test folder with `count` Tianjin draws.
    std::unique_ptr<Session> sessionWithDraws(int count)
    {
        auto s = std::make_unique<Session>(std::make_unique<Settings>(), dataFolder());
        s->startUp();
        SqliteDb& db = s->store().db();
        s->encoder().beginAppend(s->snapshot(), s->bases());
        Transaction t(db);
        RowWriter w(db);
        for (int i = 0; i < count; ++i) {
            std::array<int, kPositions> n {};
            for (int p = 0; p < kPositions; ++p)
                n[p] = (i + p * 2) % 20 + 1;
            if (!w.insert(s->encoder().encode(161212001 + i, n, s->bases(), false)))
                qWarning("insert failed: %s", qPrintable(w.lastError()));
        }
        if (!t.commit())
            qWarning("commit failed");
        s->store().markChanged();
        s->reloadHistory();
        s->nextIssueDisplay();
        s->patternRefresh();
        return s;
    }

private slots:
    void init()
    {
        QSettings(QStringLiteral("Corvinel"), QStringLiteral("Corvinel")).clear();
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
    }

    void cleanup()
    {
        m_window.reset();
        m_dir.reset();
    }

    void everyControlExistsWithItsCaption()
    {
        open();
        QCOMPARE(m_window->objectName(), QStringLiteral("frmMain"));
        QCOMPARE(m_window->windowTitle(), QStringLiteral("Corvinel 快乐十分分析"));
        const char* names[]
            = { "TabStrip1",   "Frame2_0",   "Frame2_1",  "Frame2_2", "Frame1_0", "Frame1_1",    "Frame1_2",
                "Frame3",      "Frame4",     "Frame5",    "Frame6",   "Frame7",   "MSFlexGrid1", "MSFlexGrid2",
                "MSFlexGrid3", "MaskEdBox2", "Combo1",    "Text1",    "Text3_0",  "Text3_1",     "Text4",
                "Check4",      "Label12",    "Label1",    "Label4",   "Command1", "Command2",    "Command3",
                "Command4",    "Command9",   "Command21", "cmdRdLst", "mnuLsgl",  "mnuSetup" };
        for (const char* n : names)
            QVERIFY2(m_window->findChild<QWidget*>(QLatin1String(n)), n);
        for (int k = 1; k <= 8; ++k) {
            QCOMPARE(child<QCheckBox>(qPrintable(QStringLiteral("Check1_%1").arg(k)))->text(),
                     QStringLiteral("第%1位").arg(k));
            QCOMPARE(child<QCheckBox>(qPrintable(QStringLiteral("Check1_%1").arg(10 + k)))->text(),
                     QStringLiteral("第%1位").arg(k));
            QCOMPARE(child<QCheckBox>(qPrintable(QStringLiteral("Check11_%1").arg(k % 8)))->text(),
                     QStringLiteral("第%1位").arg(k));
            QVERIFY(child<QLineEdit>(qPrintable(QStringLiteral("Text2_%1").arg(k))));
            QVERIFY(child<QLineEdit>(qPrintable(QStringLiteral("Text2_%1").arg(10 + k))));
            QVERIFY(child<QLineEdit>(qPrintable(QStringLiteral("Text22_%1").arg(k % 8))));
            auto* m = child<QLineEdit>(qPrintable(QStringLiteral("MaskEdBox1_%1").arg(k)));
            QCOMPARE(m->toolTip(), QStringLiteral("在此补充输入最新历史号码"));
            QCOMPARE(child<QRadioButton>(qPrintable(QStringLiteral("Option5_%1").arg(k)))->text(),
                     QStringLiteral("第%1位").arg(k));
        }
        const QStringList kinds = { QStringLiteral("号码"), QStringLiteral("生肖"), QStringLiteral("头数"),
                                    QStringLiteral("尾数"), QStringLiteral("合数"), QStringLiteral("段数") };
        for (int i = 0; i < 6; ++i) {
            QCOMPARE(child<QRadioButton>(qPrintable(QStringLiteral("Option3_%1").arg(i)))->text(), kinds[i]);
            QCOMPARE(child<QRadioButton>(qPrintable(QStringLiteral("Option4_%1").arg(i)))->text(), kinds[i]);
        }
        QCOMPARE(child<QRadioButton>("Option1_0")->text(), QStringLiteral("固定位"));
        QCOMPARE(child<QRadioButton>("Option1_1")->text(), QStringLiteral("自由位"));
        QCOMPARE(child<QRadioButton>("Option1_2")->text(), QStringLiteral("前    期"));
        QCOMPARE(child<QRadioButton>("Option1_3")->text(), QStringLiteral("上期"));
        QCOMPARE(child<QRadioButton>("Option2_4")->text(), QStringLiteral("直选"));
        QCOMPARE(child<QRadioButton>("Option2_5")->text(), QStringLiteral("组选"));
        QCOMPARE(child<QRadioButton>("Option6_0")->text(), QStringLiteral("红蓝"));
        QCOMPARE(child<QRadioButton>("Option6_1")->text(), QStringLiteral("红球"));
        QCOMPARE(child<QLabel>("Label12")->text(), QStringLiteral("在下面输入 2007001    期历史号码:"));
        QCOMPARE(child<QLabel>("Label1")->text(), QStringLiteral("组合位数"));
        QCOMPARE(child<QLabel>("Label4")->text(), QStringLiteral("～"));
        QCOMPARE(child<QPushButton>("Command1")->text(), QStringLiteral("检索(&S)"));
        QCOMPARE(child<QPushButton>("Command2")->text(), QStringLiteral("组合检索(&G)"));
        QCOMPARE(child<QPushButton>("Command3")->text(), QStringLiteral("删除最后历史(&D)"));
        QCOMPARE(child<QPushButton>("Command4")->text(), QStringLiteral("历史号码导出文本文件(&X)"));
        QCOMPARE(child<QPushButton>("Command9")->text(), QStringLiteral("软件设置(&T)"));
        QCOMPARE(child<QPushButton>("Command21")->toolTip(), QStringLiteral("从官方服务器更新历史号码"));
        QCOMPARE(child<QPushButton>("cmdRdLst")->text(), QStringLiteral("读取历史号文本(&W)"));
        QCOMPARE(child<QTableView>("MSFlexGrid1")->toolTip(), QStringLiteral("鼠标双击列表可以将列表导出到EXCEL"));
        QCOMPARE(child<QTableView>("MSFlexGrid2")->toolTip(), QStringLiteral("鼠标双击列表可以将列表导出到EXCEL"));
        QCOMPARE(child<QLineEdit>("MaskEdBox2")->inputMask(), QStringLiteral("0;_"));

        auto* tabs = child<QTabBar>("TabStrip1");
        QCOMPARE(tabs->count(), 3);
        QCOMPARE(tabs->tabText(0), QStringLiteral("自动历史位"));
        QCOMPARE(tabs->tabText(1), QStringLiteral("手动输入号"));
        QCOMPARE(tabs->tabText(2), QStringLiteral("验证指定期"));

        const char* actions[] = { "mnuDcls",       "mnuErase",  "mnuClear",      "mnuDlzd",      "mnuEszhzd",
                                  "mnuSxcs_0",     "mnuSxcs_1", "mnuDscs_0",     "mnuDscs_1",    "mnuSxsetup_0",
                                  "mnuSxsetup_1",  "mnuSetDay", "mnuUpdateBase", "mnuFrontPage", "mnuDescrb",
                                  "numYanshiDown", "mnuKL10_0", "mnuKL10_1",     "mnuKL10_2" };
        for (const char* a : actions)
            QVERIFY2(m_window->findChild<QAction*>(QLatin1String(a)), a);
        QCOMPARE(child<QAction>("mnuEszhzd")->text(), QStringLiteral("删除最后指定数量期历史(&N)"));
        QCOMPARE(child<QAction>("mnuUpdateBase")->text(), QStringLiteral("在线更新网址(&U)"));
        QCOMPARE(child<QAction>("mnuKL10_2")->text(), QStringLiteral("湖南快乐十分"));
        QCOMPARE(m_window->historyMenu()->title(), QStringLiteral("历史管理"));

        auto* rank = child<QTableView>("MSFlexGrid3");
        QCOMPARE(rank->columnWidth(0), 32);
        QCOMPARE(rank->columnWidth(1), 45);
        QCOMPARE(rank->columnWidth(2), 53);
        QCOMPARE(rank->columnWidth(3), 59);
    }

    void firstStartTakesTheDefaults()
    {
        open();
        QVERIFY(child<QAction>("mnuKL10_2")->isChecked());
        QVERIFY(!child<QAction>("mnuKL10_0")->isChecked());
        QVERIFY(!child<QAction>("mnuKL10_1")->isChecked());
        QVERIFY(child<QRadioButton>("Option1_1")->isChecked());
        QVERIFY(!child<QRadioButton>("Option1_0")->isChecked());
        QVERIFY(child<QRadioButton>("Option1_3")->isChecked());
        QVERIFY(child<QRadioButton>("Option2_4")->isChecked());
        QVERIFY(child<QRadioButton>("Option3_0")->isChecked());
        QVERIFY(child<QRadioButton>("Option4_0")->isChecked());
        QVERIFY(child<QRadioButton>("Option5_1")->isChecked());
        QVERIFY(child<QRadioButton>("Option6_0")->isChecked());
        QCOMPARE(child<QLineEdit>("MaskEdBox2")->text(), QStringLiteral("2"));
        QCOMPARE(child<QComboBox>("Combo1")->currentText(), QStringLiteral("2"));
        QCOMPARE(child<QComboBox>("Combo1")->count(), 6);
        QVERIFY(child<QAction>("mnuSxcs_1")->isChecked());
        QVERIFY(!child<QAction>("mnuSxcs_0")->isChecked());
        QVERIFY(child<QAction>("mnuDscs_1")->isChecked());
        QVERIFY(child<QAction>("mnuSxsetup_1")->isChecked());
        QVERIFY(!child<QAction>("mnuSxsetup_0")->isChecked());
        // Empty database: default texts and empty grids.
        QCOMPARE(child<QLineEdit>("Text1")->text(), QStringLiteral("2007001"));
        // No stored draw, no range: the boxes show none rather than a made-up one.
        QVERIFY(child<QLineEdit>("Text3_0")->text().isEmpty());
        QVERIFY(child<QLineEdit>("Text3_1")->text().isEmpty());
        QCOMPARE(child<QLineEdit>("Text4")->text(), QStringLiteral("20161212001"));
        QCOMPARE(m_window->gridModel(1)->rowCount(), 0);
        QCOMPARE(m_window->gridModel(1)->header().value(0), QStringLiteral("期号"));
        QCOMPARE(m_window->gridModel(2)->rowCount(), 0);
        QVERIFY(QFileInfo::exists(dataFolder() + QStringLiteral("/湖南快乐十分/Tavrose.db")));
        m_window->show();
        QVERIFY(child<QFrame>("Frame2_0")->isVisible());
        QVERIFY(!child<QFrame>("Frame2_1")->isVisible());
        QVERIFY(!child<QLineEdit>("Text4")->isVisible());
        QVERIFY(!child<QCheckBox>("Check4")->isVisible());
    }

    void changedOptionsAreRestoredAfterARestart()
    {
        open();
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        QTest::mouseClick(child<QRadioButton>("Option2_5"), Qt::LeftButton);
        QTest::mouseClick(child<QRadioButton>("Option3_1"), Qt::LeftButton);
        QTest::mouseClick(child<QRadioButton>("Option4_3"), Qt::LeftButton);
        QTest::mouseClick(child<QRadioButton>("Option5_6"), Qt::LeftButton);
        QTest::mouseClick(child<QRadioButton>("Option1_0"), Qt::LeftButton);
        child<QAction>("mnuKL10_1")->trigger();
        child<QAction>("mnuDscs_0")->trigger();
        QVERIFY(child<QRadioButton>("Option2_5")->isChecked());
        QCOMPARE(storedSetting("bolZuxuan"), QStringLiteral("True"));
        QCOMPARE(storedSetting("GsZl"), QStringLiteral("568"));

        open(); // a new window on the same settings
        QVERIFY(child<QRadioButton>("Option2_5")->isChecked());
        QVERIFY(!child<QRadioButton>("Option2_4")->isChecked());
        QVERIFY(child<QRadioButton>("Option3_1")->isChecked());
        QVERIFY(child<QRadioButton>("Option4_3")->isChecked());
        QVERIFY(child<QRadioButton>("Option5_6")->isChecked());
        QVERIFY(child<QRadioButton>("Option1_0")->isChecked());
        QVERIFY(child<QAction>("mnuKL10_1")->isChecked());
        QVERIFY(!child<QAction>("mnuKL10_2")->isChecked());
        QVERIFY(child<QAction>("mnuDscs_0")->isChecked());
        QCOMPARE(m_window->session().choices().drawsPerDay, 84);
    }

    void tabSwitchingAndManualMode()
    {
        open();
        m_window->show();
        auto* tabs = child<QTabBar>("TabStrip1");
        child<QLineEdit>("Text22_1")->setText(QStringLiteral("9"));
        QTest::keyClicks(child<QLineEdit>("Text22_0"), QStringLiteral("12"));
        tabs->setCurrentIndex(1);
        QVERIFY(child<QFrame>("Frame2_1")->isVisible());
        QVERIFY(!child<QFrame>("Frame2_0")->isVisible());
        QVERIFY(!child<QFrame>("Frame2_2")->isVisible());
        QVERIFY(m_window->session().patterns().manualMode);
        QCOMPARE(m_window->session().patterns().pattern[8], 12); // Text22(0) is position 8
        QVERIFY(!child<QLineEdit>("Text4")->isVisible());

        tabs->setCurrentIndex(2);
        QVERIFY(child<QFrame>("Frame2_2")->isVisible());
        QVERIFY(child<QLineEdit>("Text4")->isVisible());
        QVERIFY(child<QCheckBox>("Check4")->isVisible());
        QVERIFY(m_window->session().patterns().manualMode); // left as it was

        tabs->setCurrentIndex(0);
        QVERIFY(child<QFrame>("Frame2_0")->isVisible());
        QVERIFY(!m_window->session().patterns().manualMode);
        QVERIFY(!child<QCheckBox>("Check4")->isVisible());
    }

    void manualBoxesTakeDigitsAndMinusOnly()
    {
        open();
        auto* box = child<QLineEdit>("Text22_3");
        QTest::keyClicks(box, QStringLiteral("a1b-2+"));
        QCOMPARE(box->text(), QStringLiteral("1-2"));
        QTest::keyClick(box, Qt::Key_Backspace);
        QCOMPARE(box->text(), QStringLiteral("1-"));
        box->setText(QStringLiteral("14"));
        focusOut(box);
        QCOMPARE(m_window->session().patterns().pattern[3], 14);
    }

    void rightClickOnTheHistoryGridOpensTheHistoryMenu()
    {
        open();
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        auto* grid = child<QTableView>("MSFlexGrid1");
        QMenu* menu = m_window->historyMenu();
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, QPoint(20, 20));
        QTest::qWait(50);
        QVERIFY(!menu->isVisible());
        QTest::mouseClick(grid->viewport(), Qt::RightButton, {}, QPoint(20, 20));
        QTRY_VERIFY(menu->isVisible());
        menu->close();
        QTRY_VERIFY(!menu->isVisible());
    }

    void command9OpensTheSettingsMenu()
    {
        open();
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        QTest::mouseClick(child<QPushButton>("Command9"), Qt::LeftButton);
        QTRY_VERIFY(m_window->setupMenu()->isVisible());
        m_window->setupMenu()->close();
    }

    void setDayRefusesOutOfRangeAndAcceptsTheLimits()
    {
        open();
        Dialogs& d = m_window->dialogs();
        d.queueInput(QStringLiteral("1"));
        d.queueInput(QStringLiteral("17"));
        d.queueInput(QStringLiteral("2"));
        child<QAction>("mnuSetDay")->trigger();
        const auto& shown = d.shown();
        QCOMPARE(shown.size(), 5); // input, refusal, input, refusal, input
        QCOMPARE(shown[0].kind, Dialogs::Shown::Input);
        QCOMPARE(shown[0].title, QStringLiteral("设置天数"));
        QVERIFY(shown[0].text.startsWith(QStringLiteral("请输入更新需要保留的历史号码的天数")));
        QCOMPARE(shown[1].kind, Dialogs::Shown::Message);
        QCOMPARE(shown[1].title, QStringLiteral("输入有误"));
        QCOMPARE(shown[1].text,
                 QStringLiteral("为了保证时效性和提高计算效率，软件只能统计16天以内的数据，请输入2到16中的自然数。"));
        QCOMPARE(shown[3].title, QStringLiteral("输入有误"));
        QCOMPARE(shown[4].kind, Dialogs::Shown::Input);
        QCOMPARE(m_window->session().choices().retentionDays, 2);
        QCOMPARE(storedSetting("IniSerchDay"), QStringLiteral("2"));

        d.clearShown();
        d.queueInput(QStringLiteral("16"));
        child<QAction>("mnuSetDay")->trigger();
        QCOMPARE(d.shown().size(), 1);
        QCOMPARE(storedSetting("IniSerchDay"), QStringLiteral("16"));

        d.clearShown();
        d.queueInput(QStringLiteral("abc"));
        d.queueInput(QString()); // then an empty answer: no change
        child<QAction>("mnuSetDay")->trigger();
        QCOMPARE(d.shown().size(), 3);
        QCOMPARE(storedSetting("IniSerchDay"), QStringLiteral("16"));
        QCOMPARE(d.pendingAnswers(), 0);
    }

    void lookBackBoxRefusesZero()
    {
        open();
        auto* box = child<QLineEdit>("MaskEdBox2");
        box->setText(QStringLiteral("0"));
        focusOut(box);
        QCOMPARE(m_window->dialogs().shown().size(), 1);
        QCOMPARE(m_window->dialogs().shown()[0].title, QStringLiteral("输入有误"));
        QCOMPARE(box->text(), QStringLiteral("2"));
        QCOMPARE(m_window->session().choices().lookBack, 2);
        box->setText(QStringLiteral("3"));
        focusOut(box);
        QCOMPARE(m_window->dialogs().shown().size(), 1);
        QCOMPARE(storedSetting("intPreQi"), QStringLiteral("3"));
    }

    void combinationSizeKeepsItsValueOnNonNumbers()
    {
        open();
        auto* combo = child<QComboBox>("Combo1");
        combo->setEditText(QStringLiteral("x"));
        focusOut(combo);
        QCOMPARE(combo->currentText(), QStringLiteral("2"));
        combo->setCurrentIndex(4);
        focusOut(combo);
        QCOMPARE(storedSetting("intZhWSetup"), QStringLiteral("5"));
    }

    void updateBaseMenuWritesACheckedAddress()
    {
        open();
        Dialogs& d = m_window->dialogs();
        d.queueInput(QStringLiteral("not an address"));
        d.queueInput(QStringLiteral("https://results.example.net"));
        child<QAction>("mnuUpdateBase")->trigger();
        QCOMPARE(d.shown().size(), 3);
        QCOMPARE(storedSetting("UpdateBase"), QStringLiteral("https://results.example.net"));
    }

    void helpItemsOpenTheShippedPages()
    {
        open();
        UrlCatcher catcher;
        QDesktopServices::setUrlHandler(QStringLiteral("file"), &catcher, "open");
        child<QAction>("mnuFrontPage")->trigger();
        child<QAction>("mnuDescrb")->trigger();
        child<QAction>("numYanshiDown")->trigger();
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
        QCOMPARE(catcher.urls.size(), 3);
        QStringList files;
        for (const QUrl& u : catcher.urls) {
            QVERIFY2(QFileInfo::exists(u.toLocalFile()), qPrintable(u.toString()));
            files << QFileInfo(u.toLocalFile()).fileName();
        }
        files.removeDuplicates();
        QCOMPARE(files.size(), 3);
        QVERIFY(m_window->dialogs().shown().isEmpty());
    }

    void historyGridShowsTheStoredDraws()
    {
        open(sessionWithDraws(50));
        GridModel* model = m_window->gridModel(1);
        QAbstractItemModelTester tester(model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QCOMPARE(model->rowCount(), 50);
        QCOMPARE(model->columnCount(), 9);
        QCOMPARE(model->cell(0, 0), QStringLiteral("20161212001"));
        QCOMPARE(model->cell(49, 0), QStringLiteral("20161212050"));
        QCOMPARE(model->cell(0, 1), QStringLiteral("1"));
        QCOMPARE(model->gridText(0, 2), QStringLiteral("第2位"));
        QCOMPARE(model->headerData(8, Qt::Horizontal).toString(), QStringLiteral("第8位"));
        QCOMPARE(child<QLineEdit>("Text1")->text(), QStringLiteral("20161212051"));
        auto* grid = child<QTableView>("MSFlexGrid1");
        // 1200 and 580 twips, wider only where the font needs it.
        QVERIFY(grid->columnWidth(0) >= 80);
        QVERIFY(grid->columnWidth(0) >= grid->fontMetrics().horizontalAdvance(QStringLiteral("20161212050")));
        QVERIFY(grid->columnWidth(1) >= 39);
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        QTRY_COMPARE(grid->verticalScrollBar()->value(), grid->verticalScrollBar()->maximum());
        QVERIFY(grid->verticalScrollBar()->maximum() > 0);
    }

    void zodiacKindShowsNamesInThePatternBoxes()
    {
        open(sessionWithDraws(3));
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        auto* box = child<QLineEdit>("Text2_1");
        QCOMPARE(box->text(), QStringLiteral("3")); // L1A of the last draw
        QTest::mouseClick(child<QRadioButton>("Option3_1"), Qt::LeftButton);
        const QString name = box->text();
        QVERIFY2(ZodiacTables::names().end()
                     != std::find(ZodiacTables::names().begin(), ZodiacTables::names().end(), name),
                 qPrintable(name));
        QTest::mouseClick(child<QRadioButton>("Option2_5"), Qt::LeftButton); // 组选 keeps the display
        QCOMPARE(box->text(), name);
        QTest::mouseClick(child<QRadioButton>("Option3_0"), Qt::LeftButton);
        QCOMPARE(box->text(), QStringLiteral("3"));
    }

    void maskedBoxesTakeDigitsOnly()
    {
        open();
        auto* look = child<QLineEdit>("MaskEdBox2");
        look->selectAll();
        QTest::keyClicks(look, QStringLiteral("a+7"));
        QCOMPARE(look->text(), QStringLiteral("7"));
        auto* entry = child<QLineEdit>("MaskEdBox1_1");
        QCOMPARE(entry->inputMask(), QStringLiteral("00;_"));
        entry->setText(QStringLiteral("1x2"));
        QCOMPARE(entry->text(), QStringLiteral("12"));
    }

    // Switching the game switches the history shown; the holes of the shown
    // history are listed by 缺期检查, and 跳过缺期 reaches the session.
    void gameSwitchSwitchesTheHistoryAndGapsAreListed()
    {
        auto s = std::make_unique<Session>(std::make_unique<Settings>(), dataFolder());
        s->startUp();
        {
            SqliteDb& db = s->store().db();
            s->encoder().beginAppend(s->snapshot(), s->bases());
            Transaction t(db);
            RowWriter w(db);
            for (int i = 0; i < 10; ++i) {
                if (i == 4)
                    continue; // 161212005 missing
                std::array<int, kPositions> n {};
                for (int p = 0; p < kPositions; ++p)
                    n[p] = (i + p * 2) % 20 + 1;
                QVERIFY(w.insert(s->encoder().encode(161212001 + i, n, s->bases(), false)));
            }
            QVERIFY(t.commit());
            s->store().markChanged();
            s->reloadHistory();
            s->nextIssueDisplay();
        }
        open(std::move(s));
        QCOMPARE(m_window->gridModel(1)->rowCount(), 9);
        child<QAction>("mnuGaps")->trigger();
        auto* dialog = m_window->findChild<QDialog*>(QStringLiteral("dlgGaps"));
        QVERIFY(dialog);
        QCOMPARE(dialog->findChild<QTableView*>(QStringLiteral("gridGaps"))->model()->rowCount(), 1);
        QVERIFY(dialog->findChild<QLabel*>(QStringLiteral("lblGaps"))->text().contains(QStringLiteral("缺 1 期")));
        dialog->close();

        child<QAction>("mnuKL10_0")->trigger(); // Guangdong: its own, empty history
        QCOMPARE(m_window->gridModel(1)->rowCount(), 0);
        QCOMPARE(child<QLineEdit>("Text1")->text(), QStringLiteral("2007001"));
        QVERIFY(m_window->session().dataFolder().endsWith(QStringLiteral("广东快乐十分")));
        child<QAction>("mnuKL10_2")->trigger(); // back to Hunan
        QCOMPARE(m_window->gridModel(1)->rowCount(), 9);
        QCOMPARE(child<QLineEdit>("Text1")->text(), QStringLiteral("20161212011"));

        auto* skip = child<QCheckBox>("chkSkipGaps");
        QVERIFY(skip && !skip->isChecked());
        skip->click();
        QVERIFY(m_window->session().skipGaps());
    }

    void gridModelOverATable()
    {
        GridModel model;
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.setTable({ QStringLiteral("a"), QStringLiteral("b") },
                       { { QStringLiteral("1"), QStringLiteral("2") }, { QStringLiteral("3") } });
        QCOMPARE(model.rowCount(), 2);
        QCOMPARE(model.cell(1, 1), QString());
        QCOMPARE(model.gridRows(), 3);
        QCOMPARE(model.gridText(2, 0), QStringLiteral("3"));
        model.clear();
        QCOMPARE(model.rowCount(), 0);
    }
};

QTEST_MAIN(WindowTest)
#include "MainWindowTest.moc"
