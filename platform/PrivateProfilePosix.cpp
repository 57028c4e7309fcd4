#include "platform/PrivateProfile.h"
#include "platform/AtomicFile.h"
#include "platform/PrivateProfileText.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <string_view>

namespace platform {
namespace {

// Reads a regular file whole; false with errno when it is missing (ENOENT),
// not a regular file, larger than kMaxProfileFileBytes (EFBIG) or cannot be read.
bool ReadFileBytes(const std::string& fileName, std::string* bytes) {
    const int descriptor = ::open(fileName.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0) return false;
    struct stat status {};
    int failure = 0;
    if (::fstat(descriptor, &status) != 0) {
        failure = errno;
    } else if (!S_ISREG(status.st_mode)) {
        failure = S_ISDIR(status.st_mode) ? EISDIR : EINVAL;
    } else if (static_cast<unsigned long long>(status.st_size) > kMaxProfileFileBytes) {
        failure = EFBIG;
    }
    char buffer[65536];
    while (failure == 0) {
        const ssize_t count = ::read(descriptor, buffer, sizeof buffer);
        if (count == 0) break;
        if (count > 0) {
            bytes->append(buffer, static_cast<std::size_t>(count));
            if (bytes->size() > kMaxProfileFileBytes) failure = EFBIG;  // it grew meanwhile
        } else if (errno != EINTR) {
            failure = errno;
        }
    }
    ::close(descriptor);
    errno = failure;
    return failure == 0;
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
    // Held from the read to the replacement: another writer's change in between
    // would otherwise be lost.
    const TFileLock lock(target);
    if (!lock.Locked()) {
        errno = lock.Error();
        return false;
    }
    struct stat status {};
    if (::stat(target.c_str(), &status) != 0 || IsRefusedForWriting(target, status)) return false;
    // An existing file that cannot be read, or is too large, is refused rather than replaced.
    std::string bytes;
    if (!ReadFileBytes(target, &bytes)) return false;
    RemoveStaleTemporaries(target);
    const TReplaceResult replaced =
        ReplaceFileContents(target, portable::WriteProfileValue(section, key, value, bytes));
    errno = replaced.Error;
    return replaced.Ok();
}

}  // namespace platform
