// The manual entry boxes, the exports and the wheel in the real main window.
#include "app/DesktopOpen.h"
#include "app/ExportController.h"
#include "app/GridModel.h"
#include "store/HistoryStore.h"
#include "acquire/ManualEntry.h"
#include "session/Session.h"
#include "core/Settings.h"
#include "app/WheelFilter.h"
#include "support/WorkbookReader.h"
#include "core/ZodiacTables.h"
#include "app/frmMain.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace corvinel;

namespace {

using Draw = std::pair<std::int64_t, manual_entry::Numbers>;

// Draws stored before the window opens, through the same store step.
bool seedHistory(const QString& folder, const std::vector<Draw>& draws)
{
    HistoryStore store;
    if (!store.open(folder))
        return false;
    ZodiacTables tables;
    DrawEncoder encoder(tables);
    for (const auto& [sqqh, numbers] : draws) {
        if (!manual_entry::storeDraw(store, encoder, tables, store.snapshot(), EncoderBases {}, sqqh, numbers).ok)
            return false;
    }
    return true;
}

std::vector<Draw> consecutiveDraws(std::int64_t first, int count)
{
    std::vector<Draw> draws;
    for (int i = 0; i < count; ++i) {
        manual_entry::Numbers n;
        for (int p = 0; p < 8; ++p)
            n[p] = 1 + (i + p * 3) % 20;
        draws.emplace_back(first + i, n);
    }
    return draws;
}

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class WindowTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void twoDigitsMoveTheFocusOneDoesNot();
    void boxEightStoresUnderTheShownIssue();
    void dayBoundaryIssueIsStoredWithoutCentury();
    void lockPreventsASecondStore();
    void refusalsStoreNothingAndKeepTheBoxes();
    void correctingTheBoxAtFaultStores();
    void longHistoryScrollsToTheNewDraw();
    void emptyHistoryNeedsAnIssueNumberInText1();

    void command4WritesTheTextFile();
    void command4WithEmptyHistoryWritesNothing();
    void workbooksFromMenuAndDoubleClicks();
    void unwritableWorkbookGivesAMessage();
    void searchResultsGoToTheirWorkbooks();

    void wheelScrollsTheFocusedGridOnly();
    void terminalDefaultForTextIsFound();

private:
    void open(int lotteryCode, const std::vector<Draw>& draws);
    QLineEdit* box(int k) const { return m_window->findChild<QLineEdit*>(QStringLiteral("MaskEdBox1_%1").arg(k)); }
    void type(int k, const char* digits)
    {
        QLineEdit* b = box(k);
        b->setCursorPosition(0);
        QTest::keyClicks(b, QString::fromLatin1(digits));
    }
    void typeDraw(std::initializer_list<const char*> boxes)
    {
        int k = 1;
        for (const char* d : boxes)
            type(k++, d);
    }
    QWidget* focus() const { return m_window->focusWidget(); }
    std::int64_t rows() { return m_window->session().store().rowCount(); }
    int refusals() const
    {
        int n = 0;
        for (const Dialogs::Shown& s : m_window->dialogs().shown())
            n += s.title == QStringLiteral("输入有误");
        return n;
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<frmMain> m_window;
    QStringList m_opened;
};

void WindowTest::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_opened.clear();
}

void WindowTest::cleanup()
{
    m_window.reset();
    m_dir.reset();
}

void WindowTest::open(int lotteryCode, const std::vector<Draw>& draws)
{
    const QString data = m_dir->filePath(QStringLiteral("data"));
    QVERIFY(QDir().mkpath(data));
    QVERIFY(seedHistory(data, draws));
    const QString ini = m_dir->filePath(QStringLiteral("settings.ini"));
    {
        Settings s(ini);
        s.write(Settings::GsZl, lotteryCode);
        s.sync();
    }
    m_window = std::make_unique<frmMain>(std::make_unique<Session>(std::make_unique<Settings>(ini), data));
    m_window->dialogs().setAutomatic(true);
    auto* exports = m_window->findChild<ExportController*>();
    QVERIFY(exports);
    exports->setOpener([this](const QString& path, ExportController::Opened) {
        m_opened << path;
        return true;
    });
    m_window->resize(1200, 800);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    box(1)->setFocus();
}

