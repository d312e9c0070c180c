#include "store/SqliteDb.h"

#include <sqlite3.h>

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
    m_cache = std::make_unique<Cache>();
    sqlite3_busy_timeout(m_db, 5000);
    return true;
}

void SqliteDb::close()
{
    m_cache.reset();
    if (m_db) {
        sqlite3_close_v2(m_db);
        m_db = nullptr;
    }
}

void SqliteDb::captureError(const char* where)
{
    if (m_db)
        m_lastError = QStringLiteral("%1: %2").arg(QString::fromUtf8(where), QString::fromUtf8(sqlite3_errmsg(m_db)));
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
        m_lastError = QString::fromUtf8(err ? err : sqlite3_errstr(rc));
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
}

Transaction::~Transaction()
{
    rollback();
}

bool Transaction::commit()
{
    if (!m_active)
        return false;
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

} // namespace corvinel
