// Every history change of the session leaves the history grid, the next draw
// issue number and the search pattern following the new history; the search
// options of the window and of the command line come from one function.

#include "session/HistoryChanges.h"
#include "session/SearchSetup.h"
#include "session/Session.h"
#include "support/HistoryTestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "core/IssueNumber.h"

#include <gtest/gtest.h>

#include <limits>

using namespace corvinel;
using corvinel::testing::drawFile;
using corvinel::testing::makeDraws;

namespace {

// The default game (556, 84 draws a day, three-digit sequence) with the
// default options: previous-issue mode, number kind.
class HistoryChangesTest : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    std::unique_ptr<Session> s;
    std::vector<PlainDraw> draws = makeDraws(10); // 160908001 .. 160908010
    int historyChanges = 0;

    QString data() const { return dir.filePath(QStringLiteral("data")); }

    void SetUp() override
    {
        QDir().mkpath(data());
        s = std::make_unique<Session>(std::make_unique<Settings>(dir.filePath(QStringLiteral("s.ini"))), data());
        s->startUp();
        ASSERT_TRUE(s->store().isOpen());
        QObject::connect(s.get(), &Session::historyChanged, [this] { ++historyChanges; });
    }

    void importAll()
    {
        const QString file = dir.filePath(QStringLiteral("draws.txt"));
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(drawFile(draws));
        f.close();
        const ImportOutcome out = HistoryChanges(*s).importTextFile(file);
        ASSERT_TRUE(out.ok) << out.error.toStdString();
        ASSERT_EQ(out.imported, 10);
    }

    // The grid holds `count` draws, the first ones of `draws`, the next issue
    // number follows the last of them and the pattern is draw `reference`'s
    // numbers (kind "号码": the drawn number at each position).
    void expectHistory(int count, int reference)
    {
        ASSERT_EQ(s->snapshot().recordCount(), count);
        const PlainDraw& last = draws[static_cast<std::size_t>(count - 1)];
        EXPECT_EQ(s->snapshot().last()->sqqh, last.sqqh);
        EXPECT_EQ(s->nextIssue(), QStringLiteral("20%1").arg(last.sqqh + 1)); // within one day: the next sequence
        EXPECT_EQ(s->patterns().verificationIssue, s->nextIssue());
        for (int k = 1; k <= kPositions; ++k)
            EXPECT_EQ(s->patterns().pattern[k], draws[static_cast<std::size_t>(reference)].numbers[k - 1]) << "position " << k;
    }
};

} // namespace

TEST_F(HistoryChangesTest, EachChangeRefreshesGridNextIssueAndPattern)
{
    importAll();
    expectHistory(10, 9);
    EXPECT_GE(historyChanges, 1);

    int before = historyChanges;
    HistoryChange c = HistoryChanges(*s).deleteLastDraw();
    ASSERT_TRUE(c.ok) << c.error.toStdString();
    EXPECT_EQ(c.deleted, 1);
    expectHistory(9, 8);
    EXPECT_GT(historyChanges, before);

    c = HistoryChanges(*s).deleteLastDraws(3);
    ASSERT_TRUE(c.ok) << c.error.toStdString();
    EXPECT_EQ(c.deleted, 3);
    EXPECT_TRUE(QFile::exists(HistoryMaintenance::backupPath(s->dataFolder())));
    expectHistory(6, 5);

    c = HistoryChanges(*s).deleteDrawsAfter(draws[3].sqqh);
    ASSERT_TRUE(c.ok) << c.error.toStdString();
    EXPECT_EQ(c.deleted, 2);
    expectHistory(4, 3);

    // The command line's add: the pattern follows the new draw.
    manual_entry::StoreOutcome added = HistoryChanges(*s).addDraw(draws[4].sqqh, draws[4].numbers);
    ASSERT_TRUE(added.ok) << added.error.toStdString();
    expectHistory(5, 4);

    // The manual entry under Text1, which now shows draw 6's issue.
    manual_entry::BoxTexts boxes;
    for (int k = 0; k < kPositions; ++k)
        boxes[k] = QStringLiteral("%1").arg(draws[5].numbers[k], 2, 10, QLatin1Char('0'));
    added = HistoryChanges(*s).enterDraw(s->nextIssue(), boxes);
    ASSERT_TRUE(added.ok) << added.error.toStdString();
    expectHistory(6, 5);

    // A refused entry changes nothing and refreshes nothing.
    before = historyChanges;
    const QString next = s->nextIssue();
    added = HistoryChanges(*s).addDraw(draws[2].sqqh, draws[2].numbers);
    EXPECT_FALSE(added.ok);
    EXPECT_EQ(historyChanges, before);
    expectHistory(6, 5);
    EXPECT_EQ(s->nextIssue(), next);

    // Clearing reloads the grid but keeps the next issue number.
    c = HistoryChanges(*s).clear();
    ASSERT_TRUE(c.ok);
    EXPECT_EQ(s->snapshot().recordCount(), 0);
    EXPECT_EQ(s->nextIssue(), next);
}

