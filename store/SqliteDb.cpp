#include "store/SqliteDb.h"

#include "store/Schema.h"

#include <sqlite3.h>

#include <QDir>

#include <map>
#include <memory>
#include <string>

namespace corvinel {

struct SqliteDb::Cache
{
    std::map<std::string, std::unique_ptr<Statement>, std::less<>> statements;
};

Statement::Statement(SqliteDb* db, sqlite3_stmt* stmt)
    : m_db(db)
    , m_stmt(stmt)
{
}

Statement::~Statement()
{
    if (m_stmt)
        sqlite3_finalize(m_stmt);
}

Statement::Statement(Statement&& other) noexcept
    : m_db(other.m_db)
    , m_stmt(other.m_stmt)
{
    other.m_stmt = nullptr;
}

Statement& Statement::operator=(Statement&& other) noexcept
{
    if (this != &other) {
        if (m_stmt)
            sqlite3_finalize(m_stmt);
        m_db = other.m_db;
        m_stmt = other.m_stmt;
        other.m_stmt = nullptr;
    }
    return *this;
}

bool Statement::bind(int index, std::int64_t value)
{
    return m_stmt && sqlite3_bind_int64(m_stmt, index, value) == SQLITE_OK;
}

bool Statement::bind(int index, const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    return m_stmt && sqlite3_bind_text(m_stmt, index, utf8.constData(), utf8.size(), SQLITE_TRANSIENT) == SQLITE_OK;
}

bool Statement::bindUtf8(int index, std::string_view text)
{
    return m_stmt
        && sqlite3_bind_text(m_stmt, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT) == SQLITE_OK;
}

int Statement::step()
{
    if (!m_stmt)
        return SQLITE_MISUSE;
    const int rc = sqlite3_step(m_stmt);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE && m_db)
        m_db->captureError("step");
    return rc;
}

bool Statement::exec()
{
    const int rc = step();
    reset();
    return rc == SQLITE_DONE;
}

void Statement::reset()
{
    if (m_stmt) {
        sqlite3_reset(m_stmt);
        sqlite3_clear_bindings(m_stmt);
    }
}

int Statement::columnCount() const
{
    return m_stmt ? sqlite3_column_count(m_stmt) : 0;
}

std::int64_t Statement::columnInt64(int i) const
{
    return sqlite3_column_int64(m_stmt, i);
}

int Statement::columnInt(int i) const
{
    return sqlite3_column_int(m_stmt, i);
}

QString Statement::columnText(int i) const
{
    const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, i));
    const int n = sqlite3_column_bytes(m_stmt, i);
    return p ? QString::fromUtf8(p, n) : QString();
}

std::string_view Statement::columnUtf8(int i) const
{
    const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, i));
    const int n = sqlite3_column_bytes(m_stmt, i);
    return p ? std::string_view(p, static_cast<std::size_t>(n)) : std::string_view();
}

QString Statement::columnName(int i) const
{
    return QString::fromUtf8(sqlite3_column_name(m_stmt, i));
}

SqliteDb::SqliteDb() = default;

SqliteDb::~SqliteDb()
{
    close();
}

bool SqliteDb::open(const QString& path, bool readOnly, bool create)
{
    close();
    // One connection per thread: SQLite's own locking of the handle is not needed.
    int flags = (readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE) | SQLITE_OPEN_NOMUTEX;
    if (create && !readOnly)
        flags |= SQLITE_OPEN_CREATE;
    const QByteArray p = path.toUtf8();
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(p.constData(), &db, flags, nullptr);
    if (rc != SQLITE_OK) {
        m_lastError = QStringLiteral("cannot open %1: %2").arg(path, QString::fromUtf8(sqlite3_errstr(rc)));
        if (db)
            sqlite3_close(db);
        return false;
    }
    m_db = db;
    m_path = path;
    m_cache = std::make_unique<Cache>();
    // Another process (a scheduled update, a second terminal, the window)
    // may hold the file's lock for the length of one transaction: wait for
    // it, then refuse with busyText().
    sqlite3_busy_timeout(m_db, kBusyTimeoutMs);
    return true;
}

void SqliteDb::close()
{
    m_cache.reset();
    if (m_db) {
        sqlite3_close_v2(m_db);
        m_db = nullptr;
    }
    m_path.clear();
}

void SqliteDb::recordFailure(int rc, const QString& sqliteText)
{
    m_lastErrorCode = rc & 0xff;
    const QString words = sqliteFailureText(m_lastErrorCode);
    if (m_lastErrorCode == SQLITE_CORRUPT || m_lastErrorCode == SQLITE_NOTADB)
        m_lastError = words.arg(QDir::toNativeSeparators(m_path), sqliteText);
    else
        m_lastError = words.isEmpty() ? sqliteText : words;
}

void SqliteDb::captureError(const char* where)
{
    if (m_db)
        recordFailure(sqlite3_extended_errcode(m_db),
                      QStringLiteral("%1: %2").arg(QString::fromUtf8(where), QString::fromUtf8(sqlite3_errmsg(m_db))));
}

bool SqliteDb::lastErrorWasBusy() const
{
    return m_lastErrorCode == SQLITE_BUSY || m_lastErrorCode == SQLITE_LOCKED;
}

std::optional<std::int64_t> SqliteDb::dataVersion()
{
    Statement& st = cached("PRAGMA data_version");
    std::optional<std::int64_t> v;
    if (st.step() == SQLITE_ROW)
        v = st.columnInt64(0);
    st.reset();
    return v;
}

