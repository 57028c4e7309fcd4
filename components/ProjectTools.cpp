#include "components/ProjectTools.h"

#include "components/Exception.h"
#include "components/JobStop.h"
#include "components/RunRequest.h"
#include "components/ToolRead.h"
#include "components/TextRules.h"
#include "platform/AtomicFile.h"
#include "platform/PrivateProfileText.h"
#include "platform/RegularFile.h"
#include "platform/ShellQuote.h"
#include "platform/ToolSearch.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <map>

#include <nlohmann/json.hpp>
#include <sstream>

namespace {

bool StartsWith(const std::string& AText, const std::string& APrefix) {
    return AText.compare(0, APrefix.size(), APrefix) == 0;
}

// A setting without blanks or line ends around it.
std::string Trimmed(std::string_view AText) { return TrimBlanks(AText, " \t\r\n"); }

// The program word for a PHP or Composer setting: blank means the default name.
std::string ProgramWord(const std::string& AProgram, const char* ADefault) {
    const std::string program = Trimmed(AProgram);
    return platform::ShellProgramWord(program.empty() ? std::string(ADefault) : program);
}

// A program word for the POSIX shell on an SSH host, the way ShellProgramWord writes one
// for /bin/sh.
std::string RemoteProgramWord(const std::string& AProgram, const char* ADefault) {
    const std::string program = Trimmed(AProgram).empty() ? std::string(ADefault) : Trimmed(AProgram);
    const std::string word = platform::PosixShellWord(program);
    return word == program && program.find('=') != std::string::npos ? "'" + program + "'" : word;
}

bool IsProjectComposerPhar(const std::string& AProgram) {
    return Trimmed(AProgram) == TProjectTools::kProjectComposerPhar;
}

// Assignments before the program word in the interpreter's own form: unlike
// "env NAME=value program", they run a program whose path holds a "=" (the program word
// is quoted then, see ShellProgramWord). A value the interpreter cannot carry makes the
// whole line one that says so and fails, rather than a run without it or with it changed.
std::string EnvironmentPrefix(const std::vector<std::string>& AEnvironment, bool& ARefused) {
    std::string prefix;
    ARefused = false;
    for (const std::string& line : AEnvironment) {
        const auto pair = SplitEnvironmentLine(line);
        if (!pair) continue;
        const auto assignment = platform::EnvironmentAssignment(pair->first, pair->second);
        if (!assignment) {
            ARefused = true;
            return platform::FailingLine("Not run: the command interpreter cannot take the value of the environment variable " +
                                         pair->first + " as it is written; change it in the project's tools.");
        }
        prefix += *assignment;
    }
    return prefix;
}

bool HasLineBreakOrNul(const std::string& AText) {
    return AText.find_first_of(std::string("\r\n\0", 3)) != std::string::npos;
}

// A value as the message that refuses it shows it: control characters (a NUL byte would
// cut the message short) as "?".
std::string Shown(const std::string& AValue) {
    std::string shown = AValue;
    for (char& c : shown)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = '?';
    return shown;
}

bool IsAsciiAlnum(char AChar) { return std::isalnum(static_cast<unsigned char>(AChar)) != 0; }

// A user or host name the client reads as nothing but a name: letters, digits and
// ".-_" (a host may also be an address with ":" inside "[...]"), not starting with "-".
bool IsPlainName(const std::string& AName, std::string_view AAlsoAllowed) {
    if (AName.empty() || AName[0] == '-') return false;
    return std::all_of(AName.begin(), AName.end(), [&](char c) {
        return IsAsciiAlnum(c) || c == '.' || c == '-' || c == '_' ||
               AAlsoAllowed.find(c) != std::string_view::npos;
    });
}

bool IsUsableHost(const std::string& AHost) {
    const auto at = AHost.find('@');
    const std::string user = at == std::string::npos ? std::string() : AHost.substr(0, at);
    std::string host = at == std::string::npos ? AHost : AHost.substr(at + 1);
    if (at != std::string::npos && !IsPlainName(user, {})) return false;
    if (host.size() > 2 && host.front() == '[' && host.back() == ']') return IsPlainName(host.substr(1, host.size() - 2), ":");
    return IsPlainName(host, {});
}

// The direct route's line for ATool ("artisan", "php" or "composer") on an SSH host.
std::string RemoteRoutedLine(const TProjectTools& ATools, const std::string& ATool, const std::string& ARest) {
    const std::string php = RemoteProgramWord(ATools.PhpProgram, "php");
    if (ATool == "artisan") return php + " artisan" + ARest;
    if (ATool == "php") return php + ARest;
    if (IsProjectComposerPhar(ATools.ComposerProgram)) return php + " composer.phar" + ARest;
    return RemoteProgramWord(ATools.ComposerProgram, "composer") + ARest;
}

std::vector<int> VersionParts(const std::string& AVersion) {
    std::vector<int> parts;
    std::size_t i = 0;
    while (i < AVersion.size() && std::isdigit(static_cast<unsigned char>(AVersion[i]))) {
        int value = 0;
        while (i < AVersion.size() && std::isdigit(static_cast<unsigned char>(AVersion[i])))
            value = std::min(value * 10 + (AVersion[i++] - '0'), 1000000);
        parts.push_back(value);
        if (i < AVersion.size() && AVersion[i] == '.') ++i; else break;
    }
    return parts;
}

int Compare(std::vector<int> A, std::vector<int> B) {
    const std::size_t size = std::max(A.size(), B.size());
    A.resize(size);
    B.resize(size);
    return A < B ? -1 : (A == B ? 0 : 1);
}

// One term of a constraint ("^8.1", ">=7.3", "8.2.*"); nothing when it cannot be read.
std::optional<bool> TermSatisfied(const std::vector<int>& AVersion, std::string ATerm) {
    if (ATerm == "*") return true;
    std::string op;
    for (const char* candidate : {">=", "<=", "!=", "==", "^", "~", ">", "<", "="})
        if (StartsWith(ATerm, candidate)) {
            op = candidate;
            break;
        }
    std::string number = Trimmed(ATerm.substr(op.size()));
    if (!number.empty() && (number[0] == 'v' || number[0] == 'V')) number.erase(0, 1);
    bool wildcard = false;
    if (number.size() >= 2 && (StartsWith(number.substr(number.size() - 2), ".*") ||
                               StartsWith(number.substr(number.size() - 2), ".x"))) {
        wildcard = true;
        number.resize(number.size() - 2);
    }
    const std::vector<int> bound = VersionParts(number);
    if (bound.empty()) return std::nullopt;
    const int cmp = Compare(AVersion, bound);
    // The first version past the last part given: 8.2.* and 8.2 both end before 8.3.
    auto Next = [](std::vector<int> parts, std::size_t AKeep) {
        parts.resize(AKeep);
        ++parts.back();
        return parts;
    };
    if (wildcard || op.empty() || op == "=" || op == "==") {
        if (!wildcard && (op == "=" || op == "==" || bound.size() >= 3)) return cmp == 0;
        return cmp >= 0 && Compare(AVersion, Next(bound, bound.size())) < 0;
    }
    if (op == ">=") return cmp >= 0;
    if (op == ">") return cmp > 0;
    if (op == "<=") return cmp <= 0;
    if (op == "<") return cmp < 0;
    if (op == "!=") return cmp != 0;
    if (op == "^") {
        std::size_t keep = 1;
        while (keep < bound.size() && bound[keep - 1] == 0) ++keep;
        return cmp >= 0 && Compare(AVersion, Next(bound, keep)) < 0;
    }
    // "~8.1.0": at least 8.1.0, below 8.2; "~8.1": below 9.
    const std::size_t keep = bound.size() == 1 ? 1 : bound.size() - 1;
    return cmp >= 0 && Compare(AVersion, Next(bound, keep)) < 0;
}

}  // namespace

