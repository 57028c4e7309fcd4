#include "components/AboutInfo.h"
#include "components/JsonRows.h"
#include "components/ToolOutput.h"

#include <gtest/gtest.h>

namespace {

TEST(ToolOutput, AMissingCommandIsToldFromItsMessageAndStatus) {
    struct TCase {
        const char* Output;
        int Status;
        bool Missing;
    };
    const TCase cases[] = {
        {"\n  Command \"about\" is not defined.  \n\n", 1, true},
        {"\n   ERROR  Command \"db:show\" is not defined. Did you mean one of these?\n", 1, true},
        {"There are no commands defined in the \"model\" namespace.", 1, true},
        // A command that exists and happens to print the sentence ended well.
        {"Command \"about\" is not defined.", 0, false},
        {"SQLSTATE[HY000] [2002] Connection refused", 1, false},
        {"", 255, false},
    };
    for (const TCase& c : cases) EXPECT_EQ(CommandIsMissing(c.Output, c.Status), c.Missing) << c.Output;
}

TEST(AboutInfo, SectionsBecomeNameValueGroupsWithLooseValuesFirst) {
    const TAboutInfo info = ReadAboutInfo(
        "PHP Warning: something\n"
        R"({"environment":{"application_name":"Shop","laravel_version":"10.48.4","debug_mode":false,)"
        R"("environment":"local"},"cache":{"config":false,"routes":true},"drivers":{"logs":["single","daily"]},"extra":7})",
        0);
    EXPECT_FALSE(info.Failed);
    ASSERT_EQ(info.Sections.size(), 4u);
    EXPECT_EQ(info.Sections[0], (TAboutSection{"", {{"extra", "7"}}}));
    EXPECT_EQ(info.Sections[1].Name, "environment");
    EXPECT_EQ(info.Sections[1].Items[0], (std::pair<std::string, std::string>{"application_name", "Shop"}));
    EXPECT_EQ(info.Sections[1].Items[2], (std::pair<std::string, std::string>{"debug_mode", "false"}));
    EXPECT_EQ(info.Sections[3], (TAboutSection{"drivers", {{"logs", "single, daily"}}}));
    EXPECT_TRUE(info.Warnings.empty());  // not production
}

TEST(AboutInfo, ProductionWarnsOfDebugModeAndWhatIsNotCached) {
    struct TCase {
        const char* Output;
        std::vector<std::string> Warnings;
    };
    const TCase cases[] = {
        {R"({"environment":{"environment":"production","debug_mode":true},"cache":{"config":false,"routes":false}})",
         {"Debug mode is on in the production environment.",
          "The configuration is not cached in the production environment.",
          "The routes are not cached in the production environment."}},
        {R"({"environment":{"environment":"production","debug_mode":false},"cache":{"config":true,"routes":true}})", {}},
        // Older layouts print the states as words.
        {R"({"environment":{"environment":"production","debug_mode":"ENABLED"},"cache":{"config":"CACHED","routes":"NOT CACHED"}})",
         {"Debug mode is on in the production environment.", "The routes are not cached in the production environment."}},
        {R"({"environment":{"environment":"local","debug_mode":true},"cache":{"config":false}})", {}},
        {R"({"environment":"production"})", {}},
    };
    for (const TCase& c : cases) EXPECT_EQ(ReadAboutInfo(c.Output, 0).Warnings, c.Warnings) << c.Output;
}

TEST(AboutInfo, FailedCutAndWrongShapedOutputGiveAMessage) {
    struct TCase {
        const char* Output;
        int Status;
        const char* MessageHas;
    };
    const TCase cases[] = {
        {"Command \"about\" is not defined.", 1, "status 1"},
        {R"({"environment":{"application_name":"Sh)", 0, "not valid JSON"},
        {"[1, 2]", 0, "not a set of sections"},
        {"", 0, "printed nothing"},
        {"Just some words", 0, "Just some words"},
    };
    for (const TCase& c : cases) {
        const TAboutInfo info = ReadAboutInfo(c.Output, c.Status);
        EXPECT_TRUE(info.Failed) << c.Output;
        EXPECT_NE(info.Message.find(c.MessageHas), std::string::npos) << info.Message;
        EXPECT_TRUE(info.Sections.empty());
    }
}

TEST(JsonRows, ObjectsBecomeRowsUnderTheUnionOfTheirKeys) {
    const TJsonRows rows = ReadJsonRows(
        R"([{"expression":"* * * * *","command":"php artisan inspire"},)"
        R"({"expression":"0 0 * * *","command":"backup","timezone":"UTC","without_overlapping":true},)"
        R"(42, {"command":["a","b"],"extra":{"x":1}}])",
        0);
    EXPECT_FALSE(rows.Failed);
    EXPECT_EQ(rows.Columns, (std::vector<std::string>{"expression", "command", "timezone", "without_overlapping", "extra"}));
    ASSERT_EQ(rows.Rows.size(), 3u);
    EXPECT_EQ(rows.Rows[0], (std::vector<std::string>{"* * * * *", "php artisan inspire", "", "", ""}));
    EXPECT_EQ(rows.Rows[1], (std::vector<std::string>{"0 0 * * *", "backup", "UTC", "true", ""}));
    EXPECT_EQ(rows.Rows[2], (std::vector<std::string>{"", "a, b", "", "", R"({"x":1})"}));
    EXPECT_NE(rows.Message.find("1 entries"), std::string::npos);
}

TEST(JsonRows, AnObjectOfListsGivesARowPerItem) {
    const TJsonRows rows = ReadJsonRows(R"({"App\\Events\\Paid":["SendReceipt","Audit"],"Empty":[]})", 0);
    EXPECT_EQ(rows.Columns, (std::vector<std::string>{"name", "item"}));
    EXPECT_EQ(rows.Rows, (std::vector<std::vector<std::string>>{
                             {"App\\Events\\Paid", "SendReceipt"}, {"App\\Events\\Paid", "Audit"}, {"Empty", ""}}));
}

TEST(JsonRows, SentencesFailuresAndDamagedJson) {
    struct TCase {
        const char* Output;
        int Status;
        bool Failed;
        const char* MessageHas;
    };
    const TCase cases[] = {
        {"\n  INFO  No scheduled tasks have been defined.\n", 0, false, "No scheduled tasks"},
        {"boom", 2, true, "status 2"},
        {R"([{"a":1},{"a")", 0, true, "not valid JSON"},
        {"[\"x\"", 0, true, "not valid JSON"},
        {"", 0, false, "printed nothing"},
    };
    for (const TCase& c : cases) {
        const TJsonRows rows = ReadJsonRows(c.Output, c.Status);
        EXPECT_EQ(rows.Failed, c.Failed) << c.Output;
        EXPECT_NE(rows.Message.find(c.MessageHas), std::string::npos) << rows.Message;
        EXPECT_TRUE(rows.Rows.empty());
    }
}

}  // namespace
