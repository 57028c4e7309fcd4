#include "platform/AtomicFile.h"

#include "platform/RegularFile.h"
#include "platform/Utf8.h"

#include <cerrno>

#include <filesystem>
#include <random>
#include <system_error>

namespace platform {
namespace {

constexpr std::string_view kSuffix = ".tmp";

std::string PrefixFor(const std::string& target) {
    return "." + Utf8FromPath(PathFromUtf8(target).filename()) + ".";
}

}  // namespace

std::string TemporaryNameFor(const std::string& target) {
    static thread_local std::mt19937_64 random{std::random_device{}()};
    const std::filesystem::path path = PathFromUtf8(target);
    return Utf8FromPath(path.parent_path() / PathFromUtf8(PrefixFor(target) + std::to_string(random()) +
                                                          std::string(kSuffix)));
}

bool IsTemporaryNameFor(const std::string& target, const std::string& fileName) {
    const std::string prefix = PrefixFor(target);
    if (fileName.size() <= prefix.size() + kSuffix.size() || !fileName.starts_with(prefix) ||
        !fileName.ends_with(kSuffix))
        return false;
    const std::string_view number =
        std::string_view(fileName).substr(prefix.size(), fileName.size() - prefix.size() - kSuffix.size());
    return number.find_first_not_of("0123456789") == std::string_view::npos;
}

void RemoveStaleTemporaries(const std::string& target) {
    const std::filesystem::path folder = PathFromUtf8(target).parent_path();
    std::error_code error;
    std::filesystem::directory_iterator entries(folder.empty() ? std::filesystem::path(".") : folder, error);
    for (; !error && entries != std::filesystem::directory_iterator(); entries.increment(error)) {
        std::error_code ignored;
        if (entries->is_regular_file(ignored) && IsTemporaryNameFor(target, Utf8FromPath(entries->path().filename())))
            std::filesystem::remove(entries->path(), ignored);
    }
}

TReplaceResult ReplaceFileContents(const std::string& target, std::string_view bytes) {
    TReplaceResult result;
    const std::string temporary = CreateTemporaryBeside(target, bytes, result);
    if (!result.Ok()) return result;
    return MoveOver(temporary, target);
}

int RewriteFile(const std::string& target, std::size_t maxBytes, const std::function<int(std::string& bytes)>& change) {
    const TFileLock lock(target);
    if (!lock.Locked()) return lock.Error();
    std::string bytes;
    const int read = ReadRegularFile(target, maxBytes, bytes);
    if (read != 0 && read != ENOENT) return read;
    const std::string before = bytes;
    if (const int refused = change(bytes); refused != 0) return refused;
    RemoveStaleTemporaries(target);
    // The file already holds these bytes: replacing it would only wait for the disk.
    if (read == 0 && bytes == before) return 0;
    return ReplaceFileContents(target, bytes).Error;
}

}  // namespace platform
