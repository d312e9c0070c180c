// The online update end to end against a local results site: planning,
// loading, stopping at failures, and applying in one transaction.

#include "support/TestSite.h"

#include "store/DrawEncoder.h"
#include "store/HistoryStore.h"
#include "core/IssueNumber.h"
#include "acquire/OnlineUpdate.h"
#include "store/DrawLineReader.h"
#include "store/Schema.h"
#include "store/SqliteDb.h"
#include "core/ZodiacTables.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>

#include <memory>

using namespace corvinel;
using namespace corvinel::update;
using corvinel::sitetest::dayPage;
using corvinel::sitetest::dayRows;
using corvinel::sitetest::drawNumbers;
using corvinel::sitetest::SiteResponse;
using corvinel::sitetest::SiteRow;
using corvinel::sitetest::TestSite;

namespace {

QCoreApplication& app()
{
    static int argc = 1;
    static char name[] = "test_update";
    static char* argv[] = { name, nullptr };
    static QCoreApplication a(argc, argv);
    return a;
}

struct StoredDraw
{
    std::int64_t sqqh;
    std::array<int, 8> numbers;
};

// The application must exist before the site's server is made, so that the
// server's socket is watched by the event loop.
struct WithApp
{
    WithApp() { app(); }
};

class UpdateTest : public ::testing::Test, private WithApp
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        ASSERT_TRUE(store.open(dir.path()));
        tables.fillNumbersByOrder(1);
    }

    // Stores draws the way an import would, so the update starts from them.
    void seed(int code, const QDate& first, int firstSeq, int count)
    {
        const int digits = issue::sequenceDigits(code);
        const std::int64_t factor = digits == 3 ? 1000 : 100;
        Transaction tx(store.db());
        RowWriter w(store.db());
        encoder.beginAppend(store.snapshot(), bases);
        QDate day = first;
        int seq = firstSeq;
        for (int i = 0; i < count; ++i) {
            const std::int64_t ymd = (day.year() % 100) * 10000 + day.month() * 100 + day.day();
            ASSERT_TRUE(w.insert(encoder.encode(ymd * factor + seq, drawNumbers(day, seq), bases, false)));
            if (++seq > issue::drawsPerDay(code)) {
                seq = 1;
                day = day.addDays(1);
            }
        }
        ASSERT_TRUE(tx.commit());
    }

    std::vector<std::int64_t> storedIssues()
    {
        std::vector<std::int64_t> out;
        const HistorySnapshot snap = store.snapshot();
        for (const SnapshotRow& r : snap.rows())
            out.push_back(r.sqqh);
        return out;
    }

    QString listOf(std::int64_t sqqh, int listIndex = 0)
    {
        Statement st
            = store.db().prepare("SELECT " + schema::listColumn(listIndex, false) + " FROM lishi WHERE SQQH = ?");
        st.bind(1, sqqh);
        return st.step() == 100 ? st.columnText(0) : QStringLiteral("<no row>");
    }

    // Runs one whole update as the front ends do; waits for the pages.
    UpdateResult run(int code, int retention, const QDate& today, int timeoutMs = 3000, int cancelAtDay = 0)
    {
        lastPlan = planUpdate(store.snapshot(), code, retention, today);
        OnlineUpdate update;
        update.fetcher().setTimeout(timeoutMs);
        update.fetcher().setMaxBytes(maxBytes);
        QObject::connect(&update, &OnlineUpdate::dayStarted, [&](int index, int count, const QDate&) {
            progress.emplace_back(index, count);
            if (index == cancelAtDay)
                QTimer::singleShot(100, &update, [&update] { update.cancel(); });
        });
        QEventLoop loop;
        QObject::connect(&update, &OnlineUpdate::fetchFinished, &loop, &QEventLoop::quit);
        if (!update.start(site.base(), lastPlan)) {
            startError = update.error();
            return {};
        }
        QTimer guard;
        guard.setSingleShot(true);
        QObject::connect(&guard, &QTimer::timeout, &loop, [&loop] {
            ADD_FAILURE() << "update did not finish";
            loop.quit();
        });
        guard.start(30000);
        loop.exec();
        return applyUpdate(store, encoder, tables, bases, lastPlan, update.loadedDays(), update.stop());
    }

    QTemporaryDir dir;
    HistoryStore store;
    ZodiacTables tables;
    DrawEncoder encoder { tables };
    EncoderBases bases { 1, 1 };
    TestSite site;
    UpdatePlan lastPlan;
    QString startError;
    qint64 maxBytes = DayFetcher::kDefaultMaxBytes;
    std::vector<std::pair<int, int>> progress;
};

