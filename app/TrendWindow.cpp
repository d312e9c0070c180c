#include "app/TrendWindow.h"

#include "app/BusyCursor.h"
#include "app/Dialogs.h"
#include "session/Session.h"
#include "analysis/DrawShape.h"
#include "core/Kinds.h"
#include "export/WorkbookExport.h"

#include <QBoxLayout>
#include <QBrush>
#include <QColor>
#include <QComboBox>
#include <QDir>
#include <QFont>
#include <QHeaderView>
#include <QLabel>
#include <QMouseEvent>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QStandardItemModel>
#include <QTableView>
#include <QTimer>

namespace corvinel {

namespace {

constexpr std::array<int, 4> kLastChoices = { 30, 50, 100, 200 };

template<typename T> T* named(T* w, const char* name)
{
    w->setObjectName(QString::fromLatin1(name));
    return w;
}

} // namespace

// ---- TrendModel ----

TrendModel::TrendModel(QObject* parent)
    : QAbstractTableModel(parent)
{
}

void TrendModel::setTable(const TrendTable& table)
{
    beginResetModel();
    m_table = table;
    // No draw, no chart: not even the captions of the summary rows.
    m_grid = m_table.rowCount() > 0 ? trendGrid(m_table) : ResultTable();
    endResetModel();
}

int TrendModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_grid.rowCount();
}

int TrendModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_grid.columnCount();
}

QVariant TrendModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= columnCount())
        return {};
    const int r = index.row();
    const int c = index.column();
    const bool drawRow = r < drawRows();
    const bool hit = drawRow && c > 0 && m_table.isHit(r, c - 1);
    switch (role) {
    case Qt::DisplayRole:
        return displayText(r, c);
    case Qt::TextAlignmentRole:
        return c == 0 ? QVariant(Qt::AlignLeft | Qt::AlignVCenter) : QVariant(Qt::AlignCenter);
    case Qt::BackgroundRole:
        if (hit)
            return QBrush(QColor(0xc6, 0x28, 0x28));
        if (!drawRow)
            return QBrush(QColor(0xf2, 0xf2, 0xf2));
        return {};
    case Qt::ForegroundRole:
        if (hit)
            return QBrush(Qt::white);
        if (drawRow && c > 0)
            return QBrush(QColor(0x9e, 0x9e, 0x9e));
        return {};
    default:
        return {};
    }
}

QString TrendModel::displayText(int row, int column) const
{
    // The two chance rows read as percentages: four decimals of a
    // probability do not fit a narrow column and are hard to compare.
    const int summaryRow = row - drawRows();
    if (column > 0 && (summaryRow == kChanceRow || summaryRow == kAbsenceChanceRow)) {
        const auto c = static_cast<std::size_t>(column - 1);
        if (summaryRow == kChanceRow)
            return TrendWindow::percentText(m_table.chance[c]);
        const bool marked = c < m_table.absenceQ.size() && m_table.absenceQ[c] < 0.05;
        return TrendWindow::percentText(m_table.chanceCurrentOrLonger[c]) + (marked ? QStringLiteral("*") : QString());
    }
    return m_grid.cell(row, column);
}

QVariant TrendModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= columnCount())
        return {};
    if (role == Qt::DisplayRole)
        return m_grid.header.value(section);
    // The column's chance of a hit, with the exact count of outcomes where
    // the kind has one.
    if (role == Qt::ToolTipRole && section > 0) {
        const auto c = static_cast<std::size_t>(section - 1);
        QString tip
            = tr("%1：随机出现率 %2").arg(m_grid.header.value(section), TrendWindow::percentText(m_table.chance[c]));
        if (m_table.chanceOutcomes > 0)
            tip += QStringLiteral("（%1/%2）").arg(m_table.valueCount[c]).arg(m_table.chanceOutcomes);
        return tip;
    }
    return {};
}

// ---- TrendWindow ----

