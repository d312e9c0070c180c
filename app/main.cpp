#include "core/DataFolder.h"
#include "session/Session.h"
#include "app/Translations.h"
#include "app/frmMain.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFile>
#include <QIcon>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    corvinel::installChineseTranslations(app);
    QCoreApplication::setOrganizationName(QStringLiteral("Corvinel"));
    QCoreApplication::setApplicationName(QStringLiteral("Corvinel"));
    QGuiApplication::setApplicationDisplayName(QStringLiteral("Corvinel"));
    QGuiApplication::setDesktopFileName(QStringLiteral("corvinel"));
    // The installed theme icon; beside a build (or a theme-less session) the
    // PNG of the install tree or of the source tree.
    QIcon icon = QIcon::fromTheme(QStringLiteral("corvinel"));
    if (icon.isNull()) {
        const QString appDir = QCoreApplication::applicationDirPath();
        for (const QString& png : { appDir + QStringLiteral("/../share/icons/hicolor/256x256/apps/corvinel.png"),
                                    QStringLiteral(CORVINEL_SOURCE_ICON) }) {
            if (QFile::exists(png)) {
                icon = QIcon(png);
                break;
            }
        }
    }
    QApplication::setWindowIcon(icon);

    QCommandLineParser parser;
    parser.setApplicationDescription(QCoreApplication::translate("main", "Corvinel 快乐十分分析"));
    parser.addHelpOption();
    const QCommandLineOption dataDir(QStringLiteral("data-dir"),
                                     QCoreApplication::translate("main", "历史数据库和导出文件所在的文件夹。"),
                                     QCoreApplication::translate("main", "文件夹"));
    parser.addOption(dataDir);
    parser.process(app);

    const QString folder = corvinel::resolveDataFolder(parser.value(dataDir));
    auto session = std::make_unique<corvinel::Session>(std::make_unique<corvinel::Settings>(), folder);
    corvinel::frmMain window(std::move(session));
    window.show();
    return app.exec();
}
