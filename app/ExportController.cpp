#include "app/ExportController.h"

#include "app/BusyCursor.h"
#include "app/GridModel.h"
#include "export/HistoryTextExport.h"
#include "export/WorkbookExport.h"
#include "app/WindowPanels.h"
#include "app/Dialogs.h"
#include "app/DesktopOpen.h"
#include "session/Session.h"

#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QMouseEvent>
#include <QProcess>
#include <QPushButton>
#include <QStatusBar>
#include <QTableView>
#include <QUrl>

namespace corvinel {

namespace {

const char* workbookFile(int which)
{
    switch (which) {
    case 1:
        return workbook::kHistoryFile;
    case 2:
        return workbook::kMatchesFile;
    case 4:
        return workbook::kChanceFile;
    default:
        return workbook::kRankingFile;
    }
}

} // namespace

ExportController::ExportController(Session& session, Dialogs& dialogs, QWidget* parentWindow, const HistoryPanel& history,
                                   const ResultPanel& results, const HistoryMenu& menu)
    : QObject(parentWindow)
    , m_session(session)
    , m_dialogs(dialogs)
    , m_parentWindow(parentWindow)
    , m_grids { nullptr, history.grid, results.matches, results.ranking, results.chanceGrid }
    , m_models { nullptr, history.model, results.matchesModel, results.rankingModel, results.chanceModel }
    , m_opener(&ExportController::openWithDesktop)
{
    setObjectName(QStringLiteral("ExportController"));
    connect(history.command4, &QPushButton::clicked, this, &ExportController::exportHistoryText);
    connect(menu.mnuDcls, &QAction::triggered, this, [this] { exportGrid(1); });
    for (int which = 1; which <= 4; ++which)
        m_grids[which]->viewport()->installEventFilter(this);
}

bool ExportController::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonDblClick && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        for (int which = 1; which <= 4; ++which) {
            if (watched == m_grids[which]->viewport()) {
                exportGrid(which);
                break;
            }
        }
    }
    return QObject::eventFilter(watched, event);
}

CellSource ExportController::gridSource(int which) const
{
    CellSource source;
    const GridModel* model = m_models[which];
    if (!model)
        return source;
    // Row 0 is the grid's header row, rows 1.. its data rows.
    source.rows = model->gridRows();
    source.columns = model->columnCount();
    source.text = [model](int row, int column) { return model->gridText(row, column); };
    return source;
}

bool ExportController::openingDisabled()
{
    if (!qEnvironmentVariableIsEmpty("CORVINEL_NO_OPEN"))
        return true;
    const QString platform = QGuiApplication::platformName();
    return platform == QLatin1String("offscreen") || platform == QLatin1String("minimal");
}

bool ExportController::openWithDesktop(const QString& path, Opened kind)
{
    if (openingDisabled())
        return false;
    // The desktop's default application only: an editor named in the
    // environment may be a terminal program, which has no window to show in.
    if (kind == Opened::Folder)
        return desktop_open::showInFolder(path);
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

void ExportController::report(const ExportResult& result, const QString& what, Opened kind)
{
    if (result.nothingToWrite) {
        emit status(result.error);
        m_dialogs.message(what, result.error, QMessageBox::Ok, QMessageBox::Information);
        return;
    }
    if (!result.ok) {
        emit status(tr("%1失败：%2").arg(what, result.error));
        m_dialogs.message(tr("%1失败").arg(what),
                                    result.error
                                        + tr("\n请关闭正在使用该文件的程序，或检查数据文件夹是否可写，然后再试。"),
                                    QMessageBox::Ok, QMessageBox::Warning);
        return;
    }
    const QString where = QDir::toNativeSeparators(result.path);
    // A terminal program would open the text where the user cannot see or
    // leave it: the folder is shown instead.
    if (kind == Opened::TextEditor && !openingDisabled() && desktop_open::textOpensInTerminal())
        kind = Opened::Folder;
    const bool opened = m_opener && m_opener(result.path, kind);
    // With opening switched off, not opening is no failure worth a note.
    if (opened && kind == Opened::Folder)
        emit status(tr("%1：已写入 %2（文本的默认程序在终端中运行，已打开所在文件夹）").arg(what, where));
    else if (opened || openingDisabled())
        emit status(tr("%1：已写入 %2").arg(what, where));
    else
        emit status(tr("%1：已写入 %2（未能打开该文件）").arg(what, where));
}

void ExportController::exportHistoryText()
{
    Session& s = m_session;
    std::optional<std::int64_t> last;
    if (const SnapshotRow* row = s.snapshot().last())
        last = row->sqqh;
    ExportResult result;
    {
        BusyCursor busy;
        result = history_text::write(s.dataFolder(), last, gridSource(1));
    }
    report(result, tr("历史号码导出文本文件"), Opened::TextEditor);
}

void ExportController::exportGrid(int which)
{
    if (which < 1 || which > 4)
        return;
    ExportResult result;
    {
        BusyCursor busy;
        result = workbook::writeInto(m_session.dataFolder(), workbookFile(which), gridSource(which));
    }
    report(result, tr("导出到EXCEL"), Opened::Spreadsheet);
}

} // namespace corvinel
