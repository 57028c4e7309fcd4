#include "platform/Folders.h"

#include "platform/WideTextWin32.h"

#include <algorithm>

namespace platform {

namespace {

std::wstring EnvironmentVariable(const wchar_t* name) {
    const DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
    if (size == 0) return {};
    std::wstring value(size, L'\0');
    const DWORD length = GetEnvironmentVariableW(name, value.data(), size);
    value.resize(length < size ? length : 0);
    return value;
}

std::wstring WithBackslashes(std::wstring path) {
    std::replace(path.begin(), path.end(), L'/', L'\\');
    while (!path.empty() && path.back() == L'\\') path.pop_back();
    return path;
}

}  // namespace

std::string UserConfigFolder() { return FromWide(EnvironmentVariable(L"APPDATA")); }
std::string UserStateFolder() { return FromWide(EnvironmentVariable(L"LOCALAPPDATA")); }
std::string UserCacheFolder() { return FromWide(EnvironmentVariable(L"LOCALAPPDATA")); }

bool IsSystemProgramFolder(const std::string& folder) {
    const std::wstring path = WithBackslashes(ToWide(folder));
    // ProgramW6432 names the 64-bit folder to a 32-bit program too.
    for (const wchar_t* name : {L"ProgramFiles", L"ProgramFiles(x86)", L"ProgramW6432"}) {
        const std::wstring root = WithBackslashes(EnvironmentVariable(name));
        if (root.empty() || path.size() <= root.size() || path[root.size()] != L'\\') continue;
        if (CompareStringOrdinal(path.data(), static_cast<int>(root.size()), root.data(),
                                 static_cast<int>(root.size()), TRUE) == CSTR_EQUAL)
            return true;
    }
    return false;
}

}  // namespace platform