std::vector<std::int64_t> issuesOf(const QDate& day, int first, int last, std::int64_t factor)
{
    std::vector<std::int64_t> out;
    const std::int64_t ymd = (day.year() % 100) * 10000 + day.month() * 100 + day.day();
    for (int s = first; s <= last; ++s)
        out.push_back(ymd * factor + s);
    return out;
}

void append(std::vector<std::int64_t>& a, const std::vector<std::int64_t>& b)
{
    a.insert(a.end(), b.begin(), b.end());
}

const QDate kToday(2016, 9, 8);

} // namespace

TEST_F(UpdateTest, EmptyHistoryLoadsTheRetentionPeriod)
{
    std::vector<std::int64_t> expected;
    for (int d = 6; d >= 0; --d) {
        const QDate day = kToday.addDays(-d);
        site.setPage(556, day, dayPage(dayRows(day, 1, 3, 3)));
        append(expected, issuesOf(day, 1, 3, 1000));
    }
    const UpdateResult r = run(556, 6, kToday);
    EXPECT_TRUE(r.complete()) << resultMessage(r).toStdString();
    EXPECT_TRUE(r.committed);
    EXPECT_FALSE(r.clearedHistory);
    EXPECT_EQ(lastPlan.lookBackDays, 6);
    EXPECT_EQ(r.added, 21);
    EXPECT_EQ(storedIssues(), expected);
    ASSERT_EQ(site.requests().size(), 7);
    EXPECT_EQ(site.requests().front(), QStringLiteral("/lottery/draw/list/556?d=2016-09-02"));
    EXPECT_EQ(site.requests().back(), QStringLiteral("/lottery/draw/list/556?d=2016-09-08"));
    ASSERT_EQ(progress.size(), 7u);
    EXPECT_EQ(progress.front(), std::make_pair(1, 7));
    EXPECT_EQ(progress.back(), std::make_pair(7, 7));

    // The numbers went through the encoder: own values, QQH, and the lists of
    // the draw before (empty for the first draw of an empty history).
    const HistorySnapshot snap = store.snapshot();
    const auto n = drawNumbers(QDate(2016, 9, 2), 1);
    for (int p = 1; p <= 8; ++p)
        EXPECT_EQ(snap.row(0).value(p, 0), n[p - 1]);
    EXPECT_EQ(snap.row(0).qqh, 160902002);
    EXPECT_EQ(listOf(160902001), QString());
    EXPECT_EQ(listOf(160902002), sitetest::numbersText(n) + QLatin1Char(' '));
    const HistorySnapshot stored = store.snapshot();
    EXPECT_EQ(stored.row(1).value(1, 0), drawNumbers(QDate(2016, 9, 2), 2)[0]);
    EXPECT_TRUE(resultMessage(r).contains(QStringLiteral("21")));
}

TEST_F(UpdateTest, GuangdongFromSequence53OnOnePage)
{
    seed(544, kToday, 50, 3); // 16090850 .. 16090852
    const auto stored = storedIssues();
    ASSERT_EQ(stored.back(), 16090852);
    const QString listsOf52 = listOf(16090852); // lists of 51, stored with 52
    site.setPage(544, kToday, dayPage(dayRows(kToday, 1, 56, 2)));

    const UpdateResult r = run(544, 6, kToday);
    EXPECT_TRUE(r.complete());
    EXPECT_EQ(lastPlan.lookBackDays, 0);
    EXPECT_EQ(site.requests(), QStringList { QStringLiteral("/lottery/draw/list/544?d=2016-09-08") });
    auto expected = stored;
    append(expected, { 16090853, 16090854, 16090855, 16090856 });
    EXPECT_EQ(storedIssues(), expected);
    // The encoder started from the last stored row: the row of 53 carries the
    // lists of 52.
    EXPECT_EQ(listOf(16090853), sitetest::numbersText(drawNumbers(kToday, 52)) + QLatin1Char(' '));
    EXPECT_NE(listOf(16090853), listsOf52);
    EXPECT_EQ(r.lastAdded, 16090856);
}

