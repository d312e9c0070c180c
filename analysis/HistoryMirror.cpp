#include "analysis/HistoryMirror.h"

#include "store/SqliteDb.h"

#include <algorithm>
#include <numeric>

namespace corvinel {

void HistoryMirror::clear()
{
    m_loaded = false;
    m_sqqh.clear();
    m_ints.clear();
    m_texts.clear();
}

int HistoryMirror::indexOf(std::int64_t sqqh, int hint) const
{
    const int n = rowCount();
    if (hint >= 0 && hint < n && m_sqqh[hint] == sqqh)
        return hint;
    if (hint + 1 >= 0 && hint + 1 < n && m_sqqh[hint + 1] == sqqh)
        return hint + 1;
    const auto it = std::lower_bound(m_sqqh.begin(), m_sqqh.end(), sqqh);
    return it != m_sqqh.end() && *it == sqqh ? static_cast<int>(it - m_sqqh.begin()) : -1;
}

bool HistoryMirror::ensure(SqliteDb& db, const std::vector<std::string>& intColumns,
                           const std::vector<std::string>& textColumns, QString* error)
{
    std::vector<std::string> ints, texts;
    for (const auto& c : intColumns)
        if (!m_ints.count(c) && std::find(ints.begin(), ints.end(), c) == ints.end())
            ints.push_back(c);
    for (const auto& c : textColumns)
        if (!m_texts.count(c) && std::find(texts.begin(), texts.end(), c) == texts.end())
            texts.push_back(c);
    if (m_loaded && ints.empty() && texts.empty())
        return true;

    // Table order is read straight through (no index lookups); the rows are
    // then put in SQQH order, which is table order for a history appended in
    // issue order.
    std::string sql = "SELECT SQQH";
    for (const auto& c : ints)
        sql += ", \"" + c + '"';
    for (const auto& c : texts)
        sql += ", \"" + c + '"';
    sql += " FROM lishi";
    Statement st = db.prepare(sql);
    if (!st.isValid()) {
        *error = db.lastError();
        return false;
    }
    std::vector<std::int64_t> keys;
    std::vector<std::vector<std::int32_t>> intValues(ints.size());
    std::vector<std::vector<std::string>> textValues(texts.size());
    if (m_loaded) {
        keys.reserve(m_sqqh.size());
        for (auto& v : intValues)
            v.reserve(m_sqqh.size());
        for (auto& v : textValues)
            v.reserve(m_sqqh.size());
    }
    int rc;
    while ((rc = st.step()) == Statement::kRow) {
        keys.push_back(st.columnInt64(0));
        int col = 1;
        for (auto& v : intValues)
            v.push_back(st.columnInt(col++));
        for (auto& v : textValues)
            v.emplace_back(st.columnUtf8(col++));
    }
    if (rc != Statement::kDone) {
        *error = db.lastError();
        return false;
    }
    std::vector<int> order;
    if (!std::is_sorted(keys.begin(), keys.end())) {
        order.resize(keys.size());
        std::iota(order.begin(), order.end(), 0);
        std::sort(order.begin(), order.end(), [&](int a, int b) { return keys[a] < keys[b]; });
        auto permute = [&](auto& v) {
            std::remove_reference_t<decltype(v)> out;
            out.reserve(v.size());
            for (int i : order)
                out.push_back(std::move(v[i]));
            v = std::move(out);
        };
        permute(keys);
        for (auto& v : intValues)
            permute(v);
        for (auto& v : textValues)
            permute(v);
    }
    if (m_loaded && keys != m_sqqh) {
        *error = QStringLiteral("the history changed while it was read");
        return false;
    }
    if (!m_loaded) {
        m_sqqh = std::move(keys);
        m_loaded = true;
    }
    for (std::size_t i = 0; i < ints.size(); ++i)
        m_ints.emplace(ints[i], std::move(intValues[i]));
    for (std::size_t i = 0; i < texts.size(); ++i)
        m_texts.emplace(texts[i], std::move(textValues[i]));
    return true;
}

} // namespace corvinel
