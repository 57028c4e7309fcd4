#include "platform/ToolSearch.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <sstream>

namespace platform {

std::string FindOnSearchPath(const std::string& AProgram) {
    if (AProgram.empty() || AProgram.find('/') != std::string::npos) return {};
    const char* path = std::getenv("PATH");
    std::istringstream folders(path ? path : "");
    std::string folder;
    while (std::getline(folders, folder, ':')) {
        const std::string candidate = (folder.empty() ? std::string(".") : folder) + "/" + AProgram;
        struct stat status;
        if (::stat(candidate.c_str(), &status) == 0 && S_ISREG(status.st_mode) && ::access(candidate.c_str(), X_OK) == 0)
            return candidate;
    }
    return {};
}

bool IsOnSearchPath(const std::string& AProgram) { return !FindOnSearchPath(AProgram).empty(); }

std::vector<std::string> UsualPhpFolders(const std::string&) { return {}; }

std::string FindPhpProgram(const std::vector<std::string>& AFolders) {
    if (IsOnSearchPath("php")) return "php";
    for (const std::string& folder : AFolders) {
        const std::string candidate = folder + "/php";
        if (::access(candidate.c_str(), X_OK) == 0) return candidate;
    }
    return {};
}

// A bare word with a "=" would be read as an assignment, so it is quoted.
std::string ShellProgramWord(const std::string& AProgram) {
    const std::string word = PosixShellWord(AProgram);
    return word == AProgram && AProgram.find('=') != std::string::npos ? "'" + AProgram + "'" : word;
}

std::optional<std::string> EnvironmentAssignment(const std::string& AName, const std::string& AValue) {
    if (AValue.find('\0') != std::string::npos) return std::nullopt;
    return AName + "=" + PosixShellWord(AValue) + " ";
}

std::string FailingLine(const std::string& AMessage) {
    return "echo " + PosixShellWord(AMessage) + " >&2; exit 1";
}

bool OffersWsl() { return false; }

}  // namespace platform
