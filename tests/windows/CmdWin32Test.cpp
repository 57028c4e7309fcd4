#include "components/Cmd.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "components/Exception.h"
#include "components/IniFileParser.h"
#include "platform/Process.h"
#include "CmdRunLog.h"
#include "TempFolder.h"
#include "WineTestSupport.h"
#include "platform/WideTextWin32.h"

namespace fs = std::filesystem;

namespace {

using platform::PathFromUtf8;
using testsupport::SelfCommand;
using testsupport::RunLog;
using testsupport::TempFolder;
using testsupport::Utf8;

RunLog RunCmd(const std::string& ACommand, const std::string& AFolder, bool ARunWithCmd = true) {
    TCmd cmd;
    RunLog log;
    log.Attach(cmd);
    cmd.setRunWithCmd(ARunWithCmd);
    cmd.setCommmandStr(ACommand);
    cmd.RunCommand(AFolder);
    return log;
}

// "00000100\r\n" to "00000199\r\n": 100 lines of ten bytes, as the loop below echoes them.
std::string Numbered1000Bytes() {
    std::string text;
    for (int i = 100; i < 200; ++i) text += "00000" + std::to_string(i) + "\r\n";
    return text;
}

// The system's own text for a Win32 error number.
std::string SystemText(DWORD ACode) {
    wchar_t buffer[512];
    const DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                        ACode, 0, buffer, 512, nullptr);
    std::string text = platform::FromWide(buffer, length);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == '.')) text.pop_back();
    return text;
}

TEST(CmdWin32Test, EmptyCommandThrowsBeforeAnythingHappens) {
    TempFolder folder;
    TCmd cmd;
    RunLog log;
    log.Attach(cmd);
    try {
        cmd.RunCommand(Utf8(folder.Path()));
        FAIL() << "no exception";
    } catch (const Exception& error) {
        EXPECT_STREQ(error.what(), "Command String Empty.");
    }
    EXPECT_TRUE(log.Events.empty());
}

struct OutputCase {
    const char* Name;
    std::string Command;
    std::string Expected;
    bool RunWithCmd = true;
};

void PrintTo(const OutputCase& ACase, std::ostream* AOut) { *AOut << ACase.Name; }

class CmdWin32OutputTest : public testing::TestWithParam<OutputCase> {};

TEST_P(CmdWin32OutputTest, DeliversTheWholeOutputOnceInTheAnsiCodePage) {
    TempFolder folder;
    const RunLog log = RunCmd(GetParam().Command, Utf8(folder.Path()), GetParam().RunWithCmd);

    ASSERT_EQ(log.Events, (std::vector<std::string>{"error", "output"}));
    EXPECT_EQ(log.Errors[0].Bytes, "");
    EXPECT_EQ(log.Outputs[0].Bytes, GetParam().Expected);
    EXPECT_EQ(log.Outputs[0].CodePage, GetACP());
    EXPECT_EQ(log.Commands[0], GetParam().Command);
}

INSTANTIATE_TEST_SUITE_P(
    Outputs, CmdWin32OutputTest,
    testing::Values(
        OutputCase{"NothingWritten", "rem", ""},
        OutputCase{"OnlyBlanksRun", "   ", ""},
        OutputCase{"OutputAndErrorMergedInOrder", "echo out1& echo err1>&2& echo out2& echo err2>&2",
                   "out1\r\nerr1\r\nout2\r\nerr2\r\n"},
        OutputCase{"ThousandBytesInOrder", "for /L %i in (100,1,199) do @echo 00000%i", Numbered1000Bytes()},
        OutputCase{"NulBytesDroppedRestKept", SelfCommand("--write-bytes 6162006364000065660d0a"),
                   "abcdef\r\n"},
        OutputCase{"NulBytesDroppedWithoutInterpreter", SelfCommand("--write-bytes 00410042"), "AB", false}),
    [](const auto& AInfo) { return std::string(AInfo.param.Name); });

