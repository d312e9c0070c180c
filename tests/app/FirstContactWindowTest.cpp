// A new user's first steps in the real window: import, then search; the
// verification page; a file of the other game; what the status bar and the
// ranking say; deletions and manual entry; the update's warning. Every dialog
// is answered through the Dialogs seam.

#include "support/HistoryTestSupport.h"

#include "app/GridModel.h"
#include "app/frmMain.h"
#include "core/IssueNumber.h"
#include "session/Session.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTabBar>
#include <QTableView>
#include <QTest>

using namespace corvinel;
using namespace corvinel::testing;

namespace {

// How many draws after the first follow a draw whose number at `position`
// is `value` (fixed position, previous issue): counted from the file's draws.
int followCount(const std::vector<PlainDraw>& draws, int position, int value)
{
    int n = 0;
    for (std::size_t i = 1; i < draws.size(); ++i)
        n += draws[i - 1].numbers[static_cast<std::size_t>(position - 1)] == value ? 1 : 0;
    return n;
}

} // namespace

class FirstContactWindowTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir* m_dir = nullptr;
    std::unique_ptr<frmMain> m_window;
    std::vector<PlainDraw> m_draws; // Hunan, 300 draws from 2025-09-01

    void openWindow()
    {
        m_window.reset();
        auto session
            = std::make_unique<Session>(std::make_unique<Settings>(m_dir->filePath("settings.ini")), m_dir->path());
        m_window = std::make_unique<frmMain>(std::move(session));
        m_window->dialogs().setAutomatic(true);
        m_window->show();
    }
    Dialogs& dialogs() { return m_window->dialogs(); }
    Session& session() { return m_window->session(); }
    template<typename T> T* control(const QString& name)
    {
        T* w = m_window->findChild<T*>(name);
        if (!w)
            qFatal("no control %s", qPrintable(name));
        return w;
    }
    QString text(const QString& name) { return control<QLineEdit>(name)->text(); }
    void click(const QString& name) { control<QAbstractButton>(name)->click(); }
    void trigger(const char* item)
    {
        for (QAction* a : m_window->historyMenu()->actions())
            if (a->objectName() == QLatin1String(item)) {
                a->trigger();
                return;
            }
        QFAIL(item);
    }
    QString status() { return m_window->statusBar()->currentMessage(); }
    QString statusHistory() { return control<QLabel>(QStringLiteral("statusHistory"))->text(); }
    int matchedRows() { return m_window->gridModel(2)->rowCount(); }

    void importFile(const QString& name, const QByteArray& bytes)
    {
        const QString file = QDir(m_dir->path()).filePath(name);
        QVERIFY(writeFile(file, bytes));
        dialogs().queueMessageAnswer(QMessageBox::Ok);
        dialogs().queueFile(file);
        click(QStringLiteral("cmdRdLst"));
    }

