// A program's output through the terminal emulator on its way into the console.
//
// Input: a byte choosing the columns, a byte choosing the rows, a byte choosing a resize
// part-way, then the output's bytes, cut into pieces whose lengths come from the bytes
// themselves (so that cuts fall inside sequences and characters), each written as one
// that more output follows, as the console does within a batch.
//
// Oracles: the pieces leave the same screen, the same rows off the top and the same
// answers as the bytes written at once; every row is valid UTF-8 no wider than the
// screen in characters, its style runs cover its text exactly; the cursor stays on the
// screen; the SGR text of a row holds the
// row's text.
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "components/TerminalScreen.h"

namespace {

using fuzz::Check;

bool ValidUtf8(const std::string& AText, std::size_t& ACharacters) {
    ACharacters = 0;
    for (std::size_t i = 0; i < AText.size(); ++ACharacters) {
        const auto lead = static_cast<unsigned char>(AText[i]);
        const std::size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
        if (length == 0 || i + length > AText.size()) return false;
        for (std::size_t k = 1; k < length; ++k)
            if ((static_cast<unsigned char>(AText[i + k]) & 0xC0) != 0x80) return false;
        i += length;
    }
    return true;
}

void CheckRow(const TScreenRow& ARow, int AColumns) {
    std::size_t characters = 0;
    Check(ValidUtf8(ARow.Text, characters), "a row is not valid UTF-8");
    // A cell holds a character and up to five combining ones.
    Check(characters <= std::size_t(AColumns) * 6, "a row holds more characters than its cells can");
    std::size_t covered = 0;
    for (const TStyleRun& run : ARow.Runs) covered += run.Length;
    Check(covered == ARow.Text.size(), "the style runs do not cover the row's text");
    const std::string ansi = TTerminalScreen::RowAsAnsi(ARow);
    Check(ansi.size() >= ARow.Text.size(), "the SGR text of a row is shorter than its text");
}

struct TSeen {
    std::vector<TScreenRow> Scrolled;
    std::size_t Dropped = 0;
    std::string ToProgram;
};

void Take(TTerminalScreen& AScreen, TSeen& ASeen) {
    for (TScreenRow& row : AScreen.TakeScrolled()) {
        CheckRow(row, AScreen.Columns());
        ASeen.Scrolled.push_back(std::move(row));
    }
    ASeen.Dropped += AScreen.TakeDropped();
    ASeen.ToProgram += AScreen.TakeToProgram();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3) return 0;
    const int columns = 1 + data[0] % 120;
    const int rows = 1 + data[1] % 40;
    const std::size_t resizeAt = data[2];
    const std::string bytes(reinterpret_cast<const char*>(data) + 3, size - 3);

    TTerminalScreen whole(columns, rows);
    TTerminalScreen pieces(columns, rows);
    TSeen wholeSeen;
    TSeen piecesSeen;
    const std::size_t cut = std::min(resizeAt, bytes.size());
    whole.Write(bytes.data(), cut);
    Take(whole, wholeSeen);
    whole.Resize(columns / 2 + 1, rows + 3);
    whole.Write(bytes.data() + cut, bytes.size() - cut);
    Take(whole, wholeSeen);

    std::size_t at = 0;
    unsigned previous = 0;
    bool resized = false;
    while (at < bytes.size() || !resized) {
        if (!resized && at >= cut) {
            Take(pieces, piecesSeen);
            pieces.Resize(columns / 2 + 1, rows + 3);
            resized = true;
            continue;
        }
        std::size_t length = std::min<std::size_t>(1 + previous % 32, bytes.size() - at);
        if (!resized) length = std::min(length, cut - at);
        pieces.Write(bytes.data() + at, length, true);
        at += length;
        previous = static_cast<unsigned char>(bytes[at - 1]);
        Take(pieces, piecesSeen);
    }

    pieces.Flush();
    Take(pieces, piecesSeen);
    Check(pieces.Screen() == whole.Screen(), "the pieces leave another screen than the whole output");
    Check(piecesSeen.Scrolled == wholeSeen.Scrolled && piecesSeen.Dropped == wholeSeen.Dropped,
          "the pieces scroll other rows off than the whole output");
    Check(piecesSeen.ToProgram == wholeSeen.ToProgram, "the pieces answer otherwise than the whole output");
    for (const TScreenRow& row : whole.Screen()) CheckRow(row, whole.Columns());
    Check(whole.CursorRow() >= 0 && whole.CursorRow() < whole.Rows(), "the cursor left the screen");
    Check(int(whole.Screen().size()) <= whole.Rows(), "the screen has more rows than the terminal");
    return 0;
}
