#include "components/Cmd.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include "components/Exception.h"
#include "CmdRunLog.h"
#include "TempFolder.h"

namespace fs = std::filesystem;

namespace {

using testsupport::RunLog;
using testsupport::TempFolder;

std::size_t OpenDescriptorCount() {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator("/proc/self/fd"),
                                                  fs::directory_iterator()));
}

std::string Numbered1000Bytes() {
    std::string text;
    for (int i = 0; i < 100; ++i) {
        const std::string number = std::to_string(i);
        text += std::string(9 - number.size(), '0') + number + "\n";
    }
    return text;
}

TEST(CmdTest, EmptyCommandThrowsBeforeAnythingHappens) {
    TCmd cmd;
    EXPECT_TRUE(cmd.RunWithCmd());
    RunLog log;
    log.Attach(cmd);
    TempFolder folder;
    const std::size_t descriptors = OpenDescriptorCount();

    try {
        cmd.RunCommand(folder.Path().string());
        FAIL() << "no exception";
    } catch (const Exception& error) {
        EXPECT_STREQ(error.what(), "Command String Empty.");
    }
    EXPECT_TRUE(log.Events.empty());
    EXPECT_EQ(OpenDescriptorCount(), descriptors);
}

struct OutputCase {
    const char* Name;
    std::string Command;
    std::string Expected;
};

void PrintTo(const OutputCase& ACase, std::ostream* AOut) { *AOut << ACase.Name; }

class CmdOutputTest : public testing::TestWithParam<OutputCase> {};

TEST_P(CmdOutputTest, DeliversTheWholeOutputOnceAfterAnEmptyStartReport) {
    TempFolder folder;
    TCmd cmd;
    RunLog log;
    log.Attach(cmd);
    cmd.setCommmandStr(GetParam().Command);

    cmd.RunCommand(folder.Path().string());

    ASSERT_EQ(log.Events, (std::vector<std::string>{"error", "output"}));
    EXPECT_EQ(log.Errors[0].Bytes, "");
    EXPECT_EQ(log.Outputs[0].Bytes, GetParam().Expected);
    EXPECT_EQ(log.Outputs[0].CodePage, 65001u);
    EXPECT_EQ(log.Commands[0], GetParam().Command);
}

INSTANTIATE_TEST_SUITE_P(
    Outputs, CmdOutputTest,
    testing::Values(
        OutputCase{"NothingWritten", "true", ""},
        OutputCase{"OnlyBlanksRun", "   ", ""},
        OutputCase{"ThousandBytesInOrder",
                   "i=0; while [ $i -lt 100 ]; do printf '%09d\\n' $i; i=$((i+1)); done",
                   Numbered1000Bytes()},
        OutputCase{"MoreThanThePipeHolds", "head -c 300000 /dev/zero | tr '\\0' y",
                   std::string(300000, 'y')},
        OutputCase{"OutputAndErrorInterleaved", "echo out1; echo err1 >&2; echo out2; echo err2 >&2",
                   "out1\nerr1\nout2\nerr2\n"},
        OutputCase{"NulBytesDroppedRestKept", "printf 'ab\\0cd\\0\\0ef'", "abcdef"},
        OutputCase{"MultiByteCharacterSplitBetweenReads", "printf '%0254d\\303\\251!' 0",
                   std::string(254, '0') + "\xC3\xA9!"},
        OutputCase{"LineEndsUnchanged", "printf 'a\\r\\nb\\rc\\n'", "a\r\nb\rc\n"},
        OutputCase{"BackgroundProcessKeepsTheRunGoing", "(sleep 0.3; echo late) & echo early",
                   "early\nlate\n"}),
    [](const auto& AInfo) { return std::string(AInfo.param.Name); });

TEST(CmdTest, RunsInTheGivenFolder) {
    TempFolder folder;
    for (const bool withInterpreter : {true, false}) {
        TCmd cmd;
        RunLog log;
        log.Attach(cmd);
        cmd.setRunWithCmd(withInterpreter);
        cmd.setCommmandStr("pwd");
        cmd.RunCommand(folder.Path().string());
        ASSERT_EQ(log.Outputs.size(), 1u);
        EXPECT_EQ(log.Outputs[0].Bytes, folder.Path().string() + "\n") << withInterpreter;
    }
}

TEST(CmdTest, WithoutInterpreterSplitsWordsButExpandsNothing) {
    TempFolder folder;
    const std::pair<std::string, std::string> cases[] = {
        {"printf '%s|' \"a b\" $HOME", "a b|$HOME|"},
        {"printf %s| a\\ b 'c \"d\"' \"e\\\"f\" * ~", "a b|c \"d\"|e\"f|*|~|"},
        {"echo a; echo b > out", "a; echo b > out\n"},
    };
    for (const auto& [command, expected] : cases) {
        TCmd cmd;
        RunLog log;
        log.Attach(cmd);
        cmd.setRunWithCmd(false);
        cmd.setCommmandStr(command);
        cmd.RunCommand(folder.Path().string());
        ASSERT_EQ(log.Events, (std::vector<std::string>{"error", "output"})) << command;
        EXPECT_EQ(log.Errors[0].Bytes, "");
        EXPECT_EQ(log.Outputs[0].Bytes, expected);
        EXPECT_EQ(log.Commands[0], command);
    }
    EXPECT_FALSE(fs::exists(folder.Path() / "out"));
}

