// Renders the main window into a PNG (for checking the layout and captions):
// window_screenshot OUT.png [--data-dir DIR] [--menu]
#include "DataFolder.h"
#include "Session.h"
#include "frmMain.h"

#include <QApplication>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QTimer>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Corvinel"));
    QCoreApplication::setApplicationName(QStringLiteral("Corvinel"));
    const QStringList args = app.arguments();
    if (args.size() < 2)
        return 2;
    const QString out = args[1];
    const QString folder = corvinel::resolveDataFolder(corvinel::dataDirArgument(args));
    corvinel::frmMain w(std::make_unique<corvinel::Session>(std::make_unique<corvinel::Settings>(), folder));
    w.show();
    const bool menu = args.contains(QStringLiteral("--menu"));
    QTimer::singleShot(500, [&] {
        QPixmap shot = w.grab();
        if (menu) {
            // The settings menu and its game submenu beside the window.
            QMenu* m = w.setupMenu();
            m->popup(w.mapToGlobal(QPoint(w.width() / 2, 40)));
            QPixmap pm = m->grab();
            QPixmap lsgl = w.historyMenu()->grab();
            QPixmap all(shot.width() + pm.width() + lsgl.width() + 20, qMax(shot.height(), pm.height()));
            all.fill(Qt::white);
            QPainter p(&all);
            p.drawPixmap(0, 0, shot);
            p.drawPixmap(shot.width() + 10, 0, pm);
            p.drawPixmap(shot.width() + pm.width() + 20, 0, lsgl);
            p.end();
            shot = all;
        }
        shot.save(out);
        app.quit();
    });
    return app.exec();
}
