#include "app/frmMain.h"

#include "core/DataFolder.h"
#include "app/ExportController.h"
#include "app/GridModel.h"
#include "app/HelpPages.h"
#include "app/HistoryController.h"
#include "session/HistoryGrid.h"
#include "core/Kinds.h"
#include "app/ManualEntryController.h"
#include "app/SearchController.h"
#include "app/Twips.h"
#include "app/UpdateController.h"
#include "app/WheelFilter.h"

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QCursor>
#include <QDesktopServices>
#include <QFocusEvent>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QSignalBlocker>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTabBar>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace corvinel {

namespace {

const QString kGridTip = QStringLiteral("鼠标双击列表可以将列表导出到EXCEL");

QString positionCaption(int p)
{
    return QStringLiteral("第%1位").arg(p);
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

// Updates a line edit only when its text differs, so that typing keeps its
// cursor and the signals are not fired back.
void showText(QLineEdit* e, const QString& text)
{
    if (e && e->text() != text) {
        const QSignalBlocker block(e);
        e->setText(text);
    }
}

void showCheck(QAbstractButton* b, bool checked)
{
    if (b && b->isChecked() != checked) {
        const QSignalBlocker block(b);
        b->setChecked(checked);
    }
}

// Radio groups may show no selection at all (a stored value out of range), so
// the buttons are set with exclusivity lifted for a moment.
template<std::size_t N, typename Pred> void showRadios(const std::array<QRadioButton*, N>& buttons, Pred selected)
{
    for (std::size_t i = 0; i < N; ++i) {
        QRadioButton* b = buttons[i];
        if (!b)
            continue;
        const bool want = selected(static_cast<int>(i));
        if (b->isChecked() == want)
            continue;
        const QSignalBlocker block(b);
        b->setAutoExclusive(false);
        b->setChecked(want);
        b->setAutoExclusive(true);
    }
}

// Label12 "在下面输入 2007001    期历史号码:": the number part is covered by
// Text1, which needs more room than the seven digits and four blanks of the
// caption, so the label draws its text around the box.
class PromptLabel : public QLabel
{
public:
    PromptLabel(const QString& text, QWidget* parent)
        : QLabel(text, parent)
    {
    }

    void placeOver(QWidget* box)
    {
        m_box = box;
        box->setParent(this);
        updateGeometry();
        layoutBox();
    }

    QSize sizeHint() const override
    {
        if (!m_box)
            return QLabel::sizeHint();
        const QFontMetrics fm = fontMetrics();
        return { fm.horizontalAdvance(prefix()) + boxWidth() + fm.horizontalAdvance(suffix()) + 4,
                 qMax(fm.height(), m_box->sizeHint().height()) };
    }
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void resizeEvent(QResizeEvent* e) override
    {
        QLabel::resizeEvent(e);
        layoutBox();
    }

    void paintEvent(QPaintEvent* e) override
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

private:
    // The caption around the number part, read from the caption itself.
    QString prefix() const { return text().section(QStringLiteral("2007001"), 0, 0); }
    QString suffix() const { return text().section(QStringLiteral("2007001"), 1).trimmed(); }
    int boxWidth() const { return m_box->fontMetrics().horizontalAdvance(QStringLiteral("20161212001")) + 14; }

    void layoutBox()
    {
        if (!m_box)
            return;
        const int h = m_box->sizeHint().height();
        m_box->setGeometry(fontMetrics().horizontalAdvance(prefix()), qMax(0, (height() - h) / 2), boxWidth(), h);
    }

    QWidget* m_box = nullptr;
};

// The history grid's widths in twips, widened where the font needs more room
// for a full issue number or a two-digit number (so nothing is cut off).
int historyColumnWidth(const QTableView* view, int column)
{
    const QFontMetrics fm = view->fontMetrics();
    const int content = fm.horizontalAdvance(column == 0 ? QStringLiteral("20161212001") : QStringLiteral("20")) + 12;
    return qMax(twipsToPixels(HistoryGrid::columnWidthTwips(column)), content);
}

} // namespace

frmMain::frmMain(std::unique_ptr<Session> session, QWidget* parent)
    : QMainWindow(parent)
    , m_session(std::move(session))
    , m_dialogs(this)
{
    if (!m_session)
        m_session = std::make_unique<Session>(std::make_unique<Settings>(), resolveDataFolder());
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Corvinel 快乐十分分析"));
    buildUi();
    buildMenus();
    connectControls();

    if (!m_session->isStarted())
        m_session->startUp();

    // The feature controllers are children of the window that find their
    // controls by name, so they come after the controls and the start-up.
    new HistoryController(this);
    new ManualEntryController(this);
    new ExportController(this);
    new UpdateController(this);
    new SearchController(this);
    new WheelFilter(this, { m_grids[1], m_grids[2], m_grids[3] });

    refreshHistoryGrid();
    refreshFromSession();
    placeOverlays();
}

frmMain::~frmMain()
{
    // The feature controllers hold on to the session and the dialogs, which
    // are members and would go before the children: end the controllers
    // first, while everything they use is still there.
    const auto children = findChildren<QObject*>(QString(), Qt::FindDirectChildrenOnly);
    for (QObject* o : children) {
        if (!o->isWidgetType() && !qobject_cast<QLayout*>(o) && !qobject_cast<QAction*>(o))
            delete o;
    }
    m_session->disconnect(this);
}

void frmMain::buildUi()
{
    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("centralWidget"));
    setCentralWidget(central);
    auto* root = new QHBoxLayout(central);

