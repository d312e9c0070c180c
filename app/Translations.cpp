#include "app/Translations.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace corvinel {

namespace {

// Loads `name` from the first folder that has it; the translator is the
// application's child, so it lives as long as the application.
bool load(QCoreApplication& app, const QString& name, const QStringList& folders)
{
    auto* translator = new QTranslator(&app);
    for (const QString& folder : folders) {
        if (translator->load(name, folder)) {
            QCoreApplication::installTranslator(translator);
            return true;
        }
    }
    delete translator;
    return false;
}

} // namespace

QStringList installChineseTranslations(QCoreApplication& app)
{
    // Numbers and dates stay as written (the program formats them itself);
    // the locale only tells Qt's own dialogs which language to speak.
    QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
    QStringList loaded;
    const QString qtFolder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    // qtbase holds the standard buttons, the file dialog and the edit menu.
    for (const QString& name : { QStringLiteral("qtbase_zh_CN"), QStringLiteral("qt_zh_CN") }) {
        if (load(app, name, { qtFolder, QStringLiteral("/usr/share/qt6/translations") })) {
            loaded << name;
            break;
        }
    }
    const QString appDir = QCoreApplication::applicationDirPath();
    const QStringList own = {
        appDir + QStringLiteral("/../share/corvinel/translations"),
        appDir + QStringLiteral("/translations"),
#ifdef CORVINEL_BUILD_TRANSLATIONS_DIR
        QStringLiteral(CORVINEL_BUILD_TRANSLATIONS_DIR),
#endif
    };
    if (load(app, QStringLiteral("corvinel_zh_CN"), own))
        loaded << QStringLiteral("corvinel_zh_CN");
    return loaded;
}

} // namespace corvinel
