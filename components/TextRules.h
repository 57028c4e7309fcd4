#pragma once

#include <algorithm>
#include <cctype>
#include <string>
#include <string_view>

// Small text rules shared by the Qt-free components.

// AText without the characters of ABlanks at either end.
inline std::string TrimBlanks(std::string_view AText, std::string_view ABlanks = " \t") {
    const auto first = AText.find_first_not_of(ABlanks);
    if (first == std::string_view::npos) return {};
    return std::string(AText.substr(first, AText.find_last_not_of(ABlanks) + 1 - first));
}

// AText with the letters A to Z lower-cased; other bytes stay as they are.
inline std::string LowerAscii(std::string_view AText) {
    std::string result(AText);
    std::transform(result.begin(), result.end(), result.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return result;
}
