#include "store/DrawEncoder.h"
#include "store/HistoryStore.h"
#include "store/Schema.h"
#include "core/ZodiacTables.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <sqlite3.h>

using namespace corvinel;

namespace {

using Nums = std::array<int, 8>;

// Reads one row of lishi by issue number: every column as text.
std::map<std::string, std::string> readRow(HistoryStore& store, std::int64_t sqqh)
{
    std::map<std::string, std::string> row;
    Statement st = store.db().prepare("SELECT * FROM lishi WHERE SQQH = ?1");
    st.bind(1, sqqh);
    if (st.step() != SQLITE_ROW)
        return row;
    for (int i = 0; i < st.columnCount(); ++i)
        row[st.columnName(i).toStdString()] = std::string(st.columnUtf8(i));
    return row;
}

struct Fixture
{
    QTemporaryDir dir;
    HistoryStore store;
    ZodiacTables tables;
    DrawEncoder encoder { tables };

    Fixture() { EXPECT_TRUE(store.open(dir.path())); }

    void append(const std::vector<std::pair<std::int64_t, Nums>>& draws, EncoderBases bases = {}, bool rebuild = false)
    {
        if (rebuild)
            encoder.beginRebuild();
        else
            encoder.beginAppend(store.snapshot(), bases);
        Transaction t(store.db());
        RowWriter w(store.db());
        for (const auto& [issue, nums] : draws)
            ASSERT_TRUE(w.insert(encoder.encode(issue, nums, bases, rebuild)));
        ASSERT_TRUE(t.commit());
    }
};

std::string values(const std::map<std::string, std::string>& row, int kind, schema::Lag lag = schema::Lag::Own)
{
    std::string s;
    for (int p = 1; p <= 8; ++p) {
        if (p > 1)
            s += ' ';
        s += row.at(schema::valueColumn(p, kind, lag));
    }
    return s;
}

} // namespace

TEST(DrawEncoder, WorkedExampleValuesListsAndLags)
{
    Fixture f;
    f.append({ { 160908052, { 5, 13, 20, 1, 9, 14, 18, 11 } },
               { 160908053, { 2, 4, 6, 8, 10, 12, 16, 19 } },
               { 160908054, { 3, 7, 15, 17, 20, 1, 5, 9 } } });

    const auto row = readRow(f.store, 160908052);
    ASSERT_FALSE(row.empty());
    EXPECT_EQ(row.at("QQH"), "160908053");
    EXPECT_EQ(values(row, 0), "5 13 20 1 9 14 18 11");
    EXPECT_EQ(values(row, 1), "5 9 2 9 1 8 4 11");
    EXPECT_EQ(values(row, 2), "0 1 2 0 0 1 1 1");
    EXPECT_EQ(values(row, 3), "5 3 0 1 9 4 8 1");
    EXPECT_EQ(values(row, 4), "5 4 2 1 9 5 9 2");
    EXPECT_EQ(values(row, 5), "2 4 5 1 3 4 5 3");
    // First row of the run: nothing before it.
    EXPECT_EQ(values(row, 1, schema::Lag::Previous), "0 0 0 0 0 0 0 0");
    EXPECT_EQ(row.at("txtHisLst"), "");

    const auto next = readRow(f.store, 160908053);
    EXPECT_EQ(next.at("txtHisLst"), "05 13 20 01 09 14 18 11 ");
    EXPECT_EQ(next.at("txtHisLstHm"), "1X05 1X13 1X20 1X01 1X09 1X14 1X18 1X11 ");
    EXPECT_EQ(next.at("txtHisLstSx"), "1X05 1X09 1X02 2X09 1X01 1X08 1X04 1X11 ");
    EXPECT_EQ(next.at("txtHisLstTou"), "1X0 1X1 1X2 2X0 3X0 2X1 3X1 4X1 ");
    EXPECT_EQ(next.at("txtHisLstWei"), "1X5 1X3 1X0 1X1 1X9 1X4 1X8 2X1 ");
    EXPECT_EQ(next.at("txtHisLstHe"), "1X05 1X04 1X02 1X01 1X09 2X05 2X09 2X02 ");
    EXPECT_EQ(next.at("txtHisLstDs"), "1X2 1X4 1X5 1X1 1X3 2X4 2X5 2X3 ");
    EXPECT_EQ(next.at("txtHisPreLst"), "");
    for (int k = 0; k < 6; ++k)
        EXPECT_EQ(values(next, k, schema::Lag::Previous), values(row, k)) << "kind " << k;
    EXPECT_EQ(values(next, 0, schema::Lag::Earlier), "0 0 0 0 0 0 0 0");

    const auto third = readRow(f.store, 160908054);
    for (int k = 0; k < 6; ++k)
        EXPECT_EQ(values(third, k, schema::Lag::Earlier), values(row, k)) << "kind " << k;
    EXPECT_EQ(third.at("txtHisLst"), "02 04 06 08 10 12 16 19 ");
}

