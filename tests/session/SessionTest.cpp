#include "store/DrawEncoder.h"
#include "core/IssueNumber.h"
#include "session/Session.h"
#include "store/SqliteDb.h"

#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <limits>

using namespace corvinel;

namespace {

using Numbers = std::array<int, kPositions>;

// A session on a temporary data folder and settings file, with helpers that
// store draws the way the acquisition features do.
class SessionTest : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    std::unique_ptr<Session> s;

    QString ini() const { return dir.filePath(QStringLiteral("settings.ini")); }
    QString data() const { return dir.filePath(QStringLiteral("data")); }

    void putRaw(const QString& key, const QString& text)
    {
        QSettings raw(ini(), QSettings::IniFormat);
        raw.setValue(QStringLiteral("IniSetting/") + key, text);
    }
    QString stored(const QString& key)
    {
        QSettings raw(ini(), QSettings::IniFormat);
        return raw.value(QStringLiteral("IniSetting/") + key).toString();
    }

    void start()
    {
        s.reset();
        QDir().mkpath(data());
        s = std::make_unique<Session>(std::make_unique<Settings>(ini()), data());
        s->startUp();
        ASSERT_TRUE(s->store().isOpen());
    }

    static Numbers numbersOf(int seed)
    {
        Numbers n {};
        for (int p = 0; p < kPositions; ++p)
            n[p] = (seed + p * 3) % 20 + 1;
        return n;
    }

    // Appends draws in one transaction, then refreshes like an import does.
    void addDraws(const std::vector<std::int64_t>& issues, int seed = 0)
    {
        SqliteDb& db = s->store().db();
        s->encoder().beginAppend(s->snapshot(), s->bases());
        Transaction t(db);
        RowWriter w(db);
        ASSERT_TRUE(w.isValid()) << w.lastError().toStdString();
        for (std::size_t i = 0; i < issues.size(); ++i)
            ASSERT_TRUE(
                w.insert(s->encoder().encode(issues[i], numbersOf(seed + static_cast<int>(i)), s->bases(), false)))
                << w.lastError().toStdString();
        ASSERT_TRUE(t.commit());
        s->store().markChanged();
        s->reloadHistory();
        s->nextIssueDisplay();
        s->patternRefresh();
    }

    // What a box of a draw's page shows for position k.
    QString shown(int tab, int k) const
    {
        const auto v = s->patterns().page(tab).values[static_cast<std::size_t>(k - 1)];
        return v ? s->patternText(*v) : QString();
    }

    int valueOf(std::int64_t sqqh, int position, int kind)
    {
        for (const SnapshotRow& r : s->snapshot().rows()) {
            if (r.sqqh == sqqh)
                return r.value(position, kind);
        }
        ADD_FAILURE() << "no draw " << sqqh;
        return -1;
    }

    void expectPatternOf(std::int64_t sqqh, int kind)
    {
        for (int k = 1; k <= kPositions; ++k)
            EXPECT_EQ(s->patterns().pattern[k], valueOf(sqqh, k, kind)) << "position " << k;
    }
};

} // namespace