TEST_F(UpdateTest, NewestFirstTableGivesTheSameHistory)
{
    for (int d = 2; d >= 0; --d)
        site.setPage(568, kToday.addDays(-d), dayPage(dayRows(kToday.addDays(-d), 1, 10, 3), true));
    const UpdateResult r = run(568, 2, kToday);
    EXPECT_TRUE(r.complete());
    std::vector<std::int64_t> expected;
    for (int d = 2; d >= 0; --d)
        append(expected, issuesOf(kToday.addDays(-d), 1, 10, 1000));
    EXPECT_EQ(storedIssues(), expected);
    // Stored in draw order: each row carries the lists of the draw before it.
    EXPECT_EQ(listOf(160908002), sitetest::numbersText(drawNumbers(kToday, 1)) + QLatin1Char(' '));
}

TEST_F(UpdateTest, NestedMarkupAndEntities)
{
    QString rows;
    for (int s = 1; s <= 4; ++s) {
        const auto n = drawNumbers(kToday, s);
        QString balls;
        for (int v : n)
            balls += QStringLiteral("<em class=\"ball\">%1</em>").arg(v, 2, 10, QLatin1Char('0'));
        rows += QStringLiteral("<tr><td>&nbsp;<a href=\"#\"><span>2016</span>0908%1</a>\n<br/></td>"
                               "<td>09:1%2&nbsp;开奖</td><td><div>%3</div></td><td>&#8212;</td></tr>")
                    .arg(s, 3, 10, QLatin1Char('0'))
                    .arg(s)
                    .arg(balls);
    }
    const QString html = QStringLiteral("<html><body><table id='draw_list'><tbody><tr><td>期号</td></tr>") + rows
        + QStringLiteral("</tbody></table></body></html>");
    for (int d = 1; d >= 1; --d)
        site.setPage(556, kToday.addDays(-d), dayPage({}));
    site.setPage(556, kToday, html.toUtf8());
    seed(556, kToday.addDays(-1), 84, 1);
    const UpdateResult r = run(556, 6, kToday);
    EXPECT_TRUE(r.complete()) << resultMessage(r).toStdString();
    EXPECT_EQ(r.added, 4);
    const HistorySnapshot snap = store.snapshot();
    ASSERT_EQ(snap.recordCount(), 5);
    EXPECT_EQ(snap.row(4).sqqh, 160908004);
    for (int p = 1; p <= 8; ++p)
        EXPECT_EQ(snap.row(4).value(p, 0), drawNumbers(kToday, 4)[p - 1]);
}

