// The terminal emulator between a program on a pseudo-terminal and the console: rows and
// styles, rows leaving the top, redraws in place, bad input, and what goes back to the
// program.
#include "components/TerminalScreen.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using TKey = TTerminalScreen::TKey;

std::vector<std::string> Texts(const std::vector<TScreenRow>& ARows) {
    std::vector<std::string> texts;
    for (const TScreenRow& row : ARows) texts.push_back(row.Text);
    return texts;
}

TEST(TerminalScreenTest, RowsKeepTheirTextAndStylesAndComeBackAsSgrText) {
    TTerminalScreen screen(40, 5);
    screen.Write("plain \x1b[1;31mred\x1b[0m \x1b[38;5;208mo\x1b[38;2;1;2;3mr\x1b[0m\r\n");
    const std::vector<TScreenRow> rows = screen.Screen();
    ASSERT_EQ(rows.size(), 2u);  // the text, and the cursor's row below it
    EXPECT_EQ(rows[0].Text, "plain red or");
    TCellStyle red;
    red.Foreground = 1;
    red.Bold = true;
    TCellStyle orange;
    orange.Foreground = 208;
    TCellStyle rgb;
    rgb.Foreground = TCellStyle::kRgbColour | 0x010203;
    const std::vector<TStyleRun> runs = {{6, {}}, {3, red}, {1, {}}, {1, orange}, {1, rgb}};
    EXPECT_EQ(rows[0].Runs, runs);
    EXPECT_EQ(TTerminalScreen::RowAsAnsi(rows[0]),
              "plain \x1b[0;1;31mred\x1b[0m \x1b[0;38;5;208mo\x1b[0;38;2;1;2;3mr\x1b[0m");
    EXPECT_EQ(TTerminalScreen::RowAsAnsi(rows[1]), "");
    EXPECT_EQ(screen.CursorRow(), 1);
    EXPECT_EQ(screen.CursorColumn(), 0);
}

// Rows that leave the top are handed over once, in order; a row redrawn in place (a
// prompt, a progress bar) leaves only its last state on the screen.
TEST(TerminalScreenTest, RowsLeavingTheTopAreHandedOverOnceAndRedrawsStayInPlace) {
    TTerminalScreen screen(20, 3);
    screen.Write("one\r\ntwo\r\nthree\r\nfour\r\nfive");
    EXPECT_EQ(Texts(screen.TakeScrolled()), (std::vector<std::string>{"one", "two"}));
    EXPECT_TRUE(screen.TakeScrolled().empty());
    EXPECT_EQ(Texts(screen.Screen()), (std::vector<std::string>{"three", "four", "five"}));

    TTerminalScreen bar(20, 3);
    for (int percent : {10, 50, 100}) bar.Write("\r[" + std::to_string(percent) + "%]\x1b[K");
    bar.Write("\r\n\x1b[1A\x1b[2K> Carriage");
    EXPECT_TRUE(bar.TakeScrolled().empty());
    EXPECT_EQ(Texts(bar.Screen()), (std::vector<std::string>{"> Carriage"}));
}

// Whatever is cut where, the screen ends up as with the bytes at once.
TEST(TerminalScreenTest, SequencesAndCharactersCutAnywhereGiveTheSameScreen) {
    const std::string bytes = "caf\xC3\xA9 \x1b[32mgr\xE2\x82\xACn\x1b[0m\r\n\x1b[2;5H\x1b]0;title\x07" "x\xF0\x9F\x98\x80y"
                              "\r\n\xDD" "2\xE2\x82" "3\xED\xA0\x80" "4\xF0\x9F" "5\xC0\xAF" "6";
    TTerminalScreen whole(30, 4);
    whole.Write(bytes);
    TTerminalScreen bytewise(30, 4);
    for (char byte : bytes) bytewise.Write(&byte, 1);
    EXPECT_EQ(bytewise.Screen(), whole.Screen());
    EXPECT_EQ(whole.Screen()[0].Text, "caf\xC3\xA9 gr\xE2\x82\xACn");
    EXPECT_EQ(whole.Screen()[1].Text, "    x\xF0\x9F\x98\x80y");
    // Each broken character is one replacement character, whatever follows it.
    const std::string replacement = "\xEF\xBF\xBD";
    EXPECT_EQ(whole.Screen()[2].Text, replacement + "2" + replacement + "3" + replacement + replacement + replacement +
                                          "4" + replacement + "5" + replacement + replacement + "6");
}