TEST_F(SessionTest, FirstStartTakesEveryDefaultAndWritesTheSelectedOptions)
{
    start();
    EXPECT_EQ(s->choices().lotteryCode, 556);
    EXPECT_TRUE(s->mnuKL10Checked(2));
    EXPECT_FALSE(s->mnuKL10Checked(0));
    EXPECT_TRUE(s->option1Selected(1)); // 自由位
    EXPECT_TRUE(s->option1Selected(3)); // 上期
    EXPECT_TRUE(s->option2Selected(4)); // 直选
    EXPECT_TRUE(s->option3Selected(0));
    EXPECT_TRUE(s->option4Selected(0));
    EXPECT_TRUE(s->option5Selected(1));
    EXPECT_TRUE(s->option6Selected(0)); // 红蓝
    EXPECT_EQ(QString::number(s->choices().lookBack), QStringLiteral("2"));
    EXPECT_EQ(QString::number(s->choices().combinationSize), QStringLiteral("2"));
    EXPECT_TRUE(s->mnuSxcsChecked(1));
    EXPECT_TRUE(s->mnuDscsChecked(1));
    EXPECT_TRUE(s->mnuSxsetupChecked(1));
    EXPECT_EQ(s->choices().retentionDays, 6);
    EXPECT_EQ(s->choices().resultKindLetter, QStringLiteral("A"));
    // Empty history: the default texts stay.
    EXPECT_EQ(s->nextIssue(), QStringLiteral("2007001"));
    // Empty history: the automatic range is empty (any search is refused).
    EXPECT_TRUE(s->rangeStart().isEmpty());
    EXPECT_TRUE(s->rangeEnd().isEmpty());
    EXPECT_EQ(s->patterns().verificationIssue, QStringLiteral("20161212001"));
    EXPECT_TRUE(shown(Session::TabHistory, 1).isEmpty());
    EXPECT_FALSE(s->patterns().manualMode);
    // Selecting the stored options ran their handlers, which wrote them.
    EXPECT_EQ(stored(QStringLiteral("bolZyw")), QStringLiteral("True"));
    EXPECT_EQ(stored(QStringLiteral("bolSq")), QStringLiteral("True"));
    EXPECT_EQ(stored(QStringLiteral("bolZuxuan")), QStringLiteral("False"));
    EXPECT_EQ(stored(QStringLiteral("intLei")), QStringLiteral("0"));
    EXPECT_EQ(stored(QStringLiteral("intConsqSort")), QStringLiteral("1"));
    EXPECT_TRUE(stored(QStringLiteral("GsZl")).isEmpty()); // not written by start-up
}

TEST_F(SessionTest, UnreadableOrForeignStoredValues)
{
    putRaw(QStringLiteral("GsZl"), QStringLiteral("600"));
    putRaw(QStringLiteral("bolZyw"), QStringLiteral("maybe"));
    putRaw(QStringLiteral("intPreQi"), QStringLiteral("x"));
    start();
    EXPECT_EQ(s->choices().lotteryCode, 600);
    for (int i = 0; i < 3; ++i)
        EXPECT_FALSE(s->mnuKL10Checked(i));
    EXPECT_EQ(s->choices().drawsPerDay, 84);
    // A failed read leaves false: "固定位" is selected and written.
    EXPECT_TRUE(s->option1Selected(0));
    EXPECT_EQ(stored(QStringLiteral("bolZyw")), QStringLiteral("False"));
    EXPECT_EQ(s->choices().lookBack, 0);
}

TEST_F(SessionTest, StoredBasesOutsideTheMenusAreUnreadable)
{
    // A zodiac base of 40 would make the zodiac values 40..51 and a segment
    // base of -30 the segments -30..-26: both outside the encoder's counters.
    putRaw(QStringLiteral("SxIni"), QStringLiteral("40"));
    putRaw(QStringLiteral("DsIni"), QStringLiteral("-30"));
    start();
    EXPECT_EQ(s->choices().zodiacBase, 0);
    EXPECT_EQ(s->choices().segmentBase, 0);
    addDraws({ 161212001 });
    for (int p = 1; p <= kPositions; ++p) {
        EXPECT_TRUE(counterRange(1, 0, 0).contains(valueOf(161212001, p, 1))) << p;
        EXPECT_TRUE(counterRange(5, 0, 0).contains(valueOf(161212001, p, 5))) << p;
    }

    putRaw(QStringLiteral("SxIni"), QStringLiteral("1"));
    putRaw(QStringLiteral("DsIni"), QStringLiteral("1"));
    start();
    EXPECT_EQ(s->choices().zodiacBase, 1);
    EXPECT_EQ(s->choices().segmentBase, 1);
}

