#pragma once

#include <QAbstractTableModel>
#include <QList>
#include <QStringList>

#include <functional>

namespace corvinel {

// The model behind each grid (MSFlexGrid1..3): either a table of texts or a
// lazy provider that formats a cell when the view asks for it, so a grid over
// 100,000 draws costs nothing until it is scrolled. The header is the view's
// horizontal header; the exports copy it as their first row, so gridText()
// numbers the rows with the header as row 0.
class GridModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    using CellFunction = std::function<QString(int row, int column)>;

    explicit GridModel(QObject* parent = nullptr);

    // Texts given row by row; short rows read as empty cells.
    void setTable(const QStringList& header, const QList<QStringList>& rows);
    // `rows` x header.size() cells, each computed by `cell` on demand.
    void setProvider(const QStringList& header, int rows, CellFunction cell);
    void clear();
    // A tool tip for every cell of a row (empty function: none).
    void setRowToolTip(std::function<QString(int row)> tip) { m_rowTip = std::move(tip); }

    QStringList header() const { return m_header; }
    QString cell(int row, int column) const;
    // Row 0 is the header, rows 1.. the data rows.
    int gridRows() const { return rowCount() + 1; }
    QString gridText(int row, int column) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    QStringList m_header;
    QList<QStringList> m_rows;
    int m_rowCount = 0;
    CellFunction m_cell;
    std::function<QString(int row)> m_rowTip;
};

} // namespace corvinel
