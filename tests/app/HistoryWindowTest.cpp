// The history commands in the real window, with every dialog answered
// through the Dialogs seam.

#include "app/HistoryController.h"
#include "support/HistoryTestSupport.h"
#include "app/GridModel.h"
#include "core/IssueNumber.h"
#include "session/Session.h"
#include "app/frmMain.h"

#include <QAction>
#include <QDir>
#include <QLineEdit>
#include <QMenu>
#include <QProgressDialog>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>

using namespace corvinel;
using namespace corvinel::testing;

class HistoryWindowTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir* m_dir = nullptr;
    std::unique_ptr<frmMain> m_window;

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
    GridModel* grid() { return m_window->gridModel(1); }
    QString text1() { return m_window->findChild<QLineEdit*>(QStringLiteral("Text1"))->text(); }
    void click(const char* button) { m_window->findChild<QPushButton*>(QString::fromLatin1(button))->click(); }
    void trigger(const char* item)
    {
        for (QAction* a : m_window->historyMenu()->actions())
            if (a->objectName() == QLatin1String(item)) {
                a->trigger();
                return;
            }
        QFAIL(item);
    }
    QString importFolder() const { return QDir(m_dir->path()).filePath(QStringLiteral("湖南快乐十分/历史号码")); }
    // Imports `draws` through the button from a file of that name.
    void importThroughButton(const std::vector<PlainDraw>& draws, const QString& name, const QByteArray& extra = {})
    {
        QDir().mkpath(importFolder());
        const QString file = QDir(importFolder()).filePath(name);
        QVERIFY(writeFile(file, drawFile(draws) + extra));
        dialogs().queueMessageAnswer(QMessageBox::Ok);
        dialogs().queueFile(file);
        click("cmdRdLst");
    }
    std::vector<PlainDraw> shownDraws() { return storedDraws(m_window->session().store()); }
    const Dialogs::Shown& lastShown() { return dialogs().shown().last(); }