TEST_F(SessionTest, RetentionDaysOutsideTheMenuRangeAreNotTaken)
{
    // Any of these would let the next update count every stored draw as too old.
    for (const char* text : { "0", "1", "-3", "17", "many", "" }) {
        putRaw(QStringLiteral("IniSerchDay"), QString::fromLatin1(text));
        start();
        EXPECT_EQ(s->choices().retentionDays, 6) << text;
    }
    for (const char* text : { "2", "16" }) {
        putRaw(QStringLiteral("IniSerchDay"), QString::fromLatin1(text));
        start();
        EXPECT_EQ(s->choices().retentionDays, QString::fromLatin1(text).toInt()) << text;
    }
}

TEST_F(SessionTest, GameOverrideIsNotWritten)
{
    QDir().mkpath(data());
    s = std::make_unique<Session>(std::make_unique<Settings>(ini()), data());
    s->setGameOverride(544);
    s->startUp();
    EXPECT_EQ(s->choices().lotteryCode, 544);
    EXPECT_TRUE(s->mnuKL10Checked(0));
    EXPECT_TRUE(stored(QStringLiteral("GsZl")).isEmpty());
}

TEST_F(SessionTest, NextIssueAndDefaultRangeFollowTheHistory)
{
    putRaw(QStringLiteral("GsZl"), QStringLiteral("568"));
    start();
    addDraws({ 161212083 });
    EXPECT_EQ(s->nextIssue(), QStringLiteral("20161212084"));
    EXPECT_EQ(s->patterns().verificationIssue, QStringLiteral("20161212084"));
    EXPECT_EQ(s->lastDrawQqh(), 161212084);
    addDraws({ 161212084 });
    EXPECT_EQ(s->nextIssue(), QStringLiteral("20161213001"));

    // A game change switches to that game's own history (empty here), and
    // back again to this one with its next issue.
    s->setGame(544);
    EXPECT_EQ(s->choices().lotteryCode, 544);
    EXPECT_EQ(stored(QStringLiteral("GsZl")), QStringLiteral("544"));
    EXPECT_EQ(s->nextIssue(), QStringLiteral("2007001"));
    s->setGame(568);
    EXPECT_EQ(s->nextIssue(), QStringLiteral("20161213001"));
}

TEST_F(SessionTest, HistoryWithOneDrawGivesTheDefaultRange)
{
    start();
    addDraws({ 161212005 });
    start(); // restart on the same folder and settings
    EXPECT_EQ(s->snapshot().recordCount(), 1);
    EXPECT_EQ(s->rangeStart(), QStringLiteral("20161212006"));
    EXPECT_EQ(s->rangeEnd(), QStringLiteral("20161212005"));
    EXPECT_EQ(s->nextIssue(), QStringLiteral("20161212006"));
    expectPatternOf(161212005, 0);
    EXPECT_EQ(shown(Session::TabHistory, 1), QString::number(valueOf(161212005, 1, 0)));
}

TEST_F(SessionTest, ReferenceDrawOfTheLookBackCount)
{
    start();
    addDraws({ 161212001, 161212002, 161212003, 161212004 });
    expectPatternOf(161212004, 0); // 上期: the last draw

    s->setPreviousIssue(false); // 前 N 期 with N = 2
    EXPECT_FALSE(s->choices().previousIssue);
    EXPECT_EQ(stored(QStringLiteral("bolSq")), QStringLiteral("False"));
    expectPatternOf(161212003, 0);
    // Range start: first draw + N.
    EXPECT_EQ(s->rangeStart(), QStringLiteral("20161212003"));

    ASSERT_FALSE(s->setLookBackText(QStringLiteral("1")).has_value());
    expectPatternOf(161212004, 0);
    EXPECT_EQ(s->rangeStart(), QStringLiteral("20161212002"));

    // Only a stored count can give 0: the reference draw is the last one.
    putRaw(QStringLiteral("intPreQi"), QStringLiteral("0"));
    start();
    EXPECT_EQ(s->choices().lookBack, 0);
    EXPECT_FALSE(s->choices().previousIssue);
    expectPatternOf(161212004, 0);

    ASSERT_FALSE(s->setLookBackText(QStringLiteral("4")).has_value());
    expectPatternOf(161212001, 0);
    EXPECT_EQ(stored(QStringLiteral("intPreQi")), QStringLiteral("4"));

    // A count reaching before the first draw leaves the pattern as it was.
    ASSERT_FALSE(s->setLookBackText(QStringLiteral("9")).has_value());
    expectPatternOf(161212001, 0);
}

