#include "cli/CliContext.h"

#include "store/HistoryMaintenance.h"

#include <QFileInfo>

namespace corvinel {

// compact: the repair and compaction the program runs after deleting draws,
// on its own: integrity check, a compacted copy, the copy replaces the
// database. A failing step leaves the database as it was.
int runCompact(CliContext& ctx, const ParsedArgs& parsed)
{
    if (!parsed.positional.isEmpty())
        return ctx.usage(QStringLiteral("compact takes no arguments"));
    Session& s = ctx.session();
    HistoryStore& store = s.store();
    const QString path = store.databasePath();
    const qint64 before = QFileInfo(path).size();
    // After the integrity check: every draw's attributes derived again from
    // its numbers; rows edited behind the program's back are put right.
    int repaired = 0;
    const auto repair = [&](QString* error) {
        HistoryMaintenance maintenance(store, s.encoder(), s.zodiac());
        repaired = maintenance.repairAttributes(s.bases(), error);
        return repaired >= 0;
    };
    if (!store.compact(repair))
        return ctx.refuse(QStringLiteral("%1; the history was left as it was").arg(store.lastError()));
    if (const QString notice = store.copyNotice(); !notice.isEmpty())
        ctx.out() << notice << '\n';
    if (repaired > 0)
        ctx.out() << "repaired the attributes of " << repaired
                  << " draws whose stored zodiac, head, tail, sum or segment values did not follow from their numbers\n";
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
