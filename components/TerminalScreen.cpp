#include "components/TerminalScreen.h"

#include <algorithm>
#include <iterator>
#include <utility>

#include <vterm.h>

#include "platform/Utf8.h"

namespace {

constexpr char32_t kReplacement = 0xFFFD;

void AppendUtf8(std::string& AText, char32_t ACode) {
    // What UTF-8 cannot carry becomes the replacement character.
    if (ACode > 0x10FFFF || (ACode >= 0xD800 && ACode <= 0xDFFF)) ACode = kReplacement;
    platform::AppendUtf8(AText, ACode);
}

std::int32_t ColourOf(const VTermColor& AColour, bool AForeground) {
    if (AForeground ? VTERM_COLOR_IS_DEFAULT_FG(&AColour) : VTERM_COLOR_IS_DEFAULT_BG(&AColour))
        return TCellStyle::kDefaultColour;
    if (VTERM_COLOR_IS_INDEXED(&AColour)) return AColour.indexed.idx;
    return TCellStyle::kRgbColour | (std::int32_t(AColour.rgb.red) << 16) | (std::int32_t(AColour.rgb.green) << 8) |
           std::int32_t(AColour.rgb.blue);
}

TCellStyle StyleOf(const VTermScreenCell& ACell) {
    TCellStyle style;
    style.Foreground = ColourOf(ACell.fg, true);
    style.Background = ColourOf(ACell.bg, false);
    style.Bold = ACell.attrs.bold;
    style.Italic = ACell.attrs.italic;
    style.Underline = ACell.attrs.underline != VTERM_UNDERLINE_OFF;
    style.Reverse = ACell.attrs.reverse;
    return style;
}

// A row from its cells: the text without the unwritten cells at its end (in the default
// background), the second half of a wide character left out.
TScreenRow RowFromCells(const VTermScreenCell* ACells, int ACount, bool AContinues) {
    int end = ACount;
    while (end > 0) {
        const VTermScreenCell& cell = ACells[end - 1];
        // Cells never written or erased; spaces the program wrote belong to the line, as
        // they do on a pipe.
        const bool blank = cell.chars[0] == 0;
        if (!blank || !VTERM_COLOR_IS_DEFAULT_BG(&cell.bg) || cell.attrs.reverse) break;
        --end;
    }
    TScreenRow row;
    row.Continues = AContinues;
    for (int i = 0; i < end; ++i) {
        const VTermScreenCell& cell = ACells[i];
        if (cell.chars[0] == static_cast<std::uint32_t>(-1)) continue;  // behind a wide character
        const std::size_t before = row.Text.size();
        if (cell.chars[0] == 0) {
            row.Text += ' ';
        } else {
            for (int c = 0; c < VTERM_MAX_CHARS_PER_CELL && cell.chars[c] != 0; ++c) AppendUtf8(row.Text, cell.chars[c]);
        }
        const TCellStyle style = StyleOf(cell);
        const std::size_t length = row.Text.size() - before;
        if (!row.Runs.empty() && row.Runs.back().Style == style)
            row.Runs.back().Length += length;
        else
            row.Runs.push_back({length, style});
    }
    return row;
}

void AppendColour(std::string& ASgr, std::int32_t AColour, bool AForeground) {
    if (AColour == TCellStyle::kDefaultColour) return;
    if (AColour & TCellStyle::kRgbColour) {
        ASgr += AForeground ? ";38;2;" : ";48;2;";
        ASgr += std::to_string((AColour >> 16) & 0xFF) + ';' + std::to_string((AColour >> 8) & 0xFF) + ';' +
                std::to_string(AColour & 0xFF);
    } else if (AColour < 8) {
        ASgr += ';' + std::to_string((AForeground ? 30 : 40) + AColour);
    } else if (AColour < 16) {
        ASgr += ';' + std::to_string((AForeground ? 90 : 100) + AColour - 8);
    } else {
        ASgr += (AForeground ? ";38;5;" : ";48;5;") + std::to_string(AColour);
    }
}

const char kReplacementUtf8[] = "\xEF\xBF\xBD";

// How many bytes a character that starts with ALead has, 0 for a byte that starts none.
std::size_t SequenceLength(unsigned char ALead) {
    if (ALead < 0x80) return 1;
    if (ALead >= 0xC2 && ALead <= 0xDF) return 2;
    if (ALead >= 0xE0 && ALead <= 0xEF) return 3;
    if (ALead >= 0xF0 && ALead <= 0xF4) return 4;
    return 0;
}

// Whether AByte may follow ALead as the second byte (no overlong forms, no surrogates,
// nothing past U+10FFFF).
bool SecondByteFits(unsigned char ALead, unsigned char AByte) {
    switch (ALead) {
    case 0xE0: return AByte >= 0xA0 && AByte <= 0xBF;
    case 0xED: return AByte >= 0x80 && AByte <= 0x9F;
    case 0xF0: return AByte >= 0x90 && AByte <= 0xBF;
    case 0xF4: return AByte >= 0x80 && AByte <= 0x8F;
    default: return AByte >= 0x80 && AByte <= 0xBF;
    }
}

// Appends ABytes to AOut as valid UTF-8: each broken character (the longest start of a
// valid one) becomes one replacement character. A character cut at the end waits in
// APartial for the next write, so that the result does not depend on where writes cut.
void AppendCleanUtf8(std::string& AOut, std::string& APartial, const char* ABytes, std::size_t ACount) {
    for (std::size_t i = 0; i < ACount; ++i) {
        const auto byte = static_cast<unsigned char>(ABytes[i]);
        if (!APartial.empty()) {
            const auto lead = static_cast<unsigned char>(APartial[0]);
            const bool fits = APartial.size() == 1 ? SecondByteFits(lead, byte) : (byte & 0xC0) == 0x80;
            if (fits) {
                APartial += static_cast<char>(byte);
                if (APartial.size() == SequenceLength(lead)) {
                    AOut += APartial;
                    APartial.clear();
                }
                continue;
            }
            AOut += kReplacementUtf8;
            APartial.clear();
        }
        const std::size_t length = SequenceLength(byte);
        if (length == 1)
            AOut += static_cast<char>(byte);
        else if (length == 0)
            AOut += kReplacementUtf8;
        else
            APartial += static_cast<char>(byte);
    }
}

// libvterm 0.1.4 is not safe against every byte stream: it writes past its table of a
// control sequence's parameters when one has too many, loses its way when control
// characters or other bytes come inside an escape, and repeats a character as often as
// a parameter asks. So the emulator gets escape sequences only whole and well formed:
// a sequence is held until its final byte, control characters inside it are carried
// out before it, a sequence broken by any other byte is dropped (the byte shows as
// text), parameters past kMaxSeparators separators or kMaxDigits digits are left out,
// and strings (titles and the like) longer than kMaxStringBytes are dropped whole.
constexpr int kMaxSeparators = 12;
constexpr int kMaxDigits = 4;
constexpr std::size_t kMaxSequenceBytes = 64;
constexpr std::size_t kMaxStringBytes = 4096;
enum TSequenceState { kText = 0, kEscape, kControlSequence, kString, kStringEscape };

//
// libvterm also reads a run of text with the character set of the run's first byte: as
// UTF-8 when it is not ASCII, ASCII after it included; else through the designated set
// (such as line drawing) up to the first byte that is not ASCII. So that this does not
// depend on where writes cut, text is cut (Breaks) wherever it turns back to ASCII.
struct TSequenceFilter {
    std::string& Out;
    std::vector<std::size_t>& Breaks;
    std::string& Sequence;
    int& State;
    int& Separators;
    int& Digits;
    bool& TooLong;
    int& TextClass;  // of the last text byte: 0 ASCII, 1 other, -1 none since a control