TEST_F(SessionTest, ZodiacKindShowsNamesAndGroupModeKeepsTheDisplay)
{
    start();
    addDraws({ 161212001, 161212002 });
    s->setSearchKind(1);
    EXPECT_EQ(stored(QStringLiteral("intLei")), QStringLiteral("1"));
    expectPatternOf(161212002, 1);
    for (int k = 1; k <= kPositions; ++k)
        EXPECT_EQ(shown(Session::TabHistory, k), ZodiacTables::nameOfValue(valueOf(161212002, k, 1), s->choices().zodiacBase)) << k;
    const auto pages = s->patterns().pages;
    s->setGroupMode(true);
    EXPECT_TRUE(s->choices().groupMode);
    EXPECT_EQ(s->patterns().pages, pages);
    s->setSearchKind(0);
    EXPECT_EQ(shown(Session::TabHistory, 1), QString::number(valueOf(161212002, 1, 0)));
}

TEST_F(SessionTest, TabsAndManualMode)
{
    start();
    addDraws({ 161212001, 161212002 });
    s->setPatternValue(Session::TabManual, 1, 7);
    s->setPatternValue(Session::TabManual, 8, 15);
    s->setPatternValue(Session::TabManual, 2, std::nullopt); // a box that holds no number
    const int before2 = s->patterns().pattern[2];
    s->selectTab(Session::TabManual);
    EXPECT_TRUE(s->patterns().manualMode);
    EXPECT_EQ(s->patterns().pattern[1], 7);
    EXPECT_EQ(s->patterns().pattern[8], 15);
    EXPECT_EQ(s->patterns().pattern[2], before2); // not a number: unchanged
    s->setManualPatternText(2, QStringLiteral("-3"));
    EXPECT_EQ(s->patterns().pattern[2], -3);
    // 2^32 + 1 must not wrap round to the number 1.
    s->setManualPatternText(2, QStringLiteral("4294967297"));
    EXPECT_EQ(s->patterns().pattern[2], std::numeric_limits<int>::max());

    s->selectTab(Session::TabVerify);
    EXPECT_TRUE(s->patterns().manualMode); // left as it was
    s->selectTab(Session::TabHistory);
    EXPECT_FALSE(s->patterns().manualMode);
    expectPatternOf(161212002, 0); // the values shown in Text2

    EXPECT_TRUE(Session::manualKeyAccepted(u'-'));
    EXPECT_TRUE(Session::manualKeyAccepted(u'5'));
    EXPECT_TRUE(Session::manualKeyAccepted(QChar(8)));
    EXPECT_FALSE(Session::manualKeyAccepted(u'a'));
    EXPECT_FALSE(Session::manualKeyAccepted(u'+'));
}

TEST_F(SessionTest, VerificationRefreshAndCheck4)
{
    putRaw(QStringLiteral("GsZl"), QStringLiteral("568"));
    start();
    addDraws({ 161211083, 161211084, 161212001, 161212002, 161212003, 161212004, 161212005 });
    s->setVerificationIssue(QStringLiteral("20161212004"));
    s->selectTab(Session::TabVerify);
    EXPECT_EQ(s->rangeEnd(), QStringLiteral("20161212005")); // Check4 off: the last draw
    expectPatternOf(161212003, 0);
    EXPECT_EQ(shown(Session::TabVerify, 1), QString::number(valueOf(161212003, 1, 0)));

    // N-back mode with N = 3: two draws before the predecessor.
    s->setLookBackText(QStringLiteral("3"));
    s->setPreviousIssue(false);
    expectPatternOf(161212001, 0);

    // Over the day boundary.
    s->setPreviousIssue(true);
    s->setVerificationIssue(QStringLiteral("20161212001"));
    s->verificationRefresh();
    expectPatternOf(161211084, 0);

    s->setOnlyBeforeVerification(true);
    EXPECT_EQ(s->rangeEnd(), QStringLiteral("20161211084"));
    s->setOnlyBeforeVerification(false);
    EXPECT_EQ(s->rangeEnd(), QStringLiteral("20161212005"));

    // Predecessor not stored: Check4 still shows the computed number, and a
    // refresh leaves pattern and boxes as they were.
    s->setVerificationIssue(QStringLiteral("20170101001"));
    s->setOnlyBeforeVerification(true);
    EXPECT_EQ(s->rangeEnd(), QStringLiteral("20161231084"));
    const auto pattern = s->patterns().pattern;
    const auto pages = s->patterns().pages;
    s->verificationRefresh();
    EXPECT_EQ(s->patterns().pattern, pattern);
    EXPECT_EQ(s->patterns().pages, pages);
    EXPECT_EQ(s->rangeEnd(), QStringLiteral("20161231084"));
    // Only the verification page's searches end before the issue.
    s->selectTab(Session::TabHistory);
    EXPECT_EQ(s->rangeEnd(), QStringLiteral("20161212005"));
}

