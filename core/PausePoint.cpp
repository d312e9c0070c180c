#include "core/PausePoint.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QThread>

namespace corvinel {

void pausePoint(const char* name)
{
    const QByteArray at = qgetenv("CORVINEL_PAUSE_AT");
    if (at.isEmpty() || at != name)
        return;
    const QDir dir(QString::fromLocal8Bit(qgetenv("CORVINEL_PAUSE_DIR")));
    const QString point = QString::fromLatin1(name);
    QFile reached(dir.filePath(point + QStringLiteral(".reached")));
    if (!reached.open(QIODevice::WriteOnly))
        return;
    reached.close();
    const QString go = dir.filePath(point + QStringLiteral(".go"));
    const QDeadlineTimer deadline(60000);
    while (!QFile::exists(go) && !deadline.hasExpired())
        QThread::msleep(5);
}

} // namespace corvinel
