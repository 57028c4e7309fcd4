// Runs on a terminal on Windows: a child on a pseudo console, whose output ends once the
// child has ended, takes new sizes and stops with its job; and the runner's terminal runs,
// on whichever path the system gives them (the pipe under wine).
#include "platform/PseudoTerminal.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <string>

#include "TempFolder.h"
#include "WineTestSupport.h"
#include "components/Cmd.h"
#include "platform/WideTextWin32.h"

namespace {

using testsupport::SelfCommand;
using testsupport::TempFolder;
using testsupport::Utf8;
using TKind = TRunEnd::TKind;
using namespace std::chrono_literals;

bool UnderWine() { return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr; }

bool SystemHasPseudoConsoles() {
    return GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "CreatePseudoConsole") != nullptr;
}

// A child started on a fresh pseudo console, with a reader of everything the console shows.
class ConsoleChild {
public:
    explicit ConsoleChild(const std::string& AArguments, platform::TerminalSize ASize = {}) {
        if (const std::error_code error = platform::OpenPseudoTerminal(FTerminal, ASize)) {
            ADD_FAILURE() << "no pseudo console: " << error.message();
            return;
        }
        platform::ProcessStartInfo info;
        info.Console = FTerminal.Console.get();
        info.WorkingDir = Utf8(FFolder.Path());
        platform::SetCommand(info, SelfCommand(AArguments), false);
        const platform::StartError error = platform::StartProcess(info, FChild);
        EXPECT_FALSE(error) << error.Reason.message();
        platform::ReleaseChildSide(FTerminal, FChild);
        FOutput = std::async(std::launch::async, [this] {
            std::string output;
            char buffer[256];
            while (const std::size_t count = platform::ReadPipe(FTerminal.Master, buffer, sizeof buffer))
                output.append(buffer, count);
            return output;
        });
    }
    ~ConsoleChild() {
        // A reader still waiting goes with its pipe.
        if (FOutput.valid() && FOutput.wait_for(0s) != std::future_status::ready) FChild.StopTree(platform::TStopStep::Kill);
    }

    platform::PseudoTerminal& Terminal() { return FTerminal; }
    platform::ChildProcess& Child() { return FChild; }
    // The whole output, once the console has reported its end; fails when it does not
    // within ATimeout.
    std::string Output(std::chrono::seconds ATimeout = 20s) {
        if (FOutput.wait_for(ATimeout) != std::future_status::ready) {
            ADD_FAILURE() << "the console's output did not end";
            return {};
        }
        return FOutput.get();
    }

private:
    TempFolder FFolder;
    platform::PseudoTerminal FTerminal;
    platform::ChildProcess FChild;
    std::future<std::string> FOutput;
};

class PseudoConsoleWin32Test : public testing::Test {
protected:
    void SetUp() override {
        if (!SystemHasPseudoConsoles()) GTEST_SKIP() << "this system has no pseudo consoles";
    }
};

// The child writes to its console itself (CONOUT$): wine does not make the console its
// standard output, Windows does.
TEST_F(PseudoConsoleWin32Test, OutputArrivesAndEndsOnceTheChildHasEnded) {
    ConsoleChild child(std::string(testsupport::WriteConsoleArgument) + " 68656c6c6f2c20636f6e736f6c65");
    const std::string output = child.Output();
    EXPECT_NE(output.find("hello, console"), std::string::npos) << output;
    child.Child().WaitEnded();
    EXPECT_EQ(child.Child().Reap().Code, 0);
}

// What is typed reaches the child through its console, and the end-of-input keys end
// its input there.
TEST_F(PseudoConsoleWin32Test, TypedLinesAndTheEndOfInputReachTheChild) {
    ConsoleChild child(testsupport::EchoConsoleArgument);
    const std::string typed = std::string("composer\r") + platform::EndOfInputKeys();
    ASSERT_TRUE(platform::WritePipe(child.Terminal().Input, typed.data(), typed.size()));
    const std::string output = child.Output();
    EXPECT_NE(output.find("read:composer"), std::string::npos) << output;
    child.Child().WaitEnded();
    EXPECT_EQ(child.Child().Reap().Code, 7);
}