// A combining accent cut from its letter in the last column still joins it, and line
// drawing reads the same after other text whether or not a write cuts between them.
TEST(TerminalScreenTest, CutsBeforeAnAccentOrLineDrawingChangeNothing) {
    const std::string bytes = "abcde\xCC\x81\r\n\x1b)0\x0e\xC3\xA9q";
    TTerminalScreen whole(5, 3);
    whole.Write(bytes);
    TTerminalScreen pieces(5, 3);
    pieces.Write(bytes.substr(0, 5), true);
    pieces.Write(bytes.substr(5, 10), true);
    pieces.Write(bytes.substr(15), true);
    pieces.Flush();
    EXPECT_EQ(pieces.Screen(), whole.Screen());
    EXPECT_EQ(whole.Screen()[0].Text, "abcde\xCC\x81");
    EXPECT_EQ(whole.Screen()[1].Text, "\xC3\xA9\xE2\x94\x80");  // q is a line in the drawing set
}

TEST(TerminalScreenTest, BadInputLeavesAReadableBoundedScreen) {
    {
        SCOPED_TRACE("invalid UTF-8");
        TTerminalScreen screen(20, 3);
        screen.Write("a\xFF\xC3(b\r\n");
        const std::string text = screen.Screen()[0].Text;
        EXPECT_EQ(text.front(), 'a');
        EXPECT_EQ(text.back(), 'b');
        EXPECT_NE(text.find("\xEF\xBF\xBD"), std::string::npos) << text;
    }
    {
        SCOPED_TRACE("alternate screen never left");
        TTerminalScreen screen(20, 3);
        screen.Write("main\r\n\x1b[?1049h");
        EXPECT_TRUE(screen.AlternateScreen());
        for (int i = 0; i < 50; ++i) screen.Write("full screen " + std::to_string(i) + "\r\n");
        EXPECT_TRUE(screen.TakeScrolled().empty()) << "the alternate screen has no rows to hand over";
        EXPECT_EQ(screen.Screen()[1].Text, "full screen 49");
        screen.Write("\x1b[?1049l");
        EXPECT_FALSE(screen.AlternateScreen());
        EXPECT_EQ(screen.Screen()[0].Text, "main");
    }
    {
        SCOPED_TRACE("a control sequence with too many parameters");
        TTerminalScreen screen(20, 3);
        screen.Write("\x1b[" + std::string(40, ':') + "\rm\x1b[1;2;3;4;5;6;7;8;9;10;11;12;13;14;15;16;17;18;31mred");
        EXPECT_EQ(Texts(screen.Screen()), (std::vector<std::string>{"red"}));
        // A repeat with nothing to repeat, and a huge one.
        TTerminalScreen fresh(20, 3);
        fresh.Write("\x1b[b\x1b[2000000000bok");
        EXPECT_EQ(Texts(fresh.Screen()), (std::vector<std::string>{"ok"}));
        // Insert mode with wide characters at the margin, then more rows: the emulator's
        // insert mode would move memory out of bounds here, so it is never set.
        TTerminalScreen narrow(21, 6);
        narrow.Write("\x1b[4h\x1b[2J\x1b[H\xE2\x82\xAC\xF0\x9F\x98\x80 \x1b[2J\x1b[H\xE2\x82\xAC\xF0\x9F\x98\x80 wide\r\n");
        narrow.Resize(11, 9);
        narrow.Write("2\r\n2\xE2\x82\xAC\r\n4\r\n5\r\n6\x1b[1;4h\rX");
        EXPECT_EQ(narrow.Screen().back().Text, "X");
    }
    {
        SCOPED_TRACE("a huge title, then text");
        TTerminalScreen screen(20, 3);
        screen.Write("\x1b]0;" + std::string(1 << 20, 't') + "\x07" "after");
        EXPECT_EQ(Texts(screen.Screen()), (std::vector<std::string>{"after"}));
    }
    {
        SCOPED_TRACE("a 10 MB line without a line break");
        TTerminalScreen screen(80, 24);
        const std::string piece(64 * 1024, 'x');
        for (int i = 0; i < 160; ++i) screen.Write(piece);
        const std::vector<TScreenRow> scrolled = screen.TakeScrolled();
        EXPECT_EQ(scrolled.size(), TTerminalScreen::kMaxScrolledRows);
        EXPECT_EQ(screen.TakeDropped() + scrolled.size() + 24, 160u * 64 * 1024 / 80);
        EXPECT_EQ(scrolled.back().Text, std::string(80, 'x'));
    }
}

