#include "cli/CliContext.h"

#include "core/DataFolder.h"
#include "core/IssueNumber.h"

#include <cstdio>

namespace corvinel {

const std::vector<OptionDecl>& CliContext::globalOptions()
{
    static const std::vector<OptionDecl> options = {
        { "--data-dir", "DIR", "the data folder to use instead of the per-user one (created when missing)" },
        { "--game", "CODE",
          "the game for this run only: 544 Guangdong, 568 Tianjin, 556 Hunan or 566 (97 draws a day)" },
    };
    return options;
}

bool CliContext::parse(const QStringList& args, CliOptions* options, QString* error)
{
    ParsedArgs parsed;
    if (!parseArgs(globalOptions(), args, true, &parsed, error))
        return false;
    options->help = options->help || parsed.help;
    for (const ParsedArgs::Given& given : parsed.options) {
        if (given.name == QLatin1String("--data-dir")) {
            options->dataDir = given.value;
            if (options->dataDir.isEmpty()) {
                *error = QStringLiteral("--data-dir needs a folder");
                return false;
            }
        } else {
            const QString& code = given.value;
            const auto v = issue::wholeNumber(code);
            if (!v
                || (*v != issue::kGuangdong && *v != issue::kHunan && *v != issue::kCode566 && *v != issue::kTianjin)) {
                *error = QStringLiteral("--game must be 544, 556, 566 or 568, not \"%1\"").arg(code);
                return false;
            }
            options->game = static_cast<int>(*v);
        }
    }
    if (!parsed.positional.isEmpty()) {
        options->command = parsed.positional.first();
        options->arguments = parsed.positional.mid(1);
    }
    return true;
}

CliContext::CliContext(CliOptions options)
    : m_options(std::move(options))
    , m_out(stdout)
    , m_err(stderr)
{
}

bool CliContext::start()
{
    const QString folder = resolveDataFolder(m_options.dataDir);
    if (folder.isEmpty()) {
        refuse(QStringLiteral("cannot use the data folder %1").arg(m_options.dataDir));
        return false;
    }
    m_session = std::make_unique<Session>(std::make_unique<Settings>(), folder);
    if (m_options.game)
        m_session->setGameOverride(*m_options.game);
    // A command reads the history's rows only if it uses them; everything
    // else it decides about the stored draws is asked of the database.
    m_session->setHistoryRowsOnDemand(true);
    m_session->startUp();
    if (!m_session->store().isOpen()) {
        refuse(
            QStringLiteral("cannot open the history database in %1: %2").arg(folder, m_session->store().lastError()));
        return false;
    }
    return true;
}

int CliContext::refuse(const QString& message)
{
    m_err << "corvinel-cli: " << message << Qt::endl;
    return kExitRefused;
}

int CliContext::usage(const QString& message)
{
    m_err << "corvinel-cli: " << message << Qt::endl;
    return kExitUsage;
}

QString gameName(int lotteryCode)
{
    switch (lotteryCode) {
    case issue::kGuangdong:
        return QStringLiteral("广东快乐十分");
    case issue::kTianjin:
        return QStringLiteral("天津快乐十分");
    case issue::kHunan:
        return QStringLiteral("湖南快乐十分");
    case issue::kCode566:
        return QStringLiteral("566");
    default:
        return QStringLiteral("unknown");
    }
}

} // namespace corvinel
