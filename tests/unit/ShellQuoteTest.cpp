#include "platform/ShellQuote.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "components/Cmd.h"
#include "platform/Utf8.h"
#include "TempFolder.h"

namespace {

using platform::QuoteForCmd;
using platform::QuoteForCrt;
using platform::QuoteForSh;

// Values a user types into a command's form, with every character a shell acts on.
const std::vector<std::string> kHostileValues = {
    "plain",
    "",
    "two words",
    "O'Brien \"x\" $(touch pwned)",
    "`id` ; ls && echo hi | cat > out",
    "$HOME ${PATH} * ? ~ [a] #c",
    "100% ^caret^ !bang! <in> (x)",
    "back\\slash\\ \\\"q\\\\",
    "trailing\\",
    "'",
    "''\"\"",
    "tab\there",
    "Ünïcödé 名前 😀",
    "-n",
    "--option=a b",
};

TEST(QuoteForSh, WritesEachCase) {
    const struct {
        const char* value;
        const char* quoted;
    } cases[] = {
        {"make:model", "make:model"},
        {"App/Models/Post.php", "App/Models/Post.php"},
        {"--force", "--force"},
        {"", "''"},
        {"two words", "'two words'"},
        {"O'Brien", "'O'\\''Brien'"},
        {"$(touch x)", "'$(touch x)'"},
        {"a;b", "'a;b'"},
        {"Ünï", "'Ünï'"},
    };
    for (const auto& c : cases) EXPECT_EQ(QuoteForSh(c.value), c.quoted) << c.value;
}

// The real shell gives every value back exactly, and runs nothing that a value names.
TEST(QuoteForSh, TheShellGivesEveryValueBackAsTyped) {
    testsupport::TempFolder folder;
    std::string command = "printf '[%s]\\n'";
    std::string expected;
    for (const std::string& value : kHostileValues) {
        command += ' ' + QuoteForSh(value);
        expected += '[' + value + "]\n";
    }
    TCmd cmd;
    cmd.setCommmandStr(command);
    std::string output;
    cmd.OnReadOutput = [&](const AnsiText& AOutput, std::string) { output = AOutput.Bytes; };
    cmd.RunCommand(platform::Utf8FromPath(folder.Path()));
    EXPECT_EQ(output, expected);
    EXPECT_FALSE(std::filesystem::exists(folder.Path() / "pwned"));
    EXPECT_FALSE(std::filesystem::exists(folder.Path() / "out"));
}

TEST(QuoteForCrt, WritesEachCase) {
    const struct {
        const char* value;
        const char* quoted;
    } cases[] = {
        {"plain", "plain"},
        {"", "\"\""},
        {"two words", "\"two words\""},
        {"say \"hi\"", "\"say \\\"hi\\\"\""},
        {"a\\b", "a\\b"},
        {"a b\\", "\"a b\\\\\""},
        {"a\\\"b", "\"a\\\\\\\"b\""},
        {"tab\there", "\"tab\there\""},
    };
    for (const auto& c : cases) EXPECT_EQ(QuoteForCrt(c.value), c.quoted) << c.value;
}

TEST(QuoteForCmd, CaretsEveryCharacterCmdActsOn) {
    const struct {
        const char* value;
        const char* quoted;
    } cases[] = {
        {"plain", "plain"},
        {"a&b|c", "a^&b^|c"},
        {"100%", "100%%cd:~,%"},
        {"%PATH:~0,5%", "%%cd:~,%PATH:~0,5%%cd:~,%"},
        {"two words", "^\"two words^\""},
        {"<(x)>", "^<^(x^)^>"},
        {"!v! ^", "^\"^!v^! ^^^\""},
    };
    for (const auto& c : cases) EXPECT_EQ(QuoteForCmd(c.value), std::optional<std::string>(c.quoted)) << c.value;
    EXPECT_EQ(QuoteForCmd("two\nlines"), std::nullopt);
    EXPECT_EQ(QuoteForCmd("cr\r"), std::nullopt);
}

TEST(QuoteForBatch, QuotesAlwaysDoublesInnerQuotesAndRefusesLineBreaksAndPercent) {
    const struct {
        const char* value;
        const char* quoted;
    } cases[] = {
        {"", "\"\""},
        {"plain", "\"plain\""},
        {"a\"&b", "\"a\"\"&b\""},
        {"a\\\"b", "\"a\\\\\"\"b\""},
        {"end\\", "\"end\\\\\""},
        {"in\\side", "\"in\\side\""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(platform::QuoteForBatch(c.value), std::optional<std::string>(c.quoted)) << c.value;
    const std::string refused[] = {"two\nlines", "cr\r", std::string("nul\0", 4), "100%", "%PATH%"};
    for (const std::string& value : refused)
        EXPECT_EQ(platform::QuoteForBatch(value), std::nullopt);
}

TEST(IsBatchFile, ExtensionInAnyCaseWithTheDotsAndBlanksWindowsDrops) {
    for (const char* path : {"composer.bat", ".bat", "C:\\tools\\Composer.BAT", "x.cmd", "x.Cmd.", "x.bat . ", "x.bat..."})
        EXPECT_TRUE(platform::IsBatchFile(path)) << path;
    for (const char* path : {"composer", "php.exe", "x.batch", "bat", "x.bat.exe", "C:\\a.bat\\php.exe"})
        EXPECT_FALSE(platform::IsBatchFile(path)) << path;
}

}  // namespace
