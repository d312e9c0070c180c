#include "core/DiskSpace.h"

#include <QFileInfo>
#include <QStorageInfo>

namespace corvinel {

QString writeFailureText(const QString& path, qint64 bytes, const QString& otherwise)
{
    const QStorageInfo volume(QFileInfo(path).absolutePath());
    if (volume.isValid() && volume.bytesAvailable() < bytes + 65536)
        return QStringLiteral("磁盘空间不足");
    return otherwise;
}

} // namespace corvinel
