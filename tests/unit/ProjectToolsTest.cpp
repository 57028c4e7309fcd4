#include "components/ProjectTools.h"
#include "platform/ToolSearch.h"

#include "TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>

namespace {

using TRoute = TProjectTools::TRoute;

TProjectTools Tools(TRoute ARoute, std::string APhp = "php", std::string AComposer = "composer",
                    std::vector<std::string> AEnvironment = {}) {
    TProjectTools tools;
    tools.Route = ARoute;
    tools.PhpProgram = std::move(APhp);
    tools.ComposerProgram = std::move(AComposer);
    tools.ComposeService = "app";
    tools.Environment = std::move(AEnvironment);
    return tools;
}

void WriteText(const std::filesystem::path& AFile, const std::string& AText, bool AExecutable = false) {
    std::filesystem::create_directories(AFile.parent_path());
    std::ofstream(AFile, std::ios::binary) << AText;
    if (AExecutable) ::chmod(AFile.c_str(), 0755);
}

}  // namespace

TEST(ProjectTools, LineEachChoiceProduces) {
    const struct {
        TProjectTools tools;
        const char* line;
        const char* routed;
    } cases[] = {
        // The defaults leave every line as typed.
        {TProjectTools{}, "php artisan route:list", "php artisan route:list"},
        {TProjectTools{}, "composer dump-autoload", "composer dump-autoload"},
        {TProjectTools{}, "php -v", "php -v"},
        {TProjectTools{}, "ls -la", "ls -la"},
        {TProjectTools{}, "phpunit", "phpunit"},
        {Tools(TRoute::Direct, "/opt/php 8.3/bin/php"), "php artisan migrate", "'/opt/php 8.3/bin/php' artisan migrate"},
        {Tools(TRoute::Direct, "/usr/bin/php8.1"), "php -v", "/usr/bin/php8.1 -v"},
        {Tools(TRoute::Direct, "/opt/it's/php", "composer.phar"), "composer update",
         "'/opt/it'\\''s/php' composer.phar update"},
        {Tools(TRoute::Direct, "php", "/home/me/bin/composer2"), "composer show", "/home/me/bin/composer2 show"},
        {Tools(TRoute::Direct, "", ""), "composer show", "composer show"},
        {Tools(TRoute::Sail), "php artisan migrate --seed", "./vendor/bin/sail artisan migrate --seed"},
        {Tools(TRoute::Sail), "composer require x/y", "./vendor/bin/sail composer require x/y"},
        {Tools(TRoute::Sail), "php -v", "./vendor/bin/sail php -v"},
        {Tools(TRoute::Compose), "php artisan about", "docker compose exec -T app php artisan about"},
        {Tools(TRoute::Compose), "composer validate", "docker compose exec -T app composer validate"},
        {Tools(TRoute::Compose), "echo php", "echo php"},
        {Tools(TRoute::Direct, "php", "composer", {"APP_ENV=testing", "", "MSG=a b 'c' $HOME", "bad name=x"}),
         "php artisan env", "APP_ENV=testing MSG='a b '\\''c'\\'' $HOME' php artisan env"},
        // A program word with a "=" is quoted, or the shell would take it for an assignment.
        {Tools(TRoute::Direct, "php", "migr=ate", {"A=1"}), "composer show", "A=1 'migr=ate' show"},
    };
    for (const auto& c : cases) EXPECT_EQ(RouteCommandLine(c.tools, c.line), c.routed) << c.line;
}

