#include "platform/ShellQuote.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "components/Cmd.h"
#include "platform/ToolSearch.h"
#include "TempFolder.h"
#include "WineTestSupport.h"

#include <cstdlib>

#include <windows.h>

namespace {

// The argument lines that --print-arguments writes, decoded from hexadecimal.
std::vector<std::string> DecodeLines(const std::string& AOutput) {
    std::vector<std::string> values(1);
    for (std::size_t i = 0; i < AOutput.size(); ++i) {
        if (AOutput[i] == '\n') {
            values.emplace_back();
        } else if (AOutput[i] != '\r' && i + 1 < AOutput.size()) {
            values.back() += static_cast<char>(std::stoi(AOutput.substr(i, 2), nullptr, 16));
            ++i;
        }
    }
    values.pop_back();
    return values;
}

// The values that no quoting for cmd.exe may let it act on.
const std::vector<std::string> HostileValues = {
    "plain",
    "",
    "two words",
    "O'Brien \"x\" $(touch pwned)",
    "a & echo pwned> pwned",
    "\" & echo pwned> pwned & \"",
    "\"&echo pwned>pwned",
    "x | echo pwned > pwned",
    "100% and 50%",
    "%PATH%",
    "%PATH:~0,5%",
    "%PATH:a=b%",
    "^caret^ !bang! <in> (x)",
    "back\\slash\\ \\\"q\\\\",
    "trailing\\",
    "\"",
    "\"\"",
    "Ünïcödé 名前",
};

std::string RunThroughCmd(const std::string& ACommand, const std::string& AFolder) {
    TCmd cmd;
    cmd.setCommmandStr(ACommand);
    std::string output;
    cmd.OnReadOutput = [&](const AnsiText& AOutput, std::string) { output += AOutput.Bytes; };
    cmd.RunCommand(AFolder);
    return output;
}

// A wrapper shaped like the usual composer.bat: cmd.exe reads its arguments a second
// time when it hands them on with %*.
TEST(ShellQuoteWin32Test, BatchWrapperHandsEveryValueOnAsTyped) {
    testsupport::TempFolder folder;
    const std::filesystem::path wrapper = folder.Path() / "tool.bat";
    std::ofstream(wrapper) << "@\"" << platform::ModuleFileName() << "\" " << testsupport::PrintArgumentsArgument
                           << " %*\r\n";
    const std::string program = testsupport::Utf8(wrapper);
    std::string command = *platform::QuoteForBatch(program);
    std::vector<std::string> passed;
    for (const std::string& value : HostileValues) {
        const std::optional<std::string> quoted = platform::QuoteArgumentFor(program, value);
        // A percent sign is refused: cmd.exe may expand the text of %* again.
        EXPECT_EQ(quoted.has_value(), value.find('%') == std::string::npos) << value;
        if (!quoted) continue;
        command += ' ' + *quoted;
        passed.push_back(value);
    }
    const std::string output = RunThroughCmd(command, testsupport::Utf8(folder.Path()));
    EXPECT_EQ(DecodeLines(output), passed) << command << "\n" << output;
    EXPECT_FALSE(std::filesystem::exists(folder.Path() / "pwned"));
}

// "composer" found on the search path as a batch file shaped like Composer's own
// wrapper: each value reaches the program whole or is refused, and none runs a command.
TEST(ShellQuoteWin32Test, ComposerBatchOnTheSearchPathGetsValuesWholeOrRefused) {
    testsupport::TempFolder folder;
    const std::filesystem::path tools = folder.Path() / "tools & bin";
    std::filesystem::create_directories(tools);
    std::ofstream(tools / "composer.bat") << "@echo OFF\r\nsetlocal DISABLEDELAYEDEXPANSION\r\n\"" << platform::ModuleFileName()
                                          << "\" " << testsupport::PrintArgumentsArgument << " %*\r\n";
    const char* saved = std::getenv("PATH");
    const std::string savedPath = saved ? saved : "";
    auto setPath = [](const std::string& AValue) {
        _putenv_s("PATH", AValue.c_str());
        SetEnvironmentVariableA("PATH", AValue.c_str());
    };
    setPath(testsupport::Utf8(tools) + ";" + savedPath);

    const std::string program = platform::FindOnSearchPath("composer");
    EXPECT_EQ(program, testsupport::Utf8(tools / "composer.bat"));
    EXPECT_TRUE(platform::RunsAsBatchFile(program));
    const std::vector<std::string> values = {
        "\"", "a\"&echo pwned>pwned", "\"&echo pwned>pwned&\"", "x & echo pwned> pwned", "50%",
        "%PATH%", "^caret^", "a^&echo pwned>pwned", "x | echo pwned > pwned", "<in> >out",
        "\"\"<in>\"\"", "quote\\\" & echo pwned>pwned", "!PATH! (x)", "end\\",
    };
    std::string command = "composer";
    std::vector<std::string> passed;
    for (const std::string& value : values) {
        const std::optional<std::string> quoted = platform::QuoteArgumentFor(program, value);
        EXPECT_EQ(quoted.has_value(), value.find('%') == std::string::npos) << value;
        if (!quoted) continue;
        command += ' ' + *quoted;
        passed.push_back(value);
    }
    const std::string output = RunThroughCmd(command, testsupport::Utf8(folder.Path()));
    setPath(savedPath);
    EXPECT_EQ(DecodeLines(output), passed) << command << "\n" << output;
    for (const char* made : {"pwned", "out"}) EXPECT_FALSE(std::filesystem::exists(folder.Path() / made)) << made;
}

// A program whose path has blanks, brackets and an ampersand, in plain quotes, with
// more quoted arguments after it: cmd.exe keeps every quote of the line.
TEST(ShellQuoteWin32Test, QuotedProgramPathWithBracketsAndAmpersandRuns) {
    testsupport::TempFolder folder;
    const std::filesystem::path directory = folder.Path() / "Program Files (x86) & more";
    std::filesystem::create_directories(directory);
    const std::filesystem::path program = directory / "tool.exe";
    std::filesystem::copy_file(platform::PathFromUtf8(platform::ModuleFileName()), program);
    const std::string command = "\"" + testsupport::Utf8(program) + "\" " + testsupport::PrintArgumentsArgument +
                                " \"two words\" plain";
    const std::string output = RunThroughCmd(command, testsupport::Utf8(folder.Path()));
    EXPECT_EQ(DecodeLines(output), (std::vector<std::string>{"two words", "plain"})) << output;
}

// Through cmd.exe /C and the C runtime of a real child, every value arrives as typed and
// nothing that a value names runs.
TEST(ShellQuoteWin32Test, CmdAndTheRuntimeGiveEveryValueBackAsTyped) {
    const std::vector<std::string> values = {
        "plain",
        "",
        "two words",
        "O'Brien \"x\" $(touch pwned)",
        "a & echo pwned> pwned",
        "x | echo pwned > pwned",
        "100% and 50%",
        "%UNDEFINED_NAME%",
        "%PATH%",
        "%PATH:~0,5%",
        "%PATH:a=b%",
        "%%PATH%%",
        "^caret^ !bang! <in> (x)",
        "back\\slash\\ \\\"q\\\\",
        "trailing\\",
        "\"",
        "\"\"",
        "\"a & b\"",
        "Ünïcödé 名前",
        "`id` ; ls && dir",
    };
    testsupport::TempFolder folder;
    // The program's path goes through the same quoting as the values.
    std::string command = *platform::QuoteArgument(platform::ModuleFileName()) + ' ' +
                          testsupport::PrintArgumentsArgument;
    for (const std::string& value : values) command += ' ' + *platform::QuoteArgument(value);

    TCmd cmd;
    cmd.setCommmandStr(command);
    std::string output;
    std::string started;
    cmd.OnReadOutput = [&](const AnsiText& AOutput, std::string) { output = AOutput.Bytes; };
    cmd.OnReadError = [&](const AnsiText& AError) { started = AError.Bytes; };
    cmd.RunCommand(testsupport::Utf8(folder.Path()));
    EXPECT_EQ(started, "");
    EXPECT_EQ(DecodeLines(output), values) << command << "\n" << output;
    EXPECT_FALSE(std::filesystem::exists(folder.Path() / "pwned"));
}

}  // namespace
