// The runner's live side: a piece per read, the exit status, stopping a whole tree,
// input from the caller, and what a failing handler leaves behind.
#include "components/Cmd.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <future>
#include <iterator>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <pthread.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "components/Exception.h"
#include "TempFolder.h"

namespace fs = std::filesystem;

namespace {

using testsupport::TempFolder;
using namespace std::chrono_literals;
using TKind = TRunEnd::TKind;

bool ProcessAlive(pid_t APid) { return APid > 0 && ::kill(APid, 0) == 0; }

// Reads a process number that a command wrote to a file, waiting for it to appear.
pid_t PidFromFile(const fs::path& AFile) {
    for (int i = 0; i < 500; ++i) {
        std::ifstream in(AFile);
        pid_t pid = 0;
        if (in >> pid && pid > 0) return pid;
        std::this_thread::sleep_for(10ms);
    }
    return 0;
}

bool GoneWithin(pid_t APid, std::chrono::milliseconds ATime) {
    const auto end = std::chrono::steady_clock::now() + ATime;
    while (ProcessAlive(APid)) {
        // A grandchild is reaped by init; a zombie of ours does not count as alive either.
        std::ifstream status("/proc/" + std::to_string(APid) + "/stat");
        std::string pid, name, state;
        if (status >> pid >> name >> state && state == "Z") return true;
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(20ms);
    }
    return true;
}

TEST(CmdLiveTest, RaisesOnePieceForEachReadInOrderAsItArrives) {
    TempFolder folder;
    const fs::path go = folder.Path() / "go";
    TCmd cmd;
    cmd.setCommmandStr("printf first; while [ ! -e go ]; do sleep 0.02; done; printf second");
    std::mutex mutex;
    std::vector<std::string> pieces;
    std::promise<void> firstArrived;
    cmd.OnReadChunk = [&](const AnsiText& AChunk) {
        const std::lock_guard lock(mutex);
        if (pieces.empty()) firstArrived.set_value();
        pieces.push_back(AChunk.Bytes);
    };
    std::string whole;
    cmd.OnReadOutput = [&whole](const AnsiText& AOutput, std::string) { whole = AOutput.Bytes; };

    std::thread run([&] { cmd.RunCommand(folder.Path().string()); });
    // "first" arrives while the command still waits for the file.
    ASSERT_EQ(firstArrived.get_future().wait_for(10s), std::future_status::ready);
    {
        const std::lock_guard lock(mutex);
        EXPECT_EQ(pieces, std::vector<std::string>{"first"});
    }
    std::ofstream(go).put('x');
    run.join();
    EXPECT_EQ(pieces, (std::vector<std::string>{"first", "second"}));
    EXPECT_EQ(whole, "firstsecond");
    EXPECT_EQ(cmd.LastRunEnd().Kind, TKind::Exited);
}

TEST(CmdLiveTest, LargeOutputComesInReadsOfAtMostTheReadSizeWithoutNul) {
    // The first piece is held up until the child has filled the pipe: the next read
    // takes as much as one read may.
    const struct {
        std::size_t readSize;  // 0: the default
        std::size_t expectedLargest;
    } cases[] = {{0, 255}, {65536, 65536}};
    for (const auto& c : cases) {
        TempFolder folder;
        TCmd cmd;
        if (c.readSize > 0) cmd.setReadSize(c.readSize);
        cmd.setCommmandStr("printf s; sleep 0.05; head -c 300000 /dev/zero | tr '\\0' x; printf 'a\\000b'");
        std::string joined;
        std::size_t largest = 0;
        cmd.OnReadChunk = [&](const AnsiText& AChunk) {
            if (joined.empty()) std::this_thread::sleep_for(300ms);
            largest = std::max(largest, AChunk.Bytes.size());
            joined += AChunk.Bytes;
        };
        cmd.RunCommand(folder.Path().string());
        EXPECT_EQ(largest, c.expectedLargest) << c.readSize;
        EXPECT_EQ(joined, "s" + std::string(300000, 'x') + "ab") << c.readSize;
    }
}

TEST(CmdLiveTest, TellsHowEachRunEnded) {
    TempFolder folder;
    const struct {
        const char* command;
        TKind kind;
        int code;
    } cases[] = {
        {"true", TKind::Exited, 0},
        {"exit 3", TKind::Exited, 3},
        {"no-such-tool-anywhere", TKind::Exited, 127},
        {"kill -9 $$", TKind::Signalled, 9},
    };
    for (const auto& c : cases) {
        TCmd cmd;
        cmd.setCommmandStr(c.command);
        cmd.RunCommand(folder.Path().string());
        const TRunEnd end = cmd.LastRunEnd();
        EXPECT_EQ(end.Kind, c.kind) << c.command;
        EXPECT_EQ(end.Code, c.code) << c.command;
        EXPECT_GE(end.Seconds, 0.0);
        EXPECT_LT(end.Seconds, 10.0);
    }

    TCmd cmd;
    cmd.setCommmandStr("sleep 0.3");
    cmd.RunCommand(folder.Path().string());
    EXPECT_GE(cmd.LastRunEnd().Seconds, 0.3);

    cmd.RunCommand((folder.Path() / "missing").string());
    EXPECT_EQ(cmd.LastRunEnd().Kind, TKind::NotStarted);
}

// A tree that plain signals to the shell do not end: a grandchild that ignores SIGINT
// and SIGTERM, one in the background holding the pipe, and the shell waiting for them.
TEST(CmdLiveTest, StopEndsTheWholeTreeEvenWhenItIgnoresSignals) {
    TempFolder folder;
    const struct {
        const char* name;
        const char* command;
    } cases[] = {
        {"ignores SIGINT and SIGTERM",
         "sh -c 'trap \"\" INT TERM; echo $$ > pid; while :; do sleep 0.05; done'"},
        {"background child holds the pipe", "sleep 100 & echo $! > pid; exit 0"},
        {"waits on standard input", "echo $$ > pid; read line"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove(folder.Path() / "pid");
        TCmd cmd;
        cmd.setStopGraceMs(300);
        cmd.setInputFromCaller(true);
        cmd.setCommmandStr(c.command);
        std::string output;
        cmd.OnReadOutput = [&output](const AnsiText& AOutput, std::string) { output = AOutput.Bytes; };
        auto run = std::async(std::launch::async, [&] { cmd.RunCommand(folder.Path().string()); });
        const pid_t pid = PidFromFile(folder.Path() / "pid");
        ASSERT_GT(pid, 0);
        EXPECT_EQ(run.wait_for(300ms), std::future_status::timeout) << "ended on its own";

        cmd.Stop();
        ASSERT_EQ(run.wait_for(10s), std::future_status::ready);
        run.get();
        EXPECT_EQ(cmd.LastRunEnd().Kind, TKind::Stopped);
        EXPECT_TRUE(GoneWithin(pid, 3s));
    }
}

// The processes whose command line is exactly AWords (NUL-separated in /proc).
std::vector<pid_t> ProcessesRunning(const std::vector<std::string>& AWords) {
    std::string wanted;
    for (const std::string& word : AWords) wanted += word + '\0';
    std::vector<pid_t> found;
    for (const auto& entry : fs::directory_iterator("/proc")) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos) continue;
        std::ifstream file(entry.path() / "cmdline", std::ios::binary);
        const std::string line((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        if (line == wanted) found.push_back(static_cast<pid_t>(std::stol(name)));
    }
    return found;
}

// Gone from the process table, zombies included (a number taken again by another
// program does not count).
bool LeftTheTableWithin(pid_t APid, std::chrono::milliseconds ATime) {
    const auto end = std::chrono::steady_clock::now() + ATime;
    for (;;) {
        std::ifstream stat("/proc/" + std::to_string(APid) + "/stat");
        std::string pid, name;
        if (!(stat >> pid >> name) || name != "(sleep)") return true;
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(20ms);
    }
}

// Commands that leave the process group or the session, or that a shell makes deaf to
// the interrupt: Stop finds every process the run started and ends it, and nothing,
// not even a zombie, stays in the process table.
TEST(CmdLiveTest, StopEndsWhatLeftTheGroupOrTheSession) {
    TempFolder folder;
    const struct {
        const char* name;
        const char* command;
        const char* seconds;  // the sleep's own argument, to find it by
    } cases[] = {
        {"new session", "setsid sleep 301", "301"},
        {"new session, forked", "setsid -f sleep 302; echo left; sleep 303", "302"},
        {"nohup in the background", "nohup sleep 304 & wait", "304"},
        {"timeout's own group", "timeout 300 sleep 305", "305"},
        {"redirected background job, shell waits", "sleep 306 >/dev/null 2>&1 & wait", "306"},
        {"redirected background job, shell gone", "sleep 307 >/dev/null 2>&1 & echo started", "307"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<std::string> words{"sleep", c.seconds};
        TCmd cmd;
        cmd.setStopGraceMs(300);
        cmd.setCommmandStr(c.command);
        auto run = std::async(std::launch::async, [&] { cmd.RunCommand(folder.Path().string()); });
        std::vector<pid_t> sleeps;
        for (int i = 0; i < 250 && sleeps.empty(); ++i) {
            std::this_thread::sleep_for(20ms);
            sleeps = ProcessesRunning(words);
        }
        ASSERT_EQ(sleeps.size(), 1u);
        EXPECT_EQ(run.wait_for(300ms), std::future_status::timeout) << "ended while its job runs";

        cmd.Stop();
        ASSERT_EQ(run.wait_for(10s), std::future_status::ready);
        run.get();
        EXPECT_EQ(cmd.LastRunEnd().Kind, TKind::Stopped);
        EXPECT_TRUE(LeftTheTableWithin(sleeps.front(), 3s));
    }
    EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1) << "a child of ours is left unreaped";
}

// A background job outlives the shell: the run ends when the job does, and the job,
// an orphan that came to us, is reaped.
TEST(CmdLiveTest, RunLastsUntilItsBackgroundJobsHaveEnded) {
    TempFolder folder;
    TCmd cmd;
    cmd.setCommmandStr("sleep 0.8 >/dev/null & echo $! > pid");
    cmd.RunCommand(folder.Path().string());
    EXPECT_EQ(cmd.LastRunEnd().Kind, TKind::Exited);
    EXPECT_GE(cmd.LastRunEnd().Seconds, 0.8);
    const pid_t job = PidFromFile(folder.Path() / "pid");
    ASSERT_GT(job, 0);
    EXPECT_TRUE(LeftTheTableWithin(job, 0ms));
}

// A child starts with every signal at its default and none blocked, whatever we have
// set: one started while we ignore SIGINT can still be interrupted.
TEST(CmdLiveTest, ChildStartsWithDefaultSignalsWhateverWeIgnore) {
    TempFolder folder;
    struct sigaction ignore {};
    struct sigaction oldInt {};
    struct sigaction oldQuit {};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGINT, &ignore, &oldInt);
    sigaction(SIGQUIT, &ignore, &oldQuit);
    sigset_t blocked;
    sigset_t oldMask;
    sigemptyset(&blocked);
    sigaddset(&blocked, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &blocked, &oldMask);
    TCmd cmd;
    cmd.setCommmandStr("exec grep -E '^Sig(Ign|Blk)' /proc/self/status");
    std::string output;
    cmd.OnReadOutput = [&output](const AnsiText& AOutput, std::string) { output = AOutput.Bytes; };
    cmd.RunCommand(folder.Path().string());
    pthread_sigmask(SIG_SETMASK, &oldMask, nullptr);
    sigaction(SIGINT, &oldInt, nullptr);
    sigaction(SIGQUIT, &oldQuit, nullptr);
    unsigned long long blockedNow = ~0ull, ignored = ~0ull;
    ASSERT_EQ(std::sscanf(output.c_str(), "SigBlk: %llx SigIgn: %llx", &blockedNow, &ignored), 2) << output;
    EXPECT_EQ(blockedNow, 0u);
    // The C library keeps two real-time signals of its own ignored (32 and 33).
    EXPECT_EQ(ignored & 0x7FFFFFFFull, 0u) << output;
}

TEST(CmdLiveTest, StopBetweenRunsDoesNothingAndTheNextRunIsNormal) {
    TempFolder folder;
    TCmd cmd;
    cmd.Stop();
    cmd.setCommmandStr("exit 4");
    cmd.RunCommand(folder.Path().string());
    cmd.Stop();
    EXPECT_EQ(cmd.LastRunEnd().Kind, TKind::Exited);
    EXPECT_EQ(cmd.LastRunEnd().Code, 4);
    EXPECT_FALSE(cmd.WriteInput("late\n"));
}

TEST(CmdLiveTest, LinesWrittenToTheInputReachTheChild) {
    TempFolder folder;
    TCmd cmd;
    cmd.setInputFromCaller(true);
    cmd.setCommmandStr("while read line; do echo \"got $line\"; done; echo done");
    std::promise<void> started;
    std::string output;
    cmd.OnReadError = [&](const AnsiText&) { started.set_value(); };
    cmd.OnReadChunk = [&](const AnsiText& AChunk) { output += AChunk.Bytes; };
    auto run = std::async(std::launch::async, [&] { cmd.RunCommand(folder.Path().string()); });
    started.get_future().wait();
    EXPECT_TRUE(cmd.WriteInput("yes\n"));
    EXPECT_TRUE(cmd.WriteInput("caf\xC3\xA9\n"));
    cmd.CloseInput();
    ASSERT_EQ(run.wait_for(10s), std::future_status::ready);
    EXPECT_EQ(output, "got yes\ngot caf\xC3\xA9\ndone\n");
    EXPECT_EQ(cmd.LastRunEnd().Kind, TKind::Exited);
    EXPECT_FALSE(cmd.WriteInput("after the end\n"));
}

// A child that never reads its input: long lines wait in a bounded queue instead of
// holding the caller, the queue says how much waits, and Stop still ends the run at once.
TEST(CmdLiveTest, InputToAChildThatDoesNotReadNeverHoldsTheCaller) {
    TempFolder folder;
    TCmd cmd;
    cmd.setStopGraceMs(300);
    cmd.setInputFromCaller(true);
    cmd.setCommmandStr("sleep 300");
    std::promise<void> started;
    cmd.OnReadError = [&](const AnsiText&) { started.set_value(); };
    auto run = std::async(std::launch::async, [&] { cmd.RunCommand(folder.Path().string()); });
    started.get_future().wait();

    const std::string line = std::string(32767, 'y') + "\n";
    const auto before = std::chrono::steady_clock::now();
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(cmd.WriteInput(line));
    EXPECT_LT(std::chrono::steady_clock::now() - before, 1s);
    // The pipe takes what fits; the rest waits.
    for (int i = 0; i < 50 && cmd.InputWaiting() == 3 * line.size(); ++i) std::this_thread::sleep_for(20ms);
    EXPECT_GT(cmd.InputWaiting(), 0u);
    EXPECT_LT(cmd.InputWaiting(), 3 * line.size());
    EXPECT_FALSE(cmd.WriteInput(std::string(TCmd::kMaxInputBytes, 'n'))) << "the queue is bounded";
    cmd.CloseInput();

    const auto stop = std::chrono::steady_clock::now();
    cmd.Stop();
    ASSERT_EQ(run.wait_for(10s), std::future_status::ready);
    EXPECT_LT(std::chrono::steady_clock::now() - stop, 2s);
    EXPECT_EQ(cmd.LastRunEnd().Kind, TKind::Stopped);
    EXPECT_EQ(cmd.InputWaiting(), 0u);
}

TEST(CmdLiveTest, WithoutInputFromTheCallerTheChildReadsAnEmptyInput) {
    TempFolder folder;
    TCmd cmd;
    cmd.setCommmandStr("read line; echo \"read $?\"");
    std::string output;
    cmd.OnReadOutput = [&output](const AnsiText& AOutput, std::string) { output = AOutput.Bytes; };
    cmd.RunCommand(folder.Path().string());
    EXPECT_EQ(output, "read 1\n");
}

// A handler that fails while the child runs: the child and its background heir are
// ended and reaped, and the error says so.
TEST(CmdLiveTest, FailingHandlerStopsAndReapsTheTree) {
    TempFolder folder;
    for (const char* failing : {"start report", "piece"}) {
        SCOPED_TRACE(failing);
        fs::remove(folder.Path() / "pid");
        TCmd cmd;
        cmd.setCommmandStr("sleep 100 & echo $! > pid; echo ready; wait");
        if (std::string(failing) == "start report") {
            cmd.OnReadError = [&](const AnsiText&) {
                PidFromFile(folder.Path() / "pid");
                throw Exception("RichEdit line insertion error");
            };
        } else {
            cmd.OnReadChunk = [](const AnsiText&) { throw Exception("RichEdit line insertion error"); };
        }
        try {
            cmd.RunCommand(folder.Path().string());
            ADD_FAILURE() << "no exception";
        } catch (const Exception& error) {
            EXPECT_STREQ(error.what(), "RichEdit line insertion error (the command was stopped)");
        }
        const pid_t background = PidFromFile(folder.Path() / "pid");
        EXPECT_TRUE(GoneWithin(background, 3s));
        EXPECT_EQ(cmd.LastRunEnd().Kind, TKind::Stopped);
        // No child of ours is left unreaped.
        EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1);
    }
}

