#pragma once

#include <QStringList>

class QCoreApplication;

namespace corvinel {

// The window speaks Chinese whatever the system's language: Qt's own texts
// (standard buttons, file dialogs, the edit menu of text boxes) from Qt's
// Chinese catalogue, and the program's texts from its own catalogue
// (corvinel_zh_CN.qm, built from share/translations/corvinel_zh_CN.ts).
// Returns the catalogues that were loaded; one not found is left out and its
// texts stay as written in the source.
QStringList installChineseTranslations(QCoreApplication& app);

} // namespace corvinel
