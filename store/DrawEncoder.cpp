#include "store/DrawEncoder.h"

#include "store/HistorySnapshot.h"
#include "store/Schema.h"
#include "store/SqliteDb.h"
#include "core/ZodiacTables.h"

#include <string>

namespace corvinel {

namespace {

// Counters of one draw's values, indexed by value, wide enough for every
// kind's counter range (zodiac base + 11 and segment base + 4 included).
struct Counters
{
    std::array<std::array<int, 32>, kKindCount> count {};
};

void appendPlain(std::string& s, int v)
{
    if (v >= 0 && v < 10) {
        s += static_cast<char>('0' + v);
        return;
    }
    s += std::to_string(v);
}

// At least two digits, the sign before them: 5 -> "05", -5 -> "-05".
void appendTwoDigits(std::string& s, int v)
{
    if (v >= 0 && v < 100) {
        s += static_cast<char>('0' + v / 10);
        s += static_cast<char>('0' + v % 10);
        return;
    }
    if (v < 0) {
        s += '-';
        v = -v;
        if (v < 10)
            s += '0';
    }
    s += std::to_string(v);
}

// Appends the number-list entry and the six occurrence tokens of position p.
// A value outside its kind's counter range gets no token.
void appendPosition(Lists& lists, Counters& counters, const Values& v, int p, const EncoderBases& bases)
{
    appendTwoDigits(lists[0], v[0][p]);
    lists[0] += ' ';
    for (int kind = 0; kind < kKindCount; ++kind) {
        const int value = v[kind][p];
        if (!counterRange(kind, bases.zodiacBase, bases.segmentBase).contains(value))
            continue;
        const int c = ++counters.count[kind][value];
        std::string& list = lists[schema::occurrenceList(kind)];
        appendPlain(list, c);
        list += 'X';
        if (twoDigitToken(kind))
            appendTwoDigits(list, value);
        else
            appendPlain(list, value);
        list += ' ';
    }
}

} // namespace

DrawEncoder::DrawEncoder(ZodiacTables& tables)
    : m_tables(tables)
{
}

Lists DrawEncoder::listsOf(const Values& v, const EncoderBases& bases)
{
    Lists lists;
    lists[0].reserve(24);
    for (int i = 1; i < 7; ++i)
        lists[i].reserve(40);
    Counters counters;
    for (int p = 0; p < kPositions; ++p)
        appendPosition(lists, counters, v, p, bases);
    return lists;
}

void DrawEncoder::beginAppend(const HistorySnapshot& snapshot, const EncoderBases& bases)
{
    clearLists();
    const SnapshotRow* last = snapshot.last();
    if (!last)
        return;
    Values v {};
    for (int p = 0; p < kPositions; ++p)
        for (int k = 0; k < kKindCount; ++k)
            v[k][p] = last->values[p][k];
    m_prevLists = listsOf(v, bases);
}

void DrawEncoder::beginRebuild()
{
    clearLists();
}

void DrawEncoder::clearLists()
{
    for (auto& s : m_prevLists)
        s.clear();
    for (auto& s : m_earlierLists)
        s.clear();
}

DrawRow DrawEncoder::encode(std::int64_t sqqh, const std::array<int, kPositions>& numbers, const EncoderBases& bases,
                            bool rebuild)
{
    // Zodiac year of the draw's date (YYMMDD leads the stored number) and the
    // number groups of that year.
    const int zodiacYear = ZodiacTables::zodiacYearOfStored(sqqh);
    m_tables.setCurrentZodiacYear(zodiacYear);
    m_tables.fillYearGroups(zodiacYear);

    for (int p = 0; p < kPositions; ++p) {
        const int n = numbers[p];
        m_current[0][p] = static_cast<std::int16_t>(n);
        m_current[1][p] = static_cast<std::int16_t>(m_tables.zodiacValueOf(n));
        m_current[2][p] = static_cast<std::int16_t>(n / 10);
        m_current[3][p] = static_cast<std::int16_t>(n % 10);
        m_current[4][p] = static_cast<std::int16_t>(n / 10 + n % 10);
        m_current[5][p] = static_cast<std::int16_t>((n - 1) / 4 + bases.segmentBase);
    }

    DrawRow row;
    row.sqqh = sqqh;
    row.qqh = sqqh + 1;
    row.own = m_current;
    row.previous = m_previous;
    row.earlier = m_earlier;
    row.lists = m_prevLists;
    if (rebuild)
        row.preLists = m_earlierLists;

    m_earlier = m_previous;
    if (rebuild)
        m_earlierLists = m_prevLists;
    m_prevLists = listsOf(m_current, bases);
    m_previous = m_current;
    return row;
}

namespace {

const std::string& insertSql()
{
    static const std::string sql = [] {
        const auto& cols = schema::lishiColumns();
        std::string names;
        std::string marks;
        int n = 0;
        for (const std::string& c : cols) {
            if (c == "intTh" || c == "bolOk" || c == "txtHisP6")
                continue;
            if (n++) {
                names += ", ";
                marks += ", ";
            }
            names += '"' + c + '"';
            marks += '?';
        }
        return "INSERT INTO lishi (" + names + ") VALUES (" + marks + ")";
    }();
    return sql;
}

} // namespace

RowWriter::RowWriter(SqliteDb& db, CopyRows copy)
    : m_db(db)
    , m_copy(copy)
{
}

bool RowWriter::isValid() const
{
    return m_db.cached(insertSql()).isValid()
        && (m_copy == CopyRows::ByTrigger || m_db.cached(schema::drawCopyInsertSql()).isValid());
}

bool RowWriter::insert(const DrawRow& row)
{
    Statement& st = m_db.cached(insertSql());
    if (!st.isValid())
        return false;
    // Parameters follow the table's column order: SQQH, QQH, own, S, P values
    // (position-major, kind-minor), then the seven lists and the seven
    // earlier lists.
    int i = 1;
    st.bind(i++, row.sqqh);
    st.bind(i++, row.qqh);
    for (const Values* v : { &row.own, &row.previous, &row.earlier })
        for (int p = 0; p < kPositions; ++p)
            for (int k = 0; k < kKindCount; ++k)
                st.bind(i++, static_cast<std::int64_t>((*v)[k][p]));
    for (const Lists* l : { &row.lists, &row.preLists })
        for (const std::string& s : *l)
            st.bindUtf8(i++, s);
    if (!st.exec())
        return false;
    if (m_copy == CopyRows::ByTrigger)
        return true;
    // The copy's columns in their order: SQQH, QQH, the own values
    // (position-major, kind-minor), the seven lists.
    Statement& copy = m_db.cached(schema::drawCopyInsertSql());
    if (!copy.isValid())
        return false;
    i = 1;
    copy.bind(i++, row.sqqh);
    copy.bind(i++, row.qqh);
    for (int p = 0; p < kPositions; ++p)
        for (int k = 0; k < kKindCount; ++k)
            copy.bind(i++, static_cast<std::int64_t>(row.own[k][p]));
    for (const std::string& s : row.lists)
        copy.bindUtf8(i++, s);
    return copy.exec();
}

QString RowWriter::lastError() const
{
    return m_db.lastError();
}

} // namespace corvinel
