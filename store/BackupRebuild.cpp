#include "store/BackupRebuild.h"

#include "store/HistorySnapshot.h"
#include "store/HistoryStore.h"
#include "core/IssueNumber.h"
#include "store/DrawLineReader.h"

#include <algorithm>

namespace corvinel {

MaintenanceOutcome rebuildFromBackup(const QString& backupPath, std::int64_t runningIssue,
                                     HistoryMaintenance& maintenance, const EncoderBases& bases,
                                     const ProgressFn& progress)
{
    DrawLineResult read;
    QString error;
    if (!readDrawLineFile(backupPath, runningIssue, &read, &error)) {
        MaintenanceOutcome o;
        o.error = error + QStringLiteral("，历史号码没有改变");
        return o;
    }
    return maintenance.rebuild(plainDraws(read.draws), bases, progress);
}

int rowsUpTo(const HistorySnapshot& snapshot, std::int64_t t)
{
    int n = 0;
    while (n < snapshot.recordCount() && snapshot.row(n).sqqh <= t)
        ++n;
    return n;
}

bool writeBackupWithoutLast(const QString& backupPath, const HistorySnapshot& snapshot, int n, QString* error)
{
    const int keep = std::max(0, snapshot.recordCount() - n);
    return HistoryMaintenance::writeFileAtomically(backupPath, HistoryMaintenance::backupText(snapshot, keep), error);
}

bool writeBackupUpTo(const QString& backupPath, const HistorySnapshot& snapshot, std::int64_t t, QString* error)
{
    return HistoryMaintenance::writeFileAtomically(
        backupPath, HistoryMaintenance::backupText(snapshot, rowsUpTo(snapshot, t)), error);
}

std::optional<int> deleteCountAnswer(const QString& answer)
{
    const auto v = issue::wholeNumber(answer);
    if (!v || *v > 1000000000 || *v < -1000000000)
        return std::nullopt;
    return static_cast<int>(*v);
}

std::optional<std::int64_t> deleteAfterAnswer(const QString& answer, int lotteryCode)
{
    const QString s = answer.trimmed();
    const int length = 2 + 6 + issue::sequenceDigits(lotteryCode);
    if (s.size() != length || !s.startsWith(QLatin1String("20")))
        return std::nullopt;
    for (QChar c : s)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
    return s.mid(2).toLongLong();
}

namespace {

// After a deletion that rebuilt the history: the rebuild wrote every copy row
// itself from the rows it wrote to lishi, in the transaction just committed,
// so the copy is compared by count and edges only (the full comparison costs
// as much as a fifth of the deletion at 100,000 draws).
MaintenanceOutcome compacted(MaintenanceOutcome o, HistoryStore& store)
{
    if (o.ok && !store.compact({}, HistoryStore::CopyCheck::Edges))
        o.warning = QStringLiteral("历史号码已改变，但压缩数据库失败：%1").arg(store.lastError());
    return o;
}

MaintenanceOutcome nothingDone()
{
    MaintenanceOutcome o;
    o.ok = true;
    return o;
}

} // namespace

MaintenanceOutcome deleteLastDraws(int n, HistoryStore& store, HistoryMaintenance& maintenance,
                                   std::int64_t /*runningIssue*/, const EncoderBases& bases, const ProgressFn& progress)
{
    if (n <= 0)
        return nothingDone();
    return compacted(
        maintenance.deleteKeeping([n](const HistorySnapshot& h) { return std::max(0, h.recordCount() - n); },
                                  HistoryMaintenance::backupPath(store.dataFolder()), bases, progress),
        store);
}

MaintenanceOutcome deleteDrawsAfter(std::int64_t t, HistoryStore& store, HistoryMaintenance& maintenance,
                                    std::int64_t /*runningIssue*/, const EncoderBases& bases, const ProgressFn& progress)
{
    if (t <= 0)
        return nothingDone();
    return compacted(maintenance.deleteKeeping([t](const HistorySnapshot& h) { return rowsUpTo(h, t); },
                                               HistoryMaintenance::backupPath(store.dataFolder()), bases, progress),
                     store);
}

MaintenanceOutcome deleteLastDraw(HistoryStore& store, HistoryMaintenance& maintenance)
{
    MaintenanceOutcome o = maintenance.deleteLastRow();
    if (o.ok && !store.compact())
        o.warning = QStringLiteral("最后一期已删除，但压缩数据库失败：%1").arg(store.lastError());
    return o;
}

} // namespace corvinel
