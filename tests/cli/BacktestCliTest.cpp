// corvinel-cli backtest as a child process: the JSON has the declared shape,
// its summary follows from its steps, each scored step's top K is the
// ranking of `search --verify ISSUE --only-before` with the same options,
// unscored steps carry no top and no hits, the database stays as it was, and
// an empty range, K < 1 or FROM after TO exit 1 with a reason.
#include "support/AnalysisTestSupport.h"
#include "support/CliRunner.h"
#include "core/IssueNumber.h"
#include "store/HistoryFolders.h"

#include <QCryptographicHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>

using namespace corvinel;
using namespace corvinel::testing;

namespace {

QByteArray fileHash(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256)
                                       : QByteArray();
}

struct Fixture
{
    TestHistory history;
    QTemporaryDir config;

    Fixture()
    {
        std::mt19937 rng(14);
        std::vector<Nums> draws;
        for (int i = 0; i < 60; ++i)
            draws.push_back(randomDraw(rng));
        history.append(draws, 161212001);
        // Recorded as the program records a history's game on first use, so
        // that the runs below have nothing to write.
        EXPECT_TRUE(history_folders::recordGame(history.store, 556));
        history.store.close();
    }
    CliRun cli(const QStringList& args) { return runCli(config.path(), history.dir.path(), args); }
    QString db() const { return history.folder() + "/" + HistoryStore::kFileName; }
};

QJsonObject parse(const CliRun& r)
{
    const QJsonDocument doc = QJsonDocument::fromJson(r.out.toUtf8());
    EXPECT_TRUE(doc.isObject()) << r.out.toStdString() << r.err.toStdString();
    return doc.object();
}

} // namespace

TEST(BacktestCli, JsonStepsAreVerificationSearches)
{
    Fixture f;
    struct Case
    {
        QStringList options;
        int top;
    };
    const std::vector<Case> cases = {
        { { "--positions", "1,2", "--kind", "tail" }, 3 },
        { { "--positions", "1", "--fixed", "--back", "2", "--result-kind", "zodiac", "--group", "--result-pos", "3" },
          2 },
        { { "--combo", "--size", "2", "--kind", "head", "--result-kind", "segment" }, 1 },
        { { "--combo", "--size", "3", "--fixed", "--kind", "sum", "--result-pos", "4" }, 25 },
    };
    for (const Case& c : cases) {
        const QByteArray before = fileHash(f.db());
        const CliRun r = f.cli(QStringList { "backtest", "--from", "20161212001", "--to", "20161212060", "--top",
                                             QString::number(c.top), "--format", "json" }
                               + c.options);
        ASSERT_EQ(r.code, 0) << r.err.toStdString();
        EXPECT_EQ(fileHash(f.db()), before) << "the batch wrote to the database";
        const QJsonObject o = parse(r);
        const QJsonObject s = o.value("summary").toObject();
        const QJsonArray steps = o.value("steps").toArray();
        ASSERT_EQ(steps.size(), 59); // the first draw has no draw before it
        EXPECT_EQ(s.value("steps").toInt(), 59);

        // The summary from the steps.
        int scored = 0, trials = 0, hits = 0;
        double expected = 0, variance = 0;
        const bool group = c.options.contains("--group");
        const int perStep = group ? c.options.at(c.options.indexOf("--result-pos") + 1).toInt() : 1;
        for (const QJsonValue v : steps) {
            const QJsonObject step = v.toObject();
            EXPECT_EQ(step.value("actual").toArray().size(), perStep);
            if (step.value("hits").isNull()) {
                EXPECT_TRUE(step.value("top").toArray().isEmpty());
                continue;
            }
            ++scored;
            trials += perStep;
            hits += step.value("hits").toInt();
            const double p = step.value("chance").toDouble();
            expected += p * perStep;
            variance += perStep * p * (1 - p) * (20 - perStep) / 19; // positions drawn without replacement
            EXPECT_LE(step.value("top").toArray().size(), c.top);
            EXPECT_GT(step.value("matched").toInt(), 0);
        }
        ASSERT_GT(scored, 20) << c.options.join(' ').toStdString();
        EXPECT_EQ(s.value("scored_steps").toInt(), scored);
        EXPECT_EQ(s.value("trials").toInt(), trials);
        EXPECT_EQ(s.value("hits").toInt(), hits);
        EXPECT_NEAR(s.value("expected_hits").toDouble(), expected, 1e-9);
        EXPECT_NEAR(s.value("hit_rate").toDouble(), static_cast<double>(hits) / trials, 1e-12);
        EXPECT_NEAR(s.value("chance_rate").toDouble(), expected / trials, 1e-12);
        EXPECT_NEAR(s.value("z").toDouble(), (hits - expected) / std::sqrt(variance), 1e-9);
        if (s.value("p_method").toString() == "normal")
            EXPECT_NEAR(s.value("p_value").toDouble(), 0.5 * std::erfc(s.value("z").toDouble() / std::sqrt(2.0)),
                        1e-12);
        else // few expected hits or misses: the exact tail
            EXPECT_EQ(s.value("p_method").toString(), "exact");
        EXPECT_LT(s.value("ci_low").toDouble(), s.value("hit_rate").toDouble());
        EXPECT_GT(s.value("ci_high").toDouble(), s.value("hit_rate").toDouble());

        // A few steps against the verification search itself (last, as it
        // leaves its marks in the database).
        QStringList searchOptions = c.options;
        QString command = "search";
        if (searchOptions.removeAll("--combo") > 0)
            command = "combo";
        for (int i : { 1, 20, 58 }) {
            const QJsonObject step = steps.at(i).toObject();
            const CliRun single = f.cli(
                QStringList { command, "--verify", step.value("issue").toString(), "--only-before", "--format", "json" }
                + searchOptions);
            if (single.code == 1) {
                // The single search refuses a step whose range holds no draw
                // before it; the batch lists that step as unscored.
                EXPECT_TRUE(step.value("top").toArray().isEmpty());
                EXPECT_TRUE(step.value("hits").isNull());
                continue;
            }
            ASSERT_EQ(single.code, 0) << single.err.toStdString();
            const QJsonObject so = parse(single);
            EXPECT_EQ(so.value("matches").toObject().value("rows").toArray().size(), step.value("matched").toInt());
            QJsonArray top;
            for (const QJsonValue row : so.value("ranking").toObject().value("rows").toArray()) {
                const QJsonArray cells = row.toArray();
                if (top.size() < c.top && cells.at(2).toString().toInt() > 0)
                    top.append(cells.at(1).toString());
            }
            EXPECT_EQ(step.value("top").toArray(), top) << step.value("issue").toString().toStdString();
        }
    }
}

