#pragma once

#include <QLabel>

#include <array>

class QAction;
class QBoxLayout;
class QCheckBox;
class QComboBox;
class QFrame;
class QChartView;
class QHBoxLayout;
class QLineEdit;
class QMenu;
class QPushButton;
class QRadioButton;
class QSplitter;
class QTabBar;
class QTableView;
class QWidget;

namespace corvinel {

class GridModel;
class Session;

// The main window is built panel by panel. Each builder makes the controls of
// one panel with their object names, lays them out where the window wants
// them and hands them back typed, so that the window and its controllers wire
// to the controls themselves rather than look them up by name.

// Label12 "在下面输入 2007001    期历史号码:": the number part is covered by
// Text1, which needs more room than the seven digits and four blanks of the
// caption, so the label draws its text around the box.
class PromptLabel : public QLabel
{
public:
    PromptLabel(const QString& text, QWidget* parent);

    void placeOver(QWidget* box);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void resizeEvent(QResizeEvent* e) override;
    void paintEvent(QPaintEvent* e) override;

private:
    QString prefix() const;
    QString suffix() const;
    int boxWidth() const;
    void layoutBox();

    QWidget* m_box = nullptr;
};

// The left column: the history grid and the ways new draws come in.
struct HistoryPanel
{
    QTableView* grid = nullptr; // MSFlexGrid1
    GridModel* model = nullptr;
    PromptLabel* label12 = nullptr;
    QLineEdit* text1 = nullptr;
    std::array<QLineEdit*, 9> maskEdBox1 {}; // 1..8
    QPushButton* cmdRdLst = nullptr;
    QPushButton* command21 = nullptr;
    QPushButton* command3 = nullptr;
    QPushButton* command4 = nullptr;
};

// One pattern page: position k's tick and value box at index k - 1.
struct PatternPageWidgets
{
    QFrame* frame = nullptr; // Frame2(t)
    std::array<QCheckBox*, 8> ticks {}; // Check1(k), Check11(k mod 8), Check1(10 + k)
    std::array<QLineEdit*, 8> values {}; // Text2(k), Text22(k mod 8), Text2(10 + k)
};

// The tab strip with the three pattern pages and the verification issue.
struct PatternPanel
{
    QTabBar* tabStrip = nullptr;
    QLineEdit* text4 = nullptr; // the verification issue
    QCheckBox* check4 = nullptr; // "仅检索该期前"
    // By Session::Tab: the reference draw's, the typed, the verification draw's.
    std::array<PatternPageWidgets, 3> pages {};
};

// The option frames and the command row under the pattern pages.
struct OptionPanel
{
    std::array<QRadioButton*, 4> option1 {};
    QLineEdit* maskEdBox2 = nullptr; // over Option1(2)
    std::array<QRadioButton*, 6> option2 {}; // elements 4, 5
    std::array<QLineEdit*, 2> text3 {};
    std::array<QRadioButton*, 6> option3 {};
    std::array<QRadioButton*, 6> option4 {};
    std::array<QRadioButton*, 9> option5 {}; // elements 1..8
    std::array<QRadioButton*, 2> option6 {};
    QComboBox* combo1 = nullptr;
    QPushButton* command2 = nullptr;
    QPushButton* command1 = nullptr;
    QPushButton* command9 = nullptr;
    QPushButton* cmdTrend = nullptr; // 走势图
};

// The matched draws and the ranking, each pane in a splitter the user can
// drag: the matched draws over the whole width, then the ranking with its
// count and chart, then the table "统计检验" (shown while chkChance is ticked).
struct ResultPanel
{
    QSplitter* panes = nullptr; // resultSplitter, vertical
    QTableView* matches = nullptr; // MSFlexGrid2
    GridModel* matchesModel = nullptr;
    QSplitter* rankingRow = nullptr; // rankingSplitter: the ranking box beside the chart
    QLabel* matchCount = nullptr; // labelMatchCount: "匹配 87 期，基数 87" above the ranking
    QTableView* ranking = nullptr; // MSFlexGrid3
    GridModel* rankingModel = nullptr;
    QChartView* chart = nullptr; // chartResult: the ranking as bars with chance's marks
    // The ranking beside chance: the verdict under the grids, the table
    // "统计检验" at the end of the row (shown while chkChance is ticked).
    QLabel* chanceVerdict = nullptr; // lblChance
    QCheckBox* chanceShown = nullptr; // chkChance
    QTableView* chanceGrid = nullptr; // gridChance
    GridModel* chanceModel = nullptr;
};

// The history menu (a right click on the history grid).
struct HistoryMenu
{
    QMenu* menu = nullptr; // mnuLsgl
    QAction* mnuDcls = nullptr;
    QAction* mnuErase = nullptr;
    QAction* mnuClear = nullptr;
    QAction* mnuDlzd = nullptr;
    QAction* mnuEszhzd = nullptr;
};

// The settings menu (Command9).
struct SetupMenu
{
    QMenu* menu = nullptr; // mnuSetup
    std::array<QAction*, 2> mnuSxcs {};
    std::array<QAction*, 2> mnuDscs {};
    std::array<QAction*, 2> mnuSxsetup {};
    QAction* mnuSetDay = nullptr;
    QAction* mnuUpdateBase = nullptr;
    QAction* mnuFrontPage = nullptr;
    QAction* mnuDescrb = nullptr;
    QAction* numYanshiDown = nullptr;
    std::array<QAction*, 3> mnuKL10 {};
    QAction* mnuTrend = nullptr; // 走势图
};

// The builders: controls are made as children of `parent` and added to
// `column`; the texts the session keeps are shown at once.
HistoryPanel buildHistoryPanel(QWidget* parent, QBoxLayout* column, const Session& session);
PatternPanel buildPatternPanel(QWidget* parent, QBoxLayout* column, const Session& session);
OptionPanel buildOptionPanel(QWidget* parent, QBoxLayout* column, const Session& session);
ResultPanel buildResultPanel(QWidget* parent, QBoxLayout* column);
HistoryMenu buildHistoryMenu(QWidget* window);
SetupMenu buildSetupMenu(QWidget* window);

// The history grid's widths, widened where the font needs more room.
int historyColumnWidth(const QTableView* view, int column);

} // namespace corvinel
