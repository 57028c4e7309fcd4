#include "components/JsonRows.h"

#include "components/ToolOutput.h"

#include <nlohmann/json.hpp>

#include <algorithm>

namespace {

using Json = nlohmann::ordered_json;  // keeps the order the command printed

std::string CellText(const Json& AValue) {
    if (AValue.is_string()) return AValue.get<std::string>();
    if (AValue.is_null()) return {};
    if (AValue.is_array() && std::all_of(AValue.begin(), AValue.end(), [](const Json& item) { return item.is_string(); })) {
        std::string joined;
        for (const Json& item : AValue) joined += (joined.empty() ? "" : ", ") + item.get<std::string>();
        return joined;
    }
    return AValue.dump(-1, ' ', false, Json::error_handler_t::replace);
}

std::size_t ColumnOf(TJsonRows& ARows, const std::string& AName) {
    const auto found = std::find(ARows.Columns.begin(), ARows.Columns.end(), AName);
    if (found != ARows.Columns.end()) return std::size_t(found - ARows.Columns.begin());
    ARows.Columns.push_back(AName);
    for (auto& row : ARows.Rows) row.resize(ARows.Columns.size());
    return ARows.Columns.size() - 1;
}

void ReadList(const Json& AList, TJsonRows& ARows) {
    std::size_t skipped = 0;
    for (const Json& entry : AList) {
        if (!entry.is_object()) {
            ++skipped;
            continue;
        }
        std::vector<std::string> row(ARows.Columns.size());
        for (const auto& [key, value] : entry.items()) {
            const std::size_t column = ColumnOf(ARows, key);
            row.resize(ARows.Columns.size());
            row[column] = CellText(value);
        }
        ARows.Rows.push_back(std::move(row));
    }
    if (skipped > 0) ARows.Message = std::to_string(skipped) + " entries of the list are not objects and are left out.";
}

void ReadGroups(const Json& AGroups, TJsonRows& ARows) {
    ARows.Columns = {"name", "item"};
    for (const auto& [key, value] : AGroups.items()) {
        if (value.is_array() && !value.empty()) {
            for (const Json& item : value) ARows.Rows.push_back({key, CellText(item)});
        } else {
            ARows.Rows.push_back({key, value.is_array() ? std::string() : CellText(value)});
        }
    }
}

}  // namespace

TJsonRows ReadJsonRows(std::string_view AOutput, int AExitStatus) {
    TJsonRows rows;
    if (AExitStatus != 0) {
        rows.Failed = true;
        rows.Message = "The command ended with status " + std::to_string(AExitStatus) + ".\n" + TrimmedOutput(AOutput);
        return rows;
    }
    const std::size_t start = JsonStartOf(AOutput);
    if (start == std::string_view::npos) {
        // "No scheduled tasks have been defined." and the like: a sentence, not a failure.
        rows.Message = TrimmedOutput(AOutput);
        if (rows.Message.empty()) rows.Message = "The command printed nothing.";
        return rows;
    }
    const Json document = Json::parse(AOutput.substr(start), nullptr, false);
    if (document.is_discarded()) {
        rows.Failed = true;
        rows.Message = "The output is not valid JSON (cut or damaged).";
    } else if (document.is_array()) {
        ReadList(document, rows);
    } else if (document.is_object()) {
        ReadGroups(document, rows);
    } else {
        rows.Failed = true;
        rows.Message = "The output is not a list.";
    }
    return rows;
}