    // ---- Left: the history grid and the ways new draws come in ----
    auto* left = new QVBoxLayout;
    root->addLayout(left, 0);
    m_grids[1] = gridView(QStringLiteral("MSFlexGrid1"), central);
    m_grids[1]->setToolTip(kGridTip);
    {
        int width = 2 * m_grids[1]->frameWidth() + m_grids[1]->style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 2;
        for (int c = 0; c < HistoryGrid::kColumns; ++c)
            width += historyColumnWidth(m_grids[1], c);
        m_grids[1]->setMinimumWidth(width);
    }
    left->addWidget(m_grids[1], 1);

    m_label12 = named(new PromptLabel(QStringLiteral("在下面输入 2007001    期历史号码:"), central),
                      QStringLiteral("Label12"));
    left->addWidget(m_label12);
    m_text1 = box(QStringLiteral("Text1"), m_label12);
    m_text1->setText(m_session->text1);

    auto* entry = new QHBoxLayout;
    left->addLayout(entry);
    for (int k = 1; k <= kPositions; ++k) {
        auto* e = box(QStringLiteral("MaskEdBox1_%1").arg(k), central, 2);
        e->setInputMask(QStringLiteral("00;_")); // two digits, prompt "_"
        e->setToolTip(QStringLiteral("在此补充输入最新历史号码"));
        e->setAlignment(Qt::AlignCenter);
        m_maskEdBox1[k] = e;
        entry->addWidget(e);
    }
    entry->addStretch();

    auto* importButtons = new QGridLayout;
    left->addLayout(importButtons);
    auto* cmdRdLst = named(new QPushButton(QStringLiteral("读取历史号文本(&W)"), central), QStringLiteral("cmdRdLst"));
    cmdRdLst->setToolTip(QStringLiteral("从历史号码文本文件中读取历史号中最后一期之后的新的历史号码"));
    auto* command21
        = named(new QPushButton(QStringLiteral("历史号在线更新(&O)"), central), QStringLiteral("Command21"));
    command21->setToolTip(QStringLiteral("从官方服务器更新历史号码"));
    auto* command3 = named(new QPushButton(QStringLiteral("删除最后历史(&D)"), central), QStringLiteral("Command3"));
    auto* command4
        = named(new QPushButton(QStringLiteral("历史号码导出文本文件(&O)"), central), QStringLiteral("Command4"));
    importButtons->addWidget(cmdRdLst, 0, 0);
    importButtons->addWidget(command21, 0, 1);
    importButtons->addWidget(command3, 1, 0);
    importButtons->addWidget(command4, 1, 1);

    // ---- Right: the pattern pages, the options and the result grids ----
    auto* right = new QVBoxLayout;
    root->addLayout(right, 1);

    auto* tabRow = new QHBoxLayout;
    right->addLayout(tabRow);
    m_tabStrip = named(new QTabBar(central), QStringLiteral("TabStrip1"));
    m_tabStrip->addTab(QStringLiteral("自动历史位"));
    m_tabStrip->addTab(QStringLiteral("手动输入号"));
    m_tabStrip->addTab(QStringLiteral("验证指定期"));
    m_tabStrip->setExpanding(false);
    tabRow->addWidget(m_tabStrip);
    tabRow->addStretch();
    m_text4 = box(QStringLiteral("Text4"), central, 12);
    m_text4->setText(m_session->text4);
    m_check4 = named(new QCheckBox(QStringLiteral("仅检索该期前"), central), QStringLiteral("Check4"));
    tabRow->addWidget(m_text4);
    tabRow->addWidget(m_check4);

