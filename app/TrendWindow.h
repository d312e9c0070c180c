#pragma once

#include "analysis/Trend.h"
#include "session/TrendSource.h"

#include <QAbstractTableModel>
#include <QWidget>

class QComboBox;
class QLabel;
class QTableView;

namespace corvinel {

class Dialogs;
class Session;

// The trend chart as a grid: one row per draw, then the summary and chance
// rows. A hit cell is filled and shows the value, an omission is grey.
class TrendModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    explicit TrendModel(QObject* parent = nullptr);

    void setTable(const TrendTable& table);
    const TrendTable& table() const { return m_table; }
    const ResultTable& grid() const { return m_grid; }
    // Rows of the draws; the summary and chance rows follow them.
    int drawRows() const { return m_table.rowCount(); }
    // The chance rows among the summary rows (counted from the first one).
    static constexpr int kChanceRow = 5;
    static constexpr int kAbsenceChanceRow = 7;
    // The text a cell shows: the chance rows as percentages, the rest as
    // the trend grid has it.
    QString displayText(int row, int column) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    TrendTable m_table;
    ResultTable m_grid;
};

// The window of the trend chart (走势图), opened from the main window. It
// shows the last N draws (30, 50, 100 or 200) for a kind (an attribute kind, or
// a shape kind under 整期形态 or 两面) and a scope (the whole draw or one
// position, as the kind allows), follows every change of the history, and
// writes "Zoushi.xlsx" into the data folder on a double click on the grid.
class TrendWindow : public QWidget
{
    Q_OBJECT

public:
    static constexpr const char* kWorkbookFile = "Zoushi.xlsx";

    TrendWindow(Session& session, Dialogs& dialogs, QWidget* parentWindow);

    TrendModel* model() const { return m_model; }
    QComboBox* lastChoice() const { return m_last; }
    QComboBox* kindChoice() const { return m_kind; }
    QComboBox* scopeChoice() const { return m_scope; }
    QTableView* grid() const { return m_grid; }
    QLabel* status() const { return m_status; }

    // Computes the chart again for the current choices.
    void refresh();
    // Writes the chart into "Zoushi.xlsx".
    void exportWorkbook();

    // The settings key of the window's size ("980x640"), written when the
    // user resizes it and read when it opens.
    // A chance as the grid shows it: a percentage, "<0.01%" below that.
    static QString percentText(double p);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // Sizes the columns to their contents and spreads what width is left
    // over all of them, so the grid fills the window and no figure is cut.
    void fitColumns();
    // The newest draw with the summary rows under it in view.
    void showNewest();
    // The remembered size, or a share of the screen.
    QSize initialSize() const;

    // The scope choice the kind allows: fixed to 整期 for a value of the whole
    // draw, a position for a position's 两面.
    void fitScope();

    Session& m_session;
    Dialogs& m_dialogs;
    TrendSource m_source;
    TrendModel* m_model = nullptr;
    QComboBox* m_last = nullptr;
    QComboBox* m_kind = nullptr;
    QComboBox* m_scope = nullptr;
    QTableView* m_grid = nullptr;
    QLabel* m_status = nullptr;
    int m_segmentBase = -1;
    bool m_sized = false; // true once the opening size is set: later resizes are the user's
};

} // namespace corvinel
