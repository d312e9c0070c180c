#include "cli/CliContext.h"

#include <QFileInfo>

namespace corvinel {

// compact: the repair and compaction the program runs after deleting draws,
// on its own: integrity check, a compacted copy, the copy replaces the
// database. A failing step leaves the database as it was.
int runCompact(CliContext& ctx, const QStringList& args)
{
    if (!args.isEmpty())
        return ctx.usage(QStringLiteral("compact takes no arguments"));
    HistoryStore& store = ctx.session().store();
    const QString path = store.databasePath();
    const qint64 before = QFileInfo(path).size();
    if (!store.compact())
        return ctx.refuse(QStringLiteral("%1; the history was left as it was").arg(store.lastError()));
    const qint64 after = QFileInfo(path).size();
    ctx.out() << "compacted " << path << ": " << before << " -> " << after << " bytes, " << store.rowCount()
              << " draws\n";
    ctx.out().flush();
    return kExitOk;
}

} // namespace corvinel
