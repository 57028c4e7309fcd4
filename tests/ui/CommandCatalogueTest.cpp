#include "StandInFixture.h"
#include "app/CommandCatalogue.h"

#include <QSignalSpy>
#include <QStatusBar>
#include <QTabWidget>
#include <QtTest/QTest>

#include <optional>

namespace {

bool IsComposer(const TPreset& preset) { return preset.Tool == TCommandType::Composer; }

QString Prefix(const TPreset& preset) {
    return IsComposer(preset) ? QStringLiteral("composer ") : QStringLiteral("php artisan ");
}

const TPreset& PresetNamed(const char* name) {
    const TPreset* preset = FindPreset(QLatin1String(name));
    EXPECT_NE(preset, nullptr) << name;
    return *preset;
}

// What the table must say for the buttons whose behaviour was decided one by one: the
// generators without a prompt share the handler of the other bare artisan buttons.
TEST(PresetTable, GeneratorsRunBareAndTheRestAskAsDecided) {
    const struct {
        const char* name;
        bool asks;
        const char* extra;
        const char* handler;
    } cases[] = {
        {"btnMake_Command", false, "", "btnRoute_CacheClick"},
        {"btnMake_Event", false, "", "btnRoute_CacheClick"},
        {"btnMake_Job", false, "", "btnRoute_CacheClick"},
        {"btnMake_Listener", false, "", "btnRoute_CacheClick"},
        {"btnMake_Mail", false, "", "btnRoute_CacheClick"},
        {"btnMake_Notification", false, "", "btnRoute_CacheClick"},
        {"btnMake_Policy", false, "", "btnRoute_CacheClick"},
        {"btnMake_Provider", false, "", "btnRoute_CacheClick"},
        {"btnMake_Test", false, "", "btnRoute_CacheClick"},
        {"btnMake_Controller", true, "", "btnMake_ControllerClick"},
        {"btnMake_Model", true, "", "btnMake_ModelClick"},
        {"bt2Make_Model", true, " -crm", "bt2Make_ModelClick"},
        {"btnCache_Forget", true, "", "btnCache_ForgetClick"},
        {"btnRequire", true, "", "btnRequireClick"},
        {"btnUpdate", false, "", "btnUpdateClick"},
        {"btnShow", false, "", "btnUpdateClick"},
        {"btnDiagnose", false, "", "btnDumpAutoloadClick"},
    };
    for (const auto& c : cases) {
        const TPreset& preset = PresetNamed(c.name);
        EXPECT_EQ(preset.AsksArguments, c.asks) << c.name;
        EXPECT_STREQ(preset.ExtraText, c.extra) << c.name;
        EXPECT_STREQ(preset.Handler, c.handler) << c.name;
    }
    qsizetype asking = 0;
    qsizetype bareArtisan = 0;
    for (const TPreset& preset : Presets()) {
        asking += preset.AsksArguments;
        bareArtisan += QLatin1String(preset.Handler) == QLatin1String("btnRoute_CacheClick");
    }
    EXPECT_EQ(asking, 9);
    EXPECT_EQ(bareArtisan, 36);
    EXPECT_EQ(Presets().size(), 53u);
}

TEST(PresetTable, MarksTheCommandsThatAPresetRuns) {
    EXPECT_TRUE(IsPresetCommand(TCommandType::Artisan, QStringLiteral("migrate:status")));
    EXPECT_TRUE(IsPresetCommand(TCommandType::Composer, QStringLiteral("self-update")));
    EXPECT_FALSE(IsPresetCommand(TCommandType::Composer, QStringLiteral("migrate")));
    EXPECT_FALSE(IsPresetCommand(TCommandType::Artisan, QStringLiteral("make:cast")));
}

TEST(CommandFromButtonName, RewritesTheNameStepByStep) {
    const struct {
        const char* name;
        const char* command;
    } cases[] = {{"btnAuth_Clear__Resets", "auth:clear-resets"},
                 {"bt2Make_Model", "make:model"},
                 {"btnSelf__Update", "self-update"},
                 {"btnA___B", "a-:b"},
                 {"btnÄrger_X", "Ärger:x"},
                 {"btn", ""}};
    for (const auto& c : cases)
        EXPECT_EQ(CommandFromButtonName(QString::fromUtf8(c.name)), QString::fromUtf8(c.command))
            << c.name;
}

// Every preset button, clicked in the real window, runs its command through the real
// runner in the selected project; stand-ins for php and composer record what they get.
class PresetButtons : public StandInWindowTest {
protected:
    TSpeedButton* Button(const TPreset& preset) const {
        return Window->findChild<TSpeedButton*>(QString::fromLatin1(preset.Name));
    }