    void Text(char AChar) {
        const auto c = static_cast<unsigned char>(AChar);
        if (c < 0x20 || c == 0x7F) {
            Control(AChar);
            return;
        }
        const int textClass = c >= 0x80 ? 1 : 0;
        if (TextClass == 1 && textClass == 0) Breaks.push_back(Out.size());
        TextClass = textClass;
        Out += AChar;
    }
    void Control(char AChar) {
        TextClass = -1;
        Out += AChar;
    }
    void Drop() {
        Sequence.clear();
        State = kText;
    }
    void Emit() {
        if (!TooLong) {
            Out += Sequence;
            TextClass = -1;
        }
        Drop();
    }
    void Begin() {
        Sequence.assign(1, '\x1b');
        State = kEscape;
        Separators = 0;
        Digits = 0;
        TooLong = false;
    }
    // Whether the control sequence so far sets the insert mode among its modes.
    bool SetsInsertMode() const {
        if (Sequence.size() < 3 || Sequence[2] < '0' || Sequence[2] > ';') return false;  // a private mode
        std::size_t from = 2;
        while (from <= Sequence.size()) {
            std::size_t end = Sequence.find(';', from);
            if (end == std::string::npos) end = Sequence.size();
            std::size_t digit = from;
            while (digit + 1 < end && Sequence[digit] == '0') ++digit;
            if (Sequence.compare(digit, end - digit, "4") == 0) return true;
            from = end + 1;
        }
        return false;
    }
    void Add(char AChar) {
        if (Sequence.size() >= (State == kString ? kMaxStringBytes : kMaxSequenceBytes)) TooLong = true;
        else Sequence += AChar;
    }

