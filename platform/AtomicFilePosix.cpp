#include "platform/AtomicFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace platform {
namespace {

std::string FolderOf(const std::string& fileName) {
    const std::size_t slash = fileName.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : fileName.substr(0, slash);
}

bool WriteAll(int descriptor, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(descriptor, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (written == 0) {
            errno = EIO;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

void SyncFolder(const std::string& folder) {
    const int descriptor = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor < 0) return;
    ::fsync(descriptor);  // best effort: the data itself is already on disk
    ::close(descriptor);
}

}  // namespace

std::string CreateTemporaryBeside(const std::string& target, std::string_view bytes, TReplaceResult& result) {
    struct stat status {};
    const bool exists = ::stat(target.c_str(), &status) == 0 && S_ISREG(status.st_mode);
    // Created with the target's permission bits (the umask may take some away; fchmod
    // below gives them back once the file is ours), never with more.
    const mode_t mode = exists ? (status.st_mode & 0777) : 0666;
    std::string temporary;
    int descriptor = -1;
    for (int attempt = 0; attempt < 100 && descriptor < 0; ++attempt) {
        temporary = TemporaryNameFor(target);
        descriptor = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, mode);
        if (descriptor < 0 && errno != EEXIST) break;
    }
    if (descriptor < 0) {
        result = {TReplaceStage::Create, errno};
        return {};
    }

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
    if (failure != 0) {
        ::unlink(temporary.c_str());
        result = {TReplaceStage::Write, failure};
        return {};
    }
    result = {};
    return temporary;
}

TReplaceResult MoveOver(const std::string& temporary, const std::string& target) {
    if (::rename(temporary.c_str(), target.c_str()) != 0) {
        const int failure = errno;
        ::unlink(temporary.c_str());
        return {TReplaceStage::Replace, failure};
    }
    SyncFolder(FolderOf(target));
    return {};
}

int CreateFileIfMissing(const std::string& fileName) {
    const int descriptor = ::open(fileName.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NOCTTY, 0666);
    if (descriptor < 0) return errno;
    return ::close(descriptor) == 0 ? 0 : errno;
}

// The lock is on the file's inode, which a replacement changes: a writer that was
// waiting while another replaced the file finds its lock on the old inode and takes
// the lock anew on the file now at that name.
TFileLock::TFileLock(const std::string& target) {
    for (int attempt = 0; attempt < 1000; ++attempt) {
        const int descriptor = ::open(target.c_str(), O_RDONLY | O_CREAT | O_NONBLOCK | O_CLOEXEC | O_NOCTTY, 0666);
        if (descriptor < 0) {
            FError = errno;
            return;
        }
        int result = 0;
        do result = ::flock(descriptor, LOCK_EX);
        while (result != 0 && errno == EINTR);
        struct stat locked {}, current {};
        if (result != 0 || ::fstat(descriptor, &locked) != 0) {
            FError = errno;
            ::close(descriptor);
            return;
        }
        if (!S_ISREG(locked.st_mode)) {
            FError = S_ISDIR(locked.st_mode) ? EISDIR : EINVAL;
            ::close(descriptor);
            return;
        }
        if (::stat(target.c_str(), &current) == 0 && current.st_dev == locked.st_dev &&
            current.st_ino == locked.st_ino) {
            FDescriptor = descriptor;
            FLocked = true;
            return;
        }
        ::close(descriptor);
    }
    FError = EAGAIN;
}

TFileLock::~TFileLock() {
    if (FDescriptor >= 0) ::close(FDescriptor);  // closing releases the lock
}

}  // namespace platform
