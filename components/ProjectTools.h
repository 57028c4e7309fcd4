#pragma once

#include <optional>
#include <string>
#include <vector>

// The tools one project's commands run with: its PHP program, its Composer program,
// the way commands reach the project (directly, through the project's Sail script or
// through a Docker Compose service, or on another host through the OpenSSH client) and
// extra environment variables. The defaults leave every command line exactly as typed.
struct TProjectTools {
    enum class TRoute { Direct, Sail, Compose, Ssh, Wsl };

    std::string PhpProgram = "php";
    // A program path or name, or "composer.phar": the project's own copy run through PHP.
    std::string ComposerProgram = "composer";
    TRoute Route = TRoute::Direct;
    std::string ComposeService = "laravel.test";
    // "NAME=value" lines; blank lines are left out.
    std::vector<std::string> Environment;
    // The SSH route: "user@host" or "host", the port (blank: the client's default), the
    // project's folder on that host and an optional identity file on this computer. The
    // PHP and Composer programs are then those on the host. No password is ever kept:
    // the client runs in batch mode and uses keys or its agent.
    std::string SshHost;
    std::string SshPort;
    std::string SshFolder;
    std::string SshIdentity;
    // Seconds the client waits for the host to answer before it gives up.
    int SshConnectTimeout = kSshConnectTimeoutSeconds;
    // Extra client options as "Name=value" (one "-o" each); not kept in the tools file.
    std::vector<std::string> SshOptions;
    // The WSL route (Windows): a distribution and the project's folder inside it. The
    // PHP and Composer programs are then those of the distribution.
    std::string WslDistribution;
    std::string WslFolder;

    bool operator==(const TProjectTools&) const = default;

    static constexpr const char* kProjectComposerPhar = "composer.phar";
    static constexpr int kSshConnectTimeoutSeconds = 10;
};

// The route's name in the tools file and back ("direct", "sail", "compose").
std::string RouteName(TProjectTools::TRoute ARoute);
TProjectTools::TRoute RouteFromName(const std::string& AName);

// The "NAME=value" line split at its first "="; nothing for a line without a valid
// variable name (letters, digits and "_", not starting with a digit).
std::optional<std::pair<std::string, std::string>> SplitEnvironmentLine(const std::string& ALine);

// What is wrong with the SSH settings of ATools, as a sentence for the user; empty when
// they can be used. A host, port or option that could be read as a client option or a
// second command is refused; a folder or identity file is refused only for a line break
// or a NUL byte (an identity file also for "%", which the client reads as a token) and
// otherwise passed on verbatim.
std::string SshSettingsProblem(const TProjectTools& ATools);

// The arguments of the OpenSSH client (the program "ssh" first) that runs ARemoteCommand
// on the host of ATools, in its folder there ("cd <folder> && <command>", with a guard
// that ends the command when the connection is gone). ATerminal asks for a terminal on
// the host (-tt): for runs that have one here; runs read a pipe today, so all callers
// pass false. Throws Exception with SshSettingsProblem's text for unusable settings.
std::vector<std::string> SshArguments(const TProjectTools& ATools, const std::string& ARemoteCommand,
                                      bool ATerminal = false);

// SshArguments as one line for the command interpreter.
std::string SshCommandLine(const TProjectTools& ATools, const std::string& ARemoteCommand, bool ATerminal = false);

// The command Check runs on the host first: it prints kSshArtisanFound or
// kSshArtisanMissing, so an exit code of 255 (the client's own failure) means the host
// did not answer or refused the connection.
extern const char* const kSshArtisanProbe;
extern const char* const kSshArtisanFound;
extern const char* const kSshArtisanMissing;

// What is wrong with the WSL settings of ATools, as a sentence; empty when they can be
// used. A distribution is letters, digits, ".", "-" and "_", not starting with "-"; a
// folder is absolute ("/..." or "~...") and holds no character the command interpreter
// or wsl.exe would read ("\"", "%", "\\", a line break or a NUL byte).
std::string WslSettingsProblem(const TProjectTools& ATools);

// The line that runs ARemoteCommand in the distribution's folder:
// wsl.exe -d <distribution> --cd "<folder>" -- <command>. A command with a character the
// command interpreter would read on the way (& | < > ^ % ! ( ) or a quote, a line
// break) reaches the distribution's shell encoded, as eval "$(echo <base64> | base64
// -d)", so that it arrives byte for byte. Throws Exception for unusable settings.
std::string WslCommandLine(const TProjectTools& ATools, const std::string& ARemoteCommand);

// The WSL path of a Windows path: "C:\www\blog" gives "/mnt/c/www/blog", and a path
// under \\wsl$\<distribution> or \\wsl.localhost\<distribution> the path inside it;
// nothing for any other path.
std::optional<std::string> WslPathOf(const std::string& AWindowsPath);

