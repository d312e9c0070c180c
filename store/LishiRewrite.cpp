#include "store/LishiRewrite.h"

#include "store/SqliteDb.h"

#include <sqlite3.h>

namespace corvinel {

namespace {

// corvinel_value(i, SQQH) gives SET column i's new value.
struct FunctionContext
{
    const LishiRewrite* rewrite = nullptr;
    bool unknown = false;

    int row(sqlite3_value* key)
    {
        const int r = rewrite->rowOf(sqlite3_value_int64(key));
        if (r < 0)
            unknown = true;
        return r;
    }
};

void valueFunction(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    auto* c = static_cast<FunctionContext*>(sqlite3_user_data(ctx));
    const int i = sqlite3_value_int(argv[0]);
    const int r = c->row(argv[1]);
    const int nInts = static_cast<int>(c->rewrite->intColumns.size());
    const int nTexts = static_cast<int>(c->rewrite->textColumns.size());
    if (r < 0 || i < 0 || i >= nInts + nTexts) {
        sqlite3_result_error(ctx, "corvinel_value: no such record", -1);
        return;
    }
    if (i < nInts) {
        sqlite3_result_int(ctx, c->rewrite->intValue(i, r));
    } else {
        const std::string_view v = c->rewrite->textValue(i - nInts, r);
        // The caller keeps the text alive until the statement is done.
        sqlite3_result_text(ctx, v.empty() ? "" : v.data(), static_cast<int>(v.size()), SQLITE_STATIC);
    }
}

} // namespace

bool rewriteLishi(SqliteDb& db, const LishiRewrite& rewrite, std::int64_t* changedRows, bool* unknownRecord,
                  QString* error)
{
    *unknownRecord = false;
    *changedRows = 0;
    if (rewrite.intColumns.empty() && rewrite.textColumns.empty())
        return true;
    std::string set, differs;
    int i = 0;
    for (const auto* names : { &rewrite.intColumns, &rewrite.textColumns }) {
        for (const auto& name : *names) {
            const std::string value = "corvinel_value(" + std::to_string(i) + ", SQQH)";
            set += i ? ", \"" : "\"";
            set += name;
            set += "\" = ";
            set += value;
            differs += i ? " OR \"" : "\"";
            differs += name;
            differs += "\" IS NOT ";
            differs += value;
            ++i;
        }
    }
    const std::string sql = "UPDATE lishi SET " + set + " WHERE " + differs;

    FunctionContext ctx;
    ctx.rewrite = &rewrite;
    sqlite3* h = db.handle();
    bool ok = sqlite3_create_function_v2(h, "corvinel_value", 2, SQLITE_UTF8, &ctx, valueFunction, nullptr, nullptr,
                                         nullptr)
        == SQLITE_OK;
    if (!ok)
        *error = QString::fromUtf8(sqlite3_errmsg(h));
    if (ok) {
        Statement st = db.prepare(sql);
        ok = st.isValid() && st.exec() && !ctx.unknown;
        if (ok)
            *changedRows = db.changes();
        if (!ok && error->isEmpty() && !ctx.unknown)
            *error = db.lastError();
    }
    // The function points at this call's context: never leave it behind.
    sqlite3_create_function_v2(h, "corvinel_value", 2, SQLITE_UTF8, nullptr, nullptr, nullptr, nullptr, nullptr);
    *unknownRecord = ctx.unknown;
    return ok;
}

bool replaceCarcu(SqliteDb& db, const std::vector<std::pair<int, int>>& rows, QString* error)
{
    Statement del = db.prepare("DELETE FROM Carcu");
    Statement ins = db.prepare("INSERT INTO Carcu (Nmb, \"Count\") VALUES (?1, ?2)");
    if (!del.isValid() || !ins.isValid() || !del.exec()) {
        *error = db.lastError();
        return false;
    }
    for (const auto& [value, count] : rows) {
        ins.bind(1, value);
        ins.bind(2, count);
        if (!ins.exec()) {
            *error = db.lastError();
            return false;
        }
    }
    return true;
}

bool writeSearchResults(SqliteDb& db, const LishiRewrite& rewrite, const std::vector<std::pair<int, int>>& carcu,
                        std::int64_t* changedRows, bool* unknownRecord, QString* error)
{
    Transaction tx(db);
    if (!tx.isActive()) {
        *error = db.lastError();
        return false;
    }
    if (!rewriteLishi(db, rewrite, changedRows, unknownRecord, error))
        return false;
    if (!replaceCarcu(db, carcu, error))
        return false;
    if (!tx.commit()) {
        *error = db.lastError();
        return false;
    }
    return true;
}

} // namespace corvinel