TEST(BacktestCli, UnscoredFirstStepsAndText)
{
    Fixture f;
    const CliRun r = f.cli({ "backtest", "--fixed", "--positions", "1,2,3,4,5,6,7,8", "--from", "20161212002", "--to",
                             "20161212004", "--top", "3", "--format", "json" });
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    const QJsonArray steps = parse(r).value("steps").toArray();
    ASSERT_EQ(steps.size(), 3);
    // 002: only draws before it searched, and the range starts after the first draw.
    EXPECT_EQ(steps.at(0).toObject().value("issue").toString(), "20161212002");
    EXPECT_TRUE(steps.at(0).toObject().value("hits").isNull());
    EXPECT_EQ(steps.at(0).toObject().value("matched").toInt(), 0);
    const QJsonObject summary = parse(r).value("summary").toObject();
    EXPECT_EQ(summary.value("scored_steps").toInt(), 0);
    EXPECT_TRUE(summary.value("hit_rate").isNull());
    EXPECT_TRUE(summary.value("z").isNull());

    const CliRun text = f.cli({ "backtest", "--from", "20161212002", "--to", "20161212010", "--top", "3" });
    ASSERT_EQ(text.code, 0) << text.err.toStdString();
    EXPECT_TRUE(text.out.contains("steps 9, scored")) << text.out.toStdString();
    EXPECT_TRUE(text.out.contains("20161212010")) << text.out.toStdString();
}

TEST(BacktestCli, Refusals)
{
    Fixture f;
    const QByteArray before = fileHash(f.db());
    struct Case
    {
        QStringList args;
        int code;
        const char* reason;
    };
    const std::vector<Case> cases = {
        { { "--from", "20170101001", "--to", "20170101084", "--top", "3" }, 1, "没有可验证的期" },
        { { "--from", "20161212001", "--to", "20161212001", "--top", "3" }, 1, "没有可验证的期" },
        { { "--from", "20161212001", "--to", "20161212010", "--top", "0" }, 1, "不小于1" },
        { { "--from", "20161212010", "--to", "20161212001", "--top", "3" }, 1, "之后" },
        { { "--from", "20161212001", "--to", "20161212010" }, 2, "--top" },
        { { "--from", "20161212001", "--to", "20161212010", "--top", "x" }, 2, "--top" },
        { { "--size", "2", "--from", "20161212001", "--to", "20161212010", "--top", "3" }, 2, "--combo" },
        { { "--pattern", "1,2,3,4,5,6,7,8", "--from", "20161212001", "--to", "20161212010", "--top", "3" },
          2,
          "--pattern" },
        { { "--from", "20161212001", "--to", "20161212010", "--top", "3", "--format", "tsv" }, 2, "format" },
    };
    for (const Case& c : cases) {
        const CliRun r = f.cli(QStringList { "backtest" } + c.args);
        EXPECT_EQ(r.code, c.code) << c.args.join(' ').toStdString() << " " << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(QString::fromUtf8(c.reason))) << r.err.toStdString();
        EXPECT_TRUE(r.out.isEmpty());
    }
    EXPECT_EQ(fileHash(f.db()), before);
}
