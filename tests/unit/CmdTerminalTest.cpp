// Runs on a pseudo-terminal: what the child sees of its terminal, its size, input through
// the terminal, and stopping a tree that ignores the interrupt.
#include "components/Cmd.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fstream>
#include <future>
#include <mutex>
#include <string>
#include <thread>

#include <unistd.h>

#include "TempFolder.h"

namespace {

using testsupport::TempFolder;
using namespace std::chrono_literals;
using TKind = TRunEnd::TKind;

// Collects what a run writes, safe to read while it goes.
struct TOutputLog {
    std::mutex Mutex;
    std::string Text;

    void Attach(TCmd& ACmd) {
        ACmd.OnReadChunk = [this](const AnsiText& AChunk) {
            const std::lock_guard lock(Mutex);
            Text += AChunk.Bytes;
        };
    }
    std::string Get() {
        const std::lock_guard lock(Mutex);
        return Text;
    }
    bool WaitFor(const std::string& AWanted, std::chrono::milliseconds ATime = 10s) {
        const auto end = std::chrono::steady_clock::now() + ATime;
        while (Get().find(AWanted) == std::string::npos) {
            if (std::chrono::steady_clock::now() > end) return false;
            std::this_thread::sleep_for(10ms);
        }
        return true;
    }
};

std::string RunToEnd(TCmd& ACmd, const std::string& AFolder) {
    std::string output;
    ACmd.OnReadOutput = [&output](const AnsiText& AOutput, std::string) { output = AOutput.Bytes; };
    ACmd.RunCommand(AFolder);
    return output;
}

TEST(CmdTerminalTest, ChildSeesATerminalOnlyWhenTheRunHasOne) {
    TempFolder folder;
    const struct {
        bool terminal;
        const char* expected;
    } cases[] = {
        {true, "bool(true)\r\nbool(true)\r\n"},
        {false, "bool(false)\nbool(false)\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.terminal ? "terminal" : "pipe");
        TCmd cmd;
        cmd.setTerminal(c.terminal);
        cmd.setCommmandStr("php -r 'var_dump(stream_isatty(STDIN), stream_isatty(STDOUT));'");
        EXPECT_EQ(RunToEnd(cmd, folder.Path().string()), c.expected);
        EXPECT_EQ(cmd.LastRunEnd().Kind, TKind::Exited);
        EXPECT_EQ(cmd.LastRunEnd().Code, 0);
    }
}

TEST(CmdTerminalTest, ChildSeesTheSizeAndTerminalTypeAndANewSizeDuringTheRun) {
    TempFolder folder;
    TCmd cmd;
    cmd.setTerminal(true);
    cmd.setTerminalSize({132, 41});
    cmd.setCommmandStr("stty size; echo \"$TERM $COLUMNS $LINES\"; read line; stty size");
    TOutputLog log;
    log.Attach(cmd);
    auto run = std::async(std::launch::async, [&] { return RunToEnd(cmd, folder.Path().string()); });
    ASSERT_TRUE(log.WaitFor("xterm-256color 132 41\r\n")) << log.Get();
    cmd.setTerminalSize({90, 30});
    EXPECT_TRUE(cmd.WriteInput("go\r"));
    ASSERT_EQ(run.wait_for(10s), std::future_status::ready);
    EXPECT_EQ(run.get(), "41 132\r\nxterm-256color 132 41\r\ngo\r\n30 90\r\n");
}

// Typed text is echoed and read a line at a time; the end-of-input character ends a
// reader, and ^C interrupts the foreground program as a terminal's Ctrl+C does.
TEST(CmdTerminalTest, InputGoesThroughTheTerminal) {
    TempFolder folder;
    {
        TCmd cmd;
        cmd.setTerminal(true);
        cmd.setCommmandStr("while read line; do echo \"got $line\"; done; echo done; read more; echo \"then $more\"");
        TOutputLog log;
        log.Attach(cmd);
        std::promise<void> started;
        cmd.OnReadError = [&](const AnsiText&) { started.set_value(); };
        auto run = std::async(std::launch::async, [&] { return RunToEnd(cmd, folder.Path().string()); });
        started.get_future().wait();
        EXPECT_TRUE(cmd.WriteInput("caf\xC3\xA9\r"));
        ASSERT_TRUE(log.WaitFor("got caf\xC3\xA9\r\n")) << log.Get();
        // The end of input ends the first reader; the terminal stays open for the next.
        cmd.CloseInput();
        ASSERT_TRUE(log.WaitFor("done\r\n")) << log.Get();
        EXPECT_TRUE(cmd.WriteInput("more\r"));
        ASSERT_EQ(run.wait_for(10s), std::future_status::ready);
        EXPECT_EQ(run.get(), "caf\xC3\xA9\r\ngot caf\xC3\xA9\r\ndone\r\nmore\r\nthen more\r\n");
        EXPECT_EQ(cmd.LastRunEnd().Kind, TKind::Exited);
    }
    {
        TCmd cmd;
        cmd.setTerminal(true);
        cmd.setCommmandStr("trap 'echo interrupted; exit 7' INT; echo ready; while :; do sleep 0.05; done");
        TOutputLog log;
        log.Attach(cmd);
        auto run = std::async(std::launch::async, [&] { return RunToEnd(cmd, folder.Path().string()); });
        ASSERT_TRUE(log.WaitFor("ready")) << log.Get();
        EXPECT_TRUE(cmd.WriteInput("\x03"));
        ASSERT_EQ(run.wait_for(10s), std::future_status::ready);
        EXPECT_NE(run.get().find("interrupted"), std::string::npos);
        EXPECT_EQ(cmd.LastRunEnd().Kind, TKind::Exited);
        EXPECT_EQ(cmd.LastRunEnd().Code, 7);
    }
}

TEST(CmdTerminalTest, StopEndsATreeThatIgnoresTheInterrupt) {
    TempFolder folder;
    TCmd cmd;
    cmd.setTerminal(true);
    cmd.setStopGraceMs(300);
    cmd.setCommmandStr("sh -c 'trap \"\" INT TERM; echo $$ > pid; while :; do sleep 0.05; done'");
    auto run = std::async(std::launch::async, [&] { return RunToEnd(cmd, folder.Path().string()); });
    pid_t pid = 0;
    for (int i = 0; i < 500 && pid == 0; ++i) {
        std::ifstream in(folder.Path() / "pid");
        if (!(in >> pid)) std::this_thread::sleep_for(10ms);
    }
    ASSERT_GT(pid, 0);
    EXPECT_EQ(run.wait_for(300ms), std::future_status::timeout) << "ended on its own";
    cmd.Stop();
    ASSERT_EQ(run.wait_for(10s), std::future_status::ready);
    run.get();
    EXPECT_EQ(cmd.LastRunEnd().Kind, TKind::Stopped);
    for (int i = 0; i < 150 && ::kill(pid, 0) == 0; ++i) std::this_thread::sleep_for(20ms);
    EXPECT_NE(::kill(pid, 0), 0);
}

}  // namespace
