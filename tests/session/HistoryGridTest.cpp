#include "session/HistoryGrid.h"

#include <gtest/gtest.h>

using namespace corvinel;

TEST(HistoryGrid, HeaderAndCellTexts)
{
    EXPECT_EQ(HistoryGrid::header(),
              (QStringList { QStringLiteral("期号"), QStringLiteral("第1位"), QStringLiteral("第2位"),
                             QStringLiteral("第3位"), QStringLiteral("第4位"), QStringLiteral("第5位"),
                             QStringLiteral("第6位"), QStringLiteral("第7位"), QStringLiteral("第8位") }));
    std::vector<SnapshotRow> rows(2);
    rows[0].sqqh = 16090852;
    rows[1].sqqh = 161212001;
    for (int p = 1; p <= 8; ++p) {
        rows[0].values[p - 1][0] = static_cast<std::int16_t>(p);
        rows[1].values[p - 1][0] = static_cast<std::int16_t>(p + 12);
    }
    const HistorySnapshot snap(rows);
    EXPECT_EQ(HistoryGrid::rowCount(snap), 2);
    EXPECT_EQ(HistoryGrid::cell(snap, 0, 0), QStringLiteral("2016090852"));
    EXPECT_EQ(HistoryGrid::cell(snap, 0, 3), QStringLiteral("3")); // no leading zero
    EXPECT_EQ(HistoryGrid::cell(snap, 1, 0), QStringLiteral("20161212001"));
    EXPECT_EQ(HistoryGrid::cell(snap, 1, 8), QStringLiteral("20"));
    EXPECT_TRUE(HistoryGrid::cell(snap, 2, 0).isEmpty());
    EXPECT_TRUE(HistoryGrid::cell(snap, 0, 9).isEmpty());
    EXPECT_EQ(HistoryGrid::columnWidthTwips(0), 1200);
    EXPECT_EQ(HistoryGrid::columnWidthTwips(5), 580);
}
