#include "WindowFixture.h"
#include "app/Translations.h"
#include "app/frmLogViewer.h"
#include "app/frmPaletteUnit.h"
#include "app/frmPreferencesUnit.h"
#include "app/frmToolsUnit.h"
#include "app/frmUpdateUnit.h"

#include "components/ProjectTools.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableWidget>
#include <QTreeWidget>
#include <QXmlStreamReader>

#include <functional>
#include <map>

namespace {

// Every text a tree of widgets and actions shows, keyed by where it shows: the path of
// object names (or class and place among the siblings) and which of the object's texts.
// Accessible names are left out: they stay the same in every language.
std::map<QString, QString> VisibleTexts(QObject& ATop) {
    std::map<QString, QString> texts;
    std::function<void(QObject&, const QString&)> walk = [&](QObject& AObject, const QString& APath) {
        const auto put = [&](const QString& AWhat, const QString& AText) {
            if (!AText.trimmed().isEmpty()) texts[APath + u'#' + AWhat] = AText;
        };
        if (auto* widget = qobject_cast<QWidget*>(&AObject)) {
            if (widget->isWindow()) put(QStringLiteral("title"), widget->windowTitle());
            put(QStringLiteral("tip"), widget->toolTip());
            put(QStringLiteral("status"), widget->statusTip());
            if (auto* edit = qobject_cast<QLineEdit*>(widget))
                put(QStringLiteral("placeholder"), edit->placeholderText());
            if (auto* edit = qobject_cast<QPlainTextEdit*>(widget))
                put(QStringLiteral("placeholder"), edit->placeholderText());
            if (auto* button = qobject_cast<QAbstractButton*>(widget)) put(QStringLiteral("text"), button->text());
            if (auto* label = qobject_cast<QLabel*>(widget)) put(QStringLiteral("text"), label->text());
            if (auto* group = qobject_cast<QGroupBox*>(widget)) put(QStringLiteral("title"), group->title());
            if (auto* menu = qobject_cast<QMenu*>(widget)) put(QStringLiteral("title"), menu->title());
            if (auto* spin = qobject_cast<QSpinBox*>(widget)) put(QStringLiteral("suffix"), spin->suffix());
            if (auto* tabs = qobject_cast<QTabWidget*>(widget))
                for (int i = 0; i < tabs->count(); ++i) put(QStringLiteral("tab%1").arg(i), tabs->tabText(i));
            if (auto* box = qobject_cast<QComboBox*>(widget))
                for (int i = 0; i < box->count(); ++i) {
                    put(QStringLiteral("item%1").arg(i), box->itemText(i));
                    put(QStringLiteral("itemtip%1").arg(i), box->itemData(i, Qt::ToolTipRole).toString());
                }
            if (auto* tree = qobject_cast<QTreeWidget*>(widget))
                for (int i = 0; i < tree->columnCount(); ++i)
                    put(QStringLiteral("header%1").arg(i), tree->headerItem()->text(i));
            if (auto* table = qobject_cast<QTableWidget*>(widget))
                for (int column = 0; column < table->columnCount(); ++column) {
                    put(QStringLiteral("header%1").arg(column), table->horizontalHeaderItem(column)->text());
                    for (int row = 0; row < table->rowCount(); ++row)
                        put(QStringLiteral("cell%1,%2").arg(row).arg(column), table->item(row, column)->text());
                }
        } else if (auto* action = qobject_cast<QAction*>(&AObject)) {
            put(QStringLiteral("text"), action->text());
            put(QStringLiteral("status"), action->statusTip());
        }
        int place = 0;
        for (QObject* child : AObject.children()) {
            const QString name = child->objectName().isEmpty()
                                     ? QString::fromLatin1(child->metaObject()->className()) + QString::number(place)
                                     : child->objectName();
            walk(*child, APath + u'/' + name);
            ++place;
        }
    };
    walk(ATop, ATop.objectName());
    return texts;
}

// Whether a text reads the same in both languages: nothing but names, addresses, key
// names, command lines, numbers and signs is left once they are taken out.
bool SameInBothLanguages(QString AText) {
    static const QStringList names = {
        // the program, its tools and the address it shows
        QStringLiteral("Tarnwick"), QStringLiteral("Composer"), QStringLiteral("Qt"), QStringLiteral("OK"),
        QStringLiteral("Esc"), QStringLiteral("English"), QStringLiteral("Deutsch"),
        // Laravel's own names for what the preset buttons make and do
        QStringLiteral("Auth"), QStringLiteral("Controller"), QStringLiteral("Job"), QStringLiteral("Listener"),
        QStringLiteral("Middleware"), QStringLiteral("Migration"), QStringLiteral("Provider"), QStringLiteral("Test"),
        QStringLiteral("Status"), QStringLiteral("Diagnose"),
        // the levels of a log, as the log writes them
        QStringLiteral("DEBUG"), QStringLiteral("INFO"), QStringLiteral("NOTICE"), QStringLiteral("WARNING"),
        QStringLiteral("ERROR"), QStringLiteral("CRITICAL"), QStringLiteral("ALERT"), QStringLiteral("EMERGENCY")};
    AText.remove(QRegularExpression(
        QStringLiteral(R"(\S*tarnwick\.example\S*|\bF\d+\b|\b(php artisan|composer) [\w:-]+)")));
    for (const QString& name : names)
        AText.remove(QRegularExpression(QStringLiteral("\\b%1\\b").arg(QRegularExpression::escape(name))));
    return !AText.contains(QRegularExpression(QStringLiteral("\\p{L}")));
}

class Translations : public WindowTest {
protected:
    // The texts of the main window and of each window it opens, in the language installed.
    std::map<QString, QString> TextsOfTheWindows() {
        std::map<QString, QString> texts;
        const auto add = [&texts](QObject& AWindow) { texts.merge(VisibleTexts(AWindow)); };
        OpenWindow();
        add(*Window);
        Window->Palette().Open(QString());
        add(Window->Palette());
        // About and Keyboard Shortcuts are built when asked for.
        Desktop.OnShowModal = [&](QDialog& ADialog) { add(ADialog); };
        Find<QAction>("menAbout")->trigger();
        Find<QAction>("menKeyboardShortcuts")->trigger();
        Desktop.OnShowModal = nullptr;

        TfrmPreferences preferences(TPreferences(), Desktop);
        add(preferences);
        TfrmTools tools(Path(QStringLiteral("www/shop")), TProjectTools(), QString());
        add(tools);
        WriteFile(Path(QStringLiteral("laravel.log")), "[2026-12-01 10:00:00] local.ERROR: Boom\n");
        TfrmLogViewer log(Path(QStringLiteral("laravel.log")), [](const QString&) { return false; });
        add(log);
        TfrmUpdate update([](const QString&) {});
        add(update);
        CloseWindow();
        return texts;
    }
};

TEST_F(Translations, ThePreferredLanguageChoosesTheMenusAndQtsOwnButtons) {
    struct TCase {
        QByteArray Stored;
        QStringList Menus;
        QString Cancel;
    };
    const TCase cases[] = {
        {"Language=de", {"&Datei", "&Bearbeiten", "&Ansicht", "Be&fehle", "Pro&jekt", "Übersich&ten", "&Hilfe"},
         QStringLiteral("Abbrechen")},
        {"Language=en", {"&File", "&Edit", "&View", "Co&mmands", "Pro&ject", "Vie&ws", "&Help"},
         QStringLiteral("Cancel")},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Stored.toStdString());
        WriteFile(SettingsFile(), "[Preferences]\r\n" + c.Stored + "\r\n");
        const TTranslations translations(TTranslations::UiLanguages(Environment));
        OpenWindow();
        QStringList menus;
        for (QAction* menu : Window->menuBar()->actions()) menus.append(menu->text());
        EXPECT_EQ(menus, c.Menus);
        TfrmPreferences preferences(Window->Preferences(), Desktop);
        EXPECT_EQ(preferences.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel)->text(), c.Cancel);
        CloseWindow();
    }
}

