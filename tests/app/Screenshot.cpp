// Renders the main window into a PNG (for checking the layout and captions):
// window_screenshot OUT.png [--data-dir DIR] [--menu] [--search] [--click NAME,NAME...]
// --click clicks the named buttons (object names, e.g. Check1_1,Option1_0)
// before the search, so a picture can show a chosen pattern. --trend FILE also
// saves the trend window (走势图) as the window opens it, --batch FILE the
// window of a batch verification (批量验证) with its defaults.
#include "core/DataFolder.h"
#include "session/Session.h"
#include "app/BacktestController.h"
#include "app/BacktestWindow.h"
#include "app/TrendWindow.h"
#include "app/Translations.h"
#include "app/frmMain.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QPixmap>
#include <QTabBar>
#include <QTimer>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    corvinel::installChineseTranslations(app);
    QCoreApplication::setOrganizationName(QStringLiteral("Corvinel"));
    QCoreApplication::setApplicationName(QStringLiteral("Corvinel"));
    const QStringList args = app.arguments();
    if (args.size() < 2)
        return 2;
    const QString& out = args[1];
    const QString folder = corvinel::resolveDataFolder(corvinel::dataDirArgument(args));
    corvinel::frmMain w(std::make_unique<corvinel::Session>(std::make_unique<corvinel::Settings>(), folder));
    w.show();
    const bool menu = args.contains(QStringLiteral("--menu"));
    if (args.contains(QStringLiteral("--search"))) {
        // Shows the result grids and the chart filled by a search.
        const qsizetype at = args.indexOf(QStringLiteral("--click"));
        const QStringList clicks = at >= 0 && at + 1 < args.size() ? args[at + 1].split(u',') : QStringList();
        QTimer::singleShot(200, [&w, clicks] {
            for (const QString& name : clicks)
                if (auto* b = w.findChild<QAbstractButton*>(name))
                    b->click();
            if (auto* b = w.findChild<QAbstractButton*>(QStringLiteral("Command1")))
                b->click();
        });
    }
    const qsizetype trendAt = args.indexOf(QStringLiteral("--trend"));
    if (trendAt >= 0 && trendAt + 1 < args.size()) {
        const QString& trendOut = args[trendAt + 1];
        QTimer::singleShot(300, [&w, trendOut] {
            w.openTrendWindow();
            QCoreApplication::processEvents();
            w.trendWindow()->grab().save(trendOut);
            w.trendWindow()->hide();
        });
    }
    const qsizetype batchAt = args.indexOf(QStringLiteral("--batch"));
    if (batchAt >= 0 && batchAt + 1 < args.size()) {
        const QString& batchOut = args[batchAt + 1];
        QTimer::singleShot(350, [&w, batchOut] {
            w.backtest()->button()->click();
            if (corvinel::BacktestWindow* b = w.backtest()->lastWindow()) {
                QCoreApplication::processEvents();
                b->grab().save(batchOut);
                b->close();
            }
        });
    }
    QTimer::singleShot(500, [&] {
        const QPixmap main = w.grab();
        if (!menu) {
            main.save(out);
            app.quit();
            return;
        }
        // Beside the window: the pattern pages of the other two tabs (with
        // Text4 and Check4), the two popup menus and the settings submenus.
        auto* tabs = w.findChild<QTabBar*>(QStringLiteral("TabStrip1"));
        auto* pages = w.findChild<QWidget*>(QStringLiteral("TabPages"));
        QList<QPixmap> side;
        for (int t : { 1, 2 }) {
            tabs->setCurrentIndex(t);
            QCoreApplication::processEvents();
            const QPoint topLeft = tabs->mapTo(&w, QPoint(0, 0));
            const QPoint bottom = pages->mapTo(&w, QPoint(pages->width(), pages->height()));
            side << w.grab(QRect(topLeft, QPoint(w.width() - 1, bottom.y())));
        }
        tabs->setCurrentIndex(0);
        QList<QPixmap> menus;
        menus << w.setupMenu()->grab() << w.historyMenu()->grab();
        for (const char* name : { "mnuSxCssetup", "mnuDssetup", "mnuSxqzSetup", "mnuCaizhong" })
            menus << w.findChild<QMenu*>(QLatin1String(name))->grab();
        int sideW = 0, sideH = 0;
        for (const QPixmap& p : side) {
            sideW = qMax(sideW, p.width());
            sideH += p.height() + 10;
        }
        int menuW = 10, menuH = 0;
        for (const QPixmap& p : menus) {
            menuW += p.width() + 10;
            menuH = qMax(menuH, p.height());
        }
        QPixmap all(qMax(main.width(), qMax(sideW, menuW)), main.height() + 10 + sideH + menuH + 10);
        all.fill(Qt::white);
        QPainter painter(&all);
        painter.drawPixmap(0, 0, main);
        int y = main.height() + 10;
        for (const QPixmap& p : side) {
            painter.drawPixmap(0, y, p);
            y += p.height() + 10;
        }
        int x = 0;
        for (const QPixmap& p : menus) {
            painter.drawPixmap(x, y, p);
            x += p.width() + 10;
        }
        painter.end();
        all.save(out);
        app.quit();
    });
    return app.exec();
}
