#pragma once

// Helpers shared by the history tests: generated draws, files and a store
// with its encoder in a temporary folder.

#include "store/DrawEncoder.h"
#include "store/HistoryMaintenance.h"
#include "store/HistoryStore.h"
#include "store/Schema.h"
#include "store/SqliteDb.h"
#include "core/ZodiacTables.h"

#include <QByteArray>
#include <QDate>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace corvinel::testing {

// `count` draws of a game with `perDay` draws a day and `seqDigits`-digit
// sequence numbers, from day `first`, draw 1. The numbers are a shuffled
// choice of 8 of 1..20 that depends on the draw's index only.
inline std::vector<PlainDraw> makeDraws(int count, QDate first = QDate(2016, 9, 8), int perDay = 84, int seqDigits = 3,
                                        int firstSeq = 1)
{
    std::vector<PlainDraw> out;
    out.reserve(static_cast<std::size_t>(count));
    QDate day = first;
    int seq = firstSeq;
    std::uint32_t state = 12345;
    const std::int64_t scale = seqDigits == 3 ? 1000 : 100;
    for (int i = 0; i < count; ++i) {
        PlainDraw d;
        const std::int64_t ymd = (day.year() % 100) * 10000 + day.month() * 100 + day.day();
        d.sqqh = ymd * scale + seq;
        std::array<int, 20> pool {};
        for (int k = 0; k < 20; ++k)
            pool[k] = k + 1;
        for (int k = 0; k < 8; ++k) {
            state = state * 1103515245u + 12345u;
            const int j = k + static_cast<int>((state >> 16) % static_cast<std::uint32_t>(20 - k));
            std::swap(pool[k], pool[j]);
            d.numbers[k] = pool[k];
        }
        out.push_back(d);
        if (++seq > perDay) {
            seq = 1;
            day = day.addDays(1);
        }
    }
    return out;
}

inline QByteArray drawLine(const PlainDraw& d)
{
    QByteArray s = QByteArray::number(static_cast<qlonglong>(d.sqqh));
    for (int n : d.numbers) {
        s += ' ';
        s += QByteArray::number(n).rightJustified(2, '0');
    }
    return s + " \n";
}

inline QByteArray drawFile(const std::vector<PlainDraw>& draws)
{
    QByteArray s;
    for (const PlainDraw& d : draws)
        s += drawLine(d);
    return s;
}

inline bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

inline QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

// One text or integer column of every row, in SQQH order.
inline std::vector<std::string> textColumn(SqliteDb& db, const std::string& column)
{
    std::vector<std::string> out;
    Statement st = db.prepare("SELECT \"" + column + "\" FROM lishi ORDER BY SQQH");
    while (st.isValid() && st.step() == SQLITE_ROW)
        out.emplace_back(st.columnUtf8(0));
    return out;
}

inline std::vector<std::int64_t> intColumn(SqliteDb& db, const std::string& column)
{
    std::vector<std::int64_t> out;
    Statement st = db.prepare("SELECT \"" + column + "\" FROM lishi ORDER BY SQQH");
    while (st.isValid() && st.step() == SQLITE_ROW)
        out.push_back(st.columnInt64(0));
    return out;
}

inline QString integrityOf(const QString& dbPath)
{
    SqliteDb db;
    if (!db.open(dbPath, true, false))
        return db.lastError();
    Statement st = db.prepare("PRAGMA integrity_check");
    if (!st.isValid() || st.step() != SQLITE_ROW)
        return db.lastError();
    return st.columnText(0);
}

// The draws stored in lishi (issue and L1A..L8A), in SQQH order.
inline std::vector<PlainDraw> storedDraws(HistoryStore& store)
{
    std::vector<PlainDraw> out;
    const HistorySnapshot snap = store.snapshot();
    for (const SnapshotRow& r : snap.rows()) {
        PlainDraw d;
        d.sqqh = r.sqqh;
        for (int p = 1; p <= kPositions; ++p)
            d.numbers[p - 1] = r.value(p, 0);
        out.push_back(d);
    }
    return out;
}

// A store, zodiac tables and encoder as the program holds them for a run.
struct HistoryFixture
{
    QTemporaryDir dir;
    HistoryStore store;
    ZodiacTables tables;
    std::unique_ptr<DrawEncoder> encoder;
    std::unique_ptr<HistoryMaintenance> maintenance;
    EncoderBases bases { 1, 1 };

    HistoryFixture()
    {
        store.open(dir.path());
        encoder = std::make_unique<DrawEncoder>(tables);
        maintenance = std::make_unique<HistoryMaintenance>(store, *encoder, tables);
    }
    QString path(const QString& name) const { return dir.filePath(name); }
    std::int64_t lastQqh()
    {
        const HistorySnapshot s = store.snapshot();
        return s.last() ? s.last()->qqh : 0;
    }
};

} // namespace corvinel::testing