// The routed lines run for real: a fake docker echoes its arguments, a fake PHP
// program in a folder with spaces and quotes, the project's own Sail script, and an
// environment value with shell characters that must arrive unchanged.
TEST(ProjectTools, RoutedLinesRunAsIntended) {
    testsupport::TempFolder temp;
    const auto project = temp.Path() / "my \"quoted\" project's";
    const auto bin = temp.Path() / "fake bin";
    WriteText(bin / "docker", "#!/bin/sh\necho \"docker[$*]\"\n", true);
    WriteText(bin / "php 8", "#!/bin/sh\necho \"php8[$*] MSG=$MSG\"\n", true);
    WriteText(project / "vendor/bin/sail", "#!/bin/sh\necho \"sail[$*]\"\n", true);
    const std::string path = "PATH=" + platform::PosixShellWord(bin.string()) + ":\"$PATH\"; ";

    const struct {
        TProjectTools tools;
        const char* line;
        const char* output;
    } cases[] = {
        {Tools(TRoute::Compose), "php artisan migrate --force", "docker[compose exec -T app php artisan migrate --force]\n"},
        {Tools(TRoute::Sail), "composer install", "sail[composer install]\n"},
        {Tools(TRoute::Direct, (bin / "php 8").string(), "composer", {"MSG=$(echo no) `x` \"q\" 'y'"}),
         "php artisan list", "php8[artisan list] MSG=$(echo no) `x` \"q\" 'y'\n"},
    };
    for (const auto& c : cases) {
        const TProbeResult result = RunProbe(path + RouteCommandLine(c.tools, c.line), project.string());
        EXPECT_EQ(result.ExitCode, 0) << c.line;
        EXPECT_EQ(result.Output, c.output) << c.line;
    }
}

// A value no command line can carry stops the run with a note naming it, instead of a run
// without it.
TEST(ProjectTools, AnEnvironmentValueTheShellCannotCarryStopsTheRun) {
    testsupport::TempFolder temp;
    const TProjectTools tools = Tools(TRoute::Direct, "php", "composer", {"A=1", std::string("BAD=x\0y", 7)});
    const std::string routed = RouteCommandLine(tools, "php -r 'echo 1;'");
    const TProbeResult result = RunProbe(routed, temp.Path().string());
    EXPECT_EQ(result.ExitCode, 1) << routed;
    EXPECT_NE(result.Output.find("Not run"), std::string::npos) << result.Output;
    EXPECT_NE(result.Output.find("BAD"), std::string::npos) << result.Output;
    EXPECT_EQ(routed.find("php"), std::string::npos) << routed;
}

TEST(ProjectTools, ChoicesSurviveAStoreReopenedLater) {
    testsupport::TempFolder temp;
    const std::string file = (temp.Path() / "projects.ini").string();
    const std::string projectA = "/srv/www/shop [old] \"x\"";
    const std::string projectB = "/srv/www/blog";
    TProjectTools a = Tools(TRoute::Compose, "\"/opt/php\"", "composer.phar", {"A=1", "B=\"quoted\"", "C= spaced "});
    TProjectTools b = Tools(TRoute::Sail);

    EXPECT_FALSE(TProjectToolsStore(file).Load(projectA).has_value());
    ASSERT_TRUE(TProjectToolsStore(file).Save(projectA, a));
    ASSERT_TRUE(TProjectToolsStore(file).Save(projectB, b));
    EXPECT_EQ(TProjectToolsStore(file).Load(projectA), a);
    EXPECT_EQ(TProjectToolsStore(file).Load(projectB), b);

    // A shorter list replaces a longer one.
    a.Environment = {"ONLY=1"};
    ASSERT_TRUE(TProjectToolsStore(file).Save(projectA, a));
    EXPECT_EQ(TProjectToolsStore(file).Load(projectA), a);
    EXPECT_FALSE(TProjectToolsStore("").Save(projectA, a));
}