enum class FolderKind { Existing, Empty, Missing, File };

struct StartFailureCase {
    const char* Name;
    FolderKind Folder;
    bool RunWithCmd;
    std::string Command;
    std::vector<std::string> ExpectedParts;  // "<folder>" stands for the folder's path
};

void PrintTo(const StartFailureCase& ACase, std::ostream* AOut) { *AOut << ACase.Name; }

class CmdStartFailureTest : public testing::TestWithParam<StartFailureCase> {};

TEST_P(CmdStartFailureTest, RaisesOnlyTheErrorEventWithItsReason) {
    const StartFailureCase& test = GetParam();
    TempFolder temp;
    std::ofstream(temp.Path() / "file.txt") << "not a folder";
    std::string folder;
    switch (test.Folder) {
    case FolderKind::Existing: folder = temp.Path().string(); break;
    case FolderKind::Empty: folder = ""; break;
    case FolderKind::Missing: folder = (temp.Path() / "missing").string(); break;
    case FolderKind::File: folder = (temp.Path() / "file.txt").string(); break;
    }
    const fs::path marker = temp.Path() / "started";
    TCmd cmd;
    RunLog log;
    log.Attach(cmd);
    cmd.setRunWithCmd(test.RunWithCmd);
    cmd.setCommmandStr(test.Command.empty() ? "touch " + marker.string() : test.Command);
    const std::size_t descriptors = OpenDescriptorCount();

    EXPECT_NO_THROW(cmd.RunCommand(folder));

    ASSERT_EQ(log.Events, std::vector<std::string>{"error"});
    const std::string& text = log.Errors[0].Bytes;
    for (std::string part : test.ExpectedParts) {
        if (part == "<folder>") part = "\"" + folder + "\"";
        EXPECT_NE(text.find(part), std::string::npos) << "'" << part << "' not in: " << text;
    }
    EXPECT_EQ(text.find('\n'), std::string::npos) << text;
    EXPECT_FALSE(fs::exists(marker));
    EXPECT_EQ(OpenDescriptorCount(), descriptors);
}

INSTANTIATE_TEST_SUITE_P(
    StartFailures, CmdStartFailureTest,
    testing::Values(
        StartFailureCase{"EmptyFolder", FolderKind::Empty, true, "", {"not started", "no project is selected"}},
        StartFailureCase{"MissingFolder", FolderKind::Missing, true, "", {"not started", "<folder>", "does not exist"}},
        StartFailureCase{"FileInsteadOfFolder", FolderKind::File, true, "", {"<folder>", "is not a folder"}},
        StartFailureCase{"MissingFolderWithoutInterpreter", FolderKind::Missing, false, "", {"<folder>", "does not exist"}},
        StartFailureCase{"UnknownProgram", FolderKind::Existing, false, "tarnwick-no-such-program --version",
                         {"<folder>", "\"tarnwick-no-such-program\" could not be started", "No such file or directory"}},
        StartFailureCase{"OpenQuote", FolderKind::Existing, false, "echo 'oops", {"<folder>", "quote that is not closed"}},
        StartFailureCase{"NoProgramWithoutInterpreter", FolderKind::Existing, false, "   ", {"<folder>", "names no program"}}),
    [](const auto& AInfo) { return std::string(AInfo.param.Name); });

// Lets this program open no further descriptor for one scope.
class NoNewDescriptors {
public:
    NoNewDescriptors() {
        getrlimit(RLIMIT_NOFILE, &FPrevious);
        rlimit none = FPrevious;
        none.rlim_cur = 0;
        setrlimit(RLIMIT_NOFILE, &none);
    }
    ~NoNewDescriptors() { setrlimit(RLIMIT_NOFILE, &FPrevious); }

private:
    rlimit FPrevious{};
};

TEST(CmdTest, WithoutAPipeNothingStartsAndTheErrorEventSaysWhy) {
    TempFolder folder;
    TCmd cmd;
    RunLog log;
    log.Attach(cmd);
    cmd.setCommmandStr("touch started");
    {
        NoNewDescriptors limit;
        EXPECT_NO_THROW(cmd.RunCommand(folder.Path().string()));
    }
    ASSERT_EQ(log.Events, std::vector<std::string>{"error"});
    EXPECT_NE(log.Errors[0].Bytes.find("not started"), std::string::npos) << log.Errors[0].Bytes;
    EXPECT_NE(log.Errors[0].Bytes.find("pipe"), std::string::npos) << log.Errors[0].Bytes;
    EXPECT_FALSE(fs::exists(folder.Path() / "started"));
}

TEST(CmdTest, WithoutHandlersTheChildStillRunsToItsEnd) {
    TempFolder folder;
    TCmd cmd;
    cmd.setCommmandStr("echo ignored; sleep 0.2; echo done > finished");
    cmd.RunCommand(folder.Path().string());
    EXPECT_EQ(testsupport::ReadBytes(folder.Path() / "finished"), "done\n");
}

