#include "cli/CliContext.h"

#include "core/DataFolder.h"
#include "core/IssueNumber.h"

#include <cstdio>

namespace corvinel {

bool CliContext::parse(const QStringList& args, CliOptions* options, QString* error)
{
    int i = 0;
    for (; i < args.size(); ++i) {
        const QString& a = args[i];
        if (!a.startsWith(QLatin1String("--")))
            break;
        auto valueOf = [&](const QString& name, QString* value) {
            if (a == name) {
                if (i + 1 >= args.size()) {
                    *error = QStringLiteral("%1 needs a value").arg(name);
                    return false;
                }
                *value = args[++i];
                return true;
            }
            *value = a.mid(name.size() + 1);
            return true;
        };
        if (a == QLatin1String("--help")) {
            options->help = true;
        } else if (a == QLatin1String("--data-dir") || a.startsWith(QLatin1String("--data-dir="))) {
            if (!valueOf(QStringLiteral("--data-dir"), &options->dataDir))
                return false;
            if (options->dataDir.isEmpty()) {
                *error = QStringLiteral("--data-dir needs a folder");
                return false;
            }
        } else if (a == QLatin1String("--game") || a.startsWith(QLatin1String("--game="))) {
            QString code;
            if (!valueOf(QStringLiteral("--game"), &code))
                return false;
            const auto v = issue::wholeNumber(code);
            if (!v
                || (*v != issue::kGuangdong && *v != issue::kHunan && *v != issue::kCode566 && *v != issue::kTianjin)) {
                *error = QStringLiteral("--game must be 544, 556, 566 or 568, not \"%1\"").arg(code);
                return false;
            }
            options->game = static_cast<int>(*v);
        } else {
            *error = QStringLiteral("unknown option %1").arg(a);
            return false;
        }
    }
    if (i < args.size()) {
        options->command = args[i];
        options->arguments = args.mid(i + 1);
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
