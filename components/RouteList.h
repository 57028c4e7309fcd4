#pragma once

#include <string>
#include <string_view>
#include <vector>

// The routes that "php artisan route:list --json" printed, read into rows; never throws.
struct TRouteRow {
    std::string Domain;
    std::string Method;
    std::string Uri;
    std::string Name;
    std::string Action;
    std::string Middleware;  // the middleware names, joined by ", "
    std::string Path;        // a closure's "file:line" where the framework gives it

    bool operator==(const TRouteRow&) const = default;
};

struct TRouteList {
    std::vector<TRouteRow> Routes;
    // What to show instead of, or above, the table; empty for a plain list.
    std::string Message;
    bool Failed = false;  // the command failed or printed something unreadable
};

TRouteList ReadRouteList(std::string_view AOutput, int AExitStatus);