// Wine (8.0) has no resize: its answer comes back as the error.
TEST_F(PseudoConsoleWin32Test, ResizesWhileTheChildRunsAndNotAfterTheClose) {
    ConsoleChild child(std::string(testsupport::SleepArgument) + " 300", {80, 24});
    for (const platform::TerminalSize size : {platform::TerminalSize{120, 40}, platform::TerminalSize{1, 1},
                                              platform::TerminalSize{100000, -5}}) {
        const std::error_code error = platform::ResizePseudoTerminal(child.Terminal(), size);
        if (UnderWine())
            EXPECT_EQ(error.value(), E_NOTIMPL) << error.message();
        else
            EXPECT_FALSE(error) << size.Columns << "x" << size.Rows << ": " << error.message();
    }
    child.Output();
    // Closed with the child's end: the resize does nothing and says so by no error.
    EXPECT_FALSE(platform::ResizePseudoTerminal(child.Terminal(), {90, 30}));
    EXPECT_TRUE(platform::ResizePseudoTerminal(platform::PseudoTerminal{}, {90, 30}));
}

TEST_F(PseudoConsoleWin32Test, StoppingTheTreeEndsTheOutput) {
    ConsoleChild child(std::string(testsupport::SleepArgument) + " 60000");
    const auto stopAt = std::chrono::steady_clock::now();
    child.Child().StopTree(platform::TStopStep::Terminate);
    child.Output(10s);
    EXPECT_LT(std::chrono::steady_clock::now() - stopAt, 10s);
    EXPECT_EQ(child.Child().Reap().Code, 1);
}

// A terminal that goes before its child has ended closes its console, and with it the
// child, rather than wait.
TEST_F(PseudoConsoleWin32Test, ATerminalGoneBeforeItsChildDoesNotWaitForIt) {
    TempFolder folder;
    platform::ChildProcess child;
    const auto start = std::chrono::steady_clock::now();
    {
        platform::PseudoTerminal terminal;
        ASSERT_FALSE(platform::OpenPseudoTerminal(terminal, {}));
        platform::ProcessStartInfo info;
        info.Console = terminal.Console.get();
        info.WorkingDir = Utf8(folder.Path());
        platform::SetCommand(info, SelfCommand(std::string(testsupport::SleepArgument) + " 60000"), false);
        ASSERT_FALSE(platform::StartProcess(info, child));
        platform::ReleaseChildSide(terminal, child);
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, 20s);
    child.StopTree(platform::TStopStep::Kill);
}

// The runner on a terminal, on whichever path this system takes.
TEST(CmdTerminalWin32Test, ReportsTheOutputAndTheEnd) {
    TempFolder folder;
    for (const bool throughInterpreter : {false, true}) {
        TCmd cmd;
        cmd.setTerminal(true);
        cmd.setRunWithCmd(throughInterpreter);
        cmd.setCommmandStr(SelfCommand(std::string(testsupport::WriteBytesArgument) + " 6f6e2061207465726d696e616c"));
        std::string chunks;
        AnsiText whole;
        cmd.OnReadChunk = [&chunks](const AnsiText& AChunk) { chunks += AChunk.Bytes; };
        cmd.OnReadOutput = [&whole](const AnsiText& AOutput, std::string) { whole = AOutput; };
        auto run = std::async(std::launch::async, [&] { cmd.RunCommand(Utf8(folder.Path())); });
        ASSERT_EQ(run.wait_for(30s), std::future_status::ready) << "the run did not end";
        run.get();
        EXPECT_NE(chunks.find("on a terminal"), std::string::npos) << chunks;
        EXPECT_EQ(whole.Bytes, chunks);
        if (platform::PseudoTerminalSupported()) {
            EXPECT_EQ(whole.CodePage, 65001u);  // UTF-8
        }
        EXPECT_EQ(cmd.LastRunEnd().Kind, TKind::Exited);
        EXPECT_EQ(cmd.LastRunEnd().Code, 0);
    }
}

TEST(CmdTerminalWin32Test, TakesNewSizesWhileItRunsAndStops) {
    TempFolder folder;
    TCmd cmd;
    cmd.setTerminal(true);
    cmd.setStopGraceMs(300);
    cmd.setRunWithCmd(false);
    cmd.setCommmandStr(SelfCommand(std::string(testsupport::SleepArgument) + " 60000"));
    std::promise<void> started;
    cmd.OnReadError = [&started](const AnsiText&) { started.set_value(); };
    auto run = std::async(std::launch::async, [&] { cmd.RunCommand(Utf8(folder.Path())); });
    started.get_future().wait();
    for (const int columns : {100, 40, 132}) cmd.setTerminalSize({columns, 30});
    EXPECT_EQ(cmd.TerminalSize().Columns, 132);
    EXPECT_EQ(run.wait_for(300ms), std::future_status::timeout);
    const auto stopAt = std::chrono::steady_clock::now();
    cmd.Stop();
    ASSERT_EQ(run.wait_for(20s), std::future_status::ready);
    EXPECT_LT(std::chrono::steady_clock::now() - stopAt, 10s);
    EXPECT_EQ(cmd.LastRunEnd().Kind, TKind::Stopped);
}

}  // namespace
