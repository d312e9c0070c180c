#pragma once

#include "analysis/FollowTally.h"
#include "analysis/HistoryMirror.h"
#include "store/Schema.h"

#include <QString>

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace corvinel {

class SqliteDb;

// What a search leaves in lishi, described by where each new value comes from
// (a column of the mirror, shifted by some records), so that computing a
// search copies no column. It holds every column it reads, so the write can
// run after the search on any connection, in any thread.
struct PendingWrite
{
    std::uint64_t version = 0; // dataVersion() the search read
    std::shared_ptr<const std::vector<std::int64_t>> sqqh; // the records, in SQQH order

    // Column `column` of record r gets source[r - shift], 0 or an empty text
    // when there is no such record; a working copy (txtHisP6) gets that text
    // without its last four characters.
    struct IntRefresh
    {
        std::string column;
        std::shared_ptr<const IntColumn> source;
        int shift = 0;
    };
    struct TextRefresh
    {
        std::string column;
        std::shared_ptr<const TextColumn> source;
        int shift = 0;
        bool workingCopy = false;
    };
    std::vector<IntRefresh> lags;
    std::vector<TextRefresh> texts;
    bool hasIntTh = false;
    std::vector<std::int32_t> intTh;
    bool hasBolOk = false;
    std::vector<std::int32_t> bolOk;
    std::vector<TallyEntry> carcu;

    // How the search itself reads the earlier lists: from the list of the
    // record this many places earlier (refreshed), -1: as stored.
    std::array<int, schema::kListCount> preListShift { -1, -1, -1, -1, -1, -1, -1 };
    int workingCopyList = -1; // txtHisP6 from this list (-1: untouched)
    bool workingCopyEarlier = false;

    // Every column the write sets.
    std::vector<std::string> targetColumns() const;
};

// Writes a search's pending changes in one transaction on `db`: one UPDATE of
// lishi that rewrites only the records where at least one target column
// differs from its new value (SQLite compares; nothing is read back), and
// Carcu. `changedRows` receives the number of records rewritten. False with
// the reason when nothing was written; `historyChanged` is set when lishi
// holds a record the search did not see.
bool writeSearchBack(SqliteDb& db, const PendingWrite& w, std::int64_t* changedRows, bool* historyChanged,
                     QString* error);

} // namespace corvinel