void WindowTest::twoDigitsMoveTheFocusOneDoesNot()
{
    open(556, consecutiveDraws(161212001, 3));
    type(1, "0");
    QCOMPARE(focus(), box(1));
    type(1, "05"); // the second digit moves on
    QCOMPARE(box(1)->displayText(), QStringLiteral("05"));
    QCOMPARE(focus(), box(2));
    type(2, "1");
    QCOMPARE(focus(), box(2));
    type(2, "13");
    QCOMPARE(focus(), box(3));
    QCOMPARE(rows(), 3);
}

void WindowTest::boxEightStoresUnderTheShownIssue()
{
    open(556, consecutiveDraws(161212001, 3));
    QCOMPARE(m_window->findChild<QLineEdit*>(QStringLiteral("Text1"))->text(), QStringLiteral("20161212004"));
    typeDraw({ "05", "13", "20", "01", "09", "14", "18" });
    QCOMPARE(rows(), 3);
    type(8, "11");
    QCOMPARE(rows(), 4);
    const HistorySnapshot& snap = m_window->session().snapshot();
    QCOMPARE(snap.last()->sqqh, 161212004);
    QCOMPARE(snap.last()->value(1, 0), 5);
    QCOMPARE(snap.last()->value(8, 0), 11);
    QCOMPARE(m_window->findChild<QLineEdit*>(QStringLiteral("Text1"))->text(), QStringLiteral("20161212005"));
    for (int k = 1; k <= 8; ++k)
        QCOMPARE(box(k)->text(), QString());
    QCOMPARE(focus(), box(1));
    QCOMPARE(m_window->gridModel(1)->rowCount(), 4);
    QCOMPARE(m_window->gridModel(1)->cell(3, 0), QStringLiteral("20161212004"));
    QCOMPARE(refusals(), 0);

    // The next draw follows under the next number.
    typeDraw({ "02", "04", "06", "08", "10", "12", "16", "19" });
    QCOMPARE(rows(), 5);
    QCOMPARE(m_window->session().snapshot().last()->sqqh, 161212005);
}

void WindowTest::dayBoundaryIssueIsStoredWithoutCentury()
{
    open(544, { { 16090983, { 1, 2, 3, 4, 5, 6, 7, 8 } }, { 16090984, { 9, 10, 11, 12, 13, 14, 15, 16 } } });
    QCOMPARE(m_window->session().nextIssue(), QStringLiteral("2016091001"));
    typeDraw({ "05", "13", "20", "01", "09", "14", "18", "11" });
    QCOMPARE(rows(), 3);
    QCOMPARE(m_window->session().snapshot().last()->sqqh, 16091001);
    QCOMPARE(m_window->findChild<QLineEdit*>(QStringLiteral("Text1"))->text(), QStringLiteral("2016091002"));
}

void WindowTest::lockPreventsASecondStore()
{
    open(556, consecutiveDraws(161212001, 3));
    typeDraw({ "05", "13", "20", "01", "09", "14", "18", "11" });
    QCOMPARE(rows(), 4);
    // Without a key typed, boxes changed by the program (a complete, valid
    // draw) neither store nor move the focus.
    const char* draw[] = { "02", "04", "06", "08", "10", "12", "16", "19" };
    for (int k = 1; k <= 8; ++k)
        box(k)->setText(QString::fromLatin1(draw[k - 1]));
    QCOMPARE(rows(), 4);
    QCOMPARE(refusals(), 0);
    QCOMPARE(focus(), box(1));
    // The next key clears the lock.
    for (int k = 1; k <= 8; ++k)
        box(k)->clear();
    typeDraw({ "02", "04", "06", "08", "10", "12", "16", "19" });
    QCOMPARE(rows(), 5);
}

void WindowTest::refusalsStoreNothingAndKeepTheBoxes()
{
    open(556, consecutiveDraws(161212001, 3));
    const struct
    {
        std::array<const char*, 8> boxes;
        int faultBox;
    } cases[] = {
        { { "05", "13", "2", "01", "09", "14", "18", "11" }, 3 }, // incomplete
        { { "05", "13", "20", "", "09", "14", "18", "11" }, 4 }, // empty
        { { "00", "13", "20", "01", "09", "14", "18", "11" }, 1 }, // below 01
        { { "05", "13", "20", "01", "09", "14", "18", "21" }, 8 }, // above 20
        { { "05", "13", "20", "01", "09", "13", "18", "11" }, 6 }, // repeated
    };
    int expectedRefusals = 0;
    for (const auto& c : cases) {
        for (int k = 1; k <= 8; ++k)
            box(k)->clear();
        for (int k = 1; k <= 8; ++k)
            if (*c.boxes[k - 1])
                type(k, c.boxes[k - 1]);
        ++expectedRefusals;
        QCOMPARE(refusals(), expectedRefusals);
        QVERIFY(m_window->dialogs().shown().last().text.contains(QStringLiteral("第 %1 个号码框").arg(c.faultBox)));
        QCOMPARE(rows(), 3);
        QCOMPARE(m_window->session().nextIssue(), QStringLiteral("20161212004"));
        for (int k = 1; k <= 8; ++k) {
            const QString typed = QString::fromLatin1(c.boxes[k - 1]);
            QCOMPARE(box(k)->displayText(), typed.leftJustified(2, u'_'));
        }
        QCOMPARE(focus(), box(c.faultBox));
    }
}

