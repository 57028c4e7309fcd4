#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The table "php artisan migrate:status" prints, in either of its layouts: a boxed
// table ("| Yes | name | 1 |") or dotted lines ("name ....... [1] Ran" / "Pending").
struct TMigrationRow {
    std::string Name;
    bool Ran = false;
    std::optional<int> Batch;

    bool operator==(const TMigrationRow&) const = default;
};

struct TMigrationStatus {
    std::vector<TMigrationRow> Rows;
    // What to show instead of, or above, the table; empty for a plain table.
    std::string Message;
    bool Failed = false;
};

TMigrationStatus ReadMigrationStatus(std::string_view AOutput, int AExitStatus);
