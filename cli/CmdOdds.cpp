#include "cli/CliContext.h"
#include "cli/Output.h"
#include "analysis/Plays.h"
#include "session/PrizeTables.h"

#include <QJsonArray>
#include <QJsonObject>

namespace corvinel {

namespace {

// odds [--format text|json]: every play of the game with its prize, exact
// chance, expected prize and return.
int runOdds(CliContext& ctx, const ParsedArgs& args)
{
    if (!args.positional.isEmpty())
        return ctx.usage(QStringLiteral("odds takes no arguments but --format"));
    const Session& s = ctx.session();
    const PrizeTableRead read = currentPrizeTable(s);
    for (const QString& problem : read.problems)
        ctx.err() << prizeTableFile(s) << ": " << problem << '\n';
    ctx.err().flush();
    const QString note = currentPrizeTableNote(s, read.table);
    QTextStream& out = ctx.out();
    if (args.get(kTextOrJsonFormatOption).value_or(OutputFormat::Text) == OutputFormat::Json) {
        QJsonArray plays;
        for (const PlayRule& r : playRules()) {
            const PlayOdds o = playOdds(r.play, read.table);
            QJsonObject p;
            p.insert(QStringLiteral("play"), QString::fromUtf8(r.name));
            p.insert(QStringLiteral("pick"), r.pick);
            p.insert(QStringLiteral("prize"), static_cast<qint64>(o.prize));
            p.insert(QStringLiteral("probability"), o.probability.value());
            p.insert(QStringLiteral("return"), o.returnRate.value());
            plays.append(p);
        }
        QJsonObject doc;
        doc.insert(QStringLiteral("game"), s.choices().lotteryCode);
        doc.insert(QStringLiteral("plays"), plays);
        writeJson(out, doc);
        if (!note.isEmpty())
            ctx.err() << note << '\n';
    } else {
        out << gameName(s.choices().lotteryCode) << "，每注 " << kBetPrice << " 元\n";
        if (!note.isEmpty())
            out << note << '\n';
        TextLayout layout;
        layout.others.align = TextLayout::Align::Right;
        writeText(out, oddsTable(read.table), layout);
        out << "返奖率 = 每注期望奖金 ÷ 2：长期平均每投入 1 元返还的金额。任何选号方法都不改变它。\n";
    }
    out.flush();
    ctx.err().flush();
    return kExitOk;
}

} // namespace

const CommandDecl& oddsCommand()
{
    static const CommandDecl command {
        "odds",
        "odds [--format text|json]",
        "lists every play with its prize, exact chance and return",
        "For every play of the current game: the prize of a winning 2-yuan bet, the exact chance that one bet\n"
        "wins (a fraction and its decimal), the expected prize per bet and the return (expected prize / 2).\n"
        "The prizes come from the game's prize table file in the data folder (one line per play: name and\n"
        "prize); without that file they are Guangdong's published prizes, with a note for the other games.",
        { { &kTextOrJsonFormatOption } },
        runOdds
    };
    return command;
}

} // namespace corvinel
