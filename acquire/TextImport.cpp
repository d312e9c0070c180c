#include "TextImport.h"

#include <QFile>

namespace corvinel {

std::vector<PlainDraw> plainDraws(const std::vector<DrawLine>& lines)
{
    std::vector<PlainDraw> out;
    out.reserve(lines.size());
    for (const DrawLine& l : lines)
        out.push_back(PlainDraw {l.sqqh, l.numbers});
    return out;
}

bool readDrawLineFile(const QString& path, std::int64_t runningIssue, DrawLineResult* result, QString* error)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QStringLiteral("cannot open %1: %2").arg(path, f.errorString());
        return false;
    }
    const QByteArray bytes = f.readAll();
    if (f.error() != QFileDevice::NoError) {
        if (error)
            *error = QStringLiteral("cannot read %1: %2").arg(path, f.errorString());
        return false;
    }
    *result = readDrawLines(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())), runningIssue);
    return true;
}

ImportOutcome importTextFile(const QString& path, std::int64_t runningIssue, const HistorySnapshot& before,
                             HistoryMaintenance& maintenance, const EncoderBases& bases, const ProgressFn& progress)
{
    ImportOutcome out;
    DrawLineResult read;
    if (!readDrawLineFile(path, runningIssue, &read, &out.error)) {
        out.unreadable = true;
        return out;
    }
    out.lineCount = read.lineCount;
    out.skipped = std::move(read.skipped);
    if (read.draws.empty()) {
        out.noUsableLine = true;
        out.error = QStringLiteral("%1 holds no usable draw line; the history was left as it was").arg(path);
        return out;
    }
    const MaintenanceOutcome m = maintenance.replaceAll(plainDraws(read.draws), before, bases, progress);
    out.ok = m.ok;
    out.cancelled = m.cancelled;
    out.error = m.error;
    out.imported = m.ok ? m.written : 0;
    return out;
}

bool isImportableFileName(const QString& path)
{
    return !path.isEmpty() && path.toLower().endsWith(QLatin1String("txt"));
}

} // namespace corvinel
