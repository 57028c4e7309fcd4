#include "components/MigrationStatus.h"

#include <algorithm>
#include <cctype>

namespace {

std::string_view Trim(std::string_view AText) {
    const std::size_t first = AText.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) return {};
    return AText.substr(first, AText.find_last_not_of(" \t\r") - first + 1);
}

std::optional<int> Number(std::string_view AText) {
    if (AText.empty() || AText.size() > 9 || !std::all_of(AText.begin(), AText.end(), [](char c) {
            return std::isdigit(static_cast<unsigned char>(c)) != 0;
        }))
        return std::nullopt;
    return std::stoi(std::string(AText));
}

// "| Yes  | 2014_10_12_000000_create_users_table | 1     |"
std::optional<TMigrationRow> BoxedRow(std::string_view ALine) {
    if (!ALine.starts_with('|') || !ALine.ends_with('|')) return std::nullopt;
    std::vector<std::string_view> cells;
    for (std::size_t at = 1; at < ALine.size();) {
        const std::size_t bar = ALine.find('|', at);
        cells.push_back(Trim(ALine.substr(at, bar - at)));
        at = bar + 1;
    }
    if (cells.size() != 3 || (cells[0] != "Yes" && cells[0] != "No") || cells[1].empty()) return std::nullopt;
    TMigrationRow row{std::string(cells[1]), cells[0] == "Yes", Number(cells[2])};
    if (!cells[2].empty() && !row.Batch) return std::nullopt;
    return row;
}

// "2014_10_12_000000_create_users_table ........ [1] Ran" or "... Pending"
std::optional<TMigrationRow> DottedRow(std::string_view ALine) {
    const std::size_t space = ALine.find(' ');
    if (space == std::string_view::npos || space == 0) return std::nullopt;
    const std::string_view name = ALine.substr(0, space);
    std::string_view rest = Trim(ALine.substr(space));
    if (!rest.starts_with('.')) return std::nullopt;
    rest = Trim(rest.substr(std::min(rest.size(), rest.find_first_not_of('.'))));
    TMigrationRow row{std::string(name), false, std::nullopt};
    if (rest == "Pending") return row;
    if (!rest.starts_with('[') || !rest.ends_with(" Ran")) return std::nullopt;
    const std::size_t close = rest.find(']');
    row.Batch = Number(rest.substr(1, close - 1));
    if (!row.Batch) return std::nullopt;
    row.Ran = true;
    return row;
}

}  // namespace

TMigrationStatus ReadMigrationStatus(std::string_view AOutput, int AExitStatus) {
    TMigrationStatus status;
    std::string other;
    for (std::size_t at = 0; at <= AOutput.size();) {
        std::size_t nl = AOutput.find('\n', at);
        if (nl == std::string_view::npos) nl = AOutput.size();
        const std::string_view line = Trim(AOutput.substr(at, nl - at));
        at = nl + 1;
        if (line.empty() || line.starts_with('+')) continue;
        if (auto row = BoxedRow(line)) status.Rows.push_back(std::move(*row));
        else if (auto dotted = DottedRow(line)) status.Rows.push_back(std::move(*dotted));
        else if (!line.starts_with("| Ran?") && !line.starts_with("Migration name")) {
            if (!other.empty()) other += '\n';
            other += line;
        }
    }
    if (AExitStatus != 0) {
        status.Failed = true;
        status.Rows.clear();
        status.Message = "The command ended with status " + std::to_string(AExitStatus) + ".\n" + other;
    } else if (status.Rows.empty()) {
        // "Migration table not found.", "No migrations found." and the like.
        status.Message = other.empty() ? "No migrations found." : other;
    } else {
        status.Message = other;
    }
    return status;
}
