#include "platform/VersionResource.h"

#include "platform/WideTextWin32.h"

#include <windows.h>
// The A/W names of <windows.h> would replace our own functions' names.
#undef GetFileVersionInfoSize
#undef GetFileVersionInfo
#undef VerQueryValue
#undef VerLanguageName

#include <cerrno>
#include <string_view>

// The system's version functions, with UTF-16 paths and query names.
namespace platform {
namespace {

int ErrnoOf(DWORD error) {
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION: return EACCES;
    case ERROR_RESOURCE_DATA_NOT_FOUND:
    case ERROR_RESOURCE_TYPE_NOT_FOUND:
    case ERROR_RESOURCE_NAME_NOT_FOUND:
    case ERROR_RESOURCE_LANG_NOT_FOUND:
    case ERROR_BAD_EXE_FORMAT:
    case ERROR_BAD_FORMAT: return ENODATA;
    default: return EIO;
    }
}

// "", "\" and any other path of backslashes only name the root.
bool IsRootPath(std::string_view path) { return path.find_first_not_of('\\') == std::string_view::npos; }

bool IsStringPath(std::string_view path) {
    constexpr std::string_view kStrings = "stringfileinfo";
    const std::size_t first = path.find_first_not_of('\\');
    if (first == std::string_view::npos || path.size() - first < kStrings.size()) return false;
    for (std::size_t i = 0; i < kStrings.size(); ++i) {
        char c = path[first + i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != kStrings[i]) return false;
    }
    return true;
}

}  // namespace

std::uint32_t GetFileVersionInfoSize(const std::string& fileName) {
    DWORD handle = 0;
    const DWORD size = ::GetFileVersionInfoSizeW(ToWide(fileName).c_str(), &handle);
    errno = size == 0 ? ErrnoOf(::GetLastError()) : 0;
    return size;
}

bool GetFileVersionInfo(const std::string& fileName, std::vector<std::uint8_t>& block) {
    block.clear();
    const std::wstring wideName = ToWide(fileName);
    DWORD handle = 0;
    const DWORD size = ::GetFileVersionInfoSizeW(wideName.c_str(), &handle);
    if (size == 0) {
        errno = ErrnoOf(::GetLastError());
        return false;
    }
    std::vector<std::uint8_t> data(size);
    if (!::GetFileVersionInfoW(wideName.c_str(), handle, size, data.data())) {
        errno = ErrnoOf(::GetLastError());
        return false;
    }
    block = std::move(data);
    errno = 0;
    return true;
}

bool VerQueryValue(const std::vector<std::uint8_t>& block, const std::string& subBlock,
                   const void*& value, std::uint32_t& length) {
    if (block.empty()) return false;
    void* found = nullptr;
    UINT foundLength = 0;
    if (!::VerQueryValueW(block.data(), ToWide(subBlock).c_str(), &found, &foundLength) || !found) return false;
    const auto* begin = block.data();
    const auto* at = static_cast<const std::uint8_t*>(found);
    if (at < begin || at > begin + block.size()) return false;
    if (IsRootPath(subBlock) && foundLength < kFixedFileInfoBytes) return false;
    // The system trusts the lengths stored in the block; a value never reaches past
    // the block's end here.
    const std::size_t bytesLeft = static_cast<std::size_t>(begin + block.size() - at);
    const std::size_t unitBytes = IsStringPath(subBlock) ? 2 : 1;
    if (static_cast<std::size_t>(foundLength) * unitBytes > bytesLeft) {
        foundLength = static_cast<UINT>(bytesLeft / unitBytes);
        if (IsRootPath(subBlock) && foundLength < kFixedFileInfoBytes) return false;
    }
    value = found;
    length = foundLength;
    return true;
}

std::string VerLanguageName(std::uint16_t languageId) {
    wchar_t buffer[256] = L"";
    if (::VerLanguageNameW(languageId, buffer, 255) == 0) return {};
    return FromWide(buffer, std::wstring_view(buffer).size());
}

}  // namespace platform
