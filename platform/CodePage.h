#pragma once

#include <string>

namespace platform {

// The code page of 8-bit text on this system. POSIX systems keep text in UTF-8.
constexpr unsigned CP_UTF8 = 65001;

unsigned SystemAnsiCodePage();

}  // namespace platform

// 8-bit text tagged with the code page its bytes are in.
struct AnsiText {
    std::string Bytes;
    unsigned CodePage = platform::SystemAnsiCodePage();

    bool operator==(const AnsiText&) const = default;
};
