#include "app/ConsoleEdit.h"

#include "app/Fonts.h"
#include "components/Exception.h"
#include "platform/CodePage.h"

#include <QTextBlock>
#include <QTextCharFormat>

namespace {

// CR LF, CR and LF each become one LF. A CR at the very end is held back in
// APendingCr, since the next piece may begin with its LF; a held CR is resolved first.
QString NormalizedLineBreaks(const QString& AText, bool& APendingCr) {
    QString lines;
    lines.reserve(AText.size() + 1);
    qsizetype i = 0;
    if (APendingCr && !AText.isEmpty()) {
        APendingCr = false;
        lines += u'\n';
        if (AText.front() == u'\n') i = 1;
    }
    for (; i < AText.size(); ++i) {
        const QChar c = AText[i];
        if (c != u'\r') {
            lines += c;
        } else if (i + 1 == AText.size()) {
            APendingCr = true;
        } else {
            lines += u'\n';
            if (AText[i + 1] == u'\n') ++i;
        }
    }
    return lines;
}

const QColor kSuccessColour(0x9E, 0x9E, 0x9E);
const QColor kFailureColour(0xFF, 0x55, 0x55);

}  // namespace

TConsoleEdit::TConsoleEdit(QWidget* parent) : QPlainTextEdit(parent) {
    QPalette colours = palette();
    colours.setColor(QPalette::Base, Qt::black);
    colours.setColor(QPalette::Text, Qt::white);
    setPalette(colours);
    QFont consoleFont = TahomaFont();
    consoleFont.setPixelSize(16);
    setFont(consoleFont);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setReadOnly(false);
}

void TConsoleEdit::Insert(QTextCursor& ACursor, QString AText, const QTextCharFormat* AFormat) {
    QTextDocument* document = this->document();
    const qsizetype held = document->characterCount() - 1;
    const qsizetype room = std::max<qsizetype>(0, FCapacity - held);
    const bool fits = AText.size() <= room;
    if (!fits) AText.truncate(room);

    // Programmatic additions are not undoable: keeping them would double the memory
    // of a large output.
    document->setUndoRedoEnabled(false);
    ACursor.insertText(AText, AFormat ? *AFormat : QTextCharFormat());
    document->setUndoRedoEnabled(true);

    if (!fits) throw Exception("RichEdit line insertion error");
}

void TConsoleEdit::AddText(const QString& text) {
    bool pendingCr = false;
    QString lines = NormalizedLineBreaks(text, pendingCr);
    if (pendingCr) lines += u'\n';

    QTextDocument* document = this->document();
    const QTextBlock lastLine = document->lastBlock();
    QTextCursor cursor(document);
    cursor.movePosition(QTextCursor::End);
    // A free last line takes the text and a fresh empty line follows; after text the
    // user typed on the last line, the addition starts a new line below it.
    Insert(cursor, lastLine.text().isEmpty() ? lines + u'\n' : u'\n' + lines);
}

void TConsoleEdit::BeginOutput() {
    TOutputState state;
    state.Cursor = QTextCursor(document());
    state.Cursor.movePosition(QTextCursor::End);
    state.NeedsLineBreak = document()->lastBlock().text().isEmpty();
    if (!state.NeedsLineBreak) Insert(state.Cursor, QStringLiteral("\n"));
    FOutput = state;
}

void TConsoleEdit::AppendOutput(const QString& AChunk) {
    if (!FOutput) return;
    const QString lines = NormalizedLineBreaks(AChunk, FOutput->PendingCr);
    if (lines.isEmpty()) return;
    try {
        Insert(FOutput->Cursor, lines);
    } catch (...) {
        FOutput.reset();  // nothing more fits: the output ends here
        throw;
    }
}

void TConsoleEdit::EndOutput() {
    if (!FOutput) return;
    TOutputState state = std::move(*FOutput);
    FOutput.reset();
    QString rest;
    if (state.PendingCr) rest += u'\n';
    if (state.NeedsLineBreak) rest += u'\n';
    if (!rest.isEmpty()) Insert(state.Cursor, rest);
}

void TConsoleEdit::AddEndLine(const QString& AText, bool ASuccess) {
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    if (!document()->lastBlock().text().isEmpty()) Insert(cursor, QStringLiteral("\n"));
    QTextCharFormat format;
    format.setForeground(ASuccess ? kSuccessColour : kFailureColour);
    Insert(cursor, AText, &format);
    Insert(cursor, QStringLiteral("\n"));
}

QString DecodeAnsiText(const AnsiText& text) {
    TAnsiStreamDecoder decoder(text.CodePage);
    QString decoded = decoder.Decode(text.Bytes.data(), qsizetype(text.Bytes.size()));
    return decoded + decoder.Finish();
}

namespace {

// Where an unfinished UTF-8 character begins at the end of the bytes, or ACount when
// the last character is complete (or not UTF-8 at all).
qsizetype UnfinishedUtf8Tail(const char* ABytes, qsizetype ACount) {
    for (qsizetype back = 1; back <= 3 && back <= ACount; ++back) {
        const auto byte = static_cast<unsigned char>(ABytes[ACount - back]);
        if (byte < 0x80) return ACount;
        if (byte < 0xC0) continue;  // a continuation byte: look further back
        const qsizetype length = byte >= 0xF8 ? 1 : byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : 2;
        return length > back ? ACount - back : ACount;
    }
    return ACount;
}

QStringDecoder DecoderFor(unsigned ACodePage) {
    if (ACodePage == platform::CP_UTF8) return {};
    return QStringDecoder(QStringLiteral("windows-%1").arg(ACodePage).toLatin1().constData());
}

}  // namespace

TAnsiStreamDecoder::TAnsiStreamDecoder(unsigned ACodePage)
    : FCodePage(ACodePage), FDecoder(DecoderFor(ACodePage)) {}

QString TAnsiStreamDecoder::Decode(const char* ABytes, qsizetype ACount) {
    if (FCodePage != platform::CP_UTF8) {
        if (!FDecoder.isValid()) return QString::fromLatin1(ABytes, ACount);
        return FDecoder.decode(QByteArrayView(ABytes, ACount));
    }
    // A character cut at the end waits for the rest; everything before it decodes now.
    // The decoding is stateless, as for the whole text, so invalid bytes give the same
    // replacement characters however the text was cut.
    QByteArray bytes = FHeld;
    FHeld.clear();
    bytes.append(ABytes, ACount);
    const qsizetype complete = UnfinishedUtf8Tail(bytes.constData(), bytes.size());
    FHeld = bytes.mid(complete);
    return QString::fromUtf8(bytes.constData(), complete);
}

QString TAnsiStreamDecoder::Finish() {
    const QString rest = QString::fromUtf8(FHeld);
    FHeld.clear();
    return rest;
}
