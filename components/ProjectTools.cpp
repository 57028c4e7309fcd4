#include "components/ProjectTools.h"

#include "components/Cmd.h"
#include "components/TextRules.h"
#include "platform/PrivateProfile.h"
#include "platform/ToolSearch.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
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

bool IsProjectComposerPhar(const std::string& AProgram) {
    return Trimmed(AProgram) == TProjectTools::kProjectComposerPhar;
}

std::string EnvironmentPrefix(const std::vector<std::string>& AEnvironment) {
    std::string prefix;
    for (const std::string& line : AEnvironment) {
        const auto pair = SplitEnvironmentLine(line);
        if (!pair) continue;
        prefix += platform::PosixShellWord(pair->first + "=" + pair->second) + " ";
    }
    return prefix.empty() ? prefix : "env " + prefix;
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
    case TProjectTools::TRoute::Direct: break;
    }
    return "direct";
}

TProjectTools::TRoute RouteFromName(const std::string& AName) {
    const std::string name = LowerAscii(Trimmed(AName));
    if (name == "sail") return TProjectTools::TRoute::Sail;
    if (name == "compose") return TProjectTools::TRoute::Compose;
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

std::string RouteCommandLine(const TProjectTools& ATools, const std::string& ALine) {
    std::string tool;  // what the line asks for: "artisan", "php" or "composer"
    std::string rest;  // what follows it, with its leading blank
    if (StartsWith(ALine, "php artisan ") || ALine == "php artisan") {
        tool = "artisan";
        rest = ALine.substr(11);
    } else if (StartsWith(ALine, "php ") || ALine == "php") {
        tool = "php";
        rest = ALine.substr(3);
    } else if (StartsWith(ALine, "composer ") || ALine == "composer") {
        tool = "composer";
        rest = ALine.substr(8);
    } else {
        return ALine;
    }

    std::string routed;
    switch (ATools.Route) {
    case TProjectTools::TRoute::Sail:
        routed = "./vendor/bin/sail " + tool + rest;
        break;
    case TProjectTools::TRoute::Compose: {
        const std::string service = Trimmed(ATools.ComposeService);
        routed = "docker compose exec -T " + platform::ShellProgramWord(service.empty() ? "laravel.test" : service) + " " +
                 (tool == "artisan" ? "php artisan" : tool) + rest;
        break;
    }
    case TProjectTools::TRoute::Direct: {
        const std::string php = ProgramWord(ATools.PhpProgram, "php");
        if (tool == "artisan")
            routed = php + " artisan" + rest;
        else if (tool == "php")
            routed = php + rest;
        else if (IsProjectComposerPhar(ATools.ComposerProgram))
            routed = php + " composer.phar" + rest;
        else
            routed = ProgramWord(ATools.ComposerProgram, "composer") + rest;
        break;
    }
    }
    return EnvironmentPrefix(ATools.Environment) + routed;
}

std::optional<TProjectTools> TProjectToolsStore::Load(const std::string& AProjectFolder) const {
    if (FFileName.empty() || AProjectFolder.empty()) return std::nullopt;
    if (platform::GetPrivateProfileKeyNames(AProjectFolder, FFileName).empty()) return std::nullopt;
    auto Read = [&](const std::string& AKey, const std::string& ADefault) {
        return platform::GetPrivateProfileString(AProjectFolder, AKey, ADefault, FFileName);
    };
    TProjectTools tools;
    tools.PhpProgram = Read("Php", tools.PhpProgram);
    tools.ComposerProgram = Read("Composer", tools.ComposerProgram);
    tools.Route = RouteFromName(Read("Route", "direct"));
    tools.ComposeService = Read("Service", tools.ComposeService);
    // Env1, Env2, ... up to the first blank one.
    for (int i = 1;; ++i) {
        const std::string line = Read("Env" + std::to_string(i), "");
        if (line.empty()) break;
        tools.Environment.push_back(line);
    }
    return tools;
}

bool TProjectToolsStore::Save(const std::string& AProjectFolder, const TProjectTools& ATools) const {
    if (FFileName.empty() || AProjectFolder.empty()) return false;
    auto Write = [&](const std::string& AKey, const std::string& AValue) {
        return platform::WritePrivateProfileString(AProjectFolder, AKey, AValue, FFileName);
    };
    // The settings rules give every value back as written, quotes and edge blanks too.
    bool written = Write("Php", ATools.PhpProgram) && Write("Composer", ATools.ComposerProgram) &&
                   Write("Route", RouteName(ATools.Route)) && Write("Service", ATools.ComposeService);
    int count = 0;
    for (const std::string& line : ATools.Environment)
        if (written && !Trimmed(line).empty()) written = Write("Env" + std::to_string(++count), line);
    // A blank entry ends the list: longer lists stored before are cut off here.
    return written && Write("Env" + std::to_string(count + 1), "");
}

std::string FailureHint(const TProjectTools& ATools, const std::string& AOriginalLine, int AExitCode,
                        const std::string& AOutputTail, bool AHasArtisanFile) {
    if (AExitCode == 0) return {};
    const bool artisan = StartsWith(AOriginalLine, "php artisan ") || AOriginalLine == "php artisan";
    const bool composer = StartsWith(AOriginalLine, "composer ") || AOriginalLine == "composer";
    const bool php = !artisan && !composer && (StartsWith(AOriginalLine, "php ") || AOriginalLine == "php");
    if (!artisan && !composer && !php) return {};

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
        std::size_t end = i;
        while (end < AReport.size() &&
               (std::isdigit(static_cast<unsigned char>(AReport[end])) || AReport[end] == '.'))
            ++end;
        std::string version = AReport.substr(i, end - i);
        while (!version.empty() && version.back() == '.') version.pop_back();
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

namespace {

// Just enough of a JSON reader to find one string in one object: it walks the text,
// skipping every value it is not asked for, and fails on anything malformed.
class TJsonWalker {
public:
    explicit TJsonWalker(const std::string& AText) : FText(AText) {}

    bool AtEnd() { return Blank(), FPos >= FText.size(); }
    bool Take(char AChar) {
        Blank();
        if (FPos >= FText.size() || FText[FPos] != AChar) return false;
        ++FPos;
        return true;
    }
    bool Next(char AChar) { return Blank(), FPos < FText.size() && FText[FPos] == AChar; }

    bool String(std::string& AOut) {
        AOut.clear();
        if (!Take('"')) return false;
        while (FPos < FText.size()) {
            const char c = FText[FPos++];
            if (c == '"') return true;
            if (c != '\\') {
                AOut += c;
                continue;
            }
            if (FPos >= FText.size()) return false;
            const char escaped = FText[FPos++];
            switch (escaped) {
            case 'n': AOut += '\n'; break;
            case 't': AOut += '\t'; break;
            case 'r': AOut += '\r'; break;
            case 'b': AOut += '\b'; break;
            case 'f': AOut += '\f'; break;
            case 'u':
                // Constraints are ASCII: a \u escape is kept only for that range.
                if (FPos + 4 > FText.size()) return false;
                AOut += char(std::stoi(FText.substr(FPos, 4), nullptr, 16) & 0x7F);
                FPos += 4;
                break;
            default: AOut += escaped;
            }
        }
        return false;
    }

    // Calls AMember(key) for each member of an object; AMember reads or skips the value.
    template <typename Member>
    bool Object(Member AMember) {
        if (!Take('{')) return false;
        if (Take('}')) return true;
        do {
            std::string key;
            if (!String(key) || !Take(':') || !AMember(key)) return false;
        } while (Take(','));
        return Take('}');
    }

    bool Skip(int ADepth = 0) {
        if (ADepth > 200) return false;
        Blank();
        if (Next('"')) {
            std::string ignored;
            return String(ignored);
        }
        if (Next('{')) return Object([&](const std::string&) { return Skip(ADepth + 1); });
        if (Take('[')) {
            if (Take(']')) return true;
            do
                if (!Skip(ADepth + 1)) return false;
            while (Take(','));
            return Take(']');
        }
        const std::size_t start = FPos;
        while (FPos < FText.size() && std::string_view(",}] \t\r\n").find(FText[FPos]) == std::string_view::npos)
            ++FPos;
        return FPos > start;
    }

private:
    void Blank() {
        while (FPos < FText.size() && std::string_view(" \t\r\n").find(FText[FPos]) != std::string_view::npos) ++FPos;
    }

    const std::string& FText;
    std::size_t FPos = 0;
};

}  // namespace

std::string RequiredPhpConstraint(const std::string& AComposerJson) {
    try {
        TJsonWalker json(AComposerJson);
        std::string constraint;
        const bool read = json.Object([&](const std::string& AKey) {
            if (AKey != "require" || !json.Next('{')) return json.Skip();
            return json.Object([&](const std::string& APackage) {
                if (APackage == "php" && json.Next('"')) return json.String(constraint);
                return json.Skip();
            });
        });
        return read && json.AtEnd() ? constraint : std::string();
    } catch (const std::exception&) {
        return {};  // a bad \u escape
    }
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

TProbeResult RunProbe(const std::string& ACommandLine, const std::string& AWorkingDir) {
    TProbeResult result;
    TCmd cmd;
    cmd.setCommmandStr(ACommandLine);
    cmd.setRunWithCmd(true);
    bool started = false;
    cmd.OnReadError = [&](const AnsiText& AError) {
        started = AError.Bytes.empty();
        if (!started) result.Output = AError.Bytes;
    };
    cmd.OnReadOutput = [&](const AnsiText& AOutput, std::string) { result.Output += AOutput.Bytes; };
    cmd.RunCommand(AWorkingDir);
    const TRunEnd end = cmd.LastRunEnd();
    result.ExitCode = started && end.Kind == TRunEnd::TKind::Exited ? end.Code : -1;
    return result;
}

TToolsDetection DetectProjectTools(const std::string& AProjectFolder) {
    namespace fs = std::filesystem;
    TToolsDetection found;
    const fs::path project(AProjectFolder);
    std::error_code error;

    const std::string php = platform::FindPhpProgram();
    if (!php.empty()) {
        const TProbeResult probe = RunProbe(platform::ShellProgramWord(php) + " -v", AProjectFolder);
        if (probe.ExitCode == 0) found.PhpVersion = VersionFromReport(probe.Output);
        if (php != "php") found.Suggested.PhpProgram = php;
    }
    const TProbeResult composer = RunProbe("composer --version", AProjectFolder);
    if (composer.ExitCode == 0) found.ComposerVersion = VersionFromReport(composer.Output);
    found.HasComposerPhar = fs::is_regular_file(project / "composer.phar", error);
    if (found.ComposerVersion.empty() && found.HasComposerPhar)
        found.Suggested.ComposerProgram = TProjectTools::kProjectComposerPhar;

    bool composeFile = false;
    for (const char* name : {"docker-compose.yml", "docker-compose.yaml", "compose.yml", "compose.yaml"})
        composeFile = composeFile || fs::is_regular_file(project / name, error);
    found.SailAvailable = composeFile && fs::is_regular_file(project / "vendor" / "bin" / "sail", error);

    std::ifstream json(project / "composer.json", std::ios::binary);
    if (json) {
        const std::string text((std::istreambuf_iterator<char>(json)), std::istreambuf_iterator<char>());
        found.PhpConstraint = RequiredPhpConstraint(text);
        if (!found.PhpConstraint.empty() && !found.PhpVersion.empty())
            found.PhpMatches = VersionSatisfies(found.PhpVersion, found.PhpConstraint);
    }
    return found;
}