TEST(TerminalScreenTest, KeysPastesAndAnswersGoToTheProgram) {
    TTerminalScreen screen(20, 5);
    const struct {
        TKey key;
        TTerminalScreen::TModifiers modifiers;
        const char* bytes;
    } keys[] = {
        {TKey::Enter, {}, "\r"},       {TKey::Tab, {}, "\t"},         {TKey::Backspace, {}, "\x7f"},
        {TKey::Escape, {}, "\x1b"},    {TKey::Up, {}, "\x1b[A"},      {TKey::Down, {}, "\x1b[B"},
        {TKey::Right, {}, "\x1b[C"},   {TKey::Left, {}, "\x1b[D"},    {TKey::Home, {}, "\x1b[H"},
        {TKey::End, {}, "\x1b[F"},     {TKey::PageUp, {}, "\x1b[5~"}, {TKey::PageDown, {}, "\x1b[6~"},
        {TKey::Up, {false, false, true}, "\x1b[1;5A"},
    };
    for (const auto& k : keys) {
        screen.Key(k.key, k.modifiers);
        EXPECT_EQ(screen.TakeToProgram(), k.bytes) << static_cast<int>(k.key);
    }
    const struct {
        char32_t character;
        TTerminalScreen::TModifiers modifiers;
        const char* bytes;
    } characters[] = {
        {U'a', {}, "a"}, {U'\u00e9', {}, "\xC3\xA9"}, {U'c', {false, false, true}, "\x03"},
        {U'D', {true, false, true}, "\x04"}, {U'm', {false, false, true}, "\r"}, {U'x', {false, true, false}, "\x1bx"},
    };
    for (const auto& c : characters) {
        screen.Character(c.character, c.modifiers);
        EXPECT_EQ(screen.TakeToProgram(), c.bytes) << static_cast<unsigned>(c.character);
    }
    screen.Paste("one\ntwo");
    EXPECT_EQ(screen.TakeToProgram(), "one\ntwo");
    screen.Write("\x1b[?2004h");
    screen.Paste("one\ntwo");
    EXPECT_EQ(screen.TakeToProgram(), "\x1b[200~one\ntwo\x1b[201~");
    // Programs that ask where the cursor is, or what the terminal is, get their answer.
    screen.Write("ab\x1b[6n");
    EXPECT_EQ(screen.TakeToProgram(), "\x1b[1;3R");
}

// The lines of all that was written: rows that left the top, then the screen, with
// wrapped rows joined into the line they belong to.
std::vector<std::string> Lines(TTerminalScreen& AScreen) {
    std::vector<TScreenRow> rows = AScreen.TakeScrolled();
    for (TScreenRow& row : AScreen.Screen()) rows.push_back(std::move(row));
    std::vector<std::string> lines{""};
    for (const TScreenRow& row : rows) {
        lines.back() += row.Text;
        if (!row.Continues) lines.emplace_back();
    }
    lines.pop_back();
    return lines;
}

