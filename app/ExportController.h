#pragma once

#include "export/CellSource.h"

#include <QObject>
#include <QString>

#include <array>
#include <functional>

class QTableView;

namespace corvinel {

class GridModel;
class Dialogs;
class Session;
struct HistoryMenu;
struct HistoryPanel;
struct ResultPanel;

// Export of the history and the result grids:
// - Command4 writes the history text file and opens it in the desktop's
//   program for text, or, when that runs in a terminal, shows it in its folder;
// - mnuDcls and a double click on MSFlexGrid1 write "lishi.xlsx", a double
//   click on MSFlexGrid2 "Jiansuo.xlsx", on MSFlexGrid3 "Jieguo.xlsx", on the
//   table "统计检验" (gridChance) "Jianyan.xlsx", each opened in the
//   desktop's spreadsheet application.
// The status bar says where each export went; a file that cannot be written
// gets a message and nothing else changes.
//
// Opening the written file is skipped when the environment variable
// CORVINEL_NO_OPEN is set, or on the offscreen and minimal platforms (tests,
// headless runs); a test may also install its own opener.
class ExportController : public QObject
{
    Q_OBJECT

public:
    enum class Opened
    {
        TextEditor,
        Spreadsheet,
        // The folder with the file selected: where the desktop's default
        // program for text runs in a terminal.
        Folder
    };
    // Returns whether a program was started on the file.
    using Opener = std::function<bool(const QString& path, Opened kind)>;

    // Wired to Command4 and the history grid of the history panel, the
    // result grids and mnuDcls.
    ExportController(Session& session, Dialogs& dialogs, QWidget* parentWindow, const HistoryPanel& history,
                     const ResultPanel& results, const HistoryMenu& menu);

    void setOpener(Opener opener) { m_opener = std::move(opener); }

    // The three actions, also for menus and tests.
    void exportHistoryText();
    // which = 1, 2, 3 for MSFlexGrid1..3, 4 for gridChance.
    void exportGrid(int which);

    // The default opener: the desktop's default program for the file.
    static bool openWithDesktop(const QString& path, Opened kind);
    static bool openingDisabled();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

signals:
    // A line for the window's status bar (empty: clear it).
    void status(const QString& text);

private:
    CellSource gridSource(int which) const;
    void report(const ExportResult& result, const QString& what, Opened kind);

    Session& m_session;
    Dialogs& m_dialogs;
    QWidget* m_parentWindow; // parent of the dialogs and windows it opens
    std::array<QTableView*, 5> m_grids {}; // MSFlexGrid1..3, gridChance
    std::array<const GridModel*, 5> m_models {};
    Opener m_opener;
};

} // namespace corvinel
