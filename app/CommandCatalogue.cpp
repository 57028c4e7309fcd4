#include "app/CommandCatalogue.h"

namespace {

constexpr TCommandType A = TCommandType::Artisan;
constexpr TCommandType C = TCommandType::Composer;

constexpr TPreset kPresets[] = {
    {"btnClear__Compile", "tabGeneral", A, false, "", "btnRoute_CacheClick"},
    {"btnDown", "tabGeneral", A, false, "", "btnRoute_CacheClick"},
    {"btnEnv", "tabGeneral", A, false, "", "btnRoute_CacheClick"},
    {"btnHelp", "tabGeneral", A, false, "", "btnRoute_CacheClick"},
    {"btnInspire", "tabGeneral", A, false, "", "btnRoute_CacheClick"},
    {"btnList", "tabGeneral", A, false, "", "btnRoute_CacheClick"},
    {"btnOptimize", "tabGeneral", A, false, "", "btnRoute_CacheClick"},
    {"btnServe", "tabGeneral", A, false, "", "btnRoute_CacheClick"},
    {"btnUp", "tabGeneral", A, false, "", "btnRoute_CacheClick"},
    {"btnAuth_Clear__Resets", "tabGeneral", A, false, "", "btnRoute_CacheClick"},
    {"btnCache_Clear", "tabGeneral", A, false, "", "btnRoute_CacheClick"},
    {"btnCache_Forget", "tabGeneral", A, true, "", "btnCache_ForgetClick"},
    {"btnCache_Table", "tabGeneral", A, false, "", "btnRoute_CacheClick"},
    {"btnConfig_Cache", "tabGeneral", A, false, "", "btnRoute_CacheClick"},
    {"btnConfig_Clear", "tabGeneral", A, false, "", "btnRoute_CacheClick"},
    {"btnKey_Generate", "tabGeneral", A, false, "", "btnRoute_CacheClick"},
    {"btnView_Clear", "tabGeneral", A, false, "", "btnRoute_CacheClick"},
    {"btnDB_Seed", "TabSheet2", A, false, "", "btnRoute_CacheClick"},
    {"btnMake_Auth", "tabMake", A, false, "", "btnRoute_CacheClick"},
    {"btnMake_Command", "tabMake", A, false, "", "btnRoute_CacheClick"},
    {"btnMake_Controller", "tabMake", A, true, "", "btnMake_ControllerClick"},
    {"btnMake_Event", "tabMake", A, false, "", "btnRoute_CacheClick"},
    {"btnMake_Job", "tabMake", A, false, "", "btnRoute_CacheClick"},
    {"btnMake_Listener", "tabMake", A, false, "", "btnRoute_CacheClick"},
    {"btnMake_Mail", "tabMake", A, false, "", "btnRoute_CacheClick"},
    {"btnMake_Middleware", "tabMake", A, true, "", "btnMake_MiddlewareClick"},
    {"btnMake_Migration", "tabMake", A, true, "", "btnMake_MigrationClick"},
    {"btnMake_Model", "tabMake", A, true, "", "btnMake_ModelClick"},
    {"btnMake_Notification", "tabMake", A, false, "", "btnRoute_CacheClick"},
    {"btnMake_Policy", "tabMake", A, false, "", "btnRoute_CacheClick"},
    {"btnMake_Provider", "tabMake", A, false, "", "btnRoute_CacheClick"},
    {"btnMake_Request", "tabMake", A, true, "", "btnMake_RequestClick"},
    {"btnMake_Seed", "tabMake", A, true, "", "btnMake_SeedClick"},
    {"btnMake_Test", "tabMake", A, false, "", "btnRoute_CacheClick"},
    {"bt2Make_Model", "tabMake", A, true, " -crm", "bt2Make_ModelClick"},
    {"btnMigrate_Install", "tabMigration", A, false, "", "btnRoute_CacheClick"},
    {"btnMigrate_Refresh", "tabMigration", A, false, "", "btnRoute_CacheClick"},
    {"btnMigrate_Reset", "tabMigration", A, false, "", "btnRoute_CacheClick"},
    {"btnMigrate_Rollback", "tabMigration", A, false, "", "btnRoute_CacheClick"},
    {"btnMigrate_Status", "tabMigration", A, false, "", "btnRoute_CacheClick"},
    {"btnMigrate", "tabMigration", A, false, "", "btnRoute_CacheClick"},
    {"btnRoute_Cache", "tabRoute", A, false, "", "btnRoute_CacheClick"},
    {"btnRoute_Clear", "tabRoute", A, false, "", "btnRoute_CacheClick"},
    {"btnRoute_List", "tabRoute", A, false, "", "btnRoute_CacheClick"},
    {"btnDumpAutoload", "TabSheet1", C, false, "", "btnDumpAutoloadClick"},
    {"btnUpdate", "TabSheet1", C, false, "", "btnUpdateClick"},
    {"btnValidate", "TabSheet1", C, false, "", "btnUpdateClick"},
    {"btnShow", "TabSheet1", C, false, "", "btnUpdateClick"},
    {"btnOutDated", "TabSheet1", C, false, "", "btnUpdateClick"},
    {"btnClear__Cache", "TabSheet1", C, false, "", "btnDumpAutoloadClick"},
    {"btnDiagnose", "TabSheet1", C, false, "", "btnDumpAutoloadClick"},
    {"btnSelf__Update", "TabSheet1", C, false, "", "btnUpdateClick"},
    {"btnRequire", "TabSheet1", C, true, "", "btnRequireClick"},
};

}  // namespace

QString CommandPrefix(TCommandType type) {
    return type == TCommandType::Artisan ? QStringLiteral("php artisan ")
                                         : QStringLiteral("composer ");
}

QString CommandFromButtonName(const QString& name) {
    QString command = name;
    command.replace(QStringLiteral("__"), QStringLiteral("-"));
    command.replace(u'_', u':');
    command.remove(0, 3);
    for (QChar& c : command)
        if (c >= u'A' && c <= u'Z') c = QChar(c.unicode() + (u'a' - u'A'));
    return command;
}

std::span<const TPreset> Presets() { return kPresets; }

const TPreset* FindPreset(const QString& AName) {
    for (const TPreset& preset : kPresets)
        if (AName == QLatin1String(preset.Name)) return &preset;
    return nullptr;
}

bool ShowsTooltip(const TPreset& APreset) {
    const QLatin1String page(APreset.Page);
    return page == QLatin1String("tabGeneral") || page == QLatin1String("TabSheet1");
}

bool IsPresetCommand(TCommandType ATool, const QString& ACommand) {
    for (const TPreset& preset : kPresets)
        if (preset.Tool == ATool && CommandFromButtonName(QLatin1String(preset.Name)) == ACommand)
            return true;
    return false;
}