TEST(CmdWin32Test, CommandLineIsTheInterpreterAndTheCommandUnchanged) {
    platform::ProcessStartInfo info;
    ASSERT_EQ(platform::SetCommand(info, "php artisan list", true), platform::TCommandProblem::None);
    EXPECT_EQ(info.CommandLine, "cmd.exe /S /C \"php artisan list\"");
    ASSERT_EQ(platform::SetCommand(info, "php artisan list", false), platform::TCommandProblem::None);
    EXPECT_EQ(info.CommandLine, "php artisan list");

    // What the started program receives: the command line exactly as built.
    TempFolder folder;
    const std::string command = SelfCommand("--print-command-line  \"a  b\" %PATH%");
    const RunLog direct = RunCmd(command, Utf8(folder.Path()), false);
    ASSERT_EQ(direct.Outputs.size(), 1u);
    EXPECT_EQ(direct.Outputs[0].Bytes, command);
    // Through cmd.exe the interpreter applies its own rules (here: expansion) to the text;
    // how it quotes the program's name when it starts it is its own business.
    const RunLog viaCmd = RunCmd(SelfCommand("--print-command-line %OS%"), Utf8(folder.Path()));
    ASSERT_EQ(viaCmd.Outputs.size(), 1u);
    EXPECT_TRUE(viaCmd.Outputs[0].Bytes.ends_with("windows_tests.exe\" --print-command-line Windows_NT") ||
                viaCmd.Outputs[0].Bytes.ends_with("windows_tests.exe --print-command-line Windows_NT"))
        << viaCmd.Outputs[0].Bytes;
}

TEST(CmdWin32Test, RunsInTheGivenFolderNamedInUtf8) {
    TempFolder temp;
    const fs::path folder = temp.Path() / PathFromUtf8("caf\xC3\xA9 \xC3\xBC");
    fs::create_directory(folder);
    const RunLog log = RunCmd("cd", Utf8(folder));
    ASSERT_EQ(log.Outputs.size(), 1u);
    // cmd writes in the ANSI code page (1252 under wine: one byte each for é and ü).
    const std::wstring wideName = L"caf\u00E9 \u00FC";
    char ansiName[32] = {};
    const int length = WideCharToMultiByte(CP_ACP, 0, wideName.c_str(), -1, ansiName, sizeof ansiName, nullptr, nullptr);
    ASSERT_GT(length, 1);
    const std::string expectedEnd = std::string(ansiName) + "\r\n";
    EXPECT_TRUE(log.Outputs[0].Bytes.ends_with(expectedEnd)) << log.Outputs[0].Bytes;
    if (GetACP() == 1252) {
        EXPECT_EQ(expectedEnd, "caf\xE9 \xFC\r\n");
    }
}

TEST(CmdWin32Test, ToolMissingFromThePathArrivesAsOutput) {
    TempFolder folder;
    const RunLog log = RunCmd("tarnwick-no-such-tool --version", Utf8(folder.Path()));
    ASSERT_EQ(log.Events, (std::vector<std::string>{"error", "output"}));
    EXPECT_NE(log.Outputs[0].Bytes.find("tarnwick-no-such-tool"), std::string::npos) << log.Outputs[0].Bytes;
}

struct StartFailureCase {
    const char* Name;
    const char* Folder;  // below the temporary folder; nullptr: the empty text
    bool RunWithCmd;
    std::string Command;
    DWORD SystemError;
    std::vector<std::string> ExpectedParts;  // "<folder>" stands for the folder's path
};

void PrintTo(const StartFailureCase& ACase, std::ostream* AOut) { *AOut << ACase.Name; }

class CmdWin32StartFailureTest : public testing::TestWithParam<StartFailureCase> {};

TEST_P(CmdWin32StartFailureTest, RaisesOnlyTheErrorEventWithTheSystemsReason) {
    const StartFailureCase& test = GetParam();
    TempFolder temp;
    std::ofstream(temp.Path() / "file.txt") << "not a folder";
    const std::string folder = test.Folder == nullptr ? "" : Utf8(temp.Path() / test.Folder);
    const fs::path marker = temp.Path() / "started";

    const RunLog log = RunCmd(test.Command.empty() ? "echo x> \"" + Utf8(marker) + "\"" : test.Command,
                              folder, test.RunWithCmd);

    ASSERT_EQ(log.Events, std::vector<std::string>{"error"});
    const std::string& text = log.Errors[0].Bytes;
    std::vector<std::string> parts = test.ExpectedParts;
    parts.push_back("(" + SystemText(test.SystemError) + ")");
    for (std::string part : parts) {
        if (part == "<folder>") part = "\"" + folder + "\"";
        EXPECT_NE(text.find(part), std::string::npos) << "'" << part << "' not in: " << text;
    }
    EXPECT_EQ(text.find('\n'), std::string::npos) << text;
    EXPECT_FALSE(fs::exists(marker));
}