TEST(DrawEncoder, ZodiacFollowsSpringFestival)
{
    Fixture f;
    // 2016's Spring Festival is 8 February: on that day the year is still 2015
    // (羊 owns 01), the next day it is 2016 (猴 owns 01, 鼠 owns 09).
    f.append({ { 160208001, { 1, 9, 2, 3, 4, 5, 6, 7 } }, { 160209001, { 1, 9, 2, 3, 4, 5, 6, 7 } } });
    const auto before = readRow(f.store, 160208001);
    const auto after = readRow(f.store, 160209001);
    EXPECT_EQ(before.at("L1B"), "8"); // 羊, index 7, by order with base 1
    EXPECT_EQ(after.at("L1B"), "9"); // 猴
    EXPECT_EQ(after.at("L2B"), "1"); // 鼠
    EXPECT_EQ(f.tables.currentZodiacYear(), 2016);
}

TEST(DrawEncoder, YearsAfter2016UseTheirOwnSpringFestival)
{
    Fixture f;
    // 2017 starts on 28 January; 2050 has no date, so its zodiac year begins
    // on 1 January.
    f.append({ { 170127001, { 1, 2, 3, 4, 5, 6, 7, 8 } },
               { 170128001, { 1, 2, 3, 4, 5, 6, 7, 8 } },
               { 170129001, { 1, 2, 3, 4, 5, 6, 7, 8 } },
               { 500101001, { 1, 2, 3, 4, 5, 6, 7, 8 } } });
    EXPECT_EQ(readRow(f.store, 170127001).at("L1B"), "9"); // 2016 猴
    EXPECT_EQ(readRow(f.store, 170128001).at("L1B"), "9"); // still 2016 on the day itself
    EXPECT_EQ(readRow(f.store, 170129001).at("L1B"), "10"); // 2017 鸡
    // 2050 is a year of 马 (index 6).
    EXPECT_EQ(readRow(f.store, 500101001).at("L1B"), "7");
}

TEST(DrawEncoder, TensAndTwentyAndRepeatedValues)
{
    Fixture f;
    f.append({ { 161212001, { 10, 20, 11, 12, 13, 14, 15, 16 } }, { 161212002, { 1, 2, 3, 4, 5, 6, 7, 8 } } });
    const auto row = readRow(f.store, 161212001);
    EXPECT_EQ(row.at("L1E"), "1");
    EXPECT_EQ(row.at("L1F"), "0");
    EXPECT_EQ(row.at("L1G"), "1");
    EXPECT_EQ(row.at("L2E"), "2");
    EXPECT_EQ(row.at("L2F"), "0");
    EXPECT_EQ(row.at("L2G"), "2");
    EXPECT_EQ(row.at("L2H"), "5");
    const auto next = readRow(f.store, 161212002);
    EXPECT_EQ(next.at("txtHisLstTou"), "1X1 1X2 2X1 3X1 4X1 5X1 6X1 7X1 ");
    EXPECT_EQ(next.at("txtHisLstWei"), "1X0 2X0 1X1 1X2 1X3 1X4 1X5 1X6 ");
    EXPECT_EQ(next.at("txtHisLstHe"), "1X01 1X02 2X02 1X03 1X04 1X05 1X06 1X07 ");
}

