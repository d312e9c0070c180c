// The search options of search, combo and backtest, read from random command
// lines, equal the choices built straight from what the line stands for: the
// last occurrence of each choice decides, every spelling of a value (kind
// names or indexes, "--x=v" or "--x v", unsorted and repeated positions,
// padded pattern values) reads alike, and backtest's own --from/--to never
// become a search range.
#include "cli/CliArgs.h"
#include "cli/SearchOptionSet.h"

#include <gtest/gtest.h>

#include <random>

using namespace corvinel;

namespace {

enum class Choice
{
    Kind,
    ResultKind,
    Positions,
    Fixed,
    Free,
    Previous,
    Back,
    ResultPosition,
    Group,
    Direct,
    Size,
    From,
    To,
    Pattern,
    Verify,
    OnlyBefore,
    Count
};

// One option on the line, as a value (not as text).
struct Given
{
    Choice choice;
    int number = 0;
    std::array<bool, 9> ticked {};
    std::array<QString, 9> typed; // what the session gets: texts without padding
    QString text;
};

enum class Command
{
    Search,
    Combo,
    Backtest
};

bool takes(Command command, Choice c)
{
    switch (c) {
    case Choice::Size:
        return command != Command::Search;
    case Choice::Pattern:
    case Choice::Verify:
    case Choice::OnlyBefore:
        return command != Command::Backtest;
    default:
        return true; // backtest's --from and --to are its own
    }
}

const char* optionName(Choice c)
{
    static const char* names[]
        = { "--kind",  "--result-kind", "--positions", "--fixed", "--free", "--prev",    "--back",   "--result-pos",
            "--group", "--direct",      "--size",      "--from",  "--to",   "--pattern", "--verify", "--only-before" };
    return names[static_cast<int>(c)];
}

struct LineMaker
{
    std::mt19937 rng;

    int uniform(int low, int high) { return std::uniform_int_distribution<int>(low, high)(rng); }
    bool coin() { return uniform(0, 1) == 1; }

    Given make(Command command)
    {
        Given g;
        do
            g.choice = static_cast<Choice>(uniform(0, static_cast<int>(Choice::Count) - 1));
        while (!takes(command, g.choice));
        switch (g.choice) {
        case Choice::Kind:
        case Choice::ResultKind:
            g.number = uniform(0, 5);
            break;
        case Choice::Positions:
            for (int p = 1; p <= 8; ++p)
                g.ticked[static_cast<std::size_t>(p)] = uniform(0, 2) == 0;
            break;
        case Choice::Back:
            g.number = uniform(1, 9);
            break;
        case Choice::ResultPosition:
            g.number = uniform(1, 8);
            break;
        case Choice::Size:
            g.number = uniform(-40000, 40000);
            break;
        case Choice::From:
        case Choice::To:
        case Choice::Verify:
            g.text = QStringLiteral("20250%1").arg(uniform(90000, 99999));
            break;
        case Choice::Pattern:
            for (int p = 1; p <= 8; ++p)
                g.typed[static_cast<std::size_t>(p)] = QString::number(uniform(0, 99));
            break;
        default:
            break;
        }
        return g;
    }

    // The value as a user may write it.
    QString valueText(const Given& g)
    {
        static const char* kinds[] = { "number", "zodiac", "head", "tail", "sum", "segment" };
        switch (g.choice) {
        case Choice::Kind:
        case Choice::ResultKind:
            return coin() ? QString::fromLatin1(kinds[g.number]) : QString::number(g.number);
        case Choice::Positions: {
            QStringList parts;
            for (int p = 1; p <= 8; ++p)
                for (int n = g.ticked[static_cast<std::size_t>(p)] ? uniform(1, 2) : 0; n > 0; --n)
                    parts << QString::number(p);
            std::shuffle(parts.begin(), parts.end(), rng);
            return parts.isEmpty() ? QStringLiteral("none") : parts.join(u',');
        }
        case Choice::Pattern: {
            QStringList parts;
            for (int p = 1; p <= 8; ++p)
                parts << QString(uniform(0, 1), u' ') + g.typed[static_cast<std::size_t>(p)]
                        + QString(uniform(0, 1), u' ');
            return parts.join(u',');
        }
        case Choice::Back:
        case Choice::ResultPosition:
        case Choice::Size:
            return QString::number(g.number);
        default:
            return g.text;
        }
    }

