#include "core/DataFolder.h"

#include "core/IssueNumber.h"

#include <QDir>
#include <QStandardPaths>
#include <QStringList>

namespace corvinel {

QString resolveDataFolder(const QString& overrideDir)
{
    QString dir = overrideDir;
    if (dir.isEmpty())
        dir = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (dir.isEmpty())
        return {};
    QDir d(dir);
    if (!d.exists() && !d.mkpath(QStringLiteral(".")))
        return {};
    return d.absolutePath();
}

QString gameHistoryPath(const QString& dataFolder, int lotteryCode)
{
    return QDir(dataFolder).filePath(issue::gameName(lotteryCode));
}

QString gameHistoryFolder(const QString& dataFolder, int lotteryCode)
{
    const QString path = gameHistoryPath(dataFolder, lotteryCode);
    QDir d(path);
    if (!d.mkpath(QStringLiteral("历史号码")))
        return {};
    return d.absolutePath();
}

QString dataDirArgument(const QStringList& arguments)
{
    for (int i = 0; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        if (a == QLatin1String("--data-dir") && i + 1 < arguments.size())
            return arguments[i + 1];
        if (a.startsWith(QLatin1String("--data-dir=")))
            return a.mid(11);
    }
    return {};
}

} // namespace corvinel
