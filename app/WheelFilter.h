#pragma once

#include <QList>
#include <QObject>
#include <QPointer>

class QTableView;
class QWidget;

namespace corvinel {

// Mouse wheel scrolling of the three grids, one row per wheel event: while one
// of the grids holds the window's keyboard focus, every wheel event anywhere
// over the window scrolls that grid by exactly one row (towards the user:
// down; away: up, never above the first row), whatever the size of the step.
// The grids' own wheel scrolling is kept out, so nothing adds to that row, and
// with no grid focused a wheel over a grid scrolls nothing. Wheel events over
// other controls reach them as usual while no grid is focused.
//
// Installed on the application, because a wheel event goes to the widget
// under the mouse, not to the window; it looks only at events for widgets of
// its own window.
class WheelFilter : public QObject
{
    Q_OBJECT

public:
    WheelFilter(QWidget* window, const QList<QTableView*>& grids, QObject* parent = nullptr);
    ~WheelFilter() override;

    // The grid the wheel scrolls now: the grid that holds the window's focus
    // (or whose child does), none otherwise.
    QTableView* target() const;

    // First visible row of a grid (its TopRow), and one row further down
    // (rows > 0) or up (rows < 0); the grid's scroll range limits the move.
    static int topRow(const QTableView* grid);
    static void scrollRows(QTableView* grid, int rows);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QTableView* gridContaining(const QWidget* w) const;

    QPointer<QWidget> m_window;
    QList<QPointer<QTableView>> m_grids;
};

} // namespace corvinel
