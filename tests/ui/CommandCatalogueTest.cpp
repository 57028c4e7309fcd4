#include "WindowFixture.h"
#include "app/CommandCatalogue.h"

#include <QTabWidget>
#include <QtTest/QTest>

#include <optional>

namespace {

struct Preset {
    const char* name;
    const char* page;
    const char* command;  // after the prefix
    bool asks;            // prompts for arguments
    const char* extra;    // appended after the arguments on OK
    bool enabled;
};

constexpr Preset kPresets[] = {
    {"btnClear__Compile", "tabGeneral", "clear-compile", false, "", true},
    {"btnDown", "tabGeneral", "down", false, "", true},
    {"btnEnv", "tabGeneral", "env", false, "", true},
    {"btnHelp", "tabGeneral", "help", false, "", false},
    {"btnInspire", "tabGeneral", "inspire", false, "", true},
    {"btnList", "tabGeneral", "list", false, "", true},
    {"btnOptimize", "tabGeneral", "optimize", false, "", true},
    {"btnServe", "tabGeneral", "serve", false, "", false},
    {"btnUp", "tabGeneral", "up", false, "", true},
    {"btnAuth_Clear__Resets", "tabGeneral", "auth:clear-resets", false, "", true},
    {"btnCache_Clear", "tabGeneral", "cache:clear", false, "", true},
    {"btnCache_Forget", "tabGeneral", "cache:forget", true, "", true},
    {"btnCache_Table", "tabGeneral", "cache:table", false, "", true},
    {"btnConfig_Cache", "tabGeneral", "config:cache", false, "", true},
    {"btnConfig_Clear", "tabGeneral", "config:clear", false, "", true},
    {"btnKey_Generate", "tabGeneral", "key:generate", false, "", true},
    {"btnView_Clear", "tabGeneral", "view:clear", false, "", true},
    {"btnDB_Seed", "TabSheet2", "db:seed", false, "", true},
    {"btnMake_Auth", "tabMake", "make:auth", false, "", true},
    {"btnMake_Command", "tabMake", "make:command", true, "", true},
    {"btnMake_Controller", "tabMake", "make:controller", true, "", true},
    {"btnMake_Event", "tabMake", "make:event", true, "", true},
    {"btnMake_Job", "tabMake", "make:job", true, "", true},
    {"btnMake_Listener", "tabMake", "make:listener", true, "", true},
    {"btnMake_Mail", "tabMake", "make:mail", true, "", true},
    {"btnMake_Middleware", "tabMake", "make:middleware", true, "", true},
    {"btnMake_Migration", "tabMake", "make:migration", true, "", true},
    {"btnMake_Model", "tabMake", "make:model", true, "", true},
    {"btnMake_Notification", "tabMake", "make:notification", true, "", true},
    {"btnMake_Policy", "tabMake", "make:policy", true, "", true},
    {"btnMake_Provider", "tabMake", "make:provider", true, "", true},
    {"btnMake_Request", "tabMake", "make:request", true, "", true},
    {"btnMake_Seed", "tabMake", "make:seed", true, "", true},
    {"btnMake_Test", "tabMake", "make:test", true, "", true},
    {"bt2Make_Model", "tabMake", "make:model", true, " -crm", true},
    {"btnMigrate_Install", "tabMigration", "migrate:install", false, "", true},
    {"btnMigrate_Refresh", "tabMigration", "migrate:refresh", false, "", true},
    {"btnMigrate_Reset", "tabMigration", "migrate:reset", false, "", true},
    {"btnMigrate_Rollback", "tabMigration", "migrate:rollback", false, "", true},
    {"btnMigrate_Status", "tabMigration", "migrate:status", false, "", true},
    {"btnMigrate", "tabMigration", "migrate", false, "", true},
    {"btnRoute_Cache", "tabRoute", "route:cache", false, "", true},
    {"btnRoute_Clear", "tabRoute", "route:clear", false, "", true},
    {"btnRoute_List", "tabRoute", "route:list", false, "", true},
    {"btnDumpAutoload", "TabSheet1", "dumpautoload", false, "", true},
    {"btnUpdate", "TabSheet1", "update", false, "", true},
    {"btnValidate", "TabSheet1", "validate", false, "", true},
    {"btnShow", "TabSheet1", "show", false, "", true},
    {"btnOutDated", "TabSheet1", "outdated", false, "", true},
    {"btnClear__Cache", "TabSheet1", "clear-cache", false, "", true},
    {"btnDiagnose", "TabSheet1", "diagnose", false, "", true},
    {"btnSelf__Update", "TabSheet1", "self-update", false, "", true},
    {"btnRequire", "TabSheet1", "require", true, "", true},
};

bool IsComposer(const Preset& preset) { return QLatin1String(preset.page) == "TabSheet1"; }

QString Prefix(const Preset& preset) {
    return IsComposer(preset) ? QStringLiteral("composer ") : QStringLiteral("php artisan ");
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
class PresetButtons : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        SavedPath = qgetenv("PATH");
        qputenv("PATH", QByteArray(TARNWICK_FIXTURES_DIR "/standins:") + SavedPath);
        Record = Path(QStringLiteral("record.txt"));
        qputenv("TARNWICK_RECORD", Record.toUtf8());
    }
    void TearDown() override {
        qputenv("PATH", SavedPath);
        qunsetenv("TARNWICK_RECORD");
        WindowTest::TearDown();
    }

