#include "app/ConsoleOutput.h"

#include <QTextDocument>

namespace ConsoleBlocks {

namespace {
constexpr int kKindProperty = QTextFormat::UserProperty + 1;
}

TKind KindOf(const QTextBlock& ABlock) {
    return static_cast<TKind>(ABlock.blockFormat().intProperty(kKindProperty));
}

QTextBlockFormat FormatOf(TKind AKind) {
    QTextBlockFormat format;
    if (AKind != TKind::Line) format.setProperty(kKindProperty, static_cast<int>(AKind));
    return format;
}

bool ContinuesLine(const QTextBlock& ABlock) {
    if (KindOf(ABlock) != TKind::Continuation) return false;
    const QTextBlock previous = ABlock.previous();
    return previous.isValid() && KindOf(previous) != TKind::Notice;
}

void RemoveSelection(QTextCursor& ACursor) {
    const TKind kind = KindOf(ACursor.document()->findBlock(ACursor.selectionStart()));
    ACursor.removeSelectedText();
    if (KindOf(ACursor.block()) != kind) ACursor.setBlockFormat(FormatOf(kind));
}

QTextBlock LineStart(QTextBlock ABlock) {
    while (ContinuesLine(ABlock)) ABlock = ABlock.previous();
    return ABlock;
}

QTextBlock LineEnd(QTextBlock ABlock) {
    for (QTextBlock next = ABlock.next(); next.isValid() && ContinuesLine(next); next = next.next()) ABlock = next;
    return ABlock;
}

QString PlainText(const QTextDocument& ADocument, int AFrom, int ATo) {
    QString text;
    for (QTextBlock block = ADocument.findBlock(AFrom); block.isValid() && block.position() <= ATo;
         block = block.next()) {
        // The separator before this block, where the range holds it.
        const int separator = block.position() - 1;
        if (separator >= AFrom && separator < ATo && !ContinuesLine(block)) text += u'\n';
        const int from = std::max(AFrom, block.position()) - block.position();
        const int to = std::min(ATo, block.position() + block.length() - 1) - block.position();
        if (to > from) text += QStringView(block.text()).sliced(from, to - from);
    }
    // As the document's own plain text reads.
    for (QChar& character : text) {
        if (character == QChar::Nbsp)
            character = u' ';
        else if (character == QChar::LineSeparator || character == QChar::ParagraphSeparator)
            character = u'\n';
    }
    return text;
}

}  // namespace ConsoleBlocks

using namespace ConsoleBlocks;

TConsoleOutput::TConsoleOutput(const QTextCursor& ACursor) : FCursor(ACursor) {
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
        switch (piece.Kind) {
        case TAnsiPiece::Text:
            break;
        case TAnsiPiece::CarriageReturn:
            MoveToColumn(0);
            break;
        case TAnsiPiece::Backspace:
            MoveToColumn(std::max<qsizetype>(0, Column() - 1));
            break;
        case TAnsiPiece::EraseToEnd: {
            const QTextBlock last = LineEnd(FCursor.block());
            FCursor.setPosition(last.position() + last.length() - 1, QTextCursor::KeepAnchor);
            RemoveSelection(FCursor);
            FAtLineEnd = true;
            break;
        }
        case TAnsiPiece::EraseLine: {
            const QTextBlock last = LineEnd(FCursor.block());
            FCursor.setPosition(LineStart(FCursor.block()).position());
            FCursor.setPosition(last.position() + last.length() - 1, QTextCursor::KeepAnchor);
            RemoveSelection(FCursor);
            FAtLineEnd = true;
            break;
        }
        case TAnsiPiece::Column:
            MoveToColumn(piece.Argument);
            break;
        }
    }
    writeText();
}

void TConsoleOutput::Finish(bool ALineBreak) {
    MoveToLineEnd();
    if (ALineBreak) FCursor.insertBlock(ConsoleBlocks::FormatOf(TKind::Line), QTextCharFormat());
}

qsizetype TConsoleOutput::Column() const {
    const QTextBlock current = FCursor.block();
    qsizetype column = FCursor.position() - current.position();
    for (QTextBlock block = LineStart(current); block != current; block = block.next())
        column += block.length() - 1;
    return column;
}

