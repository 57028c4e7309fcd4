#include "platform/RegularFile.h"

#include "platform/SystemErrorWin32.h"
#include "platform/WideTextWin32.h"

#include <windows.h>

#include <algorithm>
#include <cerrno>

namespace platform {

int ReadRegularFile(const std::string& fileName, std::size_t maxBytes, std::string& bytes) {
    bytes.clear();
    const std::wstring wide = ToWide(fileName);
    const DWORD attributes = ::GetFileAttributesW(wide.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) return EISDIR;
    const HANDLE file = ::CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return ErrnoOf(::GetLastError());
    int failure = 0;
    LARGE_INTEGER size{};
    // A pipe or a device ("NUL", "CON", "\\.\pipe\...") is not a file on disk.
    if (::GetFileType(file) != FILE_TYPE_DISK)
        failure = EINVAL;
    else if (!::GetFileSizeEx(file, &size))
        failure = ErrnoOf(::GetLastError());
    else if (static_cast<unsigned long long>(size.QuadPart) > maxBytes)
        failure = EFBIG;
    char buffer[65536];
    while (failure == 0) {
        const DWORD room = static_cast<DWORD>(std::min<std::size_t>(sizeof buffer, maxBytes - bytes.size() + 1));
        DWORD count = 0;
        if (!::ReadFile(file, buffer, room, &count, nullptr)) {
            failure = ErrnoOf(::GetLastError());
            break;
        }
        if (count == 0) break;
        bytes.append(buffer, count);
        if (bytes.size() > maxBytes) failure = EFBIG;
    }
    ::CloseHandle(file);
    if (failure != 0) bytes.clear();
    return failure;
}

}  // namespace platform
