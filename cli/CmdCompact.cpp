#include "cli/CliContext.h"

#include <QFileInfo>

namespace corvinel {

// compact: the repair and compaction the program runs after deleting draws,
// on its own: integrity check, a compacted copy, the copy replaces the
// database. A failing step leaves the database as it was.
int runCompact(CliContext& ctx, const ParsedArgs& parsed)
{
    if (!parsed.positional.isEmpty())
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

const CommandDecl& compactCommand()
{
    static const CommandDecl command {
        "compact",
        "compact",
        "checks the database and makes its file as small as possible",
        "Checks the history database for damage and compacts it, as the program does after deleting draws.\n"
        "Prints the file size before and after. A failing step leaves the database as it was.",
        {},
        runCompact
    };
    return command;
}

} // namespace corvinel
