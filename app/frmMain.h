#pragma once

#include "app/Dialogs.h"
#include "app/WindowPanels.h"
#include "app/FileFollower.h"
#include "session/Session.h"

#include <QMainWindow>
#include <QPointer>

#include <array>
#include <memory>

class QLabel;
class QMenu;
class QTableView;

namespace corvinel {

class BacktestController;
class ExportController;
class GapsController;
class GridModel;
class HistoryController;
class ManualEntryController;
class OddsController;
class SearchController;
class TrendWindow;
class UpdateController;
class WheelFilter;

// The main window. It builds every control with the program's own object
// names, forwards the user's actions to the Session and shows the Session's
// state again after each of them; the work itself lives in the Session and in
// the feature controllers, which the window owns and hands the controls they
// use.
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
    GridModel* gridModel(int which) const;
    QTableView* grid(int which) const;
    QMenu* historyMenu() const { return m_historyMenu.menu; }
    QMenu* setupMenu() const { return m_setupMenu.menu; }
    BacktestController* backtest() const { return m_backtestController.get(); }
    // 玩法与概率 and 投注与兑奖 (items of the settings menu).
    OddsController* odds() const { return m_oddsController.get(); }

    // Each shows one part of the session in its controls: the option groups,
    // boxes and menus; the pattern pages (values, ticks, visible page,
    // verification issue); the range boxes; the next issue number.
    void showChoices();
    void showPatterns();
    void showRange();
    void showNextIssue();
    // Refills the history grid from the session's snapshot.
    void refreshHistoryGrid();
    // 走势图: opens the trend window (or brings it forward); null before.
    void openTrendWindow();
    TrendWindow* trendWindow() const;
    // What the last action did, in the status bar (until the next one).
    void showStatus(const QString& text);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildUi();
    void createControllers();
    void connectControls();
    void placeOverlays();
    void askRetentionDays();
    void askUpdateBase();
    void openHelpPage(const char* page);
    void refreshStatusHistory();

    std::unique_ptr<Session> m_session;
    Dialogs m_dialogs;

    // The controls, panel by panel; the widgets are the window's children.
    HistoryPanel m_history;
    PatternPanel m_patterns;
    OptionPanel m_options;
    ResultPanel m_results;
    HistoryMenu m_historyMenu;
    SetupMenu m_setupMenu;
    QLabel* m_statusHistory = nullptr; // game, stored draws, last draw

    // The feature controllers use the session, the dialogs and the controls:
    // declared after the session and the dialogs, they end before them, and
    // as members before the child widgets, which go with the QWidget base.
    std::unique_ptr<HistoryController> m_historyController;
    std::unique_ptr<ManualEntryController> m_manualEntryController;
    std::unique_ptr<ExportController> m_exportController;
    std::unique_ptr<UpdateController> m_updateController;
    std::unique_ptr<SearchController> m_searchController;
    std::unique_ptr<BacktestController> m_backtestController;
    // 跳过缺期 and 缺期检查.
    std::unique_ptr<GapsController> m_gapsController;
    std::unique_ptr<WheelFilter> m_wheelFilter;
    std::unique_ptr<OddsController> m_oddsController;
    QPointer<TrendWindow> m_trendWindow;

    // Following the history file that other programs change (FileFollower).
public:
    FileFollower* fileFollower() const { return m_fileFollower.get(); }

private:
    std::unique_ptr<FileFollower> m_fileFollower;
};

} // namespace corvinel
