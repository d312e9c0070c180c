// corvinel-cli search and combo as a child process: the JSON grids equal the
// literal statements' outcome for the options the command line stands for;
// usage errors exit 2, a refused range exits 1 and writes nothing, and the
// stored settings stay as they were.
#include "support/AnalysisTestSupport.h"
#include "core/IssueNumber.h"
#include "analysis/LiteralSearch.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

using namespace corvinel;
using namespace corvinel::testing;

namespace {

struct CliRun
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

struct CliFixture
{
    TestHistory history;
    std::vector<Nums> draws;

    CliFixture()
    {
        std::mt19937 rng(99);
        for (int i = 0; i < 120; ++i)
            draws.push_back(randomDraw(rng));
        history.append(draws);
    }

    CliRun cli(QStringList args)
    {
        args.prepend(history.dir.path());
        args.prepend("--data-dir");
        QProcess p;
        p.start(qEnvironmentVariable("CORVINEL_TEST_BINARY_DIR") + "/cli/corvinel-cli", args);
        CliRun r;
        if (!p.waitForFinished(60000))
            return r;
        r.exitCode = p.exitCode();
        r.out = p.readAllStandardOutput();
        r.err = p.readAllStandardError();
        return r;
    }

    // The literal statements on a copy of the database as it is now.
    SearchResult literal(const SearchOptions& o, bool combination)
    {
        QTemporaryDir copy;
        QFile::copy(history.store.databasePath(), copy.path() + "/" + HistoryStore::kFileName);
        HistoryStore store;
        store.open(copy.path());
        LiteralSearch l(store.db());
        return combination ? l.combination(o) : l.followPattern(o);
    }

    SearchOptions startUpOptions(int kind, int back)
    {
        SearchOptions o;
        o.kind = kind;
        o.previousIssue = back == 0;
        o.lookBack = back == 0 ? 2 : back;
        const HistorySnapshot snap = history.store.snapshot();
        // Reference draw: the last, or N - 1 before it.
        const SnapshotRow& ref = snap.row(snap.recordCount() - 1 - (back > 1 ? back - 1 : 0));
        for (int p = 1; p <= 8; ++p)
            o.pattern[p] = ref.value(p, kind);
        o.rangeFrom = issue::displayForm(snap.first()->sqqh + (back == 0 ? 1 : back));
        o.rangeTo = issue::displayForm(snap.last()->sqqh);
        return o;
    }
};

QList<QStringList> rowsOf(const QJsonObject& table)
{
    QList<QStringList> rows;
    for (const auto& r : table["rows"].toArray()) {
        QStringList cells;
        for (const auto& c : r.toArray())
            cells << c.toString();
        rows << cells;
    }
    return rows;
}

QList<QStringList> rowsOf(const ResultTable& t)
{
    QList<QStringList> rows;
    for (int r = 0; r < t.rowCount(); ++r)
        rows << t.row(r);
    return rows;
}

void expectSame(const CliRun& run, const SearchResult& want)
{
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    ASSERT_TRUE(want.ok);
    const QJsonObject o = QJsonDocument::fromJson(run.out).object();
    EXPECT_EQ(o["matches"].toObject()["header"].toVariant().toStringList(), want.matches.header);
    EXPECT_EQ(o["ranking"].toObject()["header"].toVariant().toStringList(),
              QStringList({ "序号", "结果", "出现次数", "百分比" }));
    EXPECT_EQ(rowsOf(o["matches"].toObject()), rowsOf(want.matches));
    EXPECT_EQ(rowsOf(o["ranking"].toObject()), rowsOf(want.ranking));
}

} // namespace

TEST(SearchCli, FollowPatternJsonEqualsTheStatements)
{
    CliFixture f;
    SearchOptions o = f.startUpOptions(3, 0);
    o.positions[2] = o.positions[6] = true;
    const SearchResult want = f.literal(o, false);
    ASSERT_FALSE(want.matchedIssues.empty());
    expectSame(f.cli({ "search", "--kind", "tail", "--positions", "2,6", "--format", "json" }), want);
    // The marks are in the database afterwards.
    const auto intTh = f.history.intColumn("intTh");
    EXPECT_EQ(std::count(intTh.begin(), intTh.end(), 2) >= static_cast<long>(want.matchedIssues.size()), true);
    // This run only: the stored search kind is still the default.
    const CliRun settings = f.cli({ "settings", "intLei" });
    EXPECT_EQ(settings.exitCode, 0);
    EXPECT_FALSE(settings.out.contains('3')) << settings.out.toStdString();
}