// A folder that exists but may not be entered is named with the reason. Root may enter
// any folder, so the run happens in a child process that has given up root.
TEST(CmdLiveTest, FolderThatCannotBeEnteredIsNamedWithTheReason) {
    TempFolder folder;
    const fs::path locked = folder.Path() / "locked";
    fs::create_directory(locked);
    ::chmod(folder.Path().c_str(), 0755);
    ::chmod(locked.c_str(), 0600);
    int report[2];
    ASSERT_EQ(pipe(report), 0);
    const pid_t tester = fork();
    ASSERT_GE(tester, 0);
    if (tester == 0) {
        close(report[0]);
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(2);
        TCmd cmd;
        std::string text;
        cmd.OnReadError = [&text](const AnsiText& AError) { text = AError.Bytes; };
        cmd.setCommmandStr("echo ran");
        cmd.RunCommand(locked.string());
        if (write(report[1], text.data(), text.size()) < 0) _exit(3);
        _exit(0);
    }
    close(report[1]);
    std::string text;
    char buffer[512];
    for (ssize_t n; (n = read(report[0], buffer, sizeof buffer)) > 0;) text.append(buffer, std::size_t(n));
    close(report[0]);
    int status = 0;
    waitpid(tester, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_EQ(text, "The command was not started: the folder \"" + locked.string() +
                        "\" cannot be used (Permission denied).");
}

}  // namespace
