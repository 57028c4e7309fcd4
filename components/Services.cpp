#include "components/Services.h"

#include "components/DevList.h"
#include "components/TextRules.h"
#include "platform/ShellQuote.h"

#include <nlohmann/json.hpp>

#include <algorithm>

namespace {

using TKind = TServiceDefinition::TKind;

bool StartsWith(std::string_view AText, std::string_view APrefix) { return AText.substr(0, APrefix.size()) == APrefix; }

// The words of a POSIX shell line: single quotes keep everything, double quotes keep all
// but \" \\ \$ and \`, a backslash outside quotes keeps the next character. Nothing when
// a quote does not close.
std::optional<std::vector<std::string>> ShellWords(std::string_view ALine) {
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    for (std::size_t i = 0; i < ALine.size(); ++i) {
        const char c = ALine[i];
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
            if (inWord) words.push_back(std::move(word));
            word.clear();
            inWord = false;
            continue;
        }
        inWord = true;
        if (c == '\'') {
            const auto close = ALine.find('\'', i + 1);
            if (close == std::string_view::npos) return std::nullopt;
            word.append(ALine.substr(i + 1, close - i - 1));
            i = close;
        } else if (c == '"') {
            std::size_t j = i + 1;
            for (; j < ALine.size() && ALine[j] != '"'; ++j) {
                if (ALine[j] == '\\' && j + 1 < ALine.size() && std::string_view("\"\\$`").find(ALine[j + 1]) != std::string_view::npos)
                    ++j;
                word += ALine[j];
            }
            if (j >= ALine.size()) return std::nullopt;
            i = j;
        } else if (c == '\\') {
            if (i + 1 < ALine.size()) word += ALine[++i];
        } else {
            word += c;
        }
    }
    if (inWord) words.push_back(std::move(word));
    return words;
}

std::vector<std::string> SplitNames(std::string_view ANames, std::string_view ASeparator) {
    std::vector<std::string> names;
    if (ASeparator.empty()) ASeparator = ",";
    std::size_t start = 0;
    while (true) {
        const auto at = ANames.find(ASeparator, start);
        names.push_back(TrimBlanks(ANames.substr(start, at == std::string_view::npos ? std::string_view::npos : at - start)));
        if (at == std::string_view::npos) break;
        start = at + ASeparator.size();
    }
    return names;
}

// The options of the concurrent runner that take a value (long and short forms).
bool TakesValue(std::string_view AOption) {
    static const std::set<std::string, std::less<>> withValue = {
        "-c", "--prefix-colors", "-n", "--names", "-p", "--prefix", "-l", "--prefix-length",
        "-t", "--timestamp-format", "--name-separator", "-m", "--max-processes", "-s", "--success",
        "--restart-tries", "--restart-after", "--default-input-target", "--hide", "--pad-prefix-length",
        "--teardown", "--handle-input-target"};
    return withValue.count(AOption) > 0;
}

// The commands of one "concurrently" line (its words after the runner's name).
std::optional<std::vector<TDevCommand>> ConcurrentCommands(const std::vector<std::string>& AWords, std::size_t AFirst,
                                                           std::string& AProblem) {
    std::vector<std::string> commands;
    std::string names;
    std::string separator = ",";
    for (std::size_t i = AFirst; i < AWords.size(); ++i) {
        const std::string& word = AWords[i];
        if (word == "--") {
            commands.insert(commands.end(), AWords.begin() + static_cast<std::ptrdiff_t>(i) + 1, AWords.end());
            break;
        }
        if (!StartsWith(word, "-") || word == "-") {
            commands.push_back(word);
            continue;
        }
        const auto equals = word.find('=');
        const std::string option = word.substr(0, equals);
        std::string value;
        if (equals != std::string::npos) {
            value = word.substr(equals + 1);
        } else if (TakesValue(option)) {
            if (i + 1 >= AWords.size()) {
                AProblem = "the option " + option + " has no value";
                return std::nullopt;
            }
            value = AWords[++i];
        }
        if (option == "-n" || option == "--names") names = value;
        if (option == "--name-separator") separator = value;
    }
    if (commands.empty()) {
        AProblem = "the concurrent runner is given no command";
        return std::nullopt;
    }
    const std::vector<std::string> given = names.empty() ? std::vector<std::string>() : SplitNames(names, separator);
    std::vector<TDevCommand> result;
    for (std::size_t i = 0; i < commands.size(); ++i) {
        // A blank command runs nothing; the names still go by the commands' places.
        const std::string command = TrimBlanks(commands[i], " \t\r\n");
        if (command.empty()) continue;
        const std::string name = i < given.size() && !given[i].empty() ? given[i] : command;
        result.push_back({name, command});
    }
    if (result.empty()) {
        AProblem = "the concurrent runner is given no command";
        return std::nullopt;
    }
    return result;
}

