#include "components/ProjectTools.h"
#include "components/ServiceSettings.h"
#include "components/Services.h"
#include "platform/LocalPorts.h"
#include "platform/ShellQuote.h"

#include "TempFolder.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace {

using TKind = TServiceDefinition::TKind;
using namespace std::chrono_literals;

// The skeleton's own dev script, as a new Laravel project's composer.json has it.
constexpr const char* kSkeletonComposer = R"({
  "name": "laravel/laravel",
  "scripts": {
    "dev": [
      "Composer\\Config::disableProcessTimeout",
      "npx concurrently -c \"#93c5fd,#c4b5fd,#fb7185,#fdba74\" \"php artisan serve\" \"php artisan queue:listen --tries=1\" \"php artisan pail --timeout=0\" \"npm run dev\" --names=server,queue,logs,vite"
    ]
  }
})";

TEST(Services, TheDevScriptIsReadIntoOneCommandPerProcess) {
    const struct {
        const char* json;
        std::vector<TDevCommand> commands;
        bool problem;
    } cases[] = {
        {kSkeletonComposer,
         {{"server", "php artisan serve"},
          {"queue", "php artisan queue:listen --tries=1"},
          {"logs", "php artisan pail --timeout=0"},
          {"vite", "npm run dev"}},
         false},
        // Names as a separate word, a separator of their own, fewer names than commands.
        {R"({"scripts":{"dev":"concurrently -n 'web|jobs' --name-separator '|' -k 'php artisan serve' \"php artisan queue:work --queue='high'\" 'npm run dev'"}})",
         {{"web", "php artisan serve"}, {"jobs", "php artisan queue:work --queue='high'"}, {"npm run dev", "npm run dev"}},
         false},
        // Plain lines, Composer's own shorthands, a callback left out.
        {R"({"scripts":{"dev":["@php artisan serve","@composer dump-autoload","App\\Setup::run","php artisan queue:work"]}})",
         {{"php artisan serve", "php artisan serve"},
          {"composer dump-autoload", "composer dump-autoload"},
          {"php artisan queue:work", "php artisan queue:work"}},
         false},
        {R"({"scripts":{"test":"phpunit"}})", {}, false},
        {"", {}, false},
        // What cannot be read says so, and what could be read is kept.
        {R"({"scripts":{"dev":["php artisan serve","npx concurrently \"php artisan serve"]}})",
         {{"php artisan serve", "php artisan serve"}},
         true},
        {R"({"scripts":{"dev":"npx concurrently --names"}})", {}, true},
        {R"({"scripts":{"dev":"npx concurrently -k"}})", {}, true},
        // A blank command runs nothing and keeps the names in their places.
        {R"({"scripts":{"dev":"npx concurrently -n a,b,c 'php artisan serve' '' 'npm run dev'"}})",
         {{"a", "php artisan serve"}, {"c", "npm run dev"}},
         false},
        {R"({"scripts":{"dev":"npx concurrently '' ' '"}})", {}, true},
        {R"({"scripts":{"dev":["@build"]}})", {}, true},
        {R"({"scripts":{"dev":[1, "php artisan serve"]}})", {{"php artisan serve", "php artisan serve"}}, true},
        {R"({"scripts":{"dev":{"a":"b"}}})", {}, true},
        {R"({"scripts":{"dev":"php artisan serve")", {}, true},
        {"[1,2]", {}, true},
    };
    for (const auto& c : cases) {
        const TDevScript script = ReadComposerDevScript(c.json);
        EXPECT_EQ(script.Commands, c.commands) << c.json;
        EXPECT_EQ(!script.Problem.empty(), c.problem) << c.json << ": " << script.Problem;
    }
}

