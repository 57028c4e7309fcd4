#include "platform/PrivateProfile.h"
#include "platform/PrivateProfileText.h"

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
namespace {

int ErrnoOf(DWORD error) {
    switch (error) {
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_WRITE_PROTECT: return EACCES;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: return ENOENT;
    case ERROR_INVALID_NAME:
    case ERROR_INVALID_PARAMETER: return EINVAL;
    default: return EIO;
    }
}

}  // namespace

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

bool WritePrivateProfileString(const std::string& section, const std::string& key,
                               const std::string& value, const std::string& fileName) {
    if (!portable::IsWritableEntry(section, key, value) || fileName.empty()) {
        errno = EINVAL;
        return false;
    }
    const std::wstring wideFile = ToWide(fileName);
    if (!::WritePrivateProfileStringW(ToWide(section).c_str(), ToWide(key).c_str(), ToWide(value).c_str(),
                                      wideFile.c_str())) {
        errno = ErrnoOf(::GetLastError());
        return false;
    }
    // The system keeps the file in a cache; this writes it out before we return. The
    // flush reports FALSE whatever happens, so its result tells nothing.
    ::WritePrivateProfileStringW(nullptr, nullptr, nullptr, wideFile.c_str());
    return true;
}

}  // namespace platform
