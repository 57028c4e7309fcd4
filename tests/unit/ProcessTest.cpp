#include "platform/Process.h"

#include <gtest/gtest.h>

namespace {

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