TEST_F(UpdateTest, RetentionDeletionAndItsBoundary)
{
    for (int d = 6; d >= 0; --d)
        site.setPage(556, kToday.addDays(-d), dayPage(dayRows(kToday.addDays(-d), 1, 2, 3)));

    // First draw 7 days old: everything goes, the whole period is loaded
    // again, and the first new draw has no predecessor lists.
    seed(556, kToday.addDays(-7), 80, 6); // 160901080 .. 160902001
    const HistorySnapshot before = store.snapshot();
    const UpdateResult r = run(556, 6, kToday);
    EXPECT_TRUE(lastPlan.clearHistory);
    EXPECT_EQ(lastPlan.deleteCount, 6);
    EXPECT_EQ(r.deleted, 6);
    EXPECT_EQ(lastPlan.lookBackDays, 6);
    EXPECT_TRUE(r.complete());
    EXPECT_TRUE(r.clearedHistory);
    EXPECT_EQ(site.requests().size(), 7);
    std::vector<std::int64_t> expected;
    for (int d = 6; d >= 0; --d)
        append(expected, issuesOf(kToday.addDays(-d), 1, 2, 1000));
    EXPECT_EQ(storedIssues(), expected);
    EXPECT_EQ(listOf(160902001), QString());
    EXPECT_TRUE(resultMessage(r).contains(QStringLiteral("删除")));

    // The deleted draws were saved first, as draw lines the import reads
    // back to exactly what was stored; the message names the file.
    EXPECT_EQ(r.backupPath, dir.filePath(QStringLiteral("已删除历史号码_20160901-20160902.txt")));
    EXPECT_TRUE(resultMessage(r).contains(QDir::toNativeSeparators(r.backupPath))) << resultMessage(r).toStdString();
    DrawLineResult saved;
    QString error;
    ASSERT_TRUE(readDrawLineFile(r.backupPath, 0, &saved, &error)) << error.toStdString();
    EXPECT_TRUE(saved.skipped.empty());
    ASSERT_EQ(static_cast<int>(saved.draws.size()), before.recordCount());
    for (int i = 0; i < before.recordCount(); ++i) {
        EXPECT_EQ(saved.draws[static_cast<std::size_t>(i)].sqqh, before.row(i).sqqh);
        for (int p = 1; p <= kPositions; ++p)
            EXPECT_EQ(saved.draws[static_cast<std::size_t>(i)].numbers[p - 1], before.row(i).value(p, 0));
    }
    // The same range again gets a name of its own.
    EXPECT_EQ(retentionBackupPath(dir.path(), 160901080, 160902001),
              dir.filePath(QStringLiteral("已删除历史号码_20160901-20160902_2.txt")));
}

// When the deleted draws cannot be saved, nothing is deleted or added.
TEST_F(UpdateTest, RetentionDeletionWithoutBackupChangesNothing)
{
    for (int d = 6; d >= 0; --d)
        site.setPage(556, kToday.addDays(-d), dayPage(dayRows(kToday.addDays(-d), 1, 2, 3)));
    seed(556, kToday.addDays(-7), 80, 6);
    const auto before = storedIssues();
    lastPlan = planUpdate(store.snapshot(), 556, 6, kToday);
    OnlineUpdate update;
    QEventLoop loop;
    QObject::connect(&update, &OnlineUpdate::fetchFinished, &loop, &QEventLoop::quit);
    ASSERT_TRUE(update.start(site.base(), lastPlan));
    loop.exec();
    ASSERT_EQ(update.loadedDays().size(), 7u);
    // The data folder is gone (moved away) when the update is applied.
    const QString moved = dir.path() + QStringLiteral("-moved");
    ASSERT_TRUE(QDir().rename(dir.path(), moved));
    const UpdateResult r = applyUpdate(store, encoder, tables, bases, lastPlan, update.loadedDays(), update.stop());
    ASSERT_TRUE(QDir().rename(moved, dir.path()));
    EXPECT_FALSE(r.committed);
    EXPECT_TRUE(r.backupPath.isEmpty());
    EXPECT_TRUE(resultMessage(r).contains(QStringLiteral("备份"))) << resultMessage(r).toStdString();
    EXPECT_TRUE(resultMessage(r).contains(QStringLiteral("没有改变"))) << resultMessage(r).toStdString();
    EXPECT_EQ(storedIssues(), before);
}

TEST_F(UpdateTest, FirstDrawExactlyRetentionDaysOldIsKept)
{
    seed(556, kToday.addDays(-6), 83, 2); // 160902083, 160902084
    const QDate lastDay = kToday.addDays(-6);
    for (int d = 5; d >= 0; --d)
        site.setPage(556, kToday.addDays(-d), dayPage(dayRows(kToday.addDays(-d), 1, 1, 3)));
    site.setPage(556, lastDay, dayPage(dayRows(lastDay, 1, 84, 3)));
    const UpdateResult r = run(556, 6, kToday);
    EXPECT_FALSE(lastPlan.clearHistory);
    EXPECT_EQ(lastPlan.lookBackDays, 6);
    EXPECT_TRUE(r.complete());
    EXPECT_EQ(r.added, 6);
    const auto issues = storedIssues();
    ASSERT_EQ(issues.size(), 8u);
    EXPECT_EQ(issues[0], 160902083);
    EXPECT_EQ(issues[1], 160902084);
    EXPECT_EQ(issues[2], 160903001);
    EXPECT_EQ(issues.back(), 160908001);
}