std::string RouteName(TProjectTools::TRoute ARoute) {
    switch (ARoute) {
    case TProjectTools::TRoute::Sail: return "sail";
    case TProjectTools::TRoute::Compose: return "compose";
    case TProjectTools::TRoute::Ssh: return "ssh";
    case TProjectTools::TRoute::Wsl: return "wsl";
    case TProjectTools::TRoute::Direct: break;
    }
    return "direct";
}

TProjectTools::TRoute RouteFromName(const std::string& AName) {
    const std::string name = LowerAscii(Trimmed(AName));
    if (name == "sail") return TProjectTools::TRoute::Sail;
    if (name == "compose") return TProjectTools::TRoute::Compose;
    if (name == "ssh") return TProjectTools::TRoute::Ssh;
    if (name == "wsl") return TProjectTools::TRoute::Wsl;
    return TProjectTools::TRoute::Direct;
}

std::optional<std::pair<std::string, std::string>> SplitEnvironmentLine(const std::string& ALine) {
    std::string line = ALine;
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.pop_back();
    const auto start = line.find_first_not_of(" \t");
    if (start == std::string::npos) return std::nullopt;
    line.erase(0, start);
    const auto equals = line.find('=');
    if (equals == std::string::npos || equals == 0) return std::nullopt;
    const std::string name = line.substr(0, equals);
    if (std::isdigit(static_cast<unsigned char>(name[0]))) return std::nullopt;
    for (const char c : name)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_') return std::nullopt;
    return std::make_pair(name, line.substr(equals + 1));
}

