#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

namespace corvinel {

// A grid as text: a header row and the body cells, plus the column widths in
// twips (empty when the grid keeps its own widths). The body is either held
// cell by cell or formatted on demand from data the table keeps (the matched
// draw list can have as many rows as the history).
struct ResultTable
{
    QStringList header;
    std::vector<int> widthsTwips;
    std::vector<QString> cells; // row-major, header.size() cells per row
    int lazyRows = 0;
    std::function<QString(int row, int column)> lazyCell;

    int columnCount() const { return static_cast<int>(header.size()); }
    int rowCount() const
    {
        if (lazyCell)
            return lazyRows;
        return header.isEmpty() ? 0 : static_cast<int>(cells.size()) / columnCount();
    }
    QString cell(int row, int column) const
    {
        if (lazyCell)
            return lazyCell(row, column);
        return cells[static_cast<std::size_t>(row) * columnCount() + column];
    }
    QStringList row(int r) const
    {
        QStringList out;
        for (int c = 0; c < columnCount(); ++c)
            out << cell(r, c);
        return out;
    }
    // Every body cell, row by row.
    std::vector<QString> allCells() const
    {
        std::vector<QString> out;
        for (int r = 0; r < rowCount(); ++r)
            for (int c = 0; c < columnCount(); ++c)
                out.push_back(cell(r, c));
        return out;
    }
};

} // namespace corvinel
