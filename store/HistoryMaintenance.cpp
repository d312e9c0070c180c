#include "store/HistoryMaintenance.h"

#include "store/HistorySnapshot.h"
#include "store/HistoryStore.h"
#include "store/Schema.h"
#include "store/SqliteDb.h"
#include "core/DiskSpace.h"
#include "core/PausePoint.h"
#include "core/ZodiacTables.h"

#include <QDir>
#include <QSaveFile>

#include <algorithm>
#include <string>

namespace corvinel {

namespace {

constexpr std::int64_t kProgressEvery = 1024;

MaintenanceOutcome failure(const QString& error)
{
    MaintenanceOutcome o;
    o.error = error;
    return o;
}

MaintenanceOutcome cancelled()
{
    MaintenanceOutcome o = failure(QStringLiteral("已取消，历史号码没有改变"));
    o.cancelled = true;
    return o;
}

void appendTwoDigits(QByteArray& out, int v)
{
    if (v < 0 || v > 99) {
        out += QByteArray::number(v);
        return;
    }
    out += char('0' + v / 10);
    out += char('0' + v % 10);
}

} // namespace

HistoryMaintenance::HistoryMaintenance(HistoryStore& store, DrawEncoder& encoder, ZodiacTables& tables)
    : m_store(store)
    , m_encoder(encoder)
    , m_tables(tables)
{
}

MaintenanceOutcome HistoryMaintenance::replaceAll(const std::vector<PlainDraw>& draws,
                                                  const HistorySnapshot& /*before*/, const EncoderBases& bases,
                                                  const ProgressFn& progress)
{
    if (draws.empty())
        return failure(QStringLiteral("没有可用的历史号码行，历史号码没有改变"));
    // The previous lists come from the last row read under the write lock
    // (writeAll), not from the caller's older view.
    EncoderRollback guard(m_encoder, m_tables);
    MaintenanceOutcome o = writeAll(draws, bases, false, progress);
    if (o.ok)
        guard.dismiss();
    return o;
}

MaintenanceOutcome HistoryMaintenance::rebuild(const std::vector<PlainDraw>& draws, const EncoderBases& bases,
                                               const ProgressFn& progress)
{
    EncoderRollback guard(m_encoder, m_tables);
    m_encoder.beginRebuild();
    MaintenanceOutcome o = writeAll(draws, bases, true, progress);
    if (o.ok)
        guard.dismiss();
    return o;
}

MaintenanceOutcome HistoryMaintenance::writeAll(const std::vector<PlainDraw>& draws, const EncoderBases& bases,
                                                bool rebuild, const ProgressFn& progress)
{
    SqliteDb& db = m_store.db();
    if (!db.isOpen())
        return failure(QStringLiteral("历史数据库没有打开"));
    Transaction t(db);
    if (!t.isActive())
        return failure(QStringLiteral("不能开始数据库事务：%1").arg(db.lastError()));
    if (!rebuild) {
        std::optional<SnapshotRow> last;
        QString error;
        if (!m_store.lastLishiRow(&last, &error))
            return failure(QStringLiteral("不能读取历史号码：%1").arg(error));
        m_encoder.beginAppend(last ? HistorySnapshot({ *last }) : HistorySnapshot(), bases);
    }
    MaintenanceOutcome o = writeAllInside(draws, bases, rebuild, progress);
    if (!o.ok)
        return o;
    if (!t.commit())
        return failure(QStringLiteral("不能提交新的历史号码：%1").arg(db.lastError()));
    m_store.markChanged();
    return o;
}

MaintenanceOutcome HistoryMaintenance::writeAllInside(const std::vector<PlainDraw>& draws, const EncoderBases& bases,
                                                      bool rebuild, const ProgressFn& progress)
{
    SqliteDb& db = m_store.db();
    const std::int64_t before = m_store.rowCount();
    if (!db.exec(schema::clearHistorySql().c_str()))
        return failure(QStringLiteral("不能删除原有的历史号码：%1").arg(db.lastError()));
    // Every row is new: the writer fills the copy itself, and the trigger is
    // back before the commit (or the rollback restores it).
    if (!db.exec(schema::setCopyInsertTriggerAsideSql().c_str()))
        return failure(QStringLiteral("不能准备写入历史号码：%1").arg(db.lastError()));
    RowWriter writer(db, RowWriter::CopyRows::Written);
    if (!writer.isValid())
        return failure(QStringLiteral("不能准备写入历史号码：%1").arg(writer.lastError()));

    const auto total = static_cast<std::int64_t>(draws.size());
    std::int64_t done = 0;
    for (const PlainDraw& d : draws) {
        const DrawRow row = m_encoder.encode(d.sqqh, d.numbers, bases, rebuild);
        if (!writer.insert(row))
            return failure(QStringLiteral("不能存入第%1期：%2").arg(d.sqqh).arg(writer.lastError()));
        ++done;
        if (progress && done % kProgressEvery == 0 && !progress(done, total))
            return cancelled();
    }
    if (progress && !progress(total, total))
        return cancelled();
    if (!db.exec(schema::restoreCopyInsertTriggerSql().c_str()))
        return failure(QStringLiteral("不能提交新的历史号码：%1").arg(db.lastError()));
    MaintenanceOutcome o;
    o.ok = true;
    o.written = static_cast<int>(total);
    o.deleted = static_cast<int>(before);
    return o;
}

QString HistoryMaintenance::historyChangedText()
{
    return QStringLiteral("历史号码已被其他程序更改，请重试");
}

MaintenanceOutcome HistoryMaintenance::appendDraws(const std::vector<PlainDraw>& draws,
                                                   const HistorySnapshot& current, const EncoderBases& bases,
                                                   bool clearFirst)
{
    const std::optional<std::int64_t> seenLast = current.lastIssue();
    return appendDecided(
        [&](const std::optional<SnapshotRow>& last, bool* clear, QString* refusal)
            -> std::optional<std::vector<PlainDraw>> {
            *clear = clearFirst;
            // The draws were chosen after the history the caller saw; after
            // any other last draw they could land out of order or twice.
            const std::optional<std::int64_t> nowLast = last ? std::optional(last->sqqh) : std::nullopt;
            if (!clearFirst && nowLast != seenLast) {
                *refusal = historyChangedText();
                return std::nullopt;
            }
            return draws;
        },
        bases);
}

MaintenanceOutcome HistoryMaintenance::appendDecided(const AppendDecision& decide, const EncoderBases& bases)
{
    // A failed write must leave the run-long encoder state (and the zodiac
    // year it sets) as it was.
    EncoderRollback guard(m_encoder, m_tables);
    SqliteDb& db = m_store.db();
    if (!db.isOpen())
        return failure(QStringLiteral("历史数据库没有打开"));
    Transaction t(db);
    if (!t.isActive())
        return failure(db.lastError());
    std::optional<SnapshotRow> last;
    QString error;
    if (!m_store.lastLishiRow(&last, &error))
        return failure(error);
    bool clearFirst = false;
    QString refusal;
    const std::optional<std::vector<PlainDraw>> draws = decide(last, &clearFirst, &refusal);
    if (!draws)
        return failure(refusal);
    pausePoint("append-decided");
    if (clearFirst)
        m_encoder.clearLists(); // the first draw after the deletion has no predecessor
    else
        m_encoder.beginAppend(last ? HistorySnapshot({ *last }) : HistorySnapshot(), bases);
    // Emptied at once, not row by row through the copy's delete trigger.
    if (clearFirst && !db.exec(schema::clearHistorySql().c_str()))
        return failure(db.lastError());
    RowWriter writer(db);
    for (const PlainDraw& d : *draws)
        if (!writer.insert(m_encoder.encode(d.sqqh, d.numbers, bases, false)))
            return failure(writer.lastError());
    if (!t.commit())
        return failure(db.lastError());
    guard.dismiss();
    m_store.markChanged();
    MaintenanceOutcome o;
    o.ok = true;
    o.written = static_cast<int>(draws->size());
    return o;
}

MaintenanceOutcome HistoryMaintenance::deleteKeeping(const KeepCount& keep, const QString& backupPath,
                                                     const EncoderBases& bases, const ProgressFn& progress)
{
    SqliteDb& db = m_store.db();
    if (!db.isOpen())
        return failure(QStringLiteral("历史数据库没有打开"));
    EncoderRollback guard(m_encoder, m_tables);
    Transaction t(db);
    if (!t.isActive())
        return failure(QStringLiteral("%1，历史号码没有改变").arg(db.lastError()));
    // lishi is the truth; a partial read deletes nothing and writes no file.
    const HistorySnapshot history = m_store.lishiSnapshot();
    if (history.readFailed())
        return failure(QStringLiteral("%1；历史号码没有改变").arg(history.readError()));
    const int kept = std::clamp(keep(history), 0, history.recordCount());
    pausePoint("delete-read");
    std::vector<PlainDraw> draws;
    draws.reserve(static_cast<std::size_t>(kept));
    for (int i = 0; i < kept; ++i) {
        const SnapshotRow& r = history.row(i);
        PlainDraw d;
        d.sqqh = r.sqqh;
        for (int p = 1; p <= kPositions; ++p)
            d.numbers[static_cast<std::size_t>(p - 1)] = r.value(p, kindIndex(Kind::Number));
        draws.push_back(d);
    }
    m_encoder.beginRebuild();
    MaintenanceOutcome o = writeAllInside(draws, bases, true, progress);
    if (!o.ok)
        return o;
    o.deleted = history.recordCount() - kept;
    // The backup file of the kept draws, from the rows read under the lock;
    // written before the commit so that a failure here changes nothing.
    QString error;
    if (!writeFileAtomically(backupPath, backupText(history, kept), &error)) {
        MaintenanceOutcome f = failure(error + QStringLiteral("，历史号码没有改变"));
        f.backupFailed = true;
        return f;
    }
    if (!t.commit())
        return failure(QStringLiteral("不能提交新的历史号码：%1").arg(db.lastError()));
    guard.dismiss();
    m_store.markChanged();
    return o;
}

int HistoryMaintenance::repairAttributes(const EncoderBases& bases, QString* error)
{
    SqliteDb& db = m_store.db();
    EncoderRollback guard(m_encoder, m_tables);
    Transaction t(db);
    if (!t.isActive()) {
        *error = db.lastError();
        return -1;
    }
    const HistorySnapshot history = m_store.lishiSnapshot();
    if (history.readFailed()) {
        *error = history.readError();
        return -1;
    }
    std::string update = "UPDATE lishi SET ";
    for (int p = 1; p <= kPositions; ++p)
        for (int k = 0; k < kKindCount; ++k)
            update += (p == 1 && k == 0 ? "" : ", ") + schema::valueColumn(p, k) + " = ?"
                + std::to_string((p - 1) * kKindCount + k + 2);
    update += " WHERE SQQH = ?1";
    Statement st = db.prepare(update);
    if (!st.isValid()) {
        *error = db.lastError();
        return -1;
    }
    int repaired = 0;
    for (const SnapshotRow& r : history.rows()) {
        std::array<int, kPositions> numbers {};
        for (int p = 1; p <= kPositions; ++p)
            numbers[static_cast<std::size_t>(p - 1)] = r.value(p, kindIndex(Kind::Number));
        // Only the own values are compared: they depend on the draw alone.
        const DrawRow derived = m_encoder.encode(r.sqqh, numbers, bases, true);
        bool same = true;
        for (int p = 1; p <= kPositions && same; ++p)
            for (int k = 0; k < kKindCount && same; ++k)
                same = derived.own[static_cast<std::size_t>(k)][static_cast<std::size_t>(p - 1)] == r.value(p, k);
        if (same)
            continue;
        st.reset();
        st.bind(1, r.sqqh);
        for (int p = 1; p <= kPositions; ++p)
            for (int k = 0; k < kKindCount; ++k)
                st.bind((p - 1) * kKindCount + k + 2, derived.own[static_cast<std::size_t>(k)][static_cast<std::size_t>(p - 1)]);
        if (!st.exec()) {
            *error = db.lastError();
            return -1;
        }
        ++repaired;
    }
    if (!t.commit()) {
        *error = db.lastError();
        return -1;
    }
    if (repaired > 0)
        m_store.markChanged();
    return repaired;
}

MaintenanceOutcome HistoryMaintenance::deleteAll()
{
    SqliteDb& db = m_store.db();
    if (!db.isOpen())
        return failure(QStringLiteral("历史数据库没有打开"));
    const std::int64_t before = m_store.rowCount();
    Transaction t(db);
    if (!t.isActive() || !db.exec(schema::clearHistorySql().c_str()) || !t.commit())
        return failure(QStringLiteral("不能删除历史号码：%1").arg(db.lastError()));
    m_store.markChanged();
    MaintenanceOutcome o;
    o.ok = true;
    o.deleted = static_cast<int>(before);
    return o;
}

MaintenanceOutcome HistoryMaintenance::deleteLastRow()
{
    SqliteDb& db = m_store.db();
    if (!db.isOpen())
        return failure(QStringLiteral("历史数据库没有打开"));
    Transaction t(db);
    if (!t.isActive())
        return failure(QStringLiteral("不能开始数据库事务：%1").arg(db.lastError()));
    Statement st = db.prepare("DELETE FROM lishi WHERE SQQH = (SELECT MAX(SQQH) FROM lishi)");
    if (!st.isValid() || !st.exec())
        return failure(QStringLiteral("不能删除最后一期：%1").arg(db.lastError()));
    const auto n = static_cast<int>(db.changes());
    if (!t.commit())
        return failure(QStringLiteral("不能删除最后一期：%1").arg(db.lastError()));
    if (n > 0)
        m_store.markChanged();
    MaintenanceOutcome o;
    o.ok = true;
    o.deleted = n;
    return o;
}

QByteArray HistoryMaintenance::backupText(const HistorySnapshot& snapshot, int rowsToKeep)
{
    const int n = std::clamp(rowsToKeep, 0, snapshot.recordCount());
    QByteArray out;
    out.reserve(n * 36);
    for (int i = 0; i < n; ++i) {
        const SnapshotRow& r = snapshot.row(i);
        out += QByteArray::number(static_cast<qlonglong>(r.sqqh));
        out += ' ';
        for (int p = 1; p <= kPositions; ++p) {
            appendTwoDigits(out, r.value(p, kindIndex(Kind::Number)));
            out += ' ';
        }
        out += '\n';
    }
    return out;
}

bool HistoryMaintenance::writeFileAtomically(const QString& path, const QByteArray& text, QString* error)
{
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly)) {
        if (error)
            *error = QStringLiteral("不能写入文件%1：%2").arg(path, f.errorString());
        return false;
    }
    if (f.write(text) != text.size() || !f.commit()) {
        if (error)
            *error = QStringLiteral("不能写入文件%1：%2").arg(path, writeFailureText(path, text.size(), f.errorString()));
        f.cancelWriting();
        return false;
    }
    return true;
}

QString HistoryMaintenance::backupPath(const QString& dataFolder)
{
    return QDir(dataFolder).filePath(QString::fromLatin1(kBackupFileName));
}

} // namespace corvinel