const char* const kSshArtisanFound = "artisan: found";
const char* const kSshArtisanMissing = "artisan: missing";
const char* const kSshArtisanProbe =
    "if test -f artisan; then echo 'artisan: found'; else echo 'artisan: missing'; fi";

std::string SshSettingsProblem(const TProjectTools& ATools) {
    const std::string host = Trimmed(ATools.SshHost);
    if (host.empty()) return "Enter the SSH host as user@host.";
    if (!IsUsableHost(host))
        return "The SSH host \"" + Shown(host) +
               "\" cannot be used: write it as user@host with letters, digits, \".\", \"-\" and \"_\", not "
               "starting with \"-\".";
    const std::string port = Trimmed(ATools.SshPort);
    if (!port.empty()) {
        const bool digits = port.size() <= 5 && std::all_of(port.begin(), port.end(), [](char c) {
                                return std::isdigit(static_cast<unsigned char>(c)) != 0;
                            });
        if (!digits || std::stoi(port) < 1 || std::stoi(port) > 65535)
            return "The SSH port \"" + Shown(port) + "\" cannot be used: enter a number from 1 to 65535.";
    }
    if (Trimmed(ATools.SshFolder).empty()) return "Enter the project's folder on the SSH host.";
    if (HasLineBreakOrNul(ATools.SshFolder)) return "The folder on the SSH host cannot hold a line break.";
    if (HasLineBreakOrNul(ATools.SshIdentity)) return "The identity file's name cannot hold a line break.";
    // The client looks for the file as named but then reads "%" as the start of a token.
    if (ATools.SshIdentity.find('%') != std::string::npos)
        return "The identity file's name cannot hold \"%\": rename the file or choose it from another folder.";
    if (ATools.SshConnectTimeout < 1) return "The SSH connection time limit must be at least one second.";
    for (const std::string& option : ATools.SshOptions) {
        const auto equals = option.find('=');
        const bool named = equals != std::string::npos && equals > 0 &&
                           std::all_of(option.begin(), option.begin() + long(equals), IsAsciiAlnum);
        if (!named || HasLineBreakOrNul(option))
            return "The SSH option \"" + Shown(option) + "\" cannot be used: write it as Name=value on one line.";
    }
    return {};
}

std::vector<std::string> SshArguments(const TProjectTools& ATools, const std::string& ARemoteCommand,
                                      bool ATerminal) {
    const std::string problem = SshSettingsProblem(ATools);
    if (!problem.empty()) throw Exception(problem);
    std::vector<std::string> arguments = {"ssh", "-o", "BatchMode=yes", "-o",
                                          "ConnectTimeout=" + std::to_string(ATools.SshConnectTimeout)};
    for (const std::string& option : ATools.SshOptions) {
        arguments.push_back("-o");
        arguments.push_back(option);
    }
    if (!Trimmed(ATools.SshPort).empty()) {
        arguments.push_back("-p");
        arguments.push_back(Trimmed(ATools.SshPort));
    }
    if (!Trimmed(ATools.SshIdentity).empty()) {
        arguments.push_back("-i");
        arguments.push_back(Trimmed(ATools.SshIdentity));
    }
    if (ATerminal) arguments.push_back("-tt");
    arguments.push_back("--");
    arguments.push_back(Trimmed(ATools.SshHost));
    // Without a terminal on the host nothing ends the command when the connection goes
    // (a stopped run, a lost network): a watcher beside it ends the command's process
    // group (the client's session there) once the server process it belongs to is gone.
    // The command keeps the connection's input through descriptor 3, since a command
    // started with "&" would read nothing otherwise.
    const std::string guarded =
        ATerminal ? ARemoteCommand
                  : "exec 3<&0; { " + ARemoteCommand +
                        "\n} <&3 3<&- & c=$!; exec 3<&-; "
                        "{ trap '' TERM; while kill -0 $PPID; do sleep 1; done; kill -TERM 0; sleep 2; kill -KILL 0; } "
                        "</dev/null >/dev/null 2>&1 & w=$!; wait $c; r=$?; kill -KILL $w; exit $r";
    // "~/" stays outside the quotes, so that the host's shell reads it as the home folder.
    const std::string& folder = ATools.SshFolder;
    const std::string folderWord = folder.rfind("~/", 0) == 0 ? "~/" + platform::PosixShellWord(folder.substr(2))
                                                              : platform::PosixShellWord(folder);
    arguments.push_back("cd -- " + folderWord + " && { " + guarded + "\n}");
    return arguments;
}