bool SqliteDb::inTransaction() const
{
    return m_db && sqlite3_get_autocommit(m_db) == 0;
}

QString busyText()
{
    return QStringLiteral("数据库正被另一个程序使用，请稍后再试");
}

QString diskFullText()
{
    return QStringLiteral("磁盘空间不足");
}

QString sqliteFailureText(int primaryCode)
{
    switch (primaryCode) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return busyText();
    case SQLITE_FULL:
        return diskFullText();
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
        // %1 the file, %2 SQLite's own text.
        return QStringLiteral("历史数据库文件%1已损坏（%2）。请用备份文件 lsbf.txt 重建历史号码（读取历史号文本，"
                              "或 corvinel-cli import lsbf.txt），或换回一份备份的数据库文件");
    default:
        return {};
    }
}

bool SqliteDb::exec(const char* sql)
{
    if (!m_db) {
        m_lastError = QStringLiteral("database not open");
        return false;
    }
    char* err = nullptr;
    const int rc = sqlite3_exec(m_db, sql, nullptr, nullptr, &err);
    if (rc != SQLITE_OK) {
        const int code = sqlite3_extended_errcode(m_db);
        recordFailure(code != SQLITE_OK ? code : rc, QString::fromUtf8(err ? err : sqlite3_errstr(rc)));
        sqlite3_free(err);
        return false;
    }
    return true;
}

Statement SqliteDb::prepare(std::string_view sql)
{
    if (!m_db) {
        m_lastError = QStringLiteral("database not open");
        return {};
    }
    sqlite3_stmt* stmt = nullptr;
    const int rc = sqlite3_prepare_v2(m_db, sql.data(), static_cast<int>(sql.size()), &stmt, nullptr);
    if (rc != SQLITE_OK) {
        captureError("prepare");
        return {};
    }
    return Statement(this, stmt);
}

Statement& SqliteDb::cached(std::string_view sql)
{
    static Statement invalid;
    if (!m_cache)
        return invalid;
    auto it = m_cache->statements.find(sql);
    if (it == m_cache->statements.end()) {
        auto st = std::make_unique<Statement>(prepare(sql));
        it = m_cache->statements.emplace(std::string(sql), std::move(st)).first;
    }
    it->second->reset();
    return *it->second;
}

std::int64_t SqliteDb::changes() const
{
    return m_db ? sqlite3_changes64(m_db) : 0;
}

Transaction::Transaction(SqliteDb& db)
    : m_db(db)
{
    m_active = m_db.exec("BEGIN IMMEDIATE");
    if (!m_active)
        return;
    // Under the write lock no other connection can commit, so the counter
    // read now is the one this transaction's commit advances by exactly one.
    m_counterAtBegin = m_db.fileChangeCounter();
    m_stampOnCommit = m_counterAtBegin && m_db.copyCheckedStamp() == m_counterAtBegin;
}

Transaction::~Transaction()
{
    rollback();
}

bool Transaction::commit()
{
    if (!m_active)
        return false;
    if (m_stampOnCommit) {
        // A failed stamp costs the next open a full comparison, nothing more.
        const std::uint32_t next = *m_counterAtBegin + 1;
        const std::string sql
            = std::string("UPDATE ") + schema::kCopyCheckedTable + " SET stamp = " + std::to_string(next);
        sqlite3_exec(m_db.handle(), sql.c_str(), nullptr, nullptr, nullptr);
    }
    if (!m_db.exec("COMMIT")) {
        rollback();
        return false;
    }
    m_active = false;
    return true;
}

void Transaction::rollback()
{
    if (m_active) {
        m_db.exec("ROLLBACK");
        m_active = false;
    }
}

std::optional<std::uint32_t> SqliteDb::fileChangeCounter()
{
    if (!m_db)
        return std::nullopt;
    sqlite3_file* file = nullptr;
    if (sqlite3_file_control(m_db, "main", SQLITE_FCNTL_FILE_POINTER, &file) != SQLITE_OK || !file
        || !file->pMethods)
        return std::nullopt;
    unsigned char b[4] = {};
    if (file->pMethods->xRead(file, b, 4, 24) != SQLITE_OK)
        return std::nullopt;
    return (std::uint32_t { b[0] } << 24) | (std::uint32_t { b[1] } << 16) | (std::uint32_t { b[2] } << 8) | b[3];
}

std::optional<std::uint32_t> SqliteDb::copyCheckedStamp()
{
    if (!m_db)
        return std::nullopt;
    const std::string sql = std::string("SELECT stamp FROM ") + schema::kCopyCheckedTable;
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(m_db, sql.c_str(), -1, &st, nullptr) != SQLITE_OK) {
        sqlite3_finalize(st);
        return std::nullopt;
    }
    std::optional<std::uint32_t> stamp;
    if (sqlite3_step(st) == SQLITE_ROW && sqlite3_column_type(st, 0) == SQLITE_INTEGER)
        stamp = static_cast<std::uint32_t>(sqlite3_column_int64(st, 0));
    sqlite3_finalize(st);
    return stamp;
}

ReadTransaction::ReadTransaction(SqliteDb& db)
    : m_db(db)
{
    if (!m_db.isOpen() || m_db.inTransaction())
        return;
    // BEGIN DEFERRED takes the shared lock at the first read and holds it to
    // the end: every later statement sees the same committed state.
    m_own = m_db.exec("BEGIN");
}

ReadTransaction::~ReadTransaction()
{
    if (m_own && m_db.inTransaction())
        m_db.exec("COMMIT");
}

} // namespace corvinel
