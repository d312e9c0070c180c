// corvinel-cli trend run as a child process: its JSON against the engine on
// the same stored draws, the text form, and the refusals.

#include "support/CliRunner.h"
#include "support/HistoryTestSupport.h"
#include "analysis/DrawShape.h"
#include "analysis/Trend.h"
#include "store/DrawNumbers.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <cmath>

using namespace corvinel;
using namespace corvinel::testing;

namespace {

class TrendCli : public ::testing::Test
{
protected:
    QTemporaryDir dir;

    CliRun cli(const QStringList& args) { return runCli(dir.filePath("config"), dir.filePath("data"), args); }
    std::vector<DrawNumbers> store(const std::vector<PlainDraw>& draws)
    {
        HistoryStore s;
        QDir().mkpath(historyFolderIn(dir.filePath("data")));
        EXPECT_TRUE(s.open(historyFolderIn(dir.filePath("data"))));
        ZodiacTables tables;
        DrawEncoder encoder(tables);
        HistoryMaintenance m(s, encoder, tables);
        EXPECT_TRUE(m.rebuild(draws, EncoderBases {}).ok);
        std::vector<DrawNumbers> loaded;
        QString error;
        EXPECT_TRUE(loadDrawNumbers(s.db(), &loaded, &error)) << error.toStdString();
        return loaded;
    }
};

template<typename T> void expectArray(const QJsonArray& a, const std::vector<T>& expected, const char* what)
{
    ASSERT_EQ(a.size(), static_cast<int>(expected.size())) << what;
    for (int i = 0; i < a.size(); ++i)
        EXPECT_NEAR(a[i].toDouble(), static_cast<double>(expected[i]), 1e-12) << what << " " << i;
}

} // namespace

TEST_F(TrendCli, JsonMatchesTheEngine)
{
    // Across 2016's Spring Festival, so the zodiac columns change numbers.
    const std::vector<DrawNumbers> draws = store(makeDraws(400, QDate(2016, 2, 5), 84));
    struct Case
    {
        QStringList args;
        TrendOptions options;
    };
    const std::vector<Case> cases = {
        { {}, { 50, 0, 0, 1 } },
        { { "--last", "120", "--kind", "zodiac" }, { 120, 1, 0, 1 } },
        { { "--last", "30", "--kind", "tail", "--position", "3" }, { 30, 3, 3, 1 } },
        { { "--last", "1000", "--kind", "5", "--position", "8" }, { 1000, 5, 8, 1 } },
        { { "--last", "60", "--kind", "repeat" }, { 60, shapeIndex(ShapeKind::Repeat), 0, 1 } },
        { { "--kind", "digitsumparity", "--position", "2" }, { 50, shapeIndex(ShapeKind::DigitSumParity), 2, 1 } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const CliRun r = cli(QStringList { "trend", "--format", "json" } + c.args);
        ASSERT_EQ(r.code, 0) << r.err.toStdString();
        const QJsonObject o = QJsonDocument::fromJson(r.out.toUtf8()).object();
        const TrendResult e = computeTrend(draws, c.options);
        ASSERT_TRUE(e.ok);
        const TrendTable& t = e.table;
        QStringList columns;
        for (const QJsonValue v : o.value("columns").toArray())
            columns << v.toString();
        EXPECT_EQ(columns, t.columns);
        const QJsonArray rows = o.value("rows").toArray();
        ASSERT_EQ(rows.size(), t.rowCount());
        for (int r = 0; r < t.rowCount(); ++r) {
            const QJsonObject row = rows[r].toObject();
            EXPECT_EQ(row.value("issue").toString(), "20" + QString::number(t.issues[r]));
            const QJsonArray cells = row.value("cells").toArray();
            ASSERT_EQ(cells.size(), t.columnCount());
            for (int col = 0; col < t.columnCount(); ++col) {
                ASSERT_TRUE(cells[col].isDouble());
                EXPECT_EQ(cells[col].toInt(), t.cell(r, col));
            }
        }
        const QJsonObject summary = o.value("summary").toObject();
        expectArray(summary.value("hits").toArray(), t.hits, "hits");
        expectArray(summary.value("current").toArray(), t.current, "current");
        expectArray(summary.value("max").toArray(), t.maxOmission, "max");
        expectArray(summary.value("max_run").toArray(), t.maxRun, "max_run");
        std::vector<double> mean;
        for (double m : t.meanOmission)
            mean.push_back(std::round(m * 100) / 100);
        expectArray(summary.value("mean").toArray(), mean, "mean");
        const QJsonObject chance = o.value("chance").toObject();
        expectArray(chance.value("p").toArray(), t.chance, "p");
        expectArray(chance.value("expected_hits").toArray(), t.expectedHits, "expected_hits");
        expectArray(chance.value("p_current_or_longer").toArray(), t.chanceCurrentOrLonger, "p_current_or_longer");
    }

    // The text form: the chart, its summary rows and the note.
    const CliRun text = cli({ "trend", "--last", "5", "--kind", "head" });
    ASSERT_EQ(text.code, 0) << text.err.toStdString();
    const QStringList lines = text.out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 1 + 5 + 8 + 2);
    EXPECT_TRUE(lines[lines.size() - 2].startsWith("遗漏概率≤0.05 的有 ")) << lines.back().toStdString();
    EXPECT_TRUE(lines[0].startsWith("期号"));
    EXPECT_TRUE(lines[1].startsWith("20" + QString::number(draws[draws.size() - 5].sqqh)));
    EXPECT_TRUE(lines[6].startsWith("出现次数"));
    EXPECT_TRUE(lines.last().contains("independent"));
    const CliRun tsv = cli({ "trend", "--last", "2", "--format", "tsv" });
    ASSERT_EQ(tsv.code, 0);
    EXPECT_EQ(tsv.out.split('\n', Qt::SkipEmptyParts).first().split('\t').size(), 21);
    const CliRun sums = cli({ "trend", "--last", "2", "--kind", "drawsum", "--format", "tsv" });
    ASSERT_EQ(sums.code, 0) << sums.err.toStdString();
    EXPECT_EQ(sums.out.split('\n').first(), "期号\t36-70\t71-77\t78-83\t84-89\t90-96\t97-132");
}

