#include "platform/Process.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

namespace {

// A pipe nobody reads: the write takes what fits and then reports a full pipe after the
// wait instead of blocking; once the reader has gone it fails, and SIGPIPE ends nothing.
TEST(WritePipeSomeTest, NeverBlocksOnAFullPipeAndFailsOnceTheReaderHasGone) {
    platform::Pipe pipe;
    ASSERT_FALSE(platform::CreatePipe(pipe));
    const std::string block(64 * 1024, 'x');
    std::size_t taken = 0;
    std::ptrdiff_t written = 0;
    while ((written = platform::WritePipeSome(pipe.WriteEnd, block.data(), block.size(), 10)) > 0)
        taken += static_cast<std::size_t>(written);
    EXPECT_EQ(written, 0);
    EXPECT_GT(taken, 0u);
    const auto before = std::chrono::steady_clock::now();
    EXPECT_EQ(platform::WritePipeSome(pipe.WriteEnd, block.data(), block.size(), 50), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(2));

    pipe.ReadEnd.Close();
    EXPECT_EQ(platform::WritePipeSome(pipe.WriteEnd, block.data(), block.size(), 10), -1);
}

struct SplitCase {
    const char* Name;
    std::string Line;
    std::vector<std::string> Words;
};

void PrintTo(const SplitCase& ACase, std::ostream* AOut) { *AOut << ACase.Name; }

class SplitCommandLineTest : public testing::TestWithParam<SplitCase> {};

TEST_P(SplitCommandLineTest, SplitsLikeAShellWithoutExpanding) {
    const auto words = platform::SplitCommandLine(GetParam().Line);
    ASSERT_TRUE(words.has_value());
    EXPECT_EQ(*words, GetParam().Words);
}

INSTANTIATE_TEST_SUITE_P(
    Words, SplitCommandLineTest,
    testing::Values(
        SplitCase{"Empty", "", {}},
        SplitCase{"OnlyBlanks", " \t\n ", {}},
        SplitCase{"BlanksSeparate", "  php\tartisan\n list  ", {"php", "artisan", "list"}},
        SplitCase{"QuotesKeepBlanks", "'a b' \"c d\"", {"a b", "c d"}},
        SplitCase{"PiecesJoin", "x'y'\"z\"w", {"xyzw"}},
        SplitCase{"EmptyQuotesAreWords", "'' \"\" a", {"", "", "a"}},
        SplitCase{"BackslashEscapesBlank", "a\\ b c\\\\", {"a b", "c\\"}},
        SplitCase{"BackslashInDoubleQuotes", "\"a\\\"b\\\\c\\$d\\`e\\xf\"", {"a\"b\\c$d`e\\xf"}},
        SplitCase{"NothingEscapesInSingleQuotes", "'a\\ \"b\"'", {"a\\ \"b\""}},
        SplitCase{"NoExpansionOrOperators", "$HOME * ~ a|b;c >x", {"$HOME", "*", "~", "a|b;c", ">x"}},
        SplitCase{"LineContinuation", "a\\\nb \"c\\\nd\"", {"ab", "cd"}},
        SplitCase{"TrailingBackslashStays", "end\\", {"end\\"}}),
    [](const auto& AInfo) { return std::string(AInfo.param.Name); });

TEST(SplitCommandLineTest, RefusesAnOpenQuote) {
    for (const std::string line : {"'open", "\"open", "a \"b\\\"", "ok 'x' \"y"})
        EXPECT_FALSE(platform::SplitCommandLine(line).has_value()) << line;
}

}  // namespace