TrendWindow::TrendWindow(Session& session, Dialogs& dialogs, QWidget* parentWindow)
    : QWidget(parentWindow, Qt::Window)
    , m_session(session)
    , m_dialogs(dialogs)
    , m_source(session)
{
    setObjectName(QStringLiteral("frmTrend"));
    setWindowTitle(tr("走势图"));
    auto* column = new QVBoxLayout(this);

    auto* choices = new QHBoxLayout;
    column->addLayout(choices);
    choices->addWidget(new QLabel(tr("期数"), this));
    m_last = named(new QComboBox(this), "cboTrendLast");
    for (int n : kLastChoices)
        m_last->addItem(QString::number(n), n);
    m_last->setCurrentIndex(1);
    choices->addWidget(m_last);
    choices->addWidget(new QLabel(tr("类型"), this));
    m_kind = named(new QComboBox(this), "cboTrendKind");
    for (int k = 0; k < kKindCount; ++k)
        m_kind->addItem(tr(kKindCaptions[k]), k);
    // The shape kinds in two groups, each under a caption that cannot be chosen.
    for (const bool twoSided : { false, true }) {
        m_kind->addItem(twoSided ? tr("两面") : tr("整期形态"), -1);
        auto* items = qobject_cast<QStandardItemModel*>(m_kind->model());
        if (QStandardItem* caption = items ? items->item(m_kind->count() - 1) : nullptr) {
            caption->setFlags(caption->flags() & ~(Qt::ItemIsSelectable | Qt::ItemIsEnabled));
            QFont bold = caption->font();
            bold.setBold(true);
            caption->setFont(bold);
        }
        for (int k = kFirstShapeKind; k < kTrendKindCount; ++k)
            if (shapeKindInfo(k).twoSided == twoSided)
                m_kind->addItem(QStringLiteral("  ") + tr(shapeKindInfo(k).caption), k);
    }
    choices->addWidget(m_kind);
    choices->addWidget(new QLabel(tr("范围"), this));
    m_scope = named(new QComboBox(this), "cboTrendScope");
    m_scope->addItem(tr("整期"), 0);
    for (int p = 1; p <= kPositions; ++p)
        m_scope->addItem(tr("第%1位").arg(p), p);
    choices->addWidget(m_scope);
    choices->addStretch();

    m_model = named(new TrendModel(this), "TrendModel");
    m_grid = named(new QTableView(this), "grdTrend");
    m_grid->setModel(m_model);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setToolTip(tr("双击导出到 Zoushi.xlsx"));
    m_grid->verticalHeader()->hide();
    m_grid->verticalHeader()->setDefaultSectionSize(m_grid->fontMetrics().height() + 4);
    m_grid->horizontalHeader()->setMinimumSectionSize(m_grid->fontMetrics().horizontalAdvance(QStringLiteral("000")));
    m_grid->viewport()->installEventFilter(this);
    column->addWidget(m_grid, 1);

    auto* note = named(new QLabel(tr("每期开奖相互独立：一个值很久没有出现，并不会因此更容易出现。"
                                     "随机行给出的是纯随机情况下的出现率、期望次数和遗漏至少这么长的概率。"),
                                  this),
                       "lblTrendNote");
    note->setWordWrap(true);
    column->addWidget(note);
    m_status = named(new QLabel(this), "lblTrendStatus");
    column->addWidget(m_status);

    for (QComboBox* box : { m_last, m_scope })
        connect(box, &QComboBox::currentIndexChanged, this, &TrendWindow::refresh);
    connect(m_kind, &QComboBox::currentIndexChanged, this, [this] {
        fitScope();
        refresh();
    });
    Session& s = m_session;
    connect(&s, &Session::historyChanged, this, [this] {
        m_source.invalidate();
        refresh();
    });
    // The segment labels follow the segment base setting.
    connect(&s, &Session::choicesChanged, this, [this] {
        if (m_session.choices().segmentBase != m_segmentBase)
            refresh();
    });

    resize(initialSize());
    m_sized = true;
    refresh();
}

QString TrendWindow::percentText(double p)
{
    if (p > 0.0 && p < 0.0001)
        return QStringLiteral("<0.01%");
    // Two decimals below 1 %, where one would round small chances to 0.
    return QString::number(p * 100.0, 'f', p < 0.01 ? 2 : 1) + QLatin1Char('%');
}

QSize TrendWindow::initialSize() const
{
    const QStringList stored = m_session.settings().readText(Settings::txtTrendSize).split(QLatin1Char('x'));
    QSize size;
    if (stored.size() == 2)
        size = QSize(stored[0].toInt(), stored[1].toInt());
    QSize screen(1024, 768);
    if (const QScreen* s = this->screen())
        screen = s->availableSize();
    // A size from another, larger screen is cut down to this one.
    if (size.width() < 400 || size.height() < 300)
        size = QSize(screen.width() * 4 / 5, screen.height() * 4 / 5);
    return size.boundedTo(screen);
}

void TrendWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    fitColumns();
    if (m_sized)
        m_session.settings().writeText(Settings::txtTrendSize, QStringLiteral("%1x%2").arg(width()).arg(height()));
}

