// The runner's live side on Windows: the exit code, a stop that ends the whole job,
// input from the caller, the handles a child inherits, and a start failure in a folder
// with a non-ASCII name.
#include "components/Cmd.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <future>
#include <string>

#include "TempFolder.h"
#include "WineTestSupport.h"
#include "platform/WideTextWin32.h"

namespace {

using testsupport::SelfCommand;
using testsupport::TempFolder;
using testsupport::Utf8;
using TKind = TRunEnd::TKind;
using namespace std::chrono_literals;

TEST(CmdLiveWin32Test, TellsTheExitCode) {
    TempFolder folder;
    for (const auto& [command, code] : {std::pair{std::string("exit 0"), 0}, std::pair{std::string("exit 3"), 3},
                                        std::pair{SelfCommand(testsupport::EchoInputArgument), 7}}) {
        TCmd cmd;
        cmd.setCommmandStr(command);
        cmd.RunCommand(Utf8(folder.Path()));
        EXPECT_EQ(cmd.LastRunEnd().Kind, TKind::Exited) << command;
        EXPECT_EQ(cmd.LastRunEnd().Code, code) << command;
    }
}

// The interpreter's child holds the pipe: only ending the whole job ends the run.
TEST(CmdLiveWin32Test, StopEndsTheInterpreterAndItsChild) {
    TempFolder folder;
    TCmd cmd;
    cmd.setStopGraceMs(300);
    cmd.setCommmandStr(SelfCommand(std::string(testsupport::SleepArgument) + " 60000"));
    std::promise<void> started;
    cmd.OnReadError = [&started](const AnsiText&) { started.set_value(); };
    auto run = std::async(std::launch::async, [&] { cmd.RunCommand(Utf8(folder.Path())); });
    started.get_future().wait();
    EXPECT_EQ(run.wait_for(500ms), std::future_status::timeout);
    const auto stopAt = std::chrono::steady_clock::now();
    cmd.Stop();
    ASSERT_EQ(run.wait_for(20s), std::future_status::ready);
    EXPECT_LT(std::chrono::steady_clock::now() - stopAt, 10s);
    EXPECT_EQ(cmd.LastRunEnd().Kind, TKind::Stopped);
}

TEST(CmdLiveWin32Test, InputFromTheCallerReachesTheChild) {
    TempFolder folder;
    TCmd cmd;
    cmd.setRunWithCmd(false);
    cmd.setInputFromCaller(true);
    cmd.setCommmandStr(SelfCommand(testsupport::EchoInputArgument));
    std::promise<void> started;
    std::string output;
    cmd.OnReadError = [&started](const AnsiText&) { started.set_value(); };
    cmd.OnReadChunk = [&output](const AnsiText& AChunk) { output += AChunk.Bytes; };
    auto run = std::async(std::launch::async, [&] { cmd.RunCommand(Utf8(folder.Path())); });
    started.get_future().wait();
    EXPECT_TRUE(cmd.WriteInput("yes\r\n"));
    cmd.CloseInput();
    ASSERT_EQ(run.wait_for(20s), std::future_status::ready);
    EXPECT_EQ(output, "yes\r\n");
    EXPECT_EQ(cmd.LastRunEnd().Code, 7);
}

// An inheritable handle of ours (as a kept connection's socket would be) does not reach
// the child: it inherits its pipe ends and nothing else.
TEST(CmdLiveWin32Test, ChildInheritsOnlyItsOwnPipeEnds) {
    TempFolder folder;
    SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE event = CreateEventW(&inheritable, TRUE, FALSE, nullptr);
    ASSERT_NE(event, nullptr);
    char hex[32];
    std::snprintf(hex, sizeof hex, "%llx", static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(event)));

    TCmd cmd;
    cmd.setRunWithCmd(false);
    cmd.setCommmandStr(SelfCommand(std::string(testsupport::HandleUsableArgument) + " " + hex));
    cmd.RunCommand(Utf8(folder.Path()));
    CloseHandle(event);
    EXPECT_EQ(cmd.LastRunEnd().Kind, TKind::Exited);
    EXPECT_EQ(cmd.LastRunEnd().Code, 1) << "the child could use our handle " << hex;
}

// The start-failure text names the folder as it is called, in the code page it is
// tagged with.
TEST(CmdLiveWin32Test, StartFailureNamesANonAsciiFolderReadably) {
    TempFolder folder;
    const std::string missing = Utf8(folder.Path()) + "\\caf\xC3\xA9-\xD0\xBF\xD1\x80\xD0\xBE\xD0\xB5\xD0\xBA\xD1\x82";
    TCmd cmd;
    AnsiText report;
    cmd.OnReadError = [&report](const AnsiText& AError) { report = AError; };
    cmd.setCommmandStr("echo x");
    cmd.RunCommand(missing);
    EXPECT_EQ(cmd.LastRunEnd().Kind, TKind::NotStarted);
    ASSERT_EQ(report.CodePage, 65001u);  // UTF-8
    EXPECT_NE(report.Bytes.find("\"" + missing + "\""), std::string::npos) << report.Bytes;
}

}  // namespace
