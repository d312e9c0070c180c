#include "app/DesktopOpen.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

#include <optional>

namespace corvinel::desktop_open {

namespace {

// Runs a helper program briefly; its standard output, or nothing.
std::optional<QByteArray> run(const QString& program, const QStringList& arguments)
{
    if (QStandardPaths::findExecutable(program).isEmpty())
        return std::nullopt;
    QProcess p;
    p.start(program, arguments);
    if (!p.waitForFinished(5000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return std::nullopt;
    return p.readAllStandardOutput();
}

} // namespace

QString defaultApplication(const QString& mimeType)
{
    const auto out = run(QStringLiteral("xdg-mime"), { QStringLiteral("query"), QStringLiteral("default"), mimeType });
    return out ? QString::fromUtf8(*out).trimmed() : QString();
}

QString desktopEntryPath(const QString& id, const QStringList& applicationFolders)
{
    if (id.isEmpty() || id.contains(QLatin1Char('/')))
        return {};
    for (const QString& folder : applicationFolders) {
        QString name = id;
        // Each "-" may be a subfolder: try the id as it is, then with its
        // dashes turned into folders one by one from the left.
        for (;;) {
            QString candidate = QDir(folder).filePath(name);
            if (QFileInfo(candidate).isFile())
                return candidate;
            const int dash = name.indexOf(QLatin1Char('-'));
            if (dash < 0)
                break;
            name[dash] = QLatin1Char('/');
        }
    }
    return {};
}

bool runsInTerminal(const QByteArray& entry)
{
    bool inMainGroup = false;
    for (QByteArray line : entry.split('\n')) {
        line = line.trimmed();
        if (line.startsWith('[')) {
            inMainGroup = line == "[Desktop Entry]";
            continue;
        }
        if (!inMainGroup || !line.startsWith("Terminal"))
            continue;
        const int eq = line.indexOf('=');
        if (eq < 0 || line.left(eq).trimmed() != "Terminal")
            continue;
        return line.mid(eq + 1).trimmed() == "true";
    }
    return false;
}

bool textOpensInTerminal()
{
    const QString id = defaultApplication(QStringLiteral("text/plain"));
    const QString path = desktopEntryPath(id, QStandardPaths::standardLocations(QStandardPaths::ApplicationsLocation));
    if (path.isEmpty())
        return true; // nothing known to open it in a window
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return true;
    return runsInTerminal(f.readAll());
}

bool showInFolder(const QString& path)
{
    const QString uri = QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toString(QUrl::FullyEncoded);
    // The file managers of the common desktops select the file through this
    // interface; without one the folder opens without a selection.
    if (run(QStringLiteral("dbus-send"),
            { QStringLiteral("--session"), QStringLiteral("--print-reply"),
              QStringLiteral("--dest=org.freedesktop.FileManager1"), QStringLiteral("--type=method_call"),
              QStringLiteral("/org/freedesktop/FileManager1"), QStringLiteral("org.freedesktop.FileManager1.ShowItems"),
              QStringLiteral("array:string:") + uri, QStringLiteral("string:") }))
        return true;
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(path).absolutePath()));
}

} // namespace corvinel::desktop_open
