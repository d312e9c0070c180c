#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace corvinel::desktop_open {

// The desktop entry id of the default application for `mimeType`, as
// `xdg-mime query default` gives it ("org.gnome.TextEditor.desktop"); empty
// when there is none or xdg-mime is missing.
QString defaultApplication(const QString& mimeType);

// The file of desktop entry `id` in `applicationFolders` (the XDG
// applications folders, first wins); a "-" in the id may stand for a
// subfolder ("kde-kwrite.desktop" in "kde/kwrite.desktop"). Empty when absent.
QString desktopEntryPath(const QString& id, const QStringList& applicationFolders);

// Whether a desktop entry's [Desktop Entry] group says Terminal=true.
bool runsInTerminal(const QByteArray& entry);

// Whether the desktop would open a text file in a terminal program (vi,
// nano ...), which a user of the window may not be able to leave. Also true
// when no default application for text is known.
bool textOpensInTerminal();

// Shows the folder of `path` in the file manager with the file selected
// where the file manager supports it (org.freedesktop.FileManager1), else
// opens the folder.
bool showInFolder(const QString& path);

} // namespace corvinel::desktop_open
