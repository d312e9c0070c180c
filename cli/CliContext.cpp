#include "cli/CliContext.h"

#include "core/DataFolder.h"
#include "core/IssueNumber.h"

#include <cstdio>

namespace corvinel {

namespace {

std::optional<QString> folderValue(const OptionDecl&, const QString& text, QString* error)
{
    if (text.isEmpty()) {
        *error = QStringLiteral("--data-dir needs a folder");
        return std::nullopt;
    }
    return text;
}

std::optional<int> gameValue(const OptionDecl&, const QString& text, QString* error)
{
    const auto v = issue::wholeNumber(text);
    if (!v || (*v != issue::kGuangdong && *v != issue::kHunan && *v != issue::kCode566 && *v != issue::kTianjin)) {
        *error = QStringLiteral("--game must be 544, 556, 566 or 568, not \"%1\"").arg(text);
        return std::nullopt;
    }
    return static_cast<int>(*v);
}

const Option<QString> kDataDir { "--data-dir", "DIR",
                                 "the data folder to use instead of the per-user one (created when missing)",
                                 folderValue };
const Option<int> kGame { "--game", "CODE",
                          "the game for this run only: 544 Guangdong, 568 Tianjin, 556 Hunan or 566 (97 draws a day)",
                          gameValue };

} // namespace

const std::vector<CommandOption>& CliContext::globalOptions()
{
    static const std::vector<CommandOption> options = { { &kDataDir }, { &kGame } };
    return options;
}

bool CliContext::parse(const QStringList& args, CliOptions* options, QString* error)
{
    ParsedArgs parsed;
    if (!parseArgs(globalOptions(), args, true, &parsed, error))
        return false;
    if (!parsed.refusedValue.isEmpty()) {
        *error = parsed.refusedValue;
        return false;
    }
    options->help = options->help || parsed.help;
    options->dataDir = parsed.get(kDataDir).value_or(QString());
    options->game = parsed.get(kGame);
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
    if (const QString note = m_session->historyNote(); !note.isEmpty())
        m_err << "corvinel-cli: " << note << Qt::endl;
    if (!m_session->store().isOpen()) {
        refuse(
            QStringLiteral("cannot open the history database in %1: %2").arg(folder, m_session->store().lastError()));
        return false;
    }
    if (const QString notice = m_session->store().copyNotice(); !notice.isEmpty())
        m_err << "corvinel-cli: " << notice << Qt::endl;
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
    case issue::kTianjin:
    case issue::kHunan:
    case issue::kCode566:
        return issue::gameName(lotteryCode);
    default:
        return QStringLiteral("unknown");
    }
}

} // namespace corvinel
