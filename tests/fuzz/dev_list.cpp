// The reader of "php artisan dev:list --json".
//
// Input: the last byte picks the mode; the others are either the whole output (any bytes)
// or a list of names and commands, each up to a "\" and one more byte.
//
// Oracles: any output reads without a crash, into at most kMaxDevListEntries commands,
// each a name and a command of one line without blanks at its ends; a list written
// from usable names and commands reads back to exactly those, without a problem.
#include <fuzzer/FuzzedDataProvider.h>

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "FuzzSupport.h"
#include "components/DevList.h"
#include "components/TextRules.h"

using fuzz::Check;

namespace {

bool Usable(const std::string& AText) {
    for (const char c : AText)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) return false;
    return !AText.empty() && TrimBlanks(AText, " ") == AText;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* AData, std::size_t ASize) {
    FuzzedDataProvider input(AData, ASize);
    if (input.ConsumeBool()) {
        const TDevScript list = ReadDevList(input.ConsumeRemainingBytesAsString());
        Check(list.Commands.size() <= kMaxDevListEntries, "the list is bounded");
        for (const TDevCommand& command : list.Commands) {
            Check(Usable(command.Name) && Usable(command.CommandLine), "a command read is one usable line");
            Check(command.Name.size() <= kMaxDevListNameBytes, "a name is bounded");
        }
        return 0;
    }
    std::vector<TDevCommand> expected;
    nlohmann::json json = nlohmann::json::array();
    while (input.remaining_bytes() > 0 && expected.size() < 8) {
        const std::string name = input.ConsumeRandomLengthString(30);
        const std::string command = input.ConsumeRandomLengthString(80);
        if (!Usable(name) || !Usable(command)) return 0;
        json.push_back({{"name", name}, {"command", command}});
        expected.push_back({name, command});
    }
    std::string text;
    try {
        text = json.dump(input.ConsumeBool() ? 2 : -1);
    } catch (const nlohmann::json::exception&) {
        return 0;  // not UTF-8: no JSON text can hold it
    }
    const TDevScript list = ReadDevList(text);
    Check(list.Problem.empty(), "a well-formed list reads without a problem");
    Check(list.Commands == expected, "the names and commands read back as written");
    return 0;
}
