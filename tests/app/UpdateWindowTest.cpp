// The online update through Command21 of the real window, against a local
// results site, with every dialog answered through the Dialogs seam.

#include "support/TestSite.h"

#include "core/Clock.h"
#include "app/GridModel.h"
#include "session/Session.h"
#include "app/UpdateController.h"
#include "app/frmMain.h"

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QProgressDialog>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace corvinel;
using namespace corvinel::sitetest;

class UpdateWindowTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<TestSite> m_site;
    std::unique_ptr<frmMain> m_window;
    const QDate m_today { 2016, 9, 8 };

    Dialogs& dialogs() { return m_window->dialogs(); }
    GridModel* grid() { return m_window->gridModel(1); }
    UpdateController* controller()
    {
        return m_window->findChild<UpdateController*>(QStringLiteral("UpdateController"));
    }
    QString box(const char* name) { return m_window->findChild<QLineEdit*>(QString::fromLatin1(name))->text(); }
    QPushButton* button(const char* name) { return m_window->findChild<QPushButton*>(QString::fromLatin1(name)); }

    // Every command the update locks, with its current enabled state.
    QStringList enabledCommands()
    {
        QStringList on;
        for (const QString& name : UpdateController::lockedCommands()) {
            QWidget* w = m_window->findChild<QWidget*>(name);
            if (!w)
                on << QStringLiteral("missing:") + name;
            else if (w->isEnabled())
                on << name;
        }
        for (QAction* a : m_window->historyMenu()->actions())
            if (a->isEnabled())
                on << a->objectName();
        return on;
    }

    void servePeriod(int perDay)
    {
        for (int d = 6; d >= 0; --d) {
            const QDate day = m_today.addDays(-d);
            m_site->setPage(556, day, dayPage(dayRows(day, 1, perDay, 3), d % 2 == 0));
        }
    }

    std::unique_ptr<QSignalSpy> m_done;

    void startUpdate()
    {
        m_done = std::make_unique<QSignalSpy>(controller(), &UpdateController::finished);
        dialogs().queueMessageAnswer(QMessageBox::Ok);
        button("Command21")->click();
    }

    void waitForEnd()
    {
        if (m_done->isEmpty())
            QVERIFY(m_done->wait(20000));
        QCOMPARE(m_done->size(), 1);
    }

