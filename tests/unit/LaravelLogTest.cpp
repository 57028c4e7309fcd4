#include "components/LaravelLog.h"

#include "TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

using testsupport::TempFolder;
using testsupport::WriteBytes;

void Append(const std::filesystem::path& AFile, const std::string& AText) {
    std::ofstream(AFile, std::ios::binary | std::ios::app) << AText;
}

std::string Line(int ASecond, const std::string& ALevel, const std::string& AMessage) {
    char time[32];
    std::snprintf(time, sizeof time, "2026-12-10 15:%02d:%02d", ASecond / 60 % 60, ASecond % 60);
    return std::string("[") + time + "] local." + ALevel + ": " + AMessage + " [] []\n";
}

std::vector<std::string> Messages(const TLogIndex& AIndex) {
    std::vector<std::string> messages;
    for (std::size_t i = 0; i < AIndex.Count(); ++i) {
        const TLogEntry entry = AIndex.Entry(i);
        messages.push_back(entry.Header ? entry.Header->Message : "text: " + entry.FirstLine);
    }
    return messages;
}

TEST(LaravelLogHeader, ReadsOrRejectsFirstLines) {
    struct TCase {
        const char* Line;
        bool Entry;
        const char* Environment;
        const char* Level;
        const char* Message;
        const char* Context;
    };
    const TCase cases[] = {
        {"[2026-12-10 15:04:05] local.ERROR: Boom [] []", true, "local", "ERROR", "Boom", ""},
        {"[2026-12-10 15:04:05] production.INFO: Saved {\"id\":3} []", true, "production", "INFO", "Saved",
         "{\"id\":3} []"},
        {"[2026-12-10T15:04:05.123456+00:00] testing.debug: x", true, "testing", "debug", "x", ""},
        {"[2026-12-10 15:04:05] local.ERROR: Division by zero {\"exception\":\"[object] (DivisionByZeroError",
         true, "local", "ERROR", "Division by zero", "{\"exception\":\"[object] (DivisionByZeroError"},
        {"#0 /app/vendor/x.php(3): f()", false, "", "", "", ""},
        {"[stacktrace]", false, "", "", "", ""},
        {"[2026-1-10 15:04:05] local.ERROR: x", false, "", "", "", ""},
        {"[2026-12-10 15:04:05] localERROR: x", false, "", "", "", ""},
        {"[2026-12-10 15:04:05] local.ERR0R: x", false, "", "", "", ""},
        {"[2026-12-10 15:04:05 local.ERROR: x", false, "", "", "", ""},
        {"", false, "", "", "", ""},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Line);
        const auto header = ParseLogHeader(c.Line);
        ASSERT_EQ(header.has_value(), c.Entry);
        if (!header) continue;
        EXPECT_EQ(header->Environment, c.Environment);
        EXPECT_EQ(header->Level, c.Level);
        EXPECT_EQ(header->Message, c.Message);
        EXPECT_EQ(header->Context, c.Context);
    }
    EXPECT_EQ(ParseLogHeader("[2026-12-10 15:04:05] local.ERROR: x [] []")->Time, "2026-12-10 15:04:05");
}

TEST(LaravelLogHeader, LevelRanksAndFrames) {
    EXPECT_EQ(LogLevelRank("debug"), 0);
    EXPECT_EQ(LogLevelRank("ERROR"), 4);
    EXPECT_EQ(LogLevelRank("EMERGENCY"), 7);
    EXPECT_EQ(LogLevelRank("LOUD"), -1);

    const auto project = ParseLogFrame("#1 /srv/site/app/Http/Controllers/HomeController.php(21): abort()");
    ASSERT_TRUE(project);
    EXPECT_EQ(project->File, "/srv/site/app/Http/Controllers/HomeController.php");
    EXPECT_EQ(project->Line, 21);
    EXPECT_FALSE(project->Vendor);
    const auto vendor = ParseLogFrame("#7 /srv/site/vendor/laravel/framework/src/Pipeline.php(180): x()");
    ASSERT_TRUE(vendor);
    EXPECT_TRUE(vendor->Vendor);
    const auto thrown = ParseLogFrame("{\"exception\":\"[object] (Exception(code: 0): Boom at /srv/site/routes/web.php:9)");
    ASSERT_TRUE(thrown);
    EXPECT_EQ(thrown->File, "/srv/site/routes/web.php");
    EXPECT_EQ(thrown->Line, 9);
    EXPECT_FALSE(ParseLogFrame("#8 {main}"));
    EXPECT_FALSE(ParseLogFrame("#2 [internal function]: f()"));
}

