#include "app/AnsiStyle.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// The pieces as text: "|" between pieces, a style in braces before its text,
// controls in angle brackets.
std::string Describe(const std::vector<TAnsiPiece>& pieces) {
    std::string out;
    for (const TAnsiPiece& piece : pieces) {
        if (!out.empty()) out += '|';
        switch (piece.Kind) {
        case TAnsiPiece::Text: {
            const TAnsiStyle& s = piece.Style;
            std::string style;
            auto add = [&style](const std::string& part) { style += (style.empty() ? "" : " ") + part; };
            if (s.Foreground.isValid()) add("fg" + s.Foreground.name().toStdString().substr(1));
            if (s.Background.isValid()) add("bg" + s.Background.name().toStdString().substr(1));
            if (s.Bold) add("b");
            if (s.Italic) add("i");
            if (s.Underline) add("u");
            if (s.Inverse) add("r");
            if (!style.empty()) out += '{' + style + '}';
            out += piece.Characters.toString().toStdString();
            break;
        }
        case TAnsiPiece::CarriageReturn: out += "<CR>"; break;
        case TAnsiPiece::Backspace: out += "<BS>"; break;
        case TAnsiPiece::EraseToEnd: out += "<K>"; break;
        case TAnsiPiece::EraseLine: out += "<2K>"; break;
        case TAnsiPiece::Column: out += "<G" + std::to_string(piece.Argument) + '>'; break;
        }
    }
    return out;
}

struct ParseCase {
    const char* name;
    std::vector<const char*> chunks;  // the output as it arrived
    const char* pieces;
};

void PrintTo(const ParseCase& c, std::ostream* out) { *out << c.name; }

class AnsiParse : public ::testing::TestWithParam<ParseCase> {};