TEST_F(UpdateTest, YearBoundary)
{
    seed(556, QDate(2016, 12, 31), 78, 3); // .. 161231080
    site.setPage(556, QDate(2016, 12, 31), dayPage(dayRows(QDate(2016, 12, 31), 1, 84, 3)));
    site.setPage(556, QDate(2017, 1, 1), dayPage(dayRows(QDate(2017, 1, 1), 1, 5, 3)));
    const UpdateResult r = run(556, 6, QDate(2017, 1, 1));
    EXPECT_TRUE(r.complete());
    EXPECT_EQ(lastPlan.lookBackDays, 1);
    auto expected = issuesOf(QDate(2016, 12, 31), 78, 84, 1000);
    append(expected, issuesOf(QDate(2017, 1, 1), 1, 5, 1000));
    EXPECT_EQ(storedIssues(), expected);
    EXPECT_EQ(r.added, 9);

    // The next day, the draws of 1 January are recognised as stored.
    site.setPage(556, QDate(2017, 1, 2), dayPage(dayRows(QDate(2017, 1, 2), 1, 2, 3)));
    site.setPage(556, QDate(2017, 1, 1), dayPage(dayRows(QDate(2017, 1, 1), 1, 7, 3)));
    const UpdateResult next = run(556, 6, QDate(2017, 1, 2));
    EXPECT_EQ(next.added, 4);
    EXPECT_EQ(storedIssues().back(), 170102002);
}

TEST_F(UpdateTest, Code566AndItsNineCharacterLimit)
{
    // The site writes 566 issues in nine characters; ten-character texts are
    // no issue cells for this code.
    QList<SiteRow> rows;
    for (int s = 1; s <= 3; ++s)
        rows.push_back(
            { kToday.toString(QStringLiteral("yyMMdd")) + QStringLiteral("%1").arg(s, 3, 10, QLatin1Char('0')),
              sitetest::numbersText(drawNumbers(kToday, s), QStringLiteral(",")) });
    rows.push_back({ QStringLiteral("2016090804"), sitetest::numbersText(drawNumbers(kToday, 4)) });
    site.setPage(566, kToday, dayPage(rows));
    seed(566, kToday, 1, 0);
    site.setPage(566, kToday.addDays(-1), dayPage({}));
    const UpdateResult r = run(566, 1, kToday);
    EXPECT_TRUE(r.complete()) << resultMessage(r).toStdString();
    EXPECT_EQ(storedIssues(), (std::vector<std::int64_t> { 16090801, 16090802, 16090803 }));
}

TEST_F(UpdateTest, HeaderOnlyDayIsSkipped)
{
    seed(556, kToday.addDays(-2), 84, 1);
    site.setPage(556, kToday.addDays(-2), dayPage(dayRows(kToday.addDays(-2), 1, 84, 3)));
    site.setPage(556, kToday.addDays(-1), sitetest::headerOnlyPage());
    site.setPage(556, kToday, dayPage(dayRows(kToday, 1, 3, 3)));
    const UpdateResult r = run(556, 6, kToday);
    EXPECT_TRUE(r.complete());
    EXPECT_EQ(site.requests().size(), 3);
    EXPECT_EQ(storedIssues(), (std::vector<std::int64_t> { 160906084, 160908001, 160908002, 160908003 }));
}

TEST_F(UpdateTest, PendingDrawsAtTheEndOfTodayAreNoDraws)
{
    QList<SiteRow> rows = dayRows(kToday, 1, 3, 3);
    rows.push_back({ sitetest::siteIssue(kToday, 4, 3), QString() });
    rows.push_back({ sitetest::siteIssue(kToday, 5, 3), QString() });
    site.setPage(556, kToday, dayPage(rows, true));
    const UpdateResult r = run(556, 0, kToday);
    EXPECT_TRUE(r.complete());
    EXPECT_EQ(storedIssues(), (std::vector<std::int64_t> { 160908001, 160908002, 160908003 }));
}

