#pragma once

#include <QString>
#include <QStringList>

#include <vector>

namespace corvinel {

// A grid as text: a header row and the body cells row by row, plus the column
// widths in twips (empty when the grid keeps its own widths).
struct ResultTable
{
    QStringList header;
    std::vector<int> widthsTwips;
    std::vector<QString> cells; // row-major, header.size() cells per row

    int columnCount() const { return static_cast<int>(header.size()); }
    int rowCount() const { return header.isEmpty() ? 0 : static_cast<int>(cells.size()) / columnCount(); }
    const QString& cell(int row, int column) const { return cells[static_cast<std::size_t>(row) * columnCount() + column]; }
    QStringList row(int r) const
    {
        QStringList out;
        for (int c = 0; c < columnCount(); ++c)
            out << cell(r, c);
        return out;
    }
};

} // namespace corvinel
