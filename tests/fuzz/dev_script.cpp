// The reader of composer.json's "dev" script.
//
// Input: the last byte picks the mode; the others are either the whole composer.json (any bytes)
// or a list of commands and names, each up to a "\" and one more byte.
//
// Oracles: any composer.json reads without a crash, and every command read is a
// non-empty line; a "npx concurrently" line built from commands, each written as one
// POSIX shell word, and their names reads back to exactly those commands and names.
#include <fuzzer/FuzzedDataProvider.h>

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "FuzzSupport.h"
#include "components/Services.h"
#include "components/TextRules.h"
#include "platform/ToolSearch.h"

using fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* AData, std::size_t ASize) {
    FuzzedDataProvider input(AData, ASize);
    if (input.ConsumeBool()) {
        const TDevScript script = ReadComposerDevScript(input.ConsumeRemainingBytesAsString());
        for (const TDevCommand& command : script.Commands)
            Check(!command.CommandLine.empty() && !command.Name.empty(), "a command read is never empty");
        return 0;
    }
    std::vector<TDevCommand> expected;
    std::string line = "npx concurrently -k";
    std::string names;
    while (input.remaining_bytes() > 0 && expected.size() < 6) {
        const std::string command = TrimBlanks(input.ConsumeRandomLengthString(80), " \t\r\n");
        std::string name = input.ConsumeRandomLengthString(20);
        // A command is a line to run, never an option of the runner; a name holds no
        // separator and no blank at its ends.
        if (command.empty() || command[0] == '-' || command.find('\0') != std::string::npos) return 0;
        if (name.find(',') != std::string::npos || name.find('\0') != std::string::npos) return 0;
        name = TrimBlanks(name, " \t");
        line += " " + platform::PosixShellWord(command);
        names += (expected.empty() ? "" : ",") + name;
        expected.push_back({name.empty() ? command : name, command});
    }
    if (expected.empty()) return 0;
    line += " --names=" + platform::PosixShellWord(names);
    nlohmann::json composer;
    composer["scripts"]["dev"] = nlohmann::json::array({"Composer\\Config::disableProcessTimeout", line});
    std::string text;
    try {
        text = composer.dump();
    } catch (const nlohmann::json::exception&) {
        return 0;  // not UTF-8: no composer.json can hold it
    }
    const TDevScript script = ReadComposerDevScript(text);
    Check(script.Problem.empty(), "a well-formed line reads without a problem");
    Check(script.Commands == expected, "the commands and names read back as written");
    return 0;
}
