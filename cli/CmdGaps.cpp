#include "cli/CliContext.h"
#include "cli/Output.h"
#include "core/IssueNumber.h"
#include "analysis/ResultTable.h"
#include "store/IssueGaps.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace corvinel {

namespace {

constexpr const char* kUsage = "gaps takes only --format text|json";

} // namespace

void reportMissingIssues(CliContext& ctx)
{
    Session& s = ctx.session();
    const QString line = gaps::summaryLine(gaps::ofHistory(s.store(), s.choices().lotteryCode, s.choices().drawsPerDay));
    if (!line.isEmpty())
        ctx.out() << line << '\n';
}

// gaps [--format text|json]: the missing issues of the stored history.
int runGaps(CliContext& ctx, const ParsedArgs& args)
{
    if (!args.positional.isEmpty())
        return ctx.usage(QString::fromLatin1(kUsage));
    const OutputFormat format = args.get(kTextOrJsonFormatOption).value_or(OutputFormat::Text);
    Session& s = ctx.session();
    const GapReport report = gaps::ofHistory(s.store(), s.choices().lotteryCode, s.choices().drawsPerDay);
    if (format == OutputFormat::Json) {
        QJsonArray list;
        for (const IssueGap& g : report.gaps)
            list.append(QJsonObject { { "after", issue::displayForm(g.after) },
                                      { "before", issue::displayForm(g.before) },
                                      { "missing", g.missing } });
        // The members in the order the documentation shows them.
        QByteArray text = "{\"missing\":" + QByteArray::number(static_cast<qint64>(report.missing));
        text += ",\"gaps\":" + QJsonDocument(list).toJson(QJsonDocument::Compact);
        text += ",\"days_without_draws\":" + QByteArray::number(report.daysWithoutDraws) + '}';
        writeJson(ctx.out(), text);
        ctx.out().flush();
        return kExitOk;
    }
    QTextStream& out = ctx.out();
    out << "missing issues: " << report.missing << " in " << report.gaps.size() << " gaps\n";
    out << "days without draws: " << report.daysWithoutDraws << '\n';
    if (!report.gaps.empty()) {
        ResultTable table;
        table.header = QStringList { QStringLiteral("after"), QStringLiteral("before"), QStringLiteral("missing"),
                                     QStringLiteral("issues") };
        for (const IssueGap& g : report.gaps) {
            table.cells.push_back(issue::displayForm(g.after));
            table.cells.push_back(issue::displayForm(g.before));
            table.cells.push_back(QString::number(g.missing));
            table.cells.push_back(gaps::missingText(g));
        }
        TextLayout layout;
        layout.others = { TextLayout::Align::Left, 0, true };
        writeText(out, table, layout);
    }
    out.flush();
    return kExitOk;
}

const CommandDecl& gapsCommand()
{
    static const CommandDecl command {
        "gaps",
        "gaps [--format text|json]",
        "lists the missing issues of the stored history",
        "Lists where the stored history misses issues: two stored draws are consecutive when the second is the\n"
        "next sequence number of the same day, or the first draw of a later day after the day's last draw (whole\n"
        "days without draws are pauses of the lottery, not holes). Each gap names the stored draws around it.",
        { { &kTextOrJsonFormatOption, "text (the default) or json", kUsage } },
        runGaps,
        [](const QString&) { return QString::fromLatin1(kUsage); }
    };
    return command;
}

} // namespace corvinel
