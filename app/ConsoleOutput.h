#pragma once

#include "app/AnsiStyle.h"

#include <QTextCharFormat>
#include <QTextCursor>

#include <vector>

// Writes one addition to the console (a run's output, a command line) into its
// document, as a terminal would show it: SGR colours, line feeds, and the line edits
// that progress bars use. A carriage return goes back to the start of the line and
// what follows overwrites it; backspace goes one column left; CSI K and CSI 2K erase;
// CSI n G moves to a column. Everything else of the escape sequences is dropped.
// The addition always grows the document at the cursor given, the start of an empty
// last line, and never reaches into the lines before it.
class TConsoleOutput {
public:
    // ACapacity: the characters the document may hold at most.
    TConsoleOutput(const QTextCursor& ACursor, qsizetype ACapacity);

    // Adds a piece of the text; a sequence cut at its end is finished by the next piece.
    // When the document is full, what fits is added and
    // Exception("RichEdit line insertion error") is thrown.
    void Write(QStringView AChunk);

    // Ends the addition, with a line break after its last line when ALineBreak.
    void Finish(bool ALineBreak);

    const QTextCursor& Cursor() const { return FCursor; }

private:
    void WriteText(QStringView AText, const TAnsiStyle& AStyle);
    // Inserts at the cursor, replacing its selection, as far as the capacity allows.
    void Insert(QStringView AText, const QTextCharFormat& AFormat);
    const QTextCharFormat& FormatOf(const TAnsiStyle& AStyle);
    void MoveToColumn(qsizetype AColumn);

    QTextCursor FCursor;
    qsizetype FCapacity;
    TAnsiParser FParser;
    std::vector<TAnsiPiece> FPieces;
    bool FAtLineEnd = true;  // the cursor stands at the end of its line
    struct TStyleFormat {
        TAnsiStyle Style;
        QTextCharFormat Format;
    };
    static constexpr std::size_t kMaxFormats = 32;
    std::vector<TStyleFormat> FFormats;  // the default style first, kept
};
