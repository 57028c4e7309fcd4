#include "components/CommandHistory.h"
#include "components/Exception.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

using Lines = std::vector<std::string>;

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

}  // namespace
