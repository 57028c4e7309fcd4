#include "platform/SubFolders.h"

#include <filesystem>
#include <system_error>

namespace platform {

namespace {

std::string Utf8(const std::filesystem::path& APath) {
    const std::u8string text = APath.u8string();
    return std::string(text.begin(), text.end());
}

}  // namespace

std::vector<TSubFolder> ListSubFolders(const std::string& AFolder, const std::atomic<bool>* AStop) {
    namespace fs = std::filesystem;
    std::vector<TSubFolder> folders;
    std::error_code error;
    const fs::path root(std::u8string(AFolder.begin(), AFolder.end()));
    for (fs::directory_iterator it(root, error), end; !error && it != end; it.increment(error)) {
        if (AStop && AStop->load(std::memory_order_relaxed)) break;
        std::error_code ignored;
        // is_directory follows a link (or junction) to what it leads to.
        if (fs::is_directory(it->path(), ignored)) folders.push_back({Utf8(it->path().filename()), false});
    }
    return folders;
}

void MarkPlainSubFolders(const std::string& AFolder, std::vector<TSubFolder>& AFolders, const std::atomic<bool>* AStop) {
    namespace fs = std::filesystem;
    const fs::path root(std::u8string(AFolder.begin(), AFolder.end()));
    for (TSubFolder& folder : AFolders) {
        if (AStop && AStop->load(std::memory_order_relaxed)) break;
        const fs::path path = root / std::u8string(folder.Name.begin(), folder.Name.end());
        std::error_code ignored;
        folder.Plain = !fs::is_regular_file(path / "artisan", ignored) && !fs::is_regular_file(path / "composer.json", ignored);
    }
}

}  // namespace platform