std::string SshCommandLine(const TProjectTools& ATools, const std::string& ARemoteCommand, bool ATerminal) {
    std::string line;
    for (const std::string& argument : SshArguments(ATools, ARemoteCommand, ATerminal)) {
        const auto word = platform::QuoteArgument(argument);
        if (!word) throw Exception("An SSH setting holds a character no command line can carry.");
        line += (line.empty() ? "" : " ") + *word;
    }
    return line;
}

std::string WslSettingsProblem(const TProjectTools& ATools) {
    const std::string distribution = Trimmed(ATools.WslDistribution);
    if (distribution.empty()) return "Enter the WSL distribution.";
    if (distribution[0] == '-' || distribution.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"
                                                                 "0123456789._-") != std::string::npos)
        return "The WSL distribution \"" + Shown(distribution) +
               "\" can hold only letters, digits, \".\", \"-\" and \"_\", and cannot start with \"-\".";
    const std::string folder = Trimmed(ATools.WslFolder);
    if (folder.empty()) return "Enter the project's folder inside the WSL distribution.";
    if (folder[0] != '/' && folder[0] != '~')
        return "The folder inside the WSL distribution must start with \"/\" or \"~\".";
    if (folder.find_first_of(std::string("\"%\\\r\n\0", 6)) != std::string::npos)
        return "The folder inside the WSL distribution cannot hold a double quote, \"%\", a backslash or a line break.";
    return {};
}

std::string WslCommandLine(const TProjectTools& ATools, const std::string& ARemoteCommand) {
    const std::string problem = WslSettingsProblem(ATools);
    if (!problem.empty()) throw Exception(problem);
    std::string command = ARemoteCommand;
    if (command.find_first_of(std::string("&|<>^%!()\"\r\n\0", 14)) != std::string::npos) {
        static const char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
        std::string encoded;
        for (std::size_t i = 0; i < command.size(); i += 3) {
            const std::size_t n = std::min<std::size_t>(3, command.size() - i);
            unsigned value = 0;
            for (std::size_t k = 0; k < 3; ++k)
                value = value << 8 | (k < n ? static_cast<unsigned char>(command[i + k]) : 0u);
            for (std::size_t k = 0; k < 4; ++k) encoded += k <= n ? kDigits[(value >> (18 - 6 * k)) & 63] : '=';
        }
        command = "eval \"$(echo " + encoded + " | base64 -d)\"";
    }
    return "wsl.exe -d " + Trimmed(ATools.WslDistribution) + " --cd \"" + Trimmed(ATools.WslFolder) + "\" -- " + command;
}

std::optional<std::string> WslPathOf(const std::string& AWindowsPath) {
    std::string path = Trimmed(AWindowsPath);
    std::replace(path.begin(), path.end(), '/', '\\');
    if (path.size() >= 2 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':' &&
        (path.size() == 2 || path[2] == '\\')) {
        std::string result = "/mnt/" + std::string(1, static_cast<char>(std::tolower(static_cast<unsigned char>(path[0]))));
        std::string rest = path.substr(2);
        std::replace(rest.begin(), rest.end(), '\\', '/');
        while (rest.size() > 1 && rest.back() == '/') rest.pop_back();
        return rest == "/" ? result : result + rest;
    }
    for (const std::string prefix : {"\\\\wsl$\\", "\\\\wsl.localhost\\"}) {
        if (LowerAscii(path.substr(0, prefix.size())) != prefix) continue;
        const auto slash = path.find('\\', prefix.size());
        if (slash == std::string::npos) return std::string("/");
        std::string rest = path.substr(slash);
        std::replace(rest.begin(), rest.end(), '\\', '/');
        while (rest.size() > 1 && rest.back() == '/') rest.pop_back();
        return rest;
    }
    return std::nullopt;
}

std::string SshProbeSummary(int AExitCode, const std::string& AOutput) {
    if (AOutput.find(kSshArtisanFound) != std::string::npos)
        return "The host answers and the folder holds artisan.";
    if (AOutput.find(kSshArtisanMissing) != std::string::npos)
        return "The host answers, but the folder holds no artisan file.";
    if (AExitCode == 255 || AExitCode < 0) return "The host does not answer or refused the connection.";
    return "The host answers, but the folder cannot be used.";
}