    void Click(const TPreset& preset) {
        TSpeedButton* button = Button(preset);
        Find<QTabWidget>("pgMain")->setCurrentWidget(button->parentWidget());
        QTest::mouseClick(button, Qt::LeftButton);
        ASSERT_TRUE(WaitForRun());
    }

    // What the stand-in recorded for the last click, and clears the record.
    QString TakeRecord() {
        const QString recorded = QString::fromUtf8(ReadFile(Record));
        QFile::remove(Record);
        return recorded;
    }

};

TEST_F(PresetButtons, EachButtonSitsOnItsPageAndRunsItsCommand) {
    const QString project =
        MakeRoot({QStringLiteral("shop")}, Path(QStringLiteral("www/shop"))) + QStringLiteral("/shop");
    OpenWindow();
    Window->show();
    qsizetype presetCount = 0;
    auto* pages = Find<QTabWidget>("pgMain");
    for (int i = 0; i < pages->count(); ++i)
        presetCount += pages->widget(i)->findChildren<TSpeedButton*>().size();
    ASSERT_EQ(presetCount, qsizetype(Presets().size()));

    const QStringList disabled = {QStringLiteral("btnHelp"), QStringLiteral("btnServe")};
    for (const TPreset& preset : Presets()) {
        SCOPED_TRACE(preset.Name);
        const QString command = CommandFromButtonName(QLatin1String(preset.Name));
        const bool enabled = !disabled.contains(QLatin1String(preset.Name));
        TSpeedButton* button = Button(preset);
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->parentWidget()->objectName(), QLatin1String(preset.Page));
        EXPECT_EQ(button->size(), QSize(100, 25));
        EXPECT_TRUE(button->autoRaise());
        EXPECT_EQ(button->focusPolicy(), Qt::TabFocus) << "reached with Tab after the page tabs";
        EXPECT_EQ(button->isEnabled(), enabled);
        const QLatin1String page(preset.Page);
        EXPECT_EQ(IsComposer(preset), page == "TabSheet1");
        const bool showsTooltip = page == "tabGeneral" || page == "TabSheet1";
        EXPECT_EQ(button->toolTip(), showsTooltip ? Prefix(preset) + command : QString());

        Desktop.Prompts.clear();
        Desktop.InputAnswers = {QStringLiteral("Post --force")};
        QSignalSpy requested(Window.get(), &TfrmMain::runRequested);
        Click(preset);
        const QString recorded = TakeRecord();
        if (!enabled) {
            EXPECT_TRUE(recorded.isEmpty());
            EXPECT_EQ(requested.size(), 0);
            continue;
        }
        QString commandLine = Prefix(preset) + command;
        QString arguments = IsComposer(preset) ? QStringLiteral("composer") : QStringLiteral("php|artisan");
        arguments += u'|' + command;
        if (preset.AsksArguments) {
            ASSERT_EQ(Desktop.Prompts.size(), 1u);
            EXPECT_EQ(Desktop.Prompts[0].Caption, QStringLiteral("Arguments"));
            EXPECT_EQ(Desktop.Prompts[0].Text, QStringLiteral("Enter Arguments"));
            EXPECT_EQ(Desktop.Prompts[0].InitialValue, QString());
            commandLine += QStringLiteral(" Post --force");
            arguments += QStringLiteral("|Post|--force");
            if (!IsComposer(preset)) commandLine += u' ' + QLatin1String(preset.ExtraText);
            if (QLatin1String(preset.ExtraText) == " -crm") arguments += QStringLiteral("|-crm");
        } else {
            EXPECT_TRUE(Desktop.Prompts.empty());
        }
        ASSERT_EQ(requested.size(), 1);
        EXPECT_EQ(requested[0][0].toString(), commandLine);
        EXPECT_EQ(recorded, arguments + u'\n' + project + u'\n');
    }
}

