// Times the history operations on a history of 100,000 draws: importing a
// text file, opening the window's state until the grid holds the last draw,
// deleting the last three draws (rebuild and compaction), and a baseline that
// appends rows one statement at a time outside a transaction.
//
// bench_history [DRAWS] [BASELINE_ROWS]   (defaults 100000 and 500)
//
// At 100,000 and 300,000 draws each figure with a target is printed with the
// target and the figure the same step gave before the compact copy of the
// draws (recorded on this machine, Release build); the window's memory is the
// resident size of the process once the window shows its grid.

#include "store/BackupRebuild.h"
#include "session/HistoryGrid.h"
#include "store/HistoryMaintenance.h"
#include "store/HistoryStore.h"
#include "core/DataFolder.h"
#include "core/IssueNumber.h"
#include "session/Session.h"
#include "core/Settings.h"
#include "acquire/TextImport.h"
#ifdef CORVINEL_BENCH_WINDOW
#include "app/GridModel.h"
#include "app/frmMain.h"
#endif

#include <QApplication>
#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>

using namespace corvinel;

namespace {

// Hunan-style draws: 84 a day, three-digit sequence numbers.
std::vector<PlainDraw> makeDraws(int count)
{
    std::vector<PlainDraw> out;
    out.reserve(count);
    QDate day(2016, 1, 1);
    int seq = 1;
    std::uint32_t state = 7;
    for (int i = 0; i < count; ++i) {
        PlainDraw d;
        d.sqqh = ((day.year() % 100) * 10000 + day.month() * 100 + day.day()) * 1000LL + seq;
        std::array<int, 20> pool {};
        for (int k = 0; k < 20; ++k)
            pool[k] = k + 1;
        for (int k = 0; k < 8; ++k) {
            state = state * 1103515245u + 12345u;
            std::swap(pool[k], pool[k + (state >> 16) % (20 - k)]);
            d.numbers[k] = pool[k];
        }
        out.push_back(d);
        if (++seq > 84) {
            seq = 1;
            day = day.addDays(1);
        }
    }
    return out;
}

void report(const char* what, double ms, double limitMs, double beforeMs = 0)
{
    if (limitMs > 0)
        std::printf("%-58s %9.1f ms  (limit %.0f ms: %s)", what, ms, limitMs, ms <= limitMs ? "ok" : "OVER");
    else
        std::printf("%-58s %9.1f ms", what, ms);
    if (beforeMs > 0)
        std::printf("  before %.1f ms (%.1fx)", beforeMs, beforeMs / ms);
    std::printf("\n");
    std::fflush(stdout);
}

// Resident size of this process in MB.
double residentMb()
{
    QFile f(QStringLiteral("/proc/self/statm"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = f.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toDouble() * 4096 / (1024.0 * 1024.0) : 0;
}

// Targets and the figures before the compact copy, by history size.
struct Figures
{
    int draws;
    double importLimit, importBefore;
    double replaceLimit, replaceBefore;
    double startUpLimit, startUpBefore;
    double windowLimit, windowBefore;
    double memoryLimitMb, memoryBeforeMb;
};
const Figures kFigures[] = {
    { 100000, 3000, 1763.2, 3000, 1798.9, 1000, 711.9, 1000, 866.4, 400, 133.9 },
    { 300000, 6000, 3057.9, 6000, 4538.2, 1000, 1309.9, 1000, 1561.1, 400, 205.4 },
};

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int draws = argc > 1 ? std::atoi(argv[1]) : 100000;
    const int baselineRows = argc > 2 ? std::atoi(argv[2]) : 500;
    Figures fig {};
    for (const Figures& f : kFigures)
        if (f.draws == draws)
            fig = f;
    QTemporaryDir dir;
    if (!dir.isValid()) {
        std::fprintf(stderr, "cannot create a temporary folder\n");
        return 1;
    }
    std::printf("history benchmark: %d draws, data in %s\n", draws, qPrintable(dir.path()));
    // The history lives in its game's folder (the draws are Hunan's, the
    // default game), where the session looks for it.
    const QString gameDir = gameHistoryFolder(dir.path(), issue::kHunan);

    const std::vector<PlainDraw> all = makeDraws(draws);
    QByteArray text;
    text.reserve(draws * 36);
    for (const PlainDraw& d : all) {
        text += QByteArray::number(static_cast<qlonglong>(d.sqqh));
        for (int n : d.numbers) {
            text += ' ';
            text += QByteArray::number(n).rightJustified(2, '0');
        }
        text += " \n";
    }
    const QString file = dir.filePath("draws.txt");
    {
        QFile f(file);
        if (!f.open(QIODevice::WriteOnly) || f.write(text) != text.size()) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
            return 1;
        }
    }

    // 1. Import into an empty history.
    double importMs = 0;
    {
        HistoryStore store;
        if (!store.open(gameDir)) {
            std::fprintf(stderr, "%s\n", qPrintable(store.lastError()));
            return 1;
        }
        ZodiacTables tables;
        DrawEncoder encoder(tables);
        HistoryMaintenance maintenance(store, encoder, tables);
        QElapsedTimer t;
        t.start();
        const ImportOutcome out = importTextFile(file, 0, store.snapshot(), maintenance, {});
        importMs = t.nsecsElapsed() / 1e6;
        if (!out.ok || out.imported != draws) {
            std::fprintf(stderr, "import failed: %s\n", qPrintable(out.error));
            return 1;
        }
        report("import of the text file (read, encode, one transaction)", importMs, fig.importLimit, fig.importBefore);

        // The same file again over the stored history: the old rows go to the
        // rollback journal as well.
        t.restart();
        const ImportOutcome again = importTextFile(file, 0, store.snapshot(), maintenance, {});
        const double againMs = t.nsecsElapsed() / 1e6;
        if (!again.ok) {
            std::fprintf(stderr, "second import failed: %s\n", qPrintable(again.error));
            return 1;
        }
        report("import replacing a stored history of the same size", againMs, fig.replaceLimit, fig.replaceBefore);
    }

    // 2. The window's state at start-up until the grid holds the last draw.
    {
        QElapsedTimer t;
        t.start();
        Session session(std::make_unique<Settings>(dir.filePath("settings.ini")), dir.path());
        session.startUp();
        const HistorySnapshot& snap = session.snapshot();
        const QString lastCell
            = snap.recordCount() > 0 ? HistoryGrid::cell(snap, snap.recordCount() - 1, 0) : QString();
        const double ms = t.nsecsElapsed() / 1e6;
        if (lastCell != issue::displayForm(all.back().sqqh)) {
            std::fprintf(stderr, "the grid's last row is %s\n", qPrintable(lastCell));
            return 1;
        }
        report("session start-up until the grid holds the last draw", ms, fig.startUpLimit, fig.startUpBefore);
    }

#ifdef CORVINEL_BENCH_WINDOW
    // 2b. The real window (offscreen) until its history grid shows the last draw.
    {
        QElapsedTimer t;
        t.start();
        frmMain window(std::make_unique<Session>(std::make_unique<Settings>(dir.filePath("settings.ini")), dir.path()));
        window.show();
        QCoreApplication::processEvents();
        GridModel* grid = window.gridModel(1);
        const QString lastCell = grid->rowCount() > 0 ? grid->cell(grid->rowCount() - 1, 0) : QString();
        const double ms = t.nsecsElapsed() / 1e6;
        if (lastCell != issue::displayForm(all.back().sqqh)) {
            std::fprintf(stderr, "the window's grid ends with %s\n", qPrintable(lastCell));
            return 1;
        }
        report("window (offscreen) until the grid shows the last draw", ms, fig.windowLimit, fig.windowBefore);
        const double mb = residentMb();
        std::printf("%-58s %9.1f MB", "memory of the process with the window open", mb);
        if (fig.memoryLimitMb > 0)
            std::printf("  (limit %.0f MB: %s)  before %.1f MB", fig.memoryLimitMb,
                        mb <= fig.memoryLimitMb ? "ok" : "OVER", fig.memoryBeforeMb);
        std::printf("\n");
    }
#endif

    // 2c. The check of the draw copy against lishi that every open runs, and
    // the open itself; then in-place compaction with its integrity check.
    {
        HistoryStore store;
        QElapsedTimer t;
        t.start();
        store.open(gameDir);
        const double openMs = t.nsecsElapsed() / 1e6;
        HistoryStore::CopyDigest lishi;
        HistoryStore::CopyDigest copy;
        QString error;
        t.restart();
        const bool read = store.drawCopyDigests(&lishi, &copy, &error);
        const double checkMs = t.nsecsElapsed() / 1e6;
        if (!read || !(lishi == copy) || !store.copyNotice().isEmpty()) {
            std::fprintf(stderr, "copy check failed: %s %s\n", qPrintable(error), qPrintable(store.copyNotice()));
            return 1;
        }
        report("full copy check (count, first/last, checksum of both)", checkMs, 0);
        t.restart();
        const bool edges = store.drawCopyDigests(&lishi, &copy, &error, HistoryStore::CopyCheck::Edges);
        const double edgesMs = t.nsecsElapsed() / 1e6;
        if (!edges || !(lishi == copy)) {
            std::fprintf(stderr, "copy check failed: %s\n", qPrintable(error));
            return 1;
        }
        report("copy check while the stamp holds (count, first/last)", edgesMs, 0);
        std::printf("%-58s %9.1f ms  (%s)\n", "open of the history, copy check included", openMs,
                    store.openCheck() == HistoryStore::CopyCheck::Edges ? "stamp held: count and edges"
                                                                         : "full comparison");
        t.restart();
        HistoryStore again;
        again.open(gameDir);
        std::printf("%-58s %9.1f ms  (%s)\n", "open again, nothing written since", t.nsecsElapsed() / 1e6,
                    again.openCheck() == HistoryStore::CopyCheck::Edges ? "stamp held: count and edges"
                                                                         : "full comparison");
        t.restart();
        if (!store.compact()) {
            std::fprintf(stderr, "compaction failed: %s\n", qPrintable(store.lastError()));
            return 1;
        }
        report("compaction in place (integrity_check, VACUUM)", t.nsecsElapsed() / 1e6, 0);
    }

    // 3. Delete the last three draws: backup, rebuild, compaction.
    {
        HistoryStore store;
        store.open(gameDir);
        ZodiacTables tables;
        DrawEncoder encoder(tables);
        HistoryMaintenance maintenance(store, encoder, tables);
        QElapsedTimer t;
        t.start();
        const MaintenanceOutcome out = deleteLastDraws(3, store, maintenance, 0, {});
        const double ms = t.nsecsElapsed() / 1e6;
        if (!out.ok || store.rowCount() != draws - 3 || !out.warning.isEmpty()) {
            std::fprintf(stderr, "deletion failed: %s %s\n", qPrintable(out.error), qPrintable(out.warning));
            return 1;
        }
        report("delete the last 3 draws (backup, rebuild, compaction)", ms, draws == 100000 ? 5000 : 0);
    }

    // 4. Baseline: the same rows appended one statement at a time, each its
    // own implicit transaction, as a row-by-row cursor append would.
    {
        QTemporaryDir baseDir;
        HistoryStore store;
        store.open(baseDir.path());
        ZodiacTables tables;
        DrawEncoder encoder(tables);
        encoder.beginAppend(store.snapshot(), {});
        const int n = std::min(baselineRows, draws);
        QElapsedTimer t;
        t.start();
        for (int i = 0; i < n; ++i) {
            const DrawRow row = encoder.encode(all[i].sqqh, all[i].numbers, {}, false);
            RowWriter writer(store.db());
            if (!writer.insert(row)) {
                std::fprintf(stderr, "baseline insert failed: %s\n", qPrintable(writer.lastError()));
                return 1;
            }
        }
        const double ms = t.nsecsElapsed() / 1e6;
        const double perRowBaseline = ms / n;
        const double perRowImport = importMs / draws;
        char what[96];
        std::snprintf(what, sizeof what, "baseline: %d rows, one autocommitted INSERT each", n);
        report(what, ms, 0);
        std::printf("%-58s %9.1f ms\n", "baseline extrapolated to the full file", perRowBaseline * draws);
        std::printf("per row: import %.2f us, baseline %.2f us, ratio %.1fx\n", perRowImport * 1000,
                    perRowBaseline * 1000, perRowBaseline / perRowImport);
    }
    return 0;
}
