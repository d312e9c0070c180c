// The window follows the history file: after corvinel-cli imports another
// history, the window reads it again when it is activated or before the
// next press reaches a control, says so in the status bar, and the press
// that made it reload (here on the delete button) does not act on a history
// the user did not see.
#include "app/GridModel.h"
#include "app/frmMain.h"
#include "core/IssueNumber.h"
#include "session/Session.h"
#include "support/CliRunner.h"
#include "support/HistoryTestSupport.h"

#include <QPushButton>
#include <QStatusBar>
#include <QTest>

using namespace corvinel;
using namespace corvinel::testing;

class FollowWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void readsAnotherProgramsImport()
    {
        QTemporaryDir dir;
        const auto cli = [&](const QStringList& args) { return runCli(dir.filePath("config"), dir.path(), args); };
        QVERIFY(writeFile(dir.filePath("a.txt"), drawFile(makeDraws(10))));
        QCOMPARE(cli({ "import", dir.filePath("a.txt") }).code, 0);
        frmMain window(std::make_unique<Session>(std::make_unique<Settings>(dir.filePath("settings.ini")), dir.path()));
        window.dialogs().setAutomatic(true);
        window.show();
        QCOMPARE(window.session().snapshot().recordCount(), 10);

        const auto second = makeDraws(25, QDate(2017, 5, 1));
        QVERIFY(writeFile(dir.filePath("b.txt"), drawFile(second)));
        QCOMPARE(cli({ "import", dir.filePath("b.txt") }).code, 0);
        QVERIFY(window.fileFollower()->follow());
        QCOMPARE(window.statusBar()->currentMessage(), QStringLiteral("历史号码已被其他程序更改，已重新读入"));
        QCOMPARE(window.session().snapshot().recordCount(), 25);
        GridModel* grid = window.gridModel(1);
        QCOMPARE(grid->cell(grid->rowCount() - 1, 0), issue::displayForm(second.back().sqqh));

        // Another import, then a click on the delete button: the press reloads
        // and is swallowed, so the new last draw is still there.
        const auto third = makeDraws(30, QDate(2018, 1, 1));
        QVERIFY(writeFile(dir.filePath("c.txt"), drawFile(third)));
        QCOMPARE(cli({ "import", dir.filePath("c.txt") }).code, 0);
        auto* del = window.findChild<QPushButton*>(QStringLiteral("Command3"));
        QVERIFY(del);
        QTest::mouseClick(del, Qt::LeftButton);
        QCOMPARE(window.session().snapshot().recordCount(), 30);
        QCOMPARE(window.statusBar()->currentMessage(), QStringLiteral("历史号码已被其他程序更改，已重新读入"));
    }
};

QTEST_MAIN(FollowWindowTest)
#include "FollowWindowTest.moc"
