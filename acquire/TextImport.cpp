#include "acquire/TextImport.h"

namespace corvinel {

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