    void Feed(char AChar) {
        const auto c = static_cast<unsigned char>(AChar);
        switch (State) {
        case kText:
            if (c == 0x1b) Begin();
            else Text(AChar);
            return;
        case kString:
            if (c == 0x07) {
                Add(AChar);
                Emit();
            } else if (c == 0x1b) {
                State = kStringEscape;
            } else if (c == 0x18 || c == 0x1a) {
                Drop();
            } else if (c >= 0x20) {
                Add(AChar);
            }
            return;
        case kStringEscape:
            if (c == '\\') {
                State = kString;
                Add('\x1b');
                Add('\\');
                Emit();
                return;
            }
            Begin();  // the escape ends the string unfinished, and starts one of its own
            break;
        default:
            break;
        }
        // In an escape or a control sequence.
        if (c == 0x1b) {
            Begin();
        } else if (c == 0x18 || c == 0x1a) {
            Drop();  // cancelled
        } else if (c < 0x20) {
            Control(AChar);  // carried out at once, as inside a sequence
        } else if (c == 0x7f) {
            // ignored inside a sequence
        } else if (c >= 0x80) {
            Drop();
            Text(AChar);
        } else if (State == kEscape) {
            const bool introducer = Sequence.size() == 1;
            if (introducer && c == '[') {
                Add(AChar);
                State = kControlSequence;
            } else if (introducer && (c == ']' || c == 'P' || c == '_' || c == '^' || c == 'X')) {
                Add(AChar);
                State = kString;
            } else if (c == '[' || c == ']' || c == 'P' || c == '_' || c == '^' || c == 'X') {
                Drop();  // libvterm would take it for the start of a sequence or string
            } else if (c < 0x30) {
                Add(AChar);  // an intermediate byte
            } else {
                Add(AChar);  // the final byte
                Emit();
            }
        } else if (c >= 0x40) {
            // The final byte. libvterm 0.1.4 repeats for ever (REP, "CSI b") when nothing
            // was written before, and its insert mode ("CSI 4 h") moves memory out of
            // bounds with wide characters at the margin: such a sequence becomes one it
            // ignores, and the characters overwrite as they do without insert mode.
            Add(c == 'b' || (c == 'h' && SetsInsertMode()) ? 'y' : AChar);
            Emit();
        } else if (c == ';' || c == ':') {
            Digits = 0;
            if (++Separators <= kMaxSeparators) Add(AChar);
        } else if (c >= '0' && c <= '9') {
            if (++Digits <= kMaxDigits) Add(AChar);
        } else {
            Add(AChar);  // a private marker or an intermediate byte
        }
    }
};

// libvterm joins a combining character to the one before it only when both come in one
// write if that one filled the last column. So, when more output follows, the text at
// the end of a write that such a character could still join (printable characters other
// than ASCII, and the one printable ASCII character before them) waits for it, up to
// kMaxHeldBytes.
// AText is valid UTF-8 outside escape sequences.
constexpr std::size_t kMaxHeldBytes = 4096;

std::size_t TrailingTextStart(const std::string& AText) {
    std::size_t start = AText.size();
    const std::size_t limit = AText.size() > kMaxHeldBytes ? AText.size() - kMaxHeldBytes : 0;
    while (start > limit) {
        std::size_t lead = start - 1;
        while (lead > limit && (static_cast<unsigned char>(AText[lead]) & 0xC0) == 0x80) --lead;
        const auto first = static_cast<unsigned char>(AText[lead]);
        if (first < 0x80) {
            if (first >= 0x20 && first != 0x7F) start = lead;  // the character they would join
            break;
        }
        // U+0080 to U+009F (C2 80 to C2 9F) are control characters.
        if (first == 0xC2 && lead + 1 < AText.size() && static_cast<unsigned char>(AText[lead + 1]) < 0xA0) break;
        if ((first & 0xC0) != 0xC0) break;  // cut by the limit
        start = lead;
    }
    return start;
}

int ClampedColumns(int AColumns) { return std::clamp(AColumns, TTerminalScreen::kMinColumns, TTerminalScreen::kMaxSide); }
int ClampedRows(int ARows) { return std::clamp(ARows, 1, TTerminalScreen::kMaxSide); }

}  // namespace

