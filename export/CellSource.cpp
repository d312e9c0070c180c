#include "export/CellSource.h"

#include <algorithm>
#include <memory>

namespace corvinel {

CellSource CellSource::fromTable(const QList<QStringList>& table)
{
    auto rows = std::make_shared<const QList<QStringList>>(table);
    int columns = 0;
    for (const QStringList& row : table)
        columns = std::max(columns, static_cast<int>(row.size()));
    CellSource source;
    source.rows = static_cast<int>(table.size());
    source.columns = columns;
    source.text = [rows](int r, int c) -> QString {
        const QStringList& row = rows->at(r);
        return c < row.size() ? row.at(c) : QString();
    };
    return source;
}

} // namespace corvinel
