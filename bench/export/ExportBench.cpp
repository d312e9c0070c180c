// Prints how long the exports of a 100,000-draw history grid take.
#include "export/HistoryTextExport.h"
#include "export/WorkbookExport.h"

#ifdef CORVINEL_BENCH_HISTORY_GRID
#include "session/HistoryGrid.h"
#include "store/HistorySnapshot.h"
#endif

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdio>
#include <random>

using namespace corvinel;

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int draws = argc > 1 ? std::atoi(argv[1]) : 100000;

    // The history grid as the window shows it: a header row, then the issue
    // number and the eight numbers without leading zeros.
    std::mt19937 rng(7);
    std::vector<std::array<int, 8>> numbers(draws);
    for (auto& d : numbers)
        for (int& n : d)
            n = 1 + static_cast<int>(rng() % 20);
    CellSource grid;
    grid.rows = draws + 1;
    grid.columns = 9;
    grid.text = [&numbers](int r, int c) -> QString {
        if (r == 0)
            return c == 0 ? QStringLiteral("期号") : QStringLiteral("第%1位").arg(c);
        if (c == 0)
            return QStringLiteral("20") + QString::number(161212001LL + r);
        return QString::number(numbers[r - 1][c - 1]);
    };

    QTemporaryDir dir;
    QElapsedTimer t;
    t.start();
    const ExportResult wb = workbook::writeInto(dir.path(), workbook::kHistoryFile, grid);
    const qint64 wbMs = t.elapsed();
    if (!wb.ok) {
        std::fprintf(stderr, "workbook failed: %s\n", qPrintable(wb.error));
        return 1;
    }
    std::printf("workbook: %d rows x 9 columns in %lld ms (%lld bytes; limit 3000 ms)\n", grid.rows,
                static_cast<long long>(wbMs), static_cast<long long>(QFileInfo(wb.path).size()));

    t.restart();
    const ExportResult txt = history_text::write(dir.path(), 161212001LL + draws, grid);
    const qint64 txtMs = t.elapsed();
    if (!txt.ok) {
        std::fprintf(stderr, "text file failed: %s\n", qPrintable(txt.error));
        return 1;
    }
    std::printf("text file: %d lines in %lld ms (%lld bytes)\n", draws, static_cast<long long>(txtMs),
                static_cast<long long>(QFileInfo(txt.path).size()));
    qint64 gridMs = 0;
#ifdef CORVINEL_BENCH_HISTORY_GRID
    // The window's own road: the history grid's cells formatted from the
    // snapshot while they are copied.
    std::vector<SnapshotRow> rows(draws);
    for (int i = 0; i < draws; ++i) {
        rows[i].sqqh = 161212001LL + i;
        for (int p = 0; p < 8; ++p)
            rows[i].values[p][0] = static_cast<std::int16_t>(numbers[i][p]);
    }
    const HistorySnapshot snapshot(std::move(rows));
    const QStringList header = HistoryGrid::header();
    CellSource history;
    history.rows = draws + 1;
    history.columns = HistoryGrid::kColumns;
    history.text = [&](int r, int c) { return r == 0 ? header.value(c) : HistoryGrid::cell(snapshot, r - 1, c); };
    t.restart();
    const ExportResult hw = workbook::writeInto(dir.path(), workbook::kHistoryFile, history);
    gridMs = t.elapsed();
    if (!hw.ok) {
        std::fprintf(stderr, "history grid workbook failed: %s\n", qPrintable(hw.error));
        return 1;
    }
    std::printf("history grid (from a snapshot) to workbook: %d rows in %lld ms\n", history.rows,
                static_cast<long long>(gridMs));
#endif
    return wbMs <= 3000 && gridMs <= 3000 ? 0 : 1;
}
