#include "platform/ToolSearch.h"

#include <algorithm>
#include <cctype>
#include <string_view>

namespace platform {

std::string PosixShellWord(const std::string& AText) {
    const bool plain = !AText.empty() && std::all_of(AText.begin(), AText.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) ||
               std::string_view("_./:@%+=,-").find(c) != std::string_view::npos;
    });
    if (plain) return AText;
    std::string word = "'";
    for (const char c : AText) word += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return word + "'";
}

}  // namespace platform
