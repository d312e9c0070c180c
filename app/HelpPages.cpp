#include "app/HelpPages.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace corvinel::help {

QString helpFolder()
{
    const QString appDir = QCoreApplication::applicationDirPath();
    const QStringList candidates = {
        appDir + QStringLiteral("/../share/corvinel/help"),
        appDir + QStringLiteral("/help"),
        QStringLiteral(CORVINEL_SOURCE_HELP_DIR),
    };
    for (const QString& c : candidates) {
        if (QFileInfo::exists(c + QLatin1Char('/') + QLatin1String(kFrontPage)))
            return QDir(c).absolutePath();
    }
    return {};
}

QUrl pageUrl(const char* page)
{
    const QString folder = helpFolder();
    if (folder.isEmpty())
        return {};
    return QUrl::fromLocalFile(folder + QLatin1Char('/') + QLatin1String(page));
}

} // namespace corvinel::help