    auto* pages = new QWidget(central);
    pages->setObjectName(QStringLiteral("TabPages"));
    auto* pagesLayout = new QGridLayout(pages);
    pagesLayout->setContentsMargins(0, 0, 0, 0);
    right->addWidget(pages);
    for (int t = 0; t < 3; ++t) {
        auto* f = named(new QFrame(pages), QStringLiteral("Frame2_%1").arg(t));
        f->setFrameShape(QFrame::StyledPanel);
        auto* g = new QGridLayout(f);
        for (int k = 1; k <= kPositions; ++k) {
            QCheckBox* check = nullptr;
            QLineEdit* text = nullptr;
            if (t == 0) {
                check = m_check1[k] = named(new QCheckBox(positionCaption(k), f), QStringLiteral("Check1_%1").arg(k));
                text = m_text2[k] = box(QStringLiteral("Text2_%1").arg(k), f, 3);
            } else if (t == 1) {
                const int e = Session::manualElementOfPosition(k);
                check = m_check11[e] = named(new QCheckBox(positionCaption(k), f), QStringLiteral("Check11_%1").arg(e));
                text = m_text22[e] = box(QStringLiteral("Text22_%1").arg(e), f, 3);
                // Typed keys are filtered in eventFilter(); the validator
                // keeps pasted text to the same characters.
                text->setValidator(
                    new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[-0-9]*")), text));
            } else {
                check = m_check1[10 + k]
                    = named(new QCheckBox(positionCaption(k), f), QStringLiteral("Check1_%1").arg(10 + k));
                text = m_text2[10 + k] = box(QStringLiteral("Text2_%1").arg(10 + k), f, 3);
            }
            text->setAlignment(Qt::AlignCenter);
            g->addWidget(check, 0, k - 1, Qt::AlignHCenter);
            g->addWidget(text, 1, k - 1, Qt::AlignHCenter);
        }
        pagesLayout->addWidget(f, 0, 0);
        m_frame2[t] = f;
    }

    // Option frames.
    auto* optionsRow = new QHBoxLayout;
    right->addLayout(optionsRow);
    auto* frame10 = frame(QStringLiteral("Frame1_0"), QStringLiteral("检索位选择"), central);
    auto* l10 = new QVBoxLayout(frame10);
    m_option1[1] = named(new QRadioButton(QStringLiteral("自由位"), frame10), QStringLiteral("Option1_1"));
    m_option1[0] = named(new QRadioButton(QStringLiteral("固定位"), frame10), QStringLiteral("Option1_0"));
    l10->addWidget(m_option1[1]);
    l10->addWidget(m_option1[0]);
    optionsRow->addWidget(frame10);

    auto* frame11 = frame(QStringLiteral("Frame1_1"), QStringLiteral("检索期选择"), central);
    auto* l11 = new QVBoxLayout(frame11);
    m_option1[3] = named(new QRadioButton(QStringLiteral("上期"), frame11), QStringLiteral("Option1_3"));
    m_option1[2] = named(new QRadioButton(QStringLiteral("前    期"), frame11), QStringLiteral("Option1_2"));
    l11->addWidget(m_option1[3]);
    l11->addWidget(m_option1[2]);
    // MaskEdBox2 sits between "前" and "期" of Option1(2)'s caption.
    m_maskEdBox2 = box(QStringLiteral("MaskEdBox2"), m_option1[2]);
    m_maskEdBox2->setInputMask(QStringLiteral("0;_")); // one digit, prompt "_"
    m_maskEdBox2->setAlignment(Qt::AlignCenter);
    optionsRow->addWidget(frame11);

    auto* frame12 = frame(QStringLiteral("Frame1_2"), QStringLiteral("号码组选择"), central);
    auto* l12 = new QVBoxLayout(frame12);
    m_option2[5] = named(new QRadioButton(QStringLiteral("组选"), frame12), QStringLiteral("Option2_5"));
    m_option2[4] = named(new QRadioButton(QStringLiteral("直选"), frame12), QStringLiteral("Option2_4"));
    l12->addWidget(m_option2[5]);
    l12->addWidget(m_option2[4]);
    optionsRow->addWidget(frame12);

    auto* frame7 = frame(QStringLiteral("Frame7"), QStringLiteral("检索起止期数"), central);
    auto* l7 = new QGridLayout(frame7);
    m_text3[0] = box(QStringLiteral("Text3_0"), frame7, 12);
    m_text3[1] = box(QStringLiteral("Text3_1"), frame7, 12);
    m_text3[0]->setText(m_session->text3[0]);
    m_text3[1]->setText(m_session->text3[1]);
    auto* label4 = named(new QLabel(QStringLiteral("～"), frame7), QStringLiteral("Label4"));
    l7->addWidget(named(new QLabel(QStringLiteral("起"), frame7), QStringLiteral("Label2")), 0, 0);
    l7->addWidget(m_text3[0], 0, 1);
    l7->addWidget(label4, 0, 2);
    l7->addWidget(named(new QLabel(QStringLiteral("止"), frame7), QStringLiteral("Label3")), 0, 3);
    l7->addWidget(m_text3[1], 0, 4);
    optionsRow->addWidget(frame7);
    optionsRow->addStretch();

    auto* kindsRow = new QHBoxLayout;
    right->addLayout(kindsRow);
    auto* frame3 = frame(QStringLiteral("Frame3"), QStringLiteral("搜索类型选择"), central);
    auto* l3 = new QHBoxLayout(frame3);
    auto* frame4 = frame(QStringLiteral("Frame4"), QStringLiteral("结果类型选择"), central);
    auto* l4 = new QHBoxLayout(frame4);
    for (int i = 0; i < kKindCount; ++i) {
        m_option3[i]
            = named(new QRadioButton(QString::fromUtf8(kKindCaptions[i]), frame3), QStringLiteral("Option3_%1").arg(i));
        l3->addWidget(m_option3[i]);
        m_option4[i]
            = named(new QRadioButton(QString::fromUtf8(kKindCaptions[i]), frame4), QStringLiteral("Option4_%1").arg(i));
        l4->addWidget(m_option4[i]);
    }
    kindsRow->addWidget(frame3);
    kindsRow->addWidget(frame4);
    kindsRow->addStretch();

    auto* frame6 = frame(QStringLiteral("Frame6"), QStringLiteral("结果统计选择"), central);
    auto* l6 = new QHBoxLayout(frame6);
    for (int i = 1; i <= kPositions; ++i) {
        m_option5[i] = named(new QRadioButton(positionCaption(i), frame6), QStringLiteral("Option5_%1").arg(i));
        l6->addWidget(m_option5[i]);
    }
    auto* sixRow = new QHBoxLayout;
    right->addLayout(sixRow);
    sixRow->addWidget(frame6);
    sixRow->addStretch();

    auto* actionRow = new QHBoxLayout;
    right->addLayout(actionRow);
    auto* frame5 = frame(QStringLiteral("Frame5"), QStringLiteral("组合组位检索"), central);
    auto* l5 = new QHBoxLayout(frame5);
    l5->addWidget(named(new QLabel(QStringLiteral("组合位数"), frame5), QStringLiteral("Label1")));
    m_combo1 = named(new QComboBox(frame5), QStringLiteral("Combo1"));
    m_combo1->setEditable(true);
    m_combo1->setInsertPolicy(QComboBox::NoInsert);
    for (int i = 1; i <= 6; ++i)
        m_combo1->addItem(QString::number(i));
    l5->addWidget(m_combo1);
    m_option6[1] = named(new QRadioButton(QStringLiteral("红球"), frame5), QStringLiteral("Option6_1"));
    m_option6[0] = named(new QRadioButton(QStringLiteral("红蓝"), frame5), QStringLiteral("Option6_0"));
    l5->addWidget(m_option6[1]);
    l5->addWidget(m_option6[0]);
    l5->addWidget(named(new QPushButton(QStringLiteral("组合检索(&G)"), frame5), QStringLiteral("Command2")));
    actionRow->addWidget(frame5);
    actionRow->addWidget(named(new QPushButton(QStringLiteral("检索(&S)"), central), QStringLiteral("Command1")));
    actionRow->addWidget(named(new QPushButton(QStringLiteral("软件设置(&T)"), central), QStringLiteral("Command9")));
    actionRow->addStretch();

    auto* results = new QHBoxLayout;
    right->addLayout(results, 1);
    m_grids[2] = gridView(QStringLiteral("MSFlexGrid2"), central);
    m_grids[2]->setToolTip(kGridTip);
    m_grids[3] = gridView(QStringLiteral("MSFlexGrid3"), central);
    results->addWidget(m_grids[2], 3);
    results->addWidget(m_grids[3], 2);

    for (int g = 1; g <= 3; ++g) {
        m_models[g] = new GridModel(m_grids[g]);
        m_models[g]->setObjectName(QStringLiteral("GridModel%1").arg(g));
        m_grids[g]->setModel(m_models[g]);
    }
    // Ranking grid column widths are fixed at start-up.
    const std::array<int, 4> rankWidths = { 480, 680, 800, 880 };
    m_models[3]->setTable({ QString(), QString(), QString(), QString() }, {});
    for (int c = 0; c < 4; ++c)
        m_grids[3]->setColumnWidth(c, twipsToPixels(rankWidths[c]));

    resize(1180, 760);
}

void frmMain::buildMenus()
{
    m_mnuLsgl = named(new QMenu(QStringLiteral("历史管理"), this), QStringLiteral("mnuLsgl"));
    m_mnuLsgl->addAction(QStringLiteral("导出历史号码(&O)"))->setObjectName(QStringLiteral("mnuDcls"));
    m_mnuLsgl->addAction(QStringLiteral("删除最后历史(&E)"))->setObjectName(QStringLiteral("mnuErase"));
    m_mnuLsgl->addAction(QStringLiteral("清空历史号码(&C)"))->setObjectName(QStringLiteral("mnuClear"));
    m_mnuLsgl->addAction(QStringLiteral("删除到选定期(&D)"))->setObjectName(QStringLiteral("mnuDlzd"));
    m_mnuLsgl->addAction(QStringLiteral("删除最后指定数量期历史(&E)"))->setObjectName(QStringLiteral("mnuEszhzd"));

    m_mnuSetup = named(new QMenu(QStringLiteral("设置"), this), QStringLiteral("mnuSetup"));
    auto checkable = [](QAction* a, const QString& name) {
        a->setObjectName(name);
        a->setCheckable(true);
        return a;
    };
    auto* sx = named(m_mnuSetup->addMenu(QStringLiteral("生肖参数设置(&S)")), QStringLiteral("mnuSxCssetup"));
    m_mnuSxcs[0] = checkable(sx->addAction(QStringLiteral("生肖参数0~11")), QStringLiteral("mnuSxcs_0"));
    m_mnuSxcs[1] = checkable(sx->addAction(QStringLiteral("生肖参数1~12")), QStringLiteral("mnuSxcs_1"));
    auto* ds = named(m_mnuSetup->addMenu(QStringLiteral("段数参数设置(&A)")), QStringLiteral("mnuDssetup"));
    m_mnuDscs[0] = checkable(ds->addAction(QStringLiteral("段数参数0~4")), QStringLiteral("mnuDscs_0"));
    m_mnuDscs[1] = checkable(ds->addAction(QStringLiteral("段数参数1~5")), QStringLiteral("mnuDscs_1"));
    m_mnuSetup->addSeparator();
    auto* qz = named(m_mnuSetup->addMenu(QStringLiteral("生肖取值设置(&Z)")), QStringLiteral("mnuSxqzSetup"));
    m_mnuSxsetup[0] = checkable(qz->addAction(QStringLiteral("生肖数字按顺序取值")), QStringLiteral("mnuSxsetup_0"));
    m_mnuSxsetup[1] = checkable(qz->addAction(QStringLiteral("生肖数字按年龄取值")), QStringLiteral("mnuSxsetup_1"));
    m_mnuSetup->addSeparator();
    m_mnuSetup->addAction(QStringLiteral("历史号码更新检索天(&Y)"))->setObjectName(QStringLiteral("mnuSetDay"));
    m_mnuSetup->addAction(QStringLiteral("在线更新网址(&U)"))->setObjectName(QStringLiteral("mnuUpdateBase"));
    m_mnuSetup->addAction(QStringLiteral("软件介绍服务主页(&P)"))->setObjectName(QStringLiteral("mnuFrontPage"));
    m_mnuSetup->addAction(QStringLiteral("软件介绍说明页面(&R)"))->setObjectName(QStringLiteral("mnuDescrb"));
    m_mnuSetup->addAction(QStringLiteral("软件演示说明录像下载(&D)"))->setObjectName(QStringLiteral("numYanshiDown"));
    m_mnuSetup->addSeparator();
    auto* games = named(m_mnuSetup->addMenu(QStringLiteral("彩种选择")), QStringLiteral("mnuCaizhong"));
    m_mnuKL10[0] = checkable(games->addAction(QStringLiteral("广东快乐十分")), QStringLiteral("mnuKL10_0"));
    m_mnuKL10[1] = checkable(games->addAction(QStringLiteral("天津快乐十分")), QStringLiteral("mnuKL10_1"));
    m_mnuKL10[2] = checkable(games->addAction(QStringLiteral("湖南快乐十分")), QStringLiteral("mnuKL10_2"));
}

void frmMain::connectControls()
{
    Session* s = m_session.get();
    connect(s, &Session::stateChanged, this, &frmMain::refreshFromSession);
    connect(s, &Session::historyChanged, this, &frmMain::refreshHistoryGrid);

    connect(m_tabStrip, &QTabBar::currentChanged, s, &Session::selectTab);

    for (int i = 0; i < 4; ++i)
        connect(m_option1[i], &QRadioButton::clicked, s, [s, i] { s->option1Clicked(i); });
    for (int i = 4; i <= 5; ++i)
        connect(m_option2[i], &QRadioButton::clicked, s, [s, i] { s->option2Clicked(i); });
    for (int i = 0; i < kKindCount; ++i) {
        connect(m_option3[i], &QRadioButton::clicked, s, [s, i] { s->option3Clicked(i); });
        connect(m_option4[i], &QRadioButton::clicked, s, [s, i] { s->option4Clicked(i); });
    }
    for (int i = 1; i <= kPositions; ++i)
        connect(m_option5[i], &QRadioButton::clicked, s, [s, i] { s->option5Clicked(i); });
    for (int i = 0; i < 2; ++i)
        connect(m_option6[i], &QRadioButton::clicked, s, [s, i] { s->option6Clicked(i); });

    // Texts typed by the user go straight into the session's state.
    connect(m_text1, &QLineEdit::textEdited, s, [s](const QString& t) { s->text1 = t; });
    connect(m_text4, &QLineEdit::textEdited, s, [s](const QString& t) { s->text4 = t; });
    for (int i = 0; i < 2; ++i)
        connect(m_text3[i], &QLineEdit::textEdited, s, [s, i](const QString& t) { s->text3[i] = t; });
    for (int k = 1; k <= 18; ++k) {
        if (m_text2[k])
            connect(m_text2[k], &QLineEdit::textEdited, s, [s, k](const QString& t) { s->text2[k] = t; });
        if (m_check1[k])
            connect(m_check1[k], &QCheckBox::toggled, s, [s, k](bool on) { s->check1[k] = on; });
    }
    for (int e = 0; e < 8; ++e) {
        connect(m_text22[e], &QLineEdit::textEdited, s, [s, e](const QString& t) { s->text22[e] = t; });
        connect(m_check11[e], &QCheckBox::toggled, s, [s, e](bool on) { s->check11[e] = on; });
        m_text22[e]->installEventFilter(this);
    }
    for (int k = 1; k <= kPositions; ++k)
        connect(m_maskEdBox1[k], &QLineEdit::textEdited, s, [s, k](const QString& t) { s->maskEdBox1[k] = t; });
    connect(m_maskEdBox2, &QLineEdit::textEdited, s, [s](const QString& t) { s->maskEdBox2 = t; });
    connect(m_combo1, &QComboBox::currentTextChanged, s, [s](const QString& t) { s->combo1 = t; });
    connect(m_combo1, &QComboBox::activated, this, [this] { m_session->combo1LostFocus(m_combo1->currentText()); });
    m_maskEdBox2->installEventFilter(this);
    // MaskEdBox2 follows Option1(2) when the button is resized.
    m_option1[2]->installEventFilter(this);
    m_combo1->installEventFilter(this);
    if (m_combo1->lineEdit())
        m_combo1->lineEdit()->installEventFilter(this);
    connect(m_check4, &QCheckBox::clicked, s, &Session::check4Clicked);

    auto* command9 = findChild<QPushButton*>(QStringLiteral("Command9"));
    connect(command9, &QPushButton::clicked, this, [this] { m_mnuSetup->popup(QCursor::pos()); });
    m_grids[1]->viewport()->installEventFilter(this);

    for (int i = 0; i < 2; ++i) {
        connect(m_mnuSxcs[i], &QAction::triggered, s, [s, i] { s->mnuSxcsClicked(i); });
        connect(m_mnuDscs[i], &QAction::triggered, s, [s, i] { s->mnuDscsClicked(i); });
        connect(m_mnuSxsetup[i], &QAction::triggered, s, [s, i] { s->mnuSxsetupClicked(i); });
    }
    for (int i = 0; i < 3; ++i)
        connect(m_mnuKL10[i], &QAction::triggered, s, [s, i] { s->mnuKL10Clicked(i); });
    auto action = [this](const char* name) { return findChild<QAction*>(QLatin1String(name)); };
    connect(action("mnuSetDay"), &QAction::triggered, this, &frmMain::askRetentionDays);
    connect(action("mnuUpdateBase"), &QAction::triggered, this, &frmMain::askUpdateBase);
    connect(action("mnuFrontPage"), &QAction::triggered, this, [this] { openHelpPage(help::kFrontPage); });
    connect(action("mnuDescrb"), &QAction::triggered, this, [this] { openHelpPage(help::kDescription); });
    connect(action("numYanshiDown"), &QAction::triggered, this, [this] { openHelpPage(help::kDemo); });
}

bool frmMain::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonRelease && watched == m_grids[1]->viewport()) {
        auto* me = static_cast<QMouseEvent*>(event);
        if (me->button() == Qt::RightButton) {
            m_mnuLsgl->popup(me->globalPosition().toPoint());
            return true;
        }
        return false;
    }
    if (event->type() == QEvent::Resize && watched == m_option1[2]) {
        placeOverlays();
        return false;
    }
    if (event->type() == QEvent::KeyPress) {
        // The manual pattern boxes drop every key but backspace, "-" and digits.
        const QString text = static_cast<QKeyEvent*>(event)->text();
        const bool manualBox = std::find(m_text22.begin(), m_text22.end(), watched) != m_text22.end();
        if (manualBox && !text.isEmpty() && text[0].isPrint() && !Session::manualKeyAccepted(text[0]))
            return true;
        return false;
    }
    if (event->type() != QEvent::FocusOut)
        return QMainWindow::eventFilter(watched, event);

    // A popup of the combo's own list is not leaving the box.
    if (static_cast<QFocusEvent*>(event)->reason() == Qt::PopupFocusReason)
        return false;
    if (watched == m_maskEdBox2) {
        if (const auto refusal = m_session->maskEdBox2LostFocus(m_maskEdBox2->text()))
            m_dialogs.message(refusal->title, refusal->text, QMessageBox::Ok, QMessageBox::Warning);
    } else if (watched == m_combo1 || (m_combo1->lineEdit() && watched == m_combo1->lineEdit())) {
        m_session->combo1LostFocus(m_combo1->currentText());
    } else {
        for (int e = 0; e < 8; ++e) {
            if (watched == m_text22[e])
                m_session->manualBoxLostFocus(e, m_text22[e]->text());
        }
    }
    return false;
}