TEST_P(AnsiParse, SplitsOutputIntoStyledTextAndControls) {
    const ParseCase& c = GetParam();
    TAnsiParser parser;
    std::vector<QString> chunks;  // the pieces' views point into these
    for (const char* chunk : c.chunks) chunks.push_back(QString::fromUtf8(chunk));
    std::vector<TAnsiPiece> pieces;
    for (const QString& chunk : chunks) parser.Parse(chunk, pieces);
    EXPECT_EQ(Describe(pieces), c.pieces);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AnsiParse,
    ::testing::Values(
        ParseCase{"PlainTextIsOnePiece", {"caf\xC3\xA9 one\ntwo\t3\n"}, "caf\xC3\xA9 one\ntwo\t3\n"},
        ParseCase{"NamedColoursAndReset",
                  {"\x1b[31mred\x1b[0m \x1b[92mlime\x1b[m \x1b[44;97mon blue\x1b[49m!"},
                  "{fgc8372d}red| |{fg5ae65a}lime| |{fgffffff bg3c78dc}on blue|{fgffffff}!"},
        ParseCase{"BrightBackground", {"\x1b[107;30mx"}, "{fg000000 bgffffff}x"},
        ParseCase{"TwoHundredFiftySixColours",
                  {"\x1b[38;5;196ma\x1b[38;5;16mb\x1b[48;5;232mc\x1b[38;5;255;48;5;9md"},
                  "{fgff0000}a|{fg000000}b|{fg000000 bg080808}c|{fgeeeeee bgf05050}d"},
        ParseCase{"TrueColourBothForms",
                  {"\x1b[38;2;1;2;3ma\x1b[48:2::250:128:0mb\x1b[38:2:4:5:6mc\x1b[38:5:21md"},
                  "{fg010203}a|{fg010203 bgfa8000}b|{fg040506 bgfa8000}c|{fg0000ff bgfa8000}d"},
        ParseCase{"BoldItalicUnderlineInverseAndTheirEnds",
                  {"\x1b[1;3;4;7ma\x1b[22mb\x1b[23;24mc\x1b[27md\x1b[4:0me"},
                  "{b i u r}a|{i u r}b|{r}c|d|e"},
        ParseCase{"DefaultColoursKeepBold", {"\x1b[1;31;42mx\x1b[39;49my"}, "{fgc8372d bg3cb043 b}x|{b}y"},
        ParseCase{"ManySequencesInARowGiveOnePiece", {"\x1b[31m\x1b[1m\x1b[4mx"}, "{fgc8372d b u}x"},
        ParseCase{"SequenceCutAfterEscape", {"a\x1b", "[32mb"}, "a|{fg3cb043}b"},
        ParseCase{"SequenceCutInItsParameters", {"\x1b[38;2;10", ";20;", "30mc"}, "{fg0a141e}c"},
        ParseCase{"StyleCarriesIntoTheNextChunk", {"\x1b[35m", "x", "y\x1b[0", "m", "z"},
                  "{fgb43cb4}x|{fgb43cb4}y|z"},
        ParseCase{"TitleCutBetweenChunks", {"a\x1b]0;ti", "tle\x07", "b"}, "a|b"},
        ParseCase{"StringEndCutBetweenChunks", {"\x1b]2;t\x1b", "\\b"}, "b"},
        ParseCase{"CursorMovesModesAndCharsetsAreDropped",
                  {"\x1b[2Aa\x1b[?25lb\x1b[3;4Hc\x1b(Bd\x1b" "7e\x1b[>0cf\x1b[1 qg"},
                  "a|b|c|d|e|f|g"},
        ParseCase{"TitlesAndOtherStringsAreDropped",
                  {"\x1b]0;title\x07" "a\x1b]8;;http://x\x1b\\b\x1bPdata\x1b\\c"}, "a|b|c"},
        ParseCase{"ALineFeedEndsAnUnfinishedString", {"\x1b]0;no end\nrest"}, "\nrest"},
        ParseCase{"EscapeInsideAStringStartsANewSequence", {"\x1b]0;t\x1b[31mx"}, "{fgc8372d}x"},
        ParseCase{"AControlBreaksASequenceOffAndIsKept", {"\x1b[3\nX\x1b\rY"}, "\nX|<CR>|Y"},
        ParseCase{"ANonAsciiCharacterBreaksASequenceOff", {"\x1b[1\xC3\xA9x\x1b\xC3\xA9"},
                  "\xC3\xA9x|\xC3\xA9"},
        ParseCase{"BadColoursAreIgnored",
                  {"\x1b[38;5;300ma\x1b[38;2;1;2;999mb\x1b[3x;31mc\x1b[1;38;5md"},
                  "a|b|;31mc|{b}d"},
        ParseCase{"AnOverlongSequenceIsDroppedWhole",
                  {"\x1b[1;1;1;1;1;1;1;1;1;1;1;1;1;1;1;1;1;1;1;1;1;1;1;1;1;1;1;1;1;1;1;1;1;31mx"}, "x"},
        ParseCase{"LineEditsForProgressBars",
                  {"10%\r20%\x1b[1G\x1b[2K30%\x1b[K\x1b[5G\x1b[G\x1b[0Kx\by\x1b[1K"},
                  "10%|<CR>|20%|<G0>|<2K>|30%|<K>|<G4>|<G0>|<K>|x|<BS>|y"}),
    [](const ::testing::TestParamInfo<ParseCase>& info) { return std::string(info.param.name); });

TEST(AnsiParse, ResetForgetsAnUnfinishedSequenceAndTheStyle) {
    TAnsiParser parser;
    std::vector<TAnsiPiece> pieces;
    parser.Parse(u"\x1b[31mred\x1b[4", pieces);
    EXPECT_TRUE(parser.InSequence());
    parser.Reset();
    EXPECT_FALSE(parser.InSequence());
    pieces.clear();
    const QString next = QStringLiteral("mplain");
    parser.Parse(next, pieces);
    EXPECT_EQ(Describe(pieces), "mplain");
}

TEST(AnsiStyle, TheDefaultStyleGivesAnEmptyFormatAndInverseSwapsColours) {
    EXPECT_EQ(TAnsiStyle().ToFormat(), QTextCharFormat());
    TAnsiStyle inverse;
    inverse.Inverse = true;
    EXPECT_EQ(inverse.ToFormat().foreground().color(), QColor(Qt::black));
    EXPECT_EQ(inverse.ToFormat().background().color(), QColor(Qt::white));
    TAnsiStyle bold;
    bold.Bold = true;
    bold.Underline = true;
    EXPECT_EQ(bold.ToFormat().fontWeight(), QFont::Bold);
    EXPECT_TRUE(bold.ToFormat().fontUnderline());
    EXPECT_FALSE(bold.ToFormat().hasProperty(QTextFormat::ForegroundBrush));
}

}  // namespace