TEST(ProjectTools, HintAfterAFailedRun) {
    const TProjectTools defaults;
    const TProjectTools phar = Tools(TRoute::Direct, "/opt/php", "composer.phar");
    const struct {
        TProjectTools tools;
        const char* line;
        int exitCode;
        const char* output;
        bool artisan;
        const char* hint;
    } cases[] = {
        {defaults, "php artisan migrate", 127, "sh: 1: php: not found\n", true,
         "php was not found. Choose the PHP program under Project > Tools\u2026"},
        {defaults, "composer update", 127, "sh: 1: composer: not found\n", true,
         "composer was not found. Choose the Composer program under Project > Tools\u2026"},
        {defaults, "composer update", -1, "", true,
         "composer was not found. Choose the Composer program under Project > Tools\u2026"},
        {defaults, "php -v", 1, "'php' is not recognized as an internal or external command,\r\n", true,
         "php was not found. Choose the PHP program under Project > Tools\u2026"},
        {phar, "composer show", 127, "", true, "/opt/php was not found. Choose the PHP program under Project > Tools\u2026"},
        {Tools(TRoute::Sail), "php artisan migrate", 127, "", true,
         "./vendor/bin/sail was not found. Install Sail in the project or choose another route under Project > Tools\u2026"},
        {Tools(TRoute::Compose), "composer show", 127, "", true,
         "docker was not found. Choose another route under Project > Tools\u2026"},
        {defaults, "php artisan migrate", 1, "Could not open input file: artisan\n", false,
         "This folder has no artisan file: is it a Laravel project?"},
        // Nothing to add: a success, an ordinary failure, a line that is not routed.
        {defaults, "php artisan migrate", 0, "", false, ""},
        {defaults, "php artisan migrate", 1, "SQLSTATE...\n", true, ""},
        {defaults, "composer update", 2, "", false, ""},
        {defaults, "no-such-tool-here", 127, "", false, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FailureHint(c.tools, c.line, c.exitCode, c.output, c.artisan),
                  c.hint)
            << c.line << " " << c.exitCode;
}

TEST(ProjectTools, VersionsAndConstraints) {
    EXPECT_EQ(VersionFromReport("PHP 8.2.36 (cli) (built: Nov 18 2026)"), "8.2.36");
    EXPECT_EQ(VersionFromReport("Composer version 2.5.5 2023-03-21 11:50:05"), "2.5.5");
    EXPECT_EQ(VersionFromReport("no version here 3"), "");
    // A dot belongs to a version only between digits.
    EXPECT_EQ(VersionFromReport("build 7..2, then PHP 8.1.4."), "8.1.4");
    EXPECT_EQ(VersionFromReport("7.4..1"), "7.4");

    const struct {
        const char* version;
        const char* constraint;
        std::optional<bool> satisfied;
    } cases[] = {
        {"8.2.36", "^8.1", true},     {"9.0.0", "^8.1", false},     {"8.0.9", "^8.1", false},
        {"7.4.3", ">=7.3|^8.0", true}, {"7.2.0", ">=7.3|^8.0", false}, {"8.3.0", ">=7.3 || ^8.0", true},
        {"8.1.5", "~8.1.0", true},    {"8.2.0", "~8.1.0", false},   {"8.9.0", "~8.1", true},
        {"8.2.1", "8.2.*", true},     {"8.3.1", "8.2.*", false},    {"8.3.0", ">=8.0 <8.3", false},
        {"8.2.0", ">= 8.0, <8.3", true}, {"8.2.0", "*", true},      {"0.3.1", "^0.3", true},
        {"0.4.0", "^0.3", false},     {"8.2.0", "banana", std::nullopt}, {"8.2.0", "", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(VersionSatisfies(c.version, c.constraint), c.satisfied) << c.version << " " << c.constraint;

}

// What detection takes from a project's composer.json: require.php when it is a string,
// nothing from anywhere else or from a file that is not JSON as a whole.
TEST(ProjectTools, ComposerJsonGivesTheRequiredPhp) {
    const struct {
        const char* json;
        const char* constraint;
    } cases[] = {
        {R"({"require": {"php": "^8.1", "laravel/framework": "^10.0"}})", "^8.1"},
        {"\xEF\xBB\xBF{\"require\": {\"php\": \"^8.2\"}}", "^8.2"},  // saved with a byte-order mark
        {R"({"require": {"php": ">=8.0 \u003c8.4"}})", ">=8.0 <8.4"},
        {R"({"name": "a\"}b", "extra": {"x": [1, 2.5e3, {"y": null}], "php": "no"},
            "require-dev": {"php": "^9"}, "require": {"ext-json": "*", "php": ">=8.0 <8.4"}})", ">=8.0 <8.4"},
        {R"({"require": {"laravel/framework": "^10.0"}})", ""},
        {R"({"require": {"php": 8.1}})", ""},
        {R"({"require": ["php"]})", ""},
        {R"(["require", {"php": "^8.1"}])", ""},
        {R"({"require": {"php": "^8.1"}} trailing)", ""},
        {R"({"require": {"php": "^8.1")", ""},
        {R"({"require": {"php": "^8.1",}})", ""},
        {"{ not json", ""},
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(RequiredPhpConstraint(c.json), c.constraint) << c.json;
}

// A composer.json that is a named pipe or leads to an endless device is passed over:
// detection neither waits for a writer nor reads without end.
TEST(ProjectTools, DetectionPassesOverAComposerJsonThatIsNoFile) {
    testsupport::TempFolder temp;
    const auto fifo = temp.Path() / "fifo";
    const auto zero = temp.Path() / "zero";
    std::filesystem::create_directories(fifo);
    std::filesystem::create_directories(zero);
    ASSERT_EQ(::mkfifo((fifo / "composer.json").c_str(), 0600), 0);
    std::filesystem::create_symlink("/dev/zero", zero / "composer.json");

    const char* savedPath = std::getenv("PATH");
    const std::string saved = savedPath ? savedPath : "";
    ::setenv("PATH", (temp.Path() / "empty").c_str(), 1);  // no php or composer to ask
    const TToolsDetection fromFifo = DetectProjectTools(fifo.string());
    const TToolsDetection fromZero = DetectProjectTools(zero.string());
    ::setenv("PATH", saved.c_str(), 1);
    EXPECT_EQ(fromFifo.PhpConstraint, "");
    EXPECT_EQ(fromZero.PhpConstraint, "");
}

// A save replaces the whole file in one step: a reader in another process, and a saver
// killed at any moment, only ever leave one project's tools whole, old or new.
TEST(ProjectTools, ASaveIsOneReplacementOfTheWholeFile) {
    testsupport::TempFolder temp;
    const std::string file = (temp.Path() / "projects.ini").string();
    std::vector<std::string> many, few;
    for (int i = 0; i < 30; ++i) many.push_back("A" + std::to_string(i) + "=a");
    for (int i = 0; i < 3; ++i) few.push_back("B" + std::to_string(i) + "=b");
    const TProjectTools a = Tools(TRoute::Compose, "/opt/a/php", "composer", many);
    const TProjectTools b = Tools(TRoute::Sail, "/opt/b/php", "composer.phar", few);
    const std::string project = "/srv/www/shop";
    ASSERT_TRUE(TProjectToolsStore(file).Save(project, a));

    const pid_t saver = ::fork();
    ASSERT_GE(saver, 0);
    if (saver == 0) {
        for (bool flip = false;; flip = !flip) TProjectToolsStore(file).Save(project, flip ? a : b);
    }
    // Loads until both have been seen many times over (or time is up).
    int mixed = 0, seenA = 0, seenB = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while ((seenA < 100 || seenB < 100) && std::chrono::steady_clock::now() < deadline) {
        const auto loaded = TProjectToolsStore(file).Load(project);
        if (loaded == a) ++seenA;
        else if (loaded == b) ++seenB;
        else ++mixed;
    }
    ::kill(saver, SIGKILL);
    ::waitpid(saver, nullptr, 0);
    EXPECT_EQ(mixed, 0);
    EXPECT_GT(seenB, 0);
    const auto last = TProjectToolsStore(file).Load(project);
    EXPECT_TRUE(last == a || last == b);
}

// A file with thousands of environment lines is read once and cut at the bound.
TEST(ProjectTools, AHugeEnvironmentLoadsCutAtTheBound) {
    testsupport::TempFolder temp;
    const std::string file = (temp.Path() / "projects.ini").string();
    std::string text = "[/p]\r\nRoute=sail\r\n";
    for (int i = 1; i <= 5000; ++i) text += "Env" + std::to_string(i) + "=K" + std::to_string(i) + "=v\r\n";
    testsupport::WriteBytes(file, text);

    const auto loaded = TProjectToolsStore(file).Load("/p");
    ASSERT_TRUE(loaded.has_value());
    EXPECT_EQ(loaded->Route, TRoute::Sail);
    ASSERT_EQ(loaded->Environment.size(), TProjectToolsStore::kMaxEnvironmentLines);
    EXPECT_EQ(loaded->Environment.back(), "K1000=v");
}

// A value with a NUL byte (a damaged file) is left out: the tools that load can be run
// and saved again.
TEST(ProjectTools, ValuesWithANulByteAreLeftOut) {
    testsupport::TempFolder temp;
    const std::string file = (temp.Path() / "projects.ini").string();
    testsupport::WriteBytes(file, std::string("[/p]\nPhp=/opt/p\0hp\nComposer=c.bat\nEnv1=A=1\nEnv2=B=\0x\nEnv3=C=3\n", 62));

    const TProjectToolsStore store(file);
    const auto loaded = store.Load("/p");
    ASSERT_TRUE(loaded.has_value());
    EXPECT_EQ(loaded->PhpProgram, "php");
    EXPECT_EQ(loaded->ComposerProgram, "c.bat");
    EXPECT_EQ(loaded->Environment, (std::vector<std::string>{"A=1", "C=3"}));
    ASSERT_TRUE(store.Save("/p", *loaded));
    EXPECT_EQ(store.Load("/p"), loaded);
}

// Detection with the real php and composer on the search path.
TEST(ProjectTools, DetectionLooksAtTheProjectAndTheSearchPath) {
    testsupport::TempFolder temp;
    const auto project = temp.Path() / "app one";
    WriteText(project / "composer.json", R"({"require": {"php": "^7.4"}})");
    WriteText(project / "composer.phar", "");
    WriteText(project / "compose.yaml", "services: {}\n");
    WriteText(project / "vendor/bin/sail", "#!/bin/sh\n", true);

    const TToolsDetection found = DetectProjectTools(project.string());
    EXPECT_EQ(found.PhpVersion, VersionFromReport(RunProbe("php -v", project.string()).Output));
    EXPECT_FALSE(found.PhpVersion.empty());
    EXPECT_FALSE(found.ComposerVersion.empty());
    EXPECT_TRUE(found.HasComposerPhar);
    EXPECT_TRUE(found.SailAvailable);
    EXPECT_EQ(found.PhpConstraint, "^7.4");
    EXPECT_EQ(found.PhpMatches, std::optional<bool>(false));
    // Sail is offered, not chosen; composer on the path wins over the project's copy.
    EXPECT_EQ(found.Suggested, TProjectTools{});
    const auto report = found.Report();
    ASSERT_EQ(report.size(), 4u);
    EXPECT_EQ(report[2], "Warning: composer.json requires PHP ^7.4, found " + found.PhpVersion);

    // Without php, composer and Sail.
    const auto bare = temp.Path() / "bare";
    WriteText(bare / "composer.phar", "");
    const char* savedPath = std::getenv("PATH");
    const std::string saved = savedPath ? savedPath : "";
    ::setenv("PATH", (temp.Path() / "empty").c_str(), 1);
    const TToolsDetection none = DetectProjectTools(bare.string());
    ::setenv("PATH", saved.c_str(), 1);
    EXPECT_TRUE(none.PhpVersion.empty());
    EXPECT_TRUE(none.ComposerVersion.empty());
    EXPECT_FALSE(none.SailAvailable);
    EXPECT_EQ(none.Suggested.ComposerProgram, "composer.phar");
    EXPECT_EQ(none.Report().front(), "PHP: not found on the search path");
}
