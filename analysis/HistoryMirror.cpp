#include "analysis/HistoryMirror.h"

#include "store/ColumnScan.h"
#include "store/Schema.h"

#include <algorithm>
#include <numeric>

namespace corvinel {

void HistoryMirror::clear()
{
    m_loaded = false;
    m_sqqh = std::make_shared<std::vector<std::int64_t>>();
    m_ints.clear();
    m_texts.clear();
}

void HistoryMirror::forget(const std::vector<std::string>& columns)
{
    for (const auto& c : columns) {
        m_ints.erase(c);
        m_texts.erase(c);
    }
}

int HistoryMirror::indexOf(const std::vector<std::int64_t>& sqqh, std::int64_t key, int hint)
{
    const int n = static_cast<int>(sqqh.size());
    if (hint >= 0 && hint < n && sqqh[hint] == key)
        return hint;
    if (hint + 1 >= 0 && hint + 1 < n && sqqh[hint + 1] == key)
        return hint + 1;
    const auto it = std::lower_bound(sqqh.begin(), sqqh.end(), key);
    return it != sqqh.end() && *it == key ? static_cast<int>(it - sqqh.begin()) : -1;
}

bool HistoryMirror::ensure(SqliteDb& db, const std::vector<std::string>& intColumns,
                           const std::vector<std::string>& textColumns, QString* error)
{
    // What is missing, split by the table that holds it.
    std::vector<std::string> copyInts, copyTexts, wideInts, wideTexts;
    auto add = [](std::vector<std::string>& to, const std::string& c) {
        if (std::find(to.begin(), to.end(), c) == to.end())
            to.push_back(c);
    };
    for (const auto& c : intColumns)
        if (!m_ints.count(c))
            add(schema::isDrawCopyColumn(c) ? copyInts : wideInts, c);
    for (const auto& c : textColumns)
        if (!m_texts.count(c))
            add(schema::isDrawCopyColumn(c) ? copyTexts : wideTexts, c);
    if (m_loaded && copyInts.empty() && copyTexts.empty() && wideInts.empty() && wideTexts.empty())
        return true;
    // The count and both tables' columns from one state of the file.
    const ReadTransaction oneState(db);
    if (!m_loaded || !copyInts.empty() || !copyTexts.empty()) {
        if (!load(db, schema::kDrawCopyTable, true, copyInts, copyTexts, error))
            return false;
    }
    if (!wideInts.empty() || !wideTexts.empty())
        return load(db, "lishi", false, wideInts, wideTexts, error);
    return true;
}

bool HistoryMirror::load(SqliteDb& db, const char* table, bool inKeyOrder, const std::vector<std::string>& ints,
                         const std::vector<std::string>& texts, QString* error)
{
    // The copy's rowid is SQQH, so its plain scan is in SQQH order; lishi is
    // read straight through in table order (no index lookups) and put in
    // SQQH order afterwards, which it normally already is.
    ColumnScan scan(db, table, inKeyOrder, ints, texts);
    if (!scan.isValid()) {
        *error = scan.lastError();
        return false;
    }
    // Room for every row up front: growing 100,000-row columns step by step
    // copies them over and over. The count comes from lishi's small SQQH
    // index (the copy is kept row for row in step with lishi).
    std::size_t expected = m_loaded ? m_sqqh->size() : 0;
    if (!m_loaded)
        expected = static_cast<std::size_t>(std::max<std::int64_t>(0, ColumnScan::historyRows(db)));
    std::vector<std::int64_t> keys;
    std::vector<IntColumn> intValues(ints.size());
    std::vector<TextColumn> textValues(texts.size());
    keys.reserve(expected);
    for (auto& v : intValues)
        v.reserve(expected);
    for (auto& v : textValues)
        v.reserve(expected, expected * 40);
    while (scan.next()) {
        keys.push_back(scan.key());
        int col = 0;
        for (auto& v : intValues)
            v.push_back(scan.intAt(col++));
        col = 0;
        for (auto& v : textValues)
            v.push_back(scan.textAt(col++));
    }
    if (scan.failed()) {
        *error = scan.lastError();
        return false;
    }
    if (!std::is_sorted(keys.begin(), keys.end())) {
        std::vector<int> order(keys.size());
        std::iota(order.begin(), order.end(), 0);
        std::sort(order.begin(), order.end(), [&](int a, int b) { return keys[a] < keys[b]; });
        std::vector<std::int64_t> sortedKeys;
        sortedKeys.reserve(keys.size());
        for (int i : order)
            sortedKeys.push_back(keys[i]);
        keys = std::move(sortedKeys);
        for (auto& v : intValues) {
            IntColumn out;
            out.reserve(v.size());
            for (int i : order)
                out.push_back(v[i]);
            v = std::move(out);
        }
        for (auto& v : textValues) {
            TextColumn out;
            out.reserve(v.size(), v.size() * 40);
            for (int i : order)
                out.push_back(v[i]);
            v = std::move(out);
        }
    }
    if (m_loaded && keys != *m_sqqh) {
        *error = QStringLiteral("the history changed while it was read");
        return false;
    }
    if (!m_loaded) {
        m_sqqh = std::make_shared<const std::vector<std::int64_t>>(std::move(keys));
        m_loaded = true;
    }
    for (std::size_t i = 0; i < ints.size(); ++i)
        m_ints.emplace(ints[i], std::make_shared<const IntColumn>(std::move(intValues[i])));
    for (std::size_t i = 0; i < texts.size(); ++i)
        m_texts.emplace(texts[i], std::make_shared<const TextColumn>(std::move(textValues[i])));
    return true;
}

} // namespace corvinel
