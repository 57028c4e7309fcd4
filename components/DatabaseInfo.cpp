#include "components/DatabaseInfo.h"

#include "components/JsonText.h"
#include "components/ToolOutput.h"

#include <nlohmann/json.hpp>

#include <charconv>
#include <limits>

namespace {

using jsontext::Find;
using jsontext::Json;
using jsontext::Text;
using jsontext::TextOf;

// The texts of a list, or of an object's values, joined by ", "; ASkip leaves out one key.
std::string Joined(const Json* AList, const char* ASkip = nullptr) {
    std::string joined;
    if (!AList) return joined;
    if (!AList->is_array() && !AList->is_object()) return Text(*AList);
    for (const auto& [key, value] : AList->items()) {
        if (ASkip && AList->is_object() && key == ASkip) continue;
        const std::string text = Text(value);
        if (text.empty()) continue;
        if (!joined.empty()) joined += ", ";
        joined += text;
    }
    return joined;
}

std::optional<std::int64_t> Count(const Json* AValue) {
    if (!AValue) return std::nullopt;
    if (AValue->is_number_integer() || AValue->is_number_unsigned()) {
        if (AValue->is_number_unsigned() &&
            AValue->get<std::uint64_t>() > std::uint64_t(std::numeric_limits<std::int64_t>::max()))
            return std::numeric_limits<std::int64_t>::max();
        return AValue->get<std::int64_t>();
    }
    if (AValue->is_number_float()) {
        const double value = AValue->get<double>();
        if (!(value >= 0) || value > 9e18) return std::nullopt;
        return std::int64_t(value);
    }
    if (AValue->is_string()) {
        const std::string text = AValue->get<std::string>();
        std::int64_t value = 0;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
        if (error == std::errc() && end == text.data() + text.size() && !text.empty()) return value;
    }
    return std::nullopt;
}

// The entries of a list, or of an object keyed by name; nothing for anything else.
std::vector<const Json*> Entries(const Json* AValue) {
    std::vector<const Json*> entries;
    if (AValue && (AValue->is_array() || AValue->is_object()))
        for (const Json& entry : *AValue) entries.push_back(&entry);
    return entries;
}

// Reads the JSON document of a command's output, or says why there is none.
template <typename TResult>
std::optional<Json> Document(std::string_view AOutput, int AExitStatus, TResult& AResult) {
    if (AExitStatus != 0) {
        AResult.Failed = true;
        AResult.Message =
            "The command ended with status " + std::to_string(AExitStatus) + ".\n" + TrimmedOutput(AOutput);
        return std::nullopt;
    }
    const std::size_t start = JsonStartOf(AOutput);
    if (start == std::string_view::npos) {
        AResult.Failed = true;
        AResult.Message = TrimmedOutput(AOutput);
        if (AResult.Message.empty()) AResult.Message = "The command printed nothing.";
        return std::nullopt;
    }
    Json document = Json::parse(AOutput.substr(start), nullptr, false);
    if (document.is_discarded()) {
        AResult.Failed = true;
        AResult.Message = "The output is not valid JSON (cut or damaged).";
        return std::nullopt;
    }
    return document;
}

std::string LeftOut(std::size_t ACount) {
    return ACount == 0 ? std::string() : std::to_string(ACount) + " entries are not objects and are left out.";
}

}  // namespace

TDatabaseInfo ReadDatabaseInfo(std::string_view AOutput, int AExitStatus) {
    TDatabaseInfo info;
    const std::optional<Json> document = Document(AOutput, AExitStatus, info);
    if (!document) return info;
    const Json* tables = Find(*document, "tables");
    if (!tables || !(tables->is_array() || tables->is_object())) {
        info.Failed = true;
        info.Message = "The output does not list the database's tables.";
        return info;
    }
    if (const Json* platform = Find(*document, "platform")) info.Platform = TextOf(*platform, "name");
    std::size_t skipped = 0;
    for (const Json* entry : Entries(tables)) {
        if (!entry->is_object()) {
            ++skipped;
            continue;
        }
        TDatabaseTable table{TextOf(*entry, "table"), Count(Find(*entry, "size")), Count(Find(*entry, "rows")),
                             TextOf(*entry, "engine"), TextOf(*entry, "comment")};
        if (table.Name.empty()) table.Name = TextOf(*entry, "name");
        info.RowsMissing = info.RowsMissing || !table.Rows;
        info.Tables.push_back(std::move(table));
    }
    info.Message = LeftOut(skipped);
    if (info.Tables.empty() && info.Message.empty()) info.Message = "The database has no tables.";
    return info;
}

TTableSchema ReadTableSchema(std::string_view AOutput, int AExitStatus) {
    TTableSchema schema;
    const std::optional<Json> document = Document(AOutput, AExitStatus, schema);
    if (!document) return schema;
    if (!document->is_object() || !Find(*document, "columns")) {
        schema.Failed = true;
        schema.Message = "The output does not describe a table.";
        return schema;
    }
    if (const Json* table = Find(*document, "table"))
        schema.Table = table->is_object() ? TextOf(*table, "name") : Text(*table);
    std::size_t skipped = 0;
    for (const Json* column : Entries(Find(*document, "columns"))) {
        if (!column->is_object()) {
            ++skipped;
            continue;
        }
        std::string details = Joined(Find(*column, "attributes"), "type");
        if (const Json* value = Find(*column, "default"); value && !value->is_null())
            details += (details.empty() ? "default " : ", default ") + Text(*value);
        schema.Rows.push_back({TSchemaRow::TKind::Column, TextOf(*column, "column"), TextOf(*column, "type"), details});
    }
    for (const Json* index : Entries(Find(*document, "indexes"))) {
        if (!index->is_object()) {
            ++skipped;
            continue;
        }
        std::string kind = Joined(Find(*index, "attributes"));
        schema.Rows.push_back({TSchemaRow::TKind::Index, TextOf(*index, "name"), kind.empty() ? "index" : kind,
                               Joined(Find(*index, "columns"))});
    }
    for (const Json* key : Entries(Find(*document, "foreign_keys"))) {
        if (!key->is_object()) {
            ++skipped;
            continue;
        }
        const Json* local = Find(*key, "local_columns");
        std::string details = Joined(local ? local : Find(*key, "columns")) + " references " +
                              TextOf(*key, "foreign_table") + " (" + Joined(Find(*key, "foreign_columns")) + ")";
        if (const std::string update = TextOf(*key, "on_update"); !update.empty()) details += ", on update " + update;
        if (const std::string remove = TextOf(*key, "on_delete"); !remove.empty()) details += ", on delete " + remove;
        schema.Rows.push_back({TSchemaRow::TKind::ForeignKey, TextOf(*key, "name"), "foreign key", details});
    }
    schema.Message = LeftOut(skipped);
    return schema;
}

bool IsPlainTableName(std::string_view AName) {
    if (AName.empty() || AName.front() == '-') return false;
    for (const char c : AName) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
                           c == '-' || c == '.';
        if (!plain) return false;
    }
    return true;
}
