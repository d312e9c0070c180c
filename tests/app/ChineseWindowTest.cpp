// The window speaks Chinese: with the translations loaded as at start-up,
// no visible text of the main window, the trend window, the batch
// verification window or a message box is plain ASCII English, and Qt's own
// standard buttons and edit menu are Chinese.

#include "support/HistoryTestSupport.h"
#include "app/BacktestController.h"
#include "app/BacktestWindow.h"
#include "app/HistoryController.h"
#include "app/TrendWindow.h"
#include "app/Translations.h"
#include "app/frmMain.h"
#include "session/Session.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QTabBar>
#include <QTableView>
#include <QTest>

using namespace corvinel;
using namespace corvinel::testing;

namespace {

// English: a word of two or more Latin letters in a text without a single
// CJK character. File names, paths and the program's name are allowed.
bool plainEnglish(QString text)
{
    text.remove(QRegularExpression(QStringLiteral("[A-Za-z0-9_]+\\.(xlsx|txt)|Corvinel|&|(/[\\w.-]+)+")));
    static const QRegularExpression cjk(QStringLiteral("[\\x{3000}-\\x{9fff}\\x{ff00}-\\x{ffef}]"));
    static const QRegularExpression word(QStringLiteral("[A-Za-z]{2,}"));
    return !cjk.match(text).hasMatch() && word.match(text).hasMatch();
}

// Every visible text of `root` and its children that reads as English.
QStringList englishTexts(QWidget* root)
{
    QStringList found;
    auto check = [&](const QObject* owner, const QString& text) {
        if (plainEnglish(text))
            found << owner->objectName() + QStringLiteral(": ") + text;
    };
    QList<QWidget*> widgets = root->findChildren<QWidget*>();
    widgets.prepend(root);
    for (QWidget* w : widgets) {
        if (!w->isVisibleTo(root) && w != root)
            continue;
        check(w, w->windowTitle());
        if (auto* l = qobject_cast<QLabel*>(w))
            check(w, l->text());
        if (auto* b = qobject_cast<QAbstractButton*>(w))
            check(w, b->text());
        if (auto* g = qobject_cast<QGroupBox*>(w))
            check(w, g->title());
        if (auto* e = qobject_cast<QLineEdit*>(w))
            check(w, e->placeholderText());
        if (auto* t = qobject_cast<QTabBar*>(w))
            for (int i = 0; i < t->count(); ++i)
                check(w, t->tabText(i));
        if (auto* c = qobject_cast<QComboBox*>(w))
            for (int i = 0; i < c->count(); ++i)
                check(w, c->itemText(i));
        if (auto* v = qobject_cast<QTableView*>(w); v && v->model())
            for (int c = 0; c < v->model()->columnCount(); ++c)
                check(w, v->model()->headerData(c, Qt::Horizontal).toString());
        if (auto* m = qobject_cast<QMenu*>(w))
            for (QAction* a : m->actions())
                check(a, a->text());
    }
    return found;
}

} // namespace

class ChineseWindowTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

private slots:
    void initTestCase()
    {
        const QStringList loaded = installChineseTranslations(*QCoreApplication::instance());
        QVERIFY2(loaded.contains(QStringLiteral("corvinel_zh_CN")), qPrintable(loaded.join(u',')));
        QVERIFY2(loaded.size() == 2, qPrintable(loaded.join(u',')));
    }

    void standardButtonsAndEditMenuAreChinese()
    {
        QMessageBox box(QMessageBox::Question, QStringLiteral("删除最后历史"),
                        QStringLiteral("删除最后一期 2016121201？"),
                        QMessageBox::Ok | QMessageBox::Cancel | QMessageBox::Yes | QMessageBox::No);
        box.show();
        QCOMPARE(box.button(QMessageBox::Ok)->text(), QStringLiteral("确定"));
        QCOMPARE(box.button(QMessageBox::Cancel)->text(), QStringLiteral("取消"));
        QCOMPARE(box.button(QMessageBox::Yes)->text().left(1), QStringLiteral("是"));
        QCOMPARE(box.button(QMessageBox::No)->text().left(1), QStringLiteral("否"));
        QVERIFY2(englishTexts(&box).isEmpty(), qPrintable(englishTexts(&box).join(u'\n')));

        // The file dialog the import opens (Qt's own, never the desktop's).
        QFileDialog files(nullptr, QStringLiteral("读取历史号文本"), QDir::tempPath(),
                          HistoryController::importFilter());
        files.setOption(QFileDialog::DontUseNativeDialog);
        files.show();
        const QStringList fileDialogEnglish = englishTexts(&files);
        QVERIFY2(fileDialogEnglish.isEmpty(), qPrintable(fileDialogEnglish.join(u'\n')));

        QLineEdit edit(QStringLiteral("05"));
        std::unique_ptr<QMenu> menu(edit.createStandardContextMenu());
        QVERIFY(!menu->actions().isEmpty());
        for (QAction* a : menu->actions())
            QVERIFY2(!plainEnglish(a->text()), qPrintable(a->text()));
    }

    void theWindowsHaveNoEnglish()
    {
        {
            HistoryStore store;
            QVERIFY(store.open(m_dir.path()));
            ZodiacTables tables;
            DrawEncoder encoder(tables);
            HistoryMaintenance m(store, encoder, tables);
            QVERIFY(m.rebuild(makeDraws(300, QDate(2016, 12, 12)), EncoderBases {}).ok);
        }
        frmMain window(
            std::make_unique<Session>(std::make_unique<Settings>(m_dir.filePath("settings.ini")), m_dir.path()));
        window.dialogs().setAutomatic(true);
        window.show();
        QStringList english = englishTexts(&window);
        english += englishTexts(window.historyMenu());
        english += englishTexts(window.setupMenu());

        window.openTrendWindow();
        english += englishTexts(window.trendWindow());

        BacktestController* batch = window.backtest();
        batch->button()->click();
        QTRY_VERIFY(batch->lastWindow() != nullptr);
        english += englishTexts(batch->lastWindow());
        QVERIFY2(english.isEmpty(), qPrintable(english.join(u'\n')));

        // The checker itself finds English.
        QVERIFY(plainEnglish(QStringLiteral("Cancel")));
        QVERIFY(!plainEnglish(QStringLiteral("取消 Zoushi.xlsx")));
    }
};

QTEST_MAIN(ChineseWindowTest)
#include "ChineseWindowTest.moc"
