#include "cli/CliContext.h"
#include "cli/Output.h"
#include "analysis/Tickets.h"
#include "core/IssueNumber.h"
#include "session/PrizeTables.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonObject>

namespace corvinel {

namespace {

const Option<QString> kFrom { "--from", "ISSUE", "the first draw to check against, as shown (default: the last draw)",
                              anyText };
const Option<QString> kTo { "--to", "ISSUE", "the last draw to check against (default: the last draw)", anyText };
const OptionDecl kSkipRefused { "--skip-refused", nullptr,
                                "list refused lines on stderr and check the others instead of refusing the file" };

QString percent(double rate)
{
    return QString::number(rate * 100, 'f', 1) + QStringLiteral(" %");
}

QString drawNumbers(const HistorySnapshot& history, std::int64_t sqqh)
{
    const std::optional<int> i = history.indexOf(sqqh);
    if (!i)
        return {};
    QStringList nums;
    for (int p = 1; p <= 8; ++p)
        nums << QStringLiteral("%1").arg(history.row(*i).value(p, 0), 2, 10, QLatin1Char('0'));
    return nums.join(u' ');
}

QJsonObject json(const TicketCheckResult& r)
{
    QJsonArray tickets;
    for (const CheckedTicket& c : r.tickets) {
        QJsonObject t;
        t.insert(QStringLiteral("line"), c.ticket.line);
        t.insert(QStringLiteral("play"), playName(c.ticket.play));
        t.insert(QStringLiteral("bets"), static_cast<qint64>(c.bets));
        t.insert(QStringLiteral("cost"), static_cast<qint64>(c.cost));
        t.insert(QStringLiteral("wins"), static_cast<qint64>(c.wins));
        t.insert(QStringLiteral("won"), static_cast<qint64>(c.won));
        tickets.append(t);
    }
    QJsonObject summary;
    summary.insert(QStringLiteral("bets"), static_cast<qint64>(r.totals.bets));
    summary.insert(QStringLiteral("cost"), static_cast<qint64>(r.totals.cost));
    summary.insert(QStringLiteral("won"), static_cast<qint64>(r.totals.won));
    summary.insert(QStringLiteral("return"), r.totals.returnRate);
    summary.insert(QStringLiteral("expected_return"), r.totals.expectedReturn);
    QJsonObject out;
    out.insert(QStringLiteral("draws"), static_cast<qint64>(r.issues.size()));
    out.insert(QStringLiteral("tickets"), tickets);
    out.insert(QStringLiteral("summary"), summary);
    return out;
}

void printText(QTextStream& out, const TicketCheckResult& r, const HistorySnapshot& history)
{
    const std::size_t draws = r.issues.size();
    out << "对照 " << draws << " 期开奖";
    if (draws > 0)
        out << "（" << issue::displayForm(r.issues.front()) << " 至 " << issue::displayForm(r.issues.back()) << "）";
    out << '\n';
    for (const CheckedTicket& c : r.tickets) {
        out << "第 " << c.ticket.line << " 行 " << c.ticket.text() << "：" << c.bets << " 注，投入 " << c.cost
            << " 元，中奖 " << c.wins << " 注，奖金 " << c.won << " 元\n";
        for (const auto& [sqqh, wins] : c.winningDraws)
            out << "  " << issue::displayForm(sqqh) << "  " << drawNumbers(history, sqqh) << "  中 " << wins
                << " 注\n";
    }
    out << "合计 " << r.totals.bets << " 注 × " << draws << " 期，投入 " << r.totals.cost << " 元，返还 "
        << r.totals.won << " 元，返奖率 " << (r.totals.cost > 0 ? percent(r.totals.returnRate) : QStringLiteral("-"))
        << "（理论 " << percent(r.totals.expectedReturn) << "）\n";
}

int runTickets(CliContext& ctx, const ParsedArgs& args)
{
    if (args.positional.size() != 1)
        return ctx.usage(QStringLiteral("tickets takes one argument: FILE"));
    QFile file(args.positional.first());
    if (!file.open(QIODevice::ReadOnly))
        return ctx.refuse(QStringLiteral("无法读取 %1：%2").arg(file.fileName(), file.errorString()));
    const TicketParse parsed = parseTickets(QString::fromUtf8(file.readAll()));
    for (const RefusedTicket& refused : parsed.refused)
        ctx.err() << refused.message() << '\n';
    ctx.err().flush();
    if (!parsed.refused.empty() && !args.has(kSkipRefused))
        return ctx.refuse(QStringLiteral("%1 行不能兑奖，什么也没有核对（--skip-refused 跳过这些行）。")
                              .arg(parsed.refused.size()));
    if (parsed.tickets.empty())
        return ctx.refuse(QStringLiteral("%1 中没有可兑奖的投注。").arg(file.fileName()));

    Session& s = ctx.session();
    const PrizeTableRead prizes = currentPrizeTable(s);
    for (const QString& problem : prizes.problems)
        ctx.err() << prizeTableFile(s) << ": " << problem << '\n';
    const QString note = currentPrizeTableNote(s, prizes.table);
    if (!note.isEmpty())
        ctx.err() << note << '\n';
    ctx.err().flush();
    const HistorySnapshot& history = s.snapshot();
    const TicketCheckResult r = checkTickets(history, parsed.tickets, prizes.table, args.get(kFrom).value_or(QString()),
                                             args.get(kTo).value_or(QString()));
    if (!r.ok)
        return ctx.refuse(r.message);
    if (args.get(kTextOrJsonFormatOption).value_or(OutputFormat::Text) == OutputFormat::Json)
        writeJson(ctx.out(), json(r));
    else
        printText(ctx.out(), r, history);
    ctx.out().flush();
    return kExitOk;
}

} // namespace

const CommandDecl& ticketsCommand()
{
    static const CommandDecl command {
        "tickets",
        "tickets FILE [--from ISSUE --to ISSUE] [--skip-refused] [--format text|json]",
        "checks tickets against the stored draws: wins, prizes and return",
        "Reads a ticket file, one ticket a line: the play's name (选一数投, 选一红投, 任选二, 选二连组, 选二连直,\n"
        "任选三, 选三前组, 选三前直, 任选四, 任选五), then its numbers 01..20 separated by anything that is not\n"
        "a digit. As many numbers as the play picks are one bet; more make a 复式 ticket (every choice of them\n"
        "is a bet, for 直 plays every ordered choice); \"PLAY B... | D...\" is a 胆拖 ticket (every bet holds\n"
        "the bankers B and the rest from D; 任选二..五, 选二连组, 选三前组). Every ticket is checked against every\n"
        "stored draw of the range (default the last draw; --from alone runs to the last draw), with the prizes\n"
        "of the game's prize table. A line that cannot be read refuses the file, with its line number and\n"
        "reason, unless --skip-refused.",
        { { &kFrom }, { &kTo }, { &kSkipRefused }, { &kTextOrJsonFormatOption } },
        runTickets
    };
    return command;
}

} // namespace corvinel
