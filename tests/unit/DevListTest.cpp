// What "php artisan dev:list --json" prints becomes services of the board.
#include "components/DevList.h"
#include "components/Services.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

TEST(DevList, EntriesAreReadAndWhatCannotBeUsedIsSaidSo) {
    const struct {
        std::string json;
        std::vector<TDevCommand> commands;
        bool problem;
    } cases[] = {
        {R"([{"name":"server","command":"php artisan serve"},{"name":" queue ","command":"php artisan queue:listen --tries=1 "}])",
         {{"server", "php artisan serve"}, {"queue", "php artisan queue:listen --tries=1"}},
         false},
        {"[]", {}, false},
        {" [ ] \n", {}, false},
        // Extra fields are passed over; the order of the fields does not matter.
        {R"([{"command":"npm run dev","colour":"#fff","name":"vite"}])", {{"vite", "npm run dev"}}, false},
        // A bad entry is left out, the good ones kept.
        {R"([{"name":"a"},{"name":"b","command":"x"},{"name":1,"command":"y"},{"name":"c","command":["z"]},"d",null,[]])",
         {{"b", "x"}},
         true},
        {R"([{"name":"  ","command":"x"},{"name":"y","command":"\t"}])", {}, true},
        // A command over two lines, a name with a control character.
        {R"([{"name":"two","command":"php artisan serve\nrm -rf /"},{"name":"bell\u0007","command":"x"}])", {}, true},
        {R"([{"name":"nul","command":"a\u0000b"}])", {}, true},
        {"[{\"name\":\"" + std::string(kMaxDevListNameBytes + 1, 'n') + "\",\"command\":\"x\"}]", {}, true},
        // Not a list at all.
        {"", {}, true},
        {"Command \"dev:list\" is not defined.", {}, true},
        {R"({"name":"server","command":"php artisan serve"})", {}, true},
        {R"([{"name":"server","command":"php artisan serve"})", {}, true},
        {"\"text\"", {}, true},
        {"\xff\xfe[]", {}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.json);
        const TDevScript list = ReadDevList(c.json);
        EXPECT_EQ(list.Commands, c.commands);
        EXPECT_EQ(!list.Problem.empty(), c.problem) << list.Problem;
    }
}

TEST(DevList, AHugeListIsCutAtTheBound) {
    std::string json = "[";
    for (std::size_t i = 0; i < kMaxDevListEntries + 5; ++i)
        json += (i ? "," : "") + std::string(R"({"name":"w)") + std::to_string(i) + R"(","command":"php artisan queue:work"})";
    json += "]";
    const TDevScript list = ReadDevList(json);
    ASSERT_EQ(list.Commands.size(), kMaxDevListEntries);
    EXPECT_EQ(list.Commands.back().Name, "w" + std::to_string(kMaxDevListEntries - 1));
    EXPECT_FALSE(list.Problem.empty());
}

// The listed processes join the board after the dev script's, each with a key of its own,
// also where a name repeats one of the dev script's.
TEST(DevList, TheListedProcessesBecomeServices) {
    TServiceFacts facts;
    facts.ArtisanCommands = std::set<std::string>{"serve", "queue:work", "dev:list"};
    facts.ComposerJson = R"({"scripts":{"dev":["php artisan pail"]}})";
    facts.DevList = R"([{"name":"server","command":"php artisan serve --port=8100"},
                        {"name":"reverb","command":"php artisan reverb:start"},
                        {"name":"reverb","command":"php artisan reverb:start --debug"},
                        {"name":"bad"}])";
    const TServiceList list = FindServices(facts, {}, {{"reverb", "own line"}});
    std::vector<std::string> keys;
    for (const TServiceDefinition& service : list.Services) keys.push_back(service.Key);
    EXPECT_EQ(keys, (std::vector<std::string>{"serve", "queue", "dev:php artisan pail", "list:server", "list:reverb",
                                              "list:reverb (2)", "own:reverb"}));
    EXPECT_EQ(list.Services[3].Kind, TServiceDefinition::TKind::DevList);
    EXPECT_EQ(list.Services[3].Name, "server");
    EXPECT_EQ(list.Services[3].CommandLine, "php artisan serve --port=8100");
    EXPECT_EQ(list.Services[5].CommandLine, "php artisan reverb:start --debug");
    ASSERT_EQ(list.Problems.size(), 1u);
    EXPECT_NE(list.Problems[0].find("dev:list"), std::string::npos);
}
