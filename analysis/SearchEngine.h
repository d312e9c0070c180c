#pragma once

#include "analysis/FollowTally.h"
#include "analysis/HistoryMirror.h"
#include "analysis/ResultTable.h"
#include "analysis/SearchOptions.h"

#include <QString>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace corvinel {

class HistoryStore;
class ListLevels;
struct PendingWrite;

// The outcome of one search: the two grids, the ranking for the chart, and
// what the search leaves in the database (written by SearchEngine::writeBack).
struct SearchResult
{
    bool ok = false;
    QString message; // why no search ran (for the user)
    ResultTable matches; // MSFlexGrid2
    ResultTable ranking; // MSFlexGrid3
    std::vector<TallyEntry> rankingOrder; // the ranking as values and counts
    std::vector<std::int64_t> matchedIssues;
    std::int64_t base = 0; // T
    int tallyPositions = 0; // P: T = P x the matched draws
    RangeTally range; // every draw of the range at the tally positions
    std::shared_ptr<PendingWrite> pending;
    // Draws the pattern matched whose stored draws back to the reference
    // draw span a hole; with skipGaps they are left out of the grids.
    int pairsAcrossGaps = 0;
};

// Per row r of `sqqh` (stored order): whether the `shift` stored draws before
// it up to r follow each other without a hole (r - shift .. r consecutive
// pairs). True where fewer than `shift` draws precede r (no reference draw).
std::vector<bool> chainsWithoutHoles(const std::vector<std::int64_t>& sqqh, int shift, int lotteryCode);

// Both searches computed in memory over a mirror of lishi. The result and the
// database contents afterwards are those of the row-by-row refresh walks and
// full-table UPDATE statements the searches are defined by (LiteralSearch
// runs those), but the matching costs one pass over the columns in memory.
//
// A search does not touch the database until writeBack(): the caller shows
// the grids first and writes right after, before any other database work.
class SearchEngine
{
public:
    explicit SearchEngine(HistoryStore& store);
    ~SearchEngine();

    // Command1: the ticked positions of the pattern.
    SearchResult followPattern(const SearchOptions& options);
    // Command2: every set of combinationSize positions.
    SearchResult combination(const SearchOptions& options);

    // Writes what the search leaves behind (refreshed lag columns and earlier
    // lists, intTh, bolOk, txtHisP6, Carcu) in one transaction, changed
    // cells only. Returns false with the reason when nothing could be written.
    bool writeBack(SearchResult& result, QString* error);
    // The pending write of `result` for a writer elsewhere (writeSearchBack),
    // taken out of it; null with the reason when the history has changed
    // since the search or there is nothing to write. Call written() once it
    // has committed.
    std::shared_ptr<const PendingWrite> takePending(SearchResult& result, QString* error);
    static QString historyChangedText();

    // Forgets the mirror; the next search reloads it.
    void invalidate();

    // Statistics of the last write-back (for the benchmark).
    std::int64_t lastWrittenRows() const { return m_lastWrittenRows; }

    // After a write-back of `w` ran elsewhere (writeSearchBack on another
    // connection) and committed: the history moved on by the search's own
    // write, which the engine's columns already agree with.
    void written(const PendingWrite& w);

private:
    bool ensureColumns(const std::vector<std::string>& ints, const std::vector<std::string>& texts, QString* error);
    // Loads what a search of `o` reads and what `w` will rewrite: the own
    // values of the result kind, the kind's own values (fixed position) or its
    // list `listIndex` (free position), and the number list.
    bool loadSearchColumns(const SearchOptions& o, int listIndex, PendingWrite& w, QString* error);
    // The lag columns of `lagPositions` and the list refreshes `w` asks for,
    // with the columns their values come from.
    void addRefreshes(const SearchOptions& o, const std::vector<int>& lagPositions, PendingWrite& w) const;

    HistoryStore& m_store;
    HistoryMirror m_mirror;
    // Parsed lists of the mirror's list columns, by column name.
    std::map<std::string, std::shared_ptr<const ListLevels>> m_levels;
    std::uint64_t m_version = 0;
    std::int64_t m_lastWrittenRows = 0;
};

} // namespace corvinel
