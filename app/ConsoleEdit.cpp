#include "app/ConsoleEdit.h"

#include "app/ConsoleOutput.h"
#include "app/Fonts.h"
#include "components/Exception.h"
#include "platform/CodePage.h"

#include <QScrollBar>
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
    QTextDocument* document = this->document();
    const TFollowOutput follow(*this);
    // Programmatic additions are not undoable: keeping them would double the memory
    // of a large output.
    document->setUndoRedoEnabled(false);
    struct EnableUndo {
        QTextDocument* Document;
        ~EnableUndo() { Document->setUndoRedoEnabled(true); }
    } enableUndo{document};

    QTextCursor cursor(document);
    cursor.movePosition(QTextCursor::End);
    // A free last line takes the text and a fresh empty line follows; after text the
    // user typed on the last line, the addition starts a new line below it.
    const bool freeLine = document->lastBlock().text().isEmpty();
    TConsoleOutput output(cursor, FCapacity);
    if (!freeLine) output.Write(u"\n");
    output.Write(text);
    output.Finish(freeLine);
}

bool TConsoleEdit::AtBottom() const {
    const QScrollBar* bar = verticalScrollBar();
    return bar->value() >= bar->maximum();
}

void TConsoleEdit::ScrollToBottom() {
    QScrollBar* bar = verticalScrollBar();
    bar->setValue(bar->maximum());
}

TConsoleEdit::TFollowOutput::TFollowOutput(TConsoleEdit& AConsole)
    : FConsole(AConsole), FFollow(AConsole.AtBottom()) {}

TConsoleEdit::TFollowOutput::~TFollowOutput() {
    if (FFollow) FConsole.ScrollToBottom();
}

QString DecodeAnsiText(const AnsiText& text) {
    if (text.CodePage == platform::CP_UTF8) return QString::fromUtf8(text.Bytes);
    QStringDecoder decoder(QStringLiteral("windows-%1").arg(text.CodePage).toLatin1().constData());
    if (!decoder.isValid()) return QString::fromLatin1(text.Bytes);
    return decoder.decode(QByteArrayView(text.Bytes.data(), qsizetype(text.Bytes.size())));
}