TEST(SearchCli, CombinationFixedNBackAndResultOptions)
{
    CliFixture f;
    SearchOptions o = f.startUpOptions(5, 3);
    o.freePosition = false;
    o.combinationSize = 2;
    o.resultKind = 1;
    o.resultPosition = 3;
    o.group = true;
    const SearchResult want = f.literal(o, true);
    ASSERT_FALSE(want.matchedIssues.empty());
    expectSame(f.cli({ "combo", "--kind=segment", "--fixed", "--back=3", "--size", "2", "--result-kind", "zodiac",
                       "--result-pos=3", "--group", "--format=json" }),
               want);
}

TEST(SearchCli, ManualPatternAndVerificationTab)
{
    CliFixture f;
    // A manual pattern may start with "-"; -1 is no number: at a ticked
    // position the search is refused (it could match nothing), in an unused
    // slot it does not matter.
    SearchOptions o = f.startUpOptions(0, 0);
    o.pattern = { 0, -1, 5, 9, 13, 17, 2, 6, 10 };
    o.positions[1] = o.positions[2] = true;
    const auto before = f.history.dump();
    CliRun run = f.cli({ "search", "--pattern", "-1,5,9,13,17,2,6,10", "--positions", "1,2", "--format", "json" });
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.out.isEmpty());
    EXPECT_TRUE(run.err.contains(QStringLiteral("第1位的值-1").toUtf8())) << run.err.toStdString();
    EXPECT_EQ(f.history.dump(), before);
    o.positions[1] = false;
    expectSame(f.cli({ "search", "--pattern=-1,5,9,13,17,2,6,10", "--positions=2", "--format=json" }),
               f.literal(o, false));

    // Verification tab: the pattern of the draw before ISSUE, the range up to
    // that draw with --only-before.
    const HistorySnapshot snap = f.history.store.snapshot();
    const std::int64_t verify = snap.row(60).sqqh;
    SearchOptions v = f.startUpOptions(2, 0);
    for (int p = 1; p <= 8; ++p)
        v.pattern[p] = snap.row(59).value(p, 2);
    v.positions[1] = v.positions[4] = true;
    v.rangeTo = issue::displayForm(verify - 1);
    expectSame(f.cli({ "search", "--kind", "head", "--verify", issue::displayForm(verify), "--only-before",
                       "--positions", "1,4", "--format", "json" }),
               f.literal(v, false));
}

TEST(SearchCli, UsageErrorsAndRefusedRange)
{
    CliFixture f;
    const auto before = f.history.dump();
    for (const QStringList& args :
         { QStringList { "search", "--pattern", "1,2,3,4,5,6,7,8", "--verify", "20161212005" },
           QStringList { "search", "--back", "0" }, QStringList { "search", "--back=10" },
           QStringList { "search", "--size", "3" }, QStringList { "search", "--kind", "colour" },
           QStringList { "search", "--positions", "0,9" }, QStringList { "search", "--only-before" },
           QStringList { "search", "--format", "xml" }, QStringList { "combo", "--pattern", "1,2" },
           QStringList { "search", "--bogus" } }) {
        const CliRun r = f.cli(args);
        EXPECT_EQ(r.exitCode, 2) << args.join(' ').toStdString();
    }
    const CliRun refused = f.cli({ "search", "--from", "2016x", "--format", "json" });
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_FALSE(refused.err.isEmpty());
    EXPECT_TRUE(refused.out.isEmpty());
    EXPECT_EQ(f.history.dump(), before);
    // Text and TSV output carry the same grids.
    const CliRun tsv = f.cli({ "combo", "--size", "1", "--format", "tsv" });
    ASSERT_EQ(tsv.exitCode, 0);
    EXPECT_TRUE(tsv.out.startsWith(QStringLiteral("期号\t第1位").toUtf8()));
    EXPECT_TRUE(tsv.out.contains(QStringLiteral("序号\t结果\t出现次数\t百分比").toUtf8()));
    const CliRun text = f.cli({ "search" });
    ASSERT_EQ(text.exitCode, 0);
    EXPECT_TRUE(text.out.contains("matched draws: 119")); // nothing ticked: the whole default range
}
