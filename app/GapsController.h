#pragma once

#include <QObject>

class QCheckBox;
class QMenu;
class QWidget;

namespace corvinel {

class Session;

// The window's part of the holes of the history: the check box "跳过缺期"
// (chkSkipGaps, placed under the search range), which the searches, the
// batch verification and the trend chart read through the session, and the
// item "缺期检查" (mnuGaps) of the settings menu, which lists the missing
// issues of the selected game's history in a dialog.
class GapsController : public QObject
{
    Q_OBJECT

public:
    // `rangeFrame` is the frame of the search range boxes (Frame7, a grid
    // layout); `setupMenu` the settings menu (mnuSetup).
    GapsController(Session& session, QWidget* window, QWidget* rangeFrame, QMenu* setupMenu);

    QCheckBox* skipGapsBox() const { return m_skipGaps; }
    // Opens the list of missing issues (mnuGaps); the dialog is modeless
    // under tests that read it back by its object name "dlgGaps".
    void showGaps();

private:
    Session& m_session;
    QWidget* m_window;
    QCheckBox* m_skipGaps = nullptr;
};

} // namespace corvinel
