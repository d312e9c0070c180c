#pragma once

#include "app/Dialogs.h"
#include "session/Session.h"

#include <QMainWindow>

#include <array>
#include <memory>

class QAction;
class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QRadioButton;
class QTabBar;
class QTableView;

namespace corvinel {

class GridModel;

// The main window. It builds every control with the program's own object
// names, forwards the user's actions to the Session and shows the Session's
// state again after each of them; the work itself lives in the Session and in
// the feature controllers created in the constructor.
class frmMain : public QMainWindow
{
    Q_OBJECT

public:
    // Takes the session (started here when it has not been started yet; a
    // null session means the user's settings and data folder).
    explicit frmMain(std::unique_ptr<Session> session, QWidget* parent = nullptr);
    ~frmMain() override;

    Session& session() { return *m_session; }
    Dialogs& dialogs() { return m_dialogs; }
    // Models of MSFlexGrid1 (history), MSFlexGrid2 (matched draws) and
    // MSFlexGrid3 (ranking): which = 1, 2, 3.
    GridModel* gridModel(int which) const { return m_models[which]; }
    QTableView* grid(int which) const { return m_grids[which]; }
    QMenu* historyMenu() const { return m_mnuLsgl; }
    QMenu* setupMenu() const { return m_mnuSetup; }

    // Shows the session's state in the controls (texts, options, checks,
    // menus, the visible tab page).
    void refreshFromSession();
    // Refills the history grid from the session's snapshot.
    void refreshHistoryGrid();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildUi();
    void buildMenus();
    void connectControls();
    void placeOverlays();
    void askRetentionDays();
    void askUpdateBase();
    void openHelpPage(const char* page);

    std::unique_ptr<Session> m_session;
    Dialogs m_dialogs;

    QTabBar* m_tabStrip = nullptr;
    std::array<QFrame*, 3> m_frame2 {};
    std::array<QRadioButton*, 4> m_option1 {};
    std::array<QRadioButton*, 6> m_option2 {}; // elements 4, 5
    std::array<QRadioButton*, 6> m_option3 {};
    std::array<QRadioButton*, 6> m_option4 {};
    std::array<QRadioButton*, 9> m_option5 {}; // elements 1..8
    std::array<QRadioButton*, 2> m_option6 {};
    std::array<QCheckBox*, 19> m_check1 {}; // 1..8, 11..18
    std::array<QCheckBox*, 8> m_check11 {};
    QCheckBox* m_check4 = nullptr;
    std::array<QLineEdit*, 19> m_text2 {}; // 1..8, 11..18
    std::array<QLineEdit*, 8> m_text22 {};
    QLineEdit* m_text1 = nullptr;
    std::array<QLineEdit*, 2> m_text3 {};
    QLineEdit* m_text4 = nullptr;
    std::array<QLineEdit*, 9> m_maskEdBox1 {}; // 1..8
    QLineEdit* m_maskEdBox2 = nullptr;
    QComboBox* m_combo1 = nullptr;
    QLabel* m_label12 = nullptr;
    std::array<QTableView*, 4> m_grids {}; // 1..3
    std::array<GridModel*, 4> m_models {}; // 1..3

    QMenu* m_mnuLsgl = nullptr;
    QMenu* m_mnuSetup = nullptr;
    std::array<QAction*, 2> m_mnuSxcs {};
    std::array<QAction*, 2> m_mnuDscs {};
    std::array<QAction*, 2> m_mnuSxsetup {};
    std::array<QAction*, 3> m_mnuKL10 {};
};

} // namespace corvinel