namespace {

// The tool's word in the routing below.
const char* ToolWord(TRunRequest::TTool ATool) {
    switch (ATool) {
    case TRunRequest::TTool::Artisan:
        return "artisan";
    case TRunRequest::TTool::Php:
        return "php";
    case TRunRequest::TTool::Composer:
        return "composer";
    case TRunRequest::TTool::Shell:
        break;
    }
    return "";
}

// The variables of a tool's run: the tools' lines in order (a later line wins), then the
// request's own. Nothing, and ARefusal says why, when a name or value cannot reach a
// program.
std::map<std::string, std::string> RunEnvironment(const TRunRequest& ARequest, const TProjectTools& ATools,
                                                  std::string& ARefusal) {
    std::map<std::string, std::string> environment;
    if (ARequest.IsTool())
        for (const std::string& line : ATools.Environment)
            if (const auto pair = SplitEnvironmentLine(line)) environment[pair->first] = pair->second;
    for (const auto& [name, value] : ARequest.Environment) environment[name] = value;
    for (const auto& [name, value] : environment) {
        if (name.find('=') != std::string::npos || !SplitEnvironmentLine(name + "=")) {
            ARefusal = "Not run: \"" + Shown(name) + "\" is not a name of an environment variable.";
            return {};
        }
        if (value.find('\0') != std::string::npos) {
            ARefusal = "Not run: the command interpreter cannot take the value of the environment variable " +
                       name + " as it is written; change it in the project's tools.";
            return {};
        }
    }
    return environment;
}

// The environment in front of a line, for people: the interpreter's own assignments, or
// NAME=value where the interpreter could not write the value.
std::string ShownEnvironment(const std::map<std::string, std::string>& AEnvironment) {
    std::string shown;
    for (const auto& [name, value] : AEnvironment) {
        const auto assignment = platform::EnvironmentAssignment(name, value);
        shown += assignment ? *assignment : name + "=" + Shown(value) + " ";
    }
    return shown;
}

}  // namespace

TRoutedRun RouteRequest(const TRunRequest& ARequest, const TProjectTools& ATools) {
    TRoutedRun run;
    run.Folder = ARequest.Folder;
    std::string refusal;
    std::map<std::string, std::string> environment = RunEnvironment(ARequest, ATools, refusal);
    if (!refusal.empty()) {
        run.CommandLine = run.ShownLine = platform::FailingLine(refusal);
        return run;
    }
    const std::string tool = ToolWord(ARequest.Tool);
    const std::string rest = ARequest.Arguments.empty() ? std::string() : " " + ARequest.Arguments;

    // Over SSH and WSL the program runs in a shell on the other side: the variables are
    // set there, as that shell's assignments in front of the program.
    if (ARequest.IsTool() && (ATools.Route == TProjectTools::TRoute::Ssh || ATools.Route == TProjectTools::TRoute::Wsl)) {
        std::string remote;
        for (const auto& [name, value] : environment) remote += name + "=" + platform::PosixShellWord(value) + " ";
        remote += RemoteRoutedLine(ATools, tool, rest);
        run.CommandLine = ATools.Route == TProjectTools::TRoute::Ssh ? SshCommandLine(ATools, remote)
                                                                      : WslCommandLine(ATools, remote);
        run.ShownLine = run.CommandLine;
        return run;
    }

    switch (ARequest.IsTool() ? ATools.Route : TProjectTools::TRoute::Direct) {
    case TProjectTools::TRoute::Sail:
        // The Sail script reads its own settings (APP_SERVICE, SAIL_XDEBUG_MODE, ...) from
        // its environment, so the variables go to it as to any process.
        run.CommandLine = "./vendor/bin/sail " + tool + rest;
        break;
    case TProjectTools::TRoute::Compose: {
        // The program runs in the container, which does not inherit docker's environment:
        // each variable is an "-e NAME=value" of the exec.
        const std::string service = Trimmed(ATools.ComposeService);
        std::string options;
        for (const auto& [name, value] : environment) {
            const auto word = platform::QuoteArgument(name + "=" + value);
            if (!word) {
                run.CommandLine = run.ShownLine = platform::FailingLine(
                    "Not run: the command interpreter cannot take the value of the environment variable " + name +
                    " as it is written; change it in the project's tools.");
                return run;
            }
            options += " -e " + *word;
        }
        environment.clear();
        run.CommandLine = "docker compose exec -T" + options + " " +
                          platform::ShellProgramWord(service.empty() ? "laravel.test" : service) + " " +
                          (tool == "artisan" ? "php artisan" : tool) + rest;
        break;
    }
    case TProjectTools::TRoute::Ssh:  // routed above
    case TProjectTools::TRoute::Wsl:
    case TProjectTools::TRoute::Direct: {
        const std::string php = ProgramWord(ATools.PhpProgram, "php");
        if (!ARequest.IsTool())
            run.CommandLine = ARequest.Arguments;  // a typed line runs as typed
        else if (tool == "artisan")
            run.CommandLine = php + " artisan" + rest;
        else if (tool == "php")
            run.CommandLine = php + rest;
        else if (IsProjectComposerPhar(ATools.ComposerProgram))
            run.CommandLine = php + " composer.phar" + rest;
        else
            run.CommandLine = ProgramWord(ATools.ComposerProgram, "composer") + rest;
        break;
    }
    }
    run.Environment = std::move(environment);
    run.ShownLine = ShownEnvironment(run.Environment) + run.CommandLine;
    return run;
}

