#include "components/ToolOutput.h"

std::string TrimmedOutput(std::string_view AOutput) {
    const std::size_t first = AOutput.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) return {};
    return std::string(AOutput.substr(first, AOutput.find_last_not_of(" \t\r\n") - first + 1));
}

std::size_t JsonStartOf(std::string_view AOutput) {
    for (std::size_t at = 0; at < AOutput.size();) {
        const std::size_t text = AOutput.find_first_not_of(" \t", at);
        if (text != std::string_view::npos && (AOutput[text] == '[' || AOutput[text] == '{')) return text;
        const std::size_t nl = AOutput.find('\n', at);
        if (nl == std::string_view::npos) break;
        at = nl + 1;
    }
    return std::string_view::npos;
}

bool CommandIsMissing(std::string_view AOutput, int AExitStatus) {
    if (AExitStatus == 0) return false;
    // Only the first lines: a command that exists may print the sentence in its own output.
    const std::string_view head = AOutput.substr(0, 2048);
    const std::size_t command = head.find("Command \"");
    if (command != std::string_view::npos && head.find("\" is not defined", command) != std::string_view::npos)
        return true;
    return head.find("There are no commands defined in the \"") != std::string_view::npos;
}
