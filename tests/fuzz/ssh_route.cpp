// The SSH route's settings, run by the real /bin/sh.
//
// Input: a host, a port, a folder name and an identity file name (each up to a "\" and
// one more byte).
//
// Oracles: settings SshSettingsProblem refuses make RouteCommandLine throw that very
// message; settings it takes give a line that /bin/sh hands to the client (a stand-in
// that writes down its arguments) as exactly SshArguments, with nothing before "--" that
// the settings did not put there and the host after it; the host's command, run by
// /bin/sh, changes to a folder of that name and runs only the command.
#include <fuzzer/FuzzedDataProvider.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "components/Exception.h"
#include "components/ProjectTools.h"

namespace {

namespace fs = std::filesystem;
using fuzz::Check;

const fs::path& Scratch() {
    static const fs::path folder = [] {
        const fs::path path = fuzz::ScratchFolder() / ("tarnwick-fuzz-ssh-" + std::to_string(::getpid()));
        fs::create_directories(path / "bin");
        fs::create_directories(path / "remote");
        std::ofstream(path / "bin" / "ssh") << "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\0' \"$a\"; done\n";
        ::chmod((path / "bin" / "ssh").c_str(), 0755);
        return path;
    }();
    return folder;
}

std::string Sh(const std::string& AWord) {
    std::string quoted = "'";
    for (const char c : AWord) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

std::string Output(const std::string& ALine) {
    FILE* pipe = ::popen(ALine.c_str(), "r");
    std::string output;
    char buffer[4096];
    // libFuzzer's timer signal may cut a read short: read on until the end.
    for (;;) {
        const std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe);
        if (n > 0) {
            output.append(buffer, n);
        } else if (std::ferror(pipe) && errno == EINTR) {
            std::clearerr(pipe);
        } else {
            break;
        }
    }
    ::pclose(pipe);
    return output;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    TProjectTools tools;
    tools.Route = TProjectTools::TRoute::Ssh;
    tools.SshHost = input.ConsumeRandomLengthString(64);
    tools.SshPort = input.ConsumeRandomLengthString(8);
    // The folder: one name under the scratch folder, made for real.
    std::string name;
    for (const char c : input.ConsumeRandomLengthString(64))
        if (c != '/' && c != '\0') name += c;
    if (name.empty() || name == "." || name == "..") name = "x";
    tools.SshFolder = (Scratch() / "remote" / name).string();
    tools.SshIdentity = input.ConsumeRemainingBytesAsString();

    const std::string problem = SshSettingsProblem(tools);
    if (!problem.empty()) {
        bool thrown = false;
        try {
            RouteCommandLine(tools, "php -v");
        } catch (const Exception& error) {
            thrown = problem == error.what();
        }
        Check(thrown, "refused settings throw their message");
        return 0;
    }

    const std::vector<std::string> expected = SshArguments(tools, "pwd");
    const std::string line = SshCommandLine(tools, "pwd");
    const fs::path script = Scratch() / "run.sh";
    std::ofstream(script, std::ios::trunc | std::ios::binary) << line << "\n";
    const std::string recordedText =
        Output("cd " + Sh(Scratch().string()) + " && PATH=" + Sh((Scratch() / "bin").string()) +
               ":/usr/bin:/bin /bin/sh run.sh 2>/dev/null");
    std::vector<std::string> recorded;
    std::istringstream words(recordedText);
    for (std::string word; std::getline(words, word, '\0');) recorded.push_back(word);
    Check(recorded == std::vector<std::string>(expected.begin() + 1, expected.end()),
          "the client gets exactly the route's arguments");
    const auto dashes = std::find(recorded.begin(), recorded.end(), "--");
    Check(dashes != recorded.end() && dashes + 3 == recorded.end(), "host and command follow \"--\"");
    Check(!dashes[1].empty() && dashes[1][0] != '-', "the host is no option");

    std::error_code ignored;
    fs::create_directory(tools.SshFolder, ignored);
    const std::string pwd = Output("cd " + Sh(Scratch().string()) + " && /bin/sh -c " + Sh(recorded.back()));
    Check(pwd == tools.SshFolder + "\n", "the host's command runs in the folder as named");
    fs::remove_all(Scratch() / "remote", ignored);
    fs::create_directories(Scratch() / "remote");
    return 0;
}