std::string RouteCommandLine(const TProjectTools& ATools, const std::string& ALine) {
    const TRunRequest request = TRunRequest::FromTyped(ALine, {});
    if (!request.IsTool()) return ALine;
    // Routes that set the variables elsewhere give their line as it is.
    if (ATools.Route != TProjectTools::TRoute::Direct && ATools.Route != TProjectTools::TRoute::Sail)
        return RouteRequest(request, ATools).CommandLine;
    // Here the variables come first, as the interpreter's own assignments.
    std::vector<std::string> lines;
    for (const std::string& line : ATools.Environment)
        if (SplitEnvironmentLine(line)) lines.push_back(line);
    bool refused = false;
    const std::string prefix = EnvironmentPrefix(lines, refused);
    return refused ? prefix : prefix + RouteRequest(request, ATools).CommandLine;
}

std::optional<TProjectTools> TProjectToolsStore::Load(const std::string& AProjectFolder) const {
    if (FFileName.empty() || AProjectFolder.empty()) return std::nullopt;
    // One reading of the file, however many keys it holds.
    std::string bytes;
    if (platform::ReadRegularFile(FFileName, kMaxFileBytes, bytes) != 0) return std::nullopt;
    std::map<std::string, std::string> values;  // names in lower case
    for (auto& [key, value] : platform::portable::ProfileSection(AProjectFolder, bytes))
        values.emplace(LowerAscii(key), std::move(value));
    if (values.empty()) return std::nullopt;
    // A value with a NUL byte is left out: no command line can carry it and no save can
    // write it back.
    auto Usable = [](const std::string& AValue) { return AValue.find('\0') == std::string::npos; };
    auto Read = [&](const std::string& AKey, const std::string& ADefault) {
        const auto found = values.find(LowerAscii(AKey));
        return found == values.end() || !Usable(found->second) ? ADefault : found->second;
    };
    TProjectTools tools;
    tools.PhpProgram = Read("Php", tools.PhpProgram);
    tools.ComposerProgram = Read("Composer", tools.ComposerProgram);
    tools.Route = RouteFromName(Read("Route", "direct"));
    tools.ComposeService = Read("Service", tools.ComposeService);
    tools.SshHost = Read("SshHost", {});
    tools.SshPort = Read("SshPort", {});
    tools.SshFolder = Read("SshFolder", {});
    tools.SshIdentity = Read("SshIdentity", {});
    tools.WslDistribution = Read("WslDistribution", {});
    tools.WslFolder = Read("WslFolder", {});
    // Env1, Env2, ... up to the first blank one.
    for (std::size_t i = 1; i <= kMaxEnvironmentLines; ++i) {
        const auto found = values.find("env" + std::to_string(i));
        if (found == values.end() || found->second.empty()) break;
        if (Usable(found->second)) tools.Environment.push_back(found->second);
    }
    return tools;
}

