#include "platform/RegularFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace platform {

int ReadRegularFile(const std::string& fileName, std::size_t maxBytes, std::string& bytes) {
    bytes.clear();
    // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer.
    const int descriptor = ::open(fileName.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (descriptor < 0) return errno;
    struct stat status {};
    int failure = 0;
    if (::fstat(descriptor, &status) != 0)
        failure = errno;
    else if (!S_ISREG(status.st_mode))
        failure = S_ISDIR(status.st_mode) ? EISDIR : EINVAL;
    else if (static_cast<unsigned long long>(status.st_size) > maxBytes)
        failure = EFBIG;
    if (failure == 0) bytes.reserve(static_cast<std::size_t>(status.st_size));
    char buffer[65536];
    while (failure == 0) {
        // One byte past the limit is enough to tell that the file grew beyond it.
        const std::size_t room = std::min(sizeof buffer, maxBytes - bytes.size() + 1);
        const ssize_t count = ::read(descriptor, buffer, room);
        if (count == 0) break;
        if (count > 0) {
            bytes.append(buffer, static_cast<std::size_t>(count));
            if (bytes.size() > maxBytes) failure = EFBIG;
        } else if (errno != EINTR) {
            failure = errno;
        }
    }
    ::close(descriptor);
    if (failure != 0) bytes.clear();
    return failure;
}

}  // namespace platform