TEST_F(Translations, TheFirstUiLanguageWithATranslationWinsUnlessEnglishComesFirst) {
    const struct {
        QStringList UiLanguages;
        QString Installed;
    } cases[] = {
        {{QStringLiteral("de-DE")}, QStringLiteral("de")},
        {{QStringLiteral("de_AT"), QStringLiteral("en")}, QStringLiteral("de")},
        {{QStringLiteral("fr-FR"), QStringLiteral("de-CH")}, QStringLiteral("de")},
        {{QStringLiteral("en-GB"), QStringLiteral("de-DE")}, QString()},
        {{QStringLiteral("fr-FR"), QStringLiteral("it")}, QString()},
        {{}, QString()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.UiLanguages.join(u' ').toStdString());
        const TTranslations translations(c.UiLanguages);
        EXPECT_EQ(translations.Language(), c.Installed);
        EXPECT_EQ(QCoreApplication::translate("TfrmMain", "&File"),
                  c.Installed.isEmpty() ? QStringLiteral("&File") : QStringLiteral("&Datei"));
    }
    // Gone with the object: the next window is English again.
    EXPECT_EQ(QCoreApplication::translate("TfrmMain", "&File"), QStringLiteral("&File"));
}

TEST_F(Translations, EveryTextTheWindowsShowHasItsGermanWording) {
    const std::map<QString, QString> english = TextsOfTheWindows();
    std::map<QString, QString> german;
    {
        const TTranslations translations({QStringLiteral("de")});
        ASSERT_EQ(translations.Language(), QStringLiteral("de"));
        german = TextsOfTheWindows();
    }
    ASSERT_GT(english.size(), 150u);
    QStringList untranslated;
    for (const auto& [where, text] : english) {
        const auto it = german.find(where);
        if (it == german.end()) {
            untranslated.append(where + QStringLiteral(" is missing in German"));
        } else if (it->second == text && !SameInBothLanguages(text)) {
            untranslated.append(where + QStringLiteral(": ") + text);
        }
    }
    EXPECT_EQ(untranslated, QStringList());
}