    QStringList render(const std::vector<Given>& line)
    {
        QStringList args;
        for (const Given& g : line) {
            const QString name = QString::fromLatin1(optionName(g.choice));
            const bool flag = g.choice == Choice::Fixed || g.choice == Choice::Free || g.choice == Choice::Previous
                || g.choice == Choice::Group || g.choice == Choice::Direct || g.choice == Choice::OnlyBefore;
            if (flag)
                args << name;
            else if (coin())
                args << name + u'=' + valueText(g);
            else
                args << name << valueText(g);
        }
        return args;
    }
};

const Given* lastOf(const std::vector<Given>& line, std::initializer_list<Choice> choices)
{
    for (auto it = line.rbegin(); it != line.rend(); ++it)
        if (std::find(choices.begin(), choices.end(), it->choice) != choices.end())
            return &*it;
    return nullptr;
}

// The choices the line stands for, built straight from it: the last
// occurrence of each choice decides, the rest stays as the session holds it.
SearchChoices expectedChoices(Command command, const std::vector<Given>& line, const SearchChoices& base)
{
    SearchChoices e = base;
    if (const Given* g = lastOf(line, { Choice::Kind }))
        e.kind = g->number;
    if (const Given* g = lastOf(line, { Choice::ResultKind }))
        e.resultKind = g->number;
    const Given* positions = lastOf(line, { Choice::Positions });
    e.positions = positions ? positions->ticked : std::array<bool, 9> {};
    if (const Given* g = lastOf(line, { Choice::Fixed, Choice::Free }))
        e.freePosition = g->choice == Choice::Free;
    if (const Given* g = lastOf(line, { Choice::Previous, Choice::Back }))
        e.previousIssue = g->choice == Choice::Previous;
    if (const Given* g = lastOf(line, { Choice::Back }))
        e.lookBack = g->number;
    if (const Given* g = lastOf(line, { Choice::ResultPosition }))
        e.resultPosition = g->number;
    if (const Given* g = lastOf(line, { Choice::Group, Choice::Direct }))
        e.group = g->choice == Choice::Group;
    if (const Given* g = lastOf(line, { Choice::Size }))
        e.combinationSize = g->number;
    e.rangeFrom.reset();
    e.rangeTo.reset();
    if (command != Command::Backtest) {
        if (const Given* g = lastOf(line, { Choice::From }))
            e.rangeFrom = g->text;
        if (const Given* g = lastOf(line, { Choice::To }))
            e.rangeTo = g->text;
    }
    return e;
}

SearchChoices randomBase(LineMaker& m)
{
    SearchChoices b;
    b.kind = m.uniform(0, 5);
    b.resultKind = m.uniform(0, 5);
    b.freePosition = m.coin();
    b.previousIssue = m.coin();
    b.lookBack = m.uniform(1, 9);
    b.resultPosition = m.uniform(1, 8);
    b.group = m.coin();
    b.combinationSize = m.uniform(1, 6);
    b.positions = { false, true, m.coin(), m.coin() }; // the session's ticks, which the line replaces
    b.rangeFrom = QStringLiteral("2025090101"); // the session's range, which the line replaces
    return b;
}

} // namespace

TEST(SearchOptionRead, RandomLinesReadAsTheChoicesTheyStandFor)
{
    LineMaker m { std::mt19937(2026) };
    const CommandDecl* commands[] = { &searchCommand(), &comboCommand(), &backtestCommand() };
    int errors = 0;
    for (int round = 0; round < 3000; ++round) {
        const auto command = static_cast<Command>(round % 3);
        std::vector<Given> line(static_cast<std::size_t>(m.uniform(0, 10)));
        for (Given& g : line)
            g = m.make(command);
        const SearchChoices base = randomBase(m);
        const QStringList args = m.render(line);
        SCOPED_TRACE(args.join(u' ').toStdString());

        ParsedArgs parsed;
        QString error;
        ASSERT_TRUE(parseArgs(commands[round % 3]->options, args, false, &parsed, &error)) << error.toStdString();
        const bool sizeRefused = std::any_of(line.begin(), line.end(), [](const Given& g) {
            return g.choice == Choice::Size && (g.number < -32768 || g.number > 32767);
        });
        EXPECT_EQ(parsed.refusedValue.isEmpty(), !sizeRefused) << parsed.refusedValue.toStdString();
        if (sizeRefused) {
            EXPECT_TRUE(parsed.refusedValue.startsWith(QLatin1String("--size takes a whole number")));
            continue;
        }
        const SearchRead read = readSearchOptions(parsed, base);
        const Given* pattern = lastOf(line, { Choice::Pattern });
        const Given* verify = lastOf(line, { Choice::Verify });
        const bool onlyBefore = lastOf(line, { Choice::OnlyBefore }) != nullptr;
        if ((pattern && verify) || (onlyBefore && !verify)) {
            EXPECT_FALSE(read.ok());
            ++errors;
            continue;
        }
        ASSERT_TRUE(read.ok()) << read.error.toStdString();

        const SearchChoices e = expectedChoices(command, line, base);
        const SearchChoices& c = read.choices;
        EXPECT_EQ(c.kind, e.kind);
        EXPECT_EQ(c.resultKind, e.resultKind);
        EXPECT_EQ(c.freePosition, e.freePosition);
        EXPECT_EQ(c.previousIssue, e.previousIssue);
        EXPECT_EQ(c.lookBack, e.lookBack);
        EXPECT_EQ(c.resultPosition, e.resultPosition);
        EXPECT_EQ(c.group, e.group);
        EXPECT_EQ(c.combinationSize, e.combinationSize);
        EXPECT_EQ(c.positions, e.positions);
        EXPECT_EQ(c.rangeFrom, e.rangeFrom);
        EXPECT_EQ(c.rangeTo, e.rangeTo);

        const PatternSource& s = read.source;
        if (pattern) {
            EXPECT_EQ(s.from, PatternSource::From::Typed);
            EXPECT_EQ(s.typed, pattern->typed);
        } else if (verify) {
            EXPECT_EQ(s.from, PatternSource::From::Verification);
            EXPECT_EQ(s.issue, verify->text);
            EXPECT_EQ(s.onlyBefore, onlyBefore);
        } else {
            EXPECT_EQ(s.from, PatternSource::From::ReferenceDraw);
        }
    }
    // Both kinds of line came up: the ones read and the contradictory ones.
    EXPECT_GT(errors, 100);
    EXPECT_LT(errors, 2000);
}