void TConsoleOutput::MoveToColumn(qsizetype AColumn) {
    QTextBlock block = LineStart(FCursor.block());
    for (QTextBlock next = block.next(); AColumn >= block.length() - 1 && next.isValid() && ContinuesLine(next);
         next = next.next()) {
        AColumn -= block.length() - 1;
        block = next;
    }
    const qsizetype length = block.length() - 1;
    FCursor.setPosition(block.position() + std::min(AColumn, length));
    FAtLineEnd = AColumn >= length;
}

void TConsoleOutput::MoveToLineEnd() {
    const QTextBlock last = LineEnd(FCursor.block());
    FCursor.setPosition(last.position() + last.length() - 1);
    FAtLineEnd = true;
}

void TConsoleOutput::WriteText(QStringView AText, const TAnsiStyle& AStyle) {
    const QTextCharFormat& format = FormatOf(AStyle);
    while (!AText.isEmpty()) {
        if (FAtLineEnd) {
            // At the end of the line, the usual case: everything goes in at once.
            InsertAtLineEnd(AText, format);
            return;
        }
        // Behind a carriage return: overwrite up to the end of this line of the text,
        // block by block of the console's line, and add what goes past its end.
        const qsizetype lineFeed = AText.indexOf(u'\n');
        QStringView segment = lineFeed < 0 ? AText : AText.first(lineFeed);
        while (!segment.isEmpty()) {
            const QTextBlock block = FCursor.block();
            const qsizetype left = block.position() + block.length() - 1 - FCursor.position();
            if (left == 0) {
                const QTextBlock next = block.next();
                if (!next.isValid() || !ContinuesLine(next)) break;
                FCursor.setPosition(next.position());
                continue;
            }
            const qsizetype replaced = std::min(segment.size(), left);
            FCursor.setPosition(FCursor.position() + replaced, QTextCursor::KeepAnchor);
            FCursor.insertText(segment.first(replaced).toString(), format);
            segment = segment.sliced(replaced);
        }
        if (!segment.isEmpty()) InsertAtLineEnd(segment, format);
        const QTextBlock block = FCursor.block();
        const QTextBlock next = block.next();
        FAtLineEnd = FCursor.position() == block.position() + block.length() - 1 &&
                     !(next.isValid() && ContinuesLine(next));
        if (lineFeed < 0) return;
        MoveToLineEnd();
        AText = AText.sliced(lineFeed);
    }
}

void TConsoleOutput::InsertAtLineEnd(QStringView AText, const QTextCharFormat& AFormat) {
    while (!AText.isEmpty()) {
        const QTextBlock block = FCursor.block();
        if (AText.front() == u'\n') {
            // A plain line follows, never one that takes over the mark of this block.
            FCursor.insertBlock(ConsoleBlocks::FormatOf(TKind::Line), AFormat);
            AText = AText.sliced(1);
            continue;
        }
        const qsizetype used = FCursor.position() - block.position();
        if (used >= kMaxBlockChars) {
            FCursor.insertBlock(ConsoleBlocks::FormatOf(TKind::Continuation), AFormat);
            continue;
        }
        // One insertion for as many lines as fit in their blocks, up to where a line
        // fills its block. Behind a marked block a line feed goes in on its own.
        const bool marked = KindOf(block) != TKind::Line;
        qsizetype room = kMaxBlockChars - used;
        qsizetype at = 0;
        qsizetype end = AText.size();
        for (;;) {
            const qsizetype lineFeed = AText.indexOf(u'\n', at);
            const qsizetype lineEnd = lineFeed < 0 ? AText.size() : lineFeed;
            if (lineEnd - at > room) {
                end = at + room;
                break;
            }
            if (lineFeed < 0 || marked) {
                end = lineEnd;
                break;
            }
            at = lineFeed + 1;
            room = kMaxBlockChars;
        }
        FCursor.insertText(AText.first(end).toString(), AFormat);
        AText = AText.sliced(end);
    }
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
