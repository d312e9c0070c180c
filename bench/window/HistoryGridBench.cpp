// Times the history grid over a large history: model reset, scroll to the
// last row and one paint of the view (offscreen).
#include "app/GridModel.h"
#include "session/HistoryGrid.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTableView>
#include <QTextStream>

#include <cstdio>

using namespace corvinel;

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    const int rows = argc > 1 ? QString::fromLatin1(argv[1]).toInt() : 100000;
    std::vector<SnapshotRow> data(rows);
    for (int i = 0; i < rows; ++i) {
        data[i].sqqh = 100101001 + i;
        for (int p = 0; p < kPositions; ++p)
            data[i].values[p][0] = static_cast<std::int16_t>((i + p) % 20 + 1);
    }
    const HistorySnapshot snapshot(std::move(data));
    GridModel model;
    QTableView view;
    view.setModel(&model);
    view.resize(420, 600);
    view.show();
    QCoreApplication::processEvents();

    QElapsedTimer t;
    t.start();
    model.setProvider(HistoryGrid::header(), HistoryGrid::rowCount(snapshot),
                      [&](int r, int c) { return HistoryGrid::cell(snapshot, r, c); });
    const qint64 reset = t.nsecsElapsed();
    view.scrollToBottom();
    const qint64 scrolled = t.nsecsElapsed();
    view.grab();
    const qint64 painted = t.nsecsElapsed();
    QTextStream(stdout) << "history grid, " << rows << " rows: model reset " << reset / 1000 << " us, scroll "
                        << (scrolled - reset) / 1000 << " us, first paint " << (painted - scrolled) / 1000 << " us\n";
    return 0;
}
