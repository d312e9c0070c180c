#include "store/DeletionUndo.h"

#include "store/DrawLineReader.h"
#include "store/HistorySnapshot.h"

#include <QCoreApplication>
#include <QDir>

namespace corvinel::deletion_undo {

namespace {

MaintenanceOutcome refused(const QString& why)
{
    MaintenanceOutcome o;
    o.error = why;
    return o;
}

QString text(const char* source)
{
    return QCoreApplication::translate("corvinel::deletion_undo", source);
}

} // namespace

QString undoPath(const QString& dataFolder)
{
    return QDir(dataFolder).filePath(QString::fromLatin1(kUndoFileName));
}

bool writeUndoBackup(const QString& path, const HistorySnapshot& snapshot, QString* error)
{
    return HistoryMaintenance::writeFileAtomically(
        path, HistoryMaintenance::backupText(snapshot, snapshot.recordCount()), error);
}

MaintenanceOutcome restore(const QString& path, const HistorySnapshot& current, HistoryMaintenance& maintenance,
                           const EncoderBases& bases)
{
    DrawLineResult read;
    QString error;
    // Every line of the undo backup carries its issue: the running number
    // is never used.
    if (!readDrawLineFile(path, 0, &read, &error))
        return refused(error + text("，历史号码没有改变"));
    if (!read.skipped.empty())
        return refused(text("撤销备份 %1 已损坏，历史号码没有改变").arg(QDir::toNativeSeparators(path)));
    const auto kept = static_cast<std::size_t>(current.recordCount());
    bool prefix = read.draws.size() > kept;
    for (std::size_t i = 0; prefix && i < kept; ++i) {
        const SnapshotRow& row = current.row(static_cast<int>(i));
        prefix = row.sqqh == read.draws[i].sqqh;
        for (int p = 1; prefix && p <= kPositions; ++p)
            prefix = row.value(p, kindIndex(Kind::Number)) == read.draws[i].numbers[static_cast<std::size_t>(p - 1)];
    }
    if (!prefix)
        return refused(text("删除之后历史号码又有改变，不能撤销删除；历史号码没有改变"));
    std::vector<PlainDraw> restored;
    restored.reserve(read.draws.size() - kept);
    for (std::size_t i = kept; i < read.draws.size(); ++i)
        restored.push_back(PlainDraw { read.draws[i].sqqh, read.draws[i].numbers });
    return maintenance.appendDraws(restored, current, bases);
}

} // namespace corvinel::deletion_undo