void frmMain::placeOverlays()
{
    // Text1 covers the number part of Label12's prompt.
    static_cast<PromptLabel*>(m_label12)->placeOver(m_text1);

    // MaskEdBox2 between "前" and "期" of Option1(2).
    QRadioButton* r = m_option1[2];
    QStyleOptionButton opt;
    opt.initFrom(r);
    const QRect contents = r->style()->subElementRect(QStyle::SE_RadioButtonContents, &opt, r);
    const QFontMetrics rfm = r->fontMetrics();
    const int bx = contents.left() + rfm.horizontalAdvance(QStringLiteral("前"));
    const int bw = qMax(rfm.horizontalAdvance(QStringLiteral("    ")), rfm.horizontalAdvance(QStringLiteral("8")) + 8);
    const int bh = qMin(r->height(), rfm.height() + 4);
    m_maskEdBox2->setFrame(false);
    m_maskEdBox2->setGeometry(bx, (r->height() - bh) / 2, bw, bh);
}

void frmMain::refreshFromSession()
{
    const Session& s = *m_session;
    if (m_tabStrip->currentIndex() != s.selectedTab) {
        const QSignalBlocker block(m_tabStrip);
        m_tabStrip->setCurrentIndex(s.selectedTab);
    }
    for (int t = 0; t < 3; ++t)
        m_frame2[t]->setVisible(t == s.selectedTab);
    m_text4->setVisible(s.verificationVisible());
    m_check4->setVisible(s.verificationVisible());

    showRadios(m_option1, [&](int i) { return s.option1Selected(i); });
    showRadios(m_option2, [&](int i) { return s.option2Selected(i); });
    showRadios(m_option3, [&](int i) { return s.option3Selected(i); });
    showRadios(m_option4, [&](int i) { return s.option4Selected(i); });
    showRadios(m_option5, [&](int i) { return s.option5Selected(i); });
    showRadios(m_option6, [&](int i) { return s.option6Selected(i); });

    showText(m_text1, s.text1);
    showText(m_text3[0], s.text3[0]);
    showText(m_text3[1], s.text3[1]);
    showText(m_text4, s.text4);
    for (int k = 1; k <= 18; ++k) {
        showText(m_text2[k], s.text2[k]);
        showCheck(m_check1[k], s.check1[k]);
    }
    for (int e = 0; e < 8; ++e) {
        showText(m_text22[e], s.text22[e]);
        showCheck(m_check11[e], s.check11[e]);
    }
    for (int k = 1; k <= kPositions; ++k)
        showText(m_maskEdBox1[k], s.maskEdBox1[k]);
    showText(m_maskEdBox2, s.maskEdBox2);
    if (m_combo1->currentText() != s.combo1) {
        const QSignalBlocker block(m_combo1);
        m_combo1->setEditText(s.combo1);
    }
    showCheck(m_check4, s.check4);

    for (int i = 0; i < 2; ++i) {
        m_mnuSxcs[i]->setChecked(s.mnuSxcsChecked(i));
        m_mnuDscs[i]->setChecked(s.mnuDscsChecked(i));
        m_mnuSxsetup[i]->setChecked(s.mnuSxsetupChecked(i));
    }
    for (int i = 0; i < 3; ++i)
        m_mnuKL10[i]->setChecked(s.mnuKL10Checked(i));
}

