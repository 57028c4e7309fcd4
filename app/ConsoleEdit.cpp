#include "app/ConsoleEdit.h"

#include "app/Fonts.h"
#include "components/Exception.h"
#include "platform/CodePage.h"

#include <QStringDecoder>
#include <QTextBlock>
#include <QTextCursor>

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

void TConsoleEdit::AddText(const QString& text) {
    QString lines = text;
    lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    lines.replace(u'\r', u'\n');

    QTextDocument* document = this->document();
    const QTextBlock lastLine = document->lastBlock();
    QTextCursor cursor(document);
    QString insertion;
    if (lastLine.text().isEmpty()) {
        // The last line is free: the text goes there and a fresh empty line follows.
        cursor.setPosition(lastLine.position());
        insertion = lines + u'\n';
    } else {
        // The user has typed on the last line: start a new line below it.
        cursor.movePosition(QTextCursor::End);
        insertion = u'\n' + lines;
    }

    const qsizetype held = document->characterCount() - 1;
    const qsizetype room = std::max<qsizetype>(0, FCapacity - held);
    const bool fits = insertion.size() <= room;
    if (!fits) insertion.truncate(room);

    // Programmatic additions are not undoable: keeping them would double the memory
    // of a large output.
    document->setUndoRedoEnabled(false);
    cursor.insertText(insertion);
    document->setUndoRedoEnabled(true);

    if (!fits) throw Exception("RichEdit line insertion error");
}

QString DecodeAnsiText(const AnsiText& text) {
    if (text.CodePage == platform::CP_UTF8) return QString::fromUtf8(text.Bytes);
    QStringDecoder decoder(QStringLiteral("windows-%1").arg(text.CodePage).toLatin1().constData());
    if (!decoder.isValid()) return QString::fromLatin1(text.Bytes);
    return decoder.decode(QByteArrayView(text.Bytes.data(), qsizetype(text.Bytes.size())));
}
