#pragma once

#include "store/HistorySnapshot.h"

#include <QString>
#include <QStringList>

namespace corvinel {

// Texts of the history grid MSFlexGrid1, computed cell by cell from a
// snapshot so that a view over 100,000 draws only formats what it shows.
// Rows are the snapshot's rows in SQQH order (the header is separate):
// column 0 is the issue number as displayed ("20" + SQQH), columns 1..8 the
// numbers L1A..L8A without a leading zero.
class HistoryGrid
{
public:
    static constexpr int kColumns = 9;

    static QStringList header();
    static int rowCount(const HistorySnapshot& snapshot) { return snapshot.recordCount(); }
    static QString cell(const HistorySnapshot& snapshot, int row, int column);
    // Column widths in twips: 1200 for the issue number, 580 for the numbers.
    static int columnWidthTwips(int column) { return column == 0 ? 1200 : 580; }
    // Grids with more rows than this scroll to their last row after a refresh.
    static constexpr int kScrollThreshold = 39;
};

} // namespace corvinel
