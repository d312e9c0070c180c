#include "store/HistoryStore.h"

#include "store/Schema.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

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
    // A rollback journal keeps a killed process from leaving a half-written
    // history; FULL makes each commit durable.
    m_db.exec("PRAGMA journal_mode=DELETE");
    m_db.exec("PRAGMA synchronous=FULL");
    m_db.exec("PRAGMA cache_size=-65536");
    if (!existed || !m_db.exec("SELECT 1 FROM lishi LIMIT 0") || !m_db.exec("SELECT 1 FROM Carcu LIMIT 0")) {
        Transaction t(m_db);
        if (!t.isActive() || !m_db.exec(schema::createSql()) || !t.commit()) {
            m_error = QStringLiteral("不能建立数据表：%1").arg(m_db.lastError());
            m_db.close();
            return false;
        }
    }
    return true;
}

void HistoryStore::close()
{
    m_db.close();
}

HistorySnapshot HistoryStore::snapshot()
{
    std::vector<SnapshotRow> rows;
    if (!m_db.isOpen())
        return HistorySnapshot();
    std::string sql = "SELECT SQQH, QQH";
    for (int p = 1; p <= kPositions; ++p)
        for (int k = 0; k < kKindCount; ++k)
            sql += ", " + schema::valueColumn(p, k);
    sql += " FROM lishi ORDER BY SQQH";
    Statement st = m_db.prepare(sql);
    if (!st.isValid())
        return HistorySnapshot();
    rows.reserve(static_cast<std::size_t>(rowCount()));
    while (st.step() == SQLITE_ROW) {
        SnapshotRow r;
        r.sqqh = st.columnInt64(0);
        r.qqh = st.columnInt64(1);
        int c = 2;
        for (int p = 0; p < kPositions; ++p)
            for (int k = 0; k < kKindCount; ++k)
                r.values[p][k] = static_cast<std::int16_t>(st.columnInt(c++));
        rows.push_back(r);
    }
    return HistorySnapshot(std::move(rows));
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
