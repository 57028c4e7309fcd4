// A run as one value, and the one routing step from a request and the project's tools to
// the process that starts: its line, folder and environment.
#include "components/Exception.h"
#include "components/RunRequest.h"
#include "components/ToolRead.h"

#include "TempFolder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <fstream>
#include <map>

namespace {

using TTool = TRunRequest::TTool;
using TRoute = TProjectTools::TRoute;
using TEnvironment = std::map<std::string, std::string>;

std::string ReadAll(const std::filesystem::path& AFile) {
    std::ifstream file(AFile, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

void WriteScript(const std::filesystem::path& AFile, const std::string& AText) {
    std::filesystem::create_directories(AFile.parent_path());
    std::ofstream(AFile, std::ios::binary) << AText;
    ::chmod(AFile.c_str(), 0755);
}

TProjectTools Tools(TRoute ARoute, std::vector<std::string> AEnvironment = {}) {
    TProjectTools tools;
    tools.Route = ARoute;
    tools.PhpProgram = "/opt/php 8/php";
    tools.ComposeService = "app";
    tools.SshHost = "deploy@web1";
    tools.SshFolder = "/srv/shop";
    tools.WslDistribution = "Ubuntu";
    tools.WslFolder = "/home/me/shop";
    tools.Environment = std::move(AEnvironment);
    return tools;
}

}  // namespace

TEST(RunRequest, ATypedLineNamesItsToolAndReadsBackAsTyped) {
    const struct {
        const char* line;
        TTool tool;
        const char* arguments;
    } cases[] = {
        {"php artisan migrate --force", TTool::Artisan, "migrate --force"},
        {"php artisan", TTool::Artisan, ""},
        {"php -r 'echo 1;'", TTool::Php, "-r 'echo 1;'"},
        {"php", TTool::Php, ""},
        {"php artisanx", TTool::Php, "artisanx"},
        {"composer  show", TTool::Composer, " show"},
        {"composer", TTool::Composer, ""},
        {"phpunit --filter x", TTool::Shell, "phpunit --filter x"},
        {"composers", TTool::Shell, "composers"},
        {" php artisan list", TTool::Shell, " php artisan list"},
        {"ls | grep php", TTool::Shell, "ls | grep php"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        const TRunRequest request = TRunRequest::FromTyped(c.line, "/srv/shop");
        EXPECT_EQ(request.Tool, c.tool);
        EXPECT_EQ(request.Arguments, c.arguments);
        EXPECT_EQ(request.Folder, "/srv/shop");
        EXPECT_EQ(request.Line(), c.line);
    }
}

// Each route with a tool's request and a typed line, with and without variables: where
// the variables go is the route's business.
TEST(RunRequest, EachRoutePutsTheProgramAndTheVariablesWhereThatRouteNeedsThem) {
    const TRunRequest migrate = TRunRequest::ForTool(TTool::Artisan, "migrate", "/srv/shop");
    TRunRequest withVariable = migrate;
    withVariable.Environment = {{"MSG", "it's $x"}};
    const TRunRequest typed = TRunRequest::ForShell("ls -la | wc -l", "/srv/shop");
    TRunRequest typedWithVariable = typed;
    typedWithVariable.Environment = {{"MSG", "on"}};
    const std::vector<std::string> toolsLines = {"APP_ENV=testing", "bad name=x", ""};

    const struct {
        const char* name;
        TProjectTools tools;
        TRunRequest request;
        std::string commandLine;
        TEnvironment environment;
    } cases[] = {
        {"direct", Tools(TRoute::Direct), migrate, "'/opt/php 8/php' artisan migrate", {}},
        {"direct, variables", Tools(TRoute::Direct, toolsLines), withVariable, "'/opt/php 8/php' artisan migrate",
         {{"APP_ENV", "testing"}, {"MSG", "it's $x"}}},
        {"direct, the request's value wins", Tools(TRoute::Direct, {"MSG=tools"}), withVariable,
         "'/opt/php 8/php' artisan migrate", {{"MSG", "it's $x"}}},
        {"direct, typed", Tools(TRoute::Direct, toolsLines), typed, "ls -la | wc -l", {}},
        {"direct, typed with a variable", Tools(TRoute::Direct, toolsLines), typedWithVariable, "ls -la | wc -l",
         {{"MSG", "on"}}},
        {"sail", Tools(TRoute::Sail), migrate, "./vendor/bin/sail artisan migrate", {}},
        {"sail, variables", Tools(TRoute::Sail, toolsLines), withVariable, "./vendor/bin/sail artisan migrate",
         {{"APP_ENV", "testing"}, {"MSG", "it's $x"}}},
        {"sail, typed", Tools(TRoute::Sail, toolsLines), typed, "ls -la | wc -l", {}},
        {"compose", Tools(TRoute::Compose), migrate, "docker compose exec -T app php artisan migrate", {}},
        {"compose, variables", Tools(TRoute::Compose, toolsLines), withVariable,
         "docker compose exec -T -e APP_ENV=testing -e 'MSG=it'\\''s $x' app php artisan migrate", {}},
        {"compose, typed", Tools(TRoute::Compose, toolsLines), typedWithVariable, "ls -la | wc -l", {{"MSG", "on"}}},
        {"ssh", Tools(TRoute::Ssh), migrate, SshCommandLine(Tools(TRoute::Ssh), "'/opt/php 8/php' artisan migrate"),
         {}},
        {"ssh, variables", Tools(TRoute::Ssh, toolsLines), withVariable,
         SshCommandLine(Tools(TRoute::Ssh), "APP_ENV=testing MSG='it'\\''s $x' '/opt/php 8/php' artisan migrate"), {}},
        {"ssh, typed", Tools(TRoute::Ssh, toolsLines), typed, "ls -la | wc -l", {}},
        {"wsl, variables", Tools(TRoute::Wsl, toolsLines), withVariable,
         WslCommandLine(Tools(TRoute::Wsl), "APP_ENV=testing MSG='it'\\''s $x' '/opt/php 8/php' artisan migrate"), {}},
        {"wsl, typed", Tools(TRoute::Wsl), typed, "ls -la | wc -l", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const TRoutedRun run = RouteRequest(c.request, c.tools);
        EXPECT_EQ(run.CommandLine, c.commandLine);
        EXPECT_EQ(run.Environment, c.environment);
        EXPECT_EQ(run.Folder, "/srv/shop");
    }

    // People see the variables in front, as the shell would set them.
    EXPECT_EQ(RouteRequest(withVariable, Tools(TRoute::Direct)).ShownLine,
              "MSG='it'\\''s $x' '/opt/php 8/php' artisan migrate");
    // Settings the route cannot use start nothing.
    TProjectTools noHost = Tools(TRoute::Ssh);
    noHost.SshHost = "-oProxyCommand=x";
    EXPECT_THROW(RouteRequest(migrate, noHost), Exception);
}

// A variable no program can be given turns the run into one that says so and fails,
// rather than one without it.
TEST(RunRequest, AVariableThatCannotReachTheProgramStopsTheRun) {
    testsupport::TempFolder temp;
    const struct {
        const char* name;
        TEnvironment environment;
        const char* named;
    } cases[] = {
        {"NUL in a value", {{"BAD", std::string("x\0y", 3)}}, "BAD"},
        {"a name with a blank", {{"MY VAR", "1"}}, "MY VAR"},
        {"a name with =", {{"A=B", "1"}}, "A=B"},
        {"an empty name", {{"", "1"}}, "not a name"},
    };
    for (const TRoute route : {TRoute::Direct, TRoute::Compose}) {
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(c.name) + (route == TRoute::Direct ? " (direct)" : " (compose)"));
            TRunRequest request = TRunRequest::ForTool(TTool::Php, "-r 'echo 1;'", temp.Path().string());
            request.Environment = c.environment;
            const TRoutedRun run = RouteRequest(request, Tools(route));
            EXPECT_TRUE(run.Environment.empty());
            TToolRead read(TToolRequest{request, Tools(route)});
            const TToolReadResult result = read.Run();
            EXPECT_EQ(result.ExitCode, 1);
            EXPECT_NE(result.Output.find("Not run"), std::string::npos) << result.Output;
            EXPECT_NE(result.Output.find(c.named), std::string::npos) << result.Output;
        }
    }
}

// The variables reach the program through the process start, byte for byte, whatever the
// shell would make of them; over Compose they reach docker as "-e" arguments intact.
TEST(RunRequest, VariablesArriveIntactInTheStartedProgram) {
    testsupport::TempFolder temp;
    const auto bin = temp.Path() / "bin";
    const auto record = temp.Path() / "record";
    WriteScript(bin / "php", "#!/bin/sh\nprintf '%s|%s' \"$MSG\" \"$APP_ENV\" > '" + record.string() + "'\n");
    WriteScript(bin / "docker", "#!/bin/sh\nfor a in \"$@\"; do printf '[%s]' \"$a\"; done > '" + record.string() + "'\n");
    const std::string value = "it's \"quoted\" $HOME `x` $(id) a=b\nsecond line";

    TRunRequest request = TRunRequest::ForTool(TTool::Artisan, "env", temp.Path().string());
    request.Environment = {{"MSG", value}};
    TProjectTools direct = Tools(TRoute::Direct, {"APP_ENV=a=b c"});
    direct.PhpProgram = (bin / "php").string();
    const TToolReadResult ran = TToolRead(TToolRequest{request, direct}).Run();
    ASSERT_EQ(ran.ExitCode, 0) << ran.Output << ran.StartError;
    EXPECT_EQ(ReadAll(record), value + "|a=b c");

    // A typed line has the request's variable, and the shell sees it as a variable.
    TRunRequest typed = TRunRequest::ForShell("printf '%s' \"$MSG\" > '" + record.string() + "'", temp.Path().string());
    typed.Environment = {{"MSG", value}};
    ASSERT_EQ(TToolRead(TToolRequest{typed, direct}).Run().ExitCode, 0);
    EXPECT_EQ(ReadAll(record), value);

    TProjectTools compose = Tools(TRoute::Compose);
    TRunRequest throughDocker = request;
    throughDocker.Tool = TTool::Shell;
    throughDocker.Arguments = "PATH='" + bin.string() + "':\"$PATH\"; " +
                              RouteRequest(request, compose).CommandLine;
    ASSERT_EQ(TToolRead(TToolRequest{throughDocker, TProjectTools{}}).Run().ExitCode, 0);
    EXPECT_EQ(ReadAll(record), "[compose][exec][-T][-e][MSG=" + value + "][app][php][artisan][env]");
}

// Input given with the request reaches the program, which then reads its end.
TEST(RunRequest, TheRequestsInputReachesTheProgram) {
    testsupport::TempFolder temp;
    TRunRequest request = TRunRequest::ForShell("cat; echo done", temp.Path().string());
    request.Input = "yes\nno\n";
    const TToolReadResult result = TToolRead(TToolRequest{request, TProjectTools{}}).Run();
    EXPECT_EQ(result.ExitCode, 0);
    EXPECT_EQ(result.Output, "yes\nno\ndone\n");
}