// Check's summary of that probe, one sentence.
std::string SshProbeSummary(int AExitCode, const std::string& AOutput);

// RouteRequest (components/RunRequest.h) for a typed line, written as one line for the
// command interpreter. Lines that start with "php artisan ", "php " or "composer " (or
// are just "php" or "composer") are routed; any other line is returned unchanged. Paths
// are quoted for the command interpreter; on the direct and Sail routes extra
// environment variables come first, set the interpreter's way
// (platform::EnvironmentAssignment), and when one of their values cannot be set there,
// the whole line is one that reports it and fails (platform::FailingLine). Compose passes
// them with "-e"; the SSH route runs the line as the direct route would, on the host
// (SshCommandLine). Throws Exception when the SSH or WSL settings cannot be used.
std::string RouteCommandLine(const TProjectTools& ATools, const std::string& ALine);

// Per-project tools in an INI file beside the settings file (the settings rules, UTF-8):
// one section per project folder, so nothing is written into the project itself. A load
// reads the file once; a save replaces it whole in one step under the file's lock. A file
// over kMaxFileBytes is neither read nor replaced; at most kMaxEnvironmentLines lines of
// environment are kept.
class TProjectToolsStore {
public:
    static constexpr std::size_t kMaxFileBytes = 4 * 1024 * 1024;
    static constexpr std::size_t kMaxEnvironmentLines = 1000;

    explicit TProjectToolsStore(std::string AFileName = {}) : FFileName(std::move(AFileName)) {}
    const std::string& FileName() const { return FFileName; }
    void setFileName(const std::string& AValue) { FFileName = AValue; }

    // The stored tools, or nothing when the project has none stored yet.
    std::optional<TProjectTools> Load(const std::string& AProjectFolder) const;
    // False when the file refused the write.
    bool Save(const std::string& AProjectFolder, const TProjectTools& ATools) const;

private:
    std::string FFileName;
};

// The plain hint shown after a run of a php or composer line that failed because a
// program or the artisan file is missing; empty when there is nothing to add.
// AOriginalLine is the line as given (before routing); AExitCode is the exit code
// (-1 when the child did not start); AOutputTail is the end of what the run wrote.
std::string FailureHint(const TProjectTools& ATools, const std::string& AOriginalLine, int AExitCode,
                        const std::string& AOutputTail, bool AHasArtisanFile);
// The same for a run's request.
struct TRunRequest;
std::string FailureHint(const TProjectTools& ATools, const TRunRequest& ARequest, int AExitCode,
                        const std::string& AOutputTail, bool AHasArtisanFile);

// The first version number ("8.2.7") in a tool's version report, empty when none.
std::string VersionFromReport(const std::string& AReport);

// Whether the version satisfies a Composer constraint such as "^8.1", ">=7.3|^8.0",
// "~8.1.0", ">=8.0 <8.4", "8.2.*". Nothing when the constraint cannot be read.
std::optional<bool> VersionSatisfies(const std::string& AVersion, const std::string& AConstraint);

// The "require.php" constraint of a composer.json text; empty when there is none, it is
// not a string, or the text is not JSON. Detection reads at most kMaxComposerJsonBytes of
// a regular composer.json.
constexpr std::size_t kMaxComposerJsonBytes = 4 * 1024 * 1024;
std::string RequiredPhpConstraint(const std::string& AComposerJson);

// What detection found for a project, and the tools it suggests.
struct TToolsDetection {
    std::string PhpVersion;       // empty: no php found
    std::string ComposerVersion;  // empty: no composer found
    bool HasComposerPhar = false;
    bool SailAvailable = false;   // vendor/bin/sail beside a compose file
    std::string PhpConstraint;    // composer.json's require.php
    std::optional<bool> PhpMatches;
    TProjectTools Suggested;

    // One short report, line by line.
    std::vector<std::string> Report() const;
};

class TJobStop;

// Runs a command line in a folder and gives its output and exit code (-1: it did not
// start or did not end by itself; Problem then says why in a few words, as
// TToolReadResult::Reason). The run has the limits of a check (components/ToolRead.h)
// and ends at once when AStop is stopped.
struct TProbeResult {
    std::string Output;
    int ExitCode = -1;
    std::string Problem;
};
TProbeResult RunProbe(const std::string& ACommandLine, const std::string& AWorkingDir, TJobStop* AStop = nullptr);

// Looks at the project and the search path: blocks while it runs "php -v" and
// "composer --version", so it belongs on a worker. A stopped AStop ends it early.
TToolsDetection DetectProjectTools(const std::string& AProjectFolder, TJobStop* AStop = nullptr);
