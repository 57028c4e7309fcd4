#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

extern "C" {
typedef struct VTerm VTerm;
typedef struct VTermScreen VTermScreen;
}

// How a character cell looks. A colour is kDefaultColour (the console's own), a palette
// index 0..255, or kRgbColour | 0xRRGGBB.
struct TCellStyle {
    static constexpr std::int32_t kDefaultColour = -1;
    static constexpr std::int32_t kRgbColour = 0x1000000;
    std::int32_t Foreground = kDefaultColour;
    std::int32_t Background = kDefaultColour;
    bool Bold = false;
    bool Italic = false;
    bool Underline = false;
    bool Reverse = false;

    bool operator==(const TCellStyle&) const = default;
};

// A run of one row's text (Length bytes of UTF-8) in one style.
struct TStyleRun {
    std::size_t Length = 0;
    TCellStyle Style;

    bool operator==(const TStyleRun&) const = default;
};

// One row of the terminal: its UTF-8 text without the cells at its end that were never
// written or were erased, and the styles of that text, run by run; and whether its line
// goes on in the next row (the text reached the right margin and wrapped).
struct TScreenRow {
    std::string Text;
    std::vector<TStyleRun> Runs;
    bool Continues = false;

    bool operator==(const TScreenRow&) const = default;
};

// The modifier keys held with a key.
struct TKeyModifiers {
    bool Shift = false;
    bool Alt = false;
    bool Ctrl = false;
};

// The state of a terminal that a program writes to: bytes in (text and escape
// sequences, split anywhere, invalid UTF-8 shown as replacement characters), the screen's
// rows and the rows that left its top out. What the terminal says back to the program
// (answers to its questions, keys, pastes) waits in TakeToProgram.
//
// Memory stays bounded: at most kMaxScrolledRows rows wait to be taken (older ones are
// dropped and counted), titles and other strings are cut to a few bytes, and the screen
// is Columns x Rows cells.
class TTerminalScreen {
public:
    static constexpr std::size_t kMaxScrolledRows = 20000;
    static constexpr int kMaxSide = 1000;  // columns and rows, each
    // libvterm 0.1.4 fails on a wide character in a screen one column wide.
    static constexpr int kMinColumns = 2;

    TTerminalScreen(int AColumns, int ARows);
    ~TTerminalScreen();
    TTerminalScreen(const TTerminalScreen&) = delete;
    TTerminalScreen& operator=(const TTerminalScreen&) = delete;

    // With AMoreFollows, text at the end that a combining character in the next write
    // could still join waits for that write, or for Flush or a resize.
    void Write(const char* ABytes, std::size_t ACount, bool AMoreFollows = false);
    void Write(const std::string& ABytes, bool AMoreFollows = false) { Write(ABytes.data(), ABytes.size(), AMoreFollows); }
    void Flush();

    int Columns() const { return FColumns; }
    int Rows() const { return FRows; }
    // A size of at least kMinColumns x 1 and at most kMaxSide on each side.
    void Resize(int AColumns, int ARows);

    // The rows that left the top of the main screen since the last call, oldest first.
    std::vector<TScreenRow> TakeScrolled();
    // How many rows left before they were taken (beyond kMaxScrolledRows) since the last call.
    std::size_t TakeDropped();
    // The screen's rows from the top down to the last one that holds anything or the
    // cursor.
    std::vector<TScreenRow> Screen() const;
    int CursorRow() const;
    int CursorColumn() const;
    bool CursorVisible() const { return FCursorVisible; }
    bool AlternateScreen() const { return FAlternateScreen; }

    // Keys as the terminal sends them to the program.
    enum class TKey { Enter, Tab, Backspace, Escape, Up, Down, Left, Right, Insert, Delete, Home, End, PageUp, PageDown };
    using TModifiers = TKeyModifiers;
    void Key(TKey AKey, TModifiers AModifiers = {});
    // A typed character; with Ctrl a letter becomes its control character.
    void Character(char32_t ACharacter, TModifiers AModifiers = {});
    // Pasted text, bracketed when the program has asked for that.
    void Paste(const std::string& AText);

    // The bytes for the program's input that have gathered since the last call.
    std::string TakeToProgram();

    // A row as text with the SGR sequences that give it its styles; it ends in the
    // default style.
    static std::string RowAsAnsi(const TScreenRow& ARow);

private:
    friend struct TTerminalScreenEvents;  // libvterm's callbacks (TerminalScreen.cpp)

    void WriteToEmulator(const std::string& ABytes, const std::vector<std::size_t>& ABreaks);
    // A character drawn at ARow from AColumn up to (not including) AEnd.
    void NoteCharacter(int ARow, int AColumn, int AEnd);
    void ForgetWraps();

    VTerm* FTerm = nullptr;
    VTermScreen* FScreen = nullptr;
    int FColumns;
    int FRows;
    bool FCursorVisible = true;
    bool FAlternateScreen = false;
    // Per screen row, whether its line goes on in the row below. A wrap is a character
    // drawn at the start of the row below the last one drawn, with no cursor movement in
    // between other than the one text makes; anything else starts a line of its own.
    std::vector<char> FWraps;
    bool FCharacterSeen = false;  // since the cursor was last moved
    int FCharacterRow = 0;
    int FCharacterStart = 0;
    int FCharacterEnd = 0;
    std::deque<TScreenRow> FScrolled;
    std::size_t FDropped = 0;
    std::string FToProgram;
    // The start of a UTF-8 character cut off at the end of the last write.
    std::string FPartial;
    std::string FClean;  // reused for each write
    std::string FFiltered;  // likewise
    std::string FHeld;      // text waiting for the next write (Flush)
    std::vector<std::size_t> FBreaks;  // where the filtered text is cut (TerminalScreen.cpp)
    int FTextClass = -1;
    // The escape sequence being written, held until it is whole (TerminalScreen.cpp).
    std::string FSequence;
    int FSequenceState = 0;
    int FSeparators = 0;
    int FDigits = 0;
    bool FSequenceTooLong = false;
};
