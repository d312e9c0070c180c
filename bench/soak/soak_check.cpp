// soak_check DATABASE: opens the history database the way the program does
// (read-write, so a journal left by a killed writer is rolled back), runs
// PRAGMA integrity_check and prints a digest of every row of lishi and Carcu.
//
//   ok rows=<lishi rows> digest=<sha256>     exit 0
//   FAIL: <why>                              exit 1
//
// The digest covers every column with its storage class, so two databases
// with the same digest hold the same history cell for cell.

#include <QByteArray>
#include <QCryptographicHash>

#include <sqlite3.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

int fail(const std::string& why)
{
    std::printf("FAIL: %s\n", why.c_str());
    return 1;
}

// Feeds every row of `sql` into `hash`; returns the row count or -1.
long long digestRows(sqlite3* db, const char* sql, QCryptographicHash& hash, std::string* error)
{
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) != SQLITE_OK) {
        *error = sqlite3_errmsg(db);
        return -1;
    }
    long long rows = 0;
    int rc = SQLITE_ROW;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
        ++rows;
        const int n = sqlite3_column_count(st);
        for (int c = 0; c < n; ++c) {
            const int type = sqlite3_column_type(st, c);
            const char tag = static_cast<char>('0' + type);
            hash.addData(QByteArrayView(&tag, 1));
            if (type == SQLITE_NULL)
                continue;
            if (type == SQLITE_INTEGER) {
                const sqlite3_int64 v = sqlite3_column_int64(st, c);
                hash.addData(QByteArrayView(reinterpret_cast<const char*>(&v), sizeof v));
                continue;
            }
            if (type == SQLITE_FLOAT) {
                const double v = sqlite3_column_double(st, c);
                hash.addData(QByteArrayView(reinterpret_cast<const char*>(&v), sizeof v));
                continue;
            }
            const void* p = type == SQLITE_BLOB ? sqlite3_column_blob(st, c) : sqlite3_column_text(st, c);
            const int len = sqlite3_column_bytes(st, c);
            hash.addData(QByteArrayView(reinterpret_cast<const char*>(&len), sizeof len));
            if (len > 0)
                hash.addData(QByteArrayView(static_cast<const char*>(p), len));
        }
        hash.addData(QByteArrayView("\n", 1));
    }
    if (rc != SQLITE_DONE) {
        *error = sqlite3_errmsg(db);
        rows = -1;
    }
    sqlite3_finalize(st);
    return rows;
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: soak_check DATABASE\n");
        return 2;
    }
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(argv[1], &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        const std::string why = std::string("cannot open: ") + (db ? sqlite3_errmsg(db) : "out of memory");
        sqlite3_close(db);
        return fail(why);
    }

    std::string result;
    {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &st, nullptr) != SQLITE_OK) {
            const std::string why = std::string("integrity_check: ") + sqlite3_errmsg(db);
            sqlite3_close(db);
            return fail(why);
        }
        while (sqlite3_step(st) == SQLITE_ROW) {
            if (!result.empty())
                result += "; ";
            // One line of output: the messages can hold line breaks.
            for (const char* p = reinterpret_cast<const char*>(sqlite3_column_text(st, 0)); p && *p; ++p)
                result += *p == '\n' ? ' ' : *p;
        }
        sqlite3_finalize(st);
    }
    if (result != "ok") {
        sqlite3_close(db);
        return fail("integrity_check: " + (result.empty() ? std::string(sqlite3_errmsg(db)) : result));
    }

    QCryptographicHash hash(QCryptographicHash::Sha256);
    std::string error;
    const long long rows = digestRows(db, "SELECT * FROM lishi ORDER BY SQQH", hash, &error);
    if (rows < 0) {
        sqlite3_close(db);
        return fail("reading lishi: " + error);
    }
    hash.addData(QByteArrayView("Carcu\n", 6));
    if (digestRows(db, "SELECT * FROM Carcu ORDER BY 1, 2", hash, &error) < 0) {
        sqlite3_close(db);
        return fail("reading Carcu: " + error);
    }
    sqlite3_close(db);
    std::printf("ok rows=%lld digest=%s\n", rows, hash.result().toHex().constData());
    return 0;
}