bool IsPhpCallback(std::string_view AEntry) {
    const auto colons = AEntry.find("::");
    return colons != std::string_view::npos && colons > 0 &&
           AEntry.find_first_of(" \t") == std::string_view::npos;
}

// One entry of the script: its commands, or a problem.
void ReadEntry(const std::string& AEntry, TDevScript& AScript) {
    std::string line = TrimBlanks(AEntry, " \t\r\n");
    if (line.empty() || IsPhpCallback(line)) return;
    if (StartsWith(line, "@php ")) line = "php " + line.substr(5);
    else if (StartsWith(line, "@composer ")) line = "composer " + line.substr(10);
    else if (StartsWith(line, "@")) {
        AScript.Problem = "the script calls another script (" + line + "), which is not read";
        return;
    }
    const auto words = ShellWords(line);
    if (!words) {
        AScript.Problem = "a quote does not close in: " + line;
        return;
    }
    std::size_t first = 0;
    if (!words->empty() && (*words)[0] == "npx") first = 1;
    if (words->size() > first && (*words)[first] == "concurrently") {
        std::string problem;
        const auto commands = ConcurrentCommands(*words, first + 1, problem);
        if (!commands) {
            AScript.Problem = problem;
            return;
        }
        AScript.Commands.insert(AScript.Commands.end(), commands->begin(), commands->end());
        return;
    }
    AScript.Commands.push_back({line, line});
}

bool PackageHasDevScript(const std::string& APackageJson) {
    if (APackageJson.empty()) return false;
    const nlohmann::json package = nlohmann::json::parse(APackageJson, nullptr, false);
    if (!package.is_object()) return false;
    const auto scripts = package.find("scripts");
    if (scripts == package.end() || !scripts->is_object()) return false;
    const auto dev = scripts->find("dev");
    return dev != scripts->end() && dev->is_string();
}

bool Offers(const TServiceFacts& AFacts, const char* ACommand) {
    return !AFacts.ArtisanCommands || AFacts.ArtisanCommands->count(ACommand) > 0;
}

}  // namespace

std::optional<std::string> QueueWorkerLine(const TQueueOptions& AOptions) {
    std::string line = "php artisan queue:work";
    const std::string connection = TrimBlanks(AOptions.Connection, " \t\r\n");
    if (!connection.empty()) {
        const auto quoted = platform::QuoteArgument(connection);
        if (!quoted) return std::nullopt;
        line += " " + *quoted;
    }
    const std::string queue = TrimBlanks(AOptions.Queue, " \t\r\n");
    if (!queue.empty()) {
        const auto quoted = platform::QuoteArgument("--queue=" + queue);
        if (!quoted) return std::nullopt;
        line += " " + *quoted;
    }
    if (AOptions.Tries > 0) line += " --tries=" + std::to_string(AOptions.Tries);
    if (AOptions.TimeoutSeconds > 0) line += " --timeout=" + std::to_string(AOptions.TimeoutSeconds);
    return line;
}

TDevScript ReadComposerDevScript(std::string_view AComposerJson) {
    TDevScript script;
    if (TrimBlanks(AComposerJson, " \t\r\n").empty()) return script;
    const nlohmann::json composer = nlohmann::json::parse(AComposerJson, nullptr, false);
    if (composer.is_discarded() || !composer.is_object()) {
        script.Problem = "composer.json cannot be read";
        return script;
    }
    const auto scripts = composer.find("scripts");
    if (scripts == composer.end() || !scripts->is_object()) return script;
    const auto dev = scripts->find("dev");
    if (dev == scripts->end()) return script;
    if (dev->is_string()) {
        ReadEntry(dev->get<std::string>(), script);
    } else if (dev->is_array()) {
        for (const nlohmann::json& entry : *dev) {
            if (!entry.is_string()) {
                script.Problem = "an entry of the script is not a text";
                continue;
            }
            ReadEntry(entry.get<std::string>(), script);
        }
    } else {
        script.Problem = "the script is neither a text nor a list";
    }
    return script;
}