TEST_F(UpdateTest, SequenceGapStopsTheDayAndTheDaysAfter)
{
    const QDate d1 = kToday.addDays(-2), d2 = kToday.addDays(-1);
    seed(556, d1, 84, 1);
    site.setPage(556, d1, dayPage(dayRows(d1, 1, 84, 3)));
    QList<SiteRow> rows = dayRows(d2, 1, 2, 3);
    rows += dayRows(d2, 4, 6, 3);
    site.setPage(556, d2, dayPage(rows));
    site.setPage(556, kToday, dayPage(dayRows(kToday, 1, 3, 3)));
    const UpdateResult r = run(556, 6, kToday);
    EXPECT_TRUE(r.committed);
    ASSERT_TRUE(r.stop.isSet());
    EXPECT_EQ(r.stop.day, d2);
    EXPECT_TRUE(r.stop.reason.contains(QStringLiteral("20160907003"))) << r.stop.reason.toStdString();
    EXPECT_EQ(storedIssues(), (std::vector<std::int64_t> { 160906084, 160907001, 160907002 }));
    EXPECT_TRUE(resultMessage(r).contains(QStringLiteral("2016-09-07")));
}

TEST_F(UpdateTest, BadNumbersCellStopsAtThatDraw)
{
    for (const QString& bad :
         { QStringLiteral("01 02 03 04 05 06 07"), QStringLiteral("01 02 03 04 05 06 07 21"),
           QStringLiteral("01 02 03 04 05 06 07 07"), QStringLiteral("00 02 03 04 05 06 07 08") }) {
        SCOPED_TRACE(bad.toStdString());
        QList<SiteRow> rows = dayRows(kToday, 1, 5, 3);
        rows[2].numbers = bad;
        site.setPage(556, kToday, dayPage(rows));
        store.db().exec("DELETE FROM lishi");
        const UpdateResult r = run(556, 0, kToday);
        ASSERT_TRUE(r.stop.isSet());
        EXPECT_EQ(r.stop.day, kToday);
        EXPECT_TRUE(r.stop.reason.contains(bad)) << r.stop.reason.toStdString();
        EXPECT_EQ(storedIssues(), (std::vector<std::int64_t> { 160908001, 160908002 }));
    }
}

// Each kind of failed day stops the update there: the days before it are
// stored, the failed day and the days after it are not; failing on the first
// day changes nothing at all, not even the due retention deletion.
TEST_F(UpdateTest, FailedDayStopsTheUpdate)
{
    QByteArray noise;
    for (int i = 0; i < 20000; ++i)
        noise += static_cast<char>((i * 2654435761u) >> 13);
    QByteArray huge = dayPage(dayRows(kToday, 1, 3, 3));
    huge += QByteArray(300 * 1024, ' ');

    struct Case
    {
        const char* name;
        SiteResponse response;
        const char* reasonPart;
    };
    const std::vector<Case> cases = {
        { "http 500", SiteResponse::answer(500, "<html><table id=\"draw_list\"></table></html>"), "HTTP 500" },
        { "http 404", SiteResponse::answer(404, "gone"), "HTTP 404" },
        { "timeout", SiteResponse::hanging(), "超时" },
        { "no table", SiteResponse::answer(200, "<html><body><p>维护中</p></body></html>"), "draw_list" },
        { "random bytes", SiteResponse::answer(200, noise, "application/octet-stream"), "draw_list" },
        { "oversized", SiteResponse::answer(200, huge), "上限" },
    };
    maxBytes = 256 * 1024;
    const QDate d0 = kToday.addDays(-7), d1 = kToday.addDays(-6), d2 = kToday.addDays(-5);
    for (const Case& c : cases) {
        for (int failAt : { 1, 2 }) {
            SCOPED_TRACE(std::string(c.name) + " on day " + std::to_string(failAt));
            store.db().exec("DELETE FROM lishi");
            seed(556, d0, 84, 1); // 160901084: 7 days old, due for deletion
            const auto before = storedIssues();
            const DrawEncoder::State encoderBefore = encoder.saveState();
            for (int d = 6; d >= 0; --d)
                site.setPage(556, kToday.addDays(-d), dayPage(dayRows(kToday.addDays(-d), 1, 2, 3)));
            site.setDay(556, failAt == 1 ? d1 : d2, c.response);
            site.clearRequests();

            const UpdateResult r = run(556, 6, kToday, 1500);
            ASSERT_TRUE(r.stop.isSet());
            EXPECT_EQ(r.stop.day, failAt == 1 ? d1 : d2);
            EXPECT_TRUE(r.stop.reason.contains(QString::fromUtf8(c.reasonPart))) << r.stop.reason.toStdString();
            EXPECT_EQ(site.requests().size(), failAt); // nothing fetched after the failed day
            if (failAt == 1) {
                EXPECT_FALSE(r.committed);
                EXPECT_EQ(storedIssues(), before);
                EXPECT_EQ(encoder.saveState().previous, encoderBefore.previous);
                EXPECT_TRUE(resultMessage(r).contains(QStringLiteral("没有改变")));
            } else {
                EXPECT_TRUE(r.committed);
                EXPECT_TRUE(r.clearedHistory);
                EXPECT_EQ(storedIssues(), issuesOf(d1, 1, 2, 1000));
                EXPECT_TRUE(resultMessage(r).contains(d2.toString(QStringLiteral("yyyy-MM-dd"))));
            }
        }
    }
}

