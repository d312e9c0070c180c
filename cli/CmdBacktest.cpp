#include "cli/CliContext.h"
#include "store/SqliteDb.h"
#include "cli/Output.h"
#include "cli/SearchOptionSet.h"
#include "analysis/BacktestMoney.h"
#include "analysis/ResultTable.h"
#include "core/IssueNumber.h"
#include "session/Session.h"
#include "session/PrizeTables.h"
#include "session/SessionBacktest.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>

#include <algorithm>
#include <cmath>

namespace corvinel {

namespace {

std::optional<int> topValue(const OptionDecl&, const QString& text, QString* error)
{
    const auto k = issue::wholeNumber(text);
    if (!k) {
        *error = QStringLiteral("--top takes a whole number, not \"%1\"").arg(text);
        return std::nullopt;
    }
    return static_cast<int>(std::clamp<std::int64_t>(*k, -1, 1000000));
}

// The options of backtest beyond those that shape the search. Its range is
// the draws to verify, not the range of a search: its own --from and --to.
const Option<QString> kStepsFrom { "--from", "ISSUE", "the first draw to verify, as shown (e.g. 2025091501)", anyText };
const Option<QString> kStepsTo { "--to", "ISSUE", "the last draw to verify", anyText };
const Option<int> kTop { "--top", "K", "how many of the top values of each ranking count as picked (1 or more)",
                         topValue };
const Option<QString> kPlay { "--play", "PLAY",
                              "选一数投: count each top value 01-18 as a 2-yuan bet and add the money to the summary",
                              anyText };
const OptionDecl kCombo { "--combo", nullptr, "verify the combination search instead of the follow-pattern search" };

QJsonValue number(const std::optional<double>& v)
{
    return v && std::isfinite(*v) ? QJsonValue(*v) : QJsonValue(QJsonValue::Null);
}

QStringList texts(const std::vector<int>& values, const SearchOptions& o)
{
    QStringList out;
    for (int v : values)
        out << Backtest::valueText(v, o.resultKind, o.zodiacBase);
    return out;
}

QStringList topTexts(const BacktestStep& step, const SearchOptions& o)
{
    std::vector<int> values;
    for (const TallyEntry& e : step.top)
        values.push_back(e.value);
    return texts(values, o);
}

QString fixed(const std::optional<double>& v, int decimals)
{
    return v ? QString::number(*v, 'f', decimals) : QStringLiteral("-");
}

QJsonObject json(const BacktestResult& r, const SearchOptions& o, const std::optional<BacktestMoney>& money)
{
    const BacktestSummary& s = r.summary;
    QJsonObject summary;
    if (money) {
        summary.insert(QStringLiteral("staked"), static_cast<qint64>(money->staked));
        summary.insert(QStringLiteral("won"), static_cast<qint64>(money->won));
        summary.insert(QStringLiteral("return"), number(money->returnRate));
        summary.insert(QStringLiteral("expected_return"), money->expectedReturn);
    }
    summary.insert(QStringLiteral("steps"), s.steps);
    summary.insert(QStringLiteral("scored_steps"), s.scoredSteps);
    summary.insert(QStringLiteral("trials"), static_cast<qint64>(s.trials));
    summary.insert(QStringLiteral("hits"), static_cast<qint64>(s.hits));
    summary.insert(QStringLiteral("hit_rate"), number(s.hitRate));
    summary.insert(QStringLiteral("expected_hits"), s.expectedHits);
    summary.insert(QStringLiteral("chance_rate"), number(s.chanceRate));
    summary.insert(QStringLiteral("z"), number(s.z));
    summary.insert(QStringLiteral("p_value"), number(s.pValue));
    summary.insert(QStringLiteral("p_method"), s.pValue ? QJsonValue(s.pExact ? QStringLiteral("exact")
                                                                               : QStringLiteral("normal"))
                                                        : QJsonValue(QJsonValue::Null));
    summary.insert(QStringLiteral("ci_low"), number(s.ciLow));
    summary.insert(QStringLiteral("ci_high"), number(s.ciHigh));
    QJsonArray steps;
    for (const BacktestStep& step : r.steps) {
        QJsonObject j;
        j.insert(QStringLiteral("issue"), issue::displayForm(step.sqqh));
        j.insert(QStringLiteral("matched"), step.matched);
        j.insert(QStringLiteral("top"), QJsonArray::fromStringList(topTexts(step, o)));
        j.insert(QStringLiteral("actual"), QJsonArray::fromStringList(texts(step.actual, o)));
        j.insert(QStringLiteral("hits"), step.scored() ? QJsonValue(step.hits) : QJsonValue(QJsonValue::Null));
        j.insert(QStringLiteral("chance"), step.scored() ? QJsonValue(step.chance) : QJsonValue(QJsonValue::Null));
        steps.append(j);
    }
    QJsonObject out;
    out.insert(QStringLiteral("summary"), summary);
    out.insert(QStringLiteral("steps"), steps);
    return out;
}

QString stateText(StepState state)
{
    switch (state) {
    case StepState::EmptyRange:
        return QStringLiteral("unscored: nothing before it to search");
    case StepState::NoReference:
        return QStringLiteral("unscored: no draw N back");
    case StepState::NoMatch:
        return QStringLiteral("unscored: no matched draw");
    default:
        return {};
    }
}

void printText(QTextStream& out, const BacktestResult& r, const SearchOptions& o, int top,
               const std::optional<BacktestMoney>& money)
{
    const BacktestSummary& s = r.summary;
    out << "steps " << s.steps << ", scored " << s.scoredSteps << ", trials " << s.trials << ", hits " << s.hits
        << " (hit rate " << fixed(s.hitRate, 3) << ")\n";
    out << "chance: expected hits " << QString::number(s.expectedHits, 'f', 1) << " (rate " << fixed(s.chanceRate, 3)
        << "), z " << fixed(s.z, 2) << ", one-sided " << (s.pExact ? "exact " : "") << "p " << fixed(s.pValue, 3) << ", 95% interval of the hit rate "
        << fixed(s.ciLow, 3) << ".." << fixed(s.ciHigh, 3) << '\n';
    out << "A hit rate near the chance rate is what random draws give; the test says whether the top " << top
        << " values did better than picking them at random, not what the next draw holds.\n";
    if (money)
        out << moneyLine(*money) << '\n';
    out << '\n';
    ResultTable table;
    table.header = QStringList { "issue", "matched", "top", "actual", "hits", "chance" };
    for (const BacktestStep& step : r.steps) {
        table.cells.push_back(issue::displayForm(step.sqqh));
        table.cells.push_back(QString::number(step.matched));
        table.cells.push_back(topTexts(step, o).join(u' '));
        table.cells.push_back(texts(step.actual, o).join(u' '));
        table.cells.push_back(step.scored() ? QString::number(step.hits) : QStringLiteral("-"));
        table.cells.push_back(step.scored() ? QString::number(step.chance, 'f', 3) : stateText(step.state));
    }
    writeTsv(out, table);
}

int runBacktest(CliContext& ctx, const ParsedArgs& args)
{
    if (args.has(search_option::kSize) && !args.has(kCombo))
        return ctx.usage(QStringLiteral("--size belongs to --combo"));
    const std::optional<QString> from = args.get(kStepsFrom);
    const std::optional<QString> to = args.get(kStepsTo);
    const std::optional<int> top = args.get(kTop);
    // Every step reads one state of the history.
    const ReadTransaction oneHistory(ctx.session().store().db());
    if (!from || !to || !top)
        return ctx.usage(QStringLiteral("backtest needs --from ISSUE, --to ISSUE and --top K"));
    if (!args.positional.isEmpty())
        return ctx.usage(QStringLiteral("unknown option %1").arg(args.positional.first()));

    Session& s = ctx.session();
    // The search of every step: the pattern from the draw before it, the
    // range up to it; the steps set both.
    const SearchRead read = readSearchOptions(args, SearchChoices::of(s));
    if (!read.ok())
        return ctx.usage(read.error);
    BacktestOptions options;
    options.search = searchOptions(s, read.choices, read.source);
    options.search.zodiacNumbers = s.zodiac().numbers();
    options.combination = args.has(kCombo);
    options.from = *from;
    options.to = *to;
    options.top = *top;
    const std::optional<QString> play = args.get(kPlay);
    if (play) {
        if (playByName(*play) != Play::PickOneNumber)
            return ctx.refuse(QStringLiteral("--play 只能是 选一数投，不是 %1。").arg(*play));
        if (const std::optional<QString> refusal = moneyPlayRefusal(options))
            return ctx.refuse(*refusal);
    }

    SessionBacktest batch(s);
    const BacktestResult r = batch.run(options);
    if (!r.ok)
        return ctx.refuse(r.message);
    std::optional<BacktestMoney> money;
    if (play) {
        const PrizeTableRead prizes = currentPrizeTable(s);
        for (const QString& problem : prizes.problems)
            ctx.err() << prizeTableFile(s) << ": " << problem << '\n';
        money = backtestMoney(r, prizes.table);
    }
    QTextStream& out = ctx.out();
    if (args.get(kTextOrJsonFormatOption).value_or(OutputFormat::Text) == OutputFormat::Json)
        writeJson(out, json(r, options.search, money));
    else
        printText(out, r, options.search, options.top, money);
    out.flush();
    return kExitOk;
}

std::vector<CommandOption> backtestOptions()
{
    std::vector<CommandOption> o = searchShapeOptions();
    o.insert(
        o.begin(),
        { { &kStepsFrom },
          { &kStepsTo },
          { &kTop },
          { &kCombo },
          { &kPlay },
          { &search_option::kSize, "with --combo: how many positions of the pattern each combination takes (1..6)" } });
    o.push_back({ &kTextOrJsonFormatOption });
    return o;
}

} // namespace

const CommandDecl& backtestCommand()
{
    static const CommandDecl command {
        "backtest",
        "backtest [SEARCH OPTIONS] [--combo --size N] [--play 选一数投] --from ISSUE --to ISSUE --top K",
        "checks a search on every stored draw of a range against chance (batch verification)",
        "Batch verification: for every stored draw from --from to --to that has a draw before it, runs the\n"
        "search as the verification tab does (the pattern from the draw before it, or N back; only the draws\n"
        "before it searched), takes the top K values of its ranking and counts how many of the draw's values\n"
        "at the tally positions are among them. The summary sets the hits against chance (the expected hits\n"
        "if the K values had been picked at random), with z, a one-sided p value and the 95% interval of the\n"
        "hit rate. Steps with nothing to search or no matched draw are listed unscored. The database is only\n"
        "read. --play 选一数投 (result kind number, result position 1, direct mode, not --combo) also counts\n"
        "money: every top value 01..18 of a scored step is a 2-yuan bet that wins the play's prize when the\n"
        "draw's 1st number is that value; the summary adds the stake, the prizes and the return beside the\n"
        "play's expected return.",
        backtestOptions(),
        runBacktest
    };
    return command;
}

} // namespace corvinel
