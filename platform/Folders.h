#pragma once

#include <string>

namespace platform {

// The user's folder for program settings: $XDG_CONFIG_HOME, else ~/.config, on POSIX;
// %APPDATA% on Windows. "" when the system names none.
std::string UserConfigFolder();
// The user's folders for what a program keeps of its own (a history) and for what it can
// fetch again (a download): $XDG_STATE_HOME, else ~/.local/state, and $XDG_CACHE_HOME,
// else ~/.cache, on POSIX; %LOCALAPPDATA% for both on Windows. "" when the system names none.
std::string UserStateFolder();
std::string UserCacheFolder();

// Whether a folder lies where only the system's package manager or installer puts
// programs: /usr and /opt on POSIX, the Program Files folders on Windows. A program
// there keeps its files in the user's folder, even when it could write its own.
// Either separator is taken.
bool IsSystemProgramFolder(const std::string& folder);

}  // namespace platform
