#include "app/WindowPanels.h"

#include "app/GridModel.h"
#include "app/Twips.h"
#include "core/Kinds.h"
#include "session/HistoryGrid.h"
#include "session/Session.h"

#include <QAction>
#include <QChart>
#include <QChartView>
#include <QGraphicsLayout>
#include <QLabel>
#include <QResizeEvent>
#include <QSplitter>
#include <QBoxLayout>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QStyle>
#include <QTabBar>
#include <QTableView>

namespace corvinel {

namespace {

QString gridTip()
{
    return QCoreApplication::translate("WindowPanels", "鼠标双击列表可以将列表导出到EXCEL");
}

QString positionCaption(int p)
{
    return QCoreApplication::translate("WindowPanels", "第%1位").arg(p);
}

template<typename W> W* named(W* w, const QString& name)
{
    w->setObjectName(name);
    return w;
}

QGroupBox* frame(const QString& name, const QString& caption, QWidget* parent)
{
    return named(new QGroupBox(caption, parent), name);
}

QLineEdit* box(const QString& name, QWidget* parent, int widthChars = 0)
{
    auto* e = named(new QLineEdit(parent), name);
    if (widthChars > 0)
        e->setFixedWidth(e->fontMetrics().horizontalAdvance(QString(widthChars, u'0')) + 12);
    return e;
}

QTableView* gridView(const QString& name, QWidget* parent)
{
    auto* v = named(new QTableView(parent), name);
    v->setSelectionBehavior(QAbstractItemView::SelectRows);
    v->setEditTriggers(QAbstractItemView::NoEditTriggers);
    v->verticalHeader()->setDefaultSectionSize(v->fontMetrics().height() + 4);
    v->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    v->verticalHeader()->hide();
    v->horizontalHeader()->setHighlightSections(false);
    return v;
}

// The grid's model, named after the grid's number.
GridModel* attachModel(QTableView* view, int which)
{
    auto* model = new GridModel(view);
    model->setObjectName(QStringLiteral("GridModel%1").arg(which));
    view->setModel(model);
    return model;
}

QRadioButton* radio(const QString& caption, const QString& name, QWidget* parent)
{
    return named(new QRadioButton(caption, parent), name);
}

QAction* checkable(QAction* a, const QString& name)
{
    a->setObjectName(name);
    a->setCheckable(true);
    return a;
}

QAction* action(QMenu* menu, const QString& caption, const QString& name)
{
    return named(menu->addAction(caption), name);
}

} // namespace

PromptLabel::PromptLabel(const QString& text, QWidget* parent)
    : QLabel(text, parent)
{
}

void PromptLabel::placeOver(QWidget* box)
{
    m_box = box;
    box->setParent(this);
    updateGeometry();
    layoutBox();
}

QSize PromptLabel::sizeHint() const
{
    if (!m_box)
        return QLabel::sizeHint();
    const QFontMetrics fm = fontMetrics();
    return { fm.horizontalAdvance(prefix()) + boxWidth() + fm.horizontalAdvance(suffix()) + 4,
             qMax(fm.height(), m_box->sizeHint().height()) };
}

void PromptLabel::resizeEvent(QResizeEvent* e)
{
    QLabel::resizeEvent(e);
    layoutBox();
}

void PromptLabel::paintEvent(QPaintEvent* e)
{
    if (!m_box) {
        QLabel::paintEvent(e);
        return;
    }
    QPainter p(this);
    p.setPen(palette().color(QPalette::WindowText));
    const QFontMetrics fm = fontMetrics();
    const int x = fm.horizontalAdvance(prefix());
    p.drawText(QRect(0, 0, x, height()), Qt::AlignLeft | Qt::AlignVCenter, prefix());
    p.drawText(QRect(x + boxWidth() + 2, 0, width(), height()), Qt::AlignLeft | Qt::AlignVCenter, suffix());
}

// The caption around the number part, read from the caption itself.
QString PromptLabel::prefix() const
{
    return text().section(QStringLiteral("2007001"), 0, 0);
}

QString PromptLabel::suffix() const
{
    return text().section(QStringLiteral("2007001"), 1).trimmed();
}

int PromptLabel::boxWidth() const
{
    return m_box->fontMetrics().horizontalAdvance(QStringLiteral("20161212001")) + 14;
}

void PromptLabel::layoutBox()
{
    if (!m_box)
        return;
    const int h = m_box->sizeHint().height();
    m_box->setGeometry(fontMetrics().horizontalAdvance(prefix()), qMax(0, (height() - h) / 2), boxWidth(), h);
}

// The history grid's widths in twips, widened where the font needs more room
// for a full issue number or a two-digit number (so nothing is cut off).
int historyColumnWidth(const QTableView* view, int column)
{
    const QFontMetrics fm = view->fontMetrics();
    const int content = fm.horizontalAdvance(column == 0 ? QStringLiteral("20161212001") : QStringLiteral("20")) + 8;
    return qMax(twipsToPixels(HistoryGrid::columnWidthTwips(column)), content);
}

HistoryPanel buildHistoryPanel(QWidget* parent, QBoxLayout* column, const Session& session)
{
    HistoryPanel p;
    p.grid = gridView(QStringLiteral("MSFlexGrid1"), parent);
    p.grid->setToolTip(gridTip());
    {
        int width = 2 * p.grid->frameWidth() + p.grid->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
        for (int c = 0; c < HistoryGrid::kColumns; ++c)
            width += historyColumnWidth(p.grid, c);
        // Every column (第8位 too) fits at any window width from 1024 on.
        p.grid->setMinimumWidth(width);
    }
    column->addWidget(p.grid, 1);

    p.label12 = named(
        new PromptLabel(QCoreApplication::translate("WindowPanels", "在下面输入 2007001    期历史号码:"), parent),
        QStringLiteral("Label12"));
    column->addWidget(p.label12);
    p.text1 = box(QStringLiteral("Text1"), p.label12);
    p.text1->setText(session.nextIssue());

    auto* entry = new QHBoxLayout;
    column->addLayout(entry);
    for (int k = 1; k <= kPositions; ++k) {
        auto* e = box(QStringLiteral("MaskEdBox1_%1").arg(k), parent, 2);
        e->setInputMask(QStringLiteral("00;_")); // two digits, prompt "_"
        e->setToolTip(QCoreApplication::translate("WindowPanels", "在此补充输入最新历史号码"));
        e->setAlignment(Qt::AlignCenter);
        p.maskEdBox1[k] = e;
        entry->addWidget(e);
    }
    entry->addStretch();

    auto* importButtons = new QGridLayout;
    column->addLayout(importButtons);
    p.cmdRdLst = named(new QPushButton(QCoreApplication::translate("WindowPanels", "读取历史号文本(&W)"), parent),
                       QStringLiteral("cmdRdLst"));
    p.cmdRdLst->setToolTip(
        QCoreApplication::translate("WindowPanels", "从历史号码文本文件中读取历史号中最后一期之后的新的历史号码"));
    p.command21 = named(new QPushButton(QCoreApplication::translate("WindowPanels", "历史号在线更新(&O)"), parent),
                        QStringLiteral("Command21"));
    p.command21->setToolTip(QCoreApplication::translate("WindowPanels", "从官方服务器更新历史号码"));
    p.command3 = named(new QPushButton(QCoreApplication::translate("WindowPanels", "删除最后历史(&D)"), parent),
                       QStringLiteral("Command3"));
    p.command4 = named(new QPushButton(QCoreApplication::translate("WindowPanels", "历史号码导出文本文件(&X)"), parent),
                       QStringLiteral("Command4"));
    importButtons->addWidget(p.cmdRdLst, 0, 0);
    importButtons->addWidget(p.command21, 0, 1);
    importButtons->addWidget(p.command3, 1, 0);
    importButtons->addWidget(p.command4, 1, 1);

    p.model = attachModel(p.grid, 1);
    return p;
}

PatternPanel buildPatternPanel(QWidget* parent, QBoxLayout* column, const Session& session)
{
    PatternPanel p;
    auto* tabRow = new QHBoxLayout;
    column->addLayout(tabRow);
    p.tabStrip = named(new QTabBar(parent), QStringLiteral("TabStrip1"));
    p.tabStrip->addTab(QCoreApplication::translate("WindowPanels", "自动历史位"));
    p.tabStrip->addTab(QCoreApplication::translate("WindowPanels", "手动输入号"));
    p.tabStrip->addTab(QCoreApplication::translate("WindowPanels", "验证指定期"));
    p.tabStrip->setExpanding(false);
    tabRow->addWidget(p.tabStrip);
    tabRow->addStretch();
    p.text4 = box(QStringLiteral("Text4"), parent, 12);
    p.text4->setText(session.patterns().verificationIssue);
    p.check4 = named(new QCheckBox(QCoreApplication::translate("WindowPanels", "仅检索该期前"), parent),
                     QStringLiteral("Check4"));
    tabRow->addWidget(p.text4);
    tabRow->addWidget(p.check4);

    auto* pages = new QWidget(parent);
    pages->setObjectName(QStringLiteral("TabPages"));
    auto* pagesLayout = new QGridLayout(pages);
    pagesLayout->setContentsMargins(0, 0, 0, 0);
    column->addWidget(pages);
    for (int t = 0; t < 3; ++t) {
        auto* f = named(new QFrame(pages), QStringLiteral("Frame2_%1").arg(t));
        f->setFrameShape(QFrame::StyledPanel);
        auto* g = new QGridLayout(f);
        PatternPageWidgets& page = p.pages[static_cast<std::size_t>(t)];
        for (int k = 1; k <= kPositions; ++k) {
            // The controls keep the element numbers of their original arrays.
            const int element = t == Session::TabHistory ? k : (t == Session::TabManual ? k % 8 : 10 + k);
            const QString tickName = t == Session::TabManual ? QStringLiteral("Check11_%1") : QStringLiteral("Check1_%1");
            const QString boxName = t == Session::TabManual ? QStringLiteral("Text22_%1") : QStringLiteral("Text2_%1");
            auto* check = named(new QCheckBox(positionCaption(k), f), tickName.arg(element));
            QLineEdit* text = box(boxName.arg(element), f, 3);
            if (t == Session::TabManual) {
                // Typed keys are filtered by the window's event filter; the
                // validator keeps pasted text to the same characters.
                text->setValidator(
                    new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[-0-9]*")), text));
            }
            text->setAlignment(Qt::AlignCenter);
            g->addWidget(check, 0, k - 1, Qt::AlignHCenter);
            g->addWidget(text, 1, k - 1, Qt::AlignHCenter);
            page.ticks[static_cast<std::size_t>(k - 1)] = check;
            page.values[static_cast<std::size_t>(k - 1)] = text;
        }
        pagesLayout->addWidget(f, 0, 0);
        page.frame = f;
    }
    return p;
}

namespace {

// Frame1(0..2) and Frame7: the positions, the issues and the number groups
// searched, and the issue range.
void buildRangeRow(OptionPanel& p, QWidget* parent, QBoxLayout* column, const Session& session)
{
    auto* optionsRow = new QHBoxLayout;
    column->addLayout(optionsRow);
    auto* frame10
        = frame(QStringLiteral("Frame1_0"), QCoreApplication::translate("WindowPanels", "检索位选择"), parent);
    auto* l10 = new QVBoxLayout(frame10);
    p.option1[1] = radio(QCoreApplication::translate("WindowPanels", "自由位"), QStringLiteral("Option1_1"), frame10);
    p.option1[0] = radio(QCoreApplication::translate("WindowPanels", "固定位"), QStringLiteral("Option1_0"), frame10);
    l10->addWidget(p.option1[1]);
    l10->addWidget(p.option1[0]);
    optionsRow->addWidget(frame10);

    auto* frame11
        = frame(QStringLiteral("Frame1_1"), QCoreApplication::translate("WindowPanels", "检索期选择"), parent);
    auto* l11 = new QVBoxLayout(frame11);
    p.option1[3] = radio(QCoreApplication::translate("WindowPanels", "上期"), QStringLiteral("Option1_3"), frame11);
    p.option1[2] = radio(QCoreApplication::translate("WindowPanels", "前    期"), QStringLiteral("Option1_2"), frame11);
    l11->addWidget(p.option1[3]);
    l11->addWidget(p.option1[2]);
    // MaskEdBox2 sits between "前" and "期" of Option1(2)'s caption.
    p.maskEdBox2 = box(QStringLiteral("MaskEdBox2"), p.option1[2]);
    p.maskEdBox2->setInputMask(QStringLiteral("0;_")); // one digit, prompt "_"
    p.maskEdBox2->setAlignment(Qt::AlignCenter);
    optionsRow->addWidget(frame11);

    auto* frame12
        = frame(QStringLiteral("Frame1_2"), QCoreApplication::translate("WindowPanels", "号码组选择"), parent);
    auto* l12 = new QVBoxLayout(frame12);
    p.option2[5] = radio(QCoreApplication::translate("WindowPanels", "组选"), QStringLiteral("Option2_5"), frame12);
    p.option2[4] = radio(QCoreApplication::translate("WindowPanels", "直选"), QStringLiteral("Option2_4"), frame12);
    l12->addWidget(p.option2[5]);
    l12->addWidget(p.option2[4]);
    optionsRow->addWidget(frame12);

    auto* frame7 = frame(QStringLiteral("Frame7"), QCoreApplication::translate("WindowPanels", "检索起止期数"), parent);
    auto* l7 = new QGridLayout(frame7);
    p.text3[0] = box(QStringLiteral("Text3_0"), frame7, 11);
    p.text3[1] = box(QStringLiteral("Text3_1"), frame7, 11);
    p.text3[0]->setText(session.rangeStart());
    p.text3[1]->setText(session.rangeEnd());
    auto* label4 = named(new QLabel(QStringLiteral("～"), frame7), QStringLiteral("Label4"));
    l7->addWidget(
        named(new QLabel(QCoreApplication::translate("WindowPanels", "起"), frame7), QStringLiteral("Label2")), 0, 0);
    l7->addWidget(p.text3[0], 0, 1);
    l7->addWidget(label4, 0, 2);
    l7->addWidget(
        named(new QLabel(QCoreApplication::translate("WindowPanels", "止"), frame7), QStringLiteral("Label3")), 0, 3);
    l7->addWidget(p.text3[1], 0, 4);
    optionsRow->addWidget(frame7);
    optionsRow->addStretch();
}

// Frame3, Frame4 and Frame6: the kind searched, the kind tallied and the
// position tallied.
void buildKindRows(OptionPanel& p, QWidget* parent, QBoxLayout* column)
{
    auto* kindsRow = new QHBoxLayout;
    column->addLayout(kindsRow);
    auto* frame3 = frame(QStringLiteral("Frame3"), QCoreApplication::translate("WindowPanels", "搜索类型选择"), parent);
    auto* l3 = new QHBoxLayout(frame3);
    auto* frame4 = frame(QStringLiteral("Frame4"), QCoreApplication::translate("WindowPanels", "结果类型选择"), parent);
    auto* l4 = new QHBoxLayout(frame4);
    for (int i = 0; i < kKindCount; ++i) {
        p.option3[i] = radio(QCoreApplication::translate("WindowPanels", kKindCaptions[i]),
                             QStringLiteral("Option3_%1").arg(i), frame3);
        l3->addWidget(p.option3[i]);
        p.option4[i] = radio(QCoreApplication::translate("WindowPanels", kKindCaptions[i]),
                             QStringLiteral("Option4_%1").arg(i), frame4);
        l4->addWidget(p.option4[i]);
    }
    kindsRow->addWidget(frame3);
    kindsRow->addStretch();
    // Frame4 under Frame3, so the window fits a 1024x768 screen.
    auto* resultKindRow = new QHBoxLayout;
    column->addLayout(resultKindRow);
    resultKindRow->addWidget(frame4);
    resultKindRow->addStretch();

    auto* frame6 = frame(QStringLiteral("Frame6"), QCoreApplication::translate("WindowPanels", "结果统计选择"), parent);
    auto* l6 = new QHBoxLayout(frame6);
    for (int i = 1; i <= kPositions; ++i) {
        p.option5[i] = radio(positionCaption(i), QStringLiteral("Option5_%1").arg(i), frame6);
        l6->addWidget(p.option5[i]);
    }
    auto* sixRow = new QHBoxLayout;
    column->addLayout(sixRow);
    sixRow->addWidget(frame6);
    sixRow->addStretch();
}

// Frame5 (the combination search) and the command buttons.
void buildActionRow(OptionPanel& p, QWidget* parent, QBoxLayout* column)
{
    auto* actionRow = new QHBoxLayout;
    column->addLayout(actionRow);
    auto* frame5 = frame(QStringLiteral("Frame5"), QCoreApplication::translate("WindowPanels", "组合组位检索"), parent);
    auto* l5 = new QHBoxLayout(frame5);
    l5->addWidget(
        named(new QLabel(QCoreApplication::translate("WindowPanels", "组合位数"), frame5), QStringLiteral("Label1")));
    p.combo1 = named(new QComboBox(frame5), QStringLiteral("Combo1"));
    p.combo1->setEditable(true);
    p.combo1->setInsertPolicy(QComboBox::NoInsert);
    for (int i = 1; i <= 6; ++i)
        p.combo1->addItem(QString::number(i));
    l5->addWidget(p.combo1);
    p.option6[1] = radio(QCoreApplication::translate("WindowPanels", "红球"), QStringLiteral("Option6_1"), frame5);
    p.option6[0] = radio(QCoreApplication::translate("WindowPanels", "红蓝"), QStringLiteral("Option6_0"), frame5);
    l5->addWidget(p.option6[1]);
    l5->addWidget(p.option6[0]);
    p.command2 = named(new QPushButton(QCoreApplication::translate("WindowPanels", "组合检索(&G)"), frame5),
                       QStringLiteral("Command2"));
    l5->addWidget(p.command2);
    actionRow->addWidget(frame5);
    p.command1 = named(new QPushButton(QCoreApplication::translate("WindowPanels", "检索(&S)"), parent),
                       QStringLiteral("Command1"));
    actionRow->addWidget(p.command1);
    p.command9 = named(new QPushButton(QCoreApplication::translate("WindowPanels", "软件设置(&T)"), parent),
                       QStringLiteral("Command9"));
    actionRow->addWidget(p.command9);
    p.cmdTrend = named(new QPushButton(QCoreApplication::translate("WindowPanels", "走势图"), parent),
                       QStringLiteral("cmdTrend"));
    actionRow->addWidget(p.cmdTrend);
    actionRow->addStretch();
}

} // namespace

OptionPanel buildOptionPanel(QWidget* parent, QBoxLayout* column, const Session& session)
{
    OptionPanel p;
    buildRangeRow(p, parent, column, session);
    buildKindRows(p, parent, column);
    buildActionRow(p, parent, column);
    return p;
}

namespace {

// The result panes side by side where the width holds the matched draws and
// the ranking with its chart at once; stacked where it does not (a 1024x768
// screen), so that no pane is squeezed to a column or two.
class ResultPanes : public QSplitter
{
public:
    using QSplitter::QSplitter;

protected:
    void resizeEvent(QResizeEvent* e) override
    {
        const Qt::Orientation wanted = e->size().width() >= kSideBySide ? Qt::Horizontal : Qt::Vertical;
        if (orientation() != wanted)
            setOrientation(wanted);
        QSplitter::resizeEvent(e);
    }

private:
    static constexpr int kSideBySide = 700;
};

} // namespace

ResultPanel buildResultPanel(QWidget* parent, QBoxLayout* column)
{
    ResultPanel p;
    p.panes = named(new ResultPanes(Qt::Vertical, parent), QStringLiteral("resultSplitter"));
    p.panes->setChildrenCollapsible(false);
    column->addWidget(p.panes, 1);

    p.matches = gridView(QStringLiteral("MSFlexGrid2"), p.panes);
    p.matches->setToolTip(gridTip());
    // The last column (上期开奖) takes the room left, never cut off short.
    p.matches->horizontalHeader()->setStretchLastSection(true);
    p.matchesModel = attachModel(p.matches, 2);
    // A small screen still shows a few rows of each pane; the user drags
    // the splitter for more.
    p.matches->setMinimumHeight(3 * p.matches->verticalHeader()->defaultSectionSize());
    p.panes->addWidget(p.matches);

    p.rankingRow = named(new QSplitter(Qt::Horizontal, p.panes), QStringLiteral("rankingSplitter"));
    p.rankingRow->setChildrenCollapsible(false);
    auto* box = named(new QWidget(p.rankingRow), QStringLiteral("rankingBox"));
    auto* boxColumn = new QVBoxLayout(box);
    boxColumn->setContentsMargins(0, 0, 0, 0);
    p.matchCount = named(new QLabel(box), QStringLiteral("labelMatchCount"));
    p.matchCount->setWordWrap(true);
    boxColumn->addWidget(p.matchCount);
    p.ranking = gridView(QStringLiteral("MSFlexGrid3"), box);
    p.ranking->setMinimumHeight(2 * p.ranking->verticalHeader()->defaultSectionSize());
    boxColumn->addWidget(p.ranking, 1);
    p.rankingModel = attachModel(p.ranking, 3);
    // Ranking grid column widths are fixed at start-up.
    const std::array<int, 4> rankWidths = { 480, 680, 800, 880 };
    p.rankingModel->setTable({ QString(), QString(), QString(), QString() }, {});
    for (int c = 0; c < 4; ++c)
        p.ranking->setColumnWidth(c, twipsToPixels(rankWidths[c]));
    p.rankingRow->addWidget(box);

    auto* chart = new QChart;
    chart->legend()->hide();
    // Every pixel of height goes to the bars: up to twenty labels must fit.
    chart->setMargins(QMargins(2, 2, 2, 2));
    chart->layout()->setContentsMargins(0, 0, 0, 0);
    chart->setBackgroundRoundness(0);
    // Given to the constructor, the view owns the chart.
    p.chart = named(new QChartView(chart, p.rankingRow), QStringLiteral("chartResult"));
    p.chart->setRenderHint(QPainter::Antialiasing);
    p.chart->setMinimumWidth(220);
    p.chart->setMinimumHeight(60);
    p.rankingRow->addWidget(p.chart);
    p.rankingRow->setStretchFactor(0, 1);
    p.rankingRow->setStretchFactor(1, 2);
    p.panes->addWidget(p.rankingRow);

    p.chanceGrid = gridView(QStringLiteral("gridChance"), p.panes);
    p.chanceGrid->setToolTip(gridTip());
    p.chanceModel = attachModel(p.chanceGrid, 4);
    p.panes->addWidget(p.chanceGrid);
    p.chanceGrid->hide();
    // The ranking and its chart get the larger share: twenty rows to read.
    p.panes->setStretchFactor(0, 2);
    p.panes->setStretchFactor(1, 3);
    p.panes->setStretchFactor(2, 2);

    auto* chanceRow = new QHBoxLayout;
    column->addLayout(chanceRow);
    p.chanceVerdict = named(new QLabel(parent), QStringLiteral("lblChance"));
    p.chanceVerdict->setWordWrap(true);
    chanceRow->addWidget(p.chanceVerdict, 1);
    p.chanceShown = named(new QCheckBox(QCoreApplication::translate("WindowPanels", "统计检验"), parent),
                          QStringLiteral("chkChance"));
    chanceRow->addWidget(p.chanceShown);
    QObject::connect(p.chanceShown, &QCheckBox::toggled, p.chanceGrid, &QWidget::setVisible);
    return p;
}

HistoryMenu buildHistoryMenu(QWidget* window)
{
    HistoryMenu m;
    m.menu
        = named(new QMenu(QCoreApplication::translate("WindowPanels", "历史管理"), window), QStringLiteral("mnuLsgl"));
    m.mnuDcls
        = action(m.menu, QCoreApplication::translate("WindowPanels", "导出历史号码(&O)"), QStringLiteral("mnuDcls"));
    m.mnuErase
        = action(m.menu, QCoreApplication::translate("WindowPanels", "删除最后历史(&E)"), QStringLiteral("mnuErase"));
    m.mnuClear
        = action(m.menu, QCoreApplication::translate("WindowPanels", "清空历史号码(&C)"), QStringLiteral("mnuClear"));
    m.mnuDlzd
        = action(m.menu, QCoreApplication::translate("WindowPanels", "删除到选定期(&D)"), QStringLiteral("mnuDlzd"));
    m.mnuEszhzd = action(m.menu, QCoreApplication::translate("WindowPanels", "删除最后指定数量期历史(&N)"),
                         QStringLiteral("mnuEszhzd"));
    return m;
}

SetupMenu buildSetupMenu(QWidget* window)
{
    SetupMenu m;
    m.menu = named(new QMenu(QCoreApplication::translate("WindowPanels", "设置"), window), QStringLiteral("mnuSetup"));
    auto* sx = named(m.menu->addMenu(QCoreApplication::translate("WindowPanels", "生肖参数设置(&S)")),
                     QStringLiteral("mnuSxCssetup"));
    m.mnuSxcs[0] = checkable(sx->addAction(QCoreApplication::translate("WindowPanels", "生肖参数0~11")),
                             QStringLiteral("mnuSxcs_0"));
    m.mnuSxcs[1] = checkable(sx->addAction(QCoreApplication::translate("WindowPanels", "生肖参数1~12")),
                             QStringLiteral("mnuSxcs_1"));
    auto* ds = named(m.menu->addMenu(QCoreApplication::translate("WindowPanels", "段数参数设置(&A)")),
                     QStringLiteral("mnuDssetup"));
    m.mnuDscs[0] = checkable(ds->addAction(QCoreApplication::translate("WindowPanels", "段数参数0~4")),
                             QStringLiteral("mnuDscs_0"));
    m.mnuDscs[1] = checkable(ds->addAction(QCoreApplication::translate("WindowPanels", "段数参数1~5")),
                             QStringLiteral("mnuDscs_1"));
    m.menu->addSeparator();
    auto* qz = named(m.menu->addMenu(QCoreApplication::translate("WindowPanels", "生肖取值设置(&Z)")),
                     QStringLiteral("mnuSxqzSetup"));
    m.mnuSxsetup[0] = checkable(qz->addAction(QCoreApplication::translate("WindowPanels", "生肖数字按顺序取值")),
                                QStringLiteral("mnuSxsetup_0"));
    m.mnuSxsetup[1] = checkable(qz->addAction(QCoreApplication::translate("WindowPanels", "生肖数字按年龄取值")),
                                QStringLiteral("mnuSxsetup_1"));
    m.menu->addSeparator();
    m.mnuSetDay = action(m.menu, QCoreApplication::translate("WindowPanels", "历史号码更新检索天(&Y)"),
                         QStringLiteral("mnuSetDay"));
    m.mnuUpdateBase = action(m.menu, QCoreApplication::translate("WindowPanels", "在线更新网址(&U)"),
                             QStringLiteral("mnuUpdateBase"));
    m.mnuFrontPage = action(m.menu, QCoreApplication::translate("WindowPanels", "软件介绍服务主页(&P)"),
                            QStringLiteral("mnuFrontPage"));
    m.mnuDescrb = action(m.menu, QCoreApplication::translate("WindowPanels", "软件介绍说明页面(&R)"),
                         QStringLiteral("mnuDescrb"));
    m.numYanshiDown = action(m.menu, QCoreApplication::translate("WindowPanels", "软件演示说明录像下载(&D)"),
                             QStringLiteral("numYanshiDown"));
    m.menu->addSeparator();
    auto* games = named(m.menu->addMenu(QCoreApplication::translate("WindowPanels", "彩种选择")),
                        QStringLiteral("mnuCaizhong"));
    m.mnuKL10[0] = checkable(games->addAction(QCoreApplication::translate("WindowPanels", "广东快乐十分")),
                             QStringLiteral("mnuKL10_0"));
    m.mnuKL10[1] = checkable(games->addAction(QCoreApplication::translate("WindowPanels", "天津快乐十分")),
                             QStringLiteral("mnuKL10_1"));
    m.mnuKL10[2] = checkable(games->addAction(QCoreApplication::translate("WindowPanels", "湖南快乐十分")),
                             QStringLiteral("mnuKL10_2"));
    m.menu->addSeparator();
    m.mnuTrend = action(m.menu, QCoreApplication::translate("WindowPanels", "走势图"), QStringLiteral("mnuTrend"));
    return m;
}

} // namespace corvinel
