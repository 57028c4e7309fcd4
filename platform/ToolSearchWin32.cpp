#include "platform/ToolSearch.h"

#include "platform/Utf8.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sstream>

namespace platform {

namespace fs = std::filesystem;

std::string FindOnSearchPath(const std::string& AProgram) {
    if (AProgram.empty() || AProgram.find_first_of("\\/:") != std::string::npos) return {};
    const char* pathExt = std::getenv("PATHEXT");
    std::vector<std::string> suffixes;
    std::istringstream extensions(pathExt && *pathExt ? pathExt : ".COM;.EXE;.BAT;.CMD");
    std::string suffix;
    while (std::getline(extensions, suffix, ';'))
        if (!suffix.empty()) suffixes.push_back(suffix);
    // A name that already has a suffix is looked for as it is first.
    if (fs::path(AProgram).has_extension()) suffixes.insert(suffixes.begin(), "");
    const char* path = std::getenv("PATH");
    std::istringstream folders(path ? path : "");
    std::string folder;
    std::error_code error;
    while (std::getline(folders, folder, ';')) {
        if (folder.size() >= 2 && folder.front() == '"' && folder.back() == '"') folder = folder.substr(1, folder.size() - 2);
        if (folder.empty()) continue;
        for (const std::string& ending : suffixes) {
            const fs::path candidate = PathFromUtf8(folder) / PathFromUtf8(AProgram + ending);
            if (fs::is_regular_file(candidate, error)) return Utf8FromPath(candidate);
        }
    }
    return {};
}

// By the same rule as cmd.exe: each PATH folder, each PATHEXT suffix.
bool IsOnSearchPath(const std::string& AProgram) { return !FindOnSearchPath(AProgram).empty(); }

std::vector<std::string> UsualPhpFolders(const std::string& ADriveRoot) {
    std::string root = ADriveRoot;
    if (!root.empty() && root.back() != '\\') root += '\\';
    std::vector<std::string> folders{root + "php"};
    std::vector<fs::path> bundles;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(PathFromUtf8(root), error))
        if (entry.is_directory(error)) bundles.push_back(entry.path());
    std::sort(bundles.begin(), bundles.end());
    for (const fs::path& bundle : bundles) {
        const std::string folder = Utf8FromPath(bundle);
        folders.push_back(folder + "\\php");
        folders.push_back(folder + "\\bin\\php\\*");
    }
    return folders;
}

std::string FindPhpProgram(const std::vector<std::string>& AFolders) {
    if (IsOnSearchPath("php")) return "php";
    std::error_code error;
    for (const std::string& folder : AFolders) {
        std::vector<fs::path> candidates;
        if (folder.size() >= 2 && folder.substr(folder.size() - 2) == "\\*") {
            // One sub-folder per version: the last by name first.
            for (const auto& entry : fs::directory_iterator(PathFromUtf8(folder.substr(0, folder.size() - 2)), error))
                if (entry.is_directory(error)) candidates.push_back(entry.path());
            std::sort(candidates.rbegin(), candidates.rend());
        } else {
            candidates.push_back(PathFromUtf8(folder));
        }
        for (const fs::path& candidate : candidates)
            if (fs::is_regular_file(candidate / "php.exe", error)) return Utf8FromPath(candidate / "php.exe");
    }
    return {};
}

std::string ShellProgramWord(const std::string& AProgram) {
    const bool plain = !AProgram.empty() && AProgram.find_first_of(" \t&|<>^()%!\"',;=") == std::string::npos;
    return plain ? AProgram : "\"" + AProgram + "\"";
}

// Inside set "..." cmd.exe's operators are plain text, so only a quote (which would end
// the quoted part early) and a line break (which ends the command) cannot be carried.
// Variables are expanded before quotes are looked at: each % is written so that it stays
// (the first % has no name before the next one, and %cd:~,% expands to nothing).
std::optional<std::string> EnvironmentAssignment(const std::string& AName, const std::string& AValue) {
    if (AValue.find_first_of(std::string("\"\r\n\0", 4)) != std::string::npos) return std::nullopt;
    std::string value;
    for (const char c : AValue) value += c == '%' ? std::string("%%cd:~,%") : std::string(1, c);
    return "set \"" + AName + "=" + value + "\" && ";
}

std::string FailingLine(const std::string& AMessage) {
    std::string text;
    for (const char c : AMessage) {
        if (std::strchr("&|<>^()!\"", c) != nullptr) text += '^';
        text += c;
    }
    // The redirection first, so that no blank is left at the end of the message.
    return "1>&2 echo " + text + "& exit 1";
}

bool OffersWsl() { return true; }

}  // namespace platform
