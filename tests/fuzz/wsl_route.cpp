// The WSL route's settings and typed values, with the real /bin/sh as the
// distribution's shell.
//
// Input: a distribution, a folder, an environment value and up to four values typed
// after "php artisan" (each up to a "\" and one more byte).
//
// Oracles: settings WslSettingsProblem refuses make RouteCommandLine throw; settings it
// takes give "wsl.exe -d <distribution> --cd "<folder>" -- " and then a command without
// a character cmd.exe would read outside its quotes, which /bin/sh runs as the stand-in
// php with exactly the typed values and the environment value. Any Windows path read by
// WslPathOf gives an absolute path.
#include <fuzzer/FuzzedDataProvider.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "components/Exception.h"
#include "components/ProjectTools.h"
#include "platform/ShellQuote.h"
#include "platform/ToolSearch.h"

namespace {

namespace fs = std::filesystem;
using fuzz::Check;

// A folder whose bin holds a php that prints its arguments and then TW, each ended by a
// NUL byte.
const fs::path& Scratch() {
    static const fs::path folder = [] {
        const fs::path path = fuzz::ScratchFolder() / ("tarnwick-fuzz-wsl-" + std::to_string(::getpid()));
        fs::create_directories(path / "bin");
        std::ofstream(path / "bin" / "php") << "#!/bin/sh\nprintf '%s\\0' \"$@\" \"$TW\"\n";
        ::chmod((path / "bin" / "php").c_str(), 0755);
        return path;
    }();
    return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* AData, std::size_t ASize) {
    FuzzedDataProvider input(AData, ASize);
    TProjectTools tools;
    tools.Route = TProjectTools::TRoute::Wsl;
    tools.WslDistribution = input.ConsumeRandomLengthString(40);
    tools.WslFolder = input.ConsumeRandomLengthString(80);
    const std::string value = input.ConsumeRandomLengthString(80);
    if (const auto path = WslPathOf(tools.WslFolder)) Check(!path->empty() && (*path)[0] == '/', "a WSL path is absolute");

    std::vector<std::string> words;
    std::string typed = "php artisan";
    while (input.remaining_bytes() > 0 && words.size() < 4) {
        const std::string word = input.ConsumeRandomLengthString(60);
        const auto quoted = platform::QuoteArgument(word);
        if (!quoted) return 0;
        words.push_back(word);
        typed += " " + *quoted;
    }
    const bool withValue = value.find_first_of(std::string("\0\r\n", 3)) == std::string::npos;
    if (withValue) tools.Environment = {"TW=" + value};

    std::string line;
    try {
        line = RouteCommandLine(tools, typed);
    } catch (const Exception&) {
        Check(!WslSettingsProblem(tools).empty(), "only refused settings throw");
        return 0;
    }
    Check(WslSettingsProblem(tools).empty(), "refused settings never give a line");
    const std::size_t split = line.find("\" -- ");
    Check(line.rfind("wsl.exe -d ", 0) == 0 && split != std::string::npos, "the line starts with the wsl.exe call");
    const std::string command = line.substr(split + 5);
    // Outside double quotes nothing cmd.exe reads; an encoded command keeps them in quotes.
    bool quoted = false;
    for (const char c : command) {
        if (c == '"') quoted = !quoted;
        else if (!quoted) Check(std::string("&|<>^%!()\r\n").find(c) == std::string::npos, "cmd.exe reads nothing");
    }
    std::string expected = "artisan";
    expected += '\0';
    for (const std::string& word : words) expected += word + '\0';
    expected += (withValue ? value : std::string()) + '\0';
    const std::string output = fuzz::ShellOutput("PATH=" + platform::PosixShellWord((Scratch() / "bin").string()) +
                                                 ":$PATH; cd " + platform::PosixShellWord(Scratch().string()) + " && " +
                                                 command);
    if (output != expected) {
        std::fprintf(stderr, "line: %s\n", line.c_str());
        Check(false, "the distribution's shell runs php with other values");
    }
    return 0;
}
