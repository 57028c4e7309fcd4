#include "app/Preferences.h"

#include "components/IniFileParser.h"

#include <algorithm>
#include <string>

namespace {

constexpr const char* kSection = "Preferences";
// Where View > Colours was kept before it joined the preferences.
constexpr const char* kOlderSection = "Settings";

const char* const kLanguages[] = {"", "en", "de"};

std::string Flag(bool AOn) { return AOn ? "1" : "0"; }

}  // namespace

TPreferences TPreferences::Load(const TIniFileParser& ASettings) {
    TPreferences preferences;
    const auto read = [&ASettings](const char* AKey) {
        return QString::fromStdString(ASettings.ReadVal(kSection, AKey, ""));
    };
    if (const QString check = read("CheckForUpdates"); !check.isEmpty()) preferences.CheckForUpdates = check != u'0';
    QString colours = read("Colours");
    if (colours.isEmpty()) colours = QString::fromStdString(ASettings.ReadVal(kOlderSection, "Colours", ""));
    preferences.Colours = colours == u'1';
    if (const QString terminal = read("Terminal"); !terminal.isEmpty()) preferences.Terminal = terminal != u'0';
    if (QFont font; !read("ConsoleFont").isEmpty() && font.fromString(read("ConsoleFont")))
        preferences.ConsoleFont = font.toString();
    bool number = false;
    const int capacity = read("ConsoleCapacityMiB").toInt(&number);
    if (number) preferences.ConsoleCapacityMiB = std::clamp(capacity, kMinCapacityMiB, kMaxCapacityMiB);
    preferences.EditorCommand = read("EditorCommand");
    preferences.NotifyLogErrors = read("NotifyLogErrors") == u'1';
    const QString language = read("Language");
    if (std::any_of(std::begin(kLanguages), std::end(kLanguages),
                    [&language](const char* AKnown) { return language == QLatin1String(AKnown); }))
        preferences.Language = language;
    return preferences;
}

bool TPreferences::Save(const TIniFileParser& ASettings, const TPreferences& AStored) const {
    bool saved = true;
    const auto write = [&](bool AChanged, const char* AKey, const std::string& AValue) {
        if (AChanged && saved) saved = ASettings.WriteVal(kSection, AKey, AValue);
    };
    write(CheckForUpdates != AStored.CheckForUpdates, "CheckForUpdates", Flag(CheckForUpdates));
    write(Colours != AStored.Colours, "Colours", Flag(Colours));
    write(Terminal != AStored.Terminal, "Terminal", Flag(Terminal));
    write(ConsoleFont != AStored.ConsoleFont, "ConsoleFont", ConsoleFont.toStdString());
    write(ConsoleCapacityMiB != AStored.ConsoleCapacityMiB, "ConsoleCapacityMiB", std::to_string(ConsoleCapacityMiB));
    write(EditorCommand != AStored.EditorCommand, "EditorCommand", EditorCommand.toStdString());
    write(NotifyLogErrors != AStored.NotifyLogErrors, "NotifyLogErrors", Flag(NotifyLogErrors));
    write(Language != AStored.Language, "Language", Language.toStdString());
    return saved;
}
