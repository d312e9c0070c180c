#include "app/ManualEntryController.h"

#include "app/GridModel.h"
#include "session/HistoryGrid.h"
#include "acquire/ManualEntry.h"
#include "core/IssueNumber.h"
#include "app/WindowPanels.h"
#include "session/HistoryChanges.h"
#include "session/HistoryHoles.h"
#include "app/Dialogs.h"
#include "session/Session.h"

#include <QEvent>
#include <QLineEdit>
#include <QTableView>

namespace corvinel {

ManualEntryController::ManualEntryController(Session& session, Dialogs& dialogs, QWidget* parentWindow,
                                             const HistoryPanel& panel)
    : QObject(parentWindow)
    , m_session(session)
    , m_dialogs(dialogs)
    , m_parentWindow(parentWindow)
    , m_boxes(panel.maskEdBox1)
    , m_issueBox(panel.text1)
    , m_grid(panel.grid)
    , m_model(panel.model)
{
    for (int k = 1; k <= kPositions; ++k) {
        QLineEdit* box = m_boxes[k];
        box->installEventFilter(this);
        // Every change counts, the user's and the program's; the lock keeps
        // the program's own emptying of the boxes from acting.
        connect(box, &QLineEdit::textChanged, this, [this, k] { boxChanged(k); });
    }
}

bool ManualEntryController::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        for (int k = 1; k <= kPositions; ++k)
            if (watched == m_boxes[k])
                m_locked = false;
    }
    // A click into an empty or partly typed box puts the cursor at its first
    // place (a masked box would otherwise take it where the click landed).
    if (event->type() == QEvent::MouseButtonRelease) {
        for (int k = 1; k <= kPositions; ++k) {
            if (watched == m_boxes[k] && !manual_entry::isComplete(m_boxes[k]->displayText()))
                m_boxes[k]->setCursorPosition(0);
        }
    }
    return QObject::eventFilter(watched, event);
}

void ManualEntryController::boxChanged(int box)
{
    QLineEdit* edit = m_boxes[box];
    if (!edit)
        return;
    // The displayed text keeps the prompt "_" of an untyped place, so a digit
    // typed into the second place alone is not read as the first.
    const QString shown = edit->displayText();
    if (box == kPositions && !m_locked && manual_entry::isComplete(shown)) {
        storeDraw();
        return;
    }
    // After a refused draw, completing the box at fault again tries once more:
    // box 8 already holds its two digits and would otherwise have to be
    // retyped. Other boxes do not, so retyping from box 1 stores no mixture of
    // new and old numbers.
    if (!m_locked && box == m_faultBox && manual_entry::isComplete(shown) && m_boxes[kPositions]
        && manual_entry::isComplete(m_boxes[kPositions]->displayText())) {
        storeDraw();
        return;
    }
    if (!m_locked && box < kPositions && manual_entry::placeHasDigit(shown, 1) && m_boxes[box + 1])
        m_boxes[box + 1]->setFocus(Qt::TabFocusReason);
}

void ManualEntryController::storeDraw()
{
    Session& s = m_session;
    manual_entry::BoxTexts texts;
    for (int k = 1; k <= kPositions; ++k)
        texts[k - 1] = m_boxes[k] ? m_boxes[k]->displayText() : QString();

    // The session empties the entry boxes once the draw is stored: that
    // emptying must not count as typing.
    m_locked = true;
    const QString issueText = m_issueBox ? m_issueBox->text() : s.nextIssue();
    const manual_entry::StoreOutcome outcome = HistoryChanges(s).enterDraw(issueText, texts);
    if (!outcome.ok) {
        m_locked = false;
        // The boxes keep what was typed; the box at fault gets the focus so
        // it can be corrected at once.
        const manual_entry::Check check = manual_entry::checkBoxes(texts);
        m_dialogs.message(tr(manual_entry::kRefusalTitle), outcome.error, QMessageBox::Ok,
                                    QMessageBox::Warning);
        QLineEdit* fault = nullptr;
        if (!manual_entry::storedIssue(issueText))
            fault = m_issueBox;
        else if (!check.ok && check.box >= 1)
            fault = m_boxes[check.box];
        m_faultBox = (!check.ok && check.box >= 1) ? check.box : 0;
        if (fault) {
            fault->setFocus(Qt::TabFocusReason);
            fault->selectAll();
        }
        return;
    }

    m_faultBox = 0;
    {
        QString note = tr("已存入 %1 期").arg(issue::displayForm(outcome.sqqh));
        if (const QString holes = missingIssuesNote(m_session); !holes.isEmpty())
            note += tr("；历史号码%1").arg(holes);
        emit status(note);
    }
    for (int k = 1; k <= kPositions; ++k) {
        if (m_boxes[k])
            m_boxes[k]->clear();
    }
    if (m_boxes[1])
        m_boxes[1]->setFocus(Qt::OtherFocusReason);

    QTableView* grid = m_grid;
    GridModel* model = m_model;
    if (grid && model && model->gridRows() > HistoryGrid::kScrollThreshold && model->rowCount() > 0)
        grid->scrollTo(model->index(model->rowCount() - 1, 0), QAbstractItemView::PositionAtTop);
}

} // namespace corvinel
