// The range boxes of the real window show the range the next search uses:
// automatic, it follows every change of the history (a draw typed in, an
// import); typed, it stays as typed; the verification page's "仅检索该期前"
// ends only that page's range. After each change 检索 counts the same draws
// as corvinel-cli with the same options and no --from/--to, and for random
// choices the window and the command line build the same search options.
#include "support/CliRunner.h"
#include "cli/CliContext.h"
#include "cli/SearchOptionSet.h"
#include "support/HistoryTestSupport.h"
#include "app/GridModel.h"
#include "app/frmMain.h"
#include "core/IssueNumber.h"
#include "session/SearchSetup.h"
#include "session/Session.h"
#include "session/SessionSearch.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTabBar>
#include <QTest>

#include <memory>
#include <random>

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
    void windowAndCliBuildTheSameOptions();

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

namespace {

void focusOut(QWidget* w)
{
    QFocusEvent ev(QEvent::FocusOut, Qt::TabFocusReason);
    QCoreApplication::sendEvent(w, &ev);
}

} // namespace

// Random choices made with the window's controls, and the same choices as
// command-line options read by a fresh corvinel-cli session on the same data
// folder: the options 检索 used equal the command line's, pattern and range
// included. The ranges stay automatic, so both must find the same range.
void RangeWindowTest::windowAndCliBuildTheSameOptions()
{
    std::mt19937 rng(20261210);
    const auto pick = [&rng](int low, int high) { return std::uniform_int_distribution<int>(low, high)(rng); };
    auto* tabs = child<QTabBar>(QStringLiteral("TabStrip1"));
    const Session& session = m_window->session();
    CliOptions cliOptions;
    cliOptions.dataDir = data();
    cliOptions.game = session.choices().lotteryCode;
    CliContext cli(cliOptions);
    QVERIFY(cli.start());
    bool manualMode = false; // the window starts on the first page

    for (int trial = 0; trial < 40; ++trial) {
        const int kind = pick(0, 5);
        const int resultKind = pick(0, 5);
        const bool freePosition = pick(0, 1) == 1;
        const int lookBack = pick(0, 3) == 0 ? 0 : pick(1, 9); // 0: 上期
        const int resultPosition = pick(1, 8);
        const bool group = pick(0, 1) == 1;
        QStringList args { QStringLiteral("--kind"), QString::number(kind), QStringLiteral("--result-kind"),
                           QString::number(resultKind), QStringLiteral("--result-pos"), QString::number(resultPosition),
                           freePosition ? QStringLiteral("--free") : QStringLiteral("--fixed"),
                           group ? QStringLiteral("--group") : QStringLiteral("--direct") };
        child<QRadioButton>(QStringLiteral("Option3_%1").arg(kind))->click();
        child<QRadioButton>(QStringLiteral("Option4_%1").arg(resultKind))->click();
        child<QRadioButton>(QStringLiteral("Option5_%1").arg(resultPosition))->click();
        child<QRadioButton>(freePosition ? QStringLiteral("Option1_1") : QStringLiteral("Option1_0"))->click();
        child<QRadioButton>(group ? QStringLiteral("Option2_5") : QStringLiteral("Option2_4"))->click();
        if (lookBack == 0) {
            child<QRadioButton>(QStringLiteral("Option1_3"))->click();
            args << QStringLiteral("--prev");
        } else {
            child<QRadioButton>(QStringLiteral("Option1_2"))->click();
            auto* box = child<QLineEdit>(QStringLiteral("MaskEdBox2"));
            box->setText(QString::number(lookBack));
            focusOut(box);
            args << QStringLiteral("--back") << QString::number(lookBack);
        }

        const int tab = pick(0, 2);
        // Every page gets its own ticks. The search takes the page in use's,
        // except that the verification page in manual mode (reached from the
        // manual page) keeps the manual page's.
        std::array<std::array<bool, 9>, 3> ticked {};
        for (int t = 0; t < 3; ++t) {
            auto& page = ticked[static_cast<std::size_t>(t)];
            page[static_cast<std::size_t>(pick(1, 8))] = true;
            for (int k = 1; k <= 8; ++k)
                page[static_cast<std::size_t>(k)] = page[static_cast<std::size_t>(k)] || pick(0, 2) == 0;
            for (int k = 1; k <= 8; ++k) {
                const int element = t == Session::TabHistory ? k : (t == Session::TabManual ? k % 8 : 10 + k);
                const QString tick = t == Session::TabManual ? QStringLiteral("Check11_%1") : QStringLiteral("Check1_%1");
                child<QCheckBox>(tick.arg(element))->setChecked(page[static_cast<std::size_t>(k)]);
            }
        }
        if (tab != Session::TabVerify)
            manualMode = tab == Session::TabManual;
        tabs->setCurrentIndex(tab);
        const auto& used = ticked[static_cast<std::size_t>(manualMode ? Session::TabManual : tab)];
        QStringList positions;
        for (int k = 1; k <= 8; ++k)
            if (used[static_cast<std::size_t>(k)])
                positions << QString::number(k);
        args << QStringLiteral("--positions") << positions.join(u',');
        if (tab == Session::TabManual) {
            QStringList typed;
            for (int k = 1; k <= 8; ++k) {
                auto* box = child<QLineEdit>(QStringLiteral("Text22_%1").arg(k % 8));
                const QString value = QString::number(pick(1, 20));
                box->setText(value);
                focusOut(box);
                typed << value;
            }
            args << QStringLiteral("--pattern") << typed.join(u',');
        } else if (tab == Session::TabVerify) {
            // Late enough that every look-back has its reference draw.
            const int row = pick(12, session.snapshot().recordCount() - 1);
            const QString issue = issue::displayForm(session.snapshot().row(row).sqqh);
            auto* issueBox = child<QLineEdit>(QStringLiteral("Text4"));
            issueBox->setText(issue); // read when 检索 is pressed, without Enter
            auto* onlyBefore = child<QCheckBox>(QStringLiteral("Check4"));
            if (onlyBefore->isChecked() != (pick(0, 1) == 1))
                onlyBefore->click();
            args << QStringLiteral("--verify") << issue;
            if (onlyBefore->isChecked())
                args << QStringLiteral("--only-before");
        }

        child<QPushButton>(QStringLiteral("Command1"))->click();
        const SearchOptions window = SessionSearch::optionsFrom(session);

        ParsedArgs parsed;
        QString error;
        QVERIFY2(parseArgs(searchCommandOptions(false), args, false, &parsed, &error), qPrintable(error));
        const SearchRead read = readSearchOptions(parsed, SearchChoices::of(cli.session()));
        QVERIFY2(read.ok(), qPrintable(read.error));
        const SearchOptions line = searchOptions(cli.session(), read.choices, read.source);

        const QString what = QStringLiteral("trial %1: %2").arg(trial).arg(args.join(u' '));
        QVERIFY2(window.positions == line.positions, qPrintable(what));
        for (int k = 1; k <= 8; ++k) {
            if (window.positions[static_cast<std::size_t>(k)])
                QVERIFY2(window.pattern[static_cast<std::size_t>(k)] == line.pattern[static_cast<std::size_t>(k)],
                         qPrintable(what + QStringLiteral(" position %1").arg(k)));
        }
        QVERIFY2(window.kind == line.kind && window.resultKind == line.resultKind, qPrintable(what));
        QVERIFY2(window.freePosition == line.freePosition && window.group == line.group, qPrintable(what));
        QVERIFY2(window.previousIssue == line.previousIssue, qPrintable(what));
        QVERIFY2(window.previousIssue || window.lookBack == line.lookBack, qPrintable(what));
        QVERIFY2(window.resultPosition == line.resultPosition, qPrintable(what));
        QCOMPARE(window.rangeFrom, line.rangeFrom);
        QCOMPARE(window.rangeTo, line.rangeTo);
        QVERIFY2(window.lotteryCode == line.lotteryCode && window.skipGaps == line.skipGaps, qPrintable(what));
        QVERIFY2(window.zodiacBase == line.zodiacBase && window.segmentBase == line.segmentBase, qPrintable(what));
    }
}

QTEST_MAIN(RangeWindowTest)
#include "RangeWindowTest.moc"
