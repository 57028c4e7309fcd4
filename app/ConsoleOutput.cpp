#include "app/ConsoleOutput.h"

#include "components/Exception.h"

#include <QTextBlock>
#include <QTextDocument>

TConsoleOutput::TConsoleOutput(const QTextCursor& ACursor, qsizetype ACapacity)
    : FCursor(ACursor), FCapacity(ACapacity) {
    FCursor.clearSelection();
    FFormats.push_back({TAnsiStyle(), QTextCharFormat()});
}

void TConsoleOutput::Write(QStringView AChunk) {
    FPieces.clear();
    FParser.Parse(AChunk, FPieces);
    // One edit for the whole piece: the view lays out the changed lines once.
    FCursor.beginEditBlock();
    struct EndEdit {
        QTextCursor& Cursor;
        ~EndEdit() { Cursor.endEditBlock(); }
    } endEdit{FCursor};

    // Neighbouring texts in the same style (a colour set again on every line) go in
    // as one insertion; a text on its own goes in without a copy.
    QStringView text;
    QString joined;
    TAnsiStyle textStyle;
    auto writeText = [&] {
        if (text.isEmpty()) return;
        WriteText(text, textStyle);
        text = {};
        joined.clear();
    };
    for (const TAnsiPiece& piece : FPieces) {
        if (piece.Kind == TAnsiPiece::Text) {
            if (!text.isEmpty() && !(piece.Style == textStyle)) writeText();
            textStyle = piece.Style;
            if (text.isEmpty()) {
                text = piece.Characters;
            } else {
                if (joined.isEmpty()) joined = text.toString();
                joined += piece.Characters;
                text = joined;
            }
            continue;
        }
        writeText();
        const QTextBlock line = FCursor.block();
        switch (piece.Kind) {
        case TAnsiPiece::Text:
            break;
        case TAnsiPiece::CarriageReturn:
            MoveToColumn(0);
            break;
        case TAnsiPiece::Backspace:
            MoveToColumn(std::max<qsizetype>(0, FCursor.position() - line.position() - 1));
            break;
        case TAnsiPiece::EraseToEnd:
            FCursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
            FCursor.removeSelectedText();
            FAtLineEnd = true;
            break;
        case TAnsiPiece::EraseLine:
            FCursor.setPosition(line.position());
            FCursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
            FCursor.removeSelectedText();
            FAtLineEnd = true;
            break;
        case TAnsiPiece::Column:
            MoveToColumn(piece.Argument);
            break;
        }
    }
    writeText();
}

void TConsoleOutput::Finish(bool ALineBreak) {
    FCursor.movePosition(QTextCursor::EndOfBlock);
    FAtLineEnd = true;
    if (ALineBreak) Insert(u"\n", QTextCharFormat());
}

void TConsoleOutput::MoveToColumn(qsizetype AColumn) {
    const QTextBlock line = FCursor.block();
    const qsizetype lineLength = line.length() - 1;
    FCursor.setPosition(line.position() + std::min(AColumn, lineLength));
    FAtLineEnd = AColumn >= lineLength;
}

void TConsoleOutput::WriteText(QStringView AText, const TAnsiStyle& AStyle) {
    const QTextCharFormat& format = FormatOf(AStyle);
    while (!AText.isEmpty()) {
        if (FAtLineEnd) {
            // At the end of the line, the usual case: everything goes in at once.
            Insert(AText, format);
            return;
        }
        // Behind a carriage return: overwrite up to the end of this line of the text.
        const QTextBlock line = FCursor.block();
        const qsizetype lineEnd = line.position() + line.length() - 1;
        const qsizetype lineFeed = AText.indexOf(u'\n');
        const QStringView segment = lineFeed < 0 ? AText : AText.first(lineFeed);
        const qsizetype rest = lineEnd - FCursor.position();
        const qsizetype replaced = std::min(segment.size(), rest);
        FCursor.setPosition(FCursor.position() + replaced, QTextCursor::KeepAnchor);
        Insert(segment, format);
        FAtLineEnd = replaced == rest;  // the segment covered the rest of the line
        if (lineFeed < 0) return;
        FCursor.movePosition(QTextCursor::EndOfBlock);
        FAtLineEnd = true;
        AText = AText.sliced(lineFeed);
    }
}

void TConsoleOutput::Insert(QStringView AText, const QTextCharFormat& AFormat) {
    const qsizetype held = FCursor.document()->characterCount() - 1;
    const qsizetype replaced = FCursor.selectionEnd() - FCursor.selectionStart();
    const qsizetype room = std::max<qsizetype>(0, FCapacity - held + replaced);
    const bool fits = AText.size() <= room;
    if (!fits) AText.truncate(room);
    FCursor.insertText(AText.toString(), AFormat);
    if (!fits) throw Exception("RichEdit line insertion error");
}

const QTextCharFormat& TConsoleOutput::FormatOf(const TAnsiStyle& AStyle) {
    // Tools use a handful of styles over and over: each keeps its format, whose hash
    // the document then need not work out again.
    for (const TStyleFormat& known : FFormats)
        if (known.Style == AStyle) return known.Format;
    if (FFormats.size() >= kMaxFormats) FFormats.erase(FFormats.begin() + 1);
    FFormats.push_back({AStyle, AStyle.ToFormat()});
    return FFormats.back().Format;
}
