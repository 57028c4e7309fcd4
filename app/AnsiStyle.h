#pragma once

#include <QColor>
#include <QString>
#include <QStringView>
#include <QTextCharFormat>

#include <vector>

// How a piece of a tool's output looks: what the SGR sequences it printed selected.
// An invalid colour stands for the console's own (white text on black).
struct TAnsiStyle {
    QColor Foreground;
    QColor Background;
    bool Bold = false;
    bool Italic = false;
    bool Underline = false;
    bool Inverse = false;

    bool IsDefault() const { return *this == TAnsiStyle(); }
    bool operator==(const TAnsiStyle&) const = default;

    // The character format for the console; the default style gives an empty format,
    // so uncoloured text looks exactly like text added without any format.
    QTextCharFormat ToFormat() const;
};

// The colour of an entry of the 256-colour table: 0 to 15 the sixteen named
// colours (normal, then bright), then a 6x6x6 cube and 24 greys.
QColor AnsiColour(int AIndex);

// One thing the output asks of the console, in order.
struct TAnsiPiece {
    enum TKind {
        Text,            // characters in a style; may hold line feeds
        CarriageReturn,  // back to the start of the line
        Backspace,       // one column to the left
        EraseToEnd,      // CSI K: erase from the column to the end of the line
        EraseLine,       // CSI 2K: erase the whole line
        Column,          // CSI n G: to column Argument (counted from 0)
    };
    TKind Kind = Text;
    QStringView Characters;  // Text only: a view into the chunk given to Parse
    TAnsiStyle Style;        // Text only
    int Argument = 0;        // Column only
};

// Splits a stream of decoded output into text and the few controls the console
// honours. SGR sequences change the style of the text that follows; every other
// escape sequence (cursor moves, titles, modes) is dropped. A sequence cut between two
// chunks is held back until its end arrives. Bytes that break a sequence off end it:
// the sequence is dropped and the byte is taken as text.
class TAnsiParser {
public:
    // Appends the pieces of AChunk to APieces; their views point into AChunk.
    void Parse(QStringView AChunk, std::vector<TAnsiPiece>& APieces);

    // Forgets a sequence cut off by the end of the stream and goes back to the
    // default style.
    void Reset();

    const TAnsiStyle& Style() const { return FStyle; }
    bool InSequence() const { return FState != TState::Ground; }

private:
    enum class TState { Ground, Escape, EscapeIntermediate, Csi, String, StringEscape };

    void EndCsi(QChar AFinal);
    void ApplySgr(QStringView AParameters);

    TState FState = TState::Ground;
    QString FSequence;  // parameters of the CSI sequence under way (capped)
    bool FSequenceTooLong = false;
    TAnsiStyle FStyle;
    std::vector<TAnsiPiece>* FPieces = nullptr;
};
