#include "platform/Folders.h"

#include <cstdlib>
#include <pwd.h>
#include <string_view>
#include <unistd.h>

namespace platform {

namespace {

// $AVariable, else AUnderHome in the user's home folder.
std::string XdgFolder(const char* AVariable, const char* AUnderHome) {
    const char* set = std::getenv(AVariable);
    if (set && *set) return set;
    const char* home = std::getenv("HOME");
    if (!home || !*home) {
        const passwd* user = getpwuid(getuid());
        home = user ? user->pw_dir : nullptr;
    }
    return home && *home ? std::string(home) + AUnderHome : std::string();
}

}  // namespace

std::string UserConfigFolder() { return XdgFolder("XDG_CONFIG_HOME", "/.config"); }
std::string UserStateFolder() { return XdgFolder("XDG_STATE_HOME", "/.local/state"); }
std::string UserCacheFolder() { return XdgFolder("XDG_CACHE_HOME", "/.cache"); }

bool IsSystemProgramFolder(const std::string& folder) {
    for (std::string_view root : {"/usr", "/opt"}) {
        if (folder.size() > root.size() && folder.compare(0, root.size(), root) == 0 &&
            folder[root.size()] == '/')
            return true;
    }
    return false;
}

}  // namespace platform
