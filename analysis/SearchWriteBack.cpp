#include "analysis/SearchWriteBack.h"

#include "analysis/SearchRules.h"
#include "store/LishiRewrite.h"

namespace corvinel {

std::vector<std::string> PendingWrite::targetColumns() const
{
    std::vector<std::string> c;
    for (const auto& lag : lags)
        c.push_back(lag.column);
    if (hasIntTh)
        c.emplace_back("intTh");
    if (hasBolOk)
        c.emplace_back("bolOk");
    for (const auto& t : texts)
        c.push_back(t.column);
    return c;
}

bool writeSearchBack(SqliteDb& db, const PendingWrite& w, std::int64_t* changedRows, bool* historyChanged,
                     QString* error)
{
    *changedRows = 0;
    *historyChanged = false;
    LishiRewrite rewrite;
    for (const auto& lag : w.lags)
        rewrite.intColumns.push_back(lag.column);
    if (w.hasIntTh)
        rewrite.intColumns.emplace_back("intTh");
    if (w.hasBolOk)
        rewrite.intColumns.emplace_back("bolOk");
    for (const auto& t : w.texts)
        rewrite.textColumns.push_back(t.column);
    const int nLags = static_cast<int>(w.lags.size());
    const std::vector<std::int64_t>& keys = *w.sqqh;
    // The statement visits the records in table order, normally SQQH order:
    // the same record as last time or the next one is tried first.
    int hint = 0;
    rewrite.rowOf = [&keys, &hint](std::int64_t sqqh) {
        const int r = HistoryMirror::indexOf(keys, sqqh, hint);
        if (r >= 0)
            hint = r;
        return r;
    };
    rewrite.intValue = [&w, nLags](int i, int r) -> std::int32_t {
        if (i < nLags) {
            const auto& lag = w.lags[static_cast<std::size_t>(i)];
            return r >= lag.shift ? (*lag.source)[static_cast<std::size_t>(r - lag.shift)] : 0;
        }
        i -= nLags;
        if (w.hasIntTh && i-- == 0)
            return w.intTh[static_cast<std::size_t>(r)];
        return w.bolOk[static_cast<std::size_t>(r)];
    };
    rewrite.textValue = [&w](int i, int r) -> std::string_view {
        const auto& t = w.texts[static_cast<std::size_t>(i)];
        const std::string_view v
            = r >= t.shift ? (*t.source)[static_cast<std::size_t>(r - t.shift)] : std::string_view();
        return t.workingCopy ? rules::workingCopy(v) : v;
    };

    std::vector<std::pair<int, int>> carcu;
    carcu.reserve(w.carcu.size());
    for (const TallyEntry& e : w.carcu)
        carcu.emplace_back(e.value, e.count);
    return writeSearchResults(db, rewrite, carcu, changedRows, historyChanged, error);
}

} // namespace corvinel
