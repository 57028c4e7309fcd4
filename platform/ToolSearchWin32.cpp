#include "platform/ToolSearch.h"

#include <cstdlib>
#include <sstream>
#include <filesystem>

namespace platform {

bool IsOnSearchPath(const std::string& AProgram) {
    const char* path = std::getenv("PATH");
    std::istringstream folders(path ? path : "");
    std::string folder;
    std::error_code error;
    while (std::getline(folders, folder, ';')) {
        if (folder.empty()) continue;
        for (const char* suffix : {".exe", ".bat", ".cmd"})
            if (std::filesystem::is_regular_file(std::filesystem::path(folder) / (AProgram + suffix), error))
                return true;
    }
    return false;
}

std::string FindPhpProgram() { return IsOnSearchPath("php") ? "php" : std::string(); }

}  // namespace platform
