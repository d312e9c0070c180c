// The range boxes of the real window show the range the next search uses:
// automatic, it follows every change of the history (a draw typed in, an
// import); typed, it stays as typed; the verification page's "仅检索该期前"
// ends only that page's range. After each change 检索 counts the same draws
// as corvinel-cli with the same options and no --from/--to.
#include "support/CliRunner.h"
#include "support/HistoryTestSupport.h"
#include "app/GridModel.h"
#include "app/frmMain.h"
#include "core/IssueNumber.h"
#include "session/Session.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTabBar>
#include <QTest>

#include <memory>

using namespace corvinel;
using namespace corvinel::testing;

class RangeWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void aDrawTypedInMovesTheRangeEnd();
    void onlyBeforeEndsTheVerificationPageOnly();
    void aTypedRangeStaysAcrossAnImport();

private:
    template <typename T>
    T* child(const QString& name) const
    {
        return m_window->findChild<T*>(name);
    }
    QString box(const QString& name) const { return child<QLineEdit>(name)->text(); }
    QString data() const { return m_dir->filePath(QStringLiteral("data")); }
    void import(int count);
    void chooseOptions();
    // 检索 in the window, then the same search through the CLI: both count
    // the same matched draws.
    void searchMatchesTheCli();
    QString last() const { return issue::displayForm(m_window->session().snapshot().last()->sqqh); }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<frmMain> m_window;
};

void RangeWindowTest::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(QDir().mkpath(data()));
    m_window = std::make_unique<frmMain>(
        std::make_unique<Session>(std::make_unique<Settings>(m_dir->filePath("settings.ini")), data()));
    m_window->dialogs().setAutomatic(true);
    m_window->show();
    import(200);
    chooseOptions();
}

void RangeWindowTest::cleanup()
{
    m_window.reset();
    m_dir.reset();
}

void RangeWindowTest::import(int count)
{
    const QString file = m_dir->filePath(QStringLiteral("draws%1.txt").arg(count));
    QVERIFY(writeFile(file, drawFile(makeDraws(count))));
    m_window->dialogs().queueMessageAnswer(QMessageBox::Ok);
    m_window->dialogs().queueFile(file);
    child<QPushButton>(QStringLiteral("cmdRdLst"))->click();
    QCOMPARE(m_window->session().snapshot().recordCount(), count);
}

void RangeWindowTest::chooseOptions()
{
    for (const char* name : { "Option1_0", "Option1_3", "Option2_4", "Option3_0", "Option4_0", "Option5_1" })
        child<QRadioButton>(QString::fromLatin1(name))->click();
    child<QCheckBox>(QStringLiteral("Check1_1"))->setChecked(true);
    child<QCheckBox>(QStringLiteral("Check1_11"))->setChecked(true);
}

void RangeWindowTest::searchMatchesTheCli()
{
    child<QPushButton>(QStringLiteral("Command1"))->click();
    const int shown = m_window->gridModel(2)->rowCount();
    QTemporaryDir config;
    const CliRun r = runCli(config.path(), data(),
                            { "--game", QString::number(m_window->session().choices().lotteryCode), "search", "--kind", "number",
                              "--positions", "1", "--fixed", "--prev", "--result-kind", "number", "--result-pos",
                              "1", "--direct" });
    QCOMPARE(r.code, 0);
    const auto m = QRegularExpression(QStringLiteral("matched draws: (\\d+)")).match(r.out);
    QVERIFY2(m.hasMatch(), qPrintable(r.out + r.err));
    QCOMPARE(shown, m.captured(1).toInt());
}

void RangeWindowTest::aDrawTypedInMovesTheRangeEnd()
{
    QCOMPARE(box("Text3_1"), last());
    int k = 1;
    for (const char* n : { "05", "13", "20", "01", "09", "14", "18", "11" }) {
        QLineEdit* b = child<QLineEdit>(QStringLiteral("MaskEdBox1_%1").arg(k++));
        b->setCursorPosition(0);
        QTest::keyClicks(b, QString::fromLatin1(n));
    }
    QCOMPARE(m_window->session().snapshot().recordCount(), 201);
    QCOMPARE(box("Text3_1"), last());
    searchMatchesTheCli();
}

void RangeWindowTest::onlyBeforeEndsTheVerificationPageOnly()
{
    auto* tabs = child<QTabBar>(QStringLiteral("TabStrip1"));
    tabs->setCurrentIndex(Session::TabVerify);
    const std::int64_t verified = m_window->session().snapshot().row(150).sqqh;
    QLineEdit* issueBox = child<QLineEdit>(QStringLiteral("Text4"));
    issueBox->clear();
    QTest::keyClicks(issueBox, issue::displayForm(verified));
    QTest::keyClick(issueBox, Qt::Key_Return);
    child<QCheckBox>(QStringLiteral("Check4"))->click();
    const QString before = issue::displayForm(m_window->session().snapshot().row(149).sqqh);
    QCOMPARE(box("Text3_1"), before);
    QVERIFY(child<QLineEdit>(QStringLiteral("Text3_1"))->isReadOnly());
    child<QPushButton>(QStringLiteral("Command1"))->click();

    tabs->setCurrentIndex(Session::TabHistory);
    QCOMPARE(box("Text3_1"), last());
    QVERIFY(!child<QLineEdit>(QStringLiteral("Text3_1"))->isReadOnly());
    searchMatchesTheCli();
}

void RangeWindowTest::aTypedRangeStaysAcrossAnImport()
{
    QLineEdit* from = child<QLineEdit>(QStringLiteral("Text3_0"));
    QLineEdit* to = child<QLineEdit>(QStringLiteral("Text3_1"));
    from->clear();
    QTest::keyClicks(from, QStringLiteral("20160908010"));
    to->clear();
    QTest::keyClicks(to, QStringLiteral("20160908050"));
    QVERIFY(m_window->session().rangeIsTyped());
    import(260);
    QCOMPARE(box("Text3_0"), QStringLiteral("20160908010"));
    QCOMPARE(box("Text3_1"), QStringLiteral("20160908050"));

    // A box left empty brings back the automatic range, which follows the
    // history again.
    from->setFocus();
    from->clear();
    QTest::keyClick(from, Qt::Key_Return);
    QVERIFY(!m_window->session().rangeIsTyped());
    QCOMPARE(box("Text3_0"), QStringLiteral("20160908002"));
    QCOMPARE(box("Text3_1"), last());
    searchMatchesTheCli();
}

QTEST_MAIN(RangeWindowTest)
#include "RangeWindowTest.moc"