void WindowTest::correctingTheBoxAtFaultStores()
{
    open(556, consecutiveDraws(161212001, 3));
    typeDraw({ "05", "13", "20", "01", "09", "13", "18", "11" });
    QCOMPARE(refusals(), 1);
    QCOMPARE(focus(), box(6));
    // The box at fault is selected: typing replaces it, and the draw goes in.
    QTest::keyClicks(box(6), QStringLiteral("14"));
    QCOMPARE(rows(), 4);
    QCOMPARE(m_window->session().snapshot().last()->value(6, 0), 14);
    QCOMPARE(refusals(), 1);
}

void WindowTest::longHistoryScrollsToTheNewDraw()
{
    open(556, consecutiveDraws(161212001, 60));
    QTableView* grid = m_window->grid(1);
    grid->verticalScrollBar()->setValue(0);
    typeDraw({ "05", "13", "20", "01", "09", "14", "18", "11" });
    QCOMPARE(rows(), 61);
    QCOMPARE(grid->verticalScrollBar()->value(), grid->verticalScrollBar()->maximum());
    QVERIFY(grid->verticalScrollBar()->maximum() > 0);
    // The new draw is in view.
    const int lastRow = m_window->gridModel(1)->rowCount() - 1;
    QVERIFY(grid->viewport()->rect().contains(grid->visualRect(m_window->gridModel(1)->index(lastRow, 0)).center()));
}

void WindowTest::emptyHistoryNeedsAnIssueNumberInText1()
{
    open(556, {});
    auto* text1 = m_window->findChild<QLineEdit*>(QStringLiteral("Text1"));
    QCOMPARE(text1->text(), QStringLiteral("2007001"));
    typeDraw({ "05", "13", "20", "01", "09", "14", "18", "11" });
    QCOMPARE(refusals(), 1);
    QVERIFY(m_window->dialogs().shown().last().text.contains(QStringLiteral("2007001")));
    QCOMPARE(rows(), 0);
    QCOMPARE(focus(), text1);
    // The user types the issue number and box 8 again.
    text1->clear();
    QTest::keyClicks(text1, QStringLiteral("20161212001"));
    box(8)->clear();
    type(8, "11");
    QCOMPARE(rows(), 1);
    QCOMPARE(m_window->session().snapshot().last()->sqqh, 161212001);
    QCOMPARE(text1->text(), QStringLiteral("20161212002"));
}

void WindowTest::command4WritesTheTextFile()
{
    open(556,
         { { 161212001, { 5, 13, 20, 1, 9, 14, 18, 11 } },
           { 161212002, { 10, 2, 3, 4, 15, 16, 17, 19 } },
           { 161212003, { 20, 19, 18, 17, 6, 7, 8, 12 } } });
    m_window->findChild<QPushButton*>(QStringLiteral("Command4"))->click();
    const QString path = m_window->session().dataFolder() + QStringLiteral("/更新至161212003期历史号码.txt");
    QCOMPARE(readAll(path),
             QByteArray("20161212001 05 13 20 01 09 14 18 11 \r\n"
                        "20161212002 10 02 03 04 15 16 17 19 \r\n"
                        "20161212003 20 19 18 17 06 07 08 12 \r\n"));
    QCOMPARE(m_opened, QStringList { path });
    QVERIFY(m_window->statusBar()->currentMessage().contains(QDir::toNativeSeparators(path)));
    QVERIFY(m_window->dialogs().shown().isEmpty());
}

