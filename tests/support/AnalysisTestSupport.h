#pragma once

#include "store/DrawEncoder.h"
#include "store/HistoryStore.h"
#include "store/Schema.h"
#include "store/SqliteDb.h"
#include "core/ZodiacTables.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <array>
#include <random>
#include <string>
#include <vector>

namespace corvinel::testing {

using Nums = std::array<int, 8>;

// A history database in a temporary folder, filled through the draw encoder.
struct TestHistory
{
    QTemporaryDir dir;
    HistoryStore store;
    ZodiacTables tables;
    DrawEncoder encoder { tables };
    EncoderBases bases;

    // The database lies where corvinel-cli --data-dir dir finds the default
    // game's history (Hunan's folder), so a child process sees this history.
    QString folder() const { return dir.path() + QStringLiteral("/湖南快乐十分"); }

    TestHistory()
    {
        QDir().mkpath(folder());
        EXPECT_TRUE(store.open(folder()));
    }
    explicit TestHistory(const QString& copyOf)
    {
        QDir().mkpath(folder());
        EXPECT_TRUE(QFile::copy(copyOf, folder() + "/" + HistoryStore::kFileName));
        EXPECT_TRUE(store.open(folder()));
    }

    // Appends draws with consecutive issue numbers from `first`.
    void append(const std::vector<Nums>& draws, std::int64_t first = 161212001, bool rebuild = false)
    {
        if (rebuild)
            encoder.beginRebuild();
        else
            encoder.beginAppend(store.snapshot(), bases);
        Transaction t(store.db());
        RowWriter w(store.db());
        std::int64_t issue = first;
        for (const Nums& nums : draws)
            ASSERT_TRUE(w.insert(encoder.encode(issue++, nums, bases, rebuild)));
        ASSERT_TRUE(t.commit());
        store.markChanged();
    }

    // Every column of lishi in SQQH order, then Carcu in its row order, as text.
    std::vector<std::string> dump()
    {
        std::vector<std::string> out;
        Statement st = store.db().prepare("SELECT * FROM lishi ORDER BY SQQH");
        while (st.step() == SQLITE_ROW) {
            std::string row;
            for (int i = 0; i < st.columnCount(); ++i)
                row += st.columnName(i).toStdString() + "=" + std::string(st.columnUtf8(i)) + "|";
            out.push_back(row);
        }
        Statement c = store.db().prepare("SELECT Nmb, \"Count\" FROM Carcu ORDER BY rowid");
        while (c.step() == SQLITE_ROW)
            out.push_back("Carcu " + std::string(c.columnUtf8(0)) + " " + std::string(c.columnUtf8(1)));
        return out;
    }

    std::vector<std::int64_t> intColumn(const std::string& name)
    {
        std::vector<std::int64_t> v;
        Statement st = store.db().prepare("SELECT \"" + name + "\" FROM lishi ORDER BY SQQH");
        while (st.step() == SQLITE_ROW)
            v.push_back(st.columnInt64(0));
        return v;
    }
    std::vector<std::string> textColumn(const std::string& name)
    {
        std::vector<std::string> v;
        Statement st = store.db().prepare("SELECT \"" + name + "\" FROM lishi ORDER BY SQQH");
        while (st.step() == SQLITE_ROW)
            v.emplace_back(st.columnUtf8(0));
        return v;
    }
    void setText(std::int64_t sqqh, const std::string& column, const std::string& text)
    {
        Statement st = store.db().prepare("UPDATE lishi SET \"" + column + "\" = ?1 WHERE SQQH = ?2");
        st.bindUtf8(1, text);
        st.bind(2, sqqh);
        ASSERT_TRUE(st.exec());
        store.markChanged();
    }
};

// Eight distinct numbers 1..20 in a random drawn order.
inline Nums randomDraw(std::mt19937& rng)
{
    std::array<int, 20> all {};
    for (int i = 0; i < 20; ++i)
        all[i] = i + 1;
    std::shuffle(all.begin(), all.end(), rng);
    Nums n {};
    std::copy_n(all.begin(), 8, n.begin());
    return n;
}

} // namespace corvinel::testing
