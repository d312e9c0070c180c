#include "cli/CliContext.h"
#include "cli/SearchSetupArgs.h"
#include "core/IssueNumber.h"
#include "session/Session.h"
#include "session/SessionBacktest.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>

#include <cmath>

namespace corvinel {

namespace {

// The options of backtest beyond those that set up the search.
const char* const kOwnOptions[] = { "--combo", "--size", "--from", "--to", "--top", "--format" };

bool ownOption(const QString& name)
{
    for (const char* o : kOwnOptions)
        if (name == QLatin1String(o))
            return true;
    return false;
}

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

QJsonObject json(const BacktestResult& r, const SearchOptions& o)
{
    const BacktestSummary& s = r.summary;
    QJsonObject summary;
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

void printText(QTextStream& out, const BacktestResult& r, const SearchOptions& o, int top)
{
    const BacktestSummary& s = r.summary;
    out << "steps " << s.steps << ", scored " << s.scoredSteps << ", trials " << s.trials << ", hits " << s.hits
        << " (hit rate " << fixed(s.hitRate, 3) << ")\n";
    out << "chance: expected hits " << QString::number(s.expectedHits, 'f', 1) << " (rate " << fixed(s.chanceRate, 3)
        << "), z " << fixed(s.z, 2) << ", one-sided " << (s.pExact ? "exact " : "") << "p " << fixed(s.pValue, 3) << ", 95% interval of the hit rate "
        << fixed(s.ciLow, 3) << ".." << fixed(s.ciHigh, 3) << '\n';
    out << "A hit rate near the chance rate is what random draws give; the test says whether the top " << top
        << " values did better than picking them at random, not what the next draw holds.\n\n";
    out << "issue\tmatched\ttop\tactual\thits\tchance\n";
    for (const BacktestStep& step : r.steps) {
        out << issue::displayForm(step.sqqh) << '\t' << step.matched << '\t' << topTexts(step, o).join(u' ') << '\t'
            << texts(step.actual, o).join(u' ') << '\t';
        if (step.scored())
            out << step.hits << '\t' << QString::number(step.chance, 'f', 3);
        else
            out << '-' << '\t' << stateText(step.state);
        out << '\n';
    }
}

int runBacktest(CliContext& ctx, const ParsedArgs& args)
{
    // The search options go to the search's own reading; the rest are read here.
    ParsedArgs searchArgs;
    searchArgs.positional = args.positional;
    bool combo = false;
    std::optional<QString> from, to, size;
    std::optional<QString> top;
    QString format = QStringLiteral("text");
    for (const ParsedArgs::Given& g : args.options) {
        if (!ownOption(g.name)) {
            searchArgs.options.push_back(g);
            continue;
        }
        if (g.name == QLatin1String("--combo"))
            combo = true;
        else if (g.name == QLatin1String("--size"))
            size = g.value;
        else if (g.name == QLatin1String("--from"))
            from = g.value;
        else if (g.name == QLatin1String("--to"))
            to = g.value;
        else if (g.name == QLatin1String("--top"))
            top = g.value;
        else if (g.name == QLatin1String("--format"))
            format = g.value;
    }
    if (format != QLatin1String("text") && format != QLatin1String("json"))
        return ctx.usage(QStringLiteral("unknown format %1 (text or json)").arg(format));
    if (size && !combo)
        return ctx.usage(QStringLiteral("--size belongs to --combo"));
    if (!from || !to || !top)
        return ctx.usage(QStringLiteral("backtest needs --from ISSUE, --to ISSUE and --top K"));
    const auto k = issue::wholeNumber(*top);
    if (!k)
        return ctx.usage(QStringLiteral("--top takes a whole number, not \"%1\"").arg(*top));
    if (size)
        searchArgs.options.push_back({ QStringLiteral("--size"), *size });

    QString error;
    Session& s = ctx.session();
    const auto search = searchSetupFrom(s, searchArgs, &error);
    if (!search)
        return ctx.usage(error);
    BacktestOptions options;
    options.search = *search;
    options.search.zodiacNumbers = s.zodiac().numbers();
    options.combination = combo;
    options.from = *from;
    options.to = *to;
    options.top = static_cast<int>(std::clamp<std::int64_t>(*k, -1, 1000000));

    SessionBacktest batch(s);
    const BacktestResult r = batch.run(options);
    if (!r.ok)
        return ctx.refuse(r.message);
    QTextStream& out = ctx.out();
    if (format == QLatin1String("json"))
        out << QString::fromUtf8(QJsonDocument(json(r, options.search)).toJson(QJsonDocument::Compact)) << '\n';
    else
        printText(out, r, options.search, options.top);
    out.flush();
    return kExitOk;
}

std::vector<OptionDecl> backtestOptions()
{
    std::vector<OptionDecl> o = searchSetupOptions();
    o.insert(o.begin(),
             { { "--from", "ISSUE", "the first draw to verify, as shown (e.g. 2025091501)" },
               { "--to", "ISSUE", "the last draw to verify" },
               { "--top", "K", "how many of the top values of each ranking count as picked (1 or more)" },
               { "--combo", nullptr, "verify the combination search instead of the follow-pattern search" },
               { "--size", "N", "with --combo: how many positions of the pattern each combination takes (1..6)" } });
    o.push_back({ "--format", "FORMAT", "text (the default) or json" });
    return o;
}

} // namespace

const CommandDecl& backtestCommand()
{
    static const CommandDecl command {
        "backtest",
        "backtest [SEARCH OPTIONS] [--combo --size N] --from ISSUE --to ISSUE --top K",
        "checks a search on every stored draw of a range against chance (batch verification)",
        "Batch verification: for every stored draw from --from to --to that has a draw before it, runs the\n"
        "search as the verification tab does (the pattern from the draw before it, or N back; only the draws\n"
        "before it searched), takes the top K values of its ranking and counts how many of the draw's values\n"
        "at the tally positions are among them. The summary sets the hits against chance (the expected hits\n"
        "if the K values had been picked at random), with z, a one-sided p value and the 95% interval of the\n"
        "hit rate. Steps with nothing to search or no matched draw are listed unscored. The database is only\n"
        "read.",
        backtestOptions(),
        runBacktest
    };
    return command;
}

} // namespace corvinel