TEST(DrawEncoder, AppendListsComeFromTheLastStoredRow)
{
    Fixture f;
    f.append({ { 161212001, { 1, 2, 3, 4, 5, 6, 7, 8 } } });
    // A second operation (a new encoder state would carry values; the lists
    // come from the stored row).
    ZodiacTables other;
    DrawEncoder fresh(other);
    fresh.beginAppend(f.store.snapshot(), {});
    const DrawRow row = fresh.encode(161212002, { 9, 10, 11, 12, 13, 14, 15, 16 }, {}, false);
    EXPECT_EQ(row.lists[0], "01 02 03 04 05 06 07 08 ");
    EXPECT_EQ(row.lists[6], "1X1 2X1 3X1 4X1 1X2 2X2 3X2 4X2 ");
    // The fresh encoder's value arrays start at zero, whatever is stored.
    EXPECT_EQ(row.previous[0][0], 0);
    for (const auto& s : row.preLists)
        EXPECT_EQ(s, "");
}

TEST(DrawEncoder, RebuildFillsEarlierListsFromTheThirdRowOn)
{
    Fixture f;
    f.append({ { 161212001, { 1, 2, 3, 4, 5, 6, 7, 8 } },
               { 161212002, { 9, 10, 11, 12, 13, 14, 15, 16 } },
               { 161212003, { 17, 18, 19, 20, 1, 2, 3, 4 } },
               { 161212004, { 5, 6, 7, 8, 9, 10, 11, 12 } } },
             {}, true);
    const auto r1 = readRow(f.store, 161212001);
    const auto r2 = readRow(f.store, 161212002);
    const auto r3 = readRow(f.store, 161212003);
    const auto r4 = readRow(f.store, 161212004);
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(r1.at(schema::listColumn(i, false)), "");
        EXPECT_EQ(r1.at(schema::listColumn(i, true)), "");
        EXPECT_EQ(r2.at(schema::listColumn(i, true)), "");
        EXPECT_EQ(r3.at(schema::listColumn(i, true)), r2.at(schema::listColumn(i, false)));
        EXPECT_EQ(r4.at(schema::listColumn(i, true)), r3.at(schema::listColumn(i, false)));
    }
    EXPECT_EQ(r3.at("txtHisPreLst"), "01 02 03 04 05 06 07 08 ");
}

TEST(DrawEncoder, ValueArraysCarryAcrossOperations)
{
    Fixture f;
    f.append({ { 161212001, { 1, 2, 3, 4, 5, 6, 7, 8 } }, { 161212002, { 9, 10, 11, 12, 13, 14, 15, 16 } } });
    f.append({ { 161212003, { 17, 18, 19, 20, 1, 2, 3, 4 } } });
    const auto r3 = readRow(f.store, 161212003);
    EXPECT_EQ(values(r3, 0, schema::Lag::Previous), "9 10 11 12 13 14 15 16");
    EXPECT_EQ(values(r3, 0, schema::Lag::Earlier), "1 2 3 4 5 6 7 8");
}

TEST(DrawEncoder, ZodiacBaseChangeAffectsOnlyNewRows)
{
    Fixture f;
    f.append({ { 160908001, { 9, 1, 2, 3, 4, 5, 6, 7 } } });
    f.tables.fillNumbersByOrder(0);
    const EncoderBases zero { 0, 0 };
    f.append({ { 160908002, { 9, 1, 2, 3, 4, 5, 6, 7 } }, { 160908003, { 1, 2, 3, 4, 5, 6, 7, 8 } } }, zero);
    EXPECT_EQ(readRow(f.store, 160908001).at("L1B"), "1"); // 鼠 with base 1, kept
    EXPECT_EQ(readRow(f.store, 160908002).at("L1B"), "0"); // 鼠 with base 0
    EXPECT_EQ(readRow(f.store, 160908002).at("L1H"), "2"); // segment of 9 with base 0
    // The zodiac counters run 0..11 now: 鼠 (0) gets its token.
    EXPECT_EQ(readRow(f.store, 160908003).at("txtHisLstSx").substr(0, 5), "1X00 ");
}
