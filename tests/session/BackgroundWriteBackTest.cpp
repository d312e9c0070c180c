// The search's write-back on the session's background writer: the database
// afterwards is the one the write-back in this thread leaves, every later
// database operation waits for it, the next search and write-back go on from
// it, and a start-up that reads only the first and last draws sets up the
// same state as one that reads them all.

#include "session/HistoryChanges.h"
#include "session/Session.h"
#include "session/SessionSearch.h"
#include "support/HistoryTestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace corvinel;
using corvinel::testing::drawFile;
using corvinel::testing::intColumn;
using corvinel::testing::makeDraws;
using corvinel::testing::textColumn;

namespace {

struct Folder
{
    QTemporaryDir dir;
    QString data() const { return dir.filePath(QStringLiteral("data")); }
    std::unique_ptr<Session> session()
    {
        QDir().mkpath(data());
        auto s = std::make_unique<Session>(std::make_unique<Settings>(dir.filePath(QStringLiteral("s.ini"))), data());
        return s;
    }
};

void importDraws(Session& s, const QString& folder, int count)
{
    const QString file = folder + QStringLiteral("/draws.txt");
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(drawFile(makeDraws(count)));
    f.close();
    const ImportOutcome out = HistoryChanges(s).importTextFile(file);
    ASSERT_TRUE(out.ok) << out.error.toStdString();
}

// Every column the searches write, in SQQH order.
std::vector<std::string> marks(Session& s)
{
    std::vector<std::string> out;
    SqliteDb& db = s.store().db();
    for (const char* c : { "intTh", "bolOk", "L1AS", "L2AS", "L3AP", "L8AP" })
        for (std::int64_t v : intColumn(db, c))
            out.push_back(std::string(c) + "=" + std::to_string(v));
    for (const char* c : { "txtHisP6", "txtHisPreLst", "txtHisPreLstHm" })
        for (const std::string& v : textColumn(db, c))
            out.push_back(std::string(c) + "=" + v);
    return out;
}

} // namespace

TEST(BackgroundWriteBack, LeavesTheDatabaseOfTheWriteBackInThisThread)
{
    Folder a, b;
    auto sa = a.session();
    auto sb = b.session();
    sa->startUp();
    sb->startUp();
    importDraws(*sa, a.dir.path(), 300);
    importDraws(*sb, b.dir.path(), 300);

    SessionSearch inThread(*sa), background(*sb);
    int writingSignals = 0;
    QObject::connect(sb.get(), &Session::writingChanged, [&](bool writing) { writingSignals += writing ? 1 : 0; });
    // Several searches in a row, each starting from the previous one's marks.
    for (int round = 0; round < 4; ++round) {
        for (Session* s : { sa.get(), sb.get() }) {
            s->setFreePosition(round % 2 == 0); // fixed position on odd rounds
            s->setPreviousIssue(round < 2);
            s->setLookBackText(QStringLiteral("3"));
            s->setCombinationSizeText(QStringLiteral("3"));
        }
        const bool combination = round == 1 || round == 2;
        SearchResult ra = combination ? inThread.combination() : inThread.followPattern();
        SearchResult rb = combination ? background.combination() : background.followPattern();
        ASSERT_TRUE(ra.ok && rb.ok);
        ASSERT_EQ(ra.matchedIssues, rb.matchedIssues);
        QString error;
        ASSERT_TRUE(inThread.writeBack(ra, &error)) << error.toStdString();
        int finished = 0;
        ASSERT_TRUE(background.startWriteBack(
            rb, [&](bool ok, const QString&) { finished += ok ? 1 : 100; }, &error))
            << error.toStdString();
        // A database operation waits for the write and runs its completion.
        EXPECT_EQ(marks(*sb), marks(*sa)) << "round " << round;
        EXPECT_EQ(finished, 1);
        EXPECT_FALSE(sb->isWriting());
    }
    EXPECT_EQ(writingSignals, 4);

    // A history change after a background write-back: the change comes after
    // the write, and the next search reads the new history.
    SearchResult r = background.followPattern();
    QString error;
    ASSERT_TRUE(background.startWriteBack(r, {}, &error));
    importDraws(*sb, b.dir.path(), 120);
    EXPECT_EQ(sb->snapshot().recordCount(), 120);
    SearchResult after = background.followPattern();
    ASSERT_TRUE(after.ok);
    ASSERT_TRUE(background.startWriteBack(after, {}, &error)) << error.toStdString();
    sb->waitForWrites();
    EXPECT_EQ(intColumn(sb->store().db(), "intTh").size(), 120u);

    // A result taken before a history change is refused, not written.
    SearchResult stale = background.followPattern();
    importDraws(*sb, b.dir.path(), 100);
    EXPECT_FALSE(background.startWriteBack(stale, {}, &error));
    EXPECT_FALSE(error.isEmpty());
}

TEST(BackgroundWriteBack, EdgeStartUpSetsUpTheSameState)
{
    Folder f;
    {
        auto s = f.session();
        s->startUp();
        importDraws(*s, f.dir.path(), 250);
    }
    for (bool previous : { true, false }) {
        auto full = f.session();
        auto edge = f.session();
        edge->setHistoryRowsOnDemand(true);
        full->startUp();
        full->settings().write(Settings::bolSq, previous);
        full->settings().write(Settings::intPreQi, 9);
        full->settings().sync();
        full = f.session();
        full->startUp();
        edge->startUp();
        EXPECT_EQ(edge->nextIssue(), full->nextIssue());
        EXPECT_EQ(edge->patterns().verificationIssue, full->patterns().verificationIssue);
        EXPECT_EQ(edge->rangeStart(), full->rangeStart());
        EXPECT_EQ(edge->rangeEnd(), full->rangeEnd());
        EXPECT_EQ(edge->lastDrawQqh(), full->lastDrawQqh());
        EXPECT_EQ(edge->patterns().pattern, full->patterns().pattern) << "previous " << previous;
        // Nothing above read the rows: every answer came from the database.
        EXPECT_FALSE(edge->historyRowsLoaded());
        const HistorySummary summary = edge->store().summary();
        EXPECT_EQ(summary.count, 250);
        EXPECT_EQ(summary.lastSqqh, full->snapshot().last()->sqqh);
    }
}
