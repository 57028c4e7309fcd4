#pragma once

#include <QString>

#include <span>

// How the preset buttons' names become commands, and what goes in front of them.
enum class TCommandType { Artisan, Composer };

// The text put in front of a command of the given type ("php artisan " or "composer ").
QString CommandPrefix(TCommandType type);

// The command a preset button's name stands for: "__" becomes "-", then "_" becomes
// ":", the three-character prefix is dropped and the letters A to Z are lower-cased.
// "btnAuth_Clear__Resets" gives "auth:clear-resets".
QString CommandFromButtonName(const QString& name);

// One preset button: its name (which carries its command), the page it sits on, the
// tool that runs it, whether a click asks for arguments, the text put after the
// arguments when the prompt is confirmed, and the main window's click handler that
// does so.
struct TPreset {
    const char* Name;
    const char* Page;
    TCommandType Tool;
    bool AsksArguments;
    const char* ExtraText;
    const char* Handler;
};

// Every preset button, page by page in creation order.
std::span<const TPreset> Presets();

// The preset named AName, or nullptr.
const TPreset* FindPreset(const QString& AName);

// Whether the preset's button shows its command line as its tooltip (the General and
// Composer pages do).
bool ShowsTooltip(const TPreset& APreset);

// Whether a command of the tool with this name is what some preset button runs.
bool IsPresetCommand(TCommandType ATool, const QString& ACommand);