TEST_F(PresetButtons, PromptAnswersEmptyOkAndCancel) {
    MakeRoot({QStringLiteral("shop")}, Path(QStringLiteral("www/shop")));
    OpenWindow();
    Window->show();
    const struct {
        const char* button;
        std::optional<QString> answer;
        const char* commandLine;
    } cases[] = {
        {"btnMake_Migration", QStringLiteral("CreateUsersTable"),
         "php artisan make:migration CreateUsersTable "},
        {"bt2Make_Model", QStringLiteral("Post"), "php artisan make:model Post  -crm"},
        {"btnMake_Migration", QString(), "php artisan make:migration  "},
        {"bt2Make_Model", QString(), "php artisan make:model   -crm"},
        {"btnRequire", QStringLiteral("vendor/package"), "composer require vendor/package"},
        {"btnMake_Model", std::nullopt, "php artisan make:model"},
        {"bt2Make_Model", std::nullopt, "php artisan make:model"},
        // Composer's require without a package updates every package: a cancelled or
        // empty answer runs nothing at all.
        {"btnRequire", QString(), nullptr},
        {"btnRequire", QStringLiteral("  "), nullptr},
        {"btnRequire", std::nullopt, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.button) + " " + (c.commandLine ? c.commandLine : "(nothing)"));
        Desktop.InputAnswers = {c.answer};
        QSignalSpy requested(Window.get(), &TfrmMain::runRequested);
        Click(PresetNamed(c.button));
        if (c.commandLine) {
            ASSERT_EQ(requested.size(), 1);
            EXPECT_EQ(requested[0][0].toString(), QString::fromUtf8(c.commandLine));
            EXPECT_FALSE(TakeRecord().isEmpty()) << "the command runs after the prompt";
        } else {
            EXPECT_EQ(requested.size(), 0);
            EXPECT_FALSE(Window->IsRunning());
            EXPECT_TRUE(TakeRecord().isEmpty()) << "nothing runs";
            EXPECT_EQ(Find<QStatusBar>("sbMain")->currentMessage(),
                      QStringLiteral("Nothing was run: composer require needs a package name."));
        }
    }
}

TEST_F(PresetButtons, WithoutAProjectNothingRunsAndOneLineSaysWhy) {
    OpenWindow();
    Window->show();
    QSignalSpy requested(Window.get(), &TfrmMain::runRequested);
    Click(PresetNamed("btnDown"));
    ASSERT_EQ(requested.size(), 1);
    EXPECT_EQ(requested[0][0].toString(), QStringLiteral("php artisan down"));
    EXPECT_TRUE(TakeRecord().isEmpty());
    EXPECT_EQ(ConsoleWithEndLinesMarked(), QStringLiteral("<end>\n"));
    EXPECT_EQ(ConsoleText(), QStringLiteral("Could not start \u00B7 No project is selected.\n"));
}

TEST_F(PresetButtons, MigrateLiesOverStatusWhereTheyOverlap) {
    OpenWindow();
    QWidget* page = Find<QWidget>("tabMigration");
    page->resize(600, 160);
    EXPECT_EQ(page->childAt(90, 10)->objectName(), QStringLiteral("btnMigrate"));
    EXPECT_EQ(page->childAt(150, 10)->objectName(), QStringLiteral("btnMigrate_Status"));
}

}  // namespace
