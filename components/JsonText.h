#pragma once

#include <nlohmann/json.hpp>

#include <string>

// Reading the framework's JSON answers field by field, as text.
namespace jsontext {

using Json = nlohmann::ordered_json;  // keeps the order the command printed

// A string as it is, null as "", anything else as its JSON.
inline std::string Text(const Json& AValue) {
    if (AValue.is_string()) return AValue.get<std::string>();
    if (AValue.is_null()) return {};
    return AValue.dump(-1, ' ', false, Json::error_handler_t::replace);
}

// The member AKey of an object, or null when there is none (or no object).
inline const Json* Find(const Json& AObject, const char* AKey) {
    if (!AObject.is_object()) return nullptr;
    const auto found = AObject.find(AKey);
    return found == AObject.end() ? nullptr : &*found;
}

inline std::string TextOf(const Json& AObject, const char* AKey) {
    const Json* value = Find(AObject, AKey);
    return value ? Text(*value) : std::string();
}

}  // namespace jsontext
