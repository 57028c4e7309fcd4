#include "components/RouteList.h"

#include "components/ToolOutput.h"

#include <nlohmann/json.hpp>

namespace {

using Json = nlohmann::json;

std::string Field(const Json& ARoute, const char* AKey) {
    const auto found = ARoute.find(AKey);
    if (found == ARoute.end() || found->is_null()) return {};
    if (found->is_string()) return found->get<std::string>();
    if (found->is_array()) {
        std::string joined;
        for (const Json& item : *found) {
            if (!joined.empty()) joined += ", ";
            joined += item.is_string() ? item.get<std::string>() : item.dump(-1, ' ', false, Json::error_handler_t::replace);
        }
        return joined;
    }
    return found->dump(-1, ' ', false, Json::error_handler_t::replace);
}

}  // namespace

TRouteList ReadRouteList(std::string_view AOutput, int AExitStatus) {
    TRouteList list;
    if (AExitStatus != 0) {
        list.Failed = true;
        list.Message = "The command ended with status " + std::to_string(AExitStatus) + ".\n" + TrimmedOutput(AOutput);
        return list;
    }
    const std::size_t start = JsonStartOf(AOutput);
    if (start == std::string_view::npos) {
        // The framework says so in plain text when there are no routes.
        list.Message = TrimmedOutput(AOutput);
        if (list.Message.find("doesn't have any routes") == std::string::npos) {
            list.Failed = true;
            if (list.Message.empty()) list.Message = "The command printed nothing.";
            else list.Message = "The route list is not JSON:\n" + list.Message;
        }
        return list;
    }
    const Json document = Json::parse(AOutput.substr(start), nullptr, false);
    if (document.is_discarded()) {
        list.Failed = true;
        list.Message = "The route list is not valid JSON (cut or damaged).";
        return list;
    }
    if (!document.is_array()) {
        list.Failed = true;
        list.Message = "The route list is not a list of routes.";
        return list;
    }
    std::size_t skipped = 0;
    list.Routes.reserve(document.size());
    for (const Json& route : document) {
        if (!route.is_object()) {
            ++skipped;
            continue;
        }
        list.Routes.push_back({Field(route, "domain"), Field(route, "method"), Field(route, "uri"),
                               Field(route, "name"), Field(route, "action"), Field(route, "middleware"),
                               Field(route, "path")});
    }
    if (skipped > 0) list.Message = std::to_string(skipped) + " entries of the route list are not routes and are left out.";
    return list;
}