TEST(LaravelLogHeader, InvalidUtf8BecomesReplacementCharacters) {
    EXPECT_EQ(ValidUtf8("ok \xC3\xA9"), "ok \xC3\xA9");
    EXPECT_EQ(ValidUtf8("a\xFF" "b"), "a\xEF\xBF\xBD" "b");
    EXPECT_EQ(ValidUtf8("\xC0\xAF"), "\xEF\xBF\xBD");           // overlong
    EXPECT_EQ(ValidUtf8("\xED\xA0\x80"), "\xEF\xBF\xBD");       // surrogate
    EXPECT_EQ(ValidUtf8("end\xE2\x82"), "end\xEF\xBF\xBD");     // cut at the end
}

TEST(LaravelLogIndex, EntriesWithTracesAndTextBeforeTheFirstEntry) {
    TempFolder folder;
    const auto file = folder / "laravel.log";
    WriteBytes(file, "left over from a crash\nsecond stray line\n" + Line(1, "INFO", "Started") +
                         "[2026-12-10 15:00:02] local.ERROR: Boom {\"exception\":\"[object] (Exception(code: 0): "
                         "Boom at /srv/app/routes/web.php:9)\n[stacktrace]\n#0 /srv/app/vendor/x.php(3): f()\n#1 {main}\n\"} \n" +
                         Line(3, "DEBUG", "bad \xFF byte"));
    TLogIndex index(file.string());
    index.Open();
    ASSERT_EQ(index.State(), TLogIndex::TState::Ready);
    EXPECT_EQ(Messages(index), (std::vector<std::string>{"text: left over from a crash", "Started", "Boom",
                                                          "bad \xEF\xBF\xBD byte"}));
    EXPECT_EQ(index.Entry(0).Detail, "second stray line");
    const TLogEntry boom = index.Entry(2);
    EXPECT_EQ(boom.Header->Level, "ERROR");
    EXPECT_EQ(boom.Detail, "[stacktrace]\n#0 /srv/app/vendor/x.php(3): f()\n#1 {main}\n\"} ");
    EXPECT_TRUE(index.ReachedStart());
}

TEST(LaravelLogIndex, InvalidBytesInsideTheTimeKeepTheEntry) {
    TempFolder folder;
    const auto file = folder / "laravel.log";
    WriteBytes(file, Line(1, "INFO", "one") + "[2026-12-10" + std::string(20, '\xFF') + "] local.ERROR: two [] []\n");
    TLogIndex index(file.string());
    index.Open();
    ASSERT_EQ(index.Count(), 2u);
    ASSERT_TRUE(index.Entry(1).Header);
    EXPECT_EQ(index.Entry(1).Header->Message, "two");
}

TEST(LaravelLogIndex, OpensToTheNewestEntriesAndIndexesOlderOnRequest) {
    TempFolder folder;
    const auto file = folder / "laravel.log";
    std::string text;
    for (int i = 0; i < 20000; ++i) text += Line(i, "INFO", "entry " + std::to_string(i) + std::string(40, '.'));
    WriteBytes(file, text);
    TLogIndex index(file.string());
    index.Open(100);
    ASSERT_GE(index.Count(), 100u);
    EXPECT_LT(index.Count(), 20000u);
    EXPECT_FALSE(index.ReachedStart());
    EXPECT_EQ(index.Entry(index.Count() - 1).Header->Message, "entry 19999" + std::string(40, '.'));
    while (index.IndexEarlier(5000)) {
    }
    ASSERT_EQ(index.Count(), 20000u);
    for (std::size_t i : {0u, 1u, 9999u, 19999u})
        EXPECT_EQ(index.Entry(i).Header->Message, "entry " + std::to_string(i) + std::string(40, '.'));
}

