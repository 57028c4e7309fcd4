#include "app/Translations.h"

#include "app/AppEnvironment.h"
#include "app/Preferences.h"

#include "components/IniFileParser.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocale>

#include <exception>

const QString TTranslations::kFolder = QStringLiteral(":/i18n");

TTranslations::TTranslations(const QStringList& AUiLanguages) {
    for (const QString& uiLanguage : AUiLanguages) {
        // "de-DE", "de_AT" and "de" all take the German translation.
        const QString language = QLocale(uiLanguage).name().section(u'_', 0, 0);
        if (language == QLatin1String("en")) return;
        if (!FProgram.load(QStringLiteral("tarnwick_") + language, kFolder)) continue;
        FLanguage = language;
        QCoreApplication::installTranslator(&FProgram);
        // Qt's own texts where the system has them, or where a Windows deployment put them
        // beside the program (as qt_<language>.qm); without them its dialogs stay English.
        for (const QString& folder : {QLibraryInfo::path(QLibraryInfo::TranslationsPath),
                                      QCoreApplication::applicationDirPath() + QStringLiteral("/translations")}) {
            if (FQt.load(QStringLiteral("qtbase_") + language, folder) ||
                FQt.load(QStringLiteral("qt_") + language, folder)) {
                QCoreApplication::installTranslator(&FQt);
                break;
            }
        }
        return;
    }
}

TTranslations::~TTranslations() {
    if (!FQt.isEmpty()) QCoreApplication::removeTranslator(&FQt);
    if (!FProgram.isEmpty()) QCoreApplication::removeTranslator(&FProgram);
}

QStringList TTranslations::UiLanguages(const QString& APreferred) {
    return APreferred.isEmpty() ? QLocale::system().uiLanguages() : QStringList{APreferred};
}

QStringList TTranslations::UiLanguages(const TAppEnvironment& AEnvironment) {
    QString preferred;
    // Only read here: the window makes the settings file when it is missing.
    const QString settingsFile = AEnvironment.DataFolder() + QStringLiteral("settings.ini");
    if (QFileInfo(settingsFile).isFile()) {
        try {
            TIniFileParser settings;
            settings.setIniFileName(settingsFile.toStdString());
            preferred = TPreferences::Load(settings).Language;
        } catch (const std::exception&) {
            // An unreadable file: the window says so; the system's language meanwhile.
        }
    }
    return UiLanguages(preferred);
}