private slots:
    void init()
    {
        m_dir = new QTemporaryDir;
        m_draws = makeDraws(300, QDate(2025, 9, 1), 84, 3);
        openWindow();
    }
    void cleanup()
    {
        m_window.reset();
        delete m_dir;
    }

    // On a fresh folder, import and then 检索 ranks over the whole history.
    void importThenSearchGivesTheFullRanking()
    {
        QVERIFY(statusHistory().contains(QStringLiteral("已存 0 期")));
        importFile(QStringLiteral("hunan.txt"), drawFile(m_draws));
        QCOMPARE(session().snapshot().recordCount(), 300);
        // The range follows the history: first draw + 1 to the last one.
        QCOMPARE(text(QStringLiteral("Text3_0")), issue::displayForm(m_draws.front().sqqh + 1));
        QCOMPARE(text(QStringLiteral("Text3_1")), issue::displayForm(m_draws.back().sqqh));
        QVERIFY(statusHistory().contains(QStringLiteral("湖南快乐十分")));
        QVERIFY(statusHistory().contains(QStringLiteral("已存 300 期")));
        QVERIFY(statusHistory().contains(issue::displayForm(m_draws.back().sqqh)));

        click(QStringLiteral("Check1_1"));
        click(QStringLiteral("Option1_0")); // 固定位
        click(QStringLiteral("Command1"));
        const int value = m_draws.back().numbers[0];
        const int expected = followCount(m_draws, 1, value);
        QVERIFY(expected > 0);
        QCOMPARE(matchedRows(), expected);
        QCOMPARE(control<QLabel>(QStringLiteral("labelMatchCount"))->text(),
                 QStringLiteral("匹配 %1 期，基数 %1").arg(expected));
        QVERIFY(m_window->gridModel(3)->rowCount() > 0);
        QCOMPARE(text(QStringLiteral("Text2_1")), QString::number(value));

        // After a deletion the range end follows the history again.
        dialogs().queueInput(QStringLiteral("3"));
        trigger("mnuEszhzd");
        QCOMPARE(text(QStringLiteral("Text3_1")), issue::displayForm(m_draws[296].sqqh));
        QCOMPARE(status(), QStringLiteral("已删除 3 期（%1–%2），剩余 297 期，可撤销删除")
                               .arg(issue::displayForm(m_draws[297].sqqh), issue::displayForm(m_draws[299].sqqh)));
    }

    // Typing an issue into Text4 and pressing Enter takes its pattern; 检索
    // then ranks that pattern. An issue whose previous draw is not stored is
    // refused by name.
    void verificationIssueTypedThenSearched()
    {
        importFile(QStringLiteral("hunan.txt"), drawFile(m_draws));
        control<QTabBar>(QStringLiteral("TabStrip1"))->setCurrentIndex(2);
        QLineEdit* text4 = control<QLineEdit>(QStringLiteral("Text4"));
        text4->setFocus();
        text4->selectAll();
        QTest::keyClicks(text4, issue::displayForm(m_draws[100].sqqh));
        QTest::keyClick(text4, Qt::Key_Return);
        const int value = m_draws[99].numbers[0];
        QCOMPARE(text(QStringLiteral("Text2_11")), QString::number(value));

        click(QStringLiteral("Check1_11"));
        click(QStringLiteral("Option1_0"));
        click(QStringLiteral("Command1"));
        QCOMPARE(matchedRows(), followCount(m_draws, 1, value));

        // Typed without Enter, 检索 still searches the issue in the box.
        text4->selectAll();
        QTest::keyClicks(text4, issue::displayForm(m_draws[200].sqqh));
        click(QStringLiteral("Command1"));
        QCOMPARE(text(QStringLiteral("Text2_11")), QString::number(m_draws[199].numbers[0]));
        QCOMPARE(matchedRows(), followCount(m_draws, 1, m_draws[199].numbers[0]));

        // Not stored: a message naming the issue, no search, boxes unchanged.
        dialogs().clearShown();
        const std::int64_t missing = m_draws.back().sqqh + 5;
        text4->selectAll();
        QTest::keyClicks(text4, issue::displayForm(missing));
        QTest::keyClick(text4, Qt::Key_Return);
        QVERIFY(!dialogs().shown().isEmpty());
        QVERIFY(dialogs().shown().last().text.contains(issue::displayForm(missing - 1)));
        QCOMPARE(text(QStringLiteral("Text2_11")), QString::number(m_draws[199].numbers[0]));
        const int before = matchedRows();
        dialogs().clearShown();
        click(QStringLiteral("Command1"));
        QCOMPARE(dialogs().shown().size(), 1);
        QCOMPARE(matchedRows(), before);

        // A lag change made on this tab brings tab 1's boxes along.
        click(QStringLiteral("Option1_2")); // 前 2 期
        control<QTabBar>(QStringLiteral("TabStrip1"))->setCurrentIndex(0);
        QCOMPARE(text(QStringLiteral("Text2_1")), QString::number(m_draws[298].numbers[0]));
    }

    // A Guangdong file with the default game (Hunan): the window asks.
    void fileOfTheOtherGameAsksToSwitch()
    {
        const QByteArray guangdong = drawFile(makeDraws(120, QDate(2025, 9, 1), 84, 2));
        dialogs().queueMessageAnswer(QMessageBox::Ok);
        dialogs().queueFile(QDir(m_dir->path()).filePath(QStringLiteral("gd.txt")));
        QVERIFY(writeFile(QDir(m_dir->path()).filePath(QStringLiteral("gd.txt")), guangdong));
        dialogs().queueMessageAnswer(QMessageBox::Cancel);
        click(QStringLiteral("cmdRdLst"));
        QVERIFY(dialogs().shown().last().text.contains(QStringLiteral("广东快乐十分")));
        QCOMPARE(session().snapshot().recordCount(), 0);
        QCOMPARE(session().choices().lotteryCode, issue::kHunan);

        dialogs().queueMessageAnswer(QMessageBox::Ok);
        dialogs().queueFile(QDir(m_dir->path()).filePath(QStringLiteral("gd.txt")));
        dialogs().queueMessageAnswer(QMessageBox::Yes);
        click(QStringLiteral("cmdRdLst"));
        QCOMPARE(session().choices().lotteryCode, issue::kGuangdong);
        QCOMPARE(session().snapshot().recordCount(), 120);
        QCOMPARE(session().snapshot().last()->sqqh, makeDraws(120, QDate(2025, 9, 1), 84, 2).back().sqqh);
        QVERIFY(statusHistory().contains(QStringLiteral("广东快乐十分")));
    }

    // 删除到选定期 offers the selected row; manual entry reports what it stored.
    void deletionsAndEntryReportInTheStatusBar()
    {
        importFile(QStringLiteral("hunan.txt"), drawFile(m_draws));
        QTableView* grid = m_window->grid(1);
        grid->setCurrentIndex(m_window->gridModel(1)->index(249, 0));
        dialogs().clearShown();
        dialogs().queueInput(issue::displayForm(m_draws[249].sqqh));
        trigger("mnuDlzd");
        QVERIFY(!dialogs().shown().isEmpty());
        QCOMPARE(dialogs().shown().first().defaultText, issue::displayForm(m_draws[249].sqqh));
        QCOMPARE(session().snapshot().recordCount(), 250);
        QCOMPARE(status(), QStringLiteral("已删除 50 期（%1–%2），剩余 250 期，可撤销删除")
                               .arg(issue::displayForm(m_draws[250].sqqh), issue::displayForm(m_draws[299].sqqh)));

        const QString next = text(QStringLiteral("Text1"));
        for (int k = 1; k <= 8; ++k) {
            QLineEdit* box = control<QLineEdit>(QStringLiteral("MaskEdBox1_%1").arg(k));
            box->setFocus();
            QTest::keyClicks(box, QStringLiteral("%1").arg(k + 10, 2, 10, QLatin1Char('0')));
        }
        QCOMPARE(session().snapshot().recordCount(), 251);
        QCOMPARE(status(), QStringLiteral("已存入 %1 期").arg(next));

        // A click into an empty box puts the cursor at its first place.
        QLineEdit* box3 = control<QLineEdit>(QStringLiteral("MaskEdBox1_3"));
        QTest::mouseClick(box3, Qt::LeftButton, {}, QPoint(box3->width() - 3, box3->height() / 2));
        QCOMPARE(box3->cursorPosition(), 0);
    }

    // The confirmation of the online update says what the retention rule
    // deletes, before anything is fetched.
    void updateConfirmationNamesTheDeletion()
    {
        importFile(QStringLiteral("hunan.txt"), drawFile(m_draws));
        QVERIFY(!session().setUpdateBase(QStringLiteral("http://127.0.0.1:9")));
        dialogs().clearShown();
        dialogs().queueMessageAnswer(QMessageBox::Cancel);
        click(QStringLiteral("Command21"));
        QVERIFY(!dialogs().shown().isEmpty());
        const QString question = dialogs().shown().first().text;
        QVERIFY2(question.contains(QStringLiteral("全部300期")), qPrintable(question));
        QVERIFY2(question.contains(issue::displayForm(m_draws.front().sqqh)), qPrintable(question));
        QCOMPARE(session().snapshot().recordCount(), 300);
    }

    // The window fits a 1024x768 screen.
    void fitsASmallScreen()
    {
        const QSize least = m_window->minimumSizeHint().expandedTo(m_window->minimumSize());
        const QSize history = control<QWidget>(QStringLiteral("historyPane"))->minimumSizeHint();
        const QSize work = control<QWidget>(QStringLiteral("centralWidget"))->minimumSizeHint();
        QVERIFY2(least.width() <= 1000 && least.height() <= 700,
                 qPrintable(QStringLiteral("%1x%2 (history %3, work area %4)")
                                .arg(least.width())
                                .arg(least.height())
                                .arg(history.width())
                                .arg(work.width())));
    }
};

QTEST_MAIN(FirstContactWindowTest)
#include "FirstContactWindowTest.moc"
