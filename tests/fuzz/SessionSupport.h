#pragma once

// A data folder with a short history, made once per process, for the fuzz
// targets that start a Session.

#include "store/DrawEncoder.h"
#include "FuzzSupport.h"
#include "session/Session.h"
#include "store/SqliteDb.h"

#include <QDir>

namespace corvinel::fuzz {

// Two days of draws of game 556 (stored form YYMMDD + three-digit sequence),
// the second day ending on its last draw so the next issue turns the day.
inline void fillHistory(Session& s)
{
    if (!s.snapshot().rows().empty())
        return;
    SqliteDb& db = s.store().db();
    s.encoder().beginAppend(s.snapshot(), s.bases());
    Transaction t(db);
    RowWriter w(db);
    FUZZ_CHECK(w.isValid());
    int seed = 0;
    for (const std::int64_t day : { std::int64_t(160907), std::int64_t(160908) }) {
        for (int seq = 75; seq <= 84; ++seq) {
            std::array<int, kPositions> n {};
            for (int p = 0; p < kPositions; ++p)
                n[p] = (seed + p * 3) % 20 + 1;
            ++seed;
            FUZZ_CHECK(w.insert(s.encoder().encode(day * 1000 + seq, n, s.bases(), false)));
        }
    }
    FUZZ_CHECK(t.commit());
    s.store().markChanged();
    s.reloadHistory();
}

// The data folder, its history written on first use.
inline QString dataFolder()
{
    static const QString folder = [] {
        QString f = scratchDir().filePath(QStringLiteral("data"));
        FUZZ_CHECK(QDir().mkpath(f));
        Session s(std::make_unique<Settings>(scratchDir().filePath(QStringLiteral("history.ini"))), f);
        s.startUp();
        FUZZ_CHECK(s.store().isOpen());
        fillHistory(s);
        return f;
    }();
    return folder;
}

} // namespace corvinel::fuzz