TEST_F(TrendCli, RefusesWithAReason)
{
    const CliRun empty = cli({ "trend" });
    EXPECT_EQ(empty.code, 1);
    EXPECT_TRUE(empty.err.contains("empty")) << empty.err.toStdString();
    store(makeDraws(10));
    for (const QStringList& args : { QStringList { "--last", "0" }, QStringList { "--last", "-3" },
                                     QStringList { "--position", "9" }, QStringList { "--position", "0" } }) {
        const CliRun r = cli(QStringList { "trend" } + args);
        EXPECT_EQ(r.code, 1) << args.join(' ').toStdString();
        EXPECT_FALSE(r.err.trimmed().isEmpty());
        EXPECT_TRUE(r.out.isEmpty());
    }
    EXPECT_EQ(cli({ "trend", "--last", "many" }).code, 2);
    EXPECT_EQ(cli({ "trend", "--kind", "colour" }).code, 2);
    EXPECT_EQ(cli({ "trend", "--format", "xml" }).code, 2);
    // The shape kinds: a value of the whole draw takes no position, a
    // position's 两面 needs one.
    for (const char* kind : { "drawsum", "span", "big", "odd", "repeat", "consecutive", "dragontiger" }) {
        EXPECT_EQ(cli({ "trend", "--kind", kind }).code, 0) << kind;
        const CliRun r = cli({ "trend", "--kind", kind, "--position", "3" });
        EXPECT_EQ(r.code, 1) << kind;
        EXPECT_TRUE(r.err.contains("no position")) << r.err.toStdString();
    }
    for (const char* kind : { "bigsmall", "oddeven", "tailbig", "digitsumparity" }) {
        EXPECT_EQ(cli({ "trend", "--kind", kind, "--position", "8" }).code, 0) << kind;
        const CliRun r = cli({ "trend", "--kind", kind });
        EXPECT_EQ(r.code, 1) << kind;
        EXPECT_TRUE(r.err.contains("needs a position")) << r.err.toStdString();
    }
    const CliRun help = cli({ "trend", "--help" });
    EXPECT_EQ(help.code, 0);
    EXPECT_TRUE(help.out.contains("--position"));
    EXPECT_TRUE(help.out.contains("dragontiger"));
}
