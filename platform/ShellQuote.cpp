#include "platform/ShellQuote.h"

#include <cstring>

namespace platform {

namespace {

bool IsShellSafe(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           std::strchr("_@%+=:,./-", c) != nullptr;
}

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
        if (std::strchr("()%!^\"<>&|", c) != nullptr && c != '\0') escaped += '^';
        escaped += c;
    }
    return escaped;
}

}  // namespace platform
