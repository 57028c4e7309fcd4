#pragma once

#include <QString>
#include <QStringList>
#include <QTranslator>

struct TAppEnvironment;

// The program's own translation and Qt's (for its standard dialogs and buttons), for the
// first language of a list that the program has a translation for. English is the
// language the program is written in: where it comes first in the list, nothing is
// installed. The translations stay installed while the object lives.
class TTranslations {
public:
    explicit TTranslations(const QStringList& AUiLanguages);
    ~TTranslations();
    TTranslations(const TTranslations&) = delete;
    TTranslations& operator=(const TTranslations&) = delete;

    // The language installed ("de"), or empty for English.
    QString Language() const { return FLanguage; }

    // The languages to try: the one chosen in the preferences ("en", "de"), or the
    // system's user-interface languages when none is chosen.
    static QStringList UiLanguages(const QString& APreferred);
    // The same for the language stored in the settings of this environment.
    static QStringList UiLanguages(const TAppEnvironment& AEnvironment);

    // Where the program's translations are: tarnwick_<language>.qm.
    static const QString kFolder;

private:
    QTranslator FProgram;
    QTranslator FQt;
    QString FLanguage;
};
