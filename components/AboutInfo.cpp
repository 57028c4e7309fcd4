#include "components/AboutInfo.h"

#include "components/ToolOutput.h"

#include <nlohmann/json.hpp>

namespace {

using Json = nlohmann::ordered_json;  // keeps the order the command printed

std::string ValueText(const Json& AValue) {
    if (AValue.is_string()) return AValue.get<std::string>();
    if (AValue.is_null()) return {};
    if (AValue.is_array()) {
        std::string joined;
        for (const Json& item : AValue) {
            if (!joined.empty()) joined += ", ";
            joined += ValueText(item);
        }
        return joined;
    }
    return AValue.dump(-1, ' ', false, Json::error_handler_t::replace);
}

// A setting is on when it is true, or a text that says so.
bool IsOn(const Json& AValue) {
    if (AValue.is_boolean()) return AValue.get<bool>();
    if (AValue.is_string()) {
        const std::string text = AValue.get<std::string>();
        return text == "true" || text == "ENABLED" || text == "CACHED" || text == "1";
    }
    return false;
}

const Json* Find(const Json& AObject, const char* AKey) {
    if (!AObject.is_object()) return nullptr;
    const auto found = AObject.find(AKey);
    return found == AObject.end() ? nullptr : &*found;
}

void AddWarnings(const Json& ADocument, TAboutInfo& AInfo) {
    const Json* environment = Find(ADocument, "environment");
    const Json* name = environment ? Find(*environment, "environment") : nullptr;
    if (!name || !name->is_string() || name->get<std::string>() != "production") return;
    if (const Json* debug = Find(*environment, "debug_mode"); debug && IsOn(*debug))
        AInfo.Warnings.push_back("Debug mode is on in the production environment.");
    const Json* cache = Find(ADocument, "cache");
    for (const char* what : {"config", "routes"})
        if (const Json* cached = cache ? Find(*cache, what) : nullptr; cached && !IsOn(*cached))
            AInfo.Warnings.push_back(std::string(what) == "config"
                                         ? "The configuration is not cached in the production environment."
                                         : "The routes are not cached in the production environment.");
}

}  // namespace

TAboutInfo ReadAboutInfo(std::string_view AOutput, int AExitStatus) {
    TAboutInfo info;
    if (AExitStatus != 0) {
        info.Failed = true;
        info.Message = "The command ended with status " + std::to_string(AExitStatus) + ".\n" + TrimmedOutput(AOutput);
        return info;
    }
    const std::size_t start = JsonStartOf(AOutput);
    const Json document = start == std::string_view::npos ? Json(Json::value_t::discarded)
                                                          : Json::parse(AOutput.substr(start), nullptr, false);
    if (document.is_discarded()) {
        info.Failed = true;
        const std::string text = TrimmedOutput(AOutput);
        info.Message = text.empty() ? "The command printed nothing." : "The output is not valid JSON:\n" + text;
        return info;
    }
    if (!document.is_object()) {
        info.Failed = true;
        info.Message = "The output is not a set of sections.";
        return info;
    }
    TAboutSection loose;  // values outside any section
    for (const auto& [key, value] : document.items()) {
        if (value.is_object()) {
            TAboutSection section{key, {}};
            for (const auto& [name, item] : value.items()) section.Items.emplace_back(name, ValueText(item));
            info.Sections.push_back(std::move(section));
        } else {
            loose.Items.emplace_back(key, ValueText(value));
        }
    }
    if (!loose.Items.empty()) info.Sections.insert(info.Sections.begin(), std::move(loose));
    AddWarnings(document, info);
    return info;
}