INSTANTIATE_TEST_SUITE_P(
    StartFailures, CmdWin32StartFailureTest,
    testing::Values(
        StartFailureCase{"EmptyFolder", nullptr, true, "", ERROR_DIRECTORY, {"not started", "no project is selected"}},
        StartFailureCase{"MissingFolder", "missing", true, "", ERROR_DIRECTORY,
                         {"not started", "<folder>", "does not exist"}},
        StartFailureCase{"FileInsteadOfFolder", "file.txt", true, "", ERROR_DIRECTORY, {"<folder>", "is not a folder"}},
        StartFailureCase{"UnknownProgramWithoutInterpreter", ".", false, "tarnwick-no-such-program --version",
                         ERROR_FILE_NOT_FOUND, {"<folder>", "\"tarnwick-no-such-program\" could not be started"}}),
    [](const auto& AInfo) { return std::string(AInfo.param.Name); });

TEST(CmdWin32Test, WithoutHandlersTheChildStillRunsToItsEnd) {
    TempFolder folder;
    TCmd cmd;
    cmd.setCommmandStr("echo ignored& echo done> finished.txt");
    cmd.RunCommand(Utf8(folder.Path()));
    EXPECT_EQ(testsupport::ReadBytes(folder.Path() / "finished.txt"), "done\r\n");
}

// Starts ACommand through cmd.exe in AFolder with its output into APipe's write end, which
// is then closed here.
platform::StartError StartThroughCmd(const std::string& ACommand, const std::string& AFolder,
                                     platform::Pipe& APipe, platform::ChildProcess& AChild) {
    platform::ProcessStartInfo info;
    platform::SetCommand(info, ACommand, true);
    info.WorkingDir = AFolder;
    info.OutputFd = APipe.WriteEnd.Get();
    const platform::StartError error = platform::StartProcess(info, AChild);
    APipe.WriteEnd.Close();
    return error;
}

TEST(ProcessWin32Test, ThousandBytesComeInReadsOfAtMost255) {
    TempFolder folder;
    platform::Pipe pipe;
    ASSERT_FALSE(platform::CreatePipe(pipe));
    platform::ChildProcess child;
    ASSERT_FALSE(StartThroughCmd("for /L %i in (100,1,199) do @echo 00000%i", Utf8(folder.Path()), pipe, child));
    ASSERT_TRUE(child.Started());

    std::string collected;
    std::vector<std::size_t> reads;
    char buffer[256];
    while (const std::size_t count = platform::ReadPipe(pipe.ReadEnd, buffer, 255)) {
        reads.push_back(count);
        collected.append(buffer, count);
    }
    child.Wait();
    EXPECT_FALSE(child.Started());
    EXPECT_EQ(collected, Numbered1000Bytes());
    EXPECT_GE(reads.size(), 4u);
    for (const std::size_t count : reads) EXPECT_LE(count, 255u);
}

TEST(ProcessWin32Test, RefusedFolderIsTheSystemsInvalidFolderError) {
    TempFolder temp;
    for (const std::string& folder : {std::string(), Utf8(temp.Path() / "missing")}) {
        SCOPED_TRACE("folder \"" + folder + "\"");
        platform::Pipe pipe;
        ASSERT_FALSE(platform::CreatePipe(pipe));
        platform::ChildProcess child;
        const platform::StartError error = StartThroughCmd("echo x", folder, pipe, child);
        EXPECT_EQ(error.Stage, platform::StartError::TStage::WorkingDir);
        EXPECT_EQ(error.Reason.value(), static_cast<int>(ERROR_DIRECTORY));
        EXPECT_EQ(error.Reason.message(), SystemText(ERROR_DIRECTORY));
        EXPECT_FALSE(child.Started());
        char buffer[16];
        EXPECT_EQ(platform::ReadPipe(pipe.ReadEnd, buffer, sizeof buffer), 0u);
    }
}

TEST(CodePageWin32Test, AnsiCodePageIsTheSystems) {
    EXPECT_EQ(AnsiText{}.CodePage, GetACP());
    EXPECT_EQ(platform::SystemAnsiCodePage(), GetACP());
}

TEST(ModuleFileNameWin32Test, NamesThisExecutableWithItsFolder) {
    const std::string name = platform::ModuleFileName();
    EXPECT_TRUE(name.ends_with("\\windows_tests.exe")) << name;
    EXPECT_TRUE(fs::is_regular_file(PathFromUtf8(name))) << name;
    // The settings file sits beside the program: its folder, with the closing backslash.
    EXPECT_EQ(TIniFileParser::ReadApplicationPath(), name.substr(0, name.size() - std::string("windows_tests.exe").size()));
}

}  // namespace
