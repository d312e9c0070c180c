#pragma once

#include <QString>
#include <QUrl>

namespace corvinel::help {

// The three help pages ship with the program (installed to
// <prefix>/share/corvinel/help); these are their file names.
inline constexpr const char* kFrontPage = "index.html"; // mnuFrontPage: product home page
inline constexpr const char* kDescription = "manual.html"; // mnuDescrb: description of the program
inline constexpr const char* kDemo = "demo.html"; // numYanshiDown: the demonstration

// Folder of the help pages: the installed share/corvinel/help, else a folder
// "help" beside the executable, else the source tree's share/help (running
// from a build folder).
QString helpFolder();
// Address of a help page (a file: URL); empty when the page is missing.
QUrl pageUrl(const char* page);

} // namespace corvinel::help
