#include "platform/Paths.h"
#include "platform/PathsText.h"

namespace platform {

const char PathSeparator = '/';

std::string WithoutEndSeparators(const std::string& ANativePath) {
    const std::size_t end = ANativePath.find_last_not_of('/');
    return end == std::string::npos ? ANativePath.substr(0, 1) : ANativePath.substr(0, end + 1);
}

std::string NativePath(const std::string& APath) { return APath; }

bool SamePath(const std::string& A, const std::string& B) {
    return WithoutEndSeparators(A) == WithoutEndSeparators(B);
}

}  // namespace platform
