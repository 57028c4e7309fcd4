#include "platform/PrivateProfile.h"
#include "platform/PrivateProfileText.h"
#include "platform/AtomicFile.h"

#include "platform/SystemErrorWin32.h"
#include "platform/WideTextWin32.h"

#include <windows.h>
// The A/W names of <windows.h> would replace our own functions' names.
#undef GetPrivateProfileString
#undef WritePrivateProfileString

#include <cerrno>
#include <string_view>

// The system's private-profile functions, with UTF-16 names, values and paths. A
// relative file name is taken by them from the Windows folder, not the current one.
namespace platform {

std::string GetPrivateProfileString(const std::string& section, const std::string& key,
                                    const std::string& defaultValue, const std::string& fileName) {
    wchar_t buffer[kMaxProfileValueLength + 1] = L"";
    const DWORD copied = ::GetPrivateProfileStringW(ToWide(section).c_str(), ToWide(key).c_str(),
                                                    ToWide(defaultValue).c_str(), buffer,
                                                    static_cast<DWORD>(std::size(buffer)),
                                                    ToWide(fileName).c_str());
    // A cut through a surrogate pair drops the half character rather than leave a
    // lone surrogate behind.
    std::size_t length = copied;
    if (length == kMaxProfileValueLength && buffer[length - 1] >= 0xD800 && buffer[length - 1] < 0xDC00) --length;
    return FromWide(buffer, length);
}

std::vector<std::string> GetPrivateProfileKeyNames(const std::string& section,
                                                   const std::string& fileName) {
    // Without a key name the names come as a list of null-terminated strings ending in
    // an empty one; a list that does not fit is cut and reported as size - 2.
    const std::wstring wideSection = ToWide(section);
    const std::wstring wideFile = ToWide(fileName);
    std::wstring buffer(4096, L'\0');
    DWORD copied = 0;
    for (;;) {
        copied = ::GetPrivateProfileStringW(wideSection.c_str(), nullptr, L"", buffer.data(),
                                            static_cast<DWORD>(buffer.size()), wideFile.c_str());
        if (copied + 2 < buffer.size()) break;
        buffer.assign(buffer.size() * 2, L'\0');
    }
    std::vector<std::string> names;
    for (std::size_t start = 0; start < copied;) {
        const std::size_t length = std::wstring_view(buffer.data() + start).size();
        if (length == 0) break;
        names.push_back(FromWide(buffer.data() + start, length));
        start += length + 1;
    }
    return names;
}

namespace {

// The file the system's functions would use: a name without a folder lies in the
// Windows folder, any other is made absolute.
std::wstring SystemsFileName(const std::wstring& fileName) {
    wchar_t buffer[32768];
    if (fileName.find_first_of(L"\\/") == std::wstring::npos) {
        const UINT length = ::GetWindowsDirectoryW(buffer, static_cast<UINT>(std::size(buffer)));
        if (length > 0 && length < std::size(buffer)) return std::wstring(buffer, length) + L"\\" + fileName;
        return fileName;
    }
    const DWORD length = ::GetFullPathNameW(fileName.c_str(), static_cast<DWORD>(std::size(buffer)), buffer, nullptr);
    return length > 0 && length < std::size(buffer) ? std::wstring(buffer, length) : fileName;
}

// The bytes of an existing settings file; false with errno when it cannot be read or
// is too large.
bool ReadFileBytes(const std::wstring& fileName, std::string* bytes) {
    const HANDLE file = ::CreateFileW(fileName.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        errno = ErrnoOf(::GetLastError());
        return false;
    }
    LARGE_INTEGER size{};
    bool ok = ::GetFileSizeEx(file, &size) != 0;
    if (ok && static_cast<unsigned long long>(size.QuadPart) > kMaxProfileFileBytes) {
        ::CloseHandle(file);
        errno = EFBIG;
        return false;
    }
    bytes->assign(ok ? static_cast<std::size_t>(size.QuadPart) : 0, '\0');
    DWORD read = 0;
    ok = ok && (bytes->empty() || ::ReadFile(file, bytes->data(), static_cast<DWORD>(bytes->size()), &read, nullptr));
    const DWORD error = ::GetLastError();
    ::CloseHandle(file);
    if (!ok) {
        errno = ErrnoOf(error);
        return false;
    }
    bytes->resize(read);
    return true;
}

}  // namespace

// The system's function rewrites a file in place, so a write that stops part-way would
// leave it cut short: it writes to a copy instead, which then replaces the file in one
// step, with the lock held from reading the file to replacing it.
bool WritePrivateProfileString(const std::string& section, const std::string& key,
                               const std::string& value, const std::string& fileName) {
    if (!portable::IsWritableEntry(section, key, value) || fileName.empty()) {
        errno = EINVAL;
        return false;
    }
    const std::wstring wideTarget = SystemsFileName(ToWide(fileName));
    const std::string target = FromWide(wideTarget);
    const TFileLock lock(target);
    if (!lock.Locked()) {
        errno = lock.Error();
        return false;
    }
    std::string bytes;
    const DWORD attributes = ::GetFileAttributesW(wideTarget.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
            errno = EISDIR;
            return false;
        }
        if (attributes & FILE_ATTRIBUTE_READONLY) {
            errno = EACCES;
            return false;
        }
        if (!ReadFileBytes(wideTarget, &bytes)) return false;
    } else if (const DWORD error = ::GetLastError(); error != ERROR_FILE_NOT_FOUND) {
        errno = ErrnoOf(error);
        return false;
    }
    RemoveStaleTemporaries(target);

    TReplaceResult result;
    const std::string temporary = CreateTemporaryBeside(target, bytes, result);
    if (!result.Ok()) {
        errno = result.Error;
        return false;
    }
    const std::wstring wideTemporary = ToWide(temporary);
    if (!::WritePrivateProfileStringW(ToWide(section).c_str(), ToWide(key).c_str(),
                                      ToWide(portable::ValueForWriting(value)).c_str(), wideTemporary.c_str())) {
        errno = ErrnoOf(::GetLastError());
        ::DeleteFileW(wideTemporary.c_str());
        return false;
    }
    // The system keeps the file in a cache; this writes it out. The flush reports FALSE
    // whatever happens, so its result tells nothing.
    ::WritePrivateProfileStringW(nullptr, nullptr, nullptr, wideTemporary.c_str());
    result = MoveOver(temporary, target);
    errno = result.Error;
    return result.Ok();
}

}  // namespace platform
