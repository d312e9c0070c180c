#pragma once

#include "core/Kinds.h"
#include "core/ZodiacTables.h"

#include <QString>

#include <array>
#include <cstdint>
#include <string>

namespace corvinel {

class HistorySnapshot;
class SqliteDb;

using Values = std::array<std::array<std::int16_t, kPositions>, kKindCount>; // [kind][p - 1]
using Lists = std::array<std::string, 7>; // number list, then the lists of kinds 0..5

// One complete draw record as the encoder writes it.
struct DrawRow
{
    std::int64_t sqqh = 0;
    std::int64_t qqh = 0;
    Values own {};
    Values previous {};
    Values earlier {};
    Lists lists; // txtHisLst, txtHisLstHm, Sx, Tou, Wei, He, Ds
    Lists preLists; // txtHisPreLst ... (rebuild only; empty otherwise)
};

// Bases the encoder codes zodiacs and segments with (settings SxIni, DsIni).
struct EncoderBases
{
    int zodiacBase = 1;
    int segmentBase = 1;
};

// The draw encoder. Its value arrays live for the whole run (zero at start)
// and move one step per encoded draw, whichever operation encodes; the list
// texts belong to one operation and are set up by beginAppend/beginRebuild.
class DrawEncoder
{
public:
    explicit DrawEncoder(ZodiacTables& tables);

    // Start of an append operation: previous lists from the last row of the
    // snapshot (empty texts when it has none); earlier lists empty.
    void beginAppend(const HistorySnapshot& snapshot, const EncoderBases& bases);
    // Start of a rebuild: previous and earlier lists empty.
    void beginRebuild();
    // After a retention deletion the first appended draw gets empty lists.
    void clearLists();

    // Encodes one draw and advances the state; `rebuild` also fills the
    // earlier lists of the row.
    DrawRow encode(std::int64_t sqqh, const std::array<int, kPositions>& numbers, const EncoderBases& bases,
                   bool rebuild);

    const Values& previousValues() const { return m_previous; }
    const Values& earlierValues() const { return m_earlier; }
    const Lists& previousLists() const { return m_prevLists; }

    // The whole run-long state as a value, so that an operation whose write
    // is rolled back can put the encoder back as it was.
    struct State
    {
        Values current {};
        Values previous {};
        Values earlier {};
        Lists prevLists;
        Lists earlierLists;
    };
    State saveState() const { return State { m_current, m_previous, m_earlier, m_prevLists, m_earlierLists }; }
    void restoreState(const State& s)
    {
        m_current = s.current;
        m_previous = s.previous;
        m_earlier = s.earlier;
        m_prevLists = s.prevLists;
        m_earlierLists = s.earlierLists;
    }

    // The lists and tokens of one draw's values, for a reader that needs them
    // without encoding (beginAppend() rebuilds the last stored row's lists).
    static Lists listsOf(const Values& v, const EncoderBases& bases);

private:
    ZodiacTables& m_tables;
    Values m_current {};
    Values m_previous {};
    Values m_earlier {};
    Lists m_prevLists;
    Lists m_earlierLists;
};

// Puts the encoder and the zodiac tables (whose year the encoder moves) back as
// they were unless dismissed: a rolled-back write must not leave its draws in
// the run-long value arrays, or the next appended draw would lag behind them.
class EncoderRollback
{
public:
    EncoderRollback(DrawEncoder& encoder, ZodiacTables& tables)
        : m_encoder(encoder)
        , m_tables(tables)
        , m_state(encoder.saveState())
        , m_savedTables(tables)
    {
    }
    ~EncoderRollback()
    {
        if (m_armed) {
            m_encoder.restoreState(m_state);
            m_tables = m_savedTables;
        }
    }
    EncoderRollback(const EncoderRollback&) = delete;
    EncoderRollback& operator=(const EncoderRollback&) = delete;
    void dismiss() { m_armed = false; }

private:
    DrawEncoder& m_encoder;
    ZodiacTables& m_tables;
    DrawEncoder::State m_state;
    ZodiacTables m_savedTables;
    bool m_armed = true;
};

// Appends draw records to lishi with one prepared INSERT, bound per row. The
// caller owns the transaction.
class RowWriter
{
public:
    // ByTrigger: the copy's insert trigger writes each copy row (any number of
    // rows). Written: the caller has set that trigger aside in its
    // transaction (schema::setCopyInsertTriggerAsideSql) and restores it
    // before committing; the writer inserts each copy row itself, which spares
    // SQLite the statement journal a triggered insert needs (the bulk writes
    // of a whole history).
    enum class CopyRows
    {
        ByTrigger,
        Written
    };
    explicit RowWriter(SqliteDb& db, CopyRows copy = CopyRows::ByTrigger);
    bool isValid() const;
    bool insert(const DrawRow& row);
    QString lastError() const;

private:
    SqliteDb& m_db;
    CopyRows m_copy;
};

} // namespace corvinel
