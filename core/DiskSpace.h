#pragma once

#include <QString>

namespace corvinel {

// "磁盘空间不足" when the volume of `path` has less free space than `bytes`
// (plus a little), else `otherwise`: a write that failed on a full disk says
// so instead of Qt's vague text.
QString writeFailureText(const QString& path, qint64 bytes, const QString& otherwise);

} // namespace corvinel
