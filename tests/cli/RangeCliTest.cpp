// Whether corvinel-cli runs a search is decided on the whole stored history:
// random ranges inside, across and outside a history with holes run for
// search, combo and backtest exactly when a brute-force count over the
// stored issues finds a draw in them (a verifiable one for backtest).
#include "support/AnalysisTestSupport.h"
#include "support/CliRunner.h"
#include "core/IssueNumber.h"

#include <QTemporaryDir>

#include <algorithm>

using namespace corvinel;
using namespace corvinel::testing;

TEST(RangeCli, RefusedExactlyWhenNoStoredDrawLiesInTheRange)
{
    TestHistory history;
    std::mt19937 rng(1209);
    std::vector<std::int64_t> issues;
    // Three days with holes between blocks, so that ranges can fall in them.
    for (std::int64_t start : { 161212001LL, 161212040LL, 161213010LL, 161214001LL }) {
        std::vector<Nums> block;
        const int n = 12 + static_cast<int>(rng() % 12);
        for (int i = 0; i < n; ++i) {
            block.push_back(randomDraw(rng));
            issues.push_back(start + i);
        }
        history.append(block, start);
    }
    QTemporaryDir config;
    const auto cli = [&](const QStringList& args) { return runCli(config.path(), history.dir.path(), args); };

    const std::int64_t low = issues.front() - 30;
    const std::int64_t span = issues.back() + 30 - low;
    for (int trial = 0; trial < 12; ++trial) {
        std::int64_t a = low + static_cast<std::int64_t>(rng() % static_cast<std::uint32_t>(span));
        std::int64_t b = a + static_cast<std::int64_t>(rng() % 40);
        if (trial % 4 == 0)
            b = a; // a one-draw range
        const auto inRange = [&](std::int64_t s) { return s >= a && s <= b; };
        const bool stored = std::any_of(issues.begin(), issues.end(), inRange);
        const bool verifiable = std::any_of(issues.begin() + 1, issues.end(), inRange);
        const QString from = issue::displayForm(a);
        const QString to = issue::displayForm(b);
        const QString what = from + " .. " + to;

        for (const char* command : { "search", "combo" }) {
            QStringList args { command, "--positions", "1", "--fixed", "--prev", "--from", from, "--to", to };
            if (QString(command) == "combo")
                args = QStringList { command, "--size", "2", "--from", from, "--to", to };
            const CliRun r = cli(args);
            EXPECT_EQ(r.code, stored ? 0 : 1) << command << " " << what.toStdString() << r.err.toStdString();
            if (!stored) {
                EXPECT_TRUE(r.err.contains("没有已存的历史号码")) << r.err.toStdString();
            }
        }
        const CliRun r = cli({ "backtest", "--positions", "1", "--prev", "--from", from, "--to", to, "--top", "3" });
        EXPECT_EQ(r.code, verifiable ? 0 : 1) << "backtest " << what.toStdString() << r.err.toStdString();
    }
}