void frmMain::refreshHistoryGrid()
{
    QTableView* view = m_grids[1];
    Session* s = m_session.get();
    m_models[1]->setProvider(HistoryGrid::header(), HistoryGrid::rowCount(s->snapshot()),
                             [s](int row, int column) { return HistoryGrid::cell(s->snapshot(), row, column); });
    for (int c = 0; c < HistoryGrid::kColumns; ++c)
        view->setColumnWidth(c, historyColumnWidth(view, c));
    if (m_models[1]->gridRows() > HistoryGrid::kScrollThreshold) {
        view->scrollToBottom();
        // Before the first layout the view has no height to scroll in yet.
        QTimer::singleShot(0, view, &QTableView::scrollToBottom);
    }
}

void frmMain::askRetentionDays()
{
    for (;;) {
        const auto answer = m_dialogs.input(Session::setDayTitle(), Session::setDayPrompt(),
                                            QString::number(m_session->retentionDays));
        if (m_session->mnuSetDayAnswer(answer) != Session::SetDayOutcome::Refused)
            return;
        const Refusal r = Session::setDayRefusal();
        m_dialogs.message(r.title, r.text, QMessageBox::Ok, QMessageBox::Warning);
    }
}

void frmMain::askUpdateBase()
{
    for (;;) {
        const auto answer
            = m_dialogs.input(Session::updateBaseTitle(), Session::updateBasePrompt(), m_session->updateBase);
        if (!answer)
            return;
        const auto refusal = m_session->setUpdateBase(*answer);
        if (!refusal)
            return;
        m_dialogs.message(refusal->title, refusal->text, QMessageBox::Ok, QMessageBox::Warning);
    }
}

void frmMain::openHelpPage(const char* page)
{
    const QUrl url = help::pageUrl(page);
    if (url.isEmpty() || !QDesktopServices::openUrl(url))
        m_dialogs.message(
            QStringLiteral("无法打开帮助页面"),
            QStringLiteral("找不到或无法打开帮助页面 %1，请检查程序是否完整安装。").arg(QString::fromLatin1(page)),
            QMessageBox::Ok, QMessageBox::Warning);
}

} // namespace corvinel
