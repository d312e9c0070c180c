#include "app/frmMain.h"

#include "app/BacktestController.h"
#include "app/ExportController.h"
#include "app/GapsController.h"
#include "app/GridModel.h"
#include "app/HelpPages.h"
#include "app/HistoryController.h"
#include "app/ManualEntryController.h"
#include "app/OddsController.h"
#include "app/SearchController.h"
#include "app/TrendWindow.h"
#include "app/UpdateController.h"
#include "app/WheelFilter.h"
#include "core/DataFolder.h"
#include "core/IssueNumber.h"
#include "core/Kinds.h"
#include "session/HistoryGrid.h"

#include <QAction>
#include <QBoxLayout>
#include <QCheckBox>
#include <QComboBox>
#include <QCursor>
#include <QDesktopServices>
#include <QFocusEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QSignalBlocker>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTabBar>
#include <QTableView>
#include <QTimer>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <optional>

namespace corvinel {

namespace {

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

// A pattern box's value as typed: any whole number (one beyond int matches
// no draw, as any other value outside 1..20), nothing for another text.
std::optional<int> typedPatternValue(const QString& text)
{
    const auto v = issue::wholeNumber(text);
    if (!v)
        return std::nullopt;
    return static_cast<int>(
        std::clamp<std::int64_t>(*v, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
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
    setWindowTitle(tr("Corvinel 快乐十分分析"));
    buildUi();
    connectControls();

    if (!m_session->isStarted())
        m_session->startUp();

    // The controllers come after the start-up, which they do not take part in.
    createControllers();

    refreshHistoryGrid();
    showChoices();
    showPatterns();
    showRange();
    showNextIssue();
    placeOverlays();
    // Where an old history found at the data folder's root went.
    if (!m_session->historyNote().isEmpty())
        showStatus(m_session->historyNote());
}

frmMain::~frmMain()
{
    // The trend window reads the session: it goes first.
    delete m_trendWindow;
    m_session->disconnect(this);
}

GridModel* frmMain::gridModel(int which) const
{
    switch (which) {
    case 1:
        return m_history.model;
    case 2:
        return m_results.matchesModel;
    case 3:
        return m_results.rankingModel;
    default:
        return nullptr;
    }
}

QTableView* frmMain::grid(int which) const
{
    switch (which) {
    case 1:
        return m_history.grid;
    case 2:
        return m_results.matches;
    case 3:
        return m_results.ranking;
    default:
        return nullptr;
    }
}

void frmMain::buildUi()
{
    // The history column and the work area, with a splitter between them:
    // the grids take what room the window has beyond its minimum.
    auto* splitter = new QSplitter(Qt::Horizontal, this);
    splitter->setObjectName(QStringLiteral("mainSplitter"));
    splitter->setChildrenCollapsible(false);
    splitter->setHandleWidth(4);
    setCentralWidget(splitter);

    // Left: the history grid and the ways new draws come in.
    auto* leftPane = new QWidget(splitter);
    leftPane->setObjectName(QStringLiteral("historyPane"));
    auto* left = new QVBoxLayout(leftPane);
    left->setContentsMargins(2, 4, 0, 4);
    m_history = buildHistoryPanel(leftPane, left, *m_session);

    // Right: the pattern pages, the options and the result grids.
    auto* central = new QWidget(splitter);
    central->setObjectName(QStringLiteral("centralWidget"));
    auto* right = new QVBoxLayout(central);
    right->setContentsMargins(0, 4, 4, 4);
    m_patterns = buildPatternPanel(central, right, *m_session);
    m_options = buildOptionPanel(central, right, *m_session);
    m_results = buildResultPanel(central, right);
    splitter->addWidget(leftPane);
    splitter->addWidget(central);
    splitter->setStretchFactor(0, 0);
    splitter->setStretchFactor(1, 1);

    // The status bar is there from the start, so nothing moves when it first
    // shows a message; its permanent part names the game and the history.
    m_statusHistory = new QLabel(this);
    m_statusHistory->setObjectName(QStringLiteral("statusHistory"));
    statusBar()->setObjectName(QStringLiteral("statusBar"));
    statusBar()->addPermanentWidget(m_statusHistory);
    statusBar()->setSizeGripEnabled(true);

    // A 1024x768 screen holds the window; a larger one gives it more room.
    QSize size(1180, 760);
    if (const QScreen* screen = this->screen())
        size = size.boundedTo(screen->availableSize() - QSize(16, 40));
    resize(size.expandedTo(QSize(800, 560)));

    m_historyMenu = buildHistoryMenu(this);
    m_setupMenu = buildSetupMenu(this);
}

void frmMain::createControllers()
{
    // Each controller gets what it works with: the session, the dialogs, the
    // window as the parent of what it opens, and its panels; it reports
    // through its status signal.
    Session& s = *m_session;
    m_historyController = std::make_unique<HistoryController>(s, m_dialogs, this, m_history, m_historyMenu);
    m_manualEntryController = std::make_unique<ManualEntryController>(s, m_dialogs, this, m_history);
    m_exportController = std::make_unique<ExportController>(s, m_dialogs, this, m_history, m_results, m_historyMenu);
    m_updateController = std::make_unique<UpdateController>(s, m_dialogs, this, m_history, m_options, m_historyMenu);
    m_searchController = std::make_unique<SearchController>(s, m_dialogs, this, m_options, m_results);
    m_backtestController = std::make_unique<BacktestController>(s, m_dialogs, this, m_patterns);
    const auto report = [this](const QString& text) { showStatus(text); };
    connect(m_historyController.get(), &HistoryController::status, this, report);
    connect(m_manualEntryController.get(), &ManualEntryController::status, this, report);
    connect(m_exportController.get(), &ExportController::status, this, report);
    connect(m_updateController.get(), &UpdateController::status, this, report);
    connect(m_searchController.get(), &SearchController::status, this, report);
    connect(m_backtestController.get(), &BacktestController::status, this, report);
    m_gapsController = std::make_unique<GapsController>(
        s, this, m_options.text3[0] ? m_options.text3[0]->parentWidget() : nullptr, m_setupMenu.menu);
    m_wheelFilter = std::make_unique<WheelFilter>(
        this, QList<QTableView*> { m_history.grid, m_results.matches, m_results.ranking });
    m_oddsController = std::make_unique<OddsController>(s, m_dialogs, this, m_setupMenu.menu);

    // Another program's change of the history is read before the next action.
    m_fileFollower = std::make_unique<FileFollower>(s, this);
    connect(m_fileFollower.get(), &FileFollower::status, this, &frmMain::showStatus);
}

void frmMain::connectControls()
{
    Session* s = m_session.get();
    // Each view follows what it shows.
    connect(s, &Session::choicesChanged, this, &frmMain::showChoices);
    connect(s, &Session::patternChanged, this, &frmMain::showPatterns);
    connect(s, &Session::rangeChanged, this, &frmMain::showRange);
    connect(s, &Session::nextIssueChanged, this, &frmMain::showNextIssue);
    connect(s, &Session::historyChanged, this, &frmMain::refreshHistoryGrid);

    connect(m_patterns.tabStrip, &QTabBar::currentChanged, s, &Session::selectTab);

    // Each control to the choice it stands for: Option1 0 固定位, 1 自由位,
    // 2 前N期, 3 上期; Option2 4 直选, 5 组选; Option6 0 红蓝, 1 红球;
    // mnuSxsetup 0 by order, 1 by age; mnuKL10 the menu's games in order.
    for (int i = 0; i < 2; ++i)
        connect(m_options.option1[i], &QRadioButton::clicked, s, [s, i] { s->setFreePosition(i == 1); });
    for (int i = 2; i < 4; ++i)
        connect(m_options.option1[i], &QRadioButton::clicked, s, [s, i] { s->setPreviousIssue(i == 3); });
    for (int i = 4; i <= 5; ++i)
        connect(m_options.option2[i], &QRadioButton::clicked, s, [s, i] { s->setGroupMode(i == 5); });
    for (int i = 0; i < kKindCount; ++i) {
        connect(m_options.option3[i], &QRadioButton::clicked, s, [s, i] { s->setSearchKind(i); });
        connect(m_options.option4[i], &QRadioButton::clicked, s, [s, i] { s->setResultKind(i); });
    }
    for (int i = 1; i <= kPositions; ++i)
        connect(m_options.option5[i], &QRadioButton::clicked, s, [s, i] { s->setResultPosition(i); });
    for (int i = 0; i < 2; ++i)
        connect(m_options.option6[i], &QRadioButton::clicked, s, [s, i] { s->setRedBallsOnly(i == 1); });

    // Enter or leaving the box: the verification page takes the issue typed.
    connect(m_patterns.text4, &QLineEdit::editingFinished, this, [this] {
        if (!m_session->verificationVisible())
            return;
        if (const auto refusal = m_session->setVerificationIssue(m_patterns.text4->text()))
            m_dialogs.message(refusal->title, refusal->text, QMessageBox::Ok, QMessageBox::Warning);
    });
    // The searches take the verification issue as the box shows it, typed
    // with or without Enter (these run before the search controller's).
    for (QPushButton* button : { m_options.command1, m_options.command2 }) {
        connect(button, &QPushButton::clicked, this, [this] {
            if (m_session->verificationVisible())
                m_session->typeVerificationIssue(m_patterns.text4->text());
        });
    }
    // A typed range is kept as typed; a box left empty brings back the
    // automatic range (the whole history, following its changes).
    for (int i = 0; i < 2; ++i) {
        connect(m_options.text3[i], &QLineEdit::textEdited, s, [s, i](const QString& t) { s->typeRangeBox(i, t); });
        connect(m_options.text3[i], &QLineEdit::editingFinished, s, [this, s, i] {
            if (m_options.text3[i]->text().trimmed().isEmpty())
                s->useAutomaticRange();
        });
    }
    // The pages' values as typed: a box that holds no number keeps the
    // value the page had (a zodiac name shown keeps its slot).
    for (int t = 0; t < 3; ++t) {
        const PatternPageWidgets& page = m_patterns.pages[static_cast<std::size_t>(t)];
        for (int k = 1; k <= kPositions; ++k) {
            const auto i = static_cast<std::size_t>(k - 1);
            connect(page.values[i], &QLineEdit::textEdited, s,
                    [s, t, k](const QString& text) { s->setPatternValue(t, k, typedPatternValue(text)); });
            connect(page.ticks[i], &QCheckBox::toggled, s, [s, t, k](bool on) { s->setPositionTicked(t, k, on); });
        }
    }
    for (QLineEdit* box : m_patterns.pages[Session::TabManual].values)
        box->installEventFilter(this);
    connect(m_options.combo1, &QComboBox::activated, this,
            [this] { m_session->setCombinationSizeText(m_options.combo1->currentText()); });
    m_options.maskEdBox2->installEventFilter(this);
    // MaskEdBox2 follows Option1(2) when the button is resized.
    m_options.option1[2]->installEventFilter(this);
    m_options.combo1->installEventFilter(this);
    if (m_options.combo1->lineEdit())
        m_options.combo1->lineEdit()->installEventFilter(this);
    connect(m_patterns.check4, &QCheckBox::clicked, s, &Session::setOnlyBeforeVerification);

    connect(m_options.command9, &QPushButton::clicked, this, [this] { m_setupMenu.menu->popup(QCursor::pos()); });
    m_history.grid->viewport()->installEventFilter(this);

    for (int i = 0; i < 2; ++i) {
        connect(m_setupMenu.mnuSxcs[i], &QAction::triggered, s, [s, i] { s->setZodiacBase(i); });
        connect(m_setupMenu.mnuDscs[i], &QAction::triggered, s, [s, i] { s->setSegmentBase(i); });
        connect(m_setupMenu.mnuSxsetup[i], &QAction::triggered, s, [s, i] { s->setZodiacNumbersByOrder(i == 0); });
    }
    for (int i = 0; i < 3; ++i)
        connect(m_setupMenu.mnuKL10[i], &QAction::triggered, s, [s, i] { s->setGame(Session::kMenuGames[static_cast<std::size_t>(i)]); });
    connect(m_options.cmdTrend, &QPushButton::clicked, this, &frmMain::openTrendWindow);
    connect(m_setupMenu.mnuTrend, &QAction::triggered, this, &frmMain::openTrendWindow);
    connect(m_setupMenu.mnuSetDay, &QAction::triggered, this, &frmMain::askRetentionDays);
    connect(m_setupMenu.mnuUpdateBase, &QAction::triggered, this, &frmMain::askUpdateBase);
    connect(m_setupMenu.mnuFrontPage, &QAction::triggered, this, [this] { openHelpPage(help::kFrontPage); });
    connect(m_setupMenu.mnuDescrb, &QAction::triggered, this, [this] { openHelpPage(help::kDescription); });
    connect(m_setupMenu.numYanshiDown, &QAction::triggered, this, [this] { openHelpPage(help::kDemo); });
}

TrendWindow* frmMain::trendWindow() const
{
    return m_trendWindow;
}

void frmMain::openTrendWindow()
{
    if (!m_trendWindow)
        m_trendWindow = new TrendWindow(*m_session, m_dialogs, this);
    m_trendWindow->show();
    m_trendWindow->raise();
}

bool frmMain::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonRelease && watched == m_history.grid->viewport()) {
        auto* me = static_cast<QMouseEvent*>(event);
        if (me->button() == Qt::RightButton) {
            m_historyMenu.menu->popup(me->globalPosition().toPoint());
            return true;
        }
        return false;
    }
    if (event->type() == QEvent::Resize && watched == m_options.option1[2]) {
        placeOverlays();
        return false;
    }
    if (event->type() == QEvent::KeyPress) {
        // The manual pattern boxes drop every key but backspace, "-" and digits.
        const QString text = static_cast<QKeyEvent*>(event)->text();
        const auto& manualBoxes = m_patterns.pages[Session::TabManual].values;
        const bool manualBox = std::find(manualBoxes.begin(), manualBoxes.end(), watched) != manualBoxes.end();
        if (manualBox && !text.isEmpty() && text[0].isPrint() && !Session::manualKeyAccepted(text[0]))
            return true;
        return false;
    }
    if (event->type() != QEvent::FocusOut)
        return QMainWindow::eventFilter(watched, event);

    // A popup of the combo's own list is not leaving the box.
    if (static_cast<QFocusEvent*>(event)->reason() == Qt::PopupFocusReason)
        return false;
    if (watched == m_options.maskEdBox2) {
        if (const auto refusal = m_session->setLookBackText(m_options.maskEdBox2->text()))
            m_dialogs.message(refusal->title, refusal->text, QMessageBox::Ok, QMessageBox::Warning);
    } else if (watched == m_options.combo1
               || (m_options.combo1->lineEdit() && watched == m_options.combo1->lineEdit())) {
        m_session->setCombinationSizeText(m_options.combo1->currentText());
    } else {
        const auto& manualBoxes = m_patterns.pages[Session::TabManual].values;
        for (int k = 1; k <= kPositions; ++k) {
            QLineEdit* box = manualBoxes[static_cast<std::size_t>(k - 1)];
            if (watched == box)
                m_session->setManualPatternText(k, box->text());
        }
    }
    return false;
}

void frmMain::placeOverlays()
{
    // Text1 covers the number part of Label12's prompt.
    m_history.label12->placeOver(m_history.text1);

    // MaskEdBox2 between "前" and "期" of Option1(2).
    QRadioButton* r = m_options.option1[2];
    QStyleOptionButton opt;
    opt.initFrom(r);
    const QRect contents = r->style()->subElementRect(QStyle::SE_RadioButtonContents, &opt, r);
    const QFontMetrics rfm = r->fontMetrics();
    const int bx = contents.left() + rfm.horizontalAdvance(QStringLiteral("前"));
    const int bw = qMax(rfm.horizontalAdvance(QStringLiteral("    ")), rfm.horizontalAdvance(QStringLiteral("8")) + 8);
    const int bh = qMin(r->height(), rfm.height() + 4);
    m_options.maskEdBox2->setFrame(false);
    m_options.maskEdBox2->setGeometry(bx, (r->height() - bh) / 2, bw, bh);
}

void frmMain::showChoices()
{
    const Session& s = *m_session;
    refreshStatusHistory();
    showRadios(m_options.option1, [&](int i) { return s.option1Selected(i); });
    showRadios(m_options.option2, [&](int i) { return s.option2Selected(i); });
    showRadios(m_options.option3, [&](int i) { return s.option3Selected(i); });
    showRadios(m_options.option4, [&](int i) { return s.option4Selected(i); });
    showRadios(m_options.option5, [&](int i) { return s.option5Selected(i); });
    showRadios(m_options.option6, [&](int i) { return s.option6Selected(i); });
    showText(m_options.maskEdBox2, QString::number(s.choices().lookBack));
    const QString size = QString::number(s.choices().combinationSize);
    if (m_options.combo1->currentText() != size) {
        const QSignalBlocker block(m_options.combo1);
        m_options.combo1->setEditText(size);
    }
    for (int i = 0; i < 2; ++i) {
        m_setupMenu.mnuSxcs[i]->setChecked(s.mnuSxcsChecked(i));
        m_setupMenu.mnuDscs[i]->setChecked(s.mnuDscsChecked(i));
        m_setupMenu.mnuSxsetup[i]->setChecked(s.mnuSxsetupChecked(i));
    }
    for (int i = 0; i < 3; ++i)
        m_setupMenu.mnuKL10[i]->setChecked(s.mnuKL10Checked(i));
}

void frmMain::showPatterns()
{
    const Session& s = *m_session;
    const PatternPages& pages = s.patterns();
    if (m_patterns.tabStrip->currentIndex() != pages.selectedTab) {
        const QSignalBlocker block(m_patterns.tabStrip);
        m_patterns.tabStrip->setCurrentIndex(pages.selectedTab);
    }
    m_patterns.text4->setVisible(s.verificationVisible());
    m_patterns.check4->setVisible(s.verificationVisible());
    showText(m_patterns.text4, pages.verificationIssue);
    showCheck(m_patterns.check4, s.onlyBeforeVerification());
    for (int t = 0; t < 3; ++t) {
        const PatternPageWidgets& widgets = m_patterns.pages[static_cast<std::size_t>(t)];
        const PatternPage& page = pages.page(t);
        widgets.frame->setVisible(t == pages.selectedTab);
        for (std::size_t i = 0; i < widgets.values.size(); ++i) {
            const std::optional<int> v = page.values[i];
            // The typed page shows numbers as typed; the draws' pages show
            // zodiac names for the zodiac kind.
            showText(widgets.values[i], !v ? QString() : (t == Session::TabManual ? QString::number(*v) : s.patternText(*v)));
            showCheck(widgets.ticks[i], page.ticked[i]);
        }
    }
}

void frmMain::showRange()
{
    const Session& s = *m_session;
    showText(m_options.text3[0], s.rangeStart());
    showText(m_options.text3[1], s.rangeEnd());
    m_options.text3[1]->setReadOnly(s.rangeEndFollowsVerification());
}

void frmMain::showNextIssue()
{
    showText(m_history.text1, m_session->nextIssue());
    showText(m_patterns.text4, m_session->patterns().verificationIssue);
}

void frmMain::showStatus(const QString& text)
{
    statusBar()->showMessage(text);
}

void frmMain::refreshStatusHistory()
{
    const HistorySnapshot& h = m_session->snapshot();
    QString text = tr("%1　已存 %2 期").arg(issue::gameName(m_session->choices().lotteryCode)).arg(h.recordCount());
    if (const SnapshotRow* last = h.last())
        text += tr("　最后一期 %1").arg(issue::displayForm(last->sqqh));
    m_statusHistory->setText(text);
}

void frmMain::refreshHistoryGrid()
{
    refreshStatusHistory();
    QTableView* view = m_history.grid;
    Session* s = m_session.get();
    m_history.model->setProvider(HistoryGrid::header(), HistoryGrid::rowCount(s->snapshot()),
                                 [s](int row, int column) { return HistoryGrid::cell(s->snapshot(), row, column); });
    for (int c = 0; c < HistoryGrid::kColumns; ++c)
        view->setColumnWidth(c, historyColumnWidth(view, c));
    if (m_history.model->gridRows() > HistoryGrid::kScrollThreshold) {
        view->scrollToBottom();
        // Before the first layout the view has no height to scroll in yet.
        QTimer::singleShot(0, view, &QTableView::scrollToBottom);
    }
}

void frmMain::askRetentionDays()
{
    for (;;) {
        const auto answer = m_dialogs.input(Session::setDayTitle(), Session::setDayPrompt(),
                                            QString::number(m_session->choices().retentionDays));
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
            = m_dialogs.input(Session::updateBaseTitle(), Session::updateBasePrompt(), m_session->choices().updateBase);
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
        m_dialogs.message(tr("无法打开帮助页面"),
                          tr("找不到或无法打开帮助页面 %1，请检查程序是否完整安装。").arg(QString::fromLatin1(page)),
                          QMessageBox::Ok, QMessageBox::Warning);
}

} // namespace corvinel