bool TProjectToolsStore::Save(const std::string& AProjectFolder, const TProjectTools& ATools) const {
    if (FFileName.empty() || AProjectFolder.empty()) return false;
    // The settings rules give every value back as written, quotes and edge blanks too.
    std::vector<std::pair<std::string, std::string>> entries = {{"Php", ATools.PhpProgram},
                                                                {"Composer", ATools.ComposerProgram},
                                                                {"Route", RouteName(ATools.Route)},
                                                                {"Service", ATools.ComposeService},
                                                                {"SshHost", ATools.SshHost},
                                                                {"SshPort", ATools.SshPort},
                                                                {"SshFolder", ATools.SshFolder},
                                                                {"SshIdentity", ATools.SshIdentity},
                                                                {"WslDistribution", ATools.WslDistribution},
                                                                {"WslFolder", ATools.WslFolder}};
    std::size_t count = 0;
    for (const std::string& line : ATools.Environment)
        if (!Trimmed(line).empty() && count < kMaxEnvironmentLines)
            entries.emplace_back("Env" + std::to_string(++count), line);
    // A blank entry ends the list: longer lists stored before are cut off here.
    entries.emplace_back("Env" + std::to_string(count + 1), "");
    for (const auto& [key, value] : entries)
        if (!platform::portable::IsWritableEntry(AProjectFolder, key, value)) return false;
    // Every key in one replacement of the file: a reader, or a save cut short, never
    // sees a project half old and half new.
    return platform::RewriteFile(FFileName, kMaxFileBytes, [&](std::string& ABytes) {
               ABytes = platform::portable::WriteProfileValues(AProjectFolder, entries, ABytes);
               return 0;
           }) == 0;
}

std::string FailureHint(const TProjectTools& ATools, const std::string& AOriginalLine, int AExitCode,
                        const std::string& AOutputTail, bool AHasArtisanFile) {
    return FailureHint(ATools, TRunRequest::FromTyped(AOriginalLine, {}), AExitCode, AOutputTail, AHasArtisanFile);
}

std::string FailureHint(const TProjectTools& ATools, const TRunRequest& ARequest, int AExitCode,
                        const std::string& AOutputTail, bool AHasArtisanFile) {
    if (AExitCode == 0 || !ARequest.IsTool()) return {};
    const bool artisan = ARequest.Tool == TRunRequest::TTool::Artisan;
    const bool composer = ARequest.Tool == TRunRequest::TTool::Composer;

    if (ATools.Route == TProjectTools::TRoute::Ssh && AExitCode == 255)
        return "The SSH host did not answer or refused the connection. Check the host under Project > Tools\u2026";
    const bool missingProgram = AExitCode == 127 || AExitCode == -1 ||
                                AOutputTail.find("is not recognized as an internal or external command") !=
                                    std::string::npos;
    if (missingProgram) {
        if (ATools.Route == TProjectTools::TRoute::Sail)
            return "./vendor/bin/sail was not found. Install Sail in the project or choose another route under "
                   "Project > Tools\u2026";
        if (ATools.Route == TProjectTools::TRoute::Compose)
            return "docker was not found. Choose another route under Project > Tools\u2026";
        // Composer through the project's composer.phar still needs PHP.
        const bool phpMissing = !composer || IsProjectComposerPhar(ATools.ComposerProgram) ||
                                AOutputTail.find("'php'") != std::string::npos;
        if (phpMissing) {
            const std::string name = Trimmed(ATools.PhpProgram).empty() ? "php" : Trimmed(ATools.PhpProgram);
            return name + " was not found. Choose the PHP program under Project > Tools\u2026";
        }
        const std::string name =
            Trimmed(ATools.ComposerProgram).empty() ? "composer" : Trimmed(ATools.ComposerProgram);
        return name + " was not found. Choose the Composer program under Project > Tools\u2026";
    }
    if (artisan && !AHasArtisanFile) return "This folder has no artisan file: is it a Laravel project?";
    return {};
}

std::string VersionFromReport(const std::string& AReport) {
    for (std::size_t i = 0; i < AReport.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(AReport[i]))) continue;
        if (i > 0 && (std::isalnum(static_cast<unsigned char>(AReport[i - 1])) || AReport[i - 1] == '.')) continue;
        // Digits, and a dot only between digits: "7..2" is no version.
        std::size_t end = i;
        while (end < AReport.size() &&
               (std::isdigit(static_cast<unsigned char>(AReport[end])) ||
                (AReport[end] == '.' && end + 1 < AReport.size() &&
                 std::isdigit(static_cast<unsigned char>(AReport[end + 1])))))
            ++end;
        const std::string version = AReport.substr(i, end - i);
        if (version.find('.') != std::string::npos) return version;
        i = end;
    }
    return {};
}

