#include "platform/Paths.h"
#include "platform/PathsText.h"

#include <windows.h>

#include <algorithm>

#include "platform/WideTextWin32.h"

namespace platform {

const char PathSeparator = '\\';

std::string WithoutEndSeparators(const std::string& ANativePath) {
    const std::size_t end = ANativePath.find_last_not_of('\\');
    if (end == std::string::npos) return ANativePath.substr(0, 1);
    // "C:\" keeps its separator: "C:" alone names the drive's current folder.
    if (end == 1 && ANativePath[1] == ':' && ANativePath.size() > 2) return ANativePath.substr(0, 3);
    return ANativePath.substr(0, end + 1);
}

std::string NativePath(const std::string& APath) {
    std::string native = APath;
    std::replace(native.begin(), native.end(), '/', '\\');
    return native;
}

bool SamePath(const std::string& A, const std::string& B) {
    const std::wstring a = ToWide(WithoutEndSeparators(NativePath(A)));
    const std::wstring b = ToWide(WithoutEndSeparators(NativePath(B)));
    // The file system's own comparison: each letter in upper case, no locale.
    return CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()), TRUE) ==
           CSTR_EQUAL;
}

}  // namespace platform