    TSpeedButton* Button(const Preset& preset) const {
        return Window->findChild<TSpeedButton*>(QString::fromLatin1(preset.name));
    }

    void Click(const Preset& preset) {
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

    QByteArray SavedPath;
    QString Record;
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
    ASSERT_EQ(presetCount, qsizetype(std::size(kPresets)));

    for (const Preset& preset : kPresets) {
        SCOPED_TRACE(preset.name);
        TSpeedButton* button = Button(preset);
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->parentWidget()->objectName(), QLatin1String(preset.page));
        EXPECT_EQ(button->size(), QSize(100, 25));
        EXPECT_TRUE(button->autoRaise());
        EXPECT_EQ(button->focusPolicy(), Qt::NoFocus);
        EXPECT_EQ(button->isEnabled(), preset.enabled);
        EXPECT_EQ(CommandFromButtonName(button->objectName()), QLatin1String(preset.command));
        const bool showsTooltip = QLatin1String(preset.page) == "tabGeneral" || IsComposer(preset);
        EXPECT_EQ(button->toolTip(),
                  showsTooltip ? Prefix(preset) + QLatin1String(preset.command) : QString());

        Desktop.Prompts.clear();
        Desktop.InputAnswers = {QStringLiteral("Post --force")};
        DataModule->cmdCommand.setCommmandStr("");
        Click(preset);
        const QString recorded = TakeRecord();
        if (!preset.enabled) {
            EXPECT_TRUE(recorded.isEmpty());
            EXPECT_EQ(DataModule->cmdCommand.CommmandStr(), "");
            continue;
        }
        QString commandLine = Prefix(preset) + QLatin1String(preset.command);
        QString arguments = IsComposer(preset) ? QStringLiteral("composer") : QStringLiteral("php|artisan");
        arguments += u'|' + QLatin1String(preset.command);
        if (preset.asks) {
            ASSERT_EQ(Desktop.Prompts.size(), 1u);
            EXPECT_EQ(Desktop.Prompts[0].Caption, QStringLiteral("Arguments"));
            EXPECT_EQ(Desktop.Prompts[0].Text, QStringLiteral("Enter Arguments"));
            EXPECT_EQ(Desktop.Prompts[0].InitialValue, QString());
            commandLine += QStringLiteral(" Post --force");
            arguments += QStringLiteral("|Post|--force");
            if (!IsComposer(preset)) commandLine += u' ' + QLatin1String(preset.extra);
            if (QLatin1String(preset.extra) == " -crm") arguments += QStringLiteral("|-crm");
        } else {
            EXPECT_TRUE(Desktop.Prompts.empty());
        }
        EXPECT_EQ(QString::fromStdString(DataModule->cmdCommand.CommmandStr()), commandLine);
        EXPECT_TRUE(DataModule->cmdCommand.RunWithCmd());
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
        {"btnRequire", QString(), "composer require "},
        {"btnRequire", QStringLiteral("vendor/package"), "composer require vendor/package"},
        {"btnMake_Model", std::nullopt, "php artisan make:model"},
        {"bt2Make_Model", std::nullopt, "php artisan make:model"},
        {"btnRequire", std::nullopt, "composer require"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.commandLine);
        Desktop.InputAnswers = {c.answer};
        const Preset* preset = nullptr;
        for (const Preset& p : kPresets)
            if (QLatin1String(p.name) == c.button) preset = &p;
        ASSERT_NE(preset, nullptr);
        Click(*preset);
        EXPECT_EQ(DataModule->cmdCommand.CommmandStr(), c.commandLine);
        EXPECT_FALSE(TakeRecord().isEmpty()) << "the command runs after the prompt";
    }
}

TEST_F(PresetButtons, WithoutAProjectTheRunnerGetsTheEmptyFolder) {
    OpenWindow();
    Window->show();
    Click(kPresets[1]);  // Down
    EXPECT_EQ(DataModule->cmdCommand.CommmandStr(), "php artisan down");
    EXPECT_TRUE(TakeRecord().isEmpty());
    const QStringList lines = ConsoleWithEndLinesMarked().split(u'\n');
    ASSERT_EQ(lines.size(), 3);
    EXPECT_FALSE(lines[0].isEmpty());
    EXPECT_EQ(lines[1], QStringLiteral("<end>"));
}

TEST_F(PresetButtons, MigrateLiesOverStatusWhereTheyOverlap) {
    OpenWindow();
    QWidget* page = Find<QWidget>("tabMigration");
    page->resize(600, 160);
    EXPECT_EQ(page->childAt(90, 10)->objectName(), QStringLiteral("btnMigrate"));
    EXPECT_EQ(page->childAt(150, 10)->objectName(), QStringLiteral("btnMigrate_Status"));
}

}  // namespace
