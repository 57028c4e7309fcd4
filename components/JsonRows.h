#pragma once

#include <string>
#include <string_view>
#include <vector>

// A JSON list of objects, as "schedule:list --json" and "event:list --json" print it, read
// into a table: the columns are the keys in the order they first appear, a nested value is
// shown as compact JSON (a list of texts joined by ", "); never throws. An object of lists
// ({"event": ["listener", ...]}) is read as rows of key and each item.
struct TJsonRows {
    std::vector<std::string> Columns;
    std::vector<std::vector<std::string>> Rows;
    // What to show instead of, or above, the table; empty for a plain table.
    std::string Message;
    bool Failed = false;
};

TJsonRows ReadJsonRows(std::string_view AOutput, int AExitStatus);
