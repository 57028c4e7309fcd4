#include "platform/ShellQuote.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace platform {

namespace {

bool IsShellSafe(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           std::strchr("_@%+=:,./-", c) != nullptr;
}

// A percent sign that survives cmd.exe's expansion of variables: the first % has no
// name before the next one and stays, and %cd:~,% expands to nothing, so no text after
// it can pair with a percent sign into a variable, with or without :~ or := forms.
constexpr const char* KeptPercent = "%%cd:~,%";

}  // namespace

std::string QuoteForSh(const std::string& AArgument) {
    bool safe = !AArgument.empty();
    for (const char c : AArgument) safe = safe && c != '\0' && IsShellSafe(static_cast<unsigned char>(c));
    if (safe) return AArgument;
    std::string quoted = "'";
    for (const char c : AArgument) {
        if (c == '\'') quoted += "'\\''";
        else quoted += c;
    }
    return quoted + '\'';
}

std::string QuoteForCrt(const std::string& AArgument) {
    if (!AArgument.empty() && AArgument.find_first_of(" \t\n\v\"") == std::string::npos) return AArgument;
    std::string quoted = "\"";
    std::size_t backslashes = 0;
    for (const char c : AArgument) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        // Backslashes count double before a quote, and the quote itself is escaped.
        if (c == '"') quoted.append(2 * backslashes + 1, '\\');
        else quoted.append(backslashes, '\\');
        backslashes = 0;
        quoted += c;
    }
    // Before the closing quote they count double too.
    quoted.append(2 * backslashes, '\\');
    return quoted + '"';
}

std::optional<std::string> QuoteForCmd(const std::string& AArgument) {
    if (AArgument.find_first_of("\r\n") != std::string::npos) return std::nullopt;
    const std::string crt = QuoteForCrt(AArgument);
    std::string escaped;
    escaped.reserve(crt.size() * 2);
    for (const char c : crt) {
        if (c == '%') {
            escaped += KeptPercent;
            continue;
        }
        if (c != '\0' && std::strchr("()!^\"<>&|", c) != nullptr) escaped += '^';
        escaped += c;
    }
    return escaped;
}

std::optional<std::string> QuoteForBatch(const std::string& AArgument) {
    if (AArgument.find_first_of(std::string("\r\n\0%", 4)) != std::string::npos) return std::nullopt;
    std::string quoted = "\"";
    std::size_t backslashes = 0;
    for (const char c : AArgument) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        if (c == '"') {
            // "" keeps cmd.exe's count of quotes even, and the C runtime reads it, inside
            // quotes, as one quote; the backslashes before it count double.
            quoted.append(2 * backslashes, '\\');
            quoted += "\"\"";
        } else {
            quoted.append(backslashes, '\\');
            quoted += c;
        }
        backslashes = 0;
    }
    quoted.append(2 * backslashes, '\\');
    return quoted + '"';
}

bool IsBatchFile(const std::string& APath) {
    std::size_t end = APath.find_last_not_of(". ");
    if (end == std::string::npos || end < 3) return false;
    std::string extension = APath.substr(end - 3, 4);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension == ".bat" || extension == ".cmd";
}

}  // namespace platform