private slots:
    void init()
    {
        Clock::setToday(m_today);
        m_dir = std::make_unique<QTemporaryDir>();
        m_site = std::make_unique<TestSite>();
        auto session
            = std::make_unique<Session>(std::make_unique<Settings>(m_dir->filePath("settings.ini")), m_dir->path());
        m_window = std::make_unique<frmMain>(std::move(session));
        m_window->dialogs().setAutomatic(true);
        m_window->show();
        QVERIFY(controller());
    }
    void cleanup()
    {
        m_done.reset();
        m_window.reset();
        m_site.reset();
        m_dir.reset();
        Clock::reset();
    }

    void withoutBaseAddressNothingHappens()
    {
        m_window->session().setUpdateBase(QString());
        servePeriod(3);
        button("Command21")->click();
        QCOMPARE(dialogs().shown().size(), 1);
        QCOMPARE(dialogs().shown().first().text, UpdateController::noBaseText());
        QVERIFY(m_site->requests().isEmpty());
        QCOMPARE(grid()->rowCount(), 0);
        QVERIFY(button("Command1")->isEnabled());
    }

    void cancelAtTheQuestionChangesNothing()
    {
        QVERIFY(!m_window->session().setUpdateBase(m_site->base()));
        servePeriod(3);
        dialogs().queueMessageAnswer(QMessageBox::Cancel);
        button("Command21")->click();
        QCOMPARE(dialogs().shown().size(), 1);
        QCOMPARE(dialogs().shown().first().title, QStringLiteral("读入历史"));
        QCOMPARE(dialogs().shown().first().text, UpdateController::confirmText());
        QTest::qWait(50);
        QVERIFY(m_site->requests().isEmpty());
        QVERIFY(!controller()->isRunning());
    }

    void updateFillsTheGridWhileTheWindowStaysResponsive()
    {
        QVERIFY(!m_window->session().setUpdateBase(m_site->base()));
        servePeriod(3);
        // A slow page in the middle, so the update is seen running.
        const QDate slowDay = m_today.addDays(-3);
        m_site->setDay(556, slowDay, SiteResponse::delayed(dayPage(dayRows(slowDay, 1, 3, 3)), 600));
        const QStringList before = enabledCommands();
        QVERIFY2(before.contains(QStringLiteral("Command21")) && before.contains(QStringLiteral("mnuClear")),
                 qPrintable(before.join(',')));

        QList<QStringList> enabledWhileLoading;
        connect(&controller()->onlineUpdate(), &update::OnlineUpdate::dayStarted, this,
                [&] { enabledWhileLoading << enabledCommands(); });
        startUpdate();
        QVERIFY(controller()->isRunning());
        QPointer<QProgressDialog> progress = m_window->findChild<QProgressDialog*>(QStringLiteral("updateProgress"));
        QVERIFY(progress);
        QTRY_VERIFY(progress->labelText().contains(slowDay.toString(QStringLiteral("yyyy-MM-dd"))));
        QVERIFY(progress->labelText().contains(QStringLiteral("第 4 天（共 7 天）")));
        QVERIFY(progress->isVisible());
        QVERIFY(enabledCommands().isEmpty());

        // The window still answers while the page loads.
        m_window->findChild<QTabBar*>(QStringLiteral("TabStrip1"))->setCurrentIndex(1);
        QTRY_COMPARE(m_window->session().patterns().selectedTab, 1);
        m_window->findChild<QTabBar*>(QStringLiteral("TabStrip1"))->setCurrentIndex(0);
        QVERIFY(controller()->isRunning());

        waitForEnd();
        QCOMPARE(enabledWhileLoading.size(), 7);
        for (const QStringList& on : enabledWhileLoading)
            QVERIFY2(on.isEmpty(), qPrintable(on.join(',')));
        QCOMPARE(enabledCommands(), before);
        QVERIFY(!progress || !progress->isVisible());

        QCOMPARE(grid()->rowCount(), 21);
        QCOMPARE(grid()->cell(0, 0), QStringLiteral("20160902001"));
        QCOMPARE(grid()->cell(20, 0), QStringLiteral("20160908003"));
        QCOMPARE(grid()->cell(20, 1), QString::number(drawNumbers(m_today, 3)[0]));
        QCOMPARE(box("Text1"), QStringLiteral("20160908004"));
        QCOMPARE(box("Text3_0"), QStringLiteral("20160902002"));
        QCOMPARE(box("Text3_1"), QStringLiteral("20160908003"));
        // The search pattern now comes from the last loaded draw.
        for (int k = 1; k <= 8; ++k)
            QCOMPARE(box(qPrintable(QStringLiteral("Text2_%1").arg(k))),
                     QString::number(drawNumbers(m_today, 3)[k - 1]));
        const auto& last = dialogs().shown().last();
        QCOMPARE(last.title, UpdateController::resultTitle());
        QVERIFY2(last.text.contains(QStringLiteral("新增21期")), qPrintable(last.text));
    }

    void failureIsNamedAndEarlierDaysKept()
    {
        QVERIFY(!m_window->session().setUpdateBase(m_site->base()));
        servePeriod(2);
        m_site->setDay(556, m_today.addDays(-4), SiteResponse::answer(500, "oops"));
        startUpdate();
        waitForEnd();
        QCOMPARE(grid()->rowCount(), 4);
        const QString text = dialogs().shown().last().text;
        QVERIFY2(text.contains(QStringLiteral("2016-09-04")) && text.contains(QStringLiteral("HTTP 500")),
                 qPrintable(text));
        QVERIFY(button("Command21")->isEnabled());
        QVERIFY(button("Command1")->isEnabled());
    }

    void cancelKeepsWhatArrived()
    {
        QVERIFY(!m_window->session().setUpdateBase(m_site->base()));
        servePeriod(2);
        m_site->setDay(556, m_today.addDays(-5), SiteResponse::hanging());
        startUpdate();
        auto* progress = m_window->findChild<QProgressDialog*>(QStringLiteral("updateProgress"));
        QVERIFY(progress);
        QTRY_COMPARE(m_site->requests().size(), 2);
        // The dialog's own cancel button.
        auto* cancelButton = progress->findChild<QPushButton*>();
        QVERIFY(cancelButton);
        cancelButton->click();
        waitForEnd();
        QCOMPARE(grid()->rowCount(), 2);
        QVERIFY(dialogs().shown().last().text.contains(QStringLiteral("已取消")));
        QVERIFY(enabledCommands().contains(QStringLiteral("MaskEdBox1_1")));
    }

    void closingTheWindowMidwayIsSafe()
    {
        QVERIFY(!m_window->session().setUpdateBase(m_site->base()));
        servePeriod(2);
        m_site->setDay(556, m_today.addDays(-5), SiteResponse::hanging());
        startUpdate();
        QTRY_COMPARE(m_site->requests().size(), 2);
        m_done.reset();
        m_window.reset(); // aborts the page being loaded; nothing is written
        QTest::qWait(50);
        HistoryStore store;
        QVERIFY(store.open(m_dir->filePath(QStringLiteral("湖南快乐十分"))));
        QCOMPARE(store.rowCount(), 0);
    }
};

QTEST_MAIN(UpdateWindowTest)
#include "UpdateWindowTest.moc"
