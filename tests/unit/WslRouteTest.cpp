// The WSL route: which settings are refused, the line that runs, and what the
// distribution's shell then runs, checked with the real /bin/sh standing in for it.
#include "components/Exception.h"
#include "components/ProjectTools.h"
#include "platform/ShellQuote.h"
#include "platform/ToolSearch.h"

#include "TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

TProjectTools Wsl(std::string ADistribution, std::string AFolder) {
    TProjectTools tools;
    tools.Route = TProjectTools::TRoute::Wsl;
    tools.WslDistribution = std::move(ADistribution);
    tools.WslFolder = std::move(AFolder);
    return tools;
}

TEST(WslRoute, SettingsThatCouldBecomeAnOptionOrACommandAreRefused) {
    const struct {
        const char* distribution;
        std::string folder;
        bool usable;
    } cases[] = {
        {"Ubuntu-22.04", "/home/me/blog", true},
        {"Debian", "~/my blog's $(id) `x` & | < > ^ ! ; ( )", true},
        {"Debian", "~", true},
        {"", "/home/me/blog", false},
        {"-d", "/home/me/blog", false},
        {"--exec", "/home/me/blog", false},
        {"Ubuntu;calc", "/home/me/blog", false},
        {"Ubuntu calc", "/home/me/blog", false},
        {"Ubuntu\"", "/home/me/blog", false},
        {"$(id)", "/home/me/blog", false},
        {"Ubuntu", "", false},
        {"Ubuntu", "relative/blog", false},
        {"Ubuntu", "--help", false},
        {"Ubuntu", "/a\" --exec calc \"", false},
        {"Ubuntu", "/a%PATH%", false},
        {"Ubuntu", "/a\\", false},
        {"Ubuntu", "/a\nb", false},
        {"Ubuntu", std::string("/a\0b", 4), false},
    };
    for (const auto& c : cases) {
        const TProjectTools tools = Wsl(c.distribution, c.folder);
        EXPECT_EQ(WslSettingsProblem(tools).empty(), c.usable) << c.distribution << " " << c.folder;
        if (!c.usable) {
            EXPECT_THROW(RouteCommandLine(tools, "php artisan list"), Exception) << c.folder;
        }
    }
}

TEST(WslRoute, PlainLinesStayReadableAndOthersArriveEncoded) {
    TProjectTools tools = Wsl("Ubuntu", "/home/me/blog");
    EXPECT_EQ(RouteCommandLine(tools, "php artisan migrate --force"),
              "wsl.exe -d Ubuntu --cd \"/home/me/blog\" -- php artisan migrate --force");
    tools.PhpProgram = "/usr/bin/php8.2";
    EXPECT_EQ(RouteCommandLine(tools, "composer install"), "wsl.exe -d Ubuntu --cd \"/home/me/blog\" -- composer install");
    EXPECT_EQ(RouteCommandLine(tools, "php -v"), "wsl.exe -d Ubuntu --cd \"/home/me/blog\" -- /usr/bin/php8.2 -v");
    // Lines that are not php or composer run on this computer, as with every route.
    EXPECT_EQ(RouteCommandLine(tools, "echo here"), "echo here");
    const std::string encoded = RouteCommandLine(tools, "php artisan tinker --execute='echo 1 & 2;'");
    EXPECT_EQ(encoded.rfind("wsl.exe -d Ubuntu --cd \"/home/me/blog\" -- eval \"$(echo ", 0), 0u) << encoded;
    // Only base64 between the interpreter's quotes; the pipe there is inside them.
    const std::size_t from = encoded.find("echo ") + 5;
    const std::string payload = encoded.substr(from, encoded.find(" | base64 -d)\"") - from);
    EXPECT_EQ(payload.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/="),
              std::string::npos) << encoded;
    EXPECT_EQ(encoded.substr(encoded.size() - 14), " | base64 -d)\"");
}

// What follows " -- " is what the distribution's shell runs: /bin/sh runs it here in
// the project's folder, with a stand-in php that prints its arguments and a variable.
TEST(WslRoute, WhatTheDistributionsShellRunsCarriesEveryValueVerbatim) {
    testsupport::TempFolder temp;
    const auto bin = temp.Path() / "bin";
    std::filesystem::create_directories(bin);
    std::ofstream(bin / "php") << "#!/bin/sh\nfor a in \"$@\"; do printf '[%s]' \"$a\"; done; printf '{%s}' \"$TW\"\n";
    std::filesystem::permissions(bin / "php", std::filesystem::perms::owner_all);
    TProjectTools tools = Wsl("Ubuntu", "/srv/blog");
    for (const std::string value : {"plain", "a & b | c > d < e ^ f % g ! h ( i ) \"j\" 'k' $(id) `id` ;", "caf\xc3\xa9"}) {
        tools.Environment = {"TW=" + value};
        const auto quoted = platform::QuoteArgument(value);
        ASSERT_TRUE(quoted.has_value());
        const std::string line = RouteCommandLine(tools, "php artisan about " + *quoted);
        const std::string inside = line.substr(line.find(" -- ") + 4);
        const TProbeResult result =
            RunProbe("PATH=" + platform::PosixShellWord(bin.string()) + ":$PATH; " + inside, temp.Path().string());
        EXPECT_EQ(result.Output, "[artisan][about][" + value + "]{" + value + "}") << line;
    }
}

TEST(WslRoute, AWindowsPathBecomesItsPathInsideTheDistribution) {
    const struct {
        const char* windows;
        std::optional<std::string> wsl;
    } cases[] = {
        {"C:\\www\\blog", "/mnt/c/www/blog"},
        {"d:/Projects/My Blog/", "/mnt/d/Projects/My Blog"},
        {"E:\\", "/mnt/e"},
        {"\\\\wsl$\\Ubuntu\\home\\me\\blog", "/home/me/blog"},
        {"\\\\wsl.localhost\\Debian\\srv\\www\\", "/srv/www"},
        {"\\\\server\\share\\blog", std::nullopt},
        {"relative\\blog", std::nullopt},
        {"/home/me/blog", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(WslPathOf(c.windows), c.wsl) << c.windows;
}

TEST(WslRoute, TheSettingsAreKept) {
    testsupport::TempFolder temp;
    const std::string file = (temp.Path() / "projects.ini").string();
    const TProjectTools tools = Wsl("Ubuntu-22.04", "~/blog");
    ASSERT_TRUE(TProjectToolsStore(file).Save("C:\\www\\blog", tools));
    EXPECT_EQ(TProjectToolsStore(file).Load("C:\\www\\blog"), tools);
}

}  // namespace