TEST(LaravelLogIndex, FollowsAppendsTruncationAndReplacement) {
    TempFolder folder;
    const auto file = folder / "laravel.log";
    WriteBytes(file, Line(1, "INFO", "one"));
    TLogIndex index(file.string());
    index.Open();
    EXPECT_EQ(index.Refresh(), TLogIndex::TChange::None);

    // A header written in two pieces is one entry, read once.
    Append(file, "[2026-12-10 15:00:02] local.ERR");
    EXPECT_EQ(index.Refresh(), TLogIndex::TChange::Appended);
    Append(file, "OR: two [] []\n#0 trace\n");
    EXPECT_EQ(index.Refresh(), TLogIndex::TChange::Appended);
    EXPECT_EQ(Messages(index), (std::vector<std::string>{"one", "two"}));
    EXPECT_EQ(index.Entry(1).Detail, "#0 trace");

    // Emptied, then written again.
    WriteBytes(file, "");
    EXPECT_EQ(index.Refresh(), TLogIndex::TChange::Reset);
    EXPECT_EQ(index.Count(), 0u);
    Append(file, Line(3, "INFO", "three"));
    EXPECT_EQ(index.Refresh(), TLogIndex::TChange::Appended);
    EXPECT_EQ(Messages(index), (std::vector<std::string>{"three"}));

    // Rotated: the old file moved away and a new, longer one in its place.
    std::filesystem::rename(file, folder / "laravel-old.log");
    WriteBytes(file, Line(4, "INFO", "four") + Line(5, "INFO", "five"));
    EXPECT_EQ(index.Refresh(), TLogIndex::TChange::Reset);
    EXPECT_EQ(Messages(index), (std::vector<std::string>{"four", "five"}));
}

TEST(LaravelLogIndex, RemovedOrFolderOrHugeEntryGiveAMessageOrCutText) {
    TempFolder folder;
    const auto file = folder / "laravel.log";
    TLogIndex index(file.string());
    index.Open();
    EXPECT_EQ(index.State(), TLogIndex::TState::Missing);
    EXPECT_NE(index.Message().find("does not exist"), std::string::npos);

    // 50 MB in one entry: read up to the limit only.
    WriteBytes(file, Line(1, "ERROR", "big") + std::string(50u << 20, 'x') + "\n" + Line(2, "INFO", "after"));
    EXPECT_EQ(index.Refresh(), TLogIndex::TChange::Reset);
    ASSERT_EQ(index.Count(), 2u);
    const TLogEntry big = index.Entry(0, 4096);
    EXPECT_TRUE(big.Cut);
    EXPECT_GT(big.Length, 50u << 20);
    EXPECT_LE(big.Detail.size(), 4096u);
    EXPECT_EQ(index.Entry(1).Header->Message, "after");

    std::filesystem::remove(file);
    EXPECT_EQ(index.Refresh(), TLogIndex::TChange::Reset);
    EXPECT_EQ(index.Count(), 0u);
    EXPECT_EQ(index.State(), TLogIndex::TState::Missing);
    EXPECT_EQ(index.Entry(0).Length, 0u);

    std::filesystem::create_directory(file);
    EXPECT_EQ(index.Refresh(), TLogIndex::TChange::None);
    EXPECT_EQ(index.State(), TLogIndex::TState::NotAFile);
    EXPECT_NE(index.Message().find("is not a file"), std::string::npos);
}

TEST(LaravelLogIndex, ClearEmptiesTheFile) {
    TempFolder folder;
    const auto file = folder / "laravel.log";
    WriteBytes(file, Line(1, "INFO", "one") + Line(2, "INFO", "two"));
    TLogIndex index(file.string());
    index.Open();
    ASSERT_EQ(index.Count(), 2u);
    ASSERT_TRUE(index.Clear());
    EXPECT_EQ(std::filesystem::file_size(file), 0u);
    EXPECT_EQ(index.Count(), 0u);
}

}  // namespace
