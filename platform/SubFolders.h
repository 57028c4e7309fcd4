#pragma once

#include <atomic>
#include <string>
#include <vector>

namespace platform {

// A folder inside another, by name (UTF-8).
struct TSubFolder {
    std::string Name;
    // Neither an artisan file nor a composer.json inside it (false until
    // MarkPlainSubFolders looked).
    bool Plain = false;
};

// The folders inside AFolder in the order the system gives them, hidden ones too. Links
// count when they lead to a folder; files, FIFOs, sockets, devices and dangling links do
// not. A folder that cannot be read gives none. AStop, when given and set, ends the
// listing early (with what was listed so far).
std::vector<TSubFolder> ListSubFolders(const std::string& AFolder, const std::atomic<bool>* AStop = nullptr);

// Sets Plain of each of AFolder's sub-folders in AFolders. This looks inside every one of
// them and takes several times as long as listing them. AStop as above.
void MarkPlainSubFolders(const std::string& AFolder, std::vector<TSubFolder>& AFolders,
                         const std::atomic<bool>* AStop = nullptr);

}  // namespace platform