TEST(Services, AProjectOffersWhatItHas) {
    TServiceFacts facts;
    facts.ComposerJson = kSkeletonComposer;
    facts.PackageJson = R"({"scripts":{"dev":"vite","build":"vite build"}})";
    facts.ServerPort = 8003;
    TQueueOptions queue;
    queue.Connection = "redis";
    queue.Queue = "high,default";
    queue.Tries = 3;
    queue.TimeoutSeconds = 90;
    const TServiceList list =
        FindServices(facts, queue, {{"Mail catcher", "mailpit --smtp 127.0.0.1:1025"}, {" ", "ignored"}, {"server", "x"}});
    std::vector<std::string> keys;
    for (const TServiceDefinition& service : list.Services) keys.push_back(service.Key);
    EXPECT_EQ(keys, (std::vector<std::string>{"serve", "queue", "schedule", "vite", "dev:server", "dev:queue", "dev:logs",
                                              "dev:vite", "own:Mail catcher", "own:server"}));
    EXPECT_EQ(list.Services[0].CommandLine, "php artisan serve --port=8003");
    EXPECT_EQ(list.Services[1].CommandLine, "php artisan queue:work redis --queue=high,default --tries=3 --timeout=90");
    EXPECT_EQ(list.Services[3].Kind, TKind::Vite);
    EXPECT_TRUE(list.Problems.empty());

    // A framework without schedule:work, no package.json dev script, a broken dev script.
    facts.ArtisanCommands = std::set<std::string>{"serve", "queue:work"};
    facts.PackageJson = R"({"scripts":{"build":"vite build"}})";
    facts.ComposerJson = R"({"scripts":{"dev":"npx concurrently 'php artisan serve"}})";
    const TServiceList plain = FindServices(facts, {}, {});
    ASSERT_EQ(plain.Services.size(), 2u);
    EXPECT_EQ(plain.Services[1].CommandLine, "php artisan queue:work");
    ASSERT_EQ(plain.Problems.size(), 1u);
    EXPECT_NE(plain.Problems[0].find("composer.json"), std::string::npos);
}

// The queue worker's options reach the program as the user set them, whatever they hold.
TEST(Services, QueueOptionsArriveVerbatim) {
    testsupport::TempFolder temp;
    const auto php = temp.Path() / "php";
    std::ofstream(php) << "#!/bin/sh\nshift\nfor a in \"$@\"; do printf '[%s]' \"$a\"; done\n";
    std::filesystem::permissions(php, std::filesystem::perms::owner_all);
    TQueueOptions options;
    options.Connection = "redis; touch hacked";
    options.Queue = "$(id) `x` 'q' \"d\"";
    const auto line = QueueWorkerLine(options);
    ASSERT_TRUE(line.has_value());
    TProjectTools tools;
    tools.PhpProgram = php.string();
    const TProbeResult result = RunProbe(RouteCommandLine(tools, *line), temp.Path().string());
    EXPECT_EQ(result.Output, "[queue:work][redis; touch hacked][--queue=$(id) `x` 'q' \"d\"]");
    EXPECT_FALSE(std::filesystem::exists(temp.Path() / "hacked"));

    options.Queue = std::string("a\0b", 3);
    EXPECT_EQ(QueueWorkerLine(options), std::nullopt);
}