TEST(CmdTest, HandlerExceptionReachesTheCallerAndNothingLeaks) {
    struct HandlerFailure : std::runtime_error {
        using std::runtime_error::runtime_error;
    };
    TempFolder folder;
    for (const char* failing : {"error", "output"}) {
        TCmd cmd;
        RunLog log;
        log.Attach(cmd);
        const std::string which = failing;
        if (which == "error")
            cmd.OnReadError = [](const AnsiText&) { throw HandlerFailure("error handler"); };
        else
            cmd.OnReadOutput = [](const AnsiText&, std::string) { throw HandlerFailure("output handler"); };
        cmd.setCommmandStr("echo hello");
        const std::size_t descriptors = OpenDescriptorCount();

        EXPECT_THROW(cmd.RunCommand(folder.Path().string()), HandlerFailure) << which;
        EXPECT_EQ(OpenDescriptorCount(), descriptors) << which;
        // The failing handler replaced the recording one.
        EXPECT_EQ(log.Events, which == "output" ? std::vector<std::string>{"error"} : std::vector<std::string>{});
    }
}

TEST(CmdTest, ChildInheritsOnlyTheStandardDescriptors) {
    TempFolder folder;
    const int inheritable = open("/dev/null", O_RDONLY);  // deliberately not close-on-exec
    ASSERT_GE(inheritable, 3);
    TCmd cmd;
    RunLog log;
    log.Attach(cmd);
    cmd.setCommmandStr("ls /proc/$$/fd");
    cmd.RunCommand(folder.Path().string());
    close(inheritable);

    ASSERT_EQ(log.Outputs.size(), 1u);
    std::istringstream lines(log.Outputs[0].Bytes);
    int descriptorsSeen = 0;
    for (std::string line; std::getline(lines, line); ++descriptorsSeen)
        EXPECT_LT(std::stoi(line), 3) << log.Outputs[0].Bytes;
    EXPECT_GE(descriptorsSeen, 2);
}

// Puts a file in place of this program's standard input for one scope.
class StandardInputFrom {
public:
    explicit StandardInputFrom(const fs::path& AFile) : StandardInputFrom(open(AFile.c_str(), O_RDONLY)) {}
    // Takes the descriptor and closes it at the end of the scope.
    explicit StandardInputFrom(int ADescriptor) : FSaved(dup(STDIN_FILENO)), FFile(ADescriptor) {
        if (FFile != STDIN_FILENO) dup2(FFile, STDIN_FILENO);
    }
    ~StandardInputFrom() {
        if (FSaved >= 0) {
            dup2(FSaved, STDIN_FILENO);
            close(FSaved);
        } else {
            close(STDIN_FILENO);
        }
        if (FFile != STDIN_FILENO) close(FFile);
    }

private:
    int FSaved;
    int FFile;
};

// A command never waits on the input of the terminal that started the program: it reads
// end of input at once, even while our own standard input holds text or stays open.
TEST(CmdTest, ChildReadsNoInput) {
    TempFolder folder;
    const fs::path input = folder.Path() / "input.txt";
    std::ofstream(input) << "typed ahead\n";
    TCmd cmd;
    RunLog log;
    log.Attach(cmd);
    cmd.setCommmandStr("cat; echo end of input");
    {
        StandardInputFrom redirect(input);
        cmd.RunCommand(folder.Path().string());
    }

    int openPipe[2];
    ASSERT_EQ(pipe(openPipe), 0);
    {
        StandardInputFrom redirect(openPipe[0]);
        // Would wait the five seconds and end with 124 if it read our open pipe.
        cmd.setCommmandStr("timeout 5 cat; echo \"status $?\"");
        cmd.RunCommand(folder.Path().string());
    }
    close(openPipe[1]);

    ASSERT_EQ(log.Outputs.size(), 2u);
    EXPECT_EQ(log.Outputs[0].Bytes, "end of input\n");
    EXPECT_EQ(log.Outputs[1].Bytes, "status 0\n");
}

// Ignores SIGPIPE in this program for one scope, as network libraries often do.
class SigpipeIgnored {
public:
    SigpipeIgnored() {
        struct sigaction ignore {};
        ignore.sa_handler = SIG_IGN;
        sigaction(SIGPIPE, &ignore, &FPrevious);
    }
    ~SigpipeIgnored() { sigaction(SIGPIPE, &FPrevious, nullptr); }

private:
    struct sigaction FPrevious {};
};

TEST(CmdTest, ChildStartsWithDefaultSigpipeHandling) {
    TempFolder folder;
    TCmd cmd;
    RunLog log;
    log.Attach(cmd);
    // With SIGPIPE ignored, yes would go on to complain about the closed pipe.
    cmd.setCommmandStr("yes | head -n 2");
    {
        SigpipeIgnored ignored;
        cmd.RunCommand(folder.Path().string());
    }
    ASSERT_EQ(log.Outputs.size(), 1u);
    EXPECT_EQ(log.Outputs[0].Bytes, "y\ny\n");
}

}  // namespace