struct TTerminalScreenEvents {
    static int PushLine(int ACols, const VTermScreenCell* ACells, void* AUser) {
        auto& self = *static_cast<TTerminalScreen*>(AUser);
        if (self.FScrolled.size() >= TTerminalScreen::kMaxScrolledRows) {
            self.FScrolled.pop_front();
            ++self.FDropped;
        }
        const bool continues = !self.FWraps.empty() && self.FWraps.front();
        if (!self.FWraps.empty()) {
            self.FWraps.erase(self.FWraps.begin());
            self.FWraps.push_back(0);
        }
        --self.FCharacterRow;  // the rows move up
        self.FScrolled.push_back(RowFromCells(ACells, ACols, continues));
        return 1;
    }
    static int Damage(VTermRect ARect, void* AUser) {
        // A character drawn is one cell, or two for a wide one; erases and scrolls come
        // as larger areas and leave the wraps as they are.
        if (ARect.end_row - ARect.start_row == 1 && ARect.end_col - ARect.start_col <= 2)
            static_cast<TTerminalScreen*>(AUser)->NoteCharacter(ARect.start_row, ARect.start_col, ARect.end_col);
        return 1;
    }
    static int MoveCursor(VTermPos APos, VTermPos, int, void* AUser) {
        auto& self = *static_cast<TTerminalScreen*>(AUser);
        // Text leaves the cursor after its last character, or on it at the right margin
        // (on a wide one's first cell).
        const bool atMargin = self.FCharacterEnd >= self.FColumns;
        const bool afterText = APos.col == self.FCharacterEnd ||
                               (atMargin && (APos.col == self.FCharacterStart || APos.col == self.FColumns - 1));
        if (APos.row != self.FCharacterRow || !afterText) self.FCharacterSeen = false;
        return 1;
    }
    static int SetTermProp(VTermProp AProp, VTermValue* AValue, void* AUser) {
        auto& self = *static_cast<TTerminalScreen*>(AUser);
        if (AProp == VTERM_PROP_CURSORVISIBLE) self.FCursorVisible = AValue->boolean;
        if (AProp == VTERM_PROP_ALTSCREEN) {
            self.FAlternateScreen = AValue->boolean;
            self.ForgetWraps();
        }
        return 1;
    }
    static void Output(const char* ABytes, std::size_t ACount, void* AUser) {
        static_cast<TTerminalScreen*>(AUser)->FToProgram.append(ABytes, ACount);
    }
};

namespace {

const VTermScreenCallbacks kScreenCallbacks = {
    TTerminalScreenEvents::Damage,
    nullptr,  // moverect
    TTerminalScreenEvents::MoveCursor,
    TTerminalScreenEvents::SetTermProp,
    nullptr,  // bell
    nullptr,  // resize
    TTerminalScreenEvents::PushLine,
    nullptr,  // popline: rows once scrolled off stay in the console
};

}  // namespace

TTerminalScreen::TTerminalScreen(int AColumns, int ARows) : FColumns(ClampedColumns(AColumns)), FRows(ClampedRows(ARows)) {
    FTerm = vterm_new(FRows, FColumns);
    vterm_set_utf8(FTerm, 1);
    vterm_output_set_callback(FTerm, TTerminalScreenEvents::Output, this);
    FScreen = vterm_obtain_screen(FTerm);
    vterm_screen_set_callbacks(FScreen, &kScreenCallbacks, this);
    vterm_screen_enable_altscreen(FScreen, 1);
    vterm_screen_reset(FScreen, 1);
    ForgetWraps();
}

