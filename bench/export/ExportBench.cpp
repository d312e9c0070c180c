// Prints how long the exports of a 100,000-draw history grid take.
#include "HistoryTextExport.h"
#include "WorkbookExport.h"

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
    return wbMs <= 3000 ? 0 : 1;
}
