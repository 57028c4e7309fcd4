#pragma once

#include <chrono>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

// The long-running processes a project offers beside the console (development server,
// queue worker, scheduler, Vite, the commands of composer.json's "dev" script, those
// "php artisan dev:list" names, the user's own entries), found from what is read of the project. Qt-free; never throws.

struct TServiceDefinition {
    enum class TKind { DevelopmentServer, QueueWorker, Scheduler, Vite, DevScript, Own, DevList };
    TKind Kind = TKind::Own;
    // Stable within a project: "serve", "queue", "schedule", "vite", "dev:<name>",
    // "list:<name>" (dev:list's), "own:<name>".
    std::string Key;
    std::string Name;
    // The line as a user would type it ("php artisan queue:work --tries=3"): it is routed
    // through the project's tools like any typed line.
    std::string CommandLine;

    bool operator==(const TServiceDefinition&) const = default;
};

// The queue worker's options; empty or zero means the framework's default.
struct TQueueOptions {
    std::string Connection;
    std::string Queue;
    int Tries = 0;
    int TimeoutSeconds = 0;
};

struct TOwnService {
    std::string Name;
    std::string CommandLine;
};

// What the board read of a project.
struct TServiceFacts {
    std::string ComposerJson;  // the text of composer.json; empty when there is none
    std::string PackageJson;   // the text of package.json; empty when there is none
    // The artisan command names the framework lists, when they are known.
    std::optional<std::set<std::string>> ArtisanCommands;
    int ServerPort = 8000;  // the first free port from 8000 (FirstFreeLocalPort)
    // What "php artisan dev:list --json" printed; empty when it was not run.
    std::string DevList;
};

struct TServiceList {
    std::vector<TServiceDefinition> Services;
    // What could not be read ("composer.json's dev script: ..."), for the board to show.
    std::vector<std::string> Problems;
};

TServiceList FindServices(const TServiceFacts& AFacts, const TQueueOptions& AQueue,
                          const std::vector<TOwnService>& AOwn);

// "php artisan queue:work" with the options set; nothing when a value cannot be passed
// as one argument.
std::optional<std::string> QueueWorkerLine(const TQueueOptions& AOptions);

// One command of composer.json's "dev" script, with its name.
struct TDevCommand {
    std::string Name;
    std::string CommandLine;

    bool operator==(const TDevCommand&) const = default;
};

struct TDevScript {
    std::vector<TDevCommand> Commands;
    std::string Problem;  // empty when the script was read, or when there is none
};

// Reads the "dev" script of composer.json: a string or a list of strings. A line run by
// "npx concurrently" (or "concurrently") gives one command per quoted command, named by
// its --names; any other line is one command; "@php" and "@composer" lines become "php"
// and "composer" lines, and PHP callbacks ("Class::method") are left out.
TDevScript ReadComposerDevScript(std::string_view AComposerJson);

// The address the development server says it serves at: "Server running on
// [http://127.0.0.1:8001]" and "Starting Laravel development server:
// http://127.0.0.1:8000" give the address; any other line nothing. Colour codes are
// passed over.
std::optional<std::string> ServerAddressIn(std::string_view AOutputLine);

// When to restart a service that ended without being asked to: after 1, 2, 4, 8 and 16
// seconds, then it gives up. A service that had been up for a minute starts counting
// again from the first attempt.
class TRestartPolicy {
public:
    static constexpr int kMaxAttempts = 5;
    static constexpr std::chrono::seconds kResetAfter{60};

    // After an unasked-for end, having been up AUptime: the wait before the next start,
    // or nothing when the service gives up.
    std::optional<std::chrono::seconds> AfterCrash(std::chrono::steady_clock::duration AUptime);
    // The attempt the last AfterCrash scheduled (1 to kMaxAttempts); 0 before any.
    int Attempt() const { return FAttempts; }
    // A start or stop by the user.
    void Reset() { FAttempts = 0; }

private:
    int FAttempts = 0;
};
