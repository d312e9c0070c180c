#include "DataFolder.h"
#include "Session.h"
#include "frmMain.h"

#include <QApplication>
#include <QCommandLineParser>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Corvinel"));
    QCoreApplication::setApplicationName(QStringLiteral("Corvinel"));
    QGuiApplication::setApplicationDisplayName(QStringLiteral("Corvinel"));
    QGuiApplication::setDesktopFileName(QStringLiteral("corvinel"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Corvinel 快乐十分分析"));
    parser.addHelpOption();
    const QCommandLineOption dataDir(QStringLiteral("data-dir"),
                                     QStringLiteral("Folder of the history database and the exports."),
                                     QStringLiteral("DIR"));
    parser.addOption(dataDir);
    parser.process(app);

    const QString folder = corvinel::resolveDataFolder(parser.value(dataDir));
    auto session = std::make_unique<corvinel::Session>(std::make_unique<corvinel::Settings>(), folder);
    corvinel::frmMain window(std::move(session));
    window.show();
    return app.exec();
}