std::optional<bool> VersionSatisfies(const std::string& AVersion, const std::string& AConstraint) {
    const std::vector<int> version = VersionParts(AVersion);
    if (version.empty() || Trimmed(AConstraint).empty()) return std::nullopt;
    // Alternatives split at "|" or "||"; the terms of one alternative at blanks or commas.
    std::string text = AConstraint;
    std::replace(text.begin(), text.end(), '|', '\n');
    std::istringstream alternatives(text);
    std::string alternative;
    bool any = false;
    bool readable = false;
    while (std::getline(alternatives, alternative)) {
        std::replace(alternative.begin(), alternative.end(), ',', ' ');
        // ">= 8.1" counts as one term.
        std::string joined;
        for (std::size_t i = 0; i < alternative.size(); ++i) {
            joined += alternative[i];
            if (std::string_view("<>=!^~").find(alternative[i]) != std::string_view::npos)
                while (i + 1 < alternative.size() && alternative[i + 1] == ' ') ++i;
        }
        std::istringstream terms(joined);
        std::string term;
        bool all = true;
        bool seen = false;
        while (terms >> term) {
            const auto result = TermSatisfied(version, term);
            if (!result) return std::nullopt;
            seen = true;
            all = all && *result;
        }
        if (!seen) continue;
        readable = true;
        any = any || all;
    }
    if (!readable) return std::nullopt;
    return any;
}

std::string RequiredPhpConstraint(const std::string& AComposerJson) {
    const auto document = nlohmann::json::parse(AComposerJson, nullptr, /*allow_exceptions=*/false);
    if (!document.is_object()) return {};
    const auto require = document.find("require");
    if (require == document.end() || !require->is_object()) return {};
    const auto php = require->find("php");
    return php != require->end() && php->is_string() ? php->get<std::string>() : std::string();
}

std::vector<std::string> TToolsDetection::Report() const {
    std::vector<std::string> lines;
    lines.push_back(PhpVersion.empty() ? "PHP: not found on the search path" : "PHP: " + PhpVersion);
    if (!ComposerVersion.empty())
        lines.push_back("Composer: " + ComposerVersion);
    else if (HasComposerPhar)
        lines.push_back("Composer: the project's composer.phar");
    else
        lines.push_back("Composer: not found");
    if (!PhpConstraint.empty() && PhpMatches.has_value() && !*PhpMatches)
        lines.push_back("Warning: composer.json requires PHP " + PhpConstraint + ", found " + PhpVersion);
    if (SailAvailable) lines.push_back("Sail is available: choose it under Project > Tools\u2026");
    return lines;
}

TProbeResult RunProbe(const std::string& ACommandLine, const std::string& AWorkingDir, TJobStop* AStop) {
    // The line is one for the command interpreter as it stands.
    TToolRead read(TToolRequest{TRunRequest::ForShell(ACommandLine, AWorkingDir), TProjectTools{}});
    const TStopHookScope hook(AStop, [&read] { read.Stop(); });
    const TToolReadResult run = read.Run();
    TProbeResult result;
    result.Output = run.End == TToolReadResult::TEnd::NotStarted ? run.StartError : run.Output;
    result.ExitCode = run.ExitCode;
    result.Problem = run.Reason(read.Request().Limits);
    return result;
}

TToolsDetection DetectProjectTools(const std::string& AProjectFolder, TJobStop* AStop) {
    namespace fs = std::filesystem;
    TToolsDetection found;
    const fs::path project(AProjectFolder);
    std::error_code error;

    const std::string php = platform::FindPhpProgram();
    if (!php.empty()) {
        const TProbeResult probe = RunProbe(platform::ShellProgramWord(php) + " -v", AProjectFolder, AStop);
        if (probe.ExitCode == 0) found.PhpVersion = VersionFromReport(probe.Output);
        if (php != "php") found.Suggested.PhpProgram = php;
    }
    const TProbeResult composer = RunProbe("composer --version", AProjectFolder, AStop);
    if (composer.ExitCode == 0) found.ComposerVersion = VersionFromReport(composer.Output);
    found.HasComposerPhar = fs::is_regular_file(project / "composer.phar", error);
    if (found.ComposerVersion.empty() && found.HasComposerPhar)
        found.Suggested.ComposerProgram = TProjectTools::kProjectComposerPhar;

    bool composeFile = false;
    for (const char* name : {"docker-compose.yml", "docker-compose.yaml", "compose.yml", "compose.yaml"})
        composeFile = composeFile || fs::is_regular_file(project / name, error);
    found.SailAvailable = composeFile && fs::is_regular_file(project / "vendor" / "bin" / "sail", error);

    std::string json;
    if (platform::ReadRegularFile(AProjectFolder + "/composer.json", kMaxComposerJsonBytes, json) == 0) {
        found.PhpConstraint = RequiredPhpConstraint(json);
        if (!found.PhpConstraint.empty() && !found.PhpVersion.empty())
            found.PhpMatches = VersionSatisfies(found.PhpVersion, found.PhpConstraint);
    }
    return found;
}
