#pragma once

#include <QObject>

#include <array>

class QLineEdit;
class QTableView;

namespace corvinel {

class Dialogs;
class GridModel;
class Session;
struct HistoryPanel;

// The eight manual entry boxes MaskEdBox1_1 .. MaskEdBox1_8 under Label12:
// the focus moves on after a box's second digit, and as soon as box 8 holds
// two digits the draw is checked and stored under the next draw issue number
// shown in Text1. A stored draw empties the boxes, puts the focus back into
// box 1 and shows the history and the next issue number; a refused draw
// (a box incomplete, a value outside 01..20, a value twice) stores nothing,
// says which box and why under the title "输入有误", and leaves the boxes as
// typed.
//
// The entry lock is set when a draw has been stored and cleared by the next
// key typed into any of the boxes; while it is set, text changes do nothing,
// so the emptying of the boxes neither stores a second draw nor moves the
// focus.
//
// After a refusal, completing the box at fault again (box 8 still complete)
// retries the entry, so correcting that box is enough.
class ManualEntryController : public QObject
{
    Q_OBJECT

public:
    // Wired to the entry boxes and Text1 of the panel.
    ManualEntryController(Session& session, Dialogs& dialogs, QWidget* parentWindow, const HistoryPanel& panel);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

signals:
    // A line for the window's status bar (empty: clear it).
    void status(const QString& text);

private:
    void boxChanged(int box);
    void storeDraw();

    Session& m_session;
    Dialogs& m_dialogs;
    QWidget* m_parentWindow; // parent of the dialogs and windows it opens
    std::array<QLineEdit*, 9> m_boxes {}; // 1..8
    QLineEdit* m_issueBox; // Text1, focused when its issue number is refused
    QTableView* m_grid; // MSFlexGrid1, scrolled to a new draw
    GridModel* m_model;
    bool m_locked = false;
    int m_faultBox = 0; // the box named by the last refusal, 0 when none
};

} // namespace corvinel
