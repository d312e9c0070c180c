#include "store/HistoryStore.h"

#include "store/Schema.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <string>

namespace corvinel {

QString HistoryStore::databasePath() const
{
    return QDir(m_folder).filePath(QString::fromLatin1(kFileName));
}

bool HistoryStore::open(const QString& dataFolder)
{
    m_folder = dataFolder;
    m_error.clear();
    return openFile(databasePath());
}

bool HistoryStore::openFile(const QString& path)
{
    const bool existed = QFileInfo::exists(path);
    if (!m_db.open(path)) {
        m_error = m_db.lastError();
        return false;
    }
    // A search rewrites most records of lishi; with 16 KiB pages that costs
    // about a fifth less than with SQLite's default 4 KiB (fewer pages to
    // journal, read and write). It takes effect on a new file and, through
    // VACUUM INTO, on the compacted copy of an older one.
    m_db.exec("PRAGMA page_size=16384");
    // A rollback journal keeps a killed process from leaving a half-written
    // history; FULL makes each commit durable.
    m_db.exec("PRAGMA journal_mode=DELETE");
    m_db.exec("PRAGMA synchronous=FULL");
    m_db.exec(kCacheSizePragma);
    // An insert fires the copy's trigger, so SQLite keeps a statement journal
    // of the pages it touches; beyond 64 KiB that journal went to a temporary
    // file, one write per page and row.
    m_db.exec("PRAGMA temp_store=MEMORY");
    if (!existed || !m_db.exec("SELECT 1 FROM lishi LIMIT 0") || !m_db.exec("SELECT 1 FROM Carcu LIMIT 0")) {
        Transaction t(m_db);
        if (!t.isActive() || !m_db.exec(schema::createSql()) || !t.commit()) {
            m_error = QStringLiteral("不能建立数据表：%1").arg(m_db.lastError());
            m_db.close();
            return false;
        }
    }
    if (!ensureDrawCopy()) {
        m_error = QStringLiteral("cannot create the copy of the draws: %1").arg(m_db.lastError());
        m_db.close();
        return false;
    }
    return true;
}

bool HistoryStore::ensureDrawCopy()
{
    const std::string table = schema::kDrawCopyTable;
    Statement st = m_db.prepare("SELECT COUNT(*) FROM sqlite_master WHERE name IN ('" + table + "', '" + table
                                + "_insert', '" + table + "_delete', '" + table + "_update')");
    const bool complete = st.isValid() && st.step() == SQLITE_ROW && st.columnInt(0) == schema::kDrawCopyObjects;
    st = Statement();
    if (complete
        && m_db.exec(("SELECT \"" + std::string(schema::kPackedOwnColumn) + "\" FROM " + table + " LIMIT 0").c_str()))
        return true;
    // A database written before the copy existed (or one whose copy was
    // dropped): build it from lishi once, in one transaction.
    Transaction t(m_db);
    return t.isActive() && m_db.exec(schema::drawCopySql().c_str()) && t.commit();
}

void HistoryStore::close()
{
    m_db.close();
}

namespace {

// Rows of the draw copy as `sql` (SQQH, QQH, the packed values) returns them;
// a row whose values the packed text cannot hold reads its value columns.
std::vector<SnapshotRow> readSnapshotRows(SqliteDb& db, const std::string& sql, std::size_t expected)
{
    std::vector<SnapshotRow> rows;
    Statement st = db.prepare(sql);
    if (!st.isValid())
        return rows;
    rows.reserve(expected);
    std::vector<std::size_t> unpacked;
    while (st.step() == SQLITE_ROW) {
        SnapshotRow r;
        r.sqqh = st.columnInt64(0);
        r.qqh = st.columnInt64(1);
        const std::string_view packed = st.columnUtf8(2);
        constexpr std::size_t kValues = std::size_t { kPositions } * kKindCount;
        bool ok = packed.size() == kValues;
        for (std::size_t i = 0; ok && i < packed.size(); ++i) {
            const auto c = static_cast<unsigned char>(packed[i]);
            ok = c >= 1 && c <= 127;
            r.values[i / kKindCount][i % kKindCount] = static_cast<std::int16_t>(c - schema::kPackedOffset);
        }
        if (!ok)
            unpacked.push_back(rows.size());
        rows.push_back(r);
    }
    if (!unpacked.empty()) {
        std::string one = "SELECT ";
        for (int p = 1; p <= kPositions; ++p)
            for (int k = 0; k < kKindCount; ++k)
                one += (p == 1 && k == 0 ? "" : ", ") + schema::valueColumn(p, k);
        one += std::string(" FROM ") + schema::kDrawCopyTable + " WHERE SQQH = ?1";
        Statement values = db.prepare(one);
        for (std::size_t i : unpacked) {
            values.reset();
            values.bind(1, rows[i].sqqh);
            if (values.step() != SQLITE_ROW)
                continue;
            int c = 0;
            for (int p = 0; p < kPositions; ++p)
                for (int k = 0; k < kKindCount; ++k)
                    rows[i].values[p][k] = static_cast<std::int16_t>(values.columnInt(c++));
        }
    }
    return rows;
}

std::string packedSelect()
{
    return std::string("SELECT SQQH, QQH, \"") + schema::kPackedOwnColumn + "\" FROM " + schema::kDrawCopyTable;
}

} // namespace

std::int64_t DatabaseDraws::drawCount() const
{
    return m_store.rowCount();
}

std::optional<std::int64_t> DatabaseDraws::edgeIssue(const char* sql) const
{
    if (!m_store.isOpen())
        return std::nullopt;
    Statement& st = m_store.db().cached(sql);
    std::optional<std::int64_t> v;
    if (st.step() == SQLITE_ROW)
        v = st.columnInt64(0);
    st.reset();
    return v;
}

std::optional<std::int64_t> DatabaseDraws::firstIssue() const
{
    return edgeIssue("SELECT SQQH FROM lishi ORDER BY SQQH LIMIT 1");
}

std::optional<std::int64_t> DatabaseDraws::lastIssue() const
{
    return edgeIssue("SELECT SQQH FROM lishi ORDER BY SQQH DESC LIMIT 1");
}

std::int64_t DatabaseDraws::countBetween(std::int64_t low, std::int64_t high) const
{
    if (!m_store.isOpen() || low > high)
        return 0;
    // Counted on the unique SQQH index: no table row is read.
    Statement& st = m_store.db().cached("SELECT COUNT(*) FROM lishi WHERE SQQH BETWEEN ?1 AND ?2");
    st.bind(1, low);
    st.bind(2, high);
    std::int64_t n = 0;
    if (st.step() == SQLITE_ROW)
        n = st.columnInt64(0);
    st.reset();
    return n;
}

std::optional<SnapshotRow> DatabaseDraws::drawBack(std::int64_t sqqh, int back) const
{
    if (!m_store.isOpen() || back < 0 || !contains(sqqh))
        return std::nullopt;
    // The copy's rowid is SQQH: walking back `back` rows from it reads
    // back + 1 rows whatever the size of the history.
    std::vector<SnapshotRow> rows
        = readSnapshotRows(m_store.db(),
                           packedSelect() + " WHERE SQQH <= " + std::to_string(sqqh) + " ORDER BY SQQH DESC LIMIT 1 OFFSET "
                               + std::to_string(back),
                           1);
    if (rows.empty())
        return std::nullopt;
    return rows.front();
}

HistorySnapshot HistoryStore::snapshot()
{
    if (!m_db.isOpen())
        return HistorySnapshot();
    // The copy holds the own values packed in one text, in SQQH order.
    return HistorySnapshot(
        readSnapshotRows(m_db, packedSelect() + " ORDER BY SQQH", static_cast<std::size_t>(rowCount())));
}

std::optional<bool> HistoryStore::containsIssue(std::int64_t sqqh, QString* error)
{
    Statement& exists = m_db.cached("SELECT 1 FROM lishi WHERE SQQH = ?1");
    if (!exists.isValid()) {
        *error = m_db.lastError();
        return std::nullopt;
    }
    exists.bind(1, sqqh);
    const int rc = exists.step();
    exists.reset();
    if (rc == SQLITE_ROW)
        return true;
    if (rc != SQLITE_DONE) {
        *error = m_db.lastError();
        return std::nullopt;
    }
    return false;
}

std::int64_t HistoryStore::rowCount()
{
    if (!m_db.isOpen())
        return 0;
    Statement& st = m_db.cached("SELECT COUNT(*) FROM lishi");
    std::int64_t n = 0;
    if (st.step() == SQLITE_ROW)
        n = st.columnInt64(0);
    st.reset();
    return n;
}

HistorySummary HistoryStore::summary()
{
    HistorySummary s;
    if (!m_db.isOpen())
        return s;
    s.count = rowCount();
    // The unique index on SQQH finds the last draw without a scan.
    Statement& st = m_db.cached("SELECT SQQH, QQH FROM lishi ORDER BY SQQH DESC LIMIT 1");
    if (st.step() == SQLITE_ROW) {
        s.hasLast = true;
        s.lastSqqh = st.columnInt64(0);
        s.lastQqh = st.columnInt64(1);
    }
    st.reset();
    return s;
}

bool HistoryStore::compact()
{
    m_error.clear();
    if (!m_db.isOpen()) {
        m_error = QStringLiteral("历史数据库没有打开");
        return false;
    }
    const QString main = databasePath();
    const QString copy = QDir(m_folder).filePath(QString::fromLatin1(kCompactFileName));

    // Repair step: refuse to replace the file by a copy of a damaged one.
    {
        Statement st = m_db.prepare("PRAGMA quick_check");
        if (!st.isValid() || st.step() != SQLITE_ROW || st.columnText(0) != QLatin1String("ok")) {
            m_error
                = QStringLiteral("数据库完整性检查未通过：%1").arg(st.isValid() ? st.columnText(0) : m_db.lastError());
            return false;
        }
    }
    QFile::remove(copy);
    {
        Statement st = m_db.prepare("VACUUM INTO ?1");
        if (!st.isValid() || !st.bind(1, copy) || !st.exec()) {
            m_error = QStringLiteral("压缩数据库失败：%1").arg(m_db.lastError());
            QFile::remove(copy);
            return false;
        }
    }
    m_db.close();
    // rename(2) replaces the main file atomically: either the old or the
    // compacted file is there, never neither.
    const bool replaced = std::rename(QFile::encodeName(copy).constData(), QFile::encodeName(main).constData()) == 0;
    if (!replaced) {
        m_error = QStringLiteral("不能用压缩后的副本替换%1").arg(main);
        QFile::remove(copy);
    }
    if (!openFile(main)) {
        if (m_error.isEmpty())
            m_error = m_db.lastError();
        return false;
    }
    return replaced;
}

} // namespace corvinel
