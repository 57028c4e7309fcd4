#include "platform/PrivateProfile.h"
#include "platform/PrivateProfileText.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <random>
#include <string_view>

namespace platform {
namespace {

// Reads a regular file whole; false with errno when it is missing (ENOENT),
// not a regular file or cannot be read.
bool ReadFileBytes(const std::string& fileName, std::string* bytes) {
    const int descriptor = ::open(fileName.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0) return false;
    struct stat status {};
    int failure = 0;
    if (::fstat(descriptor, &status) != 0) {
        failure = errno;
    } else if (!S_ISREG(status.st_mode)) {
        failure = S_ISDIR(status.st_mode) ? EISDIR : EINVAL;
    }
    char buffer[65536];
    while (failure == 0) {
        const ssize_t count = ::read(descriptor, buffer, sizeof buffer);
        if (count == 0) break;
        if (count > 0) {
            bytes->append(buffer, static_cast<std::size_t>(count));
        } else if (errno != EINTR) {
            failure = errno;
        }
    }
    ::close(descriptor);
    errno = failure;
    return failure == 0;
}

// ---------------------------------------------------------------------------
// Replacing the file whole: a temporary file in the same folder is written,
// flushed to disk and renamed over the old one, so a failure at any point
// leaves the old file as it was.

std::string FolderOf(const std::string& fileName) {
    const std::size_t slash = fileName.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : fileName.substr(0, slash);
}

// The file a write must replace: an existing file's real path, so that a
// symbolic link keeps pointing at the settings.
std::string ResolveTarget(const std::string& fileName) {
    char resolved[PATH_MAX];
    return ::realpath(fileName.c_str(), resolved) != nullptr ? std::string(resolved) : fileName;
}

bool WriteAll(int descriptor, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(descriptor, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

// Opens a new, uniquely named file beside `target`; -1 with errno on failure.
int CreateTemporaryBeside(const std::string& target, std::string* temporaryName) {
    const std::string folder = FolderOf(target);
    const std::string base = target.substr(target.rfind('/') + 1);
    std::random_device entropy;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const unsigned long long nonce = (static_cast<unsigned long long>(entropy()) << 32) ^ entropy();
        *temporaryName = folder + "/." + base + "." + std::to_string(nonce) + ".tmp";
        const int descriptor = ::open(temporaryName->c_str(),
                                      O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (descriptor >= 0 || errno != EEXIST) return descriptor;
    }
    return -1;
}

void SyncFolder(const std::string& folder) {
    const int descriptor = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor < 0) return;
    ::fsync(descriptor);  // best effort: the data itself is already on disk
    ::close(descriptor);
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

bool ReplaceFile(const std::string& fileName, std::string_view bytes) {
    const std::string target = ResolveTarget(fileName);
    struct stat status {};
    const bool exists = ::stat(target.c_str(), &status) == 0;
    if (exists && IsRefusedForWriting(target, status)) return false;

    std::string temporaryName;
    const int descriptor = CreateTemporaryBeside(target, &temporaryName);
    if (descriptor < 0) return false;

    int failure = 0;
    if (!WriteAll(descriptor, bytes)) failure = errno;
    if (failure == 0 && exists) {
        if (status.st_uid != ::geteuid() || status.st_gid != ::getegid()) {
            // Keeping the owner is best effort; only root may give a file away.
            [[maybe_unused]] const int ignored = ::fchown(descriptor, status.st_uid, status.st_gid);
        }
        if (::fchmod(descriptor, status.st_mode & 07777) != 0) failure = errno;
    }
    if (failure == 0 && ::fsync(descriptor) != 0) failure = errno;
    if (::close(descriptor) != 0 && failure == 0) failure = errno;
    if (failure == 0 && ::rename(temporaryName.c_str(), target.c_str()) != 0) failure = errno;
    if (failure != 0) {
        ::unlink(temporaryName.c_str());
        errno = failure;
        return false;
    }
    SyncFolder(FolderOf(target));
    return true;
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
    // An existing file that cannot be read is refused rather than replaced.
    std::string bytes;
    if (!ReadFileBytes(fileName, &bytes) && errno != ENOENT) return false;
    return ReplaceFile(fileName, portable::WriteProfileValue(section, key, value, bytes));
}

}  // namespace platform
