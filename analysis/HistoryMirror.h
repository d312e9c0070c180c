#pragma once

#include <QString>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace corvinel {

class SqliteDb;

using IntColumn = std::vector<std::int32_t>;

// A text column held compactly: the texts one after the other and where each
// ends (a vector of strings costs three times the memory on a long history).
class TextColumn
{
public:
    void reserve(std::size_t rows, std::size_t chars)
    {
        m_ends.reserve(rows);
        m_chars.reserve(chars);
    }
    void push_back(std::string_view s)
    {
        m_chars.append(s.data(), s.size());
        m_ends.push_back(static_cast<std::uint32_t>(m_chars.size()));
    }
    std::size_t size() const { return m_ends.size(); }
    std::string_view operator[](std::size_t r) const
    {
        const std::uint32_t begin = r == 0 ? 0 : m_ends[r - 1];
        return std::string_view(m_chars).substr(begin, m_ends[r] - begin);
    }

private:
    std::string m_chars;
    std::vector<std::uint32_t> m_ends;
};

// Columns of lishi held in memory in SQQH order, each loaded the first time a
// search needs it (several at once in one pass). The columns the compact copy
// of the draws holds (own values, txtHisLst lists) are read from it; any other
// column from lishi itself. Columns are immutable and shared: a write-back that
// runs later (on another connection) keeps the ones it reads alive. Only
// columns named by schema functions are ever asked for.
class HistoryMirror
{
public:
    // Loads every column of the lists that is not held yet.
    bool ensure(SqliteDb& db, const std::vector<std::string>& intColumns, const std::vector<std::string>& textColumns,
                QString* error);
    void clear();
    // Drops columns whose stored contents were rewritten.
    void forget(const std::vector<std::string>& columns);
    bool isLoaded() const { return m_loaded; }

    int rowCount() const { return static_cast<int>(m_sqqh->size()); }
    const std::vector<std::int64_t>& sqqh() const { return *m_sqqh; }
    std::shared_ptr<const std::vector<std::int64_t>> sharedSqqh() const { return m_sqqh; }

    // A column held (after ensure()).
    const IntColumn& ints(const std::string& name) const { return *m_ints.at(name); }
    const TextColumn& texts(const std::string& name) const { return *m_texts.at(name); }
    std::shared_ptr<const IntColumn> sharedInts(const std::string& name) const { return m_ints.at(name); }
    std::shared_ptr<const TextColumn> sharedTexts(const std::string& name) const { return m_texts.at(name); }

    // Place of a record in SQQH order, -1 when there is none.
    static int indexOf(const std::vector<std::int64_t>& sqqh, std::int64_t key, int hint);

private:
    bool load(SqliteDb& db, const char* table, bool inKeyOrder, const std::vector<std::string>& ints,
              const std::vector<std::string>& texts, QString* error);

    bool m_loaded = false;
    std::shared_ptr<const std::vector<std::int64_t>> m_sqqh = std::make_shared<std::vector<std::int64_t>>();
    std::map<std::string, std::shared_ptr<const IntColumn>> m_ints;
    std::map<std::string, std::shared_ptr<const TextColumn>> m_texts;
};

} // namespace corvinel
