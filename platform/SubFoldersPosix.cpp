#include "platform/SubFolders.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

// Whether AName, relative to the folder ADirectory, is (or links to) a regular file.
// Looked up from the open folder, so that the kernel walks one or two names instead of
// the whole path each time.
bool IsFileAt(int ADirectory, const std::string& AName) {
    struct stat status {};
    return fstatat(ADirectory, AName.c_str(), &status, 0) == 0 && S_ISREG(status.st_mode);
}

}  // namespace

std::vector<TSubFolder> ListSubFolders(const std::string& AFolder, const std::atomic<bool>* AStop) {
    std::vector<TSubFolder> folders;
    DIR* directory = opendir(AFolder.c_str());
    if (!directory) return folders;
    const int fd = dirfd(directory);
    while (const dirent* entry = readdir(directory)) {
        if (AStop && AStop->load(std::memory_order_relaxed)) break;
        const std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        // The entry's type comes with the listing; only links and file systems that do
        // not give it need a look at the entry itself.
        bool folder = entry->d_type == DT_DIR;
        if (entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN) {
            struct stat status {};
            folder = fstatat(fd, name.c_str(), &status, 0) == 0 && S_ISDIR(status.st_mode);
        }
        if (folder) folders.push_back({name, false});
    }
    closedir(directory);
    return folders;
}

void MarkPlainSubFolders(const std::string& AFolder, std::vector<TSubFolder>& AFolders, const std::atomic<bool>* AStop) {
    const int directory = open(AFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (directory < 0) return;
    for (TSubFolder& folder : AFolders) {
        if (AStop && AStop->load(std::memory_order_relaxed)) break;
        folder.Plain = !IsFileAt(directory, folder.Name + "/artisan") && !IsFileAt(directory, folder.Name + "/composer.json");
    }
    close(directory);
}

}  // namespace platform