TServiceList FindServices(const TServiceFacts& AFacts, const TQueueOptions& AQueue,
                          const std::vector<TOwnService>& AOwn) {
    TServiceList list;
    list.Services.push_back({TKind::DevelopmentServer, "serve", "Development server",
                             "php artisan serve --port=" + std::to_string(AFacts.ServerPort)});
    if (const auto queue = QueueWorkerLine(AQueue))
        list.Services.push_back({TKind::QueueWorker, "queue", "Queue worker", *queue});
    else
        list.Problems.push_back("the queue worker's options cannot be passed on a command line");
    if (Offers(AFacts, "schedule:work"))
        list.Services.push_back({TKind::Scheduler, "schedule", "Scheduler", "php artisan schedule:work"});
    if (PackageHasDevScript(AFacts.PackageJson))
        list.Services.push_back({TKind::Vite, "vite", "Vite", "npm run dev"});

    const TDevScript dev = ReadComposerDevScript(AFacts.ComposerJson);
    if (!dev.Problem.empty()) list.Problems.push_back("composer.json's dev script: " + dev.Problem);
    std::set<std::string> keys;
    for (const TServiceDefinition& service : list.Services) keys.insert(service.Key);
    for (const TDevCommand& command : dev.Commands) {
        std::string key = "dev:" + command.Name;
        for (int n = 2; keys.count(key); ++n) key = "dev:" + command.Name + " (" + std::to_string(n) + ")";
        keys.insert(key);
        list.Services.push_back({TKind::DevScript, key, command.Name, command.CommandLine});
    }
    if (!AFacts.DevList.empty()) {
        const TDevScript listed = ReadDevList(AFacts.DevList);
        if (!listed.Problem.empty()) list.Problems.push_back("php artisan dev:list: " + listed.Problem);
        for (const TDevCommand& command : listed.Commands) {
            std::string key = "list:" + command.Name;
            for (int n = 2; keys.count(key); ++n) key = "list:" + command.Name + " (" + std::to_string(n) + ")";
            keys.insert(key);
            list.Services.push_back({TKind::DevList, key, command.Name, command.CommandLine});
        }
    }
    for (const TOwnService& own : AOwn) {
        const std::string name = TrimBlanks(own.Name, " \t\r\n");
        const std::string line = TrimBlanks(own.CommandLine, " \t\r\n");
        if (name.empty() || line.empty()) continue;
        std::string key = "own:" + name;
        for (int n = 2; keys.count(key); ++n) key = "own:" + name + " (" + std::to_string(n) + ")";
        keys.insert(key);
        list.Services.push_back({TKind::Own, key, name, line});
    }
    return list;
}

std::optional<std::string> ServerAddressIn(std::string_view AOutputLine) {
    // The line without its colour codes (ESC [ ... letter).
    std::string line;
    for (std::size_t i = 0; i < AOutputLine.size(); ++i) {
        if (AOutputLine[i] == '\x1b' && i + 1 < AOutputLine.size() && AOutputLine[i + 1] == '[') {
            i += 2;
            while (i < AOutputLine.size() && !(AOutputLine[i] >= '@' && AOutputLine[i] <= '~')) ++i;
            continue;
        }
        line += AOutputLine[i];
    }
    for (const std::string_view marker : {std::string_view("Server running on ["),
                                          std::string_view("Starting Laravel development server: ")}) {
        const auto at = line.find(marker);
        if (at == std::string::npos) continue;
        const std::size_t start = at + marker.size();
        std::size_t end = start;
        // An IPv6 host keeps its brackets: "[http://[::1]:8000]".
        while (end < line.size() && !(line[end] == ']' && (end + 1 >= line.size() || line[end + 1] != ':')) &&
               line[end] != ' ' && line[end] != '\r' && line[end] != '\n' && line[end] != '\t')
            ++end;
        const std::string address = line.substr(start, end - start);
        if (StartsWith(address, "http://") || StartsWith(address, "https://")) return address;
    }
    return std::nullopt;
}

std::optional<std::chrono::seconds> TRestartPolicy::AfterCrash(std::chrono::steady_clock::duration AUptime) {
    if (AUptime >= kResetAfter) FAttempts = 0;
    if (FAttempts >= kMaxAttempts) return std::nullopt;
    ++FAttempts;
    return std::chrono::seconds(1 << (FAttempts - 1));
}
