#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

// What "php artisan about --json" printed: sections ("environment", "cache", "drivers")
// of name/value pairs, and the warnings they give; never throws.
struct TAboutSection {
    std::string Name;
    std::vector<std::pair<std::string, std::string>> Items;

    bool operator==(const TAboutSection&) const = default;
};

struct TAboutInfo {
    std::vector<TAboutSection> Sections;
    // Settings that do not belong in production, one sentence each.
    std::vector<std::string> Warnings;
    // What to show instead of, or above, the table; empty for a plain table.
    std::string Message;
    bool Failed = false;
};

TAboutInfo ReadAboutInfo(std::string_view AOutput, int AExitStatus);
