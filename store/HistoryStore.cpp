#include "store/HistoryStore.h"

#include "store/Schema.h"
#include "core/PausePoint.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <sqlite3.h>

#include <sys/stat.h>

#include <algorithm>
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
    // Compaction works in place now; a copy left by a compaction of an older
    // version that was killed is of no use and may be large.
    QFile::remove(QDir(m_folder).filePath(QString::fromLatin1(kCompactFileName)));
    return openFile(databasePath());
}

QString HistoryStore::fileIdentity(const QString& path)
{
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return {};
    return QStringLiteral("%1:%2").arg(static_cast<qulonglong>(st.st_dev)).arg(static_cast<qulonglong>(st.st_ino));
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
    m_fileIdentity = fileIdentity(path);
    // A failed check (damage, a busy file) is not fatal here: the reads that
    // meet the damage report it, and an import can still replace the history.
    checkDrawCopyOnOpen(kFullCopyCheckAtOpen);
    return true;
}

bool HistoryStore::checkDrawCopyOnOpen(std::int64_t fullUpTo)
{
    // The counter proves that nothing but this program's transactions (which
    // keep the copy in step and move the stamp) wrote since the last full
    // comparison; only the rollback journal advances it on every commit.
    bool stamped = false;
    if (rowCount() > fullUpTo) {
        Statement mode = m_db.prepare("PRAGMA journal_mode");
        const bool rollbackJournal
            = mode.isValid() && mode.step() == SQLITE_ROW && mode.columnText(0).compare(QLatin1String("wal"), Qt::CaseInsensitive) != 0;
        mode = Statement();
        const ReadTransaction read(m_db);
        const std::optional<std::uint32_t> counter = m_db.fileChangeCounter();
        stamped = rollbackJournal && counter && m_db.copyCheckedStamp() == counter;
    }
    m_openCheck = stamped ? CopyCheck::Edges : CopyCheck::Full;
    return checkDrawCopy(m_openCheck);
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
// Any step that is neither a row nor the end sets `error` (the rows are then
// not the whole answer).
std::vector<SnapshotRow> readSnapshotRows(SqliteDb& db, const std::string& sql, std::size_t expected,
                                          QString* error = nullptr)
{
    std::vector<SnapshotRow> rows;
    Statement st = db.prepare(sql);
    if (!st.isValid()) {
        if (error)
            *error = db.lastError();
        return rows;
    }
    rows.reserve(expected);
    std::vector<std::size_t> unpacked;
    int rc = 0;
    while ((rc = st.step()) == SQLITE_ROW) {
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
    if (rc != SQLITE_DONE) {
        if (error)
            *error = db.lastError();
        return rows;
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
            if (values.step() != SQLITE_ROW) {
                if (error)
                    *error = db.lastError();
                return rows;
            }
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
    // The count and the rows from one state of the file.
    const ReadTransaction read(m_db);
    QString error;
    // The copy holds the own values packed in one text, in SQQH order.
    std::vector<SnapshotRow> rows
        = readSnapshotRows(m_db, packedSelect() + " ORDER BY SQQH", static_cast<std::size_t>(rowCount()), &error);
    if (!error.isEmpty())
        return HistorySnapshot::failedRead(error);
    return HistorySnapshot(std::move(rows));
}

namespace {

std::string lishiValuesSelect()
{
    std::string sql = "SELECT SQQH, QQH";
    for (int p = 1; p <= kPositions; ++p)
        for (int k = 0; k < kKindCount; ++k)
            sql += ", " + schema::valueColumn(p, k);
    return sql + " FROM lishi";
}

SnapshotRow lishiRowAt(const Statement& st)
{
    SnapshotRow r;
    r.sqqh = st.columnInt64(0);
    r.qqh = st.columnInt64(1);
    int c = 2;
    for (int p = 0; p < kPositions; ++p)
        for (int k = 0; k < kKindCount; ++k)
            r.values[p][k] = static_cast<std::int16_t>(st.columnInt(c++));
    return r;
}

// One row's share of the copy digest: SQQH, QQH and the 48 values mixed
// (FNV-1a), then spread (splitmix64) so that the sum over rows depends on
// every value and on which row holds it.
std::uint64_t rowDigest(const SnapshotRow& r)
{
    std::uint64_t h = 1469598103934665603ULL;
    const auto mix = [&h](std::uint64_t v) {
        h ^= v;
        h *= 1099511628211ULL;
    };
    mix(static_cast<std::uint64_t>(r.sqqh));
    mix(static_cast<std::uint64_t>(r.qqh));
    for (const auto& position : r.values)
        for (const std::int16_t v : position)
            mix(static_cast<std::uint16_t>(v));
    h += 0x9e3779b97f4a7c15ULL;
    h = (h ^ (h >> 30)) * 0xbf58476d1ce4e5b9ULL;
    h = (h ^ (h >> 27)) * 0x94d049bb133111ebULL;
    return h ^ (h >> 31);
}

void addToDigest(HistoryStore::CopyDigest* d, const SnapshotRow& r)
{
    if (d->count == 0)
        d->first = r.sqqh;
    d->last = r.sqqh;
    ++d->count;
    d->sum += rowDigest(r);
}

} // namespace

HistorySnapshot HistoryStore::lishiSnapshot()
{
    if (!m_db.isOpen())
        return HistorySnapshot::failedRead(QStringLiteral("历史数据库没有打开"));
    const ReadTransaction read(m_db);
    Statement st = m_db.prepare(lishiValuesSelect() + " ORDER BY SQQH");
    if (!st.isValid())
        return HistorySnapshot::failedRead(m_db.lastError());
    std::vector<SnapshotRow> rows;
    int rc = 0;
    while ((rc = st.step()) == SQLITE_ROW)
        rows.push_back(lishiRowAt(st));
    if (rc != SQLITE_DONE)
        return HistorySnapshot::failedRead(m_db.lastError());
    return HistorySnapshot(std::move(rows));
}

bool HistoryStore::lastLishiRow(std::optional<SnapshotRow>* row, QString* error)
{
    row->reset();
    Statement st = m_db.prepare(lishiValuesSelect() + " ORDER BY SQQH DESC LIMIT 1");
    if (!st.isValid()) {
        *error = m_db.lastError();
        return false;
    }
    const int rc = st.step();
    if (rc == SQLITE_ROW)
        *row = lishiRowAt(st);
    else if (rc != SQLITE_DONE) {
        *error = m_db.lastError();
        return false;
    }
    return true;
}

bool HistoryStore::drawCopyDigests(CopyDigest* lishi, CopyDigest* copy, QString* error, CopyCheck check)
{
    *lishi = CopyDigest();
    *copy = CopyDigest();
    const ReadTransaction read(m_db);
    m_digestCounter = m_db.fileChangeCounter();
    if (check == CopyCheck::Edges) {
        // Three index lookups each (one statement with COUNT, MIN and MAX
        // together would scan the table).
        for (auto [digest, table] : { std::pair { lishi, "lishi" }, std::pair { copy, schema::kDrawCopyTable } }) {
            std::string sql = "SELECT (SELECT COUNT(*) FROM ";
            sql.append(table).append("), (SELECT MIN(SQQH) FROM ").append(table);
            sql.append("), (SELECT MAX(SQQH) FROM ").append(table).append(")");
            Statement st = m_db.prepare(sql);
            if (!st.isValid() || st.step() != SQLITE_ROW) {
                *error = m_db.lastError();
                return false;
            }
            digest->count = st.columnInt64(0);
            digest->first = st.columnInt64(1);
            digest->last = st.columnInt64(2);
        }
        return true;
    }
    {
        Statement st = m_db.prepare(lishiValuesSelect() + " ORDER BY SQQH");
        if (!st.isValid()) {
            *error = m_db.lastError();
            return false;
        }
        int rc = 0;
        while ((rc = st.step()) == SQLITE_ROW)
            addToDigest(lishi, lishiRowAt(st));
        if (rc != SQLITE_DONE) {
            *error = m_db.lastError();
            return false;
        }
    }
    QString copyError;
    const std::vector<SnapshotRow> rows = readSnapshotRows(m_db, packedSelect() + " ORDER BY SQQH",
                                                           static_cast<std::size_t>(lishi->count), &copyError);
    if (!copyError.isEmpty()) {
        *error = copyError;
        return false;
    }
    for (const SnapshotRow& r : rows)
        addToDigest(copy, r);
    return true;
}

bool HistoryStore::checkDrawCopy(CopyCheck check)
{
    m_copyNotice.clear();
    CopyDigest lishi;
    CopyDigest copy;
    QString error;
    if (!drawCopyDigests(&lishi, &copy, &error, check)) {
        m_copyNotice = QStringLiteral("不能检查历史号码的副本：%1").arg(error);
        return false;
    }
    if (lishi == copy) {
        if (check == CopyCheck::Full)
            stampCopyChecked(m_digestCounter);
        return true;
    }
    // Decided again under the write lock: another process may have changed
    // the history (and its copy with it) since the read.
    Transaction t(m_db);
    if (!t.isActive() || !drawCopyDigests(&lishi, &copy, &error, check)) {
        m_copyNotice = QStringLiteral("不能检查历史号码的副本：%1").arg(error.isEmpty() ? m_db.lastError() : error);
        return false;
    }
    if (check == CopyCheck::Full)
        t.markCopyChecked();
    if (lishi == copy)
        return t.commit();
    const QString found = QStringLiteral("历史号码的副本 %1 与历史号码不一致（副本%2行，历史号码%3行），已由历史号码重建")
                              .arg(QString::fromLatin1(schema::kDrawCopyTable))
                              .arg(copy.count)
                              .arg(lishi.count);
    if (!m_db.exec(schema::drawCopySql().c_str()) || !t.commit()) {
        m_copyNotice = QStringLiteral("历史号码的副本与历史号码不一致，重建副本失败：%1").arg(m_db.lastError());
        return false;
    }
    m_copyNotice = found;
    markChanged();
    return true;
}

void HistoryStore::stampCopyChecked(std::optional<std::uint32_t> counterChecked)
{
    if (!counterChecked || m_db.copyCheckedStamp() == counterChecked)
        return;
    // Only if nothing was committed since the comparison read the file; the
    // write lock is not worth waiting for (the next open compares again).
    sqlite3_busy_timeout(m_db.handle(), 0);
    {
        Transaction t(m_db);
        if (t.isActive() && t.counterAtBegin() == counterChecked) {
            // The stamp's table comes with the first stamp, written only to a
            // file that has just passed the full comparison.
            const std::string table = schema::kCopyCheckedTable;
            const bool ready = m_db.exec(("CREATE TABLE IF NOT EXISTS " + table + " (stamp INTEGER NOT NULL)").c_str())
                && m_db.exec(("INSERT INTO " + table + " (stamp) SELECT 0 WHERE NOT EXISTS (SELECT 1 FROM " + table
                              + ")")
                                 .c_str());
            if (ready) {
                t.markCopyChecked();
                t.commit();
            }
        }
    }
    sqlite3_busy_timeout(m_db.handle(), SqliteDb::kBusyTimeoutMs);
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

bool HistoryStore::compact(const std::function<bool(QString*)>& beforeVacuum, CopyCheck copyCheck)
{
    m_error.clear();
    if (!m_db.isOpen()) {
        m_error = QStringLiteral("历史数据库没有打开");
        return false;
    }
    // Repair step: a damaged file is refused, whatever it still answers.
    {
        Statement st = m_db.prepare("PRAGMA integrity_check");
        QStringList problems;
        int rc = 0;
        while (st.isValid() && (rc = st.step()) == SQLITE_ROW) {
            const QString line = st.columnText(0);
            if (line != QLatin1String("ok") && problems.size() < 3)
                problems << line;
        }
        if (!st.isValid() || rc != SQLITE_DONE) {
            // The check itself stopped at the damage (the error names the file).
            m_error = QStringLiteral("数据库完整性检查未通过：%1").arg(m_db.lastError());
            return false;
        }
        if (!problems.isEmpty()) {
            m_error = QStringLiteral("数据库完整性检查未通过：历史数据库文件%1已损坏（%2）。请用备份文件 lsbf.txt "
                                     "重建历史号码（读取历史号文本，或 corvinel-cli import lsbf.txt），或换回一份备份的数据库文件")
                          .arg(QDir::toNativeSeparators(databasePath()), problems.join(QStringLiteral("; ")));
            return false;
        }
    }
    pausePoint("compact-checked");
    if (beforeVacuum && !beforeVacuum(&m_error))
        return false;
    // The full comparison of the copy with lishi (open() may have compared
    // only counts and edges); a disagreement is repaired before the VACUUM.
    if (!checkDrawCopy(copyCheck)) {
        m_error = m_copyNotice;
        return false;
    }
    // VACUUM builds the compacted database in a temporary file and copies it
    // back under the exclusive lock; that file need not sit in memory.
    m_db.exec("PRAGMA temp_store=FILE");
    const bool vacuumed = m_db.exec("VACUUM");
    if (!vacuumed)
        m_error = QStringLiteral("压缩数据库失败：%1").arg(m_db.lastError());
    m_db.exec("PRAGMA temp_store=MEMORY");
    return vacuumed;
}

} // namespace corvinel
