#include "platform/ToolSearch.h"

#include <unistd.h>

#include <cstdlib>
#include <sstream>

namespace platform {

bool IsOnSearchPath(const std::string& AProgram) {
    const char* path = std::getenv("PATH");
    std::istringstream folders(path ? path : "");
    std::string folder;
    while (std::getline(folders, folder, ':')) {
        const std::string candidate = (folder.empty() ? std::string(".") : folder) + "/" + AProgram;
        if (::access(candidate.c_str(), X_OK) == 0) return true;
    }
    return false;
}

std::string FindPhpProgram() { return IsOnSearchPath("php") ? "php" : std::string(); }

}  // namespace platform
