#include "app/GridModel.h"

namespace corvinel {

GridModel::GridModel(QObject* parent)
    : QAbstractTableModel(parent)
{
}

void GridModel::setTable(const QStringList& header, const QList<QStringList>& rows)
{
    beginResetModel();
    m_header = header;
    m_rows = rows;
    m_rowCount = static_cast<int>(rows.size());
    m_cell = nullptr;
    endResetModel();
}

void GridModel::setProvider(const QStringList& header, int rows, CellFunction cell)
{
    beginResetModel();
    m_header = header;
    m_rows.clear();
    m_rowCount = cell ? qMax(0, rows) : 0;
    m_cell = std::move(cell);
    endResetModel();
}

void GridModel::clear()
{
    setTable({}, {});
}

QString GridModel::cell(int row, int column) const
{
    if (row < 0 || row >= m_rowCount || column < 0 || column >= m_header.size())
        return {};
    if (m_cell)
        return m_cell(row, column);
    const QStringList& r = m_rows[row];
    return column < r.size() ? r[column] : QString();
}

QString GridModel::gridText(int row, int column) const
{
    if (row == 0)
        return column >= 0 && column < m_header.size() ? m_header[column] : QString();
    return cell(row - 1, column);
}

int GridModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_rowCount;
}

int GridModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_header.size());
}

QVariant GridModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.model() != this)
        return {};
    if (role == Qt::DisplayRole)
        return cell(index.row(), index.column());
    if (role == Qt::TextAlignmentRole)
        return int(Qt::AlignCenter);
    if (role == Qt::ToolTipRole && m_rowTip)
        return m_rowTip(index.row());
    return {};
}

QVariant GridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    if (orientation == Qt::Horizontal)
        return section >= 0 && section < m_header.size() ? QVariant(m_header[section]) : QVariant();
    return section + 1;
}

} // namespace corvinel
