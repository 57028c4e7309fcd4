#pragma once

// UTF-8 <-> UTF-16 for the Win32 calls, which take and give text as UTF-16.
// Windows only: include after the platform headers, since <windows.h> defines CP_UTF8
// as a macro.

#include <string>

#include <windows.h>

namespace platform {

// Invalid UTF-8 becomes U+FFFD.
inline std::wstring ToWide(const std::string& AText) {
    if (AText.empty()) return {};
    const int size = static_cast<int>(AText.size());
    const int count = MultiByteToWideChar(CP_UTF8, 0, AText.data(), size, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(count), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, AText.data(), size, wide.data(), count);
    return wide;
}

// An unpaired surrogate becomes U+FFFD.
inline std::string FromWide(const wchar_t* AText, std::size_t ALength) {
    if (ALength == 0) return {};
    const int size = static_cast<int>(ALength);
    const int count = WideCharToMultiByte(CP_UTF8, 0, AText, size, nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<std::size_t>(count), '\0');
    WideCharToMultiByte(CP_UTF8, 0, AText, size, text.data(), count, nullptr, nullptr);
    return text;
}

inline std::string FromWide(const std::wstring& AText) { return FromWide(AText.data(), AText.size()); }

}  // namespace platform
