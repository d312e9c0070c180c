#pragma once

#include "analysis/ChanceStatistics.h"
#include "analysis/SearchEngine.h"
#include "app/WindowPanels.h"

#include <QObject>

#include <memory>

class QChartView;

class QLabel;

namespace corvinel {

class Dialogs;
class Session;
class SessionSearch;

// Command1 "检索(&S)" and Command2 "组合检索(&G)": run the search on the
// window's state under the busy cursor, show the matched draw list
// (MSFlexGrid2), the ranking (MSFlexGrid3) and the same ranking as a bar chart
// beside it (chartResult), then write the search's marks to the database
// before anything else can run. Beside chance: the chart marks each bar's
// expected count ("随机期望"), a verdict line goes under the ranking
// (lblChance), every ranking row and bar has the figures as its tool tip, and
// the table "统计检验" (gridChance) shows them while chkChance is ticked. A range the search refuses is reported and
// nothing changes.
class SearchController : public QObject
{
    Q_OBJECT

public:
    // Wired to Command1 and Command2 of the option panel; shows its results
    // in the result panel, with the chart added to the panel's row.
    SearchController(Session& session, Dialogs& dialogs, QWidget* parentWindow, const OptionPanel& options,
                     const ResultPanel& results);
    ~SearchController() override;

    void command1Clicked();
    void command2Clicked();

signals:
    // A line for the window's status bar (empty: clear it).
    void status(const QString& text);

private:
    void run(bool combination);
    void showResult(const SearchResult& result);
    // The results of a history that has changed since: cleared, and the
    // count line says why.
    void clearResults();
    void showChart(const SearchResult& result);
    void showChance(const ChanceFigures& chance);

    Session& m_session;
    Dialogs& m_dialogs;
    QWidget* m_parentWindow; // parent of the dialogs and windows it opens
    ResultPanel m_results;
    std::unique_ptr<SessionSearch> m_search;
    ChanceFigures m_chance; // of the ranking shown
};

} // namespace corvinel