void TTerminalScreen::NoteCharacter(int ARow, int AColumn, int AEnd) {
    if (AColumn == 0 && ARow >= 1 && static_cast<std::size_t>(ARow) <= FWraps.size())
        FWraps[static_cast<std::size_t>(ARow - 1)] = FCharacterSeen && ARow == FCharacterRow + 1;
    FCharacterSeen = true;
    FCharacterRow = ARow;
    FCharacterStart = AColumn;
    FCharacterEnd = AEnd;
}

void TTerminalScreen::ForgetWraps() {
    FWraps.assign(static_cast<std::size_t>(FRows), 0);
    FCharacterSeen = false;
}

TTerminalScreen::~TTerminalScreen() { vterm_free(FTerm); }

void TTerminalScreen::Write(const char* ABytes, std::size_t ACount, bool AMoreFollows) {
    // libvterm's own decoding of broken UTF-8 depends on where the writes cut.
    FClean.clear();
    AppendCleanUtf8(FClean, FPartial, ABytes, ACount);
    FFiltered.swap(FHeld);
    FHeld.clear();
    FBreaks.clear();
    TSequenceFilter filter{FFiltered, FBreaks, FSequence, FSequenceState, FSeparators, FDigits, FSequenceTooLong, FTextClass};
    for (char c : FClean) filter.Feed(c);
    if (AMoreFollows) {
        const std::size_t held = TrailingTextStart(FFiltered);
        FHeld.assign(FFiltered, held, std::string::npos);
        FFiltered.resize(held);
        while (!FBreaks.empty() && FBreaks.back() >= held) FBreaks.pop_back();
    }
    WriteToEmulator(FFiltered, FBreaks);
}

void TTerminalScreen::Flush() {
    // What waited never turns back to ASCII: no break inside it.
    WriteToEmulator(std::exchange(FHeld, std::string()), {});
}

void TTerminalScreen::WriteToEmulator(const std::string& ABytes, const std::vector<std::size_t>& ABreaks) {
    if (ABytes.empty()) return;
    std::size_t from = 0;
    for (const std::size_t to : ABreaks) {
        vterm_input_write(FTerm, ABytes.data() + from, to - from);
        from = to;
    }
    vterm_input_write(FTerm, ABytes.data() + from, ABytes.size() - from);
    vterm_screen_flush_damage(FScreen);
}

void TTerminalScreen::Resize(int AColumns, int ARows) {
    Flush();
    AColumns = ClampedColumns(AColumns);
    ARows = ClampedRows(ARows);
    if (AColumns == FColumns && ARows == FRows) return;
    // The emulator shrinks the other screen from the bottom, which would cut the rows at
    // the cursor (the newest); a terminal keeps those, so the rows above go first. The
    // other screen keeps no history, so nothing of it reaches the console's text.
    const int cut = CursorRow() + 1 - ARows;
    if (FAlternateScreen && cut > 0) {
        const std::string up = "\x1b[" + std::to_string(cut) + "S\x1b[" + std::to_string(cut) + "A";
        vterm_input_write(FTerm, up.data(), up.size());
    }
    FColumns = AColumns;
    FRows = ARows;
    vterm_set_size(FTerm, FRows, FColumns);
    vterm_screen_flush_damage(FScreen);
    FWraps.resize(static_cast<std::size_t>(FRows), 0);
    FCharacterSeen = false;
}

std::vector<TScreenRow> TTerminalScreen::TakeScrolled() {
    std::vector<TScreenRow> rows(std::make_move_iterator(FScrolled.begin()), std::make_move_iterator(FScrolled.end()));
    FScrolled.clear();
    return rows;
}

std::size_t TTerminalScreen::TakeDropped() { return std::exchange(FDropped, 0); }

