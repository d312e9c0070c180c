#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

namespace corvinel {

// Page cache of every connection to the history file. The work is scans (a
// search reads the draw copy once, its write-back walks lishi once) and bulk
// writes; no page is read twice, so a big cache only costs: filling 64 MB
// of fresh cache memory made a search's round trip a quarter slower than
// 8 MB, and imports run as fast with 8 MB.
inline constexpr const char* kCacheSizePragma = "PRAGMA cache_size=-8192";

class SqliteDb;

// A prepared statement; finalized by its destructor. Values are always bound,
// never pasted into the SQL text.
class Statement
{
public:
    Statement() = default;
    Statement(SqliteDb* db, sqlite3_stmt* stmt);
    ~Statement();
    Statement(Statement&& other) noexcept;
    Statement& operator=(Statement&& other) noexcept;
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    bool isValid() const { return m_stmt != nullptr; }
    sqlite3_stmt* handle() const { return m_stmt; }

    // Parameters are numbered from 1.
    bool bind(int index, std::int64_t value);
    bool bind(int index, int value) { return bind(index, static_cast<std::int64_t>(value)); }
    bool bind(int index, const QString& text);
    bool bindUtf8(int index, std::string_view text);

    // What step() returns for a row and for the end (SQLITE_ROW, SQLITE_DONE),
    // so callers need not include sqlite3.h.
    static constexpr int kRow = 100;
    static constexpr int kDone = 101;

    // kRow, kDone or an SQLite error code.
    int step();
    // Steps a statement that returns no rows; true on SQLITE_DONE.
    bool exec();
    void reset();

    int columnCount() const;
    std::int64_t columnInt64(int i) const;
    int columnInt(int i) const;
    QString columnText(int i) const;
    std::string_view columnUtf8(int i) const;
    QString columnName(int i) const;

private:
    SqliteDb* m_db = nullptr;
    sqlite3_stmt* m_stmt = nullptr;
};

// An SQLite connection; closed by its destructor.
class SqliteDb
{
public:
    SqliteDb();
    ~SqliteDb();
    SqliteDb(const SqliteDb&) = delete;
    SqliteDb& operator=(const SqliteDb&) = delete;

    bool open(const QString& path, bool readOnly = false, bool create = true);
    void close();
    bool isOpen() const { return m_db != nullptr; }
    sqlite3* handle() const { return m_db; }

    // Runs fixed SQL text (no values of users or files in it).
    bool exec(const char* sql);
    Statement prepare(std::string_view sql);
    // Prepares once per connection and caches; the statement is reset before
    // it is handed out. Valid until close().
    Statement& cached(std::string_view sql);

    QString lastError() const { return m_lastError; }
    // Records sqlite3_errmsg right where a call failed.
    void captureError(const char* where);
    std::int64_t changes() const;

    // The primary SQLite result code of the last failure recorded (0 when
    // none): callers tell a busy database, a full disk and damage apart.
    int lastErrorCode() const { return m_lastErrorCode; }
    bool lastErrorWasBusy() const;
    // The file this connection has open ("" when none).
    QString filePath() const { return m_path; }
    // PRAGMA data_version: changes when another connection commits a change
    // of the file; nullopt when it cannot be read.
    std::optional<std::int64_t> dataVersion();
    // True inside an open transaction (BEGIN ... not yet ended).
    bool inTransaction() const;
    // The change counter in the main file's header, which every committed
    // write transaction of any connection advances by one in the rollback
    // journal modes; nullopt for an empty file or a failed read. Stable
    // while this connection holds a lock on the file.
    std::optional<std::uint32_t> fileChangeCounter();
    // The stamp of the copy's last full check (schema::kCopyCheckedTable);
    // nullopt when there is none. Reads quietly: lastError() is left alone.
    std::optional<std::uint32_t> copyCheckedStamp();

    // How long a statement waits for another connection's lock before it
    // gives up with the busy refusal.
    static constexpr int kBusyTimeoutMs = 5000;

private:
    void recordFailure(int rc, const QString& sqliteText);

    sqlite3* m_db = nullptr;
    QString m_path;
    QString m_lastError;
    int m_lastErrorCode = 0;
    struct Cache;
    std::unique_ptr<Cache> m_cache;
};

// BEGIN IMMEDIATE ... COMMIT; rolls back unless commit() succeeded, so one user
// action leaves either the old state or the new one.
class Transaction
{
public:
    explicit Transaction(SqliteDb& db);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    bool isActive() const { return m_active; }
    // Commits; a copy found whole when this began (its stamp matched the
    // file) stays so: the stamp moves with the commit, since this program's
    // own writes keep the copy in step with lishi.
    bool commit();
    void rollback();

    // The file's change counter when the write lock was taken.
    std::optional<std::uint32_t> counterAtBegin() const { return m_counterAtBegin; }
    // This transaction has compared the copy with lishi in full (or rebuilt
    // it): the commit stamps the copy as checked.
    void markCopyChecked() { m_stampOnCommit = m_counterAtBegin.has_value(); }

private:
    SqliteDb& m_db;
    bool m_active = false;
    std::optional<std::uint32_t> m_counterAtBegin;
    bool m_stampOnCommit = false;
};

// The user's words for the failures that are not the program's fault: another
// program holding the database, a full disk, a damaged file. Empty for any
// other code (the caller keeps SQLite's own text).
QString busyText();
QString diskFullText();
QString sqliteFailureText(int primaryCode);

// One read transaction: every statement between construction and destruction
// sees the same committed history, never a mix of two (a reader of several
// statements racing an import). Does nothing when the connection is already
// inside a transaction (that one gives the same guarantee).
class ReadTransaction
{
public:
    explicit ReadTransaction(SqliteDb& db);
    ~ReadTransaction();
    ReadTransaction(const ReadTransaction&) = delete;
    ReadTransaction& operator=(const ReadTransaction&) = delete;

private:
    SqliteDb& m_db;
    bool m_own = false;
};

} // namespace corvinel
