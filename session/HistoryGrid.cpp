#include "session/HistoryGrid.h"

#include "core/IssueNumber.h"
#include "core/Kinds.h"

namespace corvinel {

QStringList HistoryGrid::header()
{
    QStringList h { QStringLiteral("期号") };
    for (int p = 1; p <= kPositions; ++p)
        h << QStringLiteral("第%1位").arg(p);
    return h;
}

QString HistoryGrid::cell(const HistorySnapshot& snapshot, int row, int column)
{
    if (row < 0 || row >= snapshot.recordCount() || column < 0 || column >= kColumns)
        return {};
    const SnapshotRow& r = snapshot.row(row);
    if (column == 0)
        return issue::displayForm(r.sqqh);
    return QString::number(r.value(column, kindIndex(Kind::Number)));
}

} // namespace corvinel
