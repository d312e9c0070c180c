#include "store/LishiRewrite.h"

#include "store/SqliteDb.h"

#include <sqlite3.h>

namespace corvinel {

namespace {

// corvinel_changed(SQQH) says whether a record is to be rewritten,
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

void changedFunction(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    auto* c = static_cast<FunctionContext*>(sqlite3_user_data(ctx));
    const int r = c->row(argv[0]);
    sqlite3_result_int(ctx, r >= 0 && c->rewrite->changed(r) ? 1 : 0);
}

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

bool rewriteLishi(SqliteDb& db, const LishiRewrite& rewrite, bool* unknownRecord, QString* error)
{
    *unknownRecord = false;
    if (rewrite.intColumns.empty() && rewrite.textColumns.empty())
        return true;
    std::string sql = "UPDATE lishi SET ";
    int i = 0;
    for (const auto* names : { &rewrite.intColumns, &rewrite.textColumns }) {
        for (const auto& name : *names) {
            sql += (i ? ", \"" : "\"") + name + "\" = corvinel_value(" + std::to_string(i) + ", SQQH)";
            ++i;
        }
    }
    sql += " WHERE corvinel_changed(SQQH)";

    FunctionContext ctx;
    ctx.rewrite = &rewrite;
    sqlite3* h = db.handle();
    bool ok = sqlite3_create_function_v2(h, "corvinel_changed", 1, SQLITE_UTF8, &ctx, changedFunction, nullptr,
                                         nullptr, nullptr)
            == SQLITE_OK
        && sqlite3_create_function_v2(h, "corvinel_value", 2, SQLITE_UTF8, &ctx, valueFunction, nullptr, nullptr,
                                      nullptr)
            == SQLITE_OK;
    if (!ok)
        *error = QString::fromUtf8(sqlite3_errmsg(h));
    if (ok) {
        Statement st = db.prepare(sql);
        ok = st.isValid() && st.exec() && !ctx.unknown;
        if (!ok && error->isEmpty() && !ctx.unknown)
            *error = db.lastError();
    }
    // The functions point at this call's context: never leave them behind.
    sqlite3_create_function_v2(h, "corvinel_changed", 1, SQLITE_UTF8, nullptr, nullptr, nullptr, nullptr, nullptr);
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

} // namespace corvinel
