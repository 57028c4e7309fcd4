#include "platform/PrivateProfile.h"
#include "platform/AtomicFile.h"
#include "platform/PrivateProfileText.h"
#include "platform/RegularFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <string_view>

namespace platform {
namespace {

// Reads the settings file whole; false with errno when it is missing (ENOENT), not a
// regular file, larger than kMaxProfileFileBytes (EFBIG) or cannot be read.
bool ReadFileBytes(const std::string& fileName, std::string* bytes) {
    errno = ReadRegularFile(fileName, kMaxProfileFileBytes, *bytes);
    return errno == 0;
}

// The file a write must replace: an existing file's real path, so that a
// symbolic link keeps pointing at the settings.
std::string ResolveTarget(const std::string& fileName) {
    char resolved[PATH_MAX];
    return ::realpath(fileName.c_str(), resolved) != nullptr ? std::string(resolved) : fileName;
}

// A file without any write permission bit is read-only, for root as well.
bool IsRefusedForWriting(const std::string& target, const struct stat& status) {
    if (S_ISDIR(status.st_mode)) {
        errno = EISDIR;
        return true;
    }
    if ((status.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
        errno = EACCES;
        return true;
    }
    return ::access(target.c_str(), W_OK) != 0;
}

}  // namespace

std::string GetPrivateProfileString(const std::string& section, const std::string& key,
                                    const std::string& defaultValue, const std::string& fileName) {
    // A file that is missing or cannot be read is no file at all.
    std::string bytes;
    if (!ReadFileBytes(fileName, &bytes)) bytes.clear();
    return portable::ReadProfileValue(section, key, defaultValue, bytes);
}

std::vector<std::string> GetPrivateProfileKeyNames(const std::string& section,
                                                   const std::string& fileName) {
    std::string bytes;
    if (!ReadFileBytes(fileName, &bytes)) return {};
    return portable::ProfileKeyNames(section, bytes);
}

bool WritePrivateProfileString(const std::string& section, const std::string& key,
                               const std::string& value, const std::string& fileName) {
    if (!portable::IsWritableEntry(section, key, value) || fileName.empty()) {
        errno = EINVAL;
        return false;
    }
    const std::string target = ResolveTarget(fileName);
    // The lock is held from the read to the replacement: another writer's change in
    // between would otherwise be lost. An existing file that cannot be read, or is too
    // large, is refused rather than replaced.
    const int failure = RewriteFile(target, kMaxProfileFileBytes, [&](std::string& bytes) {
        struct stat status {};
        if (::stat(target.c_str(), &status) != 0 || IsRefusedForWriting(target, status)) return errno;
        bytes = portable::WriteProfileValue(section, key, value, bytes);
        return 0;
    });
    errno = failure;
    return failure == 0;
}

}  // namespace platform
