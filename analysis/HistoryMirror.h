#pragma once

#include "Kinds.h"

#include <QString>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace corvinel {

class SqliteDb;

// The columns of lishi the searches read, held in memory in SQQH order: the
// issue numbers, the 48 own values and the seven lists of the previous draw
// are loaded at once; every other column (lag values, earlier lists, intTh,
// bolOk, txtHisP6) the first time a search needs its stored contents. The
// caller keeps it in step with the database (see SearchEngine).
class HistoryMirror
{
public:
    bool load(SqliteDb& db, QString* error);
    void clear();
    bool isLoaded() const { return m_loaded; }

    int rowCount() const { return static_cast<int>(m_sqqh.size()); }
    const std::vector<std::int64_t>& rowids() const { return m_rowids; }
    const std::vector<std::int64_t>& sqqh() const { return m_sqqh; }
    // Own value column L<position><kind letter>.
    const std::vector<std::int32_t>& own(int position, int kind) const { return m_own[(position - 1) * kKindCount + kind]; }
    // txtHisLst (index 0) and the occurrence lists txtHisLstHm .. Ds (1..6).
    const std::vector<std::string>& list(int listIndex) const { return m_lists[listIndex]; }

    // Stored contents of another column; nullptr (and the reason) when it
    // cannot be read.
    std::vector<std::int32_t>* intColumn(SqliteDb& db, const std::string& name, QString* error);
    std::vector<std::string>* textColumn(SqliteDb& db, const std::string& name, QString* error);

private:
    bool m_loaded = false;
    std::vector<std::int64_t> m_rowids;
    std::vector<std::int64_t> m_sqqh;
    std::vector<std::vector<std::int32_t>> m_own;
    std::vector<std::vector<std::string>> m_lists;
    std::map<std::string, std::vector<std::int32_t>> m_intColumns;
    std::map<std::string, std::vector<std::string>> m_textColumns;
};

} // namespace corvinel
