#include "app/WheelFilter.h"

#include <QApplication>
#include <QHeaderView>
#include <QScrollBar>
#include <QTableView>
#include <QWheelEvent>

#include <algorithm>

namespace corvinel {

WheelFilter::WheelFilter(QWidget* window, const QList<QTableView*>& grids, QObject* parent)
    : QObject(parent ? parent : window)
    , m_window(window)
{
    for (QTableView* g : grids)
        if (g)
            m_grids << g;
    if (qApp)
        qApp->installEventFilter(this);
}

WheelFilter::~WheelFilter()
{
    if (qApp)
        qApp->removeEventFilter(this);
}

QTableView* WheelFilter::gridContaining(const QWidget* w) const
{
    for (; w; w = w->parentWidget()) {
        for (const QPointer<QTableView>& g : m_grids)
            if (g && g == w)
                return g;
        if (w == m_window)
            break;
    }
    return nullptr;
}

QTableView* WheelFilter::target() const
{
    if (!m_window)
        return nullptr;
    // The window's focus widget stays set while another window is active, so
    // the grid that had the focus keeps the wheel, as it keeps the keys.
    QWidget* focus = m_window->focusWidget();
    return focus ? gridContaining(focus) : nullptr;
}

int WheelFilter::topRow(const QTableView* grid)
{
    // Per item the scroll bar's value is the row scrolled to the top (at the
    // end of the range the rows are bottom-aligned and a row above it may
    // show in part).
    if (grid->verticalScrollMode() == QAbstractItemView::ScrollPerItem)
        return grid->verticalScrollBar()->value();
    const int visual = grid->verticalHeader()->visualIndexAt(0);
    return visual < 0 ? 0 : visual;
}

void WheelFilter::scrollRows(QTableView* grid, int rows)
{
    QScrollBar* bar = grid->verticalScrollBar();
    if (grid->verticalScrollMode() == QAbstractItemView::ScrollPerItem) {
        // Per item, the scroll bar counts rows: its value is the top row.
        bar->setValue(bar->value() + rows);
        return;
    }
    QHeaderView* header = grid->verticalHeader();
    const int count = header->count();
    if (count == 0)
        return;
    int visual = std::clamp(topRow(grid) + rows, 0, count - 1);
    // Skip hidden rows in the direction of the move.
    while (visual > 0 && visual < count - 1 && header->isSectionHidden(header->logicalIndex(visual)))
        visual += rows > 0 ? 1 : -1;
    bar->setValue(header->sectionPosition(header->logicalIndex(visual)));
}

bool WheelFilter::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::Wheel || !watched->isWidgetType() || !m_window)
        return false;
    auto* widget = static_cast<QWidget*>(watched);
    if (widget != m_window && !m_window->isAncestorOf(widget))
        return false;
    auto* wheel = static_cast<QWheelEvent*>(event);
    QPoint delta = wheel->angleDelta();
    if (delta.isNull())
        delta = wheel->pixelDelta();
    // Sideways wheels are not the grids' row scrolling; they pass as usual.
    if (delta.y() == 0 && delta.x() != 0)
        return false;

    QTableView* grid = target();
    if (!grid) {
        // No grid focused: a grid under the mouse does not scroll either;
        // every other control gets its wheel.
        return gridContaining(widget) != nullptr;
    }
    // A begin or end of a touchpad gesture carries no step.
    if (delta.y() < 0)
        scrollRows(grid, 1);
    else if (delta.y() > 0)
        scrollRows(grid, -1);
    // Consumed here, so neither the grid under the mouse nor the focused
    // grid's own handler scrolls a second time.
    return true;
}

} // namespace corvinel
