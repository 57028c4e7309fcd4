// The program's own reads of a tool: routed through the project's tools, bounded in
// size and time, and stoppable from another thread, with the whole process tree ended.
#include "components/JobStop.h"
#include "components/ToolRead.h"

#include "ProcessTable.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <fstream>
#include <thread>

namespace {

using namespace std::chrono_literals;
using testsupport::HoldsWithin;
using testsupport::ProcessesRunning;
using testsupport::TempFolder;
using TEnd = TToolReadResult::TEnd;

std::string ReadAll(const std::filesystem::path& AFile) {
    std::ifstream file(AFile, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

void WriteScript(const std::filesystem::path& AFile, const std::string& AText) {
    std::ofstream(AFile, std::ios::binary) << AText;
    ::chmod(AFile.c_str(), 0755);
}

TToolReadResult Read(const std::string& ALine, const std::string& AFolder, TToolReadLimits ALimits) {
    TToolRead read(TToolRequest{ALine, AFolder, TProjectTools{}, ALimits});
    return read.Run();
}

// Each way a read ends, with what it kept and how it is told. The floods and the hang
// ignore the gentle stop steps; the tree still ends.
TEST(ToolReadTest, EndsByItselfOrAtTheFirstLimitItHits) {
    TempFolder folder;
    struct Case {
        const char* Line;
        TToolReadLimits Limits;
        TEnd End;
        int ExitCode;
        std::size_t OutputBytes;
        const char* Reason;
    };
    const Case cases[] = {
        {"printf 'abc'; exit 3", {1 << 20, 30s}, TEnd::Exited, 3, 3, ""},
        {"printf 'ab'; kill -9 $$", {1 << 20, 30s}, TEnd::Signalled, -1, 2, "ended by signal 9"},
        {"yes", {64 << 10, 30s}, TEnd::TooBig, -1, 64 << 10, "stopped: it printed more than 64 KiB"},
        {"trap '' INT TERM; while :; do echo flood; done", {100000, 30s}, TEnd::TooBig, -1, 100000,
         "stopped: it printed more than 100000 bytes"},
        {"trap '' INT TERM; sleep 3011 & wait; wait", {1 << 20, 300ms}, TEnd::TooLong, -1, 0,
         "stopped: it had not finished after 300 ms"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Line);
        const auto start = std::chrono::steady_clock::now();
        const TToolReadResult result = Read(c.Line, folder.Path().string(), c.Limits);
        EXPECT_LT(std::chrono::steady_clock::now() - start, 20s);
        EXPECT_EQ(result.End, c.End);
        EXPECT_EQ(result.ExitCode, c.ExitCode);
        EXPECT_EQ(result.Output.size(), c.OutputBytes);
        EXPECT_EQ(result.Reason(c.Limits), c.Reason);
        if (*c.Reason) {
            EXPECT_EQ(result.Problem(c.Limits), "\"" + std::string(c.Line) + "\" was " + c.Reason + ".");
        }
    }
    EXPECT_TRUE(HoldsWithin([] { return ProcessesRunning({"sleep", "3011"}).empty(); }, 5s));
}

TEST(ToolReadTest, AFolderThatIsGoneIsToldAsTheRunnerTellsIt) {
    TempFolder folder;
    const std::string gone = (folder.Path() / "gone").string();
    const TToolReadResult result = Read("php -v", gone, TToolReadLimits::ForChecks());
    EXPECT_EQ(result.End, TEnd::NotStarted);
    EXPECT_EQ(result.Reason(TToolReadLimits::ForChecks()), "could not start");
    EXPECT_NE(result.Problem(TToolReadLimits::ForChecks()).find("\"" + gone + "\" does not exist"), std::string::npos)
        << result.Problem(TToolReadLimits::ForChecks());
}

// A stop from another thread ends the tree at once, also a stop that comes before the
// child has started (the job's stop hook can reach the read at any moment).
TEST(ToolReadTest, StopFromAnotherThreadEndsTheTreeAtOnce) {
    TempFolder folder;
    for (const int delayMs : {0, 300}) {
        SCOPED_TRACE(delayMs);
        TJobStop stop;
        TToolRead read(TToolRequest{"sleep 3012 & sleep 3012", folder.Path().string(), TProjectTools{},
                                    TToolReadLimits::ForLists()});
        TToolReadResult result;
        std::thread worker([&] {
            const TStopHookScope hook(&stop, [&read] { read.Stop(); });
            result = read.Run();
        });
        if (delayMs) {
            EXPECT_TRUE(HoldsWithin([] { return ProcessesRunning({"sleep", "3012"}).size() == 2; }, 10s));
            std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
        }
        const auto start = std::chrono::steady_clock::now();
        stop.Stop();
        worker.join();
        EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
        EXPECT_EQ(result.End, TEnd::Stopped);
        EXPECT_TRUE(HoldsWithin([] { return ProcessesRunning({"sleep", "3012"}).empty(); }, 5s));
    }
}

// The project's PHP and route decide what runs, as for a typed line.
TEST(ToolReadTest, TheLineRunsThroughTheProjectsTools) {
    TempFolder folder;
    const auto record = folder.Path() / "record.txt";
    const auto php = folder.Path() / "php 8.1";
    WriteScript(php, "#!/bin/sh\nprintf '%s|' \"$(basename \"$0\")\" \"$@\" >> '" + record.string() +
                         "'\necho '{\"commands\":[]}'\n");
    std::filesystem::create_directories(folder.Path() / "vendor/bin");
    WriteScript(folder.Path() / "vendor/bin/sail", ReadAll(php));

    TProjectTools direct;
    direct.PhpProgram = php.string();
    direct.Environment = {"APP_ENV=testing"};
    TToolRead read(TToolRequest{"php artisan list --format=json", folder.Path().string(), direct,
                                TToolReadLimits::ForLists()});
    const TToolReadResult result = read.Run();
    EXPECT_EQ(result.End, TEnd::Exited);
    EXPECT_EQ(result.ExitCode, 0);
    EXPECT_EQ(result.RoutedLine, RouteCommandLine(direct, "php artisan list --format=json"));
    EXPECT_EQ(result.Output, "{\"commands\":[]}\n");

    TProjectTools sail;
    sail.Route = TProjectTools::TRoute::Sail;
    TToolRead throughSail(
        TToolRequest{"composer list --format=json", folder.Path().string(), sail, TToolReadLimits::ForLists()});
    EXPECT_EQ(throughSail.Run().End, TEnd::Exited);
    EXPECT_EQ(ReadAll(record), "php 8.1|artisan|list|--format=json|sail|composer|list|--format=json|");
}

}  // namespace