void TrendWindow::fitColumns()
{
    QHeaderView* header = m_grid->horizontalHeader();
    const int columns = m_model->columnCount();
    if (columns == 0)
        return;
    m_grid->resizeColumnsToContents();
    int used = 0;
    for (int c = 0; c < columns; ++c)
        used += header->sectionSize(c);
    // The vertical scroll bar of a long chart may show only after this
    // layout: its width is not spare room.
    int available = m_grid->viewport()->width();
    const int rowsHeight = m_model->rowCount() * m_grid->verticalHeader()->defaultSectionSize();
    if (!m_grid->verticalScrollBar()->isVisible() && rowsHeight > m_grid->viewport()->height())
        available -= m_grid->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, m_grid);
    const int spare = available - used;
    if (spare <= columns)
        return;
    // The issue column keeps its width; the value columns share the rest.
    const int share = spare / (columns - 1 > 0 ? columns - 1 : 1);
    for (int c = columns > 1 ? 1 : 0; c < columns; ++c)
        header->resizeSection(c, header->sectionSize(c) + share);
}

void TrendWindow::showNewest()
{
    m_grid->scrollToBottom();
    // Before the first layout the view has no height to scroll in yet.
    QTimer::singleShot(0, m_grid, &QTableView::scrollToBottom);
}

void TrendWindow::fitScope()
{
    const TrendScope scope = trendScope(m_kind->currentData().toInt());
    const QSignalBlocker quiet(m_scope);
    if (auto* items = qobject_cast<QStandardItemModel*>(m_scope->model())) {
        if (QStandardItem* whole = items->item(0)) {
            const Qt::ItemFlags choosable = Qt::ItemIsSelectable | Qt::ItemIsEnabled;
            whole->setFlags(scope == TrendScope::PositionOnly ? whole->flags() & ~choosable
                                                              : whole->flags() | choosable);
        }
    }
    if (scope == TrendScope::WholeDrawOnly)
        m_scope->setCurrentIndex(0);
    else if (scope == TrendScope::PositionOnly && m_scope->currentIndex() == 0)
        m_scope->setCurrentIndex(1);
    m_scope->setEnabled(scope != TrendScope::WholeDrawOnly);
}

void TrendWindow::refresh()
{
    m_segmentBase = m_session.choices().segmentBase;
    TrendResult result;
    {
        BusyCursor busy;
        result = m_source.compute(m_last->currentData().toInt(), m_kind->currentData().toInt(),
                                  m_scope->currentData().toInt());
    }
    if (!result.ok) {
        m_model->setTable(TrendTable());
        m_status->setText(m_source.drawCount() == 0 ? tr("没有历史号码。") : result.error);
        return;
    }
    m_model->setTable(result.table);
    fitColumns();
    showNewest();
    m_status->setText(tr("共 %1 期，显示最后 %2 期。").arg(m_source.drawCount()).arg(result.table.rowCount())
                      + trendAbsenceNote(result.table));
}

void TrendWindow::exportWorkbook()
{
    const ResultTable& g = m_model->grid();
    if (g.columnCount() == 0) {
        m_status->setText(tr("没有可导出的走势图。"));
        return;
    }
    CellSource source;
    source.rows = g.rowCount() + 1;
    source.columns = g.columnCount();
    source.text = [&g](int row, int column) { return row == 0 ? g.header.value(column) : g.cell(row - 1, column); };
    ExportResult result;
    {
        BusyCursor busy;
        result = workbook::writeInto(m_session.dataFolder(), kWorkbookFile, source);
    }
    if (!result.ok) {
        m_status->setText(tr("导出到EXCEL失败：%1").arg(result.error));
        m_dialogs.message(tr("导出到EXCEL失败"),
                                    result.error
                                        + tr("\n请关闭正在使用该文件的程序，或检查数据文件夹是否可写，然后再试。"),
                                    QMessageBox::Ok, QMessageBox::Warning);
        return;
    }
    m_status->setText(tr("导出到EXCEL：已写入 %1").arg(QDir::toNativeSeparators(result.path)));
}

bool TrendWindow::eventFilter(QObject* watched, QEvent* event)
{
    // The grid's own width is known only once it is laid out.
    if (watched == m_grid->viewport() && event->type() == QEvent::Resize)
        QTimer::singleShot(0, this, &TrendWindow::fitColumns);
    if (watched == m_grid->viewport() && event->type() == QEvent::MouseButtonDblClick
        && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
        exportWorkbook();
    return QWidget::eventFilter(watched, event);
}

} // namespace corvinel
