// Routing a php, artisan or composer line through the project's tools, run by the real
// /bin/sh.
//
// Input: the route (one byte), whether an environment line is set, a PHP program name, a
// Composer program name, a Compose service and an environment value (each up to a "\"
// and one more byte), then up to eight values typed after the command, each quoted as
// the program quotes a value.
//
// Oracles: the routed line, run by /bin/sh in a scratch project, starts exactly the
// program the tools name (a link of that name to a script that prints what it gets:
// its name, its arguments and the variable, each ended by a NUL byte), with the arguments the route adds, then
// the typed values, and the environment value arrives byte for byte (without the line
// ends at its end, where an environment line ends). Sail runs the
// project's ./vendor/bin/sail; Compose runs docker (a script on the PATH here) with the
// service named.
#include <fuzzer/FuzzedDataProvider.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "components/ProjectTools.h"
#include "platform/ShellQuote.h"
#include "platform/ToolSearch.h"

namespace {

namespace fs = std::filesystem;
using fuzz::Check;

// Prints its name, its arguments and then the variable, each ended by a NUL byte.
constexpr const char* kPrinter = "#!/bin/sh\nprintf '%s\\0' \"$0\" \"$@\" \"$TARNWICK_FUZZ\"\n";

// The scratch project: the printer, vendor/bin/sail and bin/docker linked to it.
const fs::path& Project() {
    static const fs::path project = [] {
        const fs::path folder = fuzz::ScratchFolder() / ("tarnwick-fuzz-route-" + std::to_string(::getpid()));
        fs::create_directories(folder / "vendor" / "bin");
        fs::create_directories(folder / "bin");
        fs::create_directories(folder / "programs");
        std::ofstream(folder / "printer") << kPrinter;
        ::chmod((folder / "printer").c_str(), 0755);
        fs::create_symlink(folder / "printer", folder / "vendor" / "bin" / "sail");
        fs::create_symlink(folder / "printer", folder / "bin" / "docker");
        return folder;
    }();
    return project;
}

// A file name from fuzzed bytes: no "/" or NUL, no blanks at its ends, not "." or "..".
std::string FileNameFrom(std::string AText, const char* AFallback) {
    std::string name;
    for (const char c : AText)
        if (c != '/' && c != '\0') name += c;
    const auto first = name.find_first_not_of(" \t\r\n");
    name = first == std::string::npos ? "" : name.substr(first, name.find_last_not_of(" \t\r\n") - first + 1);
    return name.empty() || name == "." || name == ".." ? AFallback : name;
}

// A program of that name in the project's programs folder, linked to the printer.
std::string Program(const std::string& AName) {
    const fs::path link = Project() / "programs" / AName;
    std::error_code ignored;
    fs::remove(link, ignored);
    fs::create_symlink(Project() / "printer", link, ignored);
    Check(!ignored, "the program link could not be made");
    return link.string();
}

std::string Printed(const std::vector<std::string>& AArguments, const std::string& AValue) {
    std::string printed;
    for (const std::string& argument : AArguments) printed += argument + '\0';
    return printed + AValue + '\0';
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    TProjectTools tools;
    tools.Route = static_cast<TProjectTools::TRoute>(input.ConsumeIntegralInRange<int>(0, 2));
    const bool withEnvironment = input.ConsumeBool();
    const std::string phpName = FileNameFrom(input.ConsumeRandomLengthString(60), "php");
    std::string composerName = FileNameFrom(input.ConsumeRandomLengthString(60), "composer");
    std::string service = input.ConsumeRandomLengthString(60);
    const std::string value = input.ConsumeRandomLengthString(200);
    if (value.find('\0') != std::string::npos || service.find('\0') != std::string::npos) return 0;

    // The values typed after the command, each quoted as the program quotes a value.
    std::vector<std::string> words;
    std::string rest;
    while (input.remaining_bytes() > 0 && words.size() < 8) {
        const std::string word = input.ConsumeRandomLengthString(100);
        const std::optional<std::string> quoted = platform::QuoteArgument(word);
        if (!quoted) return 0;
        words.push_back(word);
        rest += " " + *quoted;
    }

    const bool projectPhar = composerName == TProjectTools::kProjectComposerPhar;
    tools.PhpProgram = Program(phpName);
    tools.ComposerProgram = projectPhar ? composerName : Program(composerName == phpName ? composerName + "-c" : composerName);
    tools.ComposeService = service;
    if (withEnvironment) tools.Environment = {"TARNWICK_FUZZ=" + value};
    // An environment line ends at its line ends.
    std::string arriving = withEnvironment ? value : std::string();
    while (!arriving.empty() && (arriving.back() == '\r' || arriving.back() == '\n')) arriving.pop_back();

    const std::string trimmedService = [&] {
        const auto first = service.find_first_not_of(" \t\r\n");
        return first == std::string::npos ? std::string("laravel.test")
                                           : service.substr(first, service.find_last_not_of(" \t\r\n") - first + 1);
    }();
    const std::string sail = "./vendor/bin/sail";
    const std::string docker = (Project() / "bin" / "docker").string();
    // One shell runs the routed lines one after the other: each line's records follow
    // the previous line's.
    std::string script = "PATH=" + platform::PosixShellWord((Project() / "bin").string()) + ":$PATH; cd " +
                         platform::PosixShellWord(Project().string()) + " || exit 1\n";
    std::string expectedOutput;

    const struct {
        std::string line;
        std::string tool;  // the tool's word after a Sail or Compose route
        std::vector<std::string> direct;
    } cases[] = {
        {"php artisan" + rest, "artisan", {tools.PhpProgram, "artisan"}},
        {"php" + rest, "php", {tools.PhpProgram}},
        {"composer" + rest, "composer",
         projectPhar ? std::vector<std::string>{tools.PhpProgram, "composer.phar"}
                     : std::vector<std::string>{tools.ComposerProgram}},
    };
    for (const auto& c : cases) {
        // "php artisan ..." typed as php and a first value "artisan" is the artisan case.
        if (c.tool == "php" && !words.empty() && words.front() == "artisan") continue;
        std::vector<std::string> expected;
        if (tools.Route == TProjectTools::TRoute::Direct) {
            expected = c.direct;
        } else if (tools.Route == TProjectTools::TRoute::Sail) {
            expected = {sail, c.tool};
        } else {
            // The container gets the variable as an "-e" of the exec, not from docker's
            // own environment.
            expected = {docker, "compose", "exec", "-T"};
            if (withEnvironment) expected.insert(expected.end(), {"-e", "TARNWICK_FUZZ=" + arriving});
            expected.push_back(trimmedService);
            if (c.tool == "artisan") expected.insert(expected.end(), {"php", "artisan"});
            else expected.push_back(c.tool);
        }
        expected.insert(expected.end(), words.begin(), words.end());
        script += RouteCommandLine(tools, c.line) + "\n";
        expectedOutput += Printed(expected, tools.Route == TProjectTools::TRoute::Compose ? std::string() : arriving);
    }
    if (fuzz::ShellOutput(script) != expectedOutput) {
        std::fprintf(stderr, "script:\n%s\n", script.c_str());
        Check(false, "the routed lines give other values");
    }
    return 0;
}
