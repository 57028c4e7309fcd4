#include "components/CommandHistory.h"
#include "components/Exception.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <set>

namespace {

using Lines = std::vector<std::string>;

// Runs each action in a process of its own, all let go at the same moment; true when
// every one of them exited with 0.
bool RunTogetherInProcesses(const std::vector<std::function<bool()>>& AActions) {
    int start[2];
    if (::pipe(start) != 0) return false;
    std::vector<pid_t> children;
    for (const auto& action : AActions) {
        const pid_t child = ::fork();
        if (child == 0) {
            ::close(start[1]);
            char ignored;
            while (::read(start[0], &ignored, 1) > 0) {}  // until the parent closes its end
            ::_exit(action() ? 0 : 1);
        }
        children.push_back(child);
    }
    ::close(start[0]);
    ::close(start[1]);
    bool ok = true;
    for (const pid_t child : children) {
        int status = 0;
        ok = ::waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0 && ok;
    }
    return ok;
}

TEST(CommandHistory, NewestFirstARepeatedLineMovesToTheTopAndProjectsStayApart) {
    testsupport::TempFolder folder;
    TCommandHistory history;
    history.setFileName(folder.File("history"));
    history.Add("/www/blog", "php artisan list");
    history.Add("/www/blog", "composer show");
    history.Add("/www/shop", "php artisan route:list");
    history.Add("/www/blog", "php artisan list");
    history.Add("/www/blog", "");  // nothing ran
    history.Add("", "ls");         // no project: nowhere to keep it

    EXPECT_EQ(history.Lines("/www/blog"), (Lines{"php artisan list", "composer show"}));
    EXPECT_EQ(history.Lines("/www/shop"), (Lines{"php artisan route:list"}));
    EXPECT_EQ(history.Last("/www/blog"), "php artisan list");
    EXPECT_EQ(history.Last("/www/none"), "");
    EXPECT_TRUE(history.Lines("").empty());
}

TEST(CommandHistory, KeepsTheNewestFiveHundredLinesOfAProject) {
    testsupport::TempFolder folder;
    TCommandHistory history;
    history.setFileName(folder.File("history"));
    for (int i = 0; i < 502; ++i) history.Add("/p", "echo " + std::to_string(i));
    history.Add("/p", "echo 5");  // still held: moves up, nothing else drops

    TCommandHistory again;
    again.setFileName(folder.File("history"));
    const Lines& lines = again.Lines("/p");
    ASSERT_EQ(lines.size(), TCommandHistory::kMaxLines);
    EXPECT_EQ(lines.front(), "echo 5");
    EXPECT_EQ(lines[1], "echo 501");
    EXPECT_EQ(lines.back(), "echo 2");
}

TEST(CommandHistory, SurvivesARestartWithAwkwardCharacters) {
    testsupport::TempFolder folder;
    const std::string file = folder.File("history");
    const std::string project = "/www/caf\xC3\xA9 [x]\\P";
    const Lines written = {"printf 'a\\nb' \\\\", "two\nlines\r", "C not a project line", "\\"};
    {
        TCommandHistory history;
        history.setFileName(file);
        for (auto it = written.rbegin(); it != written.rend(); ++it) history.Add(project, *it);
    }
    TCommandHistory history;
    history.setFileName(file);
    EXPECT_EQ(history.Lines(project), written);
    EXPECT_FALSE(std::filesystem::exists(file + ".new"));
}

TEST(CommandHistory, AnotherCopysLinesAreKeptWhenAddingAndJunkLinesAreSkipped) {
    testsupport::TempFolder folder;
    const std::string file = folder.File("history");
    TCommandHistory first, second;
    first.setFileName(file);
    second.setFileName(file);
    first.Add("/p", "one");
    second.Add("/p", "two");
    first.Add("/q", "three");
    EXPECT_EQ(first.Lines("/p"), (Lines{"two", "one"}));

    // A file edited by hand: CR LF line ends, junk, lines before any project, doubles.
    std::ofstream(file, std::ios::binary)
        << "C orphan\r\n\r\nP /p\r\nC one\r\nX junk\r\nC\r\nC one\r\nC two\r\nP \r\nC lost\r\n";
    first.Load();
    EXPECT_EQ(first.Lines("/p"), (Lines{"one", "two"}));
    EXPECT_TRUE(first.Lines("").empty());
}

TEST(CommandHistory, AMissingFileIsEmptyAndAFileThatCannotBeWrittenIsReported) {
    testsupport::TempFolder folder;
    TCommandHistory history;
    history.setFileName(folder.File("none/history"));
    EXPECT_TRUE(history.Lines("/p").empty());
    try {
        history.Add("/p", "ls");
        FAIL() << "expected the write to fail";
    } catch (const Exception& error) {
        EXPECT_EQ(std::string(error.what()), "Unable to write to " + folder.File("none/history"));
    }
    EXPECT_FALSE(std::filesystem::exists(folder / "none"));
    EXPECT_THROW(history.Add("/p", "pwd"), Exception);  // the lines stay for this session
    EXPECT_EQ(history.Lines("/p"), (Lines{"pwd", "ls"}));

    // A folder in the file's place: the text cannot take its place either.
    std::filesystem::create_directory(folder / "taken");
    history.setFileName(folder.File("taken"));
    EXPECT_THROW(history.Add("/p", "ls"), Exception);
    EXPECT_TRUE(std::filesystem::is_directory(folder / "taken"));
    EXPECT_FALSE(std::filesystem::exists(folder / "taken.new"));
}

// Two copies of the program adding at the same time: every line of both is kept, no
// add fails, no temporary file is left and the file keeps the mode the user gave it.
TEST(CommandHistory, TwoProcessesAddingAtOnceLoseNothing) {
    testsupport::TempFolder folder;
    const std::string file = folder.File("history.txt");
    testsupport::WriteBytes(file, "P /p\nC before\n");
    ASSERT_EQ(::chmod(file.c_str(), 0600), 0);

    auto Writer = [&](const std::string& AName) {
        return [&, AName] {
            TCommandHistory history;
            history.setFileName(file);
            try {
                for (int i = 0; i < 200; ++i) history.Add("/p", AName + " " + std::to_string(i));
            } catch (const Exception&) {
                return false;
            }
            return true;
        };
    };
    ASSERT_TRUE(RunTogetherInProcesses({Writer("first"), Writer("second")}));

    TCommandHistory history;
    history.setFileName(file);
    const Lines& lines = history.Lines("/p");
    EXPECT_EQ(lines.size(), 401u);
    EXPECT_EQ(std::set<std::string>(lines.begin(), lines.end()).size(), lines.size());
    EXPECT_EQ(lines.back(), "before");
    // Each copy's own lines stay in the order it added them.
    for (const std::string name : {"first", "second"}) {
        int expected = 199;
        for (const std::string& line : lines) {
            if (line.starts_with(name + " ")) {
                EXPECT_EQ(line, name + " " + std::to_string(expected--));
            }
        }
        EXPECT_EQ(expected, -1) << name;
    }
    EXPECT_EQ(folder.Entries(), (Lines{"history.txt"}));
    struct stat status {};
    ASSERT_EQ(::stat(file.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0600u);
}

// A file or line far larger than any history is left alone instead of slowing every start
// and every run: an oversized file is neither read nor replaced, an oversized line is
// skipped and a line too long to keep is not added.
TEST(CommandHistory, OversizedFilesAndLinesAreLeftOut) {
    testsupport::TempFolder folder;
    const std::string file = folder.File("history.txt");
    const std::string longLine(TCommandHistory::kMaxLineBytes + 1, 'x');
    testsupport::WriteBytes(file, "P /p\nC kept\nC " + longLine + "\nC last\n");
    TCommandHistory history;
    history.setFileName(file);
    EXPECT_EQ(history.Lines("/p"), (Lines{"kept", "last"}));
    history.Add("/p", longLine);
    EXPECT_EQ(history.Lines("/p"), (Lines{"kept", "last"}));
    // Escaped, a line of backslashes doubles in the file and still reads back.
    history.Add("/p", std::string(TCommandHistory::kMaxLineBytes, '\\'));
    TCommandHistory again;
    again.setFileName(file);
    EXPECT_EQ(again.Lines("/p").front(), std::string(TCommandHistory::kMaxLineBytes, '\\'));

    const std::string huge = "P /p\nC " + std::string(TCommandHistory::kMaxFileBytes, 'y') + "\n";
    testsupport::WriteBytes(file, huge);
    history.Load();
    EXPECT_TRUE(history.Lines("/p").empty());
    EXPECT_THROW(history.Add("/p", "ls"), Exception);
    EXPECT_EQ(testsupport::ReadBytes(file), huge);
}

}  // namespace