TEST_F(SessionTest, LookBackAndCombinationBoxesRefuseBadValues)
{
    start();
    auto r = s->setLookBackText(QStringLiteral("0"));
    ASSERT_TRUE(r.has_value());
    EXPECT_EQ(r->title, QStringLiteral("输入有误"));
    EXPECT_EQ(QString::number(s->choices().lookBack), QStringLiteral("2"));
    EXPECT_EQ(s->choices().lookBack, 2);
    EXPECT_TRUE(s->setLookBackText(QStringLiteral("_")).has_value());
    EXPECT_EQ(QString::number(s->choices().lookBack), QStringLiteral("2"));
    EXPECT_FALSE(s->setLookBackText(QStringLiteral("5")).has_value());
    EXPECT_EQ(s->choices().lookBack, 5);

    s->setCombinationSizeText(QStringLiteral("abc"));
    EXPECT_EQ(s->choices().combinationSize, 2);
    EXPECT_EQ(QString::number(s->choices().combinationSize), QStringLiteral("2"));
    s->setCombinationSizeText(QStringLiteral("7"));
    EXPECT_EQ(s->choices().combinationSize, 2);
    s->setCombinationSizeText(QStringLiteral("4"));
    EXPECT_EQ(s->choices().combinationSize, 4);
    EXPECT_EQ(stored(QStringLiteral("intZhWSetup")), QStringLiteral("4"));
}

TEST_F(SessionTest, RetentionDaysAnswers)
{
    start();
    using O = Session::SetDayOutcome;
    EXPECT_EQ(s->mnuSetDayAnswer(QStringLiteral("1")), O::Refused);
    EXPECT_EQ(s->mnuSetDayAnswer(QStringLiteral("17")), O::Refused);
    EXPECT_EQ(s->mnuSetDayAnswer(QStringLiteral("abc")), O::Refused);
    EXPECT_EQ(s->mnuSetDayAnswer(QStringLiteral("2.5")), O::Refused);
    EXPECT_EQ(s->choices().retentionDays, 6);
    EXPECT_TRUE(stored(QStringLiteral("IniSerchDay")).isEmpty());
    EXPECT_EQ(s->mnuSetDayAnswer(QStringLiteral("")), O::Unchanged);
    EXPECT_EQ(s->mnuSetDayAnswer(std::nullopt), O::Unchanged);
    EXPECT_EQ(s->mnuSetDayAnswer(QStringLiteral("2")), O::Accepted);
    EXPECT_EQ(stored(QStringLiteral("IniSerchDay")), QStringLiteral("2"));
    EXPECT_EQ(s->mnuSetDayAnswer(QStringLiteral("16")), O::Accepted);
    EXPECT_EQ(s->choices().retentionDays, 16);
}

