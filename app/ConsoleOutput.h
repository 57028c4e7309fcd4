#pragma once

#include "app/AnsiStyle.h"

#include <QTextBlock>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>

#include <vector>

class QTextDocument;

// The blocks of the console's document. A line longer than kMaxBlockChars is held in
// several blocks, each after the first marked as continuing the line (the view then
// lays out a few thousand characters per edit, however long the line grows); the
// console's text joins them again. One block at the top may say that older text was
// removed.
namespace ConsoleBlocks {
constexpr qsizetype kMaxBlockChars = 4096;
enum class TKind { Line = 0, Continuation = 1, Notice = 2 };
TKind KindOf(const QTextBlock& ABlock);
QTextBlockFormat FormatOf(TKind AKind);
// True when ABlock goes on with the line of the block before it.
bool ContinuesLine(const QTextBlock& ABlock);
// Removes the cursor's selection; the block where it starts keeps its kind (the
// document would give it the kind of the block where the selection ends).
void RemoveSelection(QTextCursor& ACursor);
// The first and the last block of the line that ABlock belongs to.
QTextBlock LineStart(QTextBlock ABlock);
QTextBlock LineEnd(QTextBlock ABlock);
// The document's text from AFrom to ATo, as the user reads it: a line held in several
// blocks comes out whole, every other block ends with a line feed.
QString PlainText(const QTextDocument& ADocument, int AFrom, int ATo);
}  // namespace ConsoleBlocks

// Writes one addition to the console (a run's output, a command line) into its
// document, as a terminal would show it: SGR colours, line feeds, and the line edits
// that progress bars use. A carriage return goes back to the start of the line and
// what follows overwrites it; backspace goes one column left; CSI K and CSI 2K erase;
// CSI n G moves to a column. Everything else of the escape sequences is dropped.
// The addition always grows the document at the cursor given, the start of an empty
// last line, and never reaches into the lines before it. How much the document holds
// is the console's business.
class TConsoleOutput {
public:
    explicit TConsoleOutput(const QTextCursor& ACursor);

    // Adds a piece of the text; a sequence cut at its end is finished by the next piece.
    void Write(QStringView AChunk);

    // Ends the addition, with a line break after its last line when ALineBreak.
    void Finish(bool ALineBreak);

    const QTextCursor& Cursor() const { return FCursor; }

private:
    void WriteText(QStringView AText, const TAnsiStyle& AStyle);
    // Inserts at the end of the cursor's line, a block at most kMaxBlockChars long.
    void InsertAtLineEnd(QStringView AText, const QTextCharFormat& AFormat);
    const QTextCharFormat& FormatOf(const TAnsiStyle& AStyle);
    // The cursor's column in its line, and a move to a column of that line.
    qsizetype Column() const;
    void MoveToColumn(qsizetype AColumn);
    void MoveToLineEnd();

    QTextCursor FCursor;
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