// A line longer than the terminal is wide wraps into rows that come back as one line;
// a line that ends at the margin, or a cursor moved there, starts a new one.
TEST(TerminalScreenTest, WrappedRowsComeBackAsTheLineTheyBelongTo) {
    const struct {
        const char* Name;
        int Rows;
        const char* Written;
        std::vector<std::string> Lines;
    } cases[] = {
        {"one wrap", 4, "0123456789abc\r\nnext", {"0123456789abc", "next"}},
        {"scrolling on the last row", 2, "0123456789abcdefghij0123456789abcdefghijXY\r\nend",
         {"0123456789abcdefghij0123456789abcdefghijXY", "end"}},
        {"spaces before the margin", 4, "012345678 \x1b[31mabc\x1b[m", {"012345678 abc"}},
        {"a wide character that does not fit", 4, "012345678\xE6\x97\xA5x", {"012345678\xE6\x97\xA5x"}},
        {"a wide character at the margin, then more text", 4, "01234567\xE6\x97\xA5 x", {"01234567\xE6\x97\xA5 x"}},
        {"a line ending at the margin", 4, "0123456789\r\nnext", {"0123456789", "next"}},
        {"a cursor moved to the next row", 4, "0123456789\x1b[2;1Hnext", {"0123456789", "next"}},
        {"a wrapped line drawn over", 4, "0123456789abc\x1b[H\x1b[Jshort\r\nline", {"short", "line"}},
        {"the other screen", 4, "\x1b[?1049h0123456789abc", {"0123456789abc"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        TTerminalScreen screen(10, c.Rows);
        screen.Write(c.Written);
        EXPECT_EQ(Lines(screen), c.Lines);
    }
}

TEST(TerminalScreenTest, ResizeKeepsTheTextAndRefusesSizesOutOfRange) {
    TTerminalScreen screen(20, 4);
    screen.Write("one\r\ntwo\r\nthree");
    screen.Resize(10, 2);
    EXPECT_EQ(screen.Columns(), 10);
    EXPECT_EQ(screen.Rows(), 2);
    const std::vector<std::string> seen = Texts(screen.TakeScrolled());
    const std::vector<std::string> onScreen = Texts(screen.Screen());
    std::vector<std::string> all = seen;
    all.insert(all.end(), onScreen.begin(), onScreen.end());
    EXPECT_EQ(all, (std::vector<std::string>{"one", "two", "three"}));
    // The other screen keeps the rows at the cursor when it loses rows, as the main
    // screen does, and nothing of it becomes history.
    TTerminalScreen other(20, 6);
    other.Write("\x1b[?1049h\x1b[Hhead\r\n");
    for (int i = 1; i <= 9; ++i) other.Write(std::to_string(i) + "\r\n");
    other.Write("last");
    other.Resize(20, 3);
    EXPECT_EQ(Texts(other.Screen()), (std::vector<std::string>{"8", "9", "last"}));
    other.Write("!");
    EXPECT_EQ(other.Screen().back().Text, "last!");
    EXPECT_TRUE(other.TakeScrolled().empty());
    screen.Resize(0, 100000);
    EXPECT_EQ(screen.Columns(), TTerminalScreen::kMinColumns);
    EXPECT_EQ(screen.Rows(), TTerminalScreen::kMaxSide);
    // A wide character on the narrowest screen.
    TTerminalScreen narrow(1, 3);
    narrow.Write("\xEF\xBC\xA1\xEF\xBC\xA2\r\n\x1b[H\xEF\xBC\xA3");
    EXPECT_EQ(narrow.Screen().front().Text, "\xEF\xBC\xA3");
}

}  // namespace