std::vector<TScreenRow> TTerminalScreen::Screen() const {
    std::vector<TScreenRow> rows;
    std::vector<VTermScreenCell> cells(static_cast<std::size_t>(FColumns));
    for (int row = 0; row < FRows; ++row) {
        for (int column = 0; column < FColumns; ++column)
            vterm_screen_get_cell(FScreen, VTermPos{row, column}, &cells[static_cast<std::size_t>(column)]);
        const bool continues = row + 1 < FRows && FWraps[static_cast<std::size_t>(row)];
        rows.push_back(RowFromCells(cells.data(), FColumns, continues));
    }
    const std::size_t cursorRows = static_cast<std::size_t>(CursorRow()) + 1;
    while (rows.size() > cursorRows && rows.back().Text.empty()) rows.pop_back();
    rows.back().Continues = false;
    return rows;
}

int TTerminalScreen::CursorRow() const {
    VTermPos position;
    vterm_state_get_cursorpos(vterm_obtain_state(FTerm), &position);
    return std::clamp(position.row, 0, FRows - 1);
}

int TTerminalScreen::CursorColumn() const {
    VTermPos position;
    vterm_state_get_cursorpos(vterm_obtain_state(FTerm), &position);
    return std::clamp(position.col, 0, FColumns);
}

void TTerminalScreen::Key(TKey AKey, TModifiers AModifiers) {
    static constexpr VTermKey kKeys[] = {VTERM_KEY_ENTER, VTERM_KEY_TAB,      VTERM_KEY_BACKSPACE, VTERM_KEY_ESCAPE,
                                         VTERM_KEY_UP,    VTERM_KEY_DOWN,     VTERM_KEY_LEFT,      VTERM_KEY_RIGHT,
                                         VTERM_KEY_INS,   VTERM_KEY_DEL,      VTERM_KEY_HOME,      VTERM_KEY_END,
                                         VTERM_KEY_PAGEUP, VTERM_KEY_PAGEDOWN};
    const int modifiers = (AModifiers.Shift ? VTERM_MOD_SHIFT : 0) | (AModifiers.Alt ? VTERM_MOD_ALT : 0) |
                          (AModifiers.Ctrl ? VTERM_MOD_CTRL : 0);
    vterm_keyboard_key(FTerm, kKeys[static_cast<int>(AKey)], static_cast<VTermModifier>(modifiers));
}

void TTerminalScreen::Character(char32_t ACharacter, TModifiers AModifiers) {
    if (ACharacter > 0x10FFFF || (ACharacter >= 0xD800 && ACharacter <= 0xDFFF)) ACharacter = kReplacement;
    // A letter with Ctrl is its control character, as every terminal sends it (libvterm
    // would spell Ctrl+I, J and M as sequences few programs read).
    if (AModifiers.Ctrl && ((ACharacter >= U'a' && ACharacter <= U'z') || (ACharacter >= U'A' && ACharacter <= U'Z'))) {
        if (AModifiers.Alt) FToProgram += '\x1b';
        FToProgram += static_cast<char>(ACharacter & 0x1F);
        return;
    }
    // Shift is already in the character itself.
    const int modifiers = (AModifiers.Alt ? VTERM_MOD_ALT : 0) | (AModifiers.Ctrl ? VTERM_MOD_CTRL : 0);
    vterm_keyboard_unichar(FTerm, ACharacter, static_cast<VTermModifier>(modifiers));
}

void TTerminalScreen::Paste(const std::string& AText) {
    vterm_keyboard_start_paste(FTerm);
    FToProgram += AText;
    vterm_keyboard_end_paste(FTerm);
}

std::string TTerminalScreen::TakeToProgram() { return std::exchange(FToProgram, std::string()); }

std::string TTerminalScreen::RowAsAnsi(const TScreenRow& ARow) {
    std::string text;
    std::size_t at = 0;
    bool styled = false;
    for (const TStyleRun& run : ARow.Runs) {
        const TCellStyle& style = run.Style;
        const bool plain = style == TCellStyle{};
        if (!plain || styled) {
            std::string sgr = "\x1b[0";
            if (style.Bold) sgr += ";1";
            if (style.Italic) sgr += ";3";
            if (style.Underline) sgr += ";4";
            if (style.Reverse) sgr += ";7";
            AppendColour(sgr, style.Foreground, true);
            AppendColour(sgr, style.Background, false);
            text += sgr + 'm';
        }
        styled = !plain;
        text.append(ARow.Text, at, run.Length);
        at += run.Length;
    }
    if (styled) text += "\x1b[0m";
    return text;
}