TEST(Services, TheServersAddressIsReadFromItsOutput) {
    const struct {
        const char* line;
        std::optional<std::string> address;
    } cases[] = {
        {"\n   \x1b[37;44m INFO \x1b[39;49m Server running on [\x1b[1mhttp://127.0.0.1:8001\x1b[22m].  \n",
         "http://127.0.0.1:8001"},
        {"Starting Laravel development server: http://127.0.0.1:8000\n", "http://127.0.0.1:8000"},
        {"  Server running on [http://[::1]:8000].", "http://[::1]:8000"},
        {"Server running on [ftp://x]", std::nullopt},
        {"  Press Ctrl+C to stop the server", std::nullopt},
        {"\x1b[", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(ServerAddressIn(c.line), c.address) << c.line;
}

TEST(Services, ACrashedServiceIsRestartedWithBackOffThenGivenUp) {
    TRestartPolicy policy;
    const int delays[] = {1, 2, 4, 8, 16};
    for (int attempt = 1; attempt <= 5; ++attempt) {
        EXPECT_EQ(policy.AfterCrash(2s), std::chrono::seconds(delays[attempt - 1]));
        EXPECT_EQ(policy.Attempt(), attempt);
    }
    EXPECT_EQ(policy.AfterCrash(2s), std::nullopt);
    // A service that had stayed up for a minute counts from the start again.
    EXPECT_EQ(policy.AfterCrash(61s), 1s);
    EXPECT_EQ(policy.Attempt(), 1);
    policy.Reset();
    EXPECT_EQ(policy.AfterCrash(0s), 1s);
}

TEST(Services, APortAnotherProcessListensOnIsPassedOver) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_ANY);  // every address, so the loopback one too
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(fd, 1), 0);
    socklen_t size = sizeof address;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
    const int port = ntohs(address.sin_port);

    EXPECT_FALSE(platform::IsLocalPortFree(port));
    const int next = platform::FirstFreeLocalPort(port, port + 20);
    EXPECT_GT(next, port);
    EXPECT_TRUE(platform::IsLocalPortFree(next));
    ::close(fd);
    EXPECT_TRUE(platform::IsLocalPortFree(port));
    EXPECT_FALSE(platform::IsLocalPortFree(0));
    EXPECT_FALSE(platform::IsLocalPortFree(70000));
}

}  // namespace

namespace {

TEST(ServiceSettings, WhatTheUserSetSurvivesAReopenedStore) {
    testsupport::TempFolder temp;
    const std::string file = (temp.Path() / "services.ini").string();
    const std::string shop = "/srv/www/shop [old] \"x\"";
    TServiceSettings settings;
    settings.Queue = {"redis", "high, default", 3, 90};
    settings.Own = {{"Mail catcher", "mailpit --smtp 127.0.0.1:1025"}, {"Tail", " tail -f storage/logs/*.log "}};
    settings.setStartsWithProject("serve", true);
    settings.setStartsWithProject("own:Tail", true);
    ASSERT_TRUE(TServiceSettingsStore(file).Save(shop, settings));
    ASSERT_TRUE(TServiceSettingsStore(file).Save("/srv/www/blog", {}));
    const TServiceSettings loaded = TServiceSettingsStore(file).Load(shop);
    EXPECT_EQ(loaded.Queue.Connection, "redis");
    EXPECT_EQ(loaded.Queue.Queue, "high, default");
    EXPECT_EQ(loaded.Queue.Tries, 3);
    EXPECT_EQ(loaded.Queue.TimeoutSeconds, 90);
    ASSERT_EQ(loaded.Own.size(), 2u);
    EXPECT_EQ(loaded.Own[1].CommandLine, " tail -f storage/logs/*.log ");
    EXPECT_EQ(loaded.StartWithProject, (std::vector<std::string>{"serve", "own:Tail"}));

    // Shorter lists replace longer ones; a value no file can hold is refused.
    settings.Own.pop_back();
    settings.setStartsWithProject("own:Tail", false);
    ASSERT_TRUE(TServiceSettingsStore(file).Save(shop, settings));
    EXPECT_EQ(TServiceSettingsStore(file).Load(shop).Own.size(), 1u);
    EXPECT_EQ(TServiceSettingsStore(file).Load(shop).StartWithProject, std::vector<std::string>{"serve"});
    settings.Own[0].CommandLine = "a\nb";
    EXPECT_FALSE(TServiceSettingsStore(file).Save(shop, settings));
    EXPECT_TRUE(TServiceSettingsStore(file).Load("/srv/www/none").Own.empty());
    EXPECT_TRUE(TServiceSettingsStore("").Load(shop).Own.empty());
}

}  // namespace
