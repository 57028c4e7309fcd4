// These tests run in a German environment: CMakeLists.txt starts them with LANG,
// LANGUAGE and LC_ALL set to de_DE.UTF-8.
#include "WindowFixture.h"
#include "app/Translations.h"

#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>

namespace {

class SystemLanguage : public WindowTest {
protected:
    QStringList MenuTitles() const {
        QStringList titles;
        for (QAction* menu : Window->menuBar()->actions()) titles.append(menu->text());
        return titles;
    }
};

TEST_F(SystemLanguage, AGermanSystemGivesGermanMenusUnlessThePreferencesSayEnglish) {
    ASSERT_EQ(QLocale::system().uiLanguages().value(0).left(2), QStringLiteral("de"))
        << "LANG, LANGUAGE and LC_ALL do not name German here";
    {
        // As the program starts: nothing stored, so the system's language.
        const TTranslations translations(TTranslations::UiLanguages(Environment));
        OpenWindow();
        EXPECT_EQ(translations.Language(), QStringLiteral("de"));
        EXPECT_TRUE(MenuTitles().startsWith(QStringLiteral("&Datei"))) << MenuTitles().join(u' ').toStdString();
        EXPECT_TRUE(MenuTitles().contains(QStringLiteral("&Hilfe")));
        EXPECT_EQ(Find<QPushButton>("btnRun")->text(), QStringLiteral("&Ausführen"));
        CloseWindow();
    }
    WriteFile(SettingsFile(), "[Preferences]\r\nLanguage=en\r\n");
    const TTranslations translations(TTranslations::UiLanguages(Environment));
    OpenWindow();
    EXPECT_EQ(translations.Language(), QString());
    EXPECT_TRUE(MenuTitles().startsWith(QStringLiteral("&File")));
    EXPECT_EQ(Find<QPushButton>("btnRun")->text(), QStringLiteral("&Run"));
}

}  // namespace