TEST_F(SessionTest, ZodiacMenusRecomputeOnlyOnTheBaseChoice)
{
    start();
    const auto byOrder = s->zodiac().numbers();
    for (int k = 0; k < 12; ++k)
        EXPECT_EQ(byOrder[k], 1 + k);
    s->setZodiacNumbersByOrder(false); // by age: not applied yet
    EXPECT_EQ(s->zodiac().numbers(), byOrder);
    EXPECT_EQ(stored(QStringLiteral("SxSetup")), QStringLiteral("False"));
    s->setZodiacBase(1);
    ZodiacTables expected;
    expected.fillNumbersByAge(s->zodiac().currentZodiacYear(), 1);
    EXPECT_EQ(s->zodiac().numbers(), expected.numbers());
    s->setZodiacNumbersByOrder(true);
    EXPECT_TRUE(s->mnuSxsetupChecked(0));
    s->setZodiacBase(0);
    for (int k = 0; k < 12; ++k)
        EXPECT_EQ(s->zodiac().numbers()[k], k);
    EXPECT_EQ(stored(QStringLiteral("SxIni")), QStringLiteral("0"));
    s->setSegmentBase(0);
    EXPECT_TRUE(s->mnuDscsChecked(0));
    EXPECT_FALSE(s->mnuDscsChecked(1));
    EXPECT_EQ(stored(QStringLiteral("DsIni")), QStringLiteral("0"));
}

TEST_F(SessionTest, UpdateBaseIsCheckedBeforeItIsWritten)
{
    start();
    EXPECT_TRUE(s->setUpdateBase(QStringLiteral("javascript:alert(1)")).has_value());
    // The update would refuse to add its page path to these.
    EXPECT_TRUE(s->setUpdateBase(QStringLiteral("https://draws.example.org/?page=1")).has_value());
    EXPECT_TRUE(s->setUpdateBase(QStringLiteral("https://draws.example.org/#top")).has_value());
    EXPECT_TRUE(stored(QStringLiteral("UpdateBase")).isEmpty());
    EXPECT_FALSE(s->setUpdateBase(QStringLiteral(" https://draws.example.org ")).has_value());
    EXPECT_EQ(stored(QStringLiteral("UpdateBase")), QStringLiteral("https://draws.example.org"));
}

TEST_F(SessionTest, KindChangeOnTheVerificationTabKeepsTheVerificationPattern)
{
    putRaw(QStringLiteral("GsZl"), QStringLiteral("568"));
    start();
    addDraws({ 161212001, 161212002, 161212003 });
    s->setPatternValue(Session::TabManual, 1, 19);
    s->setVerificationIssue(QStringLiteral("20161212003"));
    s->selectTab(Session::TabVerify);
    expectPatternOf(161212002, 0);
    // A new search kind re-reads the verification draw, not the manual boxes.
    s->setSearchKind(1);
    expectPatternOf(161212002, 1);
    EXPECT_EQ(shown(Session::TabVerify, 1), ZodiacTables::nameOfValue(valueOf(161212002, 1, 1), s->choices().zodiacBase));
    EXPECT_FALSE(s->patterns().manualMode);
}

TEST_F(SessionTest, StoredValuesOutsideTheGroupsSelectNothing)
{
    putRaw(QStringLiteral("intXianshiLei"), QStringLiteral("9"));
    putRaw(QStringLiteral("intConsqSort"), QStringLiteral("0"));
    putRaw(QStringLiteral("intLei"), QStringLiteral("7"));
    start();
    for (int i = 0; i < 6; ++i) {
        EXPECT_FALSE(s->option4Selected(i));
        EXPECT_FALSE(s->option3Selected(i));
    }
    for (int i = 1; i <= 8; ++i)
        EXPECT_FALSE(s->option5Selected(i));
    EXPECT_TRUE(s->choices().resultKindLetter.isEmpty());
    addDraws({ 161212001 }); // a pattern refresh with no such kind changes nothing
    for (int k = 1; k <= kPositions; ++k)
        EXPECT_EQ(s->patterns().pattern[k], 0);
    s->setSearchKind(2);
    EXPECT_EQ(stored(QStringLiteral("intLei")), QStringLiteral("2"));
    expectPatternOf(161212001, 2);
}
