#pragma once

#include <QString>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace corvinel {

class SqliteDb;

// Columns of lishi held in memory in SQQH order, each loaded the first time a
// search needs it (several at once in one pass over the table) and then kept
// in step with the database by the search's write-back. Only columns named by
// schema functions are ever asked for.
class HistoryMirror
{
public:
    // Loads every column of the lists that is not held yet.
    bool ensure(SqliteDb& db, const std::vector<std::string>& intColumns, const std::vector<std::string>& textColumns,
                QString* error);
    void clear();
    bool isLoaded() const { return m_loaded; }

    int rowCount() const { return static_cast<int>(m_sqqh.size()); }
    const std::vector<std::int64_t>& sqqh() const { return m_sqqh; }

    // A column held (after ensure()); the references stay valid until clear().
    std::vector<std::int32_t>& ints(const std::string& name) { return m_ints.at(name); }
    std::vector<std::string>& texts(const std::string& name) { return m_texts.at(name); }

    // Place of a record in SQQH order, -1 when there is none.
    int indexOf(std::int64_t sqqh, int hint) const;

private:
    bool m_loaded = false;
    std::vector<std::int64_t> m_sqqh;
    std::map<std::string, std::vector<std::int32_t>> m_ints;
    std::map<std::string, std::vector<std::string>> m_texts;
};

} // namespace corvinel