TEST_F(Translations, TheSameWordsAreOnlyNamesAddressesAndKeys) {
    for (const char* same : {"Tarnwick | 2.0.2.61", "http://www.tarnwick.example/", "F1", "Controller", "OK", "Esc",
                             "php artisan cache:clear", "composer self-update"})
        EXPECT_TRUE(SameInBothLanguages(QString::fromUtf8(same))) << same;
    for (const char* other : {"Log", "Test run", "Controllers", "Status: running", "Filter", "runs php artisan"})
        EXPECT_FALSE(SameInBothLanguages(QString::fromUtf8(other))) << other;
}

// The German file as lupdate keeps it: every entry translated and none left over,
// and each translation keeps the source's placeholders and its access key.
TEST(TranslationFile, EveryGermanEntryIsFinishedAndKeepsPlaceholdersAndAccessKeys) {
    QFile file(QStringLiteral(TARNWICK_SOURCE_DIR "/resources/translations/tarnwick_de.ts"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QRegularExpression placeholders(QStringLiteral("%L?\\d|%n"));
    const auto sorted = [&placeholders](const QString& AText) {
        QStringList found;
        for (auto it = placeholders.globalMatch(AText); it.hasNext();) found.append(it.next().captured());
        found.sort();
        return found;
    };
    const auto accessKey = [](QString AText) { return AText.remove(QStringLiteral("&&")).contains(u'&'); };
    QStringList faults;
    int messages = 0;
    bool plural = false;
    QString source;
    const auto check = [&](const QString& AForm) {
        if (AForm.isEmpty()) faults.append(QStringLiteral("empty: ") + source);
        else if (sorted(AForm) != sorted(source)) faults.append(QStringLiteral("placeholders: ") + source);
        else if (accessKey(AForm) != accessKey(source)) faults.append(QStringLiteral("access key: ") + source);
    };
    QXmlStreamReader xml(&file);
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement) continue;
        if (xml.name() == u"message") {
            ++messages;
            plural = xml.attributes().value(QLatin1String("numerus")) == u"yes";
        } else if (xml.name() == u"source") {
            source = xml.readElementText();
        } else if (xml.name() == u"translation") {
            if (const QString type = xml.attributes().value(QLatin1String("type")).toString(); !type.isEmpty())
                faults.append(type + QStringLiteral(": ") + source);
            // A plural entry has its forms in numerusform elements.
            if (!plural) check(xml.readElementText());
        } else if (xml.name() == u"numerusform") {
            check(xml.readElementText());
        }
    }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    EXPECT_GT(messages, 200);
    EXPECT_EQ(faults, QStringList());
}

}  // namespace