TEST_F(HistoryChangesTest, InLookBackModeThePatternFollowsTheDrawNMinusOneBack)
{
    s->setPreviousIssue(false); // "前 N 期", N = 2 by default
    ASSERT_FALSE(s->choices().previousIssue);
    ASSERT_EQ(s->choices().lookBack, 2);
    importAll();
    expectHistory(10, 8);
    ASSERT_TRUE(HistoryChanges(*s).deleteLastDraw().ok);
    expectHistory(9, 7);
    ASSERT_TRUE(HistoryChanges(*s).deleteLastDraws(2).ok);
    expectHistory(7, 5);
}

TEST_F(HistoryChangesTest, FailedChangesLeaveTheHistoryAndSayWhichStepFailed)
{
    importAll();
    const ImportOutcome missing = HistoryChanges(*s).importTextFile(dir.filePath(QStringLiteral("missing.txt")));
    EXPECT_FALSE(missing.ok);
    expectHistory(10, 9);

    // The backup file cannot be written where a folder stands in its way.
    ASSERT_TRUE(QDir().mkpath(HistoryMaintenance::backupPath(s->dataFolder())));
    const HistoryChange c = HistoryChanges(*s).deleteLastDraws(2);
    EXPECT_FALSE(c.ok);
    EXPECT_EQ(c.failedStep, HistoryChange::Step::Backup);
    EXPECT_FALSE(c.error.isEmpty());
    expectHistory(10, 9);

    // Nothing to delete is no change.
    EXPECT_TRUE(HistoryChanges(*s).deleteLastDraws(0).ok);
    EXPECT_TRUE(HistoryChanges(*s).deleteDrawsAfter(0).ok);
    expectHistory(10, 9);
}

TEST_F(HistoryChangesTest, SearchOptionsFromEachPatternSource)
{
    importAll();
    // The range boxes follow the history: they end at the last stored draw.
    ASSERT_NE(s->snapshot().last(), nullptr);
    EXPECT_EQ(s->rangeEnd(), issue::displayForm(s->snapshot().last()->sqqh));
    SetUp();
    const auto patternOf = [](const SearchOptions& o) {
        std::array<int, 9> p {};
        for (int k = 1; k <= kPositions; ++k)
            p[k] = o.pattern[k];
        return p;
    };
    const auto numbersOf = [this](int i) {
        std::array<int, 9> p {};
        for (int k = 1; k <= kPositions; ++k)
            p[k] = draws[static_cast<std::size_t>(i)].numbers[k - 1];
        return p;
    };

    // The window's state and the last draw as reference agree after start-up.
    SearchChoices c = SearchChoices::of(*s);
    const SearchOptions shown = searchOptions(*s, c);
    PatternSource last;
    last.from = PatternSource::From::ReferenceDraw;
    EXPECT_EQ(patternOf(shown), numbersOf(9));
    EXPECT_EQ(patternOf(searchOptions(*s, c, last)), numbersOf(9));
    EXPECT_EQ(shown.rangeFrom, s->rangeStart());
    EXPECT_EQ(shown.rangeTo, QStringLiteral("20160908010"));

    // N-back: the reference draw and the default range start move with N.
    SearchChoices back = c;
    back.previousIssue = false;
    back.lookBack = 3;
    back.rangeFrom.reset();
    back.rangeTo.reset();
    const SearchOptions b = searchOptions(*s, back, last);
    EXPECT_EQ(patternOf(b), numbersOf(7));
    EXPECT_EQ(b.rangeFrom, QStringLiteral("20160908004")); // first draw + 3
    EXPECT_EQ(b.rangeTo, QStringLiteral("20160908010"));
    EXPECT_FALSE(b.previousIssue);
    EXPECT_EQ(b.lookBack, 3);
    // The session itself is left as it was.
    EXPECT_TRUE(s->choices().previousIssue);
    EXPECT_EQ(s->patterns().pattern, numbersOf(9));

    // Typed values, a number beyond int saturating.
    PatternSource typed;
    typed.from = PatternSource::From::Typed;
    typed.typed = { QString(), "5", "0", "0", "0", "0", "0", "0", "99999999999" };
    const std::array<int, 9> expectedTyped = { 0, 5, 0, 0, 0, 0, 0, 0, std::numeric_limits<int>::max() };
    EXPECT_EQ(patternOf(searchOptions(*s, c, typed)), expectedTyped);

    // Verification: the draw before the issue, and with only-before the range
    // ends there.
    PatternSource verify;
    verify.from = PatternSource::From::Verification;
    verify.issue = QStringLiteral("20160908006");
    SearchChoices open = c;
    open.rangeTo.reset();
    EXPECT_EQ(patternOf(searchOptions(*s, open, verify)), numbersOf(4));
    EXPECT_EQ(searchOptions(*s, open, verify).rangeTo, QStringLiteral("20160908010"));
    verify.onlyBefore = true;
    EXPECT_EQ(searchOptions(*s, open, verify).rangeTo, QStringLiteral("20160908005"));
    back.rangeTo.reset();
    EXPECT_EQ(patternOf(searchOptions(*s, back, verify)), numbersOf(2)); // 3 - 1 before the predecessor
    // A predecessor that is not stored keeps the reference draw's pattern.
    verify.issue = QStringLiteral("20160909050");
    EXPECT_EQ(patternOf(searchOptions(*s, open, verify)), numbersOf(9));
}