void WindowTest::command4WithEmptyHistoryWritesNothing()
{
    open(556, {});
    m_window->findChild<QPushButton*>(QStringLiteral("Command4"))->click();
    const QStringList files = QDir(m_window->session().dataFolder()).entryList({ QStringLiteral("*.txt") });
    QVERIFY2(files.isEmpty(), qPrintable(files.join(u' ')));
    QVERIFY(m_opened.isEmpty());
    QCOMPARE(m_window->dialogs().shown().size(), 1);
    QVERIFY(!m_window->statusBar()->currentMessage().isEmpty());
}

void WindowTest::workbooksFromMenuAndDoubleClicks()
{
    open(556, consecutiveDraws(161212001, 3));
    const QString data = m_window->session().dataFolder();
    m_window->findChild<QAction*>(QStringLiteral("mnuDcls"))->trigger();
    SheetContents sheet = readFirstSheet(data + QStringLiteral("/lishi.xlsx"));
    QVERIFY2(sheet.ok, qPrintable(sheet.error));
    QCOMPARE(sheet.sheetName, QStringLiteral("Sheet1"));
    QCOMPARE(sheet.rowElements, 4);
    QCOMPARE(sheet.cells.value({ 0, 0 }), QStringLiteral("期号"));
    QCOMPARE(sheet.cells.value({ 0, 8 }), QStringLiteral("第8位"));
    GridModel* history = m_window->gridModel(1);
    for (int r = 1; r <= 3; ++r)
        for (int c = 0; c < 9; ++c)
            QCOMPARE(sheet.cells.value({ r, c }), history->cell(r - 1, c));
    QCOMPARE(sheet.cells.size(), 4 * 9);

    // The matched draw list and the ranking, on a double click.
    m_window->gridModel(2)->setTable({ QStringLiteral("期号"), QStringLiteral("号码") },
                                     { { QStringLiteral("20161212002"), QStringLiteral("05") } });
    m_window->gridModel(3)->setTable({ QStringLiteral("号码"), QStringLiteral("次数") }, {});
    QTest::mouseDClick(m_window->grid(2)->viewport(), Qt::LeftButton);
    QTest::mouseDClick(m_window->grid(3)->viewport(), Qt::LeftButton);
    sheet = readFirstSheet(data + QStringLiteral("/Jiansuo.xlsx"));
    QVERIFY2(sheet.ok, qPrintable(sheet.error));
    QCOMPARE(sheet.rowElements, 2);
    QCOMPARE(sheet.cells.value({ 1, 0 }), QStringLiteral("20161212002"));
    QCOMPARE(sheet.cells.value({ 1, 1 }), QStringLiteral("05"));
    sheet = readFirstSheet(data + QStringLiteral("/Jieguo.xlsx"));
    QVERIFY2(sheet.ok, qPrintable(sheet.error));
    QCOMPARE(sheet.rowElements, 1); // only the header
    QCOMPARE(sheet.cells.value({ 0, 1 }), QStringLiteral("次数"));
    QCOMPARE(m_opened.size(), 3);
    QVERIFY(m_window->statusBar()->currentMessage().contains(QStringLiteral("Jieguo.xlsx")));
    QVERIFY(m_window->dialogs().shown().isEmpty());
}

void WindowTest::unwritableWorkbookGivesAMessage()
{
    open(556, consecutiveDraws(161212001, 3));
    // A folder in the workbook's place cannot be replaced by a file.
    const QString data = m_window->session().dataFolder();
    QVERIFY(QDir(data).mkdir(QStringLiteral("lishi.xlsx")));
    const std::int64_t before = rows();
    m_window->findChild<QAction*>(QStringLiteral("mnuDcls"))->trigger();
    QCOMPARE(m_window->dialogs().shown().size(), 1);
    QVERIFY(m_window->dialogs().shown().first().text.contains(QStringLiteral("lishi.xlsx")));
    QVERIFY(m_opened.isEmpty());
    QVERIFY(QFileInfo(data + QStringLiteral("/lishi.xlsx")).isDir());
    QCOMPARE(rows(), before);
    // No half-written workbook is left behind.
    QCOMPARE(QDir(data).entryList({ QStringLiteral(".lishi*") }, QDir::Files | QDir::Hidden), QStringList());
}

