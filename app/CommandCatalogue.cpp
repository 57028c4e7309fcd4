#include "app/CommandCatalogue.h"

namespace {

constexpr TCommandType A = TCommandType::Artisan;
constexpr TCommandType C = TCommandType::Composer;

constexpr TPreset kPresets[] = {
    {"btnClear__Compile", "tabGeneral", A, false, ""},
    {"btnDown", "tabGeneral", A, false, ""},
    {"btnEnv", "tabGeneral", A, false, ""},
    {"btnHelp", "tabGeneral", A, false, ""},
    {"btnInspire", "tabGeneral", A, false, ""},
    {"btnList", "tabGeneral", A, false, ""},
    {"btnOptimize", "tabGeneral", A, false, ""},
    {"btnServe", "tabGeneral", A, false, ""},
    {"btnUp", "tabGeneral", A, false, ""},
    {"btnAuth_Clear__Resets", "tabGeneral", A, false, ""},
    {"btnCache_Clear", "tabGeneral", A, false, ""},
    {"btnCache_Forget", "tabGeneral", A, true, ""},
    {"btnCache_Table", "tabGeneral", A, false, ""},
    {"btnConfig_Cache", "tabGeneral", A, false, ""},
    {"btnConfig_Clear", "tabGeneral", A, false, ""},
    {"btnKey_Generate", "tabGeneral", A, false, ""},
    {"btnView_Clear", "tabGeneral", A, false, ""},
    {"btnDB_Seed", "TabSheet2", A, false, ""},
    {"btnMake_Auth", "tabMake", A, false, ""},
    {"btnMake_Command", "tabMake", A, false, ""},
    {"btnMake_Controller", "tabMake", A, true, ""},
    {"btnMake_Event", "tabMake", A, false, ""},
    {"btnMake_Job", "tabMake", A, false, ""},
    {"btnMake_Listener", "tabMake", A, false, ""},
    {"btnMake_Mail", "tabMake", A, false, ""},
    {"btnMake_Middleware", "tabMake", A, true, ""},
    {"btnMake_Migration", "tabMake", A, true, ""},
    {"btnMake_Model", "tabMake", A, true, ""},
    {"btnMake_Notification", "tabMake", A, false, ""},
    {"btnMake_Policy", "tabMake", A, false, ""},
    {"btnMake_Provider", "tabMake", A, false, ""},
    {"btnMake_Request", "tabMake", A, true, ""},
    {"btnMake_Seed", "tabMake", A, true, ""},
    {"btnMake_Test", "tabMake", A, false, ""},
    {"bt2Make_Model", "tabMake", A, true, " -crm"},
    {"btnMigrate_Install", "tabMigration", A, false, ""},
    {"btnMigrate_Refresh", "tabMigration", A, false, ""},
    {"btnMigrate_Reset", "tabMigration", A, false, ""},
    {"btnMigrate_Rollback", "tabMigration", A, false, ""},
    {"btnMigrate_Status", "tabMigration", A, false, ""},
    {"btnMigrate", "tabMigration", A, false, ""},
    {"btnRoute_Cache", "tabRoute", A, false, ""},
    {"btnRoute_Clear", "tabRoute", A, false, ""},
    {"btnRoute_List", "tabRoute", A, false, ""},
    {"btnDumpAutoload", "TabSheet1", C, false, ""},
    {"btnUpdate", "TabSheet1", C, false, ""},
    {"btnValidate", "TabSheet1", C, false, ""},
    {"btnShow", "TabSheet1", C, false, ""},
    {"btnOutDated", "TabSheet1", C, false, ""},
    {"btnClear__Cache", "TabSheet1", C, false, ""},
    {"btnDiagnose", "TabSheet1", C, false, ""},
    {"btnSelf__Update", "TabSheet1", C, false, ""},
    {"btnRequire", "TabSheet1", C, true, ""},
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