TEST_F(UpdateTest, GzipRedirectsAndStreamedOversize)
{
    // A gzip page and a redirected page are read like any other.
    SiteResponse zipped = SiteResponse::answer(200, sitetest::gzip(dayPage(dayRows(kToday.addDays(-2), 1, 3, 3))));
    zipped.extraHeaders = "Content-Encoding: gzip\r\n";
    site.setDay(556, kToday.addDays(-2), zipped);
    SiteResponse moved = SiteResponse::answer(302, {});
    moved.extraHeaders = "Location: /moved/day\r\n";
    site.setDay(556, kToday.addDays(-1), moved);
    site.setResponse(QStringLiteral("/moved/day"),
                     SiteResponse::answer(200, dayPage(dayRows(kToday.addDays(-1), 1, 2, 3))));
    // Today's page is too large and says no length: the cap stops it as it streams.
    SiteResponse flood = SiteResponse::answer(200, dayPage(dayRows(kToday, 1, 2, 3)) + QByteArray(600 * 1024, 'x'));
    flood.noLength = true;
    site.setDay(556, kToday, flood);
    maxBytes = 512 * 1024;

    const UpdateResult r = run(556, 2, kToday);
    ASSERT_TRUE(r.stop.isSet());
    EXPECT_EQ(r.stop.day, kToday);
    EXPECT_TRUE(r.stop.reason.contains(QStringLiteral("上限"))) << r.stop.reason.toStdString();
    auto expected = issuesOf(kToday.addDays(-2), 1, 3, 1000);
    append(expected, issuesOf(kToday.addDays(-1), 1, 2, 1000));
    EXPECT_EQ(storedIssues(), expected);
    EXPECT_TRUE(site.requests().contains(QStringLiteral("/moved/day")));
}

TEST_F(UpdateTest, CancelKeepsTheDaysLoadedBefore)
{
    site.setPage(556, kToday.addDays(-1), dayPage(dayRows(kToday.addDays(-1), 1, 4, 3)));
    site.setDay(556, kToday, SiteResponse::hanging());
    const UpdateResult r = run(556, 1, kToday, 20000, 2);
    ASSERT_TRUE(r.stop.isSet());
    EXPECT_EQ(r.stop.day, kToday);
    EXPECT_TRUE(r.stop.reason.contains(QStringLiteral("取消")));
    EXPECT_EQ(storedIssues(), issuesOf(kToday.addDays(-1), 1, 4, 1000));
}

