#include "platform/Folders.h"

#include <cstdlib>
#include <pwd.h>
#include <string_view>
#include <unistd.h>

namespace platform {

std::string UserConfigFolder() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config && *config) return config;
    const char* home = std::getenv("HOME");
    if (!home || !*home) {
        const passwd* user = getpwuid(getuid());
        home = user ? user->pw_dir : nullptr;
    }
    return home && *home ? std::string(home) + "/.config" : std::string();
}

bool IsSystemProgramFolder(const std::string& folder) {
    for (std::string_view root : {"/usr", "/opt"}) {
        if (folder.size() > root.size() && folder.compare(0, root.size(), root) == 0 &&
            folder[root.size()] == '/')
            return true;
    }
    return false;
}

}  // namespace platform