void WindowTest::searchResultsGoToTheirWorkbooks()
{
    open(556, consecutiveDraws(161212001, 30));
    m_window->findChild<QPushButton*>(QStringLiteral("Command1"))->click();
    QTRY_VERIFY(m_window->gridModel(3)->rowCount() > 0);
    const QString data = m_window->session().dataFolder();
    const struct
    {
        int grid;
        const char* file;
    } grids[] = { { 2, "/Jiansuo.xlsx" }, { 3, "/Jieguo.xlsx" } };
    for (const auto& g : grids) {
        QTest::mouseDClick(m_window->grid(g.grid)->viewport(), Qt::LeftButton);
        const SheetContents sheet = readFirstSheet(data + QString::fromLatin1(g.file));
        QVERIFY2(sheet.ok, qPrintable(sheet.error));
        const GridModel* model = m_window->gridModel(g.grid);
        QCOMPARE(sheet.rowElements, model->gridRows());
        int nonEmpty = 0;
        for (int r = 0; r < model->gridRows(); ++r) {
            for (int c = 0; c < model->columnCount(); ++c) {
                QCOMPARE(sheet.cells.value({ r, c }), model->gridText(r, c));
                nonEmpty += !model->gridText(r, c).isEmpty();
            }
        }
        QCOMPARE(sheet.cells.size(), nonEmpty);
        QVERIFY(m_window->statusBar()->currentMessage().contains(QString::fromLatin1(g.file + 1)));
    }
}

void WindowTest::wheelScrollsTheFocusedGridOnly()
{
    open(556, consecutiveDraws(161212001, 80));
    QTableView* grid = m_window->grid(1);
    grid->verticalScrollBar()->setValue(10);
    auto wheel = [](QWidget* w, int dy) {
        const QPointF pos(w->width() / 2.0, w->height() / 2.0);
        QWheelEvent ev(pos, w->mapToGlobal(pos), QPoint(), QPoint(0, dy), Qt::NoButton, Qt::NoModifier,
                       Qt::NoScrollPhase, false);
        QApplication::sendEvent(w, &ev);
    };
    box(1)->setFocus();
    wheel(grid->viewport(), -120);
    QCOMPARE(WheelFilter::topRow(grid), 10);
    grid->setFocus();
    wheel(grid->viewport(), -120);
    QCOMPARE(WheelFilter::topRow(grid), 11);
    wheel(box(3), -120); // anywhere over the window
    QCOMPARE(WheelFilter::topRow(grid), 12);
    wheel(grid->viewport(), 120);
    QCOMPARE(WheelFilter::topRow(grid), 11);
}

// Which desktop entry a default application id names, and whether it runs
// in a terminal (then the text export shows its folder instead).
void WindowTest::terminalDefaultForTextIsFound()
{
    QTemporaryDir dir;
    const QString user = dir.filePath(QStringLiteral("user"));
    const QString system = dir.filePath(QStringLiteral("system"));
    QVERIFY(QDir().mkpath(user) && QDir().mkpath(system + QStringLiteral("/kde")));
    const auto write = [](const QString& path, const QByteArray& text) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(text);
    };
    write(system + QStringLiteral("/vim.desktop"),
          "[Desktop Entry]\nName=Vim\nTerminal = true\nExec=vim %F\n[Desktop Action new]\nTerminal=false\n");
    write(user + QStringLiteral("/vim.desktop"), "[Desktop Entry]\nName=Vim\nExec=vim %F\nTerminal=false\n");
    write(system + QStringLiteral("/kde/kwrite.desktop"), "[Desktop Action x]\nTerminal=true\n[Desktop Entry]\n");
    const QStringList folders { user, system };
    QCOMPARE(desktop_open::desktopEntryPath(QStringLiteral("vim.desktop"), folders),
             user + QStringLiteral("/vim.desktop"));
    QCOMPARE(desktop_open::desktopEntryPath(QStringLiteral("vim.desktop"), { system }),
             system + QStringLiteral("/vim.desktop"));
    QCOMPARE(desktop_open::desktopEntryPath(QStringLiteral("kde-kwrite.desktop"), folders),
             system + QStringLiteral("/kde/kwrite.desktop"));
    QVERIFY(desktop_open::desktopEntryPath(QStringLiteral("gedit.desktop"), folders).isEmpty());
    QVERIFY(desktop_open::desktopEntryPath(QStringLiteral("../x.desktop"), folders).isEmpty());
    const auto terminal = [](const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) && desktop_open::runsInTerminal(f.readAll());
    };
    QVERIFY(terminal(system + QStringLiteral("/vim.desktop")));
    QVERIFY(!terminal(user + QStringLiteral("/vim.desktop")));
    QVERIFY(!terminal(system + QStringLiteral("/kde/kwrite.desktop")));
}

QTEST_MAIN(WindowTest)
#include "EntryExportWindowTest.moc"