TEST_F(UpdateTest, FailedWriteLeavesHistoryAndEncoderAsTheyWere)
{
    seed(556, kToday, 1, 2);
    const auto before = storedIssues();
    const DrawEncoder::State stateBefore = encoder.saveState();
    const int zodiacYearBefore = tables.currentZodiacYear();
    ASSERT_TRUE(store.db().exec("CREATE TRIGGER fail_insert BEFORE INSERT ON lishi WHEN NEW.SQQH = 160908004 "
                                "BEGIN SELECT RAISE(ABORT, 'disk full'); END"));
    site.setPage(556, kToday, dayPage(dayRows(kToday, 1, 6, 3)));
    const UpdateResult r = run(556, 6, kToday);
    EXPECT_FALSE(r.committed);
    EXPECT_FALSE(r.dbError.isEmpty());
    EXPECT_EQ(storedIssues(), before);
    EXPECT_EQ(encoder.saveState().previous, stateBefore.previous);
    EXPECT_EQ(encoder.saveState().prevLists, stateBefore.prevLists);
    EXPECT_EQ(tables.currentZodiacYear(), zodiacYearBefore);
    EXPECT_TRUE(resultMessage(r).contains(QStringLiteral("没有改变")));
}

TEST(UpdatePlan, Rules)
{
    const HistorySnapshot empty;
    const UpdatePlan e = planUpdate(empty, 556, 6, kToday);
    EXPECT_TRUE(e.ok);
    EXPECT_EQ(e.lookBackDays, 6);
    EXPECT_EQ(e.dayCount(), 7);
    EXPECT_EQ(e.day(0), QDate(2016, 9, 2));
    EXPECT_EQ(e.day(6), kToday);

    auto history = [](const std::vector<std::int64_t>& issues) {
        std::vector<SnapshotRow> rows;
        for (auto i : issues) {
            SnapshotRow r;
            r.sqqh = i;
            rows.push_back(r);
        }
        return HistorySnapshot(rows);
    };
    const UpdatePlan g = planUpdate(history({ 16090850, 16090852 }), 544, 6, kToday);
    EXPECT_TRUE(g.ok);
    EXPECT_EQ(g.lookBackDays, 0);
    EXPECT_EQ(g.lastStored, 16090852);

    const UpdatePlan old = planUpdate(history({ 160901084, 160903001, 160905001 }), 556, 6, kToday);
    EXPECT_TRUE(old.clearHistory);
    EXPECT_EQ(old.deleteCount, 3);
    EXPECT_EQ(old.deleteFirst, 160901084);
    EXPECT_EQ(old.deleteLast, 160905001);
    // What the confirmation adds: how many, which, and from which day on.
    const QString warning = retentionWarning(old);
    EXPECT_TRUE(warning.contains(QStringLiteral("全部3期"))) << warning.toStdString();
    EXPECT_TRUE(warning.contains(QStringLiteral("20160901084至20160905001"))) << warning.toStdString();
    EXPECT_TRUE(warning.contains(QStringLiteral("从2016-09-02起"))) << warning.toStdString();
    EXPECT_TRUE(warning.contains(QStringLiteral("6天"))) << warning.toStdString();
    const UpdatePlan keep = planUpdate(history({ 160902084, 160905001 }), 556, 6, kToday);
    EXPECT_FALSE(keep.clearHistory);
    EXPECT_EQ(keep.deleteCount, 0);
    EXPECT_EQ(keep.lookBackDays, 3);
    EXPECT_TRUE(retentionWarning(keep).isEmpty());
    EXPECT_TRUE(retentionWarning(e).isEmpty());

    // A negative retention count refuses the update instead of deleting the
    // whole history (and then loading no day at all).
    const UpdatePlan negative = planUpdate(history({ 160907001 }), 556, -1, kToday);
    EXPECT_FALSE(negative.ok);
    EXPECT_FALSE(negative.clearHistory);
    EXPECT_FALSE(negative.error.isEmpty());
    EXPECT_FALSE(planUpdate(empty, 556, -1, kToday).ok);
    EXPECT_EQ(planUpdate(empty, 556, 0, kToday).dayCount(), 1);

    EXPECT_FALSE(planUpdate(history({ 160909001 }), 556, 6, kToday).ok); // last draw after today
    EXPECT_FALSE(planUpdate(history({ 12345 }), 556, 6, kToday).ok); // no date
    EXPECT_EQ(dateOfStored(161231080), QDate(2016, 12, 31));
    EXPECT_EQ(dateOfStored(16090852), QDate(2016, 9, 8));
    EXPECT_FALSE(dateOfStored(161332001).isValid());
}