private slots:
    void init()
    {
        m_dir = new QTemporaryDir;
        openWindow();
    }
    void cleanup()
    {
        m_window.reset();
        delete m_dir;
    }

    void importThroughTheButtonFillsTheGridAndTheNextIssue()
    {
        QCOMPARE(grid()->rowCount(), 0);
        const QString before = text1();
        const auto draws = makeDraws(120, QDate(2016, 12, 11), 84, 3, 1);
        importThroughButton(draws, QStringLiteral("draws.TXT"), "161213001 01 02 03\n\nnot a draw\n");

        const auto& shown = dialogs().shown();
        QVERIFY(shown.size() >= 3);
        QCOMPARE(shown[0].kind, Dialogs::Shown::Message);
        QCOMPARE(shown[0].title, QStringLiteral("读入历史"));
        QCOMPARE(shown[0].text, HistoryController::importQuestion());
        QVERIFY(shown[0].text.startsWith(QStringLiteral("确实要读入最新历史号码吗？")));
        QCOMPARE(shown[1].kind, Dialogs::Shown::OpenFile);
        QCOMPARE(shown[1].text, importFolder());

        QCOMPARE(grid()->rowCount(), 120);
        QCOMPARE(grid()->cell(119, 0), issue::displayForm(draws.back().sqqh));
        QCOMPARE(grid()->cell(0, 1), QString::number(draws[0].numbers[0]));
        QVERIFY(text1() != before);
        QCOMPARE(text1(), *issue::nextIssue(draws.back().sqqh, 556, 84));
        QCOMPARE(m_window->session().lastDrawQqh(), draws.back().sqqh + 1);

        // The result names the count and the skipped lines.
        QCOMPARE(lastShown().title, QStringLiteral("读入历史"));
        QVERIFY2(lastShown().text.contains(QStringLiteral("已读入 120 期")), qPrintable(lastShown().text));
        QVERIFY2(lastShown().text.contains(QStringLiteral("第 121、123 行")), qPrintable(lastShown().text));
        QCOMPARE(dialogs().pendingAnswers(), 0);
    }

    void cancelsAndRefusalsLeaveTheHistory()
    {
        const auto draws = makeDraws(10);
        importThroughButton(draws, QStringLiteral("a.txt"));
        QCOMPARE(grid()->rowCount(), 10);
        dialogs().clearShown();

        // Cancel in the question: no file dialog, nothing changes.
        dialogs().queueMessageAnswer(QMessageBox::Cancel);
        click("cmdRdLst");
        QCOMPARE(dialogs().shown().size(), 1);
        QCOMPARE(shownDraws(), draws);

        // Cancel in the file dialog after an earlier import imports nothing.
        dialogs().queueMessageAnswer(QMessageBox::Ok);
        click("cmdRdLst");
        QCOMPARE(shownDraws(), draws);

        // A .csv file is refused with nothing deleted.
        const QString csv = QDir(importFolder()).filePath(QStringLiteral("b.csv"));
        QVERIFY(writeFile(csv, drawFile(makeDraws(3, QDate(2017, 1, 2)))));
        dialogs().queueMessageAnswer(QMessageBox::Ok);
        dialogs().queueFile(csv);
        click("cmdRdLst");
        QCOMPARE(shownDraws(), draws);
        QCOMPARE(grid()->rowCount(), 10);
        QVERIFY(lastShown().text.contains(QStringLiteral("b.csv")));

        // A file without a usable line: a message, nothing changes.
        importThroughButton({}, QStringLiteral("empty.txt"), "hello\n01 02\n");
        QCOMPARE(shownDraws(), draws);
        QVERIFY2(lastShown().text.contains(QStringLiteral("没有可用的历史号码行")), qPrintable(lastShown().text));
    }

    void deleteLastAndLastN()
    {
        // Across a day boundary: 161211082 .. 161211084, 161212001 .. 161212004.
        const auto draws = makeDraws(7, QDate(2016, 12, 11), 84, 3, 82);
        importThroughButton(draws, QStringLiteral("d.txt"));
        QCOMPARE(text1(), QStringLiteral("20161212005"));

        // 删除最后历史 asks first, naming the draw; Cancel keeps it.
        click("Command3");
        QCOMPARE(lastShown().text, QStringLiteral("删除最后一期 20161212004？"));
        QCOMPARE(grid()->rowCount(), 7);
        dialogs().queueMessageAnswer(QMessageBox::Ok);
        click("Command3");
        QCOMPARE(grid()->rowCount(), 6);
        QCOMPARE(text1(), QStringLiteral("20161212004"));
        dialogs().queueMessageAnswer(QMessageBox::Ok);
        trigger("mnuErase");
        QCOMPARE(grid()->rowCount(), 5);

        // mnuEszhzd: a cancelled or non-numeric answer deletes nothing and
        // leaves the backup file as it was.
        const QString backup = HistoryMaintenance::backupPath(m_window->session().dataFolder());
        QVERIFY(writeFile(backup, "old backup\n"));
        dialogs().queueInput(std::nullopt);
        trigger("mnuEszhzd");
        QCOMPARE(lastShown().title, QStringLiteral("删除期数"));
        QCOMPARE(lastShown().text, HistoryController::deleteCountPrompt());
        dialogs().queueInput(QStringLiteral("abc"));
        trigger("mnuEszhzd");
        QCOMPARE(grid()->rowCount(), 5);
        QCOMPARE(readFile(backup), QByteArray("old backup\n"));

        dialogs().queueInput(QStringLiteral("3"));
        trigger("mnuEszhzd");
        QCOMPARE(shownDraws(), std::vector<PlainDraw>(draws.begin(), draws.begin() + 2));
        QCOMPARE(grid()->rowCount(), 2);
        QCOMPARE(text1(), QStringLiteral("20161211084"));
        QCOMPARE(readFile(backup), drawFile(std::vector<PlainDraw>(draws.begin(), draws.begin() + 2)));

        dialogs().queueInput(QStringLiteral("9"));
        trigger("mnuEszhzd");
        QCOMPARE(grid()->rowCount(), 0);
    }

    // Each kind of deletion, undone: the same draws again, the status bar
    // names what was deleted and restored, and undo is offered once only and
    // not after another change of the history.
    void everyDeletionCanBeUndoneOnce()
    {
        const auto draws = makeDraws(9, QDate(2016, 12, 11), 84, 3, 80);
        importThroughButton(draws, QStringLiteral("u.txt"));
        auto* history = m_window->findChild<HistoryController*>(QStringLiteral("HistoryController"));
        QVERIFY(history);
        QAction* undo = history->undoAction();
        QVERIFY(!undo->isEnabled());
        QVERIFY(m_window->historyMenu()->actions().contains(undo));
        QString status;
        connect(history, &HistoryController::status, this, [&](const QString& t) { status = t; });

        const auto deletions = std::vector<std::function<void()>> {
            [&] {
                dialogs().queueMessageAnswer(QMessageBox::Ok);
                click("Command3");
            },
            [&] {
                dialogs().queueInput(QStringLiteral("4"));
                trigger("mnuEszhzd");
            },
            [&] {
                dialogs().queueInput(issue::displayForm(draws[1].sqqh));
                trigger("mnuDlzd");
            },
            [&] {
                dialogs().queueMessageAnswer(QMessageBox::Ok);
                trigger("mnuClear");
            },
        };
        for (const auto& remove : deletions) {
            remove();
            QVERIFY(shownDraws().size() < draws.size());
            QVERIFY(undo->isEnabled());
            QVERIFY(history->undoButton()->isVisible()); // beside the status message, not under it
            QVERIFY2(status.startsWith(QStringLiteral("已删除 ")), qPrintable(status));
            if (shownDraws().size() == draws.size() - 1)
                QVERIFY2(status.contains(issue::displayForm(draws.back().sqqh)), qPrintable(status));
            undo->trigger();
            QCOMPARE(shownDraws(), draws);
            QCOMPARE(grid()->rowCount(), static_cast<int>(draws.size()));
            QCOMPARE(text1(), *issue::nextIssue(draws.back().sqqh, 556, 84));
            QVERIFY2(status.startsWith(QStringLiteral("已撤销删除")), qPrintable(status));
            QVERIFY(!undo->isEnabled());
            QVERIFY(!history->undoButton()->isVisible());
        }

        // A change after the deletion ends the undo; the backup stays unused.
        dialogs().queueMessageAnswer(QMessageBox::Ok);
        click("Command3");
        QVERIFY(undo->isEnabled());
        importThroughButton(makeDraws(3, QDate(2017, 1, 1)), QStringLiteral("v.txt"));
        QVERIFY(!undo->isEnabled());
        QCOMPARE(shownDraws(), makeDraws(3, QDate(2017, 1, 1)));
    }

    void deleteAfterWithTheDefaultAnswerRebuildsEverything()
    {
        const auto draws = makeDraws(6);
        importThroughButton(draws, QStringLiteral("e.txt"));
        SqliteDb& db = m_window->session().store().db();
        QVERIFY(textColumn(db, "txtHisPreLstHm")[3].empty()); // an import leaves them empty

        // The default answer: "20" + the last stored issue.
        const QString def = issue::displayForm(draws.back().sqqh);
        dialogs().queueInput(def);
        trigger("mnuDlzd");
        QCOMPARE(lastShown().title, QStringLiteral("删除期数"));
        QCOMPARE(lastShown().text, HistoryController::deleteAfterPrompt());
        QCOMPARE(shownDraws(), draws);
        const auto pre = textColumn(m_window->session().store().db(), "txtHisPreLstHm");
        const auto lists = textColumn(m_window->session().store().db(), "txtHisLstHm");
        QCOMPARE(pre.size(), std::size_t(6));
        QVERIFY(pre[0].empty() && pre[1].empty());
        for (int i = 2; i < 6; ++i)
            QCOMPARE(pre[i], lists[i - 1]);

        // A stored-form or malformed answer is refused with a message.
        const int before = dialogs().shown().size();
        dialogs().queueInput(QString::number(draws[2].sqqh));
        trigger("mnuDlzd");
        QCOMPARE(dialogs().shown().size(), before + 2);
        QCOMPARE(lastShown().kind, Dialogs::Shown::Message);
        QCOMPARE(shownDraws(), draws);

        dialogs().queueInput(issue::displayForm(draws[2].sqqh));
        trigger("mnuDlzd");
        QCOMPARE(shownDraws(), std::vector<PlainDraw>(draws.begin(), draws.begin() + 3));
        QCOMPARE(grid()->rowCount(), 3);
    }

    void cancellingTheProgressDialogKeepsTheHistory()
    {
        const auto draws = makeDraws(5);
        importThroughButton(draws, QStringLiteral("small.txt"));
        // A file large enough for the progress dialog; its cancel button is
        // pressed while the rows are written.
        bool sawDialog = false;
        QTimer::singleShot(150, this, [&] {
            if (auto* p = m_window->findChild<QProgressDialog*>(QStringLiteral("historyProgress"))) {
                sawDialog = true;
                p->cancel();
            }
        });
        importThroughButton(makeDraws(60000, QDate(2017, 1, 1)), QStringLiteral("big.txt"));
        QVERIFY(sawDialog);
        QCOMPARE(shownDraws(), draws);
        QCOMPARE(grid()->rowCount(), 5);
        QVERIFY2(lastShown().text.contains(QStringLiteral("已取消")), qPrintable(lastShown().text));
        QVERIFY(!m_window->findChild<QProgressDialog*>(QStringLiteral("historyProgress")));
    }

    void clearAsksFirst()
    {
        const auto draws = makeDraws(4);
        importThroughButton(draws, QStringLiteral("f.txt"));
        dialogs().queueMessageAnswer(QMessageBox::Cancel);
        trigger("mnuClear");
        QCOMPARE(lastShown().title, QStringLiteral("确认清空"));
        QCOMPARE(lastShown().text, QStringLiteral("确定要清空所有的历史号码吗？"));
        QCOMPARE(grid()->rowCount(), 4);

        const QString next = text1();
        dialogs().queueMessageAnswer(QMessageBox::Ok);
        trigger("mnuClear");
        QCOMPARE(grid()->rowCount(), 0);
        QCOMPARE(grid()->gridRows(), 1); // the header row only
        QCOMPARE(m_window->session().store().rowCount(), 0);
        QCOMPARE(text1(), next); // the next-issue display is not refreshed
    }
};

QTEST_MAIN(HistoryWindowTest)
#include "HistoryWindowTest.moc"
