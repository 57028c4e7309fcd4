#include "components/DevList.h"

#include "components/TextRules.h"

#include <nlohmann/json.hpp>

namespace {

// A text field of an entry, without blanks around it; empty when missing or not a text.
std::string Field(const nlohmann::json& AEntry, const char* AName) {
    const auto field = AEntry.find(AName);
    if (field == AEntry.end() || !field->is_string()) return {};
    return TrimBlanks(field->get<std::string>(), " \t\r\n");
}

bool HasControl(const std::string& AText) {
    for (const char c : AText)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) return true;
    return false;
}

}  // namespace

TDevScript ReadDevList(std::string_view AJson) {
    TDevScript list;
    const nlohmann::json json = nlohmann::json::parse(AJson, nullptr, false);
    if (json.is_discarded()) {
        list.Problem = "its output is not JSON";
        return list;
    }
    if (!json.is_array()) {
        list.Problem = "its output is not a list";
        return list;
    }
    std::size_t skipped = 0;
    for (const nlohmann::json& entry : json) {
        if (list.Commands.size() == kMaxDevListEntries) {
            list.Problem = "only the first " + std::to_string(kMaxDevListEntries) + " entries are shown";
            return list;
        }
        const std::string name = entry.is_object() ? Field(entry, "name") : std::string();
        const std::string command = entry.is_object() ? Field(entry, "command") : std::string();
        // A name is one line of a list; a command one line for the command interpreter.
        if (name.empty() || command.empty() || name.size() > kMaxDevListNameBytes || HasControl(name) ||
            HasControl(command)) {
            ++skipped;
            continue;
        }
        list.Commands.push_back({name, command});
    }
    if (skipped > 0)
        list.Problem = std::to_string(skipped) + (skipped == 1 ? " entry has" : " entries have") +
                       " no usable name or command";
    return list;
}
